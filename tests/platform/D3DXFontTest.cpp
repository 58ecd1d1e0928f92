// D3DX fonts on FreeType: GDI height rules, DrawText layout and measuring, drawing through a
// sprite, and memory fonts.
#include "D3D9TestSupport.h"

#include "d3dx9/font/FontFaces.h"
#include "support/TestSupport.h"

#include <d3dx9.h>

#include <algorithm>
#include <climits>

using namespace D3D9Testing;

namespace {

class D3DXFontTest : public DeviceFixture {
protected:
    void SetUp() override
    {
        DeviceFixture::SetUp();
        ASSERT_TRUE(createDevice(160, 80));
    }
    void TearDown() override
    {
        if (m_font)
            m_font->Release();
        DeviceFixture::TearDown();
    }
    ID3DXFont* font(INT height, UINT weight = FW_NORMAL, const wchar_t* face = L"Arial")
    {
        if (m_font)
            m_font->Release();
        m_font = nullptr;
        EXPECT_EQ(D3DXCreateFontW(m_device, height, 0, weight, 1, FALSE, DEFAULT_CHARSET, 0, 0, 0, face, &m_font),
                  D3D_OK);
        return m_font;
    }
    RECT measure(const wchar_t* text, RECT rect, DWORD format = 0)
    {
        m_font->DrawTextW(nullptr, text, -1, &rect, format | DT_CALCRECT, 0xFFFFFFFF);
        return rect;
    }
    // The bounding box of the pixels brighter than black.
    static RECT litBounds(const Image& image)
    {
        RECT box{LONG(image.width), LONG(image.height), -1, -1};
        for (UINT y = 0; y < image.height; ++y)
            for (UINT x = 0; x < image.width; ++x)
                if ((image.at(x, y) & 0x00FFFFFF) != 0) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        return box;
    }
    Image draw(const wchar_t* text, RECT rect, DWORD format)
    {
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        m_device->BeginScene();
        m_font->DrawTextW(nullptr, text, -1, &rect, format, 0xFFFFFFFF);
        m_device->EndScene();
        return readBackBuffer();
    }

    ID3DXFont* m_font = nullptr;
};

} // namespace

TEST_F(D3DXFontTest, HeightsFollowTheGdiConventions)
{
    ASSERT_TRUE(font(20));
    const RECT cell = measure(L"Ag", RECT{0, 0, 0, 0});
    EXPECT_EQ(cell.bottom - cell.top, 20); // positive: the cell height
    EXPECT_GT(cell.right, 0);

    ASSERT_TRUE(font(-20));
    const RECT em = measure(L"Ag", RECT{0, 0, 0, 0});
    EXPECT_GT(em.bottom - em.top, 20); // negative: the em height, so the cell is taller
    EXPECT_GT(em.right, cell.right);

    // Bold is wider than regular; an unknown face still gives a font.
    ASSERT_TRUE(font(20, FW_BOLD));
    EXPECT_GT(measure(L"Ag", RECT{0, 0, 0, 0}).right, cell.right);
    ASSERT_TRUE(font(20, FW_NORMAL, L"No Such Face 123"));
    // Absurd sizes from bad data are bounded, never overflowing.
    ASSERT_TRUE(font(INT_MIN));
    EXPECT_GT(measure(L"A", RECT{0, 0, 0, 0}).bottom, 0);
}

TEST_F(D3DXFontTest, LayoutBreaksWordsAndMeasuresWhatIsDrawn)
{
    ASSERT_TRUE(font(16));
    const RECT one = measure(L"one two three", RECT{0, 0, 0, 0});
    EXPECT_EQ(one.bottom, 16);
    // Word breaking inside a narrow rectangle: several lines, none wider than a long word needs.
    const RECT wrapped = measure(L"one two three", RECT{0, 0, 50, 0}, DT_WORDBREAK);
    EXPECT_EQ(wrapped.bottom, 48);
    EXPECT_LE(wrapped.right, 50);
    // Explicit line ends count unless the text is one line.
    EXPECT_EQ(measure(L"a\nb", RECT{0, 0, 0, 0}).bottom, 32);
    EXPECT_EQ(measure(L"a\nb", RECT{0, 0, 0, 0}, DT_SINGLELINE).bottom, 16);
    EXPECT_EQ(measure(L"", RECT{5, 5, 9, 9}).bottom, 5);

    // The drawn pixels of a right-aligned, vertically centred text sit inside the measured
    // box placed the same way.
    const RECT area{0, 0, 160, 80};
    const RECT size = measure(L"Hello", area);
    const Image image = draw(L"Hello", area, DT_RIGHT | DT_VCENTER);
    const RECT lit = litBounds(image);
    const LONG w = size.right - size.left, h = size.bottom - size.top;
    EXPECT_GE(lit.left, 160 - w - 1);
    EXPECT_LE(lit.right, 160);
    EXPECT_GE(lit.top, (80 - h) / 2);
    EXPECT_LE(lit.bottom, (80 - h) / 2 + h);
    EXPECT_GT(lit.right - lit.left, w / 2);

    // Without DT_NOCLIP nothing leaves the rectangle.
    const RECT small{10, 10, 30, 20};
    const RECT clipped = litBounds(draw(L"Wide text here", small, 0));
    EXPECT_GE(clipped.left, 10);
    EXPECT_LE(clipped.right, 30);
    EXPECT_LE(clipped.bottom, 20);
    const RECT unclipped = litBounds(draw(L"Wide text here", small, DT_NOCLIP));
    EXPECT_GT(unclipped.right, 30);
}

