// The sound system on the shipped data: start-up with and without an audio
// output, loading the sound configuration, muting while the window is
// inactive, and the life of played cues (stop reports, 3D refresh, the
// engine cues of released handles).
#include "devices/sound/PlayingSoundCue.h"
#include "devices/sound/SoundVariable.h"
#include "devices/sound/Soundbank.h"
#include "devices/sound/Wavebank.h"
#include "engine/UlvoEngine.h"

#include "SoundTestSupport.h"

#include <platform_test.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace Ulvo;
using SoundTesting::pump;

namespace {

// Counts a cue's stopped signals and the thread they ran on.
class StopProbe : public sigslot::has_slots<sigslot::single_threaded> {
public:
    void onStopped(PlayingSoundCue&)
    {
        ++count;
        thread = std::this_thread::get_id();
    }
    int count = 0;
    std::thread::id thread;
};

XACT_NOTIFICATION cueStop(PlayingSoundCue* cue)
{
    XACT_NOTIFICATION note;
    std::memset(&note, 0, sizeof(note));
    note.type = XACTNOTIFICATIONTYPE_CUESTOP;
    note.cue.pCue = cue ? cue->getCue() : nullptr;
    return note;
}

XMLNode parse(const std::wstring& text)
{
    XMLNode root;
    EXPECT_TRUE(XMLNode::load(&root, text, 1));
    return root;
}

float engineValue(SoundInterface* sound, const char* name)
{
    IXACT3Engine* engine = sound->getXACT3Engine();
    XACTVARIABLEVALUE value = -1.0f;
    if (engine)
        engine->GetGlobalVariable(engine->GetGlobalVariableIndex(name), &value);
    return value;
}

DWORD cueState(PlayingSoundCue* cue)
{
    DWORD state = 0;
    if (cue && cue->getCue())
        cue->getCue()->GetState(&state);
    return state;
}

const char* const kGameCues[] = {
    "klick_menu", "win",         "lose",          "richtig",   "falsch",     "spreng_blob",
    "platzen",    "donner",      "bomb",          "finish",    "punkte",     "pfeife",
    "rohstoffe",  "FUELL_ADDED", "FUELL_REMOVED", "ZORN_FULL", "Zorn_Sound", "BAUEN_ERROR",
};

class SoundInterfaceTest : public SoundTesting::SoundFixture {};

} // namespace

TEST_F(SoundInterfaceTest, DummyOutputStartsTheEngineWithEveryCueOfTheGame)
{
    ASSERT_TRUE(start());
    EXPECT_TRUE(sound->isAvailable());
    EXPECT_TRUE(sound->has3D());
    EXPECT_TRUE(sound->init(params.get())); // a second start is a no-op
    ASSERT_TRUE(loadShipped());

    Soundbank* effects = sound->getDefaultSoundbank();
    ASSERT_NE(effects, nullptr);
    EXPECT_EQ(effects->getName(), L"Soundbank_Effects");
    ASSERT_NE(effects->getXACTSoundBank(), nullptr);
    for (const char* cue : kGameCues) {
        const std::wstring name(cue, cue + std::strlen(cue));
        EXPECT_NE(effects->getCueIndex(name), XACTINDEX_INVALID) << cue;
    }
    EXPECT_EQ(effects->getCueIndex(L"nicht_da"), XACTINDEX_INVALID);
    EXPECT_EQ(effects->play2DByName(L"nicht_da", true), nullptr);

    Soundbank* music = sound->getSoundbank(L"Soundbank_Music");
    ASSERT_NE(music, nullptr);
    EXPECT_NE(music->getCueIndex(L"MUSIK"), XACTINDEX_INVALID);
    ASSERT_NE(sound->getWavebank(L"Wavebank_Effects"), nullptr);
    EXPECT_NE(sound->getWavebank(L"Wavebank_Effects")->getXACTWaveBank(), nullptr);
    EXPECT_NE(sound->getWavebank(L"Wavebank_Music")->getXACTWaveBank(), nullptr);

    // Every cue really plays (its waves are found at play time).
    for (const char* cue : kGameCues) {
        PlayingSoundCue* played = effects->play2DByName(std::wstring(cue, cue + std::strlen(cue)), true);
        ASSERT_NE(played, nullptr) << cue;
        EXPECT_FALSE(played->isStopped());
        played->Release();
    }
    PlayingSoundCue* theme = music->play2DByName(L"MUSIK", true);
    ASSERT_NE(theme, nullptr);
    theme->Release();

    GlobalSoundVariable* volume = sound->getGlobalVariable(L"MusicVolume");
    ASSERT_NE(volume, nullptr);
    EXPECT_FLOAT_EQ(volume->getValue(), 75.0f);
    EXPECT_FLOAT_EQ(engineValue(sound, "MusicVolume"), 75.0f);
    EXPECT_NE(sound->getGlobalVariable(L"SoundVolume"), nullptr);
    EXPECT_EQ(sound->getVolumeOffRecords().size(), 2u);
    pump(20);
}

