#pragma once
// One control point of a spline: fifteen float channels (position, direction, normal, binormal,
// user data; channel k is float k in that order), a flag word for the spline's users, and up to
// fifteen interpolation slots, each naming a rule and the channels that rule supplies towards
// the next point.
#include <d3dx9math.h>

#include "foundation/helpers/FlagSet.h"

#include <cstdint>

namespace Ulvo {

// The interpolation rules; the numbers are the rule identifiers stored in ruleType.
enum SplineRule : int32_t {
    SPLINE_RULE_UNSET = -1, // the slot holds no rule: evaluation stops at it
    SPLINE_RULE_NONE = 0,
    SPLINE_RULE_LINEAR = 1,
    SPLINE_RULE_LINEAR_PLUS = 2,
    SPLINE_RULE_CATMULL = 3,
    SPLINE_RULE_CATMULL_PLUS = 4,
};

// Channel masks of the slots (bit k = channel k).
enum : uint32_t {
    SPLINE_CHANNEL_POS = 0x7,
    SPLINE_CHANNEL_DIR = 0x38,
    SPLINE_CHANNEL_NORM = 0x1C0,
    SPLINE_CHANNEL_BINORM = 0xE00,
    SPLINE_CHANNEL_USERDATA = 0x7000,
    SPLINE_CHANNEL_ALL = 0x7FFF,
};

struct SplinePoint {
    static constexpr int CHANNELS = 15;
    static constexpr int SLOTS = 15;

    // The default point: slot 0 interpolates every channel linearly, the others are empty.
    SplinePoint();

    D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 direction{0.0f, 0.0f, 1.0f};
    D3DXVECTOR3 normal{0.0f, 1.0f, 0.0f};
    D3DXVECTOR3 binormal{1.0f, 0.0f, 0.0f};
    D3DXVECTOR3 userData{1.0f, 1.0f, 1.0f};
    FlagSet flags;
    SplineRule rule[SLOTS];
    int32_t ruleType[SLOTS];
    uint32_t channelMask[SLOTS];
    float param[SLOTS];

    float channel(int k) const;
    void setChannel(int k, float value);
    // Copies the channels whose bit is set in mask from source.
    void copyChannels(const SplinePoint& source, uint32_t mask);
    // Copies flags and all fifteen slots from source.
    void copySlots(const SplinePoint& source);
};

} // namespace Ulvo
