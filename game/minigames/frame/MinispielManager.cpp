#include "minigames/frame/MinispielManager.h"

#include "engine/UlvoEngine.h"
#include "foundation/files/File.h"
#include "foundation/logging/Logger.h"
#include "foundation/text/TextManager.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/fonts/D3DXFontInterface.h"
#include "graphics/textures/Texture2DAnimationManager.h"
#include "graphics/textures/TextureLoadOptions.h"
#include "graphics/textures/TextureManager.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUIButton.h"
#include "gui/widgets/GUILabel.h"
#include "gui/widgets/GUIProgressBar.h"
#include "gui/windows/GUIScopes.h"
#include "minigames/frame/AreaLayout.h"
#include "minigames/frame/Minispiel.h"
#include "render/ScopedMeasure.h"
#include "threematch/globals/GameGraphics.h"

#include <crt.h>

#include <algorithm>
#include <cmath>
#include <cwctype>

namespace ThreeMatch {

namespace {

void log(int priority, Ulvo::LogType type, const std::wstring& text)
{
    Ulvo::mainLogger().log(priority, type, L"ThreeMatch::MinispielManager: ", text, L"\n");
}

// The window of that name when it is one of the kind T, else null.
template <class T> T* windowOf(const std::wstring& name)
{
    return dynamic_cast<T*>(Ulvo::GUISystem::getInstance()->getWindow(name));
}

} // namespace

MinispielManager* MinispielManager::getInstance()
{
    // The GUI system first, so that it outlives the games' windows at exit.
    Ulvo::GUISystem::getInstance();
    static MinispielManager instance;
    return &instance;
}

MinispielManager::MinispielManager()
{
    static const Ulvo::ConsoleCommandEntry<MinispielManager> kCommands[] = {
        {L"MS_Naechstes", 1, L"MS_Naechstes Name; das Minispiel dieses Namens kommt als n\u00E4chstes",
         &MinispielManager::consoleNext},
        {L"MS_Zuege", 0, L"MS_Zuege; die naechsten Zuege des laufenden Minispiels in Bildschirmpixeln",
         &MinispielManager::consoleMoves},
    };
    registerCommands(kCommands);
    failedSignal.connect(this, &MinispielManager::onFailed);
}

MinispielManager::~MinispielManager()
{
    clear();
}

void MinispielManager::clear()
{
    // Leaving the screen calls into the games, so they go last.
    Ulvo::holdReference(m_helpMenu, nullptr);
    Ulvo::holdReference(m_backdrop, nullptr);
    Ulvo::holdReference(m_notice, nullptr);
    Ulvo::holdReference(m_helpLabel, nullptr);
    Ulvo::holdReference(m_gameScreen, nullptr);
    Ulvo::holdReference(m_screen, nullptr);
    Ulvo::holdReference(m_active, nullptr);
    Ulvo::holdReference(m_timerBar, nullptr);
    for (Minispiel* game : m_games)
        game->Release();
    m_games.clear();
    m_screenShown = false;
    m_helpShown = true;
    m_skipped = false;
    m_timeUp = false;
    m_noticeLeft = 0.0;
    m_index = 0;
}

bool MinispielManager::loadSection(const Ulvo::XMLNode& node, Ulvo::XMLNode& document)
{
    std::wstring file;
    if (!node.readString(L"FILE", file))
        return false;
    if (!Ulvo::File::checkDataReference(file))
        return false;
    if (!Ulvo::XMLNode::load(&document, file, 0)) {
        log(100, Ulvo::LOG_TYPE_ERROR, node.getName() + L" " + file + L" nicht gelesen!");
        return false;
    }
    return true;
}

void MinispielManager::load(Ulvo::XMLNode& root)
{
    struct Section {
        const wchar_t* name;
        void (*take)(Ulvo::XMLNode& document);
    };
    static const Section sections[] = {
        {L"TEXTE", [](Ulvo::XMLNode& document) { Ulvo::UlvoEngine::getInstance()->getTextManager()->load(&document); }},
        {L"FONTS", [](Ulvo::XMLNode& document) { Ulvo::D3DXFontInterface::getInstance()->loadFonts(&document); }},
        {L"ANIMATIONEN",
         [](Ulvo::XMLNode& document) { Ulvo::Texture2DAnimationManager::getInstance()->load(&document); }},
        {L"TEXTURES",
         [](Ulvo::XMLNode& document) {
             if (Ulvo::TextureManager* textures = gameTextures())
                 textures->load(&document, Ulvo::TextureLoadOptions());
         }},
        {L"GUI", [](Ulvo::XMLNode& document) { Ulvo::GUISystem::getInstance()->load(&document); }},
    };
    for (const Section& section : sections) {
        for (const Ulvo::XMLNode* node : root.getNodes()) {
            if (!node || node->getName() != section.name)
                continue;
            Ulvo::XMLNode document;
            if (loadSection(*node, document))
                section.take(document);
        }
    }
    for (Ulvo::XMLNode* node : root.getNodes()) {
        if (!node || node->getName() != L"MINISPIEL")
            continue;
        if (Minispiel* game = createMinispiel(*node))
            m_games.push_back(game);
    }
}

Minispiel* MinispielManager::createMinispiel(Ulvo::XMLNode& node)
{
    std::wstring type;
    if (!node.readString(L"TYPE", type)) {
        log(50, Ulvo::LOG_TYPE_WARNING, L"MINISPIEL ohne TYPE uebergangen");
        return nullptr;
    }
    const Creator creator = m_kinds.find(type);
    if (!creator) {
        log(50, Ulvo::LOG_TYPE_WARNING, L"unbekannter TYPE '" + type + L"' uebergangen");
        return nullptr;
    }
    return creator(&node);
}

void MinispielManager::initScreen()
{
    Ulvo::GUISystem* gui = Ulvo::GUISystem::getInstance();
    const bool first = !m_helpMenu;
    if (!m_screen)
        Ulvo::holdReference(m_screen, gui->getWindow(L"MINISPIEL_SCREEN"));
    if (!m_gameScreen)
        Ulvo::holdReference(m_gameScreen, gui->getWindow(L"MINISPIEL_GAMESCREEN"));
    if (!m_helpMenu)
        Ulvo::holdReference(m_helpMenu, gui->getWindow(L"MINISPIEL_Hilfemenue"));
    if (!m_backdrop)
        Ulvo::holdReference(m_backdrop, gui->getWindow(L"MINISPIEL_HINTERGRUND"));
    if (first) {
        if (!m_notice)
            Ulvo::holdReference(m_notice, windowOf<Ulvo::GUILabel>(L"MINISPIEL_MELDUNG"));
        if (!m_helpLabel)
            Ulvo::holdReference(m_helpLabel, windowOf<Ulvo::GUILabel>(L"MINISPIEL_H_HilfeLabel"));
        if (auto* ok = windowOf<Ulvo::GUIButton>(L"MINISPIEL_H_OKButton")) {
            ok->clicked.disconnect(this);
            ok->clicked.connect(this, &MinispielManager::onHelpOk);
        }
        if (auto* skip = windowOf<Ulvo::GUIButton>(L"MINISPIEL_H_SkipButton")) {
            skip->clicked.disconnect(this);
            skip->clicked.connect(this, &MinispielManager::onHelpSkip);
        }
    }
    if (m_gameScreen) {
        for (Minispiel* game : m_games) {
            game->createGUI();
            if (Ulvo::GUIWindow* window = game->getWindow())
                m_gameScreen->addChild(window, false, true);
        }
        m_gameScreen->sendToBack();
    }
    if (m_screen) {
        if (m_helpMenu)
            m_screen->addChild(m_helpMenu, false, true);
        if (m_gameScreen)
            m_screen->addChild(m_gameScreen, false, true);
    }
    showHelp(false);
}

void MinispielManager::shuffle()
{
    const std::size_t n = m_games.size();
    for (std::size_t k = 0; n > 0 && k < 10 * n; ++k) {
        const std::size_t at = static_cast<std::size_t>(crt_rand()) % n;
        Minispiel* game = m_games[at];
        m_games.erase(m_games.begin() + static_cast<std::ptrdiff_t>(at));
        m_games.push_back(game);
    }
}

bool MinispielManager::dealNext(const std::wstring& name)
{
    // Typed at the console: the case does not matter.
    const auto same = [](const std::wstring& a, const std::wstring& b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
                   return std::towupper(x) == std::towupper(y);
               });
    };
    for (std::size_t i = 0; i < m_games.size(); ++i) {
        if (same(m_games[i]->getName(), name)) {
            m_index = static_cast<unsigned>(i);
            return true;
        }
    }
    return false;
}

