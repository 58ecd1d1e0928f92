// Menu levels follow the menus: a level turns on with its own menus and off with
// others unless the new menu's level depends on it; turned on from outside it
// opens its first menu; SUB_MENUES move top-level windows under its window.
#include "GUITestSupport.h"

#include "foundation/xml/XMLNode.h"
#include "gui/menus/GUIMenu.h"
#include "gui/menus/GUIMenuManager.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIWindow.h"
#include "support/LogCapture.h"
#include "threematch/screens/MenuEbene.h"
#include "threematch/screens/MenuEbenenManager.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace Ulvo;
using ThreeMatch::MenuEbene;
using ThreeMatch::MenuEbenenManager;

namespace {

class MenuEbeneTest : public GUITesting::GUITest {
protected:
    void TearDown() override
    {
        levels().clear();
        GUIMenuManager::getInstance()->clear();
        GUITest::TearDown();
    }
    static MenuEbenenManager& levels() { return *MenuEbenenManager::getInstance(); }
    static GUIMenuManager& menus() { return *GUIMenuManager::getInstance(); }
    // The menus and levels read from text, as from "data\menues.menu" and its menu file.
    void loadLevels(const std::wstring& menuFile, const std::wstring& levelFile)
    {
        XMLNode menuRoot;
        ASSERT_TRUE(XMLNode::load(&menuRoot, menuFile, 1));
        menus().load(menuRoot);
        XMLNode levelRoot;
        ASSERT_TRUE(XMLNode::load(&levelRoot, levelFile, 1));
        levels().loadMenuEbenen(levelRoot);
    }
    void show(const wchar_t* menu, bool hideOthers)
    {
        menus().getMenu(menu)->show(1.0, true, hideOthers);
        menus().update();
        step(1.0);
    }
    bool on(const wchar_t* level) { return levels().isActive(level); }
    bool visible(const wchar_t* name) { return window(name)->getOptions().visible; }
};

std::wstring screen(const std::wstring& name, const std::wstring& children = L"")
{
    return L"<WINDOW NAME=\"" + name +
           L"\"><WINDOW_PARAMS><GUIRECT><POS_TL/><SIZE X_OFF=\"100\" Y_OFF=\"100\"/></GUIRECT>"
           L"<ANIMATION_GOAL NAME=\"AN\" INTERPOLATE_GUIRECTS=\"0\"/>"
           L"<ANIMATION_GOAL NAME=\"AUS\" INTERPOLATE_GUIRECTS=\"0\"><OPTIONS VISIBLE=\"0\"/></ANIMATION_GOAL>"
           L"</WINDOW_PARAMS>" +
           children + L"</WINDOW>";
}

} // namespace

