// The minigame frame with a small minigame of the tests' own: the definition keys, the end
// delay and the score, giving up, the factory and the rotation, the help menu that holds the
// clock, skip and cancel, the timer bar, and the game's definition file.
#include "GUITestSupport.h"
#include "GameTestSupport.h"

#include "engine/UlvoEngine.h"
#include "foundation/console/ConsoleDispatcher.h"
#include "foundation/logging/Logger.h"
#include "foundation/text/TextManager.h"
#include "foundation/xml/XMLNode.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUILabel.h"
#include "gui/widgets/GUIProgressBar.h"
#include "minigames/MinigameKinds.h"
#include "minigames/frame/Minispiel.h"
#include "minigames/frame/MinispielManager.h"
#include "support/TestSupport.h"

#include <crt.h>
#include <gtest/gtest.h>

#include <algorithm>

using namespace ThreeMatch;

namespace {

// The smallest game: a window from the template PRÄFIX + "TEST_FENSTER" with clones of a
// cancel button and a help button added, as the kinds build theirs; solve() stands for the
// player's last right move.
class TestSpiel : public Minispiel {
public:
    explicit TestSpiel(Ulvo::XMLNode* node) : Minispiel(node) {}
    static Minispiel* create(Ulvo::XMLNode* node) { return new TestSpiel(node); }

    void hook() override {}
    void createGUI() override
    {
        m_window = cloneVorlage(L"TEST_FENSTER");
        if (m_window) {
            if (Ulvo::GUIWindow* cancel = cloneVorlage(L"TEST_CANCEL")) {
                cancel->clicked.connect(static_cast<Minispiel*>(this), &Minispiel::onCancelClicked);
                m_window->addChild(cancel, true);
            }
            // Found by the interface's part by its name.
            if (Ulvo::GUIWindow* help = cloneVorlage(L"HILFE_BUTTON"))
                m_window->addChild(help, true);
        }
        Minispiel::createGUI();
    }
    bool start() override
    {
        ++starts;
        return Minispiel::start();
    }
    void solve()
    {
        m_solved = true;
        m_endDelayLeft = m_endDelay;
    }

    int starts = 0;
};

const wchar_t* const kScreen = LR"(<GUI>
  <VORLAGEN>
    <WINDOW NAME="TEST_FENSTER">
      <WINDOW_PARAMS><GUIRECT><POS_TL X_REL="0.1" Y_REL="0.1"/><SIZE X_REL="0.8" Y_REL="0.8"/></GUIRECT>
        <ANIMATION_GOAL NAME="AN"/><ANIMATION_GOAL NAME="AUS"><OPTIONS VISIBLE="0"/></ANIMATION_GOAL>
      </WINDOW_PARAMS>
    </WINDOW>
    <WINDOW NAME="HILFE_BUTTON" TYPE="BUTTON"/>
    <WINDOW NAME="TEST_CANCEL" TYPE="BUTTON"/>
    <WINDOW NAME="TIMER_BAR" TYPE="PROGRESSBAR">
      <PROGRESSBAR_PARAMS MAX_WERT="1"><LABEL_PARAMS TEXT_ID="TEST_ZEIT"/></PROGRESSBAR_PARAMS>
    </WINDOW>
  </VORLAGEN>
  <WINDOW NAME="MINISPIEL_SCREEN">
    <WINDOW NAME="MINISPIEL_Hilfemenue">
      <WINDOW_PARAMS><ANIMATION_GOAL NAME="AN"/><ANIMATION_GOAL NAME="AUS"><OPTIONS VISIBLE="0"/></ANIMATION_GOAL>
      </WINDOW_PARAMS>
      <WINDOW NAME="MINISPIEL_H_HilfeLabel" TYPE="LABEL"/>
      <WINDOW NAME="MINISPIEL_H_OKButton" TYPE="BUTTON"/>
      <WINDOW NAME="MINISPIEL_H_SkipButton" TYPE="BUTTON"/>
    </WINDOW>
    <WINDOW NAME="MINISPIEL_GAMESCREEN"/>
  </WINDOW>
</GUI>)";

struct Results : sigslot::has_slots<> {
    std::vector<std::pair<Minispiel*, float>> scores;
    std::vector<Minispiel*> closed;
    void onResult(Minispiel& game, const float& score) { scores.emplace_back(&game, score); }
    void onClosed(Minispiel& game) { closed.push_back(&game); }
};

