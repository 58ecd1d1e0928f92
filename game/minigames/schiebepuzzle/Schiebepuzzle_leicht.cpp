#include "minigames/schiebepuzzle/Schiebepuzzle_leicht.h"

#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "gui/windows/GUIScopes.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/frame/MinispielManager.h"
#include "minigames/frame/Playfield.h"
#include "minigames/puzzle/Puzzle.h"

#include <crt.h>

#include <algorithm>
#include <array>
#include <deque>

namespace ThreeMatch {

Schiebepuzzle_leicht::Kachel::Kachel(Ulvo::XMLNode* node)
{
    std::wstring name;
    if (node && node->readString(L"ANIMATION", name))
        animation = Playfield::cloneAnimation(name, L"Schiebepuzzle_leicht");
    position.running = true;
}

Schiebepuzzle_leicht::Kachel::Kachel(const Kachel& other)
    : animation(other.animation ? other.animation->clone() : nullptr), position(other.position.value)
{
    position.running = true;
}

Schiebepuzzle_leicht::Kachel::~Kachel()
{
    Ulvo::releaseAndNull(animation);
}

Schiebepuzzle_leicht::Schiebepuzzle_leicht(Ulvo::XMLNode* node) : Minispiel(node)
{
    if (!node)
        return;
    for (Ulvo::XMLNode* child : node->getNodes()) {
        if (!child)
            continue;
        if (child->getName() == L"KACHEL_TEIL")
            m_vorlagen.push_back(new Kachel(child));
        else if (child->getName() == L"ZIEL_TEIL" && !m_ziel)
            m_ziel = new Kachel(child);
    }
    std::array<int, 2> size{4, 4};
    const unsigned count = node->readInts(L"SIZE", size);
    if (count == 1)
        size[1] = size[0];
    m_columns = static_cast<uint32_t>(std::clamp(size[0], 0, 64));
    m_rows = static_cast<uint32_t>(std::clamp(size[1], 0, 64));
    if (!playable())
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::Schiebepuzzle_leicht: ", getName(),
                               L" braucht ein KACHEL_TEIL und zwei Felder; nicht zu loesen\n");
}

Schiebepuzzle_leicht::~Schiebepuzzle_leicht()
{
    if (m_spielfeld) {
        m_spielfeld->drawn.disconnect(this);
        m_spielfeld->clicked.disconnect(this);
    }
    Ulvo::releaseAndNull(m_spielfeld);
    clearTiles();
    for (Kachel* vorlage : m_vorlagen)
        delete vorlage;
    delete m_ziel;
}

void Schiebepuzzle_leicht::clearTiles()
{
    for (Kachel* kachel : m_kacheln)
        delete kachel;
    m_kacheln.clear();
    m_grid.clear();
}

D3DXVECTOR2 Schiebepuzzle_leicht::cellCorner(uint32_t index) const
{
    if (m_rows == 0 || m_columns == 0)
        return D3DXVECTOR2(0.0f, 0.0f);
    return D3DXVECTOR2(static_cast<float>(index / m_rows) / static_cast<float>(m_columns),
                       static_cast<float>(index % m_rows) / static_cast<float>(m_rows));
}

D3DXVECTOR2 Schiebepuzzle_leicht::cellCentre(uint32_t index) const
{
    const D3DXVECTOR2 half(0.5f / std::max(m_columns, 1u), 0.5f / std::max(m_rows, 1u));
    return Playfield::toScreen(m_spielfeld, cellCorner(index) + half);
}

Ulvo::FloatRect Schiebepuzzle_leicht::cellRect(uint32_t index) const
{
    const D3DXVECTOR2 a = Playfield::toScreen(m_spielfeld, cellCorner(index));
    const D3DXVECTOR2 b = Playfield::toScreen(
        m_spielfeld, cellCorner(index) + D3DXVECTOR2(1.0f / std::max(m_columns, 1u), 1.0f / std::max(m_rows, 1u)));
    return Ulvo::FloatRect(a.x, a.y, b.x, b.y);
}

