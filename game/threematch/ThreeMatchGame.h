#pragma once
// The game controller. It grows with the game; for now it loads the data the engine's managers
// hold, takes its places on the engine's update, render and exit signals and owns the in-game
// render target.
#include "devices/input/KeyState.h"
#include "foundation/sigslot.h"
#include "graphics/sprites/D3DXSprite.h"
#include "graphics/textures/RenderToTexture.h"
#include "threematch/ConsoleLineView.h"

#include <cstdint>

namespace Ulvo {
class Texture2DAnimation;
}

namespace ThreeMatch {

class ThreeMatchGame : public sigslot::has_slots<> {
public:
    ThreeMatchGame(bool first, bool second);
    ~ThreeMatchGame() override = default;
    ThreeMatchGame(const ThreeMatchGame&) = delete;
    ThreeMatchGame& operator=(const ThreeMatchGame&) = delete;

    // The game's per-frame work, after the input manager's update.
    void update();
    // The frame's drawing.
    void render();
    // Every mouse press clicks.
    void onMouseButtonPressed(Ulvo::MouseState& mouse, const UlvoMouseButton& button);
    // The engine's loop ended with this code.
    void onEngineExit(const uint32_t& code);

    Ulvo::RenderToTexture& getRenderTarget() { return m_renderTarget; }

private:
    void loadData();
    // Draws into the in-game render target while it is bound.
    void drawIntoTarget(Ulvo::RenderToTexture& target);
    // The game's own mouse pointer while the system cursor is hidden.
    void drawMousePointer(Ulvo::D3DXSprite& sprite);

    Ulvo::RenderToTexture m_renderTarget;
    ConsoleLineView m_consoleLine;
    // Looked up once at loading; the manager keeps it alive until exit.
    Ulvo::Texture2DAnimation* m_mousePointer = nullptr;
};

} // namespace ThreeMatch
