#include "threematch/screens/MenuEbenenManager.h"

#include "foundation/files/File.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "gui/menus/GUIMenuManager.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIScopes.h"
#include "threematch/screens/MenuEbene.h"

namespace ThreeMatch {

namespace {

void logFile(const std::wstring& text)
{
    Ulvo::mainLogger().log(25, Ulvo::LOG_TYPE_ERROR, L"ThreeMatch::loadMenuEbenen: ", text, L"\n");
}

// Loads the file a node's FILE attribute names; false (logged) when there is none or
// it cannot be read.
bool loadFileOf(const Ulvo::XMLNode* node, Ulvo::XMLNode& document)
{
    std::wstring file;
    if (!node->readString(L"FILE", file)) {
        logFile(node->getName() + L" ohne FILE");
        return false;
    }
    // Menu files name GUI and menu files of the data, never anything outside it.
    if (!Ulvo::File::checkDataReference(file))
        return false;
    if (!Ulvo::XMLNode::load(&document, file, 0)) {
        logFile(L"Datei " + file + L" nicht lesbar");
        return false;
    }
    return true;
}

} // namespace

MenuEbenenManager* MenuEbenenManager::getInstance()
{
    static MenuEbenenManager instance;
    return &instance;
}

MenuEbenenManager::~MenuEbenenManager()
{
    clear();
}

void MenuEbenenManager::clear()
{
    setCurrentLevel(nullptr);
    std::vector<MenuEbene*> levels;
    levels.swap(m_levels);
    for (MenuEbene* level : levels)
        level->Release();
}

void MenuEbenenManager::loadMenuEbenen(Ulvo::XMLNode& root)
{
    for (const Ulvo::XMLNode* node : root.getNodes()) {
        const std::wstring& kind = node->getName();
        if (kind != L"GUI" && kind != L"GUIMENU" && kind != L"MENU_EBENE")
            logFile(L"unbekannter Knoten " + kind + L" wird ignoriert");
    }
    for (const Ulvo::XMLNode* node : root.getNodes()) {
        Ulvo::XMLNode document;
        if (node->getName() == L"GUI" && loadFileOf(node, document))
            Ulvo::GUISystem::getInstance()->load(&document);
    }
    Ulvo::GUIMenuManager* menus = Ulvo::GUIMenuManager::getInstance();
    for (const Ulvo::XMLNode* node : root.getNodes()) {
        Ulvo::XMLNode document;
        if (node->getName() == L"GUIMENU" && loadFileOf(node, document))
            menus->load(document);
    }
    for (Ulvo::XMLNode* node : root.getNodes()) {
        if (node->getName() == L"MENU_EBENE")
            m_levels.push_back(new MenuEbene(node, *this));
    }
    menus->switchMenu(menus->getActiveMenu(), false);
}

MenuEbene* MenuEbenenManager::getLevel(const std::wstring& name) const
{
    for (MenuEbene* level : m_levels) {
        if (level->getName() == name)
            return level;
    }
    return nullptr;
}

bool MenuEbenenManager::isActive(const std::wstring& name) const
{
    const MenuEbene* level = getLevel(name);
    return level && level->isActive();
}

void MenuEbenenManager::getLevelsLinking(const Ulvo::GUIMenu* menu, std::vector<MenuEbene*>& levels) const
{
    for (MenuEbene* level : m_levels) {
        if (level->links(menu))
            levels.push_back(level);
    }
}

void MenuEbenenManager::setCurrentLevel(MenuEbene* level)
{
    Ulvo::holdReference(m_current, level);
}

} // namespace ThreeMatch
