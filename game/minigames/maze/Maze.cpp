#include "minigames/maze/Maze.h"

#include "engine/UlvoEngine.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/fonts/D3DXFontInterface.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "graphics/textures/Texture2DAnimationManager.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIScopes.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/frame/MinispielManager.h"
#include "minigames/frame/Playfield.h"

#include <crt.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>

namespace ThreeMatch {

namespace {

// A grid or polygon larger than this only costs memory: no screen shows it.
constexpr int kMaxCells = 64;
constexpr int kMaxEdges = 16;
// The font drawer's flags for text centred both ways.
constexpr uint32_t kCentred = 5;

Ulvo::Texture2DAnimation* animationNamed(const std::wstring& name)
{
    if (name.empty())
        return nullptr;
    return Playfield::cloneAnimation(name, L"Maze");
}

D3DCOLOR times(const D3DXCOLOR& a, const D3DXCOLOR& b)
{
    return Playfield::colour(a.r * b.r, a.g * b.g, a.b * b.b, a.a * b.a);
}

} // namespace

Maze::Raum::Raum(Ulvo::XMLNode* node)
{
    if (!node)
        return;
    node->readInt(L"EDGES", edgeCount);
    if (edgeCount < 0 || edgeCount > kMaxEdges) {
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::Maze: EDGES ", std::to_wstring(edgeCount),
                               L" ausserhalb 0..16\n");
        edgeCount = std::clamp(edgeCount, 0, kMaxEdges);
    }
    node->readColour(L"START_COLOR", startColour);
    node->readColour(L"ZIEL_COLOR", zielColour);
    node->readColour(L"MARK_COLOR", markColour);
    node->readFloat(L"DELTA", delta);
    node->readFloat(L"LENGTH", length);
    if (const Ulvo::XMLNode* animations = node->getNode(L"ANIMATION")) {
        for (const Ulvo::XMLProperty* value : animations->getProperties()) {
            if (value && edgeAnimations.size() < static_cast<size_t>(2 * edgeCount))
                edgeAnimations.push_back(animationNamed(value->getValue()));
        }
        background = animationNamed(animations->getAttributeValue(L"BACKGROUND"));
        startAnimation = animationNamed(animations->getAttributeValue(L"START"));
        zielAnimation = animationNamed(animations->getAttributeValue(L"ZIEL"));
        markAnimation = animationNamed(animations->getAttributeValue(L"MARK"));
    }
    edges.assign(static_cast<size_t>(edgeCount), Edge{});
}

Maze::Raum::Raum(const Raum& other)
    : name(other.name)
    , position(other.position)
    , edgeCount(other.edgeCount)
    , edges(other.edges.size(), Edge{})
    , delta(other.delta)
    , length(other.length)
    , markColour(other.markColour)
    , startColour(other.startColour)
    , zielColour(other.zielColour)
{
    const auto copy = [](Ulvo::Texture2DAnimation* animation) { return animation ? animation->clone() : nullptr; };
    background = copy(other.background);
    startAnimation = copy(other.startAnimation);
    zielAnimation = copy(other.zielAnimation);
    markAnimation = copy(other.markAnimation);
    for (Ulvo::Texture2DAnimation* animation : other.edgeAnimations)
        edgeAnimations.push_back(copy(animation));
}

Maze::Raum::~Raum()
{
    for (Ulvo::Texture2DAnimation** animation : {&background, &startAnimation, &zielAnimation, &markAnimation})
        Ulvo::releaseAndNull(*animation);
    for (Ulvo::Texture2DAnimation*& animation : edgeAnimations)
        Ulvo::releaseAndNull(animation);
}

bool Maze::Raum::openTo(const Raum* other) const
{
    return other && std::any_of(edges.begin(), edges.end(),
                                [other](const Edge& edge) { return edge.open && edge.neighbour == other; });
}

int Maze::Raum::closedEdges() const
{
    return static_cast<int>(
        std::count_if(edges.begin(), edges.end(), [](const Edge& edge) { return edge.neighbour && !edge.open; }));
}

