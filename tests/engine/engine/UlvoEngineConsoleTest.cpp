// The engine's "E_" commands and the in-game console line, driven through the
// keyboard's text signal with a layout installed in code.
#include "devices/input/DirectInputInterface.h"
#include "devices/input/KeyState.h"
#include "devices/input/TastaturLayout.h"
#include "devices/input/TastaturLayoutManager.h"
#include "foundation/console/ConsoleDispatcher.h"
#include "foundation/logging/Logger.h"
#include "engine/UlvoEngine.h"

#include <platform_test.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace Ulvo;

namespace {

constexpr unsigned char kConsole = 0x29;
constexpr unsigned char kBackspace = 0x0E;
constexpr unsigned char kTab = 0x0F;
constexpr unsigned char kReturn = 0x1C;
constexpr unsigned char kLeftControl = 0x1D;
constexpr unsigned char kLeftShift = 0x2A;
constexpr unsigned char kUp = 0xC8;
constexpr unsigned char kLeft = 0xCB;
constexpr unsigned char kDown = 0xD0;
constexpr unsigned char kDelete = 0xD3;

// DirectInput codes of the keys the tests type with.
const std::map<wchar_t, unsigned char>& keyCodes()
{
    static const std::map<wchar_t, unsigned char> codes = {
        {L'q', 0x10}, {L'w', 0x11}, {L'e', 0x12}, {L'r', 0x13}, {L't', 0x14}, {L'y', 0x15}, {L'u', 0x16}, {L'i', 0x17},
        {L'o', 0x18}, {L'p', 0x19}, {L'a', 0x1E}, {L's', 0x1F}, {L'd', 0x20}, {L'f', 0x21}, {L'g', 0x22}, {L'h', 0x23},
        {L'j', 0x24}, {L'k', 0x25}, {L'l', 0x26}, {L'z', 0x2C}, {L'x', 0x2D}, {L'c', 0x2E}, {L'v', 0x2F}, {L'b', 0x30},
        {L'n', 0x31}, {L'm', 0x32}, {L'1', 0x02}, {L'2', 0x03}, {L'3', 0x04}, {L'4', 0x05}, {L'5', 0x06}, {L'6', 0x07},
        {L'7', 0x08}, {L'8', 0x09}, {L'9', 0x0A}, {L'0', 0x0B}, {L'-', 0x0C}, {L' ', 0x39},
    };
    return codes;
}

void installTestLayout()
{
    TastaturLayoutManager* manager = TastaturLayoutManager::getInstance();
    if (manager->findLayout(L"Test"))
        return;
    TastaturLayout* layout = new TastaturLayout(L"Test");
    for (const auto& [c, code] : keyCodes()) {
        const bool letter = c >= L'a' && c <= L'z';
        const wchar_t shifted = letter ? static_cast<wchar_t>(c - L'a' + L'A') : c == L'-' ? L'_' : 0;
        layout->setCharacters(code, c, shifted, 0);
        layout->setKeyType(code, letter ? KT_LETTER : (c >= L'0' && c <= L'9') ? KT_NUMBER : KT_SONDER);
    }
    layout->setKeyType(kBackspace, KT_BACKSPACE);
    layout->setKeyType(kDelete, KT_DEL);
    layout->setKeyType(kReturn, KT_STEUER);
    manager->installLayout(layout);
}

class LineProbe : public sigslot::has_slots<> {
public:
    explicit LineProbe(UlvoEngine* engine)
    {
        engine->onConsoleShown.connect(this, &LineProbe::shown);
        engine->onConsoleLineAdded.connect(this, &LineProbe::added);
        engine->onConsoleLineRemoved.connect(this, &LineProbe::removed);
    }
    void shown(const bool& visible) { shownStates.push_back(visible); }
    void added(TypedConsoleCommand*, int position) { addedAt.push_back(position); }
    void removed(TypedConsoleCommand*) { ++removedCount; }

