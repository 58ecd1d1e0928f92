// Textures across device resets: default-pool textures give up their Direct3D
// texture and rebuild it once, the way they were first made (file options,
// texture-list nodes, parts, parameters, clones); managed ones are untouched.
#include "GraphicsTestSupport.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/console/ConsoleCommand.h"
#include "foundation/console/ConsoleDispatcher.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/Texture3D.h"
#include "graphics/textures/TextureCube.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace Ulvo;

namespace {

class ResetProbe : public sigslot::has_slots<> {
public:
    void watch(BaseTexture* texture)
    {
        texture->textureLost.connect(this, &ResetProbe::lost);
        texture->textureReset.connect(this, &ResetProbe::reset);
    }
    void lost(BaseTexture* texture) { ++losses[texture]; }
    void reset(BaseTexture* texture) { ++resets[texture]; }

    std::map<BaseTexture*, int> losses;
    std::map<BaseTexture*, int> resets;
};

std::wstring run(const std::wstring& text)
{
    TypedConsoleCommand line(text);
    ConsoleDispatcher::getInstance()->execute(line);
    return line.getAnswer();
}

// One reset of the device with its current settings.
void resetDevice()
{
    D3DInterface* d3d = D3DInterface::getInstance();
    const D3DPRESENT_PARAMETERS pp = *d3d->getPresentParams();
    d3d->setPresenterParams(&pp);
}

XMLNode* addChild(XMLNode& parent, const wchar_t* name)
{
    XMLNode* node = new XMLNode(name);
    parent.addNode(node);
    return node;
}

void set(XMLNode& node, const wchar_t* name, const wchar_t* value)
{
    node.addAttribute(new XMLAttribute(name, value));
}

D3DSURFACE_DESC levelDesc(BaseTexture* texture)
{
    D3DSURFACE_DESC desc{};
    if (texture->getTexture())
        texture->getTexture()->GetLevelDesc(0, &desc);
    return desc;
}

// A DDS cube map of six A8R8G8B8 faces, each one colour.
void writeCubeDds(const std::filesystem::path& file, uint32_t edge)
{
    std::vector<uint32_t> words(32, 0);
    words[0] = 0x20534444u; // "DDS "
    words[1] = 124;
    words[2] = 0x100F;   // caps, height, width, pixel format, pitch
    words[3] = edge;     // height
    words[4] = edge;     // width
    words[5] = edge * 4; // pitch
    words[19] = 32;      // pixel format size
    words[20] = 0x41;    // RGB with alpha
    words[22] = 32;
    words[23] = 0x00FF0000u;
    words[24] = 0x0000FF00u;
    words[25] = 0x000000FFu;
    words[26] = 0xFF000000u;
    words[27] = 0x1008; // texture, complex
    words[28] = 0xFE00; // cube map with all six faces
    const uint32_t colours[6] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u, 0xFF00FFFFu, 0xFFFFFFFFu};
    for (uint32_t colour : colours)
        words.insert(words.end(), static_cast<size_t>(edge) * edge, colour);
    std::vector<uint8_t> bytes(words.size() * 4);
    std::memcpy(bytes.data(), words.data(), bytes.size());
    TestSupport::writeBytes(file, bytes);
}

class TextureResetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(GraphicsTesting::startDevice(), nullptr);
        cwd = std::make_unique<TestSupport::ScopedCwd>(dir.path());
        // 16 x 16: the left half is the colour key (magenta), the right half
        // red with green rising by row.
        TestSupport::Image image;
        image.width = 16;
        image.height = 16;
        for (UINT y = 0; y < 16; ++y) {
            for (UINT x = 0; x < 16; ++x)
                image.pixels.push_back(x < 8 ? 0xFFFF00FFu : 0xFFFF0000u | ((y * 16u) << 8));
        }
        ASSERT_TRUE(TestSupport::writePng((dir / "keyed.png").string(), image));
    }

    void TearDown() override
    {
        for (BaseTexture* texture : textures)
            texture->Release();
        Texture2D::globalQuality() = Texture2D::GlobalQuality();
    }

    template <class T> T* track(T* texture)
    {
        textures.push_back(texture);
        probe.watch(texture);
        return texture;
    }

    TestSupport::TempDir dir;
    std::unique_ptr<TestSupport::ScopedCwd> cwd;
    std::vector<BaseTexture*> textures;
    ResetProbe probe;
};

} // namespace

