// Window behaviour on the virtual clock with an injected mouse: marking and its
// blend, clicks, dragging, input switches, order, children and animation goals.
#include "GUITestSupport.h"

#include "gui/system/GUISystem.h"
#include "gui/windows/GUIWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Ulvo;
using GUITesting::GUITest;
using GUITesting::Image;

namespace {

// A window node at (x, y) with a pixel size and extra WINDOW_PARAMS content.
std::wstring box(const std::wstring& name, int x, int y, int w, int h, const std::wstring& params = L"",
                 const std::wstring& children = L"", const std::wstring& attributes = L"")
{
    return L"<WINDOW NAME=\"" + name + L"\" " + attributes + L"><WINDOW_PARAMS><GUIRECT><POS_TL X_OFF=\"" +
           std::to_wstring(x) + L"\" Y_OFF=\"" + std::to_wstring(y) + L"\"/><SIZE X_OFF=\"" + std::to_wstring(w) +
           L"\" Y_OFF=\"" + std::to_wstring(h) + L"\"/></GUIRECT>" + params + L"</WINDOW_PARAMS>" + children +
           L"</WINDOW>";
}

struct Recorder : public sigslot::has_slots<> {
    std::vector<std::string> events;
    void clicked(GUIWindow& w) { events.push_back("click " + narrow(w)); }
    void pressed(GUIWindow& w, const bool& taken)
    {
        events.push_back("press " + narrow(w) + (taken ? "" : " ignored"));
    }
    void released(GUIWindow& w, const bool& taken)
    {
        events.push_back("release " + narrow(w) + (taken ? "" : " ignored"));
    }
    void started(GUIWindow&, GUIAnimationsGoal& goal) { events.push_back("start " + narrowName(goal.name)); }
    void reached(GUIWindow&, GUIAnimationsGoal& goal) { events.push_back("reached " + narrowName(goal.name)); }
    static std::string narrowName(const std::wstring& name) { return std::string(name.begin(), name.end()); }
    static std::string narrow(GUIWindow& w) { return narrowName(w.getName()); }
    void watch(GUIWindow* w)
    {
        w->clicked.connect(this, &Recorder::clicked);
        w->leftButton.connect(this, &Recorder::pressed);
        w->leftReleased.connect(this, &Recorder::released);
        w->animationStarted.connect(this, &Recorder::started);
        w->goalReached.connect(this, &Recorder::reached);
    }
};

using Events = std::vector<std::string>;

} // namespace

TEST_F(GUITest, HoverMarksAndFadesTheMarkIn)
{
    GUITesting::solidTexture(L"T_HOVER_BASE", 0xFF000080);
    GUITesting::solidTexture(L"T_HOVER_MARK", 0xFFFFFF00);
    ASSERT_TRUE(loadText(L"<GUI>" +
                         box(L"W_HOVER", 0, 0, 32, 32,
                             L"<DRAWOPTIONS TEX_NORMAL=\"T_HOVER_BASE\" TEX_MARK=\"T_HOVER_MARK\" "
                             L"ACTIVE_BLEND=\"0.25\" INACTIVE_BLEND=\"0.5\"/>") +
                         L"</GUI>"));
    GUIWindow* w = window(L"W_HOVER");
    moveMouse(10, 10);
    EXPECT_EQ(gui().getMarkedWindow(), w);
    EXPECT_TRUE(w->isMarked());
    step(0.125);
    EXPECT_NEAR(w->getMarkBlend(), 0.5, 1e-9);
    // Half of the mark over the base: source-alpha blending of yellow at alpha 128.
    Image half = render(32, 32, 0xFF000000);
    EXPECT_PIXEL(half, 16, 16, GUITesting::blend(0xFFFFFF00, 0xFF000080, 128));
    step(0.125);
    EXPECT_NEAR(w->getMarkBlend(), 1.0, 1e-9);
    EXPECT_NEAR(w->getStateTimes().timeMarked, 0.25, 1e-9);
    Image full = render(32, 32, 0xFF000000);
    EXPECT_PIXEL(full, 16, 16, 0xFFFFFF00);
    // Leaving unmarks; the blend falls over INACTIVE_BLEND.
    moveMouse(200, 200);
    EXPECT_EQ(gui().getMarkedWindow(), nullptr);
    step(0.25);
    EXPECT_NEAR(w->getMarkBlend(), 0.5, 1e-9);
    // A window that appears under a resting mouse is marked at the next update.
    moveMouse(20, 20);
    moveMouse(300, 300);
    w->getGUIRect().position.xOff = 290;
    w->getGUIRect().position.yOff = 290;
    w->updateClientRect();
    step(0.01);
    EXPECT_EQ(gui().getMarkedWindow(), w);
}

