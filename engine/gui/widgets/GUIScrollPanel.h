#pragma once
// Shows a larger content through a smaller viewport. The content is the children
// of an inner window, the panel ("_Panel"); every child added to the scroll panel
// goes there. Scrolling shifts the position offsets of the panel's children;
// nothing is drawn off-screen. A vertical bar on the right ("_Hoch", "_Runter",
// the track "_Grenze_TB" with the knob "_Scroll_TB") and a horizontal bar at the
// bottom ("_Links", "_Rechts", "_Grenze_RL" with "_Scroll_RL") are shown fixed or,
// with AUTO_SCROLL, while the content does not fit. A bar button scrolls by 20
// pixels, dragging a knob scrolls proportionally, a gap opened at one edge while
// content hides at the other is pulled back each frame, and a newly added child
// can be scrolled into view. The panel's children may be docked by a layout
// manager, to which the scroll panel hands its scroll offset.
#include "gui/windows/GUIWindow.h"

#include <array>

namespace Ulvo {

class GUIScrollPanel : public GUIWindow {
public:
    enum Direction : uint32_t { SCROLL_LEFT = 1, SCROLL_RIGHT = 2, SCROLL_UP = 4, SCROLL_DOWN = 8 };
    enum FocusBorder : uint32_t { FOCUS_RIGHT = 1, FOCUS_BOTTOM = 2 };
    // The parts in their fixed order.
    enum Part { PANEL, UP, DOWN, V_KNOB, V_TRACK, LEFT, RIGHT, H_KNOB, H_TRACK, PART_COUNT };
    static constexpr float BUTTON_STEP = 20.0f;

    // The window part, its template again, SCROLL_PANEL_PARAMS with the parts' nodes,
    // default parts for the missing ones; the description's children move into the
    // panel and the bars are laid out.
    explicit GUIScrollPanel(const XMLNode* node);
    // Clones of the parts (the panel without content) and the settings.
    GUIScrollPanel(const GUIScrollPanel& other);
    GUIScrollPanel& operator=(const GUIScrollPanel&) = delete;
    ~GUIScrollPanel() override;

    GUIWindow* clone() const override;
    // The panel's, the two vertical buttons' and the vertical knob's.
    void setUserId(const std::wstring& id) override;
    // Pulls back a gap and scrolls the focus child into view.
    void update(double dt) override;
    // Into the panel, moved by the scroll offset.
    bool addChild(GUIWindow* child, bool handedOver = false, bool append = true) override;
    bool removeChild(GUIWindow* child) override;
    void removeAllChildren() override;
    void copyFromVorlage(const GUIWindow* vorlage, uint32_t mask) override;

    // The first of UP, DOWN, LEFT, RIGHT in direction, by up to amount pixels.
    void scroll(uint32_t direction, float amount);
    void updateScrollBars();
    void setScrollBars(bool horizontal, bool vertical);

    void onScrollButtonClicked(GUIWindow& button);
    void onScrollKnobMoved(GUIWindow& knob);
    void onRectChanged(GUIWindow& window);
    void onPanelChildAdded(GUIWindow& child, const bool& added);
    void onPanelChildRemoved(GUIWindow& child, const bool& removed);

    GUIWindow* getPart(Part part) const { return m_parts[part]; }
    GUIWindow* getPanel() const { return m_parts[PANEL]; }
    GUIWindow* getFocusChild() const { return m_focus; }
    void setFocusChild(GUIWindow* child) { m_focus = child; }
    bool isVerticalBarShown() const { return m_verticalShown; }
    bool isHorizontalBarShown() const { return m_horizontalShown; }
    float getScrollOffsetX() const { return m_offsetX; }
    float getScrollOffsetY() const { return m_offsetY; }
    // Left, top, right, bottom: how far the content reaches past each edge.
    const std::array<float, 4>& getOverhangs() const { return m_overhang; }

    sigslot::signal1<GUIScrollPanel&> scrolledUp;
    sigslot::signal1<GUIScrollPanel&> scrolledDown;
    sigslot::signal1<GUIScrollPanel&> scrolledLeft;
    sigslot::signal1<GUIScrollPanel&> scrolledRight;
    sigslot::signal1<GUIScrollPanel&> scrolledVertically;
    sigslot::signal1<GUIScrollPanel&> scrolledHorizontally;
    sigslot::signal1<GUIScrollPanel&> scrolled;

private:
    void readParams(const XMLNode* params);
    void makeMissingParts();
    // Steps shared by both constructors: connections, knobs in their tracks, the panel
    // in the scroll panel, the bars laid out.
    void wire();
    void shift(float dx, float dy);
    // P and B; false when the panel has no children. With whole set, every edge is
    // truncated to an integer.
    bool measure(FloatRect& panel, FloatRect& content, bool whole) const;
    void storeOverhangs(const FloatRect& panel, const FloatRect& content);
    bool isBarPart(const GUIWindow* window) const;

    std::array<GUIWindow*, PART_COUNT> m_parts{};
    std::array<float, 4> m_overhang{0.0f, 0.0f, 0.0f, 0.0f};
    float m_offsetX = 0.0f;
    float m_offsetY = 0.0f;
    std::wstring m_layoutManager;
    bool m_useLayoutManager = false;
    std::wstring m_layoutParam;
    float m_absolute = 50.0f;
    float m_relative = 0.0f;
    bool m_verticalScroll = false;
    bool m_horizontalScroll = false;
    bool m_verticalShown = false;
    bool m_horizontalShown = false;
    bool m_busy = false;
    bool m_autoScroll = false;
    GUIWindow* m_focus = nullptr; // no reference; cleared when it leaves the panel
    bool m_autoFocus = false;
    uint32_t m_focusBorder = 0;
};

} // namespace Ulvo
