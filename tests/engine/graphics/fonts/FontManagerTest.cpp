// The font manager without drawing: the list rule of every list, creation before and after the
// device is ready, reading a font file kind by kind, font resources and name lookups.
#include "foundation/xml/XMLNode.h"
#include "graphics/fonts/BitmapFont.h"
#include "graphics/fonts/BitmapFontData.h"
#include "graphics/fonts/BitmapFontText.h"
#include "graphics/fonts/D3DXFont.h"
#include "graphics/fonts/D3DXFontInterface.h"
#include "graphics/fonts/FontResourceHandle.h"
#include "graphics/fonts/FontStyle.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace Ulvo;

namespace {

XMLNode parse(const std::wstring& text)
{
    XMLNode node;
    EXPECT_TRUE(XMLNode::load(&node, text, 1)) << "cannot parse the test file";
    return node;
}

class ChangeCounter : public sigslot::has_slots<> {
public:
    void changed(Font&) { ++count; }
    int count = 0;
};

class FontManager : public ::testing::Test {
protected:
    void SetUp() override { manager->releaseEverything(); }
    void TearDown() override { manager->releaseEverything(); }

    void load(const std::wstring& text)
    {
        XMLNode root = parse(text);
        manager->loadFonts(&root);
    }

    D3DXFontInterface* manager = D3DXFontInterface::getInstance();
};

} // namespace

TEST_F(FontManager, ListsRefuseDuplicatesAndFontsOfTheOtherKind)
{
    XMLNode node = parse(L"<D3DXFONT NAME=\"same\"/>");
    auto* first = new D3DXFont(&node);
    auto* second = new D3DXFont(&node);
    EXPECT_TRUE(manager->addFont(first));
    EXPECT_FALSE(manager->addFont(first)) << "the same pointer twice";
    EXPECT_FALSE(manager->addFont(second)) << "a name already listed";
    EXPECT_FALSE(manager->addFont(nullptr));
    EXPECT_EQ(manager->getFonts().size(), 1u);
    EXPECT_EQ(first->getRefCount(), 2);
    EXPECT_EQ(second->getRefCount(), 1) << "a refused object gets no reference";

    XMLNode bitmapNode = parse(L"<BITMAPFONT NAME=\"bm\"/>");
    auto* bitmap = new BitmapFont(&bitmapNode);
    EXPECT_FALSE(manager->addFont(bitmap)) << "the D3DX drawer takes D3DX fonts only";
    EXPECT_FALSE(manager->getBitmapInterface().addFont(second)) << "and the bitmap drawer bitmap fonts only";
    EXPECT_TRUE(manager->getBitmapInterface().addFont(bitmap));

    EXPECT_FALSE(manager->removeFont(second));
    EXPECT_TRUE(manager->removeFont(first));
    EXPECT_EQ(first->getRefCount(), 1);
    EXPECT_TRUE(manager->getFonts().empty());
    first->Release();
    second->Release();
    bitmap->Release();

    XMLNode styleNode = parse(L"<FONTSTYLE NAME=\"s\"/>");
    auto* style = new FontStyle(&styleNode);
    auto* twin = new FontStyle(&styleNode);
    EXPECT_TRUE(manager->addFontStyle(style));
    EXPECT_FALSE(manager->addFontStyle(twin));
    EXPECT_FALSE(manager->addFontStyle(nullptr));
    EXPECT_EQ(manager->getFontStyle(L"s"), style);
    EXPECT_EQ(manager->getFontStyle(L"S"), nullptr) << "names match exactly";
    style->Release();
    twin->Release();
}

TEST_F(FontManager, FontsAreCreatedOnceTheDeviceIsReady)
{
    ChangeCounter counter;
    load(L"<FONTS><D3DXFONT NAME=\"early\"/><BITMAPFONT NAME=\"earlyBitmap\"/></FONTS>");
    Font* early = manager->findFont(L"early");
    ASSERT_NE(early, nullptr);
    early->onFontChanged.connect(&counter, &ChangeCounter::changed);
    EXPECT_FALSE(early->isCreated());
    EXPECT_FALSE(manager->findFont(L"earlyBitmap")->isCreated());

    manager->createAllFonts();
    EXPECT_TRUE(early->isCreated());
    EXPECT_TRUE(manager->findFont(L"earlyBitmap")->isCreated());
    EXPECT_EQ(counter.count, 1) << "the font-changed signal follows create";
    early->create();
    EXPECT_EQ(counter.count, 1) << "a created font is not created again";

    load(L"<FONTS><D3DXFONT NAME=\"late\"/><BITMAPFONT NAME=\"lateBitmap\"/></FONTS>");
    EXPECT_TRUE(manager->findFont(L"late")->isCreated()) << "fonts added later are created at once";
    EXPECT_TRUE(manager->findFont(L"lateBitmap")->isCreated());

    // Changing the face or the height of a created D3DX font rebuilds it.
    early->setHeight(22);
    EXPECT_EQ(counter.count, 2);
    early->setFaceName(L"DejaVu Sans");
    EXPECT_EQ(counter.count, 3);
    EXPECT_EQ(early->getHeight(), 22);
}