    std::vector<bool> shownStates;
    std::vector<int> addedAt;
    int removedCount = 0;
};

class UlvoEngineConsoleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine = UlvoEngine::getInstance();
        installTestLayout();
        engine->setInGameConsoleEnabled(true);
        if (!engine->isConsoleVisible())
            press(kConsole);
        clearLine();
    }

    void TearDown() override
    {
        clearLine();
        run(L"E_MaxConsoleHistory 10");
        keys().keys[kLeftShift] = 0;
        keys().keys[kLeftControl] = 0;
    }

    static KeyState& keys() { return DirectInputInterface::getInstance()->getKeyState(); }

    static void press(unsigned char key, bool shift = false)
    {
        keys().consoleText.emit(keys(), TypedKey{key, shift, keys().keys[kLeftControl] != 0});
    }

    static void type(const std::wstring& text)
    {
        for (wchar_t c : text) {
            const bool upper = c >= L'A' && c <= L'Z';
            const wchar_t plain = upper ? static_cast<wchar_t>(c - L'A' + L'a') : c == L'_' ? L'-' : c;
            press(keyCodes().at(plain), upper || c == L'_');
        }
    }

    // Empties the current line: cursor to its end, then Backspace.
    void clearLine()
    {
        TypedConsoleCommand* line = engine->getCurrentConsoleLine();
        if (!line)
            return;
        line->setCursor(static_cast<int>(line->getLine().size()));
        while (!engine->getCurrentConsoleLine()->getLine().empty())
            press(kBackspace);
    }

    static std::wstring run(const std::wstring& text)
    {
        TypedConsoleCommand line(text);
        line.setAnswer(L"Befehl nicht gefunden!");
        ConsoleDispatcher::getInstance()->execute(line);
        return line.getAnswer();
    }

    std::wstring text() const { return engine->getCurrentConsoleLine()->getLine(); }
    int cursor() const { return engine->getCurrentConsoleLine()->getCursor(); }

    UlvoEngine* engine = nullptr;
};

} // namespace

// Needs the fresh history of a new process (as under ctest); later in a shared
// run the history already holds more lines.
TEST_F(UlvoEngineConsoleTest, UpWithASingleLineHistoryLeavesTheLineEmpty)
{
    if (engine->getConsoleHistory().size() != 1)
        GTEST_SKIP() << "the history is no longer fresh";
    type(L"abc");
    press(kUp);
    EXPECT_EQ(text(), L"");
    EXPECT_EQ(cursor(), 0);
    EXPECT_EQ(engine->getConsoleHistory().size(), 1u);
}

TEST_F(UlvoEngineConsoleTest, TogglingNeedsTheConsoleEnabledAndKeysNeedItVisible)
{
    LineProbe probe(engine);
    engine->setInGameConsoleEnabled(false);
    press(kConsole);
    EXPECT_TRUE(engine->isConsoleVisible());
    engine->setInGameConsoleEnabled(true);

    press(kConsole);
    EXPECT_FALSE(engine->isConsoleVisible());
    type(L"x"); // hidden: ignored
    press(kConsole);
    EXPECT_TRUE(engine->isConsoleVisible());
    EXPECT_EQ(text(), L"");
    EXPECT_EQ(probe.shownStates, (std::vector<bool>{false, true}));
    // While the console is open, keys read as up unless the console is ignored.
    keys().keys[0x1E] = 0x80;
    EXPECT_FALSE(keys().isKeyDown(0x1E, false));
    EXPECT_TRUE(keys().isKeyDown(0x1E, true));
    keys().keys[0x1E] = 0;
}

TEST_F(UlvoEngineConsoleTest, TabTakesOverTheCandidatesSpellingAndListsThemAll)
{
    type(L"e_s");
    press(kTab);
    EXPECT_EQ(text(), L"E_S");
    EXPECT_EQ(cursor(), 3);
    const std::wstring list = engine->getCurrentConsoleLine()->getCompletionList();
    EXPECT_EQ(list, L"E_SetErrorOutputPriority\nE_SetInfoOutputPriority\nE_SetWarningOutputPriority\n"
                    L"E_ShowOutputWindow");

    // One more letter narrows it to the common part of the three setters.
    type(L"e");
    press(kTab);
    EXPECT_EQ(text(), L"E_Set");
    // No candidates: the text stays.
    type(L"q");
    press(kTab);
    EXPECT_EQ(text(), L"E_Setq");
    EXPECT_EQ(engine->getCurrentConsoleLine()->getCompletionList(), L"");
}

TEST_F(UlvoEngineConsoleTest, ReturnRunsTheLineAndStartsANewOne)
{
    LineProbe probe(engine);
    const std::size_t before = engine->getConsoleHistory().size();
    type(L"nothing 1");
    press(kReturn);
    ASSERT_GE(engine->getConsoleHistory().size(), 2u);
    const TypedConsoleCommand* ran = engine->getConsoleHistory()[engine->getConsoleHistory().size() - 2];
    EXPECT_EQ(ran->getLine(), L"nothing 1");
    EXPECT_EQ(ran->getAnswer(), L"Befehl nicht gefunden!");
    EXPECT_EQ(ran->getCursor(), -1);
    EXPECT_EQ(text(), L"");
    EXPECT_EQ(cursor(), 0);
    EXPECT_EQ(probe.addedAt.size(), 1u);

    // A command with too few arguments answers with its help line (umlaut included).
    type(L"E_MaxConsoleHistory");
    press(kReturn);
    const auto& history = engine->getConsoleHistory();
    EXPECT_EQ(history[history.size() - 2]->getAnswer(),
              L"E_MaxConsoleHistory anz; um L\u00E4nge der Consolenhistory zu setzen");

    // Up recalls the last line, Up again the one before, Down goes back.
    press(kUp);
    EXPECT_EQ(text(), L"E_MaxConsoleHistory");
    EXPECT_EQ(cursor(), 19);
    press(kUp);
    EXPECT_EQ(text(), L"nothing 1");
    press(kDown);
    press(kDown);
    EXPECT_EQ(text(), L"");
    // An empty line is not run.
    const std::size_t size = engine->getConsoleHistory().size();
    press(kReturn);
    EXPECT_EQ(engine->getConsoleHistory().size(), size);
    EXPECT_GE(size, before);
}

