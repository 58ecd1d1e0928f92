// Texture lists: entries, parts and cut parts, repeated and broken lists, lookups and their
// log lines, textures by file name.
#include "GraphicsTestSupport.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/Texture3D.h"
#include "graphics/textures/TextureCube.h"
#include "graphics/textures/TextureManager.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

using namespace Ulvo;

namespace {

XMLNode parse(const std::wstring& text)
{
    XMLNode node;
    EXPECT_TRUE(XMLNode::load(&node, text, 1));
    return node;
}

// A picture whose texel (x, y) is (alpha 255, red 4x, green 4y, blue 128).
void writeGradient(const std::filesystem::path& file, UINT width, UINT height)
{
    TestSupport::Image image;
    image.width = width;
    image.height = height;
    for (UINT y = 0; y < height; ++y) {
        for (UINT x = 0; x < width; ++x)
            image.pixels.push_back(0xFF000000u | ((x * 4u) & 0xFFu) << 16 | ((y * 4u) & 0xFFu) << 8 | 0x80u);
    }
    std::filesystem::create_directories(file.parent_path());
    ASSERT_TRUE(TestSupport::writePng(file.string(), image));
}

std::vector<std::wstring> names(const TextureManager& manager)
{
    std::vector<std::wstring> result;
    for (Texture2D* texture : manager.getTextures2D())
        result.push_back(texture->getName());
    return result;
}

DWORD texel(IDirect3DTexture9* texture, UINT x, UINT y)
{
    D3DLOCKED_RECT locked{};
    RECT area{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x + 1), static_cast<LONG>(y + 1)};
    if (!texture || FAILED(texture->LockRect(0, &locked, &area, D3DLOCK_READONLY)))
        return 0xDEADBEEF;
    const DWORD value = *static_cast<const DWORD*>(locked.pBits);
    texture->UnlockRect(0);
    return value;
}

// Works in a fresh folder with pictures under "pics" and logging on, so the module logs
// of the texture classes can be read back from "logs".
class TextureListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(GraphicsTesting::startDevice(), nullptr);
        m_cwd = std::make_unique<TestSupport::ScopedCwd>(m_dir.path());
        closeAllLogFiles();
        m_logSwitch = logSwitch();
        logSwitch() = 1;
        writeGradient(m_dir / "pics/a.png", 8, 4);
        writeGradient(m_dir / "pics/b.png", 16, 16);
        writeGradient(m_dir / "pics/big.png", 64, 64);
    }
    void TearDown() override
    {
        closeAllLogFiles();
        logSwitch() = m_logSwitch;
        m_cwd.reset();
    }
    std::string log(const char* module)
    {
        flushAllLogFiles();
        return TestSupport::readText(m_dir / "logs" / module);
    }

    TestSupport::TempDir m_dir;
    std::unique_ptr<TestSupport::ScopedCwd> m_cwd;
    int m_logSwitch = 0;
};

} // namespace

TEST_F(TextureListTest, EntriesAndSharedPartsLoadInListOrder)
{
    XMLNode list =
        parse(L"<TEXTURES>"
              L"<TEXTUR2D NAME=\"A\"><FILE FILENAME=\"pics\\a.png\"/>"
              L"<TEX_PART NAME=\"A_LEFT\"><TEX_RECT L=\"0\" T=\"0\" W=\"4\" H=\"4\"/></TEX_PART>"
              L"<TEX_PART NAME=\"A_RIGHT\"><TEX_RECT L=\"4\" T=\"1\" R=\"8\" W=\"1\" B=\"3\" H=\"1\"/></TEX_PART>"
              L"</TEXTUR2D>"
              L"<SOMETHING_ELSE NAME=\"C\"/>"
              L"<TEXTUR2D NAME=\"B\"><FILE FILENAME=\"PICS\\B.PNG\"/></TEXTUR2D>"
              L"</TEXTURES>");
    TextureManager manager;
    manager.load(&list);

    ASSERT_EQ(names(manager), (std::vector<std::wstring>{L"A", L"A_LEFT", L"A_RIGHT", L"B"}));
    Texture2D* a = manager.getTexture2D(L"A");
    EXPECT_EQ(a->getWidth(), 8u);
    EXPECT_EQ(a->getHeight(), 4u);
    EXPECT_EQ(manager.getTexture2D(L"B")->getWidth(), 16u);

    Texture2D* left = manager.getTexture2D(L"A_LEFT");
    EXPECT_EQ(left->getTexture(), a->getTexture()) << "a part without CUT draws from its source";
    EXPECT_EQ(left->getRect().right, 4);
    EXPECT_EQ(left->getRect().bottom, 4);
    // R wins over W and B over H.
    const RECT& right = manager.getTexture2D(L"A_RIGHT")->getRect();
    EXPECT_EQ(right.left, 4);
    EXPECT_EQ(right.top, 1);
    EXPECT_EQ(right.right, 8);
    EXPECT_EQ(right.bottom, 3);
    EXPECT_EQ(manager.getTexture2D(L"A_RIGHT")->getWidth(), 4u);
    EXPECT_EQ(manager.getTexture2D(L"A_RIGHT")->getHeight(), 2u);
}

