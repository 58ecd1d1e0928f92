// The built runtime folder's "data\font.fnt": every font and style other code names is there,
// the shipped faces register, the console's bitmap font has a letter with a texture for every
// character it is meant for, and a paragraph in it wraps and aligns as laid out.
#include "GraphicsTestSupport.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/fonts/BitmapFont.h"
#include "graphics/fonts/BitmapFontData.h"
#include "graphics/fonts/BitmapFontText.h"
#include "graphics/fonts/D3DXFont.h"
#include "graphics/fonts/D3DXFontInterface.h"
#include "graphics/fonts/FontResourceHandle.h"
#include "graphics/fonts/FontStyle.h"
#include "graphics/textures/Texture2D.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

using namespace Ulvo;
using GraphicsTesting::Image;

namespace {

std::string narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// The bounding box of the pixels that are not black; right < left when there are none.
RECT inkBox(const Image& image)
{
    RECT box{static_cast<LONG>(image.width), static_cast<LONG>(image.height), -1, -1};
    for (LONG y = 0; y < static_cast<LONG>(image.height); ++y) {
        for (LONG x = 0; x < static_cast<LONG>(image.width); ++x) {
            if ((image.at(x, y) & 0x00FFFFFF) == 0)
                continue;
            box.left = std::min(box.left, x);
            box.top = std::min(box.top, y);
            box.right = std::max(box.right, x + 1);
            box.bottom = std::max(box.bottom, y + 1);
        }
    }
    return box;
}

// Runs in the runtime folder with logging off, so nothing is written into it.
class RuntimeFontFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        device = GraphicsTesting::startDevice();
        ASSERT_NE(device, nullptr);
        m_logSwitch = logSwitch();
        logSwitch() = 0;
        m_cwd = std::make_unique<TestSupport::ScopedCwd>(TestSupport::runtimeDir());
        manager->releaseEverything();
        XMLNode root;
        ASSERT_TRUE(XMLNode::load(&root, L"data\\font.fnt", 0)) << "cannot read data\\font.fnt";
        manager->loadFonts(&root);
        manager->createAllFonts();
        // The console font's letters at a size that makes readable pictures.
        XMLNode large;
        ASSERT_TRUE(XMLNode::load(&large,
                                  L"<FONTS><BITMAPFONT NAME=\"LARGE\" BITMAPFONT_DATA=\"KONSOLE_DATA\" HEIGHT=\"20\" "
                                  L"SCALE_WITH_SCREEN=\"0\"/></FONTS>",
                                  1));
        manager->loadFonts(&large);
    }
    void TearDown() override
    {
        manager->releaseEverything();
        m_cwd.reset();
        logSwitch() = m_logSwitch;
    }

    // Draws the text in the large console font into a target of this size and reads it back.
    Image draw(const std::wstring& text, RECT rect, uint32_t format, UINT width, UINT height)
    {
        IDirect3DSurface9* target = nullptr;
        IDirect3DSurface9* previous = nullptr;
        device->CreateRenderTarget(width, height, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr);
        if (!target)
            return Image{};
        device->GetRenderTarget(0, &previous);
        device->SetRenderTarget(0, target);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        manager->dispatchDrawStyledText(L"LARGE", text, &rect, format, L"default");
        device->EndScene();
        Image image = GraphicsTesting::readSurface(target);
        device->SetRenderTarget(0, previous);
        previous->Release();
        target->Release();
        return image;
    }

    IDirect3DDevice9* device = nullptr;
    D3DXFontInterface* manager = D3DXFontInterface::getInstance();

private:
    std::unique_ptr<TestSupport::ScopedCwd> m_cwd;
    int m_logSwitch = 0;
};

} // namespace

TEST_F(RuntimeFontFile, HoldsEveryNameTheGameAndTheGuiUse)
{
    for (const wchar_t* name : {L"default", L"DUNKEL", L"SCHATTEN", L"HALO", L"ACTIVE_PROFIL_NORMAL",
                                L"ACTIVE_PROFIL_MARKED", L"INACTIVE_PROFIL_NORMAL", L"INACTIVE_PROFIL_MARKED",
                                L"PUNKTE_BILDCHEN", L"KONSOLE", L"KONSOLE_ANTWORT", L"KONSOLE_LISTE"})
        EXPECT_NE(manager->getFontStyle(name), nullptr) << "style " << narrow(name);
    // Plain, shadowed and haloed.
    ASSERT_NE(manager->getFontStyle(L"HALO"), nullptr);
    EXPECT_FALSE(manager->getFontStyle(L"default")->m_drawBackground);
    EXPECT_TRUE(manager->getFontStyle(L"SCHATTEN")->m_drawBackground);
    EXPECT_GT(manager->getFontStyle(L"SCHATTEN")->m_shadowX, 0.0f);
    EXPECT_GE(manager->getFontStyle(L"HALO")->m_samples, 1.0f);
    EXPECT_GE(manager->getFontStyle(L"HALO")->m_rings, 1.0f);

    for (const wchar_t* name :
         {L"default", L"klein", L"gross", L"ProfilFont", L"ActiveProfilFont", L"PUNKTE_BILDCHEN"}) {
        auto* font = dynamic_cast<D3DXFont*>(manager->getFont(name));
        ASSERT_NE(font, nullptr) << "D3DX font " << narrow(name);
        EXPECT_NE(font->getD3DXFont(), nullptr) << narrow(name);
        ASSERT_NE(font->getFontResource(), nullptr) << narrow(name) << " uses a shipped face";
        EXPECT_NE(font->getFontResource()->getHandle(), nullptr) << narrow(name);
    }
    EXPECT_EQ(manager->getFontResources().size(), 2u);
}