void MinispielManager::consoleNext(Ulvo::TypedConsoleCommand& line)
{
    const std::wstring name = line.getParamString(0);
    const bool dealt = dealNext(name);
    line.setAnswer(dealt ? L" " + name + L" kommt als n\u00E4chstes" : L" kein Minispiel " + name);
    log(100, Ulvo::LOG_TYPE_INFO, L"MS_Naechstes " + name + (dealt ? L": kommt als naechstes" : L": kein Minispiel"));
}

void MinispielManager::consoleMoves(Ulvo::TypedConsoleCommand& line)
{
    MinispielZuege zuege;
    // Behind the help no move reaches the game; a solved game waits for its result.
    if (m_active && m_screenShown && !m_helpShown && !m_active->isFlagSet(false))
        m_active->naechsteZuege(zuege);
    for (const MinispielZug& zug : zuege)
        log(100, Ulvo::LOG_TYPE_INFO, L"MS_Zug " + zug.text());
    const std::wstring count = L"MS_Zuege: " + std::to_wstring(zuege.size());
    line.setAnswer(L" " + count);
    log(100, Ulvo::LOG_TYPE_INFO, count);
}

Minispiel* MinispielManager::getCurrentMinispiel() const
{
    return m_games.empty() ? nullptr : m_games[m_index % m_games.size()];
}

