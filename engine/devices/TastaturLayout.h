#pragma once
// A keyboard layout: the characters and key types of the 256 DirectInput key
// codes. Stand-in: the class grows with the input subsystem (the layout file
// reader comes with it); for now a layout is filled in code.
#include "foundation/NamedObject.h"

#include <string>

namespace Ulvo {

class KeyState;

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
    explicit TastaturLayout(const std::wstring& name);
    ~TastaturLayout() override = default;

    // The Shift character while a Shift key is down, else the AltGr character
    // while right Alt is down, else the normal one (without a key state: the
    // normal one). False, and character unchanged, when that character is 0.
    bool getCharacter(const unsigned char& key, wchar_t& character, KeyState* keys) const;
    int getKeyType(const unsigned char& key) const { return m_keyTypes[key]; }

    void setCharacters(unsigned char key, wchar_t normal, wchar_t shift, wchar_t altGr);
    void setKeyType(unsigned char key, int type) { m_keyTypes[key] = type; }

private:
    wchar_t m_characters[256][3];
    int m_keyTypes[256];
};

} // namespace Ulvo
