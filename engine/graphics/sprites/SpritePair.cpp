#include "graphics/sprites/SpritePair.h"

namespace Ulvo {

bool SpritePair::create()
{
    const bool made = first.create();
    return second.create() && made;
}

} // namespace Ulvo
