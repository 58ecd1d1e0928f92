#pragma once
// A data file found through a search order, on disk or in a GOB archive, and
// read as text (UTF-16LE when it starts with a byte-order mark) or raw bytes.
#include "foundation/objects/NamedObject.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace Ulvo {

class GOBOrder;
class XMLNode;

class File : public NamedObject {
public:
    explicit File(const std::wstring& name);
    // NAME names the object, GOBORDER picks the search order ("DEFAULT" when
    // absent) and FILENAME, when present, is loaded at once (as a data reference).
    explicit File(XMLNode* node);
    ~File() override;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Looks the name up in the order's places in turn; false when none has it.
    bool loadFile(const std::wstring& name, GOBOrder* order);
    // loadFile for a name read from a data file: one that leads out of the working folder
    // (absolute, or climbing above it with "..") is refused with a log line.
    bool loadDataFile(const std::wstring& name, GOBOrder* order);
    // True for a relative name, with either separator, that never climbs above where it starts.
    static bool isDataReference(const std::wstring& name);
    // The one check for every name a data file, a scene or a console command gives to read or
    // write: isDataReference, and what of it is on disk does not lead out of the working folder
    // through a link. A log line when it fails.
    static bool checkDataReference(const std::wstring& name);
    // A file name of its own made from an object's name: separators, colons and the other
    // characters no file name may hold become "_", and a name of dots only becomes "_".
    static std::wstring safeFileName(const std::wstring& name);
    // Where a path really leads, links followed; the path itself when that cannot be told.
    static std::wstring finalPath(const std::wstring& path);

    // The one check for every file the game writes: a relative name (what data files and the
    // console give) must really lie in the working folder, links followed; an absolute name is the
    // game's own (the save folder, the user's folders). A log line when it fails.
    static bool checkWriteTarget(const std::wstring& name);
    // The one way to write such a file: checkWriteTarget, then `write` fills a temporary beside
    // the name, which then replaces it (a link there is replaced, never written through). False,
    // with the old file as it was, when any step fails.
    static bool writeReplacing(const std::wstring& name, const std::function<bool(const std::wstring&)>& write);

    // The file's text; empty when no file is open.
    std::wstring getFILE_DATA();
    // The same text undecoded, for readers that decode as they go: the stored
    // bytes beginning with the UTF-16LE byte-order mark (unicode true), or the
    // single-byte text after the disk's text-mode translation. Logs as getFILE_DATA.
    bool getTextBytes(std::vector<unsigned char>& bytes, bool& unicode);
    // The same into memory of the caller's with room for storedSize() bytes; size is the count
    // of bytes the text keeps. Nothing is filled twice: large documents are read straight in.
    bool getTextBytes(unsigned char* out, std::size_t& size, bool& unicode);
    // The count of bytes stored for the open file (0 without one).
    std::size_t storedSize() const { return m_handle && m_end >= m_start ? m_end - m_start : 0; }
    // The file's bytes in a new array (free with delete[]) and their count.
    bool getFILE_DATA(unsigned char*& buffer, uint32_t& size);

    bool isOpen() const { return m_handle != nullptr; }
    const std::wstring& getFileName() const { return m_fileName; }

    static bool FileExists(const std::wstring& name, GOBOrder* order);

    // Path helpers on backslash-separated paths.
    static std::wstring removeDoubleBackslashes(const std::wstring& path);
    static std::wstring getPath(const std::wstring& path);
    static std::wstring getFileNameFromPath(const std::wstring& path, bool withoutExtension);
    static std::wstring combinePath(const std::wstring& directory, const std::wstring& relative);

    // Files registered for reading by name; nothing registers any.
    static std::vector<File*>& getLoadedFiles();

private:
    void closeOwned();
    bool readBytes(unsigned char* out, std::size_t count);

    std::wstring m_fileName;
    FILE* m_handle = nullptr;
    uint32_t m_start = 0xFFFFFFFFu;
    uint32_t m_end = 0xFFFFFFFFu;
    bool m_ownsHandles = false;
    // Disk text gets the C runtime's text-mode translation; archive entries do not.
    bool m_fromDisk = false;
};

} // namespace Ulvo
