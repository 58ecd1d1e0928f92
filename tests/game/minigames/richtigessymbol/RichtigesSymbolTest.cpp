// Pick the right symbols: ANORDNUNG lays the areas out in a grid, ticking an area unticks those
// sharing a GROUP bit; a wrong answer fails and starts again with the areas shuffled and
// unticked; a scripted player ticks the right ones and the score comes at once. Fewer than two
// areas skip the shuffle (which would never find a second area), an ANORDNUNG of 0 is one
// column, an area without checkbox counts as answered right, and without ANORDNUNG the areas
// keep their places and ticks after a wrong answer, though a new play starts unticked.
#include "KindTestSupport.h"

#include "gui/widgets/GUICheckboxButton.h"
#include "gui/widgets/GUILabel.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/richtigessymbol/RichtigesSymbolAnklicken.h"

using namespace ThreeMatch;
using KindTesting::KindTest;
using MinigameSolver::centre;

namespace {

using RichtigesSymbolTest = KindTest;
using Gebiet = RichtigesSymbolAnklicken::Gebiet;

std::vector<Ulvo::GUIRect> places(const RichtigesSymbolAnklicken& game)
{
    std::vector<Ulvo::GUIRect> rects;
    for (const Gebiet* gebiet : game.getGebiete())
        rects.push_back(gebiet->window->getGUIRect());
    return rects;
}

TEST_F(RichtigesSymbolTest, GroupsExcludeEachOtherAWrongAnswerReshufflesAndTheRightOneScores)
{
    loadGames();
    auto* game = find<RichtigesSymbolAnklicken>(L"RICHTIGES_SYMBOL_WAPPEN");
    ASSERT_NE(game, nullptr);
    play(*game);
    const std::vector<Gebiet*>& areas = game->getGebiete();
    ASSERT_EQ(areas.size(), 6u);
    EXPECT_EQ(game->getAnordnung(), 3);
    // Six areas in three columns and two rows, each cell less the margins.
    std::vector<std::pair<float, float>> cells;
    for (const Ulvo::GUIRect& rect : places(*game)) {
        EXPECT_FLOAT_EQ(rect.size.xRel, 1.0f / 3.0f);
        EXPECT_FLOAT_EQ(rect.size.yRel, 0.5f);
        EXPECT_FLOAT_EQ(rect.size.xOff, -12.0f);
        cells.emplace_back(rect.position.xRel, rect.position.yRel);
    }
    std::sort(cells.begin(), cells.end());
    EXPECT_EQ(std::unique(cells.begin(), cells.end()), cells.end()) << "every area in a cell of its own";
    EXPECT_TRUE(matchesGolden(picture(), "richtigessymbol_start"));

    // The key (group 1) and the hammer (group 1) exclude each other; the star (group 2) stays.
    click(centre(*areas[0]->checkbox));
    click(centre(*areas[3]->checkbox));
    click(centre(*areas[1]->checkbox));
    EXPECT_FALSE(areas[0]->checkbox->isChecked());
    EXPECT_TRUE(areas[1]->checkbox->isChecked());
    EXPECT_TRUE(areas[3]->checkbox->isChecked());
    click(centre(*areas[1]->checkbox));
    EXPECT_FALSE(areas[1]->checkbox->isChecked());
    EXPECT_TRUE(areas[3]->checkbox->isChecked()) << "unticking changes nothing else";

    click(centre(*areas[1]->checkbox));
    const std::vector<Ulvo::GUIRect> before = places(*game);
    click(centre(*game->getOkButton()));
    EXPECT_EQ(results.failed, 1);
    EXPECT_FALSE(game->isFlagSet(false));
    EXPECT_NE(places(*game), before) << "shuffled";
    for (const Gebiet* gebiet : areas)
        EXPECT_FALSE(gebiet->checkbox->isChecked()) << "and unticked";
    frames(0.3);

    // A press on a card's text ticks and unticks it; the key and the star are ticked by a press
    // on their pictures: the whole card is what the player clicks.
    for (const Gebiet* gebiet : areas) {
        const Ulvo::FloatRect& card = gebiet->window->getScreenRect();
        const D3DXVECTOR2 text((card.left + card.right) / 2, card.bottom - 4);
        click(text);
        EXPECT_TRUE(gebiet->checkbox->isChecked());
        click(text);
        EXPECT_FALSE(gebiet->checkbox->isChecked());
    }
    for (const Gebiet* gebiet : areas) {
        if (gebiet->richtig)
            click(centre(*gebiet->label));
    }
    for (const Gebiet* gebiet : areas)
        EXPECT_EQ(gebiet->checkbox->isChecked(), gebiet->richtig);
    frames(0.3);
    EXPECT_TRUE(matchesGolden(picture(), "richtigessymbol_solved"));
    ASSERT_TRUE(MinigameSolver::solveRichtigesSymbol(*game, hands()));
    ASSERT_EQ(results.scores.size(), 1u) << "at once, without the end delay";
    EXPECT_NEAR(results.scores[0], game->getTimeLeft() / 40.0, 1e-6);
    EXPECT_TRUE(game->isFlagSet(true));
    click(centre(*game->getOkButton()));
    EXPECT_EQ(results.scores.size(), 1u) << "an ended game reports once";
}

TEST_F(RichtigesSymbolTest, OneAreaZeroColumnsAndNoCheckboxEndWithoutHanging)
{
    loadGames(LR"(<MINISPIEL TYPE="RICHTIGES_SYMBOL" NAME="EINS" ANORDNUNG="0">
          <GEBIET GUI="RICHTIGES_SYMBOL_GEBIET" GUI_CHECK_BOX="RICHTIGES_SYMBOL_HAEKCHEN" RICHTIG="1"/></MINISPIEL>
        <MINISPIEL TYPE="RICHTIGES_SYMBOL" NAME="OHNE_BOX" ANORDNUNG="2">
          <GEBIET GUI="RICHTIGES_SYMBOL_GEBIET" RICHTIG="1"/><GEBIET GUI="RICHTIGES_SYMBOL_GEBIET"/></MINISPIEL>
        <MINISPIEL TYPE="RICHTIGES_SYMBOL" NAME="FREI">
          <GEBIET GUI="RICHTIGES_SYMBOL_GEBIET" GUI_CHECK_BOX="RICHTIGES_SYMBOL_HAEKCHEN" RICHTIG="1" GROUP="0">
            <GUIRECT><POS_TL X_REL="0.5"/><SIZE X_REL="0.2" Y_REL="0.2"/></GUIRECT></GEBIET>
          <GEBIET GUI="RICHTIGES_SYMBOL_GEBIET" GUI_CHECK_BOX="RICHTIGES_SYMBOL_HAEKCHEN" GROUP="0"/></MINISPIEL>)");
    auto* one = find<RichtigesSymbolAnklicken>(L"EINS");
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->getAnordnung(), 1);
    play(*one);
    click(centre(*one->getOkButton()));
    EXPECT_EQ(results.failed, 1) << "an unticked right area is wrong; the restart does not hang";
    ASSERT_TRUE(MinigameSolver::solveRichtigesSymbol(*one, hands()));