TEST_F(MenuEbeneTest, LevelsSwitchWithTheirMenus)
{
    LogCapture log;
    ASSERT_TRUE(loadText(L"<GUI>" + screen(L"LEVEL_MAIN", screen(L"INNER")) + screen(L"PANEL_A") +
                         screen(L"LEVEL_GAME") + screen(L"SHOWN_WITH_GAME") + screen(L"HIDDEN_WITH_GAME") + L"</GUI>"));
    loadLevels(
        L"<MENUES><GUIMENU NAME=\"HAUPT\"/><GUIMENU NAME=\"OPT\"/><GUIMENU NAME=\"GAME\"/>"
        L"<GUIMENU NAME=\"HELP\"/><GUIMENU NAME=\"FREMD\"/></MENUES>",
        L"<MENUES>"
        L"<MENU_EBENE NAME=\"L_MAIN\" GUI=\"LEVEL_MAIN\" MENU_ID=\"1\">"
        L"<SUB_MENUES>\"|PANEL_A|\" \"|INNER|\"</SUB_MENUES>"
        L"<LINKED_MENUES>\"|HAUPT|\" \"|OPT|\" \"|UNBEKANNT|\"</LINKED_MENUES></MENU_EBENE>"
        L"<MENU_EBENE NAME=\"L_GAME\" GUI=\"LEVEL_GAME\" MENU_ID=\"2\">"
        L"<PROPAGATE_ON>\"|SHOWN_WITH_GAME|\"</PROPAGATE_ON><PROPAGATE_OFF>\"|HIDDEN_WITH_GAME|\"</PROPAGATE_OFF>"
        L"<LINKED_MENUES>\"|GAME|\"</LINKED_MENUES></MENU_EBENE>"
        L"<MENU_EBENE NAME=\"L_HELP\" DEP_ID=\"2\"><SUB_MENUES>\"|LEVEL_GAME|\"</SUB_MENUES>"
        L"<LINKED_MENUES>\"|HELP|\"</LINKED_MENUES></MENU_EBENE>"
        L"</MENUES>");
    ASSERT_EQ(levels().getLevels().size(), 3u);
    EXPECT_EQ(window(L"PANEL_A")->getParent(), window(L"LEVEL_MAIN")) << "moved under the level's window";
    std::vector<GUIWindow*> top;
    gui().getWindows(top);
    EXPECT_EQ(std::count(top.begin(), top.end(), window(L"PANEL_A")), 0);
    EXPECT_EQ(window(L"LEVEL_GAME")->getParent(), nullptr) << "a level without a window moves nothing";
    const std::string text = log.text();
    EXPECT_NE(text.find("INNER (SUB_MENUES)"), std::string::npos) << "no top-level window of that name";
    EXPECT_NE(text.find("UNBEKANNT"), std::string::npos);

    show(L"HAUPT", true);
    EXPECT_TRUE(on(L"L_MAIN"));
    EXPECT_TRUE(visible(L"LEVEL_MAIN"));
    EXPECT_EQ(levels().getCurrentLevel(), levels().getLevel(L"L_MAIN"));
    show(L"OPT", true);
    EXPECT_TRUE(on(L"L_MAIN")) << "its other menu keeps it on";
    show(L"GAME", true);
    EXPECT_FALSE(on(L"L_MAIN"));
    EXPECT_FALSE(visible(L"LEVEL_MAIN"));
    EXPECT_TRUE(on(L"L_GAME"));
    EXPECT_TRUE(visible(L"SHOWN_WITH_GAME"));
    // The help level depends on the game's: over it, the game stays on.
    show(L"HELP", false);
    EXPECT_TRUE(on(L"L_HELP"));
    EXPECT_TRUE(on(L"L_GAME"));
    show(L"FREMD", true);
    EXPECT_FALSE(on(L"L_GAME"));
    EXPECT_FALSE(on(L"L_HELP"));
    EXPECT_FALSE(visible(L"HIDDEN_WITH_GAME"));

    // Turned on from outside, a level opens its first menu, once.
    const std::size_t before = menus().getHistory().size();
    levels().getLevel(L"L_MAIN")->setActive(true, 1.0);
    EXPECT_EQ(menus().getActiveMenu()->getName(), L"HAUPT");
    EXPECT_EQ(menus().getHistory().size(), before + 1);
    EXPECT_TRUE(on(L"L_MAIN"));
    EXPECT_FALSE(levels().isActive(L"KEINE_EBENE"));
}

TEST_F(MenuEbeneTest, MenuAndGuiFilesNeverReadOutsideTheData)
{
    TestSupport::TempDir dir;
    const std::filesystem::path data = dir / "run";
    std::filesystem::create_directories(data);
    TestSupport::writeBytes(dir / "evil.gui", TestSupport::utf16le(L"<GUI>" + screen(L"EVIL") + L"</GUI>", true));
    TestSupport::ScopedCwd cwd(data);
    const std::wstring outside = (dir / "evil.gui").wstring();
    std::string log;
    {
        LogCapture capture;
        XMLNode root;
        ASSERT_TRUE(XMLNode::load(&root,
                                  L"<MENUES><GUI FILE=\"..\\evil.gui\"/><GUI FILE=\"" + outside +
                                      L"\"/><GUIMENU FILE=\"../evil.gui\"/></MENUES>",
                                  1));
        levels().loadMenuEbenen(root);
        XMLNode gui;
        ASSERT_TRUE(XMLNode::load(&gui, L"<GUI><TEXTURES FILE=\"/etc/passwd\"/></GUI>", 1));
        GUISystem::getInstance()->load(&gui);
        log = capture.text();
    }
    EXPECT_EQ(GUISystem::getInstance()->getWindow(L"EVIL"), nullptr);
    EXPECT_NE(log.find("..\\evil.gui leads out of the data folders"), std::string::npos) << log;
    EXPECT_NE(log.find("/etc/passwd leads out of the data folders"), std::string::npos) << log;
}