TEST_F(TextureListTest, CutPartOwnsACopyOfItsTexels)
{
    XMLNode list = parse(
        L"<TEXTURES><TEXTUR2D NAME=\"BIG\"><FILE FILENAME=\"pics\\big.png\"/>"
        L"<TEX_PART NAME=\"CUT\" CUT=\"1\"><TEX_RECT L=\"10\" T=\"20\" W=\"30\" H=\"40\"/></TEX_PART>"
        L"<TEX_PART NAME=\"CUT_EXACT\" CUT=\"1\" POW2=\"0\"><TEX_RECT L=\"10\" T=\"20\" W=\"30\" H=\"40\"/></TEX_PART>"
        L"</TEXTUR2D></TEXTURES>");
    TextureManager manager;
    manager.load(&list);
    Texture2D* big = manager.getTexture2D(L"BIG");
    Texture2D* cut = manager.getTexture2D(L"CUT");
    ASSERT_NE(big, nullptr);
    ASSERT_NE(cut, nullptr);
    ASSERT_NE(cut->getTexture(), nullptr);
    EXPECT_NE(cut->getTexture(), big->getTexture());
    EXPECT_EQ(cut->getRect().left, 0);
    EXPECT_EQ(cut->getRect().right, 30);
    EXPECT_EQ(cut->getRect().bottom, 40);

    D3DSURFACE_DESC desc{};
    ASSERT_TRUE(SUCCEEDED(cut->getTexture()->GetLevelDesc(0, &desc)));
    EXPECT_EQ(desc.Width, 32u);
    EXPECT_EQ(desc.Height, 64u);
    Texture2D* exact = manager.getTexture2D(L"CUT_EXACT");
    ASSERT_NE(exact, nullptr);
    ASSERT_TRUE(SUCCEEDED(exact->getTexture()->GetLevelDesc(0, &desc)));
    EXPECT_EQ(desc.Width, 30u);
    EXPECT_EQ(desc.Height, 40u);

    for (UINT y : {0u, 17u, 39u}) {
        for (UINT x : {0u, 11u, 29u}) {
            EXPECT_EQ(texel(cut->getTexture(), x, y), texel(big->getTexture(), x + 10, y + 20))
                << "texel " << x << "," << y;
        }
    }
}

TEST_F(TextureListTest, ListLoadedTwiceAddsNothingTheSecondTime)
{
    XMLNode list = parse(L"<TEXTURES><TEXTUR2D NAME=\"A\"><FILE FILENAME=\"pics\\a.png\"/>"
                         L"<TEX_PART NAME=\"P\"><TEX_RECT L=\"0\" T=\"0\" W=\"2\" H=\"2\"/></TEX_PART></TEXTUR2D>"
                         L"<TEXTUR2D NAME=\"B\"><FILE FILENAME=\"pics\\b.png\"/></TEXTUR2D></TEXTURES>");
    TextureManager manager;
    manager.load(&list);
    const std::vector<Texture2D*> first = manager.getTextures2D();
    ASSERT_EQ(first.size(), 3u);
    const int held = first[0]->getRefCount();
    manager.load(&list);
    EXPECT_EQ(manager.getTextures2D(), first);
    EXPECT_EQ(first[0]->getRefCount(), held);
    EXPECT_EQ(log("UlvoTextureManager.log").find("nicht gefunden"), std::string::npos);
}

