// The sorting game: the goods to sort (one sheet of 80 x 80 pictures on a transparent ground,
// frame k at (80 k, 0)) and the tray every area shows below its name.
#include "Icons.h"

namespace Art {

void makeZuordnenArt()
{
    renderIconSheet(
        {Icon::Apple, Icon::Bread, Icon::Fish, Icon::Hammer, Icon::Saw, Icon::Axe, Icon::Log, Icon::Stone, Icon::Sack},
        80, "data/Games/zuordnen_waren.png");
    // The tray leaves the picture's top fifth free for the area's name.
    Svg tray(256, 192);
    tray.rect(4, 40, 248, 148, tray.litGradient({170, 120, 70}),
              "rx='14' stroke='" + kInk.hex() + "' stroke-width='3'");
    tray.rect(18, 54, 220, 120, tray.verticalGradient({120, 80, 44}, {150, 104, 60}),
              "rx='8' stroke='" + kInk.hex() + "' stroke-width='2'");
    for (int k = 1; k < 4; ++k)
        tray.path("M22 " + num(54 + k * 30) + " L234 " + num(54 + k * 30), "none",
                  "stroke='#6a4424' stroke-width='1.5' opacity='0.6'");
    render(tray, "data/Games/zuordnen_ablage.png");
}

} // namespace Art
