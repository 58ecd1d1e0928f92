// gobtool: packs, lists and extracts the engine's GOB archives.
//   gobtool pack DIR OUT.gob      every file under DIR, names relative to DIR
//   gobtool list FILE.gob         size, offset and name of each entry
//   gobtool extract FILE.gob DIR  the entries as files under DIR
#include "foundation/files/GOBFile.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using Ulvo::GOBEntry;
using Ulvo::GOBFile;

namespace {

int fail(const std::string& message)
{
    std::fprintf(stderr, "gobtool: %s\n", message.c_str());
    return 1;
}

std::wstring fromCodePage(unsigned codePage, const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    if (length > 0)
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

// False when a character has no place in the code page.
bool toCodePage(unsigned codePage, const std::wstring& wide, std::string& out)
{
    out.clear();
    if (wide.empty())
        return true;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultPtr = codePage == CP_UTF8 ? nullptr : &usedDefault;
    const int length = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                           usedDefaultPtr);
    if (length <= 0)
        return false;
    out.resize(static_cast<std::size_t>(length));
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), out.data(), length, nullptr,
                        usedDefaultPtr);
    return !usedDefault;
}

// Archive names are in the ANSI code page; the terminal and the file system speak UTF-8.
std::string ansiToUtf8(const std::string& ansi)
{
    std::string utf8;
    toCodePage(CP_UTF8, fromCodePage(CP_ACP, ansi), utf8);
    return utf8;
}

void putLE32(std::vector<unsigned char>& out, std::size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
}

bool readWholeFile(const fs::path& path, std::vector<unsigned char>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    bytes.clear();
    unsigned char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

struct PackItem {
    std::string name; // as stored: ANSI code page, backslashes, original case
    fs::path source;
};

int pack(const fs::path& dir, const fs::path& out)
{
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
        return fail("pack: " + dir.string() + " is not a folder");

    const fs::path outAbsolute = fs::weakly_canonical(fs::absolute(out), ec);
    const fs::path temporary = out.string() + ".tmp";
    const fs::path temporaryAbsolute = fs::weakly_canonical(fs::absolute(temporary), ec);
    std::vector<PackItem> items;
    std::set<std::string> seen; // lower-cased names, as the engine will see them
    fs::recursive_directory_iterator it(dir, ec), endIt;
    if (ec)
        return fail("pack: cannot read " + dir.string() + ": " + ec.message());
    for (; it != endIt; it.increment(ec)) {
        if (ec)
            return fail("pack: cannot read " + dir.string() + ": " + ec.message());
        const fs::path relative = fs::relative(it->path(), dir, ec);
        // The engine writes its log folder into the runtime folder; it is no data.
        if (it.depth() == 0 && it->is_directory() && relative.string() == "logs") {
            it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file())
            continue;
        // The archive being written (and its half-written form) never packs itself.
        const fs::path absolute = fs::weakly_canonical(fs::absolute(it->path()), ec);
        if (absolute == outAbsolute || absolute == temporaryAbsolute)
            continue;

        std::string relativeText = relative.generic_string();
        std::replace(relativeText.begin(), relativeText.end(), '/', '\\');
        PackItem item;
        item.source = it->path();
        if (!toCodePage(CP_ACP, fromCodePage(CP_UTF8, relativeText), item.name))
            return fail("pack: the name " + relativeText + " has characters outside Windows-1252");
        if (item.name.size() >= GOBFile::NAME_SIZE)
            return fail("pack: the name " + relativeText + " is " + std::to_string(item.name.size()) +
                        " bytes long; archive names hold at most " + std::to_string(GOBFile::NAME_SIZE - 1));
        std::string lower = item.name;
        GOBFile::toLowerAscii(lower);
        if (!seen.insert(lower).second)
            return fail("pack: two files differ only in case: " + relativeText);
        items.push_back(std::move(item));
    }
    if (items.empty())
        return fail("pack: " + dir.string() + " holds no files (an archive needs at least one entry)");
    // Sorted as the engine sees the names (lower-cased), so the order does not hang on spelling.
    std::sort(items.begin(), items.end(), [](const PackItem& a, const PackItem& b) {
        std::string left = a.name;
        std::string right = b.name;
        GOBFile::toLowerAscii(left);
        GOBFile::toLowerAscii(right);
        return left < right;
    });

    const std::size_t tableSize = GOBFile::HEADER_SIZE + items.size() * GOBFile::ENTRY_SIZE;
    std::vector<unsigned char> table(tableSize, 0);
    table[0] = 'G';
    table[1] = 'O';
    table[2] = 'B';
    table[3] = 0;
    putLE32(table, 4, static_cast<uint32_t>(items.size()));

    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        return fail("pack: cannot write " + temporary.string());
    bool ok = std::fwrite(table.data(), 1, table.size(), file) == table.size();
    uint64_t offset = tableSize;
    std::vector<unsigned char> bytes;
    for (std::size_t i = 0; ok && i < items.size(); ++i) {
        if (!readWholeFile(items[i].source, bytes)) {
            std::fclose(file);
            fs::remove(temporary, ec);
            return fail("pack: cannot read " + items[i].source.string());
        }
        if (offset + bytes.size() > 0xFFFFFFFFull) {
            std::fclose(file);
            fs::remove(temporary, ec);
            return fail("pack: the archive would exceed 4 GiB");
        }
        const std::size_t at = GOBFile::HEADER_SIZE + i * GOBFile::ENTRY_SIZE;
        putLE32(table, at, static_cast<uint32_t>(offset));
        putLE32(table, at + 4, static_cast<uint32_t>(bytes.size()));
        std::memcpy(table.data() + at + 8, items[i].name.data(), items[i].name.size());
        ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        offset += bytes.size();
    }
    // The table's offsets are known only now.
    ok = ok && std::fseek(file, 0, SEEK_SET) == 0 && std::fwrite(table.data(), 1, table.size(), file) == table.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        fs::remove(temporary, ec);
        return fail("pack: writing " + out.string() + " failed");
    }
    fs::rename(temporary, out, ec);
    if (ec) {
        fs::remove(temporary, ec);
        return fail("pack: cannot replace " + out.string());
    }
    return 0;
}

