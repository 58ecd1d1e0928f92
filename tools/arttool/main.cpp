// arttool: draws the game's pictures as SVG and renders them to PNG.
//   arttool OUT_DIR SVG_DIR
// Every picture lands in OUT_DIR under the path the texture lists name
// ("data/stones/holz_objekt.png", ...); its SVG source is kept in SVG_DIR.
// One palette and one light from the top left throughout.
#include "ArtCommon.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace Art;

namespace {

// ---------------------------------------------------------------- stones

enum class Shape {
    Log,
    Block,
    Triangle,
    Ingot,
    Diamond,
    Drop,
    Fish,
    Clover,
    Flame,
    Spikes,
    Coin,
    Rubble,
    Puddle,
    Mound,
    Tuft
};

// The sign on a bonus: the same on its button and on the coin that charges it.
enum class Symbol { None, Hammer, Bolt, Bomb, Clock, Star, Dice, Arrows, Trio };

struct Stone {
    const char* name; // texture name stem, upper case
    const char* file; // file stem, lower case
    Colour colour;
    Shape shape;
    Symbol symbol = Symbol::None;
};

// Bonus stones are navy coins with a gold rim: the coin says "bonus", the sign says which.
const Colour kBonusNavy{44, 63, 85};

const std::vector<Stone>& stones()
{
    static const std::vector<Stone> list = {
        {"HOLZ", "holz", {150, 96, 46}, Shape::Log},
        {"STEIN", "stein", {138, 143, 152}, Shape::Block},
        {"EISEN", "eisen", {200, 67, 47}, Shape::Triangle},
        {"GOLD", "gold", {232, 184, 48}, Shape::Ingot},
        {"KRISTALL", "kristall", {63, 200, 216}, Shape::Diamond},
        {"KORN", "korn", {130, 190, 60}, Shape::Drop},
        {"FISCH", "fisch", {58, 123, 213}, Shape::Fish},
        {"WOLLE", "wolle", {212, 90, 160}, Shape::Clover},
        {"ZORN", "zorn", {255, 110, 30}, Shape::Flame},
        {"BOESE", "boese", {106, 44, 138}, Shape::Spikes},
        // Bonus coins, one per bonus.
        {"HAMMER", "hammer", kBonusNavy, Shape::Coin, Symbol::Hammer},
        {"BLITZ", "blitz", kBonusNavy, Shape::Coin, Symbol::Bolt},
        {"BOMBE", "bombe", kBonusNavy, Shape::Coin, Symbol::Bomb},
        {"ZEIT", "zeit", kBonusNavy, Shape::Coin, Symbol::Clock},
        {"STERN", "stern", kBonusNavy, Shape::Coin, Symbol::Star},
        {"WUERFEL", "wuerfel", kBonusNavy, Shape::Coin, Symbol::Dice},
        {"PFEIL", "pfeil", kBonusNavy, Shape::Coin, Symbol::Arrows},
        {"SAMMLER", "sammler", kBonusNavy, Shape::Coin, Symbol::Trio},
        // Filler the wrath turns stones into: dull, and shaped unlike any resource.
        {"SCHUTT", "schutt", {128, 116, 104}, Shape::Rubble},
        {"SCHLAMM", "schlamm", {112, 82, 52}, Shape::Puddle},
        {"ASCHE", "asche", {92, 92, 98}, Shape::Mound},
        {"UNKRAUT", "unkraut", {118, 128, 52}, Shape::Tuft},
    };
    return list;
}

std::string shapePath(Shape shape, double cx, double cy, double r)
{
    switch (shape) {
    case Shape::Log: {
        const double k = 0.72 * r;
        const double x0 = cx - r, x1 = cx + r, y0 = cy - k, y1 = cy + k;
        return "M" + num(x0 + k) + " " + num(y0) + " L" + num(x1 - k) + " " + num(y0) + " A" + num(k) + " " + num(k) +
               " 0 0 1 " + num(x1 - k) + " " + num(y1) + " L" + num(x0 + k) + " " + num(y1) + " A" + num(k) + " " +
               num(k) + " 0 0 1 " + num(x0 + k) + " " + num(y0) + " Z";
    }
    case Shape::Block: {
        const double h = 0.88 * r, c = 0.16 * r;
        return polygon({{cx - h + c, cy - h},
                        {cx + h - c, cy - h},
                        {cx + h, cy - h + c},
                        {cx + h, cy + h - c},
                        {cx + h - c, cy + h},
                        {cx - h + c, cy + h},
                        {cx - h, cy + h - c},
                        {cx - h, cy - h + c}});
    }
    case Shape::Triangle:
        return star(cx, cy + 0.2 * r, 3, 1.2 * r, 0.0);
    case Shape::Ingot:
        return polygon({{cx - 0.55 * r, cy - 0.6 * r},
                        {cx + 0.55 * r, cy - 0.6 * r},
                        {cx + 1.05 * r, cy + 0.65 * r},
                        {cx - 1.05 * r, cy + 0.65 * r}});
    case Shape::Diamond:
        return polygon({{cx, cy - 1.12 * r}, {cx + 0.78 * r, cy}, {cx, cy + 1.12 * r}, {cx - 0.78 * r, cy}});
    case Shape::Drop:
        return "M" + num(cx) + " " + num(cy - 1.12 * r) + " C" + num(cx + 0.25 * r) + " " + num(cy - 0.6 * r) + " " +
               num(cx + 0.92 * r) + " " + num(cy - 0.1 * r) + " " + num(cx + 0.92 * r) + " " + num(cy + 0.3 * r) +
               " A" + num(0.92 * r) + " " + num(0.8 * r) + " 0 0 1 " + num(cx - 0.92 * r) + " " + num(cy + 0.3 * r) +
               " C" + num(cx - 0.92 * r) + " " + num(cy - 0.1 * r) + " " + num(cx - 0.25 * r) + " " +
               num(cy - 0.6 * r) + " " + num(cx) + " " + num(cy - 1.12 * r) + " Z";
    case Shape::Fish:
        return "M" + num(cx + 1.0 * r) + " " + num(cy) + " Q" + num(cx + 0.2 * r) + " " + num(cy - 1.0 * r) + " " +
               num(cx - 0.5 * r) + " " + num(cy - 0.08 * r) + " L" + num(cx - 1.05 * r) + " " + num(cy - 0.65 * r) +
               " L" + num(cx - 1.05 * r) + " " + num(cy + 0.65 * r) + " L" + num(cx - 0.5 * r) + " " +
               num(cy + 0.08 * r) + " Q" + num(cx + 0.2 * r) + " " + num(cy + 1.0 * r) + " " + num(cx + 1.0 * r) + " " +
               num(cy) + " Z";
    case Shape::Clover: {
        // Four round lobes with deep notches between them: a ball of wool from above.
        const double a = 0.4 * r, lobe = 0.44 * r;
        const std::string arc = " A" + num(lobe) + " " + num(lobe) + " 0 1 1 ";
        return "M" + num(cx - a) + " " + num(cy - a) + arc + num(cx + a) + " " + num(cy - a) + arc + num(cx + a) + " " +
               num(cy + a) + arc + num(cx - a) + " " + num(cy + a) + arc + num(cx - a) + " " + num(cy - a) + " Z";
    }
    case Shape::Flame:
        return star(cx, cy + 0.08 * r, 5, 1.15 * r, 0.5 * r);
    case Shape::Spikes:
        return star(cx, cy, 8, 1.12 * r, 0.62 * r, M_PI / 8);
    case Shape::Coin:
        return "M" + num(cx - 1.05 * r) + " " + num(cy) + " A" + num(1.05 * r) + " " + num(1.05 * r) + " 0 1 1 " +
               num(cx + 1.05 * r) + " " + num(cy) + " A" + num(1.05 * r) + " " + num(1.05 * r) + " 0 1 1 " +
               num(cx - 1.05 * r) + " " + num(cy) + " Z";
    case Shape::Rubble:
        // Three broken chunks heaped together.
        return polygon({{cx - 1.0 * r, cy + 0.7 * r},
                        {cx - 0.85 * r, cy + 0.05 * r},
                        {cx - 0.35 * r, cy - 0.2 * r},
                        {cx - 0.05 * r, cy + 0.25 * r},
                        {cx - 0.15 * r, cy + 0.75 * r}}) +
               " " +
               polygon({{cx - 0.1 * r, cy + 0.8 * r},
                        {cx + 0.05 * r, cy + 0.1 * r},
                        {cx + 0.55 * r, cy - 0.05 * r},
                        {cx + 1.0 * r, cy + 0.45 * r},
                        {cx + 0.85 * r, cy + 0.85 * r}}) +
               " " +
               polygon({{cx - 0.55 * r, cy - 0.15 * r},
                        {cx - 0.3 * r, cy - 0.95 * r},
                        {cx + 0.35 * r, cy - 0.85 * r},
                        {cx + 0.5 * r, cy - 0.1 * r},
                        {cx + 0.0 * r, cy + 0.15 * r}});
    case Shape::Puddle: {
        // A flat, wobbling blot lying low in the cell.
        std::vector<std::pair<double, double>> points;
        for (int i = 0; i < 16; ++i) {
            const double a = 2.0 * M_PI * i / 16.0;
            const double wobble = 1.0 + 0.12 * std::sin(3.0 * a) + 0.06 * std::cos(5.0 * a);
            points.emplace_back(cx + 1.1 * r * wobble * std::cos(a), cy + 0.25 * r + 0.55 * r * wobble * std::sin(a));
        }
        return polygon(points);
    }
    case Shape::Mound: {
        // A billow of ash: the outline over three puffs (left, middle, right) on a flat bottom.
        auto at = [&](double x, double y) { return num(cx + x * r) + " " + num(cy + y * r); };
        auto arc = [&](double radius, bool large, double x, double y) {
            return " A" + num(radius * r) + " " + num(radius * r) + " 0 " + (large ? "1" : "0") + " 1 " + at(x, y);
        };
        return "M" + at(-1.05, 0.35) + arc(0.5, false, -0.598, -0.148) + arc(0.65, true, 0.697, -0.039) +
               arc(0.45, false, 1.05, 0.4) + " L" + at(1.0, 0.85) + " L" + at(-1.0, 0.85) + " Z";
    }
    case Shape::Tuft: {
        // Five pointed blades fanning out of one root.
        std::string d;
        const double rootY = cy + 0.95 * r;
        for (int i = 0; i < 5; ++i) {
            const double a = -M_PI / 2 + (i - 2) * 0.42;
            const double length = (i == 2 ? 1.9 : i % 2 ? 1.6 : 1.25) * r;
            const double tipX = cx + length * std::cos(a), tipY = rootY + length * std::sin(a);
            const double side = 0.22 * r;
            d += "M" + num(cx - side) + " " + num(rootY) + " Q" + num(cx - side + (tipX - cx) * 0.4) + " " +
                 num(rootY + (tipY - rootY) * 0.55) + " " + num(tipX) + " " + num(tipY) + " Q" +
                 num(cx + side + (tipX - cx) * 0.4) + " " + num(rootY + (tipY - rootY) * 0.45) + " " + num(cx + side) +
                 " " + num(rootY) + " Z ";
        }
        return d;
    }
    }
    return {};
}

void drawBonusSymbol(Svg& svg, Symbol symbol);

// Details that make the silhouettes read at a glance.
void shapeDetails(Svg& svg, const Stone& stone, double cx, double cy, double r)
{
    const Colour dark = stone.colour.shade(-0.55);
    const std::string line = "stroke='" + dark.hex() + "' stroke-width='1.5' stroke-linecap='round'";
    switch (stone.shape) {
    case Shape::Log:
        svg.ellipse(cx + 0.62 * r, cy, 0.3 * r, 0.5 * r, stone.colour.shade(0.35).hex(),
                    "stroke='" + dark.hex() + "' stroke-width='1.5'");
        svg.ellipse(cx + 0.62 * r, cy, 0.12 * r, 0.22 * r, "none", line);
        svg.path("M" + num(cx - 0.7 * r) + " " + num(cy - 0.2 * r) + " L" + num(cx + 0.2 * r) + " " + num(cy - 0.2 * r),
                 "none", line);
        break;
    case Shape::Block:
        svg.path("M" + num(cx - 0.4 * r) + " " + num(cy + 0.1 * r) + " L" + num(cx + 0.1 * r) + " " + num(cy - 0.3 * r),
                 "none", line);
        break;
    case Shape::Ingot:
        svg.path("M" + num(cx - 0.55 * r) + " " + num(cy - 0.6 * r) + " L" + num(cx - 0.75 * r) + " " +
                     num(cy - 0.15 * r) + " L" + num(cx + 0.75 * r) + " " + num(cy - 0.15 * r) + " L" +
                     num(cx + 0.55 * r) + " " + num(cy - 0.6 * r),
                 "none", line);
        break;
    case Shape::Clover:
        svg.circle(cx, cy, 0.22 * r, "none", line);
        break;
    case Shape::Diamond:
        svg.path("M" + num(cx - 0.78 * r) + " " + num(cy) + " L" + num(cx + 0.78 * r) + " " + num(cy) + " M" + num(cx) +
                     " " + num(cy - 1.12 * r) + " L" + num(cx) + " " + num(cy + 1.12 * r),
                 "none", "stroke='" + stone.colour.shade(0.6).hex() + "' stroke-width='1'");
        break;
    case Shape::Fish:
        svg.circle(cx + 0.45 * r, cy - 0.15 * r, 0.12 * r, dark.hex());
        break;
    case Shape::Drop:
        svg.path("M" + num(cx) + " " + num(cy - 0.5 * r) + " L" + num(cx) + " " + num(cy + 0.8 * r), "none", line);
        break;
    case Shape::Spikes:
        svg.circle(cx - 0.25 * r, cy - 0.1 * r, 0.14 * r, "#ffe04a");
        svg.circle(cx + 0.25 * r, cy - 0.1 * r, 0.14 * r, "#ffe04a");
        break;
    case Shape::Flame:
        svg.path(star(cx, cy + 0.15 * r, 5, 0.55 * r, 0.25 * r), "#ffe070");
        break;
    case Shape::Coin:
        svg.circle(cx, cy, 0.9 * r, "none", "stroke='" + kGold.hex() + "' stroke-width='" + num(0.12 * r) + "'");
        // The symbols are drawn for a 64 x 64 badge of radius 28 around (32, 32).
        svg.beginGroup("transform='translate(" + num(cx) + " " + num(cy) + ") scale(" + num(0.95 * r / 28.0) +
                       ") translate(-32 -32)'");
        drawBonusSymbol(svg, stone.symbol);
        svg.endGroup();
        break;
    case Shape::Rubble:
        svg.path("M" + num(cx - 0.6 * r) + " " + num(cy + 0.2 * r) + " L" + num(cx - 0.45 * r) + " " +
                     num(cy + 0.5 * r) + " M" + num(cx + 0.4 * r) + " " + num(cy + 0.3 * r) + " L" + num(cx + 0.6 * r) +
                     " " + num(cy + 0.6 * r),
                 "none", line);
        break;
    case Shape::Puddle:
        svg.circle(cx - 0.45 * r, cy + 0.15 * r, 0.14 * r, "none", line);
        svg.circle(cx + 0.3 * r, cy + 0.35 * r, 0.1 * r, "none", line);
        svg.circle(cx + 0.55 * r, cy + 0.05 * r, 0.07 * r, "none", line);
        break;
    case Shape::Mound:
        svg.circle(cx - 0.25 * r, cy + 0.35 * r, 0.1 * r, "#ff8a30");
        svg.circle(cx + 0.3 * r, cy + 0.5 * r, 0.08 * r, "#ffb040");
        svg.circle(cx + 0.05 * r, cy - 0.1 * r, 0.07 * r, "#ff8a30");
        break;
    case Shape::Tuft:
        svg.path("M" + num(cx) + " " + num(cy + 0.9 * r) + " L" + num(cx) + " " + num(cy - 0.6 * r), "none", line);
        break;
    default:
        break;
    }
}

void drawStone(Svg& svg, const Stone& stone, double cx, double cy, double r, double opacity = 1.0)
{
    const std::string d = shapePath(stone.shape, cx, cy, r);
    const std::string fill = svg.litGradient(stone.colour);
    svg.beginGroup("opacity='" + num(opacity) + "'");
    svg.path(d, "#000000", "opacity='0.35' transform='translate(3,3)'");
    // A light rim round the dark outline: every stone stands out on dark and grey cells alike
    // (a grey stone on a grey cell vanished without it).
    svg.path(d, "none", "stroke='#f7e6b5' stroke-width='7' stroke-linejoin='round' opacity='0.9'");
    svg.path(d, fill, "stroke='" + stone.colour.shade(-0.6).hex() + "' stroke-width='2.5' stroke-linejoin='round'");
    shapeDetails(svg, stone, cx, cy, r);
    svg.ellipse(cx - 0.35 * r, cy - 0.42 * r, 0.34 * r, 0.18 * r, "#ffffff",
                "opacity='0.45' transform='rotate(-35 " + num(cx - 0.35 * r) + " " + num(cy - 0.42 * r) + ")'");
    svg.endGroup();
}

// One moment of a stone's burst (p from 0 to 1) centred at (cx, 32).
void drawBurst(Svg& svg, const Stone& stone, double cx, double r, double p)
{
    svg.circle(cx, 32, (0.5 + 0.8 * p) * r, svg.radialGradient(kWhite, 0.85 * (1.0 - p), stone.colour.shade(0.4), 0.0));
    std::string rays;
    for (int k = 0; k < 8; ++k) {
        const double a = 2.0 * M_PI * k / 8.0 + 0.2;
        const double inner = (0.2 + 0.6 * p) * r, outer = (0.45 + 0.85 * p) * r;
        rays += "M" + num(cx + inner * std::cos(a)) + " " + num(32 + inner * std::sin(a)) + " L" +
                num(cx + outer * std::cos(a)) + " " + num(32 + outer * std::sin(a)) + " ";
    }
    svg.path(rays, "none",
             "stroke='" + stone.colour.shade(0.5).hex() + "' stroke-width='" + num(4.0 * (1.0 - p) + 1.0) +
                 "' stroke-linecap='round' opacity='" + num(1.0 - 0.6 * p) + "'");
    const double s = 1.0 - 0.8 * p;
    svg.beginGroup("transform='translate(" + num(cx) + " 32) scale(" + num(s) + ") translate(" + num(-cx) + " -32)'");
    drawStone(svg, stone, cx, 32, r, 1.0 - 0.9 * p);
    svg.endGroup();
}

void makeStones()
{
    const double r = 24.0;
    for (const Stone& stone : stones()) {
        const std::string base = std::string("data/stones/") + stone.file;
        Svg still(64, 64);
        drawStone(still, stone, 32, 32, r);
        render(still, base + "_objekt.png");

        // Selected: a pulsing halo and a slight swell, ten frames side by side.
        Svg marked(640, 64);
        for (int f = 0; f < 10; ++f) {
            const double wave = std::sin(2.0 * M_PI * f / 10.0);
            const double cx = 64.0 * f + 32.0;
            marked.circle(cx, 32, 30, marked.radialGradient(kGold.shade(0.5), 0.6 + 0.3 * wave, kGold, 0.0));
            const double s = 1.0 + 0.06 * wave;
            marked.beginGroup("transform='translate(" + num(cx) + " 32) scale(" + num(s) + ") translate(" + num(-cx) +
                              " -32)'");
            drawStone(marked, stone, cx, 32, r);
            marked.endGroup();
        }
        render(marked, base + "_objekt_marked.png");

        // Bursting: the stone shrinks and fades while rays fly out.
        Svg burst(640, 64);
        for (int f = 0; f < 10; ++f)
            drawBurst(burst, stone, 64.0 * f + 32.0, r, f / 9.0);
        render(burst, base + "_objekt_spreng.png");
        // The hint about a full wrath meter shows one moment of its stone's burst, not the strip.
        if (std::string(stone.file) == "zorn") {
            Svg moment(64, 64);
            drawBurst(moment, stone, 32.0, r, 2.0 / 9.0);
            render(moment, base + "_hilfe.png");
            // The hints and the help teach the stone by what a player does with it: the pointer
            // clicks the orange star and it starts to burst.
            Svg click(64, 64);
            std::string rays;
            for (int k = 0; k < 8; ++k) {
                const double a = 2.0 * M_PI * k / 8.0 + 0.2;
                rays += "M" + num(28 + 23 * std::cos(a)) + " " + num(28 + 23 * std::sin(a)) + " L" +
                        num(28 + 29 * std::cos(a)) + " " + num(28 + 29 * std::sin(a)) + " ";
            }
            click.path(rays, "none",
                       "stroke='" + stone.colour.shade(0.4).hex() + "' stroke-width='3' stroke-linecap='round'");
            drawStone(click, stone, 28, 28, 19.0);
            const double x = 36, y = 34;
            const std::string arrow = pointerArrow(x, y);
            click.path(arrow, "#000000", "opacity='0.35' transform='translate(1.5,1.5)'");
            click.path(arrow, "#ffffff", "stroke='#202020' stroke-width='1.5' stroke-linejoin='round'");
            render(click, base + "_klick.png");
        }
    }
}

// ---------------------------------------------------------------- GUI

// The frame atlas "RECTS": 90 x 90 frame styles on a 100-pixel grid, each drawn as nine
// 30 x 30 pieces stretched over a box. Rows differ by their corners (round, slightly
// rounded, square); columns by what they are: 0 to 2 fills (a white mask the caller tints,
// wood and parchment in their own colours, a pane fading downwards), 3 to 5 middle layers
// (a gloss, an inner shadow, a bevel), 6 an outline. The game draws a base, a middle and a
// top layer from columns c, c + 3 and c + 6, each in a colour of its own.
void makeFrameAtlas()
{
    Svg svg(700, 300);
    const double radii[3] = {22, 8, 0};
    for (int row = 0; row < 3; ++row) {
        const double rx = radii[row];
        const std::string round = "rx='" + num(rx) + "'";
        for (int column = 0; column < 7; ++column) {
            const double x = 100.0 * column, y = 100.0 * row;
            switch (column) {
            case 0:
                svg.rect(x, y, 90, 90, "#ffffff", round);
                break;
            case 1:
                svg.rect(x + 0.75, y + 0.75, 88.5, 88.5, svg.litGradient(kWood),
                         round + " stroke='" + kWood.shade(-0.6).hex() + "' stroke-width='1.5'");
                svg.rect(x + 8, y + 8, 74, 74, kParchment.hex(),
                         "rx='" + num(rx * 0.5) + "' stroke='" + kWood.shade(-0.5).hex() + "' stroke-width='1'");
                break;
            case 2:
                svg.rect(x, y, 90, 90, svg.verticalGradient(kWhite, kWhite.shade(-0.25), 0.95, 0.7), round);
                break;
            case 3:
                // Gloss over the top third, which the top pieces stretch along the edge.
                svg.rect(x + 3, y + 3, 84, 27, svg.verticalGradient(kWhite, kWhite, 0.55, 0.0),
                         "rx='" + num(std::max(0.0, rx - 3)) + "'");
                break;
            case 4:
                for (int k = 0; k < 4; ++k)
                    svg.rect(x + 2 + 2.5 * k, y + 2 + 2.5 * k, 86 - 5 * k, 86 - 5 * k, "none",
                             "rx='" + num(std::max(0.0, rx - 2 - 2.5 * k)) + "' stroke='#000000' stroke-width='3' " +
                                 "opacity='" + num(0.3 - 0.07 * k) + "'");
                break;
            case 5:
                svg.path("M" + num(x + 3) + " " + num(y + 87 - rx) + " L" + num(x + 3) + " " + num(y + 3 + rx) + " Q" +
                             num(x + 3) + " " + num(y + 3) + " " + num(x + 3 + rx) + " " + num(y + 3) + " L" +
                             num(x + 87 - rx) + " " + num(y + 3),
                         "none", "stroke='#ffffff' stroke-width='3' opacity='0.8' stroke-linecap='round'");
                svg.path("M" + num(x + 87) + " " + num(y + 3 + rx) + " L" + num(x + 87) + " " + num(y + 87 - rx) +
                             " Q" + num(x + 87) + " " + num(y + 87) + " " + num(x + 87 - rx) + " " + num(y + 87) +
                             " L" + num(x + 3 + rx) + " " + num(y + 87),
                         "none", "stroke='#000000' stroke-width='3' opacity='0.45' stroke-linecap='round'");
                break;
            default:
                svg.rect(x + 1.5, y + 1.5, 87, 87, "none",
                         "rx='" + num(std::max(0.0, rx - 1.5)) + "' stroke='#ffffff' stroke-width='3'");
                break;
            }
        }
    }
    render(svg, "data/Menu/rects.png");
}

// The menus' pictures: nine-part frames, the emblem, round icon buttons, scroll
// bars, radio boxes, list entries and the pointer previews of the options screen.
// Frames are one picture each; their texture lists cut it into nine parts, so the
// edges hold nothing that changes along them.
void framePicture(Svg& svg, int size, double radius, double border, const Colour& wood, const Colour& inner,
                  double goldLine)
{
    const double s = size;
    svg.rect(0.75, 0.75, s - 1.5, s - 1.5, wood.hex(),
             "rx='" + num(radius) + "' stroke='" + wood.shade(-0.6).hex() + "' stroke-width='1.5'");
    svg.rect(2.5, 2.5, s - 5, s - 5, "none",
             "rx='" + num(radius - 2) + "' stroke='" + wood.shade(0.35).hex() + "' stroke-width='1.5'");
    svg.rect(border, border, s - 2 * border, s - 2 * border, inner.hex(),
             "rx='" + num(radius * 0.4) + "' stroke='" + wood.shade(-0.5).hex() + "' stroke-width='1.2'");
    if (goldLine > 0)
        svg.rect(border + goldLine, border + goldLine, s - 2 * (border + goldLine), s - 2 * (border + goldLine), "none",
                 "rx='" + num(radius * 0.3) + "' stroke='" + kGold.shade(-0.15).hex() +
                     "' stroke-width='1.2' opacity='0.75'");
}

// A round button of the given face with a glyph drawn by the caller on top.
void roundButton(Svg& svg, double size, const Colour& face, bool marked)
{
    const double c = size / 2;
    svg.circle(c + 1.5, c + 1.5, c - 3, "#000000", "opacity='0.35'");
    svg.circle(c, c, c - 3, svg.litGradient(kWood), "stroke='" + kWood.shade(-0.6).hex() + "' stroke-width='1.5'");
    svg.circle(c, c, c - 8, svg.verticalGradient(face.shade(0.3), face),
               "stroke='" + kWood.shade(-0.4).hex() + "' stroke-width='1'");
    if (marked)
        svg.circle(c, c, c - 8, svg.radialGradient(kWhite, 0.55, kWhite, 0.0));
}

void makeMenuArt()
{
    Svg frame(96, 96);
    framePicture(frame, 96, 16, 13, kWood, kParchment, 4);
    render(frame, "data/Menu/rahmen.png");
    Svg field(48, 48);
    framePicture(field, 48, 8, 4, kWood.shade(0.15), {232, 216, 176}, 0);
    render(field, "data/Menu/feld.png");
    Svg tip(48, 48);
    framePicture(tip, 48, 8, 3, kGold.shade(-0.35), {252, 244, 220}, 0);
    render(tip, "data/Menu/tipp.png");

    Svg emblem(256, 256);
    emblem.circle(128, 128, 126, emblem.radialGradient(kGold.shade(0.6), 0.45, kGold, 0.0));
    emblem.circle(128, 128, 92, "none", "stroke='" + kGold.shade(-0.6).hex() + "' stroke-width='12'");
    emblem.circle(128, 128, 92, "none", "stroke='" + kGold.hex() + "' stroke-width='8'");
    emblem.path(star(128, 128, 8, 84, 34), emblem.litGradient(kGold),
                "stroke='" + kGold.shade(-0.6).hex() + "' stroke-width='2.5'");
    emblem.circle(128, 128, 16, kParchment.hex(), "stroke='" + kGold.shade(-0.6).hex() + "' stroke-width='2.5'");
    render(emblem, "data/Menu/emblem.png");

    // The eye of "hide the menu", plain and marked.
    for (int marked = 0; marked < 2; ++marked) {
        Svg eye(64, 64);
        roundButton(eye, 64, kParchment, marked != 0);
        eye.path("M14 32 Q32 16 50 32 Q32 48 14 32 Z", "#ffffff",
                 "stroke='" + kInk.hex() + "' stroke-width='2.5' stroke-linejoin='round'");
        eye.circle(32, 32, 7, "#3a6fb0", "stroke='" + kInk.hex() + "' stroke-width='1.5'");
        eye.circle(32, 32, 3, kInk.hex());
        eye.circle(29.5, 29.5, 1.6, "#ffffff");
        render(eye, marked ? "data/Menu/knopf_auge_marked.png" : "data/Menu/knopf_auge.png");
    }

    // Scroll bar: arrow buttons, the groove (even along its length) and the knob.
    for (int down = 0; down < 2; ++down) {
        for (int marked = 0; marked < 2; ++marked) {
            Svg arrow(32, 32);
            arrow.rect(1, 1, 30, 30, arrow.litGradient(marked ? kGold : kWood),
                       "rx='7' stroke='" + kWood.shade(-0.6).hex() + "' stroke-width='1.5'");
            arrow.path(down ? "M9 12 L23 12 L16 22 Z" : "M9 20 L23 20 L16 10 Z", kParchment.hex(),
                       "stroke='" + kInk.hex() + "' stroke-width='1.5' stroke-linejoin='round'");
            render(arrow,
                   std::string("data/Menu/scroll_") + (down ? "runter" : "hoch") + (marked ? "_marked" : "") + ".png");
        }
    }
    Svg groove(32, 64);
    groove.rect(9, 0, 14, 64, groove.verticalGradient(kWood.shade(-0.55), kWood.shade(-0.35)));
    groove.rect(9, 0, 1.5, 64, kWood.shade(-0.75).hex());
    groove.rect(21.5, 0, 1.5, 64, kWood.shade(0.2).hex());
    render(groove, "data/Menu/scroll_bahn.png");
    for (int marked = 0; marked < 2; ++marked) {
        Svg knob(32, 64);
        knob.rect(4, 2, 24, 60, knob.litGradient(marked ? kGold.shade(0.25) : kGold),
                  "rx='10' stroke='" + kGold.shade(-0.6).hex() + "' stroke-width='1.5'");
        for (int i = 0; i < 3; ++i)
            knob.rect(10, 25 + 6 * i, 12, 2, kGold.shade(-0.55).hex(), "rx='1'");
        render(knob, marked ? "data/Menu/scroll_knopf_marked.png" : "data/Menu/scroll_knopf.png");
    }

    // Round boxes of the radio groups, and the glow over any marked box.
    for (int checked = 0; checked < 2; ++checked) {
        Svg radio(32, 32);
        radio.circle(16.5, 17, 13.5, "#000000", "opacity='0.3'");
        radio.circle(16, 16, 13.5, radio.litGradient(kWood), "stroke='" + kWood.shade(-0.6).hex() + "'");
        radio.circle(16, 16, 9.5, kParchment.hex(), "stroke='" + kWood.shade(-0.4).hex() + "'");
        if (checked)
            radio.circle(16, 16, 5.5, radio.litGradient({47, 122, 31}), "stroke='#1d4a13' stroke-width='1'");
        render(radio, checked ? "data/Menu/radio_checked.png" : "data/Menu/radio.png");
    }
    Svg glow(32, 32);
    glow.circle(16, 16, 15, glow.radialGradient(kGold.shade(0.6), 0.0, kGold.shade(0.4), 0.75));
    render(glow, "data/Menu/auswahl_leuchten.png");

    // Entries of the profile list: nothing at rest, a soft golden band when marked.
    Svg entry(256, 40);
    entry.rect(2, 2, 252, 36, entry.verticalGradient(kGold.shade(0.55), kGold.shade(0.2), 0.85, 0.85),
               "rx='8' stroke='" + kGold.shade(-0.3).hex() + "' stroke-width='1.5'");
    render(entry, "data/Menu/eintrag_marked.png");
    Svg line(256, 40);
    line.rect(12, 37, 232, 1.5, kWood.shade(0.3).hex(), "opacity='0.6'");
    render(line, "data/Menu/eintrag.png");
}

void makeGui()
{
    makeFrameAtlas();

    struct ButtonLook {
        const char* file;
        Colour frame;
        Colour inner;
        double shift;
    };
    const ButtonLook looks[] = {
        {"button", kWood, {196, 140, 80}, 0},
        {"button_marked", kGold, {236, 196, 110}, 0},
        {"button_pressed", kWood.shade(-0.2), {160, 110, 60}, 1.5},
        {"button_disabled", {120, 120, 120}, {170, 170, 170}, 0},
    };
    for (const ButtonLook& look : looks) {
        Svg svg(256, 64);
        roundedFrame(svg, look.shift, look.shift, 256 - look.shift, 64 - look.shift, 14, look.frame, look.inner, 5);
        svg.rect(12, 9, 230, 12, "#ffffff", "rx='6' opacity='0.25'");
        render(svg, std::string("data/Menu/") + look.file + ".png");
    }

    Svg panel(256, 256);
    roundedFrame(panel, 0, 0, 256, 256, 18, kWood, kParchment, 9);
    render(panel, "data/Menu/panel.png");

    Svg tooltip(128, 64);
    roundedFrame(tooltip, 0, 0, 128, 64, 10, kGold.shade(-0.3), {252, 244, 220}, 3);
    render(tooltip, "data/Menu/tooltip.png");

    for (int checked = 0; checked < 2; ++checked) {
        Svg box(32, 32);
        roundedFrame(box, 0, 0, 32, 32, 6, kWood, kParchment, 4);
        if (checked)
            box.path("M8 16 L14 22 L24 8", "none",
                     "stroke='#2f7a1f' stroke-width='4' stroke-linecap='round' stroke-linejoin='round'");
        render(box, checked ? "data/Menu/checkbox_checked.png" : "data/Menu/checkbox.png");
    }

    Svg track(256, 16);
    track.rect(1, 3, 252, 10, track.verticalGradient(kWood.shade(-0.4), kWood.shade(0.1)),
               "rx='5' stroke='" + kInk.hex() + "' stroke-width='1'");
    render(track, "data/Menu/slider.png");
    Svg knob(32, 32);
    knob.circle(17, 17, 13, "#000000", "opacity='0.3'");
    knob.circle(15, 15, 13, knob.litGradient(kGold), "stroke='" + kGold.shade(-0.6).hex() + "' stroke-width='1.5'");
    render(knob, "data/Menu/slider_knob.png");

    Svg barBack(256, 32);
    barBack.rect(1, 1, 253, 29, barBack.verticalGradient(kInk.shade(0.1), kInk.shade(0.3)),
                 "rx='8' stroke='" + kWood.hex() + "' stroke-width='2'");
    render(barBack, "data/Menu/progress.png");
    Svg barFill(256, 32);
    barFill.rect(0, 0, 256, 32, barFill.verticalGradient({255, 160, 60}, {200, 50, 20}), "rx='8'");
    barFill.rect(6, 4, 244, 8, "#ffffff", "rx='4' opacity='0.3'");
    render(barFill, "data/Menu/progress_fill.png");
    makeMenuArt();
}

// ---------------------------------------------------------------- board

struct FieldSet {
    Colour floor;
    Colour frame;
};

const FieldSet kFieldSets[] = {
    {{217, 192, 138}, {139, 90, 43}},  // sand and wood
    {{127, 178, 74}, {90, 70, 40}},    // meadow and dark wood
    {{124, 135, 148}, {70, 74, 82}},   // slate and iron
    {{168, 216, 240}, {60, 110, 150}}, // ice and deep blue
    {{154, 106, 72}, {80, 50, 30}},    // earth and bark
};

void makeFields()
{
    const char* sides[4] = {"border_oben", "border_unten", "border_rechts", "border_links"};
    const char* corners[4] = {"tl", "tr", "bl", "br"};
    for (int set = 0; set < 5; ++set) {
        const FieldSet& look = kFieldSets[set];
        const std::string base = "data/Felder/feld_" + std::to_string(set) + "_";

        Svg floor(64, 64);
        floor.rect(1, 1, 62, 62, floor.litGradient(look.floor),
                   "rx='6' opacity='0.9' stroke='" + look.floor.shade(-0.35).hex() + "' stroke-width='1.5'");
        render(floor, base + "hintergrund.png");

        // The cells to clear must stand out on every floor and beside every stone: a raspberry
        // no floor or stone has, as a tint and a ring round the cell's edge, where the stone on
        // it leaves the cell showing; two layers are darker and ringed twice.
        Svg target1(64, 64);
        target1.rect(4, 4, 56, 56, kTarget.hex(), "rx='6' opacity='0.45'");
        target1.rect(5, 5, 54, 54, "none", "rx='6' stroke='" + kTarget.shade(0.35).hex() + "' stroke-width='5'");
        render(target1, base + "ziel1.png");
        Svg target2(64, 64);
        target2.rect(4, 4, 56, 56, kTarget.shade(-0.3).hex(), "rx='6' opacity='0.6'");
        target2.rect(5, 5, 54, 54, "none", "rx='6' stroke='" + kTarget.shade(-0.2).hex() + "' stroke-width='5'");
        target2.rect(11, 11, 42, 42, "none", "rx='5' stroke='" + kTarget.shade(0.45).hex() + "' stroke-width='3'");
        render(target2, base + "ziel2.png");

        Svg marked(64, 64);
        marked.rect(3, 3, 58, 58, "#ffffff", "rx='6' opacity='0.25' stroke='#ffffff' stroke-width='4'");
        render(marked, base + "marked.png");

        Svg locked(64, 64);
        const std::string bar = "stroke='#3a3f48' stroke-width='7' stroke-linecap='round' opacity='0.9'";
        locked.path("M10 10 L54 54 M54 10 L10 54", "none", bar);
        locked.path("M10 10 L54 54 M54 10 L10 54", "none", "stroke='#a8b0bc' stroke-width='3' stroke-linecap='round'");
        locked.circle(32, 32, 8, locked.litGradient({160, 165, 175}), "stroke='#3a3f48' stroke-width='2'");
        render(locked, base + "locked.png");

        // Border i lies along the side facing neighbour i: up, down, right, left.
        const double band = 12;
        const double bx[4] = {0, 0, 64 - band, 0}, by[4] = {0, 64 - band, 0, 0};
        const double bw[4] = {64, 64, band, band}, bh[4] = {band, band, 64, 64};
        for (int i = 0; i < 4; ++i) {
            Svg border(64, 64);
            border.rect(bx[i], by[i], bw[i], bh[i], border.litGradient(look.frame),
                        "stroke='" + look.frame.shade(-0.6).hex() + "' stroke-width='1'");
            render(border, base + sides[i] + ".png");
        }
        // Corner caps: inner corners fill the angle between two borders,
        // outer corners round off where a border ends.
        const double cx[4] = {0, 64, 0, 64}, cy[4] = {0, 0, 64, 64};
        for (int j = 0; j < 4; ++j) {
            Svg inner(64, 64);
            inner.circle(cx[j], cy[j], band * 1.6, inner.litGradient(look.frame),
                         "stroke='" + look.frame.shade(-0.6).hex() + "' stroke-width='1'");
            render(inner, base + "ecke_" + corners[j] + "_innen.png");
            Svg outer(64, 64);
            outer.rect(cx[j] == 0 ? 0 : 64 - band, cy[j] == 0 ? 0 : 64 - band, band, band,
                       outer.litGradient(look.frame),
                       "rx='4' stroke='" + look.frame.shade(-0.6).hex() + "' stroke-width='1'");
            render(outer, base + "ecke_" + corners[j] + "_aussen.png");
        }
    }
}

// Free-play stamps: one texel per board cell. Green 100 gets a stone, green
// 200 also feeds new stones, blue 100/200 marks targets, red 100 locks. A free
// board's stamps fall into an area of the first level's size (8 x 8) with 8 to
// 12 stamps placed anywhere in it, so the stamps are 4 to 8 cells and overlap
// into a board of varied outline that fills its frame.
void makeStamps()
{
    for (int i = 0; i < 15; ++i) {
        Random random(static_cast<unsigned>(500 + i));
        const int w = 4 + i % 5, h = 4 + (i * 7) % 5;
        Svg svg(w, h);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const double dx = (x + 0.5) / w - 0.5, dy = (y + 0.5) / h - 0.5;
                bool inside = true;
                switch (i % 5) {
                case 1:
                    inside = std::fabs(dx) < 0.2 || std::fabs(dy) < 0.2;
                    break; // cross
                case 2:
                    inside = std::fabs(dx) + std::fabs(dy) <= 0.55;
                    break; // diamond
                case 3:
                    inside = !(std::fabs(dx) < 0.2 && std::fabs(dy) < 0.2);
                    break; // ring
                case 4:
                    inside = x < (w + 1) / 2 || y >= h / 2;
                    break; // L
                default:
                    break; // block
                }
                if (!inside)
                    continue;
                int red = 0, green = y == 0 ? 200 : 100, blue = 0;
                const double roll = random.next();
                if (roll < 0.15)
                    blue = 200;
                else if (roll < 0.35)
                    blue = 100;
                if (y > 0 && random.next() < 0.06)
                    red = 100;
                char colour[8];
                std::snprintf(colour, sizeof(colour), "#%02x%02x%02x", red, green, blue);
                svg.rect(x, y, 1, 1, colour, "shape-rendering='crispEdges'");
            }
        }
        render(svg, "data/Level/freeplay_" + std::to_string(i) + ".png");
    }
}

