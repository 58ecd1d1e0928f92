#pragma once
// The display-mode list of the default adapter: ordering, the best match for a
// wanted mode within the resolution limits, lookup and the text of a mode.
#include <d3d9.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Ulvo {

class D3DInitParams;

using DisplayModeList = std::vector<D3DDISPLAYMODE>;

// Equal in width, height, format and refresh rate.
bool sameDisplayMode(const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b);

// Orders the list by three keys, each deciding only when the ones before did
// not: 0 = smaller size first (width, then height), 1 = larger D3DFORMAT value
// first, 2 = lower refresh rate first. Other key values decide nothing.
void sortDisplayModes(DisplayModeList& modes, unsigned key1, unsigned key2, unsigned key3);

// How far a listed mode is from a wanted one:
// |dWidth| + |dHeight| + 10 |dRefreshRate| + 20 |dFormat|. Each difference is
// taken on the 32-bit circle, so the all-bits patterns that stand for "any"
// (refresh rate -1, size 0x80000000) keep their meaning: -1 lies next to the
// lowest rates, 0x80000000 nearest the largest sizes.
uint64_t displayModeDistance(const D3DDISPLAYMODE& listed, const D3DDISPLAYMODE& wanted);

// The best listed mode allowed by the limits of params (every mode when params
// is null). Without a wanted mode: the largest allowed one. With one: the
// allowed mode of the smallest distance, the first in list order on a tie.
// When no mode is allowed, the first listed mode; null for an empty list.
D3DDISPLAYMODE* bestDisplayMode(DisplayModeList& modes, const D3DDISPLAYMODE* wanted, const D3DInitParams* params);

// Index of the first mode equal to mode; -1 when there is none.
int findDisplayMode(const DisplayModeList& modes, const D3DDISPLAYMODE& mode);

// For option screens: "1024x768 32 bit", the separator, "60 Hz".
std::wstring displayModeToString(const D3DDISPLAYMODE* mode, const std::wstring& separator);

} // namespace Ulvo
