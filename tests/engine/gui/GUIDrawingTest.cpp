// Pages drawn by the GUI system on the engine's device, compared with golden images;
// pixels whose value can be worked out are checked on their own as well.
#include "GUITestSupport.h"

#include "devices/d3d/D3DInterface.h"
#include "graphics/sprites/D3DXSprite.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIWindow.h"

#include <gtest/gtest.h>

#include <string>

using namespace Ulvo;
using GUITesting::GUITest;
using GUITesting::Image;

namespace {

constexpr D3DCOLOR kBackground = 0xFF202830;
constexpr D3DCOLOR kGrey = 0xFF505050;
constexpr D3DCOLOR kBlue = 0xFF3050E0;
constexpr D3DCOLOR kGreen = 0xFF30C040;
constexpr D3DCOLOR kRed = 0xFFE03030;
constexpr D3DCOLOR kYellow = 0xFFE0C030;
constexpr D3DCOLOR kBlack = 0xFF000000;

// Four vertical bands (red, green, blue, yellow), 8 texels each, half as bright in
// the bottom half.
D3DCOLOR band(UINT x, UINT y)
{
    static const D3DCOLOR bright[4] = {kRed, kGreen, kBlue, kYellow};
    const D3DCOLOR c = bright[(x / 8) & 3];
    return y < 8 ? c : (0xFF000000 | ((c >> 1) & 0x007F7F7F));
}

// A window at (x, y) of w x h pixels; drawOptions holds the DRAWOPTIONS attributes and
// may go on with its child nodes after a ">".
std::wstring box(const std::wstring& name, int x, int y, int w, int h, const std::wstring& drawOptions,
                 const std::wstring& extra = L"", const std::wstring& children = L"")
{
    const bool hasChildren = drawOptions.find(L'>') != std::wstring::npos;
    return L"<WINDOW NAME=\"" + name + L"\"><WINDOW_PARAMS><GUIRECT><POS_TL X_OFF=\"" + std::to_wstring(x) +
           L"\" Y_OFF=\"" + std::to_wstring(y) + L"\"/><SIZE X_OFF=\"" + std::to_wstring(w) + L"\" Y_OFF=\"" +
           std::to_wstring(h) + L"\"/></GUIRECT><DRAWOPTIONS " + drawOptions +
           (hasChildren ? L"</DRAWOPTIONS>" : L"/>") + extra + L"</WINDOW_PARAMS>" + children + L"</WINDOW>";
}

void makeColours()
{
    GUITesting::solidTexture(L"T_GREY", kGrey);
    GUITesting::solidTexture(L"T_BLUE", kBlue);
    GUITesting::solidTexture(L"T_GREEN", kGreen);
    GUITesting::solidTexture(L"T_RED", kRed);
    GUITesting::solidTexture(L"T_YELLOW", kYellow);
    GUITesting::circleTexture(L"T_CIRCLE");
    GUITesting::namedTexture(L"T_STRIPES", 16, 16, [](UINT x, UINT) { return x < 8 ? kYellow : kBlack; });
    GUITesting::namedTexture(L"T_BANDS", 32, 16, band);
}

} // namespace

