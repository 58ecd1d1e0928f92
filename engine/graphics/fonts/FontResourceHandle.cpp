#include "graphics/fonts/FontResourceHandle.h"

#include <wingdi.h>

#include "foundation/files/File.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

namespace Ulvo {

FontResourceHandle::FontResourceHandle(XMLNode* node) : NamedObject(node)
{
    if (!node)
        return;
    File* file = new File(node);
    unsigned char* data = nullptr;
    uint32_t size = 0;
    if (file->isOpen() && file->getFILE_DATA(data, size) && data && size > 0) {
        // The registration is synchronous: fonts created right after it find
        // the face, so nothing waits here.
        m_handle = AddFontMemResourceEx(data, size, nullptr, &m_fontCount);
        if (!m_handle)
            mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::FontResourceHandle::FontResourceHandle: \"",
                             file->getFileName(), L"\" holds no usable font\n");
    } else {
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::FontResourceHandle::FontResourceHandle: font resource \"",
                         getName(), L"\" has no readable file\n");
    }
    delete[] data;
    file->Release();
}

FontResourceHandle::~FontResourceHandle()
{
    if (m_handle) {
        RemoveFontMemResourceEx(m_handle);
        m_handle = nullptr;
    }
    m_fontCount = 0;
}

} // namespace Ulvo
