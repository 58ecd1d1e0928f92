// The menu screens of the built runtime folder, loaded as the game loads them: every menu, window,
// text and picture the game names, and the main menu, the options, a help page, the running
// level, the town and two results drawn as the player sees them (golden images at half size),
// reached with the injected mouse and keys or filled the way the game fills them.
#include "GUITestSupport.h"

#include "devices/d3d/D3DInterface.h"
#include "devices/input/KeyState.h"
#include "engine/UlvoEngine.h"
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
#include "gui/windows/GUITooltipParam.h"
#include "gui/widgets/GUISlider.h"
#include "gui/widgets/GUITooltip.h"
#include "gui/widgets/GUIProgressBar.h"
#include "support/LogCapture.h"
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
        // The log file opens in the capture's folder before the runtime folder becomes the working one.
        LogCapture logs;
        mainLogger().log(0, LOG_TYPE_INFO, L"screens\n");
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
        backdrop = background(3);
        // The pictures the game loads before its menus.
        for (const wchar_t* list : {L"data\\textures\\textures.tex", L"data\\stones\\stones.tex",
                                    L"data\\Gebaeude\\gebaeude.tex", L"data\\Katastrophen\\katastrophen.tex"}) {
            document.clear();
            ASSERT_TRUE(XMLNode::load(&document, list, 0));
            D3DInterface::getInstance()->getTextureManager()->load(&document);
        }
        document.clear();
        ASSERT_TRUE(XMLNode::load(&document, L"data\\menues.menu", 0));
        MenuEbenenManager::getInstance()->loadMenuEbenen(document);
        menus().resolveLinks();
        loadLog = logs.text();
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
    // One of the twenty landscapes behind the menus and the town.
    static Texture2D* background(int number)
    {
        TestSupport::ScopedCwd cwd(TestSupport::runtimeDir());
        return D3DInterface::getInstance()->getTextureManager()->getTexture2DFromFile(
            L"data\\Backgrounds\\bg" + std::to_wstring(number) + L".png");
    }
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
    std::string loadLog;
    int m_logs = 0;
    int m_dumps = 0;
};

template <class T> T* as(GUIWindow* window)
{
    return dynamic_cast<T*>(window);
}

std::string narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

Texture2D* texture(const wchar_t* name)
{
    return D3DInterface::getInstance()->getTextureManager()->getTexture2D(name);
}

// The stone classes shown on the game's screens; the others have no windows of their own.
const wchar_t* const kShownClasses[] = {L"BAUSTOFF", L"NAHRUNG", L"SCHATZ"};
const wchar_t* const kClassIcons[] = {L"HOLZ_OBJEKT", L"KORN_OBJEKT", L"GOLD_OBJEKT"};

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

