#include "graphics/textures/Texture2D.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "graphics/textures/TexelFormat.h"

#include <d3dx9math.h>
#include <d3dx9tex.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

namespace Ulvo {

namespace {

FileLogger& textureLog()
{
    return moduleLogger(LogModule::Texture2D);
}

IDirect3DDevice9* device()
{
    return D3DInterface::getInstance()->getDevice();
}

std::wstring rectText(const RECT& r)
{
    return L"(" + std::to_wstring(r.left) + L", " + std::to_wstring(r.top) + L", " + std::to_wstring(r.right) + L", " +
           std::to_wstring(r.bottom) + L")";
}

// Limits one edge by the global settings and the texture's own limits; the
// result never exceeds the file's edge.
uint32_t limitEdge(uint32_t e, const Texture2D::GlobalQuality& global, const TextureLoadOptions& limits)
{
    uint32_t s = e;
    if (global.useScale)
        s = static_cast<uint32_t>(std::max(0.0f, static_cast<float>(e) * global.scale));
    uint32_t lower = global.useMinimum ? global.minimum : 0;
    lower = limits.useMinimum ? std::max(lower, limits.minimum) : 0xFFFFFFFFu;
    lower = std::min(lower, e);
    uint32_t upper = global.useMaximum ? global.maximum : 0xFFFFFFFFu;
    upper = limits.useMaximum ? std::min(upper, limits.maximum) : 0xFFFFFFFFu;
    upper = std::min(upper, e);
    return std::max(std::min(s, upper), lower);
}

} // namespace

Texture2D::GlobalQuality& Texture2D::globalQuality()
{
    static GlobalQuality quality;
    return quality;
}

Texture2D::Texture2D() = default;

Texture2D::Texture2D(const Texture2D& other)
    : BaseTexture(other)
    , m_rect(other.m_rect)
    , m_width(other.m_width)
    , m_height(other.m_height)
    , m_texture(other.m_texture)
    , m_fileInfo(other.m_fileInfo)
    , m_creationFileInfo(other.m_creationFileInfo)
    , m_loadOptions(other.m_loadOptions)
    , m_partSource(other.m_partSource)
    , m_alphaMask(other.m_alphaMask)
    , m_hasAlphaMask(other.m_hasAlphaMask)
    , m_scaleU(other.m_scaleU)
    , m_scaleV(other.m_scaleV)
{
    if (m_texture)
        m_texture->AddRef();
    if (m_partSource)
        m_partSource->AddRef();
}

Texture2D::~Texture2D()
{
    releaseDirect3D();
    releaseAndNull(m_partSource);
}

Texture2D* Texture2D::clone(IDirect3DBaseTexture9* replacement) const
{
    Texture2D* copy = new Texture2D(*this);
    if (replacement) {
        if (replacement->GetType() == D3DRTYPE_TEXTURE) {
            holdReference(copy->m_texture, static_cast<IDirect3DTexture9*>(replacement));
            copy->m_alphaMask.clear();
            copy->m_hasAlphaMask = false;
        } else {
            textureLog().log(50, LOG_TYPE_WARNING, L"Ulvo::Texture2D::clone replacement of ", getName(),
                             L" is no 2D texture\n");
        }
    }
    // The copy holds a reference of its own on a default-pool texture, so it
    // has to give it up and rebuild around a reset just as the original does.
    if (isFollowingDevice())
        copy->registerDeviceSignals(m_creationKind);
    return copy;
}

void Texture2D::releaseDirect3D()
{
    if (m_locked && m_texture)
        m_texture->UnlockRect(m_lockLevel);
    m_locked = false;
    releaseAndNull(m_texture);
}

void Texture2D::rebuild()
{
    switch (m_creationKind) {
    case CREATION_NODE: {
        XMLNode node(m_creationNode);
        m_fileInfo = m_creationFileInfo;
        const TextureLoadOptions options = m_loadOptions;
        createFromNode(&node, options);
        break;
    }
    case CREATION_PART: {
        XMLNode node(m_creationNode);
        createPartFromTexture(&node, m_partSource);
        break;
    }
    case CREATION_PARAMS: {
        const TextureFileInfo2D info = m_fileInfo;
        create(info.Width, info.Height, info.MipLevels, info.Usage, info.Format, info.Pool);
        break;
    }
    case CREATION_FILE: {
        // Copies: the load starts by clearing the members they come from.
        const std::wstring fileName = m_fileName;
        const TextureLoadOptions options = m_loadOptions;
        const TextureFileInfo2D info = m_creationFileInfo;
        createFromFileName(fileName, options, info);
        break;
    }
    default:
        break;
    }
}

void Texture2D::release(bool disconnect)
{
    if (disconnect)
        unregisterDeviceSignals();
    clearForCreation();
    m_scaleU = 1.0f;
    m_scaleV = 1.0f;
    m_fileName.clear();
}

bool Texture2D::create(UINT width, UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool)
{
    release(false);
    m_fileInfo.Width = width;
    m_fileInfo.Height = height;
    m_fileInfo.MipLevels = mipLevels;
    m_fileInfo.Usage = usage;
    m_fileInfo.Format = format;
    m_fileInfo.Pool = pool;

    UINT edgeWidth = width;
    UINT edgeHeight = height;
    if (usage & D3DUSAGE_AUTOGENMIPMAP) {
        edgeWidth = raiseToPowerOfTwo(width);
        edgeHeight = raiseToPowerOfTwo(height);
    }
    IDirect3DDevice9* dev = device();
    if (!dev)
        return false;
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(D3DXCreateTexture(dev, edgeWidth, edgeHeight, mipLevels, usage, format, pool, &texture)) || !texture)
        return false;
    m_texture = texture;
    m_loaded = true;
    updateRegistration(pool, CREATION_PARAMS);
    m_width = width;
    m_height = height;
    m_fileInfo.imageInfo.Width = width;
    m_fileInfo.imageInfo.Height = height;
    m_fileInfo.imageInfo.Format = format;
    m_fileInfo.imageInfo.ResourceType = D3DRTYPE_TEXTURE;
    m_rect = RECT{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    return m_loaded;
}

void Texture2D::applyQualityLimits(const unsigned char* data, uint32_t size, const TextureLoadOptions& limits)
{
    // Only the file's size is needed; asking for the image information gives
    // it without building a texture that would be thrown away.
    D3DXIMAGE_INFO info{};
    if (FAILED(D3DXGetImageInfoFromFileInMemory(data, size, &info)) || info.Width == 0 || info.Height == 0)
        return;
    m_fileInfo.Filter = D3DX_FILTER_LINEAR;
    const GlobalQuality& global = globalQuality();
    const uint32_t width = limitEdge(info.Width, global, limits);
    const uint32_t height = limitEdge(info.Height, global, limits);
    m_scaleU = static_cast<float>(width) / static_cast<float>(info.Width);
    m_scaleV = static_cast<float>(height) / static_cast<float>(info.Height);
    m_fileInfo.Width = width;
    m_fileInfo.Height = height;
}

bool Texture2D::loadFromMemory(const FileData& data, D3DFORMAT format, const wchar_t* function)
{
    IDirect3DDevice9* dev = device();
    IDirect3DTexture9* texture = nullptr;
    HRESULT hr = E_FAIL;
    if (dev) {
        if (m_fileInfo.Pool == D3DPOOL_MANAGED)
            PlatformSetNextImageReader(fileReader(data));
        hr = D3DXCreateTextureFromFileInMemoryEx(dev, data.bytes, data.size, m_fileInfo.Width, m_fileInfo.Height,
                                                 m_fileInfo.MipLevels, m_fileInfo.Usage, format, m_fileInfo.Pool,
                                                 m_fileInfo.Filter, m_fileInfo.MipFilter, m_fileInfo.ColorKey,
                                                 &m_fileInfo.imageInfo, m_fileInfo.palette, &texture);
    }
    if (FAILED(hr) || !texture) {
        textureLog().log(100, LOG_TYPE_ERROR, function, L" couldn't create Texture: ", getName(), L"!\n");
        return false;
    }
    m_texture = texture;
    m_loaded = true;
    m_fileInfo.Format = m_fileInfo.imageInfo.Format;
    m_fileInfo.imageInfo.Width = static_cast<UINT>(m_scaleU * static_cast<float>(m_fileInfo.imageInfo.Width));
    m_fileInfo.imageInfo.Height = static_cast<UINT>(m_scaleV * static_cast<float>(m_fileInfo.imageInfo.Height));
    m_fileInfo.Width = m_fileInfo.imageInfo.Width;
    m_fileInfo.Height = m_fileInfo.imageInfo.Height;
    m_width = m_fileInfo.Width;
    m_height = m_fileInfo.Height;
    m_rect = RECT{0, 0, static_cast<LONG>(m_width), static_cast<LONG>(m_height)};
    return true;
}

bool Texture2D::createFromFileName(const std::wstring& fileName, const TextureLoadOptions& options,
                                   const TextureFileInfo2D& fileInfo)
{
    static const wchar_t* const function = L"Ulvo::Texture2D::createFromFileName";
    FileLogger& log = textureLog();
    log.log(0, LOG_TYPE_INFO, function, L"\n");
    LogIndent<FileLogger> indent(log);

    // Copies: the arguments may be this texture's own members.
    const std::wstring name = fileName;
    const TextureLoadOptions limits = options;
    const TextureFileInfo2D given = fileInfo;
    release(false);
    m_fileInfo = given;
    m_fileInfo.Usage |= D3DUSAGE_AUTOGENMIPMAP;
    if (!m_recreating) {
        m_creationFileInfo = given;
        m_loadOptions = limits;
    }

    FileData data;
    if (!readNamedFile(name, data, log, function))
        return false;
    const GlobalQuality& global = globalQuality();
    if (global.useMinimum || global.useMaximum || global.useScale)
        applyQualityLimits(data.bytes, data.size, limits);

    if (loadFromMemory(data, D3DFMT_UNKNOWN, function))
        finishLoad(m_fileInfo.Pool, CREATION_FILE, nullptr, log, function);
    return m_loaded;
}

bool Texture2D::createFromNode(XMLNode* node, const TextureLoadOptions& options)
{
    static const wchar_t* const function = L"Ulvo::Texture2D::createFromNode";
    FileLogger& log = textureLog();
    log.log(0, LOG_TYPE_INFO, function, L"\n");
    LogIndent<FileLogger> indent(log);

    const TextureLoadOptions given = options;
    release(false);
    if (!node)
        return false;
    loadNodeSettings(node);
    if (XMLNode* info = node->getNode(L"FILE_INFO"))
        m_fileInfo = TextureFileInfo2D::load(info);
    TextureLoadOptions limits = given;
    if (XMLNode* quality = node->getNode(L"QUALTIY"))
        limits = TextureLoadOptions::load(quality);
    if (!m_recreating) {
        m_creationFileInfo = m_fileInfo;
        m_loadOptions = given;
    }

    XMLNode* fileNode = node->getNode(L"FILE");
    if (!fileNode)
        return m_loaded;
    FileData data;
    if (!readNodeFile(fileNode, data, log, std::wstring(function) + L" Textur2D " + getName()))
        return false;
    const GlobalQuality& global = globalQuality();
    if (global.useMinimum || global.useMaximum || global.useScale)
        applyQualityLimits(data.bytes, data.size, limits);

    if (loadFromMemory(data, m_fileInfo.Format, function))
        finishLoad(m_fileInfo.Pool, CREATION_NODE, node, log, function);
    return m_loaded;
}

bool Texture2D::createPartFromTexture(XMLNode* node, Texture2D* source)
{
    static const wchar_t* const function = L"Ulvo::Texture2D::createPartFromTexture";
    FileLogger& log = textureLog();
    log.log(0, LOG_TYPE_INFO, function, L"\n");
    LogIndent<FileLogger> indent(log);

    if (!node || !source || source == this) {
        release(false);
        log.log(100, LOG_TYPE_ERROR, function, L" no source texture\n");
        return false;
    }
    // Held for the length of the call: the part may be the last holder.
    source->AddRef();
    struct SourceHold {
        Texture2D* texture;
        ~SourceHold() { texture->Release(); }
    } hold{source};

    release(false);
    m_scaleU = source->m_scaleU;
    m_scaleV = source->m_scaleV;
    loadNodeSettings(node);
    m_fileName = source->m_fileName;
    bool cut = false;
    bool pow2 = true;
    node->readFlag(L"CUT", cut);
    node->readFlag(L"POW2", pow2);

    XMLNode* rectNode = node->getNode(L"TEX_RECT");
    if (!rectNode) {
        log.log(50, LOG_TYPE_ERROR, function, L" no TEX_RECT Node found!\n");
        return false;
    }
    RECT r{0, 0, 0, 0};
    rectNode->readRect(r);

    m_fileInfo = source->m_fileInfo;
    if (XMLNode* info = node->getNode(L"FILE_INFO"))
        m_fileInfo = TextureFileInfo2D::load(info);

    r.left = static_cast<LONG>(static_cast<float>(r.left) * m_scaleU);
    r.right = static_cast<LONG>(static_cast<float>(r.right) * m_scaleU);
    r.top = static_cast<LONG>(static_cast<float>(r.top) * m_scaleV);
    r.bottom = static_cast<LONG>(static_cast<float>(r.bottom) * m_scaleV);

    // The part may only stand for texels the source has.
    const RECT& bounds = source->m_rect;
    RECT clamped{std::clamp(r.left, bounds.left, bounds.right), std::clamp(r.top, bounds.top, bounds.bottom),
                 std::clamp(r.right, bounds.left, bounds.right), std::clamp(r.bottom, bounds.top, bounds.bottom)};
    if (clamped.right <= clamped.left || clamped.bottom <= clamped.top) {
        log.log(50, LOG_TYPE_ERROR, function, L" ", getName(), L" TEX_RECT ", rectText(r), L" lies outside ",
                source->getName(), L" ", rectText(bounds), L"\n");
        return false;
    }
    if (clamped.left != r.left || clamped.top != r.top || clamped.right != r.right || clamped.bottom != r.bottom) {
        log.log(50, LOG_TYPE_WARNING, function, L" ", getName(), L" TEX_RECT ", rectText(r), L" clamped to ",
                rectText(clamped), L"\n");
    }
    m_rect = clamped;
    m_width = static_cast<uint32_t>(m_rect.right - m_rect.left);
    m_height = static_cast<uint32_t>(m_rect.bottom - m_rect.top);
    m_fileInfo.Width = m_width;
    m_fileInfo.Height = m_height;

    if (!source->m_texture) {
        log.log(100, LOG_TYPE_ERROR, function, L" ", source->getName(), L" is not loaded\n");
        return false;
    }

    if (!cut) {
        m_texture = source->m_texture;
        m_texture->AddRef();
        m_loaded = true;
    } else {
        log.log(0, LOG_TYPE_INFO, function, L" Cutting out\n");
        const UINT edgeWidth = pow2 ? raiseToPowerOfTwo(m_width) : m_width;
        const UINT edgeHeight = pow2 ? raiseToPowerOfTwo(m_height) : m_height;
        IDirect3DDevice9* dev = device();
        IDirect3DTexture9* texture = nullptr;
        const HRESULT hr = dev ? D3DXCreateTexture(dev, edgeWidth, edgeHeight, 0, m_fileInfo.Usage, m_fileInfo.Format,
                                                   m_fileInfo.Pool, &texture)
                               : E_FAIL;
        if (FAILED(hr) || !texture) {
            if (texture)
                texture->Release();
            log.log(100, LOG_TYPE_ERROR, function, L" D3DXCreateTexture() failed: ", std::to_wstring(hr), L"\n");
            return false;
        }
        m_texture = texture;
        const RECT sourceArea = m_rect;
        if (!source->lock(0, nullptr, sourceArea, D3DLOCK_READONLY)) {
            releaseDirect3D();
            log.log(100, LOG_TYPE_ERROR, function, L" src LockRect() failed!\n");
            return false;
        }
        m_rect = RECT{0, 0, static_cast<LONG>(m_width), static_cast<LONG>(m_height)};
        m_loaded = true;
        if (!lock(0, nullptr, m_rect, D3DLOCK_DISCARD)) {
            source->unlock(0);
            releaseDirect3D();
            m_loaded = false;
            log.log(100, LOG_TYPE_ERROR, function, L" dst LockRect() failed!\n");
            return false;
        }
        D3DXVECTOR4 colour;
        for (uint32_t x = 0; x < m_width; ++x) {
            for (uint32_t y = 0; y < m_height; ++y) {
                if (source->getPixel(colour, x, y))
                    setPixel(colour, x, y);
            }
        }
        if (!unlock(0)) {
            source->unlock(0);
            releaseDirect3D();
            m_loaded = false;
            log.log(50, LOG_TYPE_ERROR, function, L" dst UnlockRect() failed!\n");
            return false;
        }
        if (!source->unlock(0)) {
            releaseDirect3D();
            m_loaded = false;
            log.log(50, LOG_TYPE_ERROR, function, L" src UnlockRect() failed!\n");
            return false;
        }
    }

    log.log(25, LOG_TYPE_INFO, function, L" ", getName(), L" is OK\n");
    if (m_fileInfo.Pool == D3DPOOL_DEFAULT && !m_recreating) {
        m_creationNode = *node;
        if (m_partSource != source) {
            holdReference(m_partSource, source);
        }
    }
    updateRegistration(m_fileInfo.Pool, CREATION_PART);
    return true;
}

// ---------------------------------------------------------------------------
// Texel access

bool Texture2D::lock(UINT level, D3DLOCKED_RECT* lockedRect, const RECT& area, DWORD flags)
{
    if (!m_loaded || !m_texture || m_locked)
        return false;
    D3DSURFACE_DESC desc{};
    if (FAILED(m_texture->GetLevelDesc(level, &desc)))
        return false;
    const LONG levelWidth = static_cast<LONG>(std::min<UINT>(desc.Width, 0x7FFFFFFFu));
    const LONG levelHeight = static_cast<LONG>(std::min<UINT>(desc.Height, 0x7FFFFFFFu));
    RECT clamped{std::clamp<LONG>(area.left, 0, levelWidth), std::clamp<LONG>(area.top, 0, levelHeight),
                 std::clamp<LONG>(area.right, 0, levelWidth), std::clamp<LONG>(area.bottom, 0, levelHeight)};
    if (clamped.right <= clamped.left || clamped.bottom <= clamped.top) {
        textureLog().log(50, LOG_TYPE_ERROR, L"Ulvo::Texture2D::lock ", getName(), L" area ", rectText(area),
                         L" holds no texel of level ", std::to_wstring(level), L"\n");
        return false;
    }
    if (clamped.left != area.left || clamped.top != area.top || clamped.right != area.right ||
        clamped.bottom != area.bottom) {
        textureLog().log(50, LOG_TYPE_WARNING, L"Ulvo::Texture2D::lock ", getName(), L" area ", rectText(area),
                         L" clamped to ", rectText(clamped), L"\n");
    }
    D3DLOCKED_RECT locked{0, nullptr};
    if (FAILED(m_texture->LockRect(level, &locked, &clamped, flags)) || !locked.pBits)
        return false;
    if (lockedRect)
        *lockedRect = locked;
    m_lockedRect = locked;
    m_lockArea = clamped;
    m_locked = true;
    m_lockWidth = static_cast<uint32_t>(clamped.right - clamped.left);
    m_lockHeight = static_cast<uint32_t>(clamped.bottom - clamped.top);
    m_lockFormat = desc.Format;
    m_lockLevel = level;
    return true;
}

bool Texture2D::unlock(UINT level)
{
    if (!m_loaded || !m_texture)
        return false;
    if (FAILED(m_texture->UnlockRect(level)))
        return false;
    m_locked = false;
    return true;
}

bool Texture2D::getPixel(D3DXVECTOR4& colour, const uint32_t& x, const uint32_t& y)
{
    if (!m_loaded || !m_locked || x >= m_lockWidth || y >= m_lockHeight)
        return false;
    const uint32_t size = texelSize(m_lockFormat);
    if (size == 0)
        return false;
    const unsigned char* texel = static_cast<const unsigned char*>(m_lockedRect.pBits) +
                                 static_cast<ptrdiff_t>(m_lockedRect.Pitch) * y + static_cast<size_t>(size) * x;
    return readTexel(m_lockFormat, texel, colour);
}

bool Texture2D::setPixel(const D3DXVECTOR4& colour, const uint32_t& x, const uint32_t& y)
{
    if (!m_loaded || !m_locked || x >= m_lockWidth || y >= m_lockHeight)
        return false;
    const uint32_t size = texelSize(m_lockFormat);
    if (size == 0)
        return false;
    unsigned char* texel = static_cast<unsigned char*>(m_lockedRect.pBits) +
                           static_cast<ptrdiff_t>(m_lockedRect.Pitch) * y + static_cast<size_t>(size) * x;
    return writeTexel(m_lockFormat, texel, colour);
}

bool Texture2D::readPixel(D3DXVECTOR4& colour, const D3DXVECTOR2& uv)
{
    if (!m_loaded || m_locked)
        return false;
    if (!(uv.x >= 0.0f && uv.x < 1.0f && uv.y >= 0.0f && uv.y < 1.0f))
        return false;
    const double fx = static_cast<double>(m_width) * uv.x;
    const double fy = static_cast<double>(m_height) * uv.y;
    const RECT area{static_cast<LONG>(fx), static_cast<LONG>(fy), static_cast<LONG>(fx + 1.0),
                    static_cast<LONG>(fy + 1.0)};
    if (!lock(0, nullptr, area, D3DLOCK_READONLY))
        return false;
    const bool ok = getPixel(colour, 0, 0);
    unlock(0);
    return ok;
}

bool Texture2D::writePixel(const D3DXVECTOR4& colour, const uint32_t& x, const uint32_t& y)
{
    if (!m_loaded || m_locked || x >= m_width || y >= m_height)
        return false;
    const RECT area{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x) + 1, static_cast<LONG>(y) + 1};
    // Flags 0: discarding would throw away every other texel of the texture.
    if (!lock(0, nullptr, area, 0))
        return false;
    const bool ok = setPixel(colour, 0, 0);
    unlock(0);
    return ok;
}

