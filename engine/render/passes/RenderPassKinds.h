#pragma once
// The render-pass kinds by TYPE word. The render manager owns the registry and fills it with the
// render layer's kinds when it is made (registerRenderPassKinds); a layer above adds its own pass
// kinds to the manager's registry at start-up (getPassKinds().add). An absent or unknown TYPE is
// a plain RenderPass.
#include "foundation/objects/KindRegistry.h"

namespace Ulvo {

class RenderManager;
class RenderPass;
class XMLNode;

// A new pass from its RENDERPASS node, owned by the caller; null to leave the entry out.
using RenderPassCreator = RenderPass* (*)(XMLNode* node, RenderManager* renderManager);
using RenderPassKinds = KindRegistry<RenderPassCreator>;

// The render layer's pass kinds.
void registerRenderPassKinds(RenderPassKinds& kinds);

// A new pass for a RENDERPASS node by its TYPE, through the manager's kinds (the render layer's
// alone without a manager); a plain RenderPass for an absent or unknown TYPE.
RenderPass* createRenderPassFromXml(XMLNode* node, RenderManager* renderManager);

} // namespace Ulvo
