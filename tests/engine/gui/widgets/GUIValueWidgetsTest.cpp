// Progress bars and sliders: announced and clamped values, granularity, the fill
// in four directions and cut from its texture, a maximum of 0; sliders dragged,
// stepped by their buttons on the virtual clock and pressed on their track,
// snapping and ranges without span.
#include "widgets/WidgetTesting.h"

#include "gui/system/GUISystem.h"
#include "gui/widgets/GUIButton.h"
#include "gui/widgets/GUILabel.h"
#include "gui/widgets/GUIProgressBar.h"
#include "gui/widgets/GUISlider.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Ulvo;
using GUITesting::Image;
using WidgetTesting::widget;

namespace {

using ValueTest = WidgetTesting::WidgetTest;

struct Values : public sigslot::has_slots<> {
    std::vector<float> values;
    int fills = 0;
    void bar(GUIProgressBar&, const float& v) { values.push_back(v); }
    void full(GUIProgressBar&) { ++fills; }
    void slider(GUISlider&, const float& v) { values.push_back(v); }
};

std::wstring bar(const std::wstring& name, int y, const std::wstring& params)
{
    return widget(L"PROGRESSBAR", name, 0, y, 300, 30, L"", L"<PROGRESSBAR_PARAMS " + params + L"/>");
}

} // namespace

TEST_F(ValueTest, ProgressBarAnnouncesClampsAndRoundsItsValue)
{
    ASSERT_TRUE(loadText(L"<GUI>" + bar(L"PB", 0, L"MAX_WERT=\"1\"") + bar(L"PB_STEPS", 40, L"GRANULARITAET=\"0.25\"") +
                         bar(L"PB_RL", 80, L"MAX_WERT=\"3\" AKT_WERT=\"1\" TYP=\"RIGHT_LEFT\"") +
                         bar(L"PB_ZERO", 120, L"MAX_WERT=\"0\" AKT_WERT=\"1\"") + L"</GUI>"));
    auto* pb = dynamic_cast<GUIProgressBar*>(window(L"PB"));
    ASSERT_NE(pb, nullptr);
    Values values;
    pb->valueChanged.connect(&values, &Values::bar);
    pb->filled.connect(&values, &Values::full);
    pb->setValue(0.5f);
    EXPECT_EQ(values.fills, 0);
    pb->setValue(1.0f);
    EXPECT_EQ(values.fills, 1) << "reaching the maximum is announced once";
    pb->setValue(2.0f);
    pb->setValue(-1.0f);
    EXPECT_EQ(values.values, (std::vector<float>{0.5f, 1.0f, 2.0f, -1.0f}));
    EXPECT_EQ(values.fills, 2);
    EXPECT_FLOAT_EQ(pb->getValue(), 0.0f);
    pb->setMaxValue(200.0f);
    pb->setProgress(0.5f);
    EXPECT_FLOAT_EQ(pb->getValue(), 100.0f);
    pb->setMaxValue(50.0f);
    EXPECT_FLOAT_EQ(pb->getValue(), 100.0f) << "a new maximum keeps the value";
    EXPECT_FLOAT_EQ(pb->getProgressWindow()->getScreenRect().right, 300.0f) << "and shows a full bar";
    EXPECT_EQ(pb->getLabel()->getText(), L"TEST");

    auto* steps = dynamic_cast<GUIProgressBar*>(window(L"PB_STEPS"));
    steps->setValue(0.3f);
    EXPECT_FLOAT_EQ(steps->getFraction(), 0.25f);
    EXPECT_FLOAT_EQ(steps->getProgressWindow()->getScreenRect().right, 75.0f);
    steps->setValue(0.38f);
    EXPECT_FLOAT_EQ(steps->getFraction(), 0.5f);

    const FloatRect& third = dynamic_cast<GUIProgressBar*>(window(L"PB_RL"))->getProgressWindow()->getScreenRect();
    EXPECT_FLOAT_EQ(third.left, 200.0f);
    EXPECT_FLOAT_EQ(third.right, 300.0f);
    // A maximum of 0 shows an empty bar instead of a rectangle of NaNs.
    auto* zero = dynamic_cast<GUIProgressBar*>(window(L"PB_ZERO"));
    EXPECT_FLOAT_EQ(zero->getFraction(), 0.0f);
    const FloatRect& empty = zero->getProgressWindow()->getScreenRect();
    EXPECT_FLOAT_EQ(empty.right - empty.left, 0.0f);
}

