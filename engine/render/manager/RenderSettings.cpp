#include "render/manager/RenderSettings.h"

namespace Ulvo {

RenderSettings::RenderSettings()
{
    // The qualities start outside the four levels, so that the first setting counts as a change
    // (and a light reads them as high until then).
    m_values[index(RenderSetting::ShadowQuality)] = 4;
    m_values[index(RenderSetting::WaterQuality)] = 4;
    m_values[index(RenderSetting::TerrainDetail)] = QUALITY_HIGH;
}

bool RenderSettings::set(RenderSetting kind, uint32_t value)
{
    if (kind >= RenderSetting::Count)
        return false;
    const uint32_t old = m_values[index(kind)];
    if (old == value)
        return false;
    m_values[index(kind)] = value;
    changed.emit(kind, old, value);
    return true;
}

} // namespace Ulvo
