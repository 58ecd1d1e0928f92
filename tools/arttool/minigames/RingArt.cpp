// The rings' pictures: a round scene of 256 pixels cut into concentric rings. Each ring is a
// picture of its own, square with the side of its outer diameter and transparent outside the
// ring, so that the game can turn it about its middle. A ring with a second frame glows gold
// in it (played once the ring and those around it stand right). The background is a stone
// wall with a dark round recess for the rings.
#include "ArtCommon.h"

#include <string>
#include <vector>

namespace Art {

namespace {

constexpr double kRadius = 128.0;

struct RoundPicture {
    const char* name;
    unsigned seed;
    int building;
    bool water;
    std::vector<double> radii; // ring edges from the middle out
    int glowing;               // the ring with a second, glowing frame
};

const RoundPicture kPictures[] = {
    {"dorf", 61, 1, false, {0, 40, 72, 102, 128}, 1},
    {"see", 73, 6, true, {0, 34, 62, 90, 128}, 0},
};

std::string circlePath(double cx, double cy, double r)
{
    if (r <= 0.0)
        return "";
    return "M" + num(cx - r) + " " + num(cy) + " a" + num(r) + " " + num(r) + " 0 1 0 " + num(2 * r) + " 0 a" + num(r) +
           " " + num(r) + " 0 1 0 " + num(-2 * r) + " 0 Z ";
}

void scene(Svg& svg, const RoundPicture& picture)
{
    landscape(svg, picture.seed, 0.0);
    const double w = svg.width(), h = svg.height();
    if (picture.water) {
        svg.rect(0, h * 0.66, w, h * 0.34, svg.verticalGradient({70, 130, 200}, {30, 70, 130}));
        for (int k = 0; k < 6; ++k)
            svg.path("M" + num(w * (0.1 + 0.14 * k)) + " " + num(h * (0.74 + 0.06 * (k % 3))) + " q7 -4 14 0 q7 4 14 0",
                     "none", "stroke='#ffffff' stroke-width='2' opacity='0.7'");
        boat(svg, w * 0.3, h * 0.8, 0.75, "#d04030");
    } else {
        svg.path("M" + num(w * 0.5) + " " + num(h) + " Q" + num(w * 0.3) + " " + num(h * 0.8) + " " + num(w * 0.5) +
                     " " + num(h * 0.64),
                 "none", "stroke='#d8bc84' stroke-width='8'");
    }
    placeBuilding(svg, picture.building, w * 0.5 - 64 * 1.1, h * 0.2, 1.1, 0.2);
    for (int g = 0; g < 3; ++g)
        bird(svg, w * (0.2 + 0.22 * g), h * (0.12 + 0.05 * (g % 2)), 5, "#2a2a34");
    // An arrow at the top of the rim, and marks down the middle, line up when the rings stand right.
    svg.path("M" + num(kRadius) + " 4 L" + num(kRadius) + " " + num(kRadius), "none",
             "stroke='#ffffff' stroke-width='2' stroke-dasharray='6 4' opacity='0.8'");
    svg.path(polygon({{kRadius - 9, 4}, {kRadius + 9, 4}, {kRadius, 20}}), "#c02828",
             "stroke='#3a1010' stroke-width='1'");
}

// One ring: the scene clipped to the ring, in a square of its outer diameter; frames side by
// side (the second glowing).
void ring(const RoundPicture& picture, size_t k, int frames)
{
    const double inner = picture.radii[k], outer = picture.radii[k + 1];
    const double side = 2 * outer;
    Svg sheet(static_cast<int>(side) * frames, static_cast<int>(side));
    Svg round(static_cast<int>(2 * kRadius), static_cast<int>(2 * kRadius), "r");
    scene(round, picture);
    sheet.defineGroup(round, "scene");
    for (int f = 0; f < frames; ++f) {
        const double ox = f * side, cx = ox + outer, cy = outer;
        const std::string clip = "ring" + std::to_string(f);
        sheet.addDef("<clipPath id='" + clip + "'><path clip-rule='evenodd' d='" + circlePath(cx, cy, outer) +
                     circlePath(cx, cy, inner) + "'/></clipPath>");
        sheet.beginGroup("clip-path='url(#" + clip + ")'");
        sheet.add("<use href='#scene' transform='translate(" + num(cx - kRadius) + " " + num(cy - kRadius) + ")'/>");
        if (f == 1)
            sheet.rect(ox, 0, side, side, sheet.radialGradient({255, 236, 140}, 0.2, {255, 200, 60}, 0.65));
        sheet.endGroup();
        sheet.path(circlePath(cx, cy, outer - 1.2) + circlePath(cx, cy, inner + 1.2), "none",
                   "stroke='" + kInk.hex() + "' stroke-width='2.4' opacity='0.8'");
    }
    render(sheet, "data/Games/ring_" + std::string(picture.name) + "_" + std::to_string(k) + ".png");
}

void background()
{
    Svg svg(256, 256);
    svg.rect(0, 0, 256, 256, svg.litGradient({150, 140, 128}));
    Random random(5);
    for (int row = 0; row < 8; ++row) {
        for (int b = 0; b < 5; ++b) {
            const double x = b * 56 - (row % 2) * 28, y = row * 32;
            svg.rect(x + 2, y + 2, 52, 28, Colour{150, 140, 128}.shade(random.range(-0.2, 0.15)).hex(),
                     "rx='4' stroke='#5a5048' stroke-width='1.5'");
        }
    }
    svg.circle(128, 128, 127, "#1c1814", "stroke='" + kGold.shade(-0.3).hex() + "' stroke-width='2'");
    render(svg, "data/Games/ring_hintergrund.png");
}

} // namespace

void makeRingArt()
{
    background();
    for (const RoundPicture& picture : kPictures) {
        for (size_t k = 0; k + 1 < picture.radii.size(); ++k)
            ring(picture, k, static_cast<int>(k) == picture.glowing ? 2 : 1);
    }
}

} // namespace Art
