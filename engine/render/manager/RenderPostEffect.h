#pragma once
// A post effect as the render manager sees it. The post effects themselves (PostEffect and its
// kinds) live in the lighting layer above; the manager keeps, finds, activates, orders and
// parameterises them through this view, the way the scene graph sees scene objects through
// RenderObjekt.
#include <d3dx9math.h>

#include "foundation/objects/NamedObject.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Ulvo {

class Camera;
class XMLNode;

// One entry of a post effect's own mapping table: the effect, the mapping string and its kind
// (1 a vector, 12 a matrix, 29 the ENABLE switch, others a float or one component).
struct PostEffectStringMapping {
    std::wstring effectName;
    std::wstring mapping;
    int32_t kind = 0;
};

class RenderPostEffect : public NamedObject {
public:
    explicit RenderPostEffect(XMLNode* node) : NamedObject(node) {}
    RenderPostEffect(const RenderPostEffect& other) = default;
    RenderPostEffect& operator=(const RenderPostEffect&) = delete;
    ~RenderPostEffect() override = default;

    // This effect when it carries the name, else one of its children that does; null otherwise.
    virtual RenderPostEffect* findByName(const std::wstring& name) = 0;
    // Resolves the shader effect and its parameter handles.
    virtual void initHandles() = 0;
    // Registers (withdraws) its extra passes with its renderer; true when a target record was
    // made (removed), so that the renderer makes its targets again.
    virtual bool activate() = 0;
    virtual bool deactivate() = 0;
    // Draws with the technique that samples the deferred renderer's buffers while that is on.
    virtual void setDeferredTechnique(bool deferred) = 0;
    // The render manager's skip level: the effect draws while it does not exceed its own.
    virtual void setCurrentPriority(uint32_t level) = 0;
    virtual void render(Camera& camera) = 0;
    // The order of the active list, lowest first.
    virtual const int32_t& getPriority() const = 0;
    // Appends one record per mapping string, in the table's order.
    virtual void getStringMappings(std::vector<PostEffectStringMapping>& out) const = 0;

    // By mapping string: true when the mapping exists and takes a value of that type.
    virtual bool setParamFloat(const std::wstring& mapping, float value) = 0;
    virtual bool setParamVector(const std::wstring& mapping, const D3DXVECTOR4& value) = 0;
    virtual bool setParamMatrix(const std::wstring& mapping, const D3DXMATRIX& value) = 0;
    // -1 (in every component) for a mapping that is missing or does not answer that type.
    virtual float getParamFloat(const std::wstring& mapping) = 0;
    virtual D3DXVECTOR4 getParamVector(const std::wstring& mapping) = 0;
};

} // namespace Ulvo
