#pragma once
// Owns every menu, keeps the history of the menus switched to (the last entry is
// the current menu) and announces every switch through menuChanged with the
// previous and the new menu. The game's screens are its menus: the game controller
// and the menu levels dispatch on their names.
//
// Menu files ("data\menues.menu" names them) hold GUIMENU nodes; links are
// resolved once, after every menu file is loaded. The keyboard's key signal and
// the input bindings are handed in by the engine's start-up step; without them
// (tools, tests) menus react to clicks only.
#include "foundation/sigslot.h"

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

namespace Ulvo {

class GUIMenu;
class Inputmanager;
class KeyState;
class Measures;
class TastaturLayout;
class XMLNode;

class GUIMenuManager : public sigslot::has_slots<> {
public:
    // The history keeps the last this many switches.
    static constexpr std::size_t MAX_HISTORY = 256;

    // Built on first use; touches no other object.
    static GUIMenuManager* getInstance();
    ~GUIMenuManager() override;
    GUIMenuManager(const GUIMenuManager&) = delete;
    GUIMenuManager& operator=(const GUIMenuManager&) = delete;

    // The start-up step: menus listen to these (null: none), those built before too.
    void connectInput(KeyState* keys, Inputmanager* inputs);
    KeyState* getKeyState() const { return m_keys; }
    // The menu that takes the key being pressed: the front menu when it has a link for that key,
    // so that one press never follows the links of two menus shown at once (Enter on a help text
    // over a dialog closes the help text only). None: every active menu may take it.
    GUIMenu* getKeyOwner() const { return m_keyOwner; }
    Inputmanager* getInputManager() const { return m_inputs; }
    // The active keyboard layout (KEY_PRESSED_STRING), or null.
    const TastaturLayout* getActiveLayout() const;

    // A menu file's root: its menus are appended; ACTIVE_MENU is shown with SPEED.
    void load(XMLNode& root);
    void resolveLinks();
    // Optionally hides every other menu, appends menu to the history unless it is
    // current already, and announces the switch (also when nothing was appended).
    void switchMenu(GUIMenu* menu, bool hideOthers);
    // The per-frame step: the menus' pending flags become their active flags.
    void update();

    GUIMenu* getActiveMenu() const { return m_history.empty() ? nullptr : m_history.back(); }
    GUIMenu* getMenu(const std::wstring& name) const;
    const std::vector<GUIMenu*>& getMenus() const { return m_menus; }
    const std::deque<GUIMenu*>& getHistory() const { return m_history; }
    // The speed of the last show, before the menu's modifier.
    double getSpeed() const { return m_speed; }
    void setSpeed(double speed) { m_speed = speed; }

    // Releases every menu and forgets the history (the game never unloads; tests
    // and fuzzing start afresh).
    void clear();

    // The previous top of the history and the new one (either may be null).
    sigslot::signal2<GUIMenu*, GUIMenu*> menuChanged;

private:
    GUIMenuManager() = default;

    std::vector<GUIMenu*> m_menus; // one reference each, load order
    std::deque<GUIMenu*> m_history;
    double m_speed = 1.0;
    void onKeyPressed(KeyState& keys, const unsigned char& key);

    KeyState* m_keys = nullptr;
    GUIMenu* m_keyOwner = nullptr;
    Inputmanager* m_inputs = nullptr;
    Measures* m_measureUpdate = nullptr;
};

} // namespace Ulvo
