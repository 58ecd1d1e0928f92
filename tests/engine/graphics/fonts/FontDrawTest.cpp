// Drawing text on the engine's real device: D3DX text in plain, shadowed and haloed styles,
// DT_CALCRECT measures, sprite batches, bitmap-font paragraphs from a glyph texture, and the
// rebuild of screen-scaled fonts when the display mode changes.
#include "GraphicsTestSupport.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/console/ConsoleCommand.h"
#include "foundation/console/ConsoleDispatcher.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/fonts/BitmapFont.h"
#include "graphics/fonts/D3DXFont.h"
#include "graphics/fonts/D3DXFontInterface.h"
#include "graphics/fonts/FontStyle.h"
#include "graphics/sprites/SpritePair.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>

using namespace Ulvo;
using GraphicsTesting::Image;
using TestSupport::hex;

namespace {

const wchar_t* const kFonts =
    L"<FONTS>"
    L"<FONTSTYLE NAME=\"plain\" COLOR_VG=\"FFFFFFFF\"/>"
    L"<FONTSTYLE NAME=\"shadow\" COLOR_VG=\"FFFFFFFF\" COLOR_HG=\"FFFF0000\" DRAW_HG=\"1\" SHADOW=\"3\"/>"
    L"<FONTSTYLE NAME=\"halo\" COLOR_VG=\"FFFFFFFF\" COLOR_HG=\"FF0000FF\" DRAW_HG=\"1\" SAMPLES=\"8\" RINGS=\"2\" "
    L"RADIUS=\"2\"/>"
    L"<D3DXFONT NAME=\"T\" FONT_NAME=\"DejaVu Sans\" HEIGHT=\"24\" SIZE=\"700\" SCALE_WITH_SCREEN=\"0\"/>"
    L"<D3DXFONT NAME=\"SCALED\" FONT_NAME=\"DejaVu Sans\" HEIGHT=\"30\"/>"
    L"<BITMAPFONT_DATA NAME=\"BLOCKS\" TEXTUR=\"cells\" ZERO_SIZE=\"8\">"
    L"<TEXTUREN><TEXTUR2D NAME=\"cells\"><FILE FILENAME=\"cells.png\"/></TEXTUR2D></TEXTUREN>"
    L"<LETTER TYPE=\"a\" L=\"0\" T=\"0\" W=\"8\" H=\"8\"/>"
    L"<LETTER TYPE=\" \" L=\"8\" T=\"0\" W=\"8\" H=\"8\"/>"
    L"</BITMAPFONT_DATA>"
    L"<BITMAPFONT NAME=\"B\" BITMAPFONT_DATA=\"BLOCKS\" HEIGHT=\"8\" SCALE_WITH_SCREEN=\"0\"/>"
    L"<BITMAPFONT NAME=\"T\" BITMAPFONT_DATA=\"BLOCKS\" HEIGHT=\"8\" SCALE_WITH_SCREEN=\"0\"/>"
    L"</FONTS>";

const DWORD kBlack = 0xFF000000;
const DWORD kWhite = 0xFFFFFFFF;
const DWORD kRed = 0xFFFF0000;

// A target of its own, cleared and inside an open scene for the lifetime of the object.
class ScopedTarget : public GraphicsTesting::ScopedTarget {
public:
    ScopedTarget(IDirect3DDevice9* device, UINT width, UINT height)
        : GraphicsTesting::ScopedTarget(device, width, height)
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
        device->BeginScene();
    }
    Image finish() const
    {
        device()->EndScene();
        return read();
    }
};

// The bounding box of the pixels that are not black; empty (right < left) when there are none.
RECT inkBox(const Image& image, const RECT& area)
{
    RECT box{area.right, area.bottom, area.left - 1, area.top - 1};
    for (LONG y = area.top; y < area.bottom; ++y) {
        for (LONG x = area.left; x < area.right; ++x) {
            if ((image.at(x, y) & 0x00FFFFFF) == 0)
                continue;
            box.left = std::min(box.left, x);
            box.top = std::min(box.top, y);
            box.right = std::max(box.right, x);
            box.bottom = std::max(box.bottom, y);
        }
    }
    return box;
}

