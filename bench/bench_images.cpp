// The game's pictures as its texture lists load them: every PNG of the built runtime folder
// (ULVO_BENCH_RUN, else the "run" folder beside the benchmark's "bin") becomes a managed texture
// of the lists' options (power-of-two size, one level, no filter) and is released. "Load" is what
// the loading screen waits for; "LoadAndFirstUse" also sets each texture once, which writes its
// texels as the first frame that draws it does. Interleave with a build of the other side.
#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>

#include "BenchDevice.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::vector<std::vector<uint8_t>>& pictures()
{
    static const std::vector<std::vector<uint8_t>> files = [] {
        const char* given = std::getenv("ULVO_BENCH_RUN");
        const fs::path folder =
            given ? fs::path(given) : fs::read_symlink("/proc/self/exe").parent_path() / ".." / "run";
        std::vector<fs::path> paths;
        std::error_code error;
        for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
            std::string extension = it->path().extension().string();
            std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
            if (it->is_regular_file() && extension == ".png")
                paths.push_back(it->path());
        }
        std::sort(paths.begin(), paths.end());
        std::vector<std::vector<uint8_t>> out;
        for (const fs::path& path : paths) {
            std::ifstream in(path, std::ios::binary);
            out.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        return out;
    }();
    return files;
}

void loadAll(benchmark::State& state, bool use)
{
    IDirect3DDevice9* device = BenchSupport::startDevice(1024, 768);
    if (!device || pictures().empty()) {
        state.SkipWithError(device ? "no PNG in the runtime folder" : "no device");
        return;
    }
    int64_t bytes = 0;
    for (const auto& file : pictures())
        bytes += int64_t(file.size());
    for (auto _ : state) {
        for (const auto& file : pictures()) {
            IDirect3DTexture9* texture = nullptr;
            D3DXCreateTextureFromFileInMemoryEx(device, file.data(), UINT(file.size()), D3DX_DEFAULT, D3DX_DEFAULT, 1,
                                                0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE,
                                                0, nullptr, nullptr, &texture);
            if (!texture)
                continue;
            if (use) {
                device->SetTexture(0, texture);
                device->SetTexture(0, nullptr);
            }
            texture->Release();
        }
    }
    state.counters["pictures"] = double(pictures().size());
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
}

void BM_Load(benchmark::State& state)
{
    loadAll(state, false);
}

void BM_LoadAndFirstUse(benchmark::State& state)
{
    loadAll(state, true);
}

} // namespace

BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadAndFirstUse)->Unit(benchmark::kMillisecond)->UseRealTime();
