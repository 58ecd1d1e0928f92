// Connect the dots' pictures: a night sky over a village (the stars the player joins lie on
// it as dots of their own, so the picture gives nothing away), a sheet of parchment for the
// house drawn in one stroke, and the two dot sprites: a glowing star and an ink blot with a
// gold rim.
#include "ArtCommon.h"

#include <cmath>
#include <string>

namespace Art {

namespace {

void nightSky(Svg& svg)
{
    svg.rect(0, 0, 480, 360, svg.verticalGradient({10, 16, 48}, {42, 56, 110}));
    Random random(31);
    for (int k = 0; k < 90; ++k)
        svg.circle(random.range(0, 480), random.range(0, 300), random.range(0.5, 1.6), "#ffffff",
                   "opacity='" + num(random.range(0.3, 0.9)) + "'");
    svg.circle(70, 60, 26, svg.radialGradient({255, 252, 230}, 1.0, {230, 220, 170}, 1.0));
    svg.circle(82, 52, 24, "#0e1538");
    svg.path("M0 330 Q120 300 240 320 T480 310 L480 360 L0 360 Z", "#12182a");
    for (int k = 0; k < 6; ++k) {
        const double x = 30 + 75 * k, h = 22 + 8 * (k % 3);
        svg.rect(x, 326 - h, 34, h + 10, "#1a2238");
        svg.path(polygon({{x - 4, 326 - h}, {x + 17, 308 - h}, {x + 38, 326 - h}}), "#1a2238");
        svg.rect(x + 12, 334 - h, 8, 8, "#f0c860", "opacity='0.8'");
    }
}

void parchment(Svg& svg)
{
    svg.rect(0, 0, 480, 360, svg.radialGradient(kParchment, 1.0, kParchment.shade(-0.18), 1.0));
    Random random(47);
    for (int k = 0; k < 40; ++k)
        svg.circle(random.range(0, 480), random.range(0, 360), random.range(4, 16), kParchment.shade(-0.12).hex(),
                   "opacity='0.35'");
    svg.rect(8, 8, 464, 344, "none", "stroke='" + kWood.hex() + "' stroke-width='4' rx='6'");
}

} // namespace

void makePunkteverbindenArt()
{
    Svg sky(480, 360);
    nightSky(sky);
    render(sky, "data/Games/punkte_himmel.png");

    Svg paper(480, 360);
    parchment(paper);
    render(paper, "data/Games/punkte_pergament.png");

    Svg dots(128, 64);
    dots.circle(32, 32, 30, dots.radialGradient({255, 250, 210}, 0.9, {120, 160, 255}, 0.0));
    dots.path(star(32, 32, 5, 22, 9), dots.radialGradient({255, 255, 255}, 1.0, {255, 226, 120}, 1.0),
              "stroke='#c08a20' stroke-width='1.5'");
    dots.circle(96, 32, 22, dots.radialGradient(kGold.shade(0.4), 1.0, kGold.shade(-0.3), 1.0),
                "stroke='" + kInk.hex() + "' stroke-width='2'");
    dots.circle(96, 32, 12, kInk.hex());
    render(dots, "data/Games/punkte_punkte.png");
}

} // namespace Art
