// PNG stream checks made on worker threads before the files are loaded, remembered by content,
// and kept in a file between starts so that an unchanged picture is inflated only by its decode.
#include "d3dx9/ImageData.h"

#include <platform_app.h>

#include <algorithm>
#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace D3DXImage {

namespace {

// The bytes' length and two independent 64-bit mixes of them: a verdict is recalled only for the
// same bytes (no file is made to collide with another here; a wrong recall would still meet the
// decoder's own checks at the first use).
struct ContentKey {
    uint64_t first = 0, second = 0, size = 0;
    bool operator==(const ContentKey& other) const = default;
};

struct ContentKeyHash {
    size_t operator()(const ContentKey& key) const { return size_t(key.first ^ (key.second >> 1)); }
};

ContentKey keyOf(const BYTE* data, size_t size)
{
    uint64_t a = 0x9E3779B97F4A7C15ull ^ size, b = 0xC2B2AE3D27D4EB4Full + size;
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        std::memcpy(&word, data + i, 8);
        a = (a ^ word) * 0xFF51AFD7ED558CCDull;
        a ^= a >> 31;
        b = (b + word) * 0x9FB21C651E98DF25ull;
        b ^= b >> 29;
    }
    uint64_t tail = 0;
    std::memcpy(&tail, data + i, size - i);
    a = (a ^ tail) * 0xFF51AFD7ED558CCDull;
    b = (b + tail) * 0x9FB21C651E98DF25ull;
    return {a ^ (a >> 33), b ^ (b >> 32), uint64_t(size)};
}

class ChecksAhead {
public:
    ~ChecksAhead() { end(); }

    void start(const std::string& folder, const std::string& keptFile)
    {
        std::lock_guard<std::mutex> guard(m_control);
        if (m_lister.joinable())
            return;
        m_stop = false;
        m_inflated = 0;
        try {
            m_lister = std::thread([this, folder, keptFile] { run(folder, keptFile); });
        } catch (const std::system_error&) {
            // No thread: every file is checked at its load, as without this.
        }
    }

    void end()
    {
        std::lock_guard<std::mutex> guard(m_control);
        m_stop = true;
        if (m_lister.joinable()) {
            m_lister.join();
            char line[96];
            std::snprintf(line, sizeof line, "image checks ahead ended, %u recalled", m_recalled.load());
            PlatformStartupMark(line);
        }
        std::lock_guard<std::mutex> verdicts(m_lock);
        m_any = false;
        std::unordered_map<ContentKey, StreamCheck, ContentKeyHash>().swap(m_verdicts);
    }

    void wait()
    {
        std::lock_guard<std::mutex> guard(m_control);
        if (m_lister.joinable())
            m_lister.join();
    }

    bool recall(const ContentKey& key, StreamCheck& verdict)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_verdicts.empty())
            return false;
        const auto found = m_verdicts.find(key);
        if (found == m_verdicts.end())
            return false;
        verdict = found->second;
        ++m_recalled;
        return true;
    }
    unsigned recalled() const { return m_recalled.load(); }
    unsigned inflated() const { return m_inflated.load(); }
    // Without verdicts a load does not even look (no key made).
    bool any() const { return m_any.load(); }

