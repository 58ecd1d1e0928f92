#pragma once
// The post-effect factory: a POSTEFFECT node's TYPE chooses the kind.
namespace Ulvo {

class DeferredRenderer;
class PostEffect;
class PostEffectRenderer;
class XMLNode;

// DOF_COMBINE, COMBINATION, MASK, MOTION_BLUR, WEATHER and GODRAYS build their kinds (exact
// words); any other TYPE, or none, a plain post effect. One reference for the caller.
PostEffect* createPostEffectFromXml(XMLNode& node, PostEffectRenderer* renderer, DeferredRenderer* deferredRenderer);

} // namespace Ulvo
