#pragma once
// DirectInput settings: the section "DINPUTINITPARAMS" of "config.cfg".
// Entries this build does not know are kept as read, so a save loses nothing.
#include "foundation/xml/ConfigSection.h"

#include <cstdint>

namespace Ulvo {

class Window;
class XMLNode;

class DInputInitParams {
public:
    explicit DInputInitParams(Window* window);

    // Always true. Absent keys leave their fields unchanged.
    bool load(XMLNode* node);
    // Always true. The sensitivity, swap, poll rates and key repeat come from
    // the live input settings, so run-time changes reach the file.
    bool save(XMLNode* node);

    Window* getWindow() const { return m_window; }

    float getMouseSensitivity() const { return m_mouseSensitivity; }
    bool isBufferedKeyboard() const { return m_bufferedKeyboard; }
    bool isBufferedMouse() const { return m_bufferedMouse; }
    uint32_t getMousePollRate() const { return m_mousePollRate; }
    uint32_t getKeyboardPollRate() const { return m_keyboardPollRate; }
    uint32_t getKeyRepeatDelay() const { return m_keyRepeatDelay; }
    uint32_t getKeyRepeatRate() const { return m_keyRepeatRate; }
    int32_t getSwapMouse() const { return m_swapMouse; }
    bool isUsingWindowMessages() const { return m_useWindowMessages; }

    void setMouseSensitivity(float value) { m_mouseSensitivity = value; }
    void setBufferedKeyboard(bool on) { m_bufferedKeyboard = on; }
    void setBufferedMouse(bool on) { m_bufferedMouse = on; }
    void setMousePollRate(uint32_t milliseconds) { m_mousePollRate = milliseconds; }
    void setKeyboardPollRate(uint32_t milliseconds) { m_keyboardPollRate = milliseconds; }
    void setKeyRepeat(uint32_t delay, uint32_t rate)
    {
        m_keyRepeatDelay = delay;
        m_keyRepeatRate = rate;
    }
    void setSwapMouse(int32_t value) { m_swapMouse = value; }
    void setUseWindowMessages(bool on) { m_useWindowMessages = on; }

private:
    ConfigSection m_section;
    Window* m_window;
    float m_mouseSensitivity = 1.0f;  // "MOUSE_SENSITIVITY"
    bool m_bufferedKeyboard = false;  // "BUFFERED_KEYBOARD"
    bool m_bufferedMouse = false;     // "BUFFERED_MOUSE"
    uint32_t m_mousePollRate = 20;    // "MAX_POLL_RATE_MOUSE", ms
    uint32_t m_keyboardPollRate = 20; // "MAX_POLL_RATE_KEYBOARD", ms
    uint32_t m_keyRepeatDelay = 500;  // "KEY_REPEAT_RATE", first value, ms
    uint32_t m_keyRepeatRate = 200;   // "KEY_REPEAT_RATE", second value, ms
    int32_t m_swapMouse = -1;         // "SWAP_MOUSE": -1 system, 0 no, 1 yes
    bool m_useWindowMessages = false; // "USE_WINAPI"
};

} // namespace Ulvo
