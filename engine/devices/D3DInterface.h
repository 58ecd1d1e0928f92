#pragma once
// Owner of the Direct3D device. Stand-in: the class grows with the Direct3D
// subsystem; for now it creates the main window and reports a usable device.
// Setting ULVO_TEST_FAIL_DEVICE=1 in the environment makes init fail, as a
// device that cannot be created would (for tests of the start-up paths).
namespace Ulvo {

class D3DInitParams;

class D3DInterface {
public:
    static D3DInterface* getInstance();

    // Creates the engine's main window; on failure shows "createWindow() schlug
    // fehl" and returns false.
    bool createWindow();
    // Starts the device with the display settings; false when it cannot start.
    bool init(D3DInitParams* params);
    // True when the device can render this frame.
    bool TestCooperative();
    // Once per update step.
    void update();

    D3DInitParams* getInitParams() const { return m_initParams; }
    bool isInitialized() const { return m_initialized; }

    // Test hooks: make the next init fail; report the device lost.
    void setFailInitForTest(bool fail) { m_failInitForTest = fail; }
    void setDeviceLostForTest(bool lost) { m_deviceLostForTest = lost; }

private:
    D3DInterface() = default;

    D3DInitParams* m_initParams = nullptr;
    bool m_initialized = false;
    bool m_failInitForTest = false;
    bool m_deviceLostForTest = false;
};

} // namespace Ulvo
