#include "foundation/files/GOBFile.h"

#include "foundation/logging/Logger.h"

#include <windows.h>

#include <cstring>
#include <streambuf>

namespace Ulvo {

namespace {

FileLogger& gobLog()
{
    return moduleLogger(LogModule::GOBFile);
}

// A byte stream over a file of its own, read untranslated.
class ArchiveStream : public std::istream {
public:
    explicit ArchiveStream(FILE* file) : std::istream(&m_buffer), m_buffer(file) {}

private:
    class Buffer : public std::streambuf {
    public:
        explicit Buffer(FILE* file) : m_file(file) {}
        ~Buffer() override { std::fclose(m_file); }
        Buffer(const Buffer&) = delete;
        Buffer& operator=(const Buffer&) = delete;

    protected:
        int_type underflow() override
        {
            const std::size_t got = std::fread(m_chunk, 1, sizeof m_chunk, m_file);
            if (got == 0)
                return traits_type::eof();
            setg(m_chunk, m_chunk, m_chunk + got);
            return traits_type::to_int_type(m_chunk[0]);
        }
        pos_type seekoff(off_type offset, std::ios_base::seekdir direction, std::ios_base::openmode) override
        {
            // The file stands after the buffered bytes; a relative seek counts from the reader.
            if (direction == std::ios_base::cur)
                offset -= static_cast<off_type>(egptr() - gptr());
            const int whence = direction == std::ios_base::beg   ? SEEK_SET
                               : direction == std::ios_base::cur ? SEEK_CUR
                                                                 : SEEK_END;
            setg(m_chunk, m_chunk, m_chunk);
            if (std::fseek(m_file, static_cast<long>(offset), whence) != 0)
                return pos_type(off_type(-1));
            return pos_type(std::ftell(m_file));
        }
        pos_type seekpos(pos_type position, std::ios_base::openmode mode) override
        {
            return seekoff(off_type(position), std::ios_base::beg, mode);
        }

    private:
        FILE* m_file;
        char m_chunk[4096];
    };