class MinispielTest : public GUITesting::GUITest {
protected:
    void SetUp() override
    {
        GUITest::SetUp();
        m_logs = Ulvo::logSwitch();
        Ulvo::logSwitch() = 0;
        crt_srand(0);
        manager().getKinds().add(L"TEST", &TestSpiel::create);
        manager().resultSignal.connect(&results, &Results::onResult);
        manager().closedSignal.connect(&results, &Results::onClosed);
        ASSERT_TRUE(loadText(kScreen));
        Ulvo::XMLNode texts = GameTesting::parse(
            LR"(<TEXTE DEF_LANGUAGE="deutsch"><TEXT NAME="TEST_ZEIT" LANG="deutsch">"|%d|"</TEXT></TEXTE>)");
        Ulvo::UlvoEngine::getInstance()->getTextManager()->load(&texts);
    }
    void TearDown() override
    {
        manager().clear();
        GUITest::TearDown();
        Ulvo::logSwitch() = m_logs;
    }
    static MinispielManager& manager() { return *MinispielManager::getInstance(); }
    // Games of the definition text, with the screen built.
    void define(const std::wstring& entries)
    {
        Ulvo::XMLNode root = GameTesting::parse(L"<MINISPIELE>" + entries + L"</MINISPIELE>");
        manager().load(root);
        manager().initScreen();
    }
    TestSpiel& game(int index) const { return *static_cast<TestSpiel*>(manager().getMinispiele()[index]); }
    // The controller's order for one play.
    TestSpiel& play()
    {
        TestSpiel& current = *static_cast<TestSpiel*>(manager().getCurrentMinispiel());
        current.start();
        manager().setActiveMinispiel(&current);
        manager().showScreen(true);
        return current;
    }
    // Frames of the manager's update.
    void frames(double seconds, double dt = 0.1)
    {
        for (double t = 0.0; t < seconds - 1e-9; t += dt)
            manager().update(dt);
    }
    void click(const wchar_t* name) { gui().getWindow(name)->clicked.emit(*gui().getWindow(name)); }

    Results results;
    int m_logs = 0;
};

} // namespace

TEST_F(MinispielTest, DefinitionKeysAndTheirDefaults)
{
    define(LR"(<MINISPIEL TYPE="TEST"/>
               <MINISPIEL TYPE="TEST" NAME="Zwei" HILFE_ID="HILFE_ZWEI" PRÄFIX="X_" LSG_TIME="60" TIMER="2.5"/>)");
    ASSERT_EQ(manager().getMinispiele().size(), 2u);
    EXPECT_EQ(game(0).getTimeLimit(), 180.0);
    EXPECT_EQ(game(0).getEndDelay(), 1.0f);
    EXPECT_EQ(game(1).getName(), L"Zwei");
    EXPECT_EQ(game(1).getHilfeId(), L"HILFE_ZWEI");
    EXPECT_EQ(game(1).getPraefix(), L"X_");
    EXPECT_EQ(game(1).getTimeLimit(), 60.0);
    EXPECT_EQ(game(1).getEndDelay(), 2.5f);
    // The game's window from its template, hidden, with its own timer bar; a game whose
    // PRÄFIX finds no template has neither.
    ASSERT_NE(game(0).getWindow(), nullptr);
    EXPECT_EQ(game(0).getWindow()->getParent(), manager().getGameScreen());
    ASSERT_NE(game(0).getTimerBar(), nullptr);
    EXPECT_EQ(game(0).getTimerBar()->getParent(), game(0).getWindow());
    EXPECT_EQ(game(1).getWindow(), nullptr);
    EXPECT_EQ(game(1).getTimerBar(), nullptr);
    // The flags: solved and ended apart, both after finish.
    game(0).start();
    game(0).solve();
    EXPECT_TRUE(game(0).isFlagSet(false));
    EXPECT_FALSE(game(0).isFlagSet(true));
    EXPECT_TRUE(game(0).finish());
    EXPECT_TRUE(game(0).isFlagSet(true));
    EXPECT_EQ(game(0).getEndDelayLeft(), 0.0f);
    EXPECT_TRUE(results.scores.empty());
}

