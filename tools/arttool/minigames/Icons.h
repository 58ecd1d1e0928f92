#pragma once
// Small pictures of things of the town (fruit, bread, tools, signs), each drawn into a square
// of the given size at (x, y): the pairs game's card faces, the symbols to pick and the goods
// to sort use the same set, so a thing looks alike in every game.
#include "ArtCommon.h"

#include <string>
#include <vector>

namespace Art {

enum class Icon {
    Apple,
    Pear,
    Cherries,
    Grapes,
    Carrot,
    Bread,
    Fish,
    Wheat,
    Hammer,
    Saw,
    Axe,
    Shovel,
    Bucket,
    Key,
    Star,
    Moon,
    Sun,
    Log,
    Stone,
    Sack,
    // A grey paper sack of mortar with bricks printed on it: a building material, not flour.
    MortarSack,
};

void drawIcon(Svg& svg, Icon icon, double x, double y, double size);
// The icons side by side in squares of size pixels, on a transparent ground: frame k at
// (size k, 0).
void renderIconSheet(const std::vector<Icon>& icons, int size, const std::string& file);

} // namespace Art
