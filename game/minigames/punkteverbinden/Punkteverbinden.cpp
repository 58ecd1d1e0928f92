#include "minigames/punkteverbinden/Punkteverbinden.h"

#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "gui/windows/GUIScopes.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/frame/MinispielManager.h"
#include "minigames/frame/Playfield.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cwchar>
#include <string>

namespace ThreeMatch {

namespace {

std::vector<int> readIds(const Ulvo::XMLNode* node, const wchar_t* name)
{
    std::vector<std::wstring> words;
    std::vector<int> ids;
    node->readWords(name, words);
    for (const std::wstring& word : words)
        ids.push_back(static_cast<int>(std::wcstol(word.c_str(), nullptr, 10)));
    return ids;
}

bool holds(const std::vector<int>& ids, int id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end() || std::find(ids.begin(), ids.end(), -1) != ids.end();
}

} // namespace

Punkteverbinden::Punkt::Punkt(Ulvo::XMLNode* node)
{
    if (!node)
        return;
    node->readPair(L"POSITION", position.x, position.y);
    node->readPair(L"SIZE", size.x, size.y);
    node->readInt(L"ID", id);
    valid = readIds(node, L"VALID_CONNECTIONS");
    goal = readIds(node, L"GOAL_CONNECTIONS");
    std::wstring name;
    if (node->readString(L"ANIMATION", name))
        animation = Playfield::cloneAnimation(name, L"Punkteverbinden");
}

Punkteverbinden::Punkt::~Punkt()
{
    Ulvo::releaseAndNull(animation);
}

bool Punkteverbinden::Punkt::mayJoin(const Punkt& other) const
{
    return &other != this && (holds(valid, other.id) || holds(goal, other.id));
}

bool Punkteverbinden::Punkt::isConnected(const Punkt* other) const
{
    return std::find(connections.begin(), connections.end(), other) != connections.end();
}

bool Punkteverbinden::Punkt::isGoal(const Punkt& other) const
{
    return holds(goal, other.id);
}

void Punkteverbinden::Punkt::connect(Punkt& other)
{
    if (!mayJoin(other) || isConnected(&other))
        return;
    connections.push_back(&other);
    if (!other.isConnected(this))
        other.connections.push_back(this);
}

void Punkteverbinden::Punkt::disconnect(Punkt& other)
{
    std::erase(connections, &other);
    std::erase(other.connections, this);
}

bool Punkteverbinden::Punkt::satisfied(bool onlyGoals) const
{
    if (connections.size() != goal.size())
        return false;
    std::vector<int> left = goal;
    bool all = true;
    for (const Punkt* other : connections) {
        auto it = std::find(left.begin(), left.end(), other->id);
        if (it == left.end()) {
            // Either way the dot is not satisfied; with onlyGoals the test stops here.
            if (onlyGoals)
                return false;
            all = false;
            continue;
        }
        left.erase(it);
    }
    return all && left.empty();
}

Punkteverbinden::Punkteverbinden(Ulvo::XMLNode* node) : Minispiel(node)
{
    if (!node)
        return;
    std::wstring name;
    if (node->readString(L"BACKGROUND", name))
        m_background = Playfield::cloneAnimation(name, L"Punkteverbinden");
    node->readFlag(L"ONLY_GOALS_TO_FINISH", m_onlyGoalsToFinish);
    for (Ulvo::XMLNode* child : node->getNodes()) {
        if (child && child->getName() == L"PUNKT")
            m_punkte.push_back(new Punkt(child));
    }
    if (node->getAttribute(L"ABS_SIZE")) {
        std::array<float, 2> scale{1.0f, 1.0f};
        if (node->readFloats(L"ABS_SIZE", scale) == 1)
            scale[1] = scale[0];
        // A zero or broken divisor would throw every dot to infinity: it divides by 1.
        for (float& s : scale) {
            if (!std::isfinite(s) || s == 0.0f) {
                Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::Punkteverbinden: ", getName(),
                                       L": ABS_SIZE 0 wird als 1 genommen\n");
                s = 1.0f;
            }
        }
        for (Punkt* punkt : m_punkte) {
            punkt->position.x /= scale[0];
            punkt->position.y /= scale[1];
            punkt->size.x /= scale[0];
            punkt->size.y /= scale[1];
        }
    }
    if (m_punkte.empty())
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::Punkteverbinden: ", getName(),
                               L" hat keine Punkte; nicht zu loesen\n");
}