TEST_F(D3DXFontTest, DrawsThroughTheCallersSpriteWithItsColour)
{
    ASSERT_TRUE(font(24));
    ID3DXSprite* sprite = nullptr;
    ASSERT_EQ(D3DXCreateSprite(m_device, &sprite), D3D_OK);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    m_device->BeginScene();
    sprite->Begin(D3DXSPRITE_ALPHABLEND);
    RECT rect{0, 0, 160, 80};
    EXPECT_EQ(m_font->DrawTextW(sprite, L"\u2588\u2588", -1, &rect, DT_CENTER | DT_VCENTER, 0xFF00FF00), 24);
    sprite->End();
    m_device->EndScene();
    const Image image = readBackBuffer();
    sprite->Release();
    // A full block glyph is solid in its middle: pure green there.
    EXPECT_TRUE(near(image.at(80, 40), 0xFF00FF00, 2)) << hex(image.at(80, 40));
    EXPECT_EQ(image.at(2, 2) & 0x00FFFFFF, 0u);
}

TEST(D3DXFontFaces, MemoryFontsResolveAheadOfInstalledOnes)
{
    DWORD count = 99;
    unsigned char junk[64] = {1, 2, 3};
    EXPECT_EQ(AddFontMemResourceEx(junk, sizeof junk, nullptr, &count), nullptr);
    EXPECT_EQ(count, 0u);

    const auto bytes = TestSupport::readBytes("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf");
    ASSERT_FALSE(bytes.empty());
    HANDLE handle =
        AddFontMemResourceEx(const_cast<unsigned char*>(bytes.data()), DWORD(bytes.size()), nullptr, &count);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(count, 1u);

    FontFaces::OpenedFace face;
    ASSERT_TRUE(FontFaces::open(L"dejavu sans MONO", FW_NORMAL, false, face));
    EXPECT_TRUE(face.file.empty()); // from memory, not from the installed file
    EXPECT_FALSE(face.synthBold);
    FontFaces::close(face);
    ASSERT_TRUE(FontFaces::open(L"DejaVu Sans Mono", FW_BOLD, true, face));
    EXPECT_TRUE(face.synthBold && face.synthItalic); // one regular face registered
    FontFaces::close(face);

    EXPECT_TRUE(RemoveFontMemResourceEx(handle));
    EXPECT_FALSE(RemoveFontMemResourceEx(handle));
    ASSERT_TRUE(FontFaces::open(L"DejaVu Sans Mono", FW_NORMAL, false, face));
    EXPECT_FALSE(face.file.empty());
    FontFaces::close(face);
}

TEST_F(D3DXFontTest, TextPage)
{
    ASSERT_TRUE(font(18));
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF203040, 1.0f, 0);
    m_device->BeginScene();
    RECT line1{4, 4, 156, 24};
    m_font->DrawTextW(nullptr, L"Lumaro \u00C4\u00D6\u00DC 123", -1, &line1, DT_LEFT, 0xFFFFFFFF);
    RECT line2{4, 24, 156, 44};
    m_font->DrawTextW(nullptr, L"right", -1, &line2, DT_RIGHT, 0xFFFFD040);
    ASSERT_TRUE(font(-14, FW_BOLD));
    RECT para{4, 44, 156, 80};
    m_font->DrawTextW(nullptr, L"bold words wrap inside", -1, &para, DT_CENTER | DT_WORDBREAK, 0xFF80FF80);
    m_device->EndScene();
    EXPECT_TRUE(matchesGolden(readBackBuffer(), "D3DXFontTextPage", 8));
}