namespace {

// Splits size * t into a texel index limited to [0, size - 1] and the
// fraction towards the next texel; outside the texture the fraction is 0.
void sampleCoordinate(uint32_t size, float t, uint32_t& index, float& fraction)
{
    const double p = static_cast<double>(size) * static_cast<double>(t);
    if (!(p > 0.0)) { // negative, zero or NaN
        index = 0;
        fraction = 0.0f;
        return;
    }
    if (p >= static_cast<double>(size)) {
        index = size - 1;
        fraction = 0.0f;
        return;
    }
    const double whole = std::trunc(p);
    index = std::min(static_cast<uint32_t>(whole), size - 1);
    fraction = static_cast<float>(p - whole);
}

uint32_t clampIndex(int64_t i, uint32_t size)
{
    if (i < 0)
        return 0;
    if (i >= static_cast<int64_t>(size))
        return size - 1;
    return static_cast<uint32_t>(i);
}

} // namespace

bool Texture2D::sample(D3DXVECTOR4& colour, const D3DXVECTOR2& uv, int filter)
{
    if (!m_loaded || !m_locked || m_lockWidth == 0 || m_lockHeight == 0)
        return false;
    const uint32_t w = m_lockWidth;
    const uint32_t h = m_lockHeight;
    uint32_t x = 0;
    uint32_t y = 0;
    float fx = 0.0f;
    float fy = 0.0f;
    sampleCoordinate(w, uv.x, x, fx);
    sampleCoordinate(h, uv.y, y, fy);
    return filtered(colour, x, y, fx, fy, filter);
}

