#include "graphics/BitmapFontData.h"

#include "foundation/Logger.h"
#include "foundation/XMLNode.h"
#include "graphics/Texture2D.h"

namespace Ulvo {

namespace {

Texture2D* findTexture(TextureManager& textures, XMLAttribute* name)
{
    if (!name)
        return nullptr;
    Texture2D* texture = nullptr;
    textures.findTexture2D(name->getValue(), texture);
    return texture;
}

// The character a LETTER stands for, 0 with found false when it names none.
wchar_t letterCharacter(XMLNode* letter, bool& found)
{
    found = false;
    if (XMLAttribute* type = letter->getAttribute(L"TYPE")) {
        if (!type->getValue().empty()) {
            found = true;
            return type->getValue()[0];
        }
    }
    if (XMLNode* type = letter->getNode(L"TYPE")) {
        if (type->getPropertyCount() > 0 && !type->getProperty(0)->getValue().empty()) {
            found = true;
            return type->getProperty(0)->getValue()[0];
        }
    }
    return 0;
}

} // namespace

BitmapFontData::BitmapFontData(XMLNode* node) : NamedObject(node)
{
    if (!node)
        return;
    if (XMLNode* list = node->getNode(L"TEXTUREN"))
        m_textures.load(list, TextureLoadOptions());
    Texture2D* defaultTexture = findTexture(m_textures, node->getAttribute(L"TEXTUR"));

    if (XMLAttribute* zero = node->getAttribute(L"ZERO_SIZE")) {
        const double size = zero->getDouble();
        // The reciprocal of a size of 0 or less means nothing; keep scale 1.
        if (size > 0.0) {
            m_zeroScale = static_cast<float>(1.0 / size);
        } else {
            mainLogger().log(50, LOG_TYPE_WARNING,
                             L"Ulvo::BitmapFontData::BitmapFontData: \"" + getName() + L"\": ZERO_SIZE \"" +
                                 zero->getValue() + L"\" is not above 0 and is ignored\n");
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
        mainLogger().log(50, LOG_TYPE_WARNING,
                         L"Ulvo::BitmapFontData::BitmapFontData: \"" + getName() +
                             L"\": a LETTER beyond U+FFFF is skipped\n");
        return;
    }

    BitmapFontLetter letter;
    letter.texture = defaultTexture;
    if (XMLAttribute* texture = letterNode->getAttribute(L"TEXTUR"))
        letter.texture = findTexture(m_textures, texture);

    if (XMLAttribute* l = letterNode->getAttribute(L"L"))
        letter.source.left = l->getInt();
    if (XMLAttribute* t = letterNode->getAttribute(L"T"))
        letter.source.top = t->getInt();
    if (XMLAttribute* r = letterNode->getAttribute(L"R"))
        letter.source.right = r->getInt();
    else if (XMLAttribute* w = letterNode->getAttribute(L"W"))
        letter.source.right = static_cast<LONG>(static_cast<int64_t>(letter.source.left) + w->getInt());
    if (XMLAttribute* b = letterNode->getAttribute(L"B"))
        letter.source.bottom = b->getInt();
    else if (XMLAttribute* h = letterNode->getAttribute(L"H"))
        letter.source.bottom = static_cast<LONG>(static_cast<int64_t>(letter.source.top) + h->getInt());

    letter.b = static_cast<float>(static_cast<int64_t>(letter.source.right) - letter.source.left);
    if (XMLAttribute* abc = letterNode->getAttribute(L"ABC")) {
        XMLValueList values = abc->getList(L' ');
        if (values.size() > 0)
            letter.a = values.at(0)->getFloat();
        if (values.size() > 1)
            letter.b = values.at(1)->getFloat();
        if (values.size() > 2)
            letter.c = values.at(2)->getFloat();
    }

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
