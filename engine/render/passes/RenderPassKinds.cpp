#include "render/passes/RenderPassKinds.h"

#include "foundation/xml/XMLNode.h"
#include "render/manager/RenderManager.h"
#include "render/passes/RenderPass.h"
#include "render/passes/RenderPassCubeMap.h"
#include "render/passes/RenderPassShadow.h"
#include "render/passes/RenderPassToTexture.h"
#include "render/passes/RenderPassWater.h"
#include "render/passes/RenderPassZBuffer.h"

namespace Ulvo {

namespace {

template <class Kind> RenderPass* build(XMLNode* node, RenderManager* renderManager)
{
    return new Kind(node, renderManager);
}

} // namespace

void registerRenderPassKinds(RenderPassKinds& kinds)
{
    kinds.add(L"SHADOW", &build<RenderPassShadow>);
    kinds.add(L"SHADOW_MAP", &build<RenderPassPSSMShadowMap>);
    kinds.add(L"WATER", &build<RenderPassWater>);
    kinds.add(L"REFLECTION", &build<RenderPassReflection>);
    kinds.add(L"DEPTH_LINEAR", &build<RenderPassDepthLinear>);
    kinds.add(L"CUBE_MAP", &build<RenderPassCubeMap>);
    kinds.add(L"TO_TEXTURE", &build<RenderPassToTexture>);
}

RenderPass* createRenderPassFromXml(XMLNode* node, RenderManager* renderManager)
{
    if (!node)
        return nullptr;
    const RenderPassKinds& kinds =
        renderManager ? renderManager->getPassKinds() : registeredKinds<RenderPassCreator, &registerRenderPassKinds>();
    if (RenderPassCreator creator = kinds.find(node->getAttributeValue(L"TYPE")))
        return creator(node, renderManager);
    return new RenderPass(node, renderManager);
}

} // namespace Ulvo
