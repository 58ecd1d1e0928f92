#pragma once
// The splines. Stand-in: the class grows with the scene objects.
namespace Ulvo {

class SplineManager {
public:
    SplineManager() = default;
    SplineManager(const SplineManager&) = delete;
    SplineManager& operator=(const SplineManager&) = delete;
};

} // namespace Ulvo
