// The loading screen, the level backgrounds and the full-screen blends.
#include "ArtCommon.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace Art {

// The loading screen ("data/GUI/Loadscreen.gui"): a night sky over the hills with
// the golden emblem of the splash, and a wood-framed bar whose golden fill the
// progress window draws over it.
void makeLoadingScreen()
{
    Svg back(512, 384);
    back.rect(0, 0, 512, 384, back.verticalGradient({18, 26, 58}, {44, 62, 112}));
    back.circle(256, 150, 150, back.radialGradient({90, 110, 170}, 0.55, {40, 60, 110}, 0.0));
    Random random(77);
    for (int i = 0; i < 60; ++i) {
        const double x = random.range(0, 512), y = random.range(0, 250), r = random.range(0.6, 1.6);
        back.circle(x, y, r, "#fff4c8", "opacity='" + num(random.range(0.35, 0.9)) + "'");
    }
    const Colour hills[3] = {{38, 54, 70}, {28, 42, 50}, {20, 30, 34}};
    for (int layer = 0; layer < 3; ++layer) {
        const double base = 384 * (0.72 + 0.08 * layer), amplitude = 384 * (0.05 - 0.012 * layer);
        const double phase = random.range(0, 2 * M_PI);
        std::string d = "M0 384";
        for (int x = 0; x <= 32; ++x) {
            const double px = 512.0 * x / 32.0;
            d += " L" + num(px) + " " + num(base - amplitude * std::sin(phase + 2.3 * 2 * M_PI * x / 32.0));
        }
        back.path(d + " L512 384 Z", hills[layer].hex());
    }
    back.circle(256, 140, 70, "none", "stroke='" + kGold.hex() + "' stroke-width='6' opacity='0.9'");
    back.path(star(256, 140, 8, 60, 26), back.litGradient(kGold),
              "stroke='" + kGold.shade(-0.6).hex() + "' stroke-width='2'");
    back.circle(256, 140, 12, kParchment.hex(), "stroke='" + kGold.shade(-0.6).hex() + "' stroke-width='2'");
    render(back, "data/GUI/loadscreen_hintergrund.png");

    Svg bar(256, 32);
    roundedFrame(bar, 0, 0, 256, 32, 10, kWood, kInk.shade(0.15), 4);
    render(bar, "data/GUI/loadscreen_balken.png");
    Svg fill(256, 32);
    fill.rect(0, 0, 256, 32, fill.verticalGradient(kGold.shade(0.35), kGold.shade(-0.35)), "rx='6'");
    fill.rect(6, 4, 244, 7, "#ffffff", "rx='3' opacity='0.35'");
    render(fill, "data/GUI/loadscreen_fuellung.png");
}

// ---------------------------------------------------------------- scenes

// A landscape: sky, sun, clouds and three rows of hills, varied by seed.
void landscape(Svg& svg, unsigned seed, double dim)
{
    Random random(seed);
    const double w = svg.width(), h = svg.height();
    const double hue = random.next();
    const Colour skyTop = Colour{static_cast<int>(60 + 60 * hue), static_cast<int>(110 + 40 * hue), 200}.shade(-dim);
    const Colour skyLow = Colour{250, static_cast<int>(200 + 40 * hue), static_cast<int>(150 + 60 * hue)}.shade(-dim);
    svg.rect(0, 0, w, h, svg.verticalGradient(skyTop, skyLow));
    const double sunX = random.range(0.15, 0.85) * w, sunY = random.range(0.12, 0.35) * h;
    svg.circle(sunX, sunY, 0.16 * h, svg.radialGradient({255, 240, 180}, 0.8, {255, 220, 150}, 0.0));
    svg.circle(sunX, sunY, 0.05 * h, "#fff4c8");
    for (int c = 0; c < 4; ++c) {
        const double cx = random.range(0, w), cy = random.range(0.08, 0.4) * h, s = random.range(0.6, 1.3);
        for (int b = 0; b < 4; ++b)
            svg.ellipse(cx + (b - 1.5) * 18 * s, cy + (b % 2) * 5 * s, 24 * s, 12 * s, "#ffffff", "opacity='0.75'");
    }
    const Colour hills[3] = {Colour{110, 150, 120}.shade(-dim), Colour{80, 140, 70}.shade(-dim),
                             Colour{60, 110, 50}.shade(-dim)};
    for (int layer = 0; layer < 3; ++layer) {
        const double base = h * (0.55 + 0.13 * layer);
        const double amplitude = h * (0.08 - 0.015 * layer);
        const double phase = random.range(0, 2 * M_PI), frequency = random.range(1.5, 3.0);
        std::string d = "M0 " + num(h);
        for (int x = 0; x <= 32; ++x) {
            const double px = w * x / 32.0;
            const double py = base - amplitude * std::sin(phase + frequency * 2 * M_PI * x / 32.0) -
                              amplitude * 0.4 * std::sin(phase * 1.7 + 5.1 * 2 * M_PI * x / 32.0);
            d += " L" + num(px) + " " + num(py);
        }
        d += " L" + num(w) + " " + num(h) + " Z";
        svg.path(d, svg.verticalGradient(hills[layer].shade(0.15), hills[layer].shade(-0.25)));
    }
}

