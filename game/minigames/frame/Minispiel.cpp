#include "minigames/frame/Minispiel.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUIButton.h"
#include "gui/widgets/GUIProgressBar.h"
#include "gui/windows/GUIScopes.h"
#include "minigames/frame/MinispielManager.h"
#include "minigames/frame/Playfield.h"

#include <algorithm>
#include <cstdio>

namespace ThreeMatch {

Minispiel::Minispiel(Ulvo::XMLNode* node) : Ulvo::NamedObject(node)
{
    if (!node)
        return;
    node->readString(L"HILFE_ID", m_hilfeId);
    node->readString(L"PR\u00C4FIX", m_praefix);
    node->readDouble(L"LSG_TIME", m_timeLimit);
    m_timeLeft = m_timeLimit;
    node->readFloat(L"TIMER", m_endDelay);
    m_endDelayLeft = m_endDelay;
}

Minispiel::~Minispiel()
{
    Ulvo::releaseAndNull(m_window);
    Ulvo::releaseAndNull(m_timerBar);
}

MinispielManager& Minispiel::manager()
{
    return *MinispielManager::getInstance();
}

void Minispiel::update(const double& dt)
{
    if (!m_solved || m_ended)
        return;
    if (m_endDelayLeft > 0.0f) {
        m_endDelayLeft -= static_cast<float>(dt);
        if (m_endDelayLeft > 0.0f)
            return;
    }
    // A delay of 0 or less would never count down: such a game reports at once.
    reportResult();
}

float Minispiel::getScore() const
{
    // A limit of 0 or less (or one without end) leaves no fraction to take: 0.
    const double fraction = m_timeLimit > 0.0 ? m_timeLeft / m_timeLimit : 0.0;
    return fraction >= 0.0 ? static_cast<float>(std::min(fraction, 1.0)) : 0.0f;
}

void Minispiel::reportResult()
{
    m_solved = true;
    m_ended = true;
    const float score = getScore();
    // What the price is judged by: the time the game had left when it was solved.
    wchar_t left[96];
    std::swprintf(left, sizeof left / sizeof left[0], L" geloest: %.1f von %.0f s uebrig, Wert %.4f\n",
                  std::clamp(m_timeLeft, 0.0, 1e9), std::clamp(m_timeLimit, 0.0, 1e9), static_cast<double>(score));
    Ulvo::mainLogger().log(100, Ulvo::LOG_TYPE_INFO, L"ThreeMatch::Minispiel: ", getName(), left);
    Ulvo::GUIKeepAlive alive(this);
    manager().resultSignal.emit(*this, score);
}

Ulvo::GUIWindow* Minispiel::cloneVorlage(const std::wstring& word) const
{
    const Ulvo::GUIWindow* vorlage = Ulvo::GUISystem::getInstance()->getVorlage(m_praefix + word);
    return vorlage ? vorlage->clone() : nullptr;
}

Ulvo::GUIWindow* Minispiel::cloneGameWindow(const std::wstring& kind, float width, float height)
{
    Ulvo::GUIWindow* window = cloneVorlage(kind + L"_FENSTER");
    Ulvo::GUIWindow* field = cloneVorlage(kind + L"_SPIELFELD");
    if (!window || !field) {
        Ulvo::releaseAndNull(window);
        Ulvo::releaseAndNull(field);
        return nullptr;
    }
    Ulvo::releaseAndNull(m_window);
    m_window = window;
    Playfield::keepAspect(field, width, height);
    m_window->addChild(field, false, true);
    addButtons(kind);
    return field;
}

void Minispiel::addButtons(const std::wstring& kind)
{
    if (!m_window)
        return;
    if (Ulvo::GUIWindow* cancel = cloneVorlage(kind + L"_CANCEL")) {
        cancel->clicked.connect(this, &Minispiel::onCancelClicked);
        m_window->addChild(cancel, true, true);
    }
    if (Ulvo::GUIWindow* help = cloneVorlage(kind + L"_HILFE")) {
        help->clicked.connect(this, &Minispiel::onHelpClicked);
        m_window->addChild(help, true, true);
    }
}

void Minispiel::createGUI()
{
    Ulvo::releaseAndNull(m_timerBar);
    if (!m_window)
        return;
    m_window->drawn.disconnect(this);
    m_window->drawn.connect(this, &Minispiel::onWindowDraw);
    // Made while no game runs: hidden at once. Faded out, every game's window and pictures would
    // be drawn (behind the menus) for the first frames.
    m_window->startAnimationGoal(L"AUS", 0.0);
    if (auto* help = dynamic_cast<Ulvo::GUIButton*>(m_window->findWindow(L"HILFE_BUTTON"))) {
        help->clicked.disconnect(this);
        help->clicked.connect(this, &Minispiel::onHelpClicked);
    }
    const Ulvo::GUIWindow* vorlage = Ulvo::GUISystem::getInstance()->getVorlage(m_praefix + L"TIMER_BAR");
    if (dynamic_cast<const Ulvo::GUIProgressBar*>(vorlage)) {
        m_timerBar = static_cast<Ulvo::GUIProgressBar*>(vorlage->clone());
        m_window->addChild(m_timerBar, false, true);
    }
}

bool Minispiel::start()
{
    m_endDelayLeft = m_endDelay;
    m_solved = false;
    m_ended = false;
    return false;
}

void Minispiel::show()
{
    if (m_window)
        m_window->startAnimationGoal(L"AN", 1.0);
    m_timeLeft = m_timeLimit;
}

void Minispiel::hide()
{
    if (m_window)
        m_window->startAnimationGoal(L"AUS", 1.0);
}

bool Minispiel::finish()
{
    m_solved = true;
    m_ended = true;
    m_endDelayLeft = 0.0f;
    return true;
}

bool Minispiel::isFlagSet(const bool& which) const
{
    return which ? m_ended : m_solved;
}

void Minispiel::cancel()
{
    Ulvo::GUIKeepAlive alive(this);
    finish();
    manager().resultSignal.emit(*this, 0.0f);
}

void Minispiel::onDraw(Ulvo::GUIWindow&, const bool&) {}

void Minispiel::onHelpClicked(Ulvo::GUIWindow&)
{
    manager().showHelp(true);
}

void Minispiel::onCancelClicked(Ulvo::GUIWindow&)
{
    Ulvo::GUIKeepAlive alive(this);
    if (m_ended)
        return;
    // Solved, the game has earned its result: a cancel during its end animation reports it.
    if (m_solved) {
        reportResult();
        return;
    }
    manager().closedSignal.emit(*this);
}

void Minispiel::onWindowDraw(Ulvo::GUIWindow& window, const bool& visible)
{
    onDraw(window, visible);
}

} // namespace ThreeMatch
