// The game's own levels on the easy difficulty, played by a plain player who takes a few seconds
// over each swap (six) and uses every bonus once it is full: the first six are won, the wrath never
// turns most of the board to filler, the bonuses charge, and the town can then buy its market.
#include "PlayThroughSupport.h"

#include "engine/UlvoEngine.h"
#include "threematch/board/Bildchen.h"
#include "threematch/board/Feld.h"
#include "threematch/board/Spielfeld.h"
#include "threematch/bonuses/Bonus.h"
#include "threematch/bonuses/BonusManager.h"
#include "threematch/controller/ThreeMatchGame.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/profiles/Profil.h"
#include "threematch/profiles/ProfileManager.h"
#include "threematch/stones/Rohstoff.h"
#include "threematch/stones/RohstoffManager.h"
#include "threematch/stones/Rohstoffklasse.h"
#include "threematch/town/Gebaeude.h"
#include "threematch/town/GebaeudeManager.h"

#include <crt.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

using PlayThrough::GameHost;
using PlayThrough::RunFolder;
using ThreeMatch::Spielfeld;
namespace Player = PlayThrough::Player;

namespace {

ThreeMatch::MyGlobals& globals()
{
    return *static_cast<ThreeMatch::MyGlobals*>(Ulvo::UlvoEngine::getInstance()->getUserGlobals());
}

// Fires the first full bonus as the game does, on the first stone of a possible move when it asks
// for a cell; true when one fired.
bool useAFullBonus(Spielfeld& board)
{
    ThreeMatch::BonusManager& bonuses = globals().getBonusManager();
    for (int i = 0; ThreeMatch::Bonus* bonus = bonuses.getBonus(i); ++i) {
        if (!bonus->isAvailable() || !bonus->isCharged())
            continue;
        ThreeMatch::Feld* first = nullptr;
        ThreeMatch::Feld* second = nullptr;
        if (bonus->needsFeld() && !Player::chooseMove(board, first, second))
            return false;
        bonus->setSpielfeld(&board);
        bonus->apply(first);
        bonus->reset();
        return true;
    }
    return false;
}

// The share of the board's stones that the wrath has turned to filler.
double fillerShare(const Spielfeld& board)
{
    int stones = 0, filler = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            const ThreeMatch::Feld* cell = board.getFeld(x, y);
            const ThreeMatch::Rohstoff* type = cell && cell->getStone() ? cell->getStone()->getRohstoff() : nullptr;
            if (!type)
                continue;
            ++stones;
            if (type->getKlasse() && type->getKlasse()->getName() == L"FÜLLSTOFF")
                ++filler;
        }
    }
    return stones ? static_cast<double>(filler) / stones : 0.0;
}

// Drawn only where a player looks at a screen; the levels run on the game's updates alone.
// The level's cells as rows: 'T' a target left, '#' a wall, '.' a hole, 'o' a cleared cell.
std::string targetsLeft(const Spielfeld& board)
{
    std::string rows;
    for (int y = 0; y < 40 && board.getFeld(0, y); ++y) {
        for (int x = 0; x < 40 && board.getFeld(x, y); ++x) {
            const ThreeMatch::Feld* cell = board.getFeld(x, y);
            rows += cell->has(ThreeMatch::FeldFlag::kZiel)       ? 'T'
                    : cell->has(ThreeMatch::FeldFlag::Wand)      ? '#'
                    : !cell->has(ThreeMatch::FeldFlag::Spielbar) ? '.'
                                                                 : 'o';
        }
        rows += '\n';
    }
    return rows;
}

TEST(StoryBalance, SixLevelsOnEasyAreWonAndTheMarketIsBoughtAfterwards)
{
    RunFolder folder;
    const bool played = PlayThrough::runPhase("play", [&] {
        GameHost host(folder);
        ASSERT_TRUE(Player::createProfile(host, "clara"));
        ThreeMatch::Profil* profil = ThreeMatch::ProfileManager::getInstance()->getActiveProfile();
        ASSERT_NE(profil, nullptr);
        // The easy difficulty, or the one in STORY_DIFFICULTY (1 medium, 2 hard) for a look at the others.
        const char* asked = std::getenv("STORY_DIFFICULTY");
        const int difficulty = asked ? std::atoi(asked) : 0;
        profil->setSchwierigkeit(difficulty);
        globals().applyProfileSchwierigkeit(difficulty);
        ASSERT_TRUE(globals().getUseZorn());
        ThreeMatch::Rohstoffklasse* wrath = globals().getRohstoffManager().getZornKlasse();
        ASSERT_NE(wrath, nullptr);
        ThreeMatch::ThreeMatchGame& game = host.game();

        // The levels' stones come from the random sequence as it stands at its start, however many
        // draws the data's minigames took while loading and shuffling.
        crt_srand(1);
        int bonusesUsed = 0;
        for (int level = 0; level < 6; ++level) {
            game.requestIngame(ThreeMatch::ThreeMatchGame::REQUEST_NEXT_LEVEL);
            Player::updates(game, 400);
            Spielfeld* board = game.getBoard();
            ASSERT_EQ(board->getLevelNumber(), level);
            ASSERT_EQ(board->getState(), Spielfeld::Laeuft);
            double worstFiller = 0.0;
            for (int swaps = 0; swaps < 600 && board->getState() == Spielfeld::Laeuft; ++swaps) {
                for (int i = 0; i < 400 && board->isBusy(); ++i)
                    Player::updates(game, 1);
                // A player looks a while for the next swap.
                Player::updates(game, 240);
                worstFiller = std::max(worstFiller, fillerShare(*board));
                if (useAFullBonus(*board)) {
                    ++bonusesUsed;
                    continue;
                }
                ThreeMatch::Feld* first = nullptr;
                ThreeMatch::Feld* second = nullptr;
                if (Player::chooseMove(*board, first, second))
                    board->trySwap(first, second);
            }
            for (int i = 0;
                 i < 2000 && (board->getState() == Spielfeld::Laeuft || board->getState() == Spielfeld::Endet); ++i)
                Player::updates(game, 1);
            const double fill = ThreeMatch::ThreeMatchGame::wrathFill(wrath->getPunkte(), globals().getWrathMax());
            std::printf("level %d: state %d, %.0f s of %.0f left, wrath %.2f, worst filler share %.2f\n", level + 1,
                        board->getState(), board->getTimeLeft(), board->getTimeLimit(), fill, worstFiller);
            EXPECT_LT(worstFiller, 0.5) << "level " << level + 1;
            ASSERT_EQ(board->getState(), Spielfeld::Gewonnen) << "level " << level + 1 << ":\n" << targetsLeft(*board);
            ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCH_AUSWERTUNG_WIN_MENU"));
            ASSERT_TRUE(host.click(L"THREEMATCHAUSWERTUNG_WIN_OK"));
            ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCH_BAUEN_MENU"));
            ASSERT_EQ(profil->getActualLevel(), level + 1);
        }
        EXPECT_GT(bonusesUsed, 0) << "no bonus was ever full";

        ThreeMatch::Gebaeude* market = globals().getGebaeudeManager().findGebaeude(L"MARKT");
        ASSERT_NE(market, nullptr);
        for (const ThreeMatch::Gebaeude::Kosten& cost : market->getKosten())
            std::printf("%ls: %d of %d\n", cost.klasse->getName().c_str(), cost.klasse->getPunkte(), cost.anzahl);
        EXPECT_TRUE(market->canBuild()) << "the market is out of reach after six levels";
    });
    EXPECT_TRUE(played);
}

} // namespace
