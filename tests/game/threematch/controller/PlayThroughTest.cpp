// The whole game in the test process, played as a player plays it: the first start, a profile,
// the town, a story level won by swaps, its tally, the next level lost by time, the quit; then a
// second start that resumes a level left running. Each start runs in a child process of its own,
// which ends as the program ends, so the files are checked as the program leaves them.
#include "PlayThroughSupport.h"

#include <platform_test.h>

#include "engine/UlvoEngine.h"
#include "foundation/app/AppInfo.h"
#include "foundation/xml/XMLNode.h"
#include "gui/widgets/GUILabel.h"
#include "threematch/board/Spielfeld.h"
#include "threematch/controller/ThreeMatchGame.h"
#include "threematch/profiles/Profil.h"
#include "threematch/profiles/ProfileManager.h"

#include <gtest/gtest.h>

#include <fstream>

using PlayThrough::GameHost;
using PlayThrough::RunFolder;
using ThreeMatch::Spielfeld;
namespace Player = PlayThrough::Player;

namespace {

struct ProfileValues {
    int level = -1;
    int points = -1;
    int lives = -1;
    bool operator==(const ProfileValues&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ProfileValues& v)
{
    return out << "level " << v.level << ", points " << v.points << ", lives " << v.lives;
}

ProfileValues valuesOf(const ThreeMatch::Profil& profil)
{
    return ProfileValues{profil.getActualLevel(), profil.getPunkte(), profil.getLeben()};
}

// What the child saw at its end, handed to the parent through the run folder.
void writeValues(const RunFolder& folder, const ProfileValues& v)
{
    std::ofstream(folder.path() / "seen.txt") << v.level << ' ' << v.points << ' ' << v.lives;
}

ProfileValues readValues(const RunFolder& folder)
{
    ProfileValues v;
    std::ifstream(folder.path() / "seen.txt") >> v.level >> v.points >> v.lives;
    return v;
}

// The profile of that name in "profile.prf", and whether it holds a running level.
bool savedProfile(const std::wstring& name, ProfileValues& values, bool& hasRunningLevel)
{
    Ulvo::XMLNode document;
    if (!Ulvo::XMLNode::load(&document, ThreeMatch::ProfileManager::profilePath(), 0))
        return false;
    for (Ulvo::XMLNode* node : document.getNodes()) {
        if (!node || node->getName() != L"PROFIL")
            continue;
        ThreeMatch::Profil profil(node);
        profil.readFromNode(node);
        if (profil.getName() != name)
            continue;
        values = valuesOf(profil);
        hasRunningLevel = node->getNode(L"ACTIVE_LEVEL") != nullptr;
        return true;
    }
    return false;
}

bool configHasApiParams()
{
    Ulvo::XMLNode document;
    const std::wstring path = Ulvo::AppInfo::getInstance()->expandSavePath() + L"\\config.cfg";
    if (!Ulvo::XMLNode::load(&document, path, 0))
        return false;
    const Ulvo::XMLNode* api = document.getNode(L"API_PARAMS");
    return api && !api->getNodes().empty();
}

ThreeMatch::Profil* activeProfile()
{
    return ThreeMatch::ProfileManager::getInstance()->getActiveProfile();
}

// Leaves through the exit button of the screen, or the window's close button without one.
void quit(GameHost& host)
{
    if (!host.click(L"THREEMATCH_EXIT_TW_BUTTON") && !host.click(L"B_BeendenButton"))
        PlatformInjectClose(host.window());
    EXPECT_TRUE(host.runToExit(5.0));
    EXPECT_EQ(host.exitCode(), 0);
}

} // namespace

TEST(PlayThrough, FromTheFirstStartToALevelLostByTime)
{
    RunFolder folder;
    const bool played = PlayThrough::runPhase("play", [&] {
        GameHost host(folder);
        ASSERT_TRUE(host.running());
        // A first start leads from the start screen to the new profile.
        ASSERT_TRUE(Player::createProfile(host, "anna"));
        ThreeMatch::Profil* profil = activeProfile();
        ASSERT_NE(profil, nullptr);
        EXPECT_EQ(profil->getName(), L"anna");
        const int livesAtStart = profil->getLeben();

        ASSERT_TRUE(host.click(L"H_Start"));
        ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCH_BAUEN_MENU"));
        ASSERT_TRUE(Player::playNextLevel(host));
        EXPECT_EQ(host.game().getBoard()->getLevelNumber(), 0);
        ASSERT_TRUE(Player::winLevel(host, 150));
        EXPECT_GT(profil->getPunkte(), 0);

        ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCH_AUSWERTUNG_WIN_MENU"));
        EXPECT_TRUE(host.game().isTallyRunning());
        // The tally ends on the true figures within two seconds.
        host.seconds(2.5);
        const auto* livesLine = dynamic_cast<Ulvo::GUILabel*>(GameHost::findWindow(L"THREEMATCH_WIN_LEBEN"));
        ASSERT_NE(livesLine, nullptr);
        EXPECT_NE(livesLine->getText().find(std::to_wstring(profil->getLeben())), std::wstring::npos)
            << PlayThrough::narrow(livesLine->getText());
        host.seconds(5.5);
        EXPECT_TRUE(PlayThrough::matchesGolden(host.screen(), "tally_won"));
        ASSERT_TRUE(host.click(L"THREEMATCHAUSWERTUNG_WIN_OK"));
        ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCH_BAUEN_MENU"));
        EXPECT_EQ(profil->getActualLevel(), 1);

        // The next level, left alone until its time runs out.
        ASSERT_TRUE(Player::playNextLevel(host));
        EXPECT_EQ(host.game().getBoard()->getLevelNumber(), 1);
        const double timeLeft = host.game().getBoard()->getTimeLeft();
        EXPECT_TRUE(Player::idleUntil(
            host, [&host] { return host.game().getBoard()->getState() != Spielfeld::Laeuft; }, timeLeft + 30.0))
            << "time left " << timeLeft << " -> " << host.game().getBoard()->getTimeLeft() << ", screen "
            << PlayThrough::narrow(GameHost::activeMenu());
        ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCH_AUSWERTUNG_LOSE_MENU"));
        EXPECT_EQ(profil->getLeben(), livesAtStart - 1);
        host.seconds(2.0);
        ASSERT_TRUE(host.click(L"THREEMATCHAUSWERTUNG_LOSE_OK"));
        ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCH_BAUEN_MENU"));
        EXPECT_EQ(profil->getActualLevel(), 1);
        writeValues(folder, valuesOf(*profil));
        quit(host);
    });
    EXPECT_TRUE(played);
    if (PlayThrough::isPhaseProcess())
        return;

    ProfileValues saved;
    bool running = true;
    ASSERT_TRUE(savedProfile(L"anna", saved, running)) << "profile.prf holds no profile \"anna\"";
    EXPECT_EQ(saved, readValues(folder));
    EXPECT_EQ(saved.level, 1);
    EXPECT_GT(saved.points, 0);
    EXPECT_TRUE(configHasApiParams());
}

TEST(PlayThrough, ARestartResumesTheLevelLeftRunning)
{
    RunFolder folder;
    const bool first = PlayThrough::runPhase("first", [&] {
        GameHost host(folder);
        ASSERT_TRUE(Player::createProfile(host, "bert"));
        ASSERT_TRUE(host.click(L"H_Start"));
        ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCH_BAUEN_MENU"));
        ASSERT_TRUE(Player::playNextLevel(host));
        // Swaps away from the targets, so that the level stays unfinished.
        for (int i = 0; i < 2; ++i)
            EXPECT_TRUE(Player::swapClearingARun(host, false));
        ASSERT_EQ(host.game().getBoard()->getState(), Spielfeld::Laeuft);
        writeValues(folder, valuesOf(*activeProfile()));
        // The window closed in the middle of the level.
        PlatformInjectClose(host.window());
        EXPECT_TRUE(host.runToExit(5.0));
    });
    ASSERT_TRUE(first);
    if (!PlayThrough::isPhaseProcess()) {
        ProfileValues saved;
        bool running = false;
        ASSERT_TRUE(savedProfile(L"bert", saved, running));
        EXPECT_TRUE(running) << "the running level was not saved";
        EXPECT_EQ(saved, readValues(folder));
    }

    const bool second = PlayThrough::runPhase("second", [&] {
        GameHost host(folder);
        ASSERT_TRUE(Player::waitForMenu(host, L"HAUPTMENU"));
        ThreeMatch::Profil* profil = activeProfile();
        ASSERT_NE(profil, nullptr);
        EXPECT_EQ(profil->getName(), L"bert");
        EXPECT_EQ(valuesOf(*profil), readValues(folder));
        // "Start" goes back into the level, not to the town.
        ASSERT_TRUE(host.click(L"H_Start"));
        ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCH_INGAME_MENU"));
        EXPECT_EQ(host.game().getBoard()->getLevelNumber(), 0);
        EXPECT_TRUE(host.waitFor([&host] { return host.game().getBoard()->getState() == Spielfeld::Laeuft; }, 10.0));
        EXPECT_TRUE(Player::swapClearingARun(host));
        quit(host);
    });
    EXPECT_TRUE(second);
}
