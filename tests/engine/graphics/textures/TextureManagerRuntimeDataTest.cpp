// The texture lists and the animation file of the built runtime folder load through the real
// loaders, every entry finds its picture, and the names the game looks up are there.
#include "GraphicsTestSupport.h"

#include "foundation/files/GOBFile.h"
#include "foundation/files/GOBManager.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "graphics/textures/Texture2DAnimationManager.h"
#include "graphics/textures/TextureCube.h"
#include "graphics/textures/TextureManager.h"
#include "support/GoldenImage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace Ulvo;

namespace {

std::wstring format(const wchar_t* pattern, int value)
{
    wchar_t text[128];
    std::swprintf(text, 128, pattern, value);
    return text;
}

// Runs in the runtime folder with logging off, so nothing is written into it.
class RuntimeTextureData : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(GraphicsTesting::startDevice(), nullptr);
        m_logSwitch = logSwitch();
        logSwitch() = 0;
        m_cwd = std::make_unique<TestSupport::ScopedCwd>(TestSupport::runtimeDir());
    }
    void TearDown() override
    {
        m_cwd.reset();
        logSwitch() = m_logSwitch;
    }

    // Loads the list the way the game does and checks that every entry made a texture.
    void loadList(const std::wstring& file, TextureManager& manager)
    {
        XMLNode list;
        ASSERT_TRUE(XMLNode::load(&list, file, 0)) << "cannot read the list";
        unsigned entries = 0;
        for (const XMLNode* entry : list.getNodes())
            entries += entry->getName() == L"TEXTUR2D" ? 1 + entry->getNodeCount(L"TEX_PART") : 0;
        const std::size_t before = manager.getTextures2D().size();
        manager.load(&list);
        EXPECT_EQ(manager.getTextures2D().size() - before, entries) << "an entry did not load";
    }

    // The texture exists, is loaded and has the size.
    static void expectTexture(TextureManager& manager, const std::wstring& name, uint32_t width, uint32_t height)
    {
        Texture2D* texture = manager.getTexture2D(name);
        ASSERT_NE(texture, nullptr) << std::string(name.begin(), name.end());
        EXPECT_NE(texture->getTexture(), nullptr) << std::string(name.begin(), name.end());
        if (width) {
            EXPECT_EQ(texture->getWidth(), width) << std::string(name.begin(), name.end());
        }
        if (height) {
            EXPECT_EQ(texture->getHeight(), height) << std::string(name.begin(), name.end());
        }
    }

    std::unique_ptr<TestSupport::ScopedCwd> m_cwd;
    int m_logSwitch = 0;
};

} // namespace

TEST_F(RuntimeTextureData, StartUpListsHoldTheNamesTheGameLooksUp)
{
    TextureManager manager;
    // In the game's order, each list once.
    for (const wchar_t* file :
         {L"Data\\Menu\\rects.tex", L"data\\textures\\vindara.tex", L"data\\menu\\blend.tex", L"data\\menu\\menu.tex",
          L"data\\stones\\stones.tex", L"data\\Level\\freeplay.tex", L"data\\textures\\textures.tex"}) {
        SCOPED_TRACE(std::string(file, file + wcslen(file)));
        loadList(file, manager);
    }

    // The frame atlas: 90 x 90 styles on a 100-pixel grid, three rows of seven.
    expectTexture(manager, L"RECTS", 700, 300);
    expectTexture(manager, L"VINDARA_SPLASH", 0, 0);
    expectTexture(manager, L"THREEMATCH_HG", 0, 0);
    for (const wchar_t* name : {L"BLEND_SCHWARZ", L"BLEND_WEISS", L"BLEND_VERLAUF", L"BLEND_VIGNETTE", L"FALLOFF"})
        expectTexture(manager, name, 0, 0);
    for (const wchar_t* name : {L"GUI_BUTTON", L"GUI_BUTTON_MARKED", L"GUI_BUTTON_PRESSED", L"GUI_BUTTON_DISABLED"})
        expectTexture(manager, name, 256, 64);
    for (const wchar_t* name : {L"GUI_PANEL", L"GUI_TOOLTIP", L"GUI_CHECKBOX", L"GUI_CHECKBOX_CHECKED", L"GUI_SLIDER",
                                L"GUI_SLIDER_KNOB", L"GUI_PROGRESS", L"GUI_PROGRESS_FILL"})
        expectTexture(manager, name, 0, 0);

    // Stones: the still picture and two strips of ten square frames, drawn a tenth at a time.
    for (const wchar_t* stone :
         {L"HOLZ",  L"STEIN",   L"EISEN",  L"GOLD",    L"KRISTALL", L"KORN",   L"FISCH", L"WOLLE",
          L"ZORN",  L"BOESE",   L"HAMMER", L"BLITZ",   L"BOMBE",    L"ZEIT",   L"STERN", L"WUERFEL",
          L"PFEIL", L"SAMMLER", L"SCHUTT", L"SCHLAMM", L"ASCHE",    L"UNKRAUT"}) {
        const std::wstring name = stone;
        expectTexture(manager, name + L"_OBJEKT", 64, 64);
        expectTexture(manager, name + L"_OBJEKT_MARKED", 640, 64);
        expectTexture(manager, name + L"_OBJEKT_SPRENG", 640, 64);
    }
    for (const wchar_t* bonus : {L"HAMMER", L"BLITZ", L"ZEIT", L"BOMBE", L"PUNKTE", L"ZUFALL", L"ZEILE", L"ROHSTOFF"})
        expectTexture(manager, std::wstring(L"BONUS_") + bonus, 64, 64);
    for (const wchar_t* name : {L"LICHT", L"PARTIKEL_FUNKE", L"PARTIKEL_RAUCH", L"PARTIKEL_STERN"})
        expectTexture(manager, name, 0, 0);
    // Free play draws "FREEPLAY_%d" with rand() mod 15 until one exists: all fifteen do.
    for (int i = 0; i < 15; ++i)
        expectTexture(manager, format(L"FREEPLAY_%d", i), 0, 0);

    // The particle and light pictures are also fetched by file name.
    EXPECT_EQ(manager.getTexture2DFromFile(L"falloff.png", false), manager.getTexture2D(L"FALLOFF"));
    EXPECT_EQ(manager.getTexture2DFromFile(L"data\\Partikel\\funke.png", false),
              manager.getTexture2D(L"PARTIKEL_FUNKE"));
}

