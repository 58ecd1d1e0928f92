#include "foundation/console/ConsoleDispatcher.h"

namespace Ulvo {

ConsoleDispatcher* ConsoleDispatcher::getInstance()
{
    static ConsoleDispatcher instance;
    return &instance;
}

bool ConsoleDispatcher::execute(TypedConsoleCommand& line)
{
    bool handled = false;
    onExecute.emit(line, handled);
    line.setCursor(-1);
    return handled;
}

void ConsoleDispatcher::complete(TypedConsoleCommand& line, std::vector<std::wstring>& candidates)
{
    onComplete.emit(line, candidates);
}

} // namespace Ulvo
