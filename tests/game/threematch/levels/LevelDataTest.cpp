// The game's own level file and layout pictures, read through the real loaders on the device,
// and the board of the first level drawn at its start and after its first cleared run.
#include "BoardTestSupport.h"
#include "GraphicsTestSupport.h"

#include "foundation/xml/XMLNode.h"
#include "graphics/fonts/D3DXFontInterface.h"
#include "graphics/textures/RenderToTexture.h"
#include "graphics/textures/Texture2D.h"
#include "threematch/board/PunkteAnzeige.h"
#include "threematch/globals/GameGraphics.h"
#include "threematch/levels/LayoutPicture.h"
#include "threematch/levels/LevelDatei.h"
#include "threematch/stones/Rohstoff.h"
#include "threematch/stones/RohstoffManager.h"
#include "threematch/stones/Rohstoffklasse.h"

#include <crt.h>

#include <algorithm>
#include <cmath>
#include <string>

using namespace ThreeMatch;

namespace {

constexpr D3DCOLOR kBackground = 0xFF203028;

class LevelDataTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        device = GraphicsTesting::startDevice();
        ASSERT_NE(device, nullptr);
        crt_srand(0);
        globals = std::make_unique<MyGlobals>();
        GameTesting::inRuntimeFolder([&] {
            ASSERT_TRUE(globals->getRohstoffManager().load(L"data\\stones\\stones.roh"));
            ASSERT_TRUE(file.load());
            // The board takes its light streak "falloff.png" when it is made.
            board = std::make_unique<Spielfeld>(globals->getRohstoffManager(), *globals);
        });
        ASSERT_NE(board, nullptr);
    }
    bool load(int n)
    {
        bool loaded = false;
        GameTesting::inRuntimeFolder([&] { loaded = board->loadLevel(n); });
        return loaded;
    }
    // The board drawn into a target with a stencil buffer, as the in-game picture has.
    TestSupport::Image drawBoard(bool withOverlay = false)
    {
        Ulvo::RenderToTexture target(RECT{0, 0, 320, 240}, D3DFMT_A8R8G8B8, D3DFMT_D24S8);
        EXPECT_TRUE(target.create());
        D3DXVECTOR2 offset(0.0f, 0.0f);
        double scale = 1.0;
        board->fitView(offset, scale, 0, 0, 320, 240, 0.5);
        GraphicsTesting::Painter painter;
        painter.paint = [&](Ulvo::RenderToTexture&) {
            device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, kBackground, 1.0f, 0);
            board->draw(offset, scale, -1);
            if (withOverlay)
                board->drawOverlay(offset, scale, -1);
        };
        target.onRender.connect(&painter, &GraphicsTesting::Painter::onRender);
        target.render();
        IDirect3DSurface9* surface = nullptr;
        TestSupport::Image image;
        if (SUCCEEDED(target.getTexture()->getTexture()->GetSurfaceLevel(0, &surface))) {
            image = GraphicsTesting::readSurface(surface);
            surface->Release();
        }
        return image;
    }

    // Every pixel the board drew lies in the rectangle it reports (the in-game picture is laid in
    // by that part alone).
    void expectInsideDrawnBound(const TestSupport::Image& image)
    {
        D3DXVECTOR2 offset(0.0f, 0.0f);
        double scale = 1.0;
        board->fitView(offset, scale, 0, 0, 320, 240, 0.5);
        RECT bound{};
        ASSERT_TRUE(board->drawnBound(offset, scale, bound));
        int outside = 0;
        for (UINT y = 0; y < image.height; ++y) {
            for (UINT x = 0; x < image.width; ++x) {
                const bool inside = static_cast<LONG>(x) >= bound.left && static_cast<LONG>(x) < bound.right &&
                                    static_cast<LONG>(y) >= bound.top && static_cast<LONG>(y) < bound.bottom;
                outside += !inside && image.at(x, y) != kBackground;
            }
        }
        EXPECT_EQ(outside, 0) << "drawn outside " << bound.left << "," << bound.top << " - " << bound.right << ","
                              << bound.bottom;
    }

    IDirect3DDevice9* device = nullptr;
    GameTesting::VirtualGameClock clock;
    std::unique_ptr<MyGlobals> globals;
    LevelDatei file;
    std::unique_ptr<Spielfeld> board;
};

