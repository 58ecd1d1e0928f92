// The controller's screens: what a menu needs when it opens, what a click means, the option
// controls and the switch of the active profile.
#include "threematch/controller/ScreenRules.h"
#include "foundation/helpers/Release.h"
#include "threematch/controller/ThreeMatchGame.h"

#include "devices/d3d/D3DInitParams.h"
#include "devices/d3d/D3DInterface.h"
#include "engine/UlvoEngine.h"
#include "foundation/app/AppInfo.h"
#include "foundation/logging/Logger.h"
#include "foundation/text/TextManager.h"
#include "foundation/time/PerfTimer.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "gui/menus/GUIMenu.h"
#include "gui/menus/GUIMenuManager.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUIButton.h"
#include "gui/widgets/GUICheckboxButton.h"
#include "gui/widgets/GUILabel.h"
#include "gui/widgets/GUISlider.h"
#include "minigames/frame/Minispiel.h"
#include "minigames/frame/MinispielManager.h"
#include "threematch/board/Spielfeld.h"
#include "threematch/bonuses/BonusManager.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/lightshow/LichterspielManager.h"
#include "threematch/profiles/Profil.h"
#include "threematch/profiles/ProfileManager.h"
#include "threematch/screens/MenuEbene.h"
#include "threematch/screens/MenuEbenenManager.h"
#include "threematch/stones/RohstoffManager.h"
#include "threematch/town/GebaeudeManager.h"

#include <algorithm>
#include <span>
#include <string>

