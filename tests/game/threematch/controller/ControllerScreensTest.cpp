// The controller's screens: the small rules they follow (name typing, tallies, the picture
// mapping), and in the running game the typed profile name, the result screen's OK, the
// difficulty boxes on a profile switch, a deleted active profile and a data set without
// catastrophes.
#include <windows.h>
#include <dinput.h>
#include <platform_test.h>

#include "devices/d3d/D3DInterface.h"
#include "devices/input/TastaturLayout.h"
#include "engine/UlvoEngine.h"
#include "gui/menus/GUIMenuManager.h"
#include "gui/widgets/GUIButton.h"
#include "gui/widgets/GUICheckboxButton.h"
#include "gui/widgets/GUILabel.h"
#include "gui/widgets/GUISlider.h"
#include "minigames/frame/Minispiel.h"
#include "render/cameras/Camera.h"
#include "render/cameras/CameraManager.h"
#include "minigames/frame/MinispielManager.h"
#include "threematch/board/Spielfeld.h"
#include "threematch/controller/ScreenRules.h"
#include "threematch/controller/ThreeMatchGame.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/profiles/ProfileManager.h"
#include "threematch/profiles/Profil.h"
#include "threematch/stones/RohstoffManager.h"
#include "threematch/town/Gebaeude.h"
#include "threematch/town/GebaeudeManager.h"
#include "threematch/town/TownRules.h"

#include "MinigameSolver.h"
#include "PlayThroughSupport.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <typeinfo>

using namespace ThreeMatch;
using PlayThrough::GameHost;
namespace Player = PlayThrough::Player;

