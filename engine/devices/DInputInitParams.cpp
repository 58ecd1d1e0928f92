#include "devices/DInputInitParams.h"

#include "foundation/XMLNode.h"

#include <string>

namespace Ulvo {

DInputInitParams::DInputInitParams(Window* window) : m_window(window) {}

bool DInputInitParams::load(XMLNode* node)
{
    if (!node)
        return true;
    m_section.keep(*node);

    // Switches are on when their integer value is above 0; absent keys keep
    // their values.
    if (XMLAttribute* a = node->getAttribute(L"USE_WINAPI"))
        m_useWindowMessages = a->getInt() > 0;
    if (XMLAttribute* a = node->getAttribute(L"BUFFERED_KEYBOARD"))
        m_bufferedKeyboard = a->getInt() > 0;
    if (XMLAttribute* a = node->getAttribute(L"MAX_POLL_RATE_KEYBOARD"))
        m_keyboardPollRate = static_cast<uint32_t>(a->getInt());
    if (XMLAttribute* a = node->getAttribute(L"BUFFERED_MOUSE"))
        m_bufferedMouse = a->getInt() > 0;
    if (XMLAttribute* a = node->getAttribute(L"MAX_POLL_RATE_MOUSE"))
        m_mousePollRate = static_cast<uint32_t>(a->getInt());
    if (XMLAttribute* a = node->getAttribute(L"KEY_REPEAT_RATE")) {
        XMLProperty copy(a->getValue());
        XMLValueList list = copy.getList(L' ');
        if (list.size() >= 1) {
            m_keyRepeatDelay = m_keyRepeatRate = static_cast<uint32_t>(list.at(0)->getInt());
            if (list.size() >= 2)
                m_keyRepeatRate = static_cast<uint32_t>(list.at(1)->getInt());
        }
    }
    return true;
}

bool DInputInitParams::save(XMLNode* node)
{
    if (!node)
        return true;
    XMLNode values;
    values.addAttribute(new XMLAttribute(L"USE_WINAPI", m_useWindowMessages));
    values.addAttribute(new XMLAttribute(L"BUFFERED_KEYBOARD", m_bufferedKeyboard));
    values.addAttribute(new XMLAttribute(L"BUFFERED_MOUSE", m_bufferedMouse));
    values.addAttribute(new XMLAttribute(L"MAX_POLL_RATE_KEYBOARD", static_cast<int>(m_keyboardPollRate)));
    values.addAttribute(new XMLAttribute(L"MAX_POLL_RATE_MOUSE", static_cast<int>(m_mousePollRate)));
    values.addAttribute(new XMLAttribute(
        L"KEY_REPEAT_RATE", std::to_wstring(m_keyRepeatDelay) + L" " + std::to_wstring(m_keyRepeatRate)));
    m_section.write(*node, values);
    return true;
}

} // namespace Ulvo