Maze::Maze(Ulvo::XMLNode* node) : Minispiel(node)
{
    m_lines.create();
    if (!node)
        return;
    std::array<float, 2> size{2.0f, 2.0f};
    if (node->readFloats(L"SIZE", size) == 1)
        size[1] = size[0];
    for (float& s : size) {
        if (!std::isfinite(s) || s < 0.0f || s > static_cast<float>(kMaxCells)) {
            Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::Maze: ", getName(),
                                   L": SIZE ausserhalb 0..64\n");
            s = std::isfinite(s) ? std::clamp(s, 0.0f, static_cast<float>(kMaxCells)) : 0.0f;
        }
    }
    m_columns = static_cast<int>(size[0]);
    m_rows = static_cast<int>(size[1]);
    node->readInt(L"DRAW_MODE", m_drawMode);
    node->readInt(L"KREUZUNGEN", m_kreuzungen);
    node->readFlag(L"FAST", m_fast);
    node->readFlag(L"MULTIPLE_GOALS", m_multipleGoals);
    node->readString(L"FONTNAME", m_fontName);
    node->readString(L"FONTSTYLE", m_fontStyle);
    std::wstring name;
    if (node->readString(L"BACKGROUND", name))
        m_background = animationNamed(name);
    if (Ulvo::XMLNode* raum = node->getNode(L"RAUM"))
        m_vorlage = new Raum(raum);
    std::wstring texture;
    node->readString(L"TEXTUR", texture);
    if (m_vorlage && !texture.empty())
        buildRooms(texture);
    if (m_rooms.empty())
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::Maze: ", getName(),
                               L" hat keine Raeume (RAUM, TEXTUR); nicht zu loesen\n");
    else if (!m_start)
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::Maze: ", getName(),
                               L": das Bild hat keinen Startraum (gruen); nicht zu loesen\n");
}

Maze::~Maze()
{
    Ulvo::MouseState& mouse = Playfield::mouseState();
    mouse.buttonPressed.disconnect(this);
    mouse.buttonReleased.disconnect(this);
    if (m_spielfeld)
        m_spielfeld->drawn.disconnect(this);
    Ulvo::releaseAndNull(m_spielfeld);
    deleteSets();
    for (Raum* raum : m_rooms)
        delete raum;
    delete m_vorlage;
    Ulvo::releaseAndNull(m_background);
}

void Maze::buildRooms(const std::wstring& name)
{
    for (Raum* raum : m_rooms)
        delete raum;
    m_rooms.clear();
    deleteSets();
    m_start = m_goal = nullptr;
    Ulvo::Texture2D* texture = Ulvo::Texture2DAnimationManager::getInstance()->getTextures().getTexture2D(name);
    const RECT area{0, 0, texture ? static_cast<LONG>(texture->getWidth()) : 0,
                    texture ? static_cast<LONG>(texture->getHeight()) : 0};
    if (!texture || area.right == 0 || area.bottom == 0 || m_columns == 0 || m_rows == 0 ||
        !texture->lock(0, nullptr, area, D3DLOCK_READONLY)) {
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::Maze: ", getName(), L": Bild '", name,
                               L"' fehlt oder ist leer\n");
        return;
    }
    std::vector<Raum*> grid(static_cast<size_t>(m_columns) * static_cast<size_t>(m_rows), nullptr);
    for (int x = 0; x < m_columns; ++x) {
        for (int y = 0; y < m_rows; ++y) {
            const D3DXVECTOR2 at(static_cast<float>(x) / static_cast<float>(m_columns),
                                 static_cast<float>(y) / static_cast<float>(m_rows));
            D3DXVECTOR4 colour(0.0f, 0.0f, 0.0f, 0.0f);
            // Reckoned in whole numbers: with one texel per cell, a float x / columns a hair off
            // the boundary would mix the neighbouring cell's colour in (a goal one room off).
            if (!texture->sampleGridCorner(colour, static_cast<uint32_t>(x), static_cast<uint32_t>(m_columns),
                                           static_cast<uint32_t>(y), static_cast<uint32_t>(m_rows), 1) ||
                colour.w == 0.0f)
                continue;
            Raum* raum = new Raum(*m_vorlage);
            raum->position = at;
            raum->name = std::to_wstring(x) + L" " + std::to_wstring(y);
            if (colour.y != 0.0f && !m_start) {
                raum->isStart = true;
                m_start = raum;
            }
            if (colour.z != 0.0f && (!m_goal || m_multipleGoals)) {
                raum->isGoal = true;
                if (!m_goal)
                    m_goal = raum;
            }
            m_rooms.push_back(raum);
            grid[static_cast<size_t>(x) * static_cast<size_t>(m_rows) + static_cast<size_t>(y)] = raum;
        }
    }
    texture->unlock(0);
    const auto link = [](Raum* a, Raum* b, int edge) {
        if (!a || !b || a->edgeCount <= edge)
            return;
        a->edges[static_cast<size_t>(edge)].neighbour = b;
        b->edges[static_cast<size_t>(b->back(edge))].neighbour = a;
    };
    for (int x = 0; x < m_columns; ++x) {
        for (int y = 0; y < m_rows; ++y) {
            Raum* raum = grid[static_cast<size_t>(x) * static_cast<size_t>(m_rows) + static_cast<size_t>(y)];
            if (x + 1 < m_columns)
                link(raum, grid[static_cast<size_t>(x + 1) * static_cast<size_t>(m_rows) + static_cast<size_t>(y)], 1);
            if (y + 1 < m_rows)
                link(raum, grid[static_cast<size_t>(x) * static_cast<size_t>(m_rows) + static_cast<size_t>(y + 1)], 2);
        }
    }
}

