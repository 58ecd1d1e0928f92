#pragma once
// The font manager. Stand-in: the class grows with the font subsystem; for now
// it offers the start-up call the engine makes.
namespace Ulvo {

class D3DXFontInterface {
public:
    static D3DXFontInterface* getInstance();

    // Creates the device objects of every font once the device exists.
    void createAllFonts();

    bool isDeviceReady() const { return m_deviceReady; }

private:
    D3DXFontInterface() = default;

    bool m_deviceReady = false;
};

} // namespace Ulvo
