#pragma once
// The scene object that plays an animated mesh of the mesh list (a frame hierarchy with mesh
// containers, skinned or not, and an animation controller). Each object clones its own
// controller, so objects of one resource play independently; it advances the controller by the
// game clock every update, applies its pose right before drawing (every clone writes the same
// frames), walks the frames to draw each container with the material effect's parameters, and
// signals each loop an animation track completes. A mesh the vertex shader can skin is drawn with
// the skinned variant of the object's effect bundle (its name with "Skinned" appended), handed
// the bone palette per container; without that bundle, or for a container the shader cannot
// take, the processor skins.
//
// Read from ANIMESH_DATA (and TEXTURES); written back under TYPE "ANI_MESH" with it.
#include "scene/objects/BaseObjekt.h"
#include "scene/objects/ObjektDrawing.h"

#include <d3dx9.h>

#include <array>

namespace Ulvo {

class AnimatedMesh;
class EffectBundle;
struct AnimatedMeshContainer;
class Texture2D;
struct UlvoFrame;

class AnimatedMeshObjekt : public BaseObjekt {
public:
    // The tracks the loop signal watches.
    static constexpr int kWatchedTracks = 10;
    // The longest step an update advances, in seconds.
    static constexpr double kMaxStep = 2.0;

    AnimatedMeshObjekt(XMLNode* node, ObjektManager* owner);
    AnimatedMeshObjekt(const AnimatedMeshObjekt& other);
    ~AnimatedMeshObjekt() override;

    static BaseObjekt* create(XMLNode* node, ObjektManager* owner) { return new AnimatedMeshObjekt(node, owner); }

    bool save(XMLNode* node) override;
    BaseObjekt* clone() const override { return new AnimatedMeshObjekt(*this); }
    void update(Camera* camera, uint32_t value) override;
    void render(Camera* camera) override;
    void computeWorldBox() override;
    void computeBoundingSphere() override;
    // Against the meshes at rest (a skinned container's unskinned source), so the editor can pick
    // the object wherever its parts stand.
    bool getIntersectionDist(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float& distance) override;

    AnimatedMesh* getAnimatedMesh() const { return m_aniMesh; }
    ID3DXAnimationController* getAnimationController() const { return m_controller; }
    double getAnimationTime() const { return m_animationTime; }
    void setPeriodOffset(double offset) { m_periodOffset = offset; }

    // (the object, the track, the track's animation set) once per loop a track completes.
    sigslot::signal3<AnimatedMeshObjekt&, const int&, ID3DXAnimationSet*&> trackLooped;

protected:
    EffectBundle* drawingBundle() const override { return m_skinnedBundle ? m_skinnedBundle : m_effectBundle; }

private:
    void cloneController();
    void findSkinnedBundle();
    // Emits trackLooped for every watched track whose position crossed a period.
    void signalLoops(const std::array<double, kWatchedTracks>& before, const std::array<bool, kWatchedTracks>& had);
    void drawContainer(ID3DXEffect* effect, UlvoFrame* frame, AnimatedMeshContainer* container, Camera* camera);
    void setMaterial(ID3DXEffect* effect, AnimatedMeshContainer* container, DWORD material);

    AnimatedMesh* m_aniMesh = nullptr;
    EffectBundle* m_skinnedBundle = nullptr; // borrowed from the effect manager
    ID3DXAnimationController* m_controller = nullptr;
    MaterialAmounts m_amounts;
    Texture2D* m_bumpTexture = nullptr;
    Texture2D* m_reflectionTexture = nullptr;
    bool m_hasBumpTexture = false;
    bool m_hasReflectionTexture = false;
    double m_animationTime = 0.0;
    double m_periodOffset = 0.0;
};

} // namespace Ulvo
