// The turning tiles: a scripted player left-clicks every tile upright through the GUI and the
// score is the time left over the limit; a right click turns the other way; the game counts as
// solved when the last turn is ordered, and input after it changes nothing; a click beside
// every tile says no; the grid follows SIZE; a start leaves the shared random sequence alone;
// without a picture the game is logged and still plays.
#include "KindTestSupport.h"

#include "gui/windows/GUIWindow.h"
#include "minigames/drehbild/Drehbild.h"

#include <algorithm>

using namespace ThreeMatch;
using KindTesting::KindTest;

namespace {

using DrehbildTest = KindTest;

D3DXVECTOR2 middle(const Drehbild& game, const Drehbild::Teil& teil)
{
    const Ulvo::FloatRect r = game.screenRect(teil);
    return D3DXVECTOR2((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

TEST_F(DrehbildTest, AScriptedPlayerTurnsEveryTileUprightAndScoresTheTimeLeft)
{
    loadGames();
    Drehbild* game = find<Drehbild>(L"DREHBILD_WIESE");
    ASSERT_NE(game, nullptr);
    // The turns come from the tick count; the picture is taken of a fixed set of them.
    play(*game);
    int turned = 0;
    for (Drehbild::Teil* teil : game->getTeile()) {
        turned += Drehbild::upright(teil->angle.end) ? 0 : 1;
        const float quarters = static_cast<float>((teil->index * 5 + 1) % 4);
        teil->angle.set(90.0f * quarters, 90.0f * quarters, 1.0f);
    }
    EXPECT_GT(turned, 0);
    ASSERT_EQ(game->getTeile().size(), 12u);
    // Column by column, top to bottom.
    const Ulvo::FloatRect& second = game->getTeile()[1]->rect;
    EXPECT_FLOAT_EQ(second.left, 0.0f);
    EXPECT_FLOAT_EQ(second.top, 1.0f / 3.0f);
    EXPECT_FLOAT_EQ(second.right, 0.25f);
    const Ulvo::FloatRect& field = game->getSpielfeld()->getScreenRect();
    EXPECT_NEAR((field.right - field.left) * 3, (field.bottom - field.top) * 4, 4.0f) << "four by three";
    EXPECT_TRUE(matchesGolden(picture(), "drehbild_start"));

    // A right click turns back a quarter, gliding there in a quarter second.
    Drehbild::Teil* teil = game->getTeile()[5];
    const float before = teil->angle.end;
    const D3DXVECTOR2 at = middle(*game, *teil);
    mouseTo(at);
    press(ULVO_MOUSE_RIGHT);
    release(ULVO_MOUSE_RIGHT);
    EXPECT_EQ(teil->angle.end, before - 90.0f);
    EXPECT_EQ(results.right, 1);
    manager().update(0.125);
    EXPECT_NEAR(teil->angle.value, before - 45.0f, 1.0f);
    frames(0.2);
    EXPECT_EQ(teil->angle.value, before - 90.0f);

    ASSERT_TRUE(MinigameSolver::solveDrehbild(*game, hands()));
    EXPECT_EQ(results.wrong, 0);
    const double left = game->getTimeLeft();
    frames(0.3);
    EXPECT_TRUE(matchesGolden(picture(), "drehbild_solved"));
    // Input after the solution changes nothing.
    const float end = teil->angle.end;
    click(at);
    EXPECT_EQ(teil->angle.end, end);
    frames(1.5);
    ASSERT_EQ(results.scores.size(), 1u);
    EXPECT_NEAR(results.scores[0], left / 90.0, 1e-6);
}

TEST_F(DrehbildTest, TheLastTurnSolvesAtOnceAndAClickBesideEveryTileSaysNo)
{
    loadGames(LR"(<MINISPIEL TYPE="DREHBILD" NAME="KLEIN" SIZE="5 2" TIMER="0.5" ANIMATION="DREHBILD_WIESE"/>
        <MINISPIEL TYPE="DREHBILD" NAME="DREI" SIZE="3" ANIMATION="DREHBILD_BURG"/>)");
    Drehbild* three = find<Drehbild>(L"DREI");
    ASSERT_NE(three, nullptr);
    EXPECT_EQ(three->getColumns(), 3);
    EXPECT_EQ(three->getRows(), 3);
    Drehbild* game = find<Drehbild>(L"KLEIN");
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(game->getTeile().size(), 10u);
    play(*game);
    for (Drehbild::Teil* teil : game->getTeile())
        teil->angle.set(0.0f, 0.0f, 1.0f);
    Drehbild::Teil* last = game->getTeile()[9];
    last->angle.set(270.0f, 270.0f, 1.0f);
    game->clickAt(D3DXVECTOR2(-50, -50), false);
    EXPECT_EQ(results.wrong, 1);
    EXPECT_EQ(last->angle.end, 270.0f);
    game->clickAt(middle(*game, *last), false);
    EXPECT_TRUE(game->isFlagSet(false)) << "solved while the tile still turns";
    EXPECT_LT(last->angle.value, 360.0f);
    EXPECT_EQ(results.right, 1);
    frames(0.6);
    EXPECT_EQ(results.scores.size(), 1u);

    EXPECT_TRUE(Drehbild::upright(10.0f));
    EXPECT_TRUE(Drehbild::upright(-10.0f));
    EXPECT_TRUE(Drehbild::upright(-360.0f));
    EXPECT_TRUE(Drehbild::upright(350.0f));
    EXPECT_FALSE(Drehbild::upright(-350.0f));
    EXPECT_FALSE(Drehbild::upright(-270.0f));
    EXPECT_FALSE(Drehbild::upright(90.0f));
}

TEST_F(DrehbildTest, AStartLeavesTheSharedRandomSequenceAlone)
{
    loadGames();
    Drehbild* game = find<Drehbild>(L"DREHBILD_BURG");
    ASSERT_NE(game, nullptr);
    crt_srand(77);
    const int expected[3] = {crt_rand(), crt_rand(), crt_rand()};
    crt_srand(77);
    const int first = crt_rand();
    game->start();
    game->start();
    EXPECT_EQ(first, expected[0]);
    EXPECT_EQ(crt_rand(), expected[1]);
    EXPECT_EQ(crt_rand(), expected[2]);
}

TEST_F(DrehbildTest, WithoutAPictureTheGameIsLoggedAndStillPlays)
{
    const wchar_t* entry = LR"(<MINISPIEL TYPE="DREHBILD" NAME="OHNE" SIZE="2 0" ANIMATION="FEHLT"/>)";
    const std::string logged = logOfMaking(entry);
    EXPECT_NE(logged.find("FEHLT"), std::string::npos) << logged;
    EXPECT_NE(logged.find("SIZE 2 0"), std::string::npos) << logged;
    loadGames(LR"(<MINISPIEL TYPE="DREHBILD" NAME="BLIND" SIZE="2" ANIMATION="FEHLT"/>)" + std::wstring(entry));
    Drehbild* blind = find<Drehbild>(L"BLIND");
    ASSERT_NE(blind, nullptr);
    EXPECT_EQ(blind->getPicture(), nullptr);
    play(*blind);
    for (int k = 0; k < 20 && std::all_of(blind->getTeile().begin(), blind->getTeile().end(),
                                          [](const Drehbild::Teil* t) { return Drehbild::upright(t->angle.end); });
         ++k)
        play(*blind);
    picture();
    ASSERT_TRUE(MinigameSolver::solveDrehbild(*blind, hands()));
    // No tiles: every click misses, nothing solves.
    Drehbild* none = find<Drehbild>(L"OHNE");
    ASSERT_NE(none, nullptr);
    EXPECT_TRUE(none->getTeile().empty());
    play(*none);
    click(D3DXVECTOR2(320, 240));
    none->clickAt(D3DXVECTOR2(320, 240), false);
    EXPECT_FALSE(none->isFlagSet(false));
    picture();
}

} // namespace
