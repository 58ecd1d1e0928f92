// The menu screens of the built runtime folder, loaded as the game loads them: every menu and
// window the game names, and the main menu, the options and a help page drawn as the player
// sees them (golden images at half size), reached with the injected mouse and keys.
#include "GUITestSupport.h"

#include "devices/d3d/D3DInterface.h"
#include "devices/input/KeyState.h"
#include "foundation/UlvoEngine.h"
#include "foundation/logging/Logger.h"
#include "foundation/text/TextManager.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/fonts/D3DXFontInterface.h"
#include "graphics/sprites/D3DXSprite.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/TextureManager.h"
#include "gui/menus/GUIMenu.h"
#include "gui/menus/GUIMenuLink.h"
#include "gui/menus/GUIMenuManager.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUIButton.h"
#include "gui/widgets/GUICheckboxButton.h"
#include "gui/widgets/GUIFrame.h"
#include "gui/widgets/GUILabel.h"
#include "gui/widgets/GUIScrollPanel.h"
#include "gui/widgets/GUISlider.h"
#include "gui/widgets/GUITooltip.h"
#include "support/TestSupport.h"
#include "threematch/screens/MenuEbene.h"
#include "threematch/screens/MenuEbenenManager.h"

#include <dinput.h>
#include <gtest/gtest.h>

#include <cstdlib>

using namespace Ulvo;
using GUITesting::Image;
using ThreeMatch::MenuEbenenManager;

namespace {

class ScreensTest : public GUITesting::GUITest {
protected:
    void SetUp() override
    {
        GUITest::SetUp();
        m_logs = logSwitch();
        logSwitch() = 0;
        menus().connectInput(&keys, nullptr);
        TestSupport::ScopedCwd cwd(TestSupport::runtimeDir());
        D3DXFontInterface* fonts = D3DXFontInterface::getInstance();
        fonts->releaseEverything();
        XMLNode document;
        ASSERT_TRUE(XMLNode::load(&document, L"data\\font.fnt", 0));
        fonts->loadFonts(&document);
        fonts->createAllFonts();
        document.clear();
        ASSERT_TRUE(XMLNode::load(&document, L"data\\texte.lng", 0));
        UlvoEngine::getInstance()->getTextManager()->load(&document);
        // The landscape the game shows behind its menus.
        backdrop =
            D3DInterface::getInstance()->getTextureManager()->getTexture2DFromFile(L"data\\Backgrounds\\bg3.png");
        document.clear();
        ASSERT_TRUE(XMLNode::load(&document, L"data\\menues.menu", 0));
        MenuEbenenManager::getInstance()->loadMenuEbenen(document);
        menus().resolveLinks();
        frames(1.5);
    }
    void TearDown() override
    {
        MenuEbenenManager::getInstance()->clear();
        menus().clear();
        menus().connectInput(nullptr, nullptr);
        GUITest::TearDown();
        D3DXFontInterface::getInstance()->releaseEverything();
        logSwitch() = m_logs;
    }