class FontDraw : public ::testing::Test {
protected:
    void SetUp() override
    {
        device = GraphicsTesting::startDevice();
        ASSERT_NE(device, nullptr);
        manager->releaseEverything();
        // The glyph cells: "a" a solid white 8 x 8 square, the blank fully transparent.
        Image cells;
        cells.width = 16;
        cells.height = 8;
        cells.pixels.assign(16 * 8, 0x00000000);
        for (UINT y = 0; y < 8; ++y)
            for (UINT x = 0; x < 8; ++x)
                cells.pixels[y * 16 + x] = kWhite;
        ASSERT_TRUE(TestSupport::writePng((log.folder() / "cells.png").string(), cells));
        XMLNode root;
        ASSERT_TRUE(XMLNode::load(&root, kFonts, 1));
        manager->loadFonts(&root);
        manager->createAllFonts();
        font = dynamic_cast<D3DXFont*>(manager->getFont(L"T"));
        ASSERT_NE(font, nullptr);
        ASSERT_NE(font->getD3DXFont(), nullptr);
        sprite = &D3DInterface::getInstance()->getSprite()->first;
    }
    void TearDown() override { manager->releaseEverything(); }

    FontStyle* style(const wchar_t* name) { return manager->getFontStyle(name); }

    LogCapture log;
    IDirect3DDevice9* device = nullptr;
    D3DXFontInterface* manager = D3DXFontInterface::getInstance();
    D3DXFont* font = nullptr;
    D3DXSprite* sprite = nullptr;
};

} // namespace

TEST_F(FontDraw, D3DXTextInPlainShadowAndHaloStyles)
{
    ScopedTarget target(device, 128, 96);
    ASSERT_TRUE(target.ok());
    RECT plain{4, 2, 124, 32};
    RECT shadow{4, 32, 124, 62};
    RECT halo{4, 62, 124, 92};
    manager->dispatchDrawText(font, L"Ab3", &plain, DT_LEFT | DT_TOP, style(L"plain"));
    manager->dispatchDrawText(font, L"Ab3", &shadow, DT_LEFT | DT_TOP, style(L"shadow"));
    manager->dispatchDrawText(font, L"Ab3", &halo, DT_LEFT | DT_TOP, style(L"halo"));
    EXPECT_FALSE(sprite->isInBatch()) << "a batch begun for the text is ended again";
    const Image image = target.finish();
    EXPECT_TRUE(GraphicsTesting::matchesGolden(image, "font_d3dx_styles"));

    // The shadow row is the plain row with a red copy 3 pixels right and down behind it:
    // wherever the plain text is fully white, so is the shadowed text, and its copy is red
    // (or the text's own white over it). Alpha is left out: blending writes it too.
    int white = 0;
    int redOnly = 0;
    for (LONG y = 2; y < 29; ++y) {
        for (LONG x = 4; x < 121; ++x) {
            const DWORD p = image.at(x, y) & 0x00FFFFFF;
            EXPECT_TRUE(TestSupport::channel(p, 16) == TestSupport::channel(p, 0) &&
                        TestSupport::channel(p, 8) == TestSupport::channel(p, 0))
                << "the plain row is grey only: " << hex(p);
            if (p != 0x00FFFFFF)
                continue;
            ++white;
            EXPECT_EQ(image.at(x, y + 30) & 0x00FFFFFF, 0x00FFFFFFu) << "at (" << x << ", " << y + 30 << ")";
            const DWORD copy = image.at(x + 3, y + 33);
            EXPECT_GE(TestSupport::channel(copy, 16), 250) << "shadow at (" << x + 3 << ", " << y + 33 << ")";
            redOnly += TestSupport::channel(copy, 8) < 10 && TestSupport::channel(copy, 0) < 10 ? 1 : 0;
        }
    }
    EXPECT_GT(white, 40);
    EXPECT_GT(redOnly, 10);

    // The halo reaches 2 pixels beyond the text on every side, in blue.
    const RECT inkPlain = inkBox(image, RECT{0, 2, 128, 32});
    const RECT inkHalo = inkBox(image, RECT{0, 62, 128, 92});
    EXPECT_EQ(inkHalo.left, inkPlain.left - 2);
    EXPECT_EQ(inkHalo.right, inkPlain.right + 2);
    EXPECT_EQ(inkHalo.top - 60, inkPlain.top - 2);
    const DWORD leftmost = image.at(inkHalo.left, (inkHalo.top + inkHalo.bottom) / 2);
    EXPECT_EQ(leftmost & 0x00FFFF00, 0u) << "blue only at the halo's edge: " << hex(leftmost);
}

