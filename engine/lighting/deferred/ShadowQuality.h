#pragma once
// The engine-wide shadow quality, 0 off to 3 high (starting at 3), and the signal that announces
// its changes to every deferred light with the new level first and the old one second.
#include "foundation/sigslot.h"
#include "render/MyQuality.h"

#include <cstdint>

namespace Ulvo {

MyQuality getShadowQuality();
// Stores the level; emits the change signal only when it differs from the old one.
void setShadowQuality(MyQuality quality);
sigslot::signal2<const MyQuality&, const MyQuality&>& shadowQualityChanged();
// The index of the per-level light settings: 0, 1 and 2 stay, anything else is 3.
unsigned qualityToLevel(MyQuality quality);

} // namespace Ulvo