    static GUIMenuManager& menus() { return *GUIMenuManager::getInstance(); }
    // Frames of the game's loop: the menus, then the GUI, 25 per second.
    void frames(double seconds)
    {
        for (double t = 0.0; t < seconds; t += 0.04) {
            menus().update();
            step(0.04);
        }
    }
    void click(GUIWindow* target)
    {
        ASSERT_NE(target, nullptr);
        const FloatRect& r = target->getScreenRect();
        moveMouse((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        press();
        step(0.04);
        release();
        frames(0.6);
    }
    // The screen over the landscape, at half size (each pixel the mean of four).
    Image screen()
    {
        IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice();
        GraphicsTesting::ScopedTarget target(device, GUITesting::kScreenWidth, GUITesting::kScreenHeight);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        D3DXSprite* sprite = gui().getSprite();
        if (backdrop && sprite && sprite->Begin(D3DXSPRITE_ALPHABLEND)) {
            sprite->drawRegion(backdrop, nullptr, RECT{0, 0, 640, 480}, 4, 4, 0xFFFFFFFF);
            sprite->End();
        }
        gui().draw();
        device->EndScene();
        const Image full = target.read();
        if (const char* folder = std::getenv("ULVO_SCREEN_DUMP"))
            TestSupport::writePng(std::string(folder) + "/" +
                                      ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                                      std::to_string(++m_dumps) + ".png",
                                  full);
        Image half;
        half.width = full.width / 2;
        half.height = full.height / 2;
        for (UINT y = 0; y < half.height; ++y) {
            for (UINT x = 0; x < half.width; ++x) {
                DWORD out = 0;
                for (int shift = 0; shift < 32; shift += 8) {
                    DWORD sum = 0;
                    for (UINT dy = 0; dy < 2; ++dy)
                        for (UINT dx = 0; dx < 2; ++dx)
                            sum += (full.at(2 * x + dx, 2 * y + dy) >> shift) & 0xFF;
                    out |= ((sum + 2) / 4) << shift;
                }
                half.pixels.push_back(out);
            }
        }
        return half;
    }
    static ::testing::AssertionResult matchesGolden(const Image& image, const std::string& name)
    {
        return TestSupport::matchesGolden(
            image, TestSupport::sourceDir() / "tests" / "game" / "threematch" / "screens" / "golden", name, 3);
    }

    KeyState keys;
    Texture2D* backdrop = nullptr;
    int m_logs = 0;
    int m_dumps = 0;
};

template <class T> T* as(GUIWindow* window)
{
    return dynamic_cast<T*>(window);
}

} // namespace

TEST_F(ScreensTest, EveryMenuAndWindowTheGameNamesIsThere)
{
    for (const wchar_t* name : {L"HAUPTMENU",
                                L"PROFILE_MENU",
                                L"NEUES_PROFILE_MENU",
                                L"OPTIONEN_MENU",
                                L"CREDITS_MENU",
                                L"HILFE_MENU",
                                L"USE_SETTINGS_MENU",
                                L"AUTO_DEGRADE_MENU",
                                L"THREEMATCH_HELP_MENU",
                                L"THREEMATCH_BAUEN_MENU",
                                L"THREEMATCH_INGAME_MENU",
                                L"THREEMATCH_INGAME_PAUSE_MENU",
                                L"THREEMATCH_MINISPIEL_MENU",
                                L"THREEMATCH_VORSTELLUNG_MENU",
                                L"THREEMATCH_AUSWERTUNG_WIN_MENU",
                                L"THREEMATCH_AUSWERTUNG_LOSE_MENU",
                                L"THREEMATCHAUSWERTUNG_ZORN_MENU",
                                L"THREEMATCHAUSWERTUNG_GAMEOVER_MENU",
                                L"THREEMATCHAUSWERTUNG_MINISPIEL_MENU",
                                L"NULL_MENU"})
        EXPECT_NE(menus().getMenu(name), nullptr) << std::string(name, name + wcslen(name));
    // Every window of a menu was found and fades through "AN" and "AUS"; links lead somewhere.
    for (const GUIMenu* menu : menus().getMenus()) {
        for (GUIWindow* window : menu->getWindows()) {
            int goals = 0;
            for (const GUIAnimationsGoal* goal : window->getAnimationGoals())
                goals += goal->name == L"AN" || goal->name == L"AUS";
            EXPECT_EQ(goals, 2);
        }
        for (const GUIMenuLink* link : menu->getLinks())
            EXPECT_TRUE(link->getDestination() || link->getMenuDelta() < 0 || link->getDestinationName().empty());
    }
    EXPECT_EQ(menus().getMenu(L"HAUPTMENU")->getWindows().size(), 2u);
    EXPECT_EQ(menus().getActiveMenu(), menus().getMenu(L"HAUPTMENU"));
    for (const wchar_t* level :
         {L"HAUPTMENU", L"THREEMATCH_BAUEN_MENU", L"THREEMATCH_INGAME_MENU", L"THREEMATCH_VORSTELLUNG_MENU"})
        EXPECT_NE(MenuEbenenManager::getInstance()->getLevel(level), nullptr);
    EXPECT_TRUE(MenuEbenenManager::getInstance()->isActive(L"HAUPTMENU"));

    // The windows the game looks up, of the kinds it uses them as.
    for (const wchar_t* name : {L"H_Start", L"H_AUSBLENDEN", L"B_BeendenButton", L"P_NEUButton", L"P_DELButton",
                                L"P_OKButton", L"NP_ProfilNameLabel", L"NP_OKButton", L"NP_CancelButton", L"O_OKButton",
                                L"C_UPDATE", L"US_OK", L"US_CANCEL"})
        EXPECT_NE(as<GUIButton>(window(name)), nullptr) << std::string(name, name + wcslen(name));
    for (const wchar_t* name : {L"NP_UseZorn", L"O_VollbildCB", L"O_LeichtCB", L"O_MittelCB", L"O_SchwerCB", L"O_Hires",
                                L"THREEMATCH_HELP_CHECKBOX_1", L"THREEMATCH_HELP_CHECKBOX_2", L"O_Cursor0",
                                L"O_Cursor1", L"O_Cursor2", L"O_Cursor3"})
        EXPECT_NE(as<GUICheckboxButton>(window(name)), nullptr) << std::string(name, name + wcslen(name));
    for (const wchar_t* name : {L"AufloesungSlider", L"SoundSlider", L"MusicSlider"}) {
        auto* slider = as<GUISlider>(window(name));
        ASSERT_NE(slider, nullptr);
        EXPECT_NE(slider->getLabel(), nullptr);
    }
    for (const wchar_t* name :
         {L"C_CreditsLabel", L"US_LABEL", L"THREEMATCH_HELP_TEXT", L"H_HILFE_PAGE_0", L"H_HILFE_PAGE_4"})
        EXPECT_NE(as<GUILabel>(window(name)), nullptr) << std::string(name, name + wcslen(name));
    std::vector<GUIWindow*> resolution;
    gui().getWindowsByUserId(L"O_AufloesungAnzeigeLabel", resolution);
    ASSERT_EQ(resolution.size(), 1u);
    EXPECT_NE(as<GUILabel>(resolution.front()), nullptr);
    for (const wchar_t* name : {L"P_ProfilePanel", L"THREEMATCH_HELP_MENU", L"THREEMATCH_HELP_BILD"})
        EXPECT_NE(window(name), nullptr);
    EXPECT_NE(as<GUITooltip>(window(L"TOOLTIP")), nullptr);
    EXPECT_NE(as<GUIButton>(gui().getVorlage(L"P_ProfilNameVorlage")), nullptr);
    EXPECT_EQ(window(L"H_Fenster")->getParent(), window(L"HM_Ebene")) << "in the main menu's level";

    // Every label has its font, its styles and a text; the pictures are there.
    std::vector<GUIWindow*> all;
    gui().getAllWindows(all);
    for (GUIWindow* window : all) {
        auto* label = as<GUILabel>(window);
        if (!label || label->getName() == L"TOOLTIP_TEXT" || (label->getText().empty() && !label->usesTextId()))
            continue;
        const std::string name(label->getName().begin(), label->getName().end());
        EXPECT_NE(label->getFont(), nullptr) << name;
        for (unsigned i = 0; i < 3; ++i)
            EXPECT_TRUE(label->isFontStyleResolved(i)) << name;
        EXPECT_FALSE(label->getText().empty()) << name;
    }
    for (const wchar_t* name : {L"H_Start", L"HM_Emblem", L"O_Cursor2_Bild", L"H_HilfeScroll_Scroll_TB"})
        EXPECT_NE(window(name)->getDrawOptions().getTexture(GUIDrawOptions::TEX_NORMAL), nullptr);
    EXPECT_NE(as<GUIFrame>(window(L"H_Rahmen"))
                  ->getPart(GUIFrame::TOP_LEFT)
                  ->getDrawOptions()
                  .getTexture(GUIDrawOptions::TEX_NORMAL),
              nullptr);
}

TEST_F(ScreensTest, MainMenuAndItsHelpTextsAreDrawn)
{
    EXPECT_TRUE(window(L"H_Fenster")->getOptions().visible);
    EXPECT_FALSE(window(L"O_Fenster")->getOptions().visible);
    EXPECT_TRUE(matchesGolden(screen(), "screen_hauptmenu"));
    // Resting on "Spielen" marks it and brings its tooltip.
    click(window(L"H_Hilfe"));
    EXPECT_EQ(menus().getActiveMenu()->getName(), L"HILFE_MENU");
    keys.keyPressed.emit(keys, DIK_ESCAPE);
    frames(0.6);
    EXPECT_EQ(menus().getActiveMenu()->getName(), L"HAUPTMENU") << "Escape goes back";
    const FloatRect& start = window(L"H_Start")->getScreenRect();
    moveMouse(start.left + 20, (start.top + start.bottom) / 2);
    frames(1.2);
    EXPECT_TRUE(as<GUITooltip>(window(L"TOOLTIP"))->isShown());
    EXPECT_TRUE(matchesGolden(screen(), "screen_hauptmenu_tooltip"));
}

TEST_F(ScreensTest, OptionsWithSlidersBoxesAndTheRadioGroup)
{
    click(window(L"H_Optionen"));
    ASSERT_EQ(menus().getActiveMenu()->getName(), L"OPTIONEN_MENU");
    EXPECT_FALSE(window(L"H_Fenster")->getOptions().visible);
    // The difficulty is one of three; the pointer one of four.
    click(window(L"O_MittelCB"));
    click(window(L"O_SchwerCB"));
    EXPECT_TRUE(as<GUICheckboxButton>(window(L"O_SchwerCB"))->isChecked());
    EXPECT_FALSE(as<GUICheckboxButton>(window(L"O_MittelCB"))->isChecked());
    click(window(L"O_Cursor2"));
    click(window(L"O_VollbildCB_Text"));
    EXPECT_TRUE(as<GUICheckboxButton>(window(L"O_VollbildCB"))->isChecked()) << "the caption ticks its box";
    click(window(L"THREEMATCH_HELP_CHECKBOX_1"));
    moveMouse(5, 5);
    frames(0.6);
    EXPECT_TRUE(matchesGolden(screen(), "screen_optionen"));
}

TEST_F(ScreensTest, HelpPagesScrollInTheirPanel)
{
    click(window(L"H_Hilfe"));
    auto* scroll = as<GUIScrollPanel>(window(L"H_HilfeScroll"));
    ASSERT_NE(scroll, nullptr);
    EXPECT_TRUE(scroll->isVerticalBarShown()) << "the pages are taller than the panel";
    const float top = window(L"H_HILFE_PAGE_0")->getScreenRect().top;
    click(scroll->getPart(GUIScrollPanel::DOWN));
    click(scroll->getPart(GUIScrollPanel::DOWN));
    EXPECT_FLOAT_EQ(window(L"H_HILFE_PAGE_0")->getScreenRect().top, top - 40.0f);
    moveMouse(5, 5);
    frames(0.6);
    EXPECT_TRUE(matchesGolden(screen(), "screen_hilfe"));
}
