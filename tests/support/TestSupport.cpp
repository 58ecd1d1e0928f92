#include "support/TestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace TestSupport {

TempDir::TempDir()
{
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = fs::temp_directory_path() / ("ulvo-test-" + std::to_string(rd()));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            m_path = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir()
{
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

ScopedCwd::ScopedCwd(const fs::path& dir) : m_old(fs::current_path())
{
    fs::current_path(dir);
}

ScopedCwd::~ScopedCwd()
{
    std::error_code ec;
    fs::current_path(m_old, ec);
}

std::vector<uint8_t> readBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const fs::path& file, const std::vector<uint8_t>& bytes)
{
    if (file.has_parent_path())
        fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void writeText(const fs::path& file, const std::string& text)
{
    writeBytes(file, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string readText(const fs::path& file)
{
    auto bytes = readBytes(file);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<uint8_t> utf16le(const std::wstring& text, bool withBom)
{
    std::vector<uint8_t> out;
    if (withBom) {
        out.push_back(0xFF);
        out.push_back(0xFE);
    }
    auto unit = [&out](uint32_t u) {
        out.push_back(static_cast<uint8_t>(u & 0xFF));
        out.push_back(static_cast<uint8_t>(u >> 8));
    };
    for (wchar_t ch : text) {
        uint32_t c = static_cast<uint32_t>(ch);
        if (c >= 0x10000) {
            c -= 0x10000;
            unit(0xD800 + (c >> 10));
            unit(0xDC00 + (c & 0x3FF));
        } else {
            unit(c);
        }
    }
    return out;
}

static fs::path envPath(const char* name, const char* fallback)
{
    const char* value = std::getenv(name);
    return fs::path(value && *value ? value : fallback);
}

fs::path sourceDir()
{
    return envPath("ULVO_SOURCE_DIR", ULVO_DEFAULT_SOURCE_DIR);
}
fs::path runtimeDir()
{
    return envPath("ULVO_RUNTIME_DIR", ULVO_DEFAULT_RUNTIME_DIR);
}
fs::path binDir()
{
    return envPath("ULVO_BIN_DIR", ULVO_DEFAULT_BIN_DIR);
}

double machineSlowness()
{
    double load = 0.0;
    std::ifstream loadavg("/proc/loadavg");
    if (!(loadavg >> load))
        return 1.0;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return std::clamp(load / cores, 1.0, 8.0);
}

bool waitPatiently(std::chrono::milliseconds quietBound, const std::function<bool()>& done,
                   std::chrono::milliseconds poll)
{
    const auto start = std::chrono::steady_clock::now();
    auto bound = quietBound * machineSlowness();
    auto lastLook = start;
    while (!done()) {
        const auto now = std::chrono::steady_clock::now();
        if (now - lastLook >= std::chrono::seconds(1)) {
            bound = std::max(bound, quietBound * machineSlowness());
            lastLook = now;
        }
        if (now - start >= bound)
            return false;
        std::this_thread::sleep_for(poll);
    }
    return true;
}

} // namespace TestSupport
