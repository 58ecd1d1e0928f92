// Find the shown object: one sheet of shapes, each in a 96 x 96 cell side by side, drawn in
// their own colours with a dark outline. The play window tints them all with one colour, so
// each shape must be told apart by its outline alone. The FORM animations of the data name the
// cells in this order.
#include "ArtCommon.h"

#include <functional>
#include <string>
#include <vector>

namespace Art {

namespace {

constexpr double kCell = 96.0;

std::string outline()
{
    return "stroke='" + kInk.hex() + "' stroke-width='3' stroke-linejoin='round'";
}

using Shape = std::function<void(Svg&, double ox)>;

const std::vector<Shape>& shapes()
{
    static const std::vector<Shape> all = {
        // 0 star
        [](Svg& s, double ox) {
            s.path(star(ox + 48, 50, 5, 42, 18), s.litGradient({240, 196, 40}), outline());
        },
        // 1 heart
        [](Svg& s, double ox) {
            s.path("M" + num(ox + 48) + " 86 C" + num(ox + 4) + " 56 " + num(ox + 8) + " 14 " + num(ox + 48) + " 32 C" +
                       num(ox + 88) + " 14 " + num(ox + 92) + " 56 " + num(ox + 48) + " 86 Z",
                   s.litGradient({214, 52, 60}), outline());
        },
        // 2 moon
        [](Svg& s, double ox) {
            s.path("M" + num(ox + 60) + " 8 A40 40 0 1 0 " + num(ox + 60) + " 88 A60 60 0 0 1 " + num(ox + 60) + " 8 Z",
                   s.litGradient({240, 200, 60}), outline());
        },
        // 3 drop
        [](Svg& s, double ox) {
            s.path("M" + num(ox + 48) + " 6 C" + num(ox + 62) + " 34 " + num(ox + 80) + " 48 " + num(ox + 80) +
                       " 62 A32 32 0 0 1 " + num(ox + 16) + " 62 C" + num(ox + 16) + " 48 " + num(ox + 34) + " 34 " +
                       num(ox + 48) + " 6 Z",
                   s.litGradient({70, 140, 220}), outline());
        },
        // 4 bell
        [](Svg& s, double ox) {
            s.path("M" + num(ox + 48) + " 8 C" + num(ox + 24) + " 8 " + num(ox + 22) + " 40 " + num(ox + 20) + " 66 L" +
                       num(ox + 8) + " 78 L" + num(ox + 88) + " 78 L" + num(ox + 76) + " 66 C" + num(ox + 74) + " 40 " +
                       num(ox + 72) + " 8 " + num(ox + 48) + " 8 Z",
                   s.litGradient({210, 160, 60}), outline());
            s.circle(ox + 48, 84, 8, s.litGradient({160, 110, 40}), outline());
        },
        // 5 key
        [](Svg& s, double ox) {
            s.path(polygon({{ox + 40, 44},
                            {ox + 90, 44},
                            {ox + 90, 62},
                            {ox + 80, 62},
                            {ox + 80, 54},
                            {ox + 72, 54},
                            {ox + 72, 62},
                            {ox + 62, 62},
                            {ox + 62, 54},
                            {ox + 40, 54}}),
                   s.litGradient({200, 170, 90}), outline());
            s.circle(ox + 26, 49, 20, s.litGradient({200, 170, 90}), outline());
            s.circle(ox + 26, 49, 7, "#f1e3c0", outline());
        },
        // 6 fish
        [](Svg& s, double ox) {
            s.path("M" + num(ox + 8) + " 48 C" + num(ox + 30) + " 16 " + num(ox + 66) + " 18 " + num(ox + 74) +
                       " 48 L" + num(ox + 92) + " 26 L" + num(ox + 92) + " 70 L" + num(ox + 74) + " 48 C" +
                       num(ox + 66) + " 78 " + num(ox + 30) + " 80 " + num(ox + 8) + " 48 Z",
                   s.litGradient({240, 130, 50}), outline());
            s.circle(ox + 26, 42, 4, kInk.hex());
        },
        // 7 leaf
        [](Svg& s, double ox) {
            s.path("M" + num(ox + 12) + " 84 C" + num(ox + 8) + " 30 " + num(ox + 40) + " 10 " + num(ox + 88) + " 8 C" +
                       num(ox + 86) + " 56 " + num(ox + 64) + " 88 " + num(ox + 12) + " 84 Z",
                   s.litGradient({90, 170, 70}), outline());
            // The stalk sticks out, so that the outline is no lens like the moon's.
            // It ends inside the cell, well clear of the frame the preview draws round it.
            s.path("M" + num(ox + 7) + " 89 L" + num(ox + 70) + " 26", "none",
                   "stroke='" + kInk.hex() + "' stroke-width='5' stroke-linecap='round'");
        },
        // 8 house
        [](Svg& s, double ox) {
            s.path(polygon({{ox + 48, 6},
                            {ox + 90, 44},
                            {ox + 78, 44},
                            {ox + 78, 90},
                            {ox + 18, 90},
                            {ox + 18, 44},
                            {ox + 6, 44}}),
                   s.litGradient({200, 110, 80}), outline());
            s.rect(ox + 40, 60, 16, 30, "#6a4020", outline());
        },
        // 9 mushroom
        [](Svg& s, double ox) {
            s.rect(ox + 36, 46, 24, 42, s.litGradient({236, 226, 200}), "rx='6' " + outline());
            s.path("M" + num(ox + 6) + " 52 C" + num(ox + 6) + " 8 " + num(ox + 90) + " 8 " + num(ox + 90) + " 52 Z",
                   s.litGradient({210, 50, 40}), outline());
            s.circle(ox + 32, 34, 6, "#ffffff");
            s.circle(ox + 62, 28, 5, "#ffffff");
        },
        // 10 tree
        [](Svg& s, double ox) {
            s.rect(ox + 42, 62, 12, 28, "#7a5230", outline());
            s.path(polygon({{ox + 48, 4},
                            {ox + 80, 40},
                            {ox + 66, 40},
                            {ox + 88, 68},
                            {ox + 8, 68},
                            {ox + 30, 40},
                            {ox + 16, 40}}),
                   s.litGradient({50, 130, 60}), outline());
        },
        // 11 anchor
        [](Svg& s, double ox) {
            s.rect(ox + 44, 18, 8, 62, s.litGradient({120, 130, 150}), outline());
            s.rect(ox + 28, 26, 40, 8, s.litGradient({120, 130, 150}), outline());
            s.circle(ox + 48, 14, 8, "none", outline());
            s.path("M" + num(ox + 12) + " 58 C" + num(ox + 16) + " 84 " + num(ox + 80) + " 84 " + num(ox + 84) + " 58",
                   "none", "stroke='" + kInk.hex() + "' stroke-width='9' stroke-linecap='round'");
        },
    };
    return all;
}

} // namespace

void makeObjekteAnklickenArt()
{
    const std::vector<Shape>& all = shapes();
    Svg sheet(static_cast<int>(kCell * all.size()), static_cast<int>(kCell), "ok");
    for (size_t i = 0; i < all.size(); ++i)
        all[i](sheet, kCell * static_cast<double>(i));
    render(sheet, "data/Games/objekteanklicken_formen.png");
}

} // namespace Art