TEST_F(SoundInterfaceTest, WithoutAnyAudioDeviceTheProgramRunsSilent)
{
    setenv("SDL_AUDIODRIVER", "no_such_audio_driver", 1);
    // The start succeeds so the program goes on, but there is no engine.
    ASSERT_TRUE(start());
    EXPECT_FALSE(sound->isAvailable());
    EXPECT_FALSE(sound->has3D());
    EXPECT_FALSE(SoundInterface::isEngineRunning());
    EXPECT_EQ(params->m_runtime_params.pGlobalSettingsBuffer, nullptr); // freed, not leaked

    ASSERT_TRUE(loadShipped());
    EXPECT_EQ(sound->getDefaultSoundbank(), nullptr);
    EXPECT_EQ(sound->getSoundbank(L"Soundbank_Music"), nullptr);
    EXPECT_EQ(sound->getGlobalVariable(L"MusicVolume"), nullptr);
    sound->update();
    UlvoEngine::getInstance()->onActivate.emit(false);
    UlvoEngine::getInstance()->onActivate.emit(true);

    EXPECT_FALSE(sound->init(nullptr));
}

TEST_F(SoundInterfaceTest, DuplicateNamesKeepTheFirstAndBrokenBanksPlayNothing)
{
    ASSERT_TRUE(start());
    XMLNode root = parse(LR"(<SOUNDS DEFAULT_SOUNDBANK="Leer">
        <WAVE_BANK NAME="Wavebank_Effects"><FILE FILENAME="data\Sounds\effects.xwb"/></WAVE_BANK>
        <SOUND_BANK NAME="Leer"><FILE FILENAME="data\Sounds\fehlt.xsb"/></SOUND_BANK>
        <SOUND_BANK NAME="Leer" UPDATE_TICKS="7"><FILE FILENAME="data\Sounds\effects.xsb"/></SOUND_BANK>
        <SOUND_BANK NAME="Kaputt" UPDATE_TICKS="0"><FILE FILENAME="data\Sounds\effects.xwb"/></SOUND_BANK>
        <SOUND_BANK NAME="OhneDatei"/>
        <GLOBAL_VARIABLE NAME="V" VAR_NAME="SoundVolume" VAR_VALUE="12.5"/>
        <GLOBAL_VARIABLE NAME="V" VAR_NAME="MusicVolume" VAR_VALUE="99"/>
    </SOUNDS>)");
    sound->load(&root);

    ASSERT_EQ(sound->getSoundbanks().size(), 3u);
    Soundbank* empty = sound->getSoundbank(L"Leer");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(sound->getDefaultSoundbank(), empty);
    EXPECT_EQ(empty->getXACTSoundBank(), nullptr); // the first node, whose file is missing
    EXPECT_EQ(empty->getUpdateTicks(), 100u);
    EXPECT_EQ(sound->getSoundbank(L"Kaputt")->getXACTSoundBank(), nullptr); // not a sound bank
    EXPECT_EQ(sound->getSoundbank(L"Kaputt")->getUpdateTicks(), 0u);

    for (Soundbank* bank : sound->getSoundbanks()) {
        EXPECT_EQ(bank->getCueIndex(L"klick_menu"), XACTINDEX_INVALID);
        EXPECT_EQ(bank->play2DByName(L"klick_menu", true), nullptr);
        EXPECT_EQ(bank->play2D(0, nullptr, true), nullptr);
        EXPECT_EQ(bank->play3D(0, D3DXVECTOR3(1.0f, 0.0f, 0.0f)), nullptr);
        EXPECT_EQ(bank->getPlayingCueCount(), 0u);
    }

    GlobalSoundVariable* variable = sound->getGlobalVariable(L"V");
    ASSERT_NE(variable, nullptr);
    EXPECT_FLOAT_EQ(variable->getValue(), 12.5f);
    EXPECT_FLOAT_EQ(engineValue(sound, "SoundVolume"), 12.5f);
    EXPECT_NE(engineValue(sound, "MusicVolume"), 99.0f);
}

