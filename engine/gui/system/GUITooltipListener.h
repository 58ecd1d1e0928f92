#pragma once
// What the GUI system tells its tooltip windows: the window under the mouse
// changed, the mouse moved. The tooltip widget implements it beside GUIWindow;
// the GUI system finds such windows among those it loads.
#include <d3dx9math.h>

namespace Ulvo {

class GUIWindow;

class GUITooltipListener {
public:
    virtual ~GUITooltipListener() = default;
    // The new marked window, or null.
    virtual void onMarkedWindowChanged(GUIWindow* window) = 0;
    // The mouse position as a fraction of the screen and in pixels.
    virtual void onMouseMove(const D3DXVECTOR2& fraction, const D3DXVECTOR2& pixels) = 0;
};

} // namespace Ulvo
