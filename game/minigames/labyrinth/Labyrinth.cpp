#include "minigames/labyrinth/Labyrinth.h"

#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "gui/windows/GUIScopes.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/frame/MinispielManager.h"
#include "minigames/frame/Playfield.h"

#include <crt.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace ThreeMatch {

namespace {

// A larger board than a screen can show only costs memory.
constexpr int kMaxCells = 32;
// A deal whose tiles connect everything cannot be broken by pushing: the start gives up then.
constexpr int kMaxStartPushes = 200;
// Drawing the goal again and again could in theory miss every valid cell.
constexpr int kMaxGoalDraws = 1000;

// The board's sides as plain values, to try moves on without touching the game.
struct Model {
    using Sides = std::array<uint8_t, 4>;
    const Labyrinth* game = nullptr;
    std::vector<Sides> cells; // (columns + 2) x (rows + 2), by column; all closed where no tile is
    std::vector<bool> present;
    Sides spare{0, 0, 0, 0};

    size_t at(int x, int y) const { return static_cast<size_t>(x) * (game->getRows() + 2) + static_cast<size_t>(y); }
    static Sides turned(Sides s, int quarters)
    {
        for (int q = 0; q < quarters; ++q)
            s = {s[3], s[0], s[1], s[2]};
        return s;
    }
    void push(int border)
    {
        const Labyrinth::Cell ring = game->borderCell(border);
        const int columns = game->getColumns(), rows = game->getRows();
        const int dx = ring.x == 0 ? 1 : ring.x == columns + 1 ? -1 : 0;
        const int dy = ring.y == 0 ? 1 : ring.y == rows + 1 ? -1 : 0;
        // From the far end back to the entry: each cell takes its neighbour nearer the entry.
        int x = dx > 0 ? columns : dx < 0 ? 1 : ring.x, y = dy > 0 ? rows : dy < 0 ? 1 : ring.y;
        const Sides out = cells[at(x, y)];
        for (int k = 1; k < (dx ? columns : rows); ++k, x -= dx, y -= dy)
            cells[at(x, y)] = cells[at(x - dx, y - dy)];
        cells[at(x, y)] = spare;
        spare = out;
    }
    // The cells reached from the cell through open sides.
    int reach(const Labyrinth::Cell& from, const Labyrinth::Cell* goal, bool& found) const
    {
        std::vector<bool> seen(cells.size(), false);
        std::vector<Labyrinth::Cell> todo{from};
        seen[at(from.x, from.y)] = true;
        int count = 0;
        const int step[4][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
        while (!todo.empty()) {
            const Labyrinth::Cell c = todo.back();
            todo.pop_back();
            ++count;
            if (goal && c == *goal)
                found = true;
            for (int side = 0; side < 4; ++side) {
                const int nx = c.x + step[side][0], ny = c.y + step[side][1];
                if (nx < 0 || ny < 0 || nx > game->getColumns() + 1 || ny > game->getRows() + 1 ||
                    !present[at(nx, ny)] || seen[at(nx, ny)] || !cells[at(c.x, c.y)][side] ||
                    !cells[at(nx, ny)][(side + 2) % 4])
                    continue;
                seen[at(nx, ny)] = true;
                todo.push_back({nx, ny});
            }
        }
        return count;
    }
    bool linked() const
    {
        bool found = false;
        const Labyrinth::Cell goal = game->getGoal();
        reach(game->getStart(), &goal, found);
        return found;
    }
};

bool search(const Model& model, int depth, std::vector<std::pair<int, int>>& moves)
{
    if (model.linked())
        return true;
    if (depth == 0)
        return false;
    for (int quarters = 0; quarters < 4; ++quarters) {
        for (int border = 0; border < model.game->borderCount(); ++border) {
            Model next = model;
            next.spare = Model::turned(model.spare, quarters);
            next.push(border);
            moves.push_back({quarters, border});
            if (search(next, depth - 1, moves))
                return true;
            moves.pop_back();
        }
    }
    return false;
}

Model modelOf(const Labyrinth& game)
{
    Model model;
    model.game = &game;
    const size_t size = static_cast<size_t>(game.getColumns() + 2) * (game.getRows() + 2);
    model.cells.assign(size, {0, 0, 0, 0});
    model.present.assign(size, false);
    for (int x = 0; x < game.getColumns() + 2; ++x) {
        for (int y = 0; y < game.getRows() + 2; ++y) {
            if (const Labyrinth::Tile* tile = game.tileAt({x, y})) {
                model.cells[model.at(x, y)] = tile->sides;
                model.present[model.at(x, y)] = true;
            }
        }
    }
    if (game.getSpare())
        model.spare = game.getSpare()->sides;
    return model;
}

} // namespace

Labyrinth::Tile::Tile(Ulvo::XMLNode* node)
{
    position.running = true;
    angle.running = true;
    if (!node)
        return;
    std::array<int, 4> open{0, 0, 0, 0};
    const unsigned count = node->readInts(L"OFFENE_SEITEN", open);
    // Each value sets its side and every later one, so one value opens or closes all four.
    for (unsigned k = 0; k < std::min(count, 4u); ++k) {
        for (unsigned s = k; s < 4; ++s)
            sides[s] = open[k] > 0 ? 1 : 0;
    }
    std::wstring name;
    if (node->readString(L"ANIMATION", name))
        animation = Playfield::cloneAnimation(name, L"Labyrinth");
}

Labyrinth::Tile::Tile(const Tile& other)
    : position(other.position.value)
    , angle(other.angle.value)
    , sides(other.sides)
    , animation(other.animation ? other.animation->clone() : nullptr)
{
    position.running = true;
    angle.running = true;
}

Labyrinth::Tile::~Tile()
{
    Ulvo::releaseAndNull(animation);
}

void Labyrinth::Tile::turn(bool clockwise, float time)
{
    const float target = angle.end + (clockwise ? 90.0f : -90.0f);
    if (clockwise)
        std::rotate(sides.rbegin(), sides.rbegin() + 1, sides.rend());
    else
        std::rotate(sides.begin(), sides.begin() + 1, sides.end());
    if (time <= 0.0f) {
        angle.set(target, target, 1.0f);
    } else {
        angle.speed = time;
        angle.set(angle.value, target, 0.0f);
    }
}

void Labyrinth::Tile::placeAt(const D3DXVECTOR2& cell)
{
    position.set(cell, cell, 1.0f);
}

void Labyrinth::Tile::glideTo(const D3DXVECTOR2& cell, float time)
{
    if (time <= 0.0f) {
        placeAt(cell);
        return;
    }
    position.speed = time;
    position.set(position.value, cell, 0.0f);
}

void Labyrinth::Tile::update(double dt)
{
    if (animation) {
        double elapsed = dt;
        animation->update(elapsed);
    }
    position.update(static_cast<float>(dt));
    angle.update(static_cast<float>(dt));
}

Labyrinth::Labyrinth(Ulvo::XMLNode* node) : Minispiel(node)
{
    if (node) {
        float sum = 0.0f;
        for (Ulvo::XMLNode* child : node->getNodes()) {
            if (!child)
                continue;
            const std::wstring& name = child->getName();
            if (name == L"TILE") {
                float weight = 1.0f;
                child->readFloat(L"PROP", weight);
                // A negative or broken weight would make the choice pick nothing sensible.
                weight = std::isfinite(weight) ? std::max(weight, 0.0f) : 0.0f;
                sum += weight;
                m_templates.push_back(new Tile(child));
                m_weights.push_back(sum);
            } else if (name == L"EINGANG" && !m_eingang) {
                m_eingang = new Tile(child);
            } else if (name == L"START" && !m_startMarker) {
                m_startMarker = new Tile(child);
            } else if (name == L"ZIEL" && !m_goalMarker) {
                m_goalMarker = new Tile(child);
            }
        }
        for (float& weight : m_weights)
            weight = sum > 0.0f ? weight / sum : 1.0f;
        std::array<int, 2> size{4, 4};
        if (node->readInts(L"SIZE", size) == 1)
            size[1] = size[0];
        m_columns = std::clamp(size[0], 0, kMaxCells);
        m_rows = std::clamp(size[1], 0, kMaxCells);
    }
    m_parking = D3DXVECTOR2(-1.0f, static_cast<float>(m_rows + 1) * 0.5f);
    if (!playable())
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::Labyrinth: ", getName(),
                               L" braucht TILE, EINGANG und ein Feld; nicht zu loesen\n");
}