TEST_F(RuntimeFontFile, ConsoleFontHasATexturedLetterForEveryCharacter)
{
    auto* font = dynamic_cast<BitmapFont*>(manager->findFont(L"KONSOLE"));
    ASSERT_NE(font, nullptr);
    ASSERT_NE(font->getData(), nullptr);
    const BitmapFontData& data = *font->getData();
    std::wstring characters;
    for (wchar_t c = 32; c < 127; ++c)
        characters += c;
    characters += L"\u00C4\u00D6\u00DC\u00E4\u00F6\u00FC\u00DF\u20AC";
    EXPECT_EQ(data.getLookup(L' '), 0u);
    for (wchar_t c : characters) {
        if (c != L' ') {
            EXPECT_NE(data.getLookup(c), 0u) << "no letter for U+" << std::hex << static_cast<int>(c);
        }
        const BitmapFontLetter* letter = data.findLetter(c);
        ASSERT_NE(letter, nullptr);
        ASSERT_NE(letter->texture, nullptr) << "U+" << std::hex << static_cast<int>(c);
        EXPECT_GT(letter->b, 0.0f);
        // The cell lies inside the sheet.
        EXPECT_GE(letter->source.left, 0);
        EXPECT_LE(letter->source.right, letter->texture->getRect().right);
        EXPECT_LE(letter->source.bottom, letter->texture->getRect().bottom);
    }
    EXPECT_GT(data.getZeroScale(), 0.0f);
}

TEST_F(RuntimeFontFile, ParagraphWrapsAndCentresBothWays)
{
    const RECT rect{8, 8, 248, 120};
    const std::wstring text = L"Drei Steine in einer Reihe verschwinden, und neue fallen nach.";
    const Image image = draw(text, rect, DT_WORDBREAK | DT_CENTER | DT_VCENTER, 256, 128);
    ASSERT_EQ(image.width, 256u);
    EXPECT_TRUE(GraphicsTesting::matchesGolden(image, "bitmap_paragraph_centred"));

    // The same request laid out by hand: several lines, each centred in the rectangle.
    BitmapFontText laid(manager->findFont(L"LARGE"), manager->getFontStyle(L"default"));
    laid.m_text = text;
    laid.m_rect = rect;
    laid.m_format = DT_WORDBREAK | DT_CENTER | DT_VCENTER;
    laid.layout();
    ASSERT_GE(laid.getLineCount(), 3u);
    for (std::size_t k = 0; k < laid.getLineCount(); ++k) {
        const BitmapFontLine& line = laid.getLine(k);
        EXPECT_LE(line.width, 240.0f) << "line " << k << " fits";
        const LONG left = line.glyphs.front().destination.left;
        const LONG right = line.glyphs.back().destination.right;
        EXPECT_LE(std::abs((left - rect.left) - (rect.right - right)), 3) << "line " << k << " is centred";
    }
    // The ink sits in the middle both ways (the glyph cells hold some empty space).
    const RECT ink = inkBox(image);
    EXPECT_LE(std::abs((ink.left - rect.left) - (rect.right - ink.right)), 6);
    EXPECT_LE(std::abs((ink.top - rect.top) - (rect.bottom - ink.bottom)), 8);
    const float height = laid.getLineHeight() * static_cast<float>(laid.getLineCount());
    EXPECT_EQ(laid.getLine(0).glyphs[0].destination.top, static_cast<LONG>(((rect.top + rect.bottom) - height) * 0.5f));
}

TEST_F(RuntimeFontFile, RightAlignedText)
{
    const RECT rect{0, 0, 250, 40};
    const Image image = draw(L"Punkte: 1200", rect, DT_RIGHT, 256, 40);
    EXPECT_TRUE(GraphicsTesting::matchesGolden(image, "bitmap_right_aligned"));
    const RECT ink = inkBox(image);
    EXPECT_GE(ink.right, 246);
    EXPECT_LE(ink.right, 250);
    EXPECT_GT(ink.left, 100);
}
