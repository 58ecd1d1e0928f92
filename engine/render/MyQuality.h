#pragma once
// The quality level of shadows and water: 0 none to 3 high. The render manager keeps one of each
// in its settings (render/manager/RenderSettings.h); the deferred lights index their per-level
// settings with it.
#include <cstdint>

namespace Ulvo {

enum MyQuality : uint32_t { QUALITY_NONE = 0, QUALITY_LOW = 1, QUALITY_MEDIUM = 2, QUALITY_HIGH = 3 };

// The index of per-level settings: 0, 1 and 2 stay, anything else is 3.
inline unsigned qualityToLevel(MyQuality quality)
{
    return quality <= QUALITY_MEDIUM ? static_cast<unsigned>(quality) : 3u;
}

} // namespace Ulvo