TEST_F(FontDraw, CalcRectMeasuresWhatIsDrawn)
{
    RECT direct{10, 20, 10, 20};
    font->getD3DXFont()->DrawTextW(nullptr, L"Measure me", -1, &direct, DT_CALCRECT, kWhite);
    ASSERT_GT(direct.right, direct.left);

    RECT measured{10, 20, 10, 20};
    manager->dispatchDrawText(font, L"Measure me", &measured, DT_CALCRECT, style(L"halo"));
    EXPECT_EQ(measured.left, direct.left);
    EXPECT_EQ(measured.top, direct.top);
    EXPECT_EQ(measured.right, direct.right) << "the background copies never change the measure";
    EXPECT_EQ(measured.bottom, direct.bottom);

    ScopedTarget target(device, 256, 64);
    ASSERT_TRUE(target.ok());
    RECT drawn = measured;
    manager->dispatchDrawText(font, L"Measure me", &drawn, DT_LEFT | DT_TOP, style(L"plain"));
    const Image image = target.finish();
    const RECT ink = inkBox(image, RECT{0, 0, 256, 64});
    EXPECT_GE(ink.left, measured.left);
    EXPECT_LT(ink.right, measured.right);
    EXPECT_GE(ink.top, measured.top);
    EXPECT_LT(ink.bottom, measured.bottom);
    EXPECT_GT(ink.right - ink.left, (measured.right - measured.left) * 3 / 4) << "the measure is not far too wide";
}

TEST_F(FontDraw, TextInsideABatchNeitherBeginsNorEndsIt)
{
    ScopedTarget target(device, 64, 32);
    ASSERT_TRUE(sprite->Begin(D3DXSPRITE_ALPHABLEND));
    RECT rect{0, 0, 64, 32};
    manager->dispatchDrawText(font, L"x", &rect, 0, style(L"shadow"));
    manager->dispatchDrawStyledText(L"B", L"a", &rect, 0, L"plain");
    EXPECT_EQ(sprite->getNesting(), 1);
    EXPECT_TRUE(sprite->End());
    target.finish();

    // Without a style, with an unknown style or font name, nothing is drawn and nothing breaks.
    manager->dispatchDrawText(font, L"x", &rect, 0, nullptr);
    manager->dispatchDrawStyledText(L"T", L"x", &rect, 0, L"no such style");
    manager->dispatchDrawStyledText(L"no such font", L"x", &rect, 0, L"plain");
    EXPECT_EQ(sprite->getNesting(), 0);
}