Maze::Raum* Maze::roomAt(int x, int y) const
{
    const std::wstring name = std::to_wstring(x) + L" " + std::to_wstring(y);
    for (Raum* raum : m_rooms) {
        if (raum->name == name)
            return raum;
    }
    return nullptr;
}

void Maze::deleteSets()
{
    for (Menge* menge : m_sets)
        delete menge;
    m_sets.clear();
    for (Raum* raum : m_rooms)
        raum->menge = nullptr;
}

void Maze::open(Raum& raum, int edge)
{
    Raum::Edge& there = raum.edges[static_cast<size_t>(edge)];
    there.open = true;
    if (there.neighbour)
        there.neighbour->edges[static_cast<size_t>(there.neighbour->back(edge))].open = true;
}

void Maze::spanningTree()
{
    size_t closed = 0;
    std::vector<int> candidates;
    while (m_sets.size() > closed) {
        Menge* menge = m_sets[static_cast<size_t>(crt_rand()) % m_sets.size()];
        if (menge->closed)
            continue;
        std::vector<Raum*>& members = menge->members;
        for (size_t k = 0; k < (members.size() - 1) * 10; ++k) {
            const size_t chosen = static_cast<size_t>(crt_rand()) % members.size();
            Raum* moved = members[chosen];
            members.erase(members.begin() + static_cast<std::ptrdiff_t>(chosen));
            members.push_back(moved);
        }
        bool merged = false;
        for (Raum* member : members) {
            candidates.clear();
            for (int i = 0; i < member->edgeCount; ++i) {
                const Raum::Edge& edge = member->edges[static_cast<size_t>(i)];
                if (edge.neighbour && !edge.open && edge.neighbour->menge != menge)
                    candidates.push_back(i);
            }
            if (candidates.empty())
                continue;
            const int edge = candidates[static_cast<size_t>(crt_rand()) % candidates.size()];
            Menge* other = member->edges[static_cast<size_t>(edge)].neighbour->menge;
            open(*member, edge);
            for (Raum* joining : other->members) {
                joining->menge = menge;
                members.push_back(joining);
            }
            // A closed set absorbed would leave the count of closed sets too high.
            if (other->closed)
                --closed;
            m_sets.erase(std::find(m_sets.begin(), m_sets.end(), other));
            delete other;
            merged = true;
            break;
        }
        if (!merged) {
            menge->closed = true;
            ++closed;
        }
    }
}

void Maze::extraPassages()
{
    m_openedExtras = 0;
    int closedLeft = 0;
    for (const Raum* raum : m_rooms)
        closedLeft += raum->closedEdges();
    // Each passage closes two edge ends: more than half the closed ends can never be opened.
    const int wanted = std::max(m_kreuzungen, 0);
    if (wanted > closedLeft / 2)
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::Maze: ", getName(), L": KREUZUNGEN ",
                               std::to_wstring(m_kreuzungen), L" auf ", std::to_wstring(closedLeft / 2),
                               L" begrenzt\n");
    std::vector<int> candidates;
    while (m_openedExtras < wanted && closedLeft > 0) {
        Raum* raum = m_rooms[static_cast<size_t>(crt_rand()) % m_rooms.size()];
        candidates.clear();
        for (int i = 0; i < raum->edgeCount; ++i) {
            if (raum->edges[static_cast<size_t>(i)].neighbour && !raum->edges[static_cast<size_t>(i)].open)
                candidates.push_back(i);
        }
        if (candidates.empty())
            continue;
        const int edge = candidates[static_cast<size_t>(crt_rand()) % candidates.size()];
        Raum* neighbour = raum->edges[static_cast<size_t>(edge)].neighbour;
        const int before = raum->closedEdges() + neighbour->closedEdges();
        open(*raum, edge);
        closedLeft -= before - (raum->closedEdges() + neighbour->closedEdges());
        ++m_openedExtras;
    }
}

