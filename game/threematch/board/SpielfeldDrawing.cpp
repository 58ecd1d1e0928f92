// The board's drawing: the cells write a stencil mask, so the light streak, the stones, the
// points of cleared stones and the particles below the overlay show only where the board is.
#include "threematch/board/Spielfeld.h"

#include "devices/d3d/D3DInterface.h"
#include "graphics/sprites/D3DXSprite.h"
#include "threematch/animations/WegpunktAnimation.h"
#include "threematch/animations/WegpunktManager.h"
#include "threematch/globals/GameGraphics.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/particles/Partikel.h"
#include "threematch/particles/PartikelManager.h"

#include <d3d9.h>

#include <algorithm>
#include <initializer_list>
#include <utility>

namespace ThreeMatch {

namespace {

constexpr D3DCOLOR kWhite = 0xFFFFFFFF;
constexpr float kDegrees = 0.01745329238474369f;

// The sprite's Begin resets the stencil state, so each batch sets it anew.
void setStencil(IDirect3DDevice9* device, D3DCMPFUNC compare, D3DSTENCILOP op)
{
    const std::pair<D3DRENDERSTATETYPE, DWORD> states[] = {{D3DRS_STENCILENABLE, TRUE},
                                                           {D3DRS_STENCILFUNC, static_cast<DWORD>(compare)},
                                                           {D3DRS_STENCILREF, 1},
                                                           {D3DRS_STENCILMASK, 1},
                                                           {D3DRS_STENCILWRITEMASK, ~0u},
                                                           {D3DRS_STENCILFAIL, static_cast<DWORD>(op)},
                                                           {D3DRS_STENCILZFAIL, static_cast<DWORD>(op)},
                                                           {D3DRS_STENCILPASS, static_cast<DWORD>(op)}};
    for (const auto& [state, value] : states)
        device->SetRenderState(state, value);
}

// A cell fades out with its level-end fade.
D3DCOLOR cellColour(const Feld& cell)
{
    const double alpha = (1.0 - cell.getFadeProgress()) * 255.0;
    const auto byte = static_cast<D3DCOLOR>(alpha > 255.0 ? 255.0 : alpha > 0.0 ? alpha : 0.0);
    return byte << 24 | 0x00FFFFFF;
}

} // namespace

void Spielfeld::draw(const D3DXVECTOR2& offset, double scale, int)
{
    if (m_cells.empty())
        return;
    IDirect3DDevice9* device = Ulvo::D3DInterface::getInstance()->getDevice();
    Ulvo::D3DXSprite* sprite = gameSprite();
    if (!device || !sprite)
        return;
    IDirect3DStateBlock9* saved = nullptr;
    device->CreateStateBlock(D3DSBT_ALL, &saved);

    sprite->Begin(D3DXSPRITE_ALPHABLEND);
    device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0);
    setStencil(device, D3DCMP_ALWAYS, D3DSTENCILOP_REPLACE);
    for (const Feld& cell : m_cells)
        cell.draw(offset, scale, cellColour(cell));
    sprite->End();

    sprite->Begin(D3DXSPRITE_ALPHABLEND);
    setStencil(device, D3DCMP_EQUAL, D3DSTENCILOP_KEEP);
    if (m_falloff) {
        const float rotation = static_cast<float>(m_falloffAngle) * kDegrees;
        for (float mirror : {1.0f, -1.0f}) {
            const D3DXVECTOR2 scaling(m_falloffScale.x * mirror, m_falloffScale.y);
            sprite->drawTexture2D(m_falloff, nullptr, &scaling, nullptr, rotation, &m_falloffPosition, m_falloffColour);
        }
    }
    sprite->End();

    sprite->Begin(D3DXSPRITE_ALPHABLEND);
    setStencil(device, D3DCMP_EQUAL, D3DSTENCILOP_KEEP);
    for (const Feld& cell : m_cells) {
        if (const Bildchen* stone = cell.getStone())
            stone->draw(offset, scale, cellColour(cell));
    }
    for (const Feld& cell : m_cells)
        cell.drawOverlay(offset, scale, cellColour(cell));
    // The points of cleared stones belong to the board's picture: masked like the stones, they
    // never show over what lies around the board.
    for (const PunkteAnzeige* popup : m_popups)
        popup->draw(offset, scale);
    // Path animations (bonus strikes) are drawn once, over the board, by the overlay.
    m_globals.getPartikelManager().render(-1, kWhite);
    sprite->End();

    if (saved) {
        saved->Apply();
        saved->Release();
    }
}

bool Spielfeld::drawnBound(const D3DXVECTOR2& offset, double scale, RECT& bound) const
{
    if (m_cells.empty() || !m_flying.empty())
        return false;
    for (const Partikel* partikel : m_globals.getPartikelManager().getPartikel()) {
        if (partikel->getLayer() == 0)
            return false;
    }
    auto add = [&bound](const RECT& r) {
        // A rectangle given right to left draws mirrored, over the same pixels.
        bound.left = std::min({bound.left, r.left, r.right});
        bound.top = std::min({bound.top, r.top, r.bottom});
        bound.right = std::max({bound.right, r.left, r.right});
        bound.bottom = std::max({bound.bottom, r.top, r.bottom});
    };
    bound = m_cells.front().screenRect(offset, scale);
    for (const Feld& cell : m_cells)
        add(cell.screenRect(offset, scale));
    // Path animations draw over the board, each within its rectangle.
    RECT r;
    for (const WegpunktAnimation* animation : m_globals.getWegpunktManager().getAnimations()) {
        if (animation->drawnRect(offset.x, offset.y, scale, r))
            add(r);
    }
    return true;
}

void Spielfeld::drawOverlay(const D3DXVECTOR2& offset, double scale, int)
{
    Ulvo::D3DXSprite* sprite = gameSprite();
    if (!sprite || !Ulvo::D3DInterface::getInstance()->getDevice())
        return;
    sprite->Begin(D3DXSPRITE_ALPHABLEND);
    m_globals.getWegpunktManager().render(offset.x, offset.y, scale, kWhite);
    m_globals.getPartikelManager().render(0, kWhite);
    for (auto it = m_flying.rbegin(); it != m_flying.rend(); ++it)
        (*it)->draw(offset, scale, kWhite);
    sprite->End();
}

} // namespace ThreeMatch
