// The shifting-tile maze: a scripted player finds pushes by a search of its own and makes them
// with the mouse, and the score is the time left over the limit; a push moves exactly one row
// or column and parks the tile pushed out; quarter turns keep counting past 360 and carry the
// open sides; the goal never shares the start's row or column; a deal of open tiles that no push
// can break does not hang the start; input after the solution changes nothing.
#include "KindTestSupport.h"

#include "gui/windows/GUIWindow.h"
#include "minigames/labyrinth/Labyrinth.h"

using namespace ThreeMatch;
using KindTesting::KindTest;

namespace {

using LabyrinthTest = KindTest;
using Sides = std::array<uint8_t, 4>;

TEST_F(LabyrinthTest, AScriptedPlayerPushesTheFoundMovesAndScoresTheTimeLeft)
{
    loadGames();
    Labyrinth* game = find<Labyrinth>(L"LABYRINTH_GARTEN");
    ASSERT_NE(game, nullptr);
    play(*game);
    // A deal that takes two or three moves.
    for (int k = 0;
         k < 40 && (MinigameSolver::pushes(*game, 1).size() == 1 || MinigameSolver::pushes(*game, 3).empty()); ++k)
        play(*game);
    ASSERT_FALSE(game->isFlagSet(false));
    ASSERT_LT(game->getStartPushes(), 200);
    const Ulvo::FloatRect& field = game->getSpielfeld()->getScreenRect();
    EXPECT_NEAR((field.right - field.left) / (field.bottom - field.top), 7.0f / 6.0f, 0.02f)
        << "the ring and the parking column: seven cells by six";
    const TestSupport::Image shown = picture();
    EXPECT_TRUE(matchesGolden(shown, "labyrinth_start"));
    // The goal's gold star lies over its ring cell.
    const D3DXVECTOR2 goal =
        game->cellCentre(D3DXVECTOR2(static_cast<float>(game->getGoal().x), static_cast<float>(game->getGoal().y)));
    const DWORD star = shown.at(static_cast<UINT>(goal.x / 2), static_cast<UINT>(goal.y / 2));
    EXPECT_GT(TestSupport::channel(star, 16), 200) << TestSupport::hex(star);
    EXPECT_GT(TestSupport::channel(star, 8), 140) << TestSupport::hex(star);
    EXPECT_LT(TestSupport::channel(star, 0), 140) << TestSupport::hex(star);

    // A right click turns the spare back, a click on the field forward: four give 360.
    Labyrinth::Tile* spare = game->getSpare();
    const Sides sides = spare->sides;
    const float angle = spare->angle.end;
    const D3DXVECTOR2 parking = game->cellCentre(game->getParking());
    mouseTo(parking);
    press(ULVO_MOUSE_RIGHT);
    release(ULVO_MOUSE_RIGHT);
    EXPECT_EQ(spare->angle.end, angle - 90.0f);
    EXPECT_EQ(spare->sides, (Sides{sides[1], sides[2], sides[3], sides[0]}));
    for (int k = 0; k < 5; ++k)
        click(parking);
    EXPECT_EQ(spare->angle.end, angle + 360.0f);
    EXPECT_EQ(spare->sides, sides);
    EXPECT_EQ(results.right, 6);
    frames(1.1);

    ASSERT_TRUE(MinigameSolver::solveLabyrinth(*game, hands()));
    const double left = game->getTimeLeft();
    // Input after the solution changes nothing.
    const Labyrinth::Tile* parked = game->getSpare();
    click(game->cellCentre(D3DXVECTOR2(1.0f, 0.0f)));
    click(parking);
    EXPECT_EQ(game->getSpare(), parked);
    frames(1.0);
    EXPECT_TRUE(matchesGolden(picture(), "labyrinth_solved"));
    frames(0.6);
    ASSERT_EQ(results.scores.size(), 1u);
    EXPECT_NEAR(results.scores[0], left / 120.0, 1e-6);
}

TEST_F(LabyrinthTest, APushMovesOneRowOrColumnAndParksTheTileThatLeaves)
{
    loadGames(LR"(<MINISPIEL TYPE="LABYRINTH" NAME="KLEIN" SIZE="3 2">
          <EINGANG ANIMATION="LABYRINTH_PFEIL" OFFENE_SEITEN="0 0 1 0"/>
          <TILE ANIMATION="LABYRINTH_GERADE" OFFENE_SEITEN="0 1 0 1"/></MINISPIEL>)");
    Labyrinth* game = find<Labyrinth>(L"KLEIN");
    ASSERT_NE(game, nullptr);
    play(*game);
    EXPECT_EQ(game->borderCount(), 10);
    EXPECT_EQ(game->borderCell(0), (Labyrinth::Cell{1, 0}));
    EXPECT_EQ(game->borderCell(3), (Labyrinth::Cell{4, 1}));
    EXPECT_EQ(game->borderCell(5), (Labyrinth::Cell{1, 3}));
    EXPECT_EQ(game->borderCell(9), (Labyrinth::Cell{0, 2}));
    // Arrows face the board: open towards it only.
    EXPECT_EQ(game->tileAt({0, 1})->sides, (Sides{0, 1, 0, 0}));
    EXPECT_EQ(game->tileAt({2, 3})->sides, (Sides{1, 0, 0, 0}));
    EXPECT_EQ(game->tileAt({0, 0}), nullptr) << "no corners";
    const Labyrinth::Cell start = game->getStart(), goal = game->getGoal();
    EXPECT_NE(start.x, goal.x);
    EXPECT_NE(start.y, goal.y);

    std::vector<const Labyrinth::Tile*> before;
    for (int x = 1; x <= 3; ++x)
        for (int y = 1; y <= 2; ++y)
            before.push_back(game->tileAt({x, y}));
    const Labyrinth::Tile* spare = game->getSpare();
    game->push({0, 2}, 0.0f);
    EXPECT_EQ(game->tileAt({1, 2}), spare);
    EXPECT_EQ(game->tileAt({2, 2}), before[1]);
    EXPECT_EQ(game->tileAt({3, 2}), before[3]);
    EXPECT_EQ(game->getSpare(), before[5]);
    for (int x = 1; x <= 3; ++x)
        EXPECT_EQ(game->tileAt({x, 1}), before[static_cast<size_t>(2 * (x - 1))]) << "the other row stays";
    EXPECT_EQ(game->tileAt({2, 2})->position.value, D3DXVECTOR2(2.0f, 2.0f)) << "at once";
    // The tile pushed out glides to the parking place even after a push at once.
    EXPECT_NE(game->getSpare()->position.value, game->getParking());
    frames(1.1);
    EXPECT_EQ(game->getSpare()->position.value, game->getParking());
    game->push({2, 3}, 0.0f);
    EXPECT_EQ(game->tileAt({2, 2}), before[5]);
    EXPECT_EQ(game->tileAt({2, 1}), before[1]);
    EXPECT_EQ(game->getSpare(), before[2]);
    game->push({1, 1}, 0.0f);
    EXPECT_EQ(game->tileAt({2, 2}), before[5]) << "a board cell is no place to push at";
}

TEST_F(LabyrinthTest, ADealOfOpenTilesStopsPushingAndHostileDefinitionsStayUnsolvable)
{
    loadGames(LR"(<MINISPIEL TYPE="LABYRINTH" NAME="OFFEN" SIZE="3">
          <EINGANG ANIMATION="LABYRINTH_PFEIL" OFFENE_SEITEN="0 0 1 0"/>
          <TILE ANIMATION="LABYRINTH_KREUZUNG" OFFENE_SEITEN="1" PROP="-5"/></MINISPIEL>
        <MINISPIEL TYPE="LABYRINTH" NAME="OHNE_PFEIL" SIZE="2"><TILE OFFENE_SEITEN="1"/></MINISPIEL>
        <MINISPIEL TYPE="LABYRINTH" NAME="LEER" SIZE="0 4"><EINGANG/><TILE/></MINISPIEL>
        <MINISPIEL TYPE="LABYRINTH" NAME="RIESIG" SIZE="1000000000"><EINGANG/><TILE/></MINISPIEL>)");
    Labyrinth* open = find<Labyrinth>(L"OFFEN");
    ASSERT_NE(open, nullptr);
    play(*open);
    EXPECT_EQ(open->getStartPushes(), 200);
    EXPECT_EQ(open->tileAt({1, 1})->sides, (Sides{1, 1, 1, 1}));
    for (const wchar_t* name : {L"OHNE_PFEIL", L"LEER", L"RIESIG"}) {
        Labyrinth* game = find<Labyrinth>(name);
        ASSERT_NE(game, nullptr);
        play(*game);
        EXPECT_LE(game->getColumns(), 32);
        click(D3DXVECTOR2(320, 240));
        frames(0.3);
        EXPECT_FALSE(game->isFlagSet(false)) << name;
        picture();
    }
}

} // namespace
