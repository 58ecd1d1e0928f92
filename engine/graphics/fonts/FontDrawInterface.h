#pragma once
// The drawer of one kind of font: owns the fonts of its kind, creates them
// once the device exists and draws requests for them.
#include <windows.h>

#include "devices/d3d/DeviceResource.h"
#include "foundation/sigslot.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Ulvo {

class Font;
class FontStyle;
class FontText;
class XMLNode;

// A device resource: whoever owns the drawer makes it follow the device (the font manager
// does so for its drawers at the engine's start-up).
class FontDrawInterface : public sigslot::has_slots<sigslot::single_threaded>, public DeviceResource {
public:
    FontDrawInterface();
    ~FontDrawInterface() override;
    FontDrawInterface(const FontDrawInterface&) = delete;
    FontDrawInterface& operator=(const FontDrawInterface&) = delete;

    // Releases every font and empties the list.
    virtual void releaseAll();
    // Builds the fonts of this drawer's kind from the children of a font file.
    virtual void createFontsFromNode(XMLNode* node) = 0;
    // Creates every font; fonts added afterwards are created at once.
    virtual void createAll() = 0;
    // Text-object form: the font form with the request's members.
    virtual void drawText(FontText& text);
    // Font form. The style must not be null; a request without one is not drawn.
    virtual void drawText(Font* font, const std::wstring& text, RECT* rect, uint32_t format, FontStyle* style) = 0;
    virtual void drawStyledText(const std::wstring& fontName, const std::wstring& text, RECT* rect, uint32_t format,
                                FontStyle* style) = 0;
    virtual void drawStyledText(const std::wstring& fontName, const std::wstring& text, RECT* rect, uint32_t format,
                                const std::wstring& styleName) = 0;
    virtual bool handlesFont(Font* font) = 0;
    virtual bool handlesText(FontText* text) = 0;
    virtual bool hasFont(const std::wstring& name) = 0;
    // Fonts follow the device themselves: onLostDevice and onResetDevice do nothing here.
    // Refuses null, a font already listed and a name already listed; takes a
    // reference of its own.
    virtual bool addFont(Font* font);
    // Drops the list's reference; false when the font is not listed.
    virtual bool removeFont(Font* font);

    // The first listed font of exactly this name, or null.
    Font* getFont(const std::wstring& name) const;
    const std::vector<Font*>& getFonts() const { return m_fonts; }
    bool isDeviceReady() const { return m_deviceReady; }

protected:
    // The manager resets the readiness of its drawers when it empties them.
    friend class D3DXFontInterface;

    std::vector<Font*> m_fonts;
    bool m_deviceReady = false;
};

} // namespace Ulvo
