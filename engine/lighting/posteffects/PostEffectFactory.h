#pragma once
// The post-effect kinds by TYPE word. Each post-effect renderer owns a registry filled by
// registerPostEffectKinds when it is made; an absent or unknown TYPE is a plain post effect.
#include "foundation/objects/KindRegistry.h"

namespace Ulvo {

class DeferredRenderer;
class PostEffect;
class PostEffectRenderer;
class XMLNode;

// A new effect from its POSTEFFECT node, one reference for the caller; null when it cannot be made.
using PostEffectCreator = PostEffect* (*)(XMLNode& node, PostEffectRenderer* renderer,
                                          DeferredRenderer* deferredRenderer);
using PostEffectKinds = KindRegistry<PostEffectCreator>;

// DOF_COMBINE, COMBINATION, MASK, MOTION_BLUR, WEATHER and GODRAYS (exact words).
void registerPostEffectKinds(PostEffectKinds& kinds);

// Through the renderer's kinds (the built-in ones without a renderer); any other TYPE, or none, a
// plain post effect. One reference for the caller.
PostEffect* createPostEffectFromXml(XMLNode& node, PostEffectRenderer* renderer, DeferredRenderer* deferredRenderer);

} // namespace Ulvo
