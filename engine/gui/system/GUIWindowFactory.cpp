#include "gui/system/GUIWindowFactory.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "gui/widgets/GUIWidgetKinds.h"
#include "gui/windows/GUIWindow.h"
#include "gui/windows/GUIXmlRead.h"

namespace Ulvo {

namespace {

GUIWindow* createPlainWindow(const XMLNode* node)
{
    return new GUIWindow(node);
}

} // namespace

GUIWindowFactory::GUIWindowFactory()
{
    add(L"WINDOW", &createPlainWindow);
    registerWidgetKinds(*this);
}

GUIWindow* GUIWindowFactory::create(const XMLNode* node)
{
    if (!node)
        return nullptr;
    std::wstring type;
    GUIXml::read(node, L"TYPE", type);
    std::wstring name;
    GUIXml::read(node, L"NAME", name);
    if (m_nesting >= MAX_NESTING) {
        guiLog().log(50, LOG_TYPE_ERROR, L"Ulvo::GUIWindowFactory::create: Fenster ", name,
                     L" zu tief verschachtelt, \u00FCbersprungen\n");
        return nullptr;
    }
    Creator creator = &createPlainWindow;
    if (!type.empty()) {
        if (Creator registered = m_kinds.find(type))
            creator = registered;
        else
            guiLog().log(25, LOG_TYPE_WARNING, L"Ulvo::GUIWindowFactory::create: unbekannter TYPE ", type,
                         L" f\u00FCr Fenster ", name, L", als einfaches Fenster gebaut\n");
    }
    ++m_nesting;
    GUIWindow* window = creator(node);
    --m_nesting;
    return window;
}

} // namespace Ulvo
