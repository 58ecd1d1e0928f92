// The building puzzle's pictures: for each game a building site as the field's background and
// one sheet of its pieces. A piece is drawn cell by cell, each filled quarter (top 1, right 2,
// bottom 4, left 8, the triangles between a cell's edge and its centre) in the piece's colour
// with its outline where the piece ends, so the picture shows exactly what the game tests.
// The tables here and the OBJEKT entries of the data name the same sizes, masks and places.
#include "ArtCommon.h"

#include <string>
#include <vector>

namespace Art {

namespace {

constexpr double kCell = 64.0;

struct Piece {
    int w;
    int h;
    std::vector<int> masks; // row by row
    Colour colour;
};

// The corners of quarter q of the cell at (x, y): its edge, clockwise, then the centre.
void quarter(double x, double y, int q, double p[6])
{
    const double c[4][2] = {{x, y}, {x + kCell, y}, {x + kCell, y + kCell}, {x, y + kCell}};
    p[0] = c[q][0];
    p[1] = c[q][1];
    p[2] = c[(q + 1) % 4][0];
    p[3] = c[(q + 1) % 4][1];
    p[4] = x + kCell / 2;
    p[5] = y + kCell / 2;
}

int maskAt(const Piece& piece, int i, int j)
{
    if (i < 0 || j < 0 || i >= piece.w || j >= piece.h)
        return 0;
    return piece.masks[static_cast<size_t>(j * piece.w + i)];
}

void drawPiece(Svg& svg, const Piece& piece, double ox)
{
    const std::string fill = svg.litGradient(piece.colour);
    const std::string seam = "stroke='" + piece.colour.hex() + "' stroke-width='1' stroke-linejoin='round'";
    // Drawn clipped to the filled quarters (half of it shows): nothing of the piece may fall on a
    // quarter it leaves empty, where a press goes to what lies beneath.
    const std::string edge = "stroke='" + kInk.hex() + "' stroke-width='5' stroke-linecap='round'";
    const int step[4][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
    std::string filled;
    for (int j = 0; j < piece.h; ++j) {
        for (int i = 0; i < piece.w; ++i) {
            for (int q = 0; q < 4; ++q) {
                if (!(maskAt(piece, i, j) & (1 << q)))
                    continue;
                double p[6];
                quarter(ox + i * kCell, j * kCell, q, p);
                filled += polygon({{p[0], p[1]}, {p[2], p[3]}, {p[4], p[5]}});
            }
        }
    }
    const std::string clip = "bauteil" + std::to_string(static_cast<int>(ox));
    svg.addDef("<clipPath id='" + clip + "'><path d='" + filled + "'/></clipPath>");
    svg.beginGroup("clip-path='url(#" + clip + ")'");
    for (int j = 0; j < piece.h; ++j) {
        for (int i = 0; i < piece.w; ++i) {
            const int mask = maskAt(piece, i, j);
            const double x = ox + i * kCell, y = j * kCell;
            for (int q = 0; q < 4; ++q) {
                if (!(mask & (1 << q)))
                    continue;
                double p[6];
                quarter(x, y, q, p);
                svg.path(polygon({{p[0], p[1]}, {p[2], p[3]}, {p[4], p[5]}}), fill, seam);
            }
            // Bricks on the filled part, then the outline where the piece ends.
            for (int q = 0; q < 4; ++q) {
                if (!(mask & (1 << q)))
                    continue;
                double p[6];
                quarter(x, y, q, p);
                const int across = maskAt(piece, i + step[q][0], j + step[q][1]) & (1 << ((q + 2) % 4));
                if (!across)
                    svg.path("M" + num(p[0]) + " " + num(p[1]) + " L" + num(p[2]) + " " + num(p[3]), "none", edge);
                if (!(mask & (1 << ((q + 3) % 4))))
                    svg.path("M" + num(p[0]) + " " + num(p[1]) + " L" + num(p[4]) + " " + num(p[5]), "none", edge);
                if (!(mask & (1 << ((q + 1) % 4))))
                    svg.path("M" + num(p[2]) + " " + num(p[3]) + " L" + num(p[4]) + " " + num(p[5]), "none", edge);
            }
            if (mask == 15)
                svg.rect(x + 12, y + 12, kCell - 24, kCell - 24, "none",
                         "rx='4' stroke='#ffffff' stroke-width='1.5' opacity='0.35'");
        }
    }
    svg.endGroup();
}

void drawSheet(const std::vector<Piece>& pieces, const std::string& file)
{
    double width = 0;
    for (const Piece& piece : pieces)
        width += piece.w * kCell;
    Svg sheet(static_cast<int>(width), static_cast<int>(2 * kCell));
    double x = 0;
    for (const Piece& piece : pieces) {
        drawPiece(sheet, piece, x);
        x += piece.w * kCell;
    }
    render(sheet, file);
}

// A building site seen from above: a meadow with a sand foundation in the middle, stakes at
// its corners, a wheelbarrow and a heap of beams aside.
void site(Svg& svg, unsigned seed, const Colour& ground)
{
    const double w = svg.width(), h = svg.height();
    svg.rect(0, 0, w, h, svg.verticalGradient({104, 160, 76}, {78, 132, 56}));
    Random random(seed);
    for (int k = 0; k < 90; ++k) {
        const double x = random.range(0, w), y = random.range(0, h);
        svg.path("M" + num(x) + " " + num(y) + " l2 -6 l2 6", "none", "stroke='#4a8a3a' stroke-width='1.2'");
    }
    svg.rect(w * 0.1, h * 0.1, w * 0.8, h * 0.8, svg.litGradient(ground),
             "rx='10' stroke='" + ground.shade(-0.5).hex() + "' stroke-width='3'");
    for (const auto& corner : {std::pair{0.1, 0.1}, std::pair{0.9, 0.1}, std::pair{0.9, 0.9}, std::pair{0.1, 0.9}}) {
        svg.circle(w * corner.first, h * corner.second, 7, "#7a5230", "stroke='" + kInk.hex() + "' stroke-width='2'");
        svg.circle(w * corner.first, h * corner.second, 3, "#d04030");
    }
    for (int b = 0; b < 3; ++b)
        svg.rect(w * 0.02, h * (0.3 + 0.05 * b), w * 0.06, h * 0.035, "#b07a40",
                 "stroke='" + kInk.hex() + "' stroke-width='1'");
    svg.ellipse(w * 0.95, h * 0.5, w * 0.03, h * 0.06, "#707078", "stroke='" + kInk.hex() + "' stroke-width='1.5'");
}

} // namespace

void makeBauenArt()
{
    // The house: a 3 x 3 plan.
    const std::vector<Piece> haus = {
        {2, 1, {15, 15}, {196, 84, 60}},        {1, 2, {15, 15}, {220, 170, 90}}, {2, 1, {15, 7}, {150, 110, 70}},
        {2, 2, {8, 0, 15, 15}, {90, 130, 180}}, {1, 1, {15}, {200, 190, 170}},
    };
    drawSheet(haus, "data/Games/bauen_haus_teile.png");
    Svg hausSite(384, 384);
    site(hausSite, 3, {226, 200, 150});
    render(hausSite, "data/Games/bauen_haus_platz.png");

    // The tower: a 4 x 3 plan with two pieces meeting along a diagonal.
    const std::vector<Piece> turm = {
        {2, 2, {15, 15, 15, 3}, {170, 170, 180}},
        {2, 2, {12, 15, 15, 15}, {120, 100, 90}},
        {2, 2, {15, 15, 0, 15}, {200, 150, 80}},
        {1, 1, {15}, {110, 150, 100}},
        {1, 1, {15}, {180, 80, 70}},
    };
    drawSheet(turm, "data/Games/bauen_turm_teile.png");
    Svg turmSite(512, 384);
    site(turmSite, 8, {200, 196, 186});
    render(turmSite, "data/Games/bauen_turm_platz.png");
}

} // namespace Art
