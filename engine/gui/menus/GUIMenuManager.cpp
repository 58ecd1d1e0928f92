#include "gui/menus/GUIMenuManager.h"

#include "devices/input/KeyState.h"
#include "devices/input/TastaturLayoutManager.h"
#include "foundation/logging/Logger.h"
#include "foundation/time/MeasureManager.h"
#include "foundation/xml/XMLNode.h"
#include "gui/menus/GUIMenu.h"
#include "gui/windows/GUIScopes.h"
#include "gui/windows/GUIXmlRead.h"

namespace Ulvo {

GUIMenuManager* GUIMenuManager::getInstance()
{
    static GUIMenuManager instance;
    return &instance;
}

GUIMenuManager::~GUIMenuManager()
{
    clear();
}

void GUIMenuManager::clear()
{
    m_history.clear();
    releaseAndClear(m_menus);
    m_speed = 1.0;
}

void GUIMenuManager::connectInput(KeyState* keys, Inputmanager* inputs)
{
    // Connected before any menu, so each press finds its owner before the menus see it.
    if (m_keys)
        m_keys->keyPressed.disconnect(this);
    if (keys)
        keys->keyPressed.connect(this, &GUIMenuManager::onKeyPressed);
    m_keyOwner = nullptr;
    m_keys = keys;
    m_inputs = inputs;
    for (GUIMenu* menu : m_menus)
        menu->connectInput(keys, inputs);
}

void GUIMenuManager::onKeyPressed(KeyState&, const unsigned char& key)
{
    GUIMenu* front = getActiveMenu();
    // A menu just shown in front owns its keys before the next update makes it active: the
    // press is then lost rather than followed by the screen behind it.
    m_keyOwner = front && (front->isActive() || front->isPendingActive()) && front->hasKeyLink(key) ? front : nullptr;
}

const TastaturLayout* GUIMenuManager::getActiveLayout() const
{
    return TastaturLayoutManager::getInstance()->getActiveLayout();
}

void GUIMenuManager::load(XMLNode& root)
{
    GUIXml::reportUnknownKeys(&root, {L"GUIMENU", L"SPEED", L"ACTIVE_MENU"}, L"GUIMENUES");
    for (XMLNode* node : root.getNodes()) {
        if (node->getName() == L"GUIMENU")
            m_menus.push_back(new GUIMenu(node));
    }
    double speed = 1.0;
    GUIXml::read(&root, L"SPEED", speed);
    std::wstring active;
    if (GUIXml::read(&root, L"ACTIVE_MENU", active)) {
        if (GUIMenu* menu = getMenu(active))
            menu->show(speed, true, false);
        else
            guiLog().log(25, LOG_TYPE_WARNING,
                         L"Ulvo::GUIMenuManager::load: ACTIVE_MENU " + active + L" ist kein Menue\n");
    }
}

void GUIMenuManager::resolveLinks()
{
    for (GUIMenu* menu : m_menus)
        menu->resolveLinks();
}

GUIMenu* GUIMenuManager::getMenu(const std::wstring& name) const
{
    for (GUIMenu* menu : m_menus) {
        if (menu->getName() == name)
            return menu;
    }
    return nullptr;
}

void GUIMenuManager::switchMenu(GUIMenu* menu, bool hideOthers)
{
    GUIKeepAlive keep(menu);
    if (hideOthers) {
        const std::vector<GUIMenu*> menus = m_menus;
        for (GUIMenu* other : menus) {
            if (other != menu)
                other->hide(1.0, true);
        }
    }
    GUIMenu* previous = getActiveMenu();
    if (menu && menu != previous) {
        m_history.push_back(menu);
        // Only the recent past is ever walked back through.
        while (m_history.size() > MAX_HISTORY)
            m_history.pop_front();
    }
    menuChanged.emit(previous, getActiveMenu());
}

void GUIMenuManager::update()
{
    if (!m_measureUpdate)
        m_measureUpdate = MeasureManager::getInstance()->child(L"UpdateLoop.GUIMenuManager", true);
    GUITimed timed(m_measureUpdate);
    for (GUIMenu* menu : m_menus)
        menu->takePendingState();
}

} // namespace Ulvo
