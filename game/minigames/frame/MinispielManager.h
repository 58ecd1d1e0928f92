#pragma once
// The owner of every minigame. It reads "data\Games\minigames.min": the minigames' texts,
// fonts, texture animations, textures and GUI files, and one game per MINISPIEL entry, made by
// the factory of its TYPE. The games stand in a shuffled rotation; the manager builds the
// minigame screen with its help menu, runs one active game at a time (its update, the clock
// and the timer bar) and passes the games' events on through its signals: the game
// controller connects the result (a score 0..1; 0 when skipped) and the closing (the game's
// cancel button, no score).
//
// The manager holds one reference on each game, one more on the active game, and one on each
// screen window it uses. Every play starts with the help shown and the clock standing.
#include "foundation/console/ConsoleCommandReceiver.h"
#include "foundation/objects/KindRegistry.h"
#include "foundation/sigslot.h"

#include <string>
#include <vector>

namespace Ulvo {
class GUILabel;
class GUIProgressBar;
class GUIWindow;
class XMLNode;
} // namespace Ulvo

namespace ThreeMatch {

class Minispiel;

class MinispielManager : public Ulvo::ConsoleCommandReceiver {
public:
    // Makes a game of one kind from its MINISPIEL node, carrying one reference.
    using Creator = Minispiel* (*)(Ulvo::XMLNode* node);
    using Kinds = Ulvo::KindRegistry<Creator>;

    // The one manager, built on first use and destroyed at exit.
    static MinispielManager* getInstance();
    ~MinispielManager() override;
    MinispielManager(const MinispielManager&) = delete;
    MinispielManager& operator=(const MinispielManager&) = delete;

    sigslot::signal1<const bool&> screenSignal;
    sigslot::signal2<Minispiel&, const float&> resultSignal;
    sigslot::signal1<Minispiel&> failedSignal;
    sigslot::signal1<Minispiel&> closedSignal;
    sigslot::signal1<Minispiel&> rightSignal;
    sigslot::signal1<Minispiel&> wrongSignal;

    // The factory's kinds: TYPE words, compared exactly (registerMinigameKinds at start-up).
    Kinds& getKinds() { return m_kinds; }
    // The definition file's root: TEXTE, FONTS, ANIMATIONEN, TEXTURES and GUI files, each kind
    // in file order, then the MINISPIEL entries.
    void load(Ulvo::XMLNode& root);
    // A game of the node's TYPE; null (with a log line) for a missing or unknown TYPE.
    Minispiel* createMinispiel(Ulvo::XMLNode& node);
    // Finds the screen windows, lets every game build its windows into the game screen and
    // hides the help.
    void initScreen();
    // A new order of the rotation (10 x n random moves to the end).
    void shuffle();
    // games[index modulo their number]; null without games.
    Minispiel* getCurrentMinispiel() const;
    void nextMinispiel() { ++m_index; }
    // Hides and lets go of the active game; shows the new one (null: none) with its help.
    void setActiveMinispiel(Minispiel* game);
    // Brings the screen to the front (with an active game) or sends it to the back; its backdrop
    // ("MINISPIEL_HINTERGRUND", covering what lies behind the games) fades in and out with it.
    void showScreen(const bool& show);
    // The help menu over the game (the clock stands) or the game alone.
    void showHelp(const bool& show);
    // Once a frame: the active game, its clock and the timer bar.
    void update(const double& dt);

    // The game shown is left as its "Zurück" leaves it (closed, no score); nothing without one
    // or once it is solved.
    void backOut();
    // The notice over the game ("MINISPIEL_MELDUNG"): a refused answer (the failed signal) for a
    // moment, and once the clock has run out that the time is up and the building costs its full
    // price, until the game ends.
    void onFailed(Minispiel& game);
    bool isTimeUpShown() const { return m_timeUp; }
    Ulvo::GUILabel* getNotice() const { return m_notice; }
    // The help menu's buttons.
    void onHelpOk(Ulvo::GUIWindow& button);
    void onHelpSkip(Ulvo::GUIWindow& button);

    // Lets go of every game and window (exit; tests start afresh). The kinds stay registered.
    void clear();
    // Makes the game of that NAME (in any case) the next one the rotation deals; false when there is none.
    bool dealNext(const std::wstring& name);

    const std::vector<Minispiel*>& getMinispiele() const { return m_games; }
    Minispiel* getActiveMinispiel() const { return m_active; }
    bool isScreenShown() const { return m_screenShown; }
    bool isHelpShown() const { return m_helpShown; }
    // The active game (or the one just ended) was given up from its help unplayed.
    bool wasSkipped() const { return m_skipped; }
    unsigned getIndex() const { return m_index; }
    Ulvo::GUIWindow* getScreen() const { return m_screen; }
    Ulvo::GUIWindow* getGameScreen() const { return m_gameScreen; }
    Ulvo::GUIWindow* getHelpMenu() const { return m_helpMenu; }
    Ulvo::GUILabel* getHelpLabel() const { return m_helpLabel; }

private:
    MinispielManager();
    // Shows the notice with that text for so many seconds (0: until it is replaced or hidden).
    void showNotice(const wchar_t* textId, double seconds);
    void hideNotice();
    // Fits the notice's box to its wrapped text.
    void fitNotice();
    // "MS_Naechstes NAME": the console's way to a chosen game (a test or a demonstration).
    void consoleNext(Ulvo::TypedConsoleCommand& line);
    // "MS_Zuege": logs the active game's next moves in screen pixels, one "MS_Zug" line each,
    // then "MS_Zuege: n" (none while no game is played or its help covers it).
    void consoleMoves(Ulvo::TypedConsoleCommand& line);
    // Loads the file its FILE names; false (with a log line) when it cannot.
    static bool loadSection(const Ulvo::XMLNode& node, Ulvo::XMLNode& document);

    Kinds m_kinds;
    std::vector<Minispiel*> m_games;
    Minispiel* m_active = nullptr;
    Ulvo::GUIWindow* m_gameScreen = nullptr;
    Ulvo::GUIWindow* m_screen = nullptr;
    Ulvo::GUIWindow* m_helpMenu = nullptr;
    Ulvo::GUIWindow* m_backdrop = nullptr;
    Ulvo::GUILabel* m_notice = nullptr;
    Ulvo::GUILabel* m_helpLabel = nullptr;
    Ulvo::GUIProgressBar* m_timerBar = nullptr;
    bool m_screenShown = false;
    bool m_helpShown = true;
    bool m_skipped = false;
    bool m_timeUp = false;
    double m_noticeLeft = 0.0;
    unsigned m_index = 0;
};

} // namespace ThreeMatch