void placeBuilding(Svg& svg, int building, double x, double y, double scale, double phase)
{
    svg.beginGroup("transform='translate(" + num(x) + " " + num(y) + ") scale(" + num(scale) + ")'");
    drawBuilding(svg, kBuildings[building], 0, 0, phase, false);
    svg.endGroup();
}

void bird(Svg& svg, double x, double y, double size, const std::string& colour)
{
    const std::string arch = " q" + num(size) + " " + num(-size) + " " + num(2 * size) + " 0";
    svg.path("M" + num(x) + " " + num(y) + arch + arch, "none", "stroke='" + colour + "' stroke-width='2'");
}

void boat(Svg& svg, double x, double y, double size, const std::string& sail)
{
    const double s = size;
    svg.path(polygon({{x - 28 * s, y}, {x + 28 * s, y}, {x + 20 * s, y + 13 * s}, {x - 20 * s, y + 13 * s}}), "#8a5a2b",
             "stroke='#3a2414' stroke-width='1.5'");
    svg.rect(x - 1.5, y - 40 * s, 3, 40 * s, "#3a2414");
    svg.path(polygon({{x + 2, y - 38 * s}, {x + 24 * s, y - 8 * s}, {x + 2, y - 8 * s}}), sail,
             "stroke='#3a2414' stroke-width='1'");
}

void makeScenes()
{
    for (int i = 1; i <= 20; ++i) {
        Svg svg(512, 384);
        landscape(svg, static_cast<unsigned>(i), 0.0);
        render(svg, "data/Backgrounds/bg" + std::to_string(i) + ".png");
    }
    Svg board(512, 384);
    landscape(board, 100, 0.35);
    render(board, "data/textures/threematch_hg.png");

    Svg splash(512, 384);
    splash.rect(0, 0, 512, 384, splash.radialGradient({40, 60, 110}, 1.0, {10, 14, 30}, 1.0));
    splash.circle(256, 192, 110, "none", "stroke='" + kGold.hex() + "' stroke-width='10'");
    splash.path(star(256, 192, 8, 95, 40), splash.litGradient(kGold),
                "stroke='" + kGold.shade(-0.6).hex() + "' stroke-width='3'");
    splash.path(polygon({{206, 140}, {232, 140}, {256, 210}, {280, 140}, {306, 140}, {268, 250}, {244, 250}}),
                "#1a2340");
    render(splash, "data/textures/vindara.png");

    Svg falloff(256, 256);
    falloff.circle(128, 128, 128, falloff.radialGradient(kWhite, 1.0, kWhite, 0.0));
    render(falloff, "falloff.png");

    Svg black(16, 16);
    black.rect(0, 0, 16, 16, "#000000");
    render(black, "data/Menu/blend_schwarz.png");
    Svg white(16, 16);
    white.rect(0, 0, 16, 16, "#ffffff");
    render(white, "data/Menu/blend_weiss.png");
    Svg gradient(16, 256);
    gradient.rect(0, 0, 16, 256, gradient.verticalGradient(kBlack, kBlack, 0.0, 1.0));
    render(gradient, "data/Menu/blend_verlauf.png");
    Svg vignette(256, 256);
    vignette.rect(0, 0, 256, 256, vignette.radialGradient(kBlack, 0.0, kBlack, 0.8));
    render(vignette, "data/Menu/blend_vignette.png");
}

} // namespace Art
