// Blow the objects away: for each game the field's background (a yard of cobbles, a pond with
// a reed bank) with a marked strip along its edges where the objects come to rest, a sheet of
// its objects in 64 x 64 cells side by side, and one sheet of the wind puff shown at the pointer
// (two frames). The OBJEKT and MOUSE_ANI animations of the data name the cells in this order.
#include "ArtCommon.h"

#include <string>

namespace Art {

namespace {

constexpr double kCell = 64.0;

std::string outline(double width = 2.5)
{
    return "stroke='" + kInk.hex() + "' stroke-width='" + num(width) + "' stroke-linejoin='round'";
}

void edgeStrip(Svg& svg, const Colour& colour)
{
    const double w = svg.width(), h = svg.height();
    svg.rect(3, 3, w - 6, h - 6, "none", "stroke='" + colour.hex() + "' stroke-width='6' stroke-dasharray='18 10'");
}

void yard(Svg& svg)
{
    const double w = svg.width(), h = svg.height();
    svg.rect(0, 0, w, h, "#6e665c");
    Random random(21);
    for (double y = 0; y < h; y += 32) {
        const double shift = static_cast<int>(y / 32) % 2 ? 16 : 0;
        for (double x = -16 + shift; x < w; x += 32) {
            const int grey = static_cast<int>(random.range(128, 150));
            const Colour stone{grey + 6, grey, grey - 10};
            svg.rect(x + 2, y + 2, 28, 28, svg.litGradient(stone), "rx='7' stroke='#6e6458' stroke-width='1.5'");
        }
    }
    edgeStrip(svg, {120, 70, 40});
}

void pond(Svg& svg)
{
    const double w = svg.width(), h = svg.height();
    svg.rect(0, 0, w, h, svg.verticalGradient({80, 150, 200}, {40, 100, 160}));
    Random random(5);
    for (int k = 0; k < 40; ++k) {
        const double x = random.range(20, w - 20), y = random.range(20, h - 20);
        svg.path("M" + num(x) + " " + num(y) + " q10 -5 20 0", "none",
                 "stroke='#c8e6f5' stroke-width='2' opacity='0.6'");
    }
    edgeStrip(svg, {60, 120, 50});
}

void leaf(Svg& svg, double ox, const Colour& colour, int lobes)
{
    if (lobes > 0) {
        svg.path(star(ox + 32, 30, lobes, 26, 14), svg.litGradient(colour), outline());
    } else {
        svg.path("M" + num(ox + 8) + " 56 C" + num(ox + 6) + " 22 " + num(ox + 30) + " 8 " + num(ox + 58) + " 6 C" +
                     num(ox + 56) + " 36 " + num(ox + 40) + " 58 " + num(ox + 8) + " 56 Z",
                 svg.litGradient(colour), outline());
    }
    svg.path("M" + num(ox + 32) + " 34 L" + num(ox + 32) + " 60", "none", outline(3));
}

void leaves(Svg& svg)
{
    leaf(svg, 0, {210, 120, 40}, 5);
    leaf(svg, kCell, {190, 60, 40}, 0);
    leaf(svg, 2 * kCell, {220, 190, 60}, 7);
    // A feather.
    const double ox = 3 * kCell;
    svg.path("M" + num(ox + 10) + " 58 C" + num(ox + 14) + " 30 " + num(ox + 34) + " 10 " + num(ox + 56) + " 6 C" +
                 num(ox + 52) + " 30 " + num(ox + 36) + " 50 " + num(ox + 10) + " 58 Z",
             svg.litGradient({236, 236, 240}), outline());
}

void lilies(Svg& svg)
{
    for (int k = 0; k < 2; ++k) {
        const double ox = k * kCell;
        svg.path("M" + num(ox + 32) + " 32 L" + num(ox + 58) + " 24 A27 27 0 1 1 " + num(ox + 50) + " 12 Z",
                 svg.litGradient(k ? Colour{70, 150, 60} : Colour{90, 170, 70}), outline());
    }
    // A lily flower on its pad.
    svg.circle(2 * kCell + 32, 32, 26, svg.litGradient({80, 160, 70}), outline());
    svg.path(star(2 * kCell + 32, 32, 6, 20, 8), svg.litGradient({245, 200, 220}), outline(1.5));
    svg.circle(2 * kCell + 32, 32, 5, "#f0d040");
    // A duck seen from above.
    const double ox = 3 * kCell;
    svg.ellipse(ox + 30, 36, 20, 14, svg.litGradient({230, 220, 200}), outline());
    svg.circle(ox + 48, 24, 10, svg.litGradient({40, 120, 60}), outline());
    svg.path(polygon({{ox + 56, 22}, {ox + 63, 24}, {ox + 56, 28}}), "#f0a020", outline(1));
}

void puff(Svg& svg)
{
    for (int k = 0; k < 2; ++k) {
        const double ox = k * kCell, r = 10 + 4 * k;
        for (int i = 0; i < 3; ++i)
            svg.path("M" + num(ox + 32 - r - 6 * i) + " " + num(32 - 10 + 10 * i) + " a" + num(r + 6 * i) + " " +
                         num(r) + " 0 0 1 " + num(2 * (r + 6 * i)) + " 0",
                     "none", "stroke='#ffffff' stroke-width='4' stroke-linecap='round' opacity='0.85'");
    }
}

} // namespace

void makeWegblasenArt()
{
    Svg yardSvg(512, 384, "wh");
    yard(yardSvg);
    render(yardSvg, "data/Games/pusten_hof.png");
    Svg pondSvg(512, 384, "wt");
    pond(pondSvg);
    render(pondSvg, "data/Games/pusten_teich.png");
    Svg leafSheet(static_cast<int>(4 * kCell), static_cast<int>(kCell), "wl");
    leaves(leafSheet);
    render(leafSheet, "data/Games/pusten_laub.png");
    Svg lilySheet(static_cast<int>(4 * kCell), static_cast<int>(kCell), "wr");
    lilies(lilySheet);
    render(lilySheet, "data/Games/pusten_rosen.png");
    Svg puffSheet(static_cast<int>(2 * kCell), static_cast<int>(kCell), "wp");
    puff(puffSheet);
    render(puffSheet, "data/Games/pusten_wind.png");
}

} // namespace Art
