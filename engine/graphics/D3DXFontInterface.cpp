#include "graphics/D3DXFontInterface.h"

namespace Ulvo {

D3DXFontInterface* D3DXFontInterface::getInstance()
{
    static D3DXFontInterface instance;
    return &instance;
}

void D3DXFontInterface::createAllFonts()
{
    m_deviceReady = true;
}

} // namespace Ulvo
