#include "devices/input/DInputInitParams.h"

#include "devices/input/DirectInputInterface.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

#include <cmath>
#include <sstream>
#include <string>

namespace Ulvo {

namespace {

template <class Value> void logReplaced(const XMLNode* node, const wchar_t* key, Value kept)
{
    std::wostringstream text;
    text << L"DINPUTINITPARAMS: " << key << L"=\"" << node->getAttributeValue(key) << L"\" is not usable, " << kept
         << L" is used\n";
    mainLogger().log(50, LOG_TYPE_WARNING, text.str());
}

// A time in milliseconds; a negative one keeps the field.
void readMilliseconds(const XMLNode* node, const wchar_t* key, uint32_t& field)
{
    int value = 0;
    if (!node->readInt(key, value))
        return;
    if (value >= 0)
        field = static_cast<uint32_t>(value);
    else
        logReplaced(node, key, field);
}

} // namespace

DInputInitParams::DInputInitParams(Window* window) : m_window(window) {}

bool DInputInitParams::load(XMLNode* node)
{
    if (!node)
        return true;
    m_section.keep(*node);

    // Switches are on when their integer value is above 0; absent keys keep
    // their values; a text that is no number reads as 0.
    float sensitivity = 0.0f;
    if (node->readFloat(L"MOUSE_SENSITIVITY", sensitivity)) {
        if (std::isfinite(sensitivity) && sensitivity >= 0.0f)
            m_mouseSensitivity = sensitivity;
        else
            logReplaced(node, L"MOUSE_SENSITIVITY", m_mouseSensitivity);
    }
    node->readInt(L"SWAP_MOUSE", m_swapMouse);
    node->readFlag(L"USE_WINAPI", m_useWindowMessages);
    node->readFlag(L"BUFFERED_KEYBOARD", m_bufferedKeyboard);
    readMilliseconds(node, L"MAX_POLL_RATE_KEYBOARD", m_keyboardPollRate);
    node->readFlag(L"BUFFERED_MOUSE", m_bufferedMouse);
    readMilliseconds(node, L"MAX_POLL_RATE_MOUSE", m_mousePollRate);
    // "delay [rate]"
    int delay = 0;
    int rate = 0;
    if (node->readPair(L"KEY_REPEAT_RATE", delay, rate)) {
        if (delay >= 0 && rate >= 0) {
            m_keyRepeatDelay = static_cast<uint32_t>(delay);
            m_keyRepeatRate = static_cast<uint32_t>(rate);
        } else {
            logReplaced(node, L"KEY_REPEAT_RATE", m_keyRepeatDelay);
        }
    }
    return true;
}

bool DInputInitParams::save(XMLNode* node)
{
    if (!node)
        return true;
    // The live settings once the input runs on this object; before that (or
    // for another object) the values as read, so nothing read is lost.
    DirectInputInterface* input = DirectInputInterface::getInstance();
    float sensitivity = m_mouseSensitivity;
    int swap = m_swapMouse;
    uint32_t keyboardRate = m_keyboardPollRate;
    uint32_t mouseRate = m_mousePollRate;
    if (input->getInitParams() == this) {
        const InputStates& live = input->getInputStates();
        sensitivity = live.mouseSensitivity;
        swap = live.swapMouse;
        keyboardRate = live.keyboardPollRate;
        mouseRate = live.mousePollRate;
        m_keyRepeatDelay = live.keyRepeatDelay;
        m_keyRepeatRate = live.keyRepeatRate;
    }

    XMLNode values;
    values.addAttribute(new XMLAttribute(L"MOUSE_SENSITIVITY", sensitivity));
    values.addAttribute(new XMLAttribute(L"SWAP_MOUSE", swap));
    values.addAttribute(new XMLAttribute(L"USE_WINAPI", m_useWindowMessages));
    values.addAttribute(new XMLAttribute(L"BUFFERED_KEYBOARD", m_bufferedKeyboard));
    values.addAttribute(new XMLAttribute(L"BUFFERED_MOUSE", m_bufferedMouse));
    values.addAttribute(new XMLAttribute(L"MAX_POLL_RATE_KEYBOARD", static_cast<int>(keyboardRate)));
    values.addAttribute(new XMLAttribute(L"MAX_POLL_RATE_MOUSE", static_cast<int>(mouseRate)));
    values.addAttribute(new XMLAttribute(L"KEY_REPEAT_RATE",
                                         std::to_wstring(m_keyRepeatDelay) + L" " + std::to_wstring(m_keyRepeatRate)));
    m_section.write(*node, values);
    return true;
}

} // namespace Ulvo