private:
    // A file's verdict as kept between starts: found again by the file's path, length and time of
    // change, it gives the content key and verdict without reading the file.
    struct Kept {
        uint64_t size = 0;
        int64_t changed = 0;
        ContentKey key;
        StreamCheck verdict = StreamCheck::NotHandled;
    };
    using KeptFiles = std::unordered_map<std::string, Kept>;

    // One line per file: length, time of change, the two mixes, the verdict, the path in the
    // folder. Lines that do not read so are dropped (the file is checked again).
    static KeptFiles readKept(const std::string& keptFile)
    {
        KeptFiles kept;
        std::ifstream in(keptFile);
        std::string line;
        if (!in || !std::getline(in, line) || line != kKeptHeader)
            return kept;
        while (std::getline(in, line)) {
            Kept entry;
            unsigned long long size = 0, first = 0, second = 0;
            long long changed = 0;
            int verdict = -1, used = 0;
            if (std::sscanf(line.c_str(), "%llu %lld %llx %llx %d %n", &size, &changed, &first, &second, &verdict,
                            &used) != 5 ||
                verdict < 0 || verdict > 2 || used <= 0 || size_t(used) >= line.size())
                continue;
            entry.size = size;
            entry.changed = changed;
            entry.key = ContentKey{first, second, size};
            entry.verdict = static_cast<StreamCheck>(verdict);
            kept[line.substr(size_t(used))] = entry;
        }
        return kept;
    }

    // Written whole beside and renamed over the old one, so a start that ends meanwhile leaves
    // either file.
    static void writeKept(const std::string& keptFile, const KeptFiles& kept)
    {
        std::error_code error;
        const std::filesystem::path path(keptFile);
        if (path.has_parent_path())
            std::filesystem::create_directories(path.parent_path(), error);
        const std::string part = keptFile + ".part";
        // A link left at the temporary name is removed, never written through.
        std::filesystem::remove(part, error);
        {
            std::ofstream out(part, std::ios::trunc);
            out << kKeptHeader << '\n';
            for (const auto& [name, entry] : kept) {
                if (name.find('\n') != std::string::npos)
                    continue;
                char head[128];
                std::snprintf(head, sizeof head, "%" PRIu64 " %" PRId64 " %" PRIx64 " %" PRIx64 " %d ", entry.size,
                              entry.changed, entry.key.first, entry.key.second, static_cast<int>(entry.verdict));
                out << head << name << '\n';
            }
            if (!out.flush()) {
                out.close();
                std::filesystem::remove(part, error);
                return;
            }
        }
        std::filesystem::rename(part, keptFile, error);
        if (error)
            std::filesystem::remove(part, error);
    }

    // Lists the files, takes the kept verdicts of unchanged ones, then checks the others together
    // with a few helpers.
    void run(const std::string& folder, const std::string& keptFile)
    {
        KeptFiles kept = keptFile.empty() ? KeptFiles{} : readKept(keptFile);
        const size_t keptBefore = kept.size();
        std::vector<std::pair<std::filesystem::path, std::string>> files; // to check: the file, its name
        std::vector<std::string> seen;
        std::error_code error;
        for (std::filesystem::recursive_directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            std::string extension = it->path().extension().string();
            std::transform(extension.begin(), extension.end(), extension.begin(),
                           [](char c) { return char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
            std::error_code fileError;
            if (extension != ".png" || !it->is_regular_file(fileError))
                continue;
            std::string name = it->path().lexically_relative(folder).generic_string();
            const auto found = kept.find(name);
            const uint64_t size = it->file_size(fileError);
            const int64_t changed = int64_t(it->last_write_time(fileError).time_since_epoch().count());
            if (!fileError && found != kept.end() && found->second.size == size && found->second.changed == changed) {
                remember(found->second.key, found->second.verdict);
            } else {
                if (found != kept.end())
                    kept.erase(found);
                files.emplace_back(it->path(), name);
            }
            seen.push_back(std::move(name));
        }
        std::vector<Kept> made(files.size());
        std::atomic<size_t> next{0};
        auto work = [this, &files, &next, &made] {
            std::vector<BYTE> bytes;
            for (size_t i = next++; i < files.size() && !m_stop; i = next++)
                checkFile(files[i].first, bytes, made[i]);
        };
        const unsigned cores = std::max(2u, std::thread::hardware_concurrency());
        const size_t helpers = std::min<size_t>(std::min(3u, cores - 1), files.size() / 8);
        std::vector<std::thread> threads;
        for (size_t i = 0; i < helpers; ++i) {
            try {
                threads.emplace_back(work);
            } catch (const std::system_error&) {
                break;
            }
        }
        work();
        for (std::thread& thread : threads)
            thread.join();
        char line[128];
        std::snprintf(line, sizeof line, "image checks ahead: %zu files, %zu checked, %zu helpers", seen.size(),
                      files.size(), helpers);
        PlatformStartupMark(line);
        if (keptFile.empty() || m_stop || error)
            return;
        bool changed = !files.empty();
        for (size_t i = 0; i < files.size(); ++i) {
            if (made[i].size != 0)
                kept[files[i].second] = made[i];
        }
        // Files gone from the folder are forgotten.
        std::sort(seen.begin(), seen.end());
        for (auto it = kept.begin(); it != kept.end();) {
            if (!std::binary_search(seen.begin(), seen.end(), it->first)) {
                it = kept.erase(it);
                changed = true;
            } else {
                ++it;
            }
        }
        if (changed || kept.size() != keptBefore)
            writeKept(keptFile, kept);
    }

    void remember(const ContentKey& key, StreamCheck verdict)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_verdicts[key] = verdict;
        m_any = true;
    }

    void checkFile(const std::filesystem::path& path, std::vector<BYTE>& bytes, Kept& made)
    {
        std::error_code sizeError, timeError;
        const auto size = std::filesystem::file_size(path, sizeError);
        const auto changed = std::filesystem::last_write_time(path, timeError);
        std::ifstream file(path, std::ios::binary);
        if (!file || sizeError || timeError || size == 0 || size > (64u << 20))
            return;
        bytes.resize(size_t(size));
        if (!file.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size)))
            return;
        const StreamCheck verdict = checkPngStream(bytes.data(), bytes.size());
        ++m_inflated;
        const ContentKey key = keyOf(bytes.data(), bytes.size());
        remember(key, verdict);
        made = Kept{uint64_t(size), int64_t(changed.time_since_epoch().count()), key, verdict};
    }

    static constexpr const char* kKeptHeader = "image checks 1";

    std::mutex m_control; // start, end and wait
    std::thread m_lister;
    std::atomic<bool> m_stop{false};
    std::mutex m_lock; // the verdicts
    std::unordered_map<ContentKey, StreamCheck, ContentKeyHash> m_verdicts;
    std::atomic<unsigned> m_recalled{0};
    std::atomic<unsigned> m_inflated{0}; // files read and checked by the last start
    std::atomic<bool> m_any{false};
};

ChecksAhead& checksAhead()
{
    static ChecksAhead ahead;
    return ahead;
}

} // namespace

StreamCheck checkPngStreamOrRecall(const BYTE* data, size_t size)
{
    StreamCheck verdict;
    if (checksAhead().any() && checksAhead().recall(keyOf(data, size), verdict))
        return verdict;
    return checkPngStream(data, size);
}

void waitForChecksAhead()
{
    checksAhead().wait();
}

unsigned checksAheadRecalled()
{
    return checksAhead().recalled();
}

unsigned checksAheadInflated()
{
    return checksAhead().inflated();
}

} // namespace D3DXImage

void PlatformStartImageChecksAhead(const std::wstring& folder, const std::wstring& keptFile)
{
    D3DXImage::checksAhead().start(PlatformMapPath(folder),
                                   keptFile.empty() ? std::string() : PlatformMapPath(keptFile));
}

void PlatformEndImageChecksAhead()
{
    D3DXImage::checksAhead().end();
}
