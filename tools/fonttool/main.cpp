// fonttool: the console's bitmap font.
//   fonttool sheet FONT.ttf PIXELS OUT.png FONT_FILE   writes the glyph sheet and fails when the
//                                                      letters in FONT_FILE do not describe it
//   fonttool update FONT.ttf PIXELS FONT_FILE          rewrites those letters
//   fonttool describe FONT.ttf PIXELS                  prints them
// The letters live in FONT_FILE (data/font.fnt, UTF-8) between the two marker comments below,
// because the font file must hold them and the data folder is converted as a whole.
#include "GlyphSheet.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

const char* const kBegin = "<!-- fonttool: generated letters begin -->\n";
const char* const kEnd = "<!-- fonttool: generated letters end -->";
const char* const kDataName = "KONSOLE_DATA";
const char* const kTextureName = "KONSOLE_GLYPHEN";
const char* const kTextureFile = "data\\Fonts\\konsole.png";
constexpr int kSheetWidth = 512;

bool readText(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return true;
}

bool writeText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

// Start and length of the text between the markers; false when they are missing.
bool findBlock(const std::string& text, size_t& start, size_t& length)
{
    const size_t begin = text.find(kBegin);
    if (begin == std::string::npos)
        return false;
    start = begin + std::string(kBegin).size();
    const size_t end = text.find(kEnd, start);
    if (end == std::string::npos)
        return false;
    // The end marker's own indentation stays outside the block.
    size_t blockEnd = end;
    while (blockEnd > start && (text[blockEnd - 1] == '\t' || text[blockEnd - 1] == ' '))
        --blockEnd;
    length = blockEnd - start;
    return true;
}

bool build(const char* fontFile, const char* pixels, FontTool::GlyphSheet& sheet, std::string& description)
{
    const int pixelSize = std::atoi(pixels);
    if (pixelSize < 4 || pixelSize > 256) {
        std::fprintf(stderr, "fonttool: pixel size %s is out of range 4..256\n", pixels);
        return false;
    }
    std::string error;
    if (!FontTool::buildSheet(fontFile, pixelSize, FontTool::sheetCharacters(), kSheetWidth, sheet, error)) {
        std::fprintf(stderr, "fonttool: %s\n", error.c_str());
        return false;
    }
    description = FontTool::describeSheet(sheet, kDataName, kTextureName, kTextureFile);
    return true;
}

int usage()
{
    std::fprintf(stderr, "usage: fonttool sheet FONT.ttf PIXELS OUT.png FONT_FILE\n"
                         "       fonttool update FONT.ttf PIXELS FONT_FILE\n"
                         "       fonttool describe FONT.ttf PIXELS\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
        return usage();
    const std::string command = argv[1];
    FontTool::GlyphSheet sheet;
    std::string description;
    if (command == "describe" && argc == 4) {
        if (!build(argv[2], argv[3], sheet, description))
            return 1;
        std::fputs(description.c_str(), stdout);
        return 0;
    }
    if ((command == "sheet" && argc == 6) || (command == "update" && argc == 5)) {
        const std::string fontFile = argv[argc - 1];
        std::string text;
        size_t start = 0;
        size_t length = 0;
        if (!readText(fontFile, text) || !findBlock(text, start, length)) {
            std::fprintf(stderr, "fonttool: %s cannot be read or lacks the generated-letters markers\n",
                         fontFile.c_str());
            return 1;
        }
        if (!build(argv[2], argv[3], sheet, description))
            return 1;
        if (command == "update") {
            text.replace(start, length, description);
            if (!writeText(fontFile, text)) {
                std::fprintf(stderr, "fonttool: cannot write %s\n", fontFile.c_str());
                return 1;
            }
            return 0;
        }
        if (text.compare(start, length, description) != 0) {
            std::fprintf(stderr,
                         "fonttool: the letters in %s do not describe the glyph sheet of %s at %s pixels; "
                         "refresh them with: fonttool update %s %s %s\n",
                         fontFile.c_str(), argv[2], argv[3], argv[2], argv[3], fontFile.c_str());
            return 1;
        }
        if (!stbi_write_png(argv[4], sheet.width, sheet.height, 4, sheet.rgba.data(), sheet.width * 4)) {
            std::fprintf(stderr, "fonttool: cannot write %s\n", argv[4]);
            return 1;
        }
        return 0;
    }
    return usage();
}