TEST_F(GUITest, PressAndReleaseWithinHalfASecondIsOneClick)
{
    ASSERT_TRUE(loadText(L"<GUI>" + box(L"W_CLICK", 0, 0, 50, 50) + box(L"W_OTHER", 100, 0, 50, 50) + L"</GUI>"));
    Recorder recorder;
    recorder.watch(window(L"W_CLICK"));
    moveMouse(10, 10);
    press();
    EXPECT_EQ(gui().getCapturedWindow(), window(L"W_CLICK"));
    step(0.3);
    // The release goes to the captured window even off it.
    moveMouse(120, 10);
    release();
    EXPECT_EQ(recorder.events, (Events{"press W_CLICK", "click W_CLICK", "release W_CLICK"}));
    recorder.events.clear();

    moveMouse(10, 10);
    press();
    step(0.3);
    step(0.3);
    release();
    EXPECT_EQ(recorder.events, (Events{"press W_CLICK", "release W_CLICK"})) << "0.6 s is no click";
}

TEST_F(GUITest, InputSwitchesAndDisabledWindows)
{
    ASSERT_TRUE(loadText(L"<GUI>" +
                         box(L"W_PARENT", 0, 0, 200, 200, L"",
                             box(L"W_TO_PARENT", 0, 0, 50, 50, L"<OPTIONS INPUT_TO_PARENT=\"1\"/>") +
                                 box(L"W_IGNORED", 100, 0, 50, 50, L"<OPTIONS INPUT_IGNORE=\"1\"/>",
                                     box(L"W_UNDER_IGNORED", 0, 0, 20, 20)) +
                                 box(L"W_HIDES_CHILDREN", 0, 100, 50, 50, L"<OPTIONS INPUT_IGNORE=\"2\"/>",
                                     box(L"W_HIDDEN_CHILD", 0, 0, 20, 20)) +
                                 box(L"W_DISABLED", 100, 100, 50, 50, L"<OPTIONS ENABLED=\"0\"/>")) +
                         box(L"W_FRONT", 300, 0, 50, 50) + L"</GUI>"));
    Recorder recorder;
    recorder.watch(window(L"W_PARENT"));
    recorder.watch(window(L"W_TO_PARENT"));
    // A press on a child with INPUT_TO_PARENT is the parent's.
    moveMouse(10, 10);
    press();
    release();
    EXPECT_EQ(recorder.events, (Events{"press W_PARENT", "click W_PARENT", "release W_PARENT"}));
    // INPUT_IGNORE 1: never hit itself, its children are; 2: its children are skipped.
    EXPECT_EQ(gui().getWindowAt(110, 30, GUIWindow::HIT_PRESS), window(L"W_PARENT"));
    EXPECT_EQ(gui().getWindowAt(110, 10, GUIWindow::HIT_PRESS), window(L"W_UNDER_IGNORED"));
    EXPECT_EQ(gui().getWindowAt(10, 110, GUIWindow::HIT_MARK), window(L"W_HIDES_CHILDREN"));
    // A disabled window is marked by a press, but not pressed, captured or brought forward.
    gui().bringToFront(window(L"W_PARENT"));
    gui().sendToBack(window(L"W_PARENT"));
    ASSERT_EQ(gui().windows().front(), window(L"W_PARENT"));
    moveMouse(110, 110);
    press();
    EXPECT_EQ(gui().getMarkedWindow(), window(L"W_DISABLED"));
    EXPECT_EQ(gui().getCapturedWindow(), nullptr);
    EXPECT_EQ(gui().windows().front(), window(L"W_PARENT"));
    release();
    // An invisible window hides its whole subtree from the hit test.
    window(L"W_PARENT")->getOptions().visible = false;
    EXPECT_EQ(gui().getWindowAt(110, 10, GUIWindow::HIT_PRESS), nullptr);
}

