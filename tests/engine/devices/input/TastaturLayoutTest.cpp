// Keyboard layouts: the layout file reader, typing through Shift and AltGr,
// key names, the shipped German and US layouts read from the runtime folder, and
// the choice of the layout by the system's keyboard.
#include "devices/input/KeyState.h"
#include "devices/input/TastaturLayout.h"
#include "devices/input/TastaturLayoutManager.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

using namespace Ulvo;

namespace {

constexpr unsigned char kLeftShift = 0x2A;
constexpr unsigned char kRightShift = 0x36;
constexpr unsigned char kAltGr = 0xB8;

XMLNode parse(const std::wstring& text)
{
    XMLNode root;
    EXPECT_TRUE(XMLNode::load(&root, text, 1)) << std::string(text.begin(), text.end());
    return root;
}

enum Modifier { NONE, SHIFT, ALTGR };

// Types the presses with the modifier held down, as the console would.
std::wstring type(const TastaturLayout& layout, const std::vector<std::pair<Modifier, unsigned char>>& presses)
{
    KeyState keys;
    std::wstring typed;
    for (const auto& [modifier, key] : presses) {
        std::memset(keys.keys, 0, sizeof keys.keys);
        if (modifier == SHIFT)
            keys.keys[kLeftShift] = 0x80;
        if (modifier == ALTGR)
            keys.keys[kAltGr] = 0x80;
        keys.keys[key] = 0x80;
        wchar_t character = 0;
        if (layout.getCharacter(key, character, &keys))
            typed += character;
        else
            typed += L'#';
    }
    return typed;
}

class LayoutProbe : public sigslot::has_slots<> {
public:
    void changed(TastaturLayout* from, TastaturLayout* to) { changes.emplace_back(from, to); }
    std::vector<std::pair<TastaturLayout*, TastaturLayout*>> changes;
};

} // namespace