TEST_F(TextureListTest, BrokenEntriesAreLoggedAndLeftOutWhileTheRestLoads)
{
    {
        std::vector<uint8_t> png = TestSupport::readBytes(m_dir / "pics/b.png");
        png.resize(png.size() / 2);
        TestSupport::writeBytes(m_dir / "pics/truncated.png", png);
        TestSupport::writeText(m_dir / "pics/garbage.png", "this is not a picture at all");
    }
    XMLNode list =
        parse(L"<TEXTURES>"
              L"<TEXTUR2D NAME=\"NOFILE\"/>"
              L"<TEXTUR2D NAME=\"MISSING\"><FILE FILENAME=\"pics\\missing.png\"/></TEXTUR2D>"
              L"<TEXTUR2D NAME=\"TRUNCATED\"><FILE FILENAME=\"pics\\truncated.png\"/>"
              L"<TEX_PART NAME=\"ORPHAN\"><TEX_RECT L=\"0\" T=\"0\" W=\"1\" H=\"1\"/></TEX_PART></TEXTUR2D>"
              L"<TEXTUR2D NAME=\"GARBAGE\"><FILE FILENAME=\"pics\\garbage.png\"/></TEXTUR2D>"
              L"<TEXTUR2D NAME=\"GOOD\"><FILE FILENAME=\"pics\\a.png\"/>"
              L"<TEX_PART NAME=\"NORECT\"/>"
              L"<TEX_PART NAME=\"OUTSIDE\"><TEX_RECT L=\"100\" T=\"100\" W=\"10\" H=\"10\"/></TEX_PART>"
              L"<TEX_PART NAME=\"NEGATIVE\"><TEX_RECT L=\"-5\" T=\"-5\" W=\"3\" H=\"3\"/></TEX_PART>"
              L"<TEX_PART NAME=\"OVERLAP\"><TEX_RECT L=\"6\" T=\"2\" W=\"10\" H=\"10\"/></TEX_PART>"
              L"<TEX_PART NAME=\"HUGE\"><TEX_RECT L=\"2147483000\" T=\"0\" W=\"2147483000\" H=\"2\"/></TEX_PART>"
              L"</TEXTUR2D>"
              L"<TEXTUR3D NAME=\"VOLUME\"><FILE FILENAME=\"pics\\missing.dds\"/></TEXTUR3D>"
              L"<TEXTURCUBE NAME=\"CUBE\"/>"
              L"</TEXTURES>");
    TextureManager manager;
    manager.load(&list);

    EXPECT_EQ(names(manager), (std::vector<std::wstring>{L"GOOD", L"OVERLAP"}));
    EXPECT_TRUE(manager.getTextures3D().empty());
    EXPECT_TRUE(manager.getTexturesCube().empty());
    // The rectangle is cut back to the texels the source has.
    const RECT& overlap = manager.getTexture2D(L"OVERLAP")->getRect();
    EXPECT_EQ(overlap.left, 6);
    EXPECT_EQ(overlap.top, 2);
    EXPECT_EQ(overlap.right, 8);
    EXPECT_EQ(overlap.bottom, 4);

    const std::string texture2D = log("UlvoTexture2D.log");
    EXPECT_NE(texture2D.find("Textur2D MISSING File not loaded"), std::string::npos) << texture2D;
    EXPECT_NE(texture2D.find("couldn't create Texture: TRUNCATED!"), std::string::npos);
    EXPECT_NE(texture2D.find("couldn't create Texture: GARBAGE!"), std::string::npos);
    EXPECT_NE(texture2D.find("no TEX_RECT Node found!"), std::string::npos);
    EXPECT_NE(texture2D.find("OUTSIDE"), std::string::npos) << "a rectangle outside the source is logged";
    EXPECT_NE(texture2D.find("OVERLAP"), std::string::npos) << "a clamped rectangle is logged";
    EXPECT_EQ(texture2D.find("NOFILE"), std::string::npos) << "an entry without FILE has nothing to report";
}

