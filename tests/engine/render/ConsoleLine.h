#pragma once
// A line typed into the running engine's console: its answer, or its completions.
#include "foundation/console/ConsoleCommand.h"
#include "foundation/console/ConsoleDispatcher.h"

#include <string>
#include <vector>

namespace RenderTesting {

inline std::wstring run(const std::wstring& text)
{
    Ulvo::TypedConsoleCommand line(text);
    Ulvo::ConsoleDispatcher::getInstance()->execute(line);
    return line.getAnswer();
}

inline std::vector<std::wstring> complete(const std::wstring& text)
{
    Ulvo::TypedConsoleCommand line(text);
    std::vector<std::wstring> candidates;
    Ulvo::ConsoleDispatcher::getInstance()->complete(line, candidates);
    return candidates;
}

} // namespace RenderTesting
