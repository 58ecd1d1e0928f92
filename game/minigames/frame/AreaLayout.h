#pragma once
// What the kinds played on windows of their own share: a window's layout record replaced (in
// every state it animates between, so an animation does not bring the old one back), and the
// current frame of a picture shown by a window, and the ANORDNUNG grid, which lays windows out row by row over their parent.
#include "gui/windows/GUIRect.h"

#include <vector>

namespace Ulvo {
class GUIWindow;
class Texture2DAnimation;
class XMLNode;
} // namespace Ulvo

namespace ThreeMatch {

class AreaLayout {
public:
    // The record of the node's GUIRECT child, or an all-zero record without one.
    static Ulvo::GUIRect readRect(const Ulvo::XMLNode* node);
    // The window takes the record as its own and as the states it animates between.
    static void setRect(Ulvo::GUIWindow* window, const Ulvo::GUIRect& rect);
    // The animation's current frame (its texture and the frame's rectangle of it) as the
    // window's normal texture, or as its background; without a frame the slot is emptied.
    static void showFrame(Ulvo::GUIWindow* window, Ulvo::Texture2DAnimation* animation, bool background);

    // The ANORDNUNG grid for count windows: a negative column count becomes the square root
    // of count to the nearest whole number, and none below 1 (which would divide by zero);
    // rows are count / columns to the nearest whole number, at least 1.
    struct Grid {
        int columns = 1;
        int rows = 1;
    };
    static Grid grid(int columns, size_t count);
    // Window k (null ones count too) gets the cell (k mod columns, k / columns) of the grid,
    // less its position offsets on every side; windows past the rows lie below the grid.
    static void place(const std::vector<Ulvo::GUIWindow*>& windows, const Grid& grid);
};

} // namespace ThreeMatch
