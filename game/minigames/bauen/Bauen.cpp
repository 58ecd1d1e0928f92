#include "minigames/bauen/Bauen.h"

#include "engine/UlvoEngine.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/sprites/Ulvo2DGeom.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/frame/MinispielManager.h"
#include "minigames/frame/Playfield.h"
#include "threematch/globals/MyGlobals.h"

#include <crt.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace ThreeMatch {

namespace {

// Largest grid or piece edge: more cells than a screen can show only cost memory.
constexpr int kMaxCells = 64;

// The number of values read.
unsigned readSize(const Ulvo::XMLNode* node, int& x, int& y)
{
    std::array<int, 2> size{x, y};
    const unsigned count = node->readInts(L"SIZE", size);
    if (count == 1)
        size[1] = size[0];
    x = std::clamp(size[0], 0, kMaxCells);
    y = std::clamp(size[1], 0, kMaxCells);
    return count;
}

} // namespace

Bauen::Bauteil::Bauteil(Ulvo::XMLNode* node, Bauen* bauen) : owner(bauen)
{
    if (!node)
        return;
    if (readSize(node, w, h) > 0) {
        cells.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0u);
        std::vector<std::wstring> werte;
        node->readWords(L"WERTE", werte);
        for (size_t i = 0; i < werte.size() && i < cells.size(); ++i)
            cells[i] = static_cast<uint32_t>(std::wcstoul(werte[i].c_str(), nullptr, 10)) & 15u;
    }
    std::wstring name;
    if (node->readString(L"ANIMATION", name))
        animation = Playfield::cloneAnimation(name, L"Bauen");
}

Bauen::Bauteil::~Bauteil()
{
    Ulvo::releaseAndNull(animation);
}

Bauen::Bauen(Ulvo::XMLNode* node) : Minispiel(node)
{
    if (!node)
        return;
    readSize(node, m_sizeX, m_sizeY);
    std::array<float, 2> space{m_spaceX, m_spaceY};
    if (node->readFloats(L"SPACE", space) == 1)
        space[1] = space[0];
    m_spaceX = std::clamp(space[0], 0.0f, 1.0f);
    m_spaceY = std::clamp(space[1], 0.0f, 1.0f);
    std::wstring name;
    if (node->readString(L"BACKGROUND", name))
        m_background = Playfield::cloneAnimation(name, L"Bauen");
    for (Ulvo::XMLNode* child : node->getNodes()) {
        if (child && child->getName() == L"OBJEKT")
            m_pieces.push_back(new Bauteil(child, this));
    }
    if (m_sizeX == 0 || m_sizeY == 0)
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::Bauen: ", getName(),
                               L" hat kein Raster (SIZE); nicht zu loesen\n");
}

Bauen::~Bauen()
{
    if (m_spielfeld)
        m_spielfeld->drawn.disconnect(this);
    Ulvo::releaseAndNull(m_spielfeld);
    Ulvo::releaseAndNull(m_background);
    for (Bauteil* piece : m_pieces)
        delete piece;
}

void Bauen::show()
{
    m_visible = true;
    Minispiel::show();
}

void Bauen::hide()
{
    m_visible = false;
    m_dragged = nullptr;
    Minispiel::hide();
}

void Bauen::placeAt(Bauteil& piece, float x, float y)
{
    const float maxX = 1.0f - static_cast<float>(piece.w) * cellW();
    const float maxY = 1.0f - static_cast<float>(piece.h) * cellH();
    piece.x = std::max(std::min(x, maxX), 0.0f);
    piece.y = std::max(std::min(y, maxY), 0.0f);
}

bool Bauen::snapCell(const Bauteil& piece, float x, float y, bool atStart, int& col, int& row) const
{
    col = static_cast<int>(std::trunc((x - m_offX) / m_spaceX * m_sizeX + 0.5f));
    row = static_cast<int>(std::trunc((y - m_offY) / m_spaceY * m_sizeY + 0.5f));
    // Rounded to the nearest cell, a piece dealt at the field's edge would take a column or row
    // it overhangs and start drawn past the field: it takes the last one it fits instead.
    if (atStart && col < m_sizeX && col + piece.w > m_sizeX && m_sizeX >= piece.w)
        col = m_sizeX - piece.w;
    if (atStart && row < m_sizeY && row + piece.h > m_sizeY && m_sizeY >= piece.h)
        row = m_sizeY - piece.h;
    return m_spaceX > 0.0f && m_spaceY > 0.0f && col >= 0 && col < m_sizeX && row >= 0 && row < m_sizeY;
}

