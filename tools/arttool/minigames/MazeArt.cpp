// The picture maze's pictures. Each game's room picture has a block of 4 x 4 texels per grid
// cell: opaque red where a room is, green for the start room, blue for the goal rooms,
// transparent where there is none. The game samples it, smoothed, at each cell's top-left
// corner, so every block is drawn half a block up and left of its cell: the sample then falls
// in the middle of the block and never takes a trace of the neighbour's colour. Beside it:
// the ground behind the rooms, a stone floor tile, a sheet of eight edge pictures (for each
// side, top, right, bottom, left: its wall when closed, nothing when open), and the start flag,
// the goal star and the footprint that marks the path.
#include "ArtCommon.h"

#include <string>
#include <vector>

namespace Art {

namespace {

constexpr double kCell = 64.0;

// '#' a room, 'S' the start, 'G' a goal, '.' no room.
void roomPicture(const std::vector<std::string>& rows, const std::string& file)
{
    constexpr int kBlock = 4;
    Svg svg(static_cast<int>(rows.front().size()) * kBlock, static_cast<int>(rows.size()) * kBlock);
    for (size_t y = 0; y < rows.size(); ++y) {
        for (size_t x = 0; x < rows[y].size(); ++x) {
            const char c = rows[y][x];
            if (c == '.')
                continue;
            const char* colour = c == 'S' ? "#00ff00" : c == 'G' ? "#0000ff" : "#ff0000";
            svg.rect(static_cast<double>(x) * kBlock - kBlock / 2, static_cast<double>(y) * kBlock - kBlock / 2, kBlock,
                     kBlock, colour, "shape-rendering='crispEdges'");
        }
    }
    render(svg, file);
}

void ground(Svg& svg, const Colour& base, unsigned seed)
{
    svg.rect(0, 0, svg.width(), svg.height(), svg.verticalGradient(base.shade(0.15), base.shade(-0.2)));
    Random random(seed);
    for (int k = 0; k < 120; ++k)
        svg.circle(random.range(0, svg.width()), random.range(0, svg.height()), random.range(2, 7),
                   base.shade(random.range(-0.3, 0.3)).hex(), "opacity='0.5'");
}

} // namespace

void makeMazeArt()
{
    roomPicture({"S###.###", "####.###", "########", "###..###", "########", "###.###G"},
                "data/Games/maze_burg_raeume.png");
    roomPicture({"..###..", ".#####.", "###S###", "##...##", "#######", "G#####G", ".##.##."},
                "data/Games/maze_hoehle_raeume.png");

    Svg meadow(512, 384);
    ground(meadow, {86, 140, 60}, 5);
    render(meadow, "data/Games/maze_wiese.png");
    Svg rock(448, 448);
    ground(rock, {70, 62, 58}, 9);
    render(rock, "data/Games/maze_fels.png");

    Svg floor(64, 64);
    floor.rect(0, 0, 64, 64, floor.litGradient({206, 196, 176}));
    for (double y : {0.0, 32.0})
        for (double x : {0.0, 32.0})
            floor.rect(x + 1, y + 1, 30, 30, "none", "stroke='#8a8070' stroke-width='1.5' rx='3'");
    render(floor, "data/Games/maze_boden.png");

    // Walls: a dark stone strip along the side, a little into the cell.
    Svg edges(8 * 64, 64);
    const std::string wall = edges.litGradient({96, 84, 76});
    const std::string line = "stroke='" + kInk.hex() + "' stroke-width='1.5'";
    edges.rect(0, 0, kCell, 9, wall, line);
    edges.rect(2 * kCell + kCell - 9, 0, 9, kCell, wall, line);
    edges.rect(4 * kCell, kCell - 9, kCell, 9, wall, line);
    edges.rect(6 * kCell, 0, 9, kCell, wall, line);
    render(edges, "data/Games/maze_waende.png");

    Svg marks(3 * 64, 64);
    marks.path("M20 54 L20 12", "none", "stroke='" + kInk.hex() + "' stroke-width='4' stroke-linecap='round'");
    marks.path(polygon({{22, 12}, {50, 21}, {22, 31}}), marks.litGradient({40, 190, 70}),
               "stroke='" + kInk.hex() + "' stroke-width='2' stroke-linejoin='round'");
    marks.path(star(96, 33, 5, 24, 10), marks.litGradient(kGold),
               "stroke='" + kGold.shade(-0.6).hex() + "' stroke-width='2'");
    for (int k = 0; k < 2; ++k)
        marks.ellipse(150 + 16 * k, 40 - 14 * k, 7, 11, "#7a3a20", "opacity='0.85'");
    render(marks, "data/Games/maze_zeichen.png");
}

} // namespace Art
