#include "threematch/board/Feld.h"

#include "graphics/sprites/D3DXSprite.h"
#include "threematch/board/Bildchen.h"
#include "threematch/board/Spielfeld.h"
#include "threematch/globals/GameGraphics.h"
#include "threematch/globals/GameSound.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/particles/PartikelManager.h"

namespace ThreeMatch {

namespace {

const wchar_t* const kPieceNames[Feld::PieceCount] = {
    L"_BORDER_OBEN",   L"_BORDER_UNTEN",   L"_BORDER_RECHTS",  L"_BORDER_LINKS",   L"_HINTERGRUND",   L"_ZIEL1",
    L"_ZIEL2",         L"_MARKED",         L"_LOCKED",         L"_ECKE_TL_INNEN",  L"_ECKE_TR_INNEN", L"_ECKE_BL_INNEN",
    L"_ECKE_BR_INNEN", L"_ECKE_TL_AUSSEN", L"_ECKE_TR_AUSSEN", L"_ECKE_BL_AUSSEN", L"_ECKE_BR_AUSSEN"};

bool playable(const Feld* cell)
{
    return cell && cell->has(FeldFlag::Spielbar);
}

// A neighbour that holds a stone of the type and is in no swap or explosion.
Feld* likeNeighbour(const Feld* cell, int direction, int typeId)
{
    Feld* next = cell->getNeighbour(direction);
    return next && !next->has(FeldFlag::kBusy) && next->getStone() && next->getStoneType() == typeId ? next : nullptr;
}

} // namespace

Feld::Feld(const D3DXVECTOR2& position, uint32_t flags) : m_flags(flags), m_position(position) {}

Feld::Texturen Feld::lookUpTextures(int setNumber)
{
    Texturen textures{};
    const std::wstring set = L"FELD_" + std::to_wstring(setNumber);
    for (int i = 0; i < PieceCount; ++i)
        textures[i] = findGameTexture(set + kPieceNames[i]);
    return textures;
}

void Feld::setStone(Bildchen* stone)
{
    m_stone = stone;
    m_stoneType = stone ? stone->getTypId() : 0;
    if (m_flags != 0 && has(FeldFlag::Spielbar)) {
        if (stone)
            m_flags &= ~FeldFlag::Leer;
        else
            m_flags |= FeldFlag::Leer;
    }
}

void Feld::refreshStoneType()
{
    m_stoneType = m_stone ? m_stone->getTypId() : 0;
}

Feld* Feld::getNeighbour(int direction) const
{
    return m_linked && direction >= 0 && direction < 4 ? m_neighbours[direction] : nullptr;
}

bool Feld::isNeighbour(const Feld* cell) const
{
    return neighbourIndex(cell) != None;
}

int Feld::neighbourIndex(const Feld* cell) const
{
    if (!m_linked || !cell)
        return None;
    for (int i = 0; i < 4; ++i) {
        if (m_neighbours[i] == cell)
            return i;
    }
    return None;
}

bool Feld::isStoneSettled() const
{
    if (!m_stone)
        return false;
    const D3DXVECTOR2& at = m_stone->getPosition();
    const float dx = at.x - m_position.x, dy = at.y - m_position.y;
    return dx * dx + dy * dy < 0.01f;
}

void Feld::markSwapped(double seconds)
{
    if (has(FeldFlag::Tausch))
        return;
    m_flags |= FeldFlag::Tausch;
    m_swapTime = seconds;
}

void Feld::startExplosion(double delay, const std::wstring& soundName)
{
    if (has(FeldFlag::Sprengt))
        return;
    m_flags |= FeldFlag::Sprengt;
    m_explosionTime = delay;
    m_groupSize = 1;
    if (m_stone)
        m_stone->startExplosion(delay);
    m_explosionSound = soundName;
}

void Feld::addTargetLayer()
{
    m_flags |= has(FeldFlag::Ziel1) ? FeldFlag::Ziel2 : FeldFlag::Ziel1;
    m_addTarget = false;
}

void Feld::finishExplosion()
{
    m_flags &= ~FeldFlag::Sprengt;
    m_explosionTime = 0.0;
    const wchar_t* splinters = nullptr;
    if (has(FeldFlag::Locked)) {
        m_flags &= ~FeldFlag::Locked;
    } else if (has(FeldFlag::kZiel)) {
        if (m_addTarget) {
            addTargetLayer();
            return;
        }
        const bool dark = has(FeldFlag::Ziel2);
        m_flags &= ~(dark ? FeldFlag::Ziel2 : FeldFlag::Ziel1);
        splinters = dark ? L"Splitter_dunkel_emitter" : L"Splitter_hell_emitter";
    }
    if (splinters && m_globals) {
        PartikelManager& particles = m_globals->getPartikelManager();
        if (const EmitterInfo* info = particles.findEmitterInfo(splinters)) {
            const double s = particles.getScale();
            const float x = static_cast<float>((m_position.x + particles.getOffsetX() + 50.0f) * s);
            const float y = static_cast<float>((m_position.y + particles.getOffsetY() + 50.0f) * s);
            particles.addEmitter(new PartikelEmitter(*info, x, y), false);
        }
    }
    if (m_addTarget)
        addTargetLayer();
}

void Feld::setFade(double delay, double duration)
{
    m_fadeDelay = delay;
    m_fadeElapsed = 0.0;
    m_fadeDuration = duration;
    if (delay <= 0.0) {
        m_fadeDelay = -1.0;
        m_fadeElapsed = duration;
    }
}

double Feld::getFadeProgress() const
{
    return m_fadeDuration > 0.0 ? m_fadeElapsed / m_fadeDuration : (m_fadeElapsed > 0.0 ? 1.0 : 0.0);
}

void Feld::loadTextures(int setNumber, Spielfeld& board)
{
    m_globals = &board.getGlobals();
    board.findFeld(this, m_column, m_row);
    m_neighbours = {board.getFeld(m_column, m_row - 1), board.getFeld(m_column, m_row + 1),
                    board.getFeld(m_column + 1, m_row), board.getFeld(m_column - 1, m_row)};
    m_linked = true;
    m_textures = &board.getFieldTextures(setNumber);
}

void Feld::computeCorners()
{
    for (int j = 0; j < 4; ++j)
        m_innerCorner[j] = m_outerCorner[j] = false;
    if (has(FeldFlag::Spielbar))
        return;
    // Corner j joins a vertical and a horizontal neighbour: top-left, top-right, bottom-left,
    // bottom-right.
    const int vertical[4] = {Oben, Oben, Unten, Unten};
    const int horizontal[4] = {Links, Rechts, Links, Rechts};
    for (int j = 0; j < 4; ++j) {
        const Feld* v = getNeighbour(vertical[j]);
        const Feld* h = getNeighbour(horizontal[j]);
        if (!v || !h)
            continue;
        m_innerCorner[j] = playable(v) && playable(h);
        m_outerCorner[j] = !playable(v) && !playable(h) && playable(h->getNeighbour(vertical[j]));
    }
}

void Feld::updateTimers(double realDt, double gameDt)
{
    if (m_fadeDelay >= 0.0) {
        m_fadeDelay -= realDt;
        if (m_fadeDelay <= 0.0) {
            m_fadeDelay = -2.0;
            m_fadeElapsed = 0.0;
        }
    } else if (m_fadeDelay == -2.0) {
        m_fadeElapsed += realDt;
        if (m_fadeElapsed >= m_fadeDuration) {
            m_fadeElapsed = m_fadeDuration;
            m_fadeDelay = -1.0;
        }
    }
    if (has(FeldFlag::Sprengt) && m_explosionTime > 0.0) {
        const double before = m_explosionTime;
        m_explosionTime -= gameDt;
        // The sound goes with the burst strip, which takes the explosion's last moments.
        const double threshold = m_globals ? m_globals->getGroupDelay() : 0.5;
        if (before >= threshold && m_explosionTime < threshold)
            playGameSound(m_explosionSound);
    }
    if (has(FeldFlag::Tausch)) {
        if (m_swapTime > 0.0)
            m_swapTime -= gameDt;
        // A lock given no time must not stay for ever.
        if (m_swapTime <= 0.0)
            m_flags &= ~FeldFlag::Tausch;
    }
}

bool Feld::wouldMatch(int typeId, int runLength, int excludedDirection) const
{
    const Feld* at[4] = {this, this, this, this};
    int counts[4] = {0, 0, 0, 0};
    for (int step = 1; step <= runLength + 1; ++step) {
        bool any = false;
        for (int d = 0; d < 4; ++d) {
            if (d == excludedDirection || !at[d])
                continue;
            at[d] = likeNeighbour(at[d], d, typeId);
            if (at[d]) {
                ++counts[d];
                any = true;
            }
        }
        if (!any)
            break;
    }
    return counts[Rechts] + counts[Links] >= runLength - 1 || counts[Oben] + counts[Unten] >= runLength - 1;
}

void Feld::collectRun(int typeId, int excludedDirection, double seconds, bool addTarget)
{
    for (int d = 0; d < 4; ++d) {
        if (d == excludedDirection)
            continue;
        for (Feld* cell = this; cell; cell = likeNeighbour(cell, d, typeId)) {
            cell->markSwapped(seconds);
            if (addTarget)
                cell->m_addTarget = true;
        }
    }
}

RECT Feld::screenRect(const D3DXVECTOR2& offset, double scale) const
{
    const double left = (m_position.x + offset.x) * scale, top = (m_position.y + offset.y) * scale;
    const double right = (m_position.x + offset.x + 100.0) * scale, bottom = (m_position.y + offset.y + 100.0) * scale;
    return RECT{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(right), static_cast<LONG>(bottom)};
}

bool Feld::contains(const D3DXVECTOR2& offset, double scale, const D3DXVECTOR2& point) const
{
    const RECT r = screenRect(offset, scale);
    return point.x >= static_cast<float>(r.left) && point.x < static_cast<float>(r.right) &&
           point.y >= static_cast<float>(r.top) && point.y < static_cast<float>(r.bottom);
}

void Feld::drawPiece(int piece, const RECT& rect, D3DCOLOR colour) const
{
    Ulvo::D3DXSprite* sprite = gameSprite();
    if (Ulvo::Texture2D* texture = getTexture(piece); sprite && texture)
        sprite->drawRegion(texture, nullptr, rect, Ulvo::SDP_SCALE, Ulvo::SDP_SCALE, colour);
}

void Feld::draw(const D3DXVECTOR2& offset, double scale, D3DCOLOR colour) const
{
    const RECT rect = screenRect(offset, scale);
    if (!has(FeldFlag::Spielbar)) {
        for (int i = 0; i < 4; ++i) {
            if (playable(getNeighbour(i)))
                drawPiece(BorderOben + i, rect, colour);
        }
        for (int j = 0; j < 4; ++j) {
            if (m_innerCorner[j])
                drawPiece(EckeInnen + j, rect, colour);
            if (m_outerCorner[j])
                drawPiece(EckeAussen + j, rect, colour);
        }
        return;
    }
    drawPiece(Hintergrund, rect, colour);
    if (has(FeldFlag::Ziel2))
        drawPiece(Ziel2Piece, rect, colour);
    else if (has(FeldFlag::Ziel1))
        drawPiece(Ziel1Piece, rect, colour);
    if (has(FeldFlag::Locked))
        drawPiece(LockedPiece, rect, colour);
}

void Feld::drawOverlay(const D3DXVECTOR2& offset, double scale, D3DCOLOR colour) const
{
    if (!has(FeldFlag::Spielbar))
        return;
    const RECT rect = screenRect(offset, scale);
    if (has(FeldFlag::Locked))
        drawPiece(LockedPiece, rect, colour);
    if (m_selected || m_hint)
        drawPiece(Marked, rect, colour);
}

} // namespace ThreeMatch
