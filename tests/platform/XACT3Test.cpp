// The XACT3 engine on FAudio with SDL's dummy audio driver: banks written by xactbuild,
// cues by name, notifications on the DoWork thread, variables, 3D positioning, bad input.
#include <xact3.h>
#include <xact3d3.h>
#include <objbase.h>

#include "support/TestSupport.h"
#include "support/WavFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <sys/wait.h>

namespace fs = std::filesystem;
using TestSupport::TempDir;
using Bytes = std::vector<uint8_t>;

namespace {

// A 16-bit PCM sine as a WAV file.
Bytes sineWav(int channels, int rate, double seconds, double hz)
{
    const uint32_t frames = static_cast<uint32_t>(rate * seconds);
    const uint32_t dataBytes = frames * channels * 2;
    Bytes b = TestSupport::wavHeader(1, static_cast<uint16_t>(channels), static_cast<uint32_t>(rate), 16, dataBytes);
    for (uint32_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            TestSupport::putLE16(
                b, static_cast<uint16_t>(static_cast<int16_t>(12000 * std::sin(2 * M_PI * hz * f / rate))));
    return b;
}

const char* kDescription = R"(settings test.xgs
category Sounds
variable MusicVolume initial 1
variable SoundVolume initial 0.5 min 0 max 2
variable Locked initial 3 min 0 max 10 readonly
variable Pan cue initial 0 min -1 max 1
wavebank Waves waves.xwb
wave shortWave short.wav
wave longWave long.wav
soundbank Sounds sounds.xsb
cue blip shortWave category Sounds volumevar SoundVolume
cue tune longWave category Music loop forever volumevar MusicVolume
cue quiet shortWave volume -12 pitch 200
)";

// Builds the test banks once per test binary with the real tool.
struct BankFiles {
    Bytes settings, waves, sounds;
};

const BankFiles& bankFiles()
{
    static BankFiles files = [] {
        BankFiles f;
        TempDir dir;
        TestSupport::writeBytes(dir / "short.wav", sineWav(1, 22050, 0.08, 880));
        TestSupport::writeBytes(dir / "long.wav", sineWav(2, 44100, 0.5, 440));
        TestSupport::writeText(dir / "banks.txt", kDescription);
        std::string command = "'" + (TestSupport::binDir() / "xactbuild").string() + "' '" +
                              (dir / "banks.txt").string() + "' '" + (dir / "out").string() + "'";
        int status = std::system(command.c_str());
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return f;
        f.settings = TestSupport::readBytes(dir / "out" / "test.xgs");
        f.waves = TestSupport::readBytes(dir / "out" / "waves.xwb");
        f.sounds = TestSupport::readBytes(dir / "out" / "sounds.xsb");
        return f;
    }();
    return files;
}

struct Received {
    XACTNOTIFICATIONTYPE type;
    IXACT3Cue* cue;
    IXACT3SoundBank* bank;
    XACTINDEX cueIndex;
    void* context;
    std::thread::id thread;
};
std::vector<Received> g_received;

void recordNotification(const XACT_NOTIFICATION* n)
{
    g_received.push_back(
        {n->type, n->cue.pCue, n->cue.pSoundBank, n->cue.cueIndex, n->pvContext, std::this_thread::get_id()});
}

class XACT3Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_received.clear();
        const BankFiles& files = bankFiles();
        ASSERT_FALSE(files.sounds.empty()) << "xactbuild did not build the test banks";
        // The engine reads the buffers in place; each test keeps its own copies.
        m_settings = files.settings;
        m_waves = files.waves;
        m_sounds = files.sounds;
        ASSERT_EQ(XACT3CreateEngine(0, &m_engine), S_OK);
        XACT_RUNTIME_PARAMETERS params{};
        params.pGlobalSettingsBuffer = m_settings.data();
        params.globalSettingsBufferSize = static_cast<DWORD>(m_settings.size());
        params.fnNotificationCallback = recordNotification;
        ASSERT_EQ(m_engine->Initialize(&params), S_OK);
    }

    void TearDown() override
    {
        if (m_engine) {
            m_engine->ShutDown();
            m_engine->Release();
        }
    }

    void loadBanks()
    {
        ASSERT_EQ(
            m_engine->CreateInMemoryWaveBank(m_waves.data(), static_cast<DWORD>(m_waves.size()), 0, 0, &m_waveBank),
            S_OK);
        ASSERT_EQ(m_engine->CreateSoundBank(m_sounds.data(), static_cast<DWORD>(m_sounds.size()), 0, 0, &m_soundBank),
                  S_OK);
    }

    void registerCueStop(void* context = nullptr)
    {
        XACT_NOTIFICATION_DESCRIPTION desc{};
        desc.type = XACTNOTIFICATIONTYPE_CUESTOP;
        desc.flags = XACT_FLAG_NOTIFICATION_PERSIST;
        desc.cueIndex = XACTINDEX_INVALID;
        desc.pvContext = context;
        ASSERT_EQ(m_engine->RegisterNotification(&desc), S_OK);
    }

    // Calls DoWork until `done` or about two seconds pass.
    template <class Done> bool pump(Done done)
    {
        for (int i = 0; i < 200; ++i) {
            m_engine->DoWork();
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    static DWORD state(IXACT3Cue* cue)
    {
        DWORD s = 0;
        cue->GetState(&s);
        return s;
    }

    Bytes m_settings, m_waves, m_sounds;
    IXACT3Engine* m_engine = nullptr;
    IXACT3WaveBank* m_waveBank = nullptr;
    IXACT3SoundBank* m_soundBank = nullptr;
};

TEST_F(XACT3Test, EngineStartsOnTheDummyDriverWithTheSettingsCategories)
{
    WAVEFORMATEXTENSIBLE mix{};
    ASSERT_EQ(m_engine->GetFinalMixFormat(&mix), S_OK);
    EXPECT_GE(mix.Format.nChannels, 1);
    EXPECT_GT(mix.Format.nSamplesPerSec, 0u);

    EXPECT_EQ(m_engine->GetCategory("Global"), 0);
    EXPECT_EQ(m_engine->GetCategory("Default"), 1);
    EXPECT_EQ(m_engine->GetCategory("Music"), 2);
    EXPECT_EQ(m_engine->GetCategory("Sounds"), 3);
    EXPECT_EQ(m_engine->GetCategory("Nothing"), XACTCATEGORY_INVALID);
    EXPECT_EQ(m_engine->GetCategory(nullptr), XACTCATEGORY_INVALID);
    EXPECT_EQ(m_engine->SetVolume(3, 0.5f), S_OK);
    EXPECT_EQ(m_engine->SetVolume(4, 0.5f), XACTENGINE_E_INVALIDCATEGORY);
    EXPECT_EQ(m_engine->Pause(XACTCATEGORY_INVALID, TRUE), XACTENGINE_E_INVALIDCATEGORY);

    XACT_RUNTIME_PARAMETERS again{};
    EXPECT_EQ(m_engine->Initialize(&again), XACTENGINE_E_ALREADYINITIALIZED);
}

TEST_F(XACT3Test, CuesAreFoundByNameAndPlayUntilTheyEnd)
{
    loadBanks();
    XACTINDEX count = 0;
    ASSERT_EQ(m_soundBank->GetNumCues(&count), S_OK);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(m_soundBank->GetCueIndex("blip"), 0);
    EXPECT_EQ(m_soundBank->GetCueIndex("tune"), 1);
    EXPECT_EQ(m_soundBank->GetCueIndex("quiet"), 2);
    EXPECT_EQ(m_soundBank->GetCueIndex("Blip"), XACTINDEX_INVALID);
    EXPECT_EQ(m_soundBank->GetCueIndex(nullptr), XACTINDEX_INVALID);
    XACTINDEX waves = 0;
    ASSERT_EQ(m_waveBank->GetNumWaves(&waves), S_OK);
    EXPECT_EQ(waves, 2);

    IXACT3Cue* cue = nullptr;
    ASSERT_EQ(m_soundBank->Prepare(m_soundBank->GetCueIndex("blip"), 0, 0, &cue), S_OK);
    ASSERT_NE(cue, nullptr);
    EXPECT_TRUE(state(cue) & XACT_STATE_PREPARED);
    ASSERT_EQ(cue->Play(), S_OK);
    EXPECT_TRUE(pump([&] { return (state(cue) & XACT_STATE_STOPPED) != 0; })) << "an 80 ms cue never ended";
    EXPECT_EQ(cue->Destroy(), S_OK);
}

TEST_F(XACT3Test, CueStopIsDeliveredFromDoWorkOnTheCallingThread)
{
    loadBanks();
    int context = 0;
    registerCueStop(&context);
    IXACT3Cue* cue = nullptr;
    ASSERT_EQ(m_soundBank->Play(0, 0, 0, &cue), S_OK);
    ASSERT_NE(cue, nullptr);

    // The cue ends on the mixer's side; nothing arrives until DoWork runs.
    for (int i = 0; i < 100 && !(state(cue) & XACT_STATE_STOPPED); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(state(cue) & XACT_STATE_STOPPED);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(g_received.empty());

    ASSERT_TRUE(pump([] { return !g_received.empty(); }));
    const Received& r = g_received.front();
    EXPECT_EQ(r.type, XACTNOTIFICATIONTYPE_CUESTOP);
    EXPECT_EQ(r.cue, cue);
    EXPECT_EQ(r.bank, m_soundBank);
    EXPECT_EQ(r.cueIndex, 0);
    EXPECT_EQ(r.context, &context);
    EXPECT_EQ(r.thread, std::this_thread::get_id());
    cue->Destroy();
}

TEST_F(XACT3Test, StoppingALoopingCueReportsItsStop)
{
    loadBanks();
    registerCueStop();
    IXACT3Cue* cue = nullptr;
    ASSERT_EQ(m_soundBank->Play(m_soundBank->GetCueIndex("tune"), 0, 0, &cue), S_OK);
    // Looping forever: still playing after more than its 0.5 s length.
    pump([] { return false; }); // about two seconds
    EXPECT_TRUE(state(cue) & XACT_STATE_PLAYING);
    EXPECT_TRUE(g_received.empty());

    ASSERT_EQ(cue->Stop(XACT_FLAG_CUE_STOP_IMMEDIATE), S_OK);
    ASSERT_TRUE(pump([] { return !g_received.empty(); }));
    EXPECT_EQ(g_received.front().cue, cue);
    cue->Destroy();
}

TEST_F(XACT3Test, DestroyedCuesReportNothingAfterwards)
{
    loadBanks();
    registerCueStop();
    IXACT3Cue* cue = nullptr;
    ASSERT_EQ(m_soundBank->Play(0, 0, 0, &cue), S_OK);
    for (int i = 0; i < 100 && !(state(cue) & XACT_STATE_STOPPED); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // Its stop is queued; after Destroy the pointer means nothing and must not be handed out.
    cue->Destroy();
    pump([] { return false; });
    EXPECT_TRUE(g_received.empty());
}

IXACT3Engine* g_reentrantEngine = nullptr;

// What a cue's owner does when told it stopped: let the cue go, and keep the engine running.
void destroyOnStop(const XACT_NOTIFICATION* n)
{
    recordNotification(n);
    if (n->type == XACTNOTIFICATIONTYPE_CUESTOP && n->cue.pCue) {
        n->cue.pCue->Destroy();
        g_reentrantEngine->DoWork();
    }
}

TEST(XACT3CallbackTest, ACallbackMayDestroyItsCueAndCallDoWork)
{
    g_received.clear();
    Bytes settings = bankFiles().settings, waves = bankFiles().waves, sounds = bankFiles().sounds;
    ASSERT_FALSE(sounds.empty());
    IXACT3Engine* engine = nullptr;
    ASSERT_EQ(XACT3CreateEngine(0, &engine), S_OK);
    g_reentrantEngine = engine;
    XACT_RUNTIME_PARAMETERS params{};
    params.pGlobalSettingsBuffer = settings.data();
    params.globalSettingsBufferSize = static_cast<DWORD>(settings.size());
    params.fnNotificationCallback = destroyOnStop;
    ASSERT_EQ(engine->Initialize(&params), S_OK);
    IXACT3WaveBank* waveBank = nullptr;
    IXACT3SoundBank* soundBank = nullptr;
    ASSERT_EQ(engine->CreateInMemoryWaveBank(waves.data(), static_cast<DWORD>(waves.size()), 0, 0, &waveBank), S_OK);
    ASSERT_EQ(engine->CreateSoundBank(sounds.data(), static_cast<DWORD>(sounds.size()), 0, 0, &soundBank), S_OK);
    XACT_NOTIFICATION_DESCRIPTION desc{};
    desc.type = XACTNOTIFICATIONTYPE_CUESTOP;
    desc.flags = XACT_FLAG_NOTIFICATION_PERSIST;
    desc.cueIndex = XACTINDEX_INVALID;
    ASSERT_EQ(engine->RegisterNotification(&desc), S_OK);
    IXACT3Cue* cues[3] = {};
    for (IXACT3Cue*& cue : cues)
        ASSERT_EQ(soundBank->Play(0, 0, 0, &cue), S_OK);
    for (int i = 0; i < 200 && g_received.size() < 3; ++i) {
        engine->DoWork();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(g_received.size(), 3u);
    for (IXACT3Cue* cue : cues)
        EXPECT_EQ(
            std::count_if(g_received.begin(), g_received.end(), [cue](const Received& r) { return r.cue == cue; }), 1);
    engine->ShutDown();
    engine->Release();
}

TEST_F(XACT3Test, NarrowRegistrationsOnlyReportTheirCue)
{
    loadBanks();
    XACT_NOTIFICATION_DESCRIPTION desc{};
    desc.type = XACTNOTIFICATIONTYPE_CUESTOP;
    desc.flags = XACT_FLAG_NOTIFICATION_PERSIST;
    desc.pSoundBank = m_soundBank;
    desc.cueIndex = m_soundBank->GetCueIndex("quiet");
    ASSERT_EQ(m_engine->RegisterNotification(&desc), S_OK);

    IXACT3Cue* blip = nullptr;
    IXACT3Cue* quiet = nullptr;
    ASSERT_EQ(m_soundBank->Play(0, 0, 0, &blip), S_OK);
    ASSERT_EQ(m_soundBank->Play(2, 0, 0, &quiet), S_OK);
    ASSERT_TRUE(pump([&] { return (state(blip) & XACT_STATE_STOPPED) && (state(quiet) & XACT_STATE_STOPPED); }));
    pump([] { return !g_received.empty(); });
    ASSERT_EQ(g_received.size(), 1u);
    EXPECT_EQ(g_received[0].cue, quiet);
    blip->Destroy();
    quiet->Destroy();
}

TEST_F(XACT3Test, GlobalVariablesAreReadWrittenAndClamped)
{
    XACTVARIABLEINDEX sound = m_engine->GetGlobalVariableIndex("SoundVolume");
    ASSERT_NE(sound, XACTVARIABLEINDEX_INVALID);
    XACTVARIABLEVALUE v = -1.0f;
    ASSERT_EQ(m_engine->GetGlobalVariable(sound, &v), S_OK);
    EXPECT_FLOAT_EQ(v, 0.5f);
    ASSERT_EQ(m_engine->SetGlobalVariable(sound, 1.25f), S_OK);
    ASSERT_EQ(m_engine->GetGlobalVariable(sound, &v), S_OK);
    EXPECT_FLOAT_EQ(v, 1.25f);
    ASSERT_EQ(m_engine->SetGlobalVariable(sound, 7.0f), S_OK);
    ASSERT_EQ(m_engine->GetGlobalVariable(sound, &v), S_OK);
    EXPECT_FLOAT_EQ(v, 2.0f);

    XACTVARIABLEINDEX speed = m_engine->GetGlobalVariableIndex("SpeedOfSound");
    ASSERT_NE(speed, XACTVARIABLEINDEX_INVALID);
    ASSERT_EQ(m_engine->GetGlobalVariable(speed, &v), S_OK);
    EXPECT_FLOAT_EQ(v, 343.5f);

    XACTVARIABLEINDEX locked = m_engine->GetGlobalVariableIndex("Locked");
    ASSERT_NE(locked, XACTVARIABLEINDEX_INVALID);
    EXPECT_EQ(m_engine->SetGlobalVariable(locked, 1.0f), XACTENGINE_E_INVALIDUSAGE);
    ASSERT_EQ(m_engine->GetGlobalVariable(locked, &v), S_OK);
    EXPECT_FLOAT_EQ(v, 3.0f);

    // Cue variables are not global ones; unknown indices are refused, not used.
    EXPECT_EQ(m_engine->GetGlobalVariableIndex("Pan"), XACTVARIABLEINDEX_INVALID);
    EXPECT_EQ(m_engine->GetGlobalVariableIndex("Distance"), XACTVARIABLEINDEX_INVALID);
    EXPECT_EQ(m_engine->GetGlobalVariableIndex(nullptr), XACTVARIABLEINDEX_INVALID);
    EXPECT_EQ(m_engine->SetGlobalVariable(XACTVARIABLEINDEX_INVALID, 1.0f), XACTENGINE_E_INVALIDVARIABLEINDEX);
    EXPECT_EQ(m_engine->GetGlobalVariable(500, &v), XACTENGINE_E_INVALIDVARIABLEINDEX);
}

TEST_F(XACT3Test, CueVariablesBelongToTheirCue)
{
    loadBanks();
    IXACT3Cue* a = nullptr;
    IXACT3Cue* b = nullptr;
    ASSERT_EQ(m_soundBank->Prepare(1, 0, 0, &a), S_OK);
    ASSERT_EQ(m_soundBank->Prepare(1, 0, 0, &b), S_OK);
    XACTVARIABLEINDEX pan = a->GetVariableIndex("Pan");
    ASSERT_NE(pan, XACTVARIABLEINDEX_INVALID);
    EXPECT_EQ(a->GetVariableIndex("SoundVolume"), XACTVARIABLEINDEX_INVALID);
    ASSERT_EQ(a->SetVariable(pan, 0.75f), S_OK);
    XACTVARIABLEVALUE va = 0, vb = 1;
    ASSERT_EQ(a->GetVariable(pan, &va), S_OK);
    ASSERT_EQ(b->GetVariable(pan, &vb), S_OK);
    EXPECT_FLOAT_EQ(va, 0.75f);
    EXPECT_FLOAT_EQ(vb, 0.0f);
    XACTVARIABLEINDEX instances = a->GetVariableIndex("NumCueInstances");
    ASSERT_NE(instances, XACTVARIABLEINDEX_INVALID);
    EXPECT_EQ(a->SetVariable(instances, 3.0f), XACTENGINE_E_INVALIDVARIABLEINDEX);
    EXPECT_EQ(a->SetVariable(m_engine->GetGlobalVariableIndex("SoundVolume"), 1.0f), XACTENGINE_E_INVALIDVARIABLEINDEX);
    a->Destroy();
    b->Destroy();
}

TEST_F(XACT3Test, AnEmitterToTheRightIsLouderOnTheRight)
{
    X3DAUDIO_HANDLE handle;
    ASSERT_EQ(XACT3DInitialize(m_engine, handle), S_OK);
    WAVEFORMATEXTENSIBLE mix{};
    ASSERT_EQ(m_engine->GetFinalMixFormat(&mix), S_OK);
    ASSERT_GE(mix.Format.nChannels, 2);

    X3DAUDIO_LISTENER listener{};
    listener.OrientFront = {0, 0, 1};
    listener.OrientTop = {0, 1, 0};
    X3DAUDIO_EMITTER emitter{};
    emitter.OrientFront = {0, 0, 1};
    emitter.OrientTop = {0, 1, 0};
    emitter.ChannelCount = 2;
    emitter.ChannelRadius = 1.0f;
    emitter.CurveDistanceScaler = 1.0f;
    emitter.DopplerScaler = 1.0f;
    float matrix[16] = {};
    float delays[2] = {};
    X3DAUDIO_DSP_SETTINGS dsp{};
    dsp.pMatrixCoefficients = matrix;
    dsp.pDelayTimes = delays;
    dsp.SrcChannelCount = 2;
    dsp.DstChannelCount = mix.Format.nChannels;

    // Output channel 0 is front left, 1 front right; the matrix holds one row of source
    // levels per output channel.
    auto sides = [&](float x) {
        emitter.Position = {x, 0, 0};
        EXPECT_EQ(XACT3DCalculate(handle, &listener, &emitter, &dsp), S_OK);
        float left = 0, right = 0;
        for (UINT32 s = 0; s < dsp.SrcChannelCount; ++s) {
            left += matrix[0 * dsp.SrcChannelCount + s];
            right += matrix[1 * dsp.SrcChannelCount + s];
        }
        return std::make_pair(left, right);
    };
    auto [rightL, rightR] = sides(10.0f);
    EXPECT_GT(rightR, rightL * 2.0f);
    EXPECT_NEAR(rightR, 2.0f, 1e-3f); // both source channels at full level, no distance fall-off
    EXPECT_NEAR(rightL, 0.0f, 1e-3f);
    EXPECT_NEAR(dsp.EmitterToListenerDistance, 10.0f, 1e-3f);
    auto [leftL, leftR] = sides(-10.0f);
    EXPECT_GT(leftL, leftR * 2.0f);

    // Applying sets the cue's matrix and the distance variable.
    loadBanks();
    IXACT3Cue* cue = nullptr;
    ASSERT_EQ(m_soundBank->Prepare(0, 0, 0, &cue), S_OK);
    sides(10.0f);
    ASSERT_EQ(XACT3DApply(&dsp, cue), S_OK);
    XACTVARIABLEVALUE distance = 0;
    ASSERT_EQ(cue->GetVariable(cue->GetVariableIndex("Distance"), &distance), S_OK);
    EXPECT_NEAR(distance, 10.0f, 1e-3f);
    // A mono wave under a stereo-source matrix plays.
    EXPECT_EQ(cue->Play(), S_OK);
    EXPECT_TRUE(pump([&] { return (state(cue) & XACT_STATE_STOPPED) != 0; }));
    cue->Destroy();

    EXPECT_EQ(XACT3DCalculate(handle, &listener, nullptr, &dsp), E_POINTER);
    dsp.SrcChannelCount = 1; // disagrees with the emitter
    EXPECT_EQ(XACT3DCalculate(handle, &listener, &emitter, &dsp), E_INVALIDARG);
}

TEST_F(XACT3Test, CuesNeedTheirWaveBankAndValidIndices)
{
    ASSERT_EQ(m_engine->CreateSoundBank(m_sounds.data(), static_cast<DWORD>(m_sounds.size()), 0, 0, &m_soundBank),
              S_OK);
    IXACT3Cue* cue = reinterpret_cast<IXACT3Cue*>(1);
    // Without the wave bank FAudio would look for it and crash; the wrapper refuses.
    EXPECT_EQ(m_soundBank->Prepare(0, 0, 0, &cue), XACTENGINE_E_NOWAVEBANK);
    EXPECT_EQ(cue, nullptr);
    EXPECT_EQ(m_soundBank->Play(0, 0, 0, nullptr), XACTENGINE_E_NOWAVEBANK);
    ASSERT_EQ(m_engine->CreateInMemoryWaveBank(m_waves.data(), static_cast<DWORD>(m_waves.size()), 0, 0, &m_waveBank),
              S_OK);
    EXPECT_EQ(m_soundBank->Prepare(3, 0, 0, &cue), XACTENGINE_E_INVALIDCUEINDEX);
    EXPECT_EQ(m_soundBank->Prepare(XACTINDEX_INVALID, 0, 0, &cue), XACTENGINE_E_INVALIDCUEINDEX);
    EXPECT_EQ(m_soundBank->Stop(9, 0), XACTENGINE_E_INVALIDCUEINDEX);
    ASSERT_EQ(m_soundBank->Prepare(0, 0, 0, &cue), S_OK);

    // Destroying the wave bank ends the cue; its handle stays safe to use and destroy.
    ASSERT_EQ(cue->Play(), S_OK);
    ASSERT_EQ(m_waveBank->Destroy(), S_OK);
    m_waveBank = nullptr;
    EXPECT_EQ(cue->Play(), XACTENGINE_E_INVALIDUSAGE);
    DWORD s = 0;
    EXPECT_EQ(cue->GetState(&s), XACTENGINE_E_INVALIDUSAGE);
    EXPECT_EQ(cue->Destroy(), S_OK);
    EXPECT_EQ(m_soundBank->Prepare(0, 0, 0, &cue), XACTENGINE_E_NOWAVEBANK);
}

TEST_F(XACT3Test, FireAndForgetCuesAndSoundBankDestroyAreSafe)
{
    loadBanks();
    registerCueStop();
    ASSERT_EQ(m_soundBank->Play(0, 0, 0, nullptr), S_OK);
    IXACT3Cue* held = nullptr;
    ASSERT_EQ(m_soundBank->Play(1, 0, 0, &held), S_OK);
    pump([] { return !g_received.empty(); });
    // The unwrapped cue is reported without a handle.
    ASSERT_FALSE(g_received.empty());
    EXPECT_EQ(g_received.front().cue, nullptr);
    EXPECT_EQ(g_received.front().bank, m_soundBank);

    ASSERT_EQ(m_soundBank->Destroy(), S_OK);
    m_soundBank = nullptr;
    DWORD s = 0;
    EXPECT_EQ(held->GetState(&s), XACTENGINE_E_INVALIDUSAGE);
    EXPECT_EQ(held->Destroy(), S_OK);
}

TEST_F(XACT3Test, ShutDownLeavesHandlesExpiredNotDangling)
{
    loadBanks();
    IXACT3Cue* cue = nullptr;
    ASSERT_EQ(m_soundBank->Play(1, 0, 0, &cue), S_OK);
    ASSERT_EQ(m_engine->ShutDown(), S_OK);
    EXPECT_EQ(cue->Stop(0), XACTENGINE_E_INVALIDUSAGE);
    EXPECT_EQ(m_soundBank->GetCueIndex("blip"), XACTINDEX_INVALID);
    EXPECT_EQ(m_engine->DoWork(), XACTENGINE_E_NOTINITIALIZED);
    EXPECT_EQ(m_engine->GetCategory("Music"), XACTCATEGORY_INVALID);
    EXPECT_EQ(cue->Destroy(), S_OK);
}

TEST_F(XACT3Test, MalformedBanksAreRejected)
{
    IXACT3SoundBank* bank = reinterpret_cast<IXACT3SoundBank*>(1);
    IXACT3WaveBank* waves = reinterpret_cast<IXACT3WaveBank*>(1);
    // Every truncation of either bank is refused without reading past the end.
    for (size_t n = 0; n < m_sounds.size(); n += (n < 300 ? 1 : 37)) {
        Bytes cut(m_sounds.begin(), m_sounds.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_NE(m_engine->CreateSoundBank(cut.empty() ? nullptr : cut.data(), static_cast<DWORD>(n), 0, 0, &bank),
                  S_OK)
            << n;
        EXPECT_EQ(bank, nullptr);
    }
    for (size_t n = 0; n < 400; ++n) {
        Bytes cut(m_waves.begin(), m_waves.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_NE(
            m_engine->CreateInMemoryWaveBank(cut.empty() ? nullptr : cut.data(), static_cast<DWORD>(n), 0, 0, &waves),
            S_OK)
            << n;
        EXPECT_EQ(waves, nullptr);
    }
    // A wave that claims to lie past the end of the file.
    Bytes bad = m_waves;
    uint32_t metaOffset = bad[20] | (bad[21] << 8) | (bad[22] << 16) | (bad[23] << 24);
    bad[metaOffset + 12 + 3] = 0x7F; // play length
    EXPECT_EQ(m_engine->CreateInMemoryWaveBank(bad.data(), static_cast<DWORD>(bad.size()), 0, 0, &waves),
              XACTENGINE_E_INVALIDDATA);
    // A sound in a category the settings do not have.
    bad = m_sounds;
    uint32_t soundOffset = bad[70] | (bad[71] << 8) | (bad[72] << 16) | (bad[73] << 24);
    bad[soundOffset + 1] = 40;
    EXPECT_EQ(m_engine->CreateSoundBank(bad.data(), static_cast<DWORD>(bad.size()), 0, 0, &bank),
              XACTENGINE_E_INVALIDDATA);
    // A cue pointing at no sound.
    bad = m_sounds;
    uint32_t cueOffset = bad[34] | (bad[35] << 8) | (bad[36] << 16) | (bad[37] << 24);
    bad[cueOffset + 1] ^= 0x01;
    EXPECT_EQ(m_engine->CreateSoundBank(bad.data(), static_cast<DWORD>(bad.size()), 0, 0, &bank),
              XACTENGINE_E_INVALIDDATA);
}

TEST(XACT3EngineTest, SettingsAreValidatedAndCallsBeforeInitializeFail)
{
    IXACT3Engine* engine = nullptr;
    ASSERT_EQ(XACT3CreateEngine(0, &engine), S_OK);
    XACTVARIABLEVALUE v;
    EXPECT_EQ(engine->GetGlobalVariable(0, &v), XACTENGINE_E_NOTINITIALIZED);
    EXPECT_EQ(engine->DoWork(), XACTENGINE_E_NOTINITIALIZED);
    IXACT3SoundBank* bank = nullptr;
    uint8_t byte = 0;
    EXPECT_EQ(engine->CreateSoundBank(&byte, 1, 0, 0, &bank), XACTENGINE_E_NOTINITIALIZED);
    X3DAUDIO_HANDLE handle;
    EXPECT_TRUE(FAILED(XACT3DInitialize(engine, handle)));

    Bytes settings = bankFiles().settings;
    ASSERT_FALSE(settings.empty());
    settings.resize(settings.size() - 3); // cuts into the last variable name
    XACT_RUNTIME_PARAMETERS params{};
    params.pGlobalSettingsBuffer = settings.data();
    params.globalSettingsBufferSize = static_cast<DWORD>(settings.size());
    EXPECT_EQ(engine->Initialize(&params), XACTENGINE_E_INVALIDDATA);
    engine->Release();
}

TEST(XACT3EngineTest, AManagedSettingsBufferBelongsToTheEngine)
{
    const Bytes& settings = bankFiles().settings;
    ASSERT_FALSE(settings.empty());
    void* buffer = CoTaskMemAlloc(settings.size());
    ASSERT_NE(buffer, nullptr);
    std::memcpy(buffer, settings.data(), settings.size());
    IXACT3Engine* engine = nullptr;
    ASSERT_EQ(XACT3CreateEngine(0, &engine), S_OK);
    XACT_RUNTIME_PARAMETERS params{};
    params.pGlobalSettingsBuffer = buffer;
    params.globalSettingsBufferSize = static_cast<DWORD>(settings.size());
    params.globalSettingsFlags = XACT_FLAG_GLOBAL_SETTINGS_MANAGEDATA;
    ASSERT_EQ(engine->Initialize(&params), S_OK);
    EXPECT_NE(engine->GetGlobalVariableIndex("MusicVolume"), XACTVARIABLEINDEX_INVALID);
    engine->ShutDown();
    engine->Release(); // frees the buffer; the leak checker of the sanitizer build sees it otherwise
}

TEST(XACT3EngineTest, WithoutSettingsTheBuiltInCategoriesExist)
{
    IXACT3Engine* engine = nullptr;
    ASSERT_EQ(XACT3CreateEngine(0, &engine), S_OK);
    XACT_RUNTIME_PARAMETERS params{};
    ASSERT_EQ(engine->Initialize(&params), S_OK);
    EXPECT_EQ(engine->GetCategory("Music"), 2);
    EXPECT_EQ(engine->GetGlobalVariableIndex("SpeedOfSound"), XACTVARIABLEINDEX_INVALID);
    // No callback was given, so there is nobody to notify.
    XACT_NOTIFICATION_DESCRIPTION desc{};
    desc.type = XACTNOTIFICATIONTYPE_CUESTOP;
    desc.flags = XACT_FLAG_NOTIFICATION_PERSIST;
    EXPECT_EQ(engine->RegisterNotification(&desc), XACTENGINE_E_NONOTIFICATIONCALLBACK);
    // 3D still starts, with the default speed of sound.
    X3DAUDIO_HANDLE handle;
    EXPECT_EQ(XACT3DInitialize(engine, handle), S_OK);
    engine->Release(); // shuts down on the way
}

TEST(XACT3EngineTest, TheEngineClassIsRegisteredWithCoCreateInstance)
{
    IXACT3Engine* engine = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_XACTEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IXACT3Engine,
                               reinterpret_cast<void**>(&engine)),
              S_OK);
    XACT_RUNTIME_PARAMETERS params{};
    EXPECT_EQ(engine->Initialize(&params), S_OK);
    EXPECT_EQ(engine->Release(), 0u);
    // An interface the engine does not offer leaves nothing behind (the leak checker looks).
    const IID notOffered = {0x0bad0001, 0x5a11, 0x4d58, {0, 0, 0, 0, 0, 0, 0, 1}};
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_XACTEngine, nullptr, CLSCTX_INPROC_SERVER, notOffered, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
}

TEST(XACT3EngineTest, NoAudioDeviceFailsInitializeCleanly)
{
    // An audio driver that does not exist leaves SDL without any output device.
    const char* old = std::getenv("SDL_AUDIODRIVER");
    std::string saved = old ? old : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    IXACT3Engine* engine = nullptr;
    ASSERT_EQ(XACT3CreateEngine(0, &engine), S_OK);
    XACT_RUNTIME_PARAMETERS params{};
    HRESULT hr = engine->Initialize(&params);
    if (old)
        setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    else
        unsetenv("SDL_AUDIODRIVER");
    EXPECT_EQ(hr, XACTENGINE_E_NORENDERER);
    EXPECT_EQ(engine->DoWork(), XACTENGINE_E_NOTINITIALIZED);
    EXPECT_EQ(engine->ShutDown(), S_OK);
    EXPECT_EQ(engine->Release(), 0u);

    // The driver comes back for the next engine.
    ASSERT_EQ(XACT3CreateEngine(0, &engine), S_OK);
    EXPECT_EQ(engine->Initialize(&params), S_OK);
    engine->Release();
}

} // namespace
