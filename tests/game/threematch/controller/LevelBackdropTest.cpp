// A level's background and frames kept as one picture: the pixels the GUI's own order gives, a
// frame that earlier drawing overlaps left to the GUI, and the picture taken again only after a
// change has stood still for a frame.
#include "GUITestSupport.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/sigslot.h"
#include "graphics/sprites/D3DXSprite.h"
#include "graphics/sprites/SpriteDrawInfo.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIWindow.h"
#include "threematch/controller/LevelBackdrop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

using namespace Ulvo;
using GUITesting::GUITest;
using GUITesting::Image;
using GUITesting::sameWithinOne;
using Step = ThreeMatch::LevelBackdrop::Step;

namespace {

std::wstring rect(int x, int y, int w, int h)
{
    return L"<GUIRECT><POS_TL X_OFF=\"" + std::to_wstring(x) + L"\" Y_OFF=\"" + std::to_wstring(y) +
           L"\"/><SIZE X_OFF=\"" + std::to_wstring(w) + L"\" Y_OFF=\"" + std::to_wstring(h) + L"\"/></GUIRECT>";
}

std::wstring frameXml(const std::wstring& name, int x, int y, int w, int h)
{
    std::wstring parts;
    for (const wchar_t* part :
         {L"TOP", L"BOTTOM", L"LEFT", L"RIGHT", L"TOP_LEFT", L"TOP_RIGHT", L"BOTTOM_LEFT", L"BOTTOM_RIGHT"})
        parts += L"<TEXTURES_2D_" + std::wstring(part) + L" TEX_NORMAL=\"T_EDGE\"/>";
    return L"<WINDOW TYPE=\"FRAME\" NAME=\"" + name + L"\"><WINDOW_PARAMS>" + rect(x, y, w, h) +
           L"</WINDOW_PARAMS><FRAME_PARAMS><RAND_SIZE OFF=\"12\"/>" + parts +
           L"<TEXTURES_2D_FILL TEX_NORMAL=\"T_FILL\"/></FRAME_PARAMS></WINDOW>";
}

std::wstring box(const std::wstring& name, int x, int y, int w, int h, const std::wstring& drawOptions)
{
    return L"<WINDOW NAME=\"" + name + L"\"><WINDOW_PARAMS>" + rect(x, y, w, h) + L"<DRAWOPTIONS " + drawOptions +
           L"/></WINDOW_PARAMS></WINDOW>";
}

class LevelBackdropTest : public GUITest, public sigslot::has_slots<> {
protected:
    void SetUp() override
    {
        GUITest::SetUp();
        m_land = GUITesting::namedTexture(L"T_LEVEL_LAND", 32, 32,
                                          [](UINT x, UINT y) { return 0xFF000000 | (x * 8 << 16) | y * 8; });
        GUITesting::namedTexture(L"T_EDGE", 16, 16, [](UINT x, UINT y) { return (x * 16) << 24 | 0x603010 | y; });
        GUITesting::solidTexture(L"T_FILL", 0xC0E8D8B0);
        GUITesting::solidTexture(L"T_SPOT", 0x8020C040);
        // The board's frame, the picture in it, a spot over the side frame drawn before it, and
        // the bonus bar's frame with a button on it.
        ASSERT_TRUE(loadText(L"<GUI><WINDOW NAME=\"LEVEL\"><WINDOW_PARAMS><GUIRECT><POS_TL X_REL=\"0\" Y_REL=\"0\"/>"
                             L"<POS_BR X_REL=\"1\" Y_REL=\"1\"/></GUIRECT></WINDOW_PARAMS>" +
                             frameXml(L"BOARD_FRAME", 200, 10, 420, 320) + box(L"BOARD", 212, 22, 396, 296, L"") +
                             box(L"SPOT", 20, 60, 40, 40, L"TEX_NORMAL=\"T_SPOT\"") +
                             frameXml(L"SIDE_FRAME", 10, 10, 180, 320) + frameXml(L"BAR_FRAME", 10, 350, 610, 120) +
                             box(L"BUTTON", 40, 380, 60, 60, L"TEX_NORMAL=\"T_SPOT\" ALPHA=\"0.5\"") +
                             L"</WINDOW></GUI>"));
        // What the game draws into the board's window once the GUI reaches it.
        window(L"BOARD")->drawn.connect(this, &LevelBackdropTest::drawBoard);
    }
    void TearDown() override
    {
        if (GUIWindow* board = window(L"BOARD"))
            board->drawn.disconnect(this);
        m_backdrop.release();
        m_backdrop.releasePicture();
        GUITest::TearDown();
    }

