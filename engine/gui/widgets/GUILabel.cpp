#include "gui/widgets/GUILabel.h"

#include "foundation/text/TextManager.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/fonts/D3DXFontInterface.h"
#include "graphics/fonts/Font.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIXmlRead.h"

namespace Ulvo {

namespace {

const std::wstring kEmpty;

RECT truncated(const FloatRect& r)
{
    return RECT{truncToLong(r.left), truncToLong(r.top), truncToLong(r.right), truncToLong(r.bottom)};
}

void scaleAlpha(D3DXCOLOR& colour, double alpha)
{
    colour.a = static_cast<float>(colour.a * alpha);
}

} // namespace

D3DXFontInterface* GUILabel::fonts()
{
    return D3DXFontInterface::getInstance();
}

GUILabel::GUILabel(const std::wstring& name) : GUIWindow(name)
{
    getOptions().activateParent = true;
}

GUILabel::GUILabel(const XMLNode* node) : GUIWindow(node)
{
    getOptions().activateParent = true;
    applyVorlage(getVorlagePre());
    if (const XMLNode* params = node ? node->getNode(L"LABEL_PARAMS") : nullptr)
        load(params);
}

GUILabel::GUILabel(const GUILabel& other)
    : GUIWindow(other)
    , m_fontName(other.m_fontName)
    , m_format(other.m_format)
    , m_useTextId(other.m_useTextId)
    , m_text(other.m_text)
    , m_textId(other.m_textId)
    , m_cursorVisible(other.m_cursorVisible)
    , m_cursorPos(other.m_cursorPos)
    , m_cursorChar(other.m_cursorChar)
{
    for (unsigned i = 0; i < STYLE_COUNT; ++i) {
        m_styleNames[i] = other.m_styleNames[i];
        m_styles[i] = other.m_styles[i];
        m_resolved[i] = other.m_resolved[i];
    }
    holdFont(other.m_font);
}

GUILabel::~GUILabel()
{
    holdFont(nullptr);
}

GUIWindow* GUILabel::clone() const
{
    return new GUILabel(*this);
}

bool GUILabel::load(XMLNode* params)
{
    if (!params)
        return false;
    GUIXml::reportUnknownKeys(params,
                              {L"FONT_STYLENAME", L"FONT_STYLENAME_MARK", L"FONT_STYLENAME_DISABLED", L"FONT_NAME",
                               L"TEXT", L"TEXT_ID", L"ACTIVATE_PARENT", L"FLAGS", L"TEXTURES_2D"},
                              L"LABEL_PARAMS");
    std::wstring value;
    if (GUIXml::read(params, L"FONT_STYLENAME", value)) {
        for (std::wstring& name : m_styleNames)
            name = value;
    }
    GUIXml::read(params, L"FONT_STYLENAME_MARK", m_styleNames[STYLE_MARKED]);
    GUIXml::read(params, L"FONT_STYLENAME_DISABLED", m_styleNames[STYLE_DISABLED]);
    GUIXml::read(params, L"FONT_NAME", m_fontName);
    if (GUIXml::read(params, L"TEXT", m_text))
        m_useTextId = false;
    if (GUIXml::read(params, L"TEXT_ID", m_textId))
        m_useTextId = true;
    GUIXml::read(params, L"ACTIVATE_PARENT", getOptions().activateParent);
    if (GUIXml::read(params, L"FLAGS", value))
        m_format = parseFormat(GUIXml::words(value));
    if (const XMLNode* flags = params->getNode(L"FLAGS")) {
        std::vector<std::wstring> words;
        for (const XMLProperty* property : flags->getProperties())
            words.push_back(property->getValue());
        m_format = parseFormat(words);
    }
    for (unsigned i = 0; i < STYLE_COUNT; ++i)
        setFontStyle(m_styleNames[i], i);
    setFontName(m_fontName);
    return true;
}

uint32_t GUILabel::parseFormat(const std::vector<std::wstring>& words)
{
    static const std::pair<const wchar_t*, uint32_t> kWords[] = {
        {L"LEFT", FORMAT_LEFT},           {L"CENTER", FORMAT_CENTER},
        {L"RIGHT", FORMAT_RIGHT},         {L"TOP", FORMAT_TOP},
        {L"VCENTER", FORMAT_VCENTER},     {L"BOTTOM", FORMAT_BOTTOM},
        {L"WORDBREAK", FORMAT_WORDBREAK}, {L"NOCLIP", FORMAT_NOCLIP},
    };
    uint32_t format = 0;
    for (const std::wstring& word : words) {
        for (const auto& entry : kWords) {
            if (word == entry.first)
                format |= entry.second;
        }
    }
    return format;
}

void GUILabel::copyFromVorlage(const GUIWindow* vorlage, uint32_t mask)
{
    GUIWindow::copyFromVorlage(vorlage, mask);
    const auto* label = dynamic_cast<const GUILabel*>(vorlage);
    if (!label || label == this)
        return;
    const uint32_t parts = label->getVorlageMask() & mask;
    if (parts & GUIVorlageMask::TEXTIDS) {
        m_textId = label->m_textId;
        m_text = label->m_text;
        m_useTextId = label->m_useTextId;
    }
    if (parts & GUIVorlageMask::FONTSTYLES) {
        m_fontName = label->m_fontName;
        for (unsigned i = 0; i < STYLE_COUNT; ++i)
            setFontStyle(label->m_styleNames[i], i);
        setFontName(m_fontName);
    }
    if (parts & GUIVorlageMask::OPTIONS)
        m_format = label->m_format;
}

// ---------------------------------------------------------------- texts, fonts, styles

void GUILabel::setText(const std::wstring& text)
{
    m_useTextId = false;
    m_text = text;
}

void GUILabel::setTextId(const std::wstring& id)
{
    m_useTextId = true;
    m_textId = id;
}

const std::wstring& GUILabel::resolvedText() const
{
    if (!m_useTextId)
        return m_text;
    TextManager* texts = gui()->getTextManager();
    if (!texts)
        return m_textId;
    const Text* text = texts->getText(m_textId);
    return text ? text->getText() : kEmpty;
}

std::wstring GUILabel::getText() const
{
    return resolvedText();
}

const std::wstring& GUILabel::getFontStyleName(unsigned index) const
{
    return index < STYLE_COUNT ? m_styleNames[index] : kEmpty;
}

void GUILabel::setFontStyle(const std::wstring& name, unsigned index)
{
    if (index >= STYLE_COUNT)
        return;
    m_styleNames[index] = name;
    const FontStyle* style = fonts()->getFontStyle(name);
    m_resolved[index] = style != nullptr;
    if (style)
        m_styles[index] = *style;
}

void GUILabel::holdFont(Font* font)
{
    if (font == m_font)
        return;
    if (m_font) {
        m_font->onFontChanged.disconnect(this);
        m_font->Release();
    }
    m_font = font;
    if (m_font) {
        m_font->AddRef();
        m_font->onFontChanged.connect(this, &GUILabel::onFontChanged);
    }
}

void GUILabel::setFontName(const std::wstring& name)
{
    holdFont(nullptr);
    m_fontName = name;
    holdFont(fonts()->findFont(name));
}

void GUILabel::onFontChanged(Font&) {}

const FontStyle& GUILabel::currentStyle()
{
    for (unsigned i = 0; i < STYLE_COUNT; ++i) {
        if (!m_resolved[i])
            setFontStyle(m_styleNames[i], i);
    }
    if (!isEnabledInHierarchy()) {
        FontStyle::interpolate(m_drawStyle, m_styles[STYLE_DISABLED], m_styles[STYLE_DISABLED], 0.0f);
        return m_drawStyle;
    }
    const GUIWindow* source = getOptions().activateParent && getParent() ? getParent() : this;
    FontStyle::interpolate(m_drawStyle, m_styles[STYLE_NORMAL], m_styles[STYLE_MARKED],
                           static_cast<float>(source->getMarkBlend()));
    return m_drawStyle;
}

// ---------------------------------------------------------------- drawing and measuring

RECT GUILabel::screenRECT() const
{
    return truncated(getScreenRect());
}

void GUILabel::drawText(const std::wstring& text, RECT& rect, uint32_t format)
{
    fonts()->dispatchDrawText(m_font, text, &rect, format, &m_drawStyle);
}

void GUILabel::drawSelf()
{
    GUIWindow::drawSelf();
    const double alpha = getAlpha();
    const std::wstring& text = resolvedText();
    m_drawText = text;
    const bool cursorInside =
        m_cursorVisible && static_cast<std::size_t>(static_cast<uint32_t>(m_cursorPos)) < text.size();
    if (cursorInside)
        m_drawText.insert(static_cast<std::size_t>(m_cursorPos), 1, m_cursorChar);
    currentStyle();
    scaleAlpha(m_drawStyle.m_foreground, alpha);
    scaleAlpha(m_drawStyle.m_background, alpha);
    if (!m_font)
        setFontName(m_fontName);
    if (!m_font)
        return;
    RECT rect = screenRECT();
    drawText(m_drawText, rect, m_format);
    if (!m_cursorVisible || cursorInside)
        return;
    m_cursorText.assign(1, m_cursorChar);
    rect = screenRECT();
    if (text.empty()) {
        drawText(m_cursorText, rect, m_format);
        return;
    }
    drawText(text, rect, m_format | FORMAT_CALCRECT);
    // Measuring puts the text at the area's top left; drawn, it stands where the format puts
    // it, and the caret must follow it there.
    const RECT area = screenRECT();
    const LONG spareX = (area.right - area.left) - (rect.right - rect.left);
    const LONG spareY = (area.bottom - area.top) - (rect.bottom - rect.top);
    const LONG shiftX = (m_format & FORMAT_CENTER) ? spareX / 2 : (m_format & FORMAT_RIGHT) ? spareX : 0;
    const LONG shiftY = (m_format & FORMAT_VCENTER) ? spareY / 2 : (m_format & FORMAT_BOTTOM) ? spareY : 0;
    rect.left += shiftX;
    rect.right += shiftX;
    rect.top += shiftY;
    rect.bottom += shiftY;
    RECT cursor = screenRECT();
    drawText(m_cursorText, cursor, m_format | FORMAT_CALCRECT);
    const LONG width = cursor.right - cursor.left, height = cursor.bottom - cursor.top;
    RECT place{rect.right, rect.bottom - height, rect.right + width, rect.bottom};
    drawText(m_cursorText, place, m_format);
}

RECT GUILabel::calcTextRect(RECT& out)
{
    out = screenRECT();
    const std::wstring& text = resolvedText();
    currentStyle();
    if (!m_font)
        setFontName(m_fontName);
    if (m_font)
        drawText(text, out, m_format | FORMAT_CALCRECT | FORMAT_NOCLIP);
    return out;
}

} // namespace Ulvo
