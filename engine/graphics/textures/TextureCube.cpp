#include "graphics/textures/TextureCube.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"

#include <d3dx9tex.h>

#include <string>

namespace Ulvo {

namespace {

FileLogger& textureLog()
{
    return moduleLogger(LogModule::TextureCube);
}

HRESULT createCubeFromMemory(IDirect3DDevice9* device, const unsigned char* bytes, uint32_t size,
                             TextureFileInfoCube& info, IDirect3DCubeTexture9** texture)
{
    return D3DXCreateCubeTextureFromFileInMemoryEx(device, bytes, size, info.Size, info.MipLevels, info.Usage,
                                                   info.Format, info.Pool, info.Filter, info.MipFilter, info.ColorKey,
                                                   &info.imageInfo, info.palette, texture);
}

} // namespace

TextureCube::TextureCube() = default;

TextureCube::TextureCube(const TextureCube& other)
    : BaseTexture(other), m_texture(other.m_texture), m_fileInfo(other.m_fileInfo)
{
    if (m_texture)
        m_texture->AddRef();
}

TextureCube::~TextureCube()
{
    releaseDirect3D();
}

TextureCube* TextureCube::clone(IDirect3DBaseTexture9* replacement) const
{
    return cloneHolding(*this, &TextureCube::m_texture, D3DRTYPE_CUBETEXTURE, replacement);
}

void TextureCube::releaseDirect3D()
{
    releaseAndNull(m_texture);
}

void TextureCube::rebuild()
{
    switch (m_creationKind) {
    case CREATION_NODE: {
        XMLNode node(m_creationNode);
        createFromNode(&node);
        break;
    }
    case CREATION_PARAMS: {
        const TextureFileInfoCube info = m_fileInfo;
        create(info.Size, info.MipLevels, info.Usage, info.Format, info.Pool);
        break;
    }
    default:
        break;
    }
}

bool TextureCube::create(UINT size, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool)
{
    clearForCreation();
    m_fileInfo.Size = size;
    m_fileInfo.MipLevels = mipLevels;
    m_fileInfo.Usage = usage;
    m_fileInfo.Format = format;
    m_fileInfo.Pool = pool;
    if (usage & D3DUSAGE_AUTOGENMIPMAP)
        size = raiseToPowerOfTwo(size);
    IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice();
    IDirect3DCubeTexture9* texture = nullptr;
    if (!device || FAILED(D3DXCreateCubeTexture(device, size, mipLevels, usage, format, pool, &texture)) || !texture)
        return false;
    m_texture = texture;
    m_loaded = true;
    updateRegistration(pool, CREATION_PARAMS);
    m_fileInfo.imageInfo.Width = size;
    m_fileInfo.imageInfo.Height = size;
    m_fileInfo.imageInfo.Depth = size;
    m_fileInfo.imageInfo.MipLevels = mipLevels;
    m_fileInfo.imageInfo.Format = format;
    m_fileInfo.imageInfo.ResourceType = D3DRTYPE_CUBETEXTURE;
    return true;
}

bool TextureCube::createFromNode(XMLNode* node)
{
    static const wchar_t* const function = L"Ulvo::TextureCube::createFromNode";
    FileLogger& log = textureLog();
    log.log(0, LOG_TYPE_INFO, function, L"\n");
    LogIndent<FileLogger> indent(log);

    clearForCreation();
    if (!node)
        return false;
    loadNodeSettings(node);
    if (XMLNode* info = node->getNode(L"FILE_INFO"))
        m_fileInfo = TextureFileInfoCube::load(info);
    XMLNode* fileNode = node->getNode(L"FILE");
    if (!fileNode)
        return false;
    FileData data;
    if (!readNodeFile(fileNode, data, log, function))
        return false;
    IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice();
    IDirect3DCubeTexture9* texture = nullptr;
    if (!device || FAILED(createCubeFromMemory(device, data.bytes, data.size, m_fileInfo, &texture)) || !texture) {
        log.log(100, LOG_TYPE_ERROR, function, L" couldn't create CubeTexture: ", getName(), L"!\n");
        return false;
    }
    m_texture = texture;
    m_loaded = true;
    finishLoad(m_fileInfo.Pool, CREATION_NODE, node, log, function);
    return true;
}

} // namespace Ulvo
