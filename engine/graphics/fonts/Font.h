#pragma once
// A named font of one of the two kinds (D3DX text renderer or bitmap letters),
// declared in a font file and kept by the font manager.
#include "devices/d3d/DeviceResource.h"
#include "foundation/objects/NamedObject.h"
#include "foundation/sigslot.h"

#include <cstdint>
#include <string>

namespace Ulvo {

class FontResourceHandle;
class XMLNode;

class Font : public NamedObject, public DeviceResource {
public:
    // A D3DXFONT or BITMAPFONT node: NAME, FONT_NAME, HEIGHT, WIDTH, ITALIC,
    // SIZE (the weight), SCALE_WITH_SCREEN, USE_FONT_RESOURCE. Creates no
    // device object; follows the device's lost and reset signals.
    explicit Font(XMLNode* node);
    // Releases the font resource reference.
    ~Font() override;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    virtual void create() = 0;
    virtual void setFaceName(const std::wstring& faceName) { m_faceName = faceName; }
    virtual void setHeight(int32_t height) { m_height = height; }

    const std::wstring& getFaceName() const { return m_faceName; }
    int32_t getHeight() const { return m_height; }
    int32_t getWidth() const { return m_width; }
    bool isItalic() const { return m_italic; }
    int32_t getWeight() const { return m_weight; }
    bool isCreated() const { return m_created; }
    bool scalesWithScreen() const { return m_scaleWithScreen; }
    FontResourceHandle* getFontResource() const { return m_fontResource; }

    // Emitted after a D3DX font has been (re)built; GUI labels connect to it.
    sigslot::signal1<Font&> onFontChanged;

protected:
    std::wstring m_faceName = L"Arial";
    int32_t m_height = 15;
    int32_t m_width = 0;
    bool m_italic = false;
    int32_t m_weight = 400;
    bool m_created = false;
    bool m_scaleWithScreen = true;
    FontResourceHandle* m_fontResource = nullptr;
};

} // namespace Ulvo
