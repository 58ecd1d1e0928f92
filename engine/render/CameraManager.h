#pragma once
// The cameras. Stand-in: the class grows with the render core.
namespace Ulvo {

class CameraManager {
public:
    static CameraManager* getInstance();

private:
    CameraManager() = default;
};

} // namespace Ulvo
