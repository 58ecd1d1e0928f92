#include "scene/splines/SplinePoint.h"

namespace Ulvo {

namespace {

// The five vectors hold three channels each, in channel order.
const D3DXVECTOR3& vectorOf(const SplinePoint& point, int k)
{
    switch (k / 3) {
    case 0:
        return point.position;
    case 1:
        return point.direction;
    case 2:
        return point.normal;
    case 3:
        return point.binormal;
    default:
        return point.userData;
    }
}

} // namespace

SplinePoint::SplinePoint()
{
    for (int k = 0; k < SLOTS; ++k) {
        rule[k] = SPLINE_RULE_UNSET;
        ruleType[k] = 0;
        channelMask[k] = 0;
        param[k] = 0.0f;
    }
    rule[0] = SPLINE_RULE_LINEAR;
    channelMask[0] = SPLINE_CHANNEL_ALL;
}

float SplinePoint::channel(int k) const
{
    if (k < 0 || k >= CHANNELS)
        return 0.0f;
    const D3DXVECTOR3& v = vectorOf(*this, k);
    return static_cast<const float*>(v)[k % 3];
}

void SplinePoint::setChannel(int k, float value)
{
    if (k < 0 || k >= CHANNELS)
        return;
    auto& v = const_cast<D3DXVECTOR3&>(vectorOf(*this, k));
    static_cast<float*>(v)[k % 3] = value;
}

void SplinePoint::copyChannels(const SplinePoint& source, uint32_t mask)
{
    for (int k = 0; k < CHANNELS; ++k) {
        if (mask & (1u << k))
            setChannel(k, source.channel(k));
    }
}

void SplinePoint::copySlots(const SplinePoint& source)
{
    flags = source.flags;
    for (int k = 0; k < SLOTS; ++k) {
        rule[k] = source.rule[k];
        ruleType[k] = source.ruleType[k];
        channelMask[k] = source.channelMask[k];
        param[k] = source.param[k];
    }
}

} // namespace Ulvo
