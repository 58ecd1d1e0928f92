// The shifting-tile maze's pictures: one sheet of 96 x 96 garden tiles, each a hedge square with
// a gravel path leading out of the open sides (straight: top and bottom; bend: top and right;
// fork: top, right and bottom; crossing: all four), drawn unturned as the data's OFFENE_SEITEN
// name them; the arrow that pushes (pointing down into the board, open only at the bottom), the
// start marker (a green flag) and the goal marker (a gold star).
#include "ArtCommon.h"

#include <string>

namespace Art {

namespace {

const Colour kHedge{58, 112, 52};
const Colour kGravel{214, 196, 150};

void hedgeTile(Svg& svg, double x, const bool open[4], unsigned seed)
{
    svg.rect(x, 0, 96, 96, svg.litGradient(kHedge), "stroke='" + kHedge.shade(-0.6).hex() + "' stroke-width='2'");
    Random random(seed);
    for (int k = 0; k < 30; ++k)
        svg.circle(x + random.range(6, 90), random.range(6, 90), random.range(3, 6), kHedge.shade(0.25).hex(),
                   "opacity='0.6'");
    const std::string gravel = svg.litGradient(kGravel);
    const std::string edge = "stroke='" + kGravel.shade(-0.45).hex() + "' stroke-width='2'";
    svg.rect(x + 30, 30, 36, 36, gravel, edge);
    if (open[0])
        svg.rect(x + 30, 0, 36, 48, gravel, edge);
    if (open[1])
        svg.rect(x + 48, 30, 48, 36, gravel, edge);
    if (open[2])
        svg.rect(x + 30, 48, 36, 48, gravel, edge);
    if (open[3])
        svg.rect(x, 30, 48, 36, gravel, edge);
    svg.rect(x + 32, 32, 32, 32, gravel);
    for (int k = 0; k < 14; ++k)
        svg.circle(x + random.range(34, 62), random.range(34, 62), 1.6, kGravel.shade(-0.3).hex());
}

} // namespace

void makeLabyrinthArt()
{
    Svg sheet(96 * 4, 96);
    const bool straight[4] = {true, false, true, false}, bend[4] = {true, true, false, false},
               fork[4] = {true, true, true, false}, cross[4] = {true, true, true, true};
    hedgeTile(sheet, 0, straight, 1);
    hedgeTile(sheet, 96, bend, 2);
    hedgeTile(sheet, 192, fork, 3);
    hedgeTile(sheet, 288, cross, 4);
    render(sheet, "data/Games/labyrinth_kacheln.png");

    Svg arrow(96, 96);
    arrow.rect(6, 6, 84, 84, arrow.radialGradient({250, 236, 200}, 1.0, {200, 170, 120}, 1.0),
               "rx='14' stroke='" + kInk.hex() + "' stroke-width='2.5'");
    arrow.path(polygon({{34, 18}, {62, 18}, {62, 48}, {78, 48}, {48, 82}, {18, 48}, {34, 48}}),
               arrow.litGradient(kWood), "stroke='" + kInk.hex() + "' stroke-width='2.5' stroke-linejoin='round'");
    render(arrow, "data/Games/labyrinth_pfeil.png");

    Svg flag(96, 96);
    flag.circle(48, 48, 40, flag.radialGradient({190, 255, 190}, 0.9, {40, 170, 60}, 0.7));
    flag.path("M36 80 L36 16", "none", "stroke='" + kInk.hex() + "' stroke-width='5' stroke-linecap='round'");
    flag.path(polygon({{38, 16}, {76, 28}, {38, 42}}), flag.litGradient({40, 190, 70}),
              "stroke='" + kInk.hex() + "' stroke-width='2.5' stroke-linejoin='round'");
    render(flag, "data/Games/labyrinth_start.png");

    Svg goal(96, 96);
    goal.circle(48, 48, 40, goal.radialGradient({255, 244, 190}, 0.9, {240, 190, 60}, 0.7));
    goal.path(star(48, 50, 5, 34, 14), goal.litGradient(kGold),
              "stroke='" + kGold.shade(-0.6).hex() + "' stroke-width='2.5'");
    render(goal, "data/Games/labyrinth_ziel.png");
}

} // namespace Art
