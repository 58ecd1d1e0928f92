// The town: each building's animation strip, grey preview and large picture, the well and the
// catastrophes.
#include "ArtCommon.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace Art {

// ---------------------------------------------------------------- town

const Building kBuildings[8] = {
    {"haus", {226, 206, 170}, {170, 60, 40}, 60, 40, Feature::Chimney},
    {"muehle", {214, 200, 178}, {120, 80, 50}, 40, 50, Feature::Blades},
    {"schmiede", {140, 130, 120}, {70, 70, 80}, 70, 38, Feature::Chimney},
    {"markt", {236, 220, 180}, {60, 120, 170}, 80, 34, Feature::Awning},
    {"kirche", {230, 226, 214}, {90, 90, 110}, 50, 48, Feature::Bell},
    {"burg", {160, 160, 168}, {110, 110, 120}, 84, 50, Feature::Tower},
    {"hafen", {180, 140, 100}, {60, 90, 130}, 76, 32, Feature::Mast},
    {"bauernhof", {200, 90, 60}, {120, 70, 40}, 72, 40, Feature::Silo},
};

// One frame of a building standing on the bottom edge of its 128 x 128 cell; phase 0..1
// moves its animated part (smoke, blades, flag, ...).
void drawBuilding(Svg& svg, const Building& b, double ox, double oy, double phase, bool preview)
{
    const double ground = oy + 120, cx = ox + 64;
    const double left = cx - b.width / 2, top = ground - b.height;
    const std::string line = "stroke='" + kInk.hex() + "' stroke-width='1.5' stroke-linejoin='round'";
    const Colour wall = preview ? Colour{150, 150, 150} : b.wall;
    const Colour roof = preview ? Colour{110, 110, 110} : b.roof;
    svg.ellipse(cx + 4, ground + 2, b.width * 0.62, 5, "#000000", "opacity='0.3'");

    if (b.feature == Feature::Tower || b.feature == Feature::Bell || b.feature == Feature::Silo) {
        const double tx = b.feature == Feature::Silo ? left + b.width - 6 : left - 4;
        const double th = b.height + 30;
        svg.rect(tx, ground - th, 22, th, svg.litGradient(wall), line);
        svg.path(polygon({{tx - 3, ground - th}, {tx + 11, ground - th - 22}, {tx + 25, ground - th}}),
                 svg.litGradient(roof), line);
        if (b.feature == Feature::Bell && !preview)
            svg.circle(tx + 11, ground - th + 10 + 2 * std::sin(2 * M_PI * phase), 4, kGold.hex(), line);
    }
    svg.rect(left, top, b.width, b.height, svg.litGradient(wall), line);
    svg.path(polygon({{left - 6, top}, {cx, top - b.height * 0.6}, {left + b.width + 6, top}}), svg.litGradient(roof),
             line);
    svg.rect(cx - 6, ground - 18, 12, 18, wall.shade(-0.55).hex(), "rx='5' " + line);
    for (double wx : {left + 8.0, left + b.width - 18.0})
        svg.rect(wx, top + 8, 10, 10, preview ? "#808080" : "#ffe9a0", line);

    // The grey card keeps what tells a building apart at a glance: the mill's sails (without
    // them its high roof read as a tower); smoke, flags and bells are left to the picture.
    if (preview && b.feature != Feature::Blades)
        return;
    switch (b.feature) {
    case Feature::Chimney: {
        const double chx = left + b.width * 0.72, chy = top - b.height * 0.35;
        svg.rect(chx, chy - 12, 9, 16, svg.litGradient({150, 70, 50}), line);
        for (int k = 0; k < 3; ++k) {
            const double t = std::fmod(phase + k / 3.0, 1.0);
            svg.circle(chx + 5 + 8 * t, chy - 16 - 30 * t, 4 + 6 * t, "#d0d0d0",
                       "opacity='" + num(0.8 * (1 - t)) + "'");
        }
        break;
    }
    case Feature::Blades: {
        const double hx = cx, hy = top - b.height * 0.45;
        const double angle = 90.0 * phase;
        svg.beginGroup("transform='rotate(" + num(angle) + " " + num(hx) + " " + num(hy) + ")'");
        for (int k = 0; k < 4; ++k) {
            svg.beginGroup("transform='rotate(" + num(90.0 * k) + " " + num(hx) + " " + num(hy) + ")'");
            svg.rect(hx - 2, hy - 40, 4, 40, preview ? "#707070" : kWood.hex(), line);
            svg.rect(hx + 2, hy - 38, 9, 30, preview ? "#c8c8c8" : kParchment.hex(), line);
            svg.endGroup();
        }
        svg.endGroup();
        svg.circle(hx, hy, 4, preview ? "#606060" : kWood.shade(-0.3).hex(), line);
        break;
    }
    case Feature::Tower:
    case Feature::Flag:
    case Feature::Mast: {
        const double fx = b.feature == Feature::Mast ? left + b.width + 4 : left + 7;
        const double fy = b.feature == Feature::Mast ? ground - b.height - 50 : ground - b.height - 72;
        svg.rect(fx - 1, fy, 2, b.feature == Feature::Mast ? b.height + 50 : 22, kInk.hex());
        const double wave = 3 * std::sin(2 * M_PI * phase);
        svg.path("M" + num(fx + 1) + " " + num(fy) + " Q" + num(fx + 9) + " " + num(fy - 3 + wave) + " " +
                     num(fx + 18) + " " + num(fy + 1) + " L" + num(fx + 18) + " " + num(fy + 11) + " Q" + num(fx + 9) +
                     " " + num(fy + 8 + wave) + " " + num(fx + 1) + " " + num(fy + 10) + " Z",
                 svg.litGradient({200, 40, 40}), line);
        break;
    }
    case Feature::Awning:
        for (int k = 0; k < 5; ++k) {
            const double sx = left + k * b.width / 5;
            svg.rect(sx, top + 22, b.width / 5, 8 + 1.5 * std::sin(2 * M_PI * (phase + k * 0.2)),
                     k % 2 ? "#ffffff" : "#c83c3c", line);
        }
        break;
    default:
        break;
    }
}

