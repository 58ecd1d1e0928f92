// The picture maze: the rooms come from the picture; a scripted player clicks along the shortest
// way and the score is the time left over the limit; with FAST a detour does not count until the
// path is cut back to the shortest way; a click in a direction walks through open passages only;
// over a thousand deals every maze is a spanning tree plus its extra passages, the goal always
// reachable; hostile definitions (passages beyond those that exist, no start room, no picture)
// are logged and never hang.
#include "KindTestSupport.h"

#include "GraphicsTestSupport.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/Texture2DAnimationManager.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/maze/Maze.h"

#include <set>

using namespace ThreeMatch;
using KindTesting::KindTest;

namespace {

using MazeTest = KindTest;
using Raum = Maze::Raum;

int openEdges(const Maze& game)
{
    int count = 0;
    for (const Raum* raum : game.getRooms())
        for (const Raum::Edge& edge : raum->edges)
            count += edge.open ? 1 : 0;
    return count;
}

TEST_F(MazeTest, TheRoomsComeFromThePictureAndAScriptedPlayerWalksToTheGoal)
{
    loadGames();
    Maze* game = find<Maze>(L"MAZE_BURG");
    ASSERT_NE(game, nullptr);
    ASSERT_EQ(game->getRooms().size(), 43u) << "eight by six, five cells left out";
    EXPECT_EQ(game->roomAt(4, 0), nullptr);
    ASSERT_NE(game->getStart(), nullptr);
    EXPECT_EQ(game->getStart()->name, L"0 0");
    EXPECT_EQ(game->getGoal()->name, L"7 5");
    EXPECT_EQ(game->roomAt(0, 0)->edges[1].neighbour, game->roomAt(1, 0));
    EXPECT_EQ(game->roomAt(1, 0)->edges[3].neighbour, game->roomAt(0, 0));
    EXPECT_EQ(game->roomAt(3, 0)->edges[1].neighbour, nullptr) << "no room to the right";
    EXPECT_EQ(game->roomAt(0, 0)->edgeAnimations.size(), 8u);
    play(*game);
    const Ulvo::FloatRect& field = game->getSpielfeld()->getScreenRect();
    EXPECT_NEAR((field.right - field.left) / (field.bottom - field.top), 512.0f / 384.0f, 0.02f);
    EXPECT_TRUE(matchesGolden(picture(), "maze_start"));

    // A click on a room not open to the start does nothing; clicking the path's end takes it back.
    const std::vector<const Raum*> way = MinigameSolver::shortestWay(*game);
    ASSERT_GE(way.size(), 2u);
    for (const Raum* raum : game->getRooms()) {
        if (!raum->isStart && !raum->isGoal && !game->getStart()->openTo(raum)) {
            click(game->screenCentre(*raum));
            break;
        }
    }
    EXPECT_TRUE(game->getPath().empty());
    click(game->screenCentre(*way[0]));
    ASSERT_EQ(game->getPath().size(), 1u);
    click(game->screenCentre(*way[0]));
    EXPECT_TRUE(game->getPath().empty());
    EXPECT_FALSE(way[0]->marked);

    ASSERT_TRUE(MinigameSolver::solveMaze(*game, hands()));
    const double left = game->getTimeLeft();
    click(game->screenCentre(*way.back()));
    EXPECT_EQ(game->getPath().size(), way.size()) << "input after the solution changes nothing";
    frames(0.2);
    const TestSupport::Image solved = picture();
    EXPECT_TRUE(matchesGolden(solved, "maze_solved"));
    // The path's rooms are tinted with MARK_COLOR, warm over the grey floor.
    const D3DXVECTOR2 middle = game->screenCentre(*way[way.size() / 2]) + D3DXVECTOR2(-12.0f, -12.0f);
    const DWORD floor = solved.at(static_cast<UINT>(middle.x / 2), static_cast<UINT>(middle.y / 2));
    EXPECT_GT(TestSupport::channel(floor, 16), TestSupport::channel(floor, 0) + 40) << TestSupport::hex(floor);
    frames(1.5);
    ASSERT_EQ(results.scores.size(), 1u);
    EXPECT_NEAR(results.scores[0], left / 90.0, 1e-6);
}

TEST_F(MazeTest, WithFastADetourDoesNotCountUntilThePathIsCutBack)
{
    // Every passage open: a square beside the shortest way makes a detour of two more steps.
    loadGames(LR"(<MINISPIEL TYPE="MAZE" NAME="OFFEN" SIZE="8 6" KREUZUNGEN="1000000000" FAST="1"
          TEXTUR="MAZE_BURG_RAEUME" DRAW_MODE="3" BACKGROUND="MAZE_WIESE"><RAUM EDGES="4" DELTA="45" LENGTH="1.4"/></MINISPIEL>)");
    Maze* game = find<Maze>(L"OFFEN");
    ASSERT_NE(game, nullptr);
    play(*game);
    EXPECT_EQ(game->getOpenedExtras(), 66 - 42) << "capped at the passages left: 66 in all, 42 in the tree";
    const std::vector<const Raum*> way = MinigameSolver::shortestWay(*game);
    EXPECT_EQ(way.size(), 11u);
    std::vector<const Raum*> detour;
    size_t rejoin = 0;
    const std::set<const Raum*> onWay(way.begin(), way.end());
    for (size_t j = 0; j + 1 < way.size() && detour.empty(); ++j) {
        const int x0 = static_cast<int>(std::lround(way[j]->position.x * 8)),
                  y0 = static_cast<int>(std::lround(way[j]->position.y * 6));
        const int dx = static_cast<int>(std::lround(way[j + 1]->position.x * 8)) - x0;
        const int dy = static_cast<int>(std::lround(way[j + 1]->position.y * 6)) - y0;
        for (int side : {1, -1}) {
            const Raum* a = game->roomAt(x0 + side * dy, y0 + side * dx);
            const Raum* b = game->roomAt(x0 + dx + side * dy, y0 + dy + side * dx);
            if (a && b && !onWay.count(a) && !onWay.count(b) && !a->isStart && !b->isStart && !a->isGoal &&
                !b->isGoal) {
                detour.assign(way.begin(), way.begin() + static_cast<std::ptrdiff_t>(j) + 1);
                detour.push_back(a);
                detour.push_back(b);
                detour.insert(detour.end(), way.begin() + static_cast<std::ptrdiff_t>(j) + 1, way.end());
                rejoin = j;
                break;
            }
        }
    }
    ASSERT_EQ(detour.size(), way.size() + 2);
    for (const Raum* raum : detour)
        click(game->screenCentre(*raum));
    EXPECT_EQ(game->getPath().size(), detour.size());
    EXPECT_FALSE(game->isFlagSet(false)) << "two steps too many";
    frames(0.1);
    picture();
    // Cut back to where the detour left the way, then on along it.
    click(game->screenCentre(*way[rejoin]));
    EXPECT_EQ(game->getPath().size(), rejoin + 1);
    for (size_t k = rejoin + 1; k < way.size(); ++k)
        click(game->screenCentre(*way[k]));
    EXPECT_TRUE(game->isFlagSet(false));
}

TEST_F(MazeTest, AClickInADirectionWalksThroughOpenPassagesToTheClickedCell)
{
    loadGames(
        LR"(<MINISPIEL TYPE="MAZE" NAME="GANG" SIZE="8 6" TEXTUR="MAZE_BURG_RAEUME"><RAUM EDGES="4"/></MINISPIEL>)");
    Maze* game = find<Maze>(L"GANG");
    ASSERT_NE(game, nullptr);
    play(*game);
    // A corridor from the start down to row 2 and along it to the right, shut from the rows
    // above and below.
    const auto pass = [&](int x, int y, int edge, bool open) {
        Raum* raum = game->roomAt(x, y);
        Raum::Edge& there = raum->edges[static_cast<size_t>(edge)];
        there.open = open && there.neighbour;
        if (there.neighbour)
            there.neighbour->edges[static_cast<size_t>(raum->back(edge))].open = open;
    };
    for (int x = 0; x < 8; ++x) {
        pass(x, 2, 0, false);
        pass(x, 2, 2, false);
        if (x + 1 < 8)
            pass(x, 2, 1, true);
    }
    pass(0, 0, 2, true);
    pass(0, 1, 2, true);
    click(game->screenCentre(*game->roomAt(0, 1)));
    click(game->screenCentre(*game->roomAt(0, 2)));
    ASSERT_EQ(game->getPath().size(), 2u);
    // A click on the empty cell (4, 3): four cells right and one down, so four steps right.
    const Ulvo::FloatRect cell = game->screenRect(*game->roomAt(4, 2));
    const D3DXVECTOR2 below((cell.left + cell.right) * 0.5f, cell.bottom + (cell.bottom - cell.top) * 0.5f);
    click(below);
    EXPECT_EQ(game->getPath().size(), 6u);
    EXPECT_EQ(game->getPath().back(), game->roomAt(4, 2));
    // Back to (2, 2) by cutting the path; with the passage to (3, 2) shut the walk stops there.
    click(game->screenCentre(*game->roomAt(2, 2)));
    pass(2, 2, 1, false);
    click(below);
    EXPECT_EQ(game->getPath().back(), game->roomAt(2, 2));
}

TEST_F(MazeTest, InLineModeAClosedEdgeIsDrawnOnItsOwnSide)
{
    loadGames(LR"(<MINISPIEL TYPE="MAZE" NAME="LINIEN" SIZE="8 6" DRAW_MODE="3" TEXTUR="MAZE_BURG_RAEUME">
          <RAUM EDGES="4" DELTA="45" LENGTH="1.41421356"/></MINISPIEL>)");
    Maze* game = find<Maze>(L"LINIEN");
    ASSERT_NE(game, nullptr);
    play(*game);
    // Everything open but the right edge of (1, 1), and that one way only.
    for (Raum* raum : game->getRooms())
        for (Raum::Edge& edge : raum->edges)
            edge.open = true;
    game->roomAt(1, 1)->edges[1].open = false;
    const TestSupport::Image shown = picture();
    const Ulvo::FloatRect cell = game->screenRect(*game->roomAt(1, 1));
    const auto brightness = [&](float x) {
        const DWORD c = shown.at(static_cast<UINT>(x / 2), static_cast<UINT>((cell.top + cell.bottom) / 4));
        return TestSupport::channel(c, 16) + TestSupport::channel(c, 8) + TestSupport::channel(c, 0);
    };
    EXPECT_GT(brightness(cell.right), 3 * 120) << "the wall on the right";
    EXPECT_LT(brightness(cell.left), 3 * 90) << "nothing on the left";
}

TEST_F(MazeTest, EveryDealOverAThousandSeedsIsATreePlusItsExtrasAndReachesTheGoal)
{
    loadGames();
    for (const wchar_t* name : {L"MAZE_BURG", L"MAZE_HOEHLE"}) {
        Maze* game = find<Maze>(name);
        ASSERT_NE(game, nullptr);
        int failures = 0;
        for (unsigned seed = 0; seed < 1000 && failures < 3; ++seed) {
            crt_srand(seed);
            game->start();
            const int rooms = static_cast<int>(game->getRooms().size());
            bool ok = openEdges(*game) == 2 * (rooms - 1 + game->getOpenedExtras()) && game->getGoal() &&
                      game->getGoal()->distance != Raum::kUnreached;
            for (const Raum* raum : game->getRooms())
                ok = ok && raum->distance != Raum::kUnreached;
            if (!ok)
                ADD_FAILURE() << "seed " << seed << (++failures, "");
        }
    }
    Maze* cave = find<Maze>(L"MAZE_HOEHLE");
    int goals = 0;
    for (const Raum* raum : cave->getRooms())
        goals += raum->isGoal ? 1 : 0;
    EXPECT_EQ(goals, 2) << "MULTIPLE_GOALS";
}

// One texel per cell: 1 / 3 in float lies a hair past the texel edge, and the goal's blue must
// not leak into the room to its left.
TEST_F(MazeTest, WithOneTexelPerCellEveryRoomReadsItsOwnCell)
{
    auto* picture = new Ulvo::Texture2D();
    picture->rename(L"MAZE_DREI");
    ASSERT_TRUE(GraphicsTesting::fillTexture(*picture, 3, 3, [](UINT x, UINT y) -> D3DCOLOR {
        return x == 0 && y == 0 ? 0xFF00FF00u : x == 2 && y == 2 ? 0xFF0000FFu : 0xFFFF0000u;
    }));
    Ulvo::Texture2DAnimationManager::getInstance()->getTextures().add(picture, true);
    loadGames(LR"(<MINISPIEL TYPE="MAZE" NAME="DREI" SIZE="3" TEXTUR="MAZE_DREI"><RAUM EDGES="4"/></MINISPIEL>)");
    Maze* game = find<Maze>(L"DREI");
    ASSERT_NE(game, nullptr);
    ASSERT_EQ(game->getRooms().size(), 9u);
    EXPECT_EQ(game->getStart()->name, L"0 0");
    ASSERT_NE(game->getGoal(), nullptr);
    EXPECT_EQ(game->getGoal()->name, L"2 2");
    for (const Raum* raum : game->getRooms())
        EXPECT_EQ(raum->isGoal, raum == game->getGoal()) << raum->name;
}

TEST_F(MazeTest, HostileDefinitionsAreLoggedAndNeverHang)
{
    loadGames(
        LR"(<MINISPIEL TYPE="MAZE" NAME="OHNE_START" SIZE="2" TEXTUR="MAZE_HOEHLE_RAEUME" DRAW_MODE="3"><RAUM EDGES="4"/></MINISPIEL>
        <MINISPIEL TYPE="MAZE" NAME="OHNE_BILD" SIZE="8 6" TEXTUR="GIBT_ES_NICHT" KREUZUNGEN="1000000000"><RAUM/></MINISPIEL>
        <MINISPIEL TYPE="MAZE" NAME="NULL" SIZE="0" TEXTUR="MAZE_BURG_RAEUME" BACKGROUND="MAZE_WIESE"><RAUM EDGES="1000000000"/></MINISPIEL>
        <MINISPIEL TYPE="MAZE" NAME="RIESIG" SIZE="1e30 -5" TEXTUR="MAZE_BURG_RAEUME" KREUZUNGEN="-3"><RAUM/></MINISPIEL>)");
    Maze* noStart = find<Maze>(L"OHNE_START");
    ASSERT_NE(noStart, nullptr);
    EXPECT_EQ(noStart->getRooms().size(), 3u) << "cells (4, 0), (0, 4) and (4, 4) of the cave";
    EXPECT_EQ(noStart->getStart(), nullptr);
    for (const wchar_t* name : {L"OHNE_START", L"OHNE_BILD", L"NULL", L"RIESIG"}) {
        Maze* game = find<Maze>(name);
        ASSERT_NE(game, nullptr);
        play(*game);
        for (const Raum* raum : game->getRooms())
            click(game->screenCentre(*raum));
        click(D3DXVECTOR2(320, 240));
        frames(0.2);
        picture();
        EXPECT_FALSE(game->isFlagSet(false));
        EXPECT_TRUE(game->getPath().empty());
    }
}

} // namespace
