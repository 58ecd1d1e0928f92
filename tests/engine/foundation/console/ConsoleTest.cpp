#include "foundation/console/ConsoleCommand.h"
#include "foundation/console/ConsoleCommandReceiver.h"
#include "foundation/console/ConsoleDispatcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Ulvo;

namespace {

const std::wstring kNotFound = L"Befehl nicht gefunden!";
const std::wstring kDebugHelp = L"T_Debug 0/1; um Debugeinstellungen zu aktivieren";

// Records what runs, in order, with the tag of the receiver.
class TestReceiver : public ConsoleCommandReceiver {
public:
    TestReceiver(std::wstring tag, std::vector<std::wstring>& log) : m_tag(std::move(tag)), m_log(&log)
    {
        registerCommand(new ConsoleCommand(L"T_Debug", 1, kDebugHelp));
        registerCommand(new ConsoleCommand(L"T_DebugLevel", 1, L"T_DebugLevel n; Stufe"));
        registerCommand(new ConsoleCommand(L"T_Exit", 0, L"T_Exit; beendet"));
        for (auto& entry : getCommands())
            entry.second->connect(this, &TestReceiver::onCommandSignal);
    }

    void execute(ConsoleCommand& command, TypedConsoleCommand& line) override
    {
        std::wstring entry = m_tag + L" run " + command.getName();
        for (int i = 0; i < line.getArgumentCount(); ++i)
            entry += L" " + line.getToken(i);
        m_log->push_back(entry);
        line.setAnswer(L"");
    }

    void completeArguments(TypedConsoleCommand& line, std::vector<std::wstring>& candidates) override
    {
        if (line.isCommand(L"T_Debug")) {
            candidates.push_back(L"0");
            candidates.push_back(L"1");
        }
    }

    void onCommandSignal(ConsoleCommand& command, TypedConsoleCommand&)
    {
        m_log->push_back(m_tag + L" signal " + command.getName());
    }

private:
    std::wstring m_tag;
    std::vector<std::wstring>* m_log;
};

std::wstring run(const std::wstring& text)
{
    TypedConsoleCommand line(text);
    line.setAnswer(kNotFound);
    line.setCursor(3);
    ConsoleDispatcher::getInstance()->execute(line);
    EXPECT_EQ(line.getCursor(), -1);
    return line.getAnswer();
}

std::vector<std::wstring> complete(const std::wstring& text)
{
    TypedConsoleCommand line(text);
    std::vector<std::wstring> candidates;
    ConsoleDispatcher::getInstance()->complete(line, candidates);
    return candidates;
}

using Words = std::vector<std::wstring>;

} // namespace

TEST(TypedConsoleCommand, ParsesBlankSeparatedWords)
{
    TypedConsoleCommand leading(L"   T_Debug 1");
    EXPECT_EQ(leading.getName(), L"T_Debug");
    EXPECT_EQ(leading.getLowerName(), L"t_debug");
    EXPECT_EQ(leading.getArguments(), Words{L"1"});
    EXPECT_EQ(leading.getLine(), L"   T_Debug 1");
    EXPECT_EQ(leading.getCursor(), -1);
    EXPECT_TRUE(leading.getAnswer().empty());

    TypedConsoleCommand doubled(L"T_Debug  1 ");
    EXPECT_EQ(doubled.getName(), L"T_Debug");
    EXPECT_EQ(doubled.getArguments(), Words{L"1"});

    // Only blanks separate: tabs and quotes are part of the word.
    TypedConsoleCommand tabs(L"a\tb \"c d\"");
    EXPECT_EQ(tabs.getName(), L"a\tb");
    EXPECT_EQ(tabs.getArguments(), (Words{L"\"c", L"d\""}));

    TypedConsoleCommand blanks(L"   ");
    EXPECT_EQ(blanks.getName(), L"   ");
    EXPECT_EQ(blanks.getArgumentCount(), 0);
    TypedConsoleCommand empty(L"");
    EXPECT_EQ(empty.getName(), L"");
    EXPECT_EQ(empty.getArgumentCount(), 0);

    // Parsing again replaces every word.
    leading.parse(L"Other X Y");
    EXPECT_EQ(leading.getName(), L"Other");
    EXPECT_EQ(leading.getLowerArguments(), (Words{L"x", L"y"}));
    EXPECT_EQ(leading.getLowerLine(), L"other x y");
    EXPECT_TRUE(leading.isCommand(L"OTHER"));
    EXPECT_FALSE(leading.isCommand(L"Othe"));
}

TEST(TypedConsoleCommand, ArgumentAccessors)
{
    TypedConsoleCommand line(L"cmd HeLLo -12abc 0x1F 2.5x nan 1e999 0xFFFFFFFF 7 zz");
    EXPECT_EQ(line.getParamString(0), L"hello");
    EXPECT_EQ(line.getToken(0), L"HeLLo");
    EXPECT_EQ(line.getParamInt(1), -12);
    EXPECT_EQ(line.getParamInt(0), 0);
    EXPECT_EQ(line.getParamHex(2), 31);
    EXPECT_EQ(line.getParamHex(8), 0);
    EXPECT_EQ(line.getParamHex(6), -1);
    EXPECT_DOUBLE_EQ(line.getParamDouble(3), 2.5);
    EXPECT_FLOAT_EQ(line.getParamFloat(3), 2.5f);
    EXPECT_EQ(line.getParamDouble(4), 0.0); // no leading number
    EXPECT_EQ(line.getParamDouble(5), 0.0); // out of range
    EXPECT_EQ(line.getParamDouble(2), 0.0); // "0x1f": only its leading 0
    EXPECT_TRUE(line.getParamBool(7));
    EXPECT_FALSE(line.getParamBool(8));

    // Missing arguments read as empty.
    for (int index : {-1, 9, 100}) {
        EXPECT_EQ(line.getParamInt(index), 0);
        EXPECT_EQ(line.getParamDouble(index), 0.0);
        EXPECT_FALSE(line.getParamBool(index));
        EXPECT_EQ(line.getParamString(index), L"");
        EXPECT_EQ(line.getToken(index), L"");
    }
}

