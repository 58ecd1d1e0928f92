#pragma once
// Display settings of the Direct3D device: the section "D3DINITPARAMS" of
// "config.cfg". Stand-in: the class grows with the Direct3D subsystem. For now
// it holds the values the start-up code sets (display size, refresh rate,
// windowed, the two AUTO_DEGRADE flags) and the window size, and keeps every
// other entry of the section as read, so a save loses nothing.
#include "devices/ConfigSection.h"

#include <cstdint>

namespace Ulvo {

class Window;
class XMLNode;

class D3DInitParams {
public:
    explicit D3DInitParams(Window* window);

    // Always true.
    bool load(XMLNode* node);
    bool save(XMLNode* node);

    Window* getWindow() const { return m_window; }

    uint32_t getDisplayWidth() const { return m_displayWidth; }
    uint32_t getDisplayHeight() const { return m_displayHeight; }
    uint32_t getRefreshRate() const { return m_refreshRate; }
    bool isWindowed() const { return m_windowed; }
    bool getAutoDegradeLimit() const { return m_autoDegradeLimit; }
    bool getAutoDegradeReapply() const { return m_autoDegradeReapply; }

    void setDisplaySize(uint32_t width, uint32_t height)
    {
        m_displayWidth = width;
        m_displayHeight = height;
    }
    void setRefreshRate(uint32_t rate) { m_refreshRate = rate; }
    void setWindowed(bool windowed) { m_windowed = windowed; }
    void setAutoDegrade(bool limit, bool reapply)
    {
        m_autoDegradeLimit = limit;
        m_autoDegradeReapply = reapply;
    }

private:
    ConfigSection m_section;
    Window* m_window;
    // DISP_MODE
    uint32_t m_displayWidth = 0;
    uint32_t m_displayHeight = 0;
    uint32_t m_refreshRate = 0;
    // PRESENTER_PARAMS (FULLSCREEN is its negation)
    bool m_windowed = true;
    // MISC: AUTO_DEGRADE
    bool m_autoDegradeLimit = false;
    bool m_autoDegradeReapply = false;
};

} // namespace Ulvo
