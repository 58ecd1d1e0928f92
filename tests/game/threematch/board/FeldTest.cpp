// Cells on their own and in a small board: the flag word kept by the stone pointer, the end of
// an explosion on locked, target and evil cells, the run questions of a swap, and the frame
// corners of holes.
#include "BoardTestSupport.h"

using namespace ThreeMatch;

namespace {

class FeldTest : public BoardTesting::BoardTest {};

} // namespace

TEST_F(FeldTest, StonePointerKeepsLeerOnPlayableCellsOnly)
{
    Feld hole;
    Bildchen stone(type('a'));
    hole.setStone(&stone);
    hole.setStone(nullptr);
    EXPECT_EQ(hole.getFlags(), 0u);
    EXPECT_EQ(hole.getNeighbour(Feld::Oben), nullptr) << "not linked into a board";
    EXPECT_FALSE(hole.isNeighbour(&hole));

    Feld playable(D3DXVECTOR2(100.0f, 200.0f), FeldFlag::Spielbar | FeldFlag::Leer);
    playable.setStone(&stone);
    EXPECT_FALSE(playable.has(FeldFlag::Leer));
    stone.setPosition(D3DXVECTOR2(100.05f, 200.05f));
    EXPECT_TRUE(playable.isStoneSettled());
    stone.setPosition(D3DXVECTOR2(100.0f, 200.2f));
    EXPECT_FALSE(playable.isStoneSettled());
    playable.setStone(nullptr);
    EXPECT_TRUE(playable.has(FeldFlag::Leer));
}

TEST_F(FeldTest, ExplosionEndsLockFirstThenTheDarkLayerAndEvilStonesAddLayers)
{
    Feld cell(D3DXVECTOR2(0.0f, 0.0f), FeldFlag::Spielbar | FeldFlag::Locked | FeldFlag::Ziel1 | FeldFlag::Ziel2);
    cell.startExplosion(0.5, L"spreng_blob");
    cell.startExplosion(2.0, L"other");
    EXPECT_DOUBLE_EQ(cell.getExplosionTime(), 0.5) << "the first timer stays";
    cell.update(0.0, 0.3);
    EXPECT_FALSE(cell.isExplosionDone());
    cell.update(0.0, 0.3);
    ASSERT_TRUE(cell.isExplosionDone());
    cell.finishExplosion();
    EXPECT_EQ(cell.getFlags(), FeldFlag::Spielbar | FeldFlag::Ziel1 | FeldFlag::Ziel2) << "only the lock went";
    cell.startExplosion(0.0, L"");
    cell.finishExplosion();
    EXPECT_EQ(cell.getFlags(), FeldFlag::Spielbar | FeldFlag::Ziel1);
    cell.startExplosion(0.0, L"");
    cell.finishExplosion();
    EXPECT_EQ(cell.getFlags(), FeldFlag::Spielbar);

    // A burst evil stone leaves a layer behind, on a locked cell as well.
    for (uint32_t start : {0u, uint32_t{FeldFlag::Locked}, uint32_t{FeldFlag::Ziel1}}) {
        Feld evil(D3DXVECTOR2(0.0f, 0.0f), FeldFlag::Spielbar | start);
        evil.setAddTarget(true);
        evil.startExplosion(0.0, L"");
        evil.finishExplosion();
        EXPECT_TRUE(evil.has(start == FeldFlag::Ziel1 ? FeldFlag::Ziel2 : FeldFlag::Ziel1)) << start;
        EXPECT_FALSE(evil.has(FeldFlag::Locked));
        EXPECT_FALSE(evil.getAddTarget());
    }
}

TEST_F(FeldTest, WouldMatchAndCollectRunFollowLikeStonesAcrossTheSwap)
{
    addLevel(0, {"ooooo", "ooooo", "ooooo", "ooooo"});
    // An 'a' placed at (2, 1) lies between two a's in its row and at the end of two in its column.
    ASSERT_TRUE(restore(0, {"bcdbe", "dabae", "ecadb", "bdaec"}));
    const int a = type('a')->getId();
    EXPECT_TRUE(cell(2, 1)->wouldMatch(a, 3, Feld::Unten)) << "between two";
    EXPECT_TRUE(cell(2, 1)->wouldMatch(a, 3, Feld::Links)) << "at the end of two";
    EXPECT_FALSE(cell(4, 0)->wouldMatch(a, 3, Feld::None));
    cell(3, 1)->markSwapped(1.0);
    EXPECT_FALSE(cell(2, 1)->wouldMatch(a, 3, Feld::Unten)) << "a cell in a swap breaks the line";

    cell(2, 1)->collectRun(a, Feld::None, 0.2, true);
    for (auto [x, y] : {std::pair{2, 1}, {1, 1}, {2, 2}, {2, 3}}) {
        EXPECT_TRUE(cell(x, y)->has(FeldFlag::Tausch)) << x << "," << y;
        EXPECT_TRUE(cell(x, y)->getAddTarget()) << x << "," << y;
    }
    EXPECT_FALSE(cell(0, 1)->has(FeldFlag::Tausch)) << "the walker stops at the first other stone";
    EXPECT_FALSE(cell(2, 0)->getAddTarget());
    EXPECT_DOUBLE_EQ(cell(3, 1)->getSwapTime(), 1.0) << "a running lock keeps its time";
}

TEST_F(FeldTest, HolesBesidePlayableCellsGetTheirCornerCaps)
{
    addLevel(0, {"...", ".oo", ".oo"});
    ASSERT_TRUE(restore(0, {"...", ".ab", ".cd"}));
    EXPECT_TRUE(cell(0, 0)->hasOuterCorner(3)) << "bottom-right: the diagonal cell plays";
    EXPECT_FALSE(cell(0, 0)->hasInnerCorner(3));
    EXPECT_FALSE(cell(1, 1)->hasOuterCorner(0)) << "a playable cell has no caps";
    addLevel(1, {"o.", "oo"});
    ASSERT_TRUE(restore(1, {"a.", "bc"}));
    EXPECT_TRUE(cell(1, 0)->hasInnerCorner(2)) << "bottom-left: below and left both play";
}