Labyrinth::~Labyrinth()
{
    if (m_spielfeld) {
        m_spielfeld->clicked.disconnect(this);
        m_spielfeld->rightClicked.disconnect(this);
        m_spielfeld->drawn.disconnect(this);
    }
    Ulvo::releaseAndNull(m_spielfeld);
    for (std::vector<Tile*>* list : {&m_pool, &m_arrows, &m_templates}) {
        for (Tile* tile : *list)
            delete tile;
    }
    delete m_eingang;
    delete m_startMarker;
    delete m_goalMarker;
}

bool Labyrinth::playable() const
{
    return !m_templates.empty() && m_eingang && m_columns >= 1 && m_rows >= 1;
}

Labyrinth::Cell Labyrinth::borderCell(int a) const
{
    if (a < m_columns)
        return {a + 1, 0};
    if (a < m_columns + m_rows)
        return {m_columns + 1, a - m_columns + 1};
    if (a < 2 * m_columns + m_rows)
        return {a - m_columns - m_rows + 1, m_rows + 1};
    return {0, a - 2 * m_columns - m_rows + 1};
}

Labyrinth::Tile* Labyrinth::tileAt(const Cell& cell) const
{
    if (!inGrid(cell) || m_board.size() != static_cast<size_t>(m_columns + 2) * static_cast<size_t>(m_rows + 2))
        return nullptr;
    return m_board[index(cell)];
}

