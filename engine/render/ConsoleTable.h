#pragma once
// The console commands of a receiver, declared once in a table (name, least number of
// arguments, help line, handler): registered from it and dispatched through it by name.
#include "foundation/ConsoleCommand.h"

#include <cstddef>
#include <cstdint>

namespace Ulvo {

template <class Receiver> struct ConsoleCommandEntry {
    const wchar_t* name;
    uint32_t requiredArguments;
    const wchar_t* help;
    void (Receiver::*handler)(TypedConsoleCommand& line);
};

template <class Receiver, std::size_t N>
void registerCommands(Receiver& receiver, const ConsoleCommandEntry<Receiver> (&table)[N])
{
    for (const ConsoleCommandEntry<Receiver>& entry : table)
        receiver.registerCommand(new ConsoleCommand(entry.name, entry.requiredArguments, entry.help));
}

// Runs the handler of the command's entry; false when the table has none.
template <class Receiver, std::size_t N>
bool dispatchCommand(Receiver& receiver, const ConsoleCommandEntry<Receiver> (&table)[N], const ConsoleCommand& command,
                     TypedConsoleCommand& line)
{
    for (const ConsoleCommandEntry<Receiver>& entry : table) {
        if (command.isCommand(entry.name)) {
            (receiver.*entry.handler)(line);
            return true;
        }
    }
    return false;
}

} // namespace Ulvo
