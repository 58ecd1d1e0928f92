// Connect the dots: a scripted player draws the house in one stroke with the mouse and the
// score is the time left over the limit; joins follow the valid and goal lists both ways and
// are drawn green or grey; right and middle clicks; once solved a right click undoes nothing;
// a game without dots refuses every click; a zero ABS_SIZE is logged and divides by 1.
#include "KindTestSupport.h"

#include "gui/windows/GUIWindow.h"
#include "minigames/punkteverbinden/Punkteverbinden.h"

#include <cmath>

using namespace ThreeMatch;
using KindTesting::KindTest;

namespace {

class PunkteverbindenTest : public KindTest {
protected:
    void press(const D3DXVECTOR2& at, UlvoMouseButton button)
    {
        mouseTo(at);
        mouse().buttonPressed.emit(mouse(), button);
        mouse().buttonReleased.emit(mouse(), button);
    }
};

D3DXVECTOR2 between(const D3DXVECTOR2& a, const D3DXVECTOR2& b, float t)
{
    return a + (b - a) * t;
}

TEST_F(PunkteverbindenTest, AScriptedPlayerDrawsTheHouseInOneStrokeAndScoresTheTimeLeft)
{
    loadGames();
    Punkteverbinden* game = find<Punkteverbinden>(L"PUNKTE_NIKOLAUS");
    ASSERT_NE(game, nullptr);
    ASSERT_EQ(game->getPunkte().size(), 6u);
    EXPECT_NEAR(game->getPunkte()[4]->position.x, 0.5f, 1e-6f) << "divided by ABS_SIZE";
    EXPECT_NE(find<Punkteverbinden>(L"PUNKTE_STERN"), nullptr);
    play(*game);
    EXPECT_TRUE(game->hasLines());
    const Ulvo::FloatRect& field = game->getSpielfeld()->getScreenRect();
    EXPECT_NEAR((field.right - field.left) / (field.bottom - field.top), 480.0f / 360.0f, 0.02f);
    EXPECT_TRUE(matchesGolden(picture(), "punkteverbinden_start"));

    // A wrong join shows grey, and a right click on either end takes it away again.
    const std::vector<Punkteverbinden::Punkt*>& dots = game->getPunkte();
    click(game->screenCentre(*dots[0]));
    click(game->screenCentre(*dots[5]));
    EXPECT_TRUE(dots[0]->isConnected(dots[5]));
    EXPECT_TRUE(dots[5]->isConnected(dots[0]));
    press(game->screenCentre(*dots[5]), ULVO_MOUSE_RIGHT);
    EXPECT_TRUE(dots[0]->connections.empty());
    press(game->screenCentre(*dots[4]), ULVO_MOUSE_MIDDLE);
    EXPECT_EQ(game->getSelected(), dots[4]);
    EXPECT_EQ(results.right, 3);
    EXPECT_EQ(results.wrong, 1) << "the first click only selects";

    // The solver starts from no selection; the middle click above left one.
    game->start();
    ASSERT_TRUE(MinigameSolver::solvePunkteverbinden(*game, hands()));
    const double left = game->getTimeLeft();
    // Once solved, a right click undoes nothing.
    press(game->screenCentre(*dots[2]), ULVO_MOUSE_RIGHT);
    EXPECT_EQ(dots[2]->connections.size(), 4u);
    EXPECT_TRUE(game->solutionTest());
    frames(0.2);
    const TestSupport::Image solved = picture();
    EXPECT_TRUE(matchesGolden(solved, "punkteverbinden_solved"));
    // The floor line between the two lower blots is green.
    const D3DXVECTOR2 floor = between(game->screenCentre(*dots[0]), game->screenCentre(*dots[1]), 0.5f);
    const DWORD line = solved.at(static_cast<UINT>(floor.x / 2), static_cast<UINT>(floor.y / 2));
    EXPECT_GT(TestSupport::channel(line, 8), 150) << TestSupport::hex(line);
    EXPECT_LT(TestSupport::channel(line, 16), 100) << TestSupport::hex(line);
    frames(1.5);
    ASSERT_EQ(results.scores.size(), 1u);
    EXPECT_NEAR(results.scores[0], left / 60.0, 1e-6);
}

TEST_F(PunkteverbindenTest, JoinsFollowTheListsBothWaysAndEachGoalIdCountsOnce)
{
    // A may join B only through B's own lists; C and D overlap; E needs two joins with ID 2.
    loadGames(LR"(<MINISPIEL TYPE="PUNKTE_VERBINDEN" NAME="REGELN" ONLY_GOALS_TO_FINISH="0">
          <PUNKT ID="1" POSITION="0.2 0.2" SIZE="0.1"/>
          <PUNKT ID="2" POSITION="0.5 0.2" SIZE="0.1" VALID_CONNECTIONS="1 3"/>
          <PUNKT ID="2" POSITION="0.5 0.5" SIZE="0.2" GOAL_CONNECTIONS="3"/>
          <PUNKT ID="3" POSITION="0.55 0.55" SIZE="0.2" GOAL_CONNECTIONS="2 2"/></MINISPIEL>)");
    Punkteverbinden* game = find<Punkteverbinden>(L"REGELN");
    ASSERT_NE(game, nullptr);
    play(*game);
    const std::vector<Punkteverbinden::Punkt*>& dots = game->getPunkte();
    // Only the clicked dot may join the selected one: accepted, moved, not joined.
    click(game->screenCentre(*dots[0]));
    click(game->screenCentre(*dots[1]));
    EXPECT_EQ(game->getSelected(), dots[1]);
    EXPECT_TRUE(dots[0]->connections.empty());
    EXPECT_EQ(results.right, 1);
    // The selected dot again: kept, refused.
    click(game->screenCentre(*dots[1]));
    EXPECT_EQ(game->getSelected(), dots[1]);
    EXPECT_EQ(results.wrong, 2);
    // The overlap: nothing selected can join either, so the later dot in file order is picked.
    game->start();
    const D3DXVECTOR2 overlap = between(game->screenCentre(*dots[2]), game->screenCentre(*dots[3]), 0.5f);
    click(overlap);
    EXPECT_EQ(game->getSelected(), dots[3]);
    // Now the earlier one can be joined to the selected one, and the visit stops there.
    click(overlap);
    EXPECT_TRUE(dots[3]->isConnected(dots[2]));
    EXPECT_FALSE(dots[3]->satisfied(false)) << "one join cannot use the goal ID 2 twice";
    dots[3]->connect(*dots[1]);
    EXPECT_TRUE(dots[3]->satisfied(false));
    EXPECT_TRUE(dots[3]->satisfied(true));
    EXPECT_FALSE(game->solutionTest()) << "the others have joins they do not want";
    // A right click on a dot without joins is still accepted.
    const int right = results.right;
    press(game->screenCentre(*dots[0]), ULVO_MOUSE_RIGHT);
    EXPECT_EQ(results.right, right + 1);
}

TEST_F(PunkteverbindenTest, HostileDefinitionsAreLoggedAndRefuseEveryClick)
{
    loadGames(LR"(<MINISPIEL TYPE="PUNKTE_VERBINDEN" NAME="LEER" BACKGROUND="PUNKTE_HIMMEL"/>
        <MINISPIEL TYPE="PUNKTE_VERBINDEN" NAME="NULL" ABS_SIZE="0 nan">
          <PUNKT ID="1" POSITION="0.3 0.3" SIZE="0.1" GOAL_CONNECTIONS="-1"/>
          <PUNKT ID="2" POSITION="0.6 0.6" SIZE="0" VALID_CONNECTIONS="-1"/></MINISPIEL>)");
    Punkteverbinden* empty = find<Punkteverbinden>(L"LEER");
    ASSERT_NE(empty, nullptr);
    play(*empty);
    click(D3DXVECTOR2(320, 240));
    EXPECT_EQ(results.wrong, 1);
    EXPECT_FALSE(empty->solutionTest());
    picture();
    Punkteverbinden* zero = find<Punkteverbinden>(L"NULL");
    ASSERT_NE(zero, nullptr);
    const std::vector<Punkteverbinden::Punkt*>& dots = zero->getPunkte();
    EXPECT_FLOAT_EQ(dots[0]->position.x, 0.3f) << "divided by 1";
    play(*zero);
    click(zero->screenCentre(*dots[0]));
    click(zero->screenCentre(*dots[1]));
    EXPECT_TRUE(dots[0]->isConnected(dots[1])) << "a dot of no size is still hit at its exact middle";
    EXPECT_FALSE(zero->solutionTest()) << "-1 as a goal is never an ID";
    frames(0.3);
    picture();
    EXPECT_FALSE(zero->isFlagSet(false));
}

} // namespace
