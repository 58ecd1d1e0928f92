#pragma once
// The layout record of a window: a position and a size, each a fraction of the
// parent's size plus pixels, the anchor of the last point read, and an optional
// aspect-ratio rule that fixes one edge and derives the other from the other axis.
#include "graphics/sprites/FloatRect.h"

#include <cstdint>
#include <string>

namespace Ulvo {

class GUIWindow;
class XMLNode;

// Anchor codes of a GUIRECT's point children.
enum GUIAnchor : uint32_t {
    GUI_ANCHOR_TOP = 1,
    GUI_ANCHOR_VCENTER = 2,
    GUI_ANCHOR_BOTTOM = 4,
    GUI_ANCHOR_LEFT = 8,
    GUI_ANCHOR_HCENTER = 16,
    GUI_ANCHOR_RIGHT = 32,
    GUI_ANCHOR_SIZE = 64,
    GUI_ANCHOR_VERTICAL = GUI_ANCHOR_TOP | GUI_ANCHOR_VCENTER | GUI_ANCHOR_BOTTOM,
    GUI_ANCHOR_HORIZONTAL = GUI_ANCHOR_LEFT | GUI_ANCHOR_HCENTER | GUI_ANCHOR_RIGHT,
};

struct GUIRectPoint {
    float xRel = 0.0f; // fraction of the parent's width
    float yRel = 0.0f; // fraction of the parent's height
    float xOff = 0.0f; // pixels
    float yOff = 0.0f; // pixels

    GUIRectPoint() = default;
    GUIRectPoint(float xRelative, float yRelative, float xOffset, float yOffset)
        : xRel(xRelative), yRel(yRelative), xOff(xOffset), yOff(yOffset)
    {
    }

    void setZero() { *this = GUIRectPoint(); }
    GUIRectPoint operator+(const GUIRectPoint& other) const;
    GUIRectPoint operator-(const GUIRectPoint& other) const;
    bool operator==(const GUIRectPoint& other) const = default;

    // X_OFF, X_REL, Y_OFF, Y_REL into a point that starts at 0. A value of two words
    // "a b" is a divided by b (a divisor of 0 is ignored).
    void load(const XMLNode* node);
};

class GUIRect {
public:
    // Parts that an animation moves (INTERPOLATE_GUIRECT_MODE bits).
    enum Part : uint32_t { PART_POSITION = 1, PART_SIZE = 2, PART_PARAMS = 4, PART_ALL = 7 };

    GUIRect() = default;
    // Top-left anchored, no ratio rule.
    GUIRect(const GUIRectPoint& position, const GUIRectPoint& size);
    // Zero floats and flags, anchor 9, then the node.
    explicit GUIRect(const XMLNode* node);

    // A GUIRECT node: PARAMS_X, PARAMS_Y and up to two point children folded into
    // position and size by their anchors; further point children are ignored.
    void load(const XMLNode* node);

    // The screen rectangle inside the parent's, with the ratio rule and a negative
    // extent collapsed to its midpoint.
    FloatRect calculate(const FloatRect& parent) const;
    // For the layout managers: the size point, its offsets corrected by what the
    // ratio rule changes when the rect is evaluated inside window's screen rect.
    GUIRectPoint getEffectiveSize(const GUIWindow& window) const;

    // base with the parts of mode taken from from and to at p (linearly), and the
    // ratio flags and anchor of from below 0.5, else of to.
    static void interpolate(GUIRect& out, const GUIRect& base, const GUIRect& from, const GUIRect& to, double p,
                            uint32_t mode);

    // Anchor code of a point child's name, 0 for other names.
    static uint32_t anchorCode(const std::wstring& name);

    bool operator==(const GUIRect& other) const = default;

    uint32_t xByRatio = 0; // PARAMS_X is "AS_VERH"
    uint32_t yByRatio = 0; // PARAMS_Y is "AS_VERH"
    uint32_t anchor = GUI_ANCHOR_TOP | GUI_ANCHOR_LEFT;
    GUIRectPoint position; // top-left corner relative to the parent's
    GUIRectPoint size;
    GUIRectPoint params; // ratios of the ratio rule

private:
    // The evaluation without the collapse of negative extents (steps 1 to 3).
    FloatRect evaluate(const FloatRect& parent, FloatRect* beforeRatio) const;
};

} // namespace Ulvo
