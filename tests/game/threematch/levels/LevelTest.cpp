// Building levels: texels into cells, the stone set, the saved running level written and
// resumed (also from broken saves), and free play from stamps (also without usable stamps, and
// from the game's own, which fill the board's frame).
#include "BoardTestSupport.h"
#include "support/GoldenImage.h"
#include "support/TestSupport.h"

#include "threematch/board/SpielfeldProfileWorld.h"
#include "threematch/globals/DataReads.h"
#include "threematch/profiles/Profil.h"
#include "threematch/stones/RohstoffManager.h"

#include <algorithm>
#include <cstdio>
#include <set>

using namespace ThreeMatch;
using BoardTesting::Rows;

namespace {

class LevelTest : public BoardTesting::BoardTest {
protected:
    Rohstoff* stone(const wchar_t* klasse, const wchar_t* name) const
    {
        return globals->getRohstoffManager().findKlasse(klasse)->findRohstoff(name);
    }
    std::vector<std::wstring> levelStoneNames() const
    {
        std::vector<std::wstring> names;
        for (const Rohstoff* type : board->getLevelStones())
            names.push_back(type->getName());
        return names;
    }
    void setup(const std::wstring& set, bool useBoese = false)
    {
        board->setupStones(GameTesting::parse(set), useBoese, nullptr);
    }
    // Fifteen stamps of five cells square: a spawn row over stones with a target in the middle.
    void addStamps()
    {
        for (int i = 0; i < 15; ++i)
            pictures.textures[L"FREEPLAY_" + std::to_wstring(i)] =
                BoardTesting::picture({"SSSSS", "ooooo", "ootoo", "ooToo", "ooooo"});
    }
};

} // namespace

TEST_F(LevelTest, TexelsMakeHolesWallsTargetsLocksAndSpawns)
{
    EXPECT_EQ(storyCell(0x00FFFFFF).flags, 0u) << "alpha 0 is a hole whatever its colour";
    const LayoutCell wall = storyCell(0xFFC8C800);
    EXPECT_EQ(wall.flags, uint32_t{FeldFlag::Wand});
    EXPECT_FALSE(wall.stone) << "a wall takes no stone, green or not";
    EXPECT_EQ(storyCell(0xFF000000).flags, FeldFlag::Spielbar | FeldFlag::Leer);
    const LayoutCell spawn = storyCell(0xFF41C841);
    EXPECT_TRUE(spawn.stone);
    EXPECT_EQ(spawn.flags, FeldFlag::Spielbar | FeldFlag::Leer | FeldFlag::Quelle | FeldFlag::Ziel1 | FeldFlag::Locked);
    EXPECT_EQ(storyCell(0xFF000081).flags & FeldFlag::kZiel, uint32_t{FeldFlag::kZiel});
    EXPECT_EQ(storyCell(0xFF000040).flags & FeldFlag::kZiel, 0u);
    EXPECT_EQ(stampCell(0xFFC86400).flags, 0u) << "in free play a bright red texel leaves a hole";
    EXPECT_TRUE(stampCell(0xFF416400).flags & FeldFlag::Locked);
}

