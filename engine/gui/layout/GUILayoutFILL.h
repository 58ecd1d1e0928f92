#pragma once
// Docking: the children, in list order, take the LEFT, RIGHT, TOP or BOTTOM edge
// of the area still free, or FILL it; each docked child's GUIRect is rewritten
// as fractions and pixels of the window.
#include "gui/layout/GUILayoutManager.h"

namespace Ulvo {

class GUILayoutFILL : public GUILayoutManager {
public:
    void arrange(GUIWindow& window) override;
};

// The docking of a scroll panel's content ("DEFAULT_USEOFFEST"): RIGHT children
// are placed by their own written width, and every docked child is moved by the
// scroll offset.
class GUILayoutFILL_WOffset : public GUILayoutManager {
public:
    void arrange(GUIWindow& window) override;
};

} // namespace Ulvo