TEST_F(ValueTest, CutTextureShowsThePartOfTheFillTexture)
{
    GUITesting::namedTexture(L"T_HALVES", 8, 8, [](UINT, UINT y) { return y < 4 ? 0xFFE03030u : 0xFF3050E0u; });
    ASSERT_TRUE(loadText(L"<GUI>" +
                         widget(L"PROGRESSBAR", L"PB_CUT", 0, 0, 40, 40, L"",
                                L"<PROGRESSBAR_PARAMS CUT_TEXTURE=\"1\" TYP=\"BOTTOM_TOP\" AKT_WERT=\"0.5\" "
                                L"DRAW_IN_CLIENT_ONLY=\"0\">"
                                L"<TEXTURES_2D_PROGRESS TEX_NORMAL=\"T_HALVES\"/><LABEL_PARAMS TEXT=\"\"/>"
                                L"</PROGRESSBAR_PARAMS>") +
                         L"</GUI>"));
    const Image page = render(48, 48, 0xFF000000);
    EXPECT_PIXEL(page, 20, 5, 0xFF3050E0) << "the lower half of the texture fills the whole bar";
    EXPECT_PIXEL(page, 20, 35, 0xFF3050E0);
}

TEST_F(ValueTest, SliderDefaultsRangesAndSnapping)
{
    ASSERT_TRUE(loadText(
        L"<GUI>" + widget(L"SLIDER", L"S_PLAIN", 0, 0, 200, 20) +
        widget(L"SLIDER", L"S_POINT", 0, 40, 200, 20, L"", L"<SLIDER_PARAMS VALUE_RANGE=\"2\"/>") +
        widget(L"SLIDER", L"S_NINE", 0, 80, 200, 20, L"",
               L"<SLIDER_PARAMS VALUE_RANGE=\"0 9\" GRANULARITAET=\"2\" VALUE=\"4\"/>") +
        widget(L"SLIDER", L"S_FINE", 0, 120, 200, 20, L"", L"<SLIDER_PARAMS GRANULARITAET=\"0.4\" VALUE=\"0\"/>") +
        L"</GUI>"));
    auto* plain = dynamic_cast<GUISlider*>(window(L"S_PLAIN"));
    ASSERT_NE(plain, nullptr);
    EXPECT_FLOAT_EQ(plain->getMinimum(), 0.0f);
    EXPECT_FLOAT_EQ(plain->getMaximum(), 10.0f);
    EXPECT_FLOAT_EQ(plain->getValue(), 5.0f);
    EXPECT_EQ(plain->getKnob()->getName(), L"S_PLAIN_INNEN");
    EXPECT_EQ(plain->getKnob()->getParent(), plain->getTrack());
    EXPECT_EQ(plain->getTrack()->getName(), L"S_PLAIN_AUSSEN");
    plain->setUserId(L"SoundSlider");
    EXPECT_EQ(plain->getKnob()->getUserId(), L"SoundSlider");
    EXPECT_EQ(plain->getUserId(), L"S_PLAIN") << "the slider keeps its own id";

    auto* point = dynamic_cast<GUISlider*>(window(L"S_POINT"));
    EXPECT_FLOAT_EQ(point->getMaximum(), 2.0f);
    EXPECT_FLOAT_EQ(point->getValue(), 2.0f);
    EXPECT_FLOAT_EQ(point->getKnob()->getScreenRect().left, 0.0f) << "a range without span puts the knob first";

    auto* nine = dynamic_cast<GUISlider*>(window(L"S_NINE"));
    Values values;
    nine->valueChanged.connect(&values, &Values::slider);
    nine->setValue(9.0f);
    EXPECT_FLOAT_EQ(nine->getValue(), 9.0f) << "rounded to 10, then clamped again";
    nine->setValue(9.0f);
    EXPECT_EQ(values.values, std::vector<float>{9.0f}) << "the same value again is not announced";
    auto* fine = dynamic_cast<GUISlider*>(window(L"S_FINE"));
    fine->setValue(1.0f);
    EXPECT_FLOAT_EQ(fine->getValue(), 0.8f) << "1 / 0.4 lies just below 2.5";
}

