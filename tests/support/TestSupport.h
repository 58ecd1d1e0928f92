#pragma once
// Shared helpers for the unit tests: temporary folders and whole-file I/O.
#include <chrono>
#include <cstdint>
#include <functional>
#include <filesystem>
#include <string>
#include <vector>

namespace TestSupport {

// A fresh folder under the system temp folder, removed again on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// Changes the working folder for the lifetime of the object.
class ScopedCwd {
public:
    explicit ScopedCwd(const std::filesystem::path& dir);
    ~ScopedCwd();
    ScopedCwd(const ScopedCwd&) = delete;
    ScopedCwd& operator=(const ScopedCwd&) = delete;

private:
    std::filesystem::path m_old;
};

std::vector<uint8_t> readBytes(const std::filesystem::path& file);
void writeBytes(const std::filesystem::path& file, const std::vector<uint8_t>& bytes);
void writeText(const std::filesystem::path& file, const std::string& text);
std::string readText(const std::filesystem::path& file);

// UTF-16LE bytes of a wide string, with or without a byte-order mark.
std::vector<uint8_t> utf16le(const std::wstring& text, bool withBom);

// Folders of this build (source tree, runtime folder, tool folder); the
// variables ULVO_SOURCE_DIR, ULVO_RUNTIME_DIR and ULVO_BIN_DIR override them.
std::filesystem::path sourceDir();
std::filesystem::path runtimeDir();
std::filesystem::path binDir();

// How many times longer than on a quiet machine work may take now: the load average over the
// cores, at least 1 and at most 8. A busy shared machine stretches a game's start by that much.
double machineSlowness();

// Waits until done() holds and says whether it did. The bound only catches a hang: it is the
// given time stretched by the machine's slowness, looked at again while waiting, so a load that
// rises during the wait extends it.
bool waitPatiently(std::chrono::milliseconds quietBound, const std::function<bool()>& done,
                   std::chrono::milliseconds poll = std::chrono::milliseconds(10));

} // namespace TestSupport
