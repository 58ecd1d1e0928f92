#pragma once
// What the sun light hands its per-entry cloud values to: a sky object of the scene layer above
// that draws a cloud layer. The scene graph binds such objects to the sun's cloud entries as they
// join it (SunLightSystem::bindCloudTarget), so the render core needs nothing of the scene layer.
#include <d3dx9math.h>

namespace Ulvo {

class CloudTarget {
public:
    virtual ~CloudTarget() = default;
    // Whether the object draws clouds and so takes an entry's values.
    virtual bool takesCloudValues() const = 0;
    virtual void setCloudSpeed(float speed) = 0;
    virtual void setCloudDensityOffset(const D3DXVECTOR2& densityOffset) = 0;
    virtual void setCloudColor(const D3DXCOLOR& colour) = 0;
};

} // namespace Ulvo
