#include "graphics/fonts/D3DXFont.h"

#include <wingdi.h>

#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/Release.h"

#include <cmath>

namespace Ulvo {

namespace {

int32_t scaleDimension(int32_t value, unsigned screen, double reference)
{
    const double scaled = std::trunc(static_cast<double>(screen) / reference * static_cast<double>(value));
    if (scaled > 2147483647.0)
        return 2147483647;
    if (scaled < -2147483647.0)
        return -2147483647;
    return static_cast<int32_t>(scaled);
}

} // namespace

D3DXFont::D3DXFont(XMLNode* node) : Font(node) {}

D3DXFont::~D3DXFont()
{
    releaseFont();
}

void D3DXFont::releaseFont()
{
    releaseAndNull(m_font);
}

void D3DXFont::scaledSize(int32_t height, int32_t width, bool scale, unsigned backBufferWidth,
                          unsigned backBufferHeight, int32_t& scaledHeight, int32_t& scaledWidth)
{
    scaledHeight = height;
    scaledWidth = width;
    if (scale) {
        scaledHeight = scaleDimension(height, backBufferHeight, 768.0);
        scaledWidth = scaleDimension(width, backBufferWidth, 1024.0);
    }
}

void D3DXFont::create()
{
    if (m_created)
        return;
    releaseFont();

    D3DInterface* d3d = D3DInterface::getInstance();
    int32_t height = 0;
    int32_t width = 0;
    scaledSize(m_height, m_width, m_scaleWithScreen, d3d->getWidth(), d3d->getHeight(), height, width);
    // A negative width means nothing to the renderer; it picks one itself.
    const UINT widthArgument = width > 0 ? static_cast<UINT>(width) : 0u;
    const UINT weight = m_weight > 0 ? static_cast<UINT>(m_weight) : 0u;

    IDirect3DDevice9* device = d3d->getDevice();
    if (FAILED(D3DXCreateFontW(device, height, widthArgument, weight, 1, m_italic, DEFAULT_CHARSET, 0, 0, 0,
                               m_faceName.c_str(), &m_font))) {
        m_font = nullptr;
        if (FAILED(D3DXCreateFontW(device, height, widthArgument, weight, 1, m_italic, DEFAULT_CHARSET, 0, 0, 0,
                                   L"Arial", &m_font)))
            m_font = nullptr;
    }
    m_created = true;
    onFontChanged.emit(*this);
}

void D3DXFont::rebuild()
{
    if (m_created) {
        m_created = false;
        create();
    }
}

void D3DXFont::onLostDevice()
{
    if (m_font)
        m_font->OnLostDevice();
}

void D3DXFont::onResetDevice()
{
    if (m_font)
        m_font->OnResetDevice();
    if (m_scaleWithScreen) {
        releaseFont();
        rebuild();
    }
}

void D3DXFont::setFaceName(const std::wstring& faceName)
{
    m_faceName = faceName;
    rebuild();
}

void D3DXFont::setHeight(int32_t height)
{
    m_height = height;
    rebuild();
}

} // namespace Ulvo
