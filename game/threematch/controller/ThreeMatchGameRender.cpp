#include "threematch/controller/ThreeMatchGame.h"

namespace ThreeMatch {

void ThreeMatchGame::render() {}
void ThreeMatchGame::buildIngameWindow() {}
void ThreeMatchGame::takeScreenshot(Ulvo::KeyState&, const unsigned char&) {}

std::wstring ThreeMatchGame::nextScreenshotName(int& counter)
{
    return L"Screenshot_" + std::to_wstring(counter) + L".png";
}

} // namespace ThreeMatch
