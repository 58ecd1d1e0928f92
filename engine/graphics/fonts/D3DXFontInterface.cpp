#include "graphics/fonts/D3DXFontInterface.h"

#include <d3dx9core.h>
#include <d3dx9font.h>

#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/Release.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/fonts/D3DXFont.h"
#include "graphics/fonts/FontResourceHandle.h"
#include "graphics/fonts/FontStyle.h"
#include "graphics/sprites/SpritePair.h"

namespace Ulvo {

namespace {

// The list rule: no null, no object already listed, no name already listed;
// an accepted object gets a reference of the list's own.
template <class T> bool addToList(std::vector<T*>& list, T* object)
{
    if (!object)
        return false;
    for (T* listed : list) {
        if (listed == object || listed->getName() == object->getName())
            return false;
    }
    object->AddRef();
    list.push_back(object);
    return true;
}

} // namespace

D3DXFontInterface* D3DXFontInterface::getInstance()
{
    static D3DXFontInterface instance;
    return &instance;
}

D3DXFontInterface::D3DXFontInterface()
{
    m_interfaces.push_back(this);
    m_interfaces.push_back(&m_bitmapInterface);
}

D3DXFontInterface::~D3DXFontInterface()
{
    releaseEverything();
}

void D3DXFontInterface::connect(DeviceLossSignals& device)
{
    for (FontDrawInterface* drawer : m_interfaces)
        drawer->followDevice(device);
}

void D3DXFontInterface::disconnect()
{
    for (FontDrawInterface* drawer : m_interfaces)
        drawer->stopFollowingDevice();
}

void D3DXFontInterface::releaseEverything()
{
    // Fonts first, so that they drop their references to resources and glyph
    // data before the lists do.
    for (auto it = m_interfaces.rbegin(); it != m_interfaces.rend(); ++it)
        (*it)->releaseAll();
    releaseAndClear(m_resources);
    releaseAndClear(m_styles);
    for (FontDrawInterface* drawer : m_interfaces)
        drawer->m_deviceReady = false;
}

void D3DXFontInterface::loadFonts(XMLNode* node)
{
    if (!node)
        return;
    for (XMLNode* child : node->getNodes()) {
        if (child->getName() == L"FONTSTYLE") {
            auto* style = new FontStyle(child);
            addFontStyle(style);
            style->Release();
        }
    }
    for (XMLNode* child : node->getNodes()) {
        if (child->getName() == L"FONT_RESOURCE") {
            auto* resource = new FontResourceHandle(child);
            addFontResource(resource);
            resource->Release();
        }
    }
    createFontsFromNode(node);
    m_bitmapInterface.createFontsFromNode(node);
}

void D3DXFontInterface::createAllFonts()
{
    createAll();
    m_bitmapInterface.createAll();
}

Font* D3DXFontInterface::findFont(const std::wstring& name) const
{
    for (auto it = m_interfaces.rbegin(); it != m_interfaces.rend(); ++it) {
        if (Font* font = (*it)->getFont(name))
            return font;
    }
    return nullptr;
}

FontStyle* D3DXFontInterface::getFontStyle(const std::wstring& name) const
{
    return findNamedObject(m_styles, name);
}

FontResourceHandle* D3DXFontInterface::getFontResource(const std::wstring& name) const
{
    return findNamedObject(m_resources, name);
}

bool D3DXFontInterface::addFontStyle(FontStyle* style)
{
    return addToList(m_styles, style);
}

bool D3DXFontInterface::addFontResource(FontResourceHandle* resource)
{
    return addToList(m_resources, resource);
}

void D3DXFontInterface::dispatchDrawText(Font* font, const std::wstring& text, RECT* rect, uint32_t format,
                                         FontStyle* style)
{
    for (auto it = m_interfaces.rbegin(); it != m_interfaces.rend(); ++it) {
        if ((*it)->handlesFont(font)) {
            (*it)->drawText(font, text, rect, format, style);
            return;
        }
    }
}

void D3DXFontInterface::dispatchDrawStyledText(const std::wstring& fontName, const std::wstring& text, RECT* rect,
                                               uint32_t format, const std::wstring& styleName)
{
    for (auto it = m_interfaces.rbegin(); it != m_interfaces.rend(); ++it) {
        if ((*it)->hasFont(fontName)) {
            (*it)->drawStyledText(fontName, text, rect, format, styleName);
            return;
        }
    }
}

void D3DXFontInterface::createFontsFromNode(XMLNode* node)
{
    if (!node)
        return;
    for (XMLNode* child : node->getNodes()) {
        if (child->getName() == L"D3DXFONT") {
            auto* font = new D3DXFont(child);
            addFont(font);
            font->Release();
        }
    }
}

void D3DXFontInterface::createAll()
{
    for (Font* font : m_fonts)
        font->create();
    m_deviceReady = true;
}

bool D3DXFontInterface::handlesFont(Font* font)
{
    return dynamic_cast<D3DXFont*>(font) != nullptr;
}

bool D3DXFontInterface::handlesText(FontText* text)
{
    return text && handlesFont(text->m_font);
}

bool D3DXFontInterface::hasFont(const std::wstring& name)
{
    return getFont(name) != nullptr;
}

bool D3DXFontInterface::addFont(Font* font)
{
    if (!handlesFont(font) || !FontDrawInterface::addFont(font))
        return false;
    if (m_deviceReady)
        font->create();
    return true;
}

void D3DXFontInterface::drawText(Font* font, const std::wstring& text, RECT* rect, uint32_t format, FontStyle* style)
{
    auto* d3dxFont = dynamic_cast<D3DXFont*>(font);
    if (!d3dxFont || !d3dxFont->getD3DXFont() || !style || !rect)
        return;
    ID3DXFont* renderer = d3dxFont->getD3DXFont();
    SpritePair* pair = D3DInterface::getInstance()->getSprite();
    D3DXSprite* sprite = pair ? &pair->first : nullptr;
    const bool began = sprite && !sprite->isInBatch() && sprite->Begin(D3DXSPRITE_ALPHABLEND, nullptr);
    ID3DXSprite* raw = sprite ? *sprite->getD3DXSprite() : nullptr;

    D3DXMATRIX saved;
    D3DXMatrixIdentity(&saved);
    if (raw) {
        raw->GetTransform(&saved);
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        raw->SetTransform(&identity);
    }

    style->getBackgroundOffsets(m_offsets);
    const D3DCOLOR background = style->getBackgroundARGB();
    for (std::size_t i = 0; i < m_offsets.size(); ++i) {
        RECT copy = *rect;
        copy.left += m_offsets[i].x;
        copy.right += m_offsets[i].x;
        copy.top += m_offsets[i].y;
        copy.bottom += m_offsets[i].y;
        renderer->DrawTextW(raw, text.c_str(), -1, &copy, format, background);
    }
    // The caller's rectangle itself, so that DT_CALCRECT reports the measure.
    renderer->DrawTextW(raw, text.c_str(), -1, rect, format, style->getForegroundARGB());

    if (raw)
        raw->SetTransform(&saved);
    if (began)
        sprite->End();
}

void D3DXFontInterface::drawStyledText(const std::wstring& fontName, const std::wstring& text, RECT* rect,
                                       uint32_t format, FontStyle* style)
{
    Font* font = getFont(fontName);
    if (font)
        drawText(font, text, rect, format, style);
}

void D3DXFontInterface::drawStyledText(const std::wstring& fontName, const std::wstring& text, RECT* rect,
                                       uint32_t format, const std::wstring& styleName)
{
    FontStyle* style = getFontStyle(styleName);
    if (style)
        drawStyledText(fontName, text, rect, format, style);
}

} // namespace Ulvo