void Bauen::snap(Bauteil& piece, bool atStart)
{
    int col = -1, row = -1;
    if (snapCell(piece, piece.x, piece.y, atStart, col, row)) {
        piece.col = col;
        piece.row = row;
        piece.x = static_cast<float>(col) * cellW() + m_offX;
        piece.y = static_cast<float>(row) * cellH() + m_offY;
    } else {
        piece.col = -1;
        piece.row = -1;
    }
}

bool Bauen::start()
{
    Minispiel::start();
    m_dragged = nullptr;
    for (Bauteil* piece : m_pieces) {
        const float r1 = 1.0f - static_cast<float>(crt_rand()) / 32767.0f;
        const float r2 = 1.0f - static_cast<float>(crt_rand()) / 32767.0f;
        placeAt(*piece, r1, r2);
        snap(*piece, true);
    }
    return false;
}

void Bauen::update(const double& dt)
{
    double elapsed = dt;
    if (m_background)
        m_background->update(elapsed);
    for (Bauteil* piece : m_pieces) {
        elapsed = dt;
        if (piece->animation)
            piece->animation->update(elapsed);
    }
    Minispiel::update(dt);
}

void Bauen::createGUI()
{
    m_offX = (1.0f - m_spaceX) * 0.5f;
    m_offY = (1.0f - m_spaceY) * 0.5f;
    Playfield::listenToMouse(this, &Bauen::onMouseButtonDown, &Bauen::onMouseButtonUp, &Bauen::onMouseMove);
    m_grid.assign(static_cast<size_t>(m_sizeX) * static_cast<size_t>(m_sizeY), 0u);
    // The field keeps the background picture's proportions (square without one).
    float aspectW = 1.0f, aspectH = 1.0f;
    Ulvo::Texture2DAnimationFrame* frame = Playfield::backgroundFrame(m_background, aspectW, aspectH);
    if (Ulvo::GUIWindow* field = cloneGameWindow(L"BAUEN", aspectW, aspectH)) {
        Ulvo::releaseAndNull(m_spielfeld);
        m_spielfeld = field;
        if (frame) {
            m_spielfeld->getDrawOptions().setBackgroundTexture(frame->texture);
            m_spielfeld->getDrawOptions().setBackDrawType(1, 1);
        }
        m_spielfeld->drawn.connect(this, &Bauen::drawSpielfeld);
    }
    start();
    Minispiel::createGUI();
}

Ulvo::FloatRect Bauen::screenRect(const Bauteil& piece) const
{
    const D3DXVECTOR2 a = Playfield::toScreen(m_spielfeld, D3DXVECTOR2(piece.x, piece.y));
    const D3DXVECTOR2 b =
        Playfield::toScreen(m_spielfeld, D3DXVECTOR2(piece.x + piece.w * cellW(), piece.y + piece.h * cellH()));
    return Ulvo::FloatRect(a.x, a.y, b.x, b.y);
}

D3DXVECTOR2 Bauen::cellCentre(const Bauteil& piece, int i, int j) const
{
    return Playfield::toScreen(m_spielfeld,
                               D3DXVECTOR2(piece.x + (i + 0.5f) * cellW(), piece.y + (j + 0.5f) * cellH()));
}

D3DXVECTOR2 Bauen::gridCellCentre(int column, int row) const
{
    return Playfield::toScreen(m_spielfeld,
                               D3DXVECTOR2(m_offX + (column + 0.5f) * cellW(), m_offY + (row + 0.5f) * cellH()));
}

bool Bauen::hitsFilledQuarter(const Bauteil& piece, const D3DXVECTOR2& mouse) const
{
    return hitsFilledQuarterAt(piece, piece.x, piece.y, mouse);
}

