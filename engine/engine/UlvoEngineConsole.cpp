// The engine's console side: the "E_" commands, the history of typed lines and
// the editing of the current line by keyboard events.
#include "engine/UlvoEngine.h"

#include "devices/input/KeyState.h"
#include "devices/input/TastaturLayout.h"
#include "devices/input/TastaturLayoutManager.h"
#include "foundation/console/ConsoleDispatcher.h"
#include "foundation/logging/Logger.h"

#include <platform_app.h>

#include <algorithm>

namespace Ulvo {

namespace {

// DirectInput key codes the console reacts to.
constexpr unsigned char kKeyConsole = 0x29; // left of 1
constexpr unsigned char kKeyTab = 0x0F;
constexpr unsigned char kKeyReturn = 0x1C;
constexpr unsigned char kKeyPadEnter = 0x9C;
constexpr unsigned char kKeyLeftControl = 0x1D;
constexpr unsigned char kKeyRightControl = 0x9D;
constexpr unsigned char kKeyLeftShift = 0x2A;
constexpr unsigned char kKeyRightShift = 0x36;
constexpr unsigned char kKeyRightAlt = 0xB8;
constexpr unsigned char kKeyUp = 0xC8;
constexpr unsigned char kKeyDown = 0xD0;
constexpr unsigned char kKeyLeft = 0xCB;
constexpr unsigned char kKeyRight = 0xCD;

bool isBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

} // namespace

void UlvoEngine::registerConsoleCommands()
{
    static const ConsoleCommandEntry<UlvoEngine> kCommands[] = {
        {L"E_Exit", 1, L"E_Exit 1; um Anwendung zu beenden", &UlvoEngine::consoleExit},
        {L"E_MaxConsoleHistory", 1, L"E_MaxConsoleHistory anz; um L\u00E4nge der Consolenhistory zu setzen",
         &UlvoEngine::consoleMaxHistory},
        {L"E_Debug", 1, L"E_Debug 0/1; um Debugeinstellungen zu aktivieren", &UlvoEngine::consoleDebug},
        {L"E_ShowOutputWindow", 1, L"E_ShowOutputWindow 0/1; um Ausgabefenster zu zeigen/verstecken",
         &UlvoEngine::consoleShowOutputWindow},
        {L"E_SetErrorOutputPriority", 1,
         L"E_SetErrorOutputPriority 0 - 100; zum Fehlermeldungen filtern 0- viele 100 wenige",
         &UlvoEngine::consoleErrorPriority},
        {L"E_SetWarningOutputPriority", 1,
         L"E_SetWarningOutputPriority 0 - 100; zum Warnmeldungen filtern 0- viele 100 wenige",
         &UlvoEngine::consoleWarningPriority},
        {L"E_SetInfoOutputPriority", 1,
         L"E_SetInfoOutputPriority 0 - 100; zum Infomeldungen filtern 0- viele 100 wenige",
         &UlvoEngine::consoleInfoPriority},
    };
    registerCommands(kCommands);
}

void UlvoEngine::consoleExit(TypedConsoleCommand& line)
{
    if (line.getParamBool(0))
        exit(0);
    else
        line.setAnswer(L" still running!");
}

void UlvoEngine::consoleMaxHistory(TypedConsoleCommand& line)
{
    line.setAnswer(L"");
    m_maxConsoleHistory = line.getParamInt(0);
    trimConsoleHistory();
}

void UlvoEngine::consoleDebug(TypedConsoleCommand& line)
{
    line.setAnswer(L"");
    m_debug = line.getParamBool(0);
}

void UlvoEngine::consoleShowOutputWindow(TypedConsoleCommand& line)
{
    line.setAnswer(L"");
    const bool show = line.getParamBool(0);
    mainLogger().showConsole(show);
    if (show)
        ShowWindow(m_window.getHWND(), SW_SHOW);
}

void UlvoEngine::consoleErrorPriority(TypedConsoleCommand& line)
{
    line.setAnswer(L"");
    mainLogger().setPriority(line.getParamInt(0), 1);
}

void UlvoEngine::consoleWarningPriority(TypedConsoleCommand& line)
{
    line.setAnswer(L"");
    mainLogger().setPriority(line.getParamInt(0), 2);
}

void UlvoEngine::consoleInfoPriority(TypedConsoleCommand& line)
{
    line.setAnswer(L"");
    mainLogger().setPriority(line.getParamInt(0), 4);
}

void UlvoEngine::addConsoleLine()
{
    TypedConsoleCommand* line = new TypedConsoleCommand(L"");
    m_consoleHistory.push_back(line);
    onConsoleLineAdded.emit(line, static_cast<int>(m_consoleHistory.size()) - 1);
}

void UlvoEngine::trimConsoleHistory()
{
    if (m_maxConsoleHistory <= 2)
        m_maxConsoleHistory = 2;
    while (m_consoleHistory.size() > static_cast<std::size_t>(m_maxConsoleHistory)) {
        TypedConsoleCommand* oldest = m_consoleHistory.front();
        onConsoleLineRemoved.emit(oldest);
        if (m_currentLine == oldest)
            m_currentLine = nullptr;
        m_consoleHistory.erase(m_consoleHistory.begin());
        delete oldest;
    }
    if (m_consoleHistory.empty())
        addConsoleLine();
    TypedConsoleCommand* newest = m_consoleHistory.back();
    if (m_currentLine != newest) {
        m_currentLine = newest;
        m_currentLine->setCursor(0);
        onConsoleLineChanged.emit(m_currentLine);
    }
}

void UlvoEngine::onKey(KeyState& keys, const unsigned char& key)
{
    const bool shift = keys.isKeyDown(kKeyLeftShift, true) || keys.isKeyDown(kKeyRightShift, true);
    const bool control = keys.isKeyDown(kKeyLeftControl, true) || keys.isKeyDown(kKeyRightControl, true);
    onConsoleText(keys, TypedKey{key, shift, control, keys.isKeyDown(kKeyRightAlt, true)});
}

void UlvoEngine::onConsoleText(KeyState&, const TypedKey& typed)
{
    if (!m_inGameConsoleEnabled)
        return;
    const unsigned char key = typed.key;

    if (key == kKeyConsole) {
        const bool visible = !m_loop.isConsoleVisible();
        m_loop.setConsoleVisible(visible);
        onConsoleShown.emit(visible);
        m_historyCursor = 0;
        trimConsoleHistory();
        return;
    }
    if (!m_loop.isConsoleVisible())
        return;
    TastaturLayout* layout = TastaturLayoutManager::getInstance()->getActiveLayout();
    if (!layout)
        return;
    if (!m_currentLine)
        trimConsoleHistory();

    // A character without a key edits like the key that types it.
    const int keyType = key == 0 && typed.character
                            ? TastaturLayoutManager::getInstance()->typeOfCharacter(typed.character)
                            : layout->getKeyType(key);
    if (key == 0 && keyType != KT_LETTER && keyType != KT_NUMBER && keyType != KT_SONDER) {
        trimConsoleHistory();
        return;
    }
    switch (keyType) {
    case KT_LETTER:
    case KT_NUMBER:
    case KT_SONDER:
    case KT_BACKSPACE:
    case KT_DEL:
        editConsoleLine(typed, keyType);
        return;
    default:
        break;
    }

    TypedConsoleCommand* line = m_currentLine;
    switch (key) {
    case kKeyReturn:
    case kKeyPadEnter:
        if (line->getLine().empty()) {
            trimConsoleHistory();
            return;
        }
        // Lines typed ahead while a scene loaded are not run once the game is ending.
        if (PlatformTerminationPending())
            return;
        line->parse(line->getLine());
        // Only a name no receiver knows is "not found"; a command that ran and said nothing
        // leaves the answer empty.
        line->setAnswer(L"");
        line->setCompletionList(L"");
        line->setCursor(-1);
        if (!ConsoleDispatcher::getInstance()->execute(*line))
            line->setAnswer(L"Befehl nicht gefunden!");
        onConsoleLineChanged.emit(line);
        addConsoleLine();
        m_historyCursor = 0;
        trimConsoleHistory();
        return;

    case kKeyUp:
    case kKeyDown: {
        const int last = static_cast<int>(m_consoleHistory.size()) - 1;
        m_historyCursor = std::clamp(m_historyCursor + (key == kKeyUp ? 1 : -1), 0, std::max(last, 0));
        // The entry that many places before the newest; at 0 an empty line.
        std::wstring text;
        if (m_historyCursor > 0)
            text = m_consoleHistory[static_cast<std::size_t>(last - m_historyCursor)]->getLine();
        line->parse(text);
        line->setCursor(static_cast<int>(text.size()));
        onConsoleLineChanged.emit(line);
        trimConsoleHistory();
        return;
    }

    case kKeyLeft:
    case kKeyRight: {
        const int length = static_cast<int>(line->getLine().size());
        line->setCursor(std::clamp(line->getCursor() + (key == kKeyRight ? 1 : -1), 0, length));
        onConsoleLineChanged.emit(line);
        trimConsoleHistory();
        return;
    }

    case kKeyTab:
        completeConsoleLine();
        onConsoleLineChanged.emit(m_currentLine);
        trimConsoleHistory();
        return;

    default:
        trimConsoleHistory();
        return;
    }
}

void UlvoEngine::editConsoleLine(const TypedKey& typed, int keyType)
{
    TypedConsoleCommand* line = m_currentLine;
    std::wstring text = line->getLine();
    int cursor = std::clamp(line->getCursor(), 0, static_cast<int>(text.size()));
    const bool control = typed.control;

    if (keyType == KT_BACKSPACE) {
        if (control) {
            // The word before the cursor and the blanks before it.
            bool crossedBlanks = false;
            while (cursor > 0) {
                const wchar_t c = text[static_cast<std::size_t>(cursor - 1)];
                if (crossedBlanks && !isBlank(c))
                    break;
                if (isBlank(c))
                    crossedBlanks = true;
                text.erase(static_cast<std::size_t>(cursor - 1), 1);
                --cursor;
            }
        } else if (!text.empty() && cursor > 0) {
            text.erase(static_cast<std::size_t>(cursor - 1), 1);
            --cursor;
        }
    } else if (keyType == KT_DEL) {
        if (control) {
            bool crossedBlanks = false;
            while (cursor < static_cast<int>(text.size())) {
                const wchar_t c = text[static_cast<std::size_t>(cursor)];
                if (crossedBlanks && !isBlank(c))
                    break;
                if (isBlank(c))
                    crossedBlanks = true;
                text.erase(static_cast<std::size_t>(cursor), 1);
            }
        } else if (cursor < static_cast<int>(text.size())) {
            text.erase(static_cast<std::size_t>(cursor), 1);
        }
    } else {
        wchar_t character = typed.key == 0 ? typed.character : 0;
        TastaturLayout* layout = TastaturLayoutManager::getInstance()->getActiveLayout();
        if (character || (layout && layout->getCharacter(typed.key, character, typed.shift, typed.altGr))) {
            text.insert(static_cast<std::size_t>(cursor), 1, character);
            ++cursor;
        }
    }

    line->parse(text);
    line->setCursor(cursor);
    onConsoleLineChanged.emit(line);
    trimConsoleHistory();
}

void UlvoEngine::insertConsoleText(const std::wstring& text)
{
    trimConsoleHistory();
    TypedConsoleCommand* line = m_currentLine;
    if (!line || text.empty())
        return;
    std::wstring full = line->getLine();
    const int cursor = std::clamp(line->getCursor(), 0, static_cast<int>(full.size()));
    full.insert(static_cast<std::size_t>(cursor), text);
    line->parse(full);
    line->setCursor(cursor + static_cast<int>(text.size()));
    onConsoleLineChanged.emit(line);
}

void UlvoEngine::completeConsoleLine()
{
    TypedConsoleCommand* line = m_currentLine;
    std::vector<std::wstring> candidates;
    ConsoleDispatcher::getInstance()->complete(*line, candidates);

    std::wstring list;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (i > 0)
            list += L"\n";
        list += candidates[i];
    }

    std::wstring text = line->getLine();
    if (!candidates.empty()) {
        // Take over the first candidate's spelling of what was typed, then
        // append what every candidate has in common.
        std::size_t shortest = candidates.front().size();
        for (const std::wstring& candidate : candidates)
            shortest = std::min(shortest, candidate.size());
        const std::size_t typed = text.size();
        text = candidates.front().substr(0, std::min(typed, candidates.front().size()));
        for (std::size_t pos = typed; pos < shortest; ++pos) {
            const wchar_t c = candidates.front()[pos];
            const bool agree = std::all_of(candidates.begin(), candidates.end(),
                                           [pos, c](const std::wstring& candidate) { return candidate[pos] == c; });
            if (!agree)
                break;
            text += c;
        }
    }
    line->parse(text);
    line->setCompletionList(list);
    line->setCursor(static_cast<int>(text.size()));
}

} // namespace Ulvo
