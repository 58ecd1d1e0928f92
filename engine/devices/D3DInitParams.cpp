#include "devices/D3DInitParams.h"

#include "devices/Window.h"
#include "foundation/Logger.h"
#include "foundation/XMLNode.h"

namespace Ulvo {

namespace {

// Booleans of this section are true when their integer value is above 0.
bool readFlag(const XMLProperty& value)
{
    return value.getInt() > 0;
}

} // namespace

D3DInitParams::D3DInitParams(Window* window) : m_window(window) {}

bool D3DInitParams::load(XMLNode* node)
{
    mainLogger().log(10, LOG_TYPE_INFO, L"Ulvo::D3DInitParams::load\n");
    LogIndent<Logger> indent(mainLogger());
    if (!node)
        return true;
    m_section.keep(*node);

    if (XMLNode* window = node->getNode(L"WINDOW")) {
        if (m_window)
            m_window->load(window);
    }
    if (XMLNode* mode = node->getNode(L"DISP_MODE")) {
        // A present mode node starts from an empty mode: missing keys read as 0.
        m_displayWidth = m_displayHeight = m_refreshRate = 0;
        if (XMLAttribute* a = mode->getAttribute(L"RES_X"))
            m_displayWidth = static_cast<uint32_t>(a->getInt());
        if (XMLAttribute* a = mode->getAttribute(L"RES_Y"))
            m_displayHeight = static_cast<uint32_t>(a->getInt());
        if (XMLAttribute* a = mode->getAttribute(L"REFRESH_RATE"))
            m_refreshRate = static_cast<uint32_t>(a->getInt());
    }
    if (XMLNode* present = node->getNode(L"PRESENTER_PARAMS")) {
        // Likewise the present parameters: without FULLSCREEN, Windowed is 0.
        m_windowed = false;
        if (XMLAttribute* a = present->getAttribute(L"FULLSCREEN"))
            m_windowed = !readFlag(*a);
    }
    if (XMLNode* misc = node->getNode(L"MISC")) {
        if (XMLAttribute* a = misc->getAttribute(L"AUTO_DEGRADE")) {
            XMLProperty copy(a->getValue());
            XMLValueList list = copy.getList(L' ');
            if (list.size() >= 1) {
                m_autoDegradeLimit = readFlag(*list.at(0));
                m_autoDegradeReapply = list.size() >= 2 ? readFlag(*list.at(1)) : m_autoDegradeLimit;
            }
        }
    }
    return true;
}

bool D3DInitParams::save(XMLNode* node)
{
    mainLogger().log(10, LOG_TYPE_INFO, L"Ulvo::D3DInitParams::save\n");
    LogIndent<Logger> indent(mainLogger());
    if (!node)
        return true;

    XMLNode values;
    XMLNode* window = new XMLNode(L"WINDOW");
    if (m_window)
        m_window->save(window);
    values.addNode(window);

    XMLNode* mode = new XMLNode(L"DISP_MODE");
    mode->addAttribute(new XMLAttribute(L"RES_X", static_cast<int>(m_displayWidth)));
    mode->addAttribute(new XMLAttribute(L"RES_Y", static_cast<int>(m_displayHeight)));
    mode->addAttribute(new XMLAttribute(L"REFRESH_RATE", static_cast<int>(m_refreshRate)));
    values.addNode(mode);

    XMLNode* present = new XMLNode(L"PRESENTER_PARAMS");
    present->addAttribute(new XMLAttribute(L"FULLSCREEN", !m_windowed));
    values.addNode(present);

    XMLNode* misc = new XMLNode(L"MISC");
    misc->addAttribute(new XMLAttribute(
        L"AUTO_DEGRADE", std::wstring(m_autoDegradeLimit ? L"1" : L"0") + L" " + (m_autoDegradeReapply ? L"1" : L"0")));
    values.addNode(misc);

    m_section.write(*node, values);
    return true;
}

} // namespace Ulvo