bool Bauen::hitsFilledQuarterAt(const Bauteil& piece, float x, float y, const D3DXVECTOR2& mouse) const
{
    const D3DXVECTOR2 a = Playfield::toScreen(m_spielfeld, D3DXVECTOR2(x, y));
    const D3DXVECTOR2 b = Playfield::toScreen(m_spielfeld, D3DXVECTOR2(x + piece.w * cellW(), y + piece.h * cellH()));
    if (!Playfield::contains(Ulvo::FloatRect(a.x, a.y, b.x, b.y), mouse))
        return false;
    for (int j = 0; j < piece.h; ++j) {
        for (int i = 0; i < piece.w; ++i) {
            const D3DXVECTOR2 tl = Playfield::toScreen(m_spielfeld, D3DXVECTOR2(x + i * cellW(), y + j * cellH()));
            const D3DXVECTOR2 br =
                Playfield::toScreen(m_spielfeld, D3DXVECTOR2(x + (i + 1) * cellW(), y + (j + 1) * cellH()));
            if (!Playfield::contains(Ulvo::FloatRect(tl.x, tl.y, br.x, br.y), mouse))
                continue;
            const uint32_t mask = piece.cells[static_cast<size_t>(piece.w) * j + i];
            const D3DXVECTOR2 tr(br.x, tl.y), bl(tl.x, br.y), c((tl.x + br.x) * 0.5f, (tl.y + br.y) * 0.5f);
            const D3DXVECTOR2 edges[4][2] = {{tl, tr}, {tr, br}, {br, bl}, {bl, tl}};
            for (int q = 0; q < 4; ++q) {
                if ((mask & (1u << q)) && Ulvo::Ulvo2DTriangle(edges[q][0], edges[q][1], c).isInside(mouse))
                    return true;
            }
        }
    }
    return false;
}

namespace {

// Tries the pieces from k on, each on every place where its quarters meet none taken.
bool fits(const std::vector<Bauen::Bauteil*>& pieces, int sizeX, int sizeY, std::vector<uint32_t>& grid, size_t k,
          std::vector<std::pair<int, int>>& places)
{
    if (k == pieces.size())
        return true;
    const Bauen::Bauteil& piece = *pieces[k];
    for (int row = 0; row + piece.h <= sizeY; ++row) {
        for (int col = 0; col + piece.w <= sizeX; ++col) {
            bool free = true;
            for (int j = 0; j < piece.h && free; ++j) {
                for (int i = 0; i < piece.w && free; ++i)
                    free = !(grid[static_cast<size_t>((row + j) * sizeX + col + i)] &
                             piece.cells[static_cast<size_t>(j * piece.w + i)]);
            }
            if (!free)
                continue;
            // The piece's quarters go in and, when the rest fits nowhere, out again.
            const auto toggle = [&] {
                for (int j = 0; j < piece.h; ++j) {
                    for (int i = 0; i < piece.w; ++i)
                        grid[static_cast<size_t>((row + j) * sizeX + col + i)] ^=
                            piece.cells[static_cast<size_t>(j * piece.w + i)];
                }
            };
            toggle();
            places[k] = {col, row};
            if (fits(pieces, sizeX, sizeY, grid, k + 1, places))
                return true;
            toggle();
        }
    }
    return false;
}

} // namespace

std::vector<std::pair<int, int>> Bauen::plan() const
{
    std::vector<uint32_t> grid(static_cast<size_t>(m_sizeX) * static_cast<size_t>(m_sizeY), 0u);
    std::vector<std::pair<int, int>> places(m_pieces.size(), {-1, -1});
    if (m_pieces.empty() || !fits(m_pieces, m_sizeX, m_sizeY, grid, 0, places))
        places.clear();
    return places;
}

