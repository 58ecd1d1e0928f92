#pragma once
// An extra texture a post effect binds to one of its shader's texture parameters (STATIC_TEXTURE):
// taken by name from a texture list of its own (TEXTUREN) or from the device's texture manager.
// It holds one reference on the texture.
#include <d3d9.h>

#include "foundation/objects/NamedObject.h"

#include <string>

namespace Ulvo {

class BaseTexture;
class XMLNode;

class StaticPostEffectTexture : public NamedObject {
public:
    // NAME, HANDLE (which also becomes the name when NAME is given), TEXTUREN and TEXTURE_NAME.
    explicit StaticPostEffectTexture(XMLNode& node);
    // The same handle and texture, with a reference of its own.
    StaticPostEffectTexture(const StaticPostEffectTexture& other);
    StaticPostEffectTexture& operator=(const StaticPostEffectTexture&) = delete;
    ~StaticPostEffectTexture() override;

    const std::string& getHandle() const { return m_handle; }
    BaseTexture* getTexture() const { return m_texture; }
    // What the shader parameter is bound to; null without a texture.
    IDirect3DBaseTexture9* getDirect3DTexture() const;

private:
    std::string m_handle = "g_Textur_EXTRA";
    BaseTexture* m_texture = nullptr;
};

} // namespace Ulvo
