// Pick the right path: ticking a path unticks the one before; OK with a wrong path (or with none
// ticked, which would otherwise solve the game) fails and starts the round again without
// touching the ticks or the time; a scripted player ticks the right path, the goal shows with
// the picture during the end delay and the score is the time left over the limit. A path
// without GUIRECT puts its box in the all-zero place; a new play starts with nothing ticked.
#include "KindTestSupport.h"

#include "gui/widgets/GUICheckboxButton.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/richtigerpfad/RichtigenPfadAnklicken.h"

using namespace ThreeMatch;
using KindTesting::KindTest;
using MinigameSolver::centre;

namespace {

using RichtigerPfadTest = KindTest;

TEST_F(RichtigerPfadTest, AWrongOrEmptyAnswerFailsAndTheRightPathShowsTheGoal)
{
    loadGames();
    auto* game = find<RichtigenPfadAnklicken>(L"RICHTIGER_PFAD_WALD");
    ASSERT_NE(game, nullptr);
    play(*game);
    const std::vector<RichtigenPfadAnklicken::Gebiet*>& paths = game->getGebiete();
    ASSERT_EQ(paths.size(), 3u);
    ASSERT_TRUE(paths[2]->richtig);
    ASSERT_NE(game->getArbeit(), nullptr);
    EXPECT_EQ(game->getArbeit()->getDrawOptions().getTexture(Ulvo::GUIDrawOptions::TEX_BACKGROUND), nullptr);
    // A point on the right path near the castle, in the half-size picture.
    const Ulvo::FloatRect& work = game->getArbeit()->getScreenRect();
    const UINT px = static_cast<UINT>((work.left + (work.right - work.left) * 400.0f / 480.0f) / 2);
    const UINT py = static_cast<UINT>((work.top + (work.bottom - work.top) * 180.0f / 360.0f) / 2);
    const TestSupport::Image start = picture();
    EXPECT_TRUE(matchesGolden(start, "richtigerpfad_start"));
    EXPECT_LT(TestSupport::channel(start.at(px, py), 16), 200) << TestSupport::hex(start.at(px, py));

    // Nothing ticked: no answer, so a failure rather than a solution.
    click(centre(*game->getOkButton()));
    EXPECT_EQ(results.failed, 1);
    EXPECT_FALSE(game->isFlagSet(false));

    click(centre(*paths[0]->checkbox));
    EXPECT_TRUE(paths[0]->checked);
    click(centre(*paths[1]->checkbox));
    EXPECT_TRUE(paths[1]->checked);
    EXPECT_FALSE(paths[0]->checked || paths[0]->checkbox->isChecked()) << "one path at a time";
    frames(2.0);
    const double before = game->getTimeLeft();
    click(centre(*game->getOkButton()));
    EXPECT_EQ(results.failed, 2);
    EXPECT_FALSE(game->isFlagSet(false));
    EXPECT_TRUE(paths[1]->checked) << "the round starts again with the ticks as they were";
    EXPECT_NEAR(game->getTimeLeft(), before - 0.05, 1e-6) << "and the time running on";
    click(centre(*paths[1]->checkbox));
    EXPECT_FALSE(paths[1]->checked) << "unticking leaves none ticked";

    ASSERT_TRUE(MinigameSolver::solveRichtigerPfad(*game, hands()));
    const double left = game->getTimeLeft();
    click(centre(*game->getOkButton()));
    frames(0.5);
    EXPECT_NE(game->getArbeit()->getDrawOptions().getTexture(Ulvo::GUIDrawOptions::TEX_BACKGROUND), nullptr);
    const TestSupport::Image solved = picture();
    EXPECT_TRUE(matchesGolden(solved, "richtigerpfad_solved"));
    const DWORD gold = solved.at(px, py);
    EXPECT_GT(TestSupport::channel(gold, 16), 200) << TestSupport::hex(gold);
    EXPECT_GT(TestSupport::channel(gold, 8), 140) << TestSupport::hex(gold);
    EXPECT_LT(TestSupport::channel(gold, 0), 120) << TestSupport::hex(gold);
    EXPECT_TRUE(results.scores.empty()) << "the end delay runs first";
    frames(1.6);
    ASSERT_EQ(results.scores.size(), 1u);
    EXPECT_NEAR(results.scores[0], left / 45.0, 1e-6);
    EXPECT_EQ(results.failed, 2);
    // The next play starts with no path ticked: the last answer does not solve it again.
    play(*game);
    for (const RichtigenPfadAnklicken::Gebiet* path : paths)
        EXPECT_FALSE(path->checked || path->checkbox->isChecked());
    click(centre(*game->getOkButton()));
    EXPECT_FALSE(game->isFlagSet(false));
}

TEST_F(RichtigerPfadTest, APressOnAPathsDrawnStartBesideItsBoxTicksIt)
{
    loadGames();
    for (const wchar_t* name : {L"RICHTIGER_PFAD_WALD", L"RICHTIGER_PFAD_BERG"}) {
        auto* game = find<RichtigenPfadAnklicken>(name);
        ASSERT_NE(game, nullptr);
        play(*game);
        // The paths leave their boxes to the right (in the wood) or upwards (on the mountain):
        // a press on the drawn path just past the box's edge.
        const bool upright = name == std::wstring(L"RICHTIGER_PFAD_BERG");
        for (const RichtigenPfadAnklicken::Gebiet* path : game->getGebiete()) {
            const Ulvo::FloatRect& box = path->checkbox->getScreenRect();
            const D3DXVECTOR2 mid = centre(*path->checkbox);
            const D3DXVECTOR2 beside = upright ? D3DXVECTOR2(mid.x, box.top - 5) : D3DXVECTOR2(box.right + 5, mid.y);
            click(beside);
            EXPECT_TRUE(path->checked);
            click(beside);
            EXPECT_FALSE(path->checked);
        }
    }
}

TEST_F(RichtigerPfadTest, APathWithoutPlaceOrBoxStillPlays)
{
    loadGames(LR"(<MINISPIEL TYPE="RICHTIGER_PFAD" NAME="KAHL" TIMER="0.5">
          <GEBIET GUI_CHECK_BOX="RICHTIGER_WEG_HAEKCHEN" RICHTIG="1"/><GEBIET GUI_CHECK_BOX="RICHTIGER_WEG_OK"/>
          <GEBIET RICHTIG="1"/></MINISPIEL>)");
    auto* game = find<RichtigenPfadAnklicken>(L"KAHL");
    ASSERT_NE(game, nullptr);
    play(*game);
    const std::vector<RichtigenPfadAnklicken::Gebiet*>& paths = game->getGebiete();
    ASSERT_NE(paths[0]->checkbox, nullptr);
    EXPECT_EQ(paths[1]->checkbox, nullptr) << "a button is no checkbox";
    EXPECT_EQ(paths[0]->checkbox->getGUIRect(), Ulvo::GUIRect());
    const Ulvo::FloatRect& box = paths[0]->checkbox->getScreenRect();
    const Ulvo::FloatRect& work = game->getArbeit()->getScreenRect();
    EXPECT_EQ(box.left, work.left);
    EXPECT_EQ(box.right, work.left);
    paths[0]->checkbox->setChecked(true);
    click(centre(*game->getOkButton()));
    frames(0.6);
    EXPECT_EQ(results.scores.size(), 1u);
}

} // namespace
