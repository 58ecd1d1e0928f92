// Menus on the virtual clock with injected mouse and keys: fading between two
// screens through "AN" and "AUS", Escape back through the history, click links,
// activation one update late, the history walk with its skip list and bounds, and
// malformed menu files that are logged and never hang.
#include "widgets/WidgetTesting.h"

#include "devices/input/Input.h"
#include "devices/input/Inputmanager.h"
#include "devices/input/KeyState.h"
#include "devices/input/TastaturLayoutManager.h"
#include "foundation/xml/XMLNode.h"
#include "gui/menus/GUIMenu.h"
#include "gui/menus/GUIMenuLink.h"
#include "gui/menus/GUIMenuManager.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIWindow.h"
#include "support/LogCapture.h"

#include <dinput.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Ulvo;
using WidgetTesting::fadeGoals;
using WidgetTesting::widget;

namespace {

class MenuTest : public WidgetTesting::WidgetTest {
protected:
    void SetUp() override
    {
        WidgetTest::SetUp();
        menus().connectInput(&keys, Inputmanager::getInstance());
        menus().menuChanged.connect(&changes, &Changes::changed);
    }

    static GUIMenuManager& menus() { return *GUIMenuManager::getInstance(); }
    bool loadMenus(const std::wstring& text)
    {
        XMLNode root;
        if (!XMLNode::load(&root, text, 1))
            return false;
        menus().load(root);
        menus().resolveLinks();
        return true;
    }
    // One frame as the game runs it: the menus take their pending state, then the GUI updates.
    void frame(double seconds)
    {
        menus().update();
        step(seconds);
    }
    void key(unsigned char code) { keys.keyPressed.emit(keys, code); }
    std::vector<std::wstring> history() const
    {
        std::vector<std::wstring> names;
        for (const GUIMenu* menu : menus().getHistory())
            names.push_back(menu->getName());
        return names;
    }

    struct Changes : public sigslot::has_slots<> {
        std::vector<std::wstring> events;
        void changed(GUIMenu* previous, GUIMenu* current)
        {
            events.push_back((previous ? previous->getName() : L"-") + L">" + (current ? current->getName() : L"-"));
        }
    } changes;
    KeyState keys;
};

struct Clicks : public sigslot::has_slots<> {
    int count = 0;
    void clicked(GUIWindow&) { ++count; }
};

const std::wstring kScreens =
    L"<GUI>" +
    widget(L"WINDOW", L"W_MAIN", 0, 0, 300, 200, fadeGoals(),
           widget(L"BUTTON", L"B_OPTIONS", 10, 10, 100, 30) + widget(L"BUTTON", L"B_OK", 10, 60, 100, 30)) +
    widget(L"WINDOW", L"W_OPT", 320, 0, 300, 200, fadeGoals()) + L"</GUI>";

} // namespace

TEST_F(MenuTest, OptionsFadeInAndEscapeGoesBack)
{
    ASSERT_TRUE(loadText(kScreens));
    ASSERT_TRUE(loadMenus(L"<MENUES SPEED=\"0\" ACTIVE_MENU=\"MAIN\">"
                          L"<GUIMENU NAME=\"MAIN\"><LINK CLICK_WINDOW=\"B_OPTIONS\" DST_MENU=\"OPTIONS\"/>"
                          L"<GUI_WINDOWS>\"|W_MAIN|\"</GUI_WINDOWS></GUIMENU>"
                          L"<GUIMENU NAME=\"OPTIONS\"><LINK KEY_PRESSED=\"1\"><DST_MENU_DELTA DST_MENU_DELTA=\"-1\"/>"
                          L"</LINK><GUI_WINDOWS>\"|W_OPT|\"</GUI_WINDOWS></GUIMENU></MENUES>"));
    GUIWindow* main = window(L"W_MAIN");
    GUIWindow* options = window(L"W_OPT");
    EXPECT_TRUE(main->getOptions().visible) << "SPEED 0 shows the start menu at once";
    EXPECT_DOUBLE_EQ(main->getDrawOptions().alpha, 1.0);
    EXPECT_FALSE(options->getOptions().visible);
    EXPECT_EQ(history(), std::vector<std::wstring>{L"MAIN"});
    frame(0.02);

    moveMouse(50, 25);
    press();
    step(0.05);
    release();
    EXPECT_EQ(menus().getActiveMenu()->getName(), L"OPTIONS");
    // Both screens fade over half a second (SPEED 2): halfway both are visible.
    frame(0.25);
    EXPECT_NEAR(options->getDrawOptions().alpha, 0.5, 0.06);
    EXPECT_NEAR(main->getDrawOptions().alpha, 0.5, 0.06);
    EXPECT_TRUE(options->getOptions().visible && main->getOptions().visible);
    frame(0.3);
    EXPECT_DOUBLE_EQ(options->getDrawOptions().alpha, 1.0);
    EXPECT_FALSE(main->getOptions().visible);

    key(DIK_ESCAPE);
    frame(1.0);
    EXPECT_TRUE(main->getOptions().visible);
    EXPECT_FALSE(options->getOptions().visible);
    EXPECT_EQ(history(), (std::vector<std::wstring>{L"MAIN", L"OPTIONS", L"MAIN"}));
    EXPECT_EQ(changes.events, (std::vector<std::wstring>{L"->MAIN", L"MAIN>OPTIONS", L"OPTIONS>MAIN"}));
    // The options menu stopped reacting at the update after it was left.
    key(DIK_ESCAPE);
    EXPECT_EQ(history().size(), 3u);
}