TEST_F(LevelTest, LevelIsBuiltFromItsPictureWithTheSampleKeptInsideIt)
{
    pictures.files[L"small.png"] = BoardTesting::picture({"oe#S", ".tLo"});
    addLevelText(LR"(<THREEMATCHLEVEL_0 SIZE="4 2" TIME="40" HG_TYP="3" FILE="small.png 400 400"/>)"
                 LR"(<THREEMATCHLEVEL_1 SIZE="8 4" FILE="small.png 4 2"/>)"
                 LR"(<THREEMATCHLEVEL_2 SIZE="500 -3" FILE="small.png"/>)");
    globals->setSchwierigkeit(2);
    ASSERT_TRUE(board->loadLevel(0));
    EXPECT_EQ(board->getState(), Spielfeld::Geladen);
    EXPECT_DOUBLE_EQ(board->getTimeLimit(), 40.0);
    EXPECT_EQ(board->getFieldSet(), 3);
    EXPECT_EQ(cell(0, 1)->getFlags(), 0u);
    EXPECT_EQ(cell(2, 0)->getFlags(), uint32_t{FeldFlag::Wand});
    EXPECT_EQ(cell(2, 0)->getStone(), nullptr);
    EXPECT_TRUE(cell(1, 0)->has(FeldFlag::Leer)) << "a playable cell without green stays empty";
    EXPECT_TRUE(cell(3, 0)->has(FeldFlag::Quelle));
    EXPECT_TRUE(cell(2, 1)->has(FeldFlag::Locked));
    EXPECT_NE(cell(2, 1)->getStone(), nullptr);
    EXPECT_EQ(board->getSpawnCells().size(), 1u) << "a spawn texel: no default spawn row";
    const double* bounds = board->getBounds();
    EXPECT_DOUBLE_EQ(bounds[0], 0.0);
    EXPECT_DOUBLE_EQ(bounds[3], 200.0);

    // Each texel spreads over two by two cells.
    ASSERT_TRUE(board->loadLevel(1));
    EXPECT_EQ(cell(5, 1)->getFlags(), uint32_t{FeldFlag::Wand});
    EXPECT_EQ(cell(1, 3)->getFlags(), 0u);

    // Only playable cells carry a run: neither the board's edge nor a wall counts.
    addLevel(3, {"SoSoS", "t#t#t", "....o"});
    ASSERT_TRUE(board->loadLevel(3));
    EXPECT_FALSE(cell(0, 1)->has(FeldFlag::kZiel)) << "beside the edge";
    EXPECT_FALSE(cell(2, 1)->has(FeldFlag::kZiel)) << "between walls";
    EXPECT_TRUE(cell(4, 1)->has(FeldFlag::kZiel)) << "in a column of three";

    EXPECT_FALSE(board->loadLevel(2)) << "no usable size: no cells";
    EXPECT_FALSE(board->loadLevel(9)) << "no such level";
    EXPECT_EQ(board->getState(), Spielfeld::Geladen);
    board->start();
    board->advance(0.1, 0.1);
    EXPECT_EQ(board->getState(), Spielfeld::Geladen);
}

TEST_F(LevelTest, StoneSetTakesMinimumsThenTheNewStoneThenTheReserve)
{
    setup(LR"(<S ANZ_VERSCHIEDENES="4">
        <KLASSE NAME="ERDE" MIN_ANZ="2" MAX_ANZ="3" TYPEN="LEHM SAND KIES"/>
        <KLASSE NAME="WASSER" MIN_ANZ="2" MAX_ANZ="2" TYPEN="REGEN NEBEL"/></S>)");
    EXPECT_EQ(levelStoneNames(), (std::vector<std::wstring>{L"LEHM", L"SAND", L"REGEN", L"NEBEL"}));

    stone(L"ERDE", L"KIES")->unlock(); // new: taken first, and no longer new
    setup(LR"(<S><KLASSE NAME="ERDE" MIN_ANZ="2" MAX_ANZ="1" TYPEN="LEHM SAND KIES"/></S>)");
    EXPECT_EQ(levelStoneNames(), (std::vector<std::wstring>{L"KIES", L"LEHM"}));
    EXPECT_FALSE(stone(L"ERDE", L"KIES")->isNew());

    stone(L"ERDE", L"SAND")->unlock();
    setup(LR"(<S><KLASSE NAME="ERDE" MIN_ANZ="1" MAX_ANZ="0" TYPEN="LEHM SAND"/>
        <KLASSE NAME="BOESE" MIN_ANZ="1" TYPEN="BOESE"/><KLASSE NAME="WUT" MIN_ANZ="1" TYPEN="WUT"/>
        <KLASSE NAME="NIEMAND" MIN_ANZ="1" TYPEN="X"/></S>)");
    EXPECT_EQ(levelStoneNames(), (std::vector<std::wstring>{L"LEHM", L"WUT"}))
        << "no new stone and no reserve at MAX_ANZ 0, no evil stone unless asked";
    globals->setUseZorn(false);
    setup(LR"(<S><KLASSE NAME="WUT" MIN_ANZ="1" TYPEN="WUT"/><KLASSE NAME="BOESE" MIN_ANZ="1" TYPEN="BOESE"/></S>)",
          true);
    EXPECT_EQ(levelStoneNames(), (std::vector<std::wstring>{L"BOESE"})) << "no wrath stone while wrath is off";

    setup(LR"(<S><KLASSE NAME="ERDE" MIN_ANZ="3" PROBABILITY="0.5" TYPEN="LEHM KIES TON"/></S>)");
    ASSERT_EQ(board->getProbabilities().size(), 3u);
    EXPECT_TRUE(std::is_sorted(board->getProbabilities().begin(), board->getProbabilities().end()));
    EXPECT_EQ(board->getProbabilities().back(), 1.0);
    setup(LR"(<S><KLASSE NAME="ERDE" MIN_ANZ="4" PROBABILITY="-5" TYPEN="LEHM SAND KIES TON"/></S>)");
    EXPECT_EQ(board->getProbabilities(), (std::vector<double>{0.25, 0.5, 0.75, 1.0})) << "weights of 0: alike";
}