TEST_F(FontDraw, BitmapTextRightAlignedWithShadow)
{
    ScopedTarget target(device, 64, 32);
    ASSERT_TRUE(target.ok());
    // "aa a" is 32 wide and 8 high: right- and bottom-aligned in 0..60 x 0..30 it covers
    // 28..60 x 22..30, with the blank's cell transparent; the red shadow sits 3 pixels off.
    RECT rect{0, 0, 60, 30};
    const RECT before = rect;
    manager->getBitmapInterface().drawStyledText(L"B", L"aa a", &rect, DT_RIGHT | DT_BOTTOM | DT_CALCRECT, L"shadow");
    EXPECT_EQ(rect.right, before.right) << "bitmap fonts do not measure";
    EXPECT_EQ(rect.bottom, before.bottom);
    const Image image = target.finish();
    EXPECT_PIXEL(image, 28, 22, kWhite);
    EXPECT_PIXEL(image, 59, 29, kWhite);
    EXPECT_PIXEL(image, 27, 25, kBlack);
    EXPECT_PIXEL(image, 28, 21, kBlack);
    EXPECT_PIXEL(image, 46, 26, kRed) << "the shadow shows through the blank's cell";
    EXPECT_PIXEL(image, 50, 24, kBlack);
    EXPECT_PIXEL(image, 61, 31, kRed);
    EXPECT_PIXEL(image, 61, 24, kBlack);
}

TEST_F(FontDraw, SameNameDispatchesToTheBitmapDrawer)
{
    ScopedTarget target(device, 64, 32);
    RECT rect{0, 0, 64, 32};
    manager->dispatchDrawStyledText(L"T", L"a", &rect, 0, L"plain");
    const Image image = target.finish();
    // The bitmap "a" is a solid 8 x 8 square; no D3DX letter looks like that.
    EXPECT_PIXEL(image, 0, 0, kWhite);
    EXPECT_PIXEL(image, 7, 7, kWhite);
    EXPECT_PIXEL(image, 8, 8, kBlack);
}

TEST_F(FontDraw, DisplayModeChangeRebuildsScreenScaledFonts)
{
    struct Counter : public sigslot::has_slots<> {
        void changed(Font& font) { fonts.push_back(font.getName()); }
        std::vector<std::wstring> fonts;
    } counter;
    auto* scaled = dynamic_cast<D3DXFont*>(manager->getFont(L"SCALED"));
    ASSERT_NE(scaled, nullptr);
    scaled->onFontChanged.connect(&counter, &Counter::changed);
    font->onFontChanged.connect(&counter, &Counter::changed);

    // The cell height of a line is the font height: 30 on 1024 x 768.
    auto lineHeight = [](D3DXFont* f) {
        RECT r{0, 0, 0, 0};
        f->getD3DXFont()->DrawTextW(nullptr, L"Hg", -1, &r, DT_CALCRECT, kWhite);
        return r.bottom - r.top;
    };
    D3DInterface* d3d = D3DInterface::getInstance();
    const unsigned oldWidth = d3d->getWidth();
    const unsigned oldHeight = d3d->getHeight();
    EXPECT_EQ(lineHeight(scaled), static_cast<LONG>(oldHeight * 30 / 768));
    const LONG fixedHeight = lineHeight(font);

    TypedConsoleCommand line(L"D3D_setResolution 800 600 32");
    ConsoleDispatcher::getInstance()->execute(line);
    ASSERT_EQ(d3d->getHeight(), 600u) << "answer: " << std::string(line.getAnswer().begin(), line.getAnswer().end());
    EXPECT_EQ(counter.fonts, std::vector<std::wstring>{L"SCALED"}) << "only the scaled font is rebuilt";
    ASSERT_NE(scaled->getD3DXFont(), nullptr);
    EXPECT_EQ(lineHeight(scaled), 23) << "trunc(600 / 768 x 30)";
    EXPECT_EQ(lineHeight(font), fixedHeight);

    TypedConsoleCommand back(L"D3D_setResolution " + std::to_wstring(oldWidth) + L" " + std::to_wstring(oldHeight) +
                             L" 32");
    ConsoleDispatcher::getInstance()->execute(back);
    EXPECT_EQ(d3d->getHeight(), oldHeight);
    EXPECT_EQ(lineHeight(scaled), static_cast<LONG>(oldHeight * 30 / 768));
}
