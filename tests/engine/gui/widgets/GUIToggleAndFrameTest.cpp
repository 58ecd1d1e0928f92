// Frames and checkboxes: nine-part placement and hit test, radio and one-way groups,
// presses through the caption, the box's placement, the cross-fade, and a fade time
// of 0.
#include "widgets/WidgetTesting.h"

#include "gui/system/GUISystem.h"
#include "gui/widgets/GUICheckbox.h"
#include "gui/widgets/GUICheckboxButton.h"
#include "gui/widgets/GUIFrame.h"

#include <gtest/gtest.h>

using namespace Ulvo;
using GUITesting::Image;
using WidgetTesting::widget;

namespace {

using ToggleTest = WidgetTesting::WidgetTest;

struct Changes : public sigslot::has_slots<> {
    std::vector<std::wstring> events;
    void changed(GUICheckboxButton& b) { events.push_back(b.getName() + (b.isChecked() ? L"+" : L"-")); }
    void watch(GUIWindow* w) { dynamic_cast<GUICheckboxButton*>(w)->stateChanged.connect(this, &Changes::changed); }
};

std::wstring box(const std::wstring& name, int x, const std::wstring& params)
{
    return widget(L"CHECKBOX_BUTTON", name, x, 0, 20, 20, L"",
                  L"<CHECKBOX_BUTTON_PARAMS " + params + L"</CHECKBOX_BUTTON_PARAMS>");
}

GUICheckboxButton* button(GUIWindow* w)
{
    return dynamic_cast<GUICheckboxButton*>(w);
}

} // namespace

TEST_F(ToggleTest, FramePartsAreLaidOutAndNeverHit)
{
    ASSERT_TRUE(loadText(L"<GUI>" +
                         widget(L"FRAME", L"F_BOX", 0, 0, 200, 100, L"<OPTIONS MOUSE_MOVE=\"1\"/>",
                                L"<FRAME_PARAMS><RAND_SIZE OFF=\"16\"/></FRAME_PARAMS>" +
                                    widget(L"WINDOW", L"F_CONTENT", 50, 40, 20, 20)) +
                         widget(L"FRAME", L"F_DEFAULT", 300, 0, 100, 100, L"", L"<FRAME_PARAMS/>") + L"</GUI>"));
    auto* frame = dynamic_cast<GUIFrame*>(window(L"F_BOX"));
    ASSERT_NE(frame, nullptr);
    const FloatRect& top = frame->getPart(GUIFrame::TOP)->getScreenRect();
    EXPECT_FLOAT_EQ(top.left, 16.0f);
    EXPECT_FLOAT_EQ(top.right, 184.0f);
    EXPECT_FLOAT_EQ(top.bottom, 16.0f);
    const FloatRect& fill = frame->getPart(GUIFrame::FILL)->getScreenRect();
    EXPECT_FLOAT_EQ(fill.left, 16.0f);
    EXPECT_FLOAT_EQ(fill.bottom, 84.0f);
    EXPECT_FLOAT_EQ(frame->getPart(GUIFrame::BOTTOM_RIGHT)->getScreenRect().left, 184.0f);
    EXPECT_EQ(frame->getPart(GUIFrame::TOP_LEFT)->getName(), L"F_BOX_LEFT");
    auto* plain = dynamic_cast<GUIFrame*>(window(L"F_DEFAULT"));
    EXPECT_FLOAT_EQ(plain->getPart(GUIFrame::TOP_LEFT)->getScreenRect().right, 320.0f) << "20-pixel corners";
    // Presses over a part reach the frame; a press on its content the content.
    EXPECT_EQ(gui().getWindowAt(5, 5, GUIWindow::HIT_PRESS), frame);
    EXPECT_EQ(gui().getWindowAt(55, 45, GUIWindow::HIT_PRESS), window(L"F_CONTENT"));
    frame->removeAllChildren();
    EXPECT_EQ(frame->children().size(), std::size_t(GUIFrame::PART_COUNT));
    EXPECT_EQ(window(L"F_CONTENT"), nullptr);
}

TEST_F(ToggleTest, RadioAndOneWayGroups)
{
    // Group names are resolved when the description is applied: the buttons share one top-level window.
    ASSERT_TRUE(loadText(L"<GUI><WINDOW NAME=\"W_BOXES\"><WINDOW_PARAMS><GUIRECT><POS_TL/><POS_BR X_REL=\"1\" "
                         L"Y_REL=\"1\"/></GUIRECT></WINDOW_PARAMS>" +
                         box(L"P", 0, L"><GROUP_NAMES>\"|Q|\" \"|R|\"</GROUP_NAMES>") +
                         box(L"Q", 30, L"><GROUP_NAMES>\"|P|\" \"|R|\"</GROUP_NAMES>") +
                         box(L"R", 60, L"ENABLED=\"1\"><GROUP_NAMES>\"|P|\" \"|Q|\"</GROUP_NAMES>") +
                         box(L"ONLY_TICKS", 90, L"ONE_WAY_CLICK=\"1\" ENABLED=\"1\">") +
                         box(L"ONE_WAY", 120, L"><GROUP_NAMES>\"|OTHER|\" \"|FEHLT|\" \"|W_PLAIN|\"</GROUP_NAMES>") +
                         box(L"OTHER", 150, L">") + box(L"IGNORES", 180, L">") +
                         widget(L"WINDOW", L"W_PLAIN", 0, 50, 10, 10) + L"</WINDOW></GUI>"));
    Changes changes;
    for (const wchar_t* name : {L"P", L"Q", L"R", L"ONLY_TICKS", L"ONE_WAY", L"OTHER"})
        changes.watch(window(name));
    moveMouse(35, 5);
    press();
    release();
    EXPECT_EQ(changes.events, (std::vector<std::wstring>{L"Q+", L"R-"})) << "the one ticked before follows";
    EXPECT_FALSE(button(window(L"P"))->isChecked());
    changes.events.clear();
    moveMouse(95, 5);
    press();
    release();
    EXPECT_TRUE(changes.events.empty()) << "a one-way box only ticks";

    GUICheckboxButton* oneWay = button(window(L"ONE_WAY"));
    ASSERT_EQ(oneWay->getGroupMembers().size(), 1u) << "missing names and other kinds are skipped";
    button(window(L"OTHER"))->setChecked(true);
    oneWay->setChecked(true);
    EXPECT_FALSE(button(window(L"OTHER"))->isChecked());
    button(window(L"OTHER"))->setChecked(true);
    EXPECT_TRUE(oneWay->isChecked()) << "groups are one-way";
    changes.events.clear();
    oneWay->setChecked(true);
    EXPECT_TRUE(changes.events.empty()) << "the same state twice is announced once";

    // INPUT_IGNORE 2 also keeps a press away; a destroyed member leaves the group.
    GUICheckboxButton* ignores = button(window(L"IGNORES"));
    ignores->getOptions().inputIgnore = GUIOptions::IGNORE_CHILDREN;
    moveMouse(185, 5);
    press();
    release();
    EXPECT_FALSE(ignores->isChecked());
    window(L"W_BOXES")->GUIWindow::removeChild(window(L"OTHER"));
    EXPECT_TRUE(oneWay->getGroupMembers().empty());
}

