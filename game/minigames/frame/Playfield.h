#pragma once
// What the kinds share about their playing field: positions inside it are fractions 0..1 of
// the field window's screen rectangle, pictures are the current frames of texture animations
// stretched over a screen rectangle, colours turn into bytes the same way everywhere, and a
// picture can be asked whether a screen point falls on one of its opaque texels.
#include <windows.h>
#include <d3dx9math.h>

#include "devices/input/KeyState.h"
#include "graphics/sprites/FloatRect.h"

#include <string>

namespace Ulvo {
class GUIWindow;
class Texture2DAnimation;
struct Texture2DAnimationFrame;
class XMLNode;
} // namespace Ulvo

namespace ThreeMatch {

class Playfield {
public:
    // Field units to screen pixels and back; without a window (or over a rectangle without
    // width or height) the point stays as it is.
    static D3DXVECTOR2 toScreen(const Ulvo::GUIWindow* field, const D3DXVECTOR2& unit);
    static D3DXVECTOR2 toField(const Ulvo::GUIWindow* field, const D3DXVECTOR2& screen);
    // 0..1 to a byte: 1 or more gives 255, 0 or less 0, else the whole part of v x 255 + 0.5.
    static unsigned toByte(float value);
    static D3DCOLOR colour(float r, float g, float b, float a);
    // The animation's current frame stretched over the rectangle, turned by degrees about its
    // middle; nothing without a picture. Whether the rectangle so turned holds the point.
    static void draw(Ulvo::Texture2DAnimation* animation, const Ulvo::FloatRect& rect, D3DCOLOR colour,
                     float degrees = 0.0f);
    static bool containsTurned(const Ulvo::FloatRect& rect, float angle, const D3DXVECTOR2& point);
    // The part of the current frame (fractions 0..1 of its rectangle) stretched over the
    // rectangle and turned by degrees about the rectangle's middle.
    static void drawPart(Ulvo::Texture2DAnimation* animation, const Ulvo::FloatRect& part, const Ulvo::FloatRect& rect,
                         float degrees, D3DCOLOR colour);
    // The point lies on a texel of the frame drawn over the rectangle whose alpha reaches 64
    // of 255 (the texture's alpha mask, built on first use).
    static bool hitsOpaque(Ulvo::Texture2DAnimation* animation, const Ulvo::FloatRect& rect, const D3DXVECTOR2& point);
    static bool contains(const Ulvo::FloatRect& rect, const D3DXVECTOR2& point);
    // A clone of the animation of that name (exact), owned by the caller; null (with a log
    // line naming the game) when there is none.
    static Ulvo::Texture2DAnimation* cloneAnimation(const std::wstring& name, const std::wstring& game);
    // The mouse in client pixels, and the input state whose signals the kinds listen to.
    static D3DXVECTOR2 mouse();
    // The input state's mouse signals to the game's slots, each connected once.
    template <class Game>
    static void listenToMouse(Game* game, void (Game::*down)(Ulvo::MouseState&, const UlvoMouseButton&),
                              void (Game::*up)(Ulvo::MouseState&, const UlvoMouseButton&),
                              void (Game::*move)(Ulvo::MouseState&, const UlvoAchse&))
    {
        Ulvo::MouseState& mouse = mouseState();
        mouse.buttonPressed.disconnect(game);
        mouse.buttonReleased.disconnect(game);
        mouse.axisMoved.disconnect(game);
        mouse.buttonPressed.connect(game, down);
        mouse.buttonReleased.connect(game, up);
        mouse.axisMoved.connect(game, move);
    }
    static Ulvo::MouseState& mouseState();
    // The background's current frame (null without a picture) and its size in pixels, 1 x 1
    // without one: a field kept to these proportions shows the picture undistorted.
    static Ulvo::Texture2DAnimationFrame* backgroundFrame(Ulvo::Texture2DAnimation* background, float& width,
                                                          float& height);
    // The window's aspect rule: width / height and height / width.
    static void keepAspect(Ulvo::GUIWindow* field, float width, float height);
};

} // namespace ThreeMatch
