// Spot the differences: a scripted player clicks every difference of the market in the right
// picture through the GUI and the score is the time left over the limit; the counter shows the
// number left from the start and is rewritten every frame; a click on a transparent part of a
// difference's picture or beside it finds nothing; the end delay starts in the frame after the
// last find; a game without differences is solved at once, one whose picture is missing counts
// a click anywhere on its window, one whose window is missing is logged.
#include "KindTestSupport.h"

#include "gui/widgets/GUILabel.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/unterschiede/UnterschiedeAnklicken.h"

using namespace ThreeMatch;
using KindTesting::KindTest;

namespace {

using UnterschiedeTest = KindTest;

TEST_F(UnterschiedeTest, AScriptedPlayerFindsEveryDifferenceAndScoresTheTimeLeft)
{
    loadGames();
    UnterschiedeAnklicken* game = find<UnterschiedeAnklicken>(L"UNTERSCHIEDE_MARKT");
    ASSERT_NE(game, nullptr);
    ASSERT_NE(find<UnterschiedeAnklicken>(L"UNTERSCHIEDE_HAFEN"), nullptr);
    play(*game);
    const std::vector<UnterschiedeAnklicken::UTeil*>& teile = game->getTeile();
    ASSERT_EQ(teile.size(), 6u);
    ASSERT_NE(game->getLabel(), nullptr);
    EXPECT_EQ(game->getLabel()->getText(), L"Noch 6 Unterschiede");
    // Every difference lies over the right picture.
    const Ulvo::FloatRect& field = game->getSpielfeld()->getScreenRect();
    for (const UnterschiedeAnklicken::UTeil* teil : teile) {
        ASSERT_NE(teil->window, nullptr);
        EXPECT_GT(teil->window->getScreenRect().left, (field.left + field.right) / 2);
        EXPECT_LE(teil->window->getScreenRect().bottom, field.bottom + 0.5f);
    }
    EXPECT_TRUE(matchesGolden(picture(), "unterschiede_start"));

    // Beside the thing on a difference's window, and the same place in the left picture.
    D3DXVECTOR2 at;
    ASSERT_TRUE(MinigameSolver::findingPoint(*teile[2], at, false));
    click(at);
    EXPECT_FALSE(teile[2]->found) << "a transparent part of its picture";
    ASSERT_TRUE(MinigameSolver::findingPoint(*teile[2], at));
    click(at - D3DXVECTOR2((field.right - field.left) * 340.0f / 660.0f, 0.0f));
    frames(0.05);
    EXPECT_EQ(game->countLeft(), 6);

    click(at);
    EXPECT_TRUE(teile[2]->found);
    frames(0.05);
    EXPECT_EQ(game->getLabel()->getText(), L"Noch 5 Unterschiede");
    for (size_t k = 0; k < teile.size(); ++k) {
        if (teile[k]->found || k + 1 == teile.size())
            continue;
        ASSERT_TRUE(MinigameSolver::findingPoint(*teile[k], at));
        click(at);
    }
    ASSERT_TRUE(MinigameSolver::findingPoint(*teile.back(), at));
    click(at);
    EXPECT_FALSE(game->isFlagSet(false)) << "solved in the next frame";
    frames(0.05);
    ASSERT_TRUE(game->isFlagSet(false));
    const double left = game->getTimeLeft();
    EXPECT_EQ(game->getLabel()->getText(), L"Noch 0 Unterschiede");
    frames(0.5);
    EXPECT_TRUE(matchesGolden(picture(), "unterschiede_solved"));
    frames(1.2);
    ASSERT_EQ(results.scores.size(), 1u);
    EXPECT_NEAR(results.scores[0], left / 90.0, 1e-6);

    // The harbour by the scripted player.
    UnterschiedeAnklicken* hafen = find<UnterschiedeAnklicken>(L"UNTERSCHIEDE_HAFEN");
    play(*hafen);
    ASSERT_TRUE(MinigameSolver::solveUnterschiede(*hafen, hands()));
}

TEST_F(UnterschiedeTest, EntriesWithoutDifferencesPicturesOrWindowsPlaySafely)
{
    loadGames(LR"(<MINISPIEL TYPE="UNTERSCHIEDE" NAME="KEINE" PRÄFIX="MARKT_"/>
          <MINISPIEL TYPE="UNTERSCHIEDE" NAME="BILDLOS" PRÄFIX="MARKT_" LSG_TIME="50">
            <UNTERSCHIED GUI="UNTERSCHIEDE_TEIL" ANIMATION="GIBT_ES_NICHT">
              <GUIRECT><POS_TL X_REL="0.6" Y_REL="0.2"/><SIZE X_REL="0.1" Y_REL="0.2"/></GUIRECT></UNTERSCHIED>
            <UNTERSCHIED GUI="UNTERSCHIEDE_TEIL"/></MINISPIEL>
          <MINISPIEL TYPE="UNTERSCHIEDE" NAME="FENSTERLOS" PRÄFIX="MARKT_"><UNTERSCHIED GUI="GIBT_ES_AUCH_NICHT"/></MINISPIEL>
          <MINISPIEL TYPE="UNTERSCHIEDE" NAME="OHNE_VORLAGEN" PRÄFIX="NIRGENDS_"><UNTERSCHIED/></MINISPIEL>)");
    UnterschiedeAnklicken* keine = find<UnterschiedeAnklicken>(L"KEINE");
    ASSERT_NE(keine, nullptr);
    play(*keine);
    EXPECT_TRUE(keine->isFlagSet(false));

    // Without a picture a click anywhere on the window finds it; a window without GUIRECT has no
    // size and cannot be clicked.
    UnterschiedeAnklicken* bildlos = find<UnterschiedeAnklicken>(L"BILDLOS");
    ASSERT_NE(bildlos, nullptr);
    play(*bildlos);
    const Ulvo::FloatRect& r = bildlos->getTeile()[0]->window->getScreenRect();
    click(D3DXVECTOR2(r.left + 2, r.bottom - 2));
    EXPECT_TRUE(bildlos->getTeile()[0]->found);
    frames(0.5);
    EXPECT_FALSE(bildlos->isFlagSet(false));
    EXPECT_EQ(bildlos->getLabel()->getText(), L"Noch 1 Unterschied") << "one in the singular";

    UnterschiedeAnklicken* fensterlos = find<UnterschiedeAnklicken>(L"FENSTERLOS");
    ASSERT_NE(fensterlos, nullptr);
    EXPECT_EQ(fensterlos->getTeile()[0]->window, nullptr);
    play(*fensterlos);
    frames(0.2);
    EXPECT_FALSE(fensterlos->isFlagSet(false));

    UnterschiedeAnklicken* ohne = find<UnterschiedeAnklicken>(L"OHNE_VORLAGEN");
    ASSERT_NE(ohne, nullptr);
    EXPECT_EQ(ohne->getSpielfeld(), nullptr);
    play(*ohne);
    frames(0.2);
    picture();
}

} // namespace
