#pragma once
// Screen-space lines for the kinds that draw them over their playing field (maze walls, joins
// between dots): one line object on the device, released when the device is lost and made
// again on reset. Lines are drawn between sprites: the sprite batch is flushed before them and
// resumed after, so that they lie on top of what was drawn so far.
#include <windows.h>
#include <d3dx9.h>

#include "devices/d3d/DeviceResource.h"

namespace ThreeMatch {

class LineDrawer : public Ulvo::DeviceResource {
public:
    LineDrawer() = default;
    LineDrawer(const LineDrawer&) = delete;
    LineDrawer& operator=(const LineDrawer&) = delete;
    ~LineDrawer() override;

    // Any earlier line object released first; false without a device.
    bool create();
    void release();
    bool exists() const { return m_line != nullptr; }

    // Opens a run of lines of this width (pixels); false (and nothing drawn) without a line.
    bool begin(float width);
    void line(const D3DXVECTOR2& from, const D3DXVECTOR2& to, D3DCOLOR colour);
    void end();

    void onLostDevice() override;
    void onResetDevice() override;

private:
    ID3DXLine* m_line = nullptr;
    bool m_begun = false;
};

} // namespace ThreeMatch
