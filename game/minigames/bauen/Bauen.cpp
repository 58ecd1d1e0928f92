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

void Bauen::snap(Bauteil& piece, bool atStart)
{
    int col = static_cast<int>(std::trunc((piece.x - m_offX) / m_spaceX * m_sizeX + 0.5f));
    int row = static_cast<int>(std::trunc((piece.y - m_offY) / m_spaceY * m_sizeY + 0.5f));
    // Rounded to the nearest cell, a piece dealt at the field's edge would take a column or row
    // it overhangs and start drawn past the field: it takes the last one it fits instead.
    if (atStart && col < m_sizeX && col + piece.w > m_sizeX && m_sizeX >= piece.w)
        col = m_sizeX - piece.w;
    if (atStart && row < m_sizeY && row + piece.h > m_sizeY && m_sizeY >= piece.h)
        row = m_sizeY - piece.h;
    if (m_spaceX > 0.0f && m_spaceY > 0.0f && col >= 0 && col < m_sizeX && row >= 0 && row < m_sizeY) {
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
    if (!Playfield::contains(screenRect(piece), mouse))
        return false;
    for (int j = 0; j < piece.h; ++j) {
        for (int i = 0; i < piece.w; ++i) {
            const D3DXVECTOR2 tl =
                Playfield::toScreen(m_spielfeld, D3DXVECTOR2(piece.x + i * cellW(), piece.y + j * cellH()));
            const D3DXVECTOR2 br =
                Playfield::toScreen(m_spielfeld, D3DXVECTOR2(piece.x + (i + 1) * cellW(), piece.y + (j + 1) * cellH()));
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