int layers(uint32_t flags)
{
    return (flags & FeldFlag::Ziel1 ? 1 : 0) + (flags & FeldFlag::Ziel2 ? 1 : 0);
}

} // namespace

TEST_F(LevelDataTest, StoryLevelsUseEveryCellKindKeepTheirTargetsAndGrow)
{
    const int count = file.countLevels();
    ASSERT_GE(count, 12);
    double defaultTime = 0.0;
    EXPECT_TRUE(file.readDefaultTime(defaultTime));
    for (bool zorn : {true, false})
        EXPECT_NE(file.findDefaultStoneSet(zorn), file.getRoot().getNode(L"DEFAULT_ROHSTOFFE"));

    // Where each kind of cell shows first: one new thing at a time.
    int firstHole = -1, firstWall = -1, firstLock = -1, firstEmpty = -1;
    std::vector<int> layerCounts;
    double lastTime = 0.0;
    uint32_t kinds = 0;
    TexturePictureSource pictures;
    for (int n = 0; n < count; ++n) {
        SCOPED_TRACE(n);
        const LevelBeschreibung d = LevelDatei::describe(*file.findLevel(n));
        LayoutPicture picture;
        GameTesting::inRuntimeFolder([&] { ASSERT_TRUE(pictures.readFile(d.file, picture)); });
        EXPECT_EQ(picture.width, d.width);
        EXPECT_EQ(picture.height, d.height);
        EXPECT_GE(d.time, lastTime) << "later levels get at least as much time";
        lastTime = d.time;

        int drawnLayers = 0;
        for (uint32_t texel : picture.texels)
            drawnLayers += layers(storyCell(texel).flags);
        ASSERT_TRUE(load(n));
        int keptLayers = 0, empty = 0;
        bool hole = false, wall = false, lock = false;
        for (const Feld& cell : board->getFelder()) {
            kinds |= cell.getFlags();
            keptLayers += layers(cell.getFlags());
            hole = hole || cell.getFlags() == 0;
            wall = wall || cell.has(FeldFlag::Wand);
            lock = lock || cell.has(FeldFlag::Locked);
            empty += cell.has(FeldFlag::Spielbar) && !cell.getStone() ? 1 : 0;
        }
        EXPECT_EQ(keptLayers, drawnLayers) << "every target can be reached and cleared";
        EXPECT_GT(keptLayers, 0);
        layerCounts.push_back(keptLayers);
        if (hole && firstHole < 0)
            firstHole = n;
        if (wall && firstWall < 0)
            firstWall = n;
        if (lock && firstLock < 0)
            firstLock = n;
        if (empty > 0 && firstEmpty < 0)
            firstEmpty = n;
        board->findMatches();
        EXPECT_TRUE(board->getGroups().empty());
        board->possibleMoves();
        EXPECT_FALSE(board->getPossibleMoves().empty());
    }
    for (uint32_t kind : {FeldFlag::Wand, FeldFlag::Quelle, FeldFlag::Ziel1, FeldFlag::Ziel2, FeldFlag::Locked})
        EXPECT_TRUE(kinds & kind) << std::hex << kind;
    EXPECT_GT(firstHole, 0);
    EXPECT_GT(firstWall, firstHole);
    EXPECT_GT(firstLock, firstWall);
    EXPECT_GT(firstEmpty, firstLock) << "a level whose stones first fall in";
    EXPECT_EQ(*std::min_element(layerCounts.begin(), layerCounts.end()), layerCounts.front());
    EXPECT_EQ(*std::max_element(layerCounts.begin(), layerCounts.end()), layerCounts.back());
}

