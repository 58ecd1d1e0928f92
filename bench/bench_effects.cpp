// Loading every effect of "data\FX\effecte.fxf" as the program starts: cold (no translated stage
// kept from an earlier run, so each entry point is translated) and warm (the stages read back
// from the cache folder). Each iteration starts like a new process: nothing is kept in memory.
#include <windows.h>
#include <d3d9.h>
#include <platform_test.h>

#include "BenchDevice.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/EffectManager.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct EffectFolder {
    fs::path folder;
    fs::path cache;

    bool create()
    {
        Ulvo::logSwitch() = 0;
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        if (!BenchSupport::startDevice(1024, 768))
            return false;
        const fs::path source(ULVO_SOURCE_DIR);
        folder = fs::temp_directory_path() / ("bench_effects_" + std::to_string(getpid()));
        cache = folder / "cache";
        fs::create_directories(folder / "data" / "FX");
        for (const auto& entry : fs::directory_iterator(source / "data" / "FX"))
            fs::copy_file(entry.path(), folder / "data" / "FX" / entry.path().filename(),
                          fs::copy_options::overwrite_existing);
        fs::current_path(folder);
        setenv("XDG_CACHE_HOME", cache.c_str(), 1);
        Ulvo::XMLNode effects;
        if (!Ulvo::XMLNode::load(&effects, L"data\\FX\\effecte.fxf", 0))
            return false;
        Ulvo::EffectManager::getInstance()->load(&effects);
        return true;
    }
    ~EffectFolder()
    {
        std::error_code ignored;
        fs::current_path(fs::temp_directory_path(), ignored);
        if (!folder.empty())
            fs::remove_all(folder, ignored);
    }
};

void BM_LoadEffects(benchmark::State& state)
{
    static EffectFolder effects;
    static const bool made = effects.create();
    if (!made) {
        state.SkipWithError("no device or no effect list");
        return;
    }
    const bool warm = state.range(0) == 1;
    const unsigned before = PlatformEffectTranslationCount();
    for (auto _ : state) {
        if (!warm) {
            state.PauseTiming();
            std::error_code ignored;
            fs::remove_all(effects.cache, ignored);
            state.ResumeTiming();
        }
        PlatformForgetTranslatedEffects();
        Ulvo::EffectManager::getInstance()->reloadAllEffects();
    }
    state.counters["effects"] = static_cast<double>(Ulvo::EffectManager::getInstance()->getEffects().size());
    state.counters["translations"] =
        benchmark::Counter(PlatformEffectTranslationCount() - before, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_LoadEffects)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace
