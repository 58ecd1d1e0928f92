// Spot the differences: for each game one scene of 320 x 240 pixels, drawn twice side by side
// with a gap of 20 pixels into the field's picture (660 x 240), and one sheet of the things the right-hand copy has in addition, each in a cell of its own
// size, side by side, opaque only where the thing is. The game lays each thing over the right
// copy at its place in the scene; the UNTERSCHIED entries of the data and the .ani frames name
// the same places and cells as the tables here.
#include "ArtCommon.h"

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace Art {

namespace {

struct Difference {
    int x, y, w, h; // its place in the scene
    std::function<void(Svg&, double ox)> draw;
};

std::string ink(double width = 1.5)
{
    return "stroke='" + kInk.hex() + "' stroke-width='" + num(width) + "' stroke-linejoin='round'";
}

void sheet(const std::vector<Difference>& differences, const std::string& file, const std::string& prefix)
{
    int width = 0, height = 0;
    for (const Difference& d : differences) {
        width += d.w;
        height = std::max(height, d.h);
    }
    Svg svg(width, height, prefix);
    double ox = 0;
    for (const Difference& d : differences) {
        d.draw(svg, ox);
        ox += d.w;
    }
    render(svg, file);
}

void cloud(Svg& svg, double x, double y, double s)
{
    for (const auto& [dx, dy, r] : {std::tuple{0.0, 4.0, 9.0}, {10.0, -2.0, 11.0}, {22.0, 4.0, 9.0}})
        svg.circle(x + dx * s, y + dy * s, r * s, "#ffffff", "opacity='0.95'");
}

void house(Svg& svg, double x, double y, double w, double h, const Colour& wall, const Colour& roof)
{
    svg.rect(x, y, w, h, wall.hex(), ink());
    svg.path(polygon({{x - 8, y}, {x + w / 2, y - 40}, {x + w + 8, y}}), roof.hex(), ink());
    svg.rect(x + w / 2 - 10, y + h - 34, 20, 34, "#6a4020", ink());
    svg.rect(x + 10, y + 14, 18, 16, "#a8d0e8", ink());
    svg.rect(x + w - 28, y + 14, 18, 16, "#a8d0e8", ink());
}

// The scene twice: at the left and, 340 pixels on, at the right.
void twice(const std::function<void(Svg&)>& scene, const std::string& file, const std::string& prefix)
{
    Svg svg(660, 240, prefix);
    svg.rect(320, 0, 20, 240, kWood.hex());
    scene(svg);
    svg.beginGroup("transform='translate(340 0)'");
    scene(svg);
    svg.endGroup();
    render(svg, file);
}

void marktScene(Svg& scene)
{
    scene.rect(0, 0, 320, 150, scene.verticalGradient({120, 180, 230}, {200, 226, 240}));
    scene.rect(0, 150, 320, 90, "#b8a888");
    for (int k = 0; k < 12; ++k)
        scene.path("M" + num(k * 28) + " 150 l14 90", "none", "stroke='#a09070' stroke-width='2'");
    scene.circle(290, 38, 18, "#f8d850", ink());
    cloud(scene, 40, 36, 1.0);
    cloud(scene, 140, 26, 0.9);
    house(scene, 20, 80, 90, 80, {224, 192, 144}, {190, 70, 50});
    house(scene, 220, 66, 80, 94, {200, 184, 160}, {110, 90, 150});
    // The stall: an awning and a table of apples.
    scene.rect(118, 122, 100, 16, "#d04040", ink());
    for (int k = 0; k < 5; ++k)
        scene.rect(118 + k * 20, 122, 10, 16, "#f4f0e0");
    scene.rect(124, 138, 4, 18, "#6a4020");
    scene.rect(208, 138, 4, 18, "#6a4020");
    scene.rect(120, 156, 96, 22, "#9a6a3a", ink());
    for (int k = 0; k < 4; ++k)
        scene.circle(134 + k * 12, 152, 6, "#d83030", ink(1));
}

void markt()
{
    twice(marktScene, "data/Games/unterschiede_markt.png", "um");

    const std::vector<Difference> differences = {
        {55, 20, 28, 20,
         [](Svg& s, double ox) {
             s.path("M" + num(ox + 1) + " 14 Q" + num(ox + 7) + " 0 " + num(ox + 14) + " 8 Q" + num(ox + 21) + " 0 " +
                        num(ox + 27) + " 14 Q" + num(ox + 14) + " 20 " + num(ox + 1) + " 14 Z",
                    "#303038", ink(1));
         }},
        {90, 136, 20, 24,
         [](Svg& s, double ox) {
             s.path(polygon({{ox + 3, 12}, {ox + 17, 12}, {ox + 14, 23}, {ox + 6, 23}}), "#c06030", ink(1));
             for (int k = 0; k < 3; ++k)
                 s.circle(ox + 5 + k * 5, 7 - (k % 2) * 3, 4, "#e83080", ink(1));
         }},
        {250, 184, 36, 28,
         [](Svg& s, double ox) {
             s.ellipse(ox + 16, 18, 13, 8, "#e09040", ink());
             s.circle(ox + 28, 10, 6, "#e09040", ink());
             s.path(polygon({{ox + 24, 6}, {ox + 25, 0}, {ox + 28, 5}}), "#e09040", ink(1));
             s.path(polygon({{ox + 29, 5}, {ox + 33, 0}, {ox + 33, 7}}), "#e09040", ink(1));
             s.path("M" + num(ox + 4) + " 18 Q" + num(ox) + " 8 " + num(ox + 6) + " 4", "none",
                    "stroke='#e09040' stroke-width='3' stroke-linecap='round'");
         }},
        {258, 2, 26, 30,
         [](Svg& s, double ox) {
             s.rect(ox + 2, 0, 3, 30, "#503020");
             s.path(polygon({{ox + 5, 2}, {ox + 25, 8}, {ox + 5, 14}}), "#30a040", ink(1));
         }},
        {182, 134, 26, 22,
         [](Svg& s, double ox) {
             s.ellipse(ox + 13, 13, 12, 8, "#f08820", ink());
             s.rect(ox + 11, 1, 4, 6, "#507030");
         }},
        {196, 14, 44, 24,
         [](Svg& s, double ox) {
             for (const auto& [dx, dy, r] : {std::tuple{10.0, 14.0, 8.0}, {22.0, 10.0, 10.0}, {34.0, 14.0, 8.0}})
                 s.circle(ox + dx, dy, r, "#ffffff");
         }},
    };
    sheet(differences, "data/Games/unterschiede_markt_teile.png", "un");
}

void hafenScene(Svg& scene)
{
    scene.rect(0, 0, 320, 110, scene.verticalGradient({150, 190, 230}, {230, 236, 240}));
    scene.rect(0, 110, 320, 130, scene.verticalGradient({60, 130, 190}, {30, 80, 140}));
    for (int k = 0; k < 14; ++k)
        scene.path("M" + num(20 + (k * 47) % 300) + " " + num(125 + (k * 29) % 100) + " q8 -4 16 0", "none",
                   "stroke='#a8d0f0' stroke-width='2'");
    cloud(scene, 120, 30, 1.1);
    // The pier with its posts.
    scene.rect(0, 170, 140, 14, "#9a6a3a", ink());
    for (int k = 0; k < 4; ++k)
        scene.rect(10 + k * 36, 184, 6, 30, "#6a4020", ink(1));
    // The lighthouse.
    for (int k = 0; k < 5; ++k)
        scene.rect(270, 40 + k * 20, 26, 20, k % 2 ? "#f4f0e8" : "#d03030", ink(1));
    scene.path(polygon({{266, 40}, {283, 20}, {300, 40}}), "#404048", ink());
    // The boat with its mast.
    scene.path(polygon({{150, 140}, {240, 140}, {228, 162}, {162, 162}}), "#8a5a2a", ink());
    scene.rect(193, 86, 4, 54, "#503020");
    scene.path(polygon({{197, 92}, {230, 134}, {197, 134}}), "#f4f0e0", ink(1));
}

void hafen()
{
    twice(hafenScene, "data/Games/unterschiede_hafen.png", "uh");

    const std::vector<Difference> differences = {
        {40, 30, 30, 18,
         [](Svg& s, double ox) {
             s.path("M" + num(ox + 2) + " 10 Q" + num(ox + 9) + " 0 " + num(ox + 15) + " 9 Q" + num(ox + 21) + " 0 " +
                        num(ox + 28) + " 10 Q" + num(ox + 15) + " 16 " + num(ox + 2) + " 10 Z",
                    "#f8f8f8", ink(1));
         }},
        {118, 198, 22, 26,
         [](Svg& s, double ox) {
             s.path(polygon({{ox + 4, 24}, {ox + 18, 24}, {ox + 14, 6}, {ox + 8, 6}}), "#e04020", ink());
             s.rect(ox + 6, 14, 10, 4, "#ffffff");
             s.circle(ox + 11, 4, 3, "#f0d040", ink(1));
         }},
        {60, 144, 22, 26,
         [](Svg& s, double ox) {
             s.rect(ox + 2, 2, 18, 24, "#9a6030", "rx='5' " + ink());
             s.rect(ox + 2, 8, 18, 3, "#404040");
             s.rect(ox + 2, 18, 18, 3, "#404040");
         }},
        {197, 84, 26, 16,
         [](Svg& s, double ox) {
             s.path(polygon({{ox, 1}, {ox + 24, 6}, {ox, 12}}), "#2060d0", ink(1));
         }},
        {248, 174, 32, 22,
         [](Svg& s, double ox) {
             s.path("M" + num(ox + 2) + " 14 Q" + num(ox + 14) + " 0 " + num(ox + 24) + " 10 L" + num(ox + 31) +
                        " 4 L" + num(ox + 30) + " 18 L" + num(ox + 24) + " 13 Q" + num(ox + 14) + " 22 " + num(ox + 2) +
                        " 14 Z",
                    "#a0b8c8", ink(1));
         }},
        {274, 64, 18, 12, [](Svg& s, double ox) { s.rect(ox + 1, 1, 16, 10, "#f8e040", ink(1)); }},
    };
    sheet(differences, "data/Games/unterschiede_hafen_teile.png", "uo");
}

} // namespace

void makeUnterschiedeArt()
{
    markt();
    hafen();
}

} // namespace Art
