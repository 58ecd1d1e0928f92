#pragma once
// Post effects: named full-screen image effects drawn by a PostEffectRenderer, in the order of
// its active list, each reading the image produced so far and writing the next one. An effect
// names a shader effect of the effect manager whose technique "RenderPost" (or
// "RenderPost_Deferred" while deferred rendering is on) is drawn over a screen quad.
//
// Every effect carries five vector, five float and five matrix parameters bound to the shader
// parameters "g_Vec4_Param1".."5", "g_Float_Param1".."5" and "g_Matrix_Param1".."5"; a table of
// string mappings through which the render manager and the console address one parameter or one
// component of it by a name; optional extra passes (render passes drawn into targets of the
// renderer that the effect samples) and static textures. The kinds (PE_*) fill parameters from
// the camera, the sun or their own settings before drawing.
//
// Extra passes are counted in the renderer's table while the effect is activated: how many
// activated effects need each pass, and how many of those are visible (enabled and not skipped
// by the render manager's skip level). Only an activated effect changes those counts.
#include <d3d9.h>
#include <d3dx9effect.h>
#include <d3dx9math.h>

#include "render/manager/RenderPostEffect.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Ulvo {

class D3DInterface;
class DeferredRenderer;
class Effect;
class PostEffectRenderer;
class StaticPostEffectTexture;
class XMLNode;

// What a mapping string addresses (MAPPING keyword of a STRING_MAPPING).
enum PostEffectMappingKind : int32_t {
    MAPPING_FLOAT = 0,
    MAPPING_VECTOR = 1,
    MAPPING_VECTOR_X = 2,
    MAPPING_VECTOR_W = 5,
    MAPPING_SCALE_X = 6,
    MAPPING_SCALE_Y = 7,
    MAPPING_SCALE_XY = 8,
    MAPPING_INV_SCALE_X = 9,
    MAPPING_INV_SCALE_Y = 10,
    MAPPING_INV_SCALE_XY = 11,
    MAPPING_MATRIX = 12,
    MAPPING_M_11 = 13,
    MAPPING_M_44 = 28,
    MAPPING_ENABLE = 29
};

// A render pass drawn into a target of the renderer for the effect to sample (EXTRA_PASS).
struct ExtraPass {
    enum UseBits : uint32_t { USE_FORWARD = 1, USE_DEFERRED = 2 };

    std::wstring name;
    D3DCOLOR clearColor = 0xFF000000;
    D3DFORMAT format = D3DFMT_A8R8G8B8;
    std::string handleName = "g_Textur_EXTRA";
    uint32_t useType = USE_FORWARD | USE_DEFERRED;
};

struct StringMapping {
    int32_t kind = MAPPING_FLOAT;
    int32_t paramNr = 0;
};

// A parameter value at which the effect's shader gives back the picture it reads (UNCHANGED_WHEN,
// PARAM "FLOAT_n" or "VEC4_n_X".."VEC4_n_W" with EQUALS, AT_MOST or AT_LEAST).
struct UnchangedWhen {
    enum class Compare { EQUALS, AT_MOST, AT_LEAST };
    int32_t paramNr = 0;
    // -1 the float parameter, 0 to 3 a component of the vector parameter.
    int32_t component = -1;
    Compare compare = Compare::EQUALS;
    float value = 0.0f;
};

class PostEffect : public RenderPostEffect {
public:
    static constexpr int kParamCount = 5;

    PostEffect(XMLNode& node, PostEffectRenderer* renderer, DeferredRenderer* deferredRenderer);
    // Takes the source's settings, mappings, priorities and a copy of every static texture; the
    // copy is not activated and resolves its effect at its own initHandles.
    PostEffect(const PostEffect& other);
    ~PostEffect() override;

    virtual PostEffect* clone() const;
    bool activate() override;
    bool deactivate() override;
    void render(Camera& camera) override;
    void initHandles() override;
    virtual void update(double elapsedSeconds);
    RenderPostEffect* findByName(const std::wstring& name) override;

    bool setParamFloat(const std::wstring& mapping, float value) override;
    bool setParamVector(const std::wstring& mapping, const D3DXVECTOR4& value) override;
    bool setParamMatrix(const std::wstring& mapping, const D3DXMATRIX& value) override;
    float getParamFloat(const std::wstring& mapping) override;
    D3DXVECTOR4 getParamVector(const std::wstring& mapping) override;
    virtual D3DXMATRIX getParamMatrix(const std::wstring& mapping);
    // Parameter index 0 to 4; false (and, reading, -1) for any other index.
    virtual bool setVec4(const D3DXVECTOR4& value, int index);
    virtual bool setFloat(float value, int index);
    virtual bool setMatrix(const D3DXMATRIX& value, int index);
    virtual D3DXVECTOR4 getVec4(int index) const;
    virtual float getFloat(int index) const;
    virtual D3DXMATRIX getMatrix(int index) const;

    // After the textures are bound and before the parameters are uploaded; at the end of render.
    virtual void preRender(Camera& camera);
    virtual void postRender(Camera& camera);

    virtual void setSkipPriority(uint32_t priority);
    uint32_t getSkipPriority() const { return m_skipPriority; }
    void setCurrentPriority(uint32_t level) override;
    uint32_t getCurrentPriority() const { return m_currentPriority; }
    virtual void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    void setDeferredTechnique(bool deferred) override;
    bool getDeferredTechnique() const { return m_deferredTechnique; }
    // Created, enabled and not skipped.
    virtual bool isActive() const;
    // How many images render draws in the present state (0 or 1; a combination its children's).
    virtual int countDraws() const { return drawsNow() ? 1 : 0; }
    // One of its UNCHANGED_WHEN values holds while its quad covers the whole target: drawing would
    // copy the picture pixel for pixel, so render passes it over and the next effect reads the
    // image this one would have read.
    bool leavesPictureAsIs() const;
    const std::vector<UnchangedWhen>& getUnchangedWhen() const { return m_unchangedWhen; }

