#pragma once
// The keyboard state of one DirectInput poll and the key signals emitted from it.
#include "foundation/sigslot.h"

#include <cstdint>

namespace Ulvo {

class KeyState {
public:
    KeyState();

    // Bit 7 of the key's byte; false for every key while the in-game console is
    // open, unless ignoreConsole is set.
    bool isKeyDown(const unsigned char& key, const bool& ignoreConsole) const;

    unsigned char keys[256];            // DirectInput state by DIK_* code, bit 7 = down
    unsigned char pressedThisPoll[256]; // 1 when the key went down in the last poll
    uint32_t pressTimes[256];           // GetTickCount of the last press or repeat

    sigslot::signal2<KeyState&, const unsigned char&> keyDown;     // every poll while down
    sigslot::signal2<KeyState&, const unsigned char&> keyPressed;  // went down
    sigslot::signal2<KeyState&, const unsigned char&> keyTyped;    // went down or repeated
    sigslot::signal2<KeyState&, const unsigned char&> keyReleased; // went up
    // Went down or repeated, also while the in-game console is open.
    sigslot::signal2<KeyState&, const unsigned char&> consoleKey;

    unsigned char repeating[256]; // 1 once the key's repeat has started
};

} // namespace Ulvo
