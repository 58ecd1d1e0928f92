#include "lighting/posteffects/StaticPostEffectTexture.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/Release.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/BaseTexture.h"
#include "graphics/textures/TextureManager.h"

namespace Ulvo {

StaticPostEffectTexture::StaticPostEffectTexture(XMLNode& node) : NamedObject(&node)
{
    std::wstring handle;
    if (node.readString(L"HANDLE", handle)) {
        m_handle.clear();
        for (wchar_t c : handle)
            m_handle += c < 0x80 ? static_cast<char>(c) : '?';
        if (node.getAttribute(L"NAME"))
            rename(handle);
    }
    TextureManager own;
    if (XMLNode* list = node.getNode(L"TEXTUREN"))
        own.load(list);
    std::wstring textureName;
    if (!node.readString(L"TEXTURE_NAME", textureName))
        return;
    bool& quiet = TextureManager::quietSwitch();
    const bool wasQuiet = quiet;
    quiet = true;
    m_texture = own.getBaseTexture(textureName);
    quiet = wasQuiet;
    if (!m_texture) {
        if (TextureManager* shared = D3DInterface::getInstance()->getTextureManager())
            m_texture = shared->getBaseTexture(textureName);
    }
    if (m_texture)
        m_texture->AddRef();
}

StaticPostEffectTexture::StaticPostEffectTexture(const StaticPostEffectTexture& other)
    : NamedObject(other), m_handle(other.m_handle), m_texture(other.m_texture)
{
    if (m_texture)
        m_texture->AddRef();
}

StaticPostEffectTexture::~StaticPostEffectTexture()
{
    releaseAndNull(m_texture);
}

IDirect3DBaseTexture9* StaticPostEffectTexture::getDirect3DTexture() const
{
    return m_texture ? m_texture->getBaseTexture() : nullptr;
}

} // namespace Ulvo