void Maze::measureDistances()
{
    if (!m_start)
        return;
    m_start->distance = 0;
    std::deque<Raum*> queue{m_start};
    while (!queue.empty()) {
        Raum* raum = queue.front();
        queue.pop_front();
        for (const Raum::Edge& edge : raum->edges) {
            if (edge.open && edge.neighbour && edge.neighbour->distance > raum->distance + 1) {
                edge.neighbour->distance = raum->distance + 1;
                queue.push_back(edge.neighbour);
            }
        }
    }
}

bool Maze::start()
{
    Minispiel::start();
    deleteSets();
    for (Raum* raum : m_rooms) {
        for (Raum::Edge& edge : raum->edges)
            edge.open = false;
        raum->marked = false;
        raum->distance = Raum::kUnreached;
        raum->menge = new Menge{{raum}, false};
        m_sets.push_back(raum->menge);
    }
    spanningTree();
    extraPassages();
    measureDistances();
    m_goal = nullptr;
    for (Raum* raum : m_rooms) {
        if (raum->isGoal && (!m_goal || raum->distance < m_goal->distance))
            m_goal = raum;
    }
    m_path.clear();
    return false;
}

void Maze::show()
{
    m_input = true;
    Minispiel::show();
}

void Maze::hide()
{
    m_input = false;
    Minispiel::hide();
}

void Maze::update(const double& dt)
{
    double elapsed = dt;
    if (m_background)
        m_background->update(elapsed);
    Minispiel::update(dt);
}

void Maze::createGUI()
{
    Ulvo::MouseState& mouse = Playfield::mouseState();
    mouse.buttonPressed.disconnect(this);
    mouse.buttonReleased.disconnect(this);
    mouse.buttonPressed.connect(this, &Maze::onMousePressed);
    mouse.buttonReleased.connect(this, &Maze::onMouseReleased);
    float aspectW = 1.0f, aspectH = 1.0f;
    Playfield::backgroundFrame(m_background, aspectW, aspectH);
    if (Ulvo::GUIWindow* field = cloneGameWindow(L"MAZE", aspectW, aspectH)) {
        Ulvo::releaseAndNull(m_spielfeld);
        m_spielfeld = field;
        m_spielfeld->drawn.connect(this, &Maze::onDrawSpielfeld);
    }
    start();
    Minispiel::createGUI();
}

Ulvo::FloatRect Maze::screenRect(const Raum& raum) const
{
    const D3DXVECTOR2 cell(1.0f / static_cast<float>(std::max(m_columns, 1)),
                           1.0f / static_cast<float>(std::max(m_rows, 1)));
    const D3DXVECTOR2 a = Playfield::toScreen(m_spielfeld, raum.position);
    const D3DXVECTOR2 b = Playfield::toScreen(m_spielfeld, raum.position + cell);
    return Ulvo::FloatRect(a.x, a.y, b.x, b.y);
}

D3DXVECTOR2 Maze::screenCentre(const Raum& raum) const
{
    const Ulvo::FloatRect r = screenRect(raum);
    return D3DXVECTOR2((r.left + r.right) * 0.5f, (r.top + r.bottom) * 0.5f);
}

std::vector<const Maze::Raum*> Maze::shortestWay() const
{
    if (!m_start || !m_goal)
        return {};
    // Breadth first from the start, each room remembering where it was reached from.
    std::vector<std::pair<const Raum*, const Raum*>> from{{m_start, nullptr}};
    for (size_t k = 0; k < from.size() && from.back().first != m_goal; ++k) {
        for (const Raum::Edge& edge : from[k].first->edges) {
            const bool seen =
                std::any_of(from.begin(), from.end(), [&](const auto& f) { return f.first == edge.neighbour; });
            if (edge.open && edge.neighbour && !seen)
                from.push_back({edge.neighbour, from[k].first});
        }
    }
    std::vector<const Raum*> way;
    const Raum* at = m_goal;
    while (at && at != m_start) {
        const auto it = std::find_if(from.begin(), from.end(), [&](const auto& f) { return f.first == at; });
        if (it == from.end())
            return {};
        at = it->second;
        if (at && at != m_start)
            way.insert(way.begin(), at);
    }
    return way;
}

