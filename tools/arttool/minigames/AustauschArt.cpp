// The swapping tiles' pictures: one scene per game, cut by the data into square tiles of 96
// pixels. Each tile carries a thin frame, so that a tile out of place shows its edges.
#include "ArtCommon.h"

#include <string>

namespace Art {

namespace {

constexpr int kTile = 96;

// The harbour: sea, a quay with the harbour house and the castle above, boats and gulls.
void hafen(Svg& svg)
{
    landscape(svg, 21, 0.0);
    const double w = svg.width(), h = svg.height();
    svg.rect(0, h * 0.7, w, h * 0.3, svg.verticalGradient({60, 120, 190}, {24, 60, 120}));
    for (int k = 0; k < 8; ++k)
        svg.path("M" + num(w * (0.04 + 0.12 * k)) + " " + num(h * (0.76 + 0.05 * (k % 3))) + " q8 -5 16 0 q8 5 16 0",
                 "none", "stroke='#ffffff' stroke-width='2' opacity='0.6'");
    svg.rect(w * 0.45, h * 0.66, w * 0.55, h * 0.06, "#9a8a70", "stroke='#3a2a1a' stroke-width='1.5'");
    placeBuilding(svg, 6, w * 0.62, h * 0.22, 1.1, 0.2);
    placeBuilding(svg, 5, w * 0.05, h * 0.12, 1.2, 0.6);
    for (int b = 0; b < 2; ++b)
        boat(svg, w * (0.18 + 0.34 * b), h * (0.84 + 0.06 * b), 1.0, b ? "#f2e6c8" : "#d04030");
    for (int g = 0; g < 4; ++g)
        bird(svg, w * (0.3 + 0.1 * g), h * (0.1 + 0.05 * (g % 2)), 6, "#3a3a44");
}

// The market square: stalls under awnings before the church, a well in the middle.
void markt(Svg& svg)
{
    landscape(svg, 34, 0.0);
    const double w = svg.width(), h = svg.height();
    svg.rect(0, h * 0.62, w, h * 0.38, svg.verticalGradient({200, 180, 140}, {150, 130, 100}));
    for (int row = 0; row < 4; ++row)
        svg.path("M0 " + num(h * (0.68 + 0.08 * row)) + " L" + num(w) + " " + num(h * (0.68 + 0.08 * row)), "none",
                 "stroke='#8a7a60' stroke-width='1' opacity='0.6'");
    placeBuilding(svg, 4, w * 0.3, h * 0.08, 1.15, 0.1);
    for (int k = 0; k < 2; ++k)
        placeBuilding(svg, 3, w * (k ? 0.56 : -0.04), h * 0.42, 0.9, 0.3 + 0.4 * k);
    svg.ellipse(w * 0.5, h * 0.86, 30, 11, "#707078", "stroke='#2a2a30' stroke-width='2'");
    svg.ellipse(w * 0.5, h * 0.84, 22, 7, "#3060a0");
    svg.path("M" + num(w * 0.5 - 26) + " " + num(h * 0.84) + " L" + num(w * 0.5 - 26) + " " + num(h * 0.7) + " L" +
                 num(w * 0.5 + 26) + " " + num(h * 0.7) + " L" + num(w * 0.5 + 26) + " " + num(h * 0.84),
             "none", "stroke='#5a3a20' stroke-width='3'");
    svg.path(polygon({{w * 0.5 - 32, h * 0.71}, {w * 0.5, h * 0.6}, {w * 0.5 + 32, h * 0.71}}), "#a04030",
             "stroke='#3a1a10' stroke-width='1.5'");
}

void tiles(const std::string& file, int columns, int rows, void (*scene)(Svg&))
{
    Svg sheet(columns * kTile, rows * kTile);
    scene(sheet);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c)
            sheet.rect(c * kTile + 1, r * kTile + 1, kTile - 2, kTile - 2, "none",
                       "stroke='" + kInk.hex() + "' stroke-width='2' opacity='0.7'");
    }
    render(sheet, "data/Games/" + file);
}

} // namespace

void makeAustauschArt()
{
    tiles("austausch_hafen.png", 4, 3, &hafen);
    tiles("austausch_markt.png", 3, 3, &markt);
}

} // namespace Art
