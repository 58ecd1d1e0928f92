#include "threematch/controller/ThreeMatchGame.h"

namespace ThreeMatch {

void ThreeMatchGame::update() {}
void ThreeMatchGame::requestIngame(int) {}

double ThreeMatchGame::wrathFill(double stock, double maximum)
{
    return maximum > 0.0 ? 1.0 - stock / maximum : 1.0;
}

void ThreeMatchGame::splitTime(double seconds, int& minutes, int& wholeSeconds, int& hundredths)
{
    if (seconds < 0.0)
        seconds = 0.0;
    const int whole = static_cast<int>(seconds);
    minutes = whole / 60;
    wholeSeconds = whole % 60;
    hundredths = static_cast<int>((seconds - whole) * 100.0);
}

} // namespace ThreeMatch
