#pragma once
// A menu level groups a GUI window with other windows and with GUI menus: when
// one of its menus becomes the current menu, the level turns on (its windows
// animate in); when another menu becomes current, it turns off, unless a level
// that the new menu belongs to depends on it (its MENU_ID shares a bit with that
// level's DEP_ID). The game asks levels by name whether they are on.
#include "foundation/objects/NamedObject.h"

#include <cstdint>
#include <vector>

namespace Ulvo {
class GUIMenu;
class GUIWindow;
class XMLNode;
} // namespace Ulvo

namespace ThreeMatch {

class MenuEbenenManager;

class MenuEbene : public Ulvo::NamedObject {
public:
    // A MENU_EBENE node: NAME, GUI, DEP_ID, MENU_ID, SUB_MENUES, PROPAGATE_ON,
    // PROPAGATE_OFF, LINKED_MENUES. levels is the list the level joins.
    MenuEbene(Ulvo::XMLNode* node, MenuEbenenManager& levels);
    ~MenuEbene() override;
    MenuEbene(const MenuEbene&) = delete;
    MenuEbene& operator=(const MenuEbene&) = delete;

    // The window and the on- or off-windows animate to "AN" or "AUS" at speed; turned
    // on from outside, the level switches to its first menu.
    void setActive(bool on, double speed);
    bool isActive() const { return m_on; }
    // Slot on the menu manager's menuChanged.
    void onMenuChanged(Ulvo::GUIMenu* previous, Ulvo::GUIMenu* current);

    bool links(const Ulvo::GUIMenu* menu) const;
    Ulvo::GUIWindow* getWindow() const { return m_window; }
    uint32_t getMenuId() const { return m_menuId; }
    uint32_t getDepId() const { return m_depId; }
    const std::vector<Ulvo::GUIMenu*>& getLinkedMenus() const { return m_menus; }
    const std::vector<Ulvo::GUIWindow*>& getOnWindows() const { return m_onWindows; }
    const std::vector<Ulvo::GUIWindow*>& getOffWindows() const { return m_offWindows; }

private:
    void readWindows(const Ulvo::XMLNode* node);

    MenuEbenenManager& m_levels;
    Ulvo::GUIWindow* m_window = nullptr; // one reference
    uint32_t m_menuId = 0;
    uint32_t m_depId = 0;
    bool m_on = false;
    std::vector<Ulvo::GUIWindow*> m_onWindows;  // one reference each
    std::vector<Ulvo::GUIWindow*> m_offWindows; // one reference each
    std::vector<Ulvo::GUIMenu*> m_menus;        // one reference each
    bool m_busy = false;
};

} // namespace ThreeMatch
