// The mouse on the board (selecting, swapping, dragging, armed bonuses and wrath stones) and
// the set-up of a level when it starts.
#include "threematch/controller/ScreenRules.h"
#include "threematch/controller/ThreeMatchGame.h"

#include "devices/d3d/D3DInterface.h"
#include "engine/UlvoEngine.h"
#include "foundation/time/PerfTimer.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUILabel.h"
#include "render/manager/RenderManager.h"
#include "threematch/board/Bildchen.h"
#include "threematch/board/Feld.h"
#include "threematch/board/Spielfeld.h"
#include "threematch/bonuses/Bonus.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/particles/PartikelManager.h"
#include "threematch/screens/MenuEbene.h"
#include "threematch/screens/MenuEbenenManager.h"
#include "threematch/stones/Rohstoff.h"
#include "threematch/stones/RohstoffManager.h"

#include <cmath>

namespace ThreeMatch {

using namespace ScreenRules;

namespace {

// The clock's pause bit of the screens that stop the game.
constexpr uint8_t kMenuPause = 1;

bool pickable(const Feld& cell)
{
    return cell.has(FeldFlag::Spielbar) && !cell.has(FeldFlag::Leer) && !cell.has(FeldFlag::Locked);
}

bool isWrathStone(const Feld& cell, const RohstoffManager& rohstoffe)
{
    const Bildchen* stone = cell.getStone();
    const Rohstoffklasse* wrath = rohstoffe.getZornKlasse();
    return wrath && stone && stone->getRohstoff() && stone->getRohstoff()->getKlasse() == wrath;
}

void select(Spielfeld& board, Feld* cell)
{
    if (cell)
        cell->setSelected(true);
    board.setSelected(cell);
}

// The wrath stone's action: it bursts, and its class collects it like any cleared stone.
void takeWrathStone(Spielfeld& board, Feld& cell)
{
    cell.setSelected(false);
    board.explodeCell(&cell);
    board.setSelected(nullptr);
}

} // namespace

void ThreeMatchGame::toViewCoords(D3DXVECTOR2& out, const D3DXVECTOR2& screen, bool relative) const
{
    Ulvo::FloatRect area;
    if (m_ingameWindow) {
        area = m_ingameWindow->getScreenRect();
    } else if (m_d3d) {
        RECT full;
        m_d3d->getScreenRect(&full);
        area = Ulvo::FloatRect(static_cast<float>(full.left), static_cast<float>(full.top),
                               static_cast<float>(full.right), static_cast<float>(full.bottom));
    }
    const RECT target = m_renderTarget ? m_renderTarget->getRect() : RECT{0, 0, 1024, 768};
    out = toView(area, target, screen, relative);
}

Feld* ThreeMatchGame::boardCellAt(const Ulvo::MouseState& mouse, bool resetHint) const
{
    if (!m_board || !isLevelActive(L"THREEMATCH_INGAME_MENU") || m_board->getState() != Spielfeld::Laeuft ||
        m_engine->getPerfTimer()->isPaused(kMenuPause))
        return nullptr;
    if (resetHint)
        m_board->resetHintTimer();
    D3DXVECTOR2 point;
    toViewCoords(point, D3DXVECTOR2(mouse.position[0], mouse.position[1]), false);
    return m_board->getCellAt(m_globals->getBoardViewOffset(), m_globals->getBoardViewScale(), point);
}

bool ThreeMatchGame::applyArmedBonus(Feld* cell)
{
    if (!m_selectedBonus || !m_selectedBonus->apply(cell))
        return false;
    m_selectedBonus->reset();
    m_selectedBonus = nullptr;
    return true;
}

void ThreeMatchGame::onMouseButton(Ulvo::MouseState& mouse, const UlvoMouseButton& button)
{
    m_gui->onMouseButtonDown(mouse, button);
    playSound(L"klick_menu");
    if (m_mainMenuHidden) {
        m_mainMenuHidden = false;
        if (MenuEbene* main = m_menuLevels->getMainMenuLevel())
            main->setActive(true, 1.0);
        return;
    }
    if (button != ULVO_MOUSE_LEFT)
        return;
    Feld* cell = boardCellAt(mouse, true);
    if (!cell)
        return;
    if (m_selectedBonus) {
        applyArmedBonus(cell);
        return;
    }
    m_dragging = true;
    if (!pickable(*cell))
        return;
    Feld* selected = m_board->getSelected();
    if (!selected) {
        select(*m_board, cell);
    } else if (!selected->isNeighbour(cell)) {
        selected->setSelected(false);
        if (isWrathStone(*cell, m_globals->getRohstoffManager()))
            takeWrathStone(*m_board, *cell);
        else
            select(*m_board, cell);
    } else {
        m_board->trySwap(selected, cell);
    }
}

void ThreeMatchGame::onMouseButtonUp(Ulvo::MouseState& mouse, const UlvoMouseButton& button)
{
    m_gui->onMouseButtonUp(mouse, button);
    if (button != ULVO_MOUSE_LEFT)
        return;
    m_dragging = false;
    Feld* cell = boardCellAt(mouse, false);
    if (!cell || m_selectedBonus || !cell->has(FeldFlag::Spielbar) || cell->has(FeldFlag::Leer))
        return;
    const Feld* selected = m_board->getSelected();
    if ((selected && selected != cell) || !isWrathStone(*cell, m_globals->getRohstoffManager()))
        return;
    takeWrathStone(*m_board, *cell);
}

void ThreeMatchGame::onMouseMove(Ulvo::MouseState& mouse, const UlvoAchse& axis)
{
    // The wheel opens and closes the magnifier over the level only, as L does: turned over a
    // help page or any other screen it scrolls there and leaves the next level's view alone.
    const bool overLevel = isLevelActive(L"THREEMATCH_INGAME_MENU");
    if (overLevel && axis == ULVO_ACHSE_WHEEL_NEG)
        m_magnifierFade.speed = -std::fabs(m_magnifierFade.speed);
    else if (overLevel && axis == ULVO_ACHSE_WHEEL_POS)
        m_magnifierFade.speed = std::fabs(m_magnifierFade.speed);
    m_gui->onMouseMove(mouse);
    // The wheel scrolls the panel under the pointer (the help pages, long lists).
    if (axis == ULVO_ACHSE_WHEEL_POS || axis == ULVO_ACHSE_WHEEL_NEG)
        m_gui->onMouseWheel(mouse, axis == ULVO_ACHSE_WHEEL_POS ? 1 : -1);
    if (!m_dragging || !m_ingameWindow)
        return;
    const Ulvo::FloatRect& picture = m_ingameWindow->getScreenRect();
    const float x = mouse.position[0], y = mouse.position[1];
    if (x < picture.left || x > picture.right || y < picture.top || y > picture.bottom)
        return;
    Feld* cell = boardCellAt(mouse, true);
    if (!cell || cell == m_board->getSelected())
        return;
    if (m_selectedBonus) {
        applyArmedBonus(cell);
        return;
    }
    if (!pickable(*cell))
        return;
    Feld* selected = m_board->getSelected();
    if (!selected || !selected->isNeighbour(cell))
        return;
    m_board->trySwap(selected, cell);
    m_dragging = false;
}

void ThreeMatchGame::startLevel(bool resume)
{
    if (!m_board)
        return;
    const RECT target = m_renderTarget ? m_renderTarget->getRect() : RECT{0, 0, 1024, 768};
    double scale = m_globals->getBoardViewScale();
    // The board fills the picture (one cell of margin round it); a stone is never drawn larger
    // than its own texture, and a half-size cap left a small level a third of its frame.
    constexpr double kMaxBoardScale = 1.0;
    m_board->fitView(m_globals->getBoardViewOffset(), scale, target.left, target.top, target.right, target.bottom,
                     kMaxBoardScale);
    m_globals->setBoardViewScale(scale);
    // Splinters and the points' stars start at a cell's centre through the particles' own view:
    // it is the board's, or they land beside the struck stone.
    const D3DXVECTOR2& offset = m_globals->getBoardViewOffset();
    m_globals->getPartikelManager().setView(offset.x, offset.y, scale);
    pickMenuBackground();
    // The menu's and the last level's pictures give back their GL storage now rather than after
    // the device finds them unused, so that this level's pictures take their place instead of
    // adding to them; whatever the level draws of them is read again from its file.
    if (IDirect3DDevice9* device = m_d3d ? m_d3d->getDevice() : nullptr)
        device->EvictManagedResources();
    // The set-up time does not count as play.
    m_engine->getPerfTimer()->update();
    m_engine->getPerfTimer()->update();

    m_rollInTimer = 0.0;
    m_rollIn = true;
    m_levelEnd = false;
    m_endTimer = 0.0;
    // A tally left running (a free-play level's end shows none to confirm) would hold back
    // this level's end.
    m_tallyRunning = false;

    if (Ulvo::GUILabel* label = findLabel(*m_gui, L"THREEMATCH_LEVEL_LEVEL")) {
        if (m_board->isFreePlay()) {
            label->setTextId(L"THREEMATCH_ZUFALLLEVEL");
        } else {
            label->setTextId(L"THREEMATCH_LEVEL_NR");
            showNumber(label, m_board->getLevelNumber() + 1);
        }
    }

    RohstoffManager& rohstoffe = m_globals->getRohstoffManager();
    m_townRules.startLevel(resume, rohstoffe.getZornKlasse(), m_globals->getWrathMax(), m_board->getLevelStones(),
                           rohstoffe.findKlasse(L"FÜLLSTOFF"));
    if (m_globals->getHires() && m_renderManager)
        setRollIn(0.0f);
}

} // namespace ThreeMatch
