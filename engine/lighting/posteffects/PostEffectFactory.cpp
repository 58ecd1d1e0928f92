#include "lighting/posteffects/PostEffectFactory.h"

#include "foundation/xml/XMLNode.h"
#include "lighting/posteffects/PE_Combiniation.h"
#include "lighting/posteffects/PE_DOFCombine.h"
#include "lighting/posteffects/PE_Godrays.h"
#include "lighting/posteffects/PE_Mask.h"
#include "lighting/posteffects/PE_MotionBlur.h"
#include "lighting/posteffects/PE_Weather.h"
#include "lighting/posteffects/PostEffectRenderer.h"

#include <new>

namespace Ulvo {

namespace {

template <class Kind>
PostEffect* create(XMLNode& node, PostEffectRenderer* renderer, DeferredRenderer* deferredRenderer)
{
    return new (std::nothrow) Kind(node, renderer, deferredRenderer);
}

} // namespace

void registerPostEffectKinds(PostEffectKinds& kinds)
{
    kinds.add(L"DOF_COMBINE", &create<PE_DOFCombine>);
    kinds.add(L"COMBINATION", &create<PE_Combiniation>);
    kinds.add(L"MASK", &create<PE_Mask>);
    kinds.add(L"MOTION_BLUR", &create<PE_MotionBlur>);
    kinds.add(L"WEATHER", &create<PE_Weather>);
    kinds.add(L"GODRAYS", &create<PE_Godrays>);
}

PostEffect* createPostEffectFromXml(XMLNode& node, PostEffectRenderer* renderer, DeferredRenderer* deferredRenderer)
{
    const PostEffectKinds& kinds =
        renderer ? renderer->getPostEffectKinds() : registeredKinds<PostEffectCreator, &registerPostEffectKinds>();
    if (PostEffectCreator creator = kinds.find(node.getAttributeValue(L"TYPE")))
        return creator(node, renderer, deferredRenderer);
    return create<PostEffect>(node, renderer, deferredRenderer);
}

} // namespace Ulvo
