#pragma once
// Small rules of the controller's screens that need no running game: widget lookups by name,
// label texts formatted from their own text id, the profile name typed key by key, how many
// lines of a result tally are lit, and the mapping of screen points into the in-game picture.
// The town's rules (wrath, catastrophe, minigame saving) are the town's own (TownRules).
// The controller's slots call them; tests call them directly.
#include <windows.h>
#include <d3d9types.h>
#include <d3dx9math.h>

#include "graphics/sprites/FloatRect.h"

#include <cstddef>
#include <string>
#include <vector>

namespace Ulvo {
class GUIButton;
class GUICheckboxButton;
class GUILabel;
class GUISlider;
class GUISystem;
class GUIWindow;
} // namespace Ulvo

namespace ThreeMatch {

namespace ScreenRules {

// A profile's name holds at most this many characters.
constexpr std::size_t kMaxNameLength = 16;
// Set in a profile's shown-help mask, it switches all help off.
constexpr uint32_t kHelpOff = 0x40000;
// The hints of the profile list and of the name entry: read once, they are not shown again to
// the next profile made.
constexpr uint32_t kProfileScreenHelp = 0x10 | 0x20;

// Null when the window is missing or of another kind. findLabel takes a label, or a button's
// label for a button of that name.
Ulvo::GUILabel* findLabel(const Ulvo::GUISystem& gui, const std::wstring& name);
Ulvo::GUIButton* findButton(const Ulvo::GUISystem& gui, const std::wstring& name);
Ulvo::GUICheckboxButton* findCheckbox(const Ulvo::GUISystem& gui, const std::wstring& name);
Ulvo::GUISlider* findSlider(const Ulvo::GUISystem& gui, const std::wstring& name);
// The window itself when it is a label, else its label when it is a button.
Ulvo::GUILabel* labelOf(Ulvo::GUIWindow* window);

// The label shows the text of its own text id formatted with the numbers (three floating ones
// and one integer); nothing without a label or a text.
void showFormatted(Ulvo::GUILabel* label, double d1, double d2 = 0.0, double d3 = 0.0, int i = 0);
// The same with one whole number, handed both as the first floating and as the integer value.
void showNumber(Ulvo::GUILabel* label, int value);

// One typed key on a profile name: backspace (type 5) takes the last character, a letter
// (type 0) or number (type 1) appends its character unless the name is full or the character
// is "%"; of the other characters (type 2) only a hyphen and a space that does not start the
// name are taken. False when the key changed nothing.
bool editName(std::wstring& text, int keyType, wchar_t character);

// The lines of a tally of count entries lit at master progress p: trunc(count x p).
int litTallyLines(std::size_t count, double progress);
// The display modes the options offer, as indices into the device's list: the 32-bit ones (a
// 16-bit mode on today's desktops only costs colours); all of them when none is 32-bit.
std::vector<int> offeredDisplayModes(const std::vector<D3DDISPLAYMODE>& modes);
// The place in that offer of the device's mode at index: its own, else that of the first offered
// mode of its size, else 0.
int offeredPlace(const std::vector<int>& offered, const std::vector<D3DDISPLAYMODE>& modes, int index);

// An alpha 0..1 as a byte: 255 at 1 or above, 0 at 0 or below, else rounded.
unsigned char alphaByte(double alpha);

// The loading screen's picture is drawn again at most this often: each drawing costs the
// software rasteriser a whole screen, while the loading steps come a few milliseconds apart.
constexpr unsigned kLoadingRedrawMs = 50;
// Whether the loading screen is drawn for progress after the last drawing (drawnProgress < 0:
// none yet) msSinceDrawn ago: the first picture and the full bar always, the same bar never,
// any other once kLoadingRedrawMs have passed.
bool loadingPictureDue(float progress, float drawnProgress, unsigned msSinceDrawn);

// A screen point relative to the area the in-game picture is drawn in (0..1 across it); unless
// relative, mapped back into pixels of the target rectangle.
D3DXVECTOR2 toView(const Ulvo::FloatRect& area, const RECT& target, const D3DXVECTOR2& point, bool relative);

// The part of a width x height picture, drawn scaled onto destination, that holds content (in the
// picture's pixels) with a margin the filter reads: its source rectangle, and the scaling and
// corner that draw it where the whole picture puts it (so it gives the same pixels there; outside
// the content the picture must be transparent). False when the part is not smaller than the whole.
bool pictureSection(const RECT& content, int width, int height, const RECT& destination, RECT& source,
                    D3DXVECTOR2& scaling, D3DXVECTOR2& at);
// The rectangle of a width x height picture that must be drawn for content to be laid in by its
// part (pictureSection): the part and what its filter reads around it. Empty for no picture.
RECT sectionReach(const RECT& content, int width, int height);
// Whether a picture drawn only within clip holds every pixel the part of content reads.
bool sectionWithin(const RECT& content, int width, int height, const RECT& clip);
// The pixels two rectangles share (empty, left >= right or top >= bottom, when none).
RECT common(const RECT& a, const RECT& b);
inline bool holdsPixels(const RECT& r)
{
    return r.left < r.right && r.top < r.bottom;
}

} // namespace ScreenRules
} // namespace ThreeMatch