TEST_F(ValueTest, SliderDraggedAndSteppedAnnouncesSnappedValues)
{
    GUITesting::solidTexture(L"T_KNOB", 0xFFE0C030);
    const std::wstring part = L"<WINDOW_PARAMS><GUIRECT><POS_TL/><SIZE X_OFF=\"20\" Y_REL=\"1\"/></GUIRECT>"
                              L"<DRAWOPTIONS TEX_NORMAL=\"T_KNOB\"/></WINDOW_PARAMS>";
    ASSERT_TRUE(loadText(L"<GUI>" +
                         widget(L"SLIDER", L"S_VOL", 100, 100, 240, 20, L"<OPTIONS LAYOUTMANAGER=\"DEFAULT\"/>",
                                L"<SLIDER_PARAMS VALUE_RANGE=\"0 100\" VALUE=\"0\" GRANULARITAET=\"10\" "
                                L"VALUE_CHANGE=\"25\" SHOW_BUTTONS=\"1\" SHOW_LABEL=\"1\">"
                                L"<BUTTON_LEFT NAME=\"S_MINUS\">" +
                                    part + L"</BUTTON_LEFT><BUTTON_RIGHT NAME=\"S_PLUS\">" + part +
                                    L"</BUTTON_RIGHT><SLIDER_INNEN NAME=\"S_KNOB\">" + part +
                                    L"</SLIDER_INNEN></SLIDER_PARAMS>") +
                         L"</GUI>"));
    auto* slider = dynamic_cast<GUISlider*>(window(L"S_VOL"));
    ASSERT_NE(slider, nullptr);
    ASSERT_NE(slider->getLabel(), nullptr);
    EXPECT_EQ(slider->getLabel()->getParent(), slider->getTrack());
    // The buttons dock at the ends and the track fills the 200 pixels between them.
    EXPECT_FLOAT_EQ(window(L"S_MINUS")->getScreenRect().left, 100.0f);
    EXPECT_FLOAT_EQ(window(L"S_PLUS")->getScreenRect().left, 320.0f);
    EXPECT_FLOAT_EQ(slider->getTrack()->getScreenRect().left, 120.0f);
    EXPECT_FLOAT_EQ(slider->getTrack()->getScreenRect().right, 320.0f);
    Values values;
    slider->valueChanged.connect(&values, &Values::slider);

    // Dragged 93 of the 180 free pixels: 51.7 snaps to 50, the knob to 90 pixels in.
    moveMouse(125, 110);
    press();
    moveMouse(218, 112);
    EXPECT_FLOAT_EQ(slider->getValue(), 50.0f);
    EXPECT_FLOAT_EQ(slider->getKnob()->getScreenRect().left, 210.0f);
    EXPECT_FLOAT_EQ(slider->getKnob()->getScreenRect().top, 100.0f) << "the knob stays on its axis";
    moveMouse(600, 110);
    release();
    EXPECT_FLOAT_EQ(slider->getValue(), 100.0f) << "beyond the end gives the maximum";
    EXPECT_FLOAT_EQ(slider->getKnob()->getScreenRect().right, 320.0f);

    // The buttons step by 25 and snap: 75 -> 80; at the minimum a step down is silent.
    moveMouse(105, 110);
    press();
    step(0.1);
    release();
    EXPECT_FLOAT_EQ(slider->getValue(), 80.0f);
    slider->setValue(0.0f);
    values.values.clear();
    press();
    step(0.1);
    release();
    EXPECT_TRUE(values.values.empty());
    step(0.1);
    EXPECT_FLOAT_EQ(slider->getTrack()->getScreenRect().left, 120.0f) << "the pressed button stays docked first";

    // A press on the track beside the knob puts the knob's middle there: 130 of the 180 free
    // pixels (72.2) snaps to 70; a press on the knob itself moves nothing.
    moveMouse(260, 110);
    press();
    release();
    EXPECT_FLOAT_EQ(slider->getValue(), 70.0f);
    const float knob = slider->getKnob()->getScreenRect().left;
    moveMouse(static_cast<int>(knob) + 2, 110);
    press();
    release();
    EXPECT_FLOAT_EQ(slider->getValue(), 70.0f);
}