TEST(TastaturLayout, ReadsCharactersNamesAndTypesFromItsNode)
{
    logSwitch() = 0;
    XMLNode root = parse(
        L"<TASTATUR_LAYOUT NAME=\"T\">"
        L"<KEY KEY_NAME=\"DIK_A\" CHAR_NORMAL=\"a\" CHAR_SHIFT=\"A\" CHAR_ALTGR=\"x\" STRING=\"Key A\" "
        L"KEY_TYPE=\"KT_LETTER\"/>"
        L"<KEY KEY_NAME=\"DIK_2\" CHAR_NORMAL=\"2\" CHAR_SHIFT=\"9\" "
        L"KEY_TYPE=\"KT_NUMBER\"><CHAR_SHIFT>\"|\"|\"</CHAR_SHIFT></KEY>"
        L"<KEY KEY_NAME=\"DIK_B\" CHAR_NORMAL=\"b\" KEY_TYPE=\"KT_NONSENSE\"/>"
        L"<KEY KEY_NAME=\"DIK_RETURN\" STRING=\"Enter\" KEY_TYPE=\"KT_STEUER\"/>"
        L"<KEY KEY_NAME=\"DIK_PRIOR\"/><KEY KEY_NAME=\"DIK_PGUP\" STRING=\"Page up\"/>"
        L"<KEY KEY_NAME=\"DIK_C\" CHAR_NORMAL=\"c\" KEY_TYPE=\"KT_LETTER\"/>"
        L"<KEY KEY_NAME=\"DIK_C\" CHAR_NORMAL=\"k\" KEY_TYPE=\"KT_SONDER\"/>"
        L"<KEY KEY_NAME=\"DIK_BOGUS\" CHAR_NORMAL=\"?\"/>"
        L"<JOY_BUTTON BUTTON_NAME=\"JOY_05\" STRING=\"zero five\"/><JOY_BUTTON BUTTON_NAME=\"JOY_5\" STRING=\"five\"/>"
        L"<JOY_BUTTON BUTTON_NAME=\"JOY_64\" STRING=\"past the end\"/>"
        L"<MOUSE_BUTTON BUTTON_NAME=\"MB_2\" STRING=\"middle\"/>"
        L"<MOUSE_AXIS AXIS_NAME=\"W+\" STRING=\"wheel up\"/><JOY_AXIS AXIS_NAME=\"Z2\" STRING=\"twist\"/>"
        L"</TASTATUR_LAYOUT>");
    TastaturLayout layout(root);
    EXPECT_EQ(layout.getName(), L"T");

    EXPECT_EQ(type(layout, {{NONE, 0x1E}, {SHIFT, 0x1E}, {ALTGR, 0x1E}}), L"aAx");
    // The child node wins over the attribute and carries a quote.
    EXPECT_EQ(type(layout, {{NONE, 0x03}, {SHIFT, 0x03}}), L"2\"");
    // No Shift character: nothing with Shift, and the character is left alone.
    KeyState keys;
    keys.keys[kRightShift] = 0x80;
    keys.keys[kAltGr] = 0x80;
    wchar_t character = L'!';
    EXPECT_FALSE(layout.getCharacter(0x30, character, &keys));
    EXPECT_EQ(character, L'!');
    // Shift wins over AltGr; without a key state the normal character.
    ASSERT_TRUE(layout.getCharacter(0x1E, character, &keys));
    EXPECT_EQ(character, L'A');
    ASSERT_TRUE(layout.getCharacter(0x1E, character, nullptr));
    EXPECT_EQ(character, L'a');

    EXPECT_EQ(layout.getKeyType(0x1E), KT_LETTER);
    EXPECT_EQ(layout.getKeyType(0x30), KT_REST); // unknown type text leaves the default
    EXPECT_EQ(layout.getKeyType(0x1C), KT_STEUER);
    // A later node for the same key overwrites the earlier one.
    EXPECT_EQ(type(layout, {{NONE, 0x2E}}), L"k");
    EXPECT_EQ(layout.getKeyType(0x2E), KT_SONDER);
    // An unknown key name lands on code 0.
    EXPECT_EQ(type(layout, {{NONE, 0x00}}), L"?");

    unsigned char key = 0;
    ASSERT_TRUE(layout.findKeyByName(L"DIK_RETURN", key));
    EXPECT_EQ(key, 0x1C);
    ASSERT_TRUE(layout.findKeyByName(L"Enter", key));
    EXPECT_EQ(key, 0x1C);
    EXPECT_FALSE(layout.findKeyByName(L"dik_return", key));
    EXPECT_EQ(layout.getKeyName(0x1C), L"Enter");
    // Two names of one code share the key.
    EXPECT_EQ(layout.getKeyName(0xC9, 1), L"DIK_PRIOR");
    EXPECT_EQ(layout.getKeyName(0xC9, 2), L"DIK_PGUP");
    EXPECT_EQ(layout.getKeyName(0xC9), L"Page up");
    EXPECT_EQ(layout.getKeyName(0xC9, 5), L"");

    EXPECT_EQ(layout.getJoystickButtonName(0), L"past the end");
    EXPECT_EQ(layout.getJoystickButtonName(5), L"five");
    EXPECT_EQ(layout.getJoystickButtonName(64), L"");
    EXPECT_EQ(layout.getJoystickButtonName(-1), L"");
    EXPECT_EQ(layout.getMouseButtonName(2), L"middle");
    EXPECT_EQ(layout.getMouseAxisName(19), L"wheel up");
    EXPECT_EQ(layout.getJoystickAxisName(17), L"twist");
}

TEST(TastaturLayout, NameTablesGiveDirectInputValuesAndFallBackToZero)
{
    EXPECT_EQ(TastaturLayout::keyCodeFromName(L"DIK_ESCAPE"), 0x01);
    EXPECT_EQ(TastaturLayout::keyCodeFromName(L"DIK_MEDIASELECT"), 0xED);
    EXPECT_EQ(TastaturLayout::keyCodeFromName(L"DIK_CIRCUMFLEX"), 0x90);
    EXPECT_EQ(TastaturLayout::keyCodeFromName(L"DIK_NUMPADSLASH"), 0xB5);
    EXPECT_EQ(TastaturLayout::keyCodeFromName(L"DIK_F13"), 0x64);
    EXPECT_EQ(TastaturLayout::keyCodeFromName(L"DIK_NOPE"), 0);
    EXPECT_EQ(TastaturLayout::axisFromName(L"W"), 20);
    EXPECT_EQ(TastaturLayout::axisFromName(L"Y2-"), 12);
    EXPECT_EQ(TastaturLayout::axisFromName(L"x"), 0);
    EXPECT_EQ(TastaturLayout::mouseButtonFromName(L"MB_7"), 7);
    EXPECT_EQ(TastaturLayout::mouseButtonFromName(L"MB_8"), 0);
    EXPECT_EQ(TastaturLayout::joystickButtonFromName(L"JOY_63"), 63);
    EXPECT_EQ(TastaturLayout::joystickButtonFromName(L"JOY_05"), 0);
}