void MinispielManager::setActiveMinispiel(Minispiel* game)
{
    if (m_active) {
        Ulvo::GUIKeepAlive alive(m_active);
        m_active->hide();
        Ulvo::holdReference(m_active, nullptr);
    }
    Ulvo::holdReference(m_timerBar, nullptr);
    if (!game) {
        hideNotice();
        showScreen(false);
        return;
    }
    Ulvo::holdReference(m_active, game);
    m_skipped = false;
    hideNotice();
    game->show();
    Ulvo::holdReference(m_timerBar, game->getTimerBar());
    if (m_timerBar)
        m_timerBar->setMaxValue(static_cast<float>(game->getTimeLimit()));
    if (m_helpLabel)
        m_helpLabel->setTextId(game->getHilfeId());
    // Every play begins with its help shown and its clock standing.
    if (m_helpMenu)
        showHelp(true);
    showScreen(true);
}

void MinispielManager::showScreen(const bool& show)
{
    m_screenShown = show && m_active;
    if (m_backdrop)
        m_backdrop->startAnimationGoal(m_screenShown ? L"AN" : L"AUS", 1.0);
    if (m_screen) {
        if (m_screenShown)
            m_screen->bringToFront();
        else
            m_screen->sendToBack();
    }
    screenSignal.emit(m_screenShown);
}

void MinispielManager::showHelp(const bool& show)
{
    if (show && m_active) {
        if (m_gameScreen)
            m_gameScreen->startAnimationGoal(L"AUS", 1.0);
        if (m_helpMenu) {
            m_helpMenu->startAnimationGoal(L"AN", 1.0);
            m_helpMenu->bringToFront();
        }
    } else {
        if (m_helpMenu)
            m_helpMenu->startAnimationGoal(L"AUS", 1.0);
        if (m_gameScreen) {
            m_gameScreen->startAnimationGoal(L"AN", 1.0);
            m_gameScreen->bringToFront();
        }
    }
    m_helpShown = show;
}

