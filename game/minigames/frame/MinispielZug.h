#pragma once
// A move a player would make next in a minigame, in the screen pixels the game's windows are
// drawn at (the mouse reports the same pixels): a click (left, right or middle button) at a
// point on a drawn thing, a drag from a point on a drawn thing to a release point, or a key.
// The kinds list them for the console's "MS_Zuege", so that a test or a demonstration can play
// a game through the real window by aiming at what is drawn.
#include <d3dx9math.h>

#include "graphics/sprites/FloatRect.h"

#include <string>
#include <vector>

namespace ThreeMatch {

struct MinispielZug {
    enum class Art { Klick, Rechtsklick, Mittelklick, Ziehen, Taste };

    static MinispielZug klick(const D3DXVECTOR2& at, const Ulvo::FloatRect& drawn, Art art = Art::Klick);
    static MinispielZug ziehen(const D3DXVECTOR2& from, const D3DXVECTOR2& to, const Ulvo::FloatRect& drawn);
    static MinispielZug taste(const std::wstring& key);
    // A click in the middle of a drawn thing.
    static MinispielZug klickMitte(const Ulvo::FloatRect& drawn, Art art = Art::Klick);
    static D3DXVECTOR2 mitte(const Ulvo::FloatRect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
    // The area whose pixels the move changes, where that is not the drawn thing itself (an
    // arrow that pushes a row changes the row).
    MinispielZug& aendert(const Ulvo::FloatRect& area);

    // The console's line after "MS_Zug ", in whole pixels:
    //   KLICK x y IN x0 y0 x1 y1 [AENDERT u0 v0 u1 v1]   (RECHTSKLICK, MITTELKLICK alike)
    //   ZIEHEN x0 y0 x1 y1 VON a0 b0 a1 b1 [AENDERT ...]
    //   TASTE name
    std::wstring text() const;

    Art art = Art::Klick;
    D3DXVECTOR2 from{0.0f, 0.0f};
    D3DXVECTOR2 to{0.0f, 0.0f};
    Ulvo::FloatRect drawn;
    Ulvo::FloatRect changes;
    bool hasChanges = false;
    std::wstring key;
};

using MinispielZuege = std::vector<MinispielZug>;

} // namespace ThreeMatch