// Story level layouts, one texel per cell, one character per texel:
//   .  hole            #  wall (red 200)      e  empty cell, filled by falling stones
//   o  stone (green 100)                      S  stone and spawn (green 200)
//   t  stone on one target layer (blue 100)   T  stone on two target layers (blue 200)
//   L  locked stone (red 100)                 l  locked on one layer    K  locked on two
// The levels grow from an open square with a few targets to large boards with walls, holes,
// locks and double targets. Every target can be reached by falling stones and lies in a
// line of three playable cells (the level loader drops those that do not).
const std::vector<std::vector<std::string>>& levelLayouts()
{
    static const std::vector<std::vector<std::string>> layouts = {
        {"SSSSSSSS", "oooooooo", "oooooooo", "oottttoo", "oottttoo", "oooooooo", "oooooooo", "oooooooo"},
        {"SSSSSSSS", "oooooooo", "ooottooo", "ootTTtoo", "ootTTtoo", "ooottooo", "oooooooo", "oooooooo"},
        {"..SSSSS..", ".ooooooo.", "ootttttoo", "ootoootoo", "ooToooToo", "ootoootoo", "ootttttoo", ".ooooooo.",
         "..ooooo.."},
        {"SSSSSSSSS", "ooooooooo", "ooooooooo", "ottt#ttto", "ootT#Ttoo", "ottt#ttto", "ooooSoooo", "ooooooooo",
         "ooooooooo"},
        {"SSSSSSSSS", "ooooooooo", "oLoooooLo", "ootltltoo", "oottTttoo", "ootltltoo", "oLoooooLo", "ooooooooo",
         "ooooooooo"},
        {"SSSSSSSSSS", "oooooooooo", "oottoottoo", "ooto..otoo", "ooTo..oToo", "ooto..otoo", "oottoottoo", "oooooooooo",
         "oooooooooo"},
        {"SSSS##SSSS", "oooo##oooo", "ottt##ttto", "otTo##oTto", "ooooSSoooo", "oottttttoo", "oooooooooo", "oLooooooLo",
         "oooooooooo", "oooooooooo"},
        {"SSSSSSSSSS", "oooooooooo", "oo.oooo.oo", "ottollotto", "ottooootto", ".oooTTooo.", "ottooootto", "ottollotto",
         "ooo.oo.ooo", "oooooooooo"},
        {"SSSSSSSSSS", "oooooooooo", "oLooLLooLo", "oooooooooo", "ottTttTtto", "oooooooooo", "eeeeeeeeee", "etteeeette",
         "eTTeeeeTTe", "eeeeeeeeee"},
        {"...SSSSS...", "...ootoo...", "...otTto...", "SSSoooooSSS", "otttoTottto", "oToooooooTo", "otttoTottto",
         "ooooooooooo", "...otTto...", "...ootoo..."},
        {"SSSSSSSSSSS", "ooooooooooo", "oo#ooooo#oo", "ooSttTttSoo", "ootoooootoo", "##tTo#oTt##", "SSoooSoooSS",
         "ottttotttto", "ooLoooooLoo", "oooKoooKooo", "ooooooooooo"},
        {"..SSSSSSSS..", ".oooooooooo.", "ootTTooTTtoo", "ootKooooKtoo", "oooo#oo#oooo", "ottoSooSotto", "otTooooooTto",
         "ottoLooLotto", "oooooooooooo", ".ooottttooo.", "..oooooooo.."},
        {"SSSSSSSSSSSS", "oooooooooooo", "otTto##otTto", "oKoooSSoooKo", "ottTtootTtto", "..oooooooo..", "..otTTTTto..",
         "..oooooooo..", "SttTtootTttS", "oKoo#oo#ooKo", "otTtSooStTto", "oooooooooooo"},
    };
    return layouts;
}

