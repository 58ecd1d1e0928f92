// The menus' backdrop kept as one picture: the same pixels as the GUI drawing the landscape and
// the windows over it, taken again only when one of them changes, and not kept for the landscape
// alone.
#include "GUITestSupport.h"

#include "devices/d3d/D3DInterface.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIWindow.h"
#include "threematch/controller/MenuBackdrop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

using namespace Ulvo;
using GUITesting::GUITest;
using GUITesting::Image;
using GUITesting::sameWithinOne;

namespace {

std::wstring box(const std::wstring& name, int x, int y, int w, int h, const std::wstring& drawOptions)
{
    return L"<WINDOW NAME=\"" + name + L"\"><WINDOW_PARAMS><GUIRECT><POS_TL X_OFF=\"" + std::to_wstring(x) +
           L"\" Y_OFF=\"" + std::to_wstring(y) + L"\"/><SIZE X_OFF=\"" + std::to_wstring(w) + L"\" Y_OFF=\"" +
           std::to_wstring(h) + L"\"/></GUIRECT><DRAWOPTIONS " + drawOptions + L"/></WINDOW_PARAMS></WINDOW>";
}

class MenuBackdropTest : public GUITest {
protected:
    void SetUp() override
    {
        GUITest::SetUp();
        GUITesting::namedTexture(L"T_LAND", 32, 32, [](UINT x, UINT y) { return 0xFF000000 | (x * 8 << 16) | y * 8; });
        // Transparent in the middle, dark towards the edges.
        GUITesting::namedTexture(L"T_VIGNETTE", 32, 32, [](UINT x, UINT y) {
            const UINT edge = std::min(std::min(x, 31 - x), std::min(y, 31 - y));
            return static_cast<D3DCOLOR>((edge < 8 ? (8 - edge) * 30 : 0) << 24);
        });
        GUITesting::solidTexture(L"T_BUTTON", 0xFFE0C030);
        const int w = GUITesting::kScreenWidth, h = GUITesting::kScreenHeight;
        ASSERT_TRUE(loadText(L"<GUI><WINDOW NAME=\"EBENE\"><WINDOW_PARAMS><GUIRECT><POS_TL X_REL=\"0\" Y_REL=\"0\"/>"
                             L"<POS_BR X_REL=\"1\" Y_REL=\"1\"/></GUIRECT></WINDOW_PARAMS>" +
                             box(L"LAND", 0, 0, w, h, L"TEX_NORMAL=\"T_LAND\"") +
                             box(L"VIGNETTE", 0, 0, w, h, L"TEX_NORMAL=\"T_VIGNETTE\" ALPHA=\"0.55\"") +
                             box(L"BUTTON", 100, 100, 200, 60, L"TEX_NORMAL=\"T_BUTTON\" ALPHA=\"0.5\"") +
                             L"</WINDOW></GUI>"));
    }
    void TearDown() override
    {
        m_backdrop.release();
        GUITest::TearDown();
    }

    // The GUI as the game's frame draws it behind the menus; kept: whether the backdrop was used.
    Image frame(bool& kept)
    {
        IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice();
        GraphicsTesting::ScopedTarget target(device, GUITesting::kScreenWidth, GUITesting::kScreenHeight);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF102030, 1.0f, 0);
        const RECT screen{0, 0, static_cast<LONG>(GUITesting::kScreenWidth),
                          static_cast<LONG>(GUITesting::kScreenHeight)};
        kept = m_backdrop.begin(device, window(L"LAND"), screen);
        device->BeginScene();
        gui().draw();
        device->EndScene();
        m_backdrop.end();
        return target.read();
    }

    ThreeMatch::MenuBackdrop m_backdrop;
};

} // namespace

TEST_F(MenuBackdropTest, GivesTheGUIsPixelsAndIsTakenAgainOnlyWhenAWindowChanges)
{
    const Image drawn = render(GUITesting::kScreenWidth, GUITesting::kScreenHeight, 0xFF102030);
    // The first frame draws the windows and takes the picture; the next ones copy it.
    bool kept = true;
    EXPECT_TRUE(sameWithinOne(frame(kept), drawn));
    EXPECT_FALSE(kept);
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(sameWithinOne(frame(kept), drawn));
        EXPECT_TRUE(kept);
    }
    EXPECT_EQ(m_backdrop.redraws(), 1);

    // A change of the vignette's alpha: drawn and taken again.
    window(L"VIGNETTE")->getDrawOptions().alpha = 0.25;
    const Image fainter = render(GUITesting::kScreenWidth, GUITesting::kScreenHeight, 0xFF102030);
    EXPECT_FALSE(sameWithinOne(fainter, drawn));
    EXPECT_TRUE(sameWithinOne(frame(kept), fainter));
    EXPECT_FALSE(kept);
    EXPECT_TRUE(sameWithinOne(frame(kept), fainter));
    EXPECT_TRUE(kept);
    EXPECT_EQ(m_backdrop.redraws(), 2);
    // Without the window over it the landscape alone is not worth keeping: the GUI draws it.
    window(L"VIGNETTE")->getOptions().visible = false;
    const Image bare = render(GUITesting::kScreenWidth, GUITesting::kScreenHeight, 0xFF102030);
    EXPECT_TRUE(sameWithinOne(frame(kept), bare));
    EXPECT_FALSE(kept);
}