TEST_F(TextureListTest, FailedLookupsAreLoggedUntilTheFirstListLoads)
{
    TextureManager manager;
    TextureManager::quietSwitch() = false;
    Texture2D* texture2D = nullptr;
    EXPECT_EQ(manager.getTexture2D(L"NOPE_A"), nullptr);
    EXPECT_FALSE(manager.findTexture2D(L"NOPE_B", texture2D));
    EXPECT_EQ(texture2D, nullptr);
    EXPECT_EQ(manager.getBaseTexture(L"NOPE_C"), nullptr);
    EXPECT_EQ(manager.getTextureCube(L"NOPE_D"), nullptr);
    Texture3D* texture3D = nullptr;
    EXPECT_FALSE(manager.findTexture3D(L"NOPE_E", texture3D));

    XMLNode empty = parse(L"<TEXTURES/>");
    manager.load(&empty);
    EXPECT_TRUE(TextureManager::quietSwitch());
    EXPECT_EQ(manager.getTexture2D(L"NOPE_QUIET"), nullptr);

    const std::string text = log("UlvoTextureManager.log");
    EXPECT_NE(text.find(" 2DTexture \"NOPE_A\" nicht gefunden"), std::string::npos) << text;
    EXPECT_NE(text.find(" 2DTexture \"NOPE_B\" nicht gefunden"), std::string::npos);
    EXPECT_NE(text.find(" BaseTexture \"NOPE_C\" nicht gefunden"), std::string::npos);
    EXPECT_NE(text.find(" CubeTexture \"NOPE_D\" nicht gefunden"), std::string::npos);
    EXPECT_NE(text.find(" 3DTexture \"NOPE_E\" nicht gefunden"), std::string::npos);
    EXPECT_EQ(text.find("NOPE_QUIET"), std::string::npos);
    EXPECT_NE(text.find("Ulvo::TextureManager::load Start!"), std::string::npos);
}

TEST_F(TextureListTest, TexturesByFileNameLoadOnceAndMatchTheFileNotTheName)
{
    XMLNode list = parse(L"<TEXTURES><TEXTUR2D NAME=\"A\"><FILE FILENAME=\"pics\\a.png\"/></TEXTUR2D></TEXTURES>");
    TextureManager manager;
    manager.load(&list);
    EXPECT_EQ(manager.getTexture2DFromFile(L"pics\\a.png", false), manager.getTexture2D(L"A"));
    EXPECT_EQ(manager.getTexture2DFromFile(L"A", false), nullptr);

    Texture2D* b = manager.getTexture2DFromFile(L"pics\\b.png", true);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->getWidth(), 16u);
    EXPECT_EQ(b->getRefCount(), 1) << "the manager adopts the new texture";
    EXPECT_EQ(manager.getTexture2DFromFile(L"pics\\b.png", true), b);
    EXPECT_EQ(manager.getTextures2D().size(), 2u);

    EXPECT_EQ(manager.getTexture2DFromFile(L"pics\\nothing.png", true), nullptr);
    EXPECT_EQ(manager.getTextures2D().size(), 2u);
}

TEST(TextureManager, AddKeepsClassesApartAndLooksUpTheFirstMatch)
{
    TextureManager manager;
    EXPECT_FALSE(manager.add(nullptr, false));

    auto* flat = new Texture2D();
    flat->rename(L"SAME");
    auto* cube = new TextureCube();
    cube->rename(L"SAME");
    auto* volume = new Texture3D();
    volume->rename(L"VOLUME");
    auto* second = new Texture2D();
    second->rename(L"SAME");

    EXPECT_TRUE(manager.add(cube, true));
    EXPECT_TRUE(manager.add(volume, true));
    EXPECT_TRUE(manager.add(flat, false));
    EXPECT_EQ(flat->getRefCount(), 2);
    EXPECT_TRUE(manager.add(second, true));

    EXPECT_EQ(manager.getBaseTexture(L"SAME"), flat) << "2D textures are searched first";
    EXPECT_EQ(manager.getTexture2D(L"SAME"), flat) << "the first of a name wins";
    EXPECT_EQ(manager.getTextureCube(L"SAME"), cube);
    EXPECT_EQ(manager.getBaseTexture(L"VOLUME"), volume);
    EXPECT_EQ(manager.getTextures2D().size(), 2u);

    manager.clear();
    EXPECT_TRUE(manager.getTextures2D().empty());
    EXPECT_TRUE(manager.getTexturesCube().empty());
    EXPECT_TRUE(manager.getTextures3D().empty());
    EXPECT_EQ(flat->getRefCount(), 1);
    flat->Release();
    manager.load(nullptr);
}
