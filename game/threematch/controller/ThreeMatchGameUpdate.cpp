#include "threematch/controller/ThreeMatchGame.h"

#include "threematch/controller/ScreenRules.h"

#include "devices/input/DirectInputInterface.h"
#include "engine/UlvoEngine.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "gui/menus/GUIMenu.h"
#include "gui/menus/GUIMenuManager.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUILabel.h"
#include "gui/widgets/GUIProgressBar.h"
#include "minigames/frame/MinispielManager.h"
#include "render/manager/RenderManager.h"
#include "render/manager/RenderPostEffect.h"
#include "threematch/animations/WegpunktManager.h"
#include "threematch/board/Spielfeld.h"
#include "threematch/bonuses/Bonus.h"
#include "threematch/bonuses/BonusManager.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/lightshow/LichterspielManager.h"
#include "threematch/particles/PartikelManager.h"
#include "threematch/profiles/Profil.h"
#include "threematch/profiles/ProfileManager.h"
#include "threematch/screens/MenuEbenenManager.h"
#include "threematch/stones/RohstoffManager.h"
#include "threematch/stones/Rohstoffklasse.h"
#include "threematch/town/Gebaeude.h"
#include "threematch/town/GebaeudeManager.h"

#include <crt.h>

#include <algorithm>
#include <cmath>