// The well the market brings along, in a 64 x 64 frame: a round stone shaft under a small
// wooden roof, its bucket swinging on the rope; phase 0..1 swings the bucket and moves the
// glint on the water.
void drawWell(Svg& svg, double ox, double oy, double phase, bool preview)
{
    const std::string line = "stroke='" + kInk.hex() + "' stroke-width='1.2' stroke-linejoin='round'";
    const Colour stone = preview ? Colour{150, 150, 150} : Colour{168, 160, 150};
    const Colour wood = preview ? Colour{120, 120, 120} : kWood;
    const Colour roof = preview ? Colour{110, 110, 110} : Colour{170, 60, 40};
    svg.ellipse(ox + 33, oy + 60, 22, 3.5, "#000000", "opacity='0.3'");
    // Posts and roof.
    svg.rect(ox + 13, oy + 16, 4, 30, svg.litGradient(wood), line);
    svg.rect(ox + 47, oy + 16, 4, 30, svg.litGradient(wood), line);
    svg.path(polygon({{ox + 7, oy + 19}, {ox + 32, oy + 4}, {ox + 57, oy + 19}}), svg.litGradient(roof), line);
    svg.rect(ox + 15, oy + 21, 34, 3, wood.shade(-0.3).hex(), line);
    // Rope and bucket.
    const double swing = preview ? 0.0 : 3.0 * std::sin(2 * M_PI * phase);
    svg.path("M" + num(ox + 32) + " " + num(oy + 24) + " L" + num(ox + 32 + swing) + " " + num(oy + 33), "none",
             "stroke='#5a4630' stroke-width='1'");
    svg.path(polygon({{ox + 28 + swing, oy + 33},
                      {ox + 36 + swing, oy + 33},
                      {ox + 35 + swing, oy + 39},
                      {ox + 29 + swing, oy + 39}}),
             svg.litGradient(wood), line);
    // The shaft: its water behind the rim, then the stones in front.
    svg.ellipse(ox + 32, oy + 42, 18, 5, preview ? "#6a6a6a" : svg.verticalGradient({90, 150, 220}, {40, 80, 150}),
                line);
    if (!preview)
        svg.ellipse(ox + 24 + 16 * phase, oy + 41.5, 3, 1, "#ffffff", "opacity='0.8'");
    svg.path("M" + num(ox + 14) + " " + num(oy + 42) + " L" + num(ox + 14) + " " + num(oy + 56) + " A18 5 0 0 0 " +
                 num(ox + 50) + " " + num(oy + 56) + " L" + num(ox + 50) + " " + num(oy + 42) + " A18 5 0 0 1 " +
                 num(ox + 14) + " " + num(oy + 42) + " Z",
             svg.litGradient(stone), line);
    for (double y : {47.0, 52.0})
        svg.path("M" + num(ox + 14) + " " + num(oy + y) + " A18 5 0 0 0 " + num(ox + 50) + " " + num(oy + y), "none",
                 "stroke='" + stone.shade(-0.35).hex() + "' stroke-width='0.8'");
}

