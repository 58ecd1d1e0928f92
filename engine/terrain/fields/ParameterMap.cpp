#include "terrain/fields/ParameterMap.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/TextureManager.h"

#include <bit>
#include <vector>

namespace Ulvo {

class ParameterMap::LockedTexture {
public:
    // Takes over one reference of an already locked texture.
    explicit LockedTexture(Texture2D* texture) : m_texture(texture) {}
    ~LockedTexture()
    {
        m_texture->unlock(0);
        m_texture->Release();
    }
    LockedTexture(const LockedTexture&) = delete;
    LockedTexture& operator=(const LockedTexture&) = delete;

    Texture2D* get() const { return m_texture; }

private:
    Texture2D* m_texture;
};

namespace {

unsigned channelBit(const std::wstring& letter)
{
    if (letter == L"A")
        return ParameterMap::CHANNEL_A;
    if (letter == L"R")
        return ParameterMap::CHANNEL_R;
    if (letter == L"G")
        return ParameterMap::CHANNEL_G;
    if (letter == L"B")
        return ParameterMap::CHANNEL_B;
    return 0;
}

} // namespace

ParameterMap::ParameterMap(XMLNode* node) : Parameter(node)
{
    if (!node)
        return;
    TextureManager textures;
    if (XMLNode* list = node->getNode(L"TEXTUREN"))
        textures.load(list, TextureLoadOptions());

    std::vector<std::wstring> letters;
    if (node->readWords(L"CHANNEL", letters)) {
        unsigned mask = 0;
        for (const std::wstring& letter : letters)
            mask |= channelBit(letter);
        setChannels(mask);
    }
    if (XMLNode* channels = node->getNode(L"CHANNEL")) {
        unsigned mask = 0;
        for (XMLProperty* property : channels->getProperties())
            mask |= channelBit(property->getValue());
        setChannels(mask);
    }
    if (m_count == 0)
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::ParameterMap: CHANNEL waehlt keinen Kanal, der Wert ist 0");

    const std::wstring interpolation = node->getAttributeValue(L"INTERPOLATION");
    if (interpolation == L"POINT")
        m_interpolation = 0;
    else if (interpolation == L"LINEAR")
        m_interpolation = 1;
    else if (interpolation == L"CATMULL")
        m_interpolation = 2;
    node->readFloat(L"VEC_OFFSET", m_offset);
    node->readFloat(L"VEC_FAKTOR", m_factor);

    std::wstring name;
    if (!node->readString(L"TEXTUR", name)) {
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::ParameterMap: keine TEXTUR, der Wert ist 0");
        return;
    }
    if (Texture2D* texture = textures.getTexture2D(name)) {
        texture->AddRef();
        take(texture);
    }
}

ParameterMap::ParameterMap(const std::wstring& fileName)
{
    auto* texture = new Texture2D();
    if (!texture->createFromFileName(fileName, TextureLoadOptions(), TextureFileInfo2D())) {
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::ParameterMap: ", fileName, L" nicht geladen, der Wert ist 0");
        texture->Release();
        return;
    }
    take(texture);
}

void ParameterMap::take(Texture2D* texture)
{
    D3DLOCKED_RECT locked{0, nullptr};
    if (!texture->lock(0, &locked, texture->getRect(), D3DLOCK_READONLY)) {
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::ParameterMap: ", texture->getName(),
                         L" nicht lesbar, der Wert ist 0");
        texture->Release();
        return;
    }
    m_texture = std::make_shared<LockedTexture>(texture);
}

const Texture2D* ParameterMap::getTexture() const
{
    return m_texture ? m_texture->get() : nullptr;
}

void ParameterMap::setChannels(unsigned mask)
{
    m_channels = mask;
    // Distinct bits: a letter named twice counts once.
    m_count = static_cast<unsigned>(std::popcount(mask & 15u));
}

bool ParameterMap::sample(D3DXVECTOR4& texel, const D3DXVECTOR2& position) const
{
    return m_texture && m_texture->get()->sample(texel, position, m_interpolation);
}

float ParameterMap::getValue(const D3DXVECTOR2& position) const
{
    D3DXVECTOR4 texel;
    if (!sample(texel, position) || m_count == 0)
        return invert(0.0f);
    // texel is (red, green, blue, alpha).
    float sum = 0.0f;
    if (m_channels & CHANNEL_A)
        sum += texel.w;
    if (m_channels & CHANNEL_R)
        sum += texel.x;
    if (m_channels & CHANNEL_G)
        sum += texel.y;
    if (m_channels & CHANNEL_B)
        sum += texel.z;
    return invert(sum / static_cast<float>(m_count));
}

D3DXVECTOR4* ParameterMap::getVector(D3DXVECTOR4* out, const D3DXVECTOR2& position) const
{
    D3DXVECTOR4 texel;
    if (!sample(texel, position)) {
        const float value = invert(0.0f);
        *out = D3DXVECTOR4(value, value, value, value);
        return out;
    }
    invert(&texel);
    *out = D3DXVECTOR4(m_offset + m_factor * texel.x, m_offset + m_factor * texel.y, m_offset + m_factor * texel.z,
                       m_offset + m_factor * texel.w);
    return out;
}

} // namespace Ulvo
