// The turning tiles' pictures: one scene per game, which the game cuts into square tiles and
// turns. Every part of a scene carries something that shows which way is up (a horizon, a
// building, clouds, birds), so that each tile can be set upright on its own.
#include "ArtCommon.h"

namespace Art {

namespace {

// The meadow: the farm and the mill on green hills, a fence, birds under the clouds.
void wiese(Svg& svg)
{
    landscape(svg, 44, 0.0);
    const double w = svg.width(), h = svg.height();
    placeBuilding(svg, 7, w * 0.04, h * 0.34, 1.2, 0.3);
    placeBuilding(svg, 1, w * 0.56, h * 0.26, 1.25, 0.1);
    for (int k = 0; k < 12; ++k) {
        const double x = w * (0.02 + 0.083 * k);
        svg.rect(x, h * 0.82, 5, 30, "#8a5a2b", "stroke='#3a2414' stroke-width='1'");
    }
    svg.rect(0, h * 0.85, w, 4, "#8a5a2b");
    svg.rect(0, h * 0.92, w, 4, "#8a5a2b");
    for (int g = 0; g < 6; ++g)
        bird(svg, w * (0.1 + 0.15 * g), h * (0.08 + 0.06 * (g % 3)), 6, "#2a2a34");
    for (int f = 0; f < 9; ++f)
        svg.circle(w * (0.08 + 0.11 * f), h * (0.97 - 0.02 * (f % 2)), 4, f % 2 ? "#f0d040" : "#e05050");
}

// The castle on its rock, a road winding up to the gate, a flag in the wind.
void burg(Svg& svg)
{
    landscape(svg, 52, 0.0);
    const double w = svg.width(), h = svg.height();
    svg.path(polygon({{w * 0.1, h}, {w * 0.3, h * 0.55}, {w * 0.7, h * 0.5}, {w * 0.92, h}}),
             svg.verticalGradient({150, 140, 130}, {90, 80, 70}), "stroke='#3a3028' stroke-width='2'");
    placeBuilding(svg, 5, w * 0.22, h * 0.06, 1.35, 0.5);
    svg.path("M" + num(w * 0.45) + " " + num(h) + " Q" + num(w * 0.2) + " " + num(h * 0.8) + " " + num(w * 0.5) + " " +
                 num(h * 0.7) + " T" + num(w * 0.5) + " " + num(h * 0.52),
             "none", "stroke='#d8bc84' stroke-width='7'");
    for (int t = 0; t < 5; ++t) {
        const double x = w * (0.04 + 0.22 * t), y = h * (0.9 + 0.03 * (t % 2));
        svg.rect(x - 2, y - 16, 4, 16, "#6b4a2a");
        svg.circle(x, y - 22, 12, svg.radialGradient({120, 180, 80}, 1.0, {50, 110, 40}, 1.0));
    }
}

} // namespace

void makeDrehbildArt()
{
    Svg meadow(384, 288);
    wiese(meadow);
    render(meadow, "data/Games/drehbild_wiese.png");
    Svg castle(288, 288);
    burg(castle);
    render(castle, "data/Games/drehbild_burg.png");
}

} // namespace Art
