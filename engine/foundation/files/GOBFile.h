#pragma once
// A GOB archive: one file holding many data files and a table of their names,
// offsets and sizes. Read only; the engine never writes archives.
#include "foundation/objects/NamedObject.h"

#include <cstdint>
#include <cstdio>
#include <istream>
#include <memory>
#include <string>
#include <vector>

namespace Ulvo {

// One row of the archive's table. The name is the stored relative path in the
// ANSI code page, lower-cased (A to Z only) when the table is read.
struct GOBEntry {
    uint32_t offset = 0;
    uint32_t size = 0;
    std::string name;
};

class GOBFile : public NamedObject {
public:
    // On-disk layout: "GOB\0", entry count, then the table.
    static constexpr std::size_t HEADER_SIZE = 8;
    static constexpr std::size_t NAME_SIZE = 260;
    static constexpr std::size_t ENTRY_SIZE = 8 + NAME_SIZE;

    GOBFile(const std::wstring& name, const std::wstring& archiveFileName, int priority);
    ~GOBFile() override;
    GOBFile(const GOBFile&) = delete;
    GOBFile& operator=(const GOBFile&) = delete;

    // Opens the archive and reads its table; a missing or malformed archive
    // leaves no entries and no handle.
    bool loadFile(const std::wstring& archiveFileName);

    // On a match: start = the entry's offset, end = offset + size, and the
    // archive's shared handle, positioned at start. Outputs untouched otherwise.
    bool getFilePtr(const std::wstring& name, FILE*& handle, uint32_t& start, uint32_t& end);
    // The same with the archive's shared byte stream (the archive opened a
    // second time, untranslated), sought to start.
    bool getStreamPtr(const std::wstring& name, std::istream*& stream, uint32_t& start, uint32_t& end);
    bool FileExists(const std::wstring& name);

    int getPriority() const { return m_priority; }
    const std::wstring& getArchiveFileName() const { return m_archiveFileName; }
    const std::vector<GOBEntry>& getEntries() const { return m_entries; }

    // Reads and checks the table of an archive of fileSize bytes opened in
    // handle: the magic and a non-zero count whose table fits in the file. On
    // failure problem says what is wrong and entries is empty. An entry whose
    // data does not lie inside the file is left out alone, described in
    // skipped. Shared with the archive tool so both accept the same files.
    static bool readTable(FILE* handle, uint64_t fileSize, std::vector<GOBEntry>& entries, std::wstring& problem,
                          std::vector<std::wstring>* skipped = nullptr);

    // A lookup name as the table stores names: slashes become backslashes,
    // doubled separators collapse, ANSI code page (unmapped characters become
    // a blank), A to Z lower-cased.
    static std::string normaliseName(const std::wstring& name);
    static void toLowerAscii(std::string& text);

private:
    // Index of the entry matching name, or -1; logs the lookup under function.
    int find(const wchar_t* function, const std::wstring& name);
    // The entries by name (the first of equal names), built when the table is read.
    void buildIndex();
    void close();

    FILE* m_handle = nullptr;
    std::unique_ptr<std::istream> m_stream;
    std::wstring m_archiveFileName;
    int m_priority = 0;
    std::vector<GOBEntry> m_entries;
    // Open addressing over the entries: index + 1, 0 for a free slot.
    std::vector<uint32_t> m_index;
    // The last lookup name in the table's form, kept so lookups allocate nothing.
    std::string m_key;
};

} // namespace Ulvo
