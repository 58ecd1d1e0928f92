#pragma once
// How the water and reflection passes see the objects they mirror. The scene layer's water and
// mirror objects implement these; the passes find them in their render lists by asking each
// object for the interface, so the render core needs nothing of the scene layer.
#include <d3dx9math.h>

namespace Ulvo {

// A flat mirror: its plane in world space (normal up, towards the mirrored side) and the world
// matrix its texture projection starts from.
class ReflectingSurface {
public:
    virtual ~ReflectingSurface() = default;
    virtual D3DXPLANE getReflectionPlane() const = 0;
    virtual const D3DXMATRIX& getSurfaceWorldMatrix() const = 0;
};

// A water plane: the mirror plane, the plane with the normal down (what lies below the water),
// how deep the refraction reaches (MAX_REFRACT_DEPTH) and the larger of its wave heights, by which
// its ripples move where it reads its mirrored picture.
class WaterSurface {
public:
    virtual ~WaterSurface() = default;
    virtual D3DXPLANE getWaterPlane() const = 0;
    virtual D3DXPLANE getInversePlane() const = 0;
    virtual const D3DXMATRIX& getSurfaceWorldMatrix() const = 0;
    virtual float getMaxRefractDepth() const = 0;
    virtual float getLargestWave() const { return 0.0f; }
};

} // namespace Ulvo
