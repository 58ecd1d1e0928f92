#pragma once
// TYPE CUBE_MAP: the scene, or a list of other passes (RENDERPASSES), rendered into the six faces
// of a cube target, seen from the camera's position, from the centre of a named object or from a
// given position. The cube comes from the render manager's target pool under the CUBE_MAP name,
// so effects and other passes find it there; its edge and format are those of the texture
// manager's cube of that name when there is one. Switched on, the pass switches on the passes it
// renders and holds a reference on each.
#include "render/cameras/LookAtCamera.h"
#include "render/passes/PassTargets.h"
#include "render/passes/RenderPass.h"

#include <memory>
#include <string>
#include <vector>

namespace Ulvo {

class RenderPassCubeMap : public RenderPass {
public:
    enum Mode { MODE_CAMERA = 0, MODE_OBJEKT = 1, MODE_POSITION = 2 };

    RenderPassCubeMap(XMLNode* node, RenderManager* renderManager);
    ~RenderPassCubeMap() override;

    void setSceneGraph(SceneGraph* sceneGraph) override;
    void setParams(const RenderPassParams& params) override;
    void render(Camera* camera) override;
    void onActivate(const bool& active) override;

    void createRenderToTexture();
    // The cube target's name, edge and format; the old target goes when they change.
    void setCubeMap(const std::wstring& name, UINT size, D3DFORMAT format);
    void setZRange(const double& zNear, const double& zFar);
    // With usePosition the pass renders from the position from now on.
    void setPosition(const D3DXVECTOR3& position, const bool& usePosition);

    const RenderTargetHandle& getCubeTarget() const { return m_cube; }
    bool isCreated() const { return m_created; }
    int getMode() const { return m_mode; }
    DWORD getClearFlags() const { return m_clearFlags; }
    const std::vector<RenderPass*>& getFoundPasses() const { return m_found; }
    LookAtCamera& getFaceCamera(unsigned face) { return *m_faces[face]; }

private:
    void renderFaces(const D3DXVECTOR3& centre);
    void dropFoundPasses();

    std::wstring m_cubeName;
    UINT m_cubeSize = 256;
    D3DFORMAT m_cubeFormat = D3DFMT_A8R8G8B8;
    RenderTargetHandle m_cube;
    RenderTargetHandle m_depth;
    std::unique_ptr<LookAtCamera> m_faces[6];
    std::wstring m_objectName;
    std::vector<std::wstring> m_renderPassNames;
    std::vector<RenderPass*> m_found;
    int m_mode = MODE_CAMERA;
    D3DXVECTOR3 m_position{0.0f, 0.0f, 0.0f};
    bool m_positionSet = false;
    double m_near = 0.1;
    double m_far = 50.0;
    bool m_created = false;
    DWORD m_clearFlags = D3DCLEAR_ZBUFFER;
    D3DCOLOR m_clearColour = 0xFFFFFFFF;
    int m_clearStencil = 0;
    float m_clearDepth = 1.0f;
    std::vector<RenderObjekt*> m_list;
};

} // namespace Ulvo
