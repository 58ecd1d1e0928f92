// The pairs game's cards: one sheet of 96 x 96 cards, the faces (a thing of the town on a
// light card) first, then the two backs (a wooden one with a gold star, a blue one with a
// silver moon). The data's texture animations name frame k at (96 k, 0).
#include "ArtCommon.h"
#include "Icons.h"

#include <vector>

namespace Art {

namespace {

constexpr double kCard = 96.0;

void face(Svg& svg, double x, Icon icon)
{
    svg.rect(x + 3, 3, kCard - 6, kCard - 6, svg.verticalGradient({252, 246, 228}, {232, 220, 190}),
             "rx='9' stroke='" + kInk.hex() + "' stroke-width='2.5'");
    drawIcon(svg, icon, x + 14, 14, kCard - 28);
}

void back(Svg& svg, double x, const Colour& colour, Icon emblem)
{
    svg.rect(x + 3, 3, kCard - 6, kCard - 6, svg.litGradient(colour),
             "rx='9' stroke='" + kInk.hex() + "' stroke-width='2.5'");
    svg.rect(x + 10, 10, kCard - 20, kCard - 20, "none",
             "rx='6' stroke='" + colour.shade(0.5).hex() + "' stroke-width='2' stroke-dasharray='6 4'");
    drawIcon(svg, emblem, x + 28, 28, kCard - 56);
}

} // namespace

void makeMemoryArt()
{
    const std::vector<Icon> faces = {Icon::Apple,  Icon::Pear,   Icon::Cherries, Icon::Grapes, Icon::Carrot,
                                     Icon::Bread,  Icon::Hammer, Icon::Saw,      Icon::Axe,    Icon::Shovel,
                                     Icon::Bucket, Icon::Key,    Icon::Log,      Icon::Sack};
    Svg sheet(static_cast<int>(kCard) * static_cast<int>(faces.size() + 2), static_cast<int>(kCard));
    for (size_t k = 0; k < faces.size(); ++k)
        face(sheet, static_cast<double>(k) * kCard, faces[k]);
    back(sheet, static_cast<double>(faces.size()) * kCard, kWood, Icon::Star);
    back(sheet, static_cast<double>(faces.size() + 1) * kCard, {60, 90, 150}, Icon::Moon);
    render(sheet, "data/Games/memory_karten.png");
}

} // namespace Art