Punkteverbinden::~Punkteverbinden()
{
    Ulvo::MouseState& mouse = Playfield::mouseState();
    mouse.buttonPressed.disconnect(this);
    mouse.buttonReleased.disconnect(this);
    mouse.axisMoved.disconnect(this);
    if (m_spielfeld)
        m_spielfeld->drawn.disconnect(this);
    Ulvo::releaseAndNull(m_spielfeld);
    for (Punkt* punkt : m_punkte)
        delete punkt;
    Ulvo::releaseAndNull(m_background);
}

void Punkteverbinden::show()
{
    Minispiel::show();
    m_input = true;
}

void Punkteverbinden::hide()
{
    Minispiel::hide();
    m_input = false;
}

bool Punkteverbinden::start()
{
    Minispiel::start();
    for (Punkt* punkt : m_punkte)
        punkt->connections.clear();
    m_selected = nullptr;
    return false;
}

void Punkteverbinden::update(const double& dt)
{
    double elapsed = dt;
    if (m_background && m_spielfeld) {
        m_background->update(elapsed);
        Ulvo::Texture2DAnimationFrame* frame = m_background->getCurrentTexture();
        if (frame && frame->texture)
            m_spielfeld->getDrawOptions().setBackgroundTexture(frame->texture);
    }
    for (Punkt* punkt : m_punkte) {
        elapsed = dt;
        if (punkt->animation)
            punkt->animation->update(elapsed);
    }
    Minispiel::update(dt);
}

void Punkteverbinden::createGUI()
{
    Ulvo::MouseState& mouse = Playfield::mouseState();
    mouse.buttonPressed.disconnect(this);
    mouse.buttonReleased.disconnect(this);
    mouse.axisMoved.disconnect(this);
    mouse.buttonPressed.connect(this, &Punkteverbinden::onMousePressed);
    mouse.buttonReleased.connect(this, &Punkteverbinden::onMouseReleased);
    mouse.axisMoved.connect(this, &Punkteverbinden::onMouseMoved);
    m_lines.create();
    float aspectW = 1.0f, aspectH = 1.0f;
    Ulvo::Texture2DAnimationFrame* frame = Playfield::backgroundFrame(m_background, aspectW, aspectH);
    if (Ulvo::GUIWindow* field = cloneGameWindow(L"PUNKTEVERBINDEN", aspectW, aspectH)) {
        Ulvo::releaseAndNull(m_spielfeld);
        m_spielfeld = field;
        if (frame) {
            m_spielfeld->getDrawOptions().setBackgroundTexture(frame->texture);
            m_spielfeld->getDrawOptions().setBackDrawType(1, 1);
        }
        m_spielfeld->drawn.connect(this, &Punkteverbinden::onDrawSpielfeld);
    }
    start();
    Minispiel::createGUI();
}

Ulvo::FloatRect Punkteverbinden::screenRect(const Punkt& punkt) const
{
    const D3DXVECTOR2 a = Playfield::toScreen(m_spielfeld, punkt.position - punkt.size * 0.5f);
    const D3DXVECTOR2 b = Playfield::toScreen(m_spielfeld, punkt.position + punkt.size * 0.5f);
    return Ulvo::FloatRect(a.x, a.y, b.x, b.y);
}

D3DXVECTOR2 Punkteverbinden::screenCentre(const Punkt& punkt) const
{
    return Playfield::toScreen(m_spielfeld, punkt.position);
}

bool Punkteverbinden::solutionTest() const
{
    return !m_punkte.empty() && std::all_of(m_punkte.begin(), m_punkte.end(), [this](const Punkt* punkt) {
        return punkt->satisfied(m_onlyGoalsToFinish);
    });
}

std::vector<size_t> Punkteverbinden::stroke() const
{
    // The goal joins as an undirected multigraph, each join once.
    std::vector<std::vector<size_t>> next(m_punkte.size());
    size_t joins = 0;
    for (size_t a = 0; a < m_punkte.size(); ++a) {
        for (const int id : m_punkte[a]->goal) {
            for (size_t b = a + 1; b < m_punkte.size(); ++b) {
                if (m_punkte[b]->id == id) {
                    next[a].push_back(b);
                    next[b].push_back(a);
                    ++joins;
                    break;
                }
            }
        }
    }
    if (joins == 0)
        return {};
    size_t first = m_punkte.size();
    for (size_t a = 0; a < m_punkte.size(); ++a) {
        if (!next[a].empty() && (first == m_punkte.size() || next[a].size() % 2 == 1))
            first = a;
        if (next[a].size() % 2 == 1)
            break;
    }
    // Walking until stuck and splicing in the detours found on the way back.
    std::vector<size_t> path, todo{first};
    while (!todo.empty()) {
        const size_t at = todo.back();
        if (next[at].empty()) {
            path.push_back(at);
            todo.pop_back();
            continue;
        }
        const size_t to = next[at].back();
        next[at].pop_back();
        next[to].erase(std::find(next[to].begin(), next[to].end(), at));
        todo.push_back(to);
    }
    if (path.size() != joins + 1)
        return {};
    return path;
}

