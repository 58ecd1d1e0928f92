#include "lighting/posteffects/PostEffectFactory.h"

#include "foundation/xml/XMLNode.h"
#include "lighting/posteffects/PE_Combiniation.h"
#include "lighting/posteffects/PE_DOFCombine.h"
#include "lighting/posteffects/PE_Godrays.h"
#include "lighting/posteffects/PE_Mask.h"
#include "lighting/posteffects/PE_MotionBlur.h"
#include "lighting/posteffects/PE_Weather.h"

#include <new>

namespace Ulvo {

PostEffect* createPostEffectFromXml(XMLNode& node, PostEffectRenderer* renderer, DeferredRenderer* deferredRenderer)
{
    const std::wstring type = node.getAttributeValue(L"TYPE");
    if (type == L"DOF_COMBINE")
        return new (std::nothrow) PE_DOFCombine(node, renderer, deferredRenderer);
    if (type == L"COMBINATION")
        return new (std::nothrow) PE_Combiniation(node, renderer, deferredRenderer);
    if (type == L"MASK")
        return new (std::nothrow) PE_Mask(node, renderer, deferredRenderer);
    if (type == L"MOTION_BLUR")
        return new (std::nothrow) PE_MotionBlur(node, renderer, deferredRenderer);
    if (type == L"WEATHER")
        return new (std::nothrow) PE_Weather(node, renderer, deferredRenderer);
    if (type == L"GODRAYS")
        return new (std::nothrow) PE_Godrays(node, renderer, deferredRenderer);
    return new (std::nothrow) PostEffect(node, renderer, deferredRenderer);
}

} // namespace Ulvo
