#include "threematch/board/PunkteAnzeige.h"

#include "engine/UlvoEngine.h"
#include "graphics/fonts/D3DXFontInterface.h"
#include "threematch/globals/GameRandom.h"

#include <windef.h>

#include <string>

namespace ThreeMatch {

namespace {

const wchar_t* const kFont = L"PUNKTE_BILDCHEN";
// Centred both ways.
constexpr uint32_t kCentred = 5;

} // namespace

PunkteAnzeige::PunkteAnzeige(double speed, int value, const D3DXVECTOR2& start, D3DCOLOR colour,
                             const D3DXVECTOR2* target)
    : m_speed(speed), m_value(value), m_start(start), m_target(start), m_position(start), m_colour(colour)
{
    if (target) {
        m_target = *target;
    } else {
        const double r1 = randomFraction(), r2 = randomFraction();
        m_target = start + D3DXVECTOR2(static_cast<float>(100.0 * r1 - 50.0), static_cast<float>(100.0 * r2 - 150.0));
    }
}

void PunkteAnzeige::update(double gameDt)
{
    m_progress += m_speed * gameDt;
    const float t = static_cast<float>(m_progress < 1.0 ? m_progress : 1.0);
    m_position = m_start + (m_target - m_start) * t;
}

void PunkteAnzeige::draw(const D3DXVECTOR2& offset, double scale) const
{
    Ulvo::D3DXFontInterface* fonts = Ulvo::UlvoEngine::getInstance()->getFontInterface();
    if (!fonts)
        return;
    const double x = m_position.x + offset.x, y = m_position.y + offset.y;
    RECT rect{static_cast<LONG>(x * scale), static_cast<LONG>(y * scale), static_cast<LONG>((x + 100.0) * scale),
              static_cast<LONG>((y + 100.0) * scale)};
    fonts->dispatchDrawStyledText(kFont, std::to_wstring(m_value), &rect, kCentred, kFont);
}

} // namespace ThreeMatch
