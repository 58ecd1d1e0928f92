// Pick the right path: per game a picture with three paths, each starting at a checkbox, only
// one reaching the goal, and the goal picture the work window shows with it once the game is
// solved: the right path glowing gold (two frames), transparent everywhere else.
#include "ArtCommon.h"

#include <string>
#include <vector>

namespace Art {

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 360;

struct PathPicture {
    const char* file;
    const char* goalFile;
    std::vector<std::string> paths; // SVG path data, the right one at index right
    size_t right;
    unsigned seed;
    bool mountain;
};

// The data's checkboxes sit at the paths' starts; their GUIRECTs name the same places.
const PathPicture kPictures[] = {
    {"data/Games/pfad_wald.png",
     "data/Games/pfad_wald_ziel.png",
     {"M20 70 C150 60 160 300 260 300 C330 300 350 320 385 322", "M20 180 C120 180 140 40 240 60 C300 70 330 46 362 44",
      "M20 290 C120 300 180 120 260 160 C320 190 360 180 418 180"},
     2,
     21,
     false},
    {"data/Games/pfad_berg.png",
     "data/Games/pfad_berg_ziel.png",
     {"M100 340 C60 240 380 260 360 180 C340 110 260 120 240 62",
      "M240 340 C260 260 100 230 110 150 C115 100 70 80 52 62",
      "M380 340 C400 250 300 240 200 200 C150 180 420 120 428 84"},
     0,
     34,
     true},
};

void trees(Svg& svg, Random& random, double x0, double y0, double x1, double y1, int count)
{
    for (int k = 0; k < count; ++k) {
        const double x = random.range(x0, x1), y = random.range(y0, y1);
        svg.path(star(x, y, 3, 16, 0), svg.litGradient({46, 110, 50}),
                 "stroke='" + kInk.hex() + "' stroke-width='1.5'");
    }
}

void scenery(Svg& svg, const PathPicture& picture)
{
    Random random(picture.seed);
    if (!picture.mountain) {
        svg.rect(0, 0, kWidth, kHeight, svg.verticalGradient({120, 176, 84}, {90, 150, 64}));
        trees(svg, random, 330, 10, 470, 70, 14); // the dark wood
        trees(svg, random, 60, 110, 200, 150, 6);
        svg.ellipse(420, 330, 56, 28, svg.litGradient({70, 130, 200}), "stroke='" + kInk.hex() + "' stroke-width='2'");
    } else {
        svg.rect(0, 0, kWidth, kHeight, svg.verticalGradient({150, 190, 230}, {120, 160, 90}));
        svg.path("M0 360 L0 120 L80 70 L160 110 L240 30 L330 100 L420 60 L480 110 L480 360 Z",
                 svg.verticalGradient({160, 150, 140}, {110, 140, 80}), "stroke='" + kInk.hex() + "' stroke-width='2'");
        svg.path("M30 60 L60 70 L40 90 Z", "#6a5a50", "stroke='" + kInk.hex() + "' stroke-width='1.5'"); // cliff
        svg.rect(440, 60, 16, 80, svg.verticalGradient({200, 230, 250}, {90, 150, 220}), "rx='6'");      // waterfall
        trees(svg, random, 20, 250, 460, 340, 10);
    }
}

void goalBuilding(Svg& svg, const PathPicture& picture)
{
    // The goal at the end of the right path: a small house.
    const double x = picture.mountain ? 218 : 418, y = picture.mountain ? 14 : 148;
    svg.rect(x, y + 14, 48, 36, svg.litGradient({200, 190, 170}), "stroke='" + kInk.hex() + "' stroke-width='2'");
    svg.path(polygon({{x - 4, y + 16}, {x + 24, y - 8}, {x + 52, y + 16}}), svg.litGradient({180, 60, 50}),
             "stroke='" + kInk.hex() + "' stroke-width='2'");
    svg.rect(x + 18, y + 32, 12, 18, "#5a3a20");
}

void picture(const PathPicture& p)
{
    Svg svg(kWidth, kHeight);
    scenery(svg, p);
    for (const std::string& d : p.paths)
        svg.path(d, "none", "stroke='" + kInk.hex() + "' stroke-width='28' stroke-linecap='round'");
    for (const std::string& d : p.paths)
        svg.path(d, "none", "stroke='#b89a6a' stroke-width='22' stroke-linecap='round'");
    goalBuilding(svg, p);
    render(svg, p.file);

    // The goal: the right path glowing, two frames side by side.
    Svg goal(2 * kWidth, kHeight);
    for (int frame = 0; frame < 2; ++frame) {
        goal.beginGroup("transform='translate(" + std::to_string(frame * kWidth) + " 0)'");
        goal.path(p.paths[p.right], "none",
                  "stroke='" + kGold.shade(frame * 0.4).hex() +
                      "' stroke-width='20' stroke-linecap='round' opacity='0.9'");
        goal.endGroup();
    }
    render(goal, p.goalFile);
}

} // namespace

void makeRichtigerPfadArt()
{
    for (const PathPicture& p : kPictures)
        picture(p);
}

} // namespace Art
