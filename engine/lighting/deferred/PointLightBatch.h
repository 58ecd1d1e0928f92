#pragma once
// The point lights of a deferred frame that cast no shadow, gathered and drawn in one instanced
// draw: a coarse volume (an icosahedron split once, 42 corners, wide enough to hold the unit
// sphere) placed and scaled per light by the instance stream, which also carries the light's
// colour, ambient colour, fade exponent, specular multipliers and intensity. Only the back faces
// are drawn, so every pixel a volume covers is lit once whether the eye is inside or outside it.
// One draw and one target switch for all of them, where a light of its own costs a sphere of
// several hundred corners, its constants and a hand-over of the light target.
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
    // The volume: corners round the origin, wide enough that its flat faces hold the unit sphere,
    // and triangles wound clockwise seen from outside.
    static void makeVolume(std::vector<D3DXVECTOR3>& corners, std::vector<Triangle>& triangles);

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
    void release();

private:
    bool makeVolumeBuffers(IDirect3DDevice9* device);
    bool fitInstances(IDirect3DDevice9* device);

    std::vector<Instance> m_instances;
    IDirect3DVertexBuffer9* m_corners = nullptr;
    IDirect3DIndexBuffer9* m_triangles = nullptr;
    IDirect3DVertexBuffer9* m_instanceBuffer = nullptr;
    IDirect3DVertexDeclaration9* m_declaration = nullptr;
    UINT m_cornerCount = 0;
    UINT m_triangleCount = 0;
    std::size_t m_capacity = 0;
};

} // namespace Ulvo