TEST_F(GUITest, CircularShapesClipTheirSubtreesNestedTwice)
{
    makeColours();
    const std::wstring clip = L"<OPTIONS DRAW_IN_CLIENT_ONLY=\"1\"/>";
    ASSERT_TRUE(
        loadText(L"<GUI>" +
                 box(L"P_CLIP", 0, 0, 240, 160, L"TEX_NORMAL=\"T_GREY\"", L"",
                     // Blue disk centred at (60, 60), radius 50; inside it a green disk at (100, 100),
                     // inside that stripes over its left half: only the lens of both disks shows them.
                     box(L"P_OUTER", 10, 10, 100, 100, L"TEX_NORMAL=\"T_BLUE\" TEX_SHAPE=\"T_CIRCLE\"", clip,
                         box(L"P_INNER", 40, 40, 100, 100, L"TEX_NORMAL=\"T_GREEN\" TEX_SHAPE=\"T_CIRCLE\"", clip,
                             box(L"P_STRIPES", -40, -40, 90, 200,
                                 L"TEX_NORMAL=\"T_STRIPES\"><DRAW_TYPE X=\"REPEAT\" Y=\"REPEAT\"/>"))) +
                         // Drawn after the clipped subtree: the stencil test must be off again.
                         box(L"P_AFTER", 170, 10, 60, 130, L"TEX_NORMAL=\"T_RED\"")) +
                 L"</GUI>"));
    const Image page = render(240, 160, kBackground);
    ASSERT_EQ(page.width, 240u);

    EXPECT_PIXEL(page, 5, 5, kGrey);
    EXPECT_PIXEL(page, 15, 15, kGrey) << "outside the outer disk";
    EXPECT_PIXEL(page, 60, 60, kBlue);
    EXPECT_PIXEL(page, 90, 90, kYellow) << "stripes in the lens";
    EXPECT_PIXEL(page, 98, 90, kBlack);
    EXPECT_PIXEL(page, 102, 75, kGreen) << "the inner window right of its stripes";
    EXPECT_PIXEL(page, 112, 112, kGrey) << "inner disk outside the outer one";
    EXPECT_PIXEL(page, 120, 80, kGrey);
    EXPECT_PIXEL(page, 200, 75, kRed);
    EXPECT_PIXEL(page, 171, 11, kRed);
    EXPECT_TRUE(GUITesting::matchesGolden(page, "gui_clipping"));

    // The stencil is cleared only inside the outer clipping window, and clipped drawing stays
    // inside it: stencil values left around it change nothing. Nothing after the GUI is clipped.
    IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice();
    GraphicsTesting::ScopedTarget target(device, 240, 160);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, kBackground, 1.0f, 0xFF);
    device->BeginScene();
    gui().draw();
    device->EndScene();
    DWORD scissor = TRUE;
    device->GetRenderState(D3DRS_SCISSORTESTENABLE, &scissor);
    EXPECT_EQ(scissor, static_cast<DWORD>(FALSE));
    EXPECT_EQ(target.read().pixels, page.pixels);

    // A clipped part drawn on its own, as the loading screen draws its splash, ends its clipping
    // too: the next frame's clears and draws would otherwise stay inside it.
    D3DXSprite* sprite = gui().getSprite();
    ASSERT_NE(sprite, nullptr);
    device->BeginScene();
    ASSERT_TRUE(sprite->Begin(D3DXSPRITE_ALPHABLEND));
    GUIWindow::resetStencilState();
    window(L"P_OUTER")->onDraw(FloatRect(0.0f, 0.0f, 240.0f, 160.0f));
    sprite->End();
    device->EndScene();
    scissor = TRUE;
    device->GetRenderState(D3DRS_SCISSORTESTENABLE, &scissor);
    EXPECT_EQ(scissor, static_cast<DWORD>(FALSE));
}

TEST_F(GUITest, APageDrawsTheSameAfterTheDeviceIsLostAndReset)
{
    makeColours();
    const std::wstring clip = L"<OPTIONS DRAW_IN_CLIENT_ONLY=\"1\"/>";
    ASSERT_TRUE(loadText(
        L"<GUI>" +
        box(L"R_BACK", 0, 0, 160, 120, L"TEX_NORMAL=\"T_GREY\"", L"",
            box(L"R_DISK", 10, 10, 80, 80, L"TEX_NORMAL=\"T_BLUE\" TEX_SHAPE=\"T_CIRCLE\"", clip,
                box(L"R_STRIPES", 0, 0, 40, 80, L"TEX_NORMAL=\"T_STRIPES\"><DRAW_TYPE X=\"REPEAT\" Y=\"REPEAT\"/>")) +
                box(L"R_BANDS", 100, 10, 48, 32, L"TEX_NORMAL=\"T_BANDS\"><DRAW_TYPE X=\"SCALE\" Y=\"SCALE\"/>")) +
        L"</GUI>"));
    const Image before = render(160, 120, kBackground);
    ASSERT_EQ(before.width, 160u);
    // The sprite, the clipping and the windows' screen rectangles all follow the reset.
    D3DInterface* d3d = D3DInterface::getInstance();
    const D3DPRESENT_PARAMETERS present = *d3d->getPresentParams();
    ASSERT_NE(d3d->setPresenterParams(&present), nullptr);
    const Image after = render(160, 120, kBackground);
    ASSERT_EQ(after.width, before.width);
    ASSERT_EQ(after.height, before.height);
    EXPECT_EQ(after.pixels, before.pixels);
    EXPECT_PIXEL(after, 70, 30, kBlue);
    EXPECT_PIXEL(after, 5, 5, kGrey);
}

