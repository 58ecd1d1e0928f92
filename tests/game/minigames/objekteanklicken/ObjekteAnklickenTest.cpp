// Find the shown object: a scripted player clicks the previewed shape round after round through
// the GUI and the score is the time left over the limit; a click on a decoy alone is wrong and
// failed and keeps the round, one on empty space does nothing, one on the target counts where a
// decoy covers it; a single form builds rounds without decoys instead of waiting for a different
// one, no form leaves the game unsolvable, RUNDEN 0 solves at start; decoy counts follow ANZAHL.
#include "KindTestSupport.h"

#include "graphics/textures/Texture2DAnimation.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/objekteanklicken/ObjekteAnklicken.h"

using namespace ThreeMatch;
using KindTesting::KindTest;

namespace {

using ObjekteAnklickenTest = KindTest;

D3DXVECTOR2 centre(const Ulvo::FloatRect& r)
{
    return D3DXVECTOR2((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

TEST_F(ObjekteAnklickenTest, AScriptedPlayerFindsEveryShapeAndScoresTheTimeLeft)
{
    loadGames();
    ObjekteAnklicken* game = find<ObjekteAnklicken>(L"OBJEKT_KLICKEN_FORMEN");
    ASSERT_NE(game, nullptr);
    ASSERT_NE(find<ObjekteAnklicken>(L"OBJEKT_KLICKEN_NACHT"), nullptr);
    play(*game);
    ASSERT_EQ(game->getRunde(), 0);
    const std::vector<ObjekteAnklicken::Objekt*>& objekte = game->getObjekte();
    ASSERT_GE(objekte.size(), 7u) << "the target and six to twelve decoys";
    ASSERT_LE(objekte.size(), 13u);
    for (size_t k = 1; k < objekte.size(); ++k)
        EXPECT_NE(objekte[k]->animation->getName(), objekte[0]->animation->getName()) << "a decoy is another form";
    EXPECT_TRUE(matchesGolden(picture(), "objekteanklicken_start"));

    // A decoy's centre that the target does not cover: wrong, failed, the round stays.
    const ObjekteAnklicken::Objekt* target = objekte[0];
    for (size_t k = 1; k < objekte.size(); ++k) {
        const D3DXVECTOR2 at = centre(game->screenRect(*objekte[k]));
        if (game->hits(*target, at))
            continue;
        click(at);
        EXPECT_EQ(results.wrong, 1);
        EXPECT_EQ(results.failed, 1);
        EXPECT_EQ(game->getRunde(), 0);
        EXPECT_EQ(game->getObjekte()[0], target) << "a wrong click builds no new round";
        break;
    }
    // Empty space: the play window's corner lies outside every shape (they start at 0.1).
    const Ulvo::FloatRect& spiel = game->getSpiel()->getScreenRect();
    click(D3DXVECTOR2(spiel.left + 3, spiel.top + 3));
    EXPECT_EQ(results.wrong, 1);
    EXPECT_EQ(game->getRunde(), 0);

    ASSERT_TRUE(MinigameSolver::solveObjekteAnklicken(*game, hands()));
    EXPECT_EQ(results.right, 5);
    const double left = game->getTimeLeft();
    EXPECT_GT(left, 50.0);
    frames(0.2);
    EXPECT_TRUE(matchesGolden(picture(), "objekteanklicken_solved"));
    frames(1.5);
    ASSERT_EQ(results.scores.size(), 1u);
    EXPECT_NEAR(results.scores[0], left / 60.0, 1e-6);
}

TEST_F(ObjekteAnklickenTest, TheTargetCountsUnderADecoyAndShapesTurnAtTheirSpeed)
{
    loadGames(
        LR"(<MINISPIEL TYPE="OBJEKT_KLICKEN" NAME="DECKE" RUNDEN="2" ANZAHL="1 1" SIZE="0.2 0.2" ROT_SPEED="90 90">
          <FORM ANIMATION="OBJEKT_KLICKEN_STERN"/><FORM ANIMATION="OBJEKT_KLICKEN_HAUS"/></MINISPIEL>)");
    ObjekteAnklicken* game = find<ObjekteAnklicken>(L"DECKE");
    ASSERT_NE(game, nullptr);
    play(*game);
    ASSERT_EQ(game->getObjekte().size(), 2u);
    ObjekteAnklicken::Objekt& target = *game->getObjekte()[0];
    ObjekteAnklicken::Objekt& decoy = *game->getObjekte()[1];
    EXPECT_FLOAT_EQ(target.w, 0.2f);
    const float angle = target.angle;
    frames(0.5);
    EXPECT_NEAR(target.angle, angle + 45.0f, 1e-3f);
    // The decoy lies exactly on the target, drawn above it: the click still finds the target.
    decoy.x = target.x;
    decoy.y = target.y;
    click(centre(game->screenRect(target)));
    EXPECT_EQ(game->getRunde(), 1);
    EXPECT_EQ(results.right, 1);
    EXPECT_EQ(results.wrong, 0);
}

TEST_F(ObjekteAnklickenTest, OneFormPlaysWithoutDecoysAndNoFormStaysUnsolvable)
{
    loadGames(
        LR"(<MINISPIEL TYPE="OBJEKT_KLICKEN" NAME="EINE" RUNDEN="2" ANZAHL="5 9"><FORM ANIMATION="OBJEKT_KLICKEN_STERN"/></MINISPIEL>
          <MINISPIEL TYPE="OBJEKT_KLICKEN" NAME="KEINE" RUNDEN="2"/>
          <MINISPIEL TYPE="OBJEKT_KLICKEN" NAME="NULL" RUNDEN="0"><FORM ANIMATION="OBJEKT_KLICKEN_STERN"/></MINISPIEL>
          <MINISPIEL TYPE="OBJEKT_KLICKEN" NAME="BILDLOS" RUNDEN="1"><FORM ANIMATION="GIBT_ES_NICHT"/><FORM/></MINISPIEL>)");
    ObjekteAnklicken* eine = find<ObjekteAnklicken>(L"EINE");
    ASSERT_NE(eine, nullptr);
    play(*eine);
    ASSERT_EQ(eine->getObjekte().size(), 1u) << "no decoy can differ from the only form";
    ASSERT_TRUE(MinigameSolver::solveObjekteAnklicken(*eine, hands()));

    ObjekteAnklicken* keine = find<ObjekteAnklicken>(L"KEINE");
    ASSERT_NE(keine, nullptr);
    play(*keine);
    EXPECT_TRUE(keine->getObjekte().empty());
    EXPECT_EQ(keine->getTarget(), -1);
    click(centre(keine->getSpiel()->getScreenRect()));
    frames(0.5);
    EXPECT_FALSE(keine->isFlagSet(false));

    ObjekteAnklicken* null = find<ObjekteAnklicken>(L"NULL");
    ASSERT_NE(null, nullptr);
    play(*null);
    EXPECT_TRUE(null->isFlagSet(false)) << "no rounds to play";

    // Forms without a picture still have a shape to click, drawn as nothing.
    ObjekteAnklicken* bildlos = find<ObjekteAnklicken>(L"BILDLOS");
    ASSERT_NE(bildlos, nullptr);
    play(*bildlos);
    picture();
    ASSERT_TRUE(MinigameSolver::solveObjekteAnklicken(*bildlos, hands()));
}

TEST_F(ObjekteAnklickenTest, DecoyCountsRunFromTheSecondValueTowardsTheFirst)
{
    loadGames(LR"(<MINISPIEL TYPE="OBJEKT_KLICKEN" NAME="ZAHL" RUNDEN="50" ANZAHL="3 8">
          <FORM ANIMATION="OBJEKT_KLICKEN_STERN"/><FORM ANIMATION="OBJEKT_KLICKEN_HAUS"/></MINISPIEL>)");
    ObjekteAnklicken* game = find<ObjekteAnklicken>(L"ZAHL");
    ASSERT_NE(game, nullptr);
    play(*game);
    size_t low = 100, high = 0;
    for (int round = 0; round < 40; ++round) {
        const size_t decoys = game->getObjekte().size() - 1;
        low = std::min(low, decoys);
        high = std::max(high, decoys);
        click(centre(game->screenRect(*game->getObjekte()[0])));
    }
    EXPECT_GE(low, 3u);
    EXPECT_LE(high, 8u);
    EXPECT_GT(high, low);
}

} // namespace
