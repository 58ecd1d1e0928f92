// Translated stages on disk (see TranslationCache.h).
#include "d3dx9/effects/TranslationCache.h"

#include "common/Diagnostics.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

extern char* program_invocation_short_name;

namespace D3DXEffects {

namespace {

// "ULVOFXT1", the key's length and bytes, the stage's length and bytes, a checksum of both.
constexpr char kMagic[8] = {'U', 'L', 'V', 'O', 'F', 'X', 'T', '1'};
// Entries larger than this are not ours.
constexpr uint64_t kLargestEntry = 64u << 20;

uint64_t fnv1a(std::string_view bytes, uint64_t hash = 14695981039346656037ull)
{
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

bool makeFolders(const std::string& path)
{
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string cacheHome()
{
    // Relative values are invalid by the XDG rules and ignored.
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && cache[0] == '/')
        return cache;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.cache";
    const passwd* entry = getpwuid(getuid());
    if (entry && entry->pw_dir && entry->pw_dir[0] == '/')
        return std::string(entry->pw_dir) + "/.cache";
    return std::string();
}

void reportOnce(const std::string& folder, const char* what)
{
    static std::atomic<bool> reported{false};
    if (!reported.exchange(true))
        Diagnostics::warning("D3DX", "translated effects are not kept in %s (%s: %s)", folder.c_str(), what,
                             std::strerror(errno));
}

// The folder of this program's entries, made on first use; empty when there is none. Read
// every time, so a test can point the cache elsewhere between effects.
std::string cacheFolder()
{
    const std::string home = cacheHome();
    if (home.empty())
        return std::string();
    const char* program = program_invocation_short_name;
    const std::string folder = home + "/" + (program && *program ? program : "ulvo") + "/effects";
    if (makeFolders(folder))
        return folder;
    reportOnce(folder, "cannot make the folder");
    return std::string();
}

std::string entryPath(const std::string& folder, const std::string& key)
{
    char name[32];
    std::snprintf(name, sizeof name, "/%016llx.fxt", static_cast<unsigned long long>(fnv1a(key)));
    return folder + name;
}

void put64(std::string& out, uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

bool get64(std::string_view& in, uint64_t& value)
{
    if (in.size() < 8)
        return false;
    value = 0;
    for (int i = 0; i < 8; ++i)
        value |= static_cast<uint64_t>(static_cast<unsigned char>(in[i])) << (8 * i);
    in.remove_prefix(8);
    return true;
}

bool readFile(const std::string& path, std::string& bytes)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<uint64_t>(info.st_size) <= kLargestEntry;
    if (ok) {
        bytes.resize(static_cast<size_t>(info.st_size));
        size_t at = 0;
        while (at < bytes.size()) {
            const ssize_t n = read(fd, bytes.data() + at, bytes.size() - at);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            at += static_cast<size_t>(n);
        }
        ok = at == bytes.size();
    }
    close(fd);
    return ok;
}

} // namespace

std::string translationKey(const std::string& source, const ShaderEntry& entry)
{
    std::string key = translatorVersion();
    key += '\0';
    key += entry.vertex ? "vertex " : "pixel ";
    key += entry.glslangEntry + ' ' + entry.entry + '\0';
    key += source;
    return key;
}

std::shared_ptr<const TranslatedStage> loadTranslation(const std::string& key)
{
    const std::string folder = cacheFolder();
    if (folder.empty())
        return nullptr;
    std::string bytes;
    if (!readFile(entryPath(folder, key), bytes))
        return nullptr;
    std::string_view in(bytes);
    uint64_t keySize = 0, stageSize = 0, checksum = 0;
    if (in.size() < sizeof kMagic || std::memcmp(in.data(), kMagic, sizeof kMagic) != 0)
        return nullptr;
    in.remove_prefix(sizeof kMagic);
    if (!get64(in, keySize) || keySize != key.size() || in.size() < keySize)
        return nullptr;
    const std::string_view storedKey = in.substr(0, keySize);
    in.remove_prefix(keySize);
    if (storedKey != key || !get64(in, stageSize) || in.size() < stageSize)
        return nullptr;
    const std::string_view stage = in.substr(0, stageSize);
    in.remove_prefix(stageSize);
    if (!get64(in, checksum) || !in.empty() || checksum != fnv1a(stage, fnv1a(storedKey)))
        return nullptr;
    return unpackStage(std::string(stage));
}

void storeTranslation(const std::string& key, const TranslatedStage& stage)
{
    const std::string folder = cacheFolder();
    if (folder.empty())
        return;
    const std::string packed = packStage(stage);
    std::string bytes(kMagic, sizeof kMagic);
    put64(bytes, key.size());
    bytes += key;
    put64(bytes, packed.size());
    bytes += packed;
    put64(bytes, fnv1a(packed, fnv1a(key)));

    // Written aside and renamed, so a reader never sees half an entry and two programs
    // storing the same entry do not mix their bytes.
    const std::string path = entryPath(folder, key);
    const std::string aside = path + "." + std::to_string(getpid()) + ".tmp";
    const int fd = open(aside.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        reportOnce(folder, "cannot write");
        return;
    }
    const bool written = Diagnostics::writeAll(fd, bytes);
    const bool closed = close(fd) == 0;
    if (!written || !closed || rename(aside.c_str(), path.c_str()) != 0) {
        reportOnce(folder, "cannot write");
        unlink(aside.c_str());
    }
}

} // namespace D3DXEffects
