// Font styles and fonts read from their nodes: colours, shadow forms, interpolation, the
// offsets of shadow and halo copies, font defaults and the screen scaling of D3DX font sizes.
#include "foundation/xml/XMLNode.h"
#include "graphics/fonts/D3DXFont.h"
#include "graphics/fonts/D3DXFontInterface.h"
#include "graphics/fonts/FontStyle.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace Ulvo;

namespace {

XMLNode parse(const std::wstring& text)
{
    XMLNode node;
    EXPECT_TRUE(XMLNode::load(&node, text, 1)) << "cannot parse the test node";
    return node;
}

FontStyle styleFrom(const std::wstring& text)
{
    XMLNode node = parse(text);
    return FontStyle(&node);
}

std::vector<POINT> offsetsOf(const FontStyle& style)
{
    std::vector<POINT> offsets;
    style.getBackgroundOffsets(offsets);
    return offsets;
}

} // namespace

TEST(FontStyle, ReadsColoursAsAARRGGBBAndLeavesAbsentOnesTransparent)
{
    FontStyle green = styleFrom(L"<FONTSTYLE NAME=\"g\" COLOR_VG=\"FF00FF00\" COLOR_HG=\"80000000\"/>");
    EXPECT_EQ(green.getName(), L"g");
    EXPECT_FLOAT_EQ(green.m_foreground.r, 0.0f);
    EXPECT_FLOAT_EQ(green.m_foreground.g, 1.0f);
    EXPECT_FLOAT_EQ(green.m_foreground.b, 0.0f);
    EXPECT_FLOAT_EQ(green.m_foreground.a, 1.0f);
    EXPECT_FLOAT_EQ(green.m_background.a, 128.0f / 255.0f);
    EXPECT_EQ(green.getBackgroundARGB(), 0x80000000u);
    EXPECT_EQ(green.getForegroundARGB(), 0xFF00FF00u);

    FontStyle bare = styleFrom(L"<FONTSTYLE NAME=\"b\"/>");
    EXPECT_EQ(bare.getForegroundARGB(), 0u);
    EXPECT_FALSE(bare.m_drawBackground);
    EXPECT_EQ(bare.m_samples, 0.0f);
}

TEST(FontStyle, ShadowAttributeAndChildNode)
{
    FontStyle one = styleFrom(L"<FONTSTYLE SHADOW=\"3\"/>");
    EXPECT_EQ(one.m_shadowX, 3.0f);
    EXPECT_EQ(one.m_shadowY, 3.0f);
    FontStyle two = styleFrom(L"<FONTSTYLE SHADOW=\"3 1\"/>");
    EXPECT_EQ(two.m_shadowX, 3.0f);
    EXPECT_EQ(two.m_shadowY, 1.0f);
    FontStyle child = styleFrom(L"<FONTSTYLE SHADOW=\"3\"><SHADOW Y=\"5\"/></FONTSTYLE>");
    EXPECT_EQ(child.m_shadowX, 3.0f);
    EXPECT_EQ(child.m_shadowY, 5.0f);
}

TEST(FontStyle, ColourConversionSaturatesAndRounds)
{
    EXPECT_EQ(FontStyle::toARGB(D3DXCOLOR(2.0f, -1.0f, 0.5f, 1.0f)), 0xFFFF0080u);
    EXPECT_EQ(FontStyle::toARGB(D3DXCOLOR(1.0f / 255.0f, 0.0f, 0.0f, 0.0f)), 0x00010000u);
}

TEST(FontStyle, InterpolateKeepsTheFirstNameAndOrsTheBackground)
{
    FontStyle a = styleFrom(L"<FONTSTYLE NAME=\"a\" COLOR_VG=\"FF000000\" RADIUS=\"2\" SHADOW=\"0\"/>");
    FontStyle b = styleFrom(L"<FONTSTYLE NAME=\"b\" COLOR_VG=\"FFFFFFFF\" DRAW_HG=\"1\" RADIUS=\"6\" SHADOW=\"4 8\"/>");
    FontStyle start = FontStyle::interpolate(a, b, 0.0f);
    EXPECT_EQ(start.getName(), L"a");
    EXPECT_TRUE(start.m_drawBackground);
    EXPECT_EQ(start.m_radius, 2.0f);
    FontStyle half = FontStyle::interpolate(a, b, 0.5f);
    EXPECT_FLOAT_EQ(half.m_foreground.r, 0.5f);
    EXPECT_EQ(half.m_radius, 4.0f);
    EXPECT_EQ(half.m_shadowY, 4.0f);
    // t is not clamped.
    EXPECT_EQ(FontStyle::interpolate(a, b, 2.0f).m_radius, 10.0f);
}

