#pragma once
// Console commands: a registered command record and a typed console line.
#include "foundation/sigslot.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Ulvo {

class TypedConsoleCommand;

// Lowers every character with std::towlower. The engine keeps the "C" locale, so
// this folds ASCII letters; it is the matching key of command names.
std::wstring toLowerConsole(const std::wstring& text);

// A command a receiver offers. The record itself is a signal, emitted with
// (record, typed line) just before its receiver runs it.
class ConsoleCommand : public sigslot::signal2<ConsoleCommand&, TypedConsoleCommand&> {
public:
    // help: the name, its arguments, a semicolon and a description.
    ConsoleCommand(const std::wstring& name, uint32_t requiredArguments, const std::wstring& help);

    // True when the lowered name equals this record's lower-case name.
    bool isCommand(const std::wstring& name) const;

    const std::wstring& getName() const { return m_name; }
    const std::wstring& getLowerName() const { return m_lowerName; }
    uint32_t getRequiredArguments() const { return m_requiredArguments; }
    const std::wstring& getHelp() const { return m_help; }

private:
    std::wstring m_name;
    std::wstring m_lowerName;
    uint32_t m_requiredArguments;
    std::wstring m_help;
};

// A line typed into the console, split into a name and arguments (blanks only
// separate words), each also kept in lower case.
class TypedConsoleCommand {
public:
    // Parses the line at once; answer and completion list empty, cursor -1.
    TypedConsoleCommand(const std::wstring& line = std::wstring());

    void parse(const std::wstring& line);

    // True when the lowered name equals the typed line's lower-case name.
    bool isCommand(const std::wstring& name) const;

    const std::wstring& getLine() const { return m_line; }
    const std::wstring& getLowerLine() const { return m_lowerLine; }
    const std::wstring& getName() const { return m_name; }
    const std::wstring& getLowerName() const { return m_lowerName; }
    const std::vector<std::wstring>& getArguments() const { return m_arguments; }
    const std::vector<std::wstring>& getLowerArguments() const { return m_lowerArguments; }
    int getArgumentCount() const { return static_cast<int>(m_arguments.size()); }

    // Argument accessors: all but getToken read the lower-case argument; an index
    // outside the arguments reads the empty string (so 0, false or "").
    double getParamDouble(const int& index) const;
    float getParamFloat(const int& index) const;
    int getParamInt(const int& index) const;
    int getParamHex(const int& index) const; // "0x" prefix allowed
    bool getParamBool(const int& index) const;
    std::wstring getParamString(const int& index) const;
    std::wstring getToken(const int& index) const; // as typed
    // The argument as typed, as the name of a file the command reads or writes below the working
    // folder; empty, with the answer given, when it leads out of it (absolute, "..", a link).
    std::wstring getFileToken(const int& index);
    // Whether a file the command reads or writes lies below the working folder; when not, the
    // answer says so.
    bool checkFile(const std::wstring& name);

    void setAnswer(const std::wstring& answer) { m_answer = answer; }
    const std::wstring& getAnswer() const { return m_answer; }
    void setCompletionList(const std::wstring& list) { m_completionList = list; }
    const std::wstring& getCompletionList() const { return m_completionList; }
    void setCursor(const int& cursor) { m_cursor = cursor; }
    int getCursor() const { return m_cursor; }

private:
    const std::wstring& lowerArgument(const int& index) const;

    std::wstring m_line;
    std::wstring m_lowerLine;
    std::wstring m_name;
    std::wstring m_lowerName;
    std::vector<std::wstring> m_arguments;
    std::vector<std::wstring> m_lowerArguments;
    std::wstring m_answer;
    std::wstring m_completionList;
    int m_cursor = -1;
};

} // namespace Ulvo
