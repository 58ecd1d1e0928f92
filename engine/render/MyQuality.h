#pragma once
// The quality level of shadows and water: 0 none to 3 high. The render manager keeps one of each
// for its passes; the engine-wide shadow quality of the deferred lights uses the same levels.
#include <cstdint>

namespace Ulvo {

enum MyQuality : uint32_t { QUALITY_NONE = 0, QUALITY_LOW = 1, QUALITY_MEDIUM = 2, QUALITY_HIGH = 3 };

} // namespace Ulvo