TEST_F(LevelTest, ALevelWithoutItsPictureOrWithoutTimeIsRefused)
{
    // Without its picture it would have no targets and count as won at once; with no time it
    // would cost a life at once.
    addLevel(0, {"SS", "tt"});
    pictures.files.clear();
    EXPECT_FALSE(board->loadLevel(0));
    EXPECT_TRUE(board->getFelder().empty());
    addLevel(1, {"SS", "tt"}, L"TIME=\"0\"");
    EXPECT_FALSE(board->loadLevel(1));
    EXPECT_TRUE(board->getFelder().empty());
    addLevel(2, {"SS", "tt"}, L"TIME=\"60\"");
    EXPECT_TRUE(board->loadLevel(2));
}

TEST_F(LevelTest, ALevelWithoutStoneTypesIsRefusedAndDrawsNothing)
{
    addLevel(0, {"SS", "oo"}, L"", LR"(<ROHSTOFFE><KLASSE NAME="NIEMAND" MIN_ANZ="2" TYPEN="X Y"/></ROHSTOFFE>)");
    EXPECT_FALSE(board->loadLevel(0));
    EXPECT_TRUE(board->getFelder().empty());
    board->start();
    EXPECT_EQ(board->getState(), Spielfeld::Geladen);
    EXPECT_EQ(board->randomStone(), nullptr);
    EXPECT_EQ(board->getStoneByIndex(3), nullptr);
    board->advance(0.1, 0.1);

    // Every type of a locked cell's draws is wrath: the redraws end, the stone stays.
    addLevel(1, {"SS", "LL"}, L"", LR"(<ROHSTOFFE><KLASSE NAME="WUT" MIN_ANZ="1" TYPEN="WUT"/></ROHSTOFFE>)");
    ASSERT_TRUE(board->loadLevel(1));
    EXPECT_EQ(emptyPlayableCells(), 0);
}