    auto* noBox = find<RichtigesSymbolAnklicken>(L"OHNE_BOX");
    ASSERT_NE(noBox, nullptr);
    play(*noBox);
    click(centre(*noBox->getOkButton()));
    EXPECT_TRUE(noBox->isFlagSet(false)) << "areas without checkbox answer as they should";

    auto* frei = find<RichtigesSymbolAnklicken>(L"FREI");
    ASSERT_NE(frei, nullptr);
    play(*frei);
    const std::vector<Gebiet*>& areas = frei->getGebiete();
    EXPECT_FLOAT_EQ(areas[0]->window->getGUIRect().position.xRel, 0.5f) << "its own place";
    click(centre(*areas[0]->checkbox));
    click(centre(*areas[1]->checkbox));
    EXPECT_TRUE(areas[0]->checkbox->isChecked() && areas[1]->checkbox->isChecked()) << "group 0 excludes nothing";
    click(centre(*frei->getOkButton()));
    EXPECT_EQ(results.failed, 2);
    EXPECT_TRUE(areas[0]->checkbox->isChecked()) << "without ANORDNUNG the ticks stay";
    EXPECT_FLOAT_EQ(areas[0]->window->getGUIRect().position.xRel, 0.5f) << "and so do the places";
    EXPECT_EQ(results.scores.size(), 2u);
    // A new play starts unticked, so the last answer does not stand.
    play(*frei);
    EXPECT_FALSE(areas[0]->checkbox->isChecked() || areas[1]->checkbox->isChecked());
}

} // namespace
