#pragma once
// Layout managers place a window's children instead of their own GUIRects: the
// window's LAYOUTMANAGER option names one, each child's LAYOUT_PARAM says where
// it docks. A manager holds no state and lives for one call.
#include <string>

namespace Ulvo {

class GUIWindow;

class GUILayoutManager {
public:
    virtual ~GUILayoutManager() = default;
    virtual void arrange(GUIWindow& window);

    // "DEFAULT" docks the children, "DEFAULT_USEOFFEST" docks them moved by the
    // scroll offset; every other name (the default "NULL" too) does nothing.
    static void applyLayout(const std::wstring& name, GUIWindow& window);

    // The process-wide scroll offset the scrolling variant adds to docked children
    // (written by a scroll panel just before it lays out its panel).
    static void setScrollOffset(float x, float y);
    static float getScrollOffsetX();
    static float getScrollOffsetY();
};

} // namespace Ulvo
