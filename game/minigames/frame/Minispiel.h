#pragma once
// The interface of every minigame: a timed puzzle in a GUI window over the game screen. It
// holds what all kinds share: the definition keys of its MINISPIEL node, the time limit and
// the time left, the solved and ended flags, the end delay between solving and the result,
// the game's window with its timer bar, the help and cancel slots, and the reporting of the
// score (time left / time limit, 0..1) through the minigame manager's result signal.
//
// Each kind derives from it, builds its windows in createGUI from clones of GUI templates
// named by its PRÄFIX and a fixed word, and ends its createGUI with this class's; it sets up a
// play in start and plays in update, where it calls this class's update to run the end delay
// (or reports itself with reportResult). The manager counts the time down; running out of
// time ends nothing.
//
// The game holds one reference on its window and one on its timer bar. Everything runs on
// the main thread.
#include "foundation/objects/NamedObject.h"
#include "minigames/frame/MinispielZug.h"

#include <string>

namespace Ulvo {
class GUIProgressBar;
class GUIWindow;
class XMLNode;
} // namespace Ulvo

namespace ThreeMatch {

class MinispielManager;

class Minispiel : public Ulvo::NamedObject {
public:
    // The MINISPIEL node: NAME, HILFE_ID, PRÄFIX, LSG_TIME (180 s) and TIMER (1 s).
    explicit Minispiel(Ulvo::XMLNode* node);
    ~Minispiel() override;
    Minispiel(const Minispiel&) = delete;
    Minispiel& operator=(const Minispiel&) = delete;

    // The end delay: once solved, it runs down and then the game ends with its score. A delay
    // of 0 or less reports at once.
    virtual void update(const double& dt);
    // Every kind implements it as doing nothing.
    virtual void hook() = 0;
    // The interface's part, which each kind runs after building its windows: the timer bar,
    // the window's draw signal, the help button "HILFE_BUTTON", the window hidden.
    virtual void createGUI();
    // A new play: the end delay reset, neither solved nor ended; false.
    virtual bool start();
    // The window fades in ("AN"); the time left is the full limit.
    virtual void show();
    // The window fades out ("AUS").
    virtual void hide();
    // Solved and ended at once, no end delay left; true.
    virtual bool finish();
    // which false: solved; which true: ended.
    virtual bool isFlagSet(const bool& which) const;
    // Gives up: finish, then the score 0.
    virtual void cancel();
    virtual double getTimeLimit() const { return m_timeLimit; }
    virtual Ulvo::GUIWindow* getWindow() const { return m_window; }
    virtual Ulvo::GUIProgressBar* getTimerBar() const { return m_timerBar; }
    // Each time the window has drawn itself.
    virtual void onDraw(Ulvo::GUIWindow& window, const bool& visible);
    // The moves a player would make next, aimed at where things are drawn now (the console's
    // "MS_Zuege"); a kind that must see a result first lists only the moves up to it. The
    // default knows none.
    virtual void naechsteZuege(MinispielZuege& zuege) const { (void)zuege; }

    // Slots the kinds connect: the help button shows the help menu, the cancel button closes
    // the game without a score.
    void onHelpClicked(Ulvo::GUIWindow& button);
    void onCancelClicked(Ulvo::GUIWindow& button);
    void onWindowDraw(Ulvo::GUIWindow& window, const bool& visible);

    // The manager's clock.
    double getTimeLeft() const { return m_timeLeft; }
    void setTimeLeft(double seconds) { m_timeLeft = seconds; }
    const std::wstring& getHilfeId() const { return m_hilfeId; }
    const std::wstring& getPraefix() const { return m_praefix; }
    float getEndDelay() const { return m_endDelay; }
    float getEndDelayLeft() const { return m_endDelayLeft; }
    // Time left / time limit within 0..1; 0 for a limit of 0 or less.
    float getScore() const;

protected:
    // Ends the game and emits the score (for kinds that skip the end delay, and the delay's end).
    void reportResult();
    // A clone of the GUI template named praefix + word, carrying one reference; null when
    // there is none.
    Ulvo::GUIWindow* cloneVorlage(const std::wstring& word) const;
    // The kinds' windows: clones of kind + "_FENSTER" (the game window, replacing window) and
    // kind + "_SPIELFELD" (the playing field, kept to width : height and added to the window),
    // with the buttons kind + "_CANCEL" and kind + "_HILFE" connected and added. The field,
    // carrying one reference for the caller; null (and no window) without both templates.
    Ulvo::GUIWindow* cloneGameWindow(const std::wstring& kind, float width, float height);
    // The buttons kind + "_CANCEL" and kind + "_HILFE", where found, connected and added to the
    // game's window.
    void addButtons(const std::wstring& kind);
    static MinispielManager& manager();

    Ulvo::GUIWindow* m_window = nullptr;
    Ulvo::GUIProgressBar* m_timerBar = nullptr;
    std::wstring m_hilfeId;
    std::wstring m_praefix;
    double m_timeLimit = 180.0;
    double m_timeLeft = 180.0;
    bool m_solved = false;
    bool m_ended = false;
    float m_endDelayLeft = 1.0f;
    float m_endDelay = 1.0f;
};

} // namespace ThreeMatch