void Maze::naechsteZuege(MinispielZuege& zuege) const
{
    if (m_solved || !m_spielfeld || !m_goal || m_goal->distance == Raum::kUnreached)
        return;
    const auto klick = [&](const Raum& raum) {
        zuege.push_back(MinispielZug::klick(screenCentre(raum), screenRect(raum)));
    };
    // A path begun is taken back: a click on its first room cuts back to it, one more takes it.
    if (!m_path.empty()) {
        if (m_path.size() > 1)
            klick(*m_path.front());
        klick(*m_path.front());
    }
    const std::vector<const Raum*> way = shortestWay();
    if (way.empty())
        klick(*m_goal);
    for (const Raum* raum : way)
        klick(*raum);
}

Maze::Raum* Maze::current() const
{
    return m_path.empty() ? m_start : m_path.back();
}

void Maze::clickRoom(Raum& raum)
{
    Raum* at = current();
    if (!raum.marked) {
        if (at && at->openTo(&raum) && !raum.isStart && !raum.isGoal) {
            raum.marked = true;
            m_path.push_back(&raum);
        }
    } else if (&raum == at) {
        if (!raum.isStart && !raum.isGoal) {
            raum.marked = false;
            m_path.pop_back();
        }
    } else {
        while (!m_path.empty() && m_path.back() != &raum) {
            m_path.back()->marked = false;
            m_path.pop_back();
        }
    }
}

void Maze::walk(const D3DXVECTOR2& field)
{
    if (!(field.x > 0.0f && field.x < 1.0f && field.y > 0.0f && field.y < 1.0f))
        return;
    Raum* at = current();
    const float columns = static_cast<float>(m_columns), rows = static_cast<float>(m_rows);
    const D3DXVECTOR2 target(std::floor(columns * field.x) / columns, std::floor(rows * field.y) / rows);
    const float dx = target.x - at->position.x, dy = target.y - at->position.y;
    const bool vertical = std::fabs(dx) <= std::fabs(dy);
    const int edge = vertical ? (dy > 0.0f ? 2 : 0) : (dx > 0.0f ? 1 : 3);
    // Steps to the clicked cell along the larger difference.
    const int steps = static_cast<int>(std::lround(vertical ? std::fabs(dy) * rows : std::fabs(dx) * columns));
    for (int step = 0; step < steps && edge < at->edgeCount; ++step) {
        const Raum::Edge& next = at->edges[static_cast<size_t>(edge)];
        Raum* room = next.neighbour;
        if (!room || !next.open || room->marked || room->isStart || room->isGoal)
            break;
        room->marked = true;
        m_path.push_back(room);
        at = room;
    }
}

void Maze::winTest()
{
    const Raum* last = current();
    if (!last)
        return;
    bool won = false;
    if (!m_fast) {
        won = last->isGoal || std::any_of(last->edges.begin(), last->edges.end(), [](const Raum::Edge& edge) {
                  return edge.open && edge.neighbour && edge.neighbour->isGoal;
              });
    } else if (m_goal && m_goal->distance != Raum::kUnreached) {
        const size_t length = m_path.size();
        won =
            (last->openTo(m_goal) && length + 1 == m_goal->distance) || (last == m_goal && length == m_goal->distance);
    }
    if (won) {
        m_solved = true;
        m_endDelayLeft = m_endDelay;
    }
}

void Maze::onMousePressed(Ulvo::MouseState& state, const UlvoMouseButton& button)
{
    // Without a start room there is no path to build: clicks do nothing.
    if (button != ULVO_MOUSE_LEFT || !m_input || m_solved || !m_spielfeld || !m_start)
        return;
    const Ulvo::FloatRect& rect = m_spielfeld->getScreenRect();
    if (rect.right - rect.left < 1.0f || rect.bottom - rect.top < 1.0f)
        return;
    if (Ulvo::GUISystem::getInstance()->getWindowAt(state.position[0], state.position[1], Ulvo::GUIWindow::HIT_PRESS) !=
        m_spielfeld)
        return;
    const D3DXVECTOR2 mouse(state.position[0], state.position[1]);
    bool hit = false;
    for (Raum* raum : m_rooms) {
        if (Playfield::contains(screenRect(*raum), mouse)) {
            hit = true;
            clickRoom(*raum);
        }
    }
    if (!hit)
        walk(Playfield::toField(m_spielfeld, mouse));
    winTest();
}