TEST(TastaturLayoutManager, LoadAppendsLayoutsAndActivatesTheNamedOne)
{
    logSwitch() = 0;
    TastaturLayoutManager* manager = TastaturLayoutManager::getInstance();
    LayoutProbe probe;
    manager->layoutChanged.connect(&probe, &LayoutProbe::changed);
    const std::size_t before = manager->getLayouts().size();

    XMLNode root = parse(L"<LAYOUTS ACTIVE_LAYOUT=\"Drei\"><TASTATUR_LAYOUT NAME=\"Eins\"/>"
                         L"<OTHER/><TASTATUR_LAYOUT NAME=\"Zwei\"/><TASTATUR_LAYOUT NAME=\"Drei\"/></LAYOUTS>");
    manager->load(root);
    ASSERT_EQ(manager->getLayouts().size(), before + 3);
    ASSERT_EQ(probe.changes.size(), 2u);
    EXPECT_EQ(probe.changes[0].second->getName(), L"Eins");
    EXPECT_EQ(probe.changes[1].first, probe.changes[0].second);
    EXPECT_EQ(manager->getActiveLayout()->getName(), L"Drei");

    // Naming no layout leaves the first one of this load active.
    probe.changes.clear();
    XMLNode unknown = parse(L"<LAYOUTS ACTIVE_LAYOUT=\"Vier\"><TASTATUR_LAYOUT NAME=\"Fuenf\"/></LAYOUTS>");
    manager->load(unknown);
    EXPECT_EQ(probe.changes.size(), 1u);
    EXPECT_EQ(manager->getActiveLayout()->getName(), L"Fuenf");
    EXPECT_EQ(manager->findLayout(L"Vier"), nullptr);

    // A root without layouts changes nothing.
    probe.changes.clear();
    XMLNode empty = parse(L"<LAYOUTS ACTIVE_LAYOUT=\"Eins\"></LAYOUTS>");
    const std::size_t count = manager->getLayouts().size();
    manager->load(empty);
    EXPECT_EQ(manager->getLayouts().size(), count);
    // ...except that "ACTIVE_LAYOUT" still picks an existing layout.
    EXPECT_EQ(manager->getActiveLayout()->getName(), L"Eins");
    manager->layoutChanged.disconnect(&probe);
}

TEST(TastaturLayout, ShippedGermanLayoutTypesThroughShiftAndAltGr)
{
    logSwitch() = 0;
    const std::filesystem::path run = TestSupport::runtimeDir();
    ASSERT_TRUE(std::filesystem::is_regular_file(run / "tastaturlayout.lay")) << run;
    TestSupport::ScopedCwd cwd(run);

    XMLNode root;
    ASSERT_TRUE(XMLNode::load(&root, L"tastaturlayout.lay", 0));
    TastaturLayoutManager* manager = TastaturLayoutManager::getInstance();
    manager->load(root);
    TastaturLayout* layout = manager->getActiveLayout();
    ASSERT_NE(layout, nullptr);
    EXPECT_EQ(layout->getName(), L"Deutsch");

    constexpr unsigned char E = 0x12, X = 0x2D, I = 0x17, T = 0x14, SPACE = 0x39, ONE = 0x02;
    constexpr unsigned char A = 0x1E, Q = 0x10, Y = 0x15, Z = 0x2C, SLASH = 0x35, MINUS = 0x0C;
    EXPECT_EQ(
        type(*layout,
             {{SHIFT, E}, {SHIFT, SLASH}, {SHIFT, E}, {NONE, X}, {NONE, I}, {NONE, T}, {NONE, SPACE}, {NONE, ONE}}),
        L"E_Exit 1");
    // The German key positions: Y and Z trade places, @ and the euro sign on AltGr.
    EXPECT_EQ(type(*layout, {{NONE, A}, {ALTGR, Q}, {ALTGR, E}, {SHIFT, SLASH}, {SHIFT, Y}, {NONE, Z}}),
              L"a@\u20ac_Zy");
    EXPECT_EQ(type(*layout, {{NONE, MINUS},
                             {SHIFT, MINUS},
                             {ALTGR, MINUS},
                             {SHIFT, 0x03},
                             {SHIFT, 0x08},
                             {ALTGR, 0x08},
                             {ALTGR, 0x09},
                             {ALTGR, 0x0A},
                             {ALTGR, 0x0B},
                             {ALTGR, 0x1B},
                             {NONE, 0x56},
                             {SHIFT, 0x56},
                             {ALTGR, 0x56},
                             {SHIFT, 0x0B},
                             {SHIFT, 0x2B}}),
              L"\u00df?\\\"/{[]}~<>|='");

    EXPECT_EQ(layout->getKeyType(A), KT_LETTER);
    EXPECT_EQ(layout->getKeyType(ONE), KT_NUMBER);
    EXPECT_EQ(layout->getKeyType(SPACE), KT_SONDER);
    EXPECT_EQ(layout->getKeyType(0x0E), KT_BACKSPACE);
    EXPECT_EQ(layout->getKeyType(0xD3), KT_DEL);
    EXPECT_EQ(layout->getKeyType(0x1C), KT_STEUER);
    EXPECT_EQ(layout->getKeyType(0xC8), KT_STEUER);

    // Every key the names list knows carries a display name and its DirectInput name.
    unsigned char key = 0;
    ASSERT_TRUE(layout->findKeyByName(L"DIK_RETURN", key));
    EXPECT_EQ(key, 0x1C);
    for (const wchar_t* name : {L"DIK_ESCAPE", L"DIK_F12", L"DIK_NUMPADENTER", L"DIK_MEDIASELECT", L"DIK_SYSRQ"}) {
        ASSERT_TRUE(layout->findKeyByName(name, key)) << std::wstring(name).size();
        EXPECT_FALSE(layout->getKeyName(key).empty());
    }
    EXPECT_EQ(layout->getKeyName(Y), L"Z");
}

