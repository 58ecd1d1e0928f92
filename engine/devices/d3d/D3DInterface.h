#pragma once
// The single owner of the Direct3D object and device. Creates the device from
// the display settings, tests it before every frame and resets it when Direct3D
// allows, telling every holder of device resources around each reset; keeps
// the adapter's display-mode list and switches modes, with an optional
// confirmation that reverts after a timeout; offers the D3D_ console commands.
//
// Test hooks: ULVO_TEST_FAIL_DEVICE=1 in the environment, or
// setFailInitForTest(true), make init fail as a device that cannot be created
// would; setDeviceLostForTest(true) makes TestCooperative report an unusable
// device without asking Direct3D.
#include <windows.h>
#include <d3d9.h>

#include "devices/d3d/DeviceGraphics.h"
#include "devices/d3d/DeviceResource.h"
#include "devices/d3d/DisplayModes.h"
#include "foundation/console/ConsoleCommandReceiver.h"
#include "foundation/sigslot.h"

#include <string>

namespace Ulvo {

class D3DInitParams;
class MainLoopSignals;
class Window;

// lostDevice and resetDevice come from DeviceLossSignals: every device resource follows
// them (devices/DeviceResource.h).
class D3DInterface : public ConsoleCommandReceiver, public DeviceLossSignals {
public:
    // Built on first use, destroyed at process exit.
    static D3DInterface* getInstance();
    ~D3DInterface() override;

    // The engine's start-up steps. connect follows the main window's messages and takes
    // the configuration's display settings (not owned), which createWindow uses while no
    // other settings are in use; disconnect ends that.
    void connect(MainLoopSignals& loop, D3DInitParams* configured);
    void disconnect(MainLoopSignals& loop);
    // Takes the graphics layer's shared objects over (see DeviceGraphics); they are
    // deleted with this interface, after the device.
    void setGraphics(DeviceGraphics* graphics);

    // Creates the device for the settings (kept, not owned); false on failure,
    // after a message box.
    bool init(D3DInitParams* params);
    // Creates the main window sized to the best mode for the settings; on the
    // first call also builds the mode list and takes the configured settings.
    // False, after a message box, when there is no window to create.
    bool createWindow();
    // True when the device can render this frame; resets it once Direct3D
    // allows (and then reports false for this frame).
    bool TestCooperative();
    // The only place the device is reset: copies pp into the settings, resets,
    // updates the window. lostDevice comes first; resetDevice and
    // backBufferSizeChanged follow only when the reset succeeded (a failed one
    // is tried again at the next not-reset report). Returns the settings'
    // present parameters.
    D3DPRESENT_PARAMETERS* setPresenterParams(const D3DPRESENT_PARAMETERS* pp);
    // Once per update step: the confirmation timer.
    void update();

    IDirect3DDevice9* getDevice() const { return m_device; }
    IDirect3DDevice9** getDevicePtr() { return &m_device; }
    EffectManager* getEffectManager() const { return m_effectManager; }
    // The global texture manager, used by game code to load textures.
    TextureManager* getTextureManager() const { return m_textureManager; }
    // The mesh list: the loaded meshes, found by exact name (scene meshes, light volumes).
    MeshManager* getMeshManager() const { return m_meshManager; }
    // The sprite drawers used by the GUI, fonts and the game.
    SpritePair* getSprite() const { return m_sprites; }
    IDirect3D9* getDirect3D() const { return m_d3d; }
    // Size of the current display mode (0 without settings).
    unsigned getWidth() const;
    unsigned getHeight() const;
    // 0, 0, width, height.
    RECT* getScreenRect(RECT* rect) const;
    D3DInitParams* getInitParams() const { return m_initParams; }
    // The window of the settings in use, else of the configured ones; null without either.
    Window* getMainWindow() const;
    D3DPRESENT_PARAMETERS* getPresentParams() const;
    DisplayModeList& getDisplayModeList() { return m_displayModes; }
    bool isInitialized() const { return m_initialized; }
    // The mode last asked for, before the best listed one was chosen.
    const D3DDISPLAYMODE& getRequestedMode() const { return m_requestedMode; }
    // The screen's work area as last read.
    unsigned getWorkAreaWidth() const { return m_workAreaWidth; }
    unsigned getWorkAreaHeight() const { return m_workAreaHeight; }