TEST_F(TextureResetTest, ModeSwitchRebuildsEachDefaultPoolTextureOnce)
{
    Texture2D* target = track(new Texture2D());
    ASSERT_TRUE(target->create(16, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT));
    EXPECT_TRUE(target->isRegistered());
    EXPECT_EQ(target->getCreationKind(), static_cast<uint32_t>(BaseTexture::CREATION_PARAMS));
    Texture3D* volume = track(new Texture3D());
    ASSERT_TRUE(volume->create(4, 4, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT));
    TextureCube* cube = track(new TextureCube());
    ASSERT_TRUE(cube->create(8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT));
    EXPECT_EQ(cube->getSize(), 8u);

    Texture2D* managed = track(new Texture2D());
    ASSERT_TRUE(managed->create(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED));
    ASSERT_TRUE(managed->writePixel(D3DXVECTOR4(0.0f, 1.0f, 0.0f, 1.0f), 3, 2));
    IDirect3DTexture9* managedBefore = managed->getTexture();

    EXPECT_EQ(run(L"D3D_setResolution 800 600 32"), L"Aufl\u00F6sung wurde angepasst");
    EXPECT_EQ(D3DInterface::getInstance()->getWidth(), 800u);

    for (BaseTexture* texture :
         {static_cast<BaseTexture*>(target), static_cast<BaseTexture*>(volume), static_cast<BaseTexture*>(cube)}) {
        EXPECT_EQ(probe.losses[texture], 1) << texture->getNumber();
        EXPECT_EQ(probe.resets[texture], 1) << texture->getNumber();
        EXPECT_NE(texture->getBaseTexture(), nullptr);
        EXPECT_TRUE(texture->isLoaded());
        EXPECT_FALSE(texture->isLost());
    }
    EXPECT_EQ(levelDesc(target).Width, 16u);
    EXPECT_EQ(levelDesc(target).Usage & D3DUSAGE_RENDERTARGET, static_cast<DWORD>(D3DUSAGE_RENDERTARGET));
    EXPECT_EQ(target->getWidth(), 16u);
    EXPECT_EQ(volume->getDepth(), 2u);
    EXPECT_EQ(cube->getSize(), 8u);

    // Managed: no signal, the same texture, the same texels.
    EXPECT_EQ(probe.losses[managed], 0);
    EXPECT_EQ(probe.resets[managed], 0);
    EXPECT_EQ(managed->getTexture(), managedBefore);
    D3DXVECTOR4 c;
    ASSERT_TRUE(managed->readPixel(c, D3DXVECTOR2(0.8f, 0.6f)));
    EXPECT_EQ(c.y, 1.0f);
    EXPECT_EQ(c.x, 0.0f);

    // A reset that follows no loss changes nothing.
    target->onResetDevice();
    EXPECT_EQ(probe.resets[target], 1);

    // Back to the usual size: one more round each.
    run(L"D3D_setResolution 320 240 32");
    EXPECT_EQ(probe.losses[target], 2);
    EXPECT_EQ(probe.resets[target], 2);
    EXPECT_EQ(probe.resets[managed], 0);
}

