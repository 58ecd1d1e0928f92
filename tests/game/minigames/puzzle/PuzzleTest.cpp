// The jigsaw puzzle: a scripted player drags every piece of the village onto its outline with
// the mouse and the score is the time left over the limit; a piece dropped on the wrong outline
// or too far off stays loose; a solution after the time ran out scores 0; input after the
// solution changes nothing; the alpha test picks a piece by its shape; broken definitions.
#include "KindTestSupport.h"

#include "gui/widgets/GUIProgressBar.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/frame/Playfield.h"
#include "minigames/puzzle/Puzzle.h"

#include <algorithm>

using namespace ThreeMatch;
using KindTesting::KindTest;

namespace {

class PuzzleTest : public KindTest {
protected:
    static D3DXVECTOR2 centre(const Puzzle::Teil& teil)
    {
        const Ulvo::FloatRect r = teil.screenRect();
        return D3DXVECTOR2((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    static Puzzle::Teil* target(Puzzle& puzzle, const Puzzle::Teil& teil)
    {
        for (Puzzle::Teil* ziel : puzzle.getZiele()) {
            if (ziel->id == teil.id)
                return ziel;
        }
        return nullptr;
    }
    // The open piece the player would pick at the point: the topmost that its shape covers.
    static const Puzzle::Teil* pickedAt(Puzzle& puzzle, const D3DXVECTOR2& point)
    {
        const std::vector<Puzzle::Teil*>& teile = puzzle.getTeile();
        for (auto it = teile.rbegin(); it != teile.rend(); ++it) {
            if ((*it)->open && (*it)->hits(point, true))
                return *it;
        }
        return nullptr;
    }
};

TEST_F(PuzzleTest, AScriptedPlayerPutsTheVillageTogetherAndScoresTheTimeLeft)
{
    loadGames();
    Puzzle* puzzle = find<Puzzle>(L"PUZZLE_DORF");
    ASSERT_NE(puzzle, nullptr);
    ASSERT_EQ(puzzle->getZiele().size(), 12u);
    ASSERT_EQ(puzzle->getTeile().size(), 13u) << "twelve pieces and a decoy";
    play(*puzzle);
    ASSERT_NE(puzzle->getSpielfeld(), nullptr);
    const Ulvo::FloatRect& field = puzzle->getSpielfeld()->getScreenRect();
    EXPECT_NEAR((field.right - field.left) / (field.bottom - field.top), 384.0f / 288.0f, 0.01f);
    for (const Puzzle::Teil* teil : puzzle->getTeile())
        EXPECT_GE(teil->position.value.x, 1.0f) << "pieces start beside the picture";
    EXPECT_TRUE(matchesGolden(picture(), "puzzle_start"));

    // A piece dropped on another piece's outline stays loose where it was dropped.
    Puzzle::Teil* first = puzzle->getTeile().back();
    Puzzle::Teil* other = nullptr;
    for (Puzzle::Teil* ziel : puzzle->getZiele())
        other = ziel->id != first->id ? ziel : other;
    drag(centre(*first), centre(*other));
    EXPECT_TRUE(first->open);
    EXPECT_NEAR(centre(*first).x, centre(*other).x, 1.0f);
    EXPECT_EQ(puzzle->getCarried(), nullptr);

    EXPECT_TRUE(MinigameSolver::solvePuzzle(*puzzle, hands()));
    ASSERT_TRUE(puzzle->isFlagSet(false));
    const double left = puzzle->getTimeLeft();
    frames(1.0);
    EXPECT_EQ(puzzle->getTimeLeft(), left) << "the clock stands once solved";
    // Input after the solution changes nothing.
    Puzzle::Teil* decoy = nullptr;
    for (Puzzle::Teil* teil : puzzle->getTeile())
        decoy = teil->open ? teil : decoy;
    ASSERT_NE(decoy, nullptr);
    const D3DXVECTOR2 before = decoy->position.value;
    drag(centre(*decoy), centre(*puzzle->getZiele().front()));
    EXPECT_EQ(decoy->position.value, before);
    EXPECT_TRUE(matchesGolden(picture(), "puzzle_solved"));
    frames(1.0);
    ASSERT_EQ(results.scores.size(), 1u);
    EXPECT_NEAR(results.scores[0], left / 180.0, 1e-6);
    EXPECT_GT(results.scores[0], 0.5f);
}

TEST_F(PuzzleTest, AFixedPieceNeedsNoMoveAndALateSolutionScoresNothing)
{
    loadGames();
    Puzzle* puzzle = find<Puzzle>(L"PUZZLE_MUEHLE");
    ASSERT_NE(puzzle, nullptr);
    ASSERT_EQ(puzzle->getZiele().size(), 8u);
    ASSERT_EQ(puzzle->getSinnlos().size(), 2u);
    play(*puzzle);
    for (int k = 0; k < 160; ++k)
        manager().update(1.0);
    EXPECT_EQ(puzzle->getTimeLeft(), 0.0);
    EXPECT_TRUE(results.scores.empty()) << "running out of time ends nothing";
    EXPECT_TRUE(MinigameSolver::solvePuzzle(*puzzle, hands()));
    int open = 0;
    for (const Puzzle::Teil* ziel : puzzle->getZiele())
        open += ziel->open ? 1 : 0;
    ASSERT_TRUE(puzzle->isFlagSet(false)) << open;
    frames(2.0);
    ASSERT_EQ(results.scores.size(), 1u);
    EXPECT_EQ(results.scores[0], 0.0f);
}

TEST_F(PuzzleTest, APieceIsPickedByItsShapeAndSnapsOnlyWithinTheDistance)
{
    loadGames();
    Puzzle* puzzle = find<Puzzle>(L"PUZZLE_DORF");
    ASSERT_NE(puzzle, nullptr);
    play(*puzzle);
    // The top left piece: its frame's top left corner is margin, outside its outline.
    Puzzle::Teil* corner = nullptr;
    for (Puzzle::Teil* teil : puzzle->getTeile())
        corner = teil->id == puzzle->getZiele().front()->id ? teil : corner;
    ASSERT_NE(corner, nullptr);
    const Ulvo::FloatRect rect = corner->screenRect();
    EXPECT_FALSE(corner->hits(D3DXVECTOR2(rect.left + 1, rect.top + 1), true));
    EXPECT_TRUE(corner->hits(D3DXVECTOR2(rect.left + 1, rect.top + 1), false));
    EXPECT_TRUE(corner->hits(centre(*corner), true));

    // Dropped over its outline but further off than MAX_DIST: it stays loose.
    Puzzle::Teil* ziel = puzzle->getZiele().front();
    const D3DXVECTOR2 off = centre(*ziel) + D3DXVECTOR2(puzzle->getMaxDist() + 4.0f, 0.0f);
    const Puzzle::Teil* top = pickedAt(*puzzle, centre(*corner));
    if (top == corner) {
        drag(centre(*corner), off);
        EXPECT_TRUE(corner->open);
        EXPECT_TRUE(ziel->open);
        // Within the distance it snaps and glides the rest of the way in one second.
        drag(off, centre(*ziel) + D3DXVECTOR2(puzzle->getMaxDist() - 6.0f, 0.0f));
        EXPECT_FALSE(corner->open);
        frames(0.5);
        EXPECT_NE(corner->position.value, ziel->position.value);
        frames(0.6);
        EXPECT_EQ(corner->position.value, ziel->position.value);
    }
}

// Every piece of both pictures starts wholly inside the game window, off the picture, the timer
// bar and the buttons, and no two pieces lie on each other by more than their knobs.
TEST_F(PuzzleTest, EveryPieceStartsOnScreenBesideTheOthers)
{
    loadGames();
    const auto area = [](const Ulvo::FloatRect& a, const Ulvo::FloatRect& b) {
        const float w = std::min(a.right, b.right) - std::max(a.left, b.left);
        const float h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
        return w > 0.0f && h > 0.0f ? w * h : 0.0f;
    };
    // A piece's picture keeps a fifth of its size on each side for the knobs.
    const auto body = [](const Ulvo::FloatRect& r) {
        const float dx = (r.right - r.left) * 0.2f, dy = (r.bottom - r.top) * 0.2f;
        return Ulvo::FloatRect(r.left + dx, r.top + dy, r.right - dx, r.bottom - dy);
    };
    for (const wchar_t* name : {L"PUZZLE_DORF", L"PUZZLE_MUEHLE"}) {
        Puzzle* puzzle = find<Puzzle>(name);
        ASSERT_NE(puzzle, nullptr);
        play(*puzzle);
        const Ulvo::FloatRect window = puzzle->getWindow()->getScreenRect();
        std::vector<Ulvo::FloatRect> kept{puzzle->getSpielfeld()->getScreenRect(),
                                          puzzle->getTimerBar()->getScreenRect()};
        for (const wchar_t* button : {L"PUZZLE_CANCEL", L"PUZZLE_HILFE"})
            kept.push_back(puzzle->getWindow()->findWindow(button)->getScreenRect());
        for (unsigned seed = 1; seed <= 12; ++seed) {
            crt_srand(seed);
            puzzle->start();
            const std::vector<Puzzle::Teil*>& teile = puzzle->getTeile();
            for (std::size_t i = 0; i < teile.size(); ++i) {
                const Ulvo::FloatRect r = teile[i]->screenRect();
                EXPECT_TRUE(r.left >= window.left && r.top >= window.top && r.right <= window.right &&
                            r.bottom <= window.bottom)
                    << name << " seed " << seed << " piece " << i << " lies partly off the window";
                for (const Ulvo::FloatRect& other : kept)
                    EXPECT_EQ(area(r, other), 0.0f) << name << " seed " << seed << " piece " << i;
                for (std::size_t j = 0; j < i; ++j) {
                    const Ulvo::FloatRect b = body(r), other = body(teile[j]->screenRect());
                    EXPECT_LT(area(b, other), 0.05f * (b.right - b.left) * (b.bottom - b.top))
                        << name << " seed " << seed << " pieces " << j << " and " << i;
                }
            }
        }
    }
}

TEST_F(PuzzleTest, ABrokenDefinitionIsLoggedAndCannotBeSolvedButNeverCrashes)
{
    loadGames(LR"(<MINISPIEL TYPE="PUZZLE" NAME="LEER" SIZE="0 0"/>
        <MINISPIEL TYPE="PUZZLE" NAME="OHNE_BILD" SIZE="100"><PUZZLE_TEIL ANIMATION="GIBT_ES_NICHT" SIZE="50 50"/></MINISPIEL>)");
    Puzzle* leer = find<Puzzle>(L"LEER");
    Puzzle* ohneBild = find<Puzzle>(L"OHNE_BILD");
    ASSERT_NE(leer, nullptr);
    ASSERT_NE(ohneBild, nullptr);
    play(*leer);
    click(D3DXVECTOR2(320, 240));
    frames(0.5);
    EXPECT_FALSE(leer->isFlagSet(false)) << "no target: no solution";
    play(*ohneBild);
    // Without a picture the piece's rectangle is what the mouse hits.
    Puzzle::Teil* teil = ohneBild->getTeile().front();
    teil->setAt(D3DXVECTOR2(1.0f, 0.0f));
    drag(centre(*teil), centre(*ohneBild->getZiele().front()));
    EXPECT_TRUE(ohneBild->isFlagSet(false));
    picture();
}

} // namespace