// Opens and validates an archive as the engine does.
bool openArchive(const fs::path& path, FILE*& file, std::vector<GOBEntry>& entries, std::string& error)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        error = path.string() + " is not a file";
        return false;
    }
    const uint64_t size = fs::file_size(path, ec);
    file = std::fopen(path.c_str(), "rb");
    if (ec || !file) {
        error = "cannot open " + path.string();
        return false;
    }
    std::wstring problem;
    if (!GOBFile::readTable(file, size, entries, problem)) {
        std::fclose(file);
        file = nullptr;
        std::string narrow;
        toCodePage(CP_UTF8, problem, narrow);
        error = path.string() + " " + narrow;
        return false;
    }
    return true;
}

int list(const fs::path& archive)
{
    FILE* file = nullptr;
    std::vector<GOBEntry> entries;
    std::string error;
    if (!openArchive(archive, file, entries, error))
        return fail("list: " + error);
    std::fclose(file);
    for (const GOBEntry& entry : entries)
        std::printf("%10u %10u %s\n", entry.size, entry.offset, ansiToUtf8(entry.name).c_str());
    return 0;
}

// A stored name that may be written below the target folder: relative, no "..".
bool safeRelativeName(const std::string& name)
{
    if (name.empty() || name[0] == '\\' || name[0] == '/')
        return false;
    if (name.size() >= 2 && name[1] == ':')
        return false;
    std::size_t begin = 0;
    while (begin <= name.size()) {
        std::size_t end = name.find_first_of("\\/", begin);
        if (end == std::string::npos)
            end = name.size();
        if (name.compare(begin, end - begin, "..") == 0)
            return false;
        begin = end + 1;
    }
    return true;
}