TEST_F(MenuTest, APressIsTakenByTheMenuInFrontOnly)
{
    // A help text shown over a dialog: both are active, both have a link on Enter.
    ASSERT_TRUE(loadText(kScreens));
    ASSERT_TRUE(loadMenus(L"<MENUES SPEED=\"0\" ACTIVE_MENU=\"MAIN\">"
                          L"<GUIMENU NAME=\"MAIN\"><LINK KEY_PRESSED=\"28\" DST_MENU=\"OPTIONS\"/>"
                          L"<GUI_WINDOWS>\"|W_MAIN|\"</GUI_WINDOWS></GUIMENU>"
                          L"<GUIMENU NAME=\"HELP\"><LINK KEY_PRESSED=\"28\"><DST_MENU_DELTA DST_MENU_DELTA=\"-1\"/>"
                          L"</LINK></GUIMENU>"
                          L"<GUIMENU NAME=\"OPTIONS\"><GUI_WINDOWS>\"|W_OPT|\"</GUI_WINDOWS></GUIMENU></MENUES>"));
    frame(0.02);
    menus().getMenu(L"HELP")->show(1.0, true, false);
    frame(0.02);
    ASSERT_TRUE(menus().getMenu(L"MAIN")->isActive() && menus().getMenu(L"HELP")->isActive());

    key(DIK_RETURN);
    frame(0.02);
    EXPECT_EQ(history(), (std::vector<std::wstring>{L"MAIN", L"HELP", L"MAIN"}));
    // The next press belongs to the dialog again.
    key(DIK_RETURN);
    EXPECT_EQ(menus().getActiveMenu()->getName(), L"OPTIONS");
}

TEST_F(MenuTest, APressJustAsAMenuOpensInFrontIsNotTakenByTheOneBehind)
{
    // A help text opens over a running screen whose Escape pauses; the key comes before the
    // next update makes the help active.
    ASSERT_TRUE(loadText(kScreens));
    ASSERT_TRUE(loadMenus(L"<MENUES SPEED=\"0\" ACTIVE_MENU=\"MAIN\">"
                          L"<GUIMENU NAME=\"MAIN\"><LINK KEY_PRESSED=\"1\" DST_MENU=\"OPTIONS\"/>"
                          L"<GUI_WINDOWS>\"|W_MAIN|\"</GUI_WINDOWS></GUIMENU>"
                          L"<GUIMENU NAME=\"HELP\"><LINK KEY_PRESSED=\"1\"><DST_MENU_DELTA DST_MENU_DELTA=\"-1\"/>"
                          L"</LINK></GUIMENU>"
                          L"<GUIMENU NAME=\"OPTIONS\"><GUI_WINDOWS>\"|W_OPT|\"</GUI_WINDOWS></GUIMENU></MENUES>"));
    frame(0.02);
    menus().getMenu(L"HELP")->show(1.0, true, false);
    key(DIK_ESCAPE);
    frame(0.02);
    EXPECT_EQ(history(), (std::vector<std::wstring>{L"MAIN", L"HELP"})) << "the screen behind kept the key";
    key(DIK_ESCAPE);
    frame(0.02);
    EXPECT_EQ(history(), (std::vector<std::wstring>{L"MAIN", L"HELP", L"MAIN"}));
}