TEST_F(LevelTest, SavedLevelResumesTheBoardExactly)
{
    addLevel(0, {"SSSSSS", "oooooo", "otLTeo", "o.#eKo", "ooStoo", "oooooo"}, L"TIME=\"80\"");
    ASSERT_TRUE(board->loadLevel(0));
    board->start();
    board->possibleMoves();
    ASSERT_FALSE(board->getPossibleMoves().empty());
    const auto move = board->getPossibleMoves().front();
    board->trySwap(move.first, move.second);
    settle();
    ASSERT_FALSE(board->isBusy());
    std::vector<int> points;
    for (const Rohstoffklasse* klasse : globals->getRohstoffManager().getKlassen())
        points.push_back(klasse->getLevelPunkte());
    ASSERT_GT(*std::max_element(points.begin(), points.end()), 0) << "the swap won points";

    SpielfeldProfileWorld world(*board);
    globals->setProfileWorld(&world);
    EXPECT_TRUE(world.hasStoryLevel());
    Ulvo::XMLNode profileNode(L"PROFIL");
    Profil profile(L"Tester");
    profile.setNode(&profileNode);
    profile.writeToNode(globals.get());
    const Ulvo::XMLNode* saved = profileNode.getNode(L"ACTIVE_LEVEL");
    ASSERT_NE(saved, nullptr);
    // Through the file's text, as the profile file keeps it.
    const Ulvo::XMLNode reread = GameTesting::parse(saved->toText());
    const Ulvo::XMLNode* besetzt = reread.getNode(L"FELDER_BESETZT");
    ASSERT_NE(besetzt, nullptr);
    EXPECT_EQ(besetzt->getPropertyCount(), reread.getNode(L"ROHSTOFFE_BESETZT")->getPropertyCount());

    Spielfeld resumed(globals->getRohstoffManager(), *globals);
    resumed.setPictureSource(&pictures);
    resumed.setLevelDocument(&levels);
    SpielfeldProfileWorld resumedWorld(resumed);
    globals->setProfileWorld(&resumedWorld);
    profileNode.clear();
    profileNode.setName(L"PROFIL");
    profileNode.addNode(new Ulvo::XMLNode(reread));
    EXPECT_TRUE(profile.restoreLevel(globals.get()));
    globals->setProfileWorld(nullptr);

    ASSERT_EQ(resumed.getFelder().size(), board->getFelder().size());
    for (std::size_t i = 0; i < board->getFelder().size(); ++i) {
        const Feld& was = board->getFelder()[i];
        const Feld& is = resumed.getFelder()[i];
        EXPECT_EQ(is.getFlags(), was.getFlags()) << "cell " << i;
        EXPECT_EQ(is.getStone() ? is.getStone()->getTypId() : 0, was.getStone() ? was.getStone()->getTypId() : 0)
            << "cell " << i;
    }
    EXPECT_NEAR(resumed.getTimeLeft(), board->getTimeLeft(), 1e-3) << "as precise as the file writes it";
    EXPECT_DOUBLE_EQ(resumed.getTimeLimit(), board->getTimeLimit());
    EXPECT_NEAR(resumed.getPlayedTime(), board->getPlayedTime(), 1e-3);
    const auto types = [](const Spielfeld& b) {
        return std::set<Rohstoff*>(b.getLevelStones().begin(), b.getLevelStones().end());
    };
    EXPECT_EQ(types(resumed), types(*board));
    // In their order too: the wrath stages pick among types of equal value by it.
    EXPECT_EQ(resumed.getLevelStones(), board->getLevelStones());
    for (std::size_t i = 0; i < points.size(); ++i)
        EXPECT_EQ(globals->getRohstoffManager().getKlasse(static_cast<int>(i))->getLevelPunkte(), points[i]);
}

TEST_F(LevelTest, BrokenSavesResumeWithWhatCanBeUsed)
{
    addLevel(0, {"SSS", "ooo", "ooo"});
    Ulvo::XMLNode saved = savedLevel(0, {"abc", "cab", "bca"});
    // Unequal lists, indices outside the grid and a type the level does not have.
    for (const wchar_t* key : {L"FELDER_BESETZT", L"ROHSTOFFE_BESETZT", L"FELDER_FREI"})
        saved.removeNode(saved.getNode(key));
    appendValues(saved, L"FELDER_BESETZT", std::vector<int>{0, 1, -5, 99999, 4, 5, 6});
    appendValues(saved, L"ROHSTOFFE_BESETZT", std::vector<int>{2, 77, 3, 3, 4});
    ASSERT_TRUE(board->restoreLevel(saved));
    EXPECT_EQ(stoneAt(0, 0), 'b');
    EXPECT_NE(stoneAt(1, 0), '.') << "an unknown type draws a random stone";
    EXPECT_EQ(stoneAt(1, 1), 'd');
    EXPECT_EQ(emptyPlayableCells(), 0);
}