TEST(TastaturLayout, ShippedUsLayoutAndTheSystemKeyboardChoosingTheLayout)
{
    logSwitch() = 0;
    TestSupport::ScopedCwd cwd(TestSupport::runtimeDir());
    XMLNode root;
    ASSERT_TRUE(XMLNode::load(&root, L"tastaturlayout.lay", 0));
    TastaturLayoutManager* manager = TastaturLayoutManager::getInstance();
    manager->load(root);
    ASSERT_EQ(manager->getActiveLayout()->getName(), L"Deutsch"); // the file's choice
    const TastaturLayout* us = manager->findLayout(L"English (US)");
    ASSERT_NE(us, nullptr);
    constexpr unsigned char ONE = 0x02, TWO = 0x03, Y = 0x15, Z = 0x2C, MINUS = 0x0C, APOSTROPHE = 0x28;
    constexpr unsigned char GRAVE = 0x29, BACKSLASH = 0x2B, SEMICOLON = 0x27, SLASH = 0x35, LBRACKET = 0x1A;
    EXPECT_EQ(type(*us, {{SHIFT, ONE},
                         {SHIFT, TWO},
                         {NONE, Y},
                         {NONE, Z},
                         {SHIFT, MINUS},
                         {NONE, APOSTROPHE},
                         {SHIFT, APOSTROPHE},
                         {NONE, GRAVE},
                         {NONE, BACKSLASH},
                         {SHIFT, BACKSLASH},
                         {SHIFT, SEMICOLON},
                         {NONE, SLASH},
                         {NONE, LBRACKET},
                         {ALTGR, Y}}),
              L"!@yz_'\"`\\|:/[#");
    EXPECT_EQ(us->getKeyName(Y), L"Y");

    // The system's keyboard, told here by XKB_DEFAULT_LAYOUT (the offscreen driver has no keymap).
    const char* saved = std::getenv("XKB_DEFAULT_LAYOUT");
    const std::string restore = saved ? saved : "";
    setenv("XKB_DEFAULT_LAYOUT", "us", 1);
    EXPECT_TRUE(manager->activateSystemLayout());
    EXPECT_EQ(manager->getActiveLayout(), us);
    setenv("XKB_DEFAULT_LAYOUT", "de(nodeadkeys),us", 1);
    EXPECT_TRUE(manager->activateSystemLayout());
    EXPECT_EQ(manager->getActiveLayout()->getName(), L"Deutsch");
    // A keyboard without a layout of its own, or none that can be told, keeps the active one.
    setenv("XKB_DEFAULT_LAYOUT", "fr", 1);
    EXPECT_FALSE(manager->activateSystemLayout());
    unsetenv("XKB_DEFAULT_LAYOUT");
    EXPECT_FALSE(manager->activateSystemLayout());
    EXPECT_EQ(manager->getActiveLayout()->getName(), L"Deutsch");
    if (saved)
        setenv("XKB_DEFAULT_LAYOUT", restore.c_str(), 1);
}
