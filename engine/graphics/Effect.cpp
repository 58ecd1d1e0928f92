#include "graphics/Effect.h"

namespace Ulvo {

bool useCompiledEffects = true;

} // namespace Ulvo