// Every story level brings wrath stones and a bonus coin; the iron and the wool that the smithy
// and the farm unlock come into the next level.
TEST_F(LevelDataTest, EveryLevelBringsWrathAndABonusCoinAndUnlockedStonesComeIn)
{
    globals->setUseZorn(true);
    RohstoffManager& stones = globals->getRohstoffManager();
    const auto hasClass = [this](const wchar_t* name) {
        const std::vector<Rohstoff*> types = board->getLevelStones();
        return std::any_of(types.begin(), types.end(),
                           [name](const Rohstoff* t) { return t->getKlasse() && t->getKlasse()->getName() == name; });
    };
    for (int n = 0; n < 13; ++n) {
        ASSERT_TRUE(load(n)) << "level " << n;
        EXPECT_TRUE(hasClass(L"ZORN")) << "level " << n;
        EXPECT_TRUE(hasClass(L"BONUS")) << "level " << n;
    }
    Rohstoff* iron = stones.findKlasse(L"BAUSTOFF")->findRohstoff(L"EISEN");
    Rohstoff* wool = stones.findKlasse(L"NAHRUNG")->findRohstoff(L"WOLLE");
    ASSERT_TRUE(iron && wool);
    iron->unlock();
    wool->unlock();
    // One of the two joins each level from the reserve; over a few levels both come.
    bool ironSeen = false, woolSeen = false;
    for (int n = 0; n < 6; ++n) {
        ASSERT_TRUE(load(n));
        const std::vector<Rohstoff*> types = board->getLevelStones();
        const bool hasIron = std::find(types.begin(), types.end(), iron) != types.end();
        const bool hasWool = std::find(types.begin(), types.end(), wool) != types.end();
        EXPECT_TRUE(hasIron || hasWool) << "level " << n;
        ironSeen = ironSeen || hasIron;
        woolSeen = woolSeen || hasWool;
    }
    EXPECT_TRUE(ironSeen && woolSeen);
}

TEST_F(LevelDataTest, FirstLevelAtItsStartAndAfterItsFirstClearedRun)
{
    ASSERT_TRUE(load(0));
    board->start();
    const TestSupport::Image start = drawBoard();
    ASSERT_EQ(start.width, 320u);
    // Outside the board (and its frame) only the background shows.
    EXPECT_PIXEL(start, 2, 2, kBackground);
    EXPECT_PIXEL(start, 317, 237, kBackground);
    EXPECT_TRUE(TestSupport::matchesGolden(start, TestSupport::sourceDir() / "tests" / "game" / "threematch" / "golden",
                                           "level0_start", 2));

    board->possibleMoves();
    ASSERT_FALSE(board->getPossibleMoves().empty());
    const auto move = board->getPossibleMoves().front();
    board->trySwap(move.first, move.second);
    for (int i = 0; i < 80; ++i) {
        clock.step(0.025);
        board->update();
    }
    // The light streak crosses the picture now, and shows only over the cells.
    board->setScreenSize(320, 240);
    board->updateFalloff(60.0);
    board->updateFalloff(1.3);
    const TestSupport::Image cleared = drawBoard();
    EXPECT_PIXEL(cleared, 2, 2, kBackground);
    EXPECT_PIXEL(cleared, 317, 237, kBackground);
    EXPECT_PIXEL(cleared, 160, 2, kBackground);
    EXPECT_PIXEL(cleared, 40, 40, kBackground) << "under the streak, but beside the board";
    expectInsideDrawnBound(cleared);
    EXPECT_TRUE(TestSupport::matchesGolden(
        cleared, TestSupport::sourceDir() / "tests" / "game" / "threematch" / "golden", "level0_after_run", 2));
}