TEST(ConsoleDispatcher, RunsRegisteredCommandsCaseInsensitively)
{
    std::vector<std::wstring> log;
    TestReceiver receiver(L"A", log);

    EXPECT_EQ(run(L"t_debug 1"), L"");
    EXPECT_EQ(run(L"  T_DEBUG  Yes"), L"");
    EXPECT_EQ(log, (Words{L"A signal T_Debug", L"A run T_Debug 1", L"A signal T_Debug", L"A run T_Debug Yes"}));

    // Too few arguments: the help line, and neither signal nor run.
    log.clear();
    EXPECT_EQ(run(L"T_Debug"), kDebugHelp);
    EXPECT_TRUE(log.empty());

    // Unknown command: the caller's answer stays.
    EXPECT_EQ(run(L"T_Debu 1"), kNotFound);
    EXPECT_TRUE(log.empty());
}

TEST(ConsoleDispatcher, RegistrationAndReceiverLifetime)
{
    std::vector<std::wstring> log;
    TestReceiver first(L"A", log);
    first.registerCommand(new ConsoleCommand(L"t_EXIT", 3, L"second"));
    ASSERT_EQ(first.getCommands().size(), 3u);
    EXPECT_EQ(first.getCommands().at(L"t_exit")->getHelp(), L"T_Exit; beendet");

    {
        // Two receivers with one name both run it.
        TestReceiver second(L"B", log);
        run(L"T_Exit");
        EXPECT_EQ(log, (Words{L"A signal T_Exit", L"A run T_Exit", L"B signal T_Exit", L"B run T_Exit"}));
    }
    log.clear();
    run(L"T_Exit");
    EXPECT_EQ(log, (Words{L"A signal T_Exit", L"A run T_Exit"}));
}

TEST(ConsoleDispatcher, CompletesNamesAndArguments)
{
    std::vector<std::wstring> log;
    TestReceiver receiver(L"A", log);

    EXPECT_EQ(complete(L"t_deb"), (Words{L"T_Debug", L"T_DebugLevel"}));
    EXPECT_EQ(complete(L"T_"), (Words{L"T_Debug", L"T_DebugLevel", L"T_Exit"}));
    // The exact name asks the command for its arguments; longer names still show.
    EXPECT_EQ(complete(L"t_debug"), (Words{L"T_Debug 0", L"T_Debug 1", L"T_DebugLevel"}));
    // With an argument typed, only the exact name counts.
    EXPECT_EQ(complete(L"t_debug 1"), (Words{L"T_Debug 0", L"T_Debug 1"}));
    EXPECT_TRUE(complete(L"t_deb 1").empty());
    EXPECT_TRUE(complete(L"x").empty());
    EXPECT_TRUE(log.empty());
}

namespace {

// Declares its commands in a table; the base runs and completes through it.
class TableReceiver : public ConsoleCommandReceiver {
public:
    explicit TableReceiver(std::vector<std::wstring>& log) : m_log(&log)
    {
        static const ConsoleCommandEntry<TableReceiver> kCommands[] = {
            {L"TB_Set", 2, L"TB_Set a b; setzt", &TableReceiver::set, &TableReceiver::completeSet},
            {L"TB_Reset", 0, L"TB_Reset; setzt zurueck", &TableReceiver::reset},
            {L"tb_set", 0, L"second", &TableReceiver::reset},
        };
        registerCommands(kCommands);
    }

private:
    void set(TypedConsoleCommand& line)
    {
        m_log->push_back(L"set " + line.getToken(0) + L" " + line.getToken(1));
        line.setAnswer(L"gesetzt");
    }
    void reset(TypedConsoleCommand& line)
    {
        m_log->push_back(L"reset");
        line.setAnswer(L"");
    }
    void completeSet(TypedConsoleCommand& line, std::vector<std::wstring>& candidates)
    {
        candidates.push_back(L"x" + line.getToken(0));
    }

    std::vector<std::wstring>* m_log;
};

} // namespace

TEST(ConsoleDispatcher, TableCommandsRunCompleteAndKeepTheFirstOfAName)
{
    std::vector<std::wstring> log;
    TableReceiver receiver(log);
    ASSERT_EQ(receiver.getCommands().size(), 2u);
    EXPECT_EQ(receiver.getCommands().at(L"tb_set")->getHelp(), L"TB_Set a b; setzt");

    EXPECT_EQ(run(L"tb_set A"), L"TB_Set a b; setzt");
    EXPECT_EQ(run(L"TB_SET A B"), L"gesetzt");
    EXPECT_EQ(run(L"TB_Reset"), L"");
    EXPECT_EQ(log, (Words{L"set A B", L"reset"}));

    EXPECT_EQ(complete(L"tb_"), (Words{L"TB_Reset", L"TB_Set"}));
    EXPECT_EQ(complete(L"tb_set 1"), Words{L"TB_Set x1"});
    EXPECT_TRUE(complete(L"tb_reset").empty());
}
