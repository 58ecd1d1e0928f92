// Tooltips and scroll panels on the virtual clock with the injected mouse: the delay,
// the place next to the mouse and inside the screen, restarts on movement; bar layout,
// scrolling by the buttons and the knob, automatic bars, pull-back and focus.
#include "widgets/WidgetTesting.h"

#include "gui/system/GUISystem.h"
#include "gui/widgets/GUILabel.h"
#include "gui/widgets/GUIScrollPanel.h"
#include "gui/widgets/GUITooltip.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Ulvo;
using WidgetTesting::widget;

namespace {

using PopupTest = WidgetTesting::WidgetTest;

std::wstring tip(const std::wstring& text, const std::wstring& extra = L"")
{
    return L"<TOOLTIP TEXT=\"" + text + L"\" " + extra + L"/>";
}

// Content may be larger than the panel it lies in.
const std::wstring kUnlimited = L"<MAX_SIZE X_REL=\"-1\" Y_REL=\"-1\"/>";

struct Scrolls : public sigslot::has_slots<> {
    std::vector<std::string> events;
    void up(GUIScrollPanel&) { events.push_back("up"); }
    void down(GUIScrollPanel&) { events.push_back("down"); }
    void vertical(GUIScrollPanel&) { events.push_back("vertical"); }
    void any(GUIScrollPanel&) { events.push_back("scrolled"); }
    void watch(GUIScrollPanel* panel)
    {
        panel->scrolledUp.connect(this, &Scrolls::up);
        panel->scrolledDown.connect(this, &Scrolls::down);
        panel->scrolledVertically.connect(this, &Scrolls::vertical);
        panel->scrolled.connect(this, &Scrolls::any);
    }
};

} // namespace

TEST_F(PopupTest, TooltipWaitsFollowsAndStaysOnScreen)
{
    ASSERT_TRUE(
        loadText(L"<GUI>" + widget(L"WINDOW", L"W_HELP", 100, 100, 100, 40, tip(L"Hilfe")) +
                 widget(L"WINDOW", L"W_FAST", 300, 100, 100, 40, tip(L"Schnell", L"TIMER=\"0.2\"")) +
                 widget(L"WINDOW", L"W_EDGE", 560, 420, 80, 60, tip(L"Ein recht langer Hinweis am Rand")) +
                 widget(L"WINDOW", L"W_NONE", 100, 300, 100, 40) +
                 widget(L"TOOLTIP", L"TOOLTIP", 0, 0, 10, 10,
                        WidgetTesting::fadeGoals(L"INPUT_IGNORE=\"3\"") +
                            L"<DRAWOPTIONS EBENE=\"100\"/><OPTIONS INPUT_IGNORE=\"3\"/>",
                        L"<TOOLTIP_PARAMS TIMER=\"0.5\" LABEL=\"TT_TEXT\"/>" +
                            widget(L"LABEL", L"TT_TEXT", 0, 0, 10, 10, L"", L"<LABEL_PARAMS FLAGS=\"LEFT TOP\"/>")) +
                 L"</GUI>"));
    auto* tooltip = dynamic_cast<GUITooltip*>(window(L"TOOLTIP"));
    ASSERT_NE(tooltip, nullptr);
    auto* text = dynamic_cast<GUILabel*>(window(L"TT_TEXT"));
    text->getGUIRect().size = GUIRectPoint(1, 1, 0, 0);

    moveMouse(110, 110);
    EXPECT_EQ(text->getText(), L"Hilfe");
    step(0.4);
    EXPECT_FALSE(tooltip->isShown());
    step(0.2);
    EXPECT_TRUE(tooltip->isShown()) << "after its own delay";
    step(1.0);
    RECT measured{};
    text->calcTextRect(measured);
    const FloatRect& shown = tooltip->getScreenRect();
    EXPECT_FLOAT_EQ(shown.left, 160.0f) << "50 pixels right of and below the mouse";
    EXPECT_FLOAT_EQ(shown.top, 160.0f);
    EXPECT_FLOAT_EQ(shown.right - shown.left, static_cast<float>(measured.right - measured.left) + 20.0f);
    EXPECT_TRUE(tooltip->getOptions().visible);
    // Small moves let it follow; a larger one hides it and starts the wait again.
    moveMouse(112, 111);
    EXPECT_TRUE(tooltip->isShown());
    EXPECT_FLOAT_EQ(tooltip->getScreenRect().left, 162.0f);
    moveMouse(120, 111);
    EXPECT_FALSE(tooltip->isShown());
    step(0.6);
    EXPECT_TRUE(tooltip->isShown());

    // An entry's TIMER wins over the tooltip's delay.
    moveMouse(310, 110);
    step(0.25);
    EXPECT_TRUE(tooltip->isShown());
    EXPECT_EQ(text->getText(), L"Schnell");
    // Near the corner of the screen the tip is pushed back inside.
    moveMouse(630, 470);
    step(0.6);
    ASSERT_TRUE(tooltip->isShown());
    const FloatRect& edge = tooltip->getScreenRect();
    EXPECT_FLOAT_EQ(edge.right, 640.0f);
    EXPECT_FLOAT_EQ(edge.bottom, 480.0f);
    EXPECT_GT(edge.left, 0.0f);
    // Without entries there is nothing to show.
    moveMouse(110, 310);
    step(1.0);
    EXPECT_FALSE(tooltip->isShown());
    step(1.0);
    EXPECT_FALSE(tooltip->getOptions().visible);
}

