#include "lighting/deferred/PointLightBatch.h"

#include "foundation/helpers/Release.h"
#include "lighting/deferred/DeferredLight.h"
#include "render/scenegraph/RenderObjekt.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <utility>

namespace Ulvo {

namespace {

using Triangle = PointLightBatch::Triangle;

// The unit icosahedron split once: every corner on the unit sphere.
void splitIcosahedron(std::vector<D3DXVECTOR3>& corners, std::vector<Triangle>& triangles)
{
    const float t = (1.0f + std::sqrt(5.0f)) * 0.5f;
    corners = {{-1, t, 0},  {1, t, 0},  {-1, -t, 0}, {1, -t, 0}, {0, -1, t},  {0, 1, t},
               {0, -1, -t}, {0, 1, -t}, {t, 0, -1},  {t, 0, 1},  {-t, 0, -1}, {-t, 0, 1}};
    const std::vector<Triangle> faces = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                                         {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                                         {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                                         {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
    std::map<std::pair<WORD, WORD>, WORD> middles;
    auto middle = [&](WORD a, WORD b) {
        const auto key = std::minmax(a, b);
        auto found = middles.find(key);
        if (found != middles.end())
            return found->second;
        corners.push_back(0.5f * (corners[a] + corners[b]));
        const WORD index = static_cast<WORD>(corners.size() - 1);
        middles.emplace(key, index);
        return index;
    };
    triangles.clear();
    for (const Triangle& f : faces) {
        const WORD ab = middle(f[0], f[1]), bc = middle(f[1], f[2]), ca = middle(f[2], f[0]);
        triangles.insert(triangles.end(), {Triangle{f[0], ab, ca}, Triangle{f[1], bc, ab}, Triangle{f[2], ca, bc},
                                           Triangle{ab, bc, ca}});
    }
    for (D3DXVECTOR3& corner : corners)
        D3DXVec3Normalize(&corner, &corner);
}

} // namespace

PointLightBatch::~PointLightBatch()
{
    release();
}

void PointLightBatch::release()
{
    releaseAndNull(m_corners);
    releaseAndNull(m_triangles);
    releaseAndNull(m_instanceBuffer);
    releaseAndNull(m_declaration);
    m_capacity = 0;
}

void PointLightBatch::add(const DeferredLight& light, bool hdr)
{
    const D3DXVECTOR3 position = light.getWorldPosition();
    const D3DXCOLOR& colour = light.getColor();
    const D3DXCOLOR& ambient = light.getAmbientColor();
    const D3DXVECTOR2& specular = light.getSpecularMultiplier();
    const float intensity = light.getCurrentIntensity();
    m_instances.push_back(
        {D3DXVECTOR4(position.x, position.y, position.z, light.getRadius()),
         D3DXVECTOR4(colour.r, colour.g, colour.b, colour.a),
         D3DXVECTOR4(ambient.r, ambient.g, ambient.b, light.getFalloffRadius()),
         D3DXVECTOR4(specular.x, specular.y, hdr ? intensity : std::clamp(intensity, 0.0f, 1.0f), 0.0f)});
}

void PointLightBatch::makeVolume(std::vector<D3DXVECTOR3>& corners, std::vector<Triangle>& triangles)
{
    splitIcosahedron(corners, triangles);
    // Pushed out until the flat faces hold the unit sphere, and wound so that the faces seen from
    // outside are clockwise (the front faces the technique's CullMode = CW leaves out).
    float nearest = 1.0f;
    for (Triangle& t : triangles) {
        D3DXVECTOR3 edge1 = corners[t[1]] - corners[t[0]], edge2 = corners[t[2]] - corners[t[0]], normal;
        D3DXVec3Cross(&normal, &edge1, &edge2);
        D3DXVec3Normalize(&normal, &normal);
        float distance = D3DXVec3Dot(&normal, &corners[t[0]]);
        if (distance < 0.0f) {
            std::swap(t[1], t[2]);
            distance = -distance;
        }
        nearest = std::min(nearest, distance);
    }
    const float scale = 1.001f / nearest;
    for (D3DXVECTOR3& corner : corners)
        corner *= scale;
}

bool PointLightBatch::makeVolumeBuffers(IDirect3DDevice9* device)
{
    if (m_corners && m_triangles && m_declaration)
        return true;
    std::vector<D3DXVECTOR3> corners;
    std::vector<Triangle> triangles;
    makeVolume(corners, triangles);
    static const D3DVERTEXELEMENT9 kElements[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
        {1, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 1},
        {1, 16, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 2},
        {1, 32, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 3},
        {1, 48, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 4},
        D3DDECL_END()};
    const UINT cornerBytes = static_cast<UINT>(corners.size() * sizeof(D3DXVECTOR3));
    const UINT triangleBytes = static_cast<UINT>(triangles.size() * sizeof(Triangle));
    void* data = nullptr;
    if (FAILED(device->CreateVertexDeclaration(kElements, &m_declaration)) ||
        FAILED(device->CreateVertexBuffer(cornerBytes, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &m_corners, nullptr)) ||
        FAILED(device->CreateIndexBuffer(triangleBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                         &m_triangles, nullptr))) {
        release();
        return false;
    }
    if (SUCCEEDED(m_corners->Lock(0, 0, &data, 0))) {
        std::memcpy(data, corners.data(), cornerBytes);
        m_corners->Unlock();
    }
    if (SUCCEEDED(m_triangles->Lock(0, 0, &data, 0))) {
        std::memcpy(data, triangles.data(), triangleBytes);
        m_triangles->Unlock();
    }
    m_cornerCount = static_cast<UINT>(corners.size());
    m_triangleCount = static_cast<UINT>(triangles.size());
    return true;
}

bool PointLightBatch::fitInstances(IDirect3DDevice9* device)
{
    if (m_instanceBuffer && m_capacity >= m_instances.size())
        return true;
    releaseAndNull(m_instanceBuffer);
    // Grown in steps, so a frame with a few more lights does not make the buffer again.
    const std::size_t capacity = std::max<std::size_t>(64, m_instances.size() * 2);
    if (FAILED(device->CreateVertexBuffer(static_cast<UINT>(capacity * sizeof(Instance)), D3DUSAGE_WRITEONLY, 0,
                                          D3DPOOL_MANAGED, &m_instanceBuffer, nullptr))) {
        m_instanceBuffer = nullptr;
        m_capacity = 0;
        return false;
    }
    m_capacity = capacity;
    return true;
}

bool PointLightBatch::draw(IDirect3DDevice9* device, ID3DXEffect* effect)
{
    if (m_instances.empty())
        return true;
    if (!device || !effect || !makeVolumeBuffers(device) || !fitInstances(device))
        return false;
    const UINT bytes = static_cast<UINT>(m_instances.size() * sizeof(Instance));
    void* data = nullptr;
    if (FAILED(m_instanceBuffer->Lock(0, bytes, &data, 0)))
        return false;
    std::memcpy(data, m_instances.data(), bytes);
    m_instanceBuffer->Unlock();

    const UINT count = static_cast<UINT>(m_instances.size());
    device->SetVertexDeclaration(m_declaration);
    device->SetStreamSource(0, m_corners, 0, sizeof(D3DXVECTOR3));
    device->SetStreamSourceFreq(0, D3DSTREAMSOURCE_INDEXEDDATA | count);
    device->SetStreamSource(1, m_instanceBuffer, 0, sizeof(Instance));
    device->SetStreamSourceFreq(1, D3DSTREAMSOURCE_INSTANCEDATA | 1u);
    device->SetIndices(m_triangles);
    UINT passes = 0;
    if (SUCCEEDED(effect->Begin(&passes, 0))) {
        for (UINT i = 0; i < passes; ++i) {
            effect->BeginPass(i);
            device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, m_cornerCount, 0, m_triangleCount);
            effect->EndPass();
        }
        effect->End();
    }
    device->SetStreamSourceFreq(0, 1);
    device->SetStreamSourceFreq(1, 1);
    device->SetStreamSource(0, nullptr, 0, 0);
    device->SetStreamSource(1, nullptr, 0, 0);
    device->SetIndices(nullptr);
    // The next mesh binds its own buffers.
    RenderObjekt::setDrawStateMarker(nullptr);
    return true;
}

} // namespace Ulvo
