#pragma once
// The techniques a render pass draws its objects with (its TECHNIQUE); each object selects the
// effect of the matching name from its effect bundle.
namespace Ulvo {

enum RenderTechnique {
    T_DIFFUSE = 0,
    T_DEPTH = 1,
    T_DEPTH_LINEAR = 2,
    T_DEPTH_WATER = 3,
    T_SHADOW = 4,
    T_SPECIAL = 5,
    T_NORMAL = 6,
    T_MASK = 7,
    T_SSOA = 8,
    T_DEFERRED_3RT = 9,
    T_DEFERRED_1RT = 10,
    T_DISTANCE = 11
};

} // namespace Ulvo