    Buffer m_buffer;
};

std::size_t hashName(const char* text, std::size_t length)
{
    // FNV-1a.
    std::size_t hash = 1469598103934665603ull;
    for (std::size_t i = 0; i < length; ++i)
        hash = (hash ^ static_cast<unsigned char>(text[i])) * 1099511628211ull;
    return hash;
}

// A lookup name in the table's form, in key. Names of plain ASCII characters
// are done here; others go the long way, through the code page.
void lookupKey(const std::wstring& name, std::string& key)
{
    key.clear();
    for (wchar_t c : name) {
        if (c == 0 || c >= 0x80) {
            key = GOBFile::normaliseName(name);
            return;
        }
        char byte = static_cast<char>(c == L'/' ? L'\\' : c);
        if (byte == '\\' && !key.empty() && key.back() == '\\')
            continue;
        if (byte >= 'A' && byte <= 'Z')
            byte = static_cast<char>(byte - 'A' + 'a');
        key.push_back(byte);
    }
}

uint32_t readLE32(const unsigned char* bytes)
{
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
           (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

} // namespace

GOBFile::GOBFile(const std::wstring& name, const std::wstring& archiveFileName, int priority)
    : NamedObject(name), m_priority(priority)
{
    loadFile(archiveFileName);
}

GOBFile::~GOBFile()
{
    close();
}

void GOBFile::close()
{
    if (m_handle)
        std::fclose(m_handle);
    m_handle = nullptr;
    m_stream.reset();
    m_entries.clear();
    m_index.clear();
    m_archiveFileName.clear();
}

void GOBFile::toLowerAscii(std::string& text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
}

bool GOBFile::readTable(FILE* handle, uint64_t fileSize, std::vector<GOBEntry>& entries, std::wstring& problem,
                        std::vector<std::wstring>* skipped)
{
    entries.clear();
    unsigned char header[HEADER_SIZE];
    if (!handle || std::fseek(handle, 0, SEEK_SET) != 0 || std::fread(header, 1, HEADER_SIZE, handle) != HEADER_SIZE) {
        problem = L"is shorter than the archive header";
        return false;
    }
    if (header[0] != 'G' || header[1] != 'O' || header[2] != 'B' || header[3] != 0) {
        problem = L"is no GOB archive (wrong magic)";
        return false;
    }
    const uint32_t count = readLE32(header + 4);
    if (count == 0) {
        problem = L"holds no entries (count 0)";
        return false;
    }
    // The table must lie inside the file: a cut-off archive or a corrupt count is refused.
    const uint64_t tableEnd = HEADER_SIZE + static_cast<uint64_t>(count) * ENTRY_SIZE;
    if (tableEnd > fileSize) {
        problem = L"has a table of " + std::to_wstring(count) + L" entries that does not fit in its " +
                  std::to_wstring(fileSize) + L" bytes";
        return false;
    }

    std::vector<unsigned char> table(static_cast<std::size_t>(count) * ENTRY_SIZE);
    if (std::fread(table.data(), 1, table.size(), handle) != table.size()) {
        problem = L"could not be read to the end of its table";
        return false;
    }

    entries.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        const unsigned char* raw = table.data() + static_cast<std::size_t>(i) * ENTRY_SIZE;
        GOBEntry entry;
        entry.offset = readLE32(raw);
        entry.size = readLE32(raw + 4);
        // A name fills at most 259 bytes; the last byte is always taken as the terminator.
        const char* name = reinterpret_cast<const char*>(raw + 8);
        std::size_t length = 0;
        while (length < NAME_SIZE - 1 && name[length] != 0)
            ++length;
        entry.name.assign(name, length);
        toLowerAscii(entry.name);
        // End offsets are kept in 32 bits, so data must also end within 4 GiB.
        // A broken entry is left out; the others stay usable.
        const uint64_t dataEnd = static_cast<uint64_t>(entry.offset) + entry.size;
        if (dataEnd > fileSize || dataEnd > 0xFFFFFFFFull) {
            if (skipped) {
                skipped->push_back(L"entry " + std::to_wstring(i) + L" (" +
                                   std::wstring(entry.name.begin(), entry.name.end()) + L") whose data (offset " +
                                   std::to_wstring(entry.offset) + L", size " + std::to_wstring(entry.size) +
                                   L") lies past the end of its " + std::to_wstring(fileSize) + L" bytes");
            }
            continue;
        }
        entries.push_back(std::move(entry));
    }
    return true;
}

bool GOBFile::loadFile(const std::wstring& archiveFileName)
{
    FileLogger& log = gobLog();
    log.log(10, LOG_TYPE_INFO, L"Ulvo::GOBFile::loadFile load File ", archiveFileName, L"\n");
    LogIndent<FileLogger> indent(log);

    close();

    const DWORD attributes = GetFileAttributesW(archiveFileName.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        m_handle = _wfopen(archiveFileName.c_str(), L"rb");
    if (!m_handle) {
        log.log(25, LOG_TYPE_ERROR, L" ", archiveFileName, L" not found!\n");
        return false;
    }

    uint64_t fileSize = 0;
    if (std::fseek(m_handle, 0, SEEK_END) == 0) {
        const long position = std::ftell(m_handle);
        if (position > 0)
            fileSize = static_cast<uint64_t>(position);
    }

    std::wstring problem;
    std::vector<std::wstring> skipped;
    if (!readTable(m_handle, fileSize, m_entries, problem, &skipped)) {
        log.log(25, LOG_TYPE_ERROR, L" ", archiveFileName, L" ", problem, L": archive not used\n");
        close();
        return false;
    }
    for (const std::wstring& entry : skipped)
        log.log(25, LOG_TYPE_ERROR, L" ", archiveFileName, L" has ", entry, L": entry left out\n");

    if (FILE* second = _wfopen(archiveFileName.c_str(), L"rb"))
        m_stream = std::make_unique<ArchiveStream>(second);
    m_archiveFileName = archiveFileName;
    buildIndex();
    log.log(10, LOG_TYPE_INFO, L" ", archiveFileName, L" found Entries: ", m_entries.size(), L"\n");
    return true;
}

void GOBFile::buildIndex()
{
    std::size_t slots = 16;
    while (slots < 2 * m_entries.size())
        slots *= 2;
    m_index.assign(slots, 0);
    const std::size_t mask = slots - 1;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const std::string& name = m_entries[i].name;
        std::size_t slot = hashName(name.data(), name.size()) & mask;
        bool shadowed = false;
        for (; m_index[slot] != 0; slot = (slot + 1) & mask) {
            if (m_entries[m_index[slot] - 1].name == name) {
                shadowed = true; // the first of equal names stays the match
                break;
            }
        }
        if (!shadowed)
            m_index[slot] = static_cast<uint32_t>(i + 1);
    }
}

std::string GOBFile::normaliseName(const std::wstring& name)
{
    std::wstring wide;
    wide.reserve(name.size());
    for (wchar_t c : name) {
        if (c == L'/')
            c = L'\\';
        if (c == L'\\' && !wide.empty() && wide.back() == L'\\')
            continue;
        wide.push_back(c);
    }

    std::string ansi;
    if (!wide.empty()) {
        // Windows-1252 is a single-byte code page: one byte per character.
        ansi.resize(wide.size());
        const int written = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(),
                                                static_cast<int>(ansi.size()), " ", nullptr);
        ansi.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    }
    // Table names end at their first zero byte, so a lookup name does too.
    const std::size_t zero = ansi.find('\0');
    if (zero != std::string::npos)
        ansi.resize(zero);
    toLowerAscii(ansi);
    return ansi;
}

int GOBFile::find(const wchar_t* function, const std::wstring& name)
{
    FileLogger& log = gobLog();
    log.log(10, LOG_TYPE_INFO, function, L" ", name, L"\n");
    LogIndent<FileLogger> indent(log);

    if (!m_index.empty()) {
        lookupKey(name, m_key);
        const std::string& key = m_key;
        const std::size_t mask = m_index.size() - 1;
        for (std::size_t slot = hashName(key.data(), key.size()) & mask; m_index[slot] != 0; slot = (slot + 1) & mask) {
            if (m_entries[m_index[slot] - 1].name == key)
                return static_cast<int>(m_index[slot] - 1);
        }
    }
    log.log(25, LOG_TYPE_ERROR, L" ", name, L" not found!\n");
    return -1;
}

bool GOBFile::getFilePtr(const std::wstring& name, FILE*& handle, uint32_t& start, uint32_t& end)
{
    const int index = find(L"Ulvo::GOBFile::getFilePtr", name);
    if (index < 0 || !m_handle)
        return false;
    const GOBEntry& entry = m_entries[static_cast<std::size_t>(index)];
    std::fseek(m_handle, static_cast<long>(entry.offset), SEEK_SET);
    handle = m_handle;
    start = entry.offset;
    end = entry.offset + entry.size;
    return true;
}

bool GOBFile::getStreamPtr(const std::wstring& name, std::istream*& stream, uint32_t& start, uint32_t& end)
{
    const int index = find(L"Ulvo::GOBFile::getStreamPtr", name);
    if (index < 0 || !m_stream)
        return false;
    const GOBEntry& entry = m_entries[static_cast<std::size_t>(index)];
    m_stream->clear();
    m_stream->seekg(static_cast<std::streamoff>(entry.offset));
    stream = m_stream.get();
    start = entry.offset;
    end = entry.offset + entry.size;
    return true;
}

bool GOBFile::FileExists(const std::wstring& name)
{
    return find(L"Ulvo::GOBFile::FileExists", name) >= 0;
}

} // namespace Ulvo
