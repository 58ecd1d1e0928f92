#pragma once
// A screen of the application: a named group of GUI windows that fade in and out
// together through their animation goals "AN" (shown) and "AUS" (hidden), with
// links that switch to another menu on a click, a key or an input binding. A menu
// reacts only while active; showing or hiding changes a pending flag that the menu
// manager's update takes over, so the click that opened a menu never follows that
// menu's links.
#include "foundation/objects/NamedObject.h"

#include <vector>

namespace Ulvo {

class GUIMenuLink;
class GUIWindow;
class Input;
class Inputmanager;
class KeyState;
class XMLNode;

class GUIMenu : public NamedObject {
public:
    // A GUIMENU node: NAME, the links, BRING_TO_FRONT, BRING_TO_BACK, SPEED_MODIFIER
    // and the windows named in GUI_WINDOWS (their clicks and their descendants' are
    // watched). The menu starts hidden and inactive.
    explicit GUIMenu(XMLNode* node);
    ~GUIMenu() override;
    GUIMenu(const GUIMenu&) = delete;
    GUIMenu& operator=(const GUIMenu&) = delete;

    // "CLICK" makes a click link, anything else a plain one; null for a null node.
    static GUIMenuLink* createLink(XMLNode* node, GUIMenu* owner);

    bool isActive() const { return m_active; }
    bool hasKeyLink(const unsigned char& key) const;
    bool isPendingActive() const { return m_pendingActive; }
    // Fades the windows to "AN" (at once for a speed of 0 or less after the modifier)
    // and makes the menu the current one.
    void show(const double& speed, const bool& setActive, const bool& hideOthers);
    // Fades the windows to "AUS"; the history is not touched.
    void hide(const double& speed, const bool& setInactive);
    void resolveLinks();
    // The manager's update: the pending flag becomes the active one.
    void takePendingState() { m_active = m_pendingActive; }

    // Follows every matching link, in order, while active.
    void onWindowClicked(GUIWindow& window);
    void onKeyPressed(KeyState& keys, const unsigned char& key);
    void onInput(Input& input);
    // Listens to the keyboard's key-went-down signal and the bindings' fired signal
    // (either may be null).
    void connectInput(KeyState* keys, Inputmanager* inputs);

    const std::vector<GUIWindow*>& getWindows() const { return m_windows; }
    const std::vector<GUIMenuLink*>& getLinks() const { return m_links; }
    double getSpeedModifier() const { return m_speedModifier; }

private:
    void watch(GUIWindow* window);
    // A window of the list is destroyed: it leaves the list.
    void onWindowDeleted(NamedObject* object);
    void fade(bool show, double speed);

    bool m_active = false;
    bool m_pendingActive = false;
    std::vector<GUIWindow*> m_windows; // no reference; they leave when destroyed
    std::vector<GUIMenuLink*> m_links; // one reference each
    bool m_bringToFront = false;
    bool m_sendToBack = false;
    double m_speedModifier = 1.0;
    KeyState* m_keys = nullptr;
    Inputmanager* m_inputs = nullptr;
};

} // namespace Ulvo