// A cell to clear must tell itself from its floor at a glance on every field set, also along the
// cell's rim that a stone on it leaves showing, and two layers from one.
TEST_F(LevelDataTest, CellsToClearStandOutOnEveryFloor)
{
    auto picture = [](int set, const char* part) {
        LayoutPicture texels;
        const std::string name = "data\\Felder\\feld_" + std::to_string(set) + "_" + part + ".png";
        GameTesting::inRuntimeFolder([&] {
            EXPECT_TRUE(readTexturePicture(gameTextureFromFile(std::wstring(name.begin(), name.end())), texels));
        });
        return texels;
    };
    // Straight alpha, over an opaque parchment as the board's panel is.
    auto over = [](uint32_t top, uint32_t below) {
        const double a = (top >> 24) / 255.0;
        uint32_t out = 0xFF000000u;
        for (int shift : {16, 8, 0}) {
            const double mixed = ((top >> shift) & 0xFF) * a + ((below >> shift) & 0xFF) * (1.0 - a);
            out |= static_cast<uint32_t>(mixed + 0.5) << shift;
        }
        return out;
    };
    auto distance = [](uint32_t a, uint32_t b) {
        double sum = 0.0;
        for (int shift : {16, 8, 0}) {
            const double d = double((a >> shift) & 0xFF) - double((b >> shift) & 0xFF);
            sum += d * d;
        }
        return std::sqrt(sum);
    };
    // The mean colour distance over the rim 5..9 texels in from the edge.
    auto rimDistance = [&](const LayoutPicture& floor, const LayoutPicture& a, const LayoutPicture& b) {
        double sum = 0.0;
        int count = 0;
        for (int y = 0; y < floor.height; ++y) {
            for (int x = 0; x < floor.width; ++x) {
                const int edge = std::min({x, y, floor.width - 1 - x, floor.height - 1 - y});
                if (edge < 5 || edge > 9)
                    continue;
                const uint32_t ground = over(floor.at(x, y), 0xFFF1E3C0u);
                sum += distance(a.width ? over(a.at(x, y), ground) : ground, over(b.at(x, y), ground));
                ++count;
            }
        }
        return count ? sum / count : 0.0;
    };
    for (int set = 0; set < 5; ++set) {
        const LayoutPicture floor = picture(set, "hintergrund"), one = picture(set, "ziel1"),
                            two = picture(set, "ziel2");
        ASSERT_TRUE(floor.width == 64 && one.width == 64 && two.width == 64) << set;
        EXPECT_GT(rimDistance(floor, LayoutPicture{}, one), 60.0) << "one layer, set " << set;
        EXPECT_GT(rimDistance(floor, one, two), 40.0) << "two layers, set " << set;
    }
}

// The points of a cleared stone are drawn with the board: where the board is, they show; risen
// past its edge they are masked like the stones, never drawn over what lies around the board.
TEST_F(LevelDataTest, ScorePopUpsShowOnlyWhereTheBoardIs)
{
    ASSERT_TRUE(load(0));
    board->start();
    // The game's fonts, as the game loads them.
    Ulvo::D3DXFontInterface* fonts = Ulvo::D3DXFontInterface::getInstance();
    GameTesting::inRuntimeFolder([fonts] {
        Ulvo::XMLNode document;
        ASSERT_TRUE(Ulvo::XMLNode::load(&document, L"data\\font.fnt", 0));
        fonts->loadFonts(&document);
        fonts->createAllFonts();
    });
    const TestSupport::Image plain = drawBoard(true);
    D3DXVECTOR2 offset(0.0f, 0.0f);
    double scale = 1.0;
    board->fitView(offset, scale, 0, 0, 320, 240, 0.5);
    const double* bounds = board->getBounds();
    const LONG top = static_cast<LONG>((bounds[1] + offset.y) * scale);
    const LONG left = static_cast<LONG>((bounds[0] + offset.x) * scale);
    const LONG right = static_cast<LONG>((bounds[2] + 100.0 + offset.x) * scale);
    ASSERT_GT(top, 20) << "room above the board";

    // One on the board's top row, one risen a cell and a half above it.
    const D3DXVECTOR2 onBoard(static_cast<float>(bounds[0]), static_cast<float>(bounds[1]));
    const D3DXVECTOR2 above = onBoard - D3DXVECTOR2(-200.0f, 150.0f);
    board->addPopup(new PunkteAnzeige(0.5, 88, onBoard, 0xFFFFFFFF, &onBoard));
    board->addPopup(new PunkteAnzeige(0.5, 88, above, 0xFFFFFFFF, &above));
    const TestSupport::Image shown = drawBoard(true);
    int onTheBoard = 0, beside = 0;
    for (UINT y = 0; y < shown.height; ++y) {
        for (UINT x = 0; x < shown.width; ++x) {
            if (TestSupport::near(shown.at(x, y), plain.at(x, y), 2))
                continue;
            const bool inside =
                static_cast<LONG>(y) >= top && static_cast<LONG>(x) >= left && static_cast<LONG>(x) < right;
            (inside ? onTheBoard : beside) += 1;
        }
    }
    EXPECT_GT(onTheBoard, 20) << "the points over the board show";
    EXPECT_EQ(beside, 0) << "points past the board's edge are drawn over what lies around it";
    expectInsideDrawnBound(shown);
    fonts->releaseEverything();
}

