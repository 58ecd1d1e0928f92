#include "devices/KeyState.h"

#include "foundation/UlvoEngine.h"

#include <cstring>

namespace Ulvo {

KeyState::KeyState()
{
    std::memset(keys, 0, sizeof keys);
    std::memset(pressedThisPoll, 0, sizeof pressedThisPoll);
    std::memset(pressTimes, 0, sizeof pressTimes);
    std::memset(repeating, 0, sizeof repeating);
}

bool KeyState::isKeyDown(const unsigned char& key, const bool& ignoreConsole) const
{
    if (!ignoreConsole && UlvoEngine::getInstance()->isConsoleVisible())
        return false;
    return (keys[key] & 0x80) != 0;
}

} // namespace Ulvo