TEST_F(LevelTest, FreePlayStampsABoardWithTargetsFedBySpawns)
{
    addStamps();
    for (unsigned seed : {0u, 3u, 99u}) {
        crt_srand(seed);
        board->startFreePlay();
        int width = 0, height = 0;
        board->getSize(width, height);
        // Without a first level the stamps fall into 8 x 8 cells inside a ring of holes.
        EXPECT_EQ(width, 10);
        EXPECT_EQ(height, 10);
        EXPECT_TRUE(board->isFreePlay());
        EXPECT_EQ(board->getLevelNumber(), -1);
        EXPECT_DOUBLE_EQ(board->getTimeLimit(), 3600.0);
        EXPECT_EQ(board->getState(), Spielfeld::Geladen);
        EXPECT_GT(board->checkTargets(false), 0);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                EXPECT_TRUE(cell(x, y)->getFlags() == 0 || board->isFed(x, y)) << x << "," << y << " seed " << seed;
            }
        }
        EXPECT_EQ(emptyPlayableCells(), 0);
        board->findMatches();
        EXPECT_TRUE(board->getGroups().empty());
    }
}

TEST_F(LevelTest, FreePlayEndsWithoutStampsWithStampsTooLargeAndWithoutTargets)
{
    board->startFreePlay(); // no stamp pictures at all: one rectangle
    EXPECT_GT(board->getFelder().size(), 0u);
    EXPECT_GT(board->checkTargets(false), 0);
    EXPECT_EQ(emptyPlayableCells(), 0);

    pictures.textures[L"FREEPLAY_7"] = BoardTesting::picture(Rows(40, std::string(40, 't')));
    board->startFreePlay(); // only a stamp larger than the board: what lies outside is lost
    EXPECT_GT(board->checkTargets(false), 0);

    pictures.textures[L"FREEPLAY_7"] = BoardTesting::picture({"So", "oo"});
    board->startFreePlay(); // stamps without targets: a bounded number of further stamps
    EXPECT_EQ(board->checkTargets(false), 0);
    EXPECT_EQ(board->getState(), Spielfeld::Geladen);
}

// The game's own stamps make free boards whose stones cover much of the frame they are fitted
// into (the in-game picture at 1280 x 1024), not a few islands in an empty one.
TEST_F(LevelTest, FreePlayFromTheGamesStampsFillsItsFrame)
{
    for (int i = 0; i < 15; ++i) {
        TestSupport::Image stamp;
        ASSERT_TRUE(TestSupport::readPng(
            (TestSupport::runtimeDir() / "data/Level" / ("freeplay_" + std::to_string(i) + ".png")).string(), stamp));
        LayoutPicture& picture = pictures.textures[L"FREEPLAY_" + std::to_wstring(i)];
        picture = LayoutPicture{static_cast<int>(stamp.width), static_cast<int>(stamp.height), {}};
        picture.texels.assign(stamp.pixels.begin(), stamp.pixels.end());
    }
    constexpr int kFrameWidth = 945, kFrameHeight = 757;
    double covered = 0.0;
    constexpr int kBoards = 8;
    for (unsigned seed = 0; seed < kBoards; ++seed) {
        crt_srand(seed);
        board->startFreePlay();
        D3DXVECTOR2 offset(0.0f, 0.0f);
        double scale = 0.0;
        board->fitView(offset, scale, 0, 0, kFrameWidth, kFrameHeight, 1.0);
        const double cellArea = 100.0 * scale * 100.0 * scale;
        int cells = 0;
        for (const Feld& cell : board->getFelder())
            cells += cell.has(FeldFlag::Spielbar) ? 1 : 0;
        covered += cells * cellArea / (kFrameWidth * kFrameHeight);
    }
    EXPECT_GE(covered / kBoards, 0.42) << "of the frame covered by the board's cells";
}

