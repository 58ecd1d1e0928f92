#pragma once
// The unchanging layers of a running level kept as one picture: the opaque background over the
// screen and the level's frames (the board's, the head-up display's, the bonus bar's). Drawn, they
// cost two screens of blended pixels a frame; copied, one. A frame qualifies when nothing the GUI
// draws before it overlaps it, so drawing the frames right after the background gives the pixels
// the GUI's own order gives. Once the layers stood unchanged for a frame, the next frame draws
// them in that order and keeps a copy of the target; later frames copy it back and the GUI leaves
// the frames' own drawing out while nothing that went into the picture changed. Since the target
// keeps its pixels, a frame copies back only what the frame before drew over the picture: the
// GUI's windows that draw (with a margin for text and pictures reaching past them) and what the
// caller reports.
#include <d3d9.h>

#include "devices/d3d/DeviceResource.h"
#include "graphics/sprites/FloatRect.h"
#include "foundation/sigslot.h"
#include "threematch/controller/WindowLayer.h"

#include <vector>

namespace Ulvo {
class GUISystem;
class GUIWindow;
class Texture2D;
} // namespace Ulvo

namespace ThreeMatch {

class LevelBackdrop : public sigslot::has_slots<>, public Ulvo::DeviceResource {
public:
    enum class Step {
        Draw,   // the caller draws the background, the GUI the frames, as always
        Kept,   // the picture is on the target: the caller leaves the background out
        Capture // the caller draws the background, then calls capture()
    };

    LevelBackdrop();
    ~LevelBackdrop() override;
    LevelBackdrop(const LevelBackdrop&) = delete;
    LevelBackdrop& operator=(const LevelBackdrop&) = delete;

    // Before the frame's drawing, with the device's render target of the screen's size. level: the
    // running level's window; background: the texture the caller draws opaque over the screen;
    // painter: a window that draws through its drawn signal within its rectangle.
    // alsoCopied: rectangles a kept frame copies back besides what the frame before drew over
    // (what the caller left on the target unreported and draws anew).
    Step begin(IDirect3DDevice9* device, Ulvo::GUISystem& gui, Ulvo::GUIWindow* level, Ulvo::Texture2D* background,
               Ulvo::GUIWindow* painter, const RECT& screen, const std::vector<RECT>* alsoCopied = nullptr);
    // After the caller drew the background in a capture frame: draws the frames and keeps the
    // picture.
    void capture(IDirect3DDevice9* device, Ulvo::GUISystem& gui);
    // What else the frame draws over the picture on the target (in screen pixels): the painter's
    // own drawing, the pointer. whole: something the picture cannot bound.
    void drawnOver(const RECT& rect);
    void drawnOverWhole();
    // After the frame's drawing over the picture (the GUI's, the pointer's).
    void end();
    // How many pixels of the picture the last frame copied back (for tests).
    long long copiedPixels() const { return m_copied; }
    // Whether this frame copied back only rectangles, and which (the target keeps the rest; no two
    // of them overlap).
    bool copiedInPart() const { return m_copiedInPart; }
    const std::vector<RECT>& copiedRects() const { return m_copiedRects; }
    // Lets go of the windows; releasePicture() of the picture as well.
    void release();
    void releasePicture();
    // How often the picture was taken.
    int captures() const { return m_captures; }
    // The frames in the picture (for tests).
    std::size_t frames() const { return m_windows.size(); }

    void onLostDevice() override;

private:
    using Layer = WindowLayer;

    // The frames the picture would hold this frame and their layers, into the scratch lists.
    void collect(Ulvo::GUISystem& gui, Ulvo::GUIWindow* level, Ulvo::GUIWindow* painter, const RECT& screen);
    void hold(const std::vector<Ulvo::GUIWindow*>& windows);
    void skipDrawing(Ulvo::GUIWindow& window, bool& draw);
    // The rectangles the GUI draws over the picture this frame.
    void collectDrawnOver(Ulvo::GUISystem& gui);
    bool copyBack(IDirect3DDevice9* device, IDirect3DSurface9* target, const std::vector<RECT>* alsoCopied);

    IDirect3DSurface9* m_picture = nullptr;
    std::vector<Layer> m_layers;             // as last seen
    const void* m_background = nullptr;      // as last seen
    RECT m_screen{};                         // as last seen
    std::vector<Ulvo::GUIWindow*> m_windows; // one reference each, connected to skipDrawing
    bool m_valid = false;
    bool m_skipping = false;
    // The target keeps its pixels from one frame to the next: a kept frame copies back only what
    // the frame before drew over the picture (m_restore, while m_restoreValid), and gathers what
    // it draws over it itself (m_drawnOver, while m_gathering).
    std::vector<RECT> m_drawnOver;
    std::vector<RECT> m_restore;
    std::vector<const Ulvo::GUIWindow*> m_pending; // windows still to look at, kept for its storage
    IDirect3DSurface9* m_restoreTarget = nullptr;  // one reference: no other target takes its place

    bool m_gathering = false;
    bool m_gatheredWhole = false;
    bool m_restoreValid = false;
    long long m_copied = 0;
    bool m_copiedInPart = false;
    std::vector<RECT> m_copiedRects;
    std::vector<RECT> m_copyScratch;
    // Filled by collect every frame, kept for their storage.
    std::vector<Ulvo::GUIWindow*> m_frameScratch;
    std::vector<Layer> m_layerScratch;
    std::vector<Ulvo::FloatRect> m_drawnScratch;
    int m_captures = 0;
};

} // namespace ThreeMatch