    const int32_t& getPriority() const override { return m_priority; }
    void getStringMappings(std::vector<PostEffectStringMapping>& out) const override;

    const std::wstring& getEffectName() const { return m_effectName; }
    Effect* getEffect() const { return m_effect; }
    bool isCreated() const { return m_created; }
    bool isActivated() const { return m_activated; }
    bool getMakeOriginal() const { return m_makeOriginal; }
    bool getSetMatrices() const { return m_setMatrices; }
    float getScaleX() const { return m_scaleX; }
    float getScaleY() const { return m_scaleY; }
    float getTime() const { return m_time; }
    D3DCOLOR getClearColor() const { return m_clearColor; }
    bool getClearTarget() const { return m_clearTarget; }
    const std::vector<ExtraPass>& getExtraPasses() const { return m_extraPasses; }
    const std::map<std::wstring, StringMapping>& getMappingTable() const { return m_stringMappings; }
    const std::vector<StaticPostEffectTexture*>& getStaticTextures() const { return m_staticTextures; }
    PostEffectRenderer* getRenderer() const { return m_renderer; }

    // The PRIORITY list: HIGH 2500, MED 1500, LOW 500, else a number added to 1500; a second
    // item is added.
    static int32_t priorityFromWords(const std::vector<std::wstring>& words);
    // The MAPPING keyword's kind; -1 for a word outside the table.
    static int32_t mappingKindFromName(const std::wstring& word);

    // The point one unit ahead of the camera's eye along its view direction.
    static D3DXVECTOR3 pointAhead(const Camera& camera);

    // Slots: the shader effect was compiled again; it is gone.
    void onEffectReloaded(Effect& effect);
    void onEffectDeleted(NamedObject* effect);

protected:
    // The mapping of the string, or null.
    const StringMapping* findMapping(const std::wstring& mapping) const;
    bool isVisible() const { return m_enabled && m_currentPriority <= m_skipPriority; }
    // render draws an image now.
    bool drawsNow() const;
    // Runs the change and, when it flips the visibility of an activated effect, moves its extra
    // passes' use bits into or out of the renderer's active counts.
    template <class Change> void changeVisibility(Change change);
    void addActiveCounts(int sign);
    // The effect's pixel offsets divided by the render-target size (ConvertPixelsToTexels).
    void convertPixelsToTexels();

    D3DInterface* m_d3d;
    PostEffectRenderer* m_renderer;
    Effect* m_effect = nullptr;
    std::wstring m_effectName;
    std::vector<ExtraPass> m_extraPasses;
    std::map<std::wstring, StringMapping> m_stringMappings;
    std::vector<UnchangedWhen> m_unchangedWhen;
    std::vector<StaticPostEffectTexture*> m_staticTextures;
    D3DXVECTOR4 m_vec4Params[kParamCount];
    float m_floatParams[kParamCount];
    D3DXMATRIX m_matrixParams[kParamCount];
    float m_time = 0.0f;
    float m_scaleX = 1.0f;
    float m_scaleY = 1.0f;
    D3DXHANDLE m_vec4Handles[kParamCount] = {};
    D3DXHANDLE m_floatHandles[kParamCount] = {};
    D3DXHANDLE m_matrixHandles[kParamCount] = {};
    // The techniques and the renderer's inputs every post effect has, found at each load of the
    // effect rather than by name in every frame.
    struct FixedHandles {
        D3DXHANDLE technique = nullptr;
        D3DXHANDLE deferredTechnique = nullptr;
        D3DXHANDLE source = nullptr;
        D3DXHANDLE original = nullptr;
        D3DXHANDLE extra = nullptr;
        D3DXHANDLE time = nullptr;
        D3DXHANDLE depthRange = nullptr;
        D3DXHANDLE gbuffer[4] = {};
    };
    FixedHandles m_fixed;
    bool m_makeOriginal = true;
    bool m_created = false;
    bool m_effectLoaded = false;
    bool m_enabled = true;
    bool m_setMatrices = false;
    bool m_activated = false;
    int32_t m_priority = 1500;
    uint32_t m_skipPriority = 0xFFFFFFFFu;
    uint32_t m_currentPriority = 0;
    bool m_deferredTechnique = false;
    DeferredRenderer* m_deferredRenderer;
    D3DCOLOR m_clearColor = 0xFF000000;
    bool m_clearTarget = true;
    // The fScaleX and fScaleY annotations of each pass of "RenderPost", read by initHandles.
    std::vector<D3DXVECTOR2> m_passScales;
    // Whether a pass's states let what the target held show through (blending, alpha, scissor,
    // depth or stencil tests, a partial write mask), found out while drawing: only then, or
    // when a pass covers less than the target, is the target cleared first.
    enum class TargetRead { UNKNOWN, READ, NOT_READ };
    TargetRead m_targetRead = TargetRead::UNKNOWN;

private:
    void readNode(XMLNode& node);
    void readStringMapping(XMLNode& entry);
    void readUnchangedWhen(XMLNode& entry);
};

template <class Change> void PostEffect::changeVisibility(Change change)
{
    const bool before = isVisible();
    change();
    const bool after = isVisible();
    if (m_activated && before != after)
        addActiveCounts(after ? 1 : -1);
}

} // namespace Ulvo