TEST_F(MenuTest, ClickLinksActivationAndSharedWindows)
{
    // A key named in the active keyboard layout replaces the code given beside it.
    XMLNode layouts;
    ASSERT_TRUE(XMLNode::load(&layouts,
                              L"<TASTATUR_LAYOUTS><TASTATUR_LAYOUT NAME=\"Test\">"
                              L"<KEY KEY_NAME=\"DIK_SPACE\" STRING=\"Leertaste\" KEY_TYPE=\"KT_SONDER\"/>"
                              L"</TASTATUR_LAYOUT></TASTATUR_LAYOUTS>",
                              1));
    TastaturLayoutManager::getInstance()->load(layouts);
    ASSERT_TRUE(loadText(kScreens));
    ASSERT_TRUE(loadMenus(L"<MENUES>"
                          L"<GUIMENU NAME=\"A\" SPEED_MODIFIER=\"0\">"
                          L"<LINK TYPE=\"CLICK\" KEY_PRESSED=\"28\" CLICK_WINDOW=\"B_OK\" CLICK_ON_MENU=\"B_OK\"/>"
                          L"<LINK CLICK_WINDOW=\"B_OPTIONS\" USE_CLICK=\"0\" DST_MENU=\"B\"/>"
                          L"<LINK INPUT_NAME=\"WEITER\" DST_MENU=\"B\"/>"
                          L"<LINK NAME=\"SPACE\" KEY_PRESSED=\"28\" KEY_PRESSED_STRING=\"Leertaste\"/>"
                          L"<GUI_WINDOWS>\"|W_MAIN|\"</GUI_WINDOWS></GUIMENU>"
                          L"<GUIMENU NAME=\"B\"><LINK CLICK_WINDOW=\"B_OK\" DST_MENU=\"A\"/>"
                          L"<GUI_WINDOWS>\"|W_MAIN|\" \"|W_OPT|\"</GUI_WINDOWS></GUIMENU></MENUES>"));
    GUIMenu* a = menus().getMenu(L"A");
    GUIMenu* b = menus().getMenu(L"B");
    EXPECT_EQ(a->getLinks().back()->getKey(), DIK_SPACE);
    Clicks clicks;
    window(L"B_OK")->clicked.connect(&clicks, &Clicks::clicked);
    a->show(1.0, true, false);
    EXPECT_TRUE(window(L"W_MAIN")->getOptions().visible) << "SPEED_MODIFIER 0 jumps to AN";
    key(DIK_RETURN);
    EXPECT_EQ(clicks.count, 0) << "a menu reacts from the next update on";
    menus().update();
    key(DIK_RETURN);
    EXPECT_EQ(clicks.count, 1) << "the click link clicks B_OK";
    EXPECT_EQ(menus().getActiveMenu(), a) << "B's link on B_OK is not followed while B is inactive";
    // A click on B_OK itself never fires the click link; USE_CLICK 0 never fires on clicks.
    moveMouse(20, 70);
    press();
    release();
    moveMouse(20, 20);
    press();
    release();
    EXPECT_EQ(clicks.count, 2);
    EXPECT_EQ(menus().getActiveMenu(), a);
    // A named input binding fires its link.
    Input next(L"WEITER", nullptr, nullptr);
    Inputmanager::getInstance()->inputActivated.emit(next);
    EXPECT_EQ(menus().getActiveMenu(), b);
    // Switching to the current menu appends nothing but is announced.
    changes.events.clear();
    menus().switchMenu(b, false);
    EXPECT_EQ(changes.events, std::vector<std::wstring>{L"B>B"});
    EXPECT_EQ(history(), (std::vector<std::wstring>{L"A", L"B"}));
}