    void drawBoard(GUIWindow& board, const bool&)
    {
        gui().getSprite()->drawRegion(GUITesting::solidTexture(L"T_SPOT", 0), nullptr, m_spot, SDP_SCALE, SDP_SCALE,
                                      0xFFFFFFFF);
        m_backdrop.drawnOver(m_spot);
        (void)board;
    }

    // A frame as the game draws it in a level, on a fresh target or on one kept from frame to
    // frame; kept picture used or not as step says.
    Image frame(Step& step, bool useBackdrop = true, GraphicsTesting::ScopedTarget* kept = nullptr)
    {
        IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice();
        std::optional<GraphicsTesting::ScopedTarget> fresh;
        if (!kept) {
            fresh.emplace(device, GUITesting::kScreenWidth, GUITesting::kScreenHeight);
            device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF102030, 1.0f, 0);
        }
        const GraphicsTesting::ScopedTarget& target = kept ? *kept : *fresh;
        const RECT screen{0, 0, static_cast<LONG>(GUITesting::kScreenWidth),
                          static_cast<LONG>(GUITesting::kScreenHeight)};
        step = useBackdrop
                   ? m_backdrop.begin(device, gui(), window(L"LEVEL"), m_land, window(L"BOARD"), screen, &m_alsoCopied)
                   : Step::Draw;
        device->BeginScene();
        D3DXSprite* sprite = gui().getSprite();
        if (step != Step::Kept && sprite->Begin(D3DXSPRITE_ALPHABLEND)) {
            sprite->drawRegion(m_land, nullptr, screen, SDP_SCALE, SDP_SCALE, 0xFFFFFFFF);
            sprite->End();
        }
        if (step == Step::Capture)
            m_backdrop.capture(device, gui());
        gui().draw();
        if (m_unbounded)
            m_backdrop.drawnOverWhole();
        if (useBackdrop)
            m_backdrop.end();
        device->EndScene();
        return target.read();
    }

    Texture2D* m_land = nullptr;
    RECT m_spot{250, 50, 300, 100};
    bool m_unbounded = false;       // the frame draws something no rectangle bounds
    std::vector<RECT> m_alsoCopied; // what the caller has copied back besides
    ThreeMatch::LevelBackdrop m_backdrop;
};

} // namespace

TEST_F(LevelBackdropTest, GivesTheGUIsPixelsAndKeepsOnlyFramesNothingEarlierOverlaps)
{
    Step step = Step::Draw;
    const Image drawn = frame(step, false);
    // The first frame draws as always; the second, unchanged, takes the picture; then it is kept.
    EXPECT_TRUE(sameWithinOne(frame(step), drawn));
    EXPECT_EQ(step, Step::Draw);
    EXPECT_TRUE(sameWithinOne(frame(step), drawn));
    EXPECT_EQ(step, Step::Capture);
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(sameWithinOne(frame(step), drawn));
        EXPECT_EQ(step, Step::Kept);
    }
    EXPECT_EQ(m_backdrop.captures(), 1);
    // The board's and the bar's frames; the side frame lies under the spot drawn before it.
    EXPECT_EQ(m_backdrop.frames(), 2u);

    // What is drawn over the frames changes freely while the picture is kept.
    window(L"BUTTON")->getDrawOptions().alpha = 0.25;
    const Image fainter = frame(step, false);
    EXPECT_FALSE(sameWithinOne(fainter, drawn));
    EXPECT_TRUE(sameWithinOne(frame(step), fainter));
    EXPECT_EQ(step, Step::Kept);

    // A frame fading: drawn each frame while it changes, taken again once it stands still.
    window(L"BAR_FRAME")->getDrawOptions().alpha = 0.5;
    const Image faded = frame(step, false);
    EXPECT_FALSE(sameWithinOne(faded, fainter));
    EXPECT_TRUE(sameWithinOne(frame(step), faded));
    EXPECT_EQ(step, Step::Draw);
    EXPECT_TRUE(sameWithinOne(frame(step), faded));
    EXPECT_EQ(step, Step::Capture);
    EXPECT_TRUE(sameWithinOne(frame(step), faded));
    EXPECT_EQ(step, Step::Kept);
    EXPECT_EQ(m_backdrop.captures(), 2);

    // A lost device takes the picture along: taken again after it.
    m_backdrop.onLostDevice();
    EXPECT_TRUE(sameWithinOne(frame(step), faded));
    EXPECT_EQ(step, Step::Capture);
}