TEST_F(GUITest, LayersAndDockingPage)
{
    makeColours();
    ASSERT_TRUE(
        loadText(L"<GUI>" + box(L"E_HIGH", 40, 20, 40, 40, L"TEX_NORMAL=\"T_RED\" EBENE=\"1\"") +
                 box(L"E_LOW1", 10, 10, 40, 40, L"TEX_NORMAL=\"T_GREEN\"") +
                 box(L"E_LOW2", 25, 35, 40, 40, L"TEX_NORMAL=\"T_BLUE\"") +
                 box(L"E_PARENT", 10, 90, 80, 60, L"TEX_NORMAL=\"T_GREY\"", L"",
                     box(L"E_CHILD_HIGH", 30, 10, 40, 40, L"TEX_NORMAL=\"T_YELLOW\" EBENE=\"2\"") +
                         box(L"E_CHILD_LOW", 10, 20, 40, 30, L"TEX_NORMAL=\"T_RED\"")) +
                 L"<WINDOW NAME=\"D_DOCK\"><WINDOW_PARAMS><GUIRECT><POS_TL X_OFF=\"130\" Y_OFF=\"30\"/>"
                 L"<SIZE X_OFF=\"100\" Y_OFF=\"100\"/></GUIRECT><OPTIONS LAYOUTMANAGER=\"DEFAULT\"/></WINDOW_PARAMS>" +
                 box(L"D_TOP1", 0, 0, 1, 10, L"TEX_NORMAL=\"T_YELLOW\"", L"<OPTIONS LAYOUT_PARAM=\"TOP\"/>") +
                 box(L"D_TOP2", 0, 0, 1, 20, L"TEX_NORMAL=\"T_GREEN\"", L"<OPTIONS LAYOUT_PARAM=\"TOP\"/>") +
                 box(L"D_FILL", 0, 0, 1, 1, L"TEX_NORMAL=\"T_BLUE\"", L"<OPTIONS LAYOUT_PARAM=\"FILL\"/>") +
                 L"</WINDOW></GUI>"));
    const Image page = render(240, 160, kBackground);
    ASSERT_EQ(page.width, 240u);
    // The EBENE 1 window loaded first is drawn last; the two of EBENE 0 keep file order.
    EXPECT_PIXEL(page, 45, 40, kRed);
    EXPECT_PIXEL(page, 30, 40, kBlue);
    EXPECT_PIXEL(page, 15, 15, kGreen);
    // Children likewise: the EBENE 2 child over the later one.
    EXPECT_PIXEL(page, 45, 120, kYellow);
    EXPECT_PIXEL(page, 25, 120, kRed);
    EXPECT_PIXEL(page, 15, 95, kGrey);
    // TOP, TOP, FILL: y 30-40, 40-60 and 60-130, each 100 wide.
    EXPECT_PIXEL(page, 131, 31, kYellow);
    EXPECT_PIXEL(page, 229, 39, kYellow);
    EXPECT_PIXEL(page, 180, 41, kGreen);
    EXPECT_PIXEL(page, 180, 59, kGreen);
    EXPECT_PIXEL(page, 131, 61, kBlue);
    EXPECT_PIXEL(page, 229, 129, kBlue);
    EXPECT_PIXEL(page, 180, 131, kBackground);
    EXPECT_PIXEL(page, 231, 80, kBackground);
    EXPECT_TRUE(GUITesting::matchesGolden(page, "gui_layers_docking"));
}

