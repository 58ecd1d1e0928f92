// The jigsaw puzzles' pictures: a scene per puzzle, cut into interlocking pieces. Each piece
// is a frame of its puzzle's sheet, its cell plus a margin for the knobs on every side, with
// the scene showing only inside the piece's outline (transparent around it, so that the game's
// alpha test picks a piece by its shape).
#include "ArtCommon.h"

#include <string>
#include <vector>

namespace Art {

namespace {

struct PuzzlePicture {
    const char* file;
    int columns;
    int rows;
    int cell;   // pixels of one piece's cell in the picture
    int margin; // room for the knobs around the cell
    unsigned seed;
};

// The data's texture animations name these sheets and frames: piece (c, r) is frame
// r x columns + c, at (c, r) x (cell + 2 margin).
const PuzzlePicture kPictures[] = {
    {"puzzle_dorf", 4, 3, 96, 30, 7},
    {"puzzle_muehle", 3, 3, 112, 34, 12},
};

// A point along the edge from a to b: t along it, h across it (towards the outside).
std::string at(double ax, double ay, double bx, double by, double t, double h)
{
    const double dx = bx - ax, dy = by - ay;
    // The outward normal of an edge walked clockwise is the direction turned to the left.
    const double nx = dy, ny = -dx;
    return num(ax + dx * t + nx * h) + " " + num(ay + dy * t + ny * h);
}

// One edge walked clockwise, with a knob out (sign 1), a notch in (-1) or straight (0).
std::string edge(double ax, double ay, double bx, double by, int sign)
{
    if (sign == 0)
        return " L" + num(bx) + " " + num(by);
    const double s = 0.27 * sign;
    auto p = [&](double t, double h) { return at(ax, ay, bx, by, t, h * s / 0.27); };
    return " L" + p(0.38, 0) + " C" + p(0.30, 0.16) + " " + p(0.36, 0.27) + " " + p(0.5, 0.27) + " C" + p(0.64, 0.27) +
           " " + p(0.70, 0.16) + " " + p(0.62, 0) + " L" + num(bx) + " " + num(by);
}

// The village: houses, the church and the mill along a hill road under a summer sky.
void dorf(Svg& svg)
{
    landscape(svg, 7, 0.0);
    const double w = svg.width(), h = svg.height();
    svg.path("M0 " + num(h * 0.86) + " Q" + num(w * 0.4) + " " + num(h * 0.72) + " " + num(w) + " " + num(h * 0.8) +
                 " L" + num(w) + " " + num(h * 0.87) + " Q" + num(w * 0.4) + " " + num(h * 0.8) + " 0 " +
                 num(h * 0.93) + " Z",
             "#d8bc84", "stroke='#a88850' stroke-width='1.5'");
    const int order[] = {1, 0, 4, 2, 3};
    for (int k = 0; k < 5; ++k)
        placeBuilding(svg, order[k], w * (0.02 + 0.19 * k), h * (0.48 + 0.035 * (k % 2)), 0.95, 0.25 * k);
    Random random(31);
    for (int t = 0; t < 7; ++t) {
        const double x = random.range(0, w), y = h * random.range(0.88, 0.98);
        svg.rect(x - 2, y - 14, 4, 14, "#6b4a2a");
        svg.circle(x, y - 20, 11, svg.radialGradient({120, 180, 80}, 1.0, {50, 110, 40}, 1.0));
    }
}

// The harbour: the castle on the cliff, the harbour house, boats on blue water.
void muehle(Svg& svg)
{
    landscape(svg, 12, 0.0);
    const double w = svg.width(), h = svg.height();
    svg.rect(0, h * 0.74, w, h * 0.26, svg.verticalGradient({70, 130, 190}, {30, 70, 130}));
    for (int k = 0; k < 6; ++k)
        svg.path("M" + num(w * (0.08 + 0.16 * k)) + " " + num(h * (0.8 + 0.03 * (k % 3))) + " q10 -5 20 0 q10 5 20 0",
                 "none", "stroke='#ffffff' stroke-width='2' opacity='0.6'");
    const int order[] = {5, 1, 6};
    const double xs[] = {0.0, 0.38, 0.62};
    for (int k = 0; k < 3; ++k)
        placeBuilding(svg, order[k], w * xs[k], h * (0.38 + 0.04 * k), 1.05, 0.3 * k);
    for (int b = 0; b < 2; ++b) {
        const double bx = w * (0.2 + 0.45 * b), by = h * (0.86 + 0.04 * b);
        svg.path(polygon({{bx - 26, by}, {bx + 26, by}, {bx + 18, by + 12}, {bx - 18, by + 12}}), "#8a5a2b",
                 "stroke='#3a2414' stroke-width='1.5'");
        svg.rect(bx - 1.5, by - 38, 3, 38, "#3a2414");
        svg.path(polygon({{bx + 2, by - 36}, {bx + 22, by - 8}, {bx + 2, by - 8}}), b ? "#f2e6c8" : "#d04030",
                 "stroke='#3a2414' stroke-width='1'");
    }
}

void cut(const PuzzlePicture& picture, void (*scene)(Svg&))
{
    const int frame = picture.cell + 2 * picture.margin;
    Svg whole(picture.columns * picture.cell, picture.rows * picture.cell);
    scene(whole);
    render(whole, std::string("data/Games/") + picture.file + "_ganz.png");

    Svg sheet(picture.columns * frame, picture.rows * frame);
    Svg cutOut(picture.columns * picture.cell, picture.rows * picture.cell, "s");
    scene(cutOut);
    sheet.defineGroup(cutOut, "scene");
    // Which way each inner edge's knob points, the same for both pieces that share it.
    Random random(picture.seed);
    std::vector<int> across(static_cast<size_t>(picture.columns * picture.rows)),
        down(static_cast<size_t>(picture.columns * picture.rows));
    for (int& sign : across)
        sign = random.next() < 0.5 ? 1 : -1;
    for (int& sign : down)
        sign = random.next() < 0.5 ? 1 : -1;
    for (int r = 0; r < picture.rows; ++r) {
        for (int c = 0; c < picture.columns; ++c) {
            const double x0 = c * frame + picture.margin, y0 = r * frame + picture.margin;
            const double x1 = x0 + picture.cell, y1 = y0 + picture.cell;
            const int index = r * picture.columns + c;
            const int top = r > 0 ? -down[static_cast<size_t>(index - picture.columns)] : 0;
            const int right = c + 1 < picture.columns ? across[static_cast<size_t>(index)] : 0;
            const int bottom = r + 1 < picture.rows ? down[static_cast<size_t>(index)] : 0;
            const int left = c > 0 ? -across[static_cast<size_t>(index - 1)] : 0;
            const std::string outline = "M" + num(x0) + " " + num(y0) + edge(x0, y0, x1, y0, top) +
                                        edge(x1, y0, x1, y1, right) + edge(x1, y1, x0, y1, bottom) +
                                        edge(x0, y1, x0, y0, left) + " Z";
            const std::string id = "piece" + std::to_string(index);
            sheet.addDef("<clipPath id='" + id + "'><path d='" + outline + "'/></clipPath>");
            sheet.beginGroup("clip-path='url(#" + id + ")'");
            sheet.add("<use href='#scene' transform='translate(" + num(x0 - c * picture.cell) + " " +
                      num(y0 - r * picture.cell) + ")'/>");
            sheet.endGroup();
            sheet.path(outline, "none", "stroke='#2a1c10' stroke-width='1.6' opacity='0.8'");
            sheet.path(outline, "none",
                       "stroke='#fff6dc' stroke-width='0.8' opacity='0.5' transform='translate(0.8 0.8)'");
        }
    }
    render(sheet, std::string("data/Games/") + picture.file + "_teile.png");
}

} // namespace

void makePuzzleArt()
{
    cut(kPictures[0], &dorf);
    cut(kPictures[1], &muehle);
}

} // namespace Art
