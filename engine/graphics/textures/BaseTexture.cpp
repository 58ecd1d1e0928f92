#include "graphics/textures/BaseTexture.h"

#include "foundation/files/File.h"
#include "foundation/files/GOBManager.h"

#include <windows.h>

namespace Ulvo {

BaseTexture::BaseTexture() = default;

BaseTexture::BaseTexture(const BaseTexture& other)
    : NamedObject(other)
    , DeviceResource(other)
    , m_fileName(other.m_fileName)
    , m_loaded(other.m_loaded)
    , m_recreating(other.m_recreating)
    , m_creationKind(other.m_creationKind)
    , m_creationNode(other.m_creationNode)
    , m_applyFilter(other.m_applyFilter)
    , m_dontApplyFilter(other.m_dontApplyFilter)
    , m_filterDefault(other.m_filterDefault)
    , m_lost(other.m_lost)
{
}

// The device-resource base ends the device connections, also when the device
// interface is already gone at process exit.
BaseTexture::~BaseTexture() = default;

UINT BaseTexture::raiseToPowerOfTwo(UINT e)
{
    if (e == 0 || (e & (e - 1)) == 0)
        return e;
    UINT p = 1;
    while (p < e && p < 0x80000000u)
        p <<= 1;
    // Above 2^31 there is no larger power of two: keep the edge.
    return p < e ? e : p;
}

void BaseTexture::loadFilterSettings(XMLNode* node)
{
    if (!node)
        return;
    node->readFlag(L"FILTER_DEFAULT", m_filterDefault);
    for (unsigned i = 0, n = node->getNodeCount(L"APPLY_FILTER"); i < n; ++i) {
        for (XMLProperty* value : node->getNode(L"APPLY_FILTER", static_cast<int>(i))->getProperties())
            m_applyFilter.push_back(value->getValue());
    }
    for (unsigned i = 0, n = node->getNodeCount(L"DONT_APPLY_FILTER"); i < n; ++i) {
        for (XMLProperty* value : node->getNode(L"DONT_APPLY_FILTER", static_cast<int>(i))->getProperties())
            m_dontApplyFilter.push_back(value->getValue());
    }
}

void BaseTexture::registerDeviceSignals(uint32_t kind)
{
    if (m_recreating)
        return;
    followDevice();
    m_creationKind = kind;
}

void BaseTexture::unregisterDeviceSignals()
{
    // Safe also when the device interface is gone already (textures of static
    // owners released at process exit).
    stopFollowingDevice();
}

void BaseTexture::updateRegistration(D3DPOOL pool, uint32_t kind)
{
    if (m_recreating)
        return;
    if (pool == D3DPOOL_DEFAULT) {
        registerDeviceSignals(kind);
    } else {
        // Direct3D keeps managed and system-memory textures across a reset;
        // rebuilding one from an older recipe would throw its contents away.
        unregisterDeviceSignals();
        m_creationKind = CREATION_NONE;
    }
}

void BaseTexture::clearFilterSettings()
{
    m_applyFilter.clear();
    m_dontApplyFilter.clear();
    m_filterDefault = true;
}

void BaseTexture::clearForCreation()
{
    releaseDirect3D();
    m_loaded = false;
    clearFilterSettings();
}

void BaseTexture::onLostDevice()
{
    releaseDirect3D();
    m_lost = true;
    textureLost.emit(this);
}

void BaseTexture::onResetDevice()
{
    if (!m_lost)
        return;
    m_lost = false;
    m_recreating = true;
    rebuild();
    m_recreating = false;
    textureReset.emit(this);
}

void BaseTexture::loadNodeSettings(XMLNode* node)
{
    loadFilterSettings(node);
    std::wstring name;
    if (node->readString(L"NAME", name))
        rename(name);
}

bool BaseTexture::readNamedFile(const std::wstring& fileName, FileData& data, FileLogger& log, const wchar_t* function)
{
    File file(fileName);
    if (!file.loadDataFile(fileName, GOBManager::getInstance()->getGOBOrder(L"DEFAULT"))) {
        log.log(100, LOG_TYPE_ERROR, std::wstring(function) + L" File not loaded\n");
        return false;
    }
    data.name = fileName;
    data.order = L"DEFAULT";
    m_fileName = file.getFileName();
    if (getName() != m_fileName)
        rename(m_fileName);
    if (!file.getFILE_DATA(data.bytes, data.size) || !data.bytes) {
        log.log(100, LOG_TYPE_ERROR, function, L" cant get FileData\n");
        return false;
    }
    return true;
}

bool BaseTexture::readNodeFile(XMLNode* fileNode, FileData& data, FileLogger& log, const std::wstring& where)
{
    File file(fileNode);
    m_fileName = file.getFileName();
    if (fileNode) {
        fileNode->readString(L"FILENAME", data.name);
        data.order = fileNode->getAttributeValue(L"GOBORDER", L"DEFAULT");
    }
    if (!file.isOpen()) {
        log.log(100, LOG_TYPE_ERROR, where, L" File not loaded\n");
        return false;
    }
    if (!file.getFILE_DATA(data.bytes, data.size) || !data.bytes) {
        log.log(100, LOG_TYPE_ERROR, where, L" cant get FileData\n");
        return false;
    }
    return true;
}

PlatformImageReader BaseTexture::fileReader(const FileData& data)
{
    if (data.name.empty())
        return nullptr;
    // A file found on disk is named from the working folder of its load; should that have changed
    // since, the file is looked for there too.
    wchar_t folder[1024] = {};
    const DWORD length = GetCurrentDirectoryW(1024, folder);
    std::wstring loadFolder = length > 0 && length < 1024 ? std::wstring(folder, length) : std::wstring();
    return [name = data.name, order = data.order, loadFolder](std::vector<unsigned char>& bytes) {
        File file(name);
        GOBOrder* places = GOBManager::getInstance()->getGOBOrder(order);
        if (!file.loadDataFile(name, places)) {
            wchar_t now[1024] = {};
            const DWORD nowLength = GetCurrentDirectoryW(1024, now);
            if (loadFolder.empty() || std::wstring(now, nowLength < 1024 ? nowLength : 0) == loadFolder ||
                !file.loadFile(loadFolder + L"\\" + name, places))
                return false;
        }
        FileData again;
        if (!file.getFILE_DATA(again.bytes, again.size) || !again.bytes)
            return false;
        bytes.assign(again.bytes, again.bytes + again.size);
        return true;
    };
}

void BaseTexture::finishLoad(D3DPOOL pool, uint32_t kind, const XMLNode* node, FileLogger& log, const wchar_t* function)
{
    if (node && pool == D3DPOOL_DEFAULT && !m_recreating)
        m_creationNode = *node;
    updateRegistration(pool, kind);
    log.log(25, LOG_TYPE_INFO, function, L" ", getName(), L" is OK\n");
}

} // namespace Ulvo