bool Labyrinth::passable(const Cell& from, const Cell& to) const
{
    const Tile* a = tileAt(from);
    const Tile* b = tileAt(to);
    if (!a || !b || std::abs(from.x - to.x) + std::abs(from.y - to.y) != 1)
        return false;
    if (to.x > from.x)
        return a->sides[RIGHT] && b->sides[LEFT];
    if (to.x < from.x)
        return a->sides[LEFT] && b->sides[RIGHT];
    if (to.y > from.y)
        return a->sides[BOTTOM] && b->sides[TOP];
    return a->sides[TOP] && b->sides[BOTTOM];
}

bool Labyrinth::pathTest()
{
    if (m_marks.empty() || !inGrid(m_startCell) || !inGrid(m_goalCell))
        return false;
    std::fill(m_marks.begin(), m_marks.end(), 0);
    // Every cell reached ends marked 2, whatever order the pending ones are expanded in.
    std::vector<Cell> pending{m_startCell};
    m_marks[index(m_startCell)] = 1;
    while (!pending.empty()) {
        const Cell at = pending.back();
        pending.pop_back();
        m_marks[index(at)] = 2;
        const Cell next[4] = {{at.x + 1, at.y}, {at.x - 1, at.y}, {at.x, at.y + 1}, {at.x, at.y - 1}};
        for (const Cell& n : next) {
            if (passable(at, n) && m_marks[index(n)] == 0) {
                m_marks[index(n)] = 1;
                pending.push_back(n);
            }
        }
    }
    return m_marks[index(m_goalCell)] != 0;
}

void Labyrinth::push(const Cell& ring, float time)
{
    if (!m_spare || m_board.empty())
        return;
    const auto at = [](int x, int y) { return D3DXVECTOR2(static_cast<float>(x), static_cast<float>(y)); };
    Tile* entering = m_spare;
    if ((ring.x == 0 || ring.x == m_columns + 1) && ring.y >= 1 && ring.y <= m_rows) {
        const int y = ring.y;
        const bool right = ring.x == 0;
        const int out = right ? m_columns : 1, in = right ? 1 : m_columns, step = right ? -1 : 1;
        m_spare = m_board[index({out, y})];
        for (int x = out; x != in; x += step) {
            Tile* moved = m_board[index({x + step, y})];
            m_board[index({x, y})] = moved;
            moved->glideTo(at(x, y), time);
        }
        m_board[index({in, y})] = entering;
        entering->glideTo(at(in, y), time);
    } else if ((ring.y == 0 || ring.y == m_rows + 1) && ring.x >= 1 && ring.x <= m_columns) {
        const int x = ring.x;
        const bool down = ring.y == 0;
        const int out = down ? m_rows : 1, in = down ? 1 : m_rows, step = down ? -1 : 1;
        m_spare = m_board[index({x, out})];
        for (int y = out; y != in; y += step) {
            Tile* moved = m_board[index({x, y + step})];
            m_board[index({x, y})] = moved;
            moved->glideTo(at(x, y), time);
        }
        m_board[index({x, in})] = entering;
        entering->glideTo(at(x, in), time);
    } else {
        return;
    }
    m_spare->glideTo(m_parking, 1.0f);
}

