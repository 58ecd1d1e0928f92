#pragma once
// The global texture manager and sprite drawer as the game's data and drawing reach them:
// null while no device interface has been given them (tools, fuzzing), so every lookup
// below then finds nothing and nothing is drawn.
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
// The sprite the GUI draws with; callers draw between its Begin and End.
Ulvo::D3DXSprite* gameSprite();

} // namespace ThreeMatch