void makeTown()
{
    for (const Building& b : kBuildings) {
        const std::string base = std::string("data/Gebaeude/") + b.file;
        Svg strip(512, 128);
        for (int f = 0; f < 4; ++f)
            drawBuilding(strip, b, 128.0 * f, 0, f / 4.0, false);
        render(strip, base + "_animation.png");
        Svg preview(128, 128);
        drawBuilding(preview, b, 0, 0, 0, true);
        render(preview, base + "_vorschau.png");
        // The building alone on a clear ground: the light show turns its opaque texels into
        // lights, and the town's panels lay it over their own background.
        Svg big(256, 256);
        big.beginGroup("transform='scale(2)'");
        drawBuilding(big, b, 0, -8, 0, false);
        big.endGroup();
        render(big, base + "_vorschau_big.png");
    }
    Svg well(256, 64);
    for (int f = 0; f < 4; ++f)
        drawWell(well, 64.0 * f, 0, f / 4.0, false);
    render(well, "data/Gebaeude/brunnen_animation.png");
    Svg wellPreview(64, 64);
    drawWell(wellPreview, 0, 0, 0, true);
    render(wellPreview, "data/Gebaeude/brunnen_vorschau.png");

    // Catastrophes: one picture each, 256 x 192.
    const char* names[4] = {"feuer", "sturm", "flut", "duerre"};
    for (int k = 0; k < 4; ++k) {
        Svg svg(256, 192);
        const Colour sky[4] = {{90, 40, 30}, {50, 60, 80}, {70, 90, 120}, {230, 180, 90}};
        svg.rect(0, 0, 256, 192, svg.verticalGradient(sky[k], sky[k].shade(0.4)));
        svg.rect(0, 150, 256, 42, svg.verticalGradient({110, 140, 70}, {70, 100, 40}));
        svg.beginGroup("transform='translate(64 34)'");
        drawBuilding(svg, kBuildings[0], 0, 0, 0, false);
        svg.endGroup();
        Random random(static_cast<unsigned>(900 + k));
        switch (k) {
        case 0:
            for (int i = 0; i < 7; ++i) {
                const double x = 96 + random.range(0, 64), h = random.range(30, 60);
                svg.path("M" + num(x - 10) + " 150 Q" + num(x - 6) + " " + num(150 - h * 0.6) + " " + num(x) + " " +
                             num(150 - h) + " Q" + num(x + 6) + " " + num(150 - h * 0.6) + " " + num(x + 10) + " 150 Z",
                         svg.verticalGradient({255, 230, 80}, {230, 60, 20}), "opacity='0.9'");
            }
            break;
        case 1:
            for (int i = 0; i < 5; ++i)
                svg.ellipse(random.range(0, 256), random.range(10, 50), 50, 18, "#30384a", "opacity='0.9'");
            svg.path(polygon({{150, 40}, {132, 90}, {146, 90}, {128, 140}, {164, 80}, {150, 80}, {166, 40}}),
                     "#fff27a");
            break;
        case 2: {
            std::string d = "M0 192 L0 132";
            for (int x = 0; x <= 256; x += 16)
                d += " Q" + num(x + 8) + " " + num(124 + 6 * ((x / 16) % 2)) + " " + num(x + 16) + " 132";
            d += " L256 192 Z";
            svg.path(d, svg.verticalGradient({90, 150, 220}, {30, 70, 140}), "opacity='0.85'");
            break;
        }
        default:
            svg.circle(200, 40, 26, "#fff2b0");
            for (int i = 0; i < 9; ++i) {
                const double x = random.range(0, 256), y = random.range(155, 190);
                svg.path("M" + num(x) + " " + num(y) + " l8 4 l-4 6", "none", "stroke='#6a4a20' stroke-width='1.5'");
            }
            break;
        }
        render(svg, std::string("data/Katastrophen/") + names[k] + ".png");
    }
}

} // namespace Art