std::vector<std::pair<int, int>> Labyrinth::pushes(int depth) const
{
    if (!m_spare || m_board.empty())
        return {};
    const Model model = modelOf(*this);
    std::vector<std::pair<int, int>> moves;
    for (int limit = 1; limit <= depth; ++limit) {
        moves.clear();
        if (search(model, limit, moves))
            return moves;
    }
    return {};
}

void Labyrinth::naechsteZuege(MinispielZuege& zuege) const
{
    if (m_solved || !m_spare || m_board.empty() || !m_spielfeld)
        return;
    std::vector<std::pair<int, int>> moves = pushes(3);
    if (moves.empty()) {
        // No short run: the move after which start and goal reach the most cells together.
        const Model model = modelOf(*this);
        int best = -1;
        for (int quarters = 0; quarters < 4; ++quarters) {
            for (int border = 0; border < borderCount(); ++border) {
                Model next = model;
                next.spare = Model::turned(model.spare, quarters);
                next.push(border);
                bool found = false;
                const int cells = next.reach(m_startCell, nullptr, found) + next.reach(m_goalCell, nullptr, found);
                if (cells > best) {
                    best = cells;
                    moves = {{quarters, border}};
                }
            }
        }
    }
    const Ulvo::FloatRect spare = cellRect(m_parking);
    for (const auto& [quarters, border] : moves) {
        // A click beside the ring (on the parked spare) turns it a quarter clockwise, a right
        // click back.
        if (quarters == 3)
            zuege.push_back(MinispielZug::klick(cellCentre(m_parking), spare, MinispielZug::Art::Rechtsklick));
        for (int q = 0; q < quarters && quarters < 3; ++q)
            zuege.push_back(MinispielZug::klick(cellCentre(m_parking), spare));
        const Cell ring = borderCell(border);
        const D3DXVECTOR2 at(static_cast<float>(ring.x), static_cast<float>(ring.y));
        // The push moves the row or column behind the arrow and the spare.
        const bool row = ring.x == 0 || ring.x == m_columns + 1;
        const Ulvo::FloatRect first = cellRect(row ? D3DXVECTOR2(1.0f, at.y) : D3DXVECTOR2(at.x, 1.0f));
        const Ulvo::FloatRect last = cellRect(row ? D3DXVECTOR2(static_cast<float>(m_columns), at.y)
                                                  : D3DXVECTOR2(at.x, static_cast<float>(m_rows)));
        zuege.push_back(MinispielZug::klick(cellCentre(at), cellRect(at))
                            .aendert(Ulvo::FloatRect(first.left, first.top, last.right, last.bottom)));
    }
}

void Labyrinth::chooseGoal()
{
    const int p = borderCount();
    const int a = crt_rand() % p;
    m_startCell = borderCell(a);
    const int larger = std::max(m_columns, m_rows);
    const auto valid = [&](int b) {
        const Cell goal = borderCell(b);
        return b != a && goal.x != m_startCell.x && goal.y != m_startCell.y;
    };
    for (int draw = 0; draw < kMaxGoalDraws; ++draw) {
        const double r = static_cast<double>(crt_rand()) / 32767.0;
        const int offset = static_cast<int>(std::trunc(larger - r * 2.0 * larger));
        const int b = (((offset + m_rows + m_columns + a) % p) + p) % p;
        if (valid(b)) {
            m_goalCell = borderCell(b);
            return;
        }
    }
    for (int b = 0; b < p; ++b) {
        if (valid(b)) {
            m_goalCell = borderCell(b);
            return;
        }
    }
    m_goalCell = borderCell((a + 1) % p);
}