std::vector<uint32_t> Schiebepuzzle_leicht::gapWay() const
{
    const uint32_t cells = static_cast<uint32_t>(m_grid.size());
    if (m_solved || m_gap >= cells || m_goal >= cells)
        return {};
    // Each slide moves the gap one cell, any tile beside it will do: a breadth-first walk.
    constexpr uint32_t kNone = ~0u;
    std::vector<uint32_t> from(cells, kNone);
    std::deque<uint32_t> queue{m_gap};
    from[m_gap] = m_gap;
    while (!queue.empty() && from[m_goal] == kNone) {
        const uint32_t at = queue.front();
        queue.pop_front();
        const uint32_t c = at / m_rows, r = at % m_rows;
        const uint32_t next[4] = {c > 0 ? at - m_rows : kNone, c + 1 < m_columns ? at + m_rows : kNone,
                                  r > 0 ? at - 1 : kNone, r + 1 < m_rows ? at + 1 : kNone};
        for (uint32_t n : next) {
            if (n < cells && from[n] == kNone) {
                from[n] = at;
                queue.push_back(n);
            }
        }
    }
    std::vector<uint32_t> way;
    if (from[m_goal] == kNone)
        return way;
    for (uint32_t at = m_goal; at != m_gap; at = from[at])
        way.insert(way.begin(), at);
    return way;
}

void Schiebepuzzle_leicht::naechsteZuege(MinispielZuege& zuege) const
{
    for (uint32_t cell : gapWay())
        zuege.push_back(MinispielZug::klick(cellCentre(cell), cellRect(cell)));
}

bool Schiebepuzzle_leicht::start()
{
    Minispiel::start();
    m_cooldown = 0.0f;
    m_queued = -1;
    clearTiles();
    // Fewer than two cells or no tile to lay: the shuffle below would draw the goal for ever.
    if (!playable())
        return false;
    const uint32_t cells = m_columns * m_rows;
    m_grid.assign(cells, nullptr);
    for (uint32_t c = 0; c < m_columns; ++c) {
        for (uint32_t r = 0; r < m_rows; ++r) {
            const Kachel* vorlage = m_vorlagen[static_cast<size_t>(crt_rand()) % m_vorlagen.size()];
            Kachel* kachel = new Kachel(*vorlage);
            const uint32_t index = c * m_rows + r;
            m_kacheln.push_back(kachel);
            m_grid[index] = kachel;
            kachel->position.set(cellCorner(index), cellCorner(index), 1.0f);
        }
    }
    m_gap = static_cast<uint32_t>(crt_rand()) % cells;
    do
        m_goal = static_cast<uint32_t>(crt_rand()) % cells;
    while (m_goal == m_gap);
    delete m_grid[m_gap];
    m_grid[m_gap] = nullptr;
    m_kacheln.erase(m_kacheln.begin() + m_gap);
    if (m_ziel)
        m_ziel->position.set(cellCorner(m_goal), cellCorner(m_goal), 1.0f);
    return false;
}

void Schiebepuzzle_leicht::update(const double& dt)
{
    for (Kachel* kachel : m_kacheln) {
        if (kachel->animation) {
            double elapsed = dt;
            kachel->animation->update(elapsed);
        }
        kachel->position.update(static_cast<float>(dt));
    }
    if (m_cooldown > 0.0f)
        m_cooldown -= static_cast<float>(dt);
    if (m_cooldown <= 0.0f && m_queued >= 0) {
        const uint32_t queued = static_cast<uint32_t>(m_queued);
        m_queued = -1;
        if (!m_solved && queued < m_grid.size() && m_grid[queued])
            slide(queued);
    }
    Minispiel::update(dt);
}

void Schiebepuzzle_leicht::createGUI()
{
    if (Ulvo::GUIWindow* field =
            cloneGameWindow(L"SCHIEBEPUZZLE", static_cast<float>(m_columns), static_cast<float>(m_rows))) {
        Ulvo::releaseAndNull(m_spielfeld);
        m_spielfeld = field;
        m_spielfeld->clicked.connect(this, &Schiebepuzzle_leicht::onClick);
        m_spielfeld->drawn.connect(this, &Schiebepuzzle_leicht::onDrawSpielfeld);
    }
    start();
    Minispiel::createGUI();
}