// The game's own screens, every name its controller looks up, read without a complaint.
TEST_F(ScreensTest, EveryNameOfTheGameScreensIsThere)
{
    ASSERT_NE(loadLog.find("screens"), std::string::npos) << "the log was captured";
    EXPECT_EQ(loadLog.find("unbekannt"), std::string::npos) << loadLog;
    EXPECT_EQ(loadLog.find("nicht gefunden"), std::string::npos) << loadLog;

    std::vector<std::wstring> buttons = {L"THREEMATCH_LEVEL_LEVEL",
                                         L"THREEMATCH_LEBEN",
                                         L"THREEMATCH_TAUSCH_HG",
                                         L"THREEMATCH_PAUSE",
                                         L"THREEMATCH_EXIT_TW_BUTTON",
                                         L"THREEMATCH_BAUEN_SPIELEN",
                                         L"THREEMATCH_BAUEN_FREIES_SPIELEN",
                                         L"THREEMATCH_VORSTELLUNG_OK",
                                         L"THREEMATCH_HELP_OK"};
    for (const wchar_t* result : {L"WIN", L"LOSE", L"ZORN", L"GAMEOVER", L"MINISPIEL"}) {
        buttons.push_back(std::wstring(L"THREEMATCHAUSWERTUNG_") + result + L"_OK");
        // The panel itself answers a click like its button.
        GUIWindow* panel = window(std::wstring(L"THREEMATCHAUSWERTUNG_") + result);
        ASSERT_NE(panel, nullptr) << narrow(result);
        EXPECT_FALSE(panel->getOptions().inputIgnore) << narrow(result);
    }
    for (const wchar_t* bonus : {L"HAMMER", L"BLITZ", L"TIME", L"BOMBE", L"PUNKTE", L"ZUFALL", L"ZEILE", L"ROHSTOFF"})
        buttons.push_back(std::wstring(L"THREEMATCH_BONUS_") + bonus);
    // Slot i shows bonus i of the bonus list, whose third kind is the bomb and fourth the clock:
    // each slot's tooltip names the bonus drawn in it, whatever the slot's name.
    const wchar_t* const slots[] = {L"HAMMER", L"BLITZ",  L"TIME",  L"BOMBE",
                                    L"PUNKTE", L"ZUFALL", L"ZEILE", L"ROHSTOFF"};
    const wchar_t* const shown[] = {L"HAMMER", L"BLITZ",  L"BOMBE", L"ZEIT",
                                    L"PUNKTE", L"ZUFALL", L"ZEILE", L"ROHSTOFF"};
    for (std::size_t i = 0; i < 8; ++i) {
        GUIWindow* slot = window(std::wstring(L"THREEMATCH_BONUS_") + slots[i]);
        ASSERT_TRUE(slot && slot->getFirstTooltip()) << narrow(slots[i]);
        EXPECT_EQ(slot->getFirstTooltip()->getTextId(), std::wstring(L"TIPP_BONUS_") + shown[i]) << narrow(slots[i]);
    }
    std::vector<std::wstring> labels = {L"THREEMATCH_ZEIT",
                                        L"THREEMATCH_WIN_PLAYTIME",
                                        L"THREEMATCH_WIN_RESTTIME",
                                        L"THREEMATCH_WIN_LEBEN",
                                        L"THREEMATCH_LOSE_PLAYTIME",
                                        L"THREEMATCH_LOSE_RESTTIME",
                                        L"THREEMATCH_LOSE_LEBEN",
                                        L"THREEMATCHAUSWERTUNG_WIN_LABEL",
                                        L"THREEMATCHAUSWERTUNG_LOSE_LABEL",
                                        L"THREEMATCHAUSWERTUNG_MINISPIEL_LABEL",
                                        L"THREEMATCH_KATASTROPHE_TEXT",
                                        L"THREEMATCH_VORSTELLUNG_TEXT",
                                        L"THREEMATCH_VORSCHAU_NAME",
                                        L"THREEMATCH_VORSCHAU_DESC"};
    std::vector<std::wstring> windows = {L"THREEMATCHGAME_WINDOW",         L"THREEMATCH_HINTERGRUND",
                                         L"THREEMATCH_KATASTROPHE_BILD",   L"THREEMATCH_VORSTELLUNG_BILD",
                                         L"THREEMATCH_VORSCHAU_IMAGE",     L"THREEMATCH_BAUEN_VORSCHAU",
                                         L"THREEMATCH_BAUEN_KAUFEN_LEISTE"};
    for (int i = 0; i < 10; ++i)
        labels.push_back(L"THREEMATCH_BAUEN_UPGRADE_" + std::to_wstring(i));
    for (int i = 0; i < 3; ++i)
        buttons.push_back(L"THREEMATCH_VORSCHAU_ITEM_" + std::to_wstring(i));
    for (const wchar_t* klasse : kShownClasses) {
        for (const wchar_t* prefix : {L"THREEMATCH_LEVEL_", L"THREEMATCH_BAUEN_", L"THREEMATCH_WIN_"})
            buttons.push_back(prefix + std::wstring(klasse));
        labels.push_back(L"THREEMATCH_VORSCHAU_" + std::wstring(klasse));
        windows.push_back(L"THREEMATCH_BAUEN_NEEDED_" + std::wstring(klasse));
    }
    for (const std::wstring& name : buttons)
        EXPECT_NE(as<GUIButton>(window(name)), nullptr) << narrow(name);
    for (const std::wstring& name : labels)
        EXPECT_NE(as<GUILabel>(window(name)), nullptr) << narrow(name);
    for (const std::wstring& name : windows)
        EXPECT_NE(window(name), nullptr) << narrow(name);
    EXPECT_NE(as<GUIProgressBar>(window(L"THREEMATCH_ZORNANZEIGE")), nullptr);
    EXPECT_NE(gui().getVorlage(L"THREEMATCH_BAUEN_WINDOW"), nullptr);
    EXPECT_NE(gui().getVorlage(L"THREEMATCH_BAUEN_VORSCHAU_WINDOW"), nullptr);
    EXPECT_NE(as<GUIButton>(gui().getVorlage(L"THREEMATCH_BAUEN_KAUFEN_BUTTON")), nullptr);
    const ThreeMatch::MenuEbene* ingame = MenuEbenenManager::getInstance()->getLevel(L"THREEMATCH_INGAME_MENU");
    ASSERT_NE(ingame, nullptr);
    EXPECT_EQ(ingame->getWindow(), window(L"IG_Ebene"));
    EXPECT_FALSE(ingame->getWindow()->getOptions().visible) << "the board is not shown before a level";

    // Every text in both languages, and the texts the game formats.
    TextManager* texts = UlvoEngine::getInstance()->getTextManager();
    Language* german = texts->getLanguage(L"deutsch");
    Language* english = texts->getLanguage(L"english");
    ASSERT_TRUE(german && english);
    for (auto [from, to] : {std::pair{german, english}, std::pair{english, german}})
        for (const auto& [key, text] : from->getTexts())
            EXPECT_NE(to->getText(key), nullptr) << narrow(key);
    for (const wchar_t* key : {L"THREEMATCH_LEVEL_NR", L"THREEMATCH_ZUFALLLEVEL", L"THREEMATCH_TAUSCH_1",
                               L"THREEMATCH_TAUSCH_2", L"SOUND_VOLUME", L"MUSIC_VOLUME", L"VERSION", L"NEUES_PROFIL"})
        EXPECT_NE(german->getText(key), nullptr) << narrow(key);
    EXPECT_EQ(TextManager::formatString(german->getText(L"THREEMATCH_ZEIT")->getText(), 1, 23, 45, 0), L"1:23.45");
    EXPECT_EQ(TextManager::formatString(english->getText(L"THREEMATCH_LEVEL_NR")->getText(), 0, 0, 0, 7), L"Level 7");
    EXPECT_EQ(TextManager::formatString(german->getText(L"THREEMATCH_BONUS_LADUNG")->getText(), 0, 0, 0, 40), L"40%");

    // The help situations: a text and a picture of the same name each.
    for (const wchar_t* help :
         {L"THREEMATCH_HAUPTMENU_HELP", L"THREEMATCH_BAUEN_HELP", L"THREEMATCH_INGAME_HELP",
          L"THREEMATCH_OPTIONEN_HELP", L"THREEMATCH_PROFILE_HELP", L"THREEMATCH_NEUES_PROFIL_HELP",
          L"THREEMATCH_ZORN_ADDED_HELP", L"THREEMATCH_ZORN_REMOVED_HELP", L"THREEMATCH_BONUS_HAMMER_HELP",
          L"THREEMATCH_BONUS_BLITZE_HELP", L"THREEMATCH_BONUS_BOMBE_HELP", L"THREEMATCH_BONUS_ZEIT_HELP",
          L"THREEMATCH_BONUS_PUNKTE_HELP", L"THREEMATCH_BONUS_ZUFALL_HELP", L"THREEMATCH_BONUS_ZEILE_HELP",
          L"THREEMATCH_BONUS_ROHSTOFF_HELP", L"THREEMATCH_MINIGAME_HELP", L"THREEMATCH_ZORN_FULL_HELP"}) {
        EXPECT_NE(german->getText(help), nullptr) << narrow(help);
        EXPECT_NE(texture(help), nullptr) << narrow(help);
    }
    for (const wchar_t* name : {L"THREEMATCH_HG", L"SLOT", L"SLOT_GRAU", L"KARTE", L"ZORN_FUELLUNG"})
        EXPECT_NE(texture(name), nullptr) << narrow(name);
}

