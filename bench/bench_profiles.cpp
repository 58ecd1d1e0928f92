// Reading a "profile.prf" as a start reads it: 1,000 profiles (each with points, lives, a
// building and a stone record), the most the list offers, are read into the document and the
// profile list; 100,000 are read and refused. The file lies in a private save folder.
#include "foundation/app/AppInfo.h"
#include "foundation/logging/Logger.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/profiles/ProfileManager.h"

#include <benchmark/benchmark.h>
#include <platform_app.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace ThreeMatch;

namespace {

std::filesystem::path saveFolder()
{
    static const std::filesystem::path folder = [] {
        const std::filesystem::path home = std::filesystem::temp_directory_path() / "bench_profiles_xdg";
        std::filesystem::create_directories(home);
        setenv("XDG_DATA_HOME", home.c_str(), 1);
        Ulvo::AppInfo* info = Ulvo::AppInfo::getInstance();
        info->setSavePathKind(Ulvo::AppInfo::SAVE_PATH_APP_DATA);
        info->createSaveFolder();
        return std::filesystem::path(PlatformMapPath(info->expandSavePath()));
    }();
    return folder;
}

void writeProfiles(int count)
{
    std::wstring text = L"<PROFILE ACTIVE_PROFIL=\"Spieler0\">\n";
    for (int i = 0; i < count; ++i) {
        const std::wstring n = std::to_wstring(i);
        text += L"<PROFIL NAME=\"Spieler" + n + L"\"><KLASSE><NAME>\"|HOLZ|\"</NAME><PUNKTE>\"|" + n +
                L"|\"</PUNKTE></KLASSE><GEBAEUDE>\"|MUEHLE|\"</GEBAEUDE><ACTUAL_LEVEL>\"|3|\"</ACTUAL_LEVEL>"
                L"<PUNKTE>\"|" +
                n + L"|\"</PUNKTE><LEBEN>\"|6|\"</LEBEN></PROFIL>\n";
    }
    text += L"</PROFILE>\n";
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    FILE* file = std::fopen((saveFolder() / "profile.prf").c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

void BM_LoadProfiles(benchmark::State& state)
{
    Ulvo::logSwitch() = 0;
    const int count = static_cast<int>(state.range(0));
    writeProfiles(count);
    MyGlobals globals;
    for (auto _ : state) {
        ProfileManager manager;
        manager.setGlobals(&globals);
        manager.loadProfiles();
        const int expected = count <= ProfileManager::kMaxProfiles ? count : 0;
        if (manager.getProfileCount() != expected)
            state.SkipWithError("unexpected profile count");
        state.PauseTiming();
        manager.saveAtExit(); // the file stays as written: nothing changed
        state.ResumeTiming();
    }
    state.SetComplexityN(count);
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(saveFolder() / "profile.prf"));
}
BENCHMARK(BM_LoadProfiles)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