TEST_F(MinispielTest, HelpHoldsTheClockThenTheScoreIsTheTimeLeft)
{
    define(LR"(<MINISPIEL TYPE="TEST" HILFE_ID="HILFE_TEST"/>)");
    TestSpiel& spiel = play();
    EXPECT_EQ(spiel.starts, 1);
    EXPECT_EQ(manager().getActiveMinispiel(), &spiel);
    EXPECT_TRUE(manager().isScreenShown());
    EXPECT_TRUE(manager().isHelpShown()) << "every play begins with its help";
    EXPECT_EQ(manager().getHelpLabel()->getTextId(), L"HILFE_TEST");
    frames(5.0);
    EXPECT_EQ(spiel.getTimeLeft(), 180.0) << "the clock stands while the help shows";
    click(L"MINISPIEL_H_OKButton");
    EXPECT_FALSE(manager().isHelpShown());
    frames(135.0, 0.5);
    EXPECT_NEAR(spiel.getTimeLeft(), 45.0, 1e-6);
    // The timer bar shows the time left, its label the whole seconds.
    EXPECT_NEAR(spiel.getTimerBar()->getValue(), 45.0f, 1e-3f);
    EXPECT_EQ(spiel.getTimerBar()->getMaxValue(), 180.0f);
    spiel.solve();
    frames(0.5);
    EXPECT_NEAR(spiel.getTimeLeft(), 45.0, 1e-6) << "the clock stands once solved";
    EXPECT_TRUE(results.scores.empty()) << "the end delay runs first";
    frames(0.6);
    ASSERT_EQ(results.scores.size(), 1u);
    EXPECT_EQ(results.scores[0].first, &spiel);
    EXPECT_FLOAT_EQ(results.scores[0].second, 0.25f);
    EXPECT_TRUE(spiel.isFlagSet(true));
    EXPECT_EQ(manager().getActiveMinispiel(), nullptr) << "an ended game leaves";
    EXPECT_FALSE(manager().isScreenShown());
}

TEST_F(MinispielTest, RunningOutOfTimeEndsNothingAndALateSolutionScoresZero)
{
    define(LR"(<MINISPIEL TYPE="TEST" LSG_TIME="10"/>)");
    TestSpiel& spiel = play();
    click(L"MINISPIEL_H_OKButton");
    frames(9.0);
    EXPECT_FALSE(manager().isTimeUpShown());
    frames(8.9);
    EXPECT_EQ(spiel.getTimeLeft(), 0.0);
    EXPECT_TRUE(results.scores.empty());
    EXPECT_EQ(manager().getActiveMinispiel(), &spiel);
    EXPECT_TRUE(manager().isTimeUpShown()) << "the player is told that the time is up";
    spiel.solve();
    frames(1.2);
    ASSERT_EQ(results.scores.size(), 1u);
    EXPECT_EQ(results.scores[0].second, 0.0f);
    manager().setActiveMinispiel(nullptr);
    EXPECT_FALSE(manager().isTimeUpShown()) << "and no longer once the game is gone";
}

TEST_F(MinispielTest, TheTimerLabelShowsTheWholeSecondsLeft)
{
    define(LR"(<MINISPIEL TYPE="TEST" LSG_TIME="20"/>)");
    TestSpiel& spiel = play();
    click(L"MINISPIEL_H_OKButton");
    frames(2.1);
    ASSERT_NEAR(spiel.getTimeLeft(), 17.9, 1e-9);
    EXPECT_EQ(spiel.getTimerBar()->getLabel()->getText(), L"17");
}

TEST_F(MinispielTest, SkipScoresZeroAtOnceAndCancelClosesWithoutAScore)
{
    define(LR"(<MINISPIEL TYPE="TEST" NAME="A"/><MINISPIEL TYPE="TEST" NAME="B"/>)");
    TestSpiel& first = play();
    click(L"MINISPIEL_H_SkipButton");
    ASSERT_EQ(results.scores.size(), 1u);
    EXPECT_EQ(results.scores[0].second, 0.0f);
    EXPECT_TRUE(first.isFlagSet(true));
    EXPECT_FALSE(manager().isHelpShown());
    // The result can tell a skipped game from one played to a score of 0.
    EXPECT_TRUE(manager().wasSkipped());
    // The controller deactivates the game and moves on.
    manager().setActiveMinispiel(nullptr);
    EXPECT_TRUE(manager().wasSkipped());
    manager().nextMinispiel();
    TestSpiel& second = play();
    EXPECT_NE(&second, &first);
    EXPECT_FALSE(manager().wasSkipped());
    // The game's own cancel button: closed, no score, the rotation stays.
    const unsigned index = manager().getIndex();
    second.getWindow()->findWindow(L"TEST_CANCEL")->clicked.emit(*second.getWindow()->findWindow(L"TEST_CANCEL"));
    ASSERT_EQ(results.closed.size(), 1u);
    EXPECT_EQ(results.closed[0], &second);
    EXPECT_EQ(results.scores.size(), 1u);
    EXPECT_EQ(manager().getIndex(), index);
    // Escape does what the cancel button does.
    manager().backOut();
    ASSERT_EQ(results.closed.size(), 2u);
    EXPECT_EQ(results.closed[1], &second);
    // The help button inside a game brings the help back.
    click(L"MINISPIEL_H_OKButton");
    second.getWindow()->findWindow(L"HILFE_BUTTON")->clicked.emit(*second.getWindow()->findWindow(L"HILFE_BUTTON"));
    EXPECT_TRUE(manager().isHelpShown());
    // A game's own cancel reports 0 at once and leaves it ended.
    second.cancel();
    ASSERT_EQ(results.scores.size(), 2u);
    EXPECT_EQ(results.scores[1].second, 0.0f);
    EXPECT_TRUE(second.isFlagSet(true));
}

