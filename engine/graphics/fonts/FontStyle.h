#pragma once
// How a text looks beyond its font: the foreground colour and an optional
// background colour drawn behind the text as a shadow or a halo.
#include <windows.h>
#include <d3dx9math.h>

#include <vector>

#include "foundation/objects/NamedObject.h"

namespace Ulvo {

class XMLNode;

class FontStyle : public NamedObject {
public:
    // Every number 0, draw background off, both colours transparent black.
    FontStyle();
    FontStyle(const FontStyle& other);
    // A FONTSTYLE node: NAME, COLOR_VG, COLOR_HG (AARRGGBB), DRAW_HG, RADIUS,
    // RINGS, SAMPLES, SHADOW ("x" or "x y"), child SHADOW with X and Y.
    explicit FontStyle(XMLNode* node);
    FontStyle& operator=(const FontStyle& other);
    ~FontStyle() override = default;

    // a + (b - a) * t for the colours and numbers, t not clamped; the name is
    // a's, and the background is drawn when either style draws it.
    static FontStyle interpolate(const FontStyle& a, const FontStyle& b, float t);
    // The same values into out, which keeps its name (no copy of the object, so
    // drawing code can blend every frame without allocating).
    static void interpolate(FontStyle& out, const FontStyle& a, const FontStyle& b, float t);

    // The colours as 32-bit A R G B.
    D3DCOLOR getForegroundARGB() const { return toARGB(m_foreground); }
    D3DCOLOR getBackgroundARGB() const { return toARGB(m_background); }
    // Each channel: 1 or more gives 255, 0 or less 0, otherwise trunc(c * 255 + 0.5).
    static D3DCOLOR toARGB(const D3DXCOLOR& colour);

    // The offsets of the background copies, in drawing order: one shadow copy
    // when samples < 1, then samples x rings copies on the rings of the halo.
    // A samples or rings value that truncates to 0 gives no halo (its steps
    // would divide by zero). Empty when the background is not drawn.
    void getBackgroundOffsets(std::vector<POINT>& offsets) const;

    D3DXCOLOR m_foreground{0.0f, 0.0f, 0.0f, 0.0f};
    D3DXCOLOR m_background{0.0f, 0.0f, 0.0f, 0.0f};
    bool m_drawBackground = false;
    float m_radius = 0.0f;
    float m_samples = 0.0f;
    float m_rings = 0.0f;
    float m_shadowX = 0.0f;
    float m_shadowY = 0.0f;

private:
    void copyValues(const FontStyle& other);
};

} // namespace Ulvo
