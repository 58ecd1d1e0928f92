#include "foundation/files/File.h"

#include "foundation/files/GOBFile.h"
#include "foundation/files/GOBManager.h"
#include "foundation/files/GOBOrder.h"
#include "foundation/logging/Logger.h"
#include "foundation/text/Utf16.h"
#include "foundation/xml/XMLNode.h"

#include <windows.h>

#include <memory>
#include <string_view>

namespace Ulvo {

namespace {

FileLogger& fileLog()
{
    return moduleLogger(LogModule::File);
}

// The working folder's real path, resolved again only when the working folder changed: every
// data file a load reads is checked against it (a resolve opens the folder and reads a link).
// Each thread keeps its own.
const std::wstring& workingFolderReal()
{
    thread_local std::wstring folder;
    thread_local std::wstring real;
    wchar_t current[4096];
    const DWORD length = GetCurrentDirectoryW(4096, current);
    if (length == 0 || length >= 4096) {
        folder.clear();
        real = File::finalPath(L".");
    } else if (real.empty() || folder.compare(0, std::wstring::npos, current, length) != 0) {
        folder.assign(current, length);
        real = File::finalPath(L".");
    }
    return real;
}

// Whether the longest part of a relative name that is on disk really lies outside the working
// folder (a link in it leads away). A name not on disk at all leads nowhere.
bool linksOut(const std::wstring& name)
{
    std::wstring part = name;
    while (!part.empty() && GetFileAttributesW(part.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const std::size_t cut = part.find_last_of(L"\\/");
        part.resize(cut == std::wstring::npos ? 0 : cut);
    }
    if (part.empty())
        return false;
    const std::wstring& base = workingFolderReal();
    const std::wstring real = File::finalPath(part);
    if (real.compare(0, base.size(), base) != 0)
        return true;
    return real.size() > base.size() && real[base.size()] != L'\\' && real[base.size()] != L'/';
}

// Whether the real path lies in root or below it (both as finalPath gives them).
bool isWithin(const std::wstring& real, const std::wstring& root)
{
    if (root.empty() || real.compare(0, root.size(), root) != 0)
        return false;
    return real.size() == root.size() || real[root.size()] == L'\\' || real[root.size()] == L'/' ||
           root.back() == L'\\' || root.back() == L'/';
}

bool isDirectory(const std::wstring& name)
{
    const DWORD attributes = GetFileAttributesW(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

File::File(const std::wstring& name) : NamedObject(name) {}

File::File(XMLNode* node) : NamedObject(node)
{
    if (!node)
        return;
    GOBOrder* order = GOBManager::getInstance()->getGOBOrder(node->getAttributeValue(L"GOBORDER", L"DEFAULT"));
    std::wstring fileName;
    if (node->readString(L"FILENAME", fileName))
        loadDataFile(fileName, order);
}

File::~File()
{
    closeOwned();
}

void File::closeOwned()
{
    if (m_ownsHandles && m_handle)
        std::fclose(m_handle);
    // A borrowed archive handle is simply let go.
    m_handle = nullptr;
    m_ownsHandles = false;
    m_fromDisk = false;
    m_start = 0xFFFFFFFFu;
    m_end = 0xFFFFFFFFu;
}

std::vector<File*>& File::getLoadedFiles()
{
    static std::vector<File*> files;
    return files;
}

bool File::loadFile(const std::wstring& name, GOBOrder* order)
{
    closeOwned();
    m_fileName = name;

    FileLogger& log = fileLog();
    log.log(10, LOG_TYPE_INFO, L"Ulvo::File::loadFile load File ", name, L"\n");
    LogIndent<FileLogger> indent(log);

    if (order) {
        for (GOBFile* archive : order->getSlots()) {
            if (archive) {
                FILE* handle = nullptr;
                uint32_t start = 0;
                uint32_t end = 0;
                if (archive->getFilePtr(name, handle, start, end)) {
                    m_handle = handle;
                    m_start = start;
                    m_end = end;
                    m_ownsHandles = false;
                    m_fromDisk = false;
                    log.log(10, LOG_TYPE_INFO, L" File found in Gob: ", archive->getName(), L"\n");
                    return true;
                }
                continue;
            }

            FILE* handle = _wfopen(name.c_str(), L"rb");
            if (!handle) {
                // Present but not readable (no permission, or a pipe or device, which is never
                // opened): said, so a copy found in a later place does not hide it.
                const DWORD attributes = GetFileAttributesW(name.c_str());
                if (attributes != INVALID_FILE_ATTRIBUTES)
                    log.log(25, LOG_TYPE_ERROR,
                            L" File " + name +
                                ((attributes & FILE_ATTRIBUTE_DEVICE) ? L" is no regular file"
                                                                      : L" exists but cannot be read") +
                                L", looking further\n");
                continue;
            }
            // Folders open on this system but are no files to read.
            if (isDirectory(name)) {
                std::fclose(handle);
                continue;
            }
            long size = -1;
            if (std::fseek(handle, 0, SEEK_END) == 0)
                size = std::ftell(handle);
            std::fseek(handle, 0, SEEK_SET);
            if (size < 0 || static_cast<unsigned long>(size) >= 0xFFFFFFFFul) {
                log.log(25, LOG_TYPE_ERROR, L" File ", name, L" cannot be measured or is too large\n");
                std::fclose(handle);
                continue;
            }
            m_handle = handle;
            m_start = 0;
            m_end = static_cast<uint32_t>(size);
            m_ownsHandles = true;
            m_fromDisk = true;
            log.log(10, LOG_TYPE_INFO, L" File found direkt\n");
            return true;
        }
    }

    log.log(25, LOG_TYPE_ERROR, L" File not found ", name, L"\n");
    return false;
}

bool File::loadDataFile(const std::wstring& name, GOBOrder* order)
{
    if (checkDataReference(name))
        return loadFile(name, order);
    closeOwned();
    m_fileName = name;
    return false;
}

bool File::checkDataReference(const std::wstring& name)
{
    if (isDataReference(name) && !linksOut(name))
        return true;
    fileLog().log(25, LOG_TYPE_ERROR,
                  L"Ulvo::File::loadFile " + name + L" leads out of the data folders and is not read\n");
    return false;
}

bool File::checkWriteTarget(const std::wstring& name)
{
    // An absolute name is the game's own choice (the save folder, the user's cache); one a data
    // file or the console gives is relative, and must stay in the working folder: the longest
    // part of its folder that is on disk is resolved, and what follows it must not climb.
    if (!name.empty() && (name[0] == L'/' || name[0] == L'\\'))
        return true;
    std::wstring folder = name;
    std::wstring rest;
    do {
        const std::size_t cut = folder.find_last_of(L"\\/");
        rest = (cut == std::wstring::npos ? folder : folder.substr(cut + 1)) + L"\\" + rest;
        folder.resize(cut == std::wstring::npos ? 0 : cut);
    } while (!folder.empty() && !isDirectory(folder));
    const bool inside = isDataReference(name) && isDataReference(rest) &&
                        isWithin(finalPath(folder.empty() ? std::wstring(L".") : folder), workingFolderReal());
    if (!inside)
        fileLog().log(25, LOG_TYPE_ERROR,
                      L"Ulvo::File::write " + name + L" leads out of the game's folders and is not written\n");
    return inside;
}

bool File::writeReplacing(const std::wstring& name, const std::function<bool(const std::wstring&)>& write)
{
    if (name.empty() || !checkWriteTarget(name))
        return false;
    const std::wstring temporary = name + L".tmp";
    // One left by an interrupted run goes first; were it a link, writing would go through it.
    DeleteFileW(temporary.c_str());
    if (!write(temporary)) {
        DeleteFileW(temporary.c_str());
        fileLog().log(25, LOG_TYPE_ERROR, L"Ulvo::File::write " + temporary + L" could not be written\n");
        return false;
    }
    if (!MoveFileExW(temporary.c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(temporary.c_str());
        fileLog().log(25, LOG_TYPE_ERROR, L"Ulvo::File::write " + name + L" could not be replaced\n");
        return false;
    }
    return true;
}

std::wstring File::safeFileName(const std::wstring& name)
{
    std::wstring safe;
    safe.reserve(name.size());
    for (wchar_t c : name) {
        const bool unsafe = c < 0x20 || c == L'/' || c == L'\\' || c == L':' || c == L'*' || c == L'?' || c == L'"' ||
                            c == L'<' || c == L'>' || c == L'|';
        safe += unsafe ? L'_' : c;
    }
    if (safe.find_first_not_of(L'.') == std::wstring::npos)
        safe = L"_";
    return safe;
}

std::wstring File::finalPath(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return path;
    std::wstring result = path;
    const DWORD needed = GetFinalPathNameByHandleW(file, nullptr, 0, FILE_NAME_NORMALIZED);
    if (needed > 0) {
        std::wstring buffer(needed, L'\0');
        const DWORD length = GetFinalPathNameByHandleW(file, buffer.data(), needed, FILE_NAME_NORMALIZED);
        if (length > 0 && length < needed)
            result = buffer.substr(0, length);
    }
    CloseHandle(file);
    return result;
}

bool File::isDataReference(const std::wstring& name)
{
    if (name.empty() || name[0] == L'\\' || name[0] == L'/')
        return false;
    // A drive ("C:") or any other colon names no place below the working folder.
    if (name.find(L':') != std::wstring::npos)
        return false;
    int depth = 0;
    std::size_t begin = 0;
    while (begin <= name.size()) {
        std::size_t end = name.find_first_of(L"\\/", begin);
        if (end == std::wstring::npos)
            end = name.size();
        const std::wstring_view part(name.data() + begin, end - begin);
        if (part == L"..") {
            if (--depth < 0)
                return false;
        } else if (!part.empty() && part != L".") {
            ++depth;
        }
        begin = end + 1;
    }
    return true;
}

bool File::readBytes(unsigned char* out, std::size_t count)
{
    if (!m_handle || m_end < m_start || count != m_end - m_start)
        return false;
    // Always seek: an archive's handle is shared, so another lookup may have moved it.
    if (std::fseek(m_handle, static_cast<long>(m_start), SEEK_SET) != 0)
        return false;
    return count == 0 || std::fread(out, 1, count, m_handle) == count;
}

bool File::getTextBytes(std::vector<unsigned char>& bytes, bool& unicode)
{
    bytes.resize(storedSize());
    std::size_t size = 0;
    const bool read = getTextBytes(bytes.data(), size, unicode);
    bytes.resize(read ? size : 0);
    return read;
}

bool File::getTextBytes(unsigned char* bytes, std::size_t& size, bool& unicode)
{
    FileLogger& log = fileLog();
    log.log(10, LOG_TYPE_INFO, L"Ulvo::File::getFILE_DATA ", m_fileName, L"\n");
    LogIndent<FileLogger> indent(log);

    size = 0;
    unicode = false;
    if (!m_handle) {
        log.log(10, LOG_TYPE_ERROR, m_fileName, L" File not loaded\n");
        return false;
    }
    const std::size_t count = storedSize();
    if (!readBytes(bytes, count)) {
        log.log(25, LOG_TYPE_ERROR, m_fileName, L" could not be read\n");
        return false;
    }
    size = count;
    if (count >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        // UTF-16 is read untranslated: its code units may hold the bytes 0D 0A or 1A.
        log.log(10, LOG_TYPE_INFO, L"is Unicode File \n");
        unicode = true;
        return true;
    }
    log.log(10, LOG_TYPE_INFO, L"is Multibyte File \n");
    if (!m_fromDisk)
        return true;
    // The C runtime's text mode on disk files: 1A ends the text, CR LF reads as LF.
    // Searched as characters: the runtime's search covers megabytes at a time.
    using Search = std::char_traits<char>;
    const char* text = reinterpret_cast<const char*>(bytes);
    const char* stop = Search::find(text, count, '\x1A');
    const std::size_t length = stop ? static_cast<std::size_t>(stop - text) : count;
    std::size_t kept = length;
    if (Search::find(text, length, '\r')) {
        kept = 0;
        for (std::size_t i = 0; i < length; ++i) {
            if (bytes[i] == '\r' && i + 1 < length && bytes[i + 1] == '\n')
                continue;
            bytes[kept++] = bytes[i];
        }
    }
    size = kept;
    return true;
}

std::wstring File::getFILE_DATA()
{
    std::vector<unsigned char> bytes;
    bool unicode = false;
    std::wstring text;
    if (!getTextBytes(bytes, unicode))
        return text;
    if (unicode)
        decodeUtf16LE(bytes.data() + 2, (bytes.size() - 2) / 2, text);
    else
        text.assign(bytes.begin(), bytes.end());
    return text;
}

bool File::getFILE_DATA(unsigned char*& buffer, uint32_t& size)
{
    FileLogger& log = fileLog();
    log.log(10, LOG_TYPE_INFO, L"Ulvo::File::getFILE_DATA ", m_fileName, L"\n");

    if (!m_handle) {
        log.log(10, LOG_TYPE_ERROR, m_fileName, L" File not loaded\n");
        return false;
    }
    // Read straight into the caller's array: no second copy of the file on the way.
    const std::size_t count = storedSize();
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[count]);
    if (!readBytes(bytes.get(), count)) {
        log.log(25, LOG_TYPE_ERROR, m_fileName, L" could not be read\n");
        return false;
    }
    size = static_cast<uint32_t>(count);
    buffer = bytes.release();
    return true;
}

bool File::FileExists(const std::wstring& name, GOBOrder* order)
{
    if (!order)
        return false;
    for (GOBFile* archive : order->getSlots()) {
        if (archive) {
            if (archive->FileExists(name))
                return true;
            continue;
        }
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW(name.c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            FindClose(find);
            return true;
        }
    }
    return false;
}

std::wstring File::removeDoubleBackslashes(const std::wstring& path)
{
    std::wstring result;
    result.reserve(path.size());
    for (wchar_t c : path) {
        if (c == L'\\' && !result.empty() && result.back() == L'\\')
            continue;
        result.push_back(c);
    }
    return result;
}

std::wstring File::getPath(const std::wstring& path)
{
    if (path.find(L'.') == std::wstring::npos)
        return path;
    const std::size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(0, slash);
}

std::wstring File::getFileNameFromPath(const std::wstring& path, bool withoutExtension)
{
    const std::size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos)
        return std::wstring();
    const std::size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos)
        return path;
    // A dot before the last backslash belongs to a folder: there is no extension to drop.
    if (withoutExtension && dot > slash)
        return path.substr(slash + 1, dot - slash - 1);
    return path.substr(slash + 1);
}

std::wstring File::combinePath(const std::wstring& directory, const std::wstring& relative)
{
    std::wstring dir = directory;
    std::wstring rel = relative;
    while (!rel.empty() && rel[0] == L'.') {
        const std::size_t separator = rel.find(L'\\');
        if (separator == std::wstring::npos)
            break;
        rel.erase(0, separator + 1);
        // Climbing stops at the start: a name from data never reaches above it.
        const std::size_t slash = dir.rfind(L'\\');
        dir.erase(slash == std::wstring::npos ? 0 : slash);
    }
    if (dir.empty())
        return removeDoubleBackslashes(rel);
    return removeDoubleBackslashes(dir + L'\\' + rel);
}

} // namespace Ulvo