void MinispielManager::update(const double& dt)
{
    Ulvo::ScopedMeasure measure(L"UpdateLoop.MinispielManager");
    if (!m_active)
        return;
    Minispiel* game = m_active;
    Ulvo::GUIKeepAlive alive(game);
    game->update(dt);
    double t = game->getTimeLeft();
    if (!m_helpShown && !game->isFlagSet(false))
        t -= dt;
    if (t <= 0.0)
        t = 0.0;
    if (m_timerBar) {
        m_timerBar->setValue(static_cast<float>(t));
        Ulvo::GUILabel* label = m_timerBar->getLabel();
        Ulvo::TextManager* texts = Ulvo::UlvoEngine::getInstance()->getTextManager();
        if (const Ulvo::Text* text = label ? texts->getText(label->getTextId()) : nullptr)
            label->setText(texts->formatText(text, 0.0, 0.0, 0.0, static_cast<int>(std::trunc(std::min(t, 2e9)))));
    }
    // The clock running out ends nothing, but the player is told what it means.
    if (!m_timeUp && t <= 0.0 && game->getTimeLimit() > 0.0 && !game->isFlagSet(false)) {
        m_timeUp = true;
        showNotice(L"MINISPIEL_ZEIT_UM", 0.0);
    }
    if (m_noticeLeft > 0.0) {
        m_noticeLeft -= dt;
        if (m_noticeLeft <= 0.0) {
            if (m_timeUp)
                showNotice(L"MINISPIEL_ZEIT_UM", 0.0);
            else
                hideNotice();
        }
    }
    if (game->isFlagSet(true)) {
        game->finish();
        if (m_active == game)
            setActiveMinispiel(nullptr);
    }
    game->setTimeLeft(t);
}

void MinispielManager::showNotice(const wchar_t* textId, double seconds)
{
    m_noticeLeft = seconds;
    if (!m_notice)
        return;
    m_notice->setTextId(textId);
    fitNotice();
    m_notice->startAnimationGoal(L"AN", 1.0);
    m_notice->bringToFront();
}

void MinispielManager::fitNotice()
{
    // The box keeps the height its data gives it unless the wrapped text needs more; then it
    // grows by what is missing (upwards, as it stands on its bottom edge).
    constexpr float kMargin = 6.0f;
    Ulvo::GUIWindow* parent = m_notice->getParent();
    if (!parent)
        return;
    Ulvo::GUIRect rect = m_notice->getGUIRect();
    rect.size.yOff = 0.0f;
    AreaLayout::setRect(m_notice, rect);
    RECT text{};
    m_notice->calcTextRect(text);
    const float parentHeight = parent->getScreenRect().bottom - parent->getScreenRect().top;
    const float need = static_cast<float>(text.bottom - text.top) + kMargin;
    rect.size.yOff = std::max(0.0f, need - rect.size.yRel * parentHeight);
    AreaLayout::setRect(m_notice, rect);
}

void MinispielManager::hideNotice()
{
    m_timeUp = false;
    m_noticeLeft = 0.0;
    if (m_notice)
        m_notice->startAnimationGoal(L"AUS", 1.0);
}

void MinispielManager::onFailed(Minispiel& game)
{
    if (&game == m_active)
        showNotice(L"MINISPIEL_FALSCH", 1.5);
}

void MinispielManager::backOut()
{
    if (!m_active || !m_screenShown || m_active->isFlagSet(false))
        return;
    Minispiel* game = m_active;
    Ulvo::GUIKeepAlive alive(game);
    closedSignal.emit(*game);
}

void MinispielManager::onHelpOk(Ulvo::GUIWindow&)
{
    showHelp(false);
}

void MinispielManager::onHelpSkip(Ulvo::GUIWindow&)
{
    if (!m_active)
        return;
    Minispiel* game = m_active;
    Ulvo::GUIKeepAlive alive(game);
    m_skipped = true;
    showHelp(false);
    game->cancel();
}

} // namespace ThreeMatch
