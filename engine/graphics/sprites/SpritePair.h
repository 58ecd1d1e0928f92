#pragma once
// The sprite drawers the Direct3D interface holds for everyone: callers draw
// through the D3DX sprite, the first member. The engine's batching sprite is the
// second member, constructed after it and destroyed before it.
#include "graphics/sprites/D3DXSprite.h"
#include "graphics/sprites/Sprite.h"

namespace Ulvo {

struct SpritePair {
    D3DXSprite first;
    Sprite second;

    // Creates each drawer on the current device, in member order; true when
    // all succeeded.
    bool create();
};

} // namespace Ulvo
