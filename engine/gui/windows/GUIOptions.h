#pragma once
// The behaviour switches of a window: visibility, input, dragging, clipping of
// its children and the layout manager that places them.
#include <cstdint>
#include <string>

namespace Ulvo {

class XMLNode;

class GUIOptions {
public:
    // Bits of INPUT_IGNORE.
    enum InputIgnore : int32_t { IGNORE_SELF = 1, IGNORE_CHILDREN = 2 };

    // The OPTIONS attributes; absent keys keep their values.
    void load(const XMLNode* node);

    // A copy of base (whose layout strings stay) with the switches of a and b: at
    // 0 < p < 1 VISIBLE is a or b, ENABLED and INPUT_IGNORE are a's below 0.5 and
    // b's after, every other switch is a and b; at p exactly 0 all are a's, else b's.
    static void interpolate(GUIOptions& out, const GUIOptions& a, const GUIOptions& b, const GUIOptions& base,
                            double p);

    bool operator==(const GUIOptions& other) const = default;

    bool visible = true;
    bool enabled = true;
    bool drawSubWindows = true;
    bool activateParent = false;
    bool bringParentToFront = false;
    bool canBringToFront = true;
    bool mouseMove = false;
    bool moveParent = false;
    bool drawInClientOnly = false;
    bool usableForLayoutManager = true;
    std::wstring layoutManager = L"NULL";
    std::wstring layoutParam = L"NULL";
    bool inputToParent = false;
    int32_t inputIgnore = 0;
};

} // namespace Ulvo
