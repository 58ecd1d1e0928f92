#include "graphics/fonts/BitmapFont.h"

#include "foundation/helpers/Release.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/fonts/BitmapFontData.h"
#include "graphics/fonts/BitmapFontInterface.h"
#include "graphics/fonts/D3DXFontInterface.h"

namespace Ulvo {

BitmapFont::BitmapFont(XMLNode* node) : Font(node)
{
    if (!node)
        return;
    std::wstring dataName;
    if (node->readString(L"BITMAPFONT_DATA", dataName)) {
        m_data = D3DXFontInterface::getInstance()->getBitmapInterface().getBitmapFontData(dataName);
        if (m_data)
            m_data->AddRef();
    }
}

BitmapFont::~BitmapFont()
{
    releaseAndNull(m_data);
}

} // namespace Ulvo
