// The roads' pictures (data/textures/street.tex): asphalt with a dashed centre line, kerb stones,
// the asphalt's bump map (a tangent-space normal map: x in red, y in green, up in blue) and the
// reflection mask of wet patches (white mirrors the sky). Every picture tiles in both directions.
#include "ArtCommon.h"

#include <cmath>
#include <string>

namespace Art {

namespace {

// Grain: small specks over the whole tile, repeated across its edges so it tiles.
void specks(Svg& svg, unsigned seed, int count, double size, const Colour& low, const Colour& high)
{
    Random random(seed);
    const double w = svg.width(), h = svg.height();
    for (int i = 0; i < count; ++i) {
        const double x = random.range(0, w), y = random.range(0, h), r = random.range(0.4, size);
        const double mix = random.next();
        const Colour c{static_cast<int>(low.r + (high.r - low.r) * mix),
                       static_cast<int>(low.g + (high.g - low.g) * mix),
                       static_cast<int>(low.b + (high.b - low.b) * mix)};
        for (double dx : {-w, 0.0, w})
            for (double dy : {-h, 0.0, h})
                if (x + dx + r > 0 && x + dx - r < w && y + dy + r > 0 && y + dy - r < h)
                    svg.circle(x + dx, y + dy, r, c.hex());
    }
}

} // namespace

void makeStreetArt()
{
    // Asphalt: u runs across the carriageway, v along it; the centre line sits at u = 0.5.
    Svg asphalt(128, 128);
    asphalt.rect(0, 0, 128, 128, Colour{64, 66, 70}.hex());
    specks(asphalt, 401, 420, 1.3, Colour{44, 45, 48}, Colour{98, 98, 100});
    asphalt.rect(62, 0, 4, 64, Colour{236, 232, 214}.hex(), "opacity='0.92'");
    render(asphalt, "data/textures/strasse_asphalt.png");

    // Kerb stones: light granite blocks, joints across the road every quarter of the tile.
    Svg kerb(128, 128);
    kerb.rect(0, 0, 128, 128, Colour{168, 166, 158}.hex());
    specks(kerb, 402, 300, 1.1, Colour{130, 128, 122}, Colour{206, 204, 196});
    for (int i = 0; i < 4; ++i)
        kerb.rect(0, i * 32, 128, 2, Colour{96, 94, 90}.hex());
    render(kerb, "data/textures/strasse_bordstein.png");

    // Bump map of the asphalt's grain: flat (128, 128, 255) with pebbles leaning every way.
    Svg bump(128, 128);
    bump.rect(0, 0, 128, 128, "#8080ff");
    Random random(403);
    for (int i = 0; i < 260; ++i) {
        const double x = random.range(4, 124), y = random.range(4, 124), r = random.range(0.8, 2.2);
        const double angle = random.range(0, 2 * M_PI), lean = random.range(0.2, 0.5);
        const Colour c{static_cast<int>(128 + 127 * lean * std::cos(angle)),
                       static_cast<int>(128 + 127 * lean * std::sin(angle)),
                       static_cast<int>(255 * std::sqrt(1 - lean * lean))};
        bump.circle(x, y, r, c.hex());
    }
    render(bump, "data/textures/strasse_asphalt_bump.png");

    // Wet patches: where the mask is white the road mirrors the sky.
    Svg wet(128, 128);
    wet.rect(0, 0, 128, 128, "#000000");
    wet.ellipse(40, 36, 22, 12, wet.radialGradient(kWhite, 0.9, kWhite, 0.0));
    wet.ellipse(92, 96, 26, 14, wet.radialGradient(kWhite, 0.8, kWhite, 0.0));
    render(wet, "data/textures/strasse_nass.png");
}

} // namespace Art
