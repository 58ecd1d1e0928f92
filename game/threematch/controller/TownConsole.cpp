#include "threematch/controller/TownConsole.h"

#include "foundation/logging/Logger.h"

#include <string>
#include <utility>

namespace ThreeMatch {

TownConsole::TownConsole(std::function<void(int)> addStock) : m_addStock(std::move(addStock))
{
    static const Ulvo::ConsoleCommandEntry<TownConsole> kCommands[] = {
        {L"TM_Vorrat", 1, L"TM_Vorrat Anzahl; so viele Rohstoffe jeder Art mehr auf Vorrat",
         &TownConsole::consoleStock},
    };
    registerCommands(kCommands);
}

void TownConsole::consoleStock(Ulvo::TypedConsoleCommand& line)
{
    // A count the stock cannot take is refused rather than wrapped round.
    const int count = line.getParamInt(0);
    if (count <= 0 || count > 100000) {
        line.setAnswer(L" Anzahl 1 bis 100000");
        return;
    }
    if (m_addStock)
        m_addStock(count);
    line.setAnswer(L" +" + std::to_wstring(count));
    Ulvo::mainLogger().log(100, Ulvo::LOG_TYPE_INFO, L"TM_Vorrat: +", std::to_wstring(count), L"\n");
}

} // namespace ThreeMatch