namespace {

void showText(GUIWindow* target, const std::wstring& text)
{
    GUILabel* label = as<GUILabel>(target);
    if (auto* button = as<GUIButton>(target))
        label = button->getLabel();
    ASSERT_NE(label, nullptr);
    label->setText(text);
}

// As the game shows a picture on a count or a bonus: behind the button's label's text.
void showPicture(GUIWindow* target, Texture2D* picture)
{
    ASSERT_NE(target, nullptr);
    GUIWindow* holder = target;
    if (auto* button = as<GUIButton>(target))
        holder = button->getLabel();
    holder->getDrawOptions().setBackgroundTexture(picture);
    holder->takeCurrentState();
}

} // namespace

// The in-game display as the game fills it every frame: level, time, lives, wrath, the stones
// collected and the bonuses, the hammer charged, three charging, the rest not available yet.
void fillIngameDisplay()
{
    showText(GUISystem::getInstance()->getWindow(L"THREEMATCH_LEVEL_LEVEL"), L"Level 4");
    showText(GUISystem::getInstance()->getWindow(L"THREEMATCH_ZEIT"), L"3:07.25");
    showText(GUISystem::getInstance()->getWindow(L"THREEMATCH_LEBEN"), L"Leben: 5");
    as<GUIProgressBar>(GUISystem::getInstance()->getWindow(L"THREEMATCH_ZORNANZEIGE"))->setProgress(0.35f);
    const int collected[] = {42, 17, 6};
    for (int i = 0; i < 3; ++i) {
        GUIWindow* count = GUISystem::getInstance()->getWindow(L"THREEMATCH_LEVEL_" + std::wstring(kShownClasses[i]));
        showPicture(count, texture(kClassIcons[i]));
        showText(count, std::to_wstring(collected[i]));
    }
    const wchar_t* bonuses[][2] = {{L"HAMMER", L"BONUS_HAMMER"}, {L"BLITZ", L"BONUS_BLITZ"},
                                   {L"TIME", L"BONUS_ZEIT"},     {L"BOMBE", L"BONUS_BOMBE"},
                                   {L"PUNKTE", L"BONUS_PUNKTE"}, {L"ZUFALL", L"BONUS_ZUFALL"},
                                   {L"ZEILE", L"BONUS_ZEILE"},   {L"ROHSTOFF", L"BONUS_ROHSTOFF"}};
    for (int i = 0; i < 8; ++i) {
        GUIWindow* button = GUISystem::getInstance()->getWindow(L"THREEMATCH_BONUS_" + std::wstring(bonuses[i][0]));
        showPicture(button, texture(bonuses[i][1]));
        showText(button, i == 0 ? L"100%" : i < 4 ? std::to_wstring(20 * i) + L"%" : L"");
        button->getOptions().enabled = i == 0;
        button->takeCurrentState();
    }
}