TEST_F(GUITest, DraggingMovesTheWindowOrItsParent)
{
    ASSERT_TRUE(loadText(L"<GUI>" + box(L"W_DRAG", 10, 10, 40, 40, L"<OPTIONS MOUSE_MOVE=\"1\"/>") +
                         box(L"W_FRAME", 200, 100, 100, 100, L"",
                             box(L"W_HANDLE", 30, 20, 20, 20, L"<OPTIONS MOUSE_MOVE=\"1\" MOVE_PARENT=\"1\"/>")) +
                         box(L"W_STILL", 400, 10, 40, 40) + L"</GUI>"));
    GUIWindow* drag = window(L"W_DRAG");
    moveMouse(20, 20);
    press();
    moveMouse(45, 30);
    EXPECT_FLOAT_EQ(drag->getScreenRect().left, 35.0f);
    EXPECT_FLOAT_EQ(drag->getScreenRect().top, 20.0f);
    release();
    moveMouse(60, 60);
    EXPECT_FLOAT_EQ(drag->getScreenRect().left, 35.0f) << "no drag without the button";

    // Dragging by the handle moves its parent by exactly the mouse's movement.
    GUIWindow* frame = window(L"W_FRAME");
    GUIWindow* handle = window(L"W_HANDLE");
    moveMouse(235, 125);
    press();
    moveMouse(245, 160);
    EXPECT_FLOAT_EQ(frame->getScreenRect().left, 210.0f);
    EXPECT_FLOAT_EQ(frame->getScreenRect().top, 135.0f);
    EXPECT_FLOAT_EQ(handle->getScreenRect().left, 240.0f);
    release();

    // Without MOUSE_MOVE nothing moves and the mouse does not mark while held.
    moveMouse(410, 20);
    press();
    moveMouse(430, 40);
    EXPECT_FLOAT_EQ(window(L"W_STILL")->getScreenRect().left, 400.0f);
    release();
}

