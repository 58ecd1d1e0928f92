// The forest's tree pictures: each stands upright on the bottom edge of a transparent frame, as
// the tree slices draw it (v = 0 at the top), lit from the top left like every picture.
#include "ArtCommon.h"

#include <cmath>
#include <string>

namespace Art {

namespace {

void trunk(Svg& svg, double cx, double bottom, double width, double height)
{
    const Colour bark{110, 74, 42};
    svg.path(polygon({{cx - width * 0.6, bottom},
                      {cx + width * 0.6, bottom},
                      {cx + width * 0.35, bottom - height},
                      {cx - width * 0.35, bottom - height}}),
             svg.litGradient(bark), "stroke='" + bark.shade(-0.5).hex() + "' stroke-width='2'");
}

// A fir: three stacked, jagged tiers of dark green over a short trunk.
void fir()
{
    Svg svg(128, 256);
    trunk(svg, 64, 256, 16, 52);
    const Colour needles{46, 104, 58};
    for (int tier = 0; tier < 3; ++tier) {
        const double top = 16 + tier * 58.0, bottom = 128 + tier * 50.0, half = 34 + tier * 14.0;
        std::string d = "M64 " + num(top);
        for (int step = 1; step <= 6; ++step) {
            const double t = step / 6.0;
            d += " L" + num(64 + half * t) + " " + num(top + (bottom - top) * t) + " L" + num(64 + half * t - 6) + " " +
                 num(top + (bottom - top) * t - 5);
        }
        d += " L" + num(64 + half) + " " + num(bottom) + " L" + num(64 - half) + " " + num(bottom);
        for (int step = 6; step >= 1; --step) {
            const double t = step / 6.0;
            d += " L" + num(64 - half * t + 6) + " " + num(top + (bottom - top) * t - 5) + " L" + num(64 - half * t) +
                 " " + num(top + (bottom - top) * t);
        }
        svg.path(d + " Z", svg.litGradient(needles.shade(0.1 * tier)),
                 "stroke='" + needles.shade(-0.55).hex() + "' stroke-width='2'");
    }
    render(svg, "data/textures/baum_tanne.png");
}

// A broadleaf tree: a round crown of overlapping clumps over a taller trunk.
void broadleaf()
{
    Svg svg(128, 256);
    trunk(svg, 64, 256, 20, 120);
    const Colour leaves{96, 150, 52};
    Random random(41);
    const double clumps[7][3] = {{64, 70, 44},  {36, 96, 30}, {92, 96, 30}, {48, 126, 32},
                                 {82, 128, 32}, {64, 46, 30}, {64, 112, 36}};
    for (const auto& c : clumps) {
        const double shade = random.range(-0.15, 0.15);
        svg.circle(c[0], c[1], c[2],
                   svg.radialGradient(leaves.shade(0.35 + shade), 1.0, leaves.shade(-0.3 + shade), 1.0),
                   "stroke='" + leaves.shade(-0.6).hex() + "' stroke-width='2'");
    }
    render(svg, "data/textures/baum_laub.png");
}

} // namespace

void makeTrees()
{
    fir();
    broadleaf();
}

} // namespace Art
