#pragma once
// The global texture manager and sprite drawer as the game's data and drawing reach them:
// null while no device interface has been given them (tools, fuzzing), so every lookup
// below then finds nothing and nothing is drawn.
#include <set>
#include <string>

namespace Ulvo {
class D3DXSprite;
class Texture2D;
class XMLNode;
class TextureManager;
} // namespace Ulvo

namespace ThreeMatch {

Ulvo::TextureManager* gameTextures();
// The 2D texture registered under name, or null.
Ulvo::Texture2D* findGameTexture(const std::wstring& name);
// The 2D texture of a picture file, loaded on first use; null when it cannot be made.
Ulvo::Texture2D* gameTextureFromFile(const std::wstring& fileName);
// The texture of the picture file a definition names under key; null without one.
Ulvo::Texture2D* readGameTextureFile(const Ulvo::XMLNode& node, const std::wstring& key);
// Loads a texture list file into the global manager; false when the file does not read.
bool loadGameTextureList(const std::wstring& fileName);

// While one lives on a thread, a texture list that thread read whole already is not read and
// parsed again (true at once): a file of stones names the same list for each of its twenty
// stones, and every texture of it is in the manager since the first read, which nothing in
// between takes out. A list that did not read is read again when named again.
class TextureListsReadOnce {
public:
    TextureListsReadOnce();
    ~TextureListsReadOnce();
    TextureListsReadOnce(const TextureListsReadOnce&) = delete;
    TextureListsReadOnce& operator=(const TextureListsReadOnce&) = delete;

    // The one living on this thread, or null.
    static TextureListsReadOnce* current();
    bool wasRead(const std::wstring& fileName) const { return m_read.count(fileName) != 0; }
    void markRead(const std::wstring& fileName) { m_read.insert(fileName); }

private:
    TextureListsReadOnce* m_outer;
    std::set<std::wstring> m_read;
};
// The sprite the GUI draws with; callers draw between its Begin and End.
Ulvo::D3DXSprite* gameSprite();

} // namespace ThreeMatch
