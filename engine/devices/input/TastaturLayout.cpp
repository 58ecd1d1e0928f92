#include "devices/input/TastaturLayout.h"

#include "devices/input/KeyState.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

namespace Ulvo {

namespace {

constexpr unsigned char kLeftShift = 0x2A;
constexpr unsigned char kRightShift = 0x36;
constexpr unsigned char kRightAlt = 0xB8;

struct KeyName {
    const wchar_t* name;
    unsigned char code;
};

// DirectInput's key-code constants with their values, then the aliases.
constexpr KeyName kKeyNames[] = {
    {L"DIK_ESCAPE", 0x01},
    {L"DIK_1", 0x02},
    {L"DIK_2", 0x03},
    {L"DIK_3", 0x04},
    {L"DIK_4", 0x05},
    {L"DIK_5", 0x06},
    {L"DIK_6", 0x07},
    {L"DIK_7", 0x08},
    {L"DIK_8", 0x09},
    {L"DIK_9", 0x0A},
    {L"DIK_0", 0x0B},
    {L"DIK_MINUS", 0x0C},
    {L"DIK_EQUALS", 0x0D},
    {L"DIK_BACK", 0x0E},
    {L"DIK_TAB", 0x0F},
    {L"DIK_Q", 0x10},
    {L"DIK_W", 0x11},
    {L"DIK_E", 0x12},
    {L"DIK_R", 0x13},
    {L"DIK_T", 0x14},
    {L"DIK_Y", 0x15},
    {L"DIK_U", 0x16},
    {L"DIK_I", 0x17},
    {L"DIK_O", 0x18},
    {L"DIK_P", 0x19},
    {L"DIK_LBRACKET", 0x1A},
    {L"DIK_RBRACKET", 0x1B},
    {L"DIK_RETURN", 0x1C},
    {L"DIK_LCONTROL", 0x1D},
    {L"DIK_A", 0x1E},
    {L"DIK_S", 0x1F},
    {L"DIK_D", 0x20},
    {L"DIK_F", 0x21},
    {L"DIK_G", 0x22},
    {L"DIK_H", 0x23},
    {L"DIK_J", 0x24},
    {L"DIK_K", 0x25},
    {L"DIK_L", 0x26},
    {L"DIK_SEMICOLON", 0x27},
    {L"DIK_APOSTROPHE", 0x28},
    {L"DIK_GRAVE", 0x29},
    {L"DIK_LSHIFT", 0x2A},
    {L"DIK_BACKSLASH", 0x2B},
    {L"DIK_Z", 0x2C},
    {L"DIK_X", 0x2D},
    {L"DIK_C", 0x2E},
    {L"DIK_V", 0x2F},
    {L"DIK_B", 0x30},
    {L"DIK_N", 0x31},
    {L"DIK_M", 0x32},
    {L"DIK_COMMA", 0x33},
    {L"DIK_PERIOD", 0x34},
    {L"DIK_SLASH", 0x35},
    {L"DIK_RSHIFT", 0x36},
    {L"DIK_MULTIPLY", 0x37},
    {L"DIK_LMENU", 0x38},
    {L"DIK_SPACE", 0x39},
    {L"DIK_CAPITAL", 0x3A},
    {L"DIK_F1", 0x3B},
    {L"DIK_F2", 0x3C},
    {L"DIK_F3", 0x3D},
    {L"DIK_F4", 0x3E},
    {L"DIK_F5", 0x3F},
    {L"DIK_F6", 0x40},
    {L"DIK_F7", 0x41},
    {L"DIK_F8", 0x42},
    {L"DIK_F9", 0x43},
    {L"DIK_F10", 0x44},
    {L"DIK_NUMLOCK", 0x45},
    {L"DIK_SCROLL", 0x46},
    {L"DIK_NUMPAD7", 0x47},
    {L"DIK_NUMPAD8", 0x48},
    {L"DIK_NUMPAD9", 0x49},
    {L"DIK_SUBTRACT", 0x4A},
    {L"DIK_NUMPAD4", 0x4B},
    {L"DIK_NUMPAD5", 0x4C},
    {L"DIK_NUMPAD6", 0x4D},
    {L"DIK_ADD", 0x4E},
    {L"DIK_NUMPAD1", 0x4F},
    {L"DIK_NUMPAD2", 0x50},
    {L"DIK_NUMPAD3", 0x51},
    {L"DIK_NUMPAD0", 0x52},
    {L"DIK_DECIMAL", 0x53},
    {L"DIK_OEM_102", 0x56},
    {L"DIK_F11", 0x57},
    {L"DIK_F12", 0x58},
    {L"DIK_F13", 0x64},
    {L"DIK_F14", 0x65},
    {L"DIK_F15", 0x66},
    {L"DIK_KANA", 0x70},
    {L"DIK_ABNT_C1", 0x73},
    {L"DIK_CONVERT", 0x79},
    {L"DIK_NOCONVERT", 0x7B},
    {L"DIK_YEN", 0x7D},
    {L"DIK_ABNT_C2", 0x7E},
    {L"DIK_NUMPADEQUALS", 0x8D},
    {L"DIK_PREVTRACK", 0x90},
    {L"DIK_AT", 0x91},
    {L"DIK_COLON", 0x92},
    {L"DIK_UNDERLINE", 0x93},
    {L"DIK_KANJI", 0x94},
    {L"DIK_STOP", 0x95},
    {L"DIK_AX", 0x96},
    {L"DIK_UNLABELED", 0x97},
    {L"DIK_NEXTTRACK", 0x99},
    {L"DIK_NUMPADENTER", 0x9C},
    {L"DIK_RCONTROL", 0x9D},
    {L"DIK_MUTE", 0xA0},
    {L"DIK_CALCULATOR", 0xA1},
    {L"DIK_PLAYPAUSE", 0xA2},
    {L"DIK_MEDIASTOP", 0xA4},
    {L"DIK_VOLUMEDOWN", 0xAE},
    {L"DIK_VOLUMEUP", 0xB0},
    {L"DIK_WEBHOME", 0xB2},
    {L"DIK_NUMPADCOMMA", 0xB3},
    {L"DIK_DIVIDE", 0xB5},
    {L"DIK_SYSRQ", 0xB7},
    {L"DIK_RMENU", 0xB8},
    {L"DIK_PAUSE", 0xC5},
    {L"DIK_HOME", 0xC7},
    {L"DIK_UP", 0xC8},
    {L"DIK_PRIOR", 0xC9},
    {L"DIK_LEFT", 0xCB},
    {L"DIK_RIGHT", 0xCD},
    {L"DIK_END", 0xCF},
    {L"DIK_DOWN", 0xD0},
    {L"DIK_NEXT", 0xD1},
    {L"DIK_INSERT", 0xD2},
    {L"DIK_DELETE", 0xD3},
    {L"DIK_LWIN", 0xDB},
    {L"DIK_RWIN", 0xDC},
    {L"DIK_APPS", 0xDD},
    {L"DIK_POWER", 0xDE},
    {L"DIK_SLEEP", 0xDF},
    {L"DIK_WAKE", 0xE3},
    {L"DIK_WEBSEARCH", 0xE5},
    {L"DIK_WEBFAVORITES", 0xE6},
    {L"DIK_WEBREFRESH", 0xE7},
    {L"DIK_WEBSTOP", 0xE8},
    {L"DIK_WEBFORWARD", 0xE9},
    {L"DIK_WEBBACK", 0xEA},
    {L"DIK_MYCOMPUTER", 0xEB},
    {L"DIK_MAIL", 0xEC},
    {L"DIK_MEDIASELECT", 0xED},
    // Aliases.
    {L"DIK_BACKSPACE", 0x0E},
    {L"DIK_NUMPADSTAR", 0x37},
    {L"DIK_LALT", 0x38},
    {L"DIK_CAPSLOCK", 0x3A},
    {L"DIK_NUMPADMINUS", 0x4A},
    {L"DIK_NUMPADPLUS", 0x4E},
    {L"DIK_NUMPADPERIOD", 0x53},
    {L"DIK_NUMPADSLASH", 0xB5},
    {L"DIK_RALT", 0xB8},
    {L"DIK_UPARROW", 0xC8},
    {L"DIK_PGUP", 0xC9},
    {L"DIK_LEFTARROW", 0xCB},
    {L"DIK_RIGHTARROW", 0xCD},
    {L"DIK_DOWNARROW", 0xD0},
    {L"DIK_PGDN", 0xD1},
    {L"DIK_CIRCUMFLEX", 0x90},
};
static_assert(sizeof(kKeyNames) / sizeof(kKeyNames[0]) == 160, "144 key constants and 16 aliases");

constexpr const wchar_t* kAxisNames[TastaturLayout::kAxisCount] = {
    L"X-", L"X+",  L"X",   L"Y-", L"Y+",  L"Y",   L"Z-", L"Z+", L"Z",  L"X2-", L"X2+",
    L"X2", L"Y2-", L"Y2+", L"Y2", L"Z2-", L"Z2+", L"Z2", L"W-", L"W+", L"W",
};

constexpr const wchar_t* kKeyTypeNames[] = {
    L"KT_LETTER", L"KT_NUMBER", L"KT_SONDER", L"KT_STEUER", L"KT_REST", L"KT_BACKSPACE", L"KT_DEL",
};

const std::wstring& emptyName()
{
    static const std::wstring empty;
    return empty;
}

// The first character of a text, 0 for an empty one.
wchar_t firstCharacter(const std::wstring& text)
{
    return text.empty() ? 0 : text[0];
}

// The display names of one kind of input: each child childName names its input
// in the attribute key and its text in STRING.
template <std::size_t N>
void readInputNames(const XMLNode& node, const wchar_t* childName, const wchar_t* key,
                    int (*fromName)(const std::wstring&), std::wstring (&names)[N])
{
    for (const XMLNode* child : node.getNodes()) {
        if (child->getName() == childName)
            child->readString(L"STRING", names[fromName(child->getAttributeValue(key))]);
    }
}

} // namespace

TastaturLayout::TastaturLayout(const std::wstring& name) : NamedObject(name)
{
    clear();
}

TastaturLayout::TastaturLayout(XMLNode& node) : NamedObject(&node)
{
    clear();
    readInputNames(node, L"MOUSE_AXIS", L"AXIS_NAME", &TastaturLayout::axisFromName, m_mouseAxisNames);
    readInputNames(node, L"JOY_AXIS", L"AXIS_NAME", &TastaturLayout::axisFromName, m_joystickAxisNames);
    readInputNames(node, L"JOY_BUTTON", L"BUTTON_NAME", &TastaturLayout::joystickButtonFromName, m_joystickButtonNames);
    readInputNames(node, L"MOUSE_BUTTON", L"BUTTON_NAME", &TastaturLayout::mouseButtonFromName, m_mouseButtonNames);
    for (XMLNode* child : node.getNodes()) {
        if (child->getName() == L"KEY")
            readKey(*child);
    }
}

void TastaturLayout::clear()
{
    for (int key = 0; key < kKeyCount; ++key) {
        m_characters[key][0] = m_characters[key][1] = m_characters[key][2] = 0;
        m_keyTypes[key] = KT_REST;
    }
}

void TastaturLayout::readKey(XMLNode& node)
{
    unsigned char code = 0;
    std::wstring keyName;
    if (node.readString(L"KEY_NAME", keyName)) {
        code = keyCodeFromName(keyName);
        mainLogger().log(75, LOG_TYPE_INFO, keyName, L" ", std::to_wstring(code), L"\n");
        for (int index = 1; index < kNamesPerKey; ++index) {
            if (m_keyNames[code][index].empty()) {
                m_keyNames[code][index] = keyName;
                break;
            }
        }
    }

    static const wchar_t* const kCharacterNames[3] = {L"CHAR_NORMAL", L"CHAR_SHIFT", L"CHAR_ALTGR"};
    for (int column = 0; column < 3; ++column) {
        std::wstring text;
        if (node.readString(kCharacterNames[column], text))
            m_characters[code][column] = firstCharacter(text);
    }
    node.readString(L"STRING", m_keyNames[code][0]);
    // Child nodes carry the characters that an attribute value cannot hold
    // (quote, '>', ...); they win over the attributes.
    for (int column = 0; column < 3; ++column) {
        if (const XMLProperty* text = node.getFreeValue(kCharacterNames[column]))
            m_characters[code][column] = firstCharacter(text->getValue());
    }
    if (const XMLProperty* text = node.getFreeValue(L"STRING"))
        m_keyNames[code][0] = text->getValue();

    std::wstring type;
    int value = 0;
    if (node.readString(L"KEY_TYPE", type) && keyTypeFromName(type, value))
        m_keyTypes[code] = value;
}

bool TastaturLayout::getCharacter(const unsigned char& key, wchar_t& character, KeyState* keys) const
{
    // The console reads these while it is open, so the console is ignored.
    const bool shift = keys && (keys->isKeyDown(kLeftShift, true) || keys->isKeyDown(kRightShift, true));
    const bool altGr = keys && keys->isKeyDown(kRightAlt, true);
    return getCharacter(key, character, shift, altGr);
}

bool TastaturLayout::getCharacter(unsigned char key, wchar_t& character, bool shift, bool altGr) const
{
    const int column = shift ? 1 : altGr ? 2 : 0;
    const wchar_t chosen = m_characters[key][column];
    if (chosen == 0)
        return false;
    character = chosen;
    return true;
}

bool TastaturLayout::findKeyByName(const std::wstring& name, unsigned char& key) const
{
    for (int code = 0; code < kKeyCount; ++code) {
        for (int index = 0; index < kNamesPerKey; ++index) {
            if (m_keyNames[code][index] == name) {
                key = static_cast<unsigned char>(code);
                return true;
            }
        }
    }
    return false;
}

const std::wstring& TastaturLayout::getKeyName(unsigned char key, int index) const
{
    return index >= 0 && index < kNamesPerKey ? m_keyNames[key][index] : emptyName();
}

const std::wstring& TastaturLayout::getMouseButtonName(int button) const
{
    return button >= 0 && button < kMouseButtonCount ? m_mouseButtonNames[button] : emptyName();
}

const std::wstring& TastaturLayout::getMouseAxisName(int axis) const
{
    return axis >= 0 && axis < kAxisCount ? m_mouseAxisNames[axis] : emptyName();
}

const std::wstring& TastaturLayout::getJoystickButtonName(int button) const
{
    return button >= 0 && button < kJoystickButtonCount ? m_joystickButtonNames[button] : emptyName();
}

const std::wstring& TastaturLayout::getJoystickAxisName(int axis) const
{
    return axis >= 0 && axis < kAxisCount ? m_joystickAxisNames[axis] : emptyName();
}

void TastaturLayout::setCharacters(unsigned char key, wchar_t normal, wchar_t shift, wchar_t altGr)
{
    m_characters[key][0] = normal;
    m_characters[key][1] = shift;
    m_characters[key][2] = altGr;
}

unsigned char TastaturLayout::keyCodeFromName(const std::wstring& name)
{
    for (const KeyName& entry : kKeyNames) {
        if (name == entry.name)
            return entry.code;
    }
    return 0;
}

int TastaturLayout::axisFromName(const std::wstring& name)
{
    for (int axis = 0; axis < kAxisCount; ++axis) {
        if (name == kAxisNames[axis])
            return axis;
    }
    return 0;
}

int TastaturLayout::mouseButtonFromName(const std::wstring& name)
{
    for (int button = 0; button < kMouseButtonCount; ++button) {
        if (name == L"MB_" + std::to_wstring(button))
            return button;
    }
    return 0;
}

int TastaturLayout::joystickButtonFromName(const std::wstring& name)
{
    for (int button = 0; button < kJoystickButtonCount; ++button) {
        if (name == L"JOY_" + std::to_wstring(button))
            return button;
    }
    return 0;
}

bool TastaturLayout::keyTypeFromName(const std::wstring& name, int& type)
{
    for (int value = 0; value < static_cast<int>(sizeof(kKeyTypeNames) / sizeof(kKeyTypeNames[0])); ++value) {
        if (name == kKeyTypeNames[value]) {
            type = value;
            return true;
        }
    }
    return false;
}

} // namespace Ulvo
