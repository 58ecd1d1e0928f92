#pragma once
// Named 2D, volume and cube textures in three lists, filled from texture lists
// (".tex" files and list nodes embedded in other files) and found by name.
// A plain value: the device interface owns the global one, and fonts, the GUI,
// post effects, terrain parameters and the texture-animation manager keep
// private ones.
#include "graphics/textures/TextureLoadOptions.h"

#include <string>
#include <vector>

namespace Ulvo {

class BaseTexture;
class Texture2D;
class Texture3D;
class TextureCube;
class XMLNode;

class TextureManager {
public:
    TextureManager() = default;
    ~TextureManager();
    TextureManager(const TextureManager&) = delete;
    TextureManager& operator=(const TextureManager&) = delete;

    // Releases every texture (2D, then volume, then cube) and empties the lists.
    void clear();

    // Appends the texture to the list of its class. adopt false: the manager
    // takes a reference of its own; true: it takes over the caller's. No
    // duplicate check. False for null or a texture of another class.
    bool add(BaseTexture* texture, bool adopt);

    // Lookups compare names exactly and return the first match without adding
    // a reference. A miss is logged unless the quiet switch is on.
    BaseTexture* getBaseTexture(const std::wstring& name) const;
    bool findTexture2D(const std::wstring& name, Texture2D*& texture) const;
    Texture2D* getTexture2D(const std::wstring& name) const;
    bool findTexture3D(const std::wstring& name, Texture3D*& texture) const;
    bool findTextureCube(const std::wstring& name, TextureCube*& texture) const;
    TextureCube* getTextureCube(const std::wstring& name) const;

    // The 2D texture made from this file (matched on its file name, not its
    // name); with create, a texture is loaded from the file when none is and
    // kept here. Null when there is none or the load failed.
    Texture2D* getTexture2DFromFile(const std::wstring& fileName, bool create = true);

    // Every TEXTUR2D (with its TEX_PART children), TEXTUR3D and TEXTURCUBE
    // entry of list, in that order. An entry whose name its list already holds
    // is skipped whole, so a list loaded twice adds nothing the second time.
    // A null list loads nothing.
    void load(XMLNode* list, const TextureLoadOptions& options = TextureLoadOptions());

    const std::vector<Texture2D*>& getTextures2D() const { return m_textures2D; }
    const std::vector<TextureCube*>& getTexturesCube() const { return m_texturesCube; }
    const std::vector<Texture3D*>& getTextures3D() const { return m_textures3D; }

    // Process-wide: while on, failed lookups log nothing. Every load turns it
    // on, and nothing turns it off again.
    static bool& quietSwitch();

private:
    void loadTexture2D(XMLNode* entry, const TextureLoadOptions& options);

    std::vector<Texture2D*> m_textures2D;
    std::vector<TextureCube*> m_texturesCube;
    std::vector<Texture3D*> m_textures3D;
};

} // namespace Ulvo
