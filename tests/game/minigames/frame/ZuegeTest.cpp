// The moves a kind lists for the console ("MS_Zuege"), made with the mouse as a player makes
// them, solve a game of that kind; the console logs them in screen pixels with their count.
#include "KindTestSupport.h"

#include "foundation/console/ConsoleDispatcher.h"
#include "foundation/console/ConsoleCommand.h"

#include <regex>

using namespace ThreeMatch;
using KindTesting::KindTest;

namespace {

// One string's characters (a move's text comes new from each call).
std::string narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

class ZuegeTest : public KindTest {
protected:
    // Asks for moves and makes them until the game is solved; the rounds it took, -1 when a
    // round listed nothing or the game stayed unsolved.
    int playListed(Minispiel& game, int rounds)
    {
        for (int round = 1; round <= rounds; ++round) {
            MinispielZuege zuege;
            game.naechsteZuege(zuege);
            if (zuege.empty())
                return -1;
            for (const MinispielZug& zug : zuege) {
                if (zug.art == MinispielZug::Art::Ziehen) {
                    // As long as the window play-through's hand takes (a held button may count).
                    mouseTo(zug.from);
                    mouseDown();
                    for (int k = 1; k <= 8; ++k) {
                        mouseTo(zug.from + (zug.to - zug.from) * (k / 8.0f));
                        frames(0.08);
                    }
                    mouseUp();
                } else if (zug.art == MinispielZug::Art::Klick) {
                    click(zug.from);
                } else {
                    mouseTo(zug.from);
                    const UlvoMouseButton button =
                        zug.art == MinispielZug::Art::Rechtsklick ? ULVO_MOUSE_RIGHT : ULVO_MOUSE_MIDDLE;
                    mouse().buttonPressed.emit(mouse(), button);
                    press(button);
                    frames(0.05);
                    mouse().buttonReleased.emit(mouse(), button);
                    release(button);
                }
                // Every listed thing is where it is drawn: inside the screen, the point on it.
                EXPECT_TRUE(zug.from.x >= zug.drawn.left && zug.from.x <= zug.drawn.right &&
                            zug.from.y >= zug.drawn.top && zug.from.y <= zug.drawn.bottom)
                    << game.getName() << ": " << narrow(zug.text());
                frames(0.6);
            }
            if (game.isFlagSet(false))
                return round;
        }
        return -1;
    }
};

// Every game of the kinds played by presses, drags and held buttons on what they draw.
TEST_F(ZuegeTest, TheListedMovesSolveEveryGameOfTheHandPlayedKinds)
{
    loadGames();
    for (const wchar_t* name :
         {L"PUSTEN_HOF", L"PUSTEN_TEICH", L"AUSTAUSCH_HAFEN", L"AUSTAUSCH_MARKT", L"DREHBILD_WIESE", L"DREHBILD_BURG",
          L"RING_DORF", L"RING_SEE", L"MEMORY_OBST", L"MEMORY_WERKZEUG", L"RICHTIGES_SYMBOL_ESSEN",
          L"RICHTIGES_SYMBOL_WAPPEN", L"ZUORDNEN_LAGER", L"ZUORDNEN_WAAGE"}) {
        Minispiel* game = find<Minispiel>(name);
        ASSERT_NE(game, nullptr);
        play(*game);
        EXPECT_GT(playListed(*game, 12), 0) << std::string(name, name + std::wcslen(name)) << " is not solved";
        frames(1.5);
    }
}

TEST_F(ZuegeTest, TheListedMovesSolveEachKindAndTheConsoleLogsThem)
{
    loadGames();
    const wchar_t* names[] = {L"SCHIEBEPUZZLE_HOF", L"PUZZLE_DORF",     L"BAUEN_TURM",          L"LABYRINTH_PARK",
                              L"MAZE_HOEHLE",       L"PUNKTE_NIKOLAUS", L"OBJEKT_KLICKEN_NACHT"};
    for (const wchar_t* name : names) {
        Minispiel* game = find<Minispiel>(name);
        ASSERT_NE(game, nullptr);
        play(*game);
        EXPECT_GT(playListed(*game, 8), 0) << std::string(name, name + std::wcslen(name)) << " is not solved";
        frames(1.5);
    }

    // The console lists the moves of the game played, in whole pixels, then their count.
    Minispiel* game = find<Minispiel>(L"SCHIEBEPUZZLE_MAUER");
    ASSERT_NE(game, nullptr);
    play(*game);
    MinispielZuege zuege;
    game->naechsteZuege(zuege);
    ASSERT_FALSE(zuege.empty());
    const auto console = [] {
        LogCapture log;
        Ulvo::TypedConsoleCommand line(L"MS_Zuege");
        Ulvo::ConsoleDispatcher::getInstance()->execute(line);
        return log.text();
    };
    const std::string text = console();
    const std::regex move("MS_Zug KLICK -?\\d+ -?\\d+ IN -?\\d+ -?\\d+ -?\\d+ -?\\d+\\n");
    EXPECT_EQ(std::distance(std::sregex_iterator(text.begin(), text.end(), move), std::sregex_iterator()),
              static_cast<long>(zuege.size()))
        << text;
    EXPECT_NE(text.find("MS_Zuege: " + std::to_string(zuege.size())), std::string::npos) << text;
    // Behind the help nothing reaches the game.
    manager().showHelp(true);
    const std::string hidden = console();
    EXPECT_NE(hidden.find("MS_Zuege: 0"), std::string::npos) << hidden;
}

} // namespace