bool Labyrinth::start()
{
    Minispiel::start();
    m_startPushes = 0;
    m_spare = nullptr;
    if (!playable() || m_pool.empty() || m_board.empty())
        return false;
    for (int x = 1; x <= m_columns; ++x) {
        for (int y = 1; y <= m_rows; ++y)
            m_board[index({x, y})] = nullptr;
    }
    std::vector<Tile*> deck = m_pool;
    for (int x = 1; x <= m_columns; ++x) {
        for (int y = 1; y <= m_rows; ++y) {
            const size_t k = static_cast<size_t>(crt_rand()) % deck.size();
            Tile* tile = deck[k];
            deck.erase(deck.begin() + static_cast<std::ptrdiff_t>(k));
            m_board[index({x, y})] = tile;
            tile->placeAt(D3DXVECTOR2(static_cast<float>(x), static_cast<float>(y)));
            for (int turns = crt_rand() & 3; turns > 0; --turns)
                tile->turn(true, 0.0f);
        }
    }
    m_spare = deck.front();
    m_spare->placeAt(m_parking);
    chooseGoal();
    if (m_startMarker)
        m_startMarker->placeAt(D3DXVECTOR2(static_cast<float>(m_startCell.x), static_cast<float>(m_startCell.y)));
    if (m_goalMarker)
        m_goalMarker->placeAt(D3DXVECTOR2(static_cast<float>(m_goalCell.x), static_cast<float>(m_goalCell.y)));
    while (pathTest() && m_startPushes < kMaxStartPushes) {
        push(borderCell(crt_rand() % borderCount()), 0.0f);
        ++m_startPushes;
    }
    if (m_startPushes == kMaxStartPushes)
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::Labyrinth: ", getName(),
                               L": der Weg bleibt nach 200 Schueben offen\n");
    return false;
}

void Labyrinth::update(const double& dt)
{
    for (std::vector<Tile*>* list : {&m_pool, &m_arrows}) {
        for (Tile* tile : *list)
            tile->update(dt);
    }
    Minispiel::update(dt);
}

void Labyrinth::createGUI()
{
    const size_t cells = static_cast<size_t>(m_columns + 2) * static_cast<size_t>(m_rows + 2);
    m_board.assign(cells, nullptr);
    m_marks.assign(cells, 0);
    for (Tile* tile : m_arrows)
        delete tile;
    m_arrows.clear();
    if (m_eingang) {
        for (int a = 0; a < borderCount(); ++a) {
            const Cell cell = borderCell(a);
            Tile* arrow = new Tile(*m_eingang);
            arrow->placeAt(D3DXVECTOR2(static_cast<float>(cell.x), static_cast<float>(cell.y)));
            // The side's angle: top 0, right 90, bottom 180, left 270.
            const float side = cell.y == 0               ? 0.0f
                               : cell.x == m_columns + 1 ? 90.0f
                               : cell.y == m_rows + 1    ? 180.0f
                                                         : 270.0f;
            for (int turns = 0; turns < 4; ++turns) {
                const float off = std::fabs(std::fmod(arrow->angle.end, 360.0f) - side);
                if (std::min(off, 360.0f - off) <= 20.0f)
                    break;
                arrow->turn(true, 0.0f);
            }
            m_arrows.push_back(arrow);
            m_board[index(cell)] = arrow;
        }
    }
    for (Tile* tile : m_pool)
        delete tile;
    m_pool.clear();
    m_spare = nullptr;
    if (!m_templates.empty() && m_columns >= 1 && m_rows >= 1) {
        for (int k = 0; k < m_columns * m_rows + 1; ++k) {
            const float r = 1.0f - static_cast<float>(crt_rand()) / 32767.0f;
            size_t chosen = 0;
            for (size_t t = 0; t < m_weights.size(); ++t) {
                if (m_weights[t] > r) {
                    chosen = t;
                    break;
                }
            }
            m_pool.push_back(new Tile(*m_templates[chosen]));
        }
    }
    const float width = static_cast<float>(m_columns + 2) + std::fabs(m_parking.x);
    if (Ulvo::GUIWindow* field = cloneGameWindow(L"LABYRINTH", width, static_cast<float>(m_rows + 2))) {
        Ulvo::releaseAndNull(m_spielfeld);
        m_spielfeld = field;
        m_spielfeld->clicked.connect(this, &Labyrinth::onClick);
        m_spielfeld->rightClicked.connect(this, &Labyrinth::onRightClick);
        m_spielfeld->drawn.connect(this, &Labyrinth::onDrawSpielfeld);
    }
    start();
    Minispiel::createGUI();
}