TEST_F(PopupTest, ScrollPanelBarsButtonsAndKnob)
{
    ASSERT_TRUE(loadText(L"<GUI>" +
                         widget(L"SCROLL_PANEL", L"SP", 0, 0, 400, 300, L"",
                                L"<SCROLL_PANEL_PARAMS VERTICAL_SCROLL=\"1\" HORIZONTAL_SCROLL=\"1\"/>" +
                                    widget(L"WINDOW", L"SP_SEITE", 0, 0, 100, 550, kUnlimited) +
                                    widget(L"WINDOW", L"SP_OBEN", 0, 0, 10, 10)) +
                         L"</GUI>"));
    auto* sp = dynamic_cast<GUIScrollPanel*>(window(L"SP"));
    ASSERT_NE(sp, nullptr);
    EXPECT_EQ(window(L"SP_SEITE")->getParent(), sp->getPanel()) << "the description's children are the content";
    const FloatRect& panel = sp->getPanel()->getScreenRect();
    EXPECT_FLOAT_EQ(panel.right, 350.0f);
    EXPECT_FLOAT_EQ(panel.bottom, 250.0f);
    const FloatRect& track = sp->getPart(GUIScrollPanel::V_TRACK)->getScreenRect();
    EXPECT_FLOAT_EQ(track.top, 50.0f);
    EXPECT_FLOAT_EQ(track.bottom, 200.0f);
    EXPECT_FLOAT_EQ(sp->getPart(GUIScrollPanel::H_TRACK)->getScreenRect().left, 50.0f);
    EXPECT_FLOAT_EQ(sp->getPart(GUIScrollPanel::H_TRACK)->getScreenRect().right, 300.0f);
    EXPECT_EQ(sp->getPart(GUIScrollPanel::DOWN)->getName(), L"SP_Runter");

    Scrolls scrolls;
    scrolls.watch(sp);
    auto click = [this](float x, float y) {
        moveMouse(x, y);
        press();
        step(0.05);
        release();
    };
    const FloatRect& knob = sp->getPart(GUIScrollPanel::V_KNOB)->getScreenRect();
    const float knobTop = knob.top;
    click(375, 225);
    EXPECT_FLOAT_EQ(window(L"SP_SEITE")->getScreenRect().top, -20.0f);
    EXPECT_EQ(scrolls.events, (std::vector<std::string>{"down", "vertical", "scrolled"}));
    EXPECT_NEAR(knob.top - knobTop, 20.0f / 550.0f * 150.0f, 1e-3);
    for (int i = 0; i < 14; ++i)
        click(375, 225);
    EXPECT_FLOAT_EQ(window(L"SP_SEITE")->getScreenRect().bottom, 250.0f) << "fifteen clicks reach the end";
    scrolls.events.clear();
    click(375, 225);
    EXPECT_FLOAT_EQ(window(L"SP_SEITE")->getScreenRect().bottom, 250.0f);
    EXPECT_EQ(scrolls.events, (std::vector<std::string>{"down", "vertical", "scrolled"}));
    EXPECT_NEAR(knob.bottom, 200.0f, 1e-3);

    // Dragging the knob to the top of its track scrolls the content to its top.
    scrolls.events.clear();
    moveMouse(375, knob.top + 10.0f);
    press();
    moveMouse(375, 10);
    release();
    EXPECT_FLOAT_EQ(window(L"SP_SEITE")->getScreenRect().top, 0.0f);
    EXPECT_FLOAT_EQ(knob.top, 50.0f);
    EXPECT_EQ(scrolls.events, (std::vector<std::string>{"vertical", "scrolled"}));

    sp->removeAllChildren();
    EXPECT_TRUE(sp->getPanel()->children().empty());
    EXPECT_TRUE(sp->isVerticalBarShown());
}

TEST_F(PopupTest, AutomaticBarsPullBackAndFocus)
{
    ASSERT_TRUE(loadText(L"<GUI>" +
                         widget(L"SCROLL_PANEL", L"SP_AUTO", 0, 0, 300, 200, L"",
                                L"<SCROLL_PANEL_PARAMS VERTICAL_SCROLL=\"1\" AUTO_SCROLL=\"1\" AUTO_FOCUS=\"1\"/>") +
                         L"</GUI>"));
    auto* sp = dynamic_cast<GUIScrollPanel*>(window(L"SP_AUTO"));
    ASSERT_NE(sp, nullptr);
    std::vector<GUIWindow*> rows;
    for (int i = 0; i < 5; ++i) {
        auto* row = new GUIWindow(L"ROW" + std::to_wstring(i));
        row->getGUIRect() = GUIRect(GUIRectPoint(0, 0, 0, 60.0f * i), GUIRectPoint(0, 0, 100, 60));
        ASSERT_TRUE(sp->addChild(row, true));
        rows.push_back(row);
        EXPECT_EQ(sp->isVerticalBarShown(), i >= 3) << "shown once the content is taller than the panel";
    }
    // The new row was scrolled into view at the next update: its bottom meets the panel's.
    step(0.02);
    EXPECT_FLOAT_EQ(rows[4]->getScreenRect().bottom, 200.0f);
    EXPECT_FLOAT_EQ(rows[0]->getScreenRect().top, -100.0f);
    // A focus child that leaves before the update is never used.
    auto* late = new GUIWindow(L"LATE");
    late->getGUIRect() = GUIRect(GUIRectPoint(0, 0, 0, 1000), GUIRectPoint(0, 0, 100, 60));
    ASSERT_TRUE(sp->addChild(late, true));
    EXPECT_EQ(sp->getFocusChild(), late);
    sp->removeChild(late);
    EXPECT_EQ(sp->getFocusChild(), nullptr);
    step(0.02);
    // Content that shrinks leaves a gap below while it still hides above: it is pulled down.
    sp->removeChild(rows[4]);
    sp->removeChild(rows[3]);
    step(0.02);
    EXPECT_FLOAT_EQ(rows[0]->getScreenRect().top, 0.0f);
    EXPECT_FALSE(sp->isVerticalBarShown()) << "and the bar goes again";
}