// A running level with its display, the landscape of the in-game screen behind; then a help
// text over it.
TEST_F(ScreensTest, TheRunningLevelWithItsDisplay)
{
    menus().getMenu(L"THREEMATCH_INGAME_MENU")->show(1.0, true, true);
    frames(1.5);
    ASSERT_TRUE(window(L"IG_Ebene")->getOptions().visible);
    EXPECT_FALSE(window(L"H_Fenster")->getOptions().visible);
    backdrop = texture(L"THREEMATCH_HG");
    fillIngameDisplay();
    frames(0.2);
    EXPECT_TRUE(matchesGolden(screen(), "screen_spiel"));

    // A help text over the running level, as the game shows it when the hammer is charged.
    as<GUILabel>(window(L"THREEMATCH_HELP_TEXT"))->setTextId(L"THREEMATCH_BONUS_HAMMER_HELP");
    window(L"THREEMATCH_HELP_BILD")->getDrawOptions().setNormalTexture(texture(L"THREEMATCH_BONUS_HAMMER_HELP"));
    window(L"THREEMATCH_HELP_BILD")->takeCurrentState();
    menus().getMenu(L"THREEMATCH_HELP_MENU")->show(1.0, true, false);
    frames(1.0);
    EXPECT_TRUE(window(L"IG_Ebene")->getOptions().visible) << "the help leaves the board behind it";
    EXPECT_TRUE(matchesGolden(screen(), "screen_spiel_hilfe"));
}

