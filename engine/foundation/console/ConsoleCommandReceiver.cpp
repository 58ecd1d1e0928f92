#include "foundation/console/ConsoleCommandReceiver.h"

#include "foundation/console/ConsoleDispatcher.h"

namespace Ulvo {

ConsoleCommandReceiver::ConsoleCommandReceiver()
{
    ConsoleDispatcher* dispatcher = ConsoleDispatcher::getInstance();
    dispatcher->onExecute.connect(this, &ConsoleCommandReceiver::dispatchExecute);
    dispatcher->onComplete.connect(this, &ConsoleCommandReceiver::dispatchComplete);
}

ConsoleCommandReceiver::~ConsoleCommandReceiver()
{
    // Leave the dispatcher first so no line reaches a half-destroyed receiver.
    disconnect_all();
    for (auto& entry : m_commands)
        delete entry.second;
    m_commands.clear();
}

void ConsoleCommandReceiver::execute(ConsoleCommand& command, TypedConsoleCommand& line)
{
    auto found = m_bindings.find(command.getLowerName());
    if (found != m_bindings.end())
        found->second.run(*this, found->second.entry, line);
}

void ConsoleCommandReceiver::completeArguments(TypedConsoleCommand& line, std::vector<std::wstring>& candidates)
{
    auto found = m_bindings.find(line.getLowerName());
    if (found != m_bindings.end() && found->second.complete)
        found->second.complete(*this, found->second.entry, line, candidates);
}

void ConsoleCommandReceiver::registerCommand(ConsoleCommand* command)
{
    addCommand(command);
}

bool ConsoleCommandReceiver::addCommand(ConsoleCommand* command)
{
    if (!command)
        return false;
    if (m_commands.emplace(command->getLowerName(), command).second)
        return true;
    delete command;
    return false;
}

void ConsoleCommandReceiver::dispatchExecute(TypedConsoleCommand& line, bool& handled)
{
    auto found = m_commands.find(line.getLowerName());
    if (found == m_commands.end())
        return;
    handled = true;
    ConsoleCommand* command = found->second;
    if (command->getRequiredArguments() > static_cast<uint32_t>(line.getArgumentCount())) {
        line.setAnswer(command->getHelp());
        return;
    }
    command->emit(*command, line);
    execute(*command, line);
}

void ConsoleCommandReceiver::dispatchComplete(TypedConsoleCommand& line, std::vector<std::wstring>& candidates)
{
    const std::wstring& typed = line.getLowerName();
    const bool hasArguments = line.getArgumentCount() > 0;
    std::vector<std::wstring> arguments;
    for (const auto& [key, command] : m_commands) {
        if (key.compare(0, typed.size(), typed) != 0)
            continue;
        if (key.size() > typed.size()) {
            if (!hasArguments)
                candidates.push_back(command->getName());
            continue;
        }
        arguments.clear();
        completeArguments(line, arguments);
        for (const std::wstring& argument : arguments)
            candidates.push_back(command->getName() + L" " + argument);
    }
}

} // namespace Ulvo
