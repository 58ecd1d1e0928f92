#pragma once
// What a sprite drew while recording, draw by draw as each reached the device, so that a caller
// keeping its target's pixels from frame to frame can redraw only where two frames differ.
#include <windows.h>
#include <d3d9.h>

#include <cstdint>
#include <vector>

namespace Ulvo {

// One draw: its texture, the texels it takes, its 2D transformation (the four matrix entries
// and the translation), its colour and the states it was drawn with. No padding: compared byte
// by byte.
struct RecordedDraw {
    const void* texture = nullptr;
    RECT source{};
    float transform[6]{};
    D3DCOLOR colour = 0;
    DWORD states = 0;

    // The pixels it may write, with a pixel's margin for filtering and rounding.
    RECT bound() const;
};

class SpriteRecording {
public:
    void clear();
    void add(const RecordedDraw& quad) { m_quads.push_back(quad); }
    // A draw no rectangle bounds (turned in 3D): the recording no longer tells what changed.
    void markUnbounded() { m_unbounded = true; }
    bool unbounded() const { return m_unbounded; }
    const std::vector<RecordedDraw>& quads() const { return m_quads; }
    bool sameAs(const SpriteRecording& other) const;

    // Where the picture this recording draws may differ from the one `before` drew on the same
    // pixels: the bound of every draw found in only one of them (draws found in both cover the
    // same pixels in both). changed is empty (left == right) when the two draw the same. False
    // when no rectangle says it: either is unbounded, or draws found in both change their order.
    bool changedSince(const SpriteRecording& before, RECT& changed);

private:
    std::vector<RecordedDraw> m_quads;
    bool m_unbounded = false;
    // Kept from call to call for their storage.
    std::vector<std::uint32_t> m_order, m_beforeOrder;
    std::vector<std::int32_t> m_match;
};

} // namespace Ulvo
