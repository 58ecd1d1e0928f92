#pragma once
// The scene objects' manager. Stand-in: the class grows with the scene objects;
// for now the engine creates it and lets it make its device resources.
namespace Ulvo {

class ObjektManager {
public:
    ObjektManager() = default;
    ObjektManager(const ObjektManager&) = delete;
    ObjektManager& operator=(const ObjektManager&) = delete;

    // Once, after the devices started.
    void createDeviceResources();
    bool hasDeviceResources() const { return m_deviceResources; }

private:
    bool m_deviceResources = false;
};

} // namespace Ulvo
