#include "devices/TastaturLayout.h"

#include "devices/KeyState.h"

namespace Ulvo {

namespace {

constexpr unsigned char kLeftShift = 0x2A;
constexpr unsigned char kRightShift = 0x36;
constexpr unsigned char kRightAlt = 0xB8;

} // namespace

TastaturLayout::TastaturLayout(const std::wstring& name) : NamedObject(name)
{
    for (int key = 0; key < 256; ++key) {
        m_characters[key][0] = m_characters[key][1] = m_characters[key][2] = 0;
        m_keyTypes[key] = KT_REST;
    }
}

bool TastaturLayout::getCharacter(const unsigned char& key, wchar_t& character, KeyState* keys) const
{
    int column = 0;
    if (keys) {
        // The console reads these while it is open, so the console is ignored.
        if (keys->isKeyDown(kLeftShift, true) || keys->isKeyDown(kRightShift, true))
            column = 1;
        else if (keys->isKeyDown(kRightAlt, true))
            column = 2;
    }
    const wchar_t chosen = m_characters[key][column];
    if (chosen == 0)
        return false;
    character = chosen;
    return true;
}

void TastaturLayout::setCharacters(unsigned char key, wchar_t normal, wchar_t shift, wchar_t altGr)
{
    m_characters[key][0] = normal;
    m_characters[key][1] = shift;
    m_characters[key][2] = altGr;
}

} // namespace Ulvo