TEST_F(SoundInterfaceTest, DeactivationMutesTheVolumeOffVariablesUntilReactivation)
{
    ASSERT_TRUE(start());
    ASSERT_TRUE(loadShipped());
    // A record whose variable does not exist is skipped every time.
    XMLNode extra = parse(LR"(<SOUNDS><VOLUME_OFF_VARIABLE NAME="Gibtsnicht" VOLUME_OFF="3"/></SOUNDS>)");
    sound->load(&extra);
    ASSERT_EQ(sound->getVolumeOffRecords().size(), 3u);

    GlobalSoundVariable* music = sound->getGlobalVariable(L"MusicVolume");
    GlobalSoundVariable* effects = sound->getGlobalVariable(L"SoundVolume");
    ASSERT_NE(music, nullptr);
    ASSERT_NE(effects, nullptr);
    ASSERT_TRUE(SUCCEEDED(music->setValue(60.0f)));
    ASSERT_TRUE(SUCCEEDED(effects->setValue(40.0f)));

    sigslot::signal1<const bool&>& activation = UlvoEngine::getInstance()->onActivate;
    activation.emit(false);
    EXPECT_FLOAT_EQ(music->getValue(), 0.0f);
    EXPECT_FLOAT_EQ(effects->getValue(), 0.0f);
    EXPECT_FLOAT_EQ(engineValue(sound, "MusicVolume"), 0.0f);
    EXPECT_FLOAT_EQ(engineValue(sound, "SoundVolume"), 0.0f);

    // A second deactivation must not save the muted value.
    activation.emit(false);
    EXPECT_TRUE(sound->getVolumeOffRecords()[0].muted);
    EXPECT_FALSE(sound->getVolumeOffRecords()[2].muted);

    activation.emit(true);
    EXPECT_FLOAT_EQ(music->getValue(), 60.0f);
    EXPECT_FLOAT_EQ(effects->getValue(), 40.0f);
    EXPECT_FLOAT_EQ(engineValue(sound, "MusicVolume"), 60.0f);
    EXPECT_FLOAT_EQ(engineValue(sound, "SoundVolume"), 40.0f);

    // Activating again changes nothing; a later change is what gets saved next.
    ASSERT_TRUE(SUCCEEDED(music->setValue(30.0f)));
    activation.emit(true);
    EXPECT_FLOAT_EQ(music->getValue(), 30.0f);
    activation.emit(false);
    activation.emit(true);
    EXPECT_FLOAT_EQ(engineValue(sound, "MusicVolume"), 30.0f);
}

TEST_F(SoundInterfaceTest, PreparedCuePlaysOnlyWhenStarted)
{
    ASSERT_TRUE(start());
    ASSERT_TRUE(loadShipped());
    Soundbank* bank = sound->getDefaultSoundbank();
    ASSERT_NE(bank, nullptr);

    PlayingSoundCue* cue = bank->play2DByName(L"pfeife", false);
    ASSERT_NE(cue, nullptr);
    EXPECT_EQ(cue->getName(), L"PlayingSoundCue_" + std::to_wstring(cue->getNumber()));
    EXPECT_EQ(cue->getRefCount(), 1);
    EXPECT_TRUE(cue->isStopped());
    EXPECT_TRUE(cue->hasStartFailed());
    EXPECT_TRUE(cueState(cue) & XACT_STATE_PREPARED);
    pump(20);
    EXPECT_FALSE(cueState(cue) & XACT_STATE_PLAYING);

    ASSERT_TRUE(cue->start());
    EXPECT_FALSE(cue->isStopped());
    EXPECT_FALSE(cue->hasStartFailed());
    EXPECT_TRUE(cueState(cue) & XACT_STATE_PLAYING);

    StopProbe probe;
    cue->stopped.connect(&probe, &StopProbe::onStopped);
    cue->stop();
    cue->stop();
    EXPECT_EQ(probe.count, 1);
    EXPECT_TRUE(cue->isStopped());
    // A 2D cue is in no list, so the engine's report changes nothing.
    XACT_NOTIFICATION note = cueStop(cue);
    SoundInterface::onNotification(&note);
    EXPECT_EQ(probe.count, 1);
    cue->Release();
}

