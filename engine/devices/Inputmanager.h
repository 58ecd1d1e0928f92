#pragma once
// Input bindings polled once per engine update. Stand-in: the class grows with
// the input subsystem; its constructor already takes the first place on the
// engine's update signal.
#include "foundation/sigslot.h"

namespace Ulvo {

class Inputmanager : public sigslot::has_slots<> {
public:
    // The engine asks for it while it is being built; the constructor reaches
    // the engine then.
    static Inputmanager* getInstance();
    ~Inputmanager() override = default;

    // Polls the bindings (none exist yet).
    void update();

private:
    Inputmanager();
};

} // namespace Ulvo