TEST_F(MinispielTest, ActivatingAGameHidesTheOneBefore)
{
    define(LR"(<MINISPIEL TYPE="TEST" NAME="A"/><MINISPIEL TYPE="TEST" NAME="B"/>)");
    TestSpiel& first = play();
    frames(0.5);
    EXPECT_EQ(first.getWindow()->getAnimationTarget().name, L"AN");
    manager().nextMinispiel();
    TestSpiel& second = play();
    EXPECT_EQ(first.getWindow()->getAnimationTarget().name, L"AUS");
    EXPECT_EQ(second.getWindow()->getAnimationTarget().name, L"AN");
    EXPECT_EQ(manager().getActiveMinispiel(), &second);
    EXPECT_EQ(first.getRefCount(), 1) << "the manager let go of it: the rotation's reference is left";
    EXPECT_EQ(second.getRefCount(), 2);
}

TEST_F(MinispielTest, TheFactoryAndTheShuffledRotation)
{
    EXPECT_EQ(manager().getCurrentMinispiel(), nullptr) << "no games, nothing to start";
    define(LR"(<MINISPIEL TYPE="TEST" NAME="A"/><MINISPIEL TYPE="test" NAME="X"/><MINISPIEL NAME="Y"/>
               <MINISPIEL TYPE="KEIN_SPIEL" NAME="Z"/><MINISPIEL TYPE="TEST" NAME="B"/><MINISPIEL TYPE="TEST" NAME="C"/>)");
    ASSERT_EQ(manager().getMinispiele().size(), 3u) << "a TYPE is compared exactly; unknown ones are passed over";
    for (int i = 0; i < 4; ++i)
        manager().nextMinispiel();
    EXPECT_EQ(manager().getCurrentMinispiel(), &game(1)) << "4 modulo 3";
    // Ten times as many moves as games, each taking a game to the end.
    std::vector<std::wstring> expected = {L"A", L"B", L"C"};
    crt_srand(5);
    for (int k = 0; k < 30; ++k) {
        const int at = crt_rand() % 3;
        const std::wstring name = expected[at];
        expected.erase(expected.begin() + at);
        expected.push_back(name);
    }
    crt_srand(5);
    manager().shuffle();
    std::vector<std::wstring> names;
    for (const Minispiel* spiel : manager().getMinispiele())
        names.push_back(spiel->getName());
    EXPECT_EQ(names, expected);
    // The console deals a chosen game next.
    Ulvo::TypedConsoleCommand line(L"MS_Naechstes C");
    Ulvo::ConsoleDispatcher::getInstance()->execute(line);
    EXPECT_EQ(manager().getCurrentMinispiel()->getName(), L"C");
    EXPECT_FALSE(manager().dealNext(L"Z"));
}

TEST_F(MinispielTest, AnEndDelayOfNothingAndATimeLimitOfNothing)
{
    // A game that keeps the end delay but has none reports as soon as it is solved.
    define(LR"(<MINISPIEL TYPE="TEST" TIMER="0" LSG_TIME="100"/>)");
    TestSpiel& quick = play();
    click(L"MINISPIEL_H_OKButton");
    frames(20.0);
    quick.solve();
    frames(0.1);
    ASSERT_EQ(results.scores.size(), 1u);
    EXPECT_NEAR(results.scores[0].second, 0.8f, 1e-3f);
    // A limit of 0 scores 0 instead of dividing by it.
    manager().clear();
    define(LR"(<MINISPIEL TYPE="TEST" LSG_TIME="0" TIMER="0.1"/>)");
    TestSpiel& none = play();
    none.solve();
    frames(0.2);
    ASSERT_EQ(results.scores.size(), 2u);
    EXPECT_EQ(results.scores[1].second, 0.0f);
}

