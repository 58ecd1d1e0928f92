#pragma once
// DirectInput settings: the section "DINPUTINITPARAMS" of "config.cfg".
// Stand-in: the class grows with the input subsystem. For now it holds the
// values the start-up code forces and keeps every other entry of the section
// as read, so a save loses nothing.
#include "devices/ConfigSection.h"

#include <cstdint>

namespace Ulvo {

class Window;
class XMLNode;

class DInputInitParams {
public:
    explicit DInputInitParams(Window* window);

    // Always true.
    bool load(XMLNode* node);
    bool save(XMLNode* node);

    Window* getWindow() const { return m_window; }

    bool isBufferedKeyboard() const { return m_bufferedKeyboard; }
    bool isBufferedMouse() const { return m_bufferedMouse; }
    uint32_t getMousePollRate() const { return m_mousePollRate; }
    uint32_t getKeyboardPollRate() const { return m_keyboardPollRate; }
    uint32_t getKeyRepeatDelay() const { return m_keyRepeatDelay; }
    uint32_t getKeyRepeatRate() const { return m_keyRepeatRate; }
    bool isUsingWindowMessages() const { return m_useWindowMessages; }

    void setBufferedKeyboard(bool on) { m_bufferedKeyboard = on; }
    void setBufferedMouse(bool on) { m_bufferedMouse = on; }
    void setMousePollRate(uint32_t milliseconds) { m_mousePollRate = milliseconds; }
    void setKeyboardPollRate(uint32_t milliseconds) { m_keyboardPollRate = milliseconds; }
    void setKeyRepeat(uint32_t delay, uint32_t rate)
    {
        m_keyRepeatDelay = delay;
        m_keyRepeatRate = rate;
    }
    void setUseWindowMessages(bool on) { m_useWindowMessages = on; }

private:
    ConfigSection m_section;
    Window* m_window;
    bool m_bufferedKeyboard = false;  // "BUFFERED_KEYBOARD"
    bool m_bufferedMouse = false;     // "BUFFERED_MOUSE"
    uint32_t m_mousePollRate = 20;    // "MAX_POLL_RATE_MOUSE", ms
    uint32_t m_keyboardPollRate = 20; // "MAX_POLL_RATE_KEYBOARD", ms
    uint32_t m_keyRepeatDelay = 500;  // "KEY_REPEAT_RATE", first value, ms
    uint32_t m_keyRepeatRate = 200;   // "KEY_REPEAT_RATE", second value, ms
    bool m_useWindowMessages = false; // "USE_WINAPI"
};

} // namespace Ulvo