const char* layoutColour(char kind)
{
    switch (kind) {
    case '#':
        return "#c80000";
    case 'e':
        return "#000000";
    case 'o':
        return "#006400";
    case 'S':
        return "#00c800";
    case 't':
        return "#006464";
    case 'T':
        return "#0064c8";
    case 'L':
        return "#646400";
    case 'l':
        return "#646464";
    case 'K':
        return "#6464c8";
    default:
        return nullptr; // a hole stays transparent
    }
}

void makeLevels()
{
    const auto& layouts = levelLayouts();
    for (std::size_t n = 0; n < layouts.size(); ++n) {
        const std::vector<std::string>& rows = layouts[n];
        const int w = static_cast<int>(rows[0].size()), h = static_cast<int>(rows.size());
        Svg svg(w, h);
        for (int y = 0; y < h; ++y) {
            if (static_cast<int>(rows[y].size()) != w) {
                std::fprintf(stderr, "arttool: level %zu row %d is not %d wide\n", n, y, w);
                ++g_failures;
            }
            for (int x = 0; x < w && x < static_cast<int>(rows[y].size()); ++x) {
                if (const char* colour = layoutColour(rows[y][x]))
                    svg.rect(x, y, 1, 1, colour, "shape-rendering='crispEdges'");
            }
        }
        char name[64];
        std::snprintf(name, sizeof(name), "data/Level/level_%02zu.png", n);
        render(svg, name);
    }
}

