#pragma once
// The town's console command "TM_Vorrat n": n more of every resource in stock, so that a
// building can be bought without playing levels first (a test run through the window, or a
// demonstration). The console is there only where it was switched on.
#include "foundation/console/ConsoleCommandReceiver.h"

#include <functional>

namespace ThreeMatch {

class TownConsole : public Ulvo::ConsoleCommandReceiver {
public:
    // addStock adds its argument to every resource in stock and shows the new stock.
    explicit TownConsole(std::function<void(int)> addStock);

private:
    void consoleStock(Ulvo::TypedConsoleCommand& line);

    std::function<void(int)> m_addStock;
};

} // namespace ThreeMatch