void Bauen::naechsteZuege(MinispielZuege& zuege) const
{
    if (!m_spielfeld || m_solved || m_dragged)
        return;
    const std::vector<std::pair<int, int>> places = plan();
    if (places.empty())
        return;
    // The heap as it will lie after each drag: positions and the picking order (a piece dropped
    // goes on top).
    struct Lying {
        const Bauteil* piece;
        size_t index;
        float x, y;
        bool placed;
    };
    std::vector<Lying> heap;
    for (size_t k = 0; k < m_pieces.size(); ++k) {
        const Bauteil& piece = *m_pieces[k];
        heap.push_back({&piece, k, piece.x, piece.y, piece.col == places[k].first && piece.row == places[k].second});
    }
    const auto pickedAt = [&](const D3DXVECTOR2& point) -> size_t {
        for (size_t h = heap.size(); h-- > 0;) {
            if (hitsFilledQuarterAt(*heap[h].piece, heap[h].x, heap[h].y, point))
                return h;
        }
        return heap.size();
    };
    // The middle of a filled quarter of the piece where a press picks it.
    const auto grip = [&](size_t h, D3DXVECTOR2& at) {
        const Lying& lying = heap[h];
        const Bauteil& piece = *lying.piece;
        for (int j = 0; j < piece.h; ++j) {
            for (int i = 0; i < piece.w; ++i) {
                const uint32_t mask = piece.cells[static_cast<size_t>(piece.w) * j + i];
                for (int q = 0; q < 4; ++q) {
                    if (!(mask & (1u << q)))
                        continue;
                    // From the cell's middle a third of the way towards the quarter's edge.
                    const float dx[4] = {0.0f, 0.33f, 0.0f, -0.33f}, dy[4] = {-0.33f, 0.0f, 0.33f, 0.0f};
                    const D3DXVECTOR2 p =
                        Playfield::toScreen(m_spielfeld, D3DXVECTOR2(lying.x + (i + 0.5f + dx[q] * 0.5f) * cellW(),
                                                                     lying.y + (j + 0.5f + dy[q] * 0.5f) * cellH()));
                    if (pickedAt(p) == h) {
                        at = p;
                        return true;
                    }
                }
            }
        }
        return false;
    };
    const auto rectAt = [&](const Lying& lying) {
        const D3DXVECTOR2 a = Playfield::toScreen(m_spielfeld, D3DXVECTOR2(lying.x, lying.y));
        const D3DXVECTOR2 b = Playfield::toScreen(
            m_spielfeld, D3DXVECTOR2(lying.x + lying.piece->w * cellW(), lying.y + lying.piece->h * cellH()));
        return Ulvo::FloatRect(a.x, a.y, b.x, b.y);
    };
    // `past`: the drag ends a quarter cell beyond x, y, where the field's edge stops the piece at
    // exactly x, y. The far corner lies on the border between snapping into the last cell and
    // staying out when the margin is half a cell; a drop a pixel short of it would snap in.
    const auto move = [&](size_t h, const D3DXVECTOR2& at, float x, float y, bool placed, bool past = false) {
        const D3DXVECTOR2 end = past ? D3DXVECTOR2(x + 0.25f * cellW(), y + 0.25f * cellH()) : D3DXVECTOR2(x, y);
        const D3DXVECTOR2 shift =
            Playfield::toScreen(m_spielfeld, end) - Playfield::toScreen(m_spielfeld, D3DXVECTOR2(heap[h].x, heap[h].y));
        zuege.push_back(MinispielZug::ziehen(at, at + shift, rectAt(heap[h])));
        Lying lying = heap[h];
        lying.x = x;
        lying.y = y;
        lying.placed = placed;
        // Dropped, it snaps as the game snaps it.
        int col = -1, row = -1;
        if (snapCell(*lying.piece, x, y, false, col, row)) {
            lying.x = static_cast<float>(col) * cellW() + m_offX;
            lying.y = static_cast<float>(row) * cellH() + m_offY;
        }
        heap.erase(heap.begin() + static_cast<std::ptrdiff_t>(h));
        heap.push_back(lying);
    };
    const size_t limit = 3 * m_pieces.size() + 3;
    // The piece just moved aside waits a turn, so that what it covered goes first.
    const Bauteil* aside = nullptr;
    while (zuege.size() < limit) {
        bool moved = false;
        // From the top of the heap down, so that a piece placed covers none still loose.
        for (size_t h = heap.size(); h-- > 0 && !moved;) {
            D3DXVECTOR2 at;
            if (heap[h].placed || heap[h].piece == aside || !grip(h, at))
                continue;
            const std::pair<int, int>& place = places[heap[h].index];
            move(h, at, m_offX + place.first * cellW(), m_offY + place.second * cellH(), true);
            moved = true;
        }
        aside = nullptr;
        if (moved)
            continue;
        // The pieces left are covered: the one on top of the first goes to the field's far corner.
        size_t covered = heap.size();
        for (size_t h = 0; h < heap.size() && covered == heap.size(); ++h)
            covered = heap[h].placed ? covered : h;
        if (covered == heap.size())
            return;
        const Ulvo::FloatRect r = rectAt(heap[covered]);
        const size_t top = pickedAt(D3DXVECTOR2((r.left + r.right) * 0.5f, (r.top + r.bottom) * 0.5f));
        D3DXVECTOR2 at;
        if (top == heap.size() || top == covered || !grip(top, at))
            return;
        aside = heap[top].piece;
        move(top, at, 1.0f - heap[top].piece->w * cellW(), 1.0f - heap[top].piece->h * cellH(), false, true);
    }
}

