// Docking by the layout managers, and the new layout after the screen changed size.
#include "GUITestSupport.h"

#include "devices/d3d/D3DInitParams.h"
#include "devices/d3d/D3DInterface.h"
#include "gui/layout/GUILayoutManager.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIWindow.h"

#include <gtest/gtest.h>

#include <string>

using namespace Ulvo;
using GUITesting::GUITest;

namespace {

// A 100 x 100 window at (x, 0) with a layout manager and docked children.
std::wstring dockingWindow(const std::wstring& name, int x, const std::wstring& manager, const std::wstring& children)
{
    return L"<WINDOW NAME=\"" + name + L"\"><WINDOW_PARAMS><GUIRECT><POS_TL X_OFF=\"" + std::to_wstring(x) +
           L"\"/><SIZE X_OFF=\"100\" Y_OFF=\"100\"/></GUIRECT><OPTIONS LAYOUTMANAGER=\"" + manager +
           L"\"/></WINDOW_PARAMS>" + children + L"</WINDOW>";
}

std::wstring docked(const std::wstring& name, const std::wstring& where, int w, int h)
{
    return L"<WINDOW NAME=\"" + name + L"\"><WINDOW_PARAMS><GUIRECT><POS_TL X_OFF=\"3\" Y_OFF=\"3\"/><SIZE X_OFF=\"" +
           std::to_wstring(w) + L"\" Y_OFF=\"" + std::to_wstring(h) + L"\"/></GUIRECT><OPTIONS LAYOUT_PARAM=\"" +
           where + L"\"/></WINDOW_PARAMS></WINDOW>";
}

} // namespace

class GUILayout : public GUITest {
protected:
    void expectRect(const std::wstring& name, float left, float top, float right, float bottom)
    {
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        GUIWindow* w = window(name);
        ASSERT_NE(w, nullptr);
        EXPECT_FLOAT_EQ(w->getScreenRect().left, left);
        EXPECT_FLOAT_EQ(w->getScreenRect().top, top);
        EXPECT_FLOAT_EQ(w->getScreenRect().right, right);
        EXPECT_FLOAT_EQ(w->getScreenRect().bottom, bottom);
    }
};

TEST_F(GUILayout, DockingTakesTheFreeAreaInChildOrder)
{
    ASSERT_TRUE(loadText(L"<GUI>" +
                         dockingWindow(L"L_TTF", 0, L"DEFAULT",
                                       docked(L"L_TOP1", L"TOP", 5, 10) + docked(L"L_TOP2", L"TOP", 5, 20) +
                                           docked(L"L_FILL", L"FILL", 5, 5)) +
                         dockingWindow(L"L_AFTER", 200, L"DEFAULT",
                                       docked(L"L_RIGHT", L"RIGHT", 10, 5) + docked(L"L_BOTTOM", L"BOTTOM", 5, 15) +
                                           docked(L"L_FILL2", L"FILL", 5, 5) + docked(L"L_TOP3", L"TOP", 5, 10) +
                                           docked(L"L_LEFT", L"LEFT", 7, 5) + docked(L"L_CENTER", L"CENTER", 5, 5)) +
                         dockingWindow(L"L_NONE", 400, L"DEFAULT_USEOFFSET", docked(L"L_STAYS", L"TOP", 5, 10)) +
                         L"</GUI>"));
    expectRect(L"L_TOP1", 0, 0, 100, 10);
    expectRect(L"L_TOP2", 0, 10, 100, 30);
    expectRect(L"L_FILL", 0, 30, 100, 100);

    expectRect(L"L_RIGHT", 290, 0, 300, 100);
    expectRect(L"L_BOTTOM", 200, 85, 290, 100);
    expectRect(L"L_FILL2", 200, 0, 290, 85);
    // After a FILL the free width is gone: TOP gets none (and still takes its height), LEFT keeps
    // its own width at the free edge, over the FILL child.
    expectRect(L"L_TOP3", 200, 0, 200, 10);
    expectRect(L"L_LEFT", 200, 10, 207, 85);
    expectRect(L"L_CENTER", 203, 3, 208, 8);
    // Only the exact (misspelt) name selects the scrolling variant; this one selects none.
    expectRect(L"L_STAYS", 403, 3, 408, 13);
}

TEST_F(GUILayout, ScrollingVariantMovesDockedChildren)
{
    ASSERT_TRUE(loadText(L"<GUI>" +
                         dockingWindow(L"S_PANEL", 0, L"DEFAULT_USEOFFEST",
                                       docked(L"S_TOP", L"TOP", 5, 40) + docked(L"S_RIGHT", L"RIGHT", 10, 5)) +
                         L"</GUI>"));
    expectRect(L"S_TOP", 0, 0, 100, 40);
    expectRect(L"S_RIGHT", 90, 40, 100, 100);
    GUILayoutManager::setScrollOffset(0.0f, -40.0f);
    window(L"S_PANEL")->updateClientRect();
    GUILayoutManager::setScrollOffset(0.0f, 0.0f);
    expectRect(L"S_TOP", 0, -40, 100, 0);
    expectRect(L"S_RIGHT", 90, 0, 100, 60);
}

TEST_F(GUILayout, DeviceResetLaysOutForTheNewScreen)
{
    ASSERT_TRUE(loadText(L"<GUI><WINDOW NAME=\"R_ROOT\"><WINDOW_PARAMS><GUIRECT><POS_TL/><POS_BR X_REL=\"1\" "
                         L"Y_REL=\"1\"/></GUIRECT><OPTIONS LAYOUTMANAGER=\"DEFAULT\"/></WINDOW_PARAMS>" +
                         docked(L"R_BAR", L"TOP", 5, 30) +
                         L"<WINDOW NAME=\"R_CORNER\"><WINDOW_PARAMS><GUIRECT><POS_BR X_REL=\"1\" Y_REL=\"1\"/>"
                         L"<SIZE X_OFF=\"50\" Y_OFF=\"20\"/></GUIRECT><OPTIONS USABLE_FOR_LAYOUTMANAGER=\"0\" "
                         L"LAYOUT_PARAM=\"FILL\"/></WINDOW_PARAMS></WINDOW>"
                         L"</WINDOW></GUI>"));
    expectRect(L"R_BAR", 0, 0, 640, 30);
    expectRect(L"R_CORNER", 590, 460, 640, 480);

    D3DInterface* d3d = D3DInterface::getInstance();
    D3DDISPLAYMODE* mode = d3d->getInitParams()->getDisplayMode();
    const D3DDISPLAYMODE saved = *mode;
    mode->Width = 800;
    mode->Height = 600;
    d3d->setPresenterParams(d3d->getPresentParams());
    expectRect(L"R_BAR", 0, 0, 800, 30);
    expectRect(L"R_CORNER", 750, 580, 800, 600);
    *mode = saved;
    d3d->setPresenterParams(d3d->getPresentParams());
    expectRect(L"R_CORNER", 590, 460, 640, 480);
}
