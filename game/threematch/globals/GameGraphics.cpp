#include "threematch/globals/GameGraphics.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/files/File.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/sprites/SpritePair.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/TextureLoadOptions.h"
#include "graphics/textures/TextureManager.h"

namespace ThreeMatch {

Ulvo::TextureManager* gameTextures()
{
    return Ulvo::D3DInterface::getInstance()->getTextureManager();
}

Ulvo::Texture2D* findGameTexture(const std::wstring& name)
{
    Ulvo::TextureManager* manager = gameTextures();
    Ulvo::Texture2D* texture = nullptr;
    return manager && !name.empty() && manager->findTexture2D(name, texture) ? texture : nullptr;
}

Ulvo::Texture2D* gameTextureFromFile(const std::wstring& fileName)
{
    Ulvo::TextureManager* manager = gameTextures();
    return manager && !fileName.empty() ? manager->getTexture2DFromFile(fileName) : nullptr;
}

Ulvo::Texture2D* readGameTextureFile(const Ulvo::XMLNode& node, const std::wstring& key)
{
    std::wstring fileName;
    return node.readString(key, fileName) ? gameTextureFromFile(fileName) : nullptr;
}

namespace {

thread_local TextureListsReadOnce* t_readOnce = nullptr;

} // namespace

TextureListsReadOnce::TextureListsReadOnce() : m_outer(t_readOnce)
{
    t_readOnce = this;
}

TextureListsReadOnce::~TextureListsReadOnce()
{
    t_readOnce = m_outer;
}

TextureListsReadOnce* TextureListsReadOnce::current()
{
    return t_readOnce;
}

bool loadGameTextureList(const std::wstring& fileName)
{
    Ulvo::TextureManager* manager = gameTextures();
    TextureListsReadOnce* once = TextureListsReadOnce::current();
    if (manager && once && once->wasRead(fileName))
        return true;
    Ulvo::XMLNode list;
    // Lists are named by data files, which must not lead out of the data.
    if (!manager || !Ulvo::File::checkDataReference(fileName) || !Ulvo::XMLNode::load(&list, fileName, 0))
        return false;
    manager->load(&list, Ulvo::TextureLoadOptions());
    if (once)
        once->markRead(fileName);
    return true;
}

Ulvo::D3DXSprite* gameSprite()
{
    Ulvo::SpritePair* sprites = Ulvo::D3DInterface::getInstance()->getSprite();
    return sprites ? &sprites->first : nullptr;
}

} // namespace ThreeMatch
