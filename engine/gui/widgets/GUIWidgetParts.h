#pragma once
// What the composite widgets do alike with the windows they are built from:
// a part that takes its owner's look without the owner's textures, a part placed
// by a position and a size, and a caption inset by a RAND_SIZE node.
#include "gui/windows/GUIRect.h"

#include <initializer_list>

namespace Ulvo {

class GUIWindow;
class XMLNode;

namespace GUIWidgetParts {

// The part's draw options become a copy of the owner's with all seven textures
// released: alpha, colour, blend times and EBENE come from the owner.
void takeLookWithoutTextures(GUIWindow& part, const GUIWindow& owner);
// The part's GUIRect: a top-left position and a size (X_REL, Y_REL, X_OFF, Y_OFF each).
void place(GUIWindow& part, const GUIRectPoint& position, const GUIRectPoint& size);
// A RAND_SIZE node on a caption that covers its owner: REL x y places it from x to
// 1 - x (and y to 1 - y), OFF x y insets it by pixels; one number serves both axes.
void inset(GUIWindow& caption, const XMLNode* randSize);
// The widgets' removeAllChildren: every child but the kept parts is removed (and
// released), from the last to the first.
void removeAllExcept(GUIWindow& owner, std::initializer_list<const GUIWindow*> kept);

} // namespace GUIWidgetParts

} // namespace Ulvo