// ---------------------------------------------------------------- pointers, bonuses, particles

void makeCursors()
{
    // The game draws a pointer's frame centred on the mouse, so the tip stands at the frame's
    // middle and the arrow fills the lower right quarter. Each frame keeps a clear border, so
    // that the filtered picture takes nothing from its neighbours in the strip.
    const Colour looks[4] = {kGold, {240, 240, 240}, kWood.shade(0.2), {63, 200, 216}};
    const double size = 64.0;
    for (int style = 0; style < 4; ++style) {
        Svg svg(static_cast<int>(8 * size), static_cast<int>(size));
        for (int f = 0; f < 8; ++f) {
            const double x = size * f + size / 2;
            const double y = size / 2;
            const double wave = 0.5 + 0.5 * std::sin(2 * M_PI * f / 8.0);
            svg.circle(x, y, 3 + 5 * wave, svg.radialGradient(kWhite, 0.9, looks[style], 0.0));
            const std::string arrow = pointerArrow(x, y);
            svg.path(arrow, "#000000", "opacity='0.35' transform='translate(1.5,1.5)'");
            svg.path(arrow, svg.litGradient(looks[style]),
                     "stroke='" + looks[style].shade(-0.7).hex() + "' stroke-width='1.5' stroke-linejoin='round'");
        }
        render(svg, "data/Animationen/cursor_" + std::to_string(style) + ".png");
        // The first frame alone, for the choice of pointer on the options screen.
        Svg preview(32, 32);
        const std::string arrow =
            polygon({{6, 4}, {6, 26}, {12, 20.5}, {16.5, 30}, {20.5, 28}, {16, 18.5}, {24, 18.5}});
        preview.path(arrow, "#000000", "opacity='0.35' transform='translate(2,2)'");
        preview.path(arrow, preview.litGradient(looks[style]),
                     "stroke='" + looks[style].shade(-0.7).hex() + "' stroke-width='1.5' stroke-linejoin='round'");
        render(preview, "data/Menu/cursor_vorschau_" + std::to_string(style) + ".png");
    }
}

