#pragma once
// The text widget: one literal text, or a text of the language table by its id,
// drawn in a named font with three font styles (normal, marked, disabled) that
// blend with the mark, placed in the window's rectangle by text format flags. An
// optional cursor character shows where typed text goes.
//
// Buttons, checkboxes, progress bars and sliders own a label named with the
// suffix "_LABEL"; a tooltip shows its text in one. A label passes its mouse-over
// and activation to its parent (ACTIVATE_PARENT), so its style follows the parent's
// mark. Fonts and styles are looked up by name in the font manager; a name it does
// not know yet is looked up again at every drawing, so fonts loaded later still
// take effect.
#include "graphics/fonts/FontStyle.h"
#include "gui/windows/GUIWindow.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Ulvo {

class D3DXFontInterface;
class Font;

class GUILabel : public GUIWindow {
public:
    // Text format flags (FLAGS words), as the fonts take them.
    enum Format : uint32_t {
        FORMAT_LEFT = 0,
        FORMAT_CENTER = 1,
        FORMAT_RIGHT = 2,
        FORMAT_TOP = 0,
        FORMAT_VCENTER = 4,
        FORMAT_BOTTOM = 8,
        FORMAT_WORDBREAK = 16,
        FORMAT_NOCLIP = 256,
        FORMAT_CALCRECT = 1024,
    };
    static constexpr uint32_t DEFAULT_FORMAT = FORMAT_CENTER | FORMAT_VCENTER | FORMAT_WORDBREAK;
    enum StyleIndex : unsigned { STYLE_NORMAL = 0, STYLE_MARKED = 1, STYLE_DISABLED = 2, STYLE_COUNT = 3 };

    // A label of the composite widgets: ACTIVATE_PARENT on, everything else default.
    explicit GUILabel(const std::wstring& name);
    // The window part, then the label's template parts again, then LABEL_PARAMS.
    explicit GUILabel(const XMLNode* node);
    GUILabel(const GUILabel& other);
    GUILabel& operator=(const GUILabel&) = delete;
    ~GUILabel() override;

    GUIWindow* clone() const override;
    void drawSelf() override;
    void copyFromVorlage(const GUIWindow* vorlage, uint32_t mask) override;

    // A label loads its LABEL_PARAMS node (its NAME comes with the window node):
    // styles, font, TEXT, TEXT_ID, ACTIVATE_PARENT, FLAGS; then the styles and the
    // font are looked up. Null reads nothing.
    bool load(XMLNode* params) override;
    void load(const XMLNode* params) { load(const_cast<XMLNode*>(params)); }

    // A literal text (leaves text-id mode).
    void setText(const std::wstring& text);
    // A text of the language table (text-id mode).
    void setTextId(const std::wstring& id);
    // The drawn text: the literal one, or the language text of the id.
    std::wstring getText() const;
    const std::wstring& getTextId() const { return m_textId; }
    bool usesTextId() const { return m_useTextId; }

    // Index 0 normal, 1 marked, 2 disabled; 3 or more does nothing.
    void setFontStyle(const std::wstring& name, unsigned index);
    const std::wstring& getFontStyleName(unsigned index) const;
    bool isFontStyleResolved(unsigned index) const { return index < STYLE_COUNT && m_resolved[index]; }
    void setFontName(const std::wstring& name);
    const std::wstring& getFontName() const { return m_fontName; }
    Font* getFont() const { return m_font; }

    uint32_t getFormat() const { return m_format; }
    void setFormat(uint32_t format) { m_format = format; }
    // The OR of the FLAGS words; other words add nothing.
    static uint32_t parseFormat(const std::vector<std::wstring>& words);

    // The bounds of the text as it would be drawn (the screen rectangle without a font).
    RECT calcTextRect(RECT& out);

    void setCursorVisible(bool visible) { m_cursorVisible = visible; }
    void setCursorChar(wchar_t character) { m_cursorChar = character; }
    // -1: after the last character.
    void setCursorPos(int32_t position) { m_cursorPos = position; }
    bool isCursorVisible() const { return m_cursorVisible; }

    // The style drawing would use now (the mark blend, or the disabled style).
    const FontStyle& currentStyle();

private:
    static D3DXFontInterface* fonts();
    void onFontChanged(Font& font);
    void holdFont(Font* font);
    // The literal text or the language text, without copying.
    const std::wstring& resolvedText() const;
    RECT screenRECT() const;
    // Draws or measures text in rect with the drawing style.
    void drawText(const std::wstring& text, RECT& rect, uint32_t format);

    std::wstring m_fontName = L"default";
    std::wstring m_styleNames[STYLE_COUNT] = {L"default", L"default", L"default"};
    uint32_t m_format = DEFAULT_FORMAT;
    Font* m_font = nullptr; // one reference
    FontStyle m_styles[STYLE_COUNT];
    bool m_resolved[STYLE_COUNT] = {false, false, false};
    bool m_useTextId = false;
    std::wstring m_text;
    std::wstring m_textId;
    bool m_cursorVisible = false;
    int32_t m_cursorPos = -1;
    wchar_t m_cursorChar = 0;
    // Reused by every drawing, so a frame allocates nothing once they have grown.
    FontStyle m_drawStyle;
    std::wstring m_drawText;
    std::wstring m_cursorText;
};

} // namespace Ulvo
