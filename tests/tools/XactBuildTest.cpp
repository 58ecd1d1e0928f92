// xactbuild: the banks it writes load and play through the XACT3 layer (SDL's disk driver
// records what is heard), and bad descriptions or WAV files are refused with a message.
#include <xact3.h>

#include "support/TestSupport.h"
#include "support/WavFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <sys/wait.h>

namespace fs = std::filesystem;
using TestSupport::readBytes;
using TestSupport::readText;
using TestSupport::TempDir;
using TestSupport::writeBytes;
using TestSupport::writeText;
using Bytes = std::vector<uint8_t>;

namespace {

struct ToolRun {
    int code = -1;
    std::string output;
};

ToolRun runXactBuild(const fs::path& description, const fs::path& out, const fs::path& scratch)
{
    const fs::path log = scratch / "xactbuild-output.txt";
    std::string command = "'" + (TestSupport::binDir() / "xactbuild").string() + "' '" + description.string() + "' '" +
                          out.string() + "' >'" + log.string() + "' 2>&1";
    ToolRun run;
    int status = std::system(command.c_str());
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.output = readText(log);
    return run;
}

// A WAV file with the given format fields and `frames` frames of a loud square wave.
Bytes wavFile(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint32_t frames)
{
    const uint32_t frameBytes = channels * (bits / 8u);
    Bytes b = TestSupport::wavHeader(tag, channels, rate, bits, frames * frameBytes);
    for (uint32_t f = 0; f < frames; ++f) {
        const bool high = (f / 20) % 2 == 0;
        for (uint16_t c = 0; c < channels; ++c) {
            if (bits == 16)
                TestSupport::putLE16(b, static_cast<uint16_t>(high ? 16000 : -16000));
            else
                b.insert(b.end(), frameBytes / channels, static_cast<uint8_t>(high ? 0xE0 : 0x20));
        }
    }
    return b;
}

Bytes goodWav(uint16_t channels = 1, uint32_t rate = 22050)
{
    return wavFile(1, channels, rate, 16, rate / 5);
}

// Loads a set of banks into an engine and plays cues; with `recording` the output goes to that
// raw file through SDL's disk driver (32-bit float samples).
class Player {
public:
    explicit Player(const fs::path& recording = {})
    {
        if (!recording.empty()) {
            const char* old = std::getenv("SDL_AUDIODRIVER");
            m_oldDriver = old ? old : "dummy";
            setenv("SDL_AUDIODRIVER", "disk", 1);
            setenv("SDL_DISKAUDIOFILE", recording.c_str(), 1);
            setenv("SDL_DISKAUDIODELAY", "1", 1);
        }
        EXPECT_EQ(XACT3CreateEngine(0, &m_engine), S_OK);
    }
    ~Player()
    {
        if (m_engine) {
            m_engine->ShutDown();
            m_engine->Release();
        }
        if (!m_oldDriver.empty())
            setenv("SDL_AUDIODRIVER", m_oldDriver.c_str(), 1);
    }