void badge(Svg& svg)
{
    const Colour blue{44, 63, 85};
    svg.circle(34, 34, 28, "#000000", "opacity='0.35'");
    svg.circle(32, 32, 28, svg.litGradient(blue), "stroke='" + kGold.hex() + "' stroke-width='3'");
}

// The sign of a bonus in the coordinates of a 64 x 64 badge of radius 28 around (32, 32).
void drawBonusSymbol(Svg& svg, Symbol symbol)
{
    const std::string outline = "stroke='#1a1410' stroke-width='1.5' stroke-linejoin='round'";
    switch (symbol) {
    case Symbol::Hammer:
        svg.path(polygon({{30, 24}, {35, 24}, {35, 50}, {30, 50}}), svg.litGradient(kWood), outline);
        svg.path(polygon({{20, 16}, {44, 16}, {46, 27}, {18, 27}}), svg.litGradient({150, 155, 165}), outline);
        break;
    case Symbol::Bolt:
        svg.path(polygon({{36, 10}, {20, 35}, {31, 35}, {26, 54}, {44, 27}, {33, 27}}), svg.litGradient({255, 230, 80}),
                 outline);
        break;
    case Symbol::Clock:
        svg.circle(32, 32, 18, svg.litGradient(kParchment), outline);
        svg.path("M32 32 L32 19 M32 32 L41 36", "none", "stroke='#1a1410' stroke-width='3' stroke-linecap='round'");
        break;
    case Symbol::Bomb:
        svg.circle(30, 36, 15, svg.litGradient({70, 70, 80}), outline);
        svg.path("M38 24 Q44 16 48 18", "none", "stroke='#c8a060' stroke-width='3'");
        svg.circle(48, 17, 4, svg.radialGradient({255, 240, 120}, 1.0, {255, 120, 20}, 0.0));
        break;
    case Symbol::Star:
        svg.path(star(32, 33, 5, 21, 9), svg.litGradient(kGold), outline);
        break;
    case Symbol::Dice:
        svg.rect(17, 17, 30, 30, svg.litGradient({245, 245, 245}), "rx='6' " + outline);
        for (auto [x, y] : std::vector<std::pair<int, int>>{{24, 24}, {32, 32}, {40, 40}, {40, 24}, {24, 40}})
            svg.circle(x, y, 3, "#1a1410");
        break;
    case Symbol::Arrows:
        svg.path(
            polygon(
                {{10, 32}, {20, 22}, {20, 28}, {44, 28}, {44, 22}, {54, 32}, {44, 42}, {44, 36}, {20, 36}, {20, 42}}),
            svg.litGradient({255, 160, 60}), outline);
        break;
    case Symbol::Trio:
        drawStone(svg, stones()[4], 24, 36, 9);
        drawStone(svg, stones()[3], 40, 36, 9);
        drawStone(svg, stones()[0], 32, 22, 9);
        break;
    case Symbol::None:
        break;
    }
}

