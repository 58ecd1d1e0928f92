#include "threematch/screens/MenuEbene.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "gui/menus/GUIMenu.h"
#include "gui/menus/GUIMenuManager.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIScopes.h"
#include "gui/windows/GUIWindow.h"
#include "threematch/screens/MenuEbenenManager.h"

#include <algorithm>

namespace ThreeMatch {

namespace {

void warn(const std::wstring& level, const std::wstring& text)
{
    Ulvo::mainLogger().log(25, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::MenuEbene ", level, L": ", text, L"\n");
}

// The free values of a child node, or none.
std::vector<std::wstring> names(const Ulvo::XMLNode* node, const wchar_t* child)
{
    std::vector<std::wstring> list;
    if (const Ulvo::XMLNode* names = node->getNode(child)) {
        for (const Ulvo::XMLProperty* property : names->getProperties())
            list.push_back(property->getValue());
    }
    return list;
}

} // namespace

MenuEbene::MenuEbene(Ulvo::XMLNode* node, MenuEbenenManager& levels) : NamedObject(node), m_levels(levels)
{
    if (!node)
        return;
    Ulvo::GUISystem* gui = Ulvo::GUISystem::getInstance();
    std::wstring windowName;
    if (node->readString(L"GUI", windowName)) {
        m_window = gui->getWindow(windowName);
        if (m_window)
            m_window->AddRef();
        else
            warn(getName(), L"Fenster " + windowName + L" (GUI) nicht gefunden");
    }
    node->readInt(L"DEP_ID", m_depId);
    node->readInt(L"MENU_ID", m_menuId);
    if (m_window)
        readWindows(node);
    Ulvo::GUIMenuManager* menus = Ulvo::GUIMenuManager::getInstance();
    for (const std::wstring& name : names(node, L"LINKED_MENUES")) {
        Ulvo::GUIMenu* menu = menus->getMenu(name);
        if (!menu) {
            warn(getName(), L"Menue " + name + L" (LINKED_MENUES) unbekannt");
            continue;
        }
        menu->AddRef();
        m_menus.push_back(menu);
    }
    if (node->getNode(L"LINKED_MENUES"))
        menus->menuChanged.connect(this, &MenuEbene::onMenuChanged);
}

void MenuEbene::readWindows(const Ulvo::XMLNode* node)
{
    Ulvo::GUISystem* gui = Ulvo::GUISystem::getInstance();
    std::vector<Ulvo::GUIWindow*> topLevel;
    gui->getWindows(topLevel);
    for (const std::wstring& name : names(node, L"SUB_MENUES")) {
        bool found = false;
        for (std::size_t i = topLevel.size(); i-- > 0;) {
            Ulvo::GUIWindow* window = topLevel[i];
            if (window->getName() != name)
                continue;
            found = true;
            topLevel.erase(topLevel.begin() + static_cast<std::ptrdiff_t>(i));
            // The level's window takes its own reference before the GUI system drops its one.
            if (m_window->addChild(window, false, true))
                gui->removeWindow(window);
        }
        if (!found)
            warn(getName(), L"kein Fenster " + name + L" (SUB_MENUES) auf oberster Ebene");
    }
    for (auto [child, list] : {std::pair{L"PROPAGATE_ON", &m_onWindows}, std::pair{L"PROPAGATE_OFF", &m_offWindows}}) {
        for (const std::wstring& name : names(node, child)) {
            Ulvo::GUIWindow* window = gui->getWindow(name);
            if (!window) {
                warn(getName(), L"Fenster " + name + L" (" + child + L") nicht gefunden");
                continue;
            }
            window->AddRef();
            list->push_back(window);
        }
    }
}

MenuEbene::~MenuEbene()
{
    disconnect_all();
    if (m_window)
        m_window->Release();
    Ulvo::releaseAndClear(m_onWindows);
    Ulvo::releaseAndClear(m_offWindows);
    Ulvo::releaseAndClear(m_menus);
}

bool MenuEbene::links(const Ulvo::GUIMenu* menu) const
{
    return menu && std::find(m_menus.begin(), m_menus.end(), menu) != m_menus.end();
}

void MenuEbene::setActive(bool on, double speed)
{
    Ulvo::GUIKeepAlive keep(this);
    const wchar_t* goal = on ? L"AN" : L"AUS";
    if (m_window)
        m_window->startAnimationGoal(goal, speed);
    for (Ulvo::GUIWindow* window : on ? m_onWindows : m_offWindows)
        window->startAnimationGoal(goal, speed);
    if (!m_busy && on && !m_menus.empty())
        Ulvo::GUIMenuManager::getInstance()->switchMenu(m_menus.front(), false);
    m_on = on;
    if (on)
        m_levels.setCurrentLevel(this);
}

void MenuEbene::onMenuChanged(Ulvo::GUIMenu*, Ulvo::GUIMenu* current)
{
    Ulvo::GUIKeepAlive keep(this);
    m_busy = true;
    const bool own = links(current);
    bool dependent = false;
    std::vector<MenuEbene*> owners;
    m_levels.getLevelsLinking(current, owners);
    for (const MenuEbene* level : owners) {
        if (level != this && (m_menuId & level->m_depId) != 0)
            dependent = true;
    }
    const double speed = Ulvo::GUIMenuManager::getInstance()->getSpeed();
    if (!own && m_on)
        setActive(dependent, speed);
    else if (own && !m_on)
        setActive(true, speed);
    m_busy = false;
}

} // namespace ThreeMatch
