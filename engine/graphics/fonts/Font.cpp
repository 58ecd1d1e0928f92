#include "graphics/fonts/Font.h"

#include "foundation/helpers/Release.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/fonts/D3DXFontInterface.h"
#include "graphics/fonts/FontResourceHandle.h"

namespace Ulvo {

Font::Font(XMLNode* node) : NamedObject(node)
{
    std::wstring resourceName;
    bool resourceGiven = false;
    if (node) {
        node->readString(L"FONT_NAME", m_faceName);
        node->readInt(L"HEIGHT", m_height);
        node->readInt(L"WIDTH", m_width);
        node->readBool(L"ITALIC", m_italic);
        node->readInt(L"SIZE", m_weight);
        node->readBool(L"SCALE_WITH_SCREEN", m_scaleWithScreen);
        resourceGiven = node->readString(L"USE_FONT_RESOURCE", resourceName);
    }

    followDevice();

    // A resource named like the face it provides needs no USE_FONT_RESOURCE.
    m_fontResource = D3DXFontInterface::getInstance()->getFontResource(resourceGiven ? resourceName : m_faceName);
    if (m_fontResource)
        m_fontResource->AddRef();
}

Font::~Font()
{
    releaseAndNull(m_fontResource);
}

} // namespace Ulvo