bool Texture2D::sampleGridCorner(D3DXVECTOR4& colour, uint32_t column, uint32_t columns, uint32_t row, uint32_t rows,
                                 int filter)
{
    if (!m_loaded || !m_locked || m_lockWidth == 0 || m_lockHeight == 0 || columns == 0 || rows == 0)
        return false;
    // In whole numbers: the texel column is column * W / columns with the remainder as the
    // fraction, so a corner on a texel edge has no fraction at all.
    const auto split = [](uint32_t i, uint32_t n, uint32_t size, uint32_t& index, float& fraction) {
        const uint64_t scaled = static_cast<uint64_t>(std::min(i, n)) * size;
        index = static_cast<uint32_t>(std::min<uint64_t>(scaled / n, size - 1));
        fraction = scaled / n >= size ? 0.0f : static_cast<float>(scaled % n) / static_cast<float>(n);
    };
    uint32_t x = 0;
    uint32_t y = 0;
    float fx = 0.0f;
    float fy = 0.0f;
    split(column, columns, m_lockWidth, x, fx);
    split(row, rows, m_lockHeight, y, fy);
    return filtered(colour, x, y, fx, fy, filter);
}

bool Texture2D::filtered(D3DXVECTOR4& colour, uint32_t x, uint32_t y, float fx, float fy, int filter)
{
    const uint32_t w = m_lockWidth;
    const uint32_t h = m_lockHeight;
    if (filter == 0)
        return getPixel(colour, x, y);

    if (filter == 1) {
        const uint32_t x1 = std::min(x + 1, w - 1);
        const uint32_t y1 = std::min(y + 1, h - 1);
        D3DXVECTOR4 c00;
        D3DXVECTOR4 c10;
        D3DXVECTOR4 c01;
        D3DXVECTOR4 c11;
        if (!getPixel(c00, x, y) || !getPixel(c10, x1, y) || !getPixel(c01, x, y1) || !getPixel(c11, x1, y1))
            return false;
        const D3DXVECTOR4 top = c00 + (c10 - c00) * fx;
        const D3DXVECTOR4 bottom = c01 + (c11 - c01) * fx;
        colour = top + (bottom - top) * fy;
        return true;
    }

    D3DXVECTOR4 rows[4];
    for (int row = 0; row < 4; ++row) {
        const uint32_t ry = clampIndex(static_cast<int64_t>(y) - 1 + row, h);
        D3DXVECTOR4 c[4];
        for (int column = 0; column < 4; ++column) {
            const uint32_t cx = clampIndex(static_cast<int64_t>(x) - 1 + column, w);
            if (!getPixel(c[column], cx, ry))
                return false;
        }
        D3DXVec4CatmullRom(&rows[row], &c[0], &c[1], &c[2], &c[3], fx);
    }
    D3DXVec4CatmullRom(&colour, &rows[0], &rows[1], &rows[2], &rows[3], fy);
    return true;
}

void Texture2D::buildAlphaMask(int16_t threshold)
{
    m_alphaMask.clear();
    m_hasAlphaMask = false;
    if (!lock(0, nullptr, m_rect, D3DLOCK_READONLY))
        return;
    D3DXVECTOR4 colour;
    for (uint32_t y = 0; y < m_height; ++y) {
        for (uint32_t x = 0; x < m_width; ++x) {
            if (getPixel(colour, x, y) && colour.w * 255.0f >= static_cast<float>(threshold))
                m_alphaMask.push_back(y * m_width + x);
        }
    }
    m_hasAlphaMask = true;
    if (m_loaded)
        unlock(0);
}

bool Texture2D::isInAlphaMask(const uint32_t& x, const uint32_t& y) const
{
    // Outside the texture a texel index would name a texel of another row.
    if (x >= m_width || y >= m_height)
        return false;
    const uint32_t index = m_width * y + x;
    return std::binary_search(m_alphaMask.begin(), m_alphaMask.end(), index);
}

} // namespace Ulvo