TEST_F(RuntimeTextureData, SkyCubeMapsLoadWithTheirPaintedFaces)
{
    TextureManager manager;
    XMLNode list;
    ASSERT_TRUE(XMLNode::load(&list, L"data\\textures\\sky.tex", 0));
    manager.load(&list);
    const struct {
        const wchar_t* name;
        UINT size;
    } skies[] = {{L"SKY", 128}, {L"SKY_BACKGROUND", 128}, {L"SKY_ENVIRONMENT", 32}, {L"SKY_CLOUDS", 128}};
    for (const auto& sky : skies) {
        SCOPED_TRACE(std::string(sky.name, sky.name + wcslen(sky.name)));
        TextureCube* cube = manager.getTextureCube(sky.name);
        ASSERT_NE(cube, nullptr);
        IDirect3DCubeTexture9* texture = cube->getCubeTexture();
        ASSERT_NE(texture, nullptr);
        D3DSURFACE_DESC desc{};
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Width, sky.size);
        EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    }
    // Straight up the open sky is clear blue; at the horizon (a side face's middle) it is warm.
    IDirect3DCubeTexture9* sky = manager.getTextureCube(L"SKY")->getCubeTexture();
    auto texel = [&](D3DCUBEMAP_FACES face, UINT x, UINT y) {
        D3DLOCKED_RECT locked{};
        D3DCOLOR colour = 0;
        if (SUCCEEDED(sky->LockRect(face, 0, &locked, nullptr, D3DLOCK_READONLY))) {
            std::memcpy(&colour, static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4, 4);
            sky->UnlockRect(face, 0);
        }
        return colour;
    };
    const D3DCOLOR zenith = texel(D3DCUBEMAP_FACE_POSITIVE_Y, 64, 64);
    const D3DCOLOR horizon = texel(D3DCUBEMAP_FACE_POSITIVE_X, 64, 64);
    EXPECT_GT(int(zenith & 0xFF), int((zenith >> 16) & 0xFF) + 60);
    EXPECT_GT((horizon >> 16) & 0xFF, horizon & 0xFF);
}

TEST_F(RuntimeTextureData, EveryFieldSetHasItsSeventeenTiles)
{
    const wchar_t* suffixes[] = {L"_BORDER_OBEN",   L"_BORDER_UNTEN",   L"_BORDER_RECHTS",  L"_BORDER_LINKS",
                                 L"_HINTERGRUND",   L"_ZIEL1",          L"_ZIEL2",          L"_MARKED",
                                 L"_LOCKED",        L"_ECKE_TL_INNEN",  L"_ECKE_TR_INNEN",  L"_ECKE_BL_INNEN",
                                 L"_ECKE_BR_INNEN", L"_ECKE_TL_AUSSEN", L"_ECKE_TR_AUSSEN", L"_ECKE_BL_AUSSEN",
                                 L"_ECKE_BR_AUSSEN"};
    for (int set = 0; set < 5; ++set) {
        TextureManager manager;
        SCOPED_TRACE(set);
        loadList(format(L"Data\\Felder\\Feld_%d.tex", set), manager);
        for (const wchar_t* suffix : suffixes)
            expectTexture(manager, format(L"FELD_%d", set) + suffix, 64, 64);
    }
}

