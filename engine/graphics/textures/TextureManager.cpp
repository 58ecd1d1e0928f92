#include "graphics/textures/TextureManager.h"

#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/Texture3D.h"
#include "graphics/textures/TextureCube.h"

namespace Ulvo {

namespace {

FileLogger& managerLog()
{
    return moduleLogger(LogModule::TextureManager);
}

void logNotFound(const wchar_t* function, const wchar_t* lead, const std::wstring& name)
{
    if (TextureManager::quietSwitch() || logSwitch() <= 0)
        return;
    managerLog().log(50, LOG_TYPE_ERROR, function, lead, L"\"", name, L"\"", L" nicht gefunden\n");
}

std::wstring nameOf(XMLNode* entry)
{
    return entry->getAttributeValue(L"NAME");
}

} // namespace

bool& TextureManager::quietSwitch()
{
    static bool quiet = false;
    return quiet;
}

TextureManager::~TextureManager()
{
    clear();
}

void TextureManager::clear()
{
    releaseAndClear(m_textures2D);
    releaseAndClear(m_textures3D);
    releaseAndClear(m_texturesCube);
}

bool TextureManager::add(BaseTexture* texture, bool adopt)
{
    if (!texture)
        return false;
    if (auto* texture2D = dynamic_cast<Texture2D*>(texture))
        m_textures2D.push_back(texture2D);
    else if (auto* texture3D = dynamic_cast<Texture3D*>(texture))
        m_textures3D.push_back(texture3D);
    else if (auto* textureCube = dynamic_cast<TextureCube*>(texture))
        m_texturesCube.push_back(textureCube);
    else
        return false;
    if (!adopt)
        texture->AddRef();
    return true;
}

BaseTexture* TextureManager::getBaseTexture(const std::wstring& name) const
{
    if (Texture2D* texture = findNamedObject(m_textures2D, name))
        return texture;
    if (Texture3D* texture = findNamedObject(m_textures3D, name))
        return texture;
    if (TextureCube* texture = findNamedObject(m_texturesCube, name))
        return texture;
    logNotFound(L"Ulvo::TextureManager::getBaseTexture", L" BaseTexture ", name);
    return nullptr;
}

bool TextureManager::findTexture2D(const std::wstring& name, Texture2D*& texture) const
{
    texture = findNamedObject(m_textures2D, name);
    if (texture)
        return true;
    logNotFound(L"Ulvo::TextureManager::findTexture2D", L" 2DTexture ", name);
    return false;
}

Texture2D* TextureManager::getTexture2D(const std::wstring& name) const
{
    if (Texture2D* texture = findNamedObject(m_textures2D, name))
        return texture;
    logNotFound(L"Ulvo::TextureManager::getTexture2D", L" 2DTexture ", name);
    return nullptr;
}

bool TextureManager::findTexture3D(const std::wstring& name, Texture3D*& texture) const
{
    texture = findNamedObject(m_textures3D, name);
    if (texture)
        return true;
    logNotFound(L"Ulvo::TextureManager::findTexture3D", L" 3DTexture ", name);
    return false;
}

bool TextureManager::findTextureCube(const std::wstring& name, TextureCube*& texture) const
{
    texture = findNamedObject(m_texturesCube, name);
    if (texture)
        return true;
    logNotFound(L"Ulvo::TextureManager::findTextureCube", L" CubeTexture ", name);
    return false;
}

TextureCube* TextureManager::getTextureCube(const std::wstring& name) const
{
    if (TextureCube* texture = findNamedObject(m_texturesCube, name))
        return texture;
    logNotFound(L"Ulvo::TextureManager::getTextureCube", L" CubeTexture ", name);
    return nullptr;
}

Texture2D* TextureManager::getTexture2DFromFile(const std::wstring& fileName, bool create)
{
    for (Texture2D* texture : m_textures2D) {
        if (texture && texture->getFileName() == fileName)
            return texture;
    }
    if (!create)
        return nullptr;

    auto* texture = new Texture2D();
    if (!texture->createFromFileName(fileName, TextureLoadOptions(), TextureFileInfo2D())) {
        texture->Release();
        return nullptr;
    }
    add(texture, true);
    return texture;
}

void TextureManager::load(XMLNode* list, const TextureLoadOptions& options)
{
    static const wchar_t* const kFunction = L"Ulvo::TextureManager::load";
    quietSwitch() = true;
    FileLogger& log = managerLog();
    log.log(25, LOG_TYPE_INFO, kFunction, L" Start!\n");
    log.incIndent();

    if (list) {
        for (XMLNode* entry : list->getNodes()) {
            if (entry && entry->getName() == L"TEXTUR2D")
                loadTexture2D(entry, options);
        }
        for (XMLNode* entry : list->getNodes()) {
            if (!entry || entry->getName() != L"TEXTUR3D")
                continue;
            Texture3D* present = nullptr;
            if (findTexture3D(nameOf(entry), present))
                continue;
            auto* texture = new Texture3D();
            if (texture->createFromNode(entry))
                add(texture, false);
            texture->Release();
        }
        for (XMLNode* entry : list->getNodes()) {
            if (!entry || entry->getName() != L"TEXTURCUBE")
                continue;
            TextureCube* present = nullptr;
            if (findTextureCube(nameOf(entry), present))
                continue;
            auto* texture = new TextureCube();
            if (texture->createFromNode(entry))
                add(texture, false);
            texture->Release();
        }
    }

    log.decIndent();
    log.log(25, LOG_TYPE_INFO, kFunction, L" End!\n");
    quietSwitch() = true;
}

void TextureManager::loadTexture2D(XMLNode* entry, const TextureLoadOptions& options)
{
    Texture2D* present = nullptr;
    if (findTexture2D(nameOf(entry), present))
        return;

    auto* texture = new Texture2D();
    if (texture->createFromNode(entry, options)) {
        add(texture, false);
        for (XMLNode* partNode : entry->getNodes()) {
            if (!partNode || partNode->getName() != L"TEX_PART")
                continue;
            Texture2D* presentPart = nullptr;
            if (findTexture2D(nameOf(partNode), presentPart))
                continue;
            auto* part = new Texture2D();
            if (part->createPartFromTexture(partNode, texture))
                add(part, false);
            part->Release();
        }
    }
    texture->Release();
}

} // namespace Ulvo
