// Fuzzes the XACT3 layer's bank loading. The first byte picks what the rest is:
//   0  global settings for a fresh engine
//   1  an in-memory wave bank
//   2  a sound bank (every cue is prepared, played and destroyed)
//   3  a little-endian u32 length, a wave bank of that length, then a sound bank
// Banks go to one engine started on SDL's dummy audio driver with its built-in settings
// (categories "Global", "Default", "Music") and are destroyed after each input.
#include <xact3.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

IXACT3Engine* sharedEngine()
{
    static IXACT3Engine* engine = [] {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        IXACT3Engine* e = nullptr;
        if (XACT3CreateEngine(0, &e) != S_OK)
            std::abort();
        XACT_RUNTIME_PARAMETERS params{};
        if (e->Initialize(&params) != S_OK)
            std::abort();
        return e;
    }();
    return engine;
}

void playEveryCue(IXACT3Engine* engine, IXACT3SoundBank* bank)
{
    XACTINDEX count = 0;
    if (bank->GetNumCues(&count) != S_OK)
        return;
    for (XACTINDEX i = 0; i < count && i < 64; ++i) {
        IXACT3Cue* cue = nullptr;
        if (bank->Prepare(i, 0, 0, &cue) == S_OK) {
            cue->Play();
            engine->DoWork();
            cue->Stop(XACT_FLAG_CUE_STOP_IMMEDIATE);
            cue->Destroy();
        }
    }
    bank->GetCueIndex("a");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t mode = data[0];
    // The engine reads the buffers in place, so each gets its own exact-size copy.
    std::vector<uint8_t> rest(data + 1, data + size);

    if (mode == 0) {
        IXACT3Engine* engine = nullptr;
        if (XACT3CreateEngine(0, &engine) != S_OK)
            return 0;
        XACT_RUNTIME_PARAMETERS params{};
        params.pGlobalSettingsBuffer = rest.empty() ? nullptr : rest.data();
        params.globalSettingsBufferSize = static_cast<DWORD>(rest.size());
        if (engine->Initialize(&params) == S_OK) {
            XACTVARIABLEVALUE value;
            XACTVARIABLEINDEX index = engine->GetGlobalVariableIndex("SpeedOfSound");
            engine->GetGlobalVariable(index, &value);
            engine->SetGlobalVariable(0, 1.0f);
            engine->SetVolume(engine->GetCategory("Music"), 0.5f);
        }
        engine->Release();
        return 0;
    }

    IXACT3Engine* engine = sharedEngine();
    if (mode == 1) {
        IXACT3WaveBank* waves = nullptr;
        if (engine->CreateInMemoryWaveBank(rest.data(), static_cast<DWORD>(rest.size()), 0, 0, &waves) == S_OK)
            waves->Destroy();
    } else if (mode == 2) {
        IXACT3SoundBank* bank = nullptr;
        if (engine->CreateSoundBank(rest.data(), static_cast<DWORD>(rest.size()), 0, 0, &bank) == S_OK) {
            playEveryCue(engine, bank);
            bank->Destroy();
        }
    } else if (mode == 3 && rest.size() >= 4) {
        uint32_t waveSize = rest[0] | (rest[1] << 8) | (rest[2] << 16) | (static_cast<uint32_t>(rest[3]) << 24);
        if (waveSize > rest.size() - 4)
            return 0;
        std::vector<uint8_t> waveBytes(rest.begin() + 4, rest.begin() + 4 + waveSize);
        std::vector<uint8_t> soundBytes(rest.begin() + 4 + waveSize, rest.end());
        IXACT3WaveBank* waves = nullptr;
        IXACT3SoundBank* bank = nullptr;
        engine->CreateInMemoryWaveBank(waveBytes.data(), static_cast<DWORD>(waveBytes.size()), 0, 0, &waves);
        if (engine->CreateSoundBank(soundBytes.data(), static_cast<DWORD>(soundBytes.size()), 0, 0, &bank) == S_OK) {
            playEveryCue(engine, bank);
            bank->Destroy();
        }
        if (waves)
            waves->Destroy();
    }
    engine->DoWork();
    return 0;
}
