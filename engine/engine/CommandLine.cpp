#include "engine/CommandLine.h"

#include "foundation/logging/Logger.h"
#include "engine/UlvoEngine.h"

#include <algorithm>
#include <vector>

// INSTANCING itself lives with the mesh objects that read it.

namespace Ulvo {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// A leading decimal integer: optional sign, digits; 0 without digits.
int readInteger(const std::string& text)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        // Saturate instead of overflowing on absurdly long numbers.
        if (value < 0x7FFFFFFFLL)
            value = value * 10 + (text[i] - '0');
    }
    if (value > 0x7FFFFFFFLL)
        value = 0x7FFFFFFFLL;
    return static_cast<int>(negative ? -value : value);
}

} // namespace

bool parseCommandLine(UlvoEngine* engine, const std::string& commandLine)
{
    if (!engine || engine->isInitialised())
        return false;

    Logger& log = mainLogger();
    log.setPriority(200, 7);
    bool showConsole = false;
    bool showConsoleFirst = false;
    bool showVideo = true;
    bool debug = false;
    bool inGameConsole = false;
    INSTANCING = false;

    // Each switch runs from a '-' to the next '-' or the end; text before the
    // first '-' is ignored, so no value can be negative.
    std::vector<std::string> switches;
    std::size_t start = commandLine.find('-');
    while (start != std::string::npos) {
        const std::size_t next = commandLine.find('-', start + 1);
        switches.push_back(commandLine.substr(start, next == std::string::npos ? std::string::npos : next - start));
        start = next;
    }

    for (std::string& text : switches) {
        std::size_t first = 0;
        while (first < text.size() && (text[first] == '-' || isBlank(text[first])))
            ++first;
        std::size_t last = text.size();
        while (last > first && isBlank(text[last - 1]))
            --last;
        const std::string trimmed = text.substr(first, last - first);
        std::size_t blank = 0;
        while (blank < trimmed.size() && !isBlank(trimmed[blank]))
            ++blank;
        // Empty, or a name without a value.
        if (trimmed.empty() || blank == trimmed.size())
            continue;
        const std::string name = trimmed.substr(0, blank);
        std::size_t valueStart = blank;
        while (valueStart < trimmed.size() && isBlank(trimmed[valueStart]))
            ++valueStart;
        const int value = readInteger(trimmed.substr(valueStart));

        if (name == "LOG_MISC")
            log.setPriority(value, 4);
        else if (name == "LOG_WARNING")
            log.setPriority(value, 2);
        else if (name == "LOG_ERROR")
            log.setPriority(value, 1);
        else if (name == "DISABLE_LOG")
            --logSwitch();
        else if (name == "SHOW_CONSOLE")
            showConsole = value != 0;
        else if (name == "ENABLE_INGAME_CONSOLE")
            inGameConsole = value != 0;
        else if (name == "SHOW_CONSOLE_FIRST")
            showConsoleFirst = value != 0;
        else if (name == "VISUAL_DEBUGGER")
            continue; // accepted, no effect
        else if (name == "SHOW_VIDEO")
            showVideo = value != 0;
        else if (name == "DEBUG")
            debug = value != 0;
        else if (name == "INSTANCING")
            INSTANCING = value != 0;
    }

    engine->setShowConsole(showConsole);
    engine->setShowConsoleFirst(showConsoleFirst);
    engine->getEngineParams().setShowVideo(showVideo);
    engine->setDebug(debug);
    engine->setInGameConsoleEnabled(inGameConsole);
    return true;
}

namespace {

// Kept beside the parser above, so a new switch is described where it is read.
const char* const kSwitchLines[][2] = {
    {"-LOG_MISC n", "info lines of priority n and above go to the logs (0: all; none by default)"},
    {"-LOG_WARNING n", "warnings of priority n and above"},
    {"-LOG_ERROR n", "errors of priority n and above"},
    {"-DISABLE_LOG 1", "turns every log off"},
    {"-SHOW_CONSOLE 1", "shows the log console"},
    {"-SHOW_CONSOLE_FIRST 1", "shows the log console before the devices start"},
    {"-ENABLE_INGAME_CONSOLE 1", "enables the in-game console (the key left of 1)"},
    {"-SHOW_VIDEO 0", "marks the intro video as not wanted"},
    {"-DEBUG 1", "the engine's debug mode"},
    {"-INSTANCING 1", "draws repeated meshes instanced"},
    {"-VISUAL_DEBUGGER n", "accepted, no effect"},
};

} // namespace

std::string commandLineSwitchHelp()
{
    std::string text;
    for (const auto& [name, meaning] : kSwitchLines) {
        std::string line = "  " + std::string(name);
        line.resize(std::max<std::size_t>(line.size() + 2, 28), ' ');
        text += line + meaning + "\n";
    }
    return text;
}

bool isCommandLineSwitch(const std::string& name)
{
    for (const auto& line : kSwitchLines) {
        const std::string known = line[0];
        if (known.compare(1, known.find(' ') - 1, name) == 0)
            return true;
    }
    return false;
}

} // namespace Ulvo