// A folder below `parent`, made when missing; never a symbolic link. -1 (errno set) otherwise.
int openFolderBelow(int parent, const std::string& name)
{
    if (mkdirat(parent, name.c_str(), 0777) != 0 && errno != EEXIST)
        return -1;
    return openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Writes an entry below the target folder without following any link already there: a link
// where a folder or the file would go is refused, as is anything but a regular file.
bool writeBelow(int root, const std::string& relative, const std::vector<unsigned char>& bytes, std::string& problem)
{
    std::vector<std::string> parts;
    std::size_t begin = 0;
    while (begin <= relative.size()) {
        std::size_t end = relative.find('/', begin);
        if (end == std::string::npos)
            end = relative.size();
        if (end > begin && relative.compare(begin, end - begin, ".") != 0)
            parts.push_back(relative.substr(begin, end - begin));
        begin = end + 1;
    }
    if (parts.empty()) {
        problem = "has no file name";
        return false;
    }
    int folder = dup(root);
    for (std::size_t i = 0; i + 1 < parts.size() && folder >= 0; ++i) {
        const int below = openFolderBelow(folder, parts[i]);
        if (below < 0)
            problem = parts[i] + (errno == ELOOP || errno == ENOTDIR ? " is a link or no folder" : " cannot be made");
        close(folder);
        folder = below;
    }
    if (folder < 0)
        return false;
    const int file =
        openat(folder, parts.back().c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    const int openError = errno;
    close(folder);
    if (file < 0) {
        problem = openError == ELOOP ? "is a link" : "cannot be written";
        return false;
    }
    struct stat st;
    bool ok = fstat(file, &st) == 0 && S_ISREG(st.st_mode);
    if (!ok)
        problem = "is no regular file";
    ok = ok && ftruncate(file, 0) == 0;
    std::size_t written = 0;
    while (ok && written < bytes.size()) {
        const ssize_t n = write(file, bytes.data() + written, bytes.size() - written);
        ok = n > 0;
        written += ok ? static_cast<std::size_t>(n) : 0;
    }
    if (!ok && problem.empty())
        problem = "cannot be written";
    return close(file) == 0 && ok;
}

int extract(const fs::path& archive, const fs::path& dir)
{
    FILE* file = nullptr;
    std::vector<GOBEntry> entries;
    std::string error;
    if (!openArchive(archive, file, entries, error))
        return fail("extract: " + error);
    for (const GOBEntry& entry : entries) {
        if (!safeRelativeName(entry.name)) {
            std::fclose(file);
            return fail("extract: refusing the entry name " + ansiToUtf8(entry.name) +
                        " (absolute or leading outside the target folder)");
        }
    }
    std::error_code ec;
    fs::create_directories(dir, ec);
    const int root = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0) {
        std::fclose(file);
        return fail("extract: cannot open the folder " + dir.string());
    }

    int result = 0;
    std::set<std::string> written;
    std::vector<unsigned char> bytes;
    for (const GOBEntry& entry : entries) {
        // The engine finds the first of equal names; later ones are unreachable.
        if (!written.insert(entry.name).second)
            continue;
        std::string relative = ansiToUtf8(entry.name);
        std::replace(relative.begin(), relative.end(), '\\', '/');
        bytes.resize(entry.size);
        const bool read = std::fseek(file, static_cast<long>(entry.offset), SEEK_SET) == 0 &&
                          (bytes.empty() || std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size());
        if (!read) {
            close(root);
            std::fclose(file);
            return fail("extract: cannot read " + relative);
        }
        std::string problem;
        if (!writeBelow(root, relative, bytes, problem)) {
            // Refused alone: the other entries are still written.
            result = fail("extract: refusing " + relative + ": " + problem);
        }
    }
    close(root);
    std::fclose(file);
    return result;
}

int usage()
{
    std::fprintf(stderr, "usage: gobtool pack DIR OUT.gob\n"
                         "       gobtool list FILE.gob\n"
                         "       gobtool extract FILE.gob DIR\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const std::string command = argv[1];
    if (command == "pack" && argc == 4)
        return pack(argv[2], argv[3]);
    if (command == "list" && argc == 3)
        return list(argv[2]);
    if (command == "extract" && argc == 4)
        return extract(argv[2], argv[3]);
    return usage();
}
