#include "graphics/fonts/BitmapFontInterface.h"

#include <d3dx9core.h>

#include "devices/d3d/D3DInterface.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/fonts/BitmapFont.h"
#include "graphics/fonts/BitmapFontData.h"
#include "graphics/fonts/D3DXFontInterface.h"
#include "graphics/fonts/FontStyle.h"
#include "graphics/sprites/SpritePair.h"

namespace Ulvo {

namespace {

// Each byte of a packed A R G B colour divided by 255.
D3DXCOLOR unpack(uint32_t argb)
{
    return D3DXCOLOR(static_cast<float>((argb >> 16) & 0xFFu) / 255.0f,
                     static_cast<float>((argb >> 8) & 0xFFu) / 255.0f, static_cast<float>(argb & 0xFFu) / 255.0f,
                     static_cast<float>((argb >> 24) & 0xFFu) / 255.0f);
}

} // namespace

BitmapFontInterface::BitmapFontInterface() : m_request(std::make_unique<BitmapFontText>(nullptr, nullptr)) {}

BitmapFontInterface::~BitmapFontInterface()
{
    FontDrawInterface::releaseAll();
    releaseData();
}

void BitmapFontInterface::releaseData()
{
    std::vector<BitmapFontData*> data;
    data.swap(m_data);
    for (BitmapFontData* entry : data)
        entry->Release();
}

void BitmapFontInterface::releaseAll()
{
    FontDrawInterface::releaseAll();
    releaseData();
}

void BitmapFontInterface::createFontsFromNode(XMLNode* node)
{
    if (!node)
        return;
    for (XMLNode* child : node->getNodes()) {
        if (child->getName() == L"BITMAPFONT_DATA") {
            auto* data = new BitmapFontData(child);
            addBitmapFontData(data);
            data->Release();
        }
    }
    for (XMLNode* child : node->getNodes()) {
        if (child->getName() == L"BITMAPFONT") {
            auto* font = new BitmapFont(child);
            addFont(font);
            font->Release();
        }
    }
}

void BitmapFontInterface::createAll()
{
    for (Font* font : m_fonts)
        font->create();
    m_deviceReady = true;
}

bool BitmapFontInterface::handlesFont(Font* font)
{
    return dynamic_cast<BitmapFont*>(font) != nullptr;
}

bool BitmapFontInterface::handlesText(FontText* text)
{
    return dynamic_cast<BitmapFontText*>(text) != nullptr;
}

bool BitmapFontInterface::hasFont(const std::wstring& name)
{
    return getFont(name) != nullptr;
}

bool BitmapFontInterface::addFont(Font* font)
{
    if (!handlesFont(font) || !FontDrawInterface::addFont(font))
        return false;
    if (m_deviceReady)
        font->create();
    return true;
}

BitmapFontData* BitmapFontInterface::getBitmapFontData(const std::wstring& name) const
{
    for (BitmapFontData* data : m_data) {
        if (data->getName() == name)
            return data;
    }
    return nullptr;
}

bool BitmapFontInterface::addBitmapFontData(BitmapFontData* data)
{
    if (!data)
        return false;
    for (BitmapFontData* listed : m_data) {
        if (listed == data || listed->getName() == data->getName())
            return false;
    }
    data->AddRef();
    m_data.push_back(data);
    return true;
}

void BitmapFontInterface::drawText(Font* font, const std::wstring& text, RECT* rect, uint32_t format, FontStyle* style)
{
    // A bitmap font without glyph data draws nothing.
    if (!handlesFont(font) || !static_cast<BitmapFont*>(font)->getData() || !style || !rect)
        return;
    BitmapFontText& request = *m_request;
    request.m_font = font;
    request.m_style = style;
    request.m_rect = *rect;
    request.m_format = format;
    request.m_text = text;
    request.m_scale = -1.0f;
    request.layout();
    drawText(request);
    *rect = request.m_rect;
    // The request outlives this call; it must not point at a font that goes.
    request.m_font = nullptr;
    request.m_style = nullptr;
}

void BitmapFontInterface::drawStyledText(const std::wstring& fontName, const std::wstring& text, RECT* rect,
                                         uint32_t format, FontStyle* style)
{
    Font* font = getFont(fontName);
    if (handlesFont(font))
        drawText(font, text, rect, format, style);
}

void BitmapFontInterface::drawStyledText(const std::wstring& fontName, const std::wstring& text, RECT* rect,
                                         uint32_t format, const std::wstring& styleName)
{
    Font* font = getFont(fontName);
    FontStyle* style = D3DXFontInterface::getInstance()->getFontStyle(styleName);
    if (handlesFont(font) && style)
        drawText(font, text, rect, format, style);
}

void BitmapFontInterface::drawGlyphs(const BitmapFontText& text, LONG dx, LONG dy, const D3DXCOLOR* colour)
{
    SpritePair* pair = D3DInterface::getInstance()->getSprite();
    const D3DXCOLOR foreground = text.m_style->m_foreground;
    for (std::size_t k = 0; k < text.getLineCount(); ++k) {
        for (const BitmapFontGlyph& glyph : text.getLine(k).glyphs) {
            if (!glyph.letter || !glyph.letter->texture)
                continue;
            D3DCOLOR argb = 0;
            if (colour) {
                argb = FontStyle::toARGB(*colour);
            } else if (glyph.colourMode == 1) {
                argb = glyph.colour;
            } else if (glyph.colourMode == 2) {
                const D3DXCOLOR own = unpack(glyph.colour);
                argb = FontStyle::toARGB(
                    D3DXCOLOR(foreground.r * own.r, foreground.g * own.g, foreground.b * own.b, foreground.a * own.a));
            } else {
                argb = FontStyle::toARGB(foreground);
            }
            RECT destination = glyph.destination;
            destination.left += dx;
            destination.right += dx;
            destination.top += dy;
            destination.bottom += dy;
            pair->first.drawRegion(glyph.letter->texture, &glyph.letter->source, destination, SDP_SCALE, SDP_SCALE,
                                   argb);
        }
    }
}

void BitmapFontInterface::drawText(FontText& fontText)
{
    auto* text = dynamic_cast<BitmapFontText*>(&fontText);
    SpritePair* pair = D3DInterface::getInstance()->getSprite();
    if (!text || !text->m_style || !pair || text->getLineCount() == 0)
        return;
    D3DXSprite& sprite = pair->first;
    const bool began = !sprite.isInBatch() && sprite.Begin(D3DXSPRITE_ALPHABLEND, nullptr);

    const FontStyle& style = *text->m_style;
    style.getBackgroundOffsets(m_offsets);
    for (std::size_t i = 0; i < m_offsets.size(); ++i) {
        const POINT offset = m_offsets[i];
        drawGlyphs(*text, offset.x, offset.y, &style.m_background);
    }
    drawGlyphs(*text, 0, 0, nullptr);

    if (began)
        sprite.End();
}

} // namespace Ulvo