// The town: the stock, the way on, and four cards laid into the bar from the templates as the
// game does it, the second one's preview shown.
TEST_F(ScreensTest, TheTownWithItsBuildingCardsAndAPreview)
{
    menus().getMenu(L"THREEMATCH_BAUEN_MENU")->show(1.0, true, true);
    frames(1.5);
    ASSERT_TRUE(window(L"BAUEN_Fenster")->getOptions().visible);
    backdrop = background(1);
    const int stock[] = {85, 40, 12};
    for (int i = 0; i < 3; ++i) {
        GUIWindow* count = window(L"THREEMATCH_BAUEN_" + std::wstring(kShownClasses[i]));
        showPicture(count, texture(kClassIcons[i]));
        showText(count, std::to_wstring(stock[i]));
    }
    GUIWindow* bar = window(L"THREEMATCH_BAUEN_KAUFEN_LEISTE");
    ASSERT_NE(bar, nullptr);
    const wchar_t* buildings[] = {L"MUEHLE_VORSCHAU", L"BAUERNHOF_VORSCHAU", L"SCHMIEDE_VORSCHAU", L"MARKT_VORSCHAU"};
    for (int i = 0; i < 4; ++i) {
        GUIWindow* card = gui().getVorlage(L"THREEMATCH_BAUEN_WINDOW")->clone();
        GUIWindow* icon = gui().getVorlage(L"THREEMATCH_BAUEN_VORSCHAU_WINDOW")->clone();
        GUIWindow* buy = gui().getVorlage(L"THREEMATCH_BAUEN_KAUFEN_BUTTON")->clone();
        icon->getDrawOptions().setNormalTexture(texture(buildings[i]));
        // The third cannot be bought yet.
        icon->getDrawOptions().alpha = i == 2 ? 0.5 : 1.0;
        buy->getOptions().enabled = i != 2;
        for (GUIWindow* part : {icon, buy})
            part->takeCurrentState();
        card->addChild(icon, false, true);
        card->addChild(buy, false, true);
        bar->addChild(card, false, true);
        for (GUIWindow* part : {card, icon, buy})
            part->Release();
    }
    const FloatRect& first = bar->children().front()->getScreenRect();
    const FloatRect& last = bar->children().back()->getScreenRect();
    EXPECT_NEAR(first.left, bar->getScreenRect().left, 1.0f) << "the cards fill the bar from the left";
    EXPECT_NEAR(last.right, bar->getScreenRect().right, 1.0f);

    showText(window(L"THREEMATCH_VORSCHAU_NAME"),
             UlvoEngine::getInstance()->getTextManager()->getTextString(L"GEBAEUDE_BAUERNHOF"));
    showText(window(L"THREEMATCH_VORSCHAU_DESC"),
             UlvoEngine::getInstance()->getTextManager()->getTextString(L"GEBAEUDE_BAUERNHOF_DESC"));
    showPicture(window(L"THREEMATCH_VORSCHAU_IMAGE"), texture(L"BAUERNHOF_VORSCHAU_BIG"));
    const int cost[] = {60, 30, 0};
    for (int i = 0; i < 3; ++i)
        showText(window(L"THREEMATCH_VORSCHAU_" + std::wstring(kShownClasses[i])), std::to_wstring(cost[i]));
    for (int i = 0; i < 3; ++i) {
        showPicture(window(L"THREEMATCH_BAUEN_NEEDED_" + std::wstring(kShownClasses[i])), texture(kClassIcons[i]));
        GUIWindow* item = window(L"THREEMATCH_VORSCHAU_ITEM_" + std::to_wstring(i));
        ASSERT_NE(item, nullptr);
        // The farm brings wool and the dice.
        item->getOptions().visible = i < 2;
        item->getDrawOptions().setNormalTexture(i == 0 ? texture(L"WOLLE_OBJEKT") : texture(L"WUERFEL_OBJEKT"));
        showText(item, UlvoEngine::getInstance()->getTextManager()->getTextString(i == 0 ? L"WOLLE" : L"WUERFEL"));
    }
    window(L"THREEMATCH_BAUEN_VORSCHAU")->startAnimationGoal(L"AN", 1.0);
    moveMouse(5, 300);
    frames(0.6);
    EXPECT_TRUE(window(L"THREEMATCH_BAUEN_VORSCHAU")->getOptions().visible);
    EXPECT_TRUE(matchesGolden(screen(), "screen_stadt"));
}

