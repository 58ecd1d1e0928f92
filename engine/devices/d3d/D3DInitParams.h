#pragma once
// Display settings of the Direct3D device: the section "D3DINITPARAMS" of
// "config.cfg", the resolution limits, and the state of a display-mode change
// that waits for confirmation (kept here so an unconfirmed change is never
// saved).
#include <d3d9.h>

#include "foundation/xml/ConfigSection.h"

#include <cstdint>

namespace Ulvo {

class D3DInterface;
class Window;
class XMLNode;

class D3DInitParams {
public:
    explicit D3DInitParams(Window* window);

    // Always true. A missing node or key leaves its field as it was; a present
    // DISP_MODE node starts from an empty mode, a present PRESENTER_PARAMS node
    // from the constructor's present parameters.
    bool load(XMLNode* node);
    // Always true. While a change waits for confirmation, the mode and present
    // parameters from before it are written.
    bool save(XMLNode* node);

    Window* getWindow() const { return m_window; }

    // The current mode; after the device started always a listed mode.
    D3DDISPLAYMODE* getDisplayMode() { return &m_displayMode; }
    const D3DDISPLAYMODE* getDisplayMode() const { return &m_displayMode; }
    D3DPRESENT_PARAMETERS* getPresentParams() { return &m_presentParams; }
    const D3DPRESENT_PARAMETERS* getPresentParams() const { return &m_presentParams; }

    uint32_t getDisplayWidth() const { return m_displayMode.Width; }
    uint32_t getDisplayHeight() const { return m_displayMode.Height; }
    uint32_t getRefreshRate() const { return m_displayMode.RefreshRate; }
    bool isWindowed() const { return m_presentParams.Windowed != FALSE; }

    void setDisplaySize(uint32_t width, uint32_t height)
    {
        m_displayMode.Width = width;
        m_displayMode.Height = height;
    }
    void setRefreshRate(uint32_t rate) { m_displayMode.RefreshRate = rate; }
    void setWindowed(bool windowed) { m_presentParams.Windowed = windowed ? TRUE : FALSE; }

    // Allowed mode sizes; 0xFFFFFFFF as maximum means no limit.
    uint32_t getMinResX() const { return m_minResX; }
    uint32_t getMinResY() const { return m_minResY; }
    uint32_t getMaxResX() const { return m_maxResX; }
    uint32_t getMaxResY() const { return m_maxResY; }
    void setMinRes(uint32_t x, uint32_t y)
    {
        m_minResX = x;
        m_minResY = y;
    }
    void setMaxRes(uint32_t x, uint32_t y)
    {
        m_maxResX = x;
        m_maxResY = y;
    }
    // Within the limits (compared unsigned).
    bool isAllowed(const D3DDISPLAYMODE& mode) const;

    // AUTO_DEGRADE: the limit flag makes the maximum follow the screen's work
    // area while windowed (no limit in full screen); the re-apply flag
    // re-applies the mode when the work area changes.
    bool getAutoDegradeLimit() const { return m_autoDegradeLimit; }
    bool getAutoDegradeReapply() const { return m_autoDegradeReapply; }
    void setAutoDegrade(bool limit, bool reapply)
    {
        m_autoDegradeLimit = limit;
        m_autoDegradeReapply = reapply;
    }

    // Milliseconds a mode change waits for confirmation (not in the file).
    uint32_t getConfirmationTime() const { return m_confirmationTime; }
    void setConfirmationTime(uint32_t milliseconds) { m_confirmationTime = milliseconds; }
    bool isPending() const { return m_pending; }
    const D3DDISPLAYMODE& getPreviousMode() const { return m_previousMode; }
    const D3DPRESENT_PARAMETERS& getPreviousPresentParams() const { return m_previousPresentParams; }

    // The present parameters a new D3DInitParams starts with.
    static D3DPRESENT_PARAMETERS defaultPresentParams();
    // What a start without "config.cfg" uses: full screen at the largest mode, 75 Hz, and the
    // default present parameters.
    void useDefaults();

private:
    friend class D3DInterface; // runs the confirmation

    D3DDISPLAYMODE m_displayMode{};
    D3DPRESENT_PARAMETERS m_presentParams;
    Window* m_window;
    uint32_t m_minResX = 0;
    uint32_t m_minResY = 0;
    uint32_t m_maxResX = 0xFFFFFFFFu;
    uint32_t m_maxResY = 0xFFFFFFFFu;
    bool m_autoDegradeLimit = false;
    bool m_autoDegradeReapply = false;
    uint32_t m_confirmationTime = 10000;
    bool m_pending = false;
    uint32_t m_changeTime = 0; // GetTickCount() of the pending change
    D3DDISPLAYMODE m_previousMode{};
    D3DPRESENT_PARAMETERS m_previousPresentParams{};
    // The section as read, so what this build does not know survives a save.
    ConfigSection m_section;
};

} // namespace Ulvo
