#pragma once
// A font whose letters are cut out of textures (see BitmapFontData).
#include "graphics/fonts/Font.h"

namespace Ulvo {

class BitmapFontData;

class BitmapFont : public Font {
public:
    // A BITMAPFONT node: the keys of a font and BITMAPFONT_DATA, the name of
    // glyph data already known to the bitmap drawer.
    explicit BitmapFont(XMLNode* node);
    // Releases the glyph data reference.
    ~BitmapFont() override;

    // Nothing to build on the device: the font is ready.
    void create() override { m_created = true; }

    // Null when the named data did not exist; such a font draws nothing.
    BitmapFontData* getData() const { return m_data; }

private:
    BitmapFontData* m_data = nullptr;
};

} // namespace Ulvo
