// Reads arbitrary bytes as a render configuration into a render manager with the lighting
// renderers (no device, so no target is made) and works every post effect and mapping it defines:
// writes and reads through each mapping, activation and deactivation around skip levels and
// switches. Whatever the file says, a parameter number stays inside its arrays, and once every
// effect is deactivated no extra-pass target is left counted.
#include "FuzzText.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "lighting/LightingRenderers.h"
#include "lighting/posteffects/PostEffect.h"
#include "lighting/posteffects/PostEffectRenderer.h"
#include "render/manager/RenderManager.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    Ulvo::XMLNode root;
    Ulvo::XMLNode::load(&root, fuzzText(data, size), 1);

    Ulvo::RenderManager manager;
    if (!Ulvo::attachLightingRenderers(manager))
        std::abort();
    manager.load(&root);
    for (const Ulvo::MappedParameterInfo& info : manager.getMappedParameters()) {
        float value = 0.0f;
        D3DXVECTOR4 vector(0, 0, 0, 0);
        manager.setPostEffectParamFloat(info.mapping, 0.5f);
        manager.setPostEffectParamVector(info.mapping, D3DXVECTOR4(1, 2, 3, 4));
        manager.getPostEffectParamFloat(info.mapping, value);
        manager.getPostEffectParamVector(info.mapping, vector);
    }
    std::vector<Ulvo::RenderPostEffect*> effects = manager.getPostEffects();
    for (Ulvo::RenderPostEffect* effect : effects) {
        manager.activatePostEffect(effect);
        std::vector<Ulvo::PostEffectStringMapping> records;
        effect->getStringMappings(records);
        for (const Ulvo::PostEffectStringMapping& record : records) {
            effect->setParamFloat(record.mapping, 2.0f);
            effect->getParamFloat(record.mapping);
            effect->getParamVector(record.mapping);
        }
    }
    for (uint32_t level : {3u, 0u, 7u})
        manager.setSkipPostEffects(level);
    for (Ulvo::RenderPostEffect* effect : effects) {
        if (auto* post = dynamic_cast<Ulvo::PostEffect*>(effect)) {
            post->setEnabled(!post->isEnabled());
            post->setSkipPriority(post->getSkipPriority() ^ 1u);
        }
    }
    manager.onDeferredRenderingChanged(true);
    for (Ulvo::RenderPostEffect* effect : effects)
        manager.deactivatePostEffect(effect);
    // Effects nested in combinations were activated and deactivated through them.
    const auto& targets = static_cast<Ulvo::PostEffectRenderer*>(manager.getPostEffectRenderer())->getExtraTargets();
    if (!targets.empty())
        std::abort();
    return 0;
}
