#pragma once
// The point lights of a deferred frame that cast no shadow, gathered and drawn in one instanced
// draw: a coarse volume (an icosahedron split once, 42 corners, wide enough to hold the unit
// sphere) placed and scaled per light by the instance stream, which also carries the light's
// colour, ambient colour, fade exponent, specular multipliers and intensity. Only the back faces
// are drawn, so every pixel a volume covers is lit once whether the eye is inside or outside it.
// One draw and one target switch for all of them, where a light of its own costs a sphere of
// several hundred corners, its constants and a hand-over of the light target.
//
// Where the effect has the technique for it, the lights are drawn as screen rectangles instead:
// each light's rectangle (the bounds of its sphere on the screen, the whole screen once the
// sphere reaches the near plane) is worked out here and all of them go in one plain draw, two
// triangles a light. A software rasteriser shades vertices and sets up triangles on the calling
// thread, per instance of an instanced draw: the volume's 80 triangles cost it several times
// what the rectangle does. Beyond its radius a light adds nothing, so the larger area lights
// exactly the same pixels. Where the effect also has a technique for points, a light whose
// rectangle fits in the largest point the device draws goes as one point, the square round its
// rectangle: one vertex and one primitive to set up and bin instead of four and two, and no
// diagonal whose tiles both triangles visit.
//
// Every buffer is managed, so the batch needs no help through a device reset.
#include <d3d9.h>
#include <d3dx9.h>

#include <array>
#include <vector>

namespace Ulvo {

class DeferredLight;

class PointLightBatch {
public:
    // What the instance stream carries per light (TEXCOORD1..4).
    struct Instance {
        D3DXVECTOR4 place;   // xyz the position, w the radius
        D3DXVECTOR4 colour;  // the light colour
        D3DXVECTOR4 ambient; // rgb the ambient colour, w the fade exponent
        D3DXVECTOR4 terms;   // xy the specular multipliers, z the intensity
    };
    using Triangle = std::array<WORD, 3>;
    // A corner of a light's screen rectangle: clip-space position (w = 1) and the light's values;
    // for a light drawn as a point, the centre of its square, w its side in pixels.
    struct RectCorner {
        D3DXVECTOR4 position;
        Instance light;
    };
    // A rectangle in normalised device coordinates (y up).
    struct ScreenRect {
        float left, bottom, right, top;
    };
    // The volume: corners round the origin, wide enough that its flat faces hold the unit sphere,
    // and triangles wound clockwise seen from outside.
    static void makeVolume(std::vector<D3DXVECTOR3>& corners, std::vector<Triangle>& triangles);
    // The screen bounds of a sphere (centre in view space, radius) under a perspective projection,
    // widened by margin (device units) and clipped to the screen. The whole screen when the
    // sphere reaches the near plane or the projection is not a plain perspective one; false when
    // nothing of it is left on the screen.
    static bool screenRect(const D3DXVECTOR3& centre, float radius, const D3DXMATRIX& projection,
                           const D3DXVECTOR2& margin, ScreenRect& rect);

    PointLightBatch() = default;
    ~PointLightBatch();
    PointLightBatch(const PointLightBatch&) = delete;
    PointLightBatch& operator=(const PointLightBatch&) = delete;

    void clear() { m_instances.clear(); }
    // The light's values as it shines now (intensity clamped to 0..1 without hdr).
    void add(const DeferredLight& light, bool hdr);
    void add(const Instance& instance) { m_instances.push_back(instance); }
    std::size_t size() const { return m_instances.size(); }
    const std::vector<Instance>& instances() const { return m_instances; }

    // Draws every gathered light with the effect's current technique (its passes begun and
    // ended here); false when the buffers cannot be made or filled. Nothing stays bound.
    bool draw(IDirect3DDevice9* device, ID3DXEffect* effect);
    // The same as screen rectangles, with the effect's current technique made for them: view and
    // projection of the camera, the target's size in pixels.
    bool drawRects(IDirect3DDevice9* device, ID3DXEffect* effect, const D3DXMATRIX& view, const D3DXMATRIX& projection,
                   UINT width, UINT height);
    void release();
    // What the last drawRects drew: lights as rectangles and as points.
    std::size_t rectangleCount() const { return m_rectCorners.size() / 4; }
    std::size_t pointCount() const { return m_points.size(); }

private:
    bool makeVolumeBuffers(IDirect3DDevice9* device);
    bool fitInstances(IDirect3DDevice9* device);
    bool fitRects(IDirect3DDevice9* device, std::size_t count);
    void drawCorners(IDirect3DDevice9* device, ID3DXEffect* effect, UINT rectCorners, UINT points);

    std::vector<Instance> m_instances;
    IDirect3DVertexBuffer9* m_corners = nullptr;
    IDirect3DIndexBuffer9* m_triangles = nullptr;
    IDirect3DVertexBuffer9* m_instanceBuffer = nullptr;
    IDirect3DVertexDeclaration9* m_declaration = nullptr;
    UINT m_cornerCount = 0;
    UINT m_triangleCount = 0;
    std::size_t m_capacity = 0;
    std::vector<RectCorner> m_rectCorners;
    std::vector<RectCorner> m_points;
    IDirect3DVertexBuffer9* m_rectBuffer = nullptr;
    IDirect3DIndexBuffer9* m_rectIndices = nullptr;
    IDirect3DVertexDeclaration9* m_rectDeclaration = nullptr;
    std::size_t m_rectCapacity = 0;
    float m_largestPoint = 0.0f; // the device's largest point side in pixels
};

} // namespace Ulvo