TEST_F(FontManager, FontFileIsReadKindByKind)
{
    // Every object refers to one declared further down; unknown nodes are ignored.
    load(L"<FONTS>"
         L"<BITMAPFONT NAME=\"B\" BITMAPFONT_DATA=\"DATA\"/>"
         L"<D3DXFONT NAME=\"same\" FONT_NAME=\"Face\"/>"
         L"<UNKNOWN NAME=\"x\"/>"
         L"<BITMAPFONT NAME=\"same\" BITMAPFONT_DATA=\"nothing\"/>"
         L"<BITMAPFONT_DATA NAME=\"DATA\"><LETTER TYPE=\"a\" W=\"3\"/></BITMAPFONT_DATA>"
         L"<FONTSTYLE NAME=\"s\" COLOR_VG=\"FFFF0000\"/>"
         L"<FONTSTYLE NAME=\"s\" COLOR_VG=\"FF00FF00\"/>"
         L"</FONTS>");
    ASSERT_NE(manager->getFontStyle(L"s"), nullptr);
    EXPECT_EQ(manager->getFontStyle(L"s")->getForegroundARGB(), 0xFFFF0000u) << "the first style of a name stays";
    EXPECT_EQ(manager->getFontStyles().size(), 1u);

    auto* bitmap = dynamic_cast<BitmapFont*>(manager->findFont(L"B"));
    ASSERT_NE(bitmap, nullptr);
    ASSERT_NE(bitmap->getData(), nullptr) << "glyph data declared after the font still links";
    EXPECT_EQ(bitmap->getData()->getRefCount(), 2);

    // The same name in both drawers: the bitmap drawer, registered last, answers first.
    EXPECT_NE(dynamic_cast<BitmapFont*>(manager->findFont(L"same")), nullptr);
    EXPECT_NE(manager->getFont(L"same"), nullptr);
    EXPECT_EQ(manager->findFont(L"none"), nullptr);
    EXPECT_EQ(manager->getDrawInterfaces().size(), 2u);
    EXPECT_EQ(manager->getDrawInterfaces()[0], manager);

    // Lists release in the right order: the glyph data outlives nothing.
    manager->releaseEverything();
    EXPECT_TRUE(manager->getBitmapInterface().getBitmapFontDataList().empty());
    EXPECT_EQ(manager->findFont(L"B"), nullptr);
}

TEST_F(FontManager, FontResourcesRegisterTheirFileAndLinkToFonts)
{
    // The capture's fresh working folder holds the font file.
    LogCapture log;
    std::filesystem::create_directories(log.folder() / "data" / "Fonts");
    std::filesystem::copy_file("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                               log.folder() / "data" / "Fonts" / "DejaVuSans.ttf");

    // The font comes first in the file and still finds its resource.
    load(L"<FONTS>"
         L"<D3DXFONT NAME=\"byFace\" FONT_NAME=\"DejaVu Sans\"/>"
         L"<D3DXFONT NAME=\"byKey\" FONT_NAME=\"Other\" USE_FONT_RESOURCE=\"DejaVu Sans\"/>"
         L"<D3DXFONT NAME=\"none\" FONT_NAME=\"dejavu sans\"/>"
         L"<FONT_RESOURCE NAME=\"DejaVu Sans\" FILENAME=\"data\\Fonts\\DejaVuSans.ttf\"/>"
         L"<FONT_RESOURCE NAME=\"missing\" FILENAME=\"data\\Fonts\\missing.ttf\"/>"
         L"</FONTS>");
    FontResourceHandle* resource = manager->getFontResource(L"DejaVu Sans");
    ASSERT_NE(resource, nullptr);
    EXPECT_NE(resource->getHandle(), nullptr);
    EXPECT_EQ(resource->getFontCount(), 1u);
    EXPECT_EQ(manager->findFont(L"byFace")->getFontResource(), resource);
    EXPECT_EQ(manager->findFont(L"byKey")->getFontResource(), resource);
    EXPECT_EQ(manager->findFont(L"none")->getFontResource(), nullptr) << "resource names match exactly";
    EXPECT_EQ(resource->getRefCount(), 3);

    FontResourceHandle* missing = manager->getFontResource(L"missing");
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->getHandle(), nullptr);
    EXPECT_NE(log.text().find("missing"), std::string::npos) << "a missing file is logged";
}

TEST_F(FontManager, EachDrawerClaimsItsOwnFontsAndTexts)
{
    load(L"<FONTS><D3DXFONT NAME=\"d\"/><BITMAPFONT NAME=\"b\"/></FONTS>");
    Font* d3dx = manager->getFont(L"d");
    Font* bitmap = manager->getBitmapInterface().getFont(L"b");
    ASSERT_NE(d3dx, nullptr);
    ASSERT_NE(bitmap, nullptr);
    BitmapFontInterface& bitmaps = manager->getBitmapInterface();
    EXPECT_TRUE(manager->handlesFont(d3dx));
    EXPECT_FALSE(manager->handlesFont(bitmap));
    EXPECT_TRUE(bitmaps.handlesFont(bitmap));
    EXPECT_FALSE(bitmaps.handlesFont(nullptr));
    EXPECT_TRUE(manager->hasFont(L"d"));
    EXPECT_FALSE(manager->hasFont(L"b"));
    EXPECT_TRUE(bitmaps.hasFont(L"b"));

    FontStyle style;
    FontText plainText(d3dx, &style);
    BitmapFontText bitmapText(bitmap, &style);
    EXPECT_TRUE(manager->handlesText(&plainText));
    EXPECT_FALSE(manager->handlesText(&bitmapText));
    EXPECT_FALSE(bitmaps.handlesText(&plainText)) << "a bitmap text is one of its own class";
    EXPECT_TRUE(bitmaps.handlesText(&bitmapText));
}