void Schiebepuzzle_leicht::onClick(Ulvo::GUIWindow&)
{
    clickAt(Playfield::mouse());
}

void Schiebepuzzle_leicht::clickAt(const D3DXVECTOR2& screen)
{
    if (m_solved || m_grid.empty())
        return;
    const float w = 1.0f / static_cast<float>(m_columns), h = 1.0f / static_cast<float>(m_rows);
    uint32_t clicked = static_cast<uint32_t>(m_grid.size());
    for (uint32_t index = 0; index < m_grid.size(); ++index) {
        const Kachel* kachel = m_grid[index];
        if (!kachel)
            continue;
        const D3DXVECTOR2 a = Playfield::toScreen(m_spielfeld, kachel->position.value);
        const D3DXVECTOR2 b = Playfield::toScreen(m_spielfeld, kachel->position.value + D3DXVECTOR2(w, h));
        if (Playfield::contains(Ulvo::FloatRect(a.x, a.y, b.x, b.y), screen)) {
            clicked = index;
            break;
        }
    }
    if (clicked == m_grid.size())
        return;
    // Two quick clicks are two slides: the second waits for the first one's pause.
    if (m_cooldown > 0.0f) {
        m_queued = clicked;
        return;
    }
    slide(clicked);
}

void Schiebepuzzle_leicht::slide(uint32_t clicked)
{
    const uint32_t c = clicked / m_rows, r = clicked % m_rows;
    const int64_t sides[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
    int64_t target = -1;
    for (const auto& side : sides) {
        const int64_t nc = static_cast<int64_t>(c) + side[0], nr = static_cast<int64_t>(r) + side[1];
        if (nc < 0 || nr < 0 || nc >= m_columns || nr >= m_rows)
            continue;
        if (static_cast<uint32_t>(nc * m_rows + nr) == m_gap) {
            target = nc * m_rows + nr;
            break;
        }
    }
    Ulvo::GUIKeepAlive alive(this);
    if (target < 0) {
        manager().wrongSignal.emit(*this);
        return;
    }
    Kachel* kachel = m_grid[clicked];
    Puzzle::Teil::moveTo(kachel->position, cellCorner(static_cast<uint32_t>(target)));
    m_grid[static_cast<size_t>(target)] = kachel;
    m_grid[clicked] = nullptr;
    m_gap = clicked;
    manager().rightSignal.emit(*this);
    if (m_gap == m_goal) {
        m_solved = true;
        m_endDelayLeft = m_endDelay;
    } else {
        m_cooldown = 0.5f;
    }
}

void Schiebepuzzle_leicht::onDrawSpielfeld(Ulvo::GUIWindow& window, const bool& visible)
{
    if (!visible || m_columns == 0 || m_rows == 0)
        return;
    const float a = static_cast<float>(window.getAlpha());
    const D3DXVECTOR2 cell(1.0f / static_cast<float>(m_columns), 1.0f / static_cast<float>(m_rows));
    auto draw = [&](const Kachel& kachel, D3DCOLOR colour) {
        const D3DXVECTOR2 p = Playfield::toScreen(m_spielfeld, kachel.position.value);
        const D3DXVECTOR2 q = Playfield::toScreen(m_spielfeld, kachel.position.value + cell);
        Playfield::draw(kachel.animation, Ulvo::FloatRect(p.x, p.y, q.x, q.y), colour);
    };
    if (m_ziel)
        draw(*m_ziel, Playfield::colour(1.0f, 1.0f, 1.0f, a < 0.95f ? 0.0f : 1.0f));
    const D3DCOLOR white = Playfield::colour(1.0f, 1.0f, 1.0f, a);
    for (const Kachel* kachel : m_kacheln)
        draw(*kachel, white);
}

} // namespace ThreeMatch