void makeBonuses()
{
    const std::pair<Symbol, const char*> icons[] = {
        {Symbol::Hammer, "hammer"}, {Symbol::Bolt, "blitz"},  {Symbol::Clock, "zeit"},   {Symbol::Bomb, "bombe"},
        {Symbol::Star, "punkte"},   {Symbol::Dice, "zufall"}, {Symbol::Arrows, "zeile"}, {Symbol::Trio, "rohstoff"},
    };
    for (const auto& [symbol, file] : icons) {
        Svg svg(64, 64);
        badge(svg);
        drawBonusSymbol(svg, symbol);
        render(svg, std::string("data/textures/bonus_") + file + ".png");
    }
}

void makeParticles()
{
    Svg spark(32, 32);
    spark.circle(16, 16, 16, spark.radialGradient({255, 250, 220}, 1.0, {255, 170, 40}, 0.0));
    render(spark, "data/Partikel/funke.png");
    Svg smoke(64, 64);
    smoke.circle(32, 32, 32, smoke.radialGradient({200, 200, 200}, 0.7, {150, 150, 150}, 0.0));
    render(smoke, "data/Partikel/rauch.png");
    Svg sparkle(32, 32);
    sparkle.path(star(16, 16, 4, 15, 4), sparkle.radialGradient(kWhite, 1.0, kGold, 0.6));
    render(sparkle, "data/Partikel/stern.png");
    Svg light(64, 64);
    light.circle(32, 32, 32, light.radialGradient(kWhite, 1.0, {255, 240, 200}, 0.0));
    render(light, "data/textures/licht.png");

    // Shards of a target layer, four shapes side by side; white, so the emitter tints them.
    Svg shards(128, 32);
    const std::vector<std::vector<std::pair<double, double>>> shardShapes = {
        {{4, 20}, {14, 4}, {28, 10}, {22, 28}},
        {{6, 8}, {26, 6}, {18, 27}},
        {{3, 14}, {16, 3}, {29, 16}, {20, 29}, {8, 26}},
        {{10, 3}, {24, 12}, {27, 28}, {5, 22}},
    };
    for (std::size_t f = 0; f < shardShapes.size(); ++f) {
        std::vector<std::pair<double, double>> points = shardShapes[f];
        for (auto& point : points)
            point.first += 32.0 * static_cast<double>(f);
        shards.path(polygon(points), shards.litGradient({235, 235, 235}),
                    "stroke='#808080' stroke-width='1.2' stroke-linejoin='round'");
    }
    render(shards, "data/Partikel/splitter.png");

    // A leaf turning over in four frames.
    Svg leaves(96, 24);
    for (int f = 0; f < 4; ++f) {
        const double cx = 24.0 * f + 12.0, squash = 0.35 + 0.65 * std::fabs(std::cos(M_PI * f / 4.0));
        leaves.beginGroup("transform='translate(" + num(cx) + " 12) rotate(" + num(35.0 * f) + ") scale(1 " +
                          num(squash) + ")'");
        leaves.path("M-10 0 Q0 -9 10 0 Q0 9 -10 0 Z", leaves.litGradient({120, 170, 60}),
                    "stroke='#3f5a1c' stroke-width='1'");
        leaves.path("M-9 0 L9 0", "none", "stroke='#3f5a1c' stroke-width='0.8'");
        leaves.endGroup();
    }
    render(leaves, "data/Partikel/blatt.png");

    Svg drop(16, 16);
    drop.path("M8 1 C10 6 13 8 13 11 A5 5 0 0 1 3 11 C3 8 6 6 8 1 Z", drop.litGradient({110, 170, 235}),
              "stroke='#2c5a90' stroke-width='0.8'");
    render(drop, "data/Partikel/tropfen.png");
}

