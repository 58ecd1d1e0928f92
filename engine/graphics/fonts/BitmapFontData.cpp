#include "graphics/fonts/BitmapFontData.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2D.h"

#include <d3dx9math.h>

namespace Ulvo {

namespace {

// The texture the attribute TEXTUR names (null when the list has no texture of
// that name); fallback when the node has no TEXTUR.
Texture2D* findTexture(TextureManager& textures, const XMLNode& node, Texture2D* fallback)
{
    std::wstring name;
    if (!node.readString(L"TEXTUR", name))
        return fallback;
    Texture2D* texture = nullptr;
    textures.findTexture2D(name, texture);
    return texture;
}

// The character a LETTER stands for, 0 with found false when it names none.
wchar_t letterCharacter(XMLNode* letter, bool& found)
{
    std::wstring type = letter->getAttributeValue(L"TYPE");
    if (type.empty()) {
        if (const XMLProperty* value = letter->getFreeValue(L"TYPE"))
            type = value->getValue();
    }
    found = !type.empty();
    return found ? type[0] : 0;
}

} // namespace

BitmapFontData::BitmapFontData(XMLNode* node) : NamedObject(node)
{
    if (!node)
        return;
    if (XMLNode* list = node->getNode(L"TEXTUREN"))
        m_textures.load(list, TextureLoadOptions());
    Texture2D* defaultTexture = findTexture(m_textures, *node, nullptr);

    double size = 0.0;
    if (node->readDouble(L"ZERO_SIZE", size)) {
        // The reciprocal of a size of 0 or less means nothing; keep scale 1.
        if (size > 0.0) {
            m_zeroScale = static_cast<float>(1.0 / size);
        } else {
            mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::BitmapFontData::BitmapFontData: \"", getName(),
                             L"\": ZERO_SIZE \"", node->getAttributeValue(L"ZERO_SIZE"),
                             L"\" is not above 0 and is ignored\n");
        }
    }

    for (XMLNode* child : node->getNodes()) {
        if (child->getName() == L"LETTER")
            readLetter(child, defaultTexture);
    }
}

BitmapFontData::~BitmapFontData() = default;

void BitmapFontData::readLetter(XMLNode* letterNode, Texture2D* defaultTexture)
{
    bool found = false;
    const wchar_t character = letterCharacter(letterNode, found);
    if (!found)
        return;
    // wchar_t holds whole code points here; the table covers UTF-16 units only.
    if (static_cast<uint32_t>(character) >= kTableSize) {
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::BitmapFontData::BitmapFontData: \"", getName(),
                         L"\": a LETTER beyond U+FFFF is skipped\n");
        return;
    }

    BitmapFontLetter letter;
    letter.texture = findTexture(m_textures, *letterNode, defaultTexture);
    letterNode->readRect(letter.source);

    letter.b = static_cast<float>(static_cast<int64_t>(letter.source.right) - letter.source.left);
    D3DXVECTOR3 abc(letter.a, letter.b, letter.c);
    letterNode->readVector(L"ABC", abc);
    letter.a = abc.x;
    letter.b = abc.y;
    letter.c = abc.z;

    m_letters.push_back(letter);
    // Indices past 16 bits cannot be stored; the layout ignores those letters.
    m_lookup[static_cast<uint32_t>(character)] = static_cast<uint16_t>(m_letters.size() - 1);
}

uint16_t BitmapFontData::getLookup(wchar_t character) const
{
    const auto index = static_cast<uint32_t>(character);
    return index < kTableSize ? m_lookup[index] : 0;
}

const BitmapFontLetter* BitmapFontData::findLetter(wchar_t character) const
{
    // The table index reads as a signed 16-bit number, as the layout defines.
    const int index = static_cast<int16_t>(getLookup(character));
    if (index < 0 || static_cast<std::size_t>(index) >= m_letters.size())
        return nullptr;
    return &m_letters[static_cast<std::size_t>(index)];
}

} // namespace Ulvo
