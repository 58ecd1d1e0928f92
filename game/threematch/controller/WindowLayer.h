#pragma once
// What a window's own drawing depends on, taken at one frame: a picture kept of the window stays
// good while the window's layer compares equal to the one taken when the picture was made.
#include <d3d9.h>

namespace Ulvo {
class GUIWindow;
} // namespace Ulvo

namespace ThreeMatch {

struct WindowLayer {
    const Ulvo::GUIWindow* window = nullptr;
    float rect[4] = {};
    double alpha = 1.0;
    float modulate[4] = {};
    bool enabled = true;
    const void* textures[3] = {};
    DWORD drawTypes[4] = {};
    float sources[8] = {};
    bool useSources[2] = {};

    static WindowLayer of(const Ulvo::GUIWindow& window);
    bool operator==(const WindowLayer& other) const;
};

} // namespace ThreeMatch
