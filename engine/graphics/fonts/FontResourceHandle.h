#pragma once
// A font file shipped with the game, registered as a private font face so that
// D3DX fonts can use a face that is not installed.
#include <windows.h>

#include "foundation/objects/NamedObject.h"

#include <cstdint>

namespace Ulvo {

class XMLNode;

class FontResourceHandle : public NamedObject {
public:
    // A FONT_RESOURCE node: NAME, and the file keys FILENAME, GOBORDER, DEFAULT.
    explicit FontResourceHandle(XMLNode* node);
    // Unregisters the font data.
    ~FontResourceHandle() override;
    FontResourceHandle(const FontResourceHandle&) = delete;
    FontResourceHandle& operator=(const FontResourceHandle&) = delete;

    // Null when nothing was registered.
    HANDLE getHandle() const { return m_handle; }
    uint32_t getFontCount() const { return m_fontCount; }

private:
    HANDLE m_handle = nullptr;
    DWORD m_fontCount = 0;
};

} // namespace Ulvo
