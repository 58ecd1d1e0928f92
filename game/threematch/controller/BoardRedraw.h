#pragma once
// The board's picture drawn again only where it changed. The in-game target keeps its pixels from
// frame to frame; before the board draws, a dry run records what it would draw, and where that
// differs from the last frame's drawing is the part of the target drawn this frame. The real
// drawing is recorded as well: should it differ from the dry run, or the caller find that
// something else reached the target, the frame draws its whole part again.
#include <windows.h>
#include <d3d9.h>

#include "devices/d3d/DeviceResource.h"
#include "graphics/sprites/D3DXSprite.h"
#include "graphics/sprites/SpriteRecording.h"

namespace ThreeMatch {

class BoardRedraw : public Ulvo::DeviceResource {
public:
    // What the last picture stands on: the target, the part of it the board's picture takes, and
    // the colour cleared under the board.
    struct Frame {
        const void* target = nullptr;
        RECT part{};
        D3DCOLOR clear = 0;
        bool operator==(const Frame& other) const;
    };

    BoardRedraw();
    ~BoardRedraw() override;
    BoardRedraw(const BoardRedraw&) = delete;
    BoardRedraw& operator=(const BoardRedraw&) = delete;

    // Before the board draws: the dry run (`draw` with the sprite recording, not drawing). Gives
    // the part of frame.part to clear and draw this frame: frame.part itself when the last
    // picture does not hold (another frame, a device reset, a drawing no rectangle bounds), an
    // empty rectangle when nothing changed.
    template <class Draw> RECT plan(Ulvo::D3DXSprite& sprite, const Frame& frame, Draw&& draw)
    {
        m_planned.clear();
        sprite.setRecording(&m_planned, false);
        draw();
        sprite.setRecording(nullptr, true);
        return planned(frame);
    }
    // Around the real drawing, which is recorded.
    void startDrawing(Ulvo::D3DXSprite& sprite);
    void stopDrawing(Ulvo::D3DXSprite& sprite);
    // After the frame's drawing. held: the caller found the part holding the board's drawing
    // alone. True when the part holds this frame's picture; false when the caller must draw it
    // whole again.
    bool finish(bool held);
    // The last picture no longer holds: the next frame draws its part whole.
    void forget();
    // Whether this frame draws only what changed (for tests).
    bool partial() const { return m_partial; }

    void onLostDevice() override;

private:
    RECT planned(const Frame& frame);

    Ulvo::SpriteRecording m_last, m_planned, m_drawn;
    Frame m_lastFrame, m_frame;
    bool m_lastValid = false;
    bool m_partial = false;
};

} // namespace ThreeMatch
