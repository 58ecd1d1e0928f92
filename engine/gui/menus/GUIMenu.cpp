#include "gui/menus/GUIMenu.h"

#include "devices/input/Inputmanager.h"
#include "devices/input/KeyState.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "gui/menus/GUIMenuLink.h"
#include "gui/menus/GUIMenuManager.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIScopes.h"
#include "gui/windows/GUIWindow.h"
#include "gui/windows/GUIXmlRead.h"

#include <algorithm>

namespace Ulvo {

namespace {

const wchar_t kShow[] = L"AN";
const wchar_t kHide[] = L"AUS";

bool hasGoal(const GUIWindow* window, const wchar_t* name)
{
    for (const GUIAnimationsGoal* goal : window->getAnimationGoals()) {
        if (goal->name == name)
            return true;
    }
    return false;
}

} // namespace

GUIMenu::GUIMenu(XMLNode* node) : NamedObject(node)
{
    GUIMenuManager* manager = GUIMenuManager::getInstance();
    connectInput(manager->getKeyState(), manager->getInputManager());
    if (!node)
        return;
    GUIXml::reportUnknownKeys(
        node, {L"NAME", L"LINK", L"BRING_TO_FRONT", L"BRING_TO_BACK", L"SPEED_MODIFIER", L"GUI_WINDOWS"}, L"GUIMENU");
    for (XMLNode* child : node->getNodes()) {
        if (child->getName() != L"LINK")
            continue;
        if (GUIMenuLink* link = createLink(child, this))
            m_links.push_back(link);
    }
    GUIXml::read(node, L"BRING_TO_FRONT", m_bringToFront);
    GUIXml::read(node, L"BRING_TO_BACK", m_sendToBack);
    GUIXml::read(node, L"SPEED_MODIFIER", m_speedModifier);
    if (const XMLNode* windows = node->getNode(L"GUI_WINDOWS")) {
        GUISystem* gui = GUISystem::getInstance();
        for (const XMLProperty* property : windows->getProperties()) {
            const std::wstring& name = property->getValue();
            GUIWindow* window = gui->getWindow(name);
            if (!window) {
                guiLog().log(25, LOG_TYPE_WARNING,
                             L"Ulvo::GUIMenu: Menue " + getName() + L": Fenster " + name + L" nicht gefunden\n");
                continue;
            }
            if (std::find(m_windows.begin(), m_windows.end(), window) != m_windows.end()) {
                // Watched twice, every click would follow the links twice.
                guiLog().log(25, LOG_TYPE_WARNING,
                             L"Ulvo::GUIMenu: Menue " + getName() + L": Fenster " + name + L" doppelt genannt\n");
                continue;
            }
            if (!hasGoal(window, kShow) || !hasGoal(window, kHide))
                guiLog().log(25, LOG_TYPE_WARNING,
                             L"Ulvo::GUIMenu: Menue " + getName() + L": Fenster " + name +
                                 L" hat nicht beide Ziele AN und AUS\n");
            m_windows.push_back(window);
            window->onDeleted.connect(this, &GUIMenu::onWindowDeleted);
            watch(window);
        }
    }
    hide(0.0, true);
}

GUIMenu::~GUIMenu()
{
    disconnect_all();
    releaseAndClear(m_links);
}

GUIMenuLink* GUIMenu::createLink(XMLNode* node, GUIMenu* owner)
{
    if (!node)
        return nullptr;
    std::wstring type;
    GUIXml::read(node, L"TYPE", type);
    if (type == L"CLICK")
        return new GUIMenuLinkClick(node, owner);
    return new GUIMenuLink(node, owner);
}

void GUIMenu::connectInput(KeyState* keys, Inputmanager* inputs)
{
    if (m_keys)
        m_keys->keyPressed.disconnect(this);
    if (m_inputs)
        m_inputs->inputActivated.disconnect(this);
    m_keys = keys;
    m_inputs = inputs;
    if (m_keys)
        m_keys->keyPressed.connect(this, &GUIMenu::onKeyPressed);
    if (m_inputs)
        m_inputs->inputActivated.connect(this, &GUIMenu::onInput);
}

void GUIMenu::watch(GUIWindow* window)
{
    window->clicked.connect(this, &GUIMenu::onWindowClicked);
    for (GUIWindow* child : window->children())
        watch(child);
}

void GUIMenu::onWindowDeleted(NamedObject* object)
{
    for (std::size_t i = m_windows.size(); i-- > 0;) {
        if (static_cast<NamedObject*>(m_windows[i]) == object)
            m_windows.erase(m_windows.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void GUIMenu::fade(bool show, double speed)
{
    const wchar_t* goal = show ? kShow : kHide;
    const double s = m_speedModifier * speed;
    // A slot of the animation signals may change the list: walk a copy.
    const std::vector<GUIWindow*> windows = m_windows;
    for (GUIWindow* window : windows) {
        GUIKeepAlive keep(window);
        if (s > 0.0)
            window->startAnimationGoal(goal, s);
        else
            window->setAnimationGoal(goal);
        if (show && m_bringToFront)
            window->bringToFront();
        else if (!show && m_sendToBack)
            window->sendToBack();
    }
}

void GUIMenu::show(const double& speed, const bool& setActive, const bool& hideOthers)
{
    GUIKeepAlive keep(this);
    if (setActive)
        m_pendingActive = true;
    fade(true, speed);
    GUIMenuManager* manager = GUIMenuManager::getInstance();
    manager->setSpeed(speed);
    manager->switchMenu(this, hideOthers);
}

void GUIMenu::hide(const double& speed, const bool& setInactive)
{
    GUIKeepAlive keep(this);
    if (setInactive)
        m_pendingActive = false;
    fade(false, speed);
}

void GUIMenu::resolveLinks()
{
    for (GUIMenuLink* link : m_links)
        link->resolve();
}

void GUIMenu::onWindowClicked(GUIWindow& window)
{
    if (!m_active)
        return;
    GUIKeepAlive keep(this);
    for (GUIMenuLink* link : m_links) {
        if (link->matchesClick(window))
            link->follow();
    }
}

bool GUIMenu::hasKeyLink(const unsigned char& key) const
{
    return std::any_of(m_links.begin(), m_links.end(), [&](const GUIMenuLink* link) { return link->matchesKey(key); });
}

void GUIMenu::onKeyPressed(KeyState&, const unsigned char& key)
{
    GUIMenu* owner = GUIMenuManager::getInstance()->getKeyOwner();
    if (!m_active || (owner && owner != this))
        return;
    GUIKeepAlive keep(this);
    for (GUIMenuLink* link : m_links) {
        if (link->matchesKey(key))
            link->follow();
    }
}

void GUIMenu::onInput(Input& input)
{
    if (!m_active)
        return;
    GUIKeepAlive keep(this);
    for (GUIMenuLink* link : m_links) {
        if (link->matchesInput(input))
            link->follow();
    }
}

} // namespace Ulvo