void Maze::onDrawSpielfeld(Ulvo::GUIWindow& window, const bool& visible)
{
    if (!visible)
        return;
    const float a = static_cast<float>(window.getAlpha());
    const D3DXCOLOR white(1.0f, 1.0f, 1.0f, a);
    Playfield::draw(m_background, window.getScreenRect(), Playfield::colour(1.0f, 1.0f, 1.0f, a));
    if ((m_drawMode >= 0 && (m_drawMode & 1)) || m_drawMode == 2) {
        for (const Raum* raum : m_rooms) {
            const Ulvo::FloatRect rect = screenRect(*raum);
            const D3DCOLOR tint = raum->isGoal    ? times(white, raum->zielColour)
                                  : raum->isStart ? times(white, raum->startColour)
                                  : raum->marked  ? times(white, raum->markColour)
                                                  : Playfield::colour(1.0f, 1.0f, 1.0f, a);
            Playfield::draw(raum->background, rect, tint);
            if (m_drawMode != 2) {
                const auto edgeAnimation = [raum](size_t entry) {
                    return entry < raum->edgeAnimations.size() ? raum->edgeAnimations[entry] : nullptr;
                };
                for (size_t i = 0; i < raum->edges.size(); ++i) {
                    if (raum->edges[i].open)
                        Playfield::draw(edgeAnimation(2 * i + 1), rect, tint);
                }
                for (size_t i = 0; i < raum->edges.size(); ++i) {
                    if (!raum->edges[i].open)
                        Playfield::draw(edgeAnimation(2 * i), rect, tint);
                }
            }
            if (raum->isStart)
                Playfield::draw(raum->startAnimation, rect, tint);
            if (raum->isGoal)
                Playfield::draw(raum->zielAnimation, rect, tint);
            if (raum->marked)
                Playfield::draw(raum->markAnimation, rect, tint);
        }
    }
    if (m_drawMode >= 0 && (m_drawMode & 2) && m_lines.begin(2.0f)) {
        const D3DCOLOR colour = Playfield::colour(1.0f, 1.0f, 1.0f, a);
        for (const Raum* raum : m_rooms) {
            const Ulvo::FloatRect rect = screenRect(*raum);
            const D3DXVECTOR2 centre((rect.left + rect.right) * 0.5f, (rect.top + rect.bottom) * 0.5f);
            const float w = rect.right - rect.left, h = rect.bottom - rect.top;
            const int n = raum->edgeCount;
            const auto corner = [&](int k) {
                const float phi = D3DXToRadian(static_cast<float>(k) / static_cast<float>(n) * 360.0f + raum->delta);
                return centre +
                       D3DXVECTOR2(std::cos(phi) * w * 0.5f * raum->length, -std::sin(phi) * h * 0.5f * raum->length);
            };
            // The corners run counter-clockwise on the screen (90 degrees is up) while the edges
            // run clockwise (up, right, down, left): edge i lies between corners n - i and
            // n - i + 1, so that a room's right wall is drawn on its right.
            for (int i = 0; i < n; ++i) {
                if (!raum->edges[static_cast<size_t>(i)].open)
                    m_lines.line(corner((n - i) % n), corner((n - i + 1) % n), colour);
            }
        }
        m_lines.end();
    }
    Ulvo::D3DXFontInterface* fonts = Ulvo::UlvoEngine::getInstance()->getFontInterface();
    if (m_fast && fonts) {
        for (size_t k = 0; k < m_path.size(); ++k) {
            const Ulvo::FloatRect r = screenRect(*m_path[k]);
            RECT rect{static_cast<LONG>(r.left), static_cast<LONG>(r.top), static_cast<LONG>(r.right),
                      static_cast<LONG>(r.bottom)};
            fonts->dispatchDrawStyledText(m_fontName, std::to_wstring(k + 1), &rect, kCentred, m_fontStyle);
        }
    }
}

} // namespace ThreeMatch
