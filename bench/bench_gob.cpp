// Archive lookups and file loading through the "DEFAULT" order, on archives
// of 200, 2,000 and 20,000 entries generated in a temporary folder.
#include "foundation/files/File.h"
#include "foundation/files/GOBFile.h"
#include "foundation/files/GOBManager.h"
#include "foundation/logging/Logger.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kEntries = 2000;
constexpr int kSizes[] = {200, kEntries, 20000};

std::wstring entryName(int i)
{
    return L"data\\Folder" + std::to_wstring(i % 40) + L"\\File" + std::to_wstring(i) + L".dat";
}

// Builds the archive once, registers it as "BASEGOB" behind the disk and works
// in its folder, as the game does; everything is removed at exit.
struct Setup {
    fs::path folder;
    fs::path previous;
    Ulvo::GOBFile* archive = nullptr;

    Setup()
    {
        // Logging every lookup would measure the log files, not the lookups.
        Ulvo::logSwitch() = 0;
        folder = fs::temp_directory_path() / ("ulvo-bench-gob-" + std::to_string(std::random_device()()));
        fs::create_directories(folder);
        previous = fs::current_path();
        fs::current_path(folder);

        for (int count : kSizes)
            writeArchive("size" + std::to_string(count) + ".gob", count);
        fs::copy_file("size" + std::to_string(kEntries) + ".gob", "Lumaro.gob");

        // The disk slot sees a real data folder with some of the folders.
        for (int i = 0; i < 40; i += 2)
            fs::create_directories(folder / "data" / ("Folder" + std::to_string(i)));

        archive = new Ulvo::GOBFile(L"BASEGOB", L"Lumaro.gob", 0);
        Ulvo::GOBManager::getInstance()->addGOBFile(archive);
        Ulvo::GOBManager::getInstance()->createDefaultOrder(0);
    }

    static void writeArchive(const std::string& fileName, int count)
    {
        std::vector<unsigned char> bytes(8 + 268 * static_cast<std::size_t>(count), 0);
        std::memcpy(bytes.data(), "GOB\0", 4);
        auto put32 = [&bytes](std::size_t at, uint32_t v) {
            for (int k = 0; k < 4; ++k)
                bytes[at + static_cast<std::size_t>(k)] = static_cast<unsigned char>(v >> (8 * k));
        };
        put32(4, static_cast<uint32_t>(count));
        for (int i = 0; i < count; ++i) {
            const std::wstring wide = entryName(i);
            const std::string name(wide.begin(), wide.end());
            const std::string data = "entry " + std::to_string(i) + std::string(200, 'x');
            const std::size_t at = 8 + 268 * static_cast<std::size_t>(i);
            put32(at, static_cast<uint32_t>(bytes.size()));
            put32(at + 4, static_cast<uint32_t>(data.size()));
            std::memcpy(bytes.data() + at + 8, name.data(), name.size());
            bytes.insert(bytes.end(), data.begin(), data.end());
        }
        FILE* file = std::fopen(fileName.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }

    ~Setup()
    {
        Ulvo::GOBManager::getInstance()->clear();
        std::error_code ec;
        fs::current_path(previous, ec);
        fs::remove_all(folder, ec);
    }
};

Setup& setup()
{
    static Setup instance;
    return instance;
}

// Hits spread over the whole table, in an archive of range(0) entries: the time
// per lookup must not grow with the table.
void BM_GobLookupHit(benchmark::State& state)
{
    setup();
    const int count = static_cast<int>(state.range(0));
    Ulvo::GOBFile archive(L"SIZED", L"size" + std::to_wstring(count) + L".gob", 1);
    std::vector<std::wstring> names;
    for (int i = 0; i < count; i += std::max(1, count / 64))
        names.push_back(entryName(i));
    std::size_t next = 0;
    for (auto _ : state) {
        if (!archive.FileExists(names[next]))
            state.SkipWithError("entry not found");
        next = (next + 1) % names.size();
    }
}
BENCHMARK(BM_GobLookupHit)->Arg(200)->Arg(kEntries)->Arg(20000);

void BM_GobLookupMiss(benchmark::State& state)
{
    Ulvo::GOBFile* archive = setup().archive;
    const std::wstring name = L"data\\Folder3\\Missing.dat";
    for (auto _ : state)
        benchmark::DoNotOptimize(archive->FileExists(name));
}
BENCHMARK(BM_GobLookupMiss);

// Disk first (a miss on disk), then the archive: the common path of every loader.
void BM_LoadFileDefaultOrder(benchmark::State& state)
{
    setup();
    Ulvo::GOBOrder* order = Ulvo::GOBManager::getInstance()->getGOBOrder(L"DEFAULT");
    std::vector<std::wstring> names;
    for (int i = 0; i < kEntries; i += 97)
        names.push_back(entryName(i));
    std::size_t next = 0;
    Ulvo::File file(L"bench");
    for (auto _ : state) {
        if (!file.loadFile(names[next], order))
            state.SkipWithError("entry not found");
        unsigned char* buffer = nullptr;
        uint32_t size = 0;
        if (file.getFILE_DATA(buffer, size))
            delete[] buffer;
        next = (next + 1) % names.size();
    }
}
BENCHMARK(BM_LoadFileDefaultOrder);

} // namespace
