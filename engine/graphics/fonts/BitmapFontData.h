#pragma once
// The letters of a bitmap font: rectangles cut out of textures, with ABC
// widths, and the table that maps a character to its letter.
#include <windows.h>

#include "foundation/objects/NamedObject.h"
#include "graphics/textures/TextureManager.h"

#include <array>
#include <cstdint>
#include <vector>

namespace Ulvo {

class Texture2D;
class XMLNode;

struct BitmapFontLetter {
    // Owned by the data's texture manager; may be null.
    Texture2D* texture = nullptr;
    RECT source{0, 0, 0, 0};
    // Space before, width of and space after the letter, in texture pixels.
    float a = 0.0f;
    float b = 0.0f;
    float c = 0.0f;
};

class BitmapFontData : public NamedObject {
public:
    // One entry for every UTF-16 code unit, U+FFFF included.
    static constexpr std::size_t kTableSize = 65536;

    // A BITMAPFONT_DATA node: NAME, TEXTUR (default texture), ZERO_SIZE, a
    // TEXTUREN texture list and LETTER children (TYPE, TEXTUR, L, T, R, W, B,
    // H, ABC).
    explicit BitmapFontData(XMLNode* node);
    ~BitmapFontData() override;
    BitmapFontData(const BitmapFontData&) = delete;
    BitmapFontData& operator=(const BitmapFontData&) = delete;

    const std::vector<BitmapFontLetter>& getLetters() const { return m_letters; }
    // The letter a character is drawn with: the one the table names, the
    // first letter read for characters without one and for characters beyond
    // the table. Null when there is no letter at all.
    const BitmapFontLetter* findLetter(wchar_t character) const;
    // The raw table entry, 0 for characters beyond the table.
    uint16_t getLookup(wchar_t character) const;
    float getZeroScale() const { return m_zeroScale; }
    TextureManager& getTextureManager() { return m_textures; }

private:
    void readLetter(XMLNode* letter, Texture2D* defaultTexture);

    std::vector<BitmapFontLetter> m_letters;
    std::array<uint16_t, kTableSize> m_lookup{};
    TextureManager m_textures;
    float m_zeroScale = 1.0f;
};

} // namespace Ulvo
