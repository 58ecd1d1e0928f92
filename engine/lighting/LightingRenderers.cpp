#include "lighting/LightingRenderers.h"

#include "lighting/deferred/DeferredRenderer.h"
#include "lighting/hdr/HDRRenderer.h"
#include "lighting/posteffects/PostEffectRenderer.h"
#include "render/manager/RenderManager.h"

namespace Ulvo {

DeferredRenderer* attachLightingRenderers(RenderManager& renderManager, const double* gameFrameTime)
{
    auto* deferred = new DeferredRenderer(renderManager);
    auto* hdr = new HDRRenderer(renderManager);
    hdr->setFrameTimeSource(gameFrameTime);
    auto* postEffects = new PostEffectRenderer(renderManager, deferred);
    renderManager.setRenderers(deferred, hdr, postEffects);
    return renderManager.getDeferredRenderer() == deferred ? deferred : nullptr;
}

} // namespace Ulvo
