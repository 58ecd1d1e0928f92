#pragma once
// A glyph sheet: the letters of one face at one pixel size, packed row by row
// into a white-on-transparent picture, and the letter records that describe
// where each one lies.
#include <cstdint>
#include <string>
#include <vector>

namespace FontTool {

struct SheetLetter {
    char32_t character = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    // Space before (<= 0: ink left of the pen), width of the cell, space after.
    int a = 0;
    int b = 0;
    int c = 0;
};

struct GlyphSheet {
    int width = 0;
    int height = 0;
    // The letter height in sheet pixels: ascender plus descender.
    int lineHeight = 0;
    std::vector<uint8_t> rgba;
    std::vector<SheetLetter> letters;
};

// The characters the sheet holds: printable ASCII and the German extras.
std::u32string sheetCharacters();

// Rasterises every character the face has; false with a message on failure.
bool buildSheet(const std::string& fontFile, int pixelSize, const std::u32string& characters, int sheetWidth,
                GlyphSheet& sheet, std::string& error);

// The BITMAPFONT_DATA node for the sheet, in the data folder's UTF-8 source
// form, one tab-indented line per node.
std::string describeSheet(const GlyphSheet& sheet, const std::string& dataName, const std::string& textureName,
                          const std::string& textureFile);

} // namespace FontTool