TEST_F(MinispielTest, TheGamesDefinitionFileBringsTheScreenAndItsTexts)
{
    gui().clear();
    registerMinigameKinds(manager().getKinds());
    Ulvo::XMLNode root;
    GameTesting::inRuntimeFolder([&] {
        Ulvo::XMLNode vorlagen;
        ASSERT_TRUE(Ulvo::XMLNode::load(&vorlagen, L"data\\GUI\\Vorlagen.gui", 0));
        gui().load(&vorlagen);
        ASSERT_TRUE(Ulvo::XMLNode::load(&root, L"data\\Games\\minigames.min", 0));
        manager().load(root);
    });
    manager().initScreen();
    ASSERT_NE(manager().getScreen(), nullptr);
    ASSERT_NE(manager().getGameScreen(), nullptr);
    ASSERT_NE(manager().getHelpMenu(), nullptr);
    ASSERT_NE(manager().getHelpLabel(), nullptr);
    EXPECT_EQ(manager().getHelpMenu()->getParent(), manager().getScreen());
    EXPECT_EQ(manager().getGameScreen()->getParent(), manager().getScreen());
    EXPECT_NE(dynamic_cast<Ulvo::GUIProgressBar*>(gui().getVorlage(L"TIMER_BAR")), nullptr);
    Ulvo::TextManager& texts = *Ulvo::UlvoEngine::getInstance()->getTextManager();
    for (const wchar_t* id : {L"MINISPIEL_ZEIT", L"MINISPIEL_HILFE", L"MINISPIEL_H_OK", L"MINISPIEL_H_SKIP"})
        EXPECT_FALSE(texts.getTextString(id).empty()) << id;
    EXPECT_EQ(texts.formatText(texts.getText(L"MINISPIEL_ZEIT"), 0.0, 0.0, 0.0, 17), L"Zeit: 17 s");
    EXPECT_FALSE(manager().isHelpShown());
    // Each kind's games, with the kinds registered as the controller registers them.
    std::vector<std::wstring> names;
    for (const Minispiel* each : manager().getMinispiele())
        names.push_back(each->getName());
    // Every entry made a game: no TYPE is left unregistered.
    EXPECT_EQ(names.size(), root.getNodeCount(L"MINISPIEL"));
    for (const wchar_t* name :
         {L"PUZZLE_DORF", L"PUZZLE_MUEHLE", L"SCHIEBEPUZZLE_HOF", L"SCHIEBEPUZZLE_MAUER", L"BAUEN_HAUS", L"BAUEN_TURM",
          L"AUSTAUSCH_HAFEN", L"AUSTAUSCH_MARKT", L"DREHBILD_WIESE", L"DREHBILD_BURG", L"RING_DORF", L"RING_SEE"})
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end());
    for (const wchar_t* name :
         {L"LABYRINTH_GARTEN", L"LABYRINTH_PARK", L"PUNKTE_NIKOLAUS", L"PUNKTE_STERN", L"MAZE_BURG", L"MAZE_HOEHLE"})
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end());
    for (const wchar_t* name : {L"OBJEKT_KLICKEN_FORMEN", L"OBJEKT_KLICKEN_NACHT", L"PUSTEN_HOF", L"PUSTEN_TEICH"})
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end());
    for (const wchar_t* name :
         {L"MEMORY_OBST", L"MEMORY_WERKZEUG", L"ZUORDNEN_LAGER", L"ZUORDNEN_WAAGE", L"RICHTIGES_SYMBOL_ESSEN",
          L"RICHTIGES_SYMBOL_WAPPEN", L"RICHTIGER_PFAD_WALD", L"RICHTIGER_PFAD_BERG"})
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end());
    for (const Minispiel* each : manager().getMinispiele()) {
        EXPECT_NE(each->getWindow(), nullptr);
        EXPECT_NE(each->getTimerBar(), nullptr);
        EXPECT_FALSE(texts.getTextString(each->getHilfeId()).empty());
        EXPECT_GT(each->getTimeLimit(), 0.0);
    }
    for (const wchar_t* id : {L"MINISPIEL_ABBRECHEN", L"MINISPIEL_HILFE_KNOPF", L"MINISPIEL_TIPP_ABBRECHEN"})
        EXPECT_FALSE(texts.getTextString(id).empty()) << id;
}