// The building file names these lists per building (TEXTURNAME); the catastrophe file per
// catastrophe (TEXTURES FILE).
TEST_F(RuntimeTextureData, BuildingAndCatastropheListsHoldTheirPictures)
{
    TextureManager manager;
    loadList(L"data\\Gebaeude\\gebaeude.tex", manager);
    loadList(L"data\\Katastrophen\\katastrophen.tex", manager);
    for (const wchar_t* building :
         {L"HAUS", L"MUEHLE", L"SCHMIEDE", L"MARKT", L"KIRCHE", L"BURG", L"HAFEN", L"BAUERNHOF"}) {
        const std::wstring id = building;
        expectTexture(manager, id + L"_ANIMATION", 512, 128);
        expectTexture(manager, id + L"_VORSCHAU", 128, 128);
        expectTexture(manager, id + L"_VORSCHAU_BIG", 256, 256);
    }
    for (const wchar_t* name : {L"KATASTROPHE_FEUER", L"KATASTROPHE_STURM", L"KATASTROPHE_FLUT", L"KATASTROPHE_DUERRE"})
        expectTexture(manager, name, 256, 192);
}

TEST_F(RuntimeTextureData, MenuBackgroundsLoadByFileName)
{
    TextureManager manager;
    for (int i = 1; i <= 20; ++i) {
        Texture2D* texture = manager.getTexture2DFromFile(format(L"Data\\Backgrounds\\bg%d.png", i), true);
        ASSERT_NE(texture, nullptr) << i;
        EXPECT_GT(texture->getWidth(), 0u);
    }
    EXPECT_EQ(manager.getTextures2D().size(), 20u);
}

TEST_F(RuntimeTextureData, AnimationFileGivesTheFourMousePointers)
{
    Texture2DAnimationManager* animations = Texture2DAnimationManager::getInstance();
    XMLNode node;
    ASSERT_TRUE(XMLNode::load(&node, L"data\\Animationen\\Animation.ani", 0));
    animations->load(&node);
    for (int i = 0; i < 4; ++i) {
        Texture2DAnimation* cursor = animations->getAnimation(format(L"CURSOR_%d", i));
        ASSERT_NE(cursor, nullptr) << i;
        ASSERT_EQ(cursor->getFrames().size(), 8u);
        EXPECT_TRUE(cursor->isPlaying());
        for (const Texture2DAnimationFrame& frame : cursor->getFrames()) {
            ASSERT_NE(frame.texture, nullptr);
            EXPECT_NE(frame.texture->getTexture(), nullptr);
            EXPECT_EQ(frame.rect.right - frame.rect.left, 64);
            EXPECT_EQ(frame.rect.bottom - frame.rect.top, 64);
            EXPECT_LE(static_cast<uint32_t>(frame.rect.right), frame.texture->getWidth());
        }
        // The pointer is drawn centred on the mouse: the tip is the frame's middle, and a clear
        // border keeps the neighbouring frames out of the filtered picture.
        TestSupport::Image strip;
        ASSERT_TRUE(TestSupport::readPng("data/Animationen/cursor_" + std::to_string(i) + ".png", strip));
        for (const Texture2DAnimationFrame& frame : cursor->getFrames()) {
            const auto alpha = [&strip](LONG x, LONG y) { return strip.at(x, y) >> 24; };
            EXPECT_GT(alpha(frame.rect.left + 33, frame.rect.top + 33), 0u) << "no tip at the middle";
            EXPECT_EQ(alpha(frame.rect.left + 24, frame.rect.top + 44), 0u) << "the arrow points elsewhere";
            for (LONG k = 0; k < 64; ++k) {
                EXPECT_EQ(alpha(frame.rect.left + k, frame.rect.top), 0u);
                EXPECT_EQ(alpha(frame.rect.left + k, frame.rect.bottom - 1), 0u);
                EXPECT_EQ(alpha(frame.rect.left, frame.rect.top + k), 0u);
                EXPECT_EQ(alpha(frame.rect.right - 1, frame.rect.top + k), 0u);
            }
        }
    }
    animations->clear();
    animations->getTextures().clear();
}