TEST_F(SoundInterfaceTest, EachThreeDCueLeavesItsBankOnItsOwnStopReport)
{
    ASSERT_TRUE(start());
    ASSERT_TRUE(loadShipped());
    Soundbank* bank = sound->getDefaultSoundbank();
    ASSERT_NE(bank, nullptr);

    Playing3DSoundCue* first = bank->play3DByName(L"donner", D3DXVECTOR3(2.0f, 0.0f, 0.0f));
    Playing3DSoundCue* second = bank->play3DByName(L"donner", D3DXVECTOR3(-2.0f, 0.0f, 0.0f));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->getRefCount(), 2); // the caller's and the bank's
    EXPECT_EQ(bank->getPlayingCueCount(), 2u);
    EXPECT_EQ(bank->play3DByName(L"nicht_da", D3DXVECTOR3(0.0f, 0.0f, 0.0f)), nullptr);

    StopProbe one, two;
    first->stopped.connect(&one, &StopProbe::onStopped);
    second->stopped.connect(&two, &StopProbe::onStopped);

    // The engine ends the second cue: its report removes that entry only.
    ASSERT_TRUE(SUCCEEDED(second->getCue()->Stop(XACT_FLAG_CUE_STOP_IMMEDIATE)));
    for (int i = 0; i < 100 && two.count == 0; ++i)
        pump(5);
    EXPECT_EQ(two.count, 1);
    EXPECT_EQ(one.count, 0);
    EXPECT_TRUE(second->isStopped());
    EXPECT_TRUE(second->hasStartFailed());
    EXPECT_FALSE(first->isStopped());
    EXPECT_EQ(bank->getPlayingCueCount(), 1u);
    EXPECT_EQ(second->getRefCount(), 1);
    XACT_NOTIFICATION note = cueStop(second);
    SoundInterface::onNotification(&note); // a repeated report finds nothing
    EXPECT_EQ(two.count, 1);

    // A stop report for a cue the engine still plays is not believed.
    note = cueStop(first);
    SoundInterface::onNotification(&note);
    EXPECT_EQ(one.count, 0);
    EXPECT_FALSE(first->isStopped());
    EXPECT_EQ(bank->getPlayingCueCount(), 1u);

    // stop() reports once; the engine's report at the end of the release only
    // drops the entry.
    first->stop();
    EXPECT_EQ(one.count, 1);
    for (int i = 0; i < 200 && bank->getPlayingCueCount() > 0; ++i)
        pump(5);
    EXPECT_EQ(bank->getPlayingCueCount(), 0u);
    EXPECT_EQ(one.count, 1);
    EXPECT_EQ(first->getRefCount(), 1);
    first->Release();
    second->Release();
}

