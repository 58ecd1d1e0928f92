#pragma once
// A value against a maximum in one of four directions: the fill window
// ("_PROGRESS") is sized to the filled fraction and draws the fill with its own
// textures, or, with CUT_TEXTURE, the bar cuts the fill texture to the fraction
// and draws it itself. A caption ("_LABEL") lies over the whole bar. A
// granularity rounds the shown fraction to steps; every new value is announced,
// and so is reaching the maximum.
#include "gui/windows/GUIWindow.h"

namespace Ulvo {

class GUILabel;

class GUIProgressBar : public GUIWindow {
public:
    enum Direction : uint32_t { LEFT_RIGHT = 0, RIGHT_LEFT = 1, TOP_BOTTOM = 2, BOTTOM_TOP = 3 };

    // The window part, the caption and the fill, the template again, then
    // PROGRESSBAR_PARAMS.
    explicit GUIProgressBar(const XMLNode* node);
    GUIProgressBar(const GUIProgressBar& other);
    GUIProgressBar& operator=(const GUIProgressBar&) = delete;
    ~GUIProgressBar() override = default;

    GUIWindow* clone() const override;
    // The bar's, the fill's and the caption's.
    void setUserId(const std::wstring& id) override;
    // The bar's own look only.
    void drawShape() override;
    // The bar's look, then the fill (or the cut texture) and the caption.
    void drawSelf() override;
    bool addChild(GUIWindow* child, bool handedOver = false, bool append = true) override;
    bool removeChild(GUIWindow* child) override;
    // Keeps the caption and the fill.
    void removeAllChildren() override;
    void copyFromVorlage(const GUIWindow* vorlage, uint32_t mask) override;
    // The fill is drawn by drawSelf while the texture is cut.
    bool shouldDrawSubWindow(std::size_t index, const GUIWindow* child) const override;

    // Announces the unclamped fraction and, at or above the maximum, the filling;
    // then keeps the value within 0 .. maximum.
    void setValue(float value);
    // value = maximum x fraction, then as setValue.
    void setProgress(float fraction);
    // The value is kept as it is.
    void setMaxValue(float maximum);
    float getValue() const { return m_value; }
    float getMaxValue() const { return m_max; }
    // value / maximum rounded by the granularity, not clamped; 0 for a maximum of 0
    // or less (a fraction of nothing is empty).
    float getFraction() const;
    void updateProgressRect();

    GUILabel* getLabel() const { return m_label; }
    GUIWindow* getProgressWindow() const { return m_progress; }
    Direction getDirection() const { return m_direction; }
    bool cutsTexture() const { return m_cutTexture; }

    // The bar and the shown fraction.
    sigslot::signal2<GUIProgressBar&, const float&> valueChanged;
    sigslot::signal1<GUIProgressBar&> filled;

private:
    void readParams(const XMLNode* params);
    void adoptParts();
    float rounded(float fraction) const;

    float m_max = 1.0f;
    float m_value = 0.0f;
    bool m_cutTexture = false;
    Direction m_direction = LEFT_RIGHT;
    GUIWindow* m_progress = nullptr; // in the child list
    GUILabel* m_label = nullptr;     // in the child list
    float m_granularity = 0.0f;
    bool m_drawingShape = false;
};

} // namespace Ulvo
