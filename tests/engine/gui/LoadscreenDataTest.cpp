// The loading screen of the built runtime folder loads through the file layer and the
// GUI system, with the windows and pictures the game looks up.
#include "GUITestSupport.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2D.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIWindow.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace Ulvo;
using GUITesting::GUITest;
using GUITesting::Image;

TEST_F(GUITest, LoadingScreenHasItsWindowsAndPictures)
{
    const int logs = logSwitch();
    logSwitch() = 0;
    {
        TestSupport::ScopedCwd cwd(TestSupport::runtimeDir());
        XMLNode root;
        ASSERT_TRUE(XMLNode::load(&root, L"data\\GUI\\Loadscreen.gui", 0));
        ASSERT_TRUE(gui().load(&root));
    }
    logSwitch() = logs;

    GUIWindow* screens = window(L"LoadingScreens");
    ASSERT_NE(screens, nullptr);
    GUIWindow* splash = screens->findWindow(L"L_SplashScreen");
    ASSERT_NE(splash, nullptr);
    EXPECT_FALSE(splash->getOptions().visible) << "shown only while the game redraws it";
    GUIWindow* progress = splash->findWindow(L"LS_SplashProgress");
    ASSERT_NE(progress, nullptr);
    EXPECT_FLOAT_EQ(splash->getScreenRect().right, static_cast<float>(GUITesting::kScreenWidth));
    EXPECT_FLOAT_EQ(progress->getScreenRect().left, 160.0f);
    EXPECT_FLOAT_EQ(progress->getScreenRect().right, 480.0f);
    EXPECT_FLOAT_EQ(progress->getScreenRect().bottom, 480.0f * 0.92f);

    for (GUIWindow* w : {splash, progress}) {
        Texture2D* texture = w->getDrawOptions().getTexture(GUIDrawOptions::TEX_NORMAL);
        ASSERT_NE(texture, nullptr) << "no picture for " << std::string(w->getName().begin(), w->getName().end());
        EXPECT_GT(texture->getWidth(), 0u);
    }
    EXPECT_EQ(progress->getDrawOptions().getTexture(GUIDrawOptions::TEX_NORMAL)->getName(), L"LS_BALKEN")
        << "the bar's look comes from its template";

    // It never takes the mouse, so a press on empty screen cannot bring it in front of menus.
    EXPECT_EQ(gui().getWindowAt(320, 240, GUIWindow::HIT_PRESS), nullptr);
    EXPECT_EQ(gui().getWindowAt(320, 240, GUIWindow::HIT_MARK), nullptr);

    // Hidden, the loading screen draws nothing; shown, its picture covers the screen.
    const Image hidden = render(64, 48, 0xFF000000);
    EXPECT_PIXEL(hidden, 32, 24, 0xFF000000);
    splash->getOptions().visible = true;
    const Image shown = render(64, 48, 0xFF000000);
    EXPECT_NE(shown.at(32, 24), 0xFF000000u);
}