TEST_F(ToggleTest, CheckboxPlacesItsBoxAndPassesCaptionPresses)
{
    ASSERT_TRUE(loadText(
        L"<GUI>" +
        widget(L"CHECKBOX", L"CB_RIGHT", 0, 0, 300, 40, L"",
               L"<CHECKBOX_PARAMS CHECKBOX_LOC=\"RIGHT\" CHECKBOX_SIZE=\"0.2\"><CHECKBOX_BUTTON_PARAMS ENABLED=\"1\">"
               L"<CHECKBOX_SIZE OFF=\"10\"/></CHECKBOX_BUTTON_PARAMS><LABEL_PARAMS TEXT=\"Vollbild\"/>"
               L"</CHECKBOX_PARAMS>") +
        widget(L"CHECKBOX", L"CB_KEEP", 0, 100, 300, 40, L"",
               L"<CHECKBOX_PARAMS SEND_TO_BOX=\"0\"><CHECKBOX_BUTTON_PARAMS/><LABEL_PARAMS/></CHECKBOX_PARAMS>") +
        L"</GUI>"));
    auto* right = dynamic_cast<GUICheckbox*>(window(L"CB_RIGHT"));
    ASSERT_NE(right, nullptr);
    EXPECT_FLOAT_EQ(right->getButton()->getScreenRect().left, 230.0f);
    EXPECT_FLOAT_EQ(right->getButton()->getScreenRect().right, 300.0f);
    EXPECT_FLOAT_EQ(window(L"CB_RIGHT_LABEL")->getScreenRect().right, 230.0f);
    EXPECT_TRUE(right->getButton()->isChecked());
    EXPECT_EQ(right->getButton()->getName(), L"CB_RIGHT_BUTTON");
    moveMouse(50, 20);
    press();
    release();
    EXPECT_FALSE(right->getButton()->isChecked()) << "a press on the caption toggles the box";
    auto* keep = dynamic_cast<GUICheckbox*>(window(L"CB_KEEP"));
    moveMouse(250, 120);
    press();
    release();
    EXPECT_FALSE(keep->getButton()->isChecked()) << "SEND_TO_BOX 0 keeps presses on the checkbox";
}

TEST_F(ToggleTest, TickedLookFadesInAndAZeroFadeTimeSwitchesAtOnce)
{
    GUITesting::solidTexture(L"T_AN", 0xFF20C020);
    GUITesting::solidTexture(L"T_AUS", 0xFFC02020);
    const std::wstring looks = L"<DRAWOPTIONS TEX_NORMAL=\"T_AUS\" TEX_PRESS=\"T_AN\"/>";
    ASSERT_TRUE(loadText(
        L"<GUI>" +
        widget(L"CHECKBOX_BUTTON", L"FADE", 0, 0, 20, 20, looks, L"<CHECKBOX_BUTTON_PARAMS ENABLE_TIMER=\"0.5\"/>") +
        widget(L"CHECKBOX_BUTTON", L"SNAP", 40, 0, 20, 20, looks,
               L"<CHECKBOX_BUTTON_PARAMS ENABLE_TIMER=\"0\" DRAW_ENABLED_FULL=\"0\"/>") +
        L"</GUI>"));
    // Built unticked, a box fades from the ticked look into its own.
    EXPECT_PIXEL(render(64, 24, 0xFF000000), 10, 10, 0xFF20C020);
    step(1.0);
    const Image rest = render(64, 24, 0xFF000000);
    EXPECT_PIXEL(rest, 10, 10, 0xFFC02020);
    EXPECT_PIXEL(rest, 50, 10, 0xFFC02020);
    button(window(L"FADE"))->setChecked(true);
    button(window(L"SNAP"))->setChecked(true);
    step(0.25);
    const Image half = render(64, 24, 0xFF000000);
    EXPECT_PIXEL(half, 10, 10, GUITesting::blend(0xFFC02020, 0xFF20C020, 128)) << "unticked look at half alpha";
    EXPECT_PIXEL(half, 50, 10, 0xFF20C020) << "no NaN alphas with a fade time of 0";
    step(0.25);
    EXPECT_PIXEL(render(64, 24, 0xFF000000), 10, 10, 0xFF20C020);
}
