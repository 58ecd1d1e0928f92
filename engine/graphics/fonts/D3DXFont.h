#pragma once
// A Windows font face drawn by the D3DX text renderer.
#include <d3dx9font.h>

#include "graphics/fonts/Font.h"

namespace Ulvo {

class D3DXFont : public Font {
public:
    explicit D3DXFont(XMLNode* node);
    ~D3DXFont() override;

    // Builds the ID3DXFont for the current back buffer (fonts that scale with
    // the screen are sized for 1024 x 768), falling back to "Arial"; marks the
    // font created and emits onFontChanged in every case. Nothing when created.
    void create() override;
    void onLostDevice() override;
    // Fonts that scale with the screen are rebuilt for the new back buffer.
    void onResetDevice() override;
    void setFaceName(const std::wstring& faceName) override;
    void setHeight(int32_t height) override;

    // Null until created, and when both creation attempts failed.
    ID3DXFont* getD3DXFont() const { return m_font; }

    // The height and width handed to D3DXCreateFontW for a back buffer of this
    // size, in signed arithmetic so that a negative (character) height stays
    // negative.
    static void scaledSize(int32_t height, int32_t width, bool scale, unsigned backBufferWidth,
                           unsigned backBufferHeight, int32_t& scaledHeight, int32_t& scaledWidth);

private:
    void releaseFont();
    void rebuild();

    ID3DXFont* m_font = nullptr;
};

} // namespace Ulvo