    bool start(const fs::path& settings)
    {
        m_settings = readBytes(settings);
        XACT_RUNTIME_PARAMETERS params{};
        params.pGlobalSettingsBuffer = m_settings.data();
        params.globalSettingsBufferSize = static_cast<DWORD>(m_settings.size());
        return m_engine->Initialize(&params) == S_OK;
    }
    IXACT3WaveBank* waves(const fs::path& file)
    {
        m_buffers.push_back(readBytes(file));
        IXACT3WaveBank* bank = nullptr;
        m_engine->CreateInMemoryWaveBank(m_buffers.back().data(), static_cast<DWORD>(m_buffers.back().size()), 0, 0,
                                         &bank);
        return bank;
    }
    IXACT3SoundBank* sounds(const fs::path& file)
    {
        m_buffers.push_back(readBytes(file));
        IXACT3SoundBank* bank = nullptr;
        m_engine->CreateSoundBank(m_buffers.back().data(), static_cast<DWORD>(m_buffers.back().size()), 0, 0, &bank);
        return bank;
    }
    void run(int milliseconds)
    {
        for (int t = 0; t < milliseconds; t += 10) {
            m_engine->DoWork();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    IXACT3Engine* engine() { return m_engine; }

private:
    IXACT3Engine* m_engine = nullptr;
    Bytes m_settings;
    std::vector<Bytes> m_buffers; // in a vector of vectors the data does not move
    std::string m_oldDriver;
};

float peak(const fs::path& raw)
{
    Bytes data = readBytes(raw);
    float best = 0.0f;
    for (size_t i = 0; i + 4 <= data.size(); i += 4) {
        float v;
        std::memcpy(&v, data.data() + i, 4);
        best = std::max(best, std::fabs(v));
    }
    return best;
}

const char* kSet = R"(# two banks of each kind
settings "Global Settings.xgs"
category Sounds volume 0
category Quiet parent Sounds volume -20
variable SoundVolume initial 1
wavebank Effects fx/effects.xwb
wave a a.wav
wave b "b b.wav"
wavebank Tunes tunes.xwb
wave tune tune.wav
soundbank FxBank fx/effects.xsb
cue loud a category Sounds volumevar SoundVolume
cue half a category Sounds volume -6.02 volumevar SoundVolume
cue muted a category Quiet
cue stereo b
soundbank TuneBank tunes.xsb
cue theme tune category Music loop forever
cue both a
)";

class XactBuildTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeBytes(m_dir / "a.wav", goodWav());
        writeBytes(m_dir / "b b.wav", wavFile(1, 2, 44100, 8, 4410));
        writeBytes(m_dir / "tune.wav", goodWav(2, 48000));
        writeText(m_dir / "set.txt", kSet);
    }
    TempDir m_dir;
};

TEST_F(XactBuildTest, EveryBankItWritesLoadsAndEveryCuePrepares)
{
    ToolRun run = runXactBuild(m_dir / "set.txt", m_dir / "out", m_dir.path());
    ASSERT_EQ(run.code, 0) << run.output;
    const fs::path out = m_dir / "out";
    for (const char* f : {"Global Settings.xgs", "fx/effects.xwb", "fx/effects.xsb", "tunes.xwb", "tunes.xsb"})
        EXPECT_TRUE(fs::exists(out / f)) << f;

    Player player;
    ASSERT_TRUE(player.start(out / "Global Settings.xgs"));
    IXACT3Engine* engine = player.engine();
    EXPECT_EQ(engine->GetCategory("Quiet"), 4);
    EXPECT_NE(engine->GetGlobalVariableIndex("SoundVolume"), XACTVARIABLEINDEX_INVALID);
    ASSERT_NE(player.waves(out / "fx/effects.xwb"), nullptr);
    ASSERT_NE(player.waves(out / "tunes.xwb"), nullptr);
    IXACT3SoundBank* fx = player.sounds(out / "fx/effects.xsb");
    IXACT3SoundBank* tunes = player.sounds(out / "tunes.xsb");
    ASSERT_NE(fx, nullptr);
    ASSERT_NE(tunes, nullptr);
    struct {
        IXACT3SoundBank* bank;
        const char* cue;
        XACTINDEX index;
    } const cues[] = {{fx, "loud", 0},   {fx, "half", 1},     {fx, "muted", 2},
                      {fx, "stereo", 3}, {tunes, "theme", 0}, {tunes, "both", 1}};
    for (const auto& c : cues) {
        EXPECT_EQ(c.bank->GetCueIndex(c.cue), c.index) << c.cue;
        IXACT3Cue* cue = nullptr;
        ASSERT_EQ(c.bank->Prepare(c.index, 0, 0, &cue), S_OK) << c.cue;
        EXPECT_EQ(cue->Play(), S_OK) << c.cue;
        cue->Destroy();
    }
}

TEST_F(XactBuildTest, OutputIsReproducible)
{
    ASSERT_EQ(runXactBuild(m_dir / "set.txt", m_dir / "one", m_dir.path()).code, 0);
    ASSERT_EQ(runXactBuild(m_dir / "set.txt", m_dir / "two", m_dir.path()).code, 0);
    for (const char* f : {"Global Settings.xgs", "fx/effects.xwb", "fx/effects.xsb", "tunes.xsb"})
        EXPECT_EQ(readBytes(m_dir / "one" / f), readBytes(m_dir / "two" / f)) << f;
}

