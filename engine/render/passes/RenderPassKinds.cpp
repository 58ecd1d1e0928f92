#include "render/passes/RenderPassKinds.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "render/manager/RenderManager.h"
#include "render/passes/RenderPass.h"

namespace Ulvo {

namespace {

// The pass kinds whose targets come with their own classes; until those exist an entry of such
// a kind is left out whole rather than drawn as a plain pass.
RenderPass* leaveOut(XMLNode* node, RenderManager*)
{
    mainLogger().log(50, LOG_TYPE_WARNING,
                     L"Ulvo::createRenderPassFromXml: RENDERPASS \"" + node->getAttributeValue(L"NAME") +
                         L"\" of TYPE " + node->getAttributeValue(L"TYPE") +
                         L" is not drawn by this build and is left out\n");
    return nullptr;
}

} // namespace

void registerRenderPassKinds(RenderPassKinds& kinds)
{
    for (const wchar_t* type :
         {L"SHADOW", L"SHADOW_MAP", L"WATER", L"REFLECTION", L"DEPTH_LINEAR", L"CUBE_MAP", L"TO_TEXTURE"})
        kinds.add(type, &leaveOut);
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
