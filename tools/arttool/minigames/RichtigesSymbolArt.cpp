// Pick the right symbols: the things shown in the areas, one sheet of 96 x 96 pictures on a
// transparent ground (the area's panel shows behind them). The data's texture animations name
// frame k at (96 k, 0).
#include "Icons.h"

namespace Art {

void makeRichtigesSymbolArt()
{
    renderIconSheet({Icon::Apple, Icon::Bread, Icon::Fish, Icon::Carrot, Icon::Hammer, Icon::Key, Icon::Axe, Icon::Star,
                     Icon::Moon, Icon::Sun},
                    96, "data/Games/symbol_bilder.png");
}

} // namespace Art
