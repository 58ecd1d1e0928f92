#include "graphics/fonts/FontStyle.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/sprites/FloatRect.h"

#include <algorithm>

#include <cmath>

namespace Ulvo {

namespace {

// More directions or rings than this would stall every draw of the text.
constexpr float kMaxHaloSteps = 1024.0f;

float lerp(float a, float b, float t)
{
    return a + (b - a) * t;
}

DWORD channelToByte(float c)
{
    if (c >= 1.0f)
        return 255u;
    if (c <= 0.0f)
        return 0u;
    return static_cast<DWORD>(c * 255.0f + 0.5f);
}

} // namespace

FontStyle::FontStyle() = default;

FontStyle::FontStyle(const FontStyle& other) : NamedObject(other)
{
    copyValues(other);
}

FontStyle& FontStyle::operator=(const FontStyle& other)
{
    if (this != &other) {
        NamedObject::operator=(other);
        copyValues(other);
    }
    return *this;
}

FontStyle::FontStyle(XMLNode* node) : NamedObject(node)
{
    if (!node)
        return;
    node->readBool(L"DRAW_HG", m_drawBackground);
    node->readFloat(L"RADIUS", m_radius);
    node->readFloat(L"RINGS", m_rings);
    node->readFloat(L"SAMPLES", m_samples);
    if (m_samples > kMaxHaloSteps || m_rings > kMaxHaloSteps) {
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::FontStyle::FontStyle: style \"", getName(),
                         L"\": SAMPLES and RINGS are limited to 1024\n");
        m_samples = std::min(m_samples, kMaxHaloSteps);
        m_rings = std::min(m_rings, kMaxHaloSteps);
    }
    node->readColour(L"COLOR_VG", m_foreground);
    node->readColour(L"COLOR_HG", m_background);
    // A SHADOW child node with X and Y wins over the attribute.
    node->readPair(L"SHADOW", m_shadowX, m_shadowY);
    D3DXVECTOR2 shadow(m_shadowX, m_shadowY);
    if (node->readPoint(L"SHADOW", shadow)) {
        m_shadowX = shadow.x;
        m_shadowY = shadow.y;
    }
}

void FontStyle::copyValues(const FontStyle& other)
{
    m_foreground = other.m_foreground;
    m_background = other.m_background;
    m_drawBackground = other.m_drawBackground;
    m_radius = other.m_radius;
    m_samples = other.m_samples;
    m_rings = other.m_rings;
    m_shadowX = other.m_shadowX;
    m_shadowY = other.m_shadowY;
}

FontStyle FontStyle::interpolate(const FontStyle& a, const FontStyle& b, float t)
{
    FontStyle result(a);
    interpolate(result, a, b, t);
    return result;
}

void FontStyle::interpolate(FontStyle& out, const FontStyle& a, const FontStyle& b, float t)
{
    out.m_foreground =
        D3DXCOLOR(lerp(a.m_foreground.r, b.m_foreground.r, t), lerp(a.m_foreground.g, b.m_foreground.g, t),
                  lerp(a.m_foreground.b, b.m_foreground.b, t), lerp(a.m_foreground.a, b.m_foreground.a, t));
    out.m_background =
        D3DXCOLOR(lerp(a.m_background.r, b.m_background.r, t), lerp(a.m_background.g, b.m_background.g, t),
                  lerp(a.m_background.b, b.m_background.b, t), lerp(a.m_background.a, b.m_background.a, t));
    out.m_radius = lerp(a.m_radius, b.m_radius, t);
    out.m_samples = lerp(a.m_samples, b.m_samples, t);
    out.m_rings = lerp(a.m_rings, b.m_rings, t);
    out.m_shadowX = lerp(a.m_shadowX, b.m_shadowX, t);
    out.m_shadowY = lerp(a.m_shadowY, b.m_shadowY, t);
    out.m_drawBackground = a.m_drawBackground || b.m_drawBackground;
}

D3DCOLOR FontStyle::toARGB(const D3DXCOLOR& colour)
{
    return (channelToByte(colour.a) << 24) | (channelToByte(colour.r) << 16) | (channelToByte(colour.g) << 8) |
           channelToByte(colour.b);
}

void FontStyle::getBackgroundOffsets(std::vector<POINT>& offsets) const
{
    offsets.clear();
    if (!m_drawBackground)
        return;
    if (m_samples < 1.0f)
        offsets.push_back(POINT{truncToLong(m_shadowX), truncToLong(m_shadowY)});
    // Whole sample and ring counts are meant; one that truncates to 0 would
    // divide by zero below, so such a halo is left out.
    const float directions = std::trunc(m_samples);
    const float ringCount = std::trunc(m_rings);
    if (!(m_samples > 0.0f) || !(m_rings > 0.0f) || directions < 1.0f || ringCount < 1.0f)
        return;
    // Interpolated styles are not limited when read, so the loops are.
    if (m_samples > kMaxHaloSteps || m_rings > kMaxHaloSteps)
        return;
    for (float i = 0.0f; i < m_samples; i += 1.0f) {
        const float angle = i / directions * 360.0f * 0.017453292f;
        const float cx = std::cos(angle);
        const float sy = std::sin(angle);
        float j = 1.0f;
        do {
            const float dx = j * cx / ringCount * m_radius + m_shadowX;
            const float dy = j * sy / ringCount * m_radius + m_shadowY;
            offsets.push_back(POINT{truncToLong(dx), truncToLong(dy)});
            j += 1.0f;
        } while (j - 1.0f < m_rings);
    }
}

} // namespace Ulvo
