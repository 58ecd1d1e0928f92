#pragma once
// The menu levels and the reader of the menu file "data\menues.menu": its GUI
// nodes name GUI descriptions, its GUIMENU nodes menu files, and its MENU_EBENE
// nodes are the levels. The current level is the one turned on last.
#include <string>
#include <vector>

namespace Ulvo {
class GUIMenu;
class XMLNode;
} // namespace Ulvo

namespace ThreeMatch {

class MenuEbene;

class MenuEbenenManager {
public:
    // The level the main menu belongs to.
    static constexpr const wchar_t* MAIN_MENU_LEVEL = L"HAUPTMENU";

    // Built on first use; touches no other object.
    static MenuEbenenManager* getInstance();
    ~MenuEbenenManager();
    MenuEbenenManager(const MenuEbenenManager&) = delete;
    MenuEbenenManager& operator=(const MenuEbenenManager&) = delete;

    // Loads every GUI file into the GUI system and every menu file into the menu
    // manager, builds the levels, then switches the menu manager to its current menu
    // again so that every level sees it.
    void loadMenuEbenen(Ulvo::XMLNode& root);

    // The first level of that name, or null.
    MenuEbene* getLevel(const std::wstring& name) const;
    // False for a level that does not exist.
    bool isActive(const std::wstring& name) const;
    MenuEbene* getMainMenuLevel() const { return getLevel(MAIN_MENU_LEVEL); }
    // Appends every level that links menu.
    void getLevelsLinking(const Ulvo::GUIMenu* menu, std::vector<MenuEbene*>& levels) const;
    const std::vector<MenuEbene*>& getLevels() const { return m_levels; }

    MenuEbene* getCurrentLevel() const { return m_current; }
    void setCurrentLevel(MenuEbene* level);

    // Releases every level (tests start afresh; the game's controller empties it
    // before the GUI goes away).
    void clear();

private:
    MenuEbenenManager() = default;

    std::vector<MenuEbene*> m_levels; // one reference each
    MenuEbene* m_current = nullptr;   // one reference
};

} // namespace ThreeMatch
