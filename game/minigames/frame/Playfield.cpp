#include "minigames/frame/Playfield.h"

#include "devices/input/DirectInputInterface.h"
#include "foundation/logging/Logger.h"
#include "graphics/sprites/D3DXSprite.h"
#include "graphics/sprites/SpriteDrawInfo.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "graphics/textures/Texture2DAnimationManager.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIWindow.h"

#include <cmath>

namespace ThreeMatch {

D3DXVECTOR2 Playfield::toScreen(const Ulvo::GUIWindow* field, const D3DXVECTOR2& unit)
{
    if (!field)
        return unit;
    const Ulvo::FloatRect& r = field->getScreenRect();
    return D3DXVECTOR2(r.left + (r.right - r.left) * unit.x, r.top + (r.bottom - r.top) * unit.y);
}

D3DXVECTOR2 Playfield::toField(const Ulvo::GUIWindow* field, const D3DXVECTOR2& screen)
{
    if (!field)
        return screen;
    const Ulvo::FloatRect& r = field->getScreenRect();
    const float w = r.right - r.left, h = r.bottom - r.top;
    if (w == 0.0f || h == 0.0f)
        return screen;
    return D3DXVECTOR2((screen.x - r.left) / w, (screen.y - r.top) / h);
}

unsigned Playfield::toByte(float value)
{
    if (!(value > 0.0f))
        return 0;
    if (value >= 1.0f)
        return 255;
    return static_cast<unsigned>(value * 255.0f + 0.5f);
}

D3DCOLOR Playfield::colour(float r, float g, float b, float a)
{
    return (toByte(a) << 24) | (toByte(r) << 16) | (toByte(g) << 8) | toByte(b);
}

namespace {

Ulvo::SpriteDrawInfo turnedInfo(const Ulvo::FloatRect& rect, float angle)
{
    return Ulvo::SpriteDrawInfo(D3DXVECTOR2(rect.left, rect.top),
                                D3DXVECTOR2(rect.right - rect.left, rect.bottom - rect.top), angle,
                                D3DXVECTOR2(0.5f, 0.5f), Ulvo::SpriteDrawInfo::SDI_CENTER_RELATIVE);
}

} // namespace

void Playfield::draw(Ulvo::Texture2DAnimation* animation, const Ulvo::FloatRect& rect, D3DCOLOR colour, float degrees)
{
    Ulvo::Texture2DAnimationFrame* frame = animation ? animation->getCurrentTexture() : nullptr;
    Ulvo::D3DXSprite* sprite = Ulvo::GUISystem::getInstance()->getSprite();
    if (!frame || !frame->texture || !sprite)
        return;
    sprite->drawTexture(frame->texture, &frame->rect, turnedInfo(rect, degrees), Ulvo::SDP_SCALE, Ulvo::SDP_SCALE,
                        colour);
}

bool Playfield::containsTurned(const Ulvo::FloatRect& rect, float angle, const D3DXVECTOR2& point)
{
    return turnedInfo(rect, angle).getQuad().isInside(point);
}

void Playfield::drawPart(Ulvo::Texture2DAnimation* animation, const Ulvo::FloatRect& part, const Ulvo::FloatRect& rect,
                         float degrees, D3DCOLOR colour)
{
    Ulvo::Texture2DAnimationFrame* frame = animation ? animation->getCurrentTexture() : nullptr;
    Ulvo::D3DXSprite* sprite = Ulvo::GUISystem::getInstance()->getSprite();
    if (!frame || !frame->texture || !sprite)
        return;
    const RECT& whole = frame->rect;
    const float w = static_cast<float>(whole.right - whole.left), h = static_cast<float>(whole.bottom - whole.top);
    auto at = [](LONG from, float fraction, float length) {
        return from + static_cast<LONG>(std::lround(fraction * length));
    };
    const RECT source{at(whole.left, part.left, w), at(whole.top, part.top, h), at(whole.left, part.right, w),
                      at(whole.top, part.bottom, h)};
    sprite->drawTexture(frame->texture, &source, turnedInfo(rect, degrees), Ulvo::SDP_SCALE, Ulvo::SDP_SCALE, colour);
}

bool Playfield::contains(const Ulvo::FloatRect& rect, const D3DXVECTOR2& point)
{
    return point.x >= rect.left && point.x <= rect.right && point.y >= rect.top && point.y <= rect.bottom;
}

bool Playfield::hitsOpaque(Ulvo::Texture2DAnimation* animation, const Ulvo::FloatRect& rect, const D3DXVECTOR2& point)
{
    if (!contains(rect, point))
        return false;
    Ulvo::Texture2DAnimationFrame* frame = animation ? animation->getCurrentTexture() : nullptr;
    if (!frame || !frame->texture)
        return true;
    const float w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (w <= 0.0f || h <= 0.0f)
        return false;
    Ulvo::Texture2D& texture = *frame->texture;
    if (!texture.hasAlphaMask())
        texture.buildAlphaMask(64);
    // The frame is drawn scaled and unturned, so the inverse of its placement is a scale back.
    const RECT& source = frame->rect;
    const double u = source.left + (point.x - rect.left) / w * (source.right - source.left);
    const double v = source.top + (point.y - rect.top) / h * (source.bottom - source.top);
    const long x = std::lround(std::floor(u)), y = std::lround(std::floor(v));
    if (x < source.left || y < source.top || x >= source.right || y >= source.bottom || x < 0 || y < 0)
        return false;
    return texture.isInAlphaMask(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
}

Ulvo::Texture2DAnimation* Playfield::cloneAnimation(const std::wstring& name, const std::wstring& game)
{
    if (name.empty())
        return nullptr;
    const Ulvo::Texture2DAnimation* found = Ulvo::Texture2DAnimationManager::getInstance()->getAnimation(name);
    if (!found) {
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::", game, L": Animation '", name,
                               L"' nicht gefunden\n");
        return nullptr;
    }
    return found->clone();
}

Ulvo::MouseState& Playfield::mouseState()
{
    return Ulvo::DirectInputInterface::getInstance()->getInputStates().mouseState;
}

D3DXVECTOR2 Playfield::mouse()
{
    const Ulvo::MouseState& state = mouseState();
    return D3DXVECTOR2(state.position[0], state.position[1]);
}

Ulvo::Texture2DAnimationFrame* Playfield::backgroundFrame(Ulvo::Texture2DAnimation* background, float& width,
                                                          float& height)
{
    width = height = 1.0f;
    Ulvo::Texture2DAnimationFrame* frame = background ? background->getCurrentTexture() : nullptr;
    if (!frame || !frame->texture)
        return nullptr;
    // A frame of no size keeps the square: a ratio of 0 would collapse the field.
    if (frame->rect.right > frame->rect.left && frame->rect.bottom > frame->rect.top) {
        width = static_cast<float>(frame->rect.right - frame->rect.left);
        height = static_cast<float>(frame->rect.bottom - frame->rect.top);
    }
    return frame;
}

void Playfield::keepAspect(Ulvo::GUIWindow* field, float width, float height)
{
    if (!field)
        return;
    const float xRatio = height > 0.0f ? width / height : 1.0f;
    const float yRatio = width > 0.0f ? height / width : 1.0f;
    // The window's animation states carry a rect of their own, which the window takes on
    // again as it animates: they keep the ratio too.
    for (Ulvo::GUIRect* rect :
         {&field->getGUIRect(), &field->getAnimationStart().rect, &field->getAnimationTarget().rect}) {
        rect->params.xRel = xRatio;
        rect->params.yRel = yRatio;
    }
    field->takeDefaultState();
    field->takeCurrentState();
    field->updateClientRect();
}

} // namespace ThreeMatch