// ---------------------------------------------------------------- path animations

// Strips the bonuses play over the cells they strike, and the town's passers-by.
void makePathAnimations()
{
    const int frames = 8;
    // Lightning: a bolt from the sky onto the cell at the bottom third, flickering and fading.
    Svg bolt(100 * frames, 300);
    Random random(4242);
    for (int f = 0; f < frames; ++f) {
        const double x0 = 100.0 * f, fade = f < 3 ? 1.0 : 1.0 - (f - 2) / 6.0;
        std::string d = "M" + num(x0 + 50 + random.range(-10, 10)) + " 0";
        for (int k = 1; k <= 8; ++k)
            d += " L" + num(x0 + 50 + (k == 8 ? 0 : random.range(-18, 18))) + " " + num(260.0 * k / 8.0);
        bolt.path(d, "none",
                  "stroke='#fff6a0' stroke-width='" + num(9 * fade + 1) + "' stroke-linejoin='round' opacity='" +
                      num(0.45 * fade) + "'");
        bolt.path(d, "none",
                  "stroke='#ffffff' stroke-width='" + num(3 * fade + 1) + "' stroke-linejoin='round' opacity='" +
                      num(fade) + "'");
        bolt.circle(x0 + 50, 262, 10 + 30 * (1 - fade) + 8 * fade,
                    bolt.radialGradient(kWhite, 0.9 * fade, {255, 230, 80}, 0.0));
    }
    render(bolt, "data/Animationen/blitz_einschlag.png");

    // Hammer: swings down onto the cell, then stars fly off the blow.
    Svg hammer(100 * frames, 100);
    for (int f = 0; f < frames; ++f) {
        const double x0 = 100.0 * f;
        const double angle = f < 4 ? -70.0 + 70.0 * f / 3.0 : 0.0;
        const double alpha = f < 6 ? 1.0 : 1.0 - (f - 5) / 3.0;
        hammer.beginGroup("opacity='" + num(alpha) + "' transform='rotate(" + num(angle) + " " + num(x0 + 78) +
                          " 82)'");
        hammer.path(polygon({{x0 + 74, 34}, {x0 + 82, 34}, {x0 + 82, 86}, {x0 + 74, 86}}), hammer.litGradient(kWood),
                    "stroke='#1a1410' stroke-width='1.5'");
        hammer.path(polygon({{x0 + 50, 20}, {x0 + 96, 20}, {x0 + 98, 40}, {x0 + 48, 40}}),
                    hammer.litGradient({150, 155, 165}), "stroke='#1a1410' stroke-width='1.5'");
        hammer.endGroup();
        if (f >= 3) {
            const double spread = 8.0 + 9.0 * (f - 3);
            for (int k = 0; k < 5; ++k) {
                const double a = -M_PI * (0.1 + 0.2 * k);
                hammer.path(star(x0 + 50 + spread * std::cos(a), 60 + spread * std::sin(a), 4, 6, 2),
                            kGold.shade(0.3).hex(), "opacity='" + num(alpha) + "'");
            }
        }
    }
    render(hammer, "data/Animationen/hammer_schlag.png");

    // Explosion: a fireball swelling into a fading ring of smoke.
    Svg blast(100 * frames, 100);
    for (int f = 0; f < frames; ++f) {
        const double x0 = 100.0 * f, p = f / static_cast<double>(frames - 1);
        blast.path(star(x0 + 50, 50, 10, 18 + 28 * p, 9 + 14 * p, 0.3 * f),
                   blast.radialGradient({255, 230, 120}, 1.0, {230, 70, 20}, 1.0), "opacity='" + num(1.0 - p) + "'");
        blast.circle(x0 + 50, 50, 10 + 26 * p,
                     blast.radialGradient({255, 255, 230}, 1.0 - 0.7 * p, {255, 150, 40}, 0.6 * (1.0 - p)));
        blast.circle(x0 + 50, 50, 10 + 38 * p, "none",
                     "stroke='#5a5048' stroke-width='" + num(2 + 8 * p) + "' opacity='" + num(0.7 * (1 - p)) + "'");
    }
    render(blast, "data/Animationen/explosion.png");

    // Swirl: three arms turning while they fade in and out.
    Svg swirl(100 * frames, 100);
    for (int f = 0; f < frames; ++f) {
        const double x0 = 100.0 * f, alpha = std::sin(M_PI * (f + 0.5) / frames);
        swirl.beginGroup("transform='rotate(" + num(45.0 * f) + " " + num(x0 + 50) + " 50)' opacity='" + num(alpha) +
                         "'");
        for (int k = 0; k < 3; ++k) {
            swirl.beginGroup("transform='rotate(" + num(120.0 * k) + " " + num(x0 + 50) + " 50)'");
            swirl.path("M" + num(x0 + 50) + " 50 Q" + num(x0 + 80) + " 40 " + num(x0 + 72) + " 14", "none",
                       "stroke='#e0c8ff' stroke-width='5' stroke-linecap='round'");
            swirl.endGroup();
        }
        swirl.endGroup();
    }
    render(swirl, "data/Animationen/wirbel.png");

    // Beam: a glowing band through the cell, pulsing once.
    Svg beam(100 * frames, 100);
    for (int f = 0; f < frames; ++f) {
        const double x0 = 100.0 * f, alpha = std::sin(M_PI * (f + 0.5) / frames);
        const double h = 20 + 30 * alpha;
        beam.rect(x0, 50 - h / 2, 100, h / 2, beam.verticalGradient({255, 200, 120}, {255, 250, 220}, 0.0, alpha));
        beam.rect(x0, 50, 100, h / 2, beam.verticalGradient({255, 250, 220}, {255, 200, 120}, alpha, 0.0));
    }
    render(beam, "data/Animationen/strahl.png");

    // Pull: a ring of sparkles drawn into the cell's centre.
    Svg pull(100 * frames, 100);
    for (int f = 0; f < frames; ++f) {
        const double x0 = 100.0 * f, p = f / static_cast<double>(frames - 1), radius = 44 * (1 - p) + 4;
        for (int k = 0; k < 8; ++k) {
            const double a = 2 * M_PI * k / 8 + p * 2.0;
            pull.path(star(x0 + 50 + radius * std::cos(a), 50 + radius * std::sin(a), 4, 7, 2),
                      pull.radialGradient(kWhite, 1.0, {63, 200, 216}, 0.8), "opacity='" + num(0.4 + 0.6 * p) + "'");
        }
    }
    render(pull, "data/Animationen/sog.png");

    // A bird beating its wings, four frames.
    Svg bird(128, 24);
    for (int f = 0; f < 4; ++f) {
        const double x0 = 32.0 * f, wing = 8.0 * std::cos(2 * M_PI * f / 4.0);
        bird.path("M" + num(x0 + 2) + " " + num(12 - wing) + " Q" + num(x0 + 9) + " " + num(10 - wing / 2) + " " +
                      num(x0 + 16) + " 14 Q" + num(x0 + 23) + " " + num(10 - wing / 2) + " " + num(x0 + 30) + " " +
                      num(12 - wing),
                  "none", "stroke='#2a2a34' stroke-width='2.5' stroke-linecap='round' stroke-linejoin='round'");
    }
    render(bird, "data/Animationen/vogel.png");

    // A butterfly opening and closing its wings.
    Svg butterfly(96, 24);
    for (int f = 0; f < 4; ++f) {
        const double cx = 24.0 * f + 12.0, open = 0.25 + 0.75 * std::fabs(std::cos(M_PI * f / 4.0));
        butterfly.beginGroup("transform='translate(" + num(cx) + " 12) scale(" + num(open) + " 1)'");
        butterfly.ellipse(-5, -4, 6, 5, butterfly.litGradient({240, 150, 40}), "stroke='#402010' stroke-width='0.8'");
        butterfly.ellipse(5, -4, 6, 5, butterfly.litGradient({240, 150, 40}), "stroke='#402010' stroke-width='0.8'");
        butterfly.ellipse(-4, 4, 4, 4, butterfly.litGradient({250, 200, 80}), "stroke='#402010' stroke-width='0.8'");
        butterfly.ellipse(4, 4, 4, 4, butterfly.litGradient({250, 200, 80}), "stroke='#402010' stroke-width='0.8'");
        butterfly.endGroup();
        butterfly.rect(cx - 1, 3, 2, 16, "#402010", "rx='1'");
    }
    render(butterfly, "data/Animationen/schmetterling.png");
}

