// The sorting game: the goods to sort (one sheet of 80 x 80 pictures on a transparent ground,
// frame k at (80 k, 0); the store's sack is one of mortar, the scales' are plain ones) and the
// tray every area shows, with its name across the top.
#include "Icons.h"

namespace Art {

void makeZuordnenArt()
{
    renderIconSheet({Icon::Apple, Icon::Bread, Icon::Fish, Icon::Hammer, Icon::Saw, Icon::Axe, Icon::Log, Icon::Stone,
                     Icon::Sack, Icon::MortarSack},
                    80, "data/Games/zuordnen_waren.png");
    // The tray fills its whole picture, so that the area's window is the box the player sees (a
    // wrong answer's flash frames it, a good dropped on it lands in it); the area's name stands
    // on the board across its top fifth.
    Svg tray(256, 192);
    tray.rect(1.5, 1.5, 253, 189, tray.litGradient({170, 120, 70}),
              "rx='14' stroke='" + kInk.hex() + "' stroke-width='3'");
    tray.rect(14, 50, 228, 128, tray.verticalGradient({120, 80, 44}, {150, 104, 60}),
              "rx='8' stroke='" + kInk.hex() + "' stroke-width='2'");
    for (int k = 1; k < 4; ++k)
        tray.path("M18 " + num(50 + k * 32) + " L238 " + num(50 + k * 32), "none",
                  "stroke='#6a4424' stroke-width='1.5' opacity='0.6'");
    render(tray, "data/Games/zuordnen_ablage.png");
}

} // namespace Art