// Without loose files the lists and their pictures come out of "Lumaro.gob".
TEST(RuntimeTextureArchive, ListsAndPicturesLoadFromTheArchiveAlone)
{
    ASSERT_NE(GraphicsTesting::startDevice(), nullptr);
    const int logging = logSwitch();
    logSwitch() = 0;
    TestSupport::TempDir empty;
    TestSupport::ScopedCwd cwd(empty.path());
    GOBManager* archives = GOBManager::getInstance();
    archives->addGOBFile(new GOBFile(L"BASEGOB", (TestSupport::runtimeDir() / "Lumaro.gob").wstring(), 0));
    archives->createDefaultOrder(0);

    TextureManager manager;
    for (const wchar_t* file : {L"Data\\Menu\\rects.tex", L"data\\stones\\stones.tex", L"Data\\Felder\\Feld_0.tex"}) {
        XMLNode list;
        EXPECT_TRUE(XMLNode::load(&list, file, 0)) << std::string(file, file + wcslen(file));
        manager.load(&list);
    }
    Texture2D* rects = manager.getTexture2D(L"RECTS");
    ASSERT_NE(rects, nullptr);
    EXPECT_EQ(rects->getWidth(), 700u);
    EXPECT_NE(manager.getTexture2D(L"GOLD_OBJEKT_SPRENG"), nullptr);
    EXPECT_NE(manager.getTexture2D(L"FELD_0_HINTERGRUND"), nullptr);
    EXPECT_NE(manager.getTexture2DFromFile(L"Data\\Backgrounds\\bg7.png", true), nullptr);

    archives->clear();
    logSwitch() = logging;
}

// Stones must be told apart by shape as well as colour: the opaque areas of any two stone
// pictures overlap by clearly less than the whole. The bonus coins share one round outline
// (one stands for all of them) and differ by the sign on them.
TEST(RuntimeTextureStones, SilhouettesDifferPairwise)
{
    const char* stones[] = {"holz", "stein", "eisen",  "gold",   "kristall", "korn",  "fisch",  "wolle",
                            "zorn", "boese", "hammer", "schutt", "schlamm",  "asche", "unkraut"};
    std::vector<std::vector<bool>> masks;
    for (const char* stone : stones) {
        TestSupport::Image picture;
        ASSERT_TRUE(TestSupport::readPng(
            (TestSupport::runtimeDir() / "data/stones" / (std::string(stone) + "_objekt.png")).string(), picture));
        ASSERT_EQ(picture.width, 64u);
        std::vector<bool> mask;
        for (DWORD texel : picture.pixels)
            mask.push_back(TestSupport::channel(texel, 24) > 200);
        masks.push_back(mask);
    }
    for (std::size_t a = 0; a < masks.size(); ++a) {
        for (std::size_t b = a + 1; b < masks.size(); ++b) {
            int both = 0, either = 0;
            for (std::size_t i = 0; i < masks[a].size(); ++i) {
                both += masks[a][i] && masks[b][i];
                either += masks[a][i] || masks[b][i];
            }
            ASSERT_GT(either, 0);
            EXPECT_LT(static_cast<double>(both) / either, 0.85) << stones[a] << " and " << stones[b];
        }
    }
}

// The stamps are read texel by texel as board cells: opaque texels only, none that would
// make a wall, every one receiving a stone and at least one feeding new stones.
TEST(RuntimeTextureStamps, FreePlayStampsAreUsableBoardShapes)
{
    for (int i = 0; i < 15; ++i) {
        SCOPED_TRACE(i);
        TestSupport::Image stamp;
        ASSERT_TRUE(TestSupport::readPng(
            (TestSupport::runtimeDir() / "data/Level" / ("freeplay_" + std::to_string(i) + ".png")).string(), stamp));
        // A free-play board is at least 24 cells wide and keeps a margin of one.
        EXPECT_LE(stamp.width, 20u);
        EXPECT_LE(stamp.height, 20u);
        int spawns = 0, cells = 0;
        for (DWORD texel : stamp.pixels) {
            const int alpha = TestSupport::channel(texel, 24);
            ASSERT_TRUE(alpha == 0 || alpha == 255) << TestSupport::hex(texel);
            if (alpha == 0)
                continue;
            ++cells;
            EXPECT_LE(TestSupport::channel(texel, 16), 128) << TestSupport::hex(texel);
            EXPECT_GT(TestSupport::channel(texel, 8), 64) << TestSupport::hex(texel);
            spawns += TestSupport::channel(texel, 8) > 128;
        }
        EXPECT_GE(cells, 8);
        EXPECT_GE(spawns, 1);
    }
}