Ulvo::FloatRect Labyrinth::cellRect(const D3DXVECTOR2& cell) const
{
    // The field shows the ring and the parking column at its left edge.
    const float x0 = std::min(0.0f, m_parking.x), y0 = std::min(0.0f, m_parking.y);
    const float w = std::max(m_parking.x, static_cast<float>(m_columns + 2)) - x0;
    const float h = std::max(m_parking.y, static_cast<float>(m_rows + 2)) - y0;
    const D3DXVECTOR2 a = Playfield::toScreen(m_spielfeld, D3DXVECTOR2((cell.x - x0) / w, (cell.y - y0) / h));
    const D3DXVECTOR2 b = Playfield::toScreen(m_spielfeld, D3DXVECTOR2((cell.x + 1 - x0) / w, (cell.y + 1 - y0) / h));
    return Ulvo::FloatRect(a.x, a.y, b.x, b.y);
}

D3DXVECTOR2 Labyrinth::cellCentre(const D3DXVECTOR2& cell) const
{
    const Ulvo::FloatRect r = cellRect(cell);
    return D3DXVECTOR2((r.left + r.right) * 0.5f, (r.top + r.bottom) * 0.5f);
}

void Labyrinth::logMarks() const
{
    for (int y = 0; y < m_rows + 2; ++y) {
        std::wstring line;
        for (int x = 0; x < m_columns + 2; ++x)
            line += std::to_wstring(m_marks[index({x, y})]) + L" ";
        Ulvo::mainLogger().log(100, Ulvo::LOG_TYPE_INFO, line, L"\n");
    }
    Ulvo::mainLogger().log(100, Ulvo::LOG_TYPE_INFO, std::wstring(22, L'-'), L"\n");
}

void Labyrinth::onClick(Ulvo::GUIWindow& window)
{
    if (&window != m_spielfeld || m_solved)
        return;
    const D3DXVECTOR2 mouse = Playfield::mouse();
    Ulvo::GUIKeepAlive alive(this);
    // A definition that could not be dealt has no spare and nothing to push or test.
    if (!m_spare) {
        manager().wrongSignal.emit(*this);
        return;
    }
    for (int x = 0; x < m_columns + 2; ++x) {
        for (int y = 0; y < m_rows + 2; ++y) {
            const bool ring = x == 0 || y == 0 || x == m_columns + 1 || y == m_rows + 1;
            const Tile* tile = ring ? m_board[index({x, y})] : nullptr;
            if (!tile || !Playfield::contains(cellRect(tile->position.value), mouse))
                continue;
            push({x, y}, 1.0f);
            m_solved = pathTest();
            if (m_solved)
                m_endDelayLeft = m_endDelay;
            else
                logMarks();
            manager().rightSignal.emit(*this);
            return;
        }
    }
    m_spare->turn(true, 1.0f);
    manager().rightSignal.emit(*this);
}

void Labyrinth::onRightClick(Ulvo::GUIWindow& window)
{
    if (&window != m_spielfeld || m_solved || !m_spare)
        return;
    Ulvo::GUIKeepAlive alive(this);
    m_spare->turn(false, 1.0f);
    manager().rightSignal.emit(*this);
}

void Labyrinth::onDrawSpielfeld(Ulvo::GUIWindow& window, const bool& visible)
{
    if (!visible || m_board.empty())
        return;
    const D3DCOLOR white = Playfield::colour(1.0f, 1.0f, 1.0f, static_cast<float>(window.getAlpha()));
    const auto draw = [&](const Tile* tile) {
        if (tile)
            Playfield::draw(tile->animation, cellRect(tile->position.value), white, tile->angle.value);
    };
    for (int a = 0; a < borderCount(); ++a)
        draw(m_board[index(borderCell(a))]);
    draw(m_startMarker);
    draw(m_goalMarker);
    for (int x = 1; x <= m_columns; ++x) {
        for (int y = 1; y <= m_rows; ++y)
            draw(m_board[index({x, y})]);
    }
    draw(m_spare);
}

} // namespace ThreeMatch
