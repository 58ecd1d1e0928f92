#include "threematch/particles/Partikel.h"

#include "graphics/sprites/D3DXSprite.h"
#include "threematch/globals/DataReads.h"
#include "threematch/globals/GameRandom.h"
#include "threematch/particles/PartikelInfo.h"

#include <d3dx9math.h>

#include <algorithm>
#include <cmath>

namespace ThreeMatch {

namespace {

int channel(D3DCOLOR colour, int shift)
{
    return static_cast<int>((colour >> shift) & 0xFF);
}

// A channel value truncated and kept in 0..255 (anything below 1 is 0).
D3DCOLOR toChannel(double value, int shift)
{
    const int v = value < 1.0 ? 0 : value >= 255.0 ? 255 : static_cast<int>(value);
    return static_cast<D3DCOLOR>(v) << shift;
}

} // namespace

Partikel::Partikel(const PartikelInfo& info, float x, float y, double scale, int layer)
    : m_info(info), m_x(x), m_y(y), m_layer(layer)
{
    // One draw for both axes keeps the drawn shape's proportions.
    const double r = randomFraction() - 0.5;
    m_scaleX = toFloat((info.scale[0] + r * info.scaleRand[0]) * scale);
    m_scaleY = toFloat((info.scale[1] + r * info.scaleRand[1]) * scale);
    info.bewegung.drawAcceleration(m_accelerationX, m_accelerationY);
    info.bewegung.drawVelocity(m_velocityX, m_velocityY);
    m_rotation = randomSpread(info.rotation, info.rotationRand);
    m_rotationSpeed = randomSpread(info.rotationSpeed, info.rotationSpeedRand);
    m_colour = 0;
    for (int shift : {24, 16, 8, 0})
        m_colour |= toChannel(randomSpread(channel(info.colour, shift), channel(info.colourSpread, shift)), shift);
    m_frameOffset = toInt(randomFraction() * info.offsetSpread + info.offset);
    m_passesLeft = info.anims;
    if (info.bewegung.timeLimited)
        m_lebensdauer = info.bewegung.drawLebensdauer();
    else if (info.anims >= 1)
        m_lebensdauer = info.grid.frameCount() * info.animSpeed * info.anims;
}

void Partikel::update(double dt)
{
    m_velocityX = toFloat(m_velocityX + m_accelerationX * dt);
    m_velocityY = toFloat(m_velocityY + m_accelerationY * dt);
    m_x = toFloat(m_x + m_velocityX * dt);
    m_y = toFloat(m_y + m_velocityY * dt);
    m_rotation += m_rotationSpeed * dt;
    m_frameClock += m_info.animSpeed * dt;
    m_age += dt;
    if (m_lebensdauer != kUnlimited)
        m_lebensdauer -= dt;
    const int frames = m_info.grid.frameCount();
    if (m_passesLeft > 0 && m_frameClock >= frames) {
        --m_passesLeft;
        m_frameClock -= frames;
    }
}

D3DCOLOR Partikel::drawColour(D3DCOLOR tint) const
{
    double fade = channel(tint, 0) / 255.0;
    const bool limited = m_lebensdauer != kUnlimited;
    if (limited && m_info.fadeOut > 0.0 && m_lebensdauer < m_info.fadeOut)
        fade *= m_lebensdauer / m_info.fadeOut;
    if (limited && m_info.fadeIn > 0.0 && m_age < m_info.fadeIn)
        fade *= m_age / m_info.fadeIn;
    auto mix = [&](int shift) { return channel(tint, shift) / 255.0 * channel(m_colour, shift) / 255.0 * 255.0; };
    const double alpha = mix(24) * fade;
    const int a = alpha <= 0.0 ? 0 : alpha >= 255.0 ? 255 : static_cast<int>(alpha);
    return static_cast<D3DCOLOR>(a) << 24 | static_cast<D3DCOLOR>(mix(16)) << 16 | static_cast<D3DCOLOR>(mix(8)) << 8 |
           static_cast<D3DCOLOR>(mix(0));
}

double Partikel::sizeFactor() const
{
    double factor = 1.0;
    const bool limited = m_lebensdauer != kUnlimited;
    if (limited && m_info.scaleOut > 0.0 && m_lebensdauer < m_info.scaleOut)
        factor = m_lebensdauer / m_info.scaleOut;
    if (limited && m_info.scaleIn > 0.0 && m_age <= m_info.scaleIn)
        factor *= m_age / m_info.scaleIn;
    return factor;
}

void Partikel::render(Ulvo::D3DXSprite& sprite, D3DCOLOR tint) const
{
    if (!m_info.texture)
        return;
    const double g = sizeFactor();
    const long long frame = toLongLong(std::trunc(m_frameClock)) + m_frameOffset;
    RECT source = m_info.grid.frameRect(frame);
    const D3DXVECTOR2 scaling(toFloat(m_scaleX * g), toFloat(m_scaleY * g));
    const float halfWidth = 0.5f * static_cast<float>(m_info.grid.frameWidth) * scaling.x;
    const float halfHeight = 0.5f * static_cast<float>(m_info.grid.frameHeight) * scaling.y;
    // Turned about the frame's centre, which lands on the particle's position.
    const D3DXVECTOR2 centre(halfWidth, halfHeight);
    const D3DXVECTOR2 corner(m_x - halfWidth, m_y - halfHeight);
    sprite.drawTexture2D(m_info.texture, &source, &scaling, &centre, toFloat(m_rotation * 0.017453292), &corner,
                         drawColour(tint));
}

} // namespace ThreeMatch