TEST_F(TextureResetTest, FileTexturesKeepTheirLoadOptionsAcrossAReset)
{
    Texture2D::globalQuality().useMaximum = true;
    Texture2D::globalQuality().maximum = 8;
    TextureFileInfo2D info;
    info.Pool = D3DPOOL_DEFAULT;
    info.Usage = D3DUSAGE_DYNAMIC;
    info.ColorKey = 0xFFFF00FFu;
    Texture2D* texture = track(new Texture2D());
    ASSERT_TRUE(texture->createFromFileName(L"KEYED.png", TextureLoadOptions(0, 4, true, true), info));

    auto check = [&](const char* when) {
        SCOPED_TRACE(when);
        EXPECT_TRUE(texture->isLoaded());
        EXPECT_EQ(texture->getCreationKind(), static_cast<uint32_t>(BaseTexture::CREATION_FILE));
        // The texture's own limit (4) wins over the global one (8).
        EXPECT_EQ(texture->getWidth(), 4u);
        EXPECT_EQ(texture->getHeight(), 4u);
        EXPECT_FLOAT_EQ(texture->getScaleU(), 0.25f);
        const D3DSURFACE_DESC desc = levelDesc(texture);
        EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
        EXPECT_EQ(desc.Width, 4u);
        EXPECT_EQ(desc.Usage & D3DUSAGE_DYNAMIC, static_cast<DWORD>(D3DUSAGE_DYNAMIC));
        EXPECT_EQ(texture->getFileInfo().Usage & D3DUSAGE_AUTOGENMIPMAP, static_cast<DWORD>(D3DUSAGE_AUTOGENMIPMAP));
        // The colour key still makes the left half transparent.
        D3DXVECTOR4 c;
        ASSERT_TRUE(texture->readPixel(c, D3DXVECTOR2(0.0f, 0.0f)));
        EXPECT_EQ(c.w, 0.0f);
        ASSERT_TRUE(texture->readPixel(c, D3DXVECTOR2(0.9f, 0.0f)));
        EXPECT_EQ(c.w, 1.0f);
        EXPECT_EQ(c.x, 1.0f);
    };
    check("first load");
    EXPECT_NE(texture->getFileName().find(L"KEYED.png"), std::wstring::npos);
    EXPECT_EQ(texture->getName(), texture->getFileName());

    resetDevice();
    EXPECT_EQ(probe.losses[texture], 1);
    EXPECT_EQ(probe.resets[texture], 1);
    check("after the reset");
    resetDevice();
    EXPECT_EQ(probe.resets[texture], 2);
    check("after a second reset");
}

TEST_F(TextureResetTest, MissingFilesFailAndStayUnregistered)
{
    Texture2D* texture = track(new Texture2D());
    TextureFileInfo2D info;
    info.Pool = D3DPOOL_DEFAULT;
    EXPECT_FALSE(texture->createFromFileName(L"nothing\\here.png", TextureLoadOptions(), info));
    EXPECT_FALSE(texture->isLoaded());
    EXPECT_FALSE(texture->isRegistered());
    // Not an image at all.
    TestSupport::writeText(dir / "broken.png", "no picture");
    EXPECT_FALSE(texture->createFromFileName(L"broken.png", TextureLoadOptions(), info));
    EXPECT_FALSE(texture->isLoaded());
    EXPECT_FALSE(texture->isRegistered());
    Texture3D* volume = track(new Texture3D());
    EXPECT_FALSE(volume->createFromFileName(L"nothing.dds"));
    EXPECT_FALSE(volume->createFromNode(nullptr));
    TextureCube* cube = track(new TextureCube());
    XMLNode entry(L"TEXTURCUBE");
    EXPECT_FALSE(cube->createFromNode(&entry));
}