// On a target that keeps its pixels, a kept frame copies back only what the frame before drew over
// the picture, and still gives the GUI's pixels when what is drawn over it goes or moves.
TEST_F(LevelBackdropTest, CopiesBackOnlyWhatTheFrameBeforeDrewOver)
{
    IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice();
    GraphicsTesting::ScopedTarget kept(device, GUITesting::kScreenWidth, GUITesting::kScreenHeight);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0);
    const long long whole = static_cast<long long>(GUITesting::kScreenWidth) * GUITesting::kScreenHeight;
    Step step = Step::Draw;
    auto keptFrameMatches = [&](Step expected) {
        const Image drawn = frame(step, false);
        const Image image = frame(step, true, &kept);
        EXPECT_EQ(step, expected);
        return sameWithinOne(image, drawn);
    };
    EXPECT_TRUE(keptFrameMatches(Step::Draw));
    EXPECT_TRUE(keptFrameMatches(Step::Capture));
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(keptFrameMatches(Step::Kept));
        EXPECT_GT(m_backdrop.copiedPixels(), 0);
        EXPECT_LT(m_backdrop.copiedPixels(), whole / 2);
    }
    // The button hidden and the board's drawing moved: where they were is copied back.
    window(L"BUTTON")->getOptions().visible = false;
    m_spot = RECT{400, 150, 450, 200};
    EXPECT_TRUE(keptFrameMatches(Step::Kept));
    EXPECT_TRUE(keptFrameMatches(Step::Kept));
    // Rectangles the caller asks for besides, one overlapping what the frame before drew over and
    // one reaching past the screen: copied back too, each pixel within one rectangle only.
    m_alsoCopied = {RECT{420, 170, 520, 260}, RECT{-20, -20, 10, 10}};
    EXPECT_TRUE(keptFrameMatches(Step::Kept));
    ASSERT_TRUE(m_backdrop.copiedInPart());
    const std::vector<RECT>& copied = m_backdrop.copiedRects();
    long long area = 0;
    for (std::size_t i = 0; i < copied.size(); ++i) {
        area += static_cast<long long>(copied[i].right - copied[i].left) * (copied[i].bottom - copied[i].top);
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_FALSE(copied[i].left < copied[j].right && copied[j].left < copied[i].right &&
                         copied[i].top < copied[j].bottom && copied[j].top < copied[i].bottom);
    }
    EXPECT_EQ(area, m_backdrop.copiedPixels());
    const auto holds = [&copied](LONG x, LONG y) {
        return std::any_of(copied.begin(), copied.end(),
                           [x, y](const RECT& r) { return r.left <= x && x < r.right && r.top <= y && y < r.bottom; });
    };
    EXPECT_TRUE(holds(519, 259));
    EXPECT_TRUE(holds(0, 0));
    m_alsoCopied.clear();

    // Something drawn over the picture that no rectangle bounds: the next frame copies it whole.
    m_unbounded = true;
    frame(step, true, &kept);
    m_unbounded = false;
    EXPECT_TRUE(keptFrameMatches(Step::Kept));
    EXPECT_EQ(m_backdrop.copiedPixels(), whole);
    // A frame of another target in between: the next one copies it whole.
    frame(step);
    EXPECT_TRUE(keptFrameMatches(Step::Kept));
    EXPECT_EQ(m_backdrop.copiedPixels(), whole);
}
