#include "graphics/textures/Texture3D.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"

#include <d3dx9tex.h>

#include <string>

namespace Ulvo {

namespace {

FileLogger& textureLog()
{
    return moduleLogger(LogModule::Texture3D);
}

HRESULT createVolumeFromMemory(IDirect3DDevice9* device, const unsigned char* bytes, uint32_t size,
                               TextureFileInfo3D& info, IDirect3DVolumeTexture9** texture)
{
    return D3DXCreateVolumeTextureFromFileInMemoryEx(
        device, bytes, size, info.Width, info.Height, info.Depth, info.MipLevels, info.Usage, info.Format, info.Pool,
        info.Filter, info.MipFilter, info.ColorKey, &info.imageInfo, info.palette, texture);
}

} // namespace

Texture3D::Texture3D() = default;

Texture3D::Texture3D(const Texture3D& other)
    : BaseTexture(other)
    , m_width(other.m_width)
    , m_height(other.m_height)
    , m_depth(other.m_depth)
    , m_texture(other.m_texture)
    , m_fileInfo(other.m_fileInfo)
{
    if (m_texture)
        m_texture->AddRef();
}

Texture3D::~Texture3D()
{
    releaseDirect3D();
}

Texture3D* Texture3D::clone(IDirect3DBaseTexture9* replacement) const
{
    return cloneHolding(*this, &Texture3D::m_texture, D3DRTYPE_VOLUMETEXTURE, replacement);
}

void Texture3D::releaseDirect3D()
{
    releaseAndNull(m_texture);
}

void Texture3D::rebuild()
{
    switch (m_creationKind) {
    case CREATION_NODE: {
        XMLNode node(m_creationNode);
        createFromNode(&node);
        break;
    }
    case CREATION_PARAMS: {
        const TextureFileInfo3D info = m_fileInfo;
        create(info.Width, info.Height, info.Depth, info.MipLevels, info.Usage, info.Format, info.Pool);
        break;
    }
    case CREATION_FILE: {
        const std::wstring fileName = m_fileName;
        createFromFileName(fileName);
        break;
    }
    default:
        break;
    }
}

bool Texture3D::create(UINT width, UINT height, UINT depth, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool)
{
    clearForCreation();
    m_fileInfo.Width = width;
    m_fileInfo.Height = height;
    m_fileInfo.Depth = depth;
    m_fileInfo.MipLevels = mipLevels;
    m_fileInfo.Usage = usage;
    m_fileInfo.Format = format;
    m_fileInfo.Pool = pool;
    if (usage & D3DUSAGE_AUTOGENMIPMAP) {
        width = raiseToPowerOfTwo(width);
        height = raiseToPowerOfTwo(height);
        depth = raiseToPowerOfTwo(depth);
    }
    IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice();
    IDirect3DVolumeTexture9* texture = nullptr;
    if (!device ||
        FAILED(D3DXCreateVolumeTexture(device, width, height, depth, mipLevels, usage, format, pool, &texture)) ||
        !texture)
        return false;
    m_texture = texture;
    m_loaded = true;
    updateRegistration(pool, CREATION_PARAMS);
    m_width = width;
    m_height = height;
    m_depth = depth;
    m_fileInfo.Width = width;
    m_fileInfo.Height = height;
    m_fileInfo.Depth = depth;
    m_fileInfo.imageInfo.Width = width;
    m_fileInfo.imageInfo.Height = height;
    m_fileInfo.imageInfo.Depth = depth;
    m_fileInfo.imageInfo.Format = format;
    m_fileInfo.imageInfo.ResourceType = D3DRTYPE_VOLUMETEXTURE;
    return true;
}

bool Texture3D::createFromFileName(const std::wstring& fileName)
{
    static const wchar_t* const function = L"Ulvo::Texture3D::createFromFileName";
    FileLogger& log = textureLog();
    log.log(0, LOG_TYPE_INFO, function, L"\n");
    LogIndent<FileLogger> indent(log);

    const std::wstring name = fileName;
    clearForCreation();
    m_fileInfo = TextureFileInfo3D();

    FileData data;
    if (!readNamedFile(name, data, log, function))
        return false;
    // The file's own format.
    m_fileInfo.Format = D3DFMT_UNKNOWN;
    if (!loadFromMemory(data, function))
        return false;
    finishLoad(m_fileInfo.Pool, CREATION_FILE, nullptr, log, function);
    return true;
}

bool Texture3D::createFromNode(XMLNode* node)
{
    static const wchar_t* const function = L"Ulvo::Texture3D::createFromNode";
    FileLogger& log = textureLog();
    log.log(0, LOG_TYPE_INFO, function, L"\n");
    LogIndent<FileLogger> indent(log);

    clearForCreation();
    if (!node)
        return false;
    loadNodeSettings(node);
    if (XMLNode* info = node->getNode(L"FILE_INFO"))
        m_fileInfo = TextureFileInfo3D::load(info);
    XMLNode* fileNode = node->getNode(L"FILE");
    if (!fileNode)
        return false;
    FileData data;
    if (!readNodeFile(fileNode, data, log, function) || !loadFromMemory(data, function))
        return false;
    finishLoad(m_fileInfo.Pool, CREATION_NODE, node, log, function);
    return true;
}

bool Texture3D::loadFromMemory(const FileData& data, const wchar_t* function)
{
    IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice();
    IDirect3DVolumeTexture9* texture = nullptr;
    if (!device || FAILED(createVolumeFromMemory(device, data.bytes, data.size, m_fileInfo, &texture)) || !texture) {
        textureLog().log(100, LOG_TYPE_ERROR, function, L" couldn't create Texture: ", getName(), L"!\n");
        return false;
    }
    m_texture = texture;
    m_loaded = true;
    m_width = m_fileInfo.Width = m_fileInfo.imageInfo.Width;
    m_height = m_fileInfo.Height = m_fileInfo.imageInfo.Height;
    m_depth = m_fileInfo.Depth = m_fileInfo.imageInfo.Depth;
    m_fileInfo.Format = m_fileInfo.imageInfo.Format;
    return true;
}

} // namespace Ulvo
