// The pointer picture copied for the system's pointer: a frame of a strip, scaled, cut to what is
// drawn, its colours kept up to the picture's soft edge; a device without colour pointers leaves
// the drawing to the game.
#include "GUITestSupport.h"

#include "devices/d3d/D3DInterface.h"
#include "threematch/controller/SystemPointer.h"

#include <gtest/gtest.h>

using ThreeMatch::SystemPointer;

namespace {

using SystemPointerTest = GUITesting::GUITest;

DWORD at(const D3DLOCKED_RECT& locked, int x, int y)
{
    return static_cast<const DWORD*>(locked.pBits)[y * locked.Pitch / 4 + x];
}

TEST_F(SystemPointerTest, AFrameIsCopiedScaledWithItsColoursUpToTheEdge)
{
    IDirect3DDevice9* device = Ulvo::D3DInterface::getInstance()->getDevice();
    ASSERT_NE(device, nullptr);
    // Two 8 x 8 frames side by side: the first red, the second a blue square on transparent.
    IDirect3DTexture9* strip = nullptr;
    ASSERT_EQ(device->CreateTexture(16, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &strip, nullptr), D3D_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(strip->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            static_cast<DWORD*>(locked.pBits)[y * locked.Pitch / 4 + x] =
                x < 8 ? 0xFFFF0000 : (x >= 10 && x < 14 && y >= 2 && y < 6 ? 0xFF2040E0 : 0x00000000);
    strip->UnlockRect(0);

    // The second frame twice as large, cut to the square and its soft edge, the hot spot (the
    // middle) moved with the cut.
    POINT hot{8, 8};
    IDirect3DSurface9* copy = SystemPointer::copy(device, strip, RECT{8, 0, 16, 8}, 16, 16, hot);
    ASSERT_NE(copy, nullptr);
    D3DSURFACE_DESC desc{};
    copy->GetDesc(&desc);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    ASSERT_EQ(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    const LONG left = 8 - hot.x; // where the surface starts in the 16 x 16 picture
    EXPECT_GT(left, 0) << "the transparent border is cut off";
    EXPECT_LT(desc.Width, 16u);
    EXPECT_EQ(at(locked, 7 - left, 7 - left), 0xFF2040E0u) << "the blue square";
    // Half covered at the square's edge: part of the alpha, the square's own colour.
    const DWORD edge = at(locked, 3 - left, 7 - left);
    EXPECT_GT(edge >> 24, 40u);
    EXPECT_LT(edge >> 24, 220u);
    EXPECT_EQ(edge & 0xFFFFFF, 0x2040E0u);
    copy->UnlockRect();
    copy->Release();

    // Offscreen there is no colour pointer: show() says so, and the game draws the picture.
    SystemPointer pointer;
    EXPECT_FALSE(pointer.show(device, strip, nullptr, 16, 16));
    EXPECT_FALSE(pointer.show(device, strip, nullptr, 16, 16));
    pointer.release();
    strip->Release();
}

} // namespace
