#pragma once
// Hands typed console lines to every command receiver.
#include "foundation/console/ConsoleCommand.h"
#include "foundation/sigslot.h"

#include <string>
#include <vector>

namespace Ulvo {

class ConsoleDispatcher {
public:
    // Lives from first use to process exit.
    static ConsoleDispatcher* getInstance();

    // Every receiver that registered the line's name runs it (or answers with
    // its help line when arguments are missing). The cursor is -1 afterwards.
    // False when no receiver knows the name: the answer is then untouched, so
    // the caller says the command was not found.
    bool execute(TypedConsoleCommand& line);
    // Appends the completion candidates of every receiver, in each receiver's
    // key order: command names for a partly typed name, or "Name argument" lines
    // from completeArguments for an exact name.
    void complete(TypedConsoleCommand& line, std::vector<std::wstring>& candidates);

    sigslot::signal2<TypedConsoleCommand&, bool&> onExecute;
    sigslot::signal2<TypedConsoleCommand&, std::vector<std::wstring>&> onComplete;

private:
    ConsoleDispatcher() = default;
};

} // namespace Ulvo
