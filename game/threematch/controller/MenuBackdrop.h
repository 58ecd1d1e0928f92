#pragma once
// The landscape behind the menus and the plain windows laid over it (the vignette), kept as one
// picture: they change only when a new landscape is picked, yet cost two full-screen blended
// draws a frame. The frame that draws them keeps a copy of the target right after the last of
// them; later frames copy it back and the GUI leaves those windows' own drawing out while nothing
// that went into the picture changed. The pixels are the ones the GUI drew.
#include <d3d9.h>

#include "devices/d3d/DeviceResource.h"
#include "foundation/sigslot.h"
#include "threematch/controller/WindowLayer.h"

#include <vector>

namespace Ulvo {
class GUIWindow;
} // namespace Ulvo

namespace ThreeMatch {

class MenuBackdrop : public sigslot::has_slots<>, public Ulvo::DeviceResource {
public:
    MenuBackdrop();
    ~MenuBackdrop() override;
    MenuBackdrop(const MenuBackdrop&) = delete;
    MenuBackdrop& operator=(const MenuBackdrop&) = delete;

    // cover: the window found to cover the screen opaquely, drawn first. While the picture of it
    // and the plain windows right after it is kept and they are unchanged, copies it onto the
    // device's render target (of the screen's size) and returns true: the GUI leaves their own
    // drawing out until end(). Otherwise false: the GUI draws them, and the picture is taken.
    bool begin(IDirect3DDevice9* device, Ulvo::GUIWindow* cover, const RECT& screen);
    void end();
    // Lets go of the windows; releasePicture() of the picture.
    void release();
    void releasePicture();
    // How often the picture was taken.
    int redraws() const { return m_redraws; }

    void onLostDevice() override;

private:
    using Layer = WindowLayer;

    void collect(Ulvo::GUIWindow* cover, const RECT& screen, std::vector<Layer>& layers) const;
    void hold(const std::vector<Ulvo::GUIWindow*>& windows);
    void skipDrawing(Ulvo::GUIWindow& window, bool& draw);
    void capture(Ulvo::GUIWindow& window, const bool& inView);

    IDirect3DSurface9* m_picture = nullptr;
    std::vector<Layer> m_layers;
    std::vector<Ulvo::GUIWindow*> m_windows; // one reference each, connected to skipDrawing
    bool m_valid = false;
    bool m_skipping = false;
    bool m_capturing = false;
    int m_redraws = 0;
};

} // namespace ThreeMatch
