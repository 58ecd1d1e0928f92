// The sliding tiles' pictures: one sheet of 96 x 96 tiles (crates, barrels, hay, stone,
// sacks and a flower box: things stacked in a yard) and the goal marker, a gold star on a
// glowing square that shows where the gap must go.
#include "ArtCommon.h"

#include <string>

namespace Art {

namespace {

void tileBase(Svg& svg, double x, const Colour& colour)
{
    svg.rect(x + 3, 3, 90, 90, svg.litGradient(colour), "rx='8' stroke='" + kInk.hex() + "' stroke-width='2'");
    svg.rect(x + 8, 8, 80, 80, "none", "rx='5' stroke='#ffffff' stroke-width='1.5' opacity='0.35'");
}

void crate(Svg& svg, double x)
{
    const Colour wood{176, 120, 64};
    tileBase(svg, x, wood);
    const std::string line = "stroke='" + wood.shade(-0.55).hex() + "' stroke-width='4'";
    svg.path("M" + num(x + 12) + " 12 L" + num(x + 84) + " 84 M" + num(x + 84) + " 12 L" + num(x + 12) + " 84", "none",
             line);
    for (double y : {30.0, 48.0, 66.0})
        svg.path("M" + num(x + 10) + " " + num(y) + " L" + num(x + 86) + " " + num(y), "none",
                 "stroke='" + wood.shade(-0.35).hex() + "' stroke-width='1.2'");
}

void barrel(Svg& svg, double x)
{
    const Colour wood{150, 96, 52};
    svg.rect(x + 3, 3, 90, 90, svg.verticalGradient({92, 120, 70}, {70, 96, 54}), "rx='8'");
    svg.circle(x + 48, 48, 38, svg.radialGradient(wood.shade(0.3), 1.0, wood.shade(-0.3), 1.0),
               "stroke='" + kInk.hex() + "' stroke-width='2'");
    for (double r : {30.0, 20.0})
        svg.circle(x + 48, 48, r, "none", "stroke='#5a5a60' stroke-width='3'");
    svg.circle(x + 48, 48, 5, kInk.hex());
}

void hay(Svg& svg, double x)
{
    const Colour straw{226, 196, 96};
    tileBase(svg, x, straw);
    Random random(static_cast<unsigned>(x) + 5);
    for (int k = 0; k < 26; ++k) {
        const double px = x + random.range(12, 84), py = random.range(12, 84);
        svg.path("M" + num(px) + " " + num(py) + " l" + num(random.range(-8, 8)) + " " + num(random.range(4, 9)),
                 "none", "stroke='" + straw.shade(-0.4).hex() + "' stroke-width='1.3'");
    }
    for (double y : {34.0, 62.0})
        svg.rect(x + 6, y, 84, 5, "#8a3a24", "stroke='" + kInk.hex() + "' stroke-width='1'");
}

void stone(Svg& svg, double x)
{
    const Colour grey{150, 150, 156};
    tileBase(svg, x, grey);
    const std::string line = "stroke='" + grey.shade(-0.5).hex() + "' stroke-width='2'";
    svg.path("M" + num(x + 6) + " 34 L" + num(x + 90) + " 34 M" + num(x + 6) + " 62 L" + num(x + 90) + " 62", "none",
             line);
    for (double bx : {36.0, 66.0})
        svg.path("M" + num(x + bx) + " 6 L" + num(x + bx) + " 34", "none", line);
    for (double bx : {22.0, 52.0, 80.0})
        svg.path("M" + num(x + bx) + " 34 L" + num(x + bx) + " 62", "none", line);
    for (double bx : {36.0, 66.0})
        svg.path("M" + num(x + bx) + " 62 L" + num(x + bx) + " 90", "none", line);
}

void sacks(Svg& svg, double x)
{
    const Colour cloth{214, 200, 160};
    svg.rect(x + 3, 3, 90, 90, svg.verticalGradient({120, 90, 60}, {96, 70, 46}), "rx='8'");
    for (int k = 0; k < 3; ++k) {
        const double cx = x + 26 + 22 * k, cy = 40 + 20 * (k % 2);
        svg.ellipse(cx, cy, 20, 28, svg.litGradient(cloth), "stroke='" + kInk.hex() + "' stroke-width='1.6'");
        svg.path("M" + num(cx - 8) + " " + num(cy - 22) + " L" + num(cx + 8) + " " + num(cy - 22), "none",
                 "stroke='#6b4a2a' stroke-width='3'");
    }
}

void flowers(Svg& svg, double x)
{
    tileBase(svg, x, {120, 80, 44});
    svg.rect(x + 10, 40, 76, 44, "#5a3c20");
    const char* petals[] = {"#e04848", "#f0c030", "#e070c0", "#f4f4f4"};
    for (int k = 0; k < 4; ++k) {
        const double cx = x + 22 + 17 * k, cy = 34 + 8 * (k % 2);
        svg.path("M" + num(cx) + " " + num(cy) + " L" + num(cx) + " 60", "none", "stroke='#3a7a30' stroke-width='3'");
        svg.path(star(cx, cy, 5, 11, 5), petals[k], "stroke='" + kInk.hex() + "' stroke-width='1'");
        svg.circle(cx, cy, 3, "#f8e060");
    }
}

} // namespace

void makeSchiebepuzzleArt()
{
    Svg sheet(96 * 6, 96);
    crate(sheet, 0);
    barrel(sheet, 96);
    hay(sheet, 192);
    stone(sheet, 288);
    sacks(sheet, 384);
    flowers(sheet, 480);
    render(sheet, "data/Games/schiebepuzzle_kacheln.png");

    Svg goal(96, 96);
    goal.rect(0, 0, 96, 96, goal.radialGradient({255, 240, 170}, 1.0, {240, 190, 60}, 0.9), "rx='10'");
    goal.rect(4, 4, 88, 88, "none", "rx='8' stroke='" + kGold.shade(-0.5).hex() + "' stroke-width='4'");
    goal.path(star(48, 50, 5, 34, 14), goal.litGradient(kGold),
              "stroke='" + kGold.shade(-0.6).hex() + "' stroke-width='2.5'");
    render(goal, "data/Games/schiebepuzzle_ziel.png");
}

} // namespace Art
