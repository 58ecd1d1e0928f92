#pragma once
// Edits a float within a range: a knob ("_INNEN") is dragged along a track
// ("_AUSSEN"), optional buttons step the value down and up, and an optional
// label lies on the track or on the knob. Values are clamped to the range and
// snapped to the granularity; every change is announced through valueChanged.
// With the slider's LAYOUTMANAGER "DEFAULT" the buttons dock at the ends and the
// track fills the rest.
#include "gui/windows/GUIWindow.h"

namespace Ulvo {

class GUIButton;
class GUILabel;

class GUISlider : public GUIWindow {
public:
    // The window part, then SLIDER_PARAMS with the parts' own window nodes; missing
    // knob and track are made; the template again; the value placed.
    explicit GUISlider(const XMLNode* node);
    // Copies the parts and the values and wires the copy like the original.
    GUISlider(const GUISlider& other);
    GUISlider& operator=(const GUISlider&) = delete;
    // Parts outside the slider's tree (a label or buttons not shown) are released too.
    ~GUISlider() override;

    GUIWindow* clone() const override;
    // The parts' ids; the slider's own stays.
    void setUserId(const std::wstring& id) override;
    // Keeps the buttons and the track first in the child list, so docking places
    // the buttons before the track fills the rest.
    void update(double dt) override;
    bool addChild(GUIWindow* child, bool handedOver = false, bool append = true) override;
    void removeAllChildren() override {}
    void copyFromVorlage(const GUIWindow* vorlage, uint32_t mask) override;

    // Clamped to the range, snapped to the granularity and clamped again; announces a
    // change and always places the knob.
    void setValue(const float& value);
    float getValue() const { return m_value; }
    void setRange(const float& minimum, const float& maximum);
    float getMinimum() const { return m_min; }
    float getMaximum() const { return m_max; }
    float getStep() const { return m_step; }
    float getGranularity() const { return m_granularity; }
    bool isHorizontal() const { return m_horizontal; }

    GUILabel* getLabel() const { return m_label; }
    GUIButton* getDecreaseButton() const { return m_decrease; }
    GUIButton* getIncreaseButton() const { return m_increase; }
    GUIWindow* getTrack() const { return m_track; }
    GUIWindow* getKnob() const { return m_knob; }

    // The handlers: a step button's click, a dragged knob, a new track rectangle.
    void onButtonClicked(GUIWindow& button);
    void onKnobMoved(GUIWindow& knob);
    void onTrackChanged(GUIWindow& track);
    // A press on the track beside the knob moves the knob's middle there.
    void onTrackPressed(GUIWindow& track, const bool& down);

    sigslot::signal2<GUISlider&, const float&> valueChanged;

private:
    void readParams(const XMLNode* params);
    void connectButton(GUIButton* button);
    void connectKnob();
    void connectTrack();
    // Steps 5 to 10 of the construction: the parts join their parents with their
    // options, take the tooltips, and the knob is placed.
    void assemble();
    // The label, buttons and track in the slider's tree, after the knob joined the track.
    void addParts();
    void placeKnob();
    // Track length minus knob length along the axis.
    float freeLength() const;

    GUIButton* m_decrease = nullptr;
    GUIButton* m_increase = nullptr;
    GUIWindow* m_track = nullptr;
    GUIWindow* m_knob = nullptr;
    GUILabel* m_label = nullptr;
    bool m_showButtons = false;
    bool m_showLabel = false;
    bool m_labelOnKnob = false;
    bool m_horizontal = true;
    float m_min = 0.0f;
    float m_max = 10.0f;
    float m_value = 5.0f;
    float m_step = 3.0f;
    float m_granularity = -1.0f;
    GUIRectPoint m_knobBase;
};

} // namespace Ulvo