namespace ThreeMatch {

namespace {

const wchar_t* const kIngameMenu = L"THREEMATCH_INGAME_MENU";
const wchar_t* const kTownMenu = L"THREEMATCH_BAUEN_MENU";
// The bonus buttons' tint: as drawn, and dark and faded for a bonus not brought yet.
const D3DXCOLOR kBonusShown(1.0f, 1.0f, 1.0f, 1.0f);
const D3DXCOLOR kBonusLocked(0.45f, 0.45f, 0.45f, 0.4f);

using ScreenRules::labelOf;

void showNumber(Ulvo::GUIWindow* window, int value)
{
    ScreenRules::showNumber(labelOf(window), value);
}

} // namespace

void ThreeMatchGame::splitTime(double seconds, int& minutes, int& wholeSeconds, int& hundredths)
{
    if (!(seconds > 0.0))
        seconds = 0.0;
    const int whole = static_cast<int>(std::min(seconds, 2e9));
    minutes = whole / 60;
    wholeSeconds = whole % 60;
    hundredths = static_cast<int>((seconds - whole) * 100.0);
}

void ThreeMatchGame::update()
{
    if (!m_engine || !m_loaded)
        return;
    Ulvo::PerfTimer* clock = m_engine->getPerfTimer();
    const double realDt = clock->getRealFrameTime();
    const double gameDt = clock->getFrameTime();

    m_menus->update();
    m_gui->update(realDt);
    Ulvo::DirectInputInterface::getInstance()->update();
    m_exchangeFade.update(static_cast<float>(realDt));

    m_globals->getPartikelManager().update();
    m_globals->getRohstoffManager().update();
    m_globals->getGebaeudeManager().update();
    m_globals->getWegpunktManager().update(false);
    m_globals->getLichterspiele().update();
    MinispielManager::getInstance()->update(gameDt);

    m_requestCountdown -= static_cast<float>(realDt);
    requestIngame(REQUEST_NONE);

    if (m_nameEntry) {
        m_blinkCountdown -= realDt;
        if (m_blinkCountdown <= 0.0) {
            m_blinkCountdown = m_blinkPeriod;
            m_blinkOn = !m_blinkOn;
            if (Ulvo::GUILabel* label = labelOf(m_gui->getWindow(L"NP_ProfilNameLabel"))) {
                label->setCursorVisible(true);
                label->setCursorPos(static_cast<int32_t>(label->getText().size()));
                label->setCursorChar(m_blinkOn ? m_cursorOn : m_cursorOff);
            }
        }
    }

    updateMagnifier(static_cast<float>(realDt));
    if (m_noticeTimer > 0.0) {
        m_noticeTimer -= realDt;
        if (m_noticeTimer <= 0.0)
            showNotice(0.0);
    }
    updateScreenshotNote(realDt);
    for (Ulvo::Texture2DAnimation* cursor : m_cursors) {
        double elapsed = realDt;
        if (cursor)
            cursor->update(elapsed);
    }
    updateTally(realDt);
    if (isLevelActive(kTownMenu))
        updateTownLabels();
    if (isLevelActive(kIngameMenu))
        updateIngame(gameDt);
}

void ThreeMatchGame::setRollIn(float shown)
{
    m_renderManager->setPostEffectParamFloat(L"THREEMATCH_ROLL_IN_VERH", shown);
    // Rolled in all the way, the picture shows as it is: the roll-in draws nothing then.
    if (Ulvo::RenderPostEffect* rollIn = m_renderManager->getPostEffect(L"EINROLLEN"))
        rollIn->setParamFloat(L"Sichtbar", shown < 1.0f ? 1.0f : 0.0f);
}

void ThreeMatchGame::showNotice(double seconds)
{
    m_noticeTimer = seconds;
    if (Ulvo::GUIWindow* notice = m_gui->getWindow(L"THREEMATCH_HINWEIS")) {
        notice->getOptions().visible = seconds > 0.0;
        if (seconds > 0.0)
            notice->bringToFront();
    }
}

void ThreeMatchGame::updateMagnifier(float realDt)
{
    if (!m_globals->getHires() || !m_renderManager)
        return;
    Ulvo::RenderPostEffect* lupe = m_renderManager->getPostEffect(L"LUPE");
    if (!lupe)
        return;
    m_magnifierFade.setParam(std::clamp(m_magnifierFade.t, 0.0f, 1.0f));
    m_magnifierFade.update(realDt);
    const Ulvo::MouseState& mouse = Ulvo::DirectInputInterface::getInstance()->getInputStates().mouseState;
    D3DXVECTOR2 picture;
    toViewCoords(picture, D3DXVECTOR2(mouse.position[0], mouse.position[1]), true);
    lupe->setParamVector(L"Position",
                         D3DXVECTOR4(std::clamp(picture.x, 0.0f, 1.0f), std::clamp(picture.y, 0.0f, 1.0f), 0.0f, 0.0f));
    lupe->setParamVector(L"Params", D3DXVECTOR4(1.0f + 0.5f * m_magnifierFade.value, 1.0f, 0.0f, 0.0f));
    // Closed, the magnifier enlarges by 1 and leaves the picture as it is: it draws nothing then.
    lupe->setParamFloat(L"Sichtbar", m_magnifierFade.value > 0.0f ? 1.0f : 0.0f);
}

void ThreeMatchGame::updateTally(double realDt)
{
    if (!m_tallyRunning)
        return;
    m_tallyMaster.update(realDt);
    for (auto* list : {&m_winTally, &m_loseTally}) {
        const std::size_t started = std::min(
            list->size(),
            static_cast<std::size_t>(std::max(ScreenRules::litTallyLines(list->size(), m_tallyMaster.value), 0)));
        for (std::size_t i = 0; i < started; ++i)
            (*list)[i].update(realDt);
    }
}

void ThreeMatchGame::updateTownLabels()
{
    const RohstoffManager& stones = m_globals->getRohstoffManager();
    for (int i = 0; i < stones.getKlassenCount(); ++i) {
        const Rohstoffklasse* klasse = stones.getKlasse(i);
        if (Ulvo::GUIWindow* button = m_gui->getWindow(windowName(L"THREEMATCH_BAUEN_", klasse->getName())))
            showNumber(button, klasse->getShownPunkte());
    }
}

void ThreeMatchGame::updateIngame(double gameDt)
{
    if (!m_board)
        return;
    m_board->update();
    updateHud();

    Ulvo::PerfTimer* clock = m_engine->getPerfTimer();
    if (!clock->isPaused(1)) {
        const Ulvo::MouseState& mouse = Ulvo::DirectInputInterface::getInstance()->getInputStates().mouseState;
        D3DXVECTOR2 view;
        toViewCoords(view, D3DXVECTOR2(mouse.position[0], mouse.position[1]), false);
        m_board->markRadius(m_globals->getBoardViewOffset(), m_globals->getBoardViewScale(), view,
                            m_selectedBonus ? m_selectedBonus->getSize() : 0);
    }

    const int state = m_board->getState();
    if (state == Spielfeld::Laeuft)
        m_townRules.advance(gameDt);
    if ((state == Spielfeld::Gewonnen || state == Spielfeld::Verloren) && !m_levelEnd) {
        // A lost level keeps nothing it collected.
        if (state == Spielfeld::Verloren) {
            for (Rohstoffklasse* klasse : m_globals->getRohstoffManager().getKlassen())
                klasse->resetLevelPunkte();
        }
        m_selectedBonus = nullptr;
        m_levelEnd = true;
        m_endTimer = 0.0;
    }
    updateWrath();
    updateRollIn(gameDt);
    updateLevelEnd(gameDt);
}

void ThreeMatchGame::updateHud()
{
    Ulvo::GUIWindow* time = m_gui->getWindow(L"THREEMATCH_ZEIT");
    if (auto* bar = dynamic_cast<Ulvo::GUIProgressBar*>(time)) {
        bar->setProgress(static_cast<float>(m_board->getTimeFraction()));
    } else if (labelOf(time)) {
        int minutes = 0, seconds = 0, hundredths = 0;
        splitTime(m_board->getRestTime(), minutes, seconds, hundredths);
        ScreenRules::showFormatted(labelOf(time), minutes, seconds, hundredths, minutes);
    }
    if (Profil* profil = m_profiles->getActiveProfile())
        showNumber(m_gui->getWindow(L"THREEMATCH_LEBEN"), profil->getLeben());

    RohstoffManager& stones = m_globals->getRohstoffManager();
    if (auto* meter = dynamic_cast<Ulvo::GUIProgressBar*>(m_gui->getWindow(L"THREEMATCH_ZORNANZEIGE"))) {
        const Rohstoffklasse* wrath = stones.getZornKlasse();
        meter->setProgress(wrath ? static_cast<float>(wrathFill(wrath->getPunkte(), m_globals->getWrathMax())) : 1.0f);
    }

    BonusManager& bonuses = m_globals->getBonusManager();
    for (std::size_t i = 0; i < m_bonusButtons.size(); ++i) {
        Ulvo::GUIWindow* button = m_bonusButtons[i];
        Bonus* bonus = bonuses.getBonus(static_cast<int>(i));
        if (!button || !bonus)
            continue;
        Ulvo::GUILabel* label = labelOf(button);
        // A bonus the town has not brought yet shows dark, set apart from one that charges.
        const bool available = bonus->isAvailable();
        button->getDrawOptions().modulate = available ? kBonusShown : kBonusLocked;
        // The bonus's picture lies on the slot's label: it darkens with the slot.
        if (label)
            label->getDrawOptions().modulate = available ? kBonusShown : kBonusLocked;
        if (!available) {
            if (label)
                label->setText(L"");
            button->getOptions().enabled = false;
            continue;
        }
        const double charge = bonus->getCharge();
        showNumber(button, static_cast<int>(charge * 100.0));
        button->getOptions().enabled = charge >= 1.0;
    }

    for (int i = 0; i < stones.getKlassenCount(); ++i) {
        const Rohstoffklasse* klasse = stones.getKlasse(i);
        if (Ulvo::GUIWindow* button = m_gui->getWindow(windowName(L"THREEMATCH_LEVEL_", klasse->getName())))
            showNumber(button, klasse->getShownLevelPunkte());
    }
}

void ThreeMatchGame::updateWrath()
{
    Rohstoffklasse* wrath = m_globals->getRohstoffManager().getZornKlasse();
    if (!wrath || m_board->isFreePlay() || !m_globals->getUseZorn())
        return;
    m_townRules.updateWrath(*wrath, m_globals->getWrathMax(), m_globals->getWrathInterval(), *this);
}

void ThreeMatchGame::replaceStoneType(Rohstoff* from, Rohstoff* to, double seconds)
{
    m_board->replaceStoneType(from, to, seconds);
}

void ThreeMatchGame::wrathStageTurned(bool reached)
{
    showHelp(reached ? 0x40 : 0x80);
}

void ThreeMatchGame::wrathStagesChanged(bool added, bool removed)
{
    if (added)
        playSound(L"FUELL_ADDED");
    if (removed)
        playSound(L"FUELL_REMOVED");
}

int ThreeMatchGame::storyLevel() const
{
    const Profil* profil = m_profiles->getActiveProfile();
    return profil ? profil->getActualLevel() : -1;
}

int ThreeMatchGame::strikeTown()
{
    const int losses = m_globals->getGebaeudeManager().destroyRandom();
    forgetLostBuildings();
    return losses;
}

void ThreeMatchGame::catastropheCame()
{
    showKatastrophe();
    showHelp(0x20000);
    playSound(L"ZORN_FULL");
}

void ThreeMatchGame::forgetLostBuildings()
{
    Profil* profil = m_profiles->getActiveProfile();
    if (!profil)
        return;
    const GebaeudeManager& town = m_globals->getGebaeudeManager();
    // The profile lists what was built; what the catastrophe tore down (with what went along) is
    // gone from it and saved at once, so that a restart does not bring it back.
    const bool lost = profil->forgetGebaeude([&town](const std::wstring& id) {
        const Gebaeude* building = town.findGebaeude(id);
        return building && !building->isBuilt();
    });
    if (lost)
        m_profiles->saveProfiles();
}

void ThreeMatchGame::updateRollIn(double gameDt)
{
    const bool hires = m_globals->getHires() && m_renderManager;
    if (!m_rollIn) {
        if (hires)
            setRollIn(1.0f);
        return;
    }
    m_rollInTimer += gameDt;
    if (hires) {
        const double span = m_rollInLength - 1.0;
        const double ratio = span > 0.0 ? (m_rollInTimer - 1.0) / span : 1.0;
        setRollIn(static_cast<float>(std::clamp(ratio, 0.0, 1.0)));
    }
    if (m_rollInTimer >= m_rollInLength) {
        m_rollIn = false;
        m_rollInTimer = 0.0;
        m_board->start();
    }
}

void ThreeMatchGame::updateLevelEnd(double gameDt)
{
    if (!m_levelEnd || m_tallyRunning)
        return;
    m_endTimer += gameDt;
    if (m_endTimer < m_endDelay)
        return;
    if (m_board->isFreePlay())
        showMenu(kTownMenu);
    else if (m_board->getState() == Spielfeld::Gewonnen)
        showMenu(L"THREEMATCH_AUSWERTUNG_WIN_MENU");
    else
        showMenu(L"THREEMATCH_AUSWERTUNG_LOSE_MENU");
    m_endTimer = m_endDelay;
    startTally();
}

void ThreeMatchGame::startTally()
{
    RohstoffManager& stones = m_globals->getRohstoffManager();
    for (Rohstoffklasse* klasse : stones.getKlassen())
        klasse->clearShownLevelPunkte();
    const double played = m_board->getPlayedTime();
    const double rest = m_board->getRestTime();
    const Profil* profil = m_profiles->getActiveProfile();
    const double lives = profil ? profil->getLeben() : 0.0;

    m_tallyMaster.set(0.0, 1.0, 0.0);
    auto setEntry = [](std::vector<Ulvo::Interpolation<double, double>>& list, std::size_t index, double from,
                       double to) {
        if (index < list.size())
            list[index].set(from, to, 0.0);
    };
    setEntry(m_winTally, 0, 0.0, played);
    setEntry(m_winTally, 1, played + rest, rest);
    setEntry(m_winTally, 2, 0.0, lives);
    for (int i = 0; i < stones.getKlassenCount(); ++i)
        setEntry(m_winTally, 3 + static_cast<std::size_t>(i), 0.0, stones.getKlasse(i)->getLevelPunkte());
    setEntry(m_loseTally, 0, 0.0, played);
    setEntry(m_loseTally, 1, played + rest, rest);
    setEntry(m_loseTally, 2, lives + 1.0, lives);
    m_tallyRunning = true;
    m_levelEnd = false;
}

void ThreeMatchGame::requestIngame(int kind)
{
    if (kind != REQUEST_NONE && m_ingameRequest == REQUEST_NONE) {
        if (m_exchangeFade.end == 0.0f)
            toggleExchangeView();
        m_ingameRequest = kind;
        m_requestCountdown = 1.0f - m_exchangeFade.value;
        showMenu(L"NULL_MENU");
        return;
    }
    if (m_ingameRequest == REQUEST_NONE || m_requestCountdown > 0.0f)
        return;
    const int pending = m_ingameRequest;
    m_ingameRequest = REQUEST_NONE;
    const Profil* profil = m_profiles ? m_profiles->getActiveProfile() : nullptr;
    if (m_board && pending == REQUEST_NEXT_LEVEL) {
        m_board->clear();
        // Without a profile there is no story level to go on with; nothing stale is left running.
        if (profil) {
            int level = profil->getActualLevel();
            if (level >= 100)
                level = crt_rand() % 100;
            m_board->loadLevel(level);
            startLevel(false);
        }
    } else if (m_board && pending == REQUEST_FREE_PLAY) {
        m_board->clear();
        m_board->startFreePlay();
        startLevel(false);
    }
    showMenu(kIngameMenu);
}

} // namespace ThreeMatch