// Every free board, not only most, is drawn with stones at least as large as the first story
// level's and covers its frame as such a level does.
TEST_F(LevelTest, EveryFreeBoardFillsItsFrameWithStonesAsLargeAsTheFirstLevels)
{
    for (int i = 0; i < 15; ++i) {
        TestSupport::Image stamp;
        ASSERT_TRUE(TestSupport::readPng(
            (TestSupport::runtimeDir() / "data/Level" / ("freeplay_" + std::to_string(i) + ".png")).string(), stamp));
        LayoutPicture& picture = pictures.textures[L"FREEPLAY_" + std::to_wstring(i)];
        picture = LayoutPicture{static_cast<int>(stamp.width), static_cast<int>(stamp.height), {}};
        picture.texels.assign(stamp.pixels.begin(), stamp.pixels.end());
    }
    // The runtime's level file is UTF-16: its ASCII keys read once the zero bytes are gone.
    std::string levelFile = TestSupport::readText(TestSupport::runtimeDir() / "data/Level/Levels.lvl");
    levelFile.erase(std::remove(levelFile.begin(), levelFile.end(), '\0'), levelFile.end());
    const std::string key = "<THREEMATCHLEVEL_0 SIZE=\"";
    const std::size_t at = levelFile.find(key);
    ASSERT_NE(at, std::string::npos);
    int firstWidth = 0, firstHeight = 0;
    ASSERT_EQ(std::sscanf(levelFile.c_str() + at + key.size(), "%d %d", &firstWidth, &firstHeight), 2);
    addLevelText(L"<THREEMATCHLEVEL_0 SIZE=\"" + std::to_wstring(firstWidth) + L" " + std::to_wstring(firstHeight) +
                 L"\"/>");
    constexpr int kFrameWidth = 945, kFrameHeight = 757;
    // The first level at its largest: every cell of its grid playable, one cell of margin.
    const double firstScale =
        std::min(kFrameWidth / (100.0 * (firstWidth + 2)), kFrameHeight / (100.0 * (firstHeight + 2)));
    for (unsigned seed = 0; seed < 300; ++seed) {
        crt_srand(seed);
        board->startFreePlay();
        D3DXVECTOR2 offset(0.0f, 0.0f);
        double scale = 0.0;
        board->fitView(offset, scale, 0, 0, kFrameWidth, kFrameHeight, 1.0);
        ASSERT_GE(scale, firstScale - 1e-9) << "seed " << seed;
        int cells = 0;
        for (const Feld& cell : board->getFelder())
            cells += cell.has(FeldFlag::Spielbar) ? 1 : 0;
        // At least three quarters of what the first level covers with every cell of its grid.
        const double covered = cells * scale * scale;
        ASSERT_GE(covered, 0.75 * firstWidth * firstHeight * firstScale * firstScale) << "seed " << seed;
    }
}

TEST_F(LevelTest, RandomStonesStayInsideTheTypesWhenATypeIsRemovedOrReplaced)
{
    addLevel(0, {"SSSS", "oooo", "oooo"});
    ASSERT_TRUE(board->loadLevel(0));
    Rohstoff* ton = stone(L"ERDE", L"TON");
    Rohstoff* lehm = stone(L"ERDE", L"LEHM");
    Rohstoff* regen = stone(L"WASSER", L"REGEN");
    board->replaceStoneType(ton, nullptr, 0.0);
    EXPECT_EQ(board->getLevelStones().size(), 4u);
    for (int i = 0; i < 2000; ++i) {
        std::unique_ptr<Bildchen> drawn(board->randomStone());
        ASSERT_NE(drawn, nullptr);
        EXPECT_NE(drawn->getRohstoff(), ton);
    }
    board->replaceStoneType(lehm, regen, 2.0);
    for (const Bildchen* stone : board->getStones())
        EXPECT_NE(stone->getRohstoff(), lehm);
    EXPECT_EQ(std::count(board->getLevelStones().begin(), board->getLevelStones().end(), regen), 2);
    // A type that stands twice still saves one id per stone, so the two lists stay parallel.
    Ulvo::XMLNode saved(L"ACTIVE_LEVEL");
    board->saveState(saved);
    EXPECT_EQ(saved.getNode(L"FELDER_BESETZT")->getPropertyCount(), 12u);
    EXPECT_EQ(saved.getNode(L"ROHSTOFFE_BESETZT")->getPropertyCount(), 12u);
}