// Two results over their screens: a level won, its lines lit, and a catastrophe over the town.
TEST_F(ScreensTest, AWonLevelAndACatastrophe)
{
    menus().getMenu(L"THREEMATCH_INGAME_MENU")->show(1.0, true, true);
    frames(0.5);
    menus().getMenu(L"THREEMATCH_AUSWERTUNG_WIN_MENU")->show(1.0, true, true);
    frames(1.5);
    EXPECT_TRUE(window(L"IG_Ebene")->getOptions().visible) << "the board stays behind its result";
    backdrop = texture(L"THREEMATCH_HG");
    fillIngameDisplay();
    showText(window(L"THREEMATCH_WIN_PLAYTIME"), L"Spielzeit: 2:12.40");
    showText(window(L"THREEMATCH_WIN_RESTTIME"), L"Restzeit: 0:47.60");
    showText(window(L"THREEMATCH_WIN_LEBEN"), L"Leben: 5");
    const int won[] = {64, 38, 9};
    for (int i = 0; i < 3; ++i) {
        GUIWindow* count = window(L"THREEMATCH_WIN_" + std::wstring(kShownClasses[i]));
        showPicture(count, texture(kClassIcons[i]));
        showText(count, std::to_wstring(won[i]));
    }
    // The tally has lit the first four lines.
    window(L"THREEMATCH_WIN_SCHATZ")->getDrawOptions().alpha = 0.1;
    window(L"THREEMATCH_WIN_SCHATZ")->takeCurrentState();
    frames(0.1);
    EXPECT_TRUE(matchesGolden(screen(), "screen_gewonnen"));

    menus().getMenu(L"THREEMATCH_BAUEN_MENU")->show(1.0, true, true);
    frames(0.5);
    menus().getMenu(L"THREEMATCHAUSWERTUNG_ZORN_MENU")->show(1.0, true, true);
    frames(1.5);
    EXPECT_FALSE(window(L"IG_Ebene")->getOptions().visible);
    EXPECT_FALSE(window(L"BAUEN_Fenster")->getOptions().visible) << "the town's controls give way";
    backdrop = background(1);
    showPicture(window(L"THREEMATCH_KATASTROPHE_BILD"), texture(L"KATASTROPHE_STURM"));
    showText(window(L"THREEMATCH_KATASTROPHE_TEXT"),
             TextManager::formatString(
                 UlvoEngine::getInstance()->getTextManager()->getTextString(L"KATASTROPHE_STURM_TEXT"), 0, 0, 0, 2));
    EXPECT_TRUE(matchesGolden(screen(), "screen_katastrophe"));
}