    // Exchanges clockwise and counter-clockwise culling (for mirrored passes).
    void flipCullMode();

    // Display modes.
    void createDisplayModeList();
    void sortDisplayModeList(unsigned key1, unsigned key2, unsigned key3);
    // Into the list; null when the list is empty.
    D3DDISPLAYMODE* getBestDisplayMode(const D3DDISPLAYMODE* wanted);
    int findDisplayMode(const D3DDISPLAYMODE* mode) const;
    // choice: negative keeps the windowed state, 0 windowed, positive full
    // screen. 1 when a mode was applied, 0 when nothing changed.
    signed char setDisplayMode(const D3DDISPLAYMODE* wanted, int choice, const bool& confirm);
    // The answer to confirmRequested; nothing happens when nothing waits.
    void confirmDisplayMode(const bool& ok);
    void setAutoDegrade(const bool& limit, const bool& reapply);
    static std::wstring displayModeToString(const D3DDISPLAYMODE* mode, const std::wstring& separator);

    // Slot on the engine's window messages: WM_DISPLAYCHANGE.
    void onWindowMessage(HWND& window, UINT& message, WPARAM& wParam, LPARAM& lParam);

    void setFailInitForTest(bool fail) { m_failInitForTest = fail; }
    void setDeviceLostForTest(bool lost) { m_deviceLostForTest = lost; }

    // Once init has created the device and shown the window.
    sigslot::signal0<> deviceCreated;
    sigslot::signal1<const D3DDISPLAYMODE&> displayModeChanged;
    // After a successful reset: the back buffer's width and height.
    sigslot::signal2<const unsigned long&, const unsigned long&> backBufferSizeChanged;
    // The automatic limit gave a smaller mode than asked for.
    sigslot::signal0<> displayModeDegraded;
    sigslot::signal0<> confirmRequested;
    sigslot::signal1<const bool&> confirmResult;
    sigslot::signal1<const float&> confirmSecondsLeft;

private:
    D3DInterface();
    D3DInterface(const D3DInterface&) = delete;
    D3DInterface& operator=(const D3DInterface&) = delete;

    // init without its log frame.
    bool startDevice(D3DInitParams* params);
    // Creates the device for the best listed mode of the settings; false without a message.
    bool createDevice(D3DInitParams& params);
    void readWorkArea();
    void releaseDevice();
    // Sizes the main window to the back buffer and applies the windowed state.
    void updateWindow();
    // While the limit flag is set: the work area when windowed, else no limit.
    void applyAutoLimit(bool windowed);
    void revertPendingMode();
    // The D3D_ commands.
    void consoleGetResolution(TypedConsoleCommand& line);
    void consoleSetResolution(TypedConsoleCommand& line);
    void consoleSetFullscreen(TypedConsoleCommand& line);
    void consoleSetMaxScreenSize(TypedConsoleCommand& line);
    void consoleSetMinScreenSize(TypedConsoleCommand& line);
    void consoleAutoDegrade(TypedConsoleCommand& line);

    DisplayModeList m_displayModes;
    IDirect3D9* m_d3d = nullptr;
    IDirect3DDevice9* m_device = nullptr;
    DeviceGraphics* m_graphics = nullptr;
    EffectManager* m_effectManager = nullptr;
    TextureManager* m_textureManager = nullptr;
    MeshManager* m_meshManager = nullptr;
    SpritePair* m_sprites = nullptr;
    D3DInitParams* m_initParams = nullptr;
    D3DInitParams* m_configuredParams = nullptr;
    bool m_initialized = false;
    unsigned m_workAreaWidth = 0;
    unsigned m_workAreaHeight = 0;
    bool m_changingMode = false;
    D3DDISPLAYMODE m_requestedMode{};
    unsigned m_sortKeys[3] = {0, 1, 2};
    bool m_failInitForTest = false;
    bool m_deviceLostForTest = false;
};

} // namespace Ulvo
