// PNG stream checks made on worker threads before the files are loaded, remembered by content.
#include "d3dx9/ImageData.h"

#include <platform_app.h>

#include <algorithm>
#include <cstdio>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
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

    void start(const std::string& folder)
    {
        std::lock_guard<std::mutex> guard(m_control);
        if (m_lister.joinable())
            return;
        m_stop = false;
        try {
            m_lister = std::thread([this, folder] { run(folder); });
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
    // Without verdicts a load does not even look (no key made).
    bool any() const { return m_any.load(); }

private:
    // Lists the files, then checks them together with a few helpers.
    void run(const std::string& folder)
    {
        std::vector<std::filesystem::path> files;
        std::error_code error;
        for (std::filesystem::recursive_directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            std::string extension = it->path().extension().string();
            std::transform(extension.begin(), extension.end(), extension.begin(),
                           [](char c) { return char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
            if (extension == ".png" && it->is_regular_file(error))
                files.push_back(it->path());
        }
        std::atomic<size_t> next{0};
        auto work = [this, &files, &next] {
            std::vector<BYTE> bytes;
            for (size_t i = next++; i < files.size() && !m_stop; i = next++)
                checkFile(files[i], bytes);
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
        char line[96];
        std::snprintf(line, sizeof line, "image checks ahead: %zu files, %zu helpers", files.size(), helpers);
        PlatformStartupMark(line);
    }

    void checkFile(const std::filesystem::path& path, std::vector<BYTE>& bytes)
    {
        std::ifstream file(path, std::ios::binary);
        std::error_code error;
        const auto size = std::filesystem::file_size(path, error);
        if (!file || error || size == 0 || size > (64u << 20))
            return;
        bytes.resize(size_t(size));
        if (!file.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size)))
            return;
        const StreamCheck verdict = checkPngStream(bytes.data(), bytes.size());
        const ContentKey key = keyOf(bytes.data(), bytes.size());
        std::lock_guard<std::mutex> guard(m_lock);
        m_verdicts[key] = verdict;
        m_any = true;
    }

    std::mutex m_control; // start, end and wait
    std::thread m_lister;
    std::atomic<bool> m_stop{false};
    std::mutex m_lock; // the verdicts
    std::unordered_map<ContentKey, StreamCheck, ContentKeyHash> m_verdicts;
    std::atomic<unsigned> m_recalled{0};
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

} // namespace D3DXImage

void PlatformStartImageChecksAhead(const std::wstring& folder)
{
    D3DXImage::checksAhead().start(PlatformMapPath(folder));
}

void PlatformEndImageChecksAhead()
{
    D3DXImage::checksAhead().end();
}
