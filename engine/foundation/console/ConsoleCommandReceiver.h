#pragma once
// Base of every object that offers console commands.
//
// A receiver declares its commands once, in a static table of
// ConsoleCommandEntry lines (name, required arguments, help line, the member
// that runs it and, optionally, the member that completes its arguments), and
// hands the table to registerCommands from its constructor:
//
//     static const ConsoleCommandEntry<Clock> kCommands[] = {
//         {L"TIME_Pause", 2, L"TIME_Pause 0/1 Pauseslot; ...", &Clock::consolePause},
//     };
//     registerCommands(kCommands);
//
// The default execute and completeArguments then run the entry of the line's
// command; the dispatcher has already answered with the help line when too few
// arguments were typed.
#include "foundation/console/ConsoleCommand.h"
#include "foundation/sigslot.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

namespace Ulvo {

template <class Receiver> struct ConsoleCommandEntry {
    const wchar_t* name;
    uint32_t requiredArguments;
    const wchar_t* help;
    void (Receiver::*run)(TypedConsoleCommand& line);
    // Candidates for the arguments (without the name); null offers none.
    void (Receiver::*complete)(TypedConsoleCommand& line, std::vector<std::wstring>& candidates) = nullptr;
};

// Connects itself to the console dispatcher on construction; the slot holder
// disconnects itself on destruction. Owns its registered command records.
class ConsoleCommandReceiver : public sigslot::has_slots<> {
public:
    ConsoleCommandReceiver();
    ~ConsoleCommandReceiver() override;
    ConsoleCommandReceiver(const ConsoleCommandReceiver&) = delete;
    ConsoleCommandReceiver& operator=(const ConsoleCommandReceiver&) = delete;

    // Runs one of this receiver's commands; called only with enough arguments.
    // By default the member of the command's table entry.
    virtual void execute(ConsoleCommand& command, TypedConsoleCommand& line);
    // Candidates for the arguments of the line's command (without the name).
    // By default the completion member of the command's table entry.
    virtual void completeArguments(TypedConsoleCommand& line, std::vector<std::wstring>& candidates);

    // Takes ownership. A second record with the same lower-case name is deleted
    // at once and the first kept.
    void registerCommand(ConsoleCommand* command);

    const std::map<std::wstring, ConsoleCommand*>& getCommands() const { return m_commands; }

protected:
    // Registers every line of the table (which must outlive the receiver) as a
    // command of this receiver, an object of type Receiver. A name registered
    // before keeps its first record and member.
    template <class Receiver, std::size_t N> void registerCommands(const ConsoleCommandEntry<Receiver> (&table)[N]);

private:
    // A table entry with its receiver type erased.
    struct Binding {
        const void* entry;
        void (*run)(ConsoleCommandReceiver& receiver, const void* entry, TypedConsoleCommand& line);
        void (*complete)(ConsoleCommandReceiver& receiver, const void* entry, TypedConsoleCommand& line,
                         std::vector<std::wstring>& candidates);
    };

    template <class Receiver>
    static void runEntry(ConsoleCommandReceiver& receiver, const void* entry, TypedConsoleCommand& line)
    {
        const auto& typed = *static_cast<const ConsoleCommandEntry<Receiver>*>(entry);
        (static_cast<Receiver&>(receiver).*typed.run)(line);
    }

    template <class Receiver>
    static void completeEntry(ConsoleCommandReceiver& receiver, const void* entry, TypedConsoleCommand& line,
                              std::vector<std::wstring>& candidates)
    {
        const auto& typed = *static_cast<const ConsoleCommandEntry<Receiver>*>(entry);
        (static_cast<Receiver&>(receiver).*typed.complete)(line, candidates);
    }

    // registerCommand; true when the record was kept.
    bool addCommand(ConsoleCommand* command);

    // Slots of the dispatcher's two signals.
    void dispatchExecute(TypedConsoleCommand& line, bool& handled);
    void dispatchComplete(TypedConsoleCommand& line, std::vector<std::wstring>& candidates);

    std::map<std::wstring, ConsoleCommand*> m_commands; // by lower-case name
    std::map<std::wstring, Binding> m_bindings;         // by lower-case name
};

template <class Receiver, std::size_t N>
void ConsoleCommandReceiver::registerCommands(const ConsoleCommandEntry<Receiver> (&table)[N])
{
    static_assert(std::is_base_of_v<ConsoleCommandReceiver, Receiver>, "the table's members belong to a receiver");
    for (const ConsoleCommandEntry<Receiver>& entry : table) {
        const Binding binding{&entry, &runEntry<Receiver>, entry.complete ? &completeEntry<Receiver> : nullptr};
        ConsoleCommand* command = new ConsoleCommand(entry.name, entry.requiredArguments, entry.help);
        const std::wstring key = command->getLowerName();
        if (addCommand(command))
            m_bindings.emplace(key, binding);
    }
}

} // namespace Ulvo
