#include "lighting/deferred/ShadowQuality.h"

namespace Ulvo {

namespace {

MyQuality& currentQuality()
{
    static MyQuality quality = QUALITY_HIGH;
    return quality;
}

} // namespace

MyQuality getShadowQuality()
{
    return currentQuality();
}

void setShadowQuality(MyQuality quality)
{
    const MyQuality old = currentQuality();
    currentQuality() = quality;
    if (quality != old)
        shadowQualityChanged().emit(quality, old);
}

sigslot::signal2<const MyQuality&, const MyQuality&>& shadowQualityChanged()
{
    static sigslot::signal2<const MyQuality&, const MyQuality&> signal;
    return signal;
}

unsigned qualityToLevel(MyQuality quality)
{
    return quality <= QUALITY_MEDIUM ? static_cast<unsigned>(quality) : 3u;
}

} // namespace Ulvo
