#pragma once
// Owns the input bindings and polls every one of them once per engine update.
#include "foundation/app/MainLoopSignals.h"
#include "foundation/sigslot.h"

#include <vector>

namespace Ulvo {

class Input;

class Inputmanager : public sigslot::has_slots<> {
public:
    // Built on first use, destroyed at process exit.
    static Inputmanager* getInstance();
    ~Inputmanager() override;

    // The engine's start-up step: polls the bindings on every update step. The engine
    // connects the manager before anything else, so bindings are current before the
    // game's update.
    void connect(MainLoopSignals& loop);
    void disconnect(MainLoopSignals& loop);

    // Polls each binding, in order, with every source.
    void update();

    // Takes the binding over; it is deleted with the manager or by removeInput.
    void addInput(Input* input);
    // Deletes the binding; false when the manager does not hold it.
    bool removeInput(Input* input);
    const std::vector<Input*>& getInputs() const { return m_inputs; }

    // The GUI's menus connect their input handler to the first.
    sigslot::signal1<Input&> inputActivated;
    sigslot::signal1<Input&> inputHeld;
    sigslot::signal1<Input&> inputDeactivated;

private:
    Inputmanager();

    std::vector<Input*> m_inputs;
};

} // namespace Ulvo