TEST_F(MenuTest, HistoryWalkSkipsAndStaysBounded)
{
    ASSERT_TRUE(loadMenus(L"<MENUES><GUIMENU NAME=\"M1\"/><GUIMENU NAME=\"M2\"/><GUIMENU NAME=\"M3\">"
                          L"<LINK NAME=\"SKIP\"><DST_MENU_DELTA DST_MENU_DELTA=\"-1\">\"|M2|\"</DST_MENU_DELTA></LINK>"
                          L"<LINK NAME=\"PLAIN\"><DST_MENU_DELTA DST_MENU_DELTA=\"-1\"/></LINK>"
                          L"<LINK NAME=\"FAR\"><DST_MENU_DELTA DST_MENU_DELTA=\"-3\"/></LINK>"
                          L"<LINK NAME=\"DEPTH0\"><DST_MENU_DELTA DST_MENU_DELTA=\"-1\" MAX_SKIP_DEPTH=\"0\">\"|M2|\""
                          L"</DST_MENU_DELTA></LINK>"
                          L"<LINK NAME=\"STEP0\"><DST_MENU_DELTA DST_MENU_DELTA=\"-1\" SKIP_STEP=\"0\">\"|M2|\""
                          L"</DST_MENU_DELTA></LINK>"
                          L"</GUIMENU></MENUES>"));
    for (const wchar_t* name : {L"M1", L"M2", L"M3"})
        menus().getMenu(name)->show(0.0, true, true);
    const std::vector<GUIMenuLink*>& links = menus().getMenu(L"M3")->getLinks();
    ASSERT_EQ(links.size(), 5u);
    auto target = [](const GUIMenuLink* link) {
        const GUIMenu* menu = link->findInHistory();
        return menu ? menu->getName() : std::wstring(L"-");
    };
    EXPECT_EQ(target(links[0]), L"M1");
    EXPECT_EQ(target(links[1]), L"M2");
    EXPECT_EQ(target(links[2]), L"-") << "beyond the start of the history";
    EXPECT_EQ(target(links[3]), L"M2") << "a depth of 0 takes the first candidate";
    EXPECT_EQ(target(links[4]), L"M2") << "a step of 0 ends at once instead of 2^31 times";
    // A step back appends what it shows.
    links[1]->follow();
    EXPECT_EQ(history(), (std::vector<std::wstring>{L"M1", L"M2", L"M3", L"M2"}));
    // The history keeps the last 256 switches.
    for (int i = 0; i < 300; ++i)
        menus().switchMenu(menus().getMenu(i % 2 ? L"M1" : L"M3"), false);
    EXPECT_EQ(menus().getHistory().size(), GUIMenuManager::MAX_HISTORY);
}

TEST_F(MenuTest, MalformedMenuFilesAreLoggedAndNeverHang)
{
    LogCapture log;
    ASSERT_TRUE(loadText(kScreens));
    ASSERT_TRUE(loadMenus(L"<MENUES ACTIVE_MENU=\"GIBT_ES_NICHT\" UNBEKANNT=\"1\">"
                          L"<GUIMENU NAME=\"A\"><LINK DST_MENU=\"NIRGENDS\" CLICK_WINDOW=\"B_OK\"/>"
                          L"<LINK KEY_PRESSED=\"1\" DST_MENU=\"B\"/>"
                          L"<LINK KEY_PRESSED_STRING=\"KEINE_TASTE\" DST_MENU=\"B\"/>"
                          L"<GUI_WINDOWS>\"|W_MAIN|\" \"|FEHLT|\" \"|W_MAIN|\" \"|B_OK|\"</GUI_WINDOWS></GUIMENU>"
                          L"<GUIMENU NAME=\"B\"><LINK KEY_PRESSED=\"1\"><DST_MENU_DELTA DST_MENU_DELTA=\"-1\"/></LINK>"
                          L"<LINK KEY_PRESSED=\"1\" DST_MENU=\"A\"/></GUIMENU></MENUES>"));
    const std::string text = log.text();
    for (const char* expected : {"ACTIVE_MENU GIBT_ES_NICHT", "Zielmenue NIRGENDS", "KEINE_TASTE", "Fenster FEHLT",
                                 "W_MAIN doppelt", "B_OK hat nicht beide Ziele", "UNBEKANNT"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    EXPECT_EQ(menus().getMenu(L"A")->getWindows().size(), 2u);
    // Unresolved links do nothing; back links that lead into each other alternate.
    GUIMenu* a = menus().getMenu(L"A");
    a->show(0.0, true, false);
    menus().update();
    moveMouse(20, 70);
    press();
    release();
    EXPECT_EQ(menus().getActiveMenu(), a);
    for (int i = 0; i < 20; ++i) {
        key(DIK_ESCAPE);
        menus().update();
    }
    EXPECT_LE(menus().getHistory().size(), GUIMenuManager::MAX_HISTORY);
    // A window destroyed under a menu leaves its list.
    gui().clear();
    EXPECT_TRUE(a->getWindows().empty());
    a->hide(1.0, true);
}
