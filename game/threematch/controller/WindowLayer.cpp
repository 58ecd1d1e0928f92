#include "threematch/controller/WindowLayer.h"

#include "gui/windows/GUIWindow.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace ThreeMatch {

WindowLayer WindowLayer::of(const Ulvo::GUIWindow& window)
{
    WindowLayer layer;
    layer.window = &window;
    const Ulvo::FloatRect& r = window.getScreenRect();
    const float rect[4] = {r.left, r.top, r.right, r.bottom};
    std::copy(std::begin(rect), std::end(rect), layer.rect);
    const Ulvo::GUIDrawOptions& draw = window.getDrawOptions();
    layer.alpha = window.getAlpha();
    const float modulate[4] = {draw.modulate.r, draw.modulate.g, draw.modulate.b, draw.modulate.a};
    std::copy(std::begin(modulate), std::end(modulate), layer.modulate);
    layer.enabled = window.isEnabledInHierarchy();
    layer.textures[0] = draw.getTexture(Ulvo::GUIDrawOptions::TEX_NORMAL);
    layer.textures[1] = draw.getTexture(Ulvo::GUIDrawOptions::TEX_DISABLE);
    layer.textures[2] = draw.getTexture(Ulvo::GUIDrawOptions::TEX_BACKGROUND);
    const DWORD types[4] = {draw.drawTypeX, draw.drawTypeY, draw.backDrawTypeX, draw.backDrawTypeY};
    std::copy(std::begin(types), std::end(types), layer.drawTypes);
    std::copy(std::begin(draw.stateSource), std::end(draw.stateSource), layer.sources);
    std::copy(std::begin(draw.backSource), std::end(draw.backSource), layer.sources + 4);
    layer.useSources[0] = draw.useStateSource;
    layer.useSources[1] = draw.useBackSource;
    return layer;
}

bool WindowLayer::operator==(const WindowLayer& other) const
{
    return window == other.window && std::memcmp(rect, other.rect, sizeof rect) == 0 && alpha == other.alpha &&
           std::memcmp(modulate, other.modulate, sizeof modulate) == 0 && enabled == other.enabled &&
           std::equal(std::begin(textures), std::end(textures), std::begin(other.textures)) &&
           std::equal(std::begin(drawTypes), std::end(drawTypes), std::begin(other.drawTypes)) &&
           std::memcmp(sources, other.sources, sizeof sources) == 0 &&
           std::equal(std::begin(useSources), std::end(useSources), std::begin(other.useSources));
}

} // namespace ThreeMatch
