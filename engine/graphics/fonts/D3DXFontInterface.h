#pragma once
// The font manager and the drawer of D3DX fonts: keeps the font styles, the
// font resources and the draw interfaces (itself and the embedded bitmap
// drawer), reads font files and hands each drawing request to the drawer
// that owns the font.
#include "graphics/fonts/BitmapFontInterface.h"
#include "graphics/fonts/FontDrawInterface.h"

namespace Ulvo {

class FontResourceHandle;

class D3DXFontInterface : public FontDrawInterface {
public:
    // The one manager, built on first use and destroyed at program exit.
    static D3DXFontInterface* getInstance();
    ~D3DXFontInterface() override;

    // The engine's start-up step: every draw interface follows the device's resets;
    // disconnect ends that.
    void connect(DeviceLossSignals& device);
    void disconnect();

    // A font file's root: FONTSTYLE, FONT_RESOURCE, D3DXFONT, BITMAPFONT_DATA
    // and BITMAPFONT children, read kind by kind in that order. Null reads nothing.
    void loadFonts(XMLNode* node);
    // Creates the device objects of every font (called once the device exists).
    void createAllFonts();

    // Asks the draw interfaces from the last registered to the first.
    Font* findFont(const std::wstring& name) const;
    FontStyle* getFontStyle(const std::wstring& name) const;
    FontResourceHandle* getFontResource(const std::wstring& name) const;
    bool addFontStyle(FontStyle* style);
    bool addFontResource(FontResourceHandle* resource);
    // The first registered interface (from the last) that handles the font draws it.
    void dispatchDrawText(Font* font, const std::wstring& text, RECT* rect, uint32_t format, FontStyle* style);
    // The first registered interface (from the last) that knows the font name draws it.
    void dispatchDrawStyledText(const std::wstring& fontName, const std::wstring& text, RECT* rect, uint32_t format,
                                const std::wstring& styleName);

    // What exit does: every drawer releases its fonts (the bitmap drawer its
    // glyph data too), then the resources and the styles are released. The
    // manager stays usable and starts empty, not device ready.
    void releaseEverything();

    // FontDrawInterface for D3DX fonts.
    void createFontsFromNode(XMLNode* node) override;
    void createAll() override;
    using FontDrawInterface::drawText;
    void drawText(Font* font, const std::wstring& text, RECT* rect, uint32_t format, FontStyle* style) override;
    void drawStyledText(const std::wstring& fontName, const std::wstring& text, RECT* rect, uint32_t format,
                        FontStyle* style) override;
    void drawStyledText(const std::wstring& fontName, const std::wstring& text, RECT* rect, uint32_t format,
                        const std::wstring& styleName) override;
    bool handlesFont(Font* font) override;
    bool handlesText(FontText* text) override;
    bool hasFont(const std::wstring& name) override;
    // Only D3DX fonts; created at once when the device is ready.
    bool addFont(Font* font) override;

    BitmapFontInterface& getBitmapInterface() { return m_bitmapInterface; }
    const std::vector<FontStyle*>& getFontStyles() const { return m_styles; }
    const std::vector<FontResourceHandle*>& getFontResources() const { return m_resources; }
    const std::vector<FontDrawInterface*>& getDrawInterfaces() const { return m_interfaces; }

private:
    D3DXFontInterface();

    BitmapFontInterface m_bitmapInterface;
    std::vector<FontStyle*> m_styles;
    std::vector<FontDrawInterface*> m_interfaces;
    std::vector<FontResourceHandle*> m_resources;
    std::vector<POINT> m_offsets;
};

} // namespace Ulvo