void Bauen::onMouseButtonDown(Ulvo::MouseState& state, const UlvoMouseButton& button)
{
    if (!m_visible || button != 0 || m_solved)
        return;
    // A press on the help menu over the game is meant for the help menu.
    if (manager().isHelpShown() && manager().getActiveMinispiel() == this)
        return;
    m_dragged = nullptr;
    const D3DXVECTOR2 mouse(state.position[0], state.position[1]);
    for (auto it = m_pieces.rbegin(); it != m_pieces.rend(); ++it) {
        Bauteil* piece = *it;
        if (!hitsFilledQuarter(*piece, mouse))
            continue;
        m_dragged = piece;
        const Ulvo::FloatRect rect = screenRect(*piece);
        m_grabOffset = mouse - D3DXVECTOR2(rect.left, rect.top);
        m_pieces.erase(std::next(it).base());
        m_pieces.push_back(piece);
        return;
    }
}

void Bauen::onMouseMove(Ulvo::MouseState& state, const UlvoAchse&)
{
    if (!m_visible || !m_dragged)
        return;
    const D3DXVECTOR2 at =
        Playfield::toField(m_spielfeld, D3DXVECTOR2(state.position[0], state.position[1]) - m_grabOffset);
    placeAt(*m_dragged, at.x, at.y);
}

void Bauen::onMouseButtonUp(Ulvo::MouseState& state, const UlvoMouseButton& button)
{
    if (!m_visible || button != 0 || !m_dragged)
        return;
    Bauteil* piece = m_dragged;
    const D3DXVECTOR2 at =
        Playfield::toField(m_spielfeld, D3DXVECTOR2(state.position[0], state.position[1]) - m_grabOffset);
    placeAt(*piece, at.x, at.y);
    snap(*piece);
    m_pieces.erase(std::find(m_pieces.begin(), m_pieces.end(), piece));
    m_pieces.push_back(piece);
    m_dragged = nullptr;
    if (!m_solved && solutionTest()) {
        m_solved = true;
        m_endDelayLeft = m_endDelay;
    }
}

bool Bauen::solutionTest()
{
    if (m_grid.size() != static_cast<size_t>(m_sizeX) * static_cast<size_t>(m_sizeY))
        m_grid.assign(static_cast<size_t>(m_sizeX) * static_cast<size_t>(m_sizeY), 0u);
    std::fill(m_grid.begin(), m_grid.end(), 0u);
    for (const Bauteil* piece : m_pieces) {
        if (piece->col < 0 || piece->row < 0 || piece->col + piece->w > m_sizeX || piece->row + piece->h > m_sizeY)
            return false;
        for (int j = 0; j < piece->h; ++j) {
            for (int i = 0; i < piece->w; ++i) {
                const uint32_t m = piece->cells[static_cast<size_t>(piece->w) * j + i];
                uint32_t& cell = m_grid[static_cast<size_t>(piece->row + j) * m_sizeX + piece->col + i];
                if (cell & m)
                    return false;
                cell |= m;
            }
        }
    }
    return true;
}

void Bauen::drawSpielfeld(Ulvo::GUIWindow& window, const bool& visible)
{
    if (!visible)
        return;
    const float a = static_cast<float>(window.getAlpha());
    if (m_background) {
        auto* globals = static_cast<MyGlobals*>(Ulvo::UlvoEngine::getInstance()->getUserGlobals());
        for (int row = 0; globals && row < m_sizeY; ++row) {
            for (int column = 0; column < m_sizeX; ++column) {
                const D3DXVECTOR2 tl =
                    Playfield::toScreen(m_spielfeld, D3DXVECTOR2(m_offX + column * cellW(), m_offY + row * cellH()));
                const D3DXVECTOR2 br = Playfield::toScreen(
                    m_spielfeld, D3DXVECTOR2(m_offX + (column + 1) * cellW(), m_offY + (row + 1) * cellH()));
                const RECT cell{static_cast<LONG>(tl.x), static_cast<LONG>(tl.y), static_cast<LONG>(br.x),
                                static_cast<LONG>(br.y)};
                globals->drawFrame(cell, 20, 0x40808080, 0xFF000000, 0, 2, 0, 0, 0);
            }
        }
    }
    const D3DCOLOR white = Playfield::colour(1.0f, 1.0f, 1.0f, a);
    for (const Bauteil* piece : m_pieces)
        Playfield::draw(piece->animation, screenRect(*piece), white);
}

} // namespace ThreeMatch
