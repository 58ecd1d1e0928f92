#include "Icons.h"

#include <cmath>
#include <string>

namespace Art {

namespace {

std::string ink(double width)
{
    return "stroke='" + kInk.hex() + "' stroke-width='" + num(width) + "' stroke-linejoin='round'";
}

// Drawn in a 100 x 100 square, scaled into place.
void draw(Svg& svg, Icon icon)
{
    const std::string line = ink(3);
    switch (icon) {
    case Icon::Apple:
        svg.path("M50 30 C20 16 8 50 24 74 C34 90 44 86 50 82 C56 86 66 90 76 74 C92 50 80 16 50 30 Z",
                 svg.litGradient({210, 40, 36}), line);
        svg.path("M50 30 Q52 18 58 10", "none", ink(4));
        svg.path("M54 22 Q70 8 80 18 Q66 28 54 22 Z", "#4a9a3a", ink(2));
        break;
    case Icon::Pear:
        svg.path("M50 16 C40 16 40 34 36 44 C20 60 26 90 50 90 C74 90 80 60 64 44 C60 34 60 16 50 16 Z",
                 svg.litGradient({196, 200, 70}), line);
        svg.path("M50 16 Q50 8 46 4", "none", ink(4));
        break;
    case Icon::Cherries:
        svg.path("M34 70 Q40 30 66 14 M70 66 Q64 36 66 14", "none", "stroke='#4a7a2a' stroke-width='4'");
        svg.circle(32, 72, 16, svg.litGradient({190, 20, 40}), line);
        svg.circle(70, 68, 16, svg.litGradient({190, 20, 40}), line);
        break;
    case Icon::Grapes:
        for (int row = 0; row < 4; ++row) {
            for (int k = 0; k <= 3 - row; ++k)
                svg.circle(50 - (3 - row) * 8 + k * 16, 32 + row * 15, 9, svg.litGradient({120, 60, 150}), ink(2));
        }
        svg.path("M50 24 L50 8", "none", ink(4));
        break;
    case Icon::Carrot:
        svg.path("M30 30 L78 84 L40 22 Z", svg.litGradient({236, 130, 30}), line);
        svg.path("M34 26 Q20 8 14 14 M34 26 Q30 6 40 6 M34 26 Q44 10 50 16", "none",
                 "stroke='#3a8a2a' stroke-width='5' stroke-linecap='round'");
        break;
    case Icon::Bread:
        svg.path("M12 64 C12 30 88 30 88 64 C88 78 12 78 12 64 Z", svg.litGradient({200, 140, 70}), line);
        for (int k = 0; k < 3; ++k)
            svg.path("M" + num(30 + k * 18) + " 46 l10 14", "none", ink(3));
        break;
    case Icon::Fish:
        svg.path("M14 50 C30 24 64 24 76 50 C64 76 30 76 14 50 Z M76 50 L94 32 L94 68 Z",
                 svg.litGradient({90, 140, 200}), line);
        svg.circle(30, 46, 4, kInk.hex());
        break;
    case Icon::Wheat:
        svg.path("M50 94 L50 20", "none", "stroke='#b08a30' stroke-width='4'");
        for (int k = 0; k < 4; ++k) {
            const double y = 22 + k * 14;
            svg.ellipse(40, y + 6, 8, 5, svg.litGradient({226, 190, 80}), ink(1.5));
            svg.ellipse(60, y + 6, 8, 5, svg.litGradient({226, 190, 80}), ink(1.5));
        }
        svg.ellipse(50, 16, 6, 9, svg.litGradient({226, 190, 80}), ink(1.5));
        break;
    case Icon::Hammer:
        svg.rect(44, 34, 12, 60, svg.litGradient({160, 110, 60}), line);
        svg.rect(18, 14, 64, 24, svg.litGradient({130, 130, 140}), "rx='4' " + line);
        break;
    case Icon::Saw:
        svg.path("M10 40 L80 40 L80 62 L10 62 Z", svg.litGradient({190, 190, 200}), line);
        svg.path("M10 62 L15 70 L20 62 L25 70 L30 62 L35 70 L40 62 L45 70 L50 62 L55 70 L60 62 L65 70 L70 62 L75 70 "
                 "L80 62",
                 "#c0c0c8", ink(2));
        svg.rect(78, 32, 16, 38, svg.litGradient({160, 100, 50}), "rx='5' " + line);
        break;
    case Icon::Axe:
        svg.path("M30 92 L62 14", "none", "stroke='" + kInk.hex() + "' stroke-width='11' stroke-linecap='round'");
        svg.path("M30 92 L62 14", "none", "stroke='#b07840' stroke-width='7' stroke-linecap='round'");
        svg.path("M56 20 C70 8 94 16 92 40 C80 36 68 40 60 44 Z", svg.litGradient({150, 150, 160}), line);
        break;
    case Icon::Shovel:
        svg.path("M50 8 L50 56", "none", "stroke='#a06a34' stroke-width='8'");
        svg.rect(38, 6, 24, 8, "#a06a34", ink(2));
        svg.path("M32 56 L68 56 L68 76 Q50 98 32 76 Z", svg.litGradient({150, 150, 160}), line);
        break;
    case Icon::Bucket:
        svg.path("M22 34 L78 34 L70 90 L30 90 Z", svg.litGradient({150, 110, 70}), line);
        svg.path("M22 34 Q50 -4 78 34", "none", ink(3));
        for (double y : {50.0, 74.0})
            svg.path("M" + num(22 + (y - 34) * 0.14) + " " + num(y) + " L" + num(78 - (y - 34) * 0.14) + " " + num(y),
                     "none", "stroke='#606068' stroke-width='4'");
        break;
    case Icon::Key:
        svg.circle(30, 50, 18, "none", "stroke='" + kInk.hex() + "' stroke-width='12'");
        svg.circle(30, 50, 18, "none", "stroke='#e0b040' stroke-width='8'");
        svg.path("M48 46 L92 46 L92 54 L84 54 L84 66 L76 66 L76 54 L48 54 Z", svg.litGradient({224, 176, 64}), line);
        break;
    case Icon::Star:
        svg.path(star(50, 54, 5, 44, 18), svg.litGradient(kGold), line);
        break;
    case Icon::Moon:
        svg.path("M64 10 A42 42 0 1 0 90 70 A34 34 0 1 1 64 10 Z", svg.litGradient({230, 226, 170}), line);
        break;
    case Icon::Sun:
        for (int k = 0; k < 12; ++k) {
            const double a = k * M_PI / 6;
            svg.path("M" + num(50 + 30 * std::cos(a)) + " " + num(50 + 30 * std::sin(a)) + " L" +
                         num(50 + 46 * std::cos(a)) + " " + num(50 + 46 * std::sin(a)),
                     "none", "stroke='#e09020' stroke-width='6' stroke-linecap='round'");
        }
        svg.circle(50, 50, 26, svg.litGradient({250, 200, 60}), line);
        break;
    case Icon::Log:
        svg.rect(10, 34, 74, 36, svg.litGradient({150, 96, 50}), line);
        svg.ellipse(84, 52, 10, 18, svg.radialGradient({230, 190, 130}, 1.0, {180, 130, 80}, 1.0), line);
        svg.ellipse(84, 52, 4, 8, "none", ink(1.5));
        break;
    case Icon::Stone:
        svg.path("M14 76 L22 40 L46 22 L76 30 L90 60 L76 84 L34 88 Z", svg.litGradient({150, 150, 156}), line);
        svg.path("M46 22 L52 52 L90 60 M52 52 L34 88", "none", ink(1.5));
        break;
    case Icon::Sack:
        svg.path("M36 24 L64 24 L60 34 C86 44 92 90 50 92 C8 90 14 44 40 34 Z", svg.litGradient({210, 180, 120}), line);
        svg.path("M36 30 L64 30", "none", "stroke='#8a5a2a' stroke-width='5'");
        break;
    case Icon::MortarSack:
        svg.path("M22 20 L78 20 L84 88 L16 88 Z", svg.litGradient({176, 178, 182}), line);
        svg.path("M22 20 L30 12 L70 12 L78 20", svg.litGradient({150, 152, 158}), ink(2));
        // Three courses of bricks on its front.
        for (int row = 0; row < 3; ++row) {
            const double y = 42 + row * 12, shift = row % 2 ? 8 : 0;
            for (int k = 0; k < (row % 2 ? 2 : 3); ++k)
                svg.rect(28 + shift + k * 16, y, 14, 10, "#b4502e", ink(1.2));
        }
        break;
    }
}

} // namespace

void drawIcon(Svg& svg, Icon icon, double x, double y, double size)
{
    svg.beginGroup("transform='translate(" + num(x) + " " + num(y) + ") scale(" + num(size / 100.0) + ")'");
    draw(svg, icon);
    svg.endGroup();
}

void renderIconSheet(const std::vector<Icon>& icons, int size, const std::string& file)
{
    Svg sheet(size * static_cast<int>(icons.size()), size);
    for (size_t k = 0; k < icons.size(); ++k)
        drawIcon(sheet, icons[k], static_cast<double>(k) * size + size * 0.06, size * 0.06, size * 0.88);
    render(sheet, file);
}

} // namespace Art
