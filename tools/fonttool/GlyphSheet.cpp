#include "GlyphSheet.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>

namespace FontTool {

namespace {

// Empty space around every cell, so that filtering never picks up a neighbour.
constexpr int kPadding = 2;

std::string utf8(char32_t c)
{
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

int roundedPixels(long value26_6)
{
    return static_cast<int>((value26_6 + 32) >> 6);
}

int nextPowerOfTwo(int value)
{
    int result = 1;
    while (result < value)
        result <<= 1;
    return result;
}

struct Rendered {
    SheetLetter letter;
    int bitmapLeft = 0; // pen-relative left edge of the ink
    int bitmapTop = 0;
    int bitmapWidth = 0;
    int bitmapRows = 0;
    std::vector<uint8_t> coverage;
};

} // namespace

std::u32string sheetCharacters()
{
    std::u32string characters;
    for (char32_t c = 32; c < 127; ++c)
        characters += c;
    characters += U"\u00C4\u00D6\u00DC\u00E4\u00F6\u00FC\u00DF\u00A7\u00B0\u20AC";
    return characters;
}

bool buildSheet(const std::string& fontFile, int pixelSize, const std::u32string& characters, int sheetWidth,
                GlyphSheet& sheet, std::string& error)
{
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        error = "FreeType cannot start";
        return false;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(library, fontFile.c_str(), 0, &face) != 0) {
        error = "cannot read the font " + fontFile;
        FT_Done_FreeType(library);
        return false;
    }
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize));
    const int ascender = roundedPixels(face->size->metrics.ascender);
    const int descender = -roundedPixels(face->size->metrics.descender);
    sheet.lineHeight = ascender + descender;

    std::vector<Rendered> rendered;
    for (char32_t c : characters) {
        if (FT_Get_Char_Index(face, c) == 0 && c != U' ')
            continue;
        // Unhinted, so that the advances do not depend on the hinting engine.
        if (FT_Load_Char(face, c, FT_LOAD_RENDER | FT_LOAD_NO_HINTING) != 0)
            continue;
        FT_GlyphSlot slot = face->glyph;
        Rendered r;
        r.bitmapLeft = slot->bitmap_left;
        r.bitmapTop = slot->bitmap_top;
        r.bitmapWidth = static_cast<int>(slot->bitmap.width);
        r.bitmapRows = static_cast<int>(slot->bitmap.rows);
        r.coverage.resize(static_cast<size_t>(r.bitmapWidth) * r.bitmapRows);
        for (int y = 0; y < r.bitmapRows; ++y) {
            const unsigned char* row = slot->bitmap.buffer + static_cast<long>(y) * slot->bitmap.pitch;
            std::copy(row, row + r.bitmapWidth, r.coverage.begin() + static_cast<long>(y) * r.bitmapWidth);
        }
        const int advance = roundedPixels(slot->advance.x);
        // The cell covers the advance and any ink beyond it on either side.
        const int inkLeft = r.bitmapWidth > 0 ? std::min(0, r.bitmapLeft) : 0;
        const int inkRight = r.bitmapWidth > 0 ? std::max(advance, r.bitmapLeft + r.bitmapWidth) : advance;
        r.letter.character = c;
        r.letter.a = inkLeft;
        r.letter.b = inkRight - inkLeft;
        r.letter.c = advance - inkRight;
        r.letter.width = r.letter.b;
        r.letter.height = sheet.lineHeight;
        rendered.push_back(std::move(r));
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    if (rendered.empty()) {
        error = "the font has none of the characters";
        return false;
    }

    // Row by row, left to right.
    int x = kPadding;
    int y = kPadding;
    for (Rendered& r : rendered) {
        if (x + r.letter.width + kPadding > sheetWidth) {
            x = kPadding;
            y += sheet.lineHeight + kPadding;
        }
        r.letter.left = x;
        r.letter.top = y;
        x += r.letter.width + kPadding;
    }
    sheet.width = sheetWidth;
    sheet.height = nextPowerOfTwo(y + sheet.lineHeight + kPadding);
    sheet.rgba.assign(static_cast<size_t>(sheet.width) * sheet.height * 4, 0);
    for (std::size_t i = 0; i < sheet.width * static_cast<size_t>(sheet.height); ++i) {
        sheet.rgba[i * 4 + 0] = 255;
        sheet.rgba[i * 4 + 1] = 255;
        sheet.rgba[i * 4 + 2] = 255;
    }
    sheet.letters.clear();
    for (const Rendered& r : rendered) {
        const SheetLetter& l = r.letter;
        // The pen sits at the cell's left edge minus a; the baseline at the ascender.
        const int originX = l.left - l.a + r.bitmapLeft;
        const int originY = l.top + ascender - r.bitmapTop;
        for (int gy = 0; gy < r.bitmapRows; ++gy) {
            const int py = originY + gy;
            if (py < l.top || py >= l.top + l.height)
                continue;
            for (int gx = 0; gx < r.bitmapWidth; ++gx) {
                const int px = originX + gx;
                if (px < l.left || px >= l.left + l.width)
                    continue;
                sheet.rgba[(static_cast<size_t>(py) * sheet.width + px) * 4 + 3] =
                    r.coverage[static_cast<size_t>(gy) * r.bitmapWidth + gx];
            }
        }
        sheet.letters.push_back(l);
    }
    return true;
}

std::string describeSheet(const GlyphSheet& sheet, const std::string& dataName, const std::string& textureName,
                          const std::string& textureFile)
{
    std::string out;
    char line[256];
    std::snprintf(line, sizeof line, "\t<BITMAPFONT_DATA NAME=\"%s\" TEXTUR=\"%s\" ZERO_SIZE=\"%d\">\n",
                  dataName.c_str(), textureName.c_str(), sheet.lineHeight);
    out += line;
    out += "\t\t<TEXTUREN>\n";
    out += "\t\t\t<TEXTUR2D NAME=\"" + textureName + "\">\n";
    out += "\t\t\t\t<FILE FILENAME=\"" + textureFile + "\"/>\n";
    out += "\t\t\t</TEXTUR2D>\n";
    out += "\t\t</TEXTUREN>\n";
    for (const SheetLetter& l : sheet.letters) {
        std::snprintf(line, sizeof line, "L=\"%d\" T=\"%d\" W=\"%d\" H=\"%d\" ABC=\"%d %d %d\"", l.left, l.top, l.width,
                      l.height, l.a, l.b, l.c);
        // An attribute value cannot hold these; the TYPE child node can.
        const bool asChild = l.character == U'"' || l.character == U'>' || l.character == U'<' || l.character == U'&';
        if (asChild)
            out += "\t\t<LETTER " + std::string(line) + ">\n\t\t\t<TYPE>\"|" + utf8(l.character) +
                   "|\"</TYPE>\n\t\t</LETTER>\n";
        else
            out += "\t\t<LETTER TYPE=\"" + utf8(l.character) + "\" " + line + "/>\n";
    }
    out += "\t</BITMAPFONT_DATA>\n";
    return out;
}

} // namespace FontTool