// Plays one cue for a while through the disk driver and returns the loudest sample heard.
float loudness(const fs::path& out, const fs::path& recording, const char* cueName, float soundVolume,
               float soundsCategory = 1.0f)
{
    Player player(recording);
    if (!player.start(out / "Global Settings.xgs"))
        return -1.0f;
    player.waves(out / "fx/effects.xwb");
    player.waves(out / "tunes.xwb");
    IXACT3SoundBank* fx = player.sounds(out / "fx/effects.xsb");
    if (!fx)
        return -1.0f;
    IXACT3Engine* engine = player.engine();
    engine->SetGlobalVariable(engine->GetGlobalVariableIndex("SoundVolume"), soundVolume);
    if (engine->SetVolume(engine->GetCategory("Sounds"), soundsCategory) != S_OK)
        return -1.0f;
    // The mixer takes levels over on its own thread: on a busy machine a cue played at once could
    // start at the old level.
    player.run(50);
    IXACT3Cue* cue = nullptr;
    if (fx->Play(fx->GetCueIndex(cueName), 0, 0, &cue) != S_OK)
        return -1.0f;
    player.run(400);
    cue->Destroy();
    engine->ShutDown(); // closes the recording
    return peak(recording);
}

TEST_F(XactBuildTest, VolumesAndVolumeVariablesAreHeard)
{
    ASSERT_EQ(runXactBuild(m_dir / "set.txt", m_dir / "out", m_dir.path()).code, 0);
    const fs::path out = m_dir / "out";
    const float loud = loudness(out, m_dir / "loud.raw", "loud", 1.0f);
    ASSERT_GT(loud, 0.1f) << "the cue left the output silent";
    // -6.02 dB is half the amplitude.
    const float half = loudness(out, m_dir / "half.raw", "half", 1.0f);
    EXPECT_NEAR(half / loud, 0.5f, 0.05f);
    // The variable scales the loudness linearly; at its minimum the cue is silent.
    const float scaled = loudness(out, m_dir / "scaled.raw", "loud", 0.25f);
    EXPECT_NEAR(scaled / loud, 0.25f, 0.04f);
    EXPECT_LT(loudness(out, m_dir / "silent.raw", "loud", 0.0f), 1e-4f);
    // A category 20 dB down plays at a tenth.
    const float quiet = loudness(out, m_dir / "quiet.raw", "muted", 1.0f);
    EXPECT_NEAR(quiet / loud, 0.1f, 0.02f);
    // A level set on a category reaches its child categories.
    const float quieter = loudness(out, m_dir / "quieter.raw", "muted", 1.0f, 0.5f);
    EXPECT_NEAR(quieter / loud, 0.05f, 0.01f);
}

TEST_F(XactBuildTest, MistakesInTheDescriptionAreReportedWithTheirLine)
{
    struct {
        const char* text;
        const char* message;
    } const cases[] = {
        {"settings s.xgs\nwavebank W w.xwb\nwave a a.wav\nsoundbank S s.xsb\ncue c nowave\n", "unknown wave"},
        {"settings s.xgs\nwavebank W w.xwb\nwave a a.wav\nsoundbank S s.xsb\ncue c a\ncue c a\n", "line 6"},
        {"settings s.xgs\nwave a a.wav\n", "wave before any wavebank"},
        {"settings s.xgs\nwavebank W w.xwb\nwave a a.wav\nsoundbank S s.xsb\ncue c a volume 9\n", "line 5"},
        {"settings s.xgs\nwavebank W w.xwb\nwave a a.wav\nsoundbank S s.xsb\ncue c a category Nope\n",
         "unknown category"},
        {"settings s.xgs\nwavebank W w.xwb\nwave a a.wav\nsoundbank S s.xsb\ncue c a volumevar Nope\n",
         "unknown volume variable"},
        {"settings s.xgs\nvariable Distance\n", "built in"},
        {"settings s.xgs\ncategory A parent B\n", "unknown parent"},
        {"wavebank W w.xwb\nwave a a.wav\n", "settings"},
        {"settings s.xgs\nvariable V initial 5\n", "min <= initial <= max"},
        {"settings s.xgs\nfrobnicate\n", "line 2: unknown keyword"},
        {"settings \"s.xgs\n", "unterminated quote"},
        {"", "nothing to build"},
    };
    for (const auto& c : cases) {
        writeText(m_dir / "bad.txt", c.text);
        ToolRun run = runXactBuild(m_dir / "bad.txt", m_dir / "badout", m_dir.path());
        EXPECT_EQ(run.code, 1) << c.text;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << c.text << "\n" << run.output;
        EXPECT_FALSE(fs::exists(m_dir / "badout")) << c.text;
    }
}

