#pragma once
// A keyboard layout: for each of the 256 DirectInput key codes the characters
// typed without modifier, with Shift and with AltGr, up to five names and a key
// type; plus display names of mouse and joystick buttons and axes.
#include "foundation/objects/NamedObject.h"

#include <string>

namespace Ulvo {

class KeyState;
class XMLNode;

// How a key edits text (the values of "KEY_TYPE").
enum KeyType {
    KT_LETTER = 0,
    KT_NUMBER = 1,
    KT_SONDER = 2,
    KT_STEUER = 3,
    KT_REST = 4,
    KT_BACKSPACE = 5,
    KT_DEL = 6,
};

class TastaturLayout : public NamedObject {
public:
    static constexpr int kKeyCount = 256;
    static constexpr int kNamesPerKey = 5;
    static constexpr int kMouseButtonCount = 8;
    static constexpr int kAxisCount = 21;
    static constexpr int kJoystickButtonCount = 64;

    // An empty layout (every character 0, every type KT_REST), filled in code.
    explicit TastaturLayout(const std::wstring& name);
    // Builds a layout from a "TASTATUR_LAYOUT" node.
    explicit TastaturLayout(XMLNode& node);
    ~TastaturLayout() override = default;

    // The Shift character while a Shift key is down, else the AltGr character
    // while right Alt is down, else the normal one (without a key state: the
    // normal one). False, and character unchanged, when that character is 0.
    bool getCharacter(const unsigned char& key, wchar_t& character, KeyState* keys) const;
    // The same with the modifiers given (those held when the key was typed).
    bool getCharacter(unsigned char key, wchar_t& character, bool shift, bool altGr) const;
    int getKeyType(const unsigned char& key) const { return m_keyTypes[key]; }
    // The first key, in ascending code order, one of whose five names is
    // exactly name.
    bool findKeyByName(const std::wstring& name, unsigned char& key) const;
    // The key's display name (name 0).
    std::wstring getKeyName(const unsigned char& key) const { return m_keyNames[key][0]; }
    // Name 0 is the display name, 1-4 the DirectInput names; index past 4 gives "".
    const std::wstring& getKeyName(unsigned char key, int index) const;

    const std::wstring& getMouseButtonName(int button) const;
    const std::wstring& getMouseAxisName(int axis) const;
    const std::wstring& getJoystickButtonName(int button) const;
    const std::wstring& getJoystickAxisName(int axis) const;

    void setCharacters(unsigned char key, wchar_t normal, wchar_t shift, wchar_t altGr);
    void setKeyType(unsigned char key, int type) { m_keyTypes[key] = type; }

    // The DirectInput code of a "KEY_NAME" (0 when not listed).
    static unsigned char keyCodeFromName(const std::wstring& name);
    // The axis of an "AXIS_NAME" ("X-" 0 ... "W" 20; 0 when not listed).
    static int axisFromName(const std::wstring& name);
    // "MB_0".."MB_7" -> 0..7; anything else 0.
    static int mouseButtonFromName(const std::wstring& name);
    // "JOY_0".."JOY_63" -> 0..63 (no leading zeros); anything else 0.
    static int joystickButtonFromName(const std::wstring& name);
    // A "KEY_TYPE" text; false when not listed.
    static bool keyTypeFromName(const std::wstring& name, int& type);

private:
    void clear();
    void readKey(XMLNode& node);

    wchar_t m_characters[kKeyCount][3];
    std::wstring m_keyNames[kKeyCount][kNamesPerKey];
    int m_keyTypes[kKeyCount];
    std::wstring m_mouseButtonNames[kMouseButtonCount];
    std::wstring m_mouseAxisNames[kAxisCount];
    std::wstring m_joystickButtonNames[kJoystickButtonCount];
    std::wstring m_joystickAxisNames[kAxisCount];
};

} // namespace Ulvo