TEST(FontStyle, BackgroundOffsetsForShadowAndHalo)
{
    EXPECT_TRUE(offsetsOf(styleFrom(L"<FONTSTYLE SHADOW=\"2\"/>")).empty()) << "background off draws no copy";

    std::vector<POINT> shadow = offsetsOf(styleFrom(L"<FONTSTYLE DRAW_HG=\"1\" SHADOW=\"2.9 -1.5\"/>"));
    ASSERT_EQ(shadow.size(), 1u);
    EXPECT_EQ(shadow[0].x, 2);
    EXPECT_EQ(shadow[0].y, -1) << "offsets truncate toward zero";

    std::vector<POINT> halo =
        offsetsOf(styleFrom(L"<FONTSTYLE DRAW_HG=\"1\" SAMPLES=\"8\" RINGS=\"2\" RADIUS=\"2\"/>"));
    ASSERT_EQ(halo.size(), 16u);
    EXPECT_EQ(halo[0].x, 1);
    EXPECT_EQ(halo[0].y, 0);
    EXPECT_EQ(halo[1].x, 2);
    EXPECT_EQ(halo[1].y, 0);
    // 90 degrees is the third direction: straight down on screen.
    EXPECT_EQ(halo[4].x, 0);
    EXPECT_EQ(halo[5].y, 2);
}

TEST(FontStyle, FractionalSamplesOrRingsSkipTheHalo)
{
    // Truncated to 0 they would divide by zero; only the shadow copy of samples < 1 remains.
    std::vector<POINT> samples =
        offsetsOf(styleFrom(L"<FONTSTYLE DRAW_HG=\"1\" SAMPLES=\"0.5\" RINGS=\"2\" RADIUS=\"4\"/>"));
    EXPECT_EQ(samples.size(), 1u);
    EXPECT_TRUE(offsetsOf(styleFrom(L"<FONTSTYLE DRAW_HG=\"1\" SAMPLES=\"4\" RINGS=\"0.5\" RADIUS=\"4\"/>")).empty());
    EXPECT_TRUE(offsetsOf(styleFrom(L"<FONTSTYLE DRAW_HG=\"1\" SAMPLES=\"4\" RINGS=\"0\" RADIUS=\"4\"/>")).empty());
}

TEST(FontStyle, HugeHaloCountsAreLimitedWithALogLine)
{
    LogCapture log;
    FontStyle style =
        styleFrom(L"<FONTSTYLE NAME=\"wild\" DRAW_HG=\"1\" SAMPLES=\"1e30\" RINGS=\"3\" RADIUS=\"1e30\"/>");
    EXPECT_EQ(style.m_samples, 1024.0f);
    EXPECT_NE(log.text().find("wild"), std::string::npos);
    EXPECT_EQ(offsetsOf(style).size(), 1024u * 3u) << "far offsets stay defined";
}

TEST(Font, NodeWithOnlyANameTakesTheDefaults)
{
    XMLNode node = parse(L"<D3DXFONT NAME=\"f\"/>");
    auto* font = new D3DXFont(&node);
    EXPECT_EQ(font->getName(), L"f");
    EXPECT_EQ(font->getFaceName(), L"Arial");
    EXPECT_EQ(font->getHeight(), 15);
    EXPECT_EQ(font->getWidth(), 0);
    EXPECT_EQ(font->getWeight(), 400);
    EXPECT_FALSE(font->isItalic());
    EXPECT_TRUE(font->scalesWithScreen());
    EXPECT_FALSE(font->isCreated());
    EXPECT_EQ(font->getD3DXFont(), nullptr) << "construction makes no device object";
    font->Release();

    XMLNode full = parse(L"<D3DXFONT NAME=\"g\" FONT_NAME=\"DejaVu Sans\" HEIGHT=\"-20\" WIDTH=\"7\" ITALIC=\"1\" "
                         L"SIZE=\"700\" SCALE_WITH_SCREEN=\"0\"/>");
    font = new D3DXFont(&full);
    EXPECT_EQ(font->getFaceName(), L"DejaVu Sans");
    EXPECT_EQ(font->getHeight(), -20);
    EXPECT_EQ(font->getWidth(), 7);
    EXPECT_TRUE(font->isItalic());
    EXPECT_EQ(font->getWeight(), 700);
    EXPECT_FALSE(font->scalesWithScreen());
    font->Release();
}

TEST(Font, ScreenScalingUsesTheReferenceScreenInSignedArithmetic)
{
    int32_t height = 0;
    int32_t width = 0;
    D3DXFont::scaledSize(15, 8, true, 1536, 1152, height, width);
    EXPECT_EQ(height, 22);
    EXPECT_EQ(width, 12);
    // A negative (character) height stays negative instead of becoming huge.
    D3DXFont::scaledSize(-15, 0, true, 1536, 1152, height, width);
    EXPECT_EQ(height, -22);
    EXPECT_EQ(width, 0);
    D3DXFont::scaledSize(-15, 8, false, 1536, 1152, height, width);
    EXPECT_EQ(height, -15);
    EXPECT_EQ(width, 8);
    D3DXFont::scaledSize(2000000000, 0, true, 4096, 4096, height, width);
    EXPECT_EQ(height, 2147483647) << "overflow saturates";
}