TEST_F(SoundInterfaceTest, EngineStopReportsRunTheReceiversOnTheMainThread)
{
    ASSERT_TRUE(start());
    ASSERT_TRUE(loadShipped());
    Soundbank* bank = sound->getDefaultSoundbank();
    ASSERT_NE(bank, nullptr);

    // A real cue to its end: the engine's report arrives through update.
    Playing3DSoundCue* click = bank->play3DByName(L"klick_menu", D3DXVECTOR3(0.0f, 0.0f, 1.0f));
    ASSERT_NE(click, nullptr);
    StopProbe real;
    click->stopped.connect(&real, &StopProbe::onStopped);
    for (int i = 0; i < 100 && real.count == 0; ++i)
        pump(10);
    EXPECT_EQ(real.count, 1);
    EXPECT_EQ(real.thread, std::this_thread::get_id());
    EXPECT_TRUE(click->isStopped());
    EXPECT_EQ(bank->getPlayingCueCount(), 0u);
    click->Release();

    // A report from another thread waits for the next update.
    Playing3DSoundCue* thunder = bank->play3DByName(L"donner", D3DXVECTOR3(0.0f, 0.0f, 1.0f));
    ASSERT_NE(thunder, nullptr);
    StopProbe probe;
    thunder->stopped.connect(&probe, &StopProbe::onStopped);
    ASSERT_TRUE(SUCCEEDED(thunder->getCue()->Stop(XACT_FLAG_CUE_STOP_IMMEDIATE)));
    XACT_NOTIFICATION note = cueStop(thunder);
    std::thread other([&note] { SoundInterface::onNotification(&note); });
    other.join();
    EXPECT_EQ(probe.count, 0);
    EXPECT_EQ(bank->getPlayingCueCount(), 1u);
    sound->update();
    EXPECT_EQ(probe.count, 1);
    EXPECT_EQ(probe.thread, std::this_thread::get_id());
    EXPECT_EQ(bank->getPlayingCueCount(), 0u);
    thunder->Release();
}

