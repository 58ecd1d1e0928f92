#pragma once
// The drawer of bitmap fonts: owns them and their glyph data, lays requests
// out and draws every letter as a textured rectangle through the D3DX sprite.
#include <d3dx9math.h>

#include "graphics/fonts/BitmapFontText.h"
#include "graphics/fonts/FontDrawInterface.h"

#include <memory>

namespace Ulvo {

class BitmapFontData;

class BitmapFontInterface : public FontDrawInterface {
public:
    BitmapFontInterface();
    // Releases the fonts, then the glyph data.
    ~BitmapFontInterface() override;

    void releaseAll() override;
    // BITMAPFONT_DATA children first, then BITMAPFONT children.
    void createFontsFromNode(XMLNode* node) override;
    void createAll() override;
    // Text-object form: draws an already laid-out BitmapFontText.
    void drawText(FontText& text) override;
    // Font form: lays the text out and draws it; the rectangle is not changed
    // (DT_CALCRECT measures nothing here).
    void drawText(Font* font, const std::wstring& text, RECT* rect, uint32_t format, FontStyle* style) override;
    void drawStyledText(const std::wstring& fontName, const std::wstring& text, RECT* rect, uint32_t format,
                        FontStyle* style) override;
    void drawStyledText(const std::wstring& fontName, const std::wstring& text, RECT* rect, uint32_t format,
                        const std::wstring& styleName) override;
    bool handlesFont(Font* font) override;
    bool handlesText(FontText* text) override;
    bool hasFont(const std::wstring& name) override;
    // Only bitmap fonts; created at once when the device is ready.
    bool addFont(Font* font) override;

    BitmapFontData* getBitmapFontData(const std::wstring& name) const;
    // The list rule of addFont.
    bool addBitmapFontData(BitmapFontData* data);
    const std::vector<BitmapFontData*>& getBitmapFontDataList() const { return m_data; }

private:
    void releaseData();
    void drawGlyphs(const BitmapFontText& text, LONG dx, LONG dy, const D3DXCOLOR* colour);

    std::vector<BitmapFontData*> m_data;
    // Reused by every request, so that drawing allocates nothing per frame.
    std::unique_ptr<BitmapFontText> m_request;
    std::vector<POINT> m_offsets;
};

} // namespace Ulvo
