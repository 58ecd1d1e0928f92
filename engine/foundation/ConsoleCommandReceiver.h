#pragma once
// Base of every object that offers console commands.
#include "foundation/ConsoleCommand.h"
#include "foundation/sigslot.h"

#include <map>
#include <string>
#include <vector>

namespace Ulvo {

// Connects itself to the console dispatcher on construction; the slot holder
// disconnects itself on destruction. Owns its registered command records.
class ConsoleCommandReceiver : public sigslot::has_slots<> {
public:
    ConsoleCommandReceiver();
    ~ConsoleCommandReceiver() override;
    ConsoleCommandReceiver(const ConsoleCommandReceiver&) = delete;
    ConsoleCommandReceiver& operator=(const ConsoleCommandReceiver&) = delete;

    // Runs one of this receiver's commands; called only with enough arguments.
    virtual void execute(ConsoleCommand& command, TypedConsoleCommand& line);
    // Candidates for the arguments of the line's command (without the name).
    virtual void completeArguments(TypedConsoleCommand& line, std::vector<std::wstring>& candidates);

    // Takes ownership. A second record with the same lower-case name is deleted
    // at once and the first kept.
    void registerCommand(ConsoleCommand* command);

    const std::map<std::wstring, ConsoleCommand*>& getCommands() const { return m_commands; }

private:
    // Slots of the dispatcher's two signals.
    void dispatchExecute(TypedConsoleCommand& line, bool& handled);
    void dispatchComplete(TypedConsoleCommand& line, std::vector<std::wstring>& candidates);

    std::map<std::wstring, ConsoleCommand*> m_commands; // by lower-case name
};

} // namespace Ulvo