TEST_F(UlvoEngineConsoleTest, LinesTypedAheadAreNotRunOnceTheGameIsEnding)
{
    PlatformRaiseTerminationSignal();
    type(L"nothing 2");
    press(kReturn);
    PlatformClearTerminationSignal();
    EXPECT_EQ(text(), L"nothing 2");
    EXPECT_EQ(engine->getCurrentConsoleLine()->getAnswer(), L"");
    // The same line runs once nothing ends the game.
    press(kReturn);
    EXPECT_EQ(text(), L"");
    const auto& history = engine->getConsoleHistory();
    ASSERT_GE(history.size(), 2u);
    EXPECT_EQ(history[history.size() - 2]->getAnswer(), L"Befehl nicht gefunden!");
}

TEST_F(UlvoEngineConsoleTest, MaxHistoryOfOneKeepsTwoLines)
{
    LineProbe probe(engine);
    type(L"E_MaxConsoleHistory 1");
    press(kReturn);
    EXPECT_EQ(engine->getMaxConsoleHistory(), 2);
    EXPECT_EQ(engine->getConsoleHistory().size(), 2u);
    for (const wchar_t* line : {L"a", L"b", L"c"}) {
        type(line);
        press(kReturn);
        EXPECT_EQ(engine->getConsoleHistory().size(), 2u);
    }
    EXPECT_EQ(engine->getConsoleHistory().front()->getLine(), L"c");
    EXPECT_GE(probe.removedCount, 3);
}

TEST_F(UlvoEngineConsoleTest, EditingKeysWorkAtTheCursor)
{
    type(L"abc def");
    press(kLeft);
    press(kLeft);
    press(kBackspace);
    EXPECT_EQ(text(), L"abc ef");
    EXPECT_EQ(cursor(), 4);
    press(kDelete);
    EXPECT_EQ(text(), L"abc f");
    type(L"X");
    EXPECT_EQ(text(), L"abc Xf");
    EXPECT_EQ(cursor(), 5);

    // Control+Backspace takes the word before the cursor and the blanks before it.
    clearLine();
    type(L"one two  three");
    keys().keys[kLeftControl] = 0x80;
    press(kBackspace);
    EXPECT_EQ(text(), L"one two");
    // Control+Delete takes the word at the cursor and the blanks after it.
    engine->getCurrentConsoleLine()->setCursor(0);
    press(kDelete);
    keys().keys[kLeftControl] = 0;
    EXPECT_EQ(text(), L"two");
    EXPECT_EQ(cursor(), 0);
}

TEST_F(UlvoEngineConsoleTest, EngineCommandsChangeTheirSettings)
{
    Logger& log = mainLogger();
    const int error = log.getErrorPriority();
    const int warning = log.getWarningPriority();
    const int info = log.getInfoPriority();

    EXPECT_EQ(run(L"E_SetErrorOutputPriority 11"), L"");
    EXPECT_EQ(run(L"e_setwarningoutputpriority 12"), L"");
    EXPECT_EQ(run(L"E_SetInfoOutputPriority 13"), L"");
    EXPECT_EQ(log.getErrorPriority(), 11);
    EXPECT_EQ(log.getWarningPriority(), 12);
    EXPECT_EQ(log.getInfoPriority(), 13);
    log.setPriority(error, 1);
    log.setPriority(warning, 2);
    log.setPriority(info, 4);

    const bool debug = engine->isDebug();
    EXPECT_EQ(run(L"E_Debug 1"), L"");
    EXPECT_TRUE(engine->isDebug());
    EXPECT_EQ(run(L"E_Debug"), L"E_Debug 0/1; um Debugeinstellungen zu aktivieren");
    EXPECT_EQ(run(L"E_Debug 0"), L"");
    EXPECT_FALSE(engine->isDebug());
    engine->setDebug(debug);

    EXPECT_EQ(run(L"E_Exit 0"), L" still running!");
    EXPECT_EQ(run(L"E_Exit"), L"E_Exit 1; um Anwendung zu beenden");
}