TEST_F(XactBuildTest, UnsuitableWavFilesAreRefused)
{
    const Bytes good = goodWav();
    Bytes truncated(good.begin(), good.begin() + 60);
    Bytes noData(good.begin(), good.begin() + 36);
    noData[4] = 28;
    struct {
        Bytes file;
        const char* message;
    } const cases[] = {
        {truncated, "truncated chunk"},
        {noData, "no data chunk"},
        {wavFile(3, 1, 22050, 32, 100), "not PCM"},
        {wavFile(1, 1, 22050, 24, 100), "8- and 16-bit"},
        {wavFile(1, 6, 22050, 16, 100), "mono and stereo"},
        {wavFile(1, 1, 500, 16, 100), "sample rate"},
        {wavFile(1, 1, 22050, 16, 0), "no samples"},
        {Bytes{'R', 'I', 'F', 'F'}, "not a RIFF WAVE"},
    };
    writeText(m_dir / "one.txt", "settings s.xgs\nwavebank W w.xwb\nwave a x.wav\n");
    for (const auto& c : cases) {
        writeBytes(m_dir / "x.wav", c.file);
        ToolRun run = runXactBuild(m_dir / "one.txt", m_dir / "wout", m_dir.path());
        EXPECT_EQ(run.code, 1) << c.message;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("line 3"), std::string::npos) << run.output;
    }
    fs::remove(m_dir / "x.wav");
    ToolRun missing = runXactBuild(m_dir / "one.txt", m_dir / "wout", m_dir.path());
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.output.find("cannot open"), std::string::npos) << missing.output;
}

TEST(XactBuildData, TheGameSoundsLoadWithEveryCue)
{
    const fs::path sounds = TestSupport::runtimeDir() / "data" / "Sounds";
    if (!fs::exists(sounds / "Vodezivudo.xgs"))
        GTEST_SKIP() << "the runtime folder has no sounds (sox missing at build time)";
    Player player;
    ASSERT_TRUE(player.start(sounds / "Vodezivudo.xgs"));
    int cues = 0;
    for (const auto& entry : fs::directory_iterator(sounds)) {
        if (entry.path().extension() == ".xwb") {
            ASSERT_NE(player.waves(entry.path()), nullptr) << entry.path();
        }
    }
    for (const auto& entry : fs::directory_iterator(sounds)) {
        if (entry.path().extension() != ".xsb")
            continue;
        IXACT3SoundBank* bank = player.sounds(entry.path());
        ASSERT_NE(bank, nullptr) << entry.path();
        XACTINDEX count = 0;
        ASSERT_EQ(bank->GetNumCues(&count), S_OK);
        for (XACTINDEX i = 0; i < count; ++i, ++cues) {
            IXACT3Cue* cue = nullptr;
            EXPECT_EQ(bank->Prepare(i, 0, 0, &cue), S_OK) << entry.path() << " cue " << i;
            if (cue)
                cue->Destroy();
        }
    }
    EXPECT_GT(cues, 0);
    EXPECT_NE(player.engine()->GetGlobalVariableIndex("MusicVolume"), XACTVARIABLEINDEX_INVALID);
    EXPECT_NE(player.engine()->GetGlobalVariableIndex("SoundVolume"), XACTVARIABLEINDEX_INVALID);
}

TEST(XactBuildData, TheMenuClickIsHeard)
{
    const fs::path sounds = TestSupport::runtimeDir() / "data" / "Sounds";
    if (!fs::exists(sounds / "effects.xsb"))
        GTEST_SKIP() << "the runtime folder has no sounds (sox missing at build time)";
    TempDir dir;
    const fs::path recording = dir / "click.raw";
    {
        Player player(recording);
        ASSERT_TRUE(player.start(sounds / "Vodezivudo.xgs"));
        ASSERT_NE(player.waves(sounds / "effects.xwb"), nullptr);
        IXACT3SoundBank* bank = player.sounds(sounds / "effects.xsb");
        ASSERT_NE(bank, nullptr);
        XACTINDEX click = bank->GetCueIndex("klick_menu");
        ASSERT_NE(click, XACTINDEX_INVALID);
        ASSERT_EQ(bank->Play(click, 0, 0, nullptr), S_OK);
        player.run(300);
    }
    EXPECT_GT(peak(recording), 0.01f);
}

} // namespace