TEST_F(GUITest, EveryDrawTypeWordOnOnePage)
{
    makeColours();
    auto cell = [](const std::wstring& name, int x, int y, int w, int h, const std::wstring& types,
                   const std::wstring& slot = L"TEX_NORMAL", const std::wstring& node = L"DRAW_TYPE") {
        return box(name, x, y, w, h, slot + L"=\"T_BANDS\"><" + node + L" " + types + L"/>");
    };
    ASSERT_TRUE(loadText(
        L"<GUI>" + cell(L"DT_SCALE", 8, 8, 48, 32, L"X=\"SCALE\" Y=\"SCALE\"") +
        cell(L"DT_REPEAT", 64, 8, 76, 36, L"X=\"REPEAT\" Y=\"REPEAT\"") +
        cell(L"DT_FRONT", 148, 8, 40, 40, L"X=\"STRETCH\" Y=\"STRETCH ALIGN_FRONT\"") +
        cell(L"DT_BACK", 196, 8, 40, 40, L"X=\"STRETCH\" Y=\"STRETCH ALIGN_BACK\"") +
        cell(L"DT_CLAMP", 244, 8, 68, 32, L"X=\"CLAMP\" Y=\"CLAMP\"") +
        cell(L"DT_NUMBER", 8, 56, 48, 40, L"X=\"STRETCH_NUMBER\" Y=\"REPEAT\"") +
        cell(L"DT_SDP", 64, 56, 76, 32, L"X=\"SDP_REPEAT\" Y=\"SDP_SCALE\"") +
        cell(L"DT_BACKGROUND", 148, 56, 60, 40, L"X=\"CLAMP\" Y=\"CLAMP\"", L"TEX_BACKGROUND", L"BACK_DRAW_TYPE") +
        cell(L"DT_DEFAULT_BACKGROUND", 216, 56, 64, 64, L"", L"TEX_BACKGROUND", L"BACK_DRAW_TYPE") + L"</GUI>"));
    const Image page = render(320, 128, kBackground);
    ASSERT_EQ(page.width, 320u);
    // Scale 1.5 x 2.
    EXPECT_PIXEL(page, 14, 14, band(4, 3));
    EXPECT_PIXEL(page, 55, 39, band(31, 15));
    // Repeat: the second tile, then the right column cut.
    EXPECT_PIXEL(page, 64 + 32 + 30, 8 + 12, band(30, 12));
    EXPECT_PIXEL(page, 64 + 64 + 10, 8 + 2, band(10, 2));
    EXPECT_PIXEL(page, 64 + 64 + 13, 8 + 2, kBackground);
    // Stretch at the front and at the back: 20 high in 40.
    EXPECT_PIXEL(page, 153, 13, band(4, 4));
    EXPECT_PIXEL(page, 153, 33, kBackground);
    EXPECT_PIXEL(page, 201, 13, kBackground);
    EXPECT_PIXEL(page, 201, 43, band(4, 12));
    // Clamp: natural size, centred.
    EXPECT_PIXEL(page, 262, 16, band(0, 0));
    EXPECT_PIXEL(page, 261, 16, kBackground);
    EXPECT_PIXEL(page, 262 + 31, 16 + 15, band(31, 15));
    // The drawer's region form has no STRETCH_NUMBER rule: that window draws nothing.
    EXPECT_PIXEL(page, 20, 70, kBackground);
    // SDP_ words: repeated across, scaled down the 32 pixels.
    EXPECT_PIXEL(page, 64 + 32 + 5, 56 + 5, band(5, 2));
    // The background with CLAMP, and with its default STRETCH (kept 2:1 across 64 x 64).
    EXPECT_PIXEL(page, 162, 68, band(0, 0));
    EXPECT_PIXEL(page, 161, 68, kBackground);
    EXPECT_PIXEL(page, 218, 76, band(1, 2));
    EXPECT_PIXEL(page, 218, 70, kBackground);
    EXPECT_TRUE(GUITesting::matchesGolden(page, "gui_draw_types"));
}
