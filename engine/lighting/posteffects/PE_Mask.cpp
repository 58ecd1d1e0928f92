#include "lighting/posteffects/PE_Mask.h"

#include "foundation/xml/XMLNode.h"

namespace Ulvo {

namespace {

int sourceFromWord(const std::wstring& word)
{
    if (word == L"COLOR")
        return PE_Mask::SOURCE_COLOR;
    if (word == L"EXTRA")
        return PE_Mask::SOURCE_EXTRA;
    if (word == L"ORIGINAL")
        return PE_Mask::SOURCE_ORIGINAL;
    if (word == L"ACTUAL")
        return PE_Mask::SOURCE_ACTUAL;
    return -1;
}

float flag(bool on)
{
    return on ? 1.0f : 0.0f;
}

} // namespace

PE_Mask::PE_Mask(XMLNode& node, PostEffectRenderer* renderer, DeferredRenderer* deferredRenderer)
    : PostEffect(node, renderer, deferredRenderer)
{
    m_vec4Params[4] = D3DXVECTOR4(-1.0f, -1.0f, -1.0f, -1.0f);
    XMLNode* params = node.getNode(L"MASK_PARAMS");
    if (!params)
        return;
    const wchar_t* colours[3] = {L"SRC_COLOR", L"DST_COLOR", L"MASK_COLOR"};
    for (int i = 0; i < 3; ++i) {
        D3DXCOLOR colour;
        if (params->readColour(colours[i], colour))
            m_vec4Params[i] = D3DXVECTOR4(colour.r, colour.g, colour.b, colour.a);
    }
    params->readFloat(L"SRC_ALPHA_OVERWRITE", m_vec4Params[4].x);
    params->readFloat(L"DST_ALPHA_OVERWRITE", m_vec4Params[4].y);
    params->readFloat(L"MASK_ALPHA_OVERWRITE", m_vec4Params[4].z);
    bool onlyMaskAlpha = false;
    if (params->readBool(L"USE_ONLY_MASK_ALPHA", onlyMaskAlpha))
        m_vec4Params[4].w = onlyMaskAlpha ? -1.0f : 1.0f;
    const wchar_t* inputs[3] = {L"SRC", L"DST", L"MASK"};
    for (int i = 0; i < 3; ++i) {
        const int source = sourceFromWord(params->getAttributeValue(inputs[i]));
        if (source >= 0) {
            m_sources[i] = source;
            m_floatParams[i] = static_cast<float>(source);
        }
    }
    std::vector<std::wstring> modifiers;
    params->readWords(L"MODIFIERS", modifiers);
    for (const std::wstring& word : modifiers) {
        if (word == L"INV_SRC")
            m_invSrc = true;
        else if (word == L"INV_DST")
            m_invDst = true;
        else if (word == L"INV_MASK")
            m_invMask = true;
        else if (word == L"SWAP")
            m_swap = true;
        else if (word == L"SRC")
            m_invSrc = false;
        else if (word == L"DST")
            m_invDst = false;
        else if (word == L"MASK")
            m_invMask = false;
        else if (word == L"ALPHABLEND")
            m_alphaBlend = true;
        else if (word == L"NO_ALPHABLEND")
            m_alphaBlend = false;
        else
            continue;
        mirrorFlags();
    }
}

void PE_Mask::mirrorFlags()
{
    m_vec4Params[3] = D3DXVECTOR4(flag(m_invSrc), flag(m_invDst), flag(m_invMask), flag(m_swap));
    m_floatParams[3] = flag(m_alphaBlend);
}

} // namespace Ulvo