namespace {

// The cells a swap of a and b would clear: the runs of three or more through either cell once
// their stones have changed places.
void markSwapRuns(const Spielfeld& board, const Feld* a, const Feld* b, std::vector<char>& covered)
{
    const std::vector<Feld>& cells = board.getFelder();
    const auto indexOf = [&](const Feld* f) { return static_cast<int>(f - cells.data()); };
    int width = 0, height = 0;
    board.getSize(width, height);
    const auto typeAt = [&](int x, int y) {
        const Feld* f = board.getFeld(x, y);
        if (!f || !f->has(FeldFlag::Spielbar) || !f->getStone())
            return -1;
        if (f == a)
            return b->getStone()->getTypId();
        if (f == b)
            return a->getStone()->getTypId();
        return f->getStone()->getTypId();
    };
    for (const Feld* end : {a, b}) {
        const int x = indexOf(end) % width, y = indexOf(end) / width;
        const int type = typeAt(x, y);
        for (const auto& step : {std::pair{1, 0}, std::pair{0, 1}}) {
            int lo = 0, hi = 0;
            while (typeAt(x - (lo + 1) * step.first, y - (lo + 1) * step.second) == type)
                ++lo;
            while (typeAt(x + (hi + 1) * step.first, y + (hi + 1) * step.second) == type)
                ++hi;
            if (lo + hi + 1 < 3)
                continue;
            for (int k = -lo; k <= hi; ++k)
                covered[static_cast<std::size_t>((y + k * step.second) * width + x + k * step.first)] = 1;
        }
    }
}

} // namespace

// A player aims at the marked cells: each must be one swap away from a run through it often
// enough in fresh deals with every stone the town unlocks by then (a locked cell counts when the
// run passes it), or a level stalls on its last target: one deal in four, and three in ten for
// a doubly marked cell, which takes two runs.
TEST_F(LevelDataTest, EveryTargetOfTheFirstLevelsIsOftenOneSwapFromARun)
{
    globals->setUseZorn(true);
    RohstoffManager& stones = globals->getRohstoffManager();
    stones.findKlasse(L"BAUSTOFF")->findRohstoff(L"EISEN")->unlock();
    stones.findKlasse(L"NAHRUNG")->findRohstoff(L"WOLLE")->unlock();
    constexpr int kDeals = 200;
    for (int n = 0; n < 8; ++n) {
        std::vector<int> hits;
        for (int deal = 0; deal < kDeals; ++deal) {
            crt_srand(static_cast<unsigned>(1000 + deal));
            ASSERT_TRUE(load(n));
            board->possibleMoves();
            std::vector<char> covered(board->getFelder().size(), 0);
            for (const auto& [a, b] : board->getPossibleMoves())
                markSwapRuns(*board, a, b, covered);
            hits.resize(covered.size(), 0);
            for (std::size_t i = 0; i < covered.size(); ++i)
                hits[i] += covered[i];
        }
        const std::vector<Feld>& cells = board->getFelder();
        int width = 0, height = 0;
        board->getSize(width, height);
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (cells[i].has(FeldFlag::kZiel)) {
                EXPECT_GE(hits[i] * (cells[i].has(FeldFlag::Ziel2) ? 10 : 12), 3 * kDeals)
                    << "level " << n << " cell " << i % width << "," << i / width << ": " << hits[i] << " of "
                    << kDeals;
            }
        }
    }
}