// The program's icon: three crystals in a row on a navy tile under a gold star, the match the
// game is about. The window takes "threematch.png" from the runtime folder; the desktop takes the
// sizes under SVG_DIR/icons/hicolor (PNG and the SVG itself), which the install copies.
void makeIcon()
{
    Svg icon(256, 256, "icon");
    icon.rect(10, 14, 240, 240, "#000000", "rx='44' opacity='0.3'");
    icon.rect(6, 6, 240, 240, icon.verticalGradient(kBonusNavy.shade(0.25), kBonusNavy.shade(-0.35)),
              "rx='44' stroke='" + kGold.hex() + "' stroke-width='8'");
    icon.ellipse(128, 142, 112, 46, icon.radialGradient(kGold.shade(0.6), 0.55, kGold, 0.0));
    const Stone* crystal = nullptr;
    for (const Stone& stone : stones()) {
        if (std::string(stone.file) == "kristall")
            crystal = &stone;
    }
    for (int i = 0; i < 3 && crystal; ++i)
        drawStone(icon, *crystal, 56.0 + 72.0 * i, 146, 34);
    icon.path(star(128, 62, 5, 34, 14), icon.litGradient(kGold), "stroke='" + kInk.hex() + "' stroke-width='3'");
    const fs::path themed = g_svgDir / "icons" / "hicolor";
    fs::create_directories(themed / "scalable" / "apps");
    {
        std::ofstream out(themed / "scalable" / "apps" / "threematch.svg", std::ios::binary);
        out << icon.text();
    }
    for (int size : {48, 64, 128, 256}) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        const fs::path png = themed / folder / "apps" / "threematch.png";
        fs::create_directories(png.parent_path());
        const std::string command = "rsvg-convert -w " + std::to_string(size) + " -h " + std::to_string(size) +
                                    " -o \"" + png.string() + "\" \"" +
                                    (themed / "scalable" / "apps" / "threematch.svg").string() + "\"";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "arttool: rendering the %d pixel icon failed\n", size);
            ++g_failures;
        }
    }
    // The window's own: X takes an icon in one request, which 128 pixels a side fit.
    std::error_code error;
    fs::copy_file(themed / "128x128" / "apps" / "threematch.png", g_outDir / "threematch.png",
                  fs::copy_options::overwrite_existing, error);
    if (error) {
        std::fprintf(stderr, "arttool: the window icon cannot be copied: %s\n", error.message().c_str());
        ++g_failures;
    }
}

} // namespace

// The in-game screen and the town: square bonus slots (wood when the bonus is charged, gold under
// the mouse, grey while it charges), the cards of the buy bar and the fill of the wrath meter.
void makeGameScreenArt()
{
    struct SlotLook {
        const char* file;
        Colour frame;
        Colour inner;
    };
    const SlotLook slots[] = {
        {"slot", kWood, {92, 62, 34}},
        {"slot_marked", kGold, {150, 104, 40}},
        {"slot_grau", {118, 112, 104}, {78, 74, 70}},
    };
    for (const SlotLook& look : slots) {
        Svg svg(64, 64);
        roundedFrame(svg, 0, 0, 64, 64, 12, look.frame, look.inner, 5);
        svg.circle(32, 30, 22, svg.radialGradient(kWhite, 0.18, kWhite, 0.0));
        render(svg, std::string("data/Menu/") + look.file + ".png");
    }
    for (int marked = 0; marked < 2; ++marked) {
        Svg card(128, 96);
        roundedFrame(card, 0, 0, 128, 96, 12, marked ? kGold : kWood, marked ? Colour{250, 238, 200} : kParchment, 6);
        render(card, marked ? "data/Menu/karte_marked.png" : "data/Menu/karte.png");
    }
    Svg wrath(256, 32);
    wrath.rect(0, 0, 256, 32, wrath.verticalGradient({236, 90, 200}, {120, 20, 96}), "rx='8'");
    wrath.rect(6, 4, 244, 8, "#ffffff", "rx='4' opacity='0.3'");
    render(wrath, "data/Menu/zorn_fuellung.png");
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: arttool OUT_DIR SVG_DIR\n");
        return 2;
    }
    g_outDir = argv[1];
    g_svgDir = argv[2];
    makeStones();
    makeGui();
    makeGameScreenArt();
    makeLoadingScreen();
    makeScenes();
    makeTrees();
    makeFields();
    makeStamps();
    makeLevels();
    makeCursors();
    makeBonuses();
    makeParticles();
    makePathAnimations();
    makeTown();
    makeMinigameArt();
    makeStreetArt();
    makeIcon();
    if (g_failures > 0) {
        std::fprintf(stderr, "arttool: %d pictures failed\n", g_failures);
        return 1;
    }
    return 0;
}