namespace ThreeMatch {

using namespace ScreenRules;

namespace {

bool named(const Ulvo::GUIMenu* menu, const wchar_t* name)
{
    return menu && menu->getName() == name;
}

// The clock's pause bit of the screens that stop the game.
constexpr uint8_t kMenuPause = 1;

const wchar_t* const kDifficultyBoxes[3] = {L"O_LeichtCB", L"O_MittelCB", L"O_SchwerCB"};

} // namespace

// ---------------------------------------------------------------- screen preparation

void ThreeMatchGame::onMenuOpened(Ulvo::GUIMenu* previous, Ulvo::GUIMenu* opened)
{
    if (named(previous, L"THREEMATCH_VORSTELLUNG_MENU") && m_helpWaiting) {
        showMenu(L"THREEMATCH_HELP_MENU", false);
        if (Ulvo::GUIWindow* help = m_gui->getWindow(L"THREEMATCH_HELP_MENU"))
            help->bringToFront();
        m_helpWaiting = false;
    }
    if (!opened)
        return;
    const std::wstring& name = opened->getName();
    Ulvo::PerfTimer* clock = m_engine->getPerfTimer();
    if (name == L"THREEMATCH_INGAME_PAUSE_MENU" || name == L"THREEMATCH_VORSTELLUNG_MENU" ||
        name == L"THREEMATCH_HELP_MENU") {
        clock->setPause(kMenuPause, true);
    } else if (name == L"THREEMATCH_INGAME_MENU") {
        // Back from a help text while the pause screen stands (paused under the help): the
        // level stays paused until the pause screen is left.
        const Ulvo::GUIMenu* pause = m_menus->getMenu(L"THREEMATCH_INGAME_PAUSE_MENU");
        if (!pause || !pause->isPendingActive())
            clock->setPause(kMenuPause, false);
        showHelp(0x4);
    } else if (name == L"THREEMATCH_MINISPIEL_MENU") {
        clock->setPause(kMenuPause, false);
        showHelp(0x10000);
    }

    if (name == L"HILFE_MENU") {
        // Reconnected on every visit, so that each page is connected once.
        for (int n = 0;; ++n) {
            Ulvo::GUIWindow* page = m_gui->getWindow(L"H_HILFE_PAGE_" + std::to_wstring(n));
            if (!dynamic_cast<Ulvo::GUILabel*>(page))
                break;
            page->rectChanged.disconnect(this);
            page->rectChanged.connect(this, &ThreeMatchGame::fitHelpPage);
            // A page whose place does not change would keep the height it was laid out with
            // and overlap the next: each one is fitted to its text now.
            fitHelpPage(*page);
        }
    } else if (name == L"PROFILE_MENU") {
        showHelp(0x10);
    } else if (name == L"NEUES_PROFILE_MENU") {
        Ulvo::GUICheckboxButton* useZorn = findCheckbox(*m_gui, L"NP_UseZorn");
        if (m_newProfile && useZorn)
            useZorn->setChecked(m_newProfile->getUseZorn());
    } else if (name == L"OPTIONEN_MENU") {
        if (Ulvo::GUISlider* slider = findSlider(*m_gui, L"AufloesungSlider")) {
            const Ulvo::DisplayModeList& modes = m_d3d->getDisplayModeList();
            slider->setValue(static_cast<float>(offeredPlace(offeredDisplayModes(modes), modes, m_currentMode)));
        }
        m_optionsProfile = m_profiles->getActiveProfile();
        if (m_optionsProfile) {
            m_optionsSchwierigkeit = m_optionsProfile->getSchwierigkeit();
            m_optionsLeben = m_optionsProfile->getLeben();
            m_optionsUnplayed = m_optionsProfile->isUnplayed();
        }
        showDifficultyLives();
        showHelp(0x8);
    } else if (name == L"CREDITS_MENU") {
        if (Ulvo::GUILabel* credits = dynamic_cast<Ulvo::GUILabel*>(m_gui->getWindow(L"C_CreditsLabel"))) {
            Ulvo::TextManager* texts = m_engine->getTextManager();
            std::wstring text =
                credits->getTextId().empty() ? credits->getText() : texts->getTextString(credits->getTextId());
            if (const Ulvo::Text* version = texts->getText(L"VERSION")) {
                unsigned major = 0, minor = 0, build = 0, revision = 0;
                Ulvo::AppInfo::getInstance()->getVersion(major, minor, build, revision);
                text += L"\n\n" + texts->formatText(version, major, minor);
            }
            credits->setText(text);
        }
    } else if (name == L"HAUPTMENU") {
        if (!m_profiles->getActiveProfile() && m_profiles->getProfileCount() == 0) {
            // A first start: straight on to name the first profile.
            askForNewProfile();
        } else {
            showHelp(0x1);
        }
        if ((named(previous, L"THREEMATCH_BAUEN_MENU") || named(previous, L"THREEMATCH_INGAME_MENU") ||
             named(previous, L"THREEMATCH_INGAME_PAUSE_MENU")) &&
            m_exchangeFade.end == 0.0f)
            toggleExchangeView();
    } else if (name == L"THREEMATCH_BAUEN_MENU") {
        if (m_exchangeFade.end == 1.0f)
            toggleExchangeView();
        showHelp(0x2);
    }
}

// ---------------------------------------------------------------- clicks

void ThreeMatchGame::onButtonClicked(Ulvo::GUIWindow& window)
{
    if (m_mainMenuHidden) {
        m_mainMenuHidden = false;
        if (MenuEbene* main = m_menuLevels->getMainMenuLevel())
            main->setActive(true, 1.0);
        return;
    }
    const std::wstring& id = window.getUserId();

    const auto bonusAt = std::find(m_bonusButtons.begin(), m_bonusButtons.end(), &window);
    if (bonusAt != m_bonusButtons.end()) {
        useBonus(static_cast<int>(bonusAt - m_bonusButtons.begin()));
        return;
    }
    const auto buyAt = std::find(m_buildingButtons.begin(), m_buildingButtons.end(), &window);
    if (buyAt != m_buildingButtons.end()) {
        buyBuilding(static_cast<int>(buyAt - m_buildingButtons.begin()));
        return;
    }

    for (const ClickHandler& handler : clickHandlers()) {
        if (id == handler.id) {
            handler.handle(*this, id);
            return;
        }
    }
}

std::span<const ThreeMatchGame::ClickHandler> ThreeMatchGame::clickHandlers()
{
    using Game = ThreeMatchGame;
    using Id = const std::wstring&;
    const auto won = [](Game& game, Id) { game.takeLevelResult(true); };
    const auto lost = [](Game& game, Id) { game.takeLevelResult(false); };
    const auto toTown = [](Game& game, Id) { game.backToTown(); };
    const auto minigameSeen = [](Game& game, Id) {
        game.showMenu(L"THREEMATCH_BAUEN_MENU");
        game.m_globals->getLichterspiele().start(L"THREEMATCH_MINI_WIN");
        game.m_profiles->saveProfiles();
    };
    const auto quit = [](Game& game, Id) { game.m_engine->exit(0); };
    const auto displayConfirmed = [](Game& game, Id id) {
        game.m_d3d->confirmDisplayMode(id == L"US_OK");
        game.resetModeIndices();
    };
    // Compared in this order; the first equal id takes the click.
    static const ClickHandler kHandlers[] = {
        {L"H_AUSBLENDEN",
         [](Game& game, Id) {
             game.m_mainMenuHidden = true;
             if (MenuEbene* main = game.m_menuLevels->getMainMenuLevel())
                 main->setActive(false, 1.0);
         }},
        {L"THREEMATCH_TAUSCH_HG", [](Game& game, Id) { game.toggleExchangeView(); }},
        {L"O_OKButton",
         [](Game& game, Id) {
             game.m_optionsProfile = nullptr; // the choice stands
             game.showMenu(L"HAUPTMENU");
             game.applyDisplayChoice();
         }},
        {L"H_Start",
         [](Game& game, Id) {
             if (!game.ensureActiveProfile())
                 return;
             const int state = game.m_board ? game.m_board->getState() : Spielfeld::Keiner;
             if ((state == Spielfeld::Laeuft || state == Spielfeld::Geladen) && !game.m_board->isFreePlay())
                 game.requestIngame(REQUEST_RESUME);
             else
                 game.showMenu(L"THREEMATCH_BAUEN_MENU");
         }},
        {L"THREEMATCH_BAUEN_SPIELEN",
         [](Game& game, Id) {
             if (game.townTakesClicks() && game.ensureActiveProfile())
                 game.requestIngame(REQUEST_NEXT_LEVEL);
         }},
        {L"THREEMATCH_BAUEN_FREIES_SPIELEN",
         [](Game& game, Id) {
             if (game.townTakesClicks() && game.ensureActiveProfile())
                 game.requestIngame(REQUEST_FREE_PLAY);
         }},
        {L"THREEMATCHAUSWERTUNG_WIN_OK", won},
        {L"THREEMATCHAUSWERTUNG_WIN", won},
        {L"THREEMATCHAUSWERTUNG_LOSE_OK", lost},
        {L"THREEMATCHAUSWERTUNG_LOSE", lost},
        {L"THREEMATCHAUSWERTUNG_ZORN_OK", toTown},
        {L"THREEMATCHAUSWERTUNG_ZORN", toTown},
        {L"THREEMATCHAUSWERTUNG_GAMEOVER_OK", toTown},
        {L"THREEMATCHAUSWERTUNG_GAMEOVER", toTown},
        {L"THREEMATCHAUSWERTUNG_MINISPIEL_OK", minigameSeen},
        {L"THREEMATCHAUSWERTUNG_MINISPIEL", minigameSeen},
        {L"B_BeendenButton", quit},
        {L"THREEMATCH_EXIT_TW_BUTTON", quit},
        {L"P_NEUButton",
         [](Game& game, Id) {
             game.startNewProfile();
             game.showHelp(0x20);
         }},
        {L"P_DELButton", [](Game& game, Id) { game.askToDeleteProfile(); }},
        {L"PL_JA", [](Game& game, Id) { game.deleteActiveProfile(); }},
        {L"PL_NEIN", [](Game& game, Id) { game.showMenu(L"PROFILE_MENU"); }},
        {L"P_OKButton",
         [](Game& game, Id) {
             if (game.m_profiles->getActiveProfile())
                 game.showMenu(L"HAUPTMENU");
             else
                 game.ensureActiveProfile();
         }},
        {L"NP_CancelButton",
         [](Game& game, Id) {
             game.dropNewProfile();
             game.showMenu(L"PROFILE_MENU");
         }},
        {L"NP_OKButton", [](Game& game, Id) { game.acceptNewProfile(); }},
        {L"C_UPDATE",
         [](Game&, Id) {
             // The program's version data names no update page.
             Ulvo::mainLogger().log(10, Ulvo::LOG_TYPE_INFO, L"C_UPDATE: keine Update-Adresse bekannt\n");
         }},
        {L"US_OK", displayConfirmed},
        {L"US_CANCEL", displayConfirmed},
    };
    return kHandlers;
}

void ThreeMatchGame::useBonus(int index)
{
    Bonus* bonus = m_globals->getBonusManager().getBonus(index);
    if (!bonus || m_selectedBonus || !m_board || !bonus->isAvailable() || bonus->getCharge() < 1.0)
        return;
    m_board->resetHintTimer();
    bonus->setSpielfeld(m_board);
    if (bonus->needsFeld()) {
        m_selectedBonus = bonus;
        return;
    }
    bonus->apply(nullptr);
    bonus->reset();
}

bool ThreeMatchGame::townTakesClicks() const
{
    const Ulvo::GUIMenu* town = m_menus ? m_menus->getMenu(L"THREEMATCH_BAUEN_MENU") : nullptr;
    return town && town->isPendingActive();
}

void ThreeMatchGame::buyBuilding(int place)
{
    // A purchase started under a result or a running minigame would replace that screen and
    // take the building the result was settled for.
    if (!townTakesClicks())
        return;
    Gebaeude* building = m_globals->getGebaeudeManager().getGebaeude(place, 0);
    m_lastBuilding = building;
    if (!building || building->isBuilt() || !building->canBuild())
        return;
    MinispielManager* minigames = MinispielManager::getInstance();
    Minispiel* game = minigames->getCurrentMinispiel();
    if (!game) {
        // Without a minigame to play the building is bought at its full cost, so that the
        // town can still grow.
        settleBuilding(0.0f, Settling::Bought);
        return;
    }
    // The town's celebration of the last building ends with the town screen, not over the game.
    m_globals->getLichterspiele().stop();
    showMenu(L"THREEMATCH_MINISPIEL_MENU");
    game->start();
    minigames->setActiveMinispiel(game);
    minigames->showScreen(true);
}

void ThreeMatchGame::applyDisplayChoice()
{
    if (m_chosenMode == m_currentMode && m_chosenFullscreen == m_fullscreen)
        return;
    m_fullscreen = m_chosenFullscreen;
    Ulvo::DisplayModeList& modes = m_d3d->getDisplayModeList();
    if (m_chosenMode >= 0 && m_chosenMode < static_cast<int>(modes.size()))
        m_d3d->setDisplayMode(&modes[m_chosenMode], m_chosenFullscreen ? 1 : 0, m_confirmDisplayChanges);
    resetModeIndices();
}

void ThreeMatchGame::takeLevelResult(bool won)
{
    // The result screen's OK counts once: a second click while the screen fades out finds
    // the result taken.
    if (!m_tallyRunning)
        return;
    m_tallyRunning = false;
    RohstoffManager& rohstoffe = m_globals->getRohstoffManager();
    Profil* active = m_profiles->getActiveProfile();
    if (won) {
        if (active)
            active->nextLevel();
        rohstoffe.commitLevelPunkte();
        rohstoffe.clearShownLevelPunkte();
    } else {
        rohstoffe.resetLevelPunkte();
    }
    refreshBuildingButtons();
    if (m_townRules.showsCatastropheResult()) {
        showMenu(L"THREEMATCHAUSWERTUNG_ZORN_MENU");
        return;
    }
    if (won || !active || active->getLeben() > 0) {
        backToTown();
        return;
    }
    // Game over: the town and the classes start again, with one life.
    m_globals->getGebaeudeManager().resetAll();
    rohstoffe.resetAll();
    active->reset();
    active->setLeben(1);
    showMenu(L"THREEMATCHAUSWERTUNG_GAMEOVER_MENU");
}

void ThreeMatchGame::backToTown()
{
    showMenu(L"THREEMATCH_BAUEN_MENU");
    m_tallyRunning = false;
    m_profiles->saveProfiles();
}

// ---------------------------------------------------------------- deleting a profile

void ThreeMatchGame::askToDeleteProfile()
{
    const Profil* active = m_profiles->getActiveProfile();
    if (!active)
        return;
    // The question names the profile: a whole game's progress goes with it.
    if (Ulvo::GUILabel* question = findLabel(*m_gui, L"PL_LABEL"))
        question->setText(m_engine->getTextManager()->getTextString(L"PL_FRAGE") + L"\n\n" + active->getName());
    showMenu(L"PROFILE_LOESCHEN_MENU");
}

void ThreeMatchGame::deleteActiveProfile()
{
    if (Profil* active = m_profiles->getActiveProfile())
        m_profiles->deleteProfile(active);
    m_profiles->saveProfiles();
    // The one left is chosen before the list shows again, so that its help settings count there.
    if (m_profiles->getProfileCount() == 0) {
        askForNewProfile();
        return;
    }
    ensureActiveProfile();
    m_profiles->saveProfiles();
    showMenu(L"PROFILE_MENU");
}

bool ThreeMatchGame::ensureActiveProfile()
{
    if (m_profiles->getActiveProfile())
        return true;
    // The game never runs without a player: the first one left plays on, or one is named.
    if (m_profiles->getProfileCount() > 0) {
        m_profiles->selectProfile(m_profiles->getProfile(0));
        return true;
    }
    askForNewProfile();
    return false;
}

// ---------------------------------------------------------------- the profile under construction

void ThreeMatchGame::dropNewProfile()
{
    Ulvo::releaseAndNull(m_newProfile);
    m_nameEntry = false;
    m_replaceName = false;
    if (Ulvo::GUILabel* label = findLabel(*m_gui, L"NP_ProfilNameLabel"))
        label->setCursorVisible(false);
    // The help boxes spoke for the dropped profile: they show the help of whoever plays now.
    showHelpBoxes();
}

uint32_t ThreeMatchGame::playerHelpMask() const
{
    const Profil* active = m_profiles->getActiveProfile();
    return active ? active->getShownHelp() : m_helpMask;
}

void ThreeMatchGame::showHelpBoxes()
{
    const Profil* owner = m_newProfile ? m_newProfile : m_profiles->getActiveProfile();
    const bool on = ((owner ? owner->getShownHelp() : m_helpMask) & kHelpOff) == 0;
    m_suppressOptionSlots = true;
    for (Ulvo::GUICheckboxButton* box : {m_helpCheckbox1, m_helpCheckbox2}) {
        if (box)
            box->setChecked(on);
    }
    m_suppressOptionSlots = false;
}

void ThreeMatchGame::startNewProfile()
{
    dropNewProfile();
    Ulvo::GUILabel* label = findLabel(*m_gui, L"NP_ProfilNameLabel");
    if (!label)
        return;
    label->setTextId(L"NEUES_PROFIL");
    m_newProfile = new Profil(label->getText());
    // Help switched off stays off for the profile made next, and the hints of the profile screens
    // read before are not shown again on every "Neu".
    m_newProfile->setShownHelp(m_newProfile->getShownHelp() | (playerHelpMask() & kHelpOff) |
                               ((playerHelpMask() | m_helpMask) & kProfileScreenHelp));
    m_nameEntry = true;
    m_replaceName = true;
    showHelpBoxes();
}

void ThreeMatchGame::askForNewProfile()
{
    startNewProfile();
    if (Ulvo::GUIMenu* newProfile = m_menus->getMenu(L"NEUES_PROFILE_MENU")) {
        newProfile->show(1.0, true, false);
        m_menus->switchMenu(newProfile, true);
    }
    showHelp(0x20);
}

void ThreeMatchGame::acceptNewProfile()
{
    if (!m_newProfile || m_newProfile->getName().empty())
        return;
    // A refused name (one already listed) keeps the entry open.
    if (!m_profiles->createProfile(m_newProfile))
        return;
    Profil* created = m_newProfile;
    m_newProfile = nullptr; // the manager holds it now
    m_profiles->selectProfile(created);
    m_profiles->saveProfiles();
    dropNewProfile();
    showMenu(L"PROFILE_MENU");
}

// ---------------------------------------------------------------- exchange view and options

void ThreeMatchGame::toggleExchangeView()
{
    Ulvo::Interpolation<float, float>& fade = m_exchangeFade;
    if (fade.end == 1.0f) {
        fade.start = 1.0f;
        fade.end = 0.0f;
    } else {
        fade.start = 0.0f;
        fade.end = 1.0f;
    }
    fade.setParam(1.0f - fade.t);
    if (Ulvo::GUIButton* button = findButton(*m_gui, L"THREEMATCH_TAUSCH_HG")) {
        if (Ulvo::GUILabel* label = button->getLabel())
            label->setTextId(fade.end == 1.0f ? L"THREEMATCH_TAUSCH_1" : L"THREEMATCH_TAUSCH_2");
    }
}

void ThreeMatchGame::applyOptions()
{
    if (Ulvo::GUICheckboxButton* box = findCheckbox(*m_gui, L"O_VollbildCB")) {
        const D3DPRESENT_PARAMETERS* present = m_d3d->getPresentParams();
        box->setChecked(present && !present->Windowed);
        m_fullscreen = m_chosenFullscreen = box->isChecked();
        box->stateChanged.connect(this, &ThreeMatchGame::onFullscreenChecked);
    }
    void (ThreeMatchGame::*const difficultySlots[3])(Ulvo::GUICheckboxButton&) = {
        &ThreeMatchGame::onEasyChecked, &ThreeMatchGame::onMediumChecked, &ThreeMatchGame::onHardChecked};
    for (int i = 0; i < 3; ++i) {
        if (Ulvo::GUICheckboxButton* box = findCheckbox(*m_gui, kDifficultyBoxes[i])) {
            box->setChecked(m_globals->getSchwierigkeit() == i);
            box->stateChanged.connect(this, difficultySlots[i]);
        }
    }
    if (Ulvo::GUICheckboxButton* box = findCheckbox(*m_gui, L"NP_UseZorn")) {
        box->setChecked(true);
        box->stateChanged.connect(this, &ThreeMatchGame::onUseZornChecked);
    }
    if (Ulvo::GUICheckboxButton* box = findCheckbox(*m_gui, L"O_Hires")) {
        box->setChecked(m_globals->getHires());
        box->stateChanged.connect(this, &ThreeMatchGame::onHiresChecked);
    }
    m_helpCheckbox1 = findCheckbox(*m_gui, L"THREEMATCH_HELP_CHECKBOX_1");
    m_helpCheckbox2 = findCheckbox(*m_gui, L"THREEMATCH_HELP_CHECKBOX_2");
    for (Ulvo::GUICheckboxButton* box : {m_helpCheckbox1, m_helpCheckbox2}) {
        if (!box)
            continue;
        if (Profil* active = m_profiles->getActiveProfile())
            box->setChecked((active->getShownHelp() & kHelpOff) == 0);
        box->stateChanged.connect(this, &ThreeMatchGame::onHelpChecked);
    }
    if (Ulvo::GUISlider* slider = findSlider(*m_gui, L"AufloesungSlider")) {
        const Ulvo::DisplayModeList& modes = m_d3d->getDisplayModeList();
        const std::vector<int> offered = offeredDisplayModes(modes);
        slider->setRange(0.0f, static_cast<float>(std::max(static_cast<int>(offered.size()) - 1, 0)));
        slider->setValue(static_cast<float>(offeredPlace(offered, modes, m_currentMode)));
        slider->valueChanged.connect(this, &ThreeMatchGame::onResolutionSlider);
        onResolutionSlider(*slider, slider->getValue());
    }
    if (Ulvo::GUISlider* slider = findSlider(*m_gui, L"SoundSlider")) {
        slider->setRange(0.0f, 100.0f);
        slider->setValue(m_globals->getSoundVolume());
        slider->valueChanged.connect(this, &ThreeMatchGame::onSoundVolume);
        onSoundVolume(*slider, slider->getValue());
    }
    if (Ulvo::GUISlider* slider = findSlider(*m_gui, L"MusicSlider")) {
        slider->setRange(0.0f, 100.0f);
        slider->setValue(m_globals->getMusicVolume());
        slider->valueChanged.connect(this, &ThreeMatchGame::onMusicVolume);
        onMusicVolume(*slider, slider->getValue());
    }
    for (int i = 0; i < 4; ++i) {
        Ulvo::GUICheckboxButton* box = findCheckbox(*m_gui, L"O_Cursor" + std::to_wstring(i));
        Ulvo::Texture2DAnimation* cursor = i < static_cast<int>(m_cursors.size()) ? m_cursors[i] : nullptr;
        if (!box || !cursor)
            continue;
        if (Ulvo::Texture2DAnimationFrame* frame = cursor->getCurrentTexture()) {
            Ulvo::GUIDrawOptions& look = box->getDrawOptions();
            look.setBackgroundTexture(frame->texture);
            look.backSource[0] = static_cast<float>(frame->rect.left);
            look.backSource[1] = static_cast<float>(frame->rect.top);
            look.backSource[2] = static_cast<float>(frame->rect.right);
            look.backSource[3] = static_cast<float>(frame->rect.bottom);
            look.useBackSource = true;
        }
        box->setChecked(m_globals->getMouse() == i);
        box->stateChanged.connect(this, &ThreeMatchGame::onCursorChecked);
    }
}

void ThreeMatchGame::onCursorChecked(Ulvo::GUICheckboxButton& box)
{
    if (!box.isChecked())
        return;
    for (int i = 0; i < 4; ++i) {
        Ulvo::GUICheckboxButton* other = findCheckbox(*m_gui, L"O_Cursor" + std::to_wstring(i));
        if (other == &box)
            m_globals->setMouse(i);
        else if (other)
            other->setChecked(false);
    }
}

// ---------------------------------------------------------------- the active profile

void ThreeMatchGame::showProfileFonts(Profil* active)
{
    for (std::size_t i = 0; i < m_profileButtons.size(); ++i) {
        Ulvo::GUILabel* label = labelOf(m_profileButtons[i]);
        if (!label)
            continue;
        const bool isActive = active && m_profiles->getProfile(static_cast<int>(i)) == active;
        label->setFontStyle(isActive ? L"ACTIVE_PROFIL_NORMAL" : L"INACTIVE_PROFIL_NORMAL",
                            Ulvo::GUILabel::STYLE_NORMAL);
        label->setFontStyle(isActive ? L"ACTIVE_PROFIL_MARKED" : L"INACTIVE_PROFIL_MARKED",
                            Ulvo::GUILabel::STYLE_MARKED);
        label->setFontName(isActive ? L"ActiveProfilFont" : L"ProfilFont");
    }
}

void ThreeMatchGame::onProfileSwitched(Profil* oldProfile, Profil* newProfile)
{
    if (!newProfile) {
        // The active profile was deleted: its running level must not stay on the board.
        if (oldProfile && m_board) {
            m_board->clear();
            m_selectedBonus = nullptr;
        }
        showProfileFonts(nullptr);
        return;
    }
    showProfileFonts(newProfile);
    // The controller sets these boxes; their slots would write the settings back into the
    // profile (ticking a difficulty would give the profile that difficulty's full lives).
    m_suppressOptionSlots = true;
    if (m_helpCheckbox1 && m_helpCheckbox2) {
        const bool helpOn = (newProfile->getShownHelp() & kHelpOff) == 0;
        m_helpCheckbox1->setChecked(helpOn);
        m_helpCheckbox2->setChecked(helpOn);
    }
    const int difficulty = newProfile->getSchwierigkeit();
    if (Ulvo::GUICheckboxButton* box = findCheckbox(*m_gui, kDifficultyBoxes[difficulty])) {
        box->setChecked(true);
        for (int i = 0; i < 3; ++i) {
            Ulvo::GUICheckboxButton* other = i != difficulty ? findCheckbox(*m_gui, kDifficultyBoxes[i]) : nullptr;
            if (other)
                other->setChecked(false);
        }
    }
    m_suppressOptionSlots = false;

    MinispielManager::getInstance()->shuffle();
    if (m_board) {
        m_board->clear();
        m_selectedBonus = nullptr;
        newProfile->restoreLevel(m_globals);
    }
    refreshBuildingButtons();
    startLevel(true);
}

} // namespace ThreeMatch