TEST_F(TextureResetTest, ManagedPicturesReadTheirFileAgainWhereTheyFoundIt)
{
    TextureFileInfo2D info;
    info.Pool = D3DPOOL_MANAGED;
    Texture2D* named = track(new Texture2D());
    ASSERT_TRUE(named->createFromFileName(L"KEYED.png", TextureLoadOptions(), info));
    XMLNode entry(L"TEXTUR2D");
    set(*addChild(entry, L"FILE_INFO"), L"Pool", L"MANAGED");
    set(*addChild(entry, L"FILE"), L"FILENAME", L"keyed.png");
    Texture2D* listed = track(new Texture2D());
    ASSERT_TRUE(listed->createFromNode(&entry));
    ASSERT_EQ(levelDesc(listed).Pool, D3DPOOL_MANAGED);

    // Replaced before their first use, both show the file as it is now: they kept no copy of it.
    TestSupport::Image blue;
    blue.width = 16;
    blue.height = 16;
    blue.pixels.assign(256, 0xFF0000FFu);
    ASSERT_TRUE(TestSupport::writePng((dir / "keyed.png").string(), blue));
    for (Texture2D* texture : {named, listed}) {
        D3DXVECTOR4 c;
        ASSERT_TRUE(texture->readPixel(c, D3DXVECTOR2(0.9f, 0.0f)));
        EXPECT_EQ(c, D3DXVECTOR4(0.0f, 0.0f, 1.0f, 1.0f));
    }

    // Evicted and drawn again from another working folder: read from where they were loaded.
    ASSERT_EQ(GraphicsTesting::startDevice()->EvictManagedResources(), D3D_OK);
    {
        TestSupport::TempDir elsewhere;
        TestSupport::ScopedCwd moved(elsewhere.path());
        for (Texture2D* texture : {named, listed}) {
            D3DXVECTOR4 c;
            ASSERT_TRUE(texture->readPixel(c, D3DXVECTOR2(0.9f, 0.0f)));
            EXPECT_EQ(c, D3DXVECTOR4(0.0f, 0.0f, 1.0f, 1.0f));
        }
    }

    // Gone after an eviction: each says so at its next use and is blank.
    std::filesystem::remove(dir / "keyed.png");
    ASSERT_EQ(GraphicsTesting::startDevice()->EvictManagedResources(), D3D_OK);
    for (Texture2D* texture : {named, listed}) {
        testing::internal::CaptureStderr();
        D3DXVECTOR4 c;
        texture->readPixel(c, D3DXVECTOR2(0.9f, 0.0f));
        EXPECT_NE(testing::internal::GetCapturedStderr().find("could not be read again"), std::string::npos);
        EXPECT_NE(c, D3DXVECTOR4(0.0f, 0.0f, 1.0f, 1.0f));
    }
}