TEST_F(GUITest, LayersOrderSiblingsAndTopLevelWindows)
{
    ASSERT_TRUE(loadText(L"<GUI>" + box(L"W_HIGH", 0, 0, 100, 100, L"<DRAWOPTIONS EBENE=\"1\"/>") +
                         box(L"W_LOW_A", 0, 0, 100, 100) + box(L"W_LOW_B", 0, 0, 100, 100) +
                         box(L"W_SIBLINGS", 200, 0, 100, 100, L"",
                             box(L"C_A", 0, 0, 10, 10) + box(L"C_HIGH", 0, 0, 10, 10, L"<DRAWOPTIONS EBENE=\"1\"/>") +
                                 box(L"C_B", 0, 0, 10, 10)) +
                         L"</GUI>"));
    auto names = [](const std::vector<GUIWindow*>& list) {
        std::vector<std::wstring> out;
        for (GUIWindow* w : list)
            out.push_back(w->getName());
        return out;
    };
    using Names = std::vector<std::wstring>;
    EXPECT_EQ(names(gui().windows()), (Names{L"W_LOW_A", L"W_LOW_B", L"W_SIBLINGS", L"W_HIGH"}));
    EXPECT_EQ(gui().getWindowAt(50, 50, GUIWindow::HIT_PRESS), window(L"W_HIGH"));
    // Bringing forward stays within the layer.
    window(L"W_LOW_A")->bringToFront();
    EXPECT_EQ(names(gui().windows()), (Names{L"W_LOW_B", L"W_SIBLINGS", L"W_LOW_A", L"W_HIGH"}));
    GUIWindow* siblings = window(L"W_SIBLINGS");
    EXPECT_EQ(names(siblings->children()), (Names{L"C_A", L"C_B", L"C_HIGH"}));
    window(L"C_A")->bringToFront();
    EXPECT_EQ(names(siblings->children()), (Names{L"C_B", L"C_A", L"C_HIGH"}));
    EXPECT_EQ(gui().windows()[2], siblings) << "the move climbs to the top level";
    window(L"C_A")->sendToBack();
    EXPECT_EQ(names(siblings->children()), (Names{L"C_A", L"C_B", L"C_HIGH"}));

    // Children: twice refused, an ancestor refused, a move between parents.
    GUIWindow* c = window(L"C_B");
    EXPECT_FALSE(siblings->addChild(c));
    EXPECT_FALSE(c->addChild(siblings));
    GUIWindow* low = window(L"W_LOW_B");
    c->AddRef(); // kept past its removal below
    EXPECT_TRUE(low->addChild(c));
    EXPECT_EQ(c->getParent(), low);
    EXPECT_EQ(names(siblings->children()), (Names{L"C_A", L"C_HIGH"}));
    EXPECT_TRUE(low->removeChild(c));
    EXPECT_FALSE(low->removeChild(c));
    EXPECT_EQ(c->getRefCount(), 1);
    c->Release();
}

TEST_F(GUITest, AnimationGoalsMoveJumpAndSignal)
{
    ASSERT_TRUE(loadText(L"<GUI>" +
                         box(L"W_ANIM", 0, 0, 100, 100,
                             L"<DRAWOPTIONS ALPHA=\"1\"/>"
                             L"<ANIMATION_GOAL NAME=\"AUS\" SPEED=\"2\">"
                             L"<GUIRECT><POS_TL X_OFF=\"200\"/><SIZE X_OFF=\"100\" "
                             L"Y_OFF=\"100\"/></GUIRECT>"
                             L"<DRAWOPTIONS ALPHA=\"0\"/><OPTIONS VISIBLE=\"0\"/>"
                             L"</ANIMATION_GOAL>") +
                         L"</GUI>"));
    GUIWindow* w = window(L"W_ANIM");
    Recorder recorder;
    recorder.watch(w);
    w->startAnimationGoal(L"AUS", 1.0);
    w->startAnimationGoal(L"AUS", 1.0);
    EXPECT_EQ(recorder.events, (Events{"start AUS"})) << "the same goal again does not restart";
    step(0.125); // speed 2: a quarter of the way
    EXPECT_FLOAT_EQ(w->getScreenRect().left, 50.0f);
    EXPECT_NEAR(w->getDrawOptions().alpha, 0.75, 1e-9);
    EXPECT_TRUE(w->getOptions().visible) << "visible while either end is";
    step(0.5);
    EXPECT_FLOAT_EQ(w->getScreenRect().left, 200.0f);
    EXPECT_FALSE(w->getOptions().visible);
    EXPECT_EQ(recorder.events, (Events{"start AUS", "reached AUS"}));
    // Speed factor 0 jumps and emits both signals; an unknown name goes back to the base state.
    recorder.events.clear();
    w->startAnimationGoal(L"BASIS_FEHLT", 0.0);
    EXPECT_EQ(recorder.events.size(), 2u);
    EXPECT_FLOAT_EQ(w->getScreenRect().left, 0.0f);
    EXPECT_TRUE(w->getOptions().visible);
}