namespace {

TEST(ControllerScreens, ANameTakesLettersAndNumbersUpToSixteenCharactersAndNeverAPercentSign)
{
    std::wstring name;
    for (int i = 0; i < 20; ++i)
        ScreenRules::editName(name, Ulvo::KT_LETTER, L'a' + i);
    EXPECT_EQ(name, L"abcdefghijklmnop");
    name = L"ab";
    EXPECT_FALSE(ScreenRules::editName(name, Ulvo::KT_LETTER, L'%'));
    EXPECT_FALSE(ScreenRules::editName(name, Ulvo::KT_SONDER, L'!'));
    EXPECT_TRUE(ScreenRules::editName(name, Ulvo::KT_SONDER, L' '));
    EXPECT_TRUE(ScreenRules::editName(name, Ulvo::KT_SONDER, L'-'));
    EXPECT_EQ(name, L"ab -");
    name = L"ab";
    std::wstring empty;
    EXPECT_FALSE(ScreenRules::editName(empty, Ulvo::KT_SONDER, L' ')) << "no name starts with a space";
    EXPECT_TRUE(ScreenRules::editName(name, Ulvo::KT_NUMBER, L'7'));
    EXPECT_TRUE(ScreenRules::editName(name, Ulvo::KT_BACKSPACE, 0));
    EXPECT_TRUE(ScreenRules::editName(name, Ulvo::KT_BACKSPACE, 0));
    EXPECT_TRUE(ScreenRules::editName(name, Ulvo::KT_BACKSPACE, 0));
    EXPECT_FALSE(ScreenRules::editName(name, Ulvo::KT_BACKSPACE, 0)) << "nothing left to take";
    EXPECT_EQ(name, L"");
}

TEST(ControllerScreens, TalliesLightWholeLinesAndThePictureMapsIntoTheRenderTarget)
{
    EXPECT_EQ(ScreenRules::litTallyLines(10, 0.29), 2);
    EXPECT_EQ(ScreenRules::litTallyLines(3, 1.0), 3);
    EXPECT_EQ(ScreenRules::alphaByte(0.5), 128);
    EXPECT_EQ(ScreenRules::alphaByte(1.5), 255);
    EXPECT_EQ(ScreenRules::alphaByte(-0.1), 0);
    // The loading screen: its first picture and the full bar at once, the same bar never again.
    EXPECT_TRUE(ScreenRules::loadingPictureDue(0.1f, -1.0f, 0));
    EXPECT_FALSE(ScreenRules::loadingPictureDue(0.2f, 0.1f, ScreenRules::kLoadingRedrawMs - 1));
    EXPECT_TRUE(ScreenRules::loadingPictureDue(0.2f, 0.1f, ScreenRules::kLoadingRedrawMs));
    EXPECT_TRUE(ScreenRules::loadingPictureDue(1.0f, 0.8f, 0));
    EXPECT_FALSE(ScreenRules::loadingPictureDue(1.0f, 1.0f, 10000));

    // A picture drawn at half size in the right half of the screen.
    const Ulvo::FloatRect area(512.0f, 0.0f, 1024.0f, 384.0f);
    const RECT target{0, 0, 1024, 768};
    const D3DXVECTOR2 relative = ScreenRules::toView(area, target, D3DXVECTOR2(640.0f, 96.0f), true);
    EXPECT_FLOAT_EQ(relative.x, 0.25f);
    EXPECT_FLOAT_EQ(relative.y, 0.25f);
    const D3DXVECTOR2 pixels = ScreenRules::toView(area, target, D3DXVECTOR2(640.0f, 96.0f), false);
    EXPECT_FLOAT_EQ(pixels.x, 256.0f);
    EXPECT_FLOAT_EQ(pixels.y, 192.0f);
}

TEST(ControllerScreens, APartOfTheInGamePictureLandsWhereTheWholePictureWouldPutIt)
{
    // The board's cells in the 1024 x 768 picture, laid into a window of 758 x 569 pixels.
    const RECT content{204, 76, 819, 691};
    const RECT destination{251, 15, 1009, 584};
    RECT source{};
    D3DXVECTOR2 scaling, at;
    ASSERT_TRUE(ScreenRules::pictureSection(content, 1024, 768, destination, source, scaling, at));
    // What the filter reads next to the content is inside the part.
    EXPECT_EQ(source.left, 202);
    EXPECT_EQ(source.top, 74);
    EXPECT_EQ(source.right, 821);
    EXPECT_EQ(source.bottom, 693);
    // The whole picture's scale, and the part's corner where the whole puts that pixel.
    EXPECT_FLOAT_EQ(scaling.x, 758.0f / 1024.0f);
    EXPECT_FLOAT_EQ(scaling.y, 569.0f / 768.0f);
    EXPECT_FLOAT_EQ(at.x, 251.0f + 202.0f * 758.0f / 1024.0f);
    EXPECT_FLOAT_EQ(at.y, 15.0f + 74.0f * 569.0f / 768.0f);

    // At the picture's edges the part stops there; content reaching every edge or an empty window
    // leaves the whole picture to be drawn.
    ASSERT_TRUE(ScreenRules::pictureSection(RECT{0, 1, 300, 767}, 1024, 768, destination, source, scaling, at));
    EXPECT_EQ(source.left, 0);
    EXPECT_EQ(source.bottom, 768);
    EXPECT_FLOAT_EQ(at.x, 251.0f);
    EXPECT_FALSE(ScreenRules::pictureSection(RECT{1, 1, 1023, 767}, 1024, 768, destination, source, scaling, at));
    EXPECT_FALSE(ScreenRules::pictureSection(content, 1024, 768, RECT{5, 5, 5, 200}, source, scaling, at));
}

Ulvo::GUICheckboxButton* box(const wchar_t* name)
{
    return dynamic_cast<Ulvo::GUICheckboxButton*>(GameHost::findWindow(name));
}

struct Scores : sigslot::has_slots<> {
    std::vector<float> values;
    void onResult(Minispiel&, const float& score) { values.push_back(score); }
};

// The scripted player's hands: the window's own mouse, so the GUI sees the clicks as a player's;
// waiting and holding run the game's updates without drawing (the games' pictures are tested on
// their own), which keeps the sanitizer build's run short.
MinigameSolver::Hands hands(GameHost& host)
{
    const auto px = [](float v) { return static_cast<int>(v + 0.5f); };
    const auto run = [&host](double seconds) { Player::updates(host.game(), static_cast<int>(seconds / 0.025) + 1); };
    return {[&host, px](const D3DXVECTOR2& from, const D3DXVECTOR2& at) {
                host.drag(px(from.x), px(from.y), px(at.x), px(at.y));
            },
            [&host, px](const D3DXVECTOR2& at) { host.click(px(at.x), px(at.y)); }, run,
            [&host, px, run](const D3DXVECTOR2& at, double seconds) {
                host.moveTo(px(at.x), px(at.y));
                PlatformInjectMouseButton(host.window(), 1, true, px(at.x), px(at.y));
                host.frames(1);
                run(seconds);
                PlatformInjectMouseButton(host.window(), 1, false, px(at.x), px(at.y));
                host.frames(2);
            }};
}

// The game window's own cancel button, clicked as the GUI clicks it.
bool clickCancel(Minispiel& game)
{
    std::vector<Ulvo::GUIWindow*> children;
    if (game.getWindow())
        game.getWindow()->getChildren(children);
    for (Ulvo::GUIWindow* child : children) {
        const std::wstring& name = child->getName();
        if (name.size() > 7 && name.compare(name.size() - 7, 7, L"_CANCEL") == 0) {
            child->clicked.emit(*child);
            return true;
        }
    }
    return false;
}

void clickThrough(GameHost& host, const wchar_t* name)
{
    Ulvo::GUIWindow* window = GameHost::findWindow(name);
    ASSERT_NE(window, nullptr) << std::string(name, name + std::wcslen(name));
    host.game().onButtonClicked(*window);
}

// One game: the first key replaces the proposed name and a name stops at 16 characters; a
// result screen's OK without a result pending moves no level on; a profile switch ticks the
// profile's difficulty without touching its lives, while the player's tick does give the
// difficulty's lives; the help boxes switch help off and on; a building is bought, once, also
// without a minigame to play; a story level after a free-play level reaches its result
// screen; deleting the active profile takes its running level off the board; and a data set
// without catastrophes shows none.
void runningGame(const PlayThrough::RunFolder& folder);

// In a process of its own: a game started after another one in the same process finds the
// menus where that one left them.
TEST(ControllerScreens, TheRunningGameKeepsProfilesLevelsAndLivesSound)
{
    PlayThrough::RunFolder folder;
    // The archive holds the file too: an empty one on disk comes first.
    std::ofstream(folder.path() / "data" / "Katastrophen" / "katastrophen.kat") << "<KATASTROPHEN/>";
    EXPECT_TRUE(PlayThrough::runPhase("screens", [&] { runningGame(folder); }));
}

void runningGame(const PlayThrough::RunFolder& folder)
{
    GameHost host(folder);
    ASSERT_TRUE(host.running());
    // The object editor picks through the level's camera without a console line.
    const Ulvo::Camera* active = Ulvo::CameraManager::getInstance()->getActiveCamera();
    ASSERT_NE(active, nullptr);
    EXPECT_EQ(active->getName(), L"SPIEL");
    ASSERT_TRUE(PlayThrough::Player::waitForMenu(host, L"NEUES_PROFILE_MENU", 5.0));

    // Keys go straight to the name slot, through the active keyboard layout.
    Ulvo::KeyState keys;
    const unsigned char letters[] = {DIK_Q, DIK_W, DIK_E, DIK_R, DIK_T, DIK_U, DIK_I, DIK_O, DIK_P, DIK_A,
                                     DIK_S, DIK_D, DIK_F, DIK_G, DIK_H, DIK_J, DIK_K, DIK_L, DIK_1, DIK_2};
    for (unsigned char key : letters)
        host.game().onProfileNameKey(keys, key);
    auto* nameButton = dynamic_cast<Ulvo::GUIButton*>(GameHost::findWindow(L"NP_ProfilNameLabel"));
    ASSERT_NE(nameButton, nullptr);
    const std::wstring typed = nameButton->getLabel()->getText();
    EXPECT_EQ(typed.size(), 16u) << "the proposed name is replaced and the name stops at 16";
    host.game().onProfileNameKey(keys, DIK_BACK);
    EXPECT_EQ(nameButton->getLabel()->getText(), typed.substr(0, 15));
    clickThrough(host, L"NP_OKButton");
    ProfileManager* profiles = ProfileManager::getInstance();
    Profil* player = profiles->getActiveProfile();
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(player->getName(), typed.substr(0, 15));

    // No result is pending: the OK of a result screen (twice, as a double click) changes nothing.
    const int level = player->getActualLevel();
    clickThrough(host, L"THREEMATCHAUSWERTUNG_WIN_OK");
    clickThrough(host, L"THREEMATCHAUSWERTUNG_WIN_OK");
    EXPECT_EQ(player->getActualLevel(), level);

    player->setSchwierigkeit(2);
    player->setLeben(1);
    host.game().onProfileSwitched(nullptr, player);
    EXPECT_EQ(player->getLeben(), 1) << "showing the profile's difficulty is no change of it";
    ASSERT_TRUE(box(L"O_SchwerCB") && box(L"O_LeichtCB") && box(L"O_MittelCB"));
    EXPECT_TRUE(box(L"O_SchwerCB")->isChecked());
    EXPECT_FALSE(box(L"O_MittelCB")->isChecked());
    box(L"O_MittelCB")->setChecked(true);
    EXPECT_EQ(player->getLeben(), 1) << "a change of difficulty refills no lives";
    EXPECT_EQ(player->getSchwierigkeit(), 1);
    EXPECT_FALSE(box(L"O_LeichtCB")->isChecked());
    EXPECT_FALSE(box(L"O_SchwerCB")->isChecked());

    // The options say before OK what a change of difficulty does to the lives, and a choice
    // tried there and taken back costs none; only OK lets it stand.
    player->addPoint(); // played: a change gives no fresh lives
    player->setLeben(5);
    Ulvo::GUIMenu* options = Ulvo::GUIMenuManager::getInstance()->getMenu(L"OPTIONEN_MENU");
    ASSERT_NE(options, nullptr);
    host.game().onMenuOpened(nullptr, options);
    const auto livesText = [] {
        auto* label = dynamic_cast<Ulvo::GUILabel*>(GameHost::findWindow(L"O_LebenText"));
        return label ? label->getText() : std::wstring(L"(none)");
    };
    EXPECT_EQ(livesText(), L"Du hast 5 Leben (höchstens 6 auf dieser Stufe).");
    box(L"O_SchwerCB")->setChecked(true);
    EXPECT_EQ(player->getLeben(), 3);
    EXPECT_EQ(livesText(), L"Nur 3 Leben erlaubt: von deinen 5 bleiben 3, auch wenn du später zurückstellst.");
    box(L"O_MittelCB")->setChecked(true);
    EXPECT_EQ(player->getLeben(), 5) << "taken back before OK";
    box(L"O_LeichtCB")->setChecked(true);
    EXPECT_EQ(player->getLeben(), 5);
    EXPECT_EQ(livesText(), L"Deine 5 Leben bleiben; leichter schenkt keine dazu.");
    box(L"O_SchwerCB")->setChecked(true);
    clickThrough(host, L"O_OKButton");
    host.game().onMenuOpened(nullptr, options);
    box(L"O_MittelCB")->setChecked(true);
    EXPECT_EQ(player->getLeben(), 3) << "after OK the lives hard left stay";
    player->setLeben(1);
    clickThrough(host, L"O_OKButton");

    // The resolution slider offers every 32-bit mode of the device and no 16-bit one.
    auto* resolution = dynamic_cast<Ulvo::GUISlider*>(GameHost::findWindow(L"AufloesungSlider"));
    ASSERT_TRUE(resolution && resolution->getLabel());
    const float shown = resolution->getValue();
    std::set<std::wstring> offered;
    for (int place = 0; place <= static_cast<int>(resolution->getMaximum()); ++place) {
        resolution->setValue(static_cast<float>(place));
        const std::wstring text = resolution->getLabel()->getText();
        EXPECT_NE(text.find(L" 32 bit"), std::wstring::npos) << place;
        offered.insert(text);
    }
    std::size_t deep = 0;
    for (const D3DDISPLAYMODE& mode : Ulvo::D3DInterface::getInstance()->getDisplayModeList())
        deep += mode.Format == D3DFMT_X8R8G8B8;
    EXPECT_GT(deep, 1u);
    EXPECT_EQ(offered.size(), deep);
    resolution->setValue(shown);

    // Help switched off by either box: both boxes follow and no help shows; on again, it does.
    ASSERT_TRUE(box(L"THREEMATCH_HELP_CHECKBOX_1") && box(L"THREEMATCH_HELP_CHECKBOX_2"));
    box(L"THREEMATCH_HELP_CHECKBOX_1")->setChecked(false);
    EXPECT_FALSE(box(L"THREEMATCH_HELP_CHECKBOX_2")->isChecked());
    EXPECT_TRUE(player->getShownHelp() & ScreenRules::kHelpOff);
    EXPECT_FALSE(host.game().showHelp(0x2));
    box(L"THREEMATCH_HELP_CHECKBOX_2")->setChecked(true);
    EXPECT_EQ(player->getShownHelp(), 0u);
    EXPECT_TRUE(host.game().showHelp(0x2));
    EXPECT_FALSE(host.game().showHelp(0x2)) << "each help shows once";

    // A building is bought through a minigame: the game's own cancel button buys nothing; the
    // game solved by the mouse builds it at the cost its score leaves, once; skip pays the whole.
    RohstoffManager& stones =
        static_cast<MyGlobals*>(Ulvo::UlvoEngine::getInstance()->getUserGlobals())->getRohstoffManager();
    for (Rohstoffklasse* klasse : stones.getKlassen()) {
        klasse->addLevelPunkte(1000);
        klasse->commitLevelPunkte();
    }
    host.game().refreshBuildingButtons();
    GebaeudeManager& town =
        static_cast<MyGlobals*>(Ulvo::UlvoEngine::getInstance()->getUserGlobals())->getGebaeudeManager();
    Gebaeude* building = town.getGebaeude(0, 0);
    ASSERT_NE(building, nullptr);
    ASSERT_FALSE(building->getKosten().empty());
    ASSERT_FALSE(building->isBuilt());
    const Gebaeude::Kosten cost = building->getKosten().front();
    ASSERT_NE(cost.klasse, nullptr);
    const int stock = cost.klasse->getPunkte();
    MinispielManager* minigames = MinispielManager::getInstance();
    Scores scores;
    minigames->resultSignal.connect(&scores, &Scores::onResult);

    // The town's buttons buy only while the town stands; its result's OK leads back there.
    const auto confirmResult = [&host] {
        return host.click(L"THREEMATCHAUSWERTUNG_MINISPIEL_OK") &&
               Player::waitForMenu(host, L"THREEMATCH_BAUEN_MENU", 5.0);
    };
    clickThrough(host, L"H_Start");
    ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCH_BAUEN_MENU", 5.0));
    clickThrough(host, L"THREEMATCH_BAUEN_KAUFEN_BUTTON");
    Minispiel* game = minigames->getActiveMinispiel();
    ASSERT_NE(game, nullptr) << "the data's minigames come with a purchase";
    // The first minigame brings its introduction.
    ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCH_MINISPIEL_MENU", 5.0));
    EXPECT_TRUE(minigames->isHelpShown());
    ASSERT_TRUE(host.click(L"MINISPIEL_H_OKButton"));
    ASSERT_TRUE(host.waitFor([&] { return !minigames->isHelpShown(); }, 3.0));
    ASSERT_TRUE(clickCancel(*game));
    ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCH_BAUEN_MENU", 5.0));
    EXPECT_EQ(minigames->getActiveMinispiel(), nullptr);
    EXPECT_FALSE(building->isBuilt()) << "cancel buys nothing";
    EXPECT_EQ(cost.klasse->getPunkte(), stock);
    EXPECT_TRUE(scores.values.empty());

    clickThrough(host, L"THREEMATCH_BAUEN_KAUFEN_BUTTON");
    game = minigames->getActiveMinispiel();
    ASSERT_NE(game, nullptr);
    ASSERT_TRUE(host.click(L"MINISPIEL_H_OKButton"));
    ASSERT_TRUE(host.waitFor([&] { return !minigames->isHelpShown(); }, 3.0));
    // The game's window fades in as the help fades out, and takes clicks once it stands.
    host.seconds(1.0);
    EXPECT_TRUE(MinigameSolver::solve(*game, hands(host))) << PlayThrough::narrow(game->getName());
    ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCHAUSWERTUNG_MINISPIEL_MENU", 10.0));
    ASSERT_EQ(scores.values.size(), 1u);
    const float score = scores.values[0];
    EXPECT_GT(score, 0.0f);
    EXPECT_TRUE(building->isBuilt());
    const TownRules::MinigameSaving saving = TownRules::minigameSaving(score, player->getSchwierigkeit());
    EXPECT_LT(saving.paid(cost.anzahl), cost.anzahl) << "the score lowers the cost";
    EXPECT_EQ(cost.klasse->getPunkte(), stock - saving.paid(cost.anzahl));
    const int afterGame = cost.klasse->getPunkte();
    ASSERT_TRUE(confirmResult());
    clickThrough(host, L"THREEMATCH_BAUEN_KAUFEN_BUTTON");
    EXPECT_EQ(minigames->getActiveMinispiel(), nullptr) << "a built building is not bought again";
    EXPECT_EQ(cost.klasse->getPunkte(), afterGame);

    Gebaeude* second = town.getGebaeude(1, 0);
    ASSERT_NE(second, nullptr);
    ASSERT_FALSE(second->isBuilt());
    const Gebaeude::Kosten secondCost = second->getKosten().front();
    const int secondStock = secondCost.klasse->getPunkte();
    ASSERT_GE(host.game().getBuildingButtons().size(), 2u);
    host.game().onButtonClicked(*host.game().getBuildingButtons()[1]);
    ASSERT_NE(minigames->getActiveMinispiel(), nullptr);
    ASSERT_TRUE(host.click(L"MINISPIEL_H_SkipButton"));
    ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCHAUSWERTUNG_MINISPIEL_MENU", 5.0));
    ASSERT_EQ(scores.values.size(), 2u);
    EXPECT_EQ(scores.values[1], 0.0f);
    EXPECT_TRUE(second->isBuilt());
    EXPECT_EQ(secondCost.klasse->getPunkte(), secondStock - secondCost.anzahl) << "skip pays the whole cost";
    minigames->resultSignal.disconnect(&scores);

    // The next two are bought through their games too: the rotation brings other kinds in the
    // same run, each solved by the mouse.
    std::set<std::string> kinds{typeid(*game).name()};
    for (int place = 2; place < 4; ++place) {
        Gebaeude* next = town.getGebaeude(place, 0);
        ASSERT_NE(next, nullptr);
        ASSERT_TRUE(confirmResult());
        ASSERT_GT(host.game().getBuildingButtons().size(), static_cast<std::size_t>(place));
        host.game().onButtonClicked(*host.game().getBuildingButtons()[static_cast<std::size_t>(place)]);
        Minispiel* played = minigames->getActiveMinispiel();
        ASSERT_NE(played, nullptr);
        ASSERT_TRUE(host.click(L"MINISPIEL_H_OKButton"));
        ASSERT_TRUE(host.waitFor([&] { return !minigames->isHelpShown(); }, 3.0));
        host.seconds(1.0);
        EXPECT_TRUE(MinigameSolver::solve(*played, hands(host))) << PlayThrough::narrow(played->getName());
        ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCHAUSWERTUNG_MINISPIEL_MENU", 10.0));
        EXPECT_TRUE(next->isBuilt()) << PlayThrough::narrow(played->getName());
        kinds.insert(typeid(*played).name());
    }
    EXPECT_GE(kinds.size(), 2u) << "three games of the rotation, at most two of a kind";
    ASSERT_TRUE(confirmResult());

    // With the first four built the town shows its second row; a place past the last building
    // offers nothing to buy.
    host.game().refreshBuildingButtons();
    const std::vector<Ulvo::GUIWindow*>& buttons = host.game().getBuildingButtons();
    for (std::size_t place = 0; place < buttons.size(); ++place) {
        if (town.getGebaeude(static_cast<int>(place), 0) || !buttons[place])
            continue;
        EXPECT_FALSE(buttons[place]->getOptions().visible) << "place " << place;
        EXPECT_FALSE(buttons[place]->getOptions().enabled) << "place " << place;
    }
    ASSERT_EQ(town.getGebaeude(3, 0), nullptr) << "the data's town has seven buildings in rows of four";

    // Without catastrophes in the data the wrath's strike shows nothing, and nothing breaks.
    EXPECT_TRUE(host.game().getKatastrophen().empty());
    host.game().showKatastrophe();

    Spielfeld* board = host.game().getBoard();
    ASSERT_NE(board, nullptr);
    // A free-play level ends without a result to confirm; the next story level must still
    // reach its result screen.
    player->setShownHelp(ScreenRules::kHelpOff); // no help screen stops the clock
    const auto running = [board] { return board->getState() == Spielfeld::Laeuft; };
    const auto outOfTime = [&host, board] {
        board->setBonusTime(-100000.0, 0.0);
        return host.fastForward([&host] { return host.game().isTallyRunning(); }, 10.0);
    };
    clickThrough(host, L"THREEMATCH_BAUEN_FREIES_SPIELEN");
    ASSERT_TRUE(host.fastForward(running, 15.0));
    ASSERT_TRUE(outOfTime());
    clickThrough(host, L"THREEMATCH_BAUEN_SPIELEN");
    ASSERT_TRUE(host.fastForward(running, 15.0));
    EXPECT_FALSE(host.game().isTallyRunning());
    ASSERT_TRUE(outOfTime());
    EXPECT_EQ(GameHost::activeMenu(), L"THREEMATCH_AUSWERTUNG_LOSE_MENU");

    board->clear();
    ASSERT_TRUE(board->loadLevel(0));
    board->start();
    EXPECT_EQ(board->getState(), Spielfeld::Laeuft);
    clickThrough(host, L"P_DELButton");
    EXPECT_EQ(profiles->getProfileCount(), 1) << "deleting asks first";
    clickThrough(host, L"PL_JA");
    EXPECT_EQ(profiles->getActiveProfile(), nullptr);
    EXPECT_EQ(profiles->getProfileCount(), 0);
    EXPECT_EQ(board->getState(), Spielfeld::Keiner) << "the deleted profile's level left the board";
    // With no profile nothing plays: "H_Start" and the town's buttons ask for a name instead.
    clickThrough(host, L"H_Start");
    clickThrough(host, L"THREEMATCH_BAUEN_SPIELEN");
    host.fastForward([] { return false; }, 2.0);
    EXPECT_NE(board->getState(), Spielfeld::Laeuft);
    EXPECT_TRUE(GameHost::shown(L"NP_Fenster")) << "a name is asked for";
}

} // namespace