TEST_F(SoundInterfaceTest, ThreeDCuesEndedWithoutAReportStillLeaveTheirBank)
{
    ASSERT_TRUE(start());
    ASSERT_TRUE(loadShipped());
    Soundbank* bank = sound->getDefaultSoundbank();
    ASSERT_NE(bank, nullptr);
    XACT_NOTIFICATION_DESCRIPTION desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.type = XACTNOTIFICATIONTYPE_CUESTOP;
    desc.flags = XACT_FLAG_NOTIFICATION_PERSIST;
    desc.cueIndex = XACTINDEX_INVALID;
    ASSERT_TRUE(SUCCEEDED(sound->getXACT3Engine()->UnRegisterNotification(&desc)));

    Playing3DSoundCue* click = bank->play3DByName(L"klick_menu", D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    ASSERT_NE(click, nullptr);
    StopProbe probe;
    click->stopped.connect(&probe, &StopProbe::onStopped);
    click->Release();
    for (int i = 0; i < 100 && bank->getPlayingCueCount() > 0; ++i)
        pump(10);
    EXPECT_EQ(bank->getPlayingCueCount(), 0u);
    EXPECT_EQ(probe.count, 1);
    pump(20);
    EXPECT_EQ(bank->getRetiredCueCount(), 0u); // and its engine cue is gone
}

TEST_F(SoundInterfaceTest, ReleasedCuesEndOnlyAfterTheirSound)
{
    ASSERT_TRUE(start());
    ASSERT_TRUE(loadShipped());
    Soundbank* bank = sound->getDefaultSoundbank();
    Soundbank* music = sound->getSoundbank(L"Soundbank_Music");
    ASSERT_NE(bank, nullptr);
    ASSERT_NE(music, nullptr);

    // The game lets go of every 2D cue at once: the sound must go on, and its
    // engine cue must be destroyed afterwards rather than kept for good.
    for (int i = 0; i < 20; ++i) {
        PlayingSoundCue* cue = bank->play2DByName(L"klick_menu", true);
        ASSERT_NE(cue, nullptr);
        cue->Release();
    }
    PlayingSoundCue* prepared = bank->play2DByName(L"win", false);
    ASSERT_NE(prepared, nullptr);
    prepared->Release();
    EXPECT_EQ(bank->getRetiredCueCount(), 21u);
    PlayingSoundCue* theme = music->play2DByName(L"MUSIK", true);
    ASSERT_NE(theme, nullptr);
    IXACT3Cue* themeCue = theme->getCue();
    theme->Release();

    for (int i = 0; i < 100 && bank->getRetiredCueCount() > 0; ++i)
        pump(10);
    EXPECT_EQ(bank->getRetiredCueCount(), 0u);
    // The endless music loop still plays.
    EXPECT_EQ(music->getRetiredCueCount(), 1u);
    DWORD state = 0;
    ASSERT_TRUE(SUCCEEDED(themeCue->GetState(&state)));
    EXPECT_TRUE(state & XACT_STATE_PLAYING);
}

TEST_F(SoundInterfaceTest, MovedEmittersAreHeardAtTheNextRefresh)
{
    ASSERT_TRUE(start());
    ASSERT_TRUE(loadShipped());
    XMLNode fast = parse(LR"(<SOUNDS><SOUND_BANK NAME="Schnell" UPDATE_TICKS="0">
        <FILE FILENAME="data\Sounds\music.xsb"/></SOUND_BANK></SOUNDS>)");
    sound->load(&fast);
    Soundbank* bank = sound->getDefaultSoundbank();
    Soundbank* quick = sound->getSoundbank(L"Schnell");
    ASSERT_NE(bank, nullptr);
    ASSERT_NE(quick, nullptr);

    PlatformUseVirtualClock(true);
    Playing3DSoundCue* cue = bank->play3DByName(L"donner", D3DXVECTOR3(3.0f, 0.0f, 0.0f));
    Playing3DSoundCue* loop = quick->play3DByName(L"MUSIK", D3DXVECTOR3(3.0f, 0.0f, 0.0f));
    ASSERT_NE(cue, nullptr);
    ASSERT_NE(loop, nullptr);
    EXPECT_NEAR(cue->getDSPSettings().EmitterToListenerDistance, 3.0f, 1e-4f);

    sound->update(); // the first refresh is due at once
    cue->setPosition(D3DXVECTOR3(0.0f, 0.0f, 6.0f));
    loop->setPosition(D3DXVECTOR3(0.0f, 0.0f, 6.0f));
    sound->update();
    EXPECT_NEAR(cue->getDSPSettings().EmitterToListenerDistance, 3.0f, 1e-4f);
    EXPECT_NEAR(loop->getDSPSettings().EmitterToListenerDistance, 6.0f, 1e-4f); // refreshed every update

    PlatformAdvanceVirtualClock(99 * 1000);
    sound->update();
    EXPECT_NEAR(cue->getDSPSettings().EmitterToListenerDistance, 3.0f, 1e-4f);
    PlatformAdvanceVirtualClock(1000);
    sound->update();
    EXPECT_NEAR(cue->getDSPSettings().EmitterToListenerDistance, 6.0f, 1e-4f);
    PlatformUseVirtualClock(false);

    cue->stop();
    loop->stop();
    cue->Release();
    loop->Release();
}

TEST_F(SoundInterfaceTest, WithoutThreeDStateCuesPlayInTwoD)
{
    ASSERT_TRUE(start(false));
    EXPECT_TRUE(sound->isAvailable());
    EXPECT_FALSE(sound->has3D());
    ASSERT_TRUE(loadShipped());
    Soundbank* bank = sound->getDefaultSoundbank();
    ASSERT_NE(bank, nullptr);
    Playing3DSoundCue* cue = bank->play3DByName(L"pfeife", D3DXVECTOR3(5.0f, 0.0f, 0.0f));
    ASSERT_NE(cue, nullptr);
    EXPECT_FALSE(cue->isStopped());
    EXPECT_EQ(cue->getRefCount(), 1);
    EXPECT_EQ(bank->getPlayingCueCount(), 0u);
    sound->update();
    cue->Release();
}

TEST_F(SoundInterfaceTest, ShutdownEndsCuesThatAreStillHeld)
{
    ASSERT_TRUE(start());
    ASSERT_TRUE(loadShipped());
    Soundbank* bank = sound->getDefaultSoundbank();
    ASSERT_NE(bank, nullptr);
    PlayingSoundCue* held = bank->play2DByName(L"donner", true);
    ASSERT_NE(held, nullptr);
    GlobalSoundVariable* volume = sound->getGlobalVariable(L"SoundVolume");
    ASSERT_NE(volume, nullptr);
    volume->AddRef();

    sound->shutdown();
    EXPECT_FALSE(sound->isAvailable());
    EXPECT_EQ(sound->getDefaultSoundbank(), nullptr);
    // A holder that outlives the engine may still call and let go safely.
    EXPECT_FALSE(held->start());
    held->stop();
    held->Release();
    EXPECT_EQ(volume->setValue(1.0f), E_FAIL);
    volume->Release();

    // And the sound system starts again.
    ASSERT_TRUE(start());
    ASSERT_TRUE(loadShipped());
    EXPECT_NE(sound->getDefaultSoundbank(), nullptr);
}
