#pragma once
// Shows the tooltip text of the window under the mouse after a delay, next to the
// mouse, sized to its text and kept inside its parent (the screen at the top). It
// picks the marked window's entry whose TOOLTIP_ID is its own (or, optionally,
// the first entry), so several tooltip windows can show different kinds of tips.
// The GUI system tells it when the marked window changes and when the mouse moves;
// it fades in and out through the goals "AN" and "AUS".
#include "gui/system/GUITooltipListener.h"
#include "gui/windows/GUIWindow.h"

namespace Ulvo {

class GUILabel;
class GUITooltipParam;

class GUITooltip : public GUIWindow, public GUITooltipListener {
public:
    // Flags of fit.
    enum FitFlags : int { FIT_TO_MOUSE = 1, FIT_TO_TEXT = 2 };

    // The window part, its template again, then TOOLTIP_PARAMS.
    explicit GUITooltip(const XMLNode* node);
    // The settings; no marked window, entry or label, not shown.
    GUITooltip(const GUITooltip& other);
    GUITooltip& operator=(const GUITooltip&) = delete;
    ~GUITooltip() override;

    GUIWindow* clone() const override;
    void update(double dt) override;

    void onMarkedWindowChanged(GUIWindow* window) override;
    void onMouseMove(const D3DXVECTOR2& fraction, const D3DXVECTOR2& pixels) override;
    // 1 places it at the mouse, 2 sizes it to the text; any flag keeps it inside its
    // bounds. The state is stored as the animation's start and target either way.
    void fit(int flags);

    bool isShown() const { return m_shown; }
    GUILabel* getLabel() const { return m_label; }
    GUITooltipParam* getEntry() const { return m_entry; }
    int32_t getTooltipId() const { return m_tooltipId; }
    double getDelay() const { return m_delay; }
    const GUIRectPoint& getPositionOffset() const { return m_positionOffset; }
    const GUIRectPoint& getSizeOffset() const { return m_sizeOffset; }

private:
    void readParams(const XMLNode* params);
    void startWait();
    void hide(int fitFlags);
    // Moves the rectangle (and its position offsets) into the parent or the screen.
    void keepInside();

    GUIWindow* m_marked = nullptr;      // one reference
    GUITooltipParam* m_entry = nullptr; // one reference
    GUILabel* m_label = nullptr;        // one reference
    int32_t m_tooltipId = 0;
    double m_delay = 1.0;
    double m_showTime = 0.0;
    GUIRectPoint m_positionOffset{0.0f, 0.0f, 50.0f, 50.0f};
    GUIRectPoint m_sizeOffset{0.0f, 0.0f, 20.0f, 20.0f};
    GUIRectPoint m_defaultSize;
    bool m_useDefaultTip = true;
    bool m_shown = false;
    D3DXVECTOR2 m_mouseFraction{0.0f, 0.0f};
    D3DXVECTOR2 m_mousePixels{0.0f, 0.0f};
    D3DXVECTOR2 m_anchor{0.0f, 0.0f};
    bool m_onlyStatic = true;
    float m_maxDistance = 5.0f;
    std::wstring m_text; // the entry's text, fetched each frame
};

} // namespace Ulvo
