#include "gui/menus/GUIMenuLink.h"

#include "devices/input/Input.h"
#include "devices/input/TastaturLayout.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "gui/menus/GUIMenu.h"
#include "gui/menus/GUIMenuManager.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIScopes.h"
#include "gui/windows/GUIWindow.h"
#include "gui/windows/GUIXmlRead.h"

namespace Ulvo {

namespace {

std::wstring where(const GUIMenu* owner)
{
    return L"Ulvo::GUIMenuLink: Menue " + (owner ? owner->getName() : std::wstring(L"?")) + L": ";
}

} // namespace

GUIMenuLink::GUIMenuLink(XMLNode* node, GUIMenu* owner) : NamedObject(node), m_owner(owner)
{
    if (!node)
        return;
    GUIXml::reportUnknownKeys(node,
                              {L"TYPE", L"NAME", L"DST_MENU", L"DST_MENU_DELTA", L"CLICK_WINDOW",
                               L"CLICK_WINDOW_USER_ID", L"USE_CLICK", L"KEY_PRESSED", L"KEY_PRESSED_STRING",
                               L"USE_KEY_PRESSED", L"INPUT_NAME", L"USE_INPUT", L"CLICK_ON_MENU"},
                              L"LINK");
    GUIXml::read(node, L"DST_MENU", m_destinationName);
    if (const XMLNode* delta = node->getNode(L"DST_MENU_DELTA")) {
        GUIXml::read(delta, L"DST_MENU_DELTA", m_menuDelta);
        GUIXml::read(delta, L"SKIP_STEP", m_skipStep);
        GUIXml::read(delta, L"MAX_SKIP_DEPTH", m_maxSkipDepth);
        for (const XMLProperty* property : delta->getProperties())
            m_skipList.push_back(property->getValue());
        if (m_menuDelta < 0 && m_skipStep == 0 && !m_skipList.empty())
            guiLog().log(25, LOG_TYPE_WARNING, where(owner),
                         L"SKIP_STEP 0 kommt nicht voran, es gilt der erste Kandidat\n");
    }
    if (GUIXml::read(node, L"CLICK_WINDOW", m_clickWindow))
        m_useClick = true;
    if (GUIXml::read(node, L"CLICK_WINDOW_USER_ID", m_clickWindowUserId))
        m_useClick = true;
    GUIXml::read(node, L"USE_CLICK", m_useClick);
    int32_t key = 0;
    if (GUIXml::read(node, L"KEY_PRESSED", key)) {
        m_key = static_cast<unsigned char>(key & 0xFF);
        m_useKey = true;
    }
    std::wstring keyName;
    if (GUIXml::read(node, L"KEY_PRESSED_STRING", keyName)) {
        const TastaturLayout* layout = GUIMenuManager::getInstance()->getActiveLayout();
        unsigned char code = 0;
        if (layout && layout->findKeyByName(keyName, code)) {
            m_key = code;
            m_useKey = true;
        } else {
            guiLog().log(25, LOG_TYPE_WARNING, where(owner), L"Taste ", keyName,
                         L" (KEY_PRESSED_STRING) ist im Tastaturlayout ",
                         (layout ? layout->getName() : std::wstring(L"(keines)")), L" unbekannt\n");
        }
    }
    GUIXml::read(node, L"USE_KEY_PRESSED", m_useKey);
    if (GUIXml::read(node, L"INPUT_NAME", m_inputName))
        m_useInput = true;
    GUIXml::read(node, L"USE_INPUT", m_useInput);
}

void GUIMenuLink::resolve()
{
    m_destination = GUIMenuManager::getInstance()->getMenu(m_destinationName);
    if (!m_destination && !m_destinationName.empty())
        guiLog().log(25, LOG_TYPE_WARNING, where(m_owner), L"Zielmenue ", m_destinationName, L" unbekannt\n");
}

bool GUIMenuLink::matchesInput(Input& input) const
{
    return m_useInput && input.getName() == m_inputName;
}

bool GUIMenuLink::matchesKey(const unsigned char& key) const
{
    return m_useKey && key == m_key;
}

bool GUIMenuLink::matchesClick(GUIWindow& window) const
{
    return m_useClick && (window.getName() == m_clickWindow || window.getUserId() == m_clickWindowUserId);
}

GUIMenu* GUIMenuLink::findInHistory() const
{
    const std::deque<GUIMenu*>& history = GUIMenuManager::getInstance()->getHistory();
    const auto n = static_cast<int64_t>(history.size());
    // Past n steps every candidate lies outside the history; a step of 0 repeats its first.
    const int64_t bound = m_skipStep == 0 ? 0 : n;
    for (int64_t i = 0;; ++i) {
        const int64_t index = n - 1 + m_menuDelta + int64_t(m_skipStep) * i;
        GUIMenu* candidate = index >= 0 && index < n ? history[static_cast<std::size_t>(index)] : nullptr;
        if (!candidate)
            return nullptr;
        bool skipped = false;
        for (const std::wstring& name : m_skipList)
            skipped = skipped || candidate->getName() == name;
        if (!skipped || i >= m_maxSkipDepth || i >= bound)
            return candidate;
    }
}

void GUIMenuLink::follow()
{
    GUIMenu* destination = m_menuDelta < 0 ? findInHistory() : m_destination;
    if (!destination || !m_owner)
        return;
    GUIKeepAlive keepOwner(m_owner);
    GUIKeepAlive keepDestination(destination);
    m_owner->hide(1.0, true);
    destination->show(1.0, true, false);
}

// ---------------------------------------------------------------- click links

GUIMenuLinkClick::GUIMenuLinkClick(XMLNode* node, GUIMenu* owner) : GUIMenuLink(node, owner)
{
    GUIXml::read(node, L"CLICK_ON_MENU", m_target);
}

bool GUIMenuLinkClick::matchesClick(GUIWindow&) const
{
    return false;
}

void GUIMenuLinkClick::follow()
{
    GUIWindow* window = GUISystem::getInstance()->getWindow(m_target);
    if (!window) {
        guiLog().log(25, LOG_TYPE_WARNING, L"Ulvo::GUIMenuLinkClick: Fenster ", m_target, L" nicht gefunden\n");
        return;
    }
    GUIKeepAlive keep(window);
    window->clicked.emit(*window);
}

} // namespace Ulvo