void Punkteverbinden::naechsteZuege(MinispielZuege& zuege) const
{
    const std::vector<size_t> dots = stroke();
    if (m_solved || !m_spielfeld || dots.empty())
        return;
    const auto klick = [&](const Punkt& punkt, MinispielZug::Art art) {
        zuege.push_back(MinispielZug::klick(screenCentre(punkt), screenRect(punkt), art));
    };
    // Each join once: what is joined already goes first (a right click undoes a dot's joins).
    std::vector<std::pair<const Punkt*, const Punkt*>> joined;
    for (const Punkt* punkt : m_punkte) {
        for (const Punkt* other : punkt->connections)
            joined.push_back({punkt, other});
    }
    for (const Punkt* punkt : m_punkte) {
        const auto its = [punkt](const auto& join) { return join.first == punkt || join.second == punkt; };
        if (std::none_of(joined.begin(), joined.end(), its))
            continue;
        klick(*punkt, MinispielZug::Art::Rechtsklick);
        std::erase_if(joined, its);
    }
    // The first dot is only selected: a left click would join the one selected before to it.
    const Punkt& first = *m_punkte[dots.front()];
    if (m_selected && m_selected != &first)
        klick(first, MinispielZug::Art::Mittelklick);
    else if (!m_selected)
        klick(first, MinispielZug::Art::Klick);
    for (size_t k = 1; k < dots.size(); ++k)
        klick(*m_punkte[dots[k]], MinispielZug::Art::Klick);
}

void Punkteverbinden::test()
{
    if (solutionTest()) {
        m_solved = true;
        m_endDelayLeft = m_endDelay;
    }
}

void Punkteverbinden::onMousePressed(Ulvo::MouseState& state, const UlvoMouseButton& button)
{
    // A solved board is final: a later right click must not undo what was reported.
    if (!m_input || m_solved)
        return;
    // A press on the help menu over the game is meant for the help menu.
    if (manager().isHelpShown() && manager().getActiveMinispiel() == this)
        return;
    Ulvo::GUIKeepAlive alive(this);
    if (m_punkte.empty()) {
        manager().wrongSignal.emit(*this);
        return;
    }
    const D3DXVECTOR2 mouse(state.position[0], state.position[1]);
    bool middle = false;
    for (Punkt* punkt : m_punkte) {
        if (!Playfield::contains(screenRect(*punkt), mouse))
            continue;
        if (button == ULVO_MOUSE_LEFT) {
            if (m_selected && (m_selected->mayJoin(*punkt) || punkt->mayJoin(*m_selected))) {
                m_selected->connect(*punkt);
                m_selected = punkt;
                manager().rightSignal.emit(*this);
                test();
                return;
            }
            m_selected = punkt;
        } else if (button == ULVO_MOUSE_RIGHT) {
            while (!punkt->connections.empty())
                punkt->disconnect(*punkt->connections.back());
            manager().rightSignal.emit(*this);
            test();
            return;
        } else if (button == ULVO_MOUSE_MIDDLE) {
            m_selected = punkt;
            middle = true;
            manager().rightSignal.emit(*this);
        }
    }
    if (!middle) {
        manager().wrongSignal.emit(*this);
        return;
    }
    test();
}

void Punkteverbinden::onDrawSpielfeld(Ulvo::GUIWindow& window, const bool& visible)
{
    if (!visible)
        return;
    const float a = static_cast<float>(window.getAlpha());
    for (const Punkt* punkt : m_punkte)
        Playfield::draw(punkt->animation, screenRect(*punkt),
                        Playfield::colour(1.0f, 1.0f, 1.0f, punkt == m_selected ? a : a * 0.5f));
    if (!m_lines.begin(4.0f))
        return;
    const D3DCOLOR green = Playfield::colour(0.0f, 1.0f, 0.0f, a), grey = Playfield::colour(0.5f, 0.5f, 0.5f, a);
    for (const Punkt* punkt : m_punkte) {
        for (const Punkt* other : punkt->connections)
            m_lines.line(screenCentre(*punkt), screenCentre(*other), punkt->isGoal(*other) ? green : grey);
    }
    m_lines.end();
}

} // namespace ThreeMatch