TEST_F(TextureResetTest, ListEntriesAndTheirPartsRebuildFromTheirNodes)
{
    XMLNode entry(L"TEXTUR2D");
    set(entry, L"NAME", L"reset_parent");
    XMLNode* info = addChild(entry, L"FILE_INFO");
    set(*info, L"Pool", L"DEFAULT");
    set(*info, L"ColorKey", L"FFFF00FF");
    addChild(*info, L"Usage")->addProperty(new XMLProperty(L"DYNAMIC"));
    set(*addChild(entry, L"FILE"), L"FILENAME", L"keyed.png");
    Texture2D* parent = track(new Texture2D());
    ASSERT_TRUE(parent->createFromNode(&entry));
    EXPECT_EQ(parent->getName(), L"reset_parent");
    EXPECT_EQ(parent->getCreationKind(), static_cast<uint32_t>(BaseTexture::CREATION_NODE));
    EXPECT_EQ(parent->getWidth(), 16u);

    XMLNode shared(L"TEX_PART");
    set(shared, L"NAME", L"reset_shared");
    XMLNode* rect = addChild(shared, L"TEX_RECT");
    set(*rect, L"L", L"4");
    set(*rect, L"T", L"2");
    set(*rect, L"W", L"8");
    set(*rect, L"H", L"6");
    set(*rect, L"R", L"10"); // R wins over W
    Texture2D* part = track(new Texture2D());
    ASSERT_TRUE(part->createPartFromTexture(&shared, parent));
    EXPECT_EQ(part->getTexture(), parent->getTexture());
    EXPECT_EQ(part->getRect().left, 4);
    EXPECT_EQ(part->getRect().top, 2);
    EXPECT_EQ(part->getRect().right, 10);
    EXPECT_EQ(part->getRect().bottom, 8);
    EXPECT_EQ(part->getWidth(), 6u);

    XMLNode cutNode(L"TEX_PART");
    set(cutNode, L"NAME", L"reset_cut");
    set(cutNode, L"CUT", L"1");
    XMLNode* cutRect = addChild(cutNode, L"TEX_RECT");
    set(*cutRect, L"L", L"6");
    set(*cutRect, L"T", L"3");
    set(*cutRect, L"W", L"5");
    set(*cutRect, L"H", L"9");
    Texture2D* cut = track(new Texture2D());
    ASSERT_TRUE(cut->createPartFromTexture(&cutNode, parent));
    EXPECT_NE(cut->getTexture(), parent->getTexture());
    EXPECT_EQ(levelDesc(cut).Width, 8u);
    EXPECT_EQ(levelDesc(cut).Height, 16u);
    EXPECT_EQ(cut->getRect().right, 5);
    EXPECT_EQ(cut->getRect().bottom, 9);

    auto checkCut = [&]() {
        // Column 0 of the cut is file column 6 (keyed), column 2 is file column 8 (red).
        D3DXVECTOR4 c;
        ASSERT_TRUE(cut->readPixel(c, D3DXVECTOR2(0.0f, 0.0f)));
        EXPECT_EQ(c.w, 0.0f);
        ASSERT_TRUE(cut->readPixel(c, D3DXVECTOR2(2.5f / 5, 0.5f / 9)));
        EXPECT_EQ(c.x, 1.0f);
        EXPECT_NEAR(c.y, 48 / 255.0f, 1e-6f); // row 3
    };
    checkCut();

    // Nothing may hold a default-pool texture across the reset, or Direct3D refuses it.
    resetDevice();
    for (Texture2D* texture : {parent, part, cut}) {
        EXPECT_EQ(probe.losses[texture], 1) << texture->getName().size();
        EXPECT_EQ(probe.resets[texture], 1) << texture->getName().size();
        EXPECT_TRUE(texture->isLoaded());
    }
    EXPECT_NE(parent->getTexture(), nullptr);
    // The shared part follows its source's new texture.
    EXPECT_EQ(part->getTexture(), parent->getTexture());
    EXPECT_EQ(part->getRect().right, 10);
    EXPECT_EQ(levelDesc(parent).Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(parent->getName(), L"reset_parent");
    checkCut();
}

TEST_F(TextureResetTest, PartRectanglesAreCheckedAgainstTheSource)
{
    Texture2D* parent = track(new Texture2D());
    ASSERT_TRUE(parent->createFromFileName(L"keyed.png"));

    XMLNode outside(L"TEX_PART");
    XMLNode* rect = addChild(outside, L"TEX_RECT");
    set(*rect, L"L", L"20");
    set(*rect, L"T", L"0");
    set(*rect, L"W", L"4");
    set(*rect, L"H", L"4");
    Texture2D* part = track(new Texture2D());
    EXPECT_FALSE(part->createPartFromTexture(&outside, parent));
    EXPECT_FALSE(part->isLoaded());

    XMLNode reaching(L"TEX_PART");
    set(reaching, L"CUT", L"1");
    set(reaching, L"POW2", L"0");
    XMLNode* far = addChild(reaching, L"TEX_RECT");
    set(*far, L"L", L"-4");
    set(*far, L"T", L"12");
    set(*far, L"R", L"40");
    set(*far, L"B", L"99999");
    ASSERT_TRUE(part->createPartFromTexture(&reaching, parent));
    EXPECT_EQ(part->getWidth(), 16u);
    EXPECT_EQ(part->getHeight(), 4u);
    EXPECT_EQ(levelDesc(part).Width, 16u);
    EXPECT_EQ(levelDesc(part).Height, 4u);

    XMLNode noRect(L"TEX_PART");
    EXPECT_FALSE(part->createPartFromTexture(&noRect, parent));
    EXPECT_FALSE(part->createPartFromTexture(&reaching, nullptr));
    EXPECT_FALSE(part->createPartFromTexture(&reaching, part));
}

TEST_F(TextureResetTest, ClonesOfDefaultPoolTexturesAreToldOfResets)
{
    Texture2D* target = track(new Texture2D());
    ASSERT_TRUE(target->create(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT));
    Texture2D* copy = track(target->clone());
    EXPECT_TRUE(copy->isRegistered());
    EXPECT_EQ(copy->getTexture(), target->getTexture());

    Texture2D* managed = track(new Texture2D());
    ASSERT_TRUE(managed->create(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED));
    Texture2D* managedCopy = track(managed->clone());
    EXPECT_FALSE(managedCopy->isRegistered());

    resetDevice();
    EXPECT_EQ(probe.losses[copy], 1);
    EXPECT_EQ(probe.resets[copy], 1);
    ASSERT_NE(copy->getTexture(), nullptr);
    EXPECT_EQ(levelDesc(copy).Width, 8u);
    EXPECT_EQ(levelDesc(copy).Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(probe.resets[target], 1);
    EXPECT_EQ(probe.resets[managedCopy], 0);
    EXPECT_EQ(managedCopy->getTexture(), managed->getTexture());
}

TEST_F(TextureResetTest, RemakingInAnotherPoolOrReleasingEndsTheRebuilds)
{
    Texture2D* texture = track(new Texture2D());
    ASSERT_TRUE(texture->create(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT));
    ASSERT_TRUE(texture->lock(0, nullptr, RECT{0, 0, 8, 8}, 0));
    // Lost while locked: the lock ends with the texture.
    texture->onLostDevice();
    EXPECT_FALSE(texture->isLocked());
    EXPECT_EQ(texture->getTexture(), nullptr);
    D3DLOCKED_RECT locked{};
    EXPECT_FALSE(texture->lock(0, &locked, RECT{0, 0, 1, 1}, 0));
    texture->onResetDevice();
    ASSERT_NE(texture->getTexture(), nullptr);

    // Made again as a managed texture: its contents are Direct3D's to keep.
    ASSERT_TRUE(texture->create(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED));
    EXPECT_FALSE(texture->isRegistered());
    IDirect3DTexture9* kept = texture->getTexture();
    resetDevice();
    EXPECT_EQ(texture->getTexture(), kept);

    Texture2D* target = track(new Texture2D());
    ASSERT_TRUE(target->create(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT));
    target->release(true);
    EXPECT_FALSE(target->isRegistered());
    EXPECT_FALSE(target->isLoaded());
    resetDevice();
    EXPECT_EQ(probe.losses[target], 0);
    EXPECT_EQ(target->getTexture(), nullptr);
}

TEST_F(TextureResetTest, VolumeAndCubeEntriesLoadAndRebuild)
{
    writeCubeDds(dir / "sky.dds", 4);
    XMLNode volumeEntry(L"TEXTUR3D");
    set(volumeEntry, L"NAME", L"reset_volume");
    set(*addChild(volumeEntry, L"FILE_INFO"), L"Pool", L"DEFAULT");
    set(*addChild(volumeEntry, L"FILE"), L"FILENAME", L"keyed.png");
    Texture3D* volume = track(new Texture3D());
    ASSERT_TRUE(volume->createFromNode(&volumeEntry));
    EXPECT_EQ(volume->getName(), L"reset_volume");
    EXPECT_EQ(volume->getWidth(), 16u);
    EXPECT_EQ(volume->getDepth(), 1u);
    EXPECT_EQ(volume->getCreationKind(), static_cast<uint32_t>(BaseTexture::CREATION_NODE));
    EXPECT_EQ(volume->getTexture(), nullptr);
    EXPECT_EQ(volume->getCubeTexture(), nullptr);
    EXPECT_NE(volume->getVolumeTexture(), nullptr);

    XMLNode cubeEntry(L"TEXTURCUBE");
    set(cubeEntry, L"NAME", L"reset_cube");
    set(cubeEntry, L"FILTER_DEFAULT", L"0");
    addChild(cubeEntry, L"APPLY_FILTER")->addProperty(new XMLProperty(L"bloom"));
    set(*addChild(cubeEntry, L"FILE_INFO"), L"Pool", L"DEFAULT");
    set(*addChild(cubeEntry, L"FILE"), L"FILENAME", L"sky.dds");
    TextureCube* cube = track(new TextureCube());
    ASSERT_TRUE(cube->createFromNode(&cubeEntry));
    EXPECT_EQ(cube->getSize(), 4u);
    EXPECT_EQ(cube->getFormat(), D3DFMT_A8R8G8B8);
    EXPECT_FALSE(cube->getFilterDefault());
    EXPECT_EQ(cube->getApplyFilter(), (std::vector<std::wstring>{L"bloom"}));

    // A plain picture is no cube map.
    TextureCube* flat = track(new TextureCube());
    XMLNode flatEntry(L"TEXTURCUBE");
    set(*addChild(flatEntry, L"FILE"), L"FILENAME", L"keyed.png");
    EXPECT_FALSE(flat->createFromNode(&flatEntry));

    resetDevice();
    for (BaseTexture* texture : {static_cast<BaseTexture*>(volume), static_cast<BaseTexture*>(cube)}) {
        EXPECT_EQ(probe.losses[texture], 1);
        EXPECT_EQ(probe.resets[texture], 1);
        EXPECT_NE(texture->getBaseTexture(), nullptr);
    }
    D3DSURFACE_DESC desc{};
    ASSERT_TRUE(SUCCEEDED(cube->getCubeTexture()->GetLevelDesc(0, &desc)));
    EXPECT_EQ(desc.Width, 4u);
    EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(volume->getDepth(), 1u);
    // Rebuilt from its node, the filter settings are read again.
    EXPECT_EQ(cube->getApplyFilter(), (std::vector<std::wstring>{L"bloom"}));

    Texture3D* fromFile = track(new Texture3D());
    ASSERT_TRUE(fromFile->createFromFileName(L"keyed.png"));
    EXPECT_EQ(fromFile->getHeight(), 16u);
    EXPECT_FALSE(fromFile->isRegistered());
}

TEST_F(TextureResetTest, VolumeAndCubeClonesTakeOnlyTheirOwnKindAndRebuildLikeTheOriginal)
{
    IDirect3DDevice9* device = GraphicsTesting::startDevice();
    TextureCube* cube = track(new TextureCube());
    ASSERT_TRUE(cube->create(4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT));
    TextureCube* cubeCopy = track(cube->clone());
    EXPECT_EQ(cubeCopy->getCubeTexture(), cube->getCubeTexture());
    EXPECT_TRUE(cubeCopy->isRegistered());

    IDirect3DCubeTexture9* otherCube = nullptr;
    ASSERT_TRUE(SUCCEEDED(device->CreateCubeTexture(8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &otherCube, nullptr)));
    TextureCube* replaced = track(cube->clone(otherCube));
    EXPECT_EQ(replaced->getCubeTexture(), otherCube);
    // The copy holds a reference of its own.
    otherCube->Release();
    D3DSURFACE_DESC desc{};
    ASSERT_TRUE(SUCCEEDED(replaced->getCubeTexture()->GetLevelDesc(0, &desc)));
    EXPECT_EQ(desc.Width, 8u);

    Texture3D* volume = track(new Texture3D());
    ASSERT_TRUE(volume->create(4, 4, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED));
    // A cube is no replacement for a volume.
    Texture3D* volumeCopy = track(volume->clone(cube->getCubeTexture()));
    EXPECT_EQ(volumeCopy->getVolumeTexture(), volume->getVolumeTexture());
    EXPECT_FALSE(volumeCopy->isRegistered());

    resetDevice();
    EXPECT_EQ(probe.losses[cubeCopy], 1);
    EXPECT_EQ(probe.resets[cubeCopy], 1);
    ASSERT_NE(cubeCopy->getCubeTexture(), nullptr);
    ASSERT_TRUE(SUCCEEDED(cubeCopy->getCubeTexture()->GetLevelDesc(0, &desc)));
    EXPECT_EQ(desc.Width, 4u);
    EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(probe.losses[volumeCopy], 0);
    EXPECT_EQ(volumeCopy->getVolumeTexture(), volume->getVolumeTexture());
}
