#include "lighting/deferred/PointLightBatch.h"

#include "foundation/helpers/Release.h"
#include "graphics/effects/EffectPasses.h"
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

const char* const kPointTechnique = "Pointlight_Points";
// How much larger than its rectangle a light's square may be.
constexpr float kLargestSquareShare = 1.25f;

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
    releaseAndNull(m_rectBuffer);
    releaseAndNull(m_rectIndices);
    releaseAndNull(m_rectDeclaration);
    m_rectCapacity = 0;
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

namespace {

// The range of x / z over a circle (centre c along the axis, z ahead, radius r, wholly ahead of
// the eye: z > r): the slopes of the two lines from the eye that touch it.
void tangentSlopes(float c, float z, float r, float& low, float& high)
{
    const float a = z * z - r * r;
    const float root = r * std::sqrt(c * c + a);
    low = (c * z - root) / a;
    high = (c * z + root) / a;
}

} // namespace

bool PointLightBatch::screenRect(const D3DXVECTOR3& centre, float radius, const D3DXMATRIX& projection,
                                 const D3DXVECTOR2& margin, ScreenRect& rect)
{
    // The screen's edges lie a margin outside: a rectangle ending right on them would leave the
    // edge pixels to the rasteriser's rounding.
    const float edgeX = 1.0f + margin.x, edgeY = 1.0f + margin.y;
    rect = {-edgeX, -edgeY, edgeX, edgeY};
    const D3DXMATRIX& p = projection;
    // x_ndc = (x _11 + z _31) / (z _34), y likewise; anything else (orthographic, skewed) gets
    // the whole screen.
    const bool perspective = p._21 == 0.0f && p._41 == 0.0f && p._12 == 0.0f && p._42 == 0.0f && p._14 == 0.0f &&
                             p._24 == 0.0f && p._44 == 0.0f && p._34 > 0.0f && p._11 > 0.0f && p._22 > 0.0f &&
                             p._33 != 0.0f;
    if (!perspective)
        return true;
    const float nearPlane = -p._43 / p._33;
    // A sphere that reaches the near plane (or the eye) can cover any part of the screen.
    if (!(centre.z - radius > std::max(nearPlane, 0.0f) + 1e-4f * radius))
        return true;
    float sLow, sHigh, tLow, tHigh;
    tangentSlopes(centre.x, centre.z, radius, sLow, sHigh);
    tangentSlopes(centre.y, centre.z, radius, tLow, tHigh);
    rect.left = std::max(-edgeX, (p._11 * sLow + p._31) / p._34 - margin.x);
    rect.right = std::min(edgeX, (p._11 * sHigh + p._31) / p._34 + margin.x);
    rect.bottom = std::max(-edgeY, (p._22 * tLow + p._32) / p._34 - margin.y);
    rect.top = std::min(edgeY, (p._22 * tHigh + p._32) / p._34 + margin.y);
    return rect.left < rect.right && rect.bottom < rect.top;
}

bool PointLightBatch::fitRects(IDirect3DDevice9* device, std::size_t count)
{
    if (m_rectBuffer && m_rectIndices && m_rectDeclaration && m_rectCapacity >= count)
        return true;
    // The device's point sizes do not change: asked once with the buffers.
    D3DCAPS9 caps{};
    m_largestPoint = SUCCEEDED(device->GetDeviceCaps(&caps)) ? caps.MaxPointSize : 0.0f;
    releaseAndNull(m_rectBuffer);
    releaseAndNull(m_rectIndices);
    m_rectCapacity = 0;
    static const D3DVERTEXELEMENT9 kElements[] = {
        {0, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
        {0, 16, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 1},
        {0, 32, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 2},
        {0, 48, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 3},
        {0, 64, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 4},
        D3DDECL_END()};
    if (!m_rectDeclaration && FAILED(device->CreateVertexDeclaration(kElements, &m_rectDeclaration))) {
        m_rectDeclaration = nullptr;
        return false;
    }
    // Grown in steps like the instance buffer; the indices of two triangles a light are fixed.
    const std::size_t capacity = std::max<std::size_t>(64, count * 2);
    const UINT indexBytes = static_cast<UINT>(capacity * 6 * sizeof(uint32_t));
    void* data = nullptr;
    if (FAILED(device->CreateVertexBuffer(static_cast<UINT>(capacity * 4 * sizeof(RectCorner)), D3DUSAGE_WRITEONLY, 0,
                                          D3DPOOL_MANAGED, &m_rectBuffer, nullptr)) ||
        FAILED(device->CreateIndexBuffer(indexBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX32, D3DPOOL_MANAGED,
                                         &m_rectIndices, nullptr)) ||
        FAILED(m_rectIndices->Lock(0, 0, &data, 0)) || !data) {
        releaseAndNull(m_rectBuffer);
        releaseAndNull(m_rectIndices);
        return false;
    }
    auto* indices = static_cast<uint32_t*>(data);
    for (std::size_t i = 0; i < capacity; ++i) {
        const auto base = static_cast<uint32_t>(i * 4);
        const uint32_t quad[6] = {base, base + 1, base + 2, base + 2, base + 1, base + 3};
        std::memcpy(indices + i * 6, quad, sizeof(quad));
    }
    m_rectIndices->Unlock();
    m_rectCapacity = capacity;
    return true;
}

bool PointLightBatch::drawRects(IDirect3DDevice9* device, ID3DXEffect* effect, const D3DXMATRIX& view,
                                const D3DXMATRIX& projection, UINT width, UINT height)
{
    if (m_instances.empty())
        return true;
    if (!device || !effect || width == 0 || height == 0 || !fitRects(device, m_instances.size()))
        return false;
    // Two pixels of margin: the rectangle must not clip what the sphere covers by rounding.
    const D3DXVECTOR2 margin(4.0f / static_cast<float>(width), 4.0f / static_cast<float>(height));
    const D3DXVECTOR2 pixels(0.5f * static_cast<float>(width), 0.5f * static_cast<float>(height));
    const float largestPoint = effect->GetTechniqueByName(kPointTechnique) ? m_largestPoint : 0.0f;
    m_rectCorners.clear();
    m_points.clear();
    for (const Instance& light : m_instances) {
        D3DXVECTOR3 centre;
        const D3DXVECTOR3 world(light.place.x, light.place.y, light.place.z);
        D3DXVec3TransformCoord(&centre, &world, &view);
        ScreenRect rect{};
        if (!screenRect(centre, light.place.w, projection, margin, rect))
            continue;
        const float width = (rect.right - rect.left) * pixels.x, height = (rect.top - rect.bottom) * pixels.y;
        const float side = std::max(width, height);
        // A long rectangle (cut by the screen's edge) stays one: its square would shade many more
        // pixels than it saves in setting up.
        if (side <= largestPoint && side * side <= kLargestSquareShare * width * height) {
            m_points.push_back(
                {D3DXVECTOR4(0.5f * (rect.left + rect.right), 0.5f * (rect.bottom + rect.top), 0.5f, side), light});
            continue;
        }
        for (const D3DXVECTOR2& corner : {D3DXVECTOR2(rect.left, rect.bottom), D3DXVECTOR2(rect.left, rect.top),
                                          D3DXVECTOR2(rect.right, rect.bottom), D3DXVECTOR2(rect.right, rect.top)})
            m_rectCorners.push_back({D3DXVECTOR4(corner.x, corner.y, 0.5f, 1.0f), light});
    }
    if (m_rectCorners.empty() && m_points.empty())
        return true;
    // The rectangles' corners and then the points, in one buffer of four corners a light.
    const UINT rectBytes = static_cast<UINT>(m_rectCorners.size() * sizeof(RectCorner));
    const UINT pointBytes = static_cast<UINT>(m_points.size() * sizeof(RectCorner));
    void* data = nullptr;
    if (FAILED(m_rectBuffer->Lock(0, rectBytes + pointBytes, &data, 0)) || !data)
        return false;
    if (rectBytes)
        std::memcpy(data, m_rectCorners.data(), rectBytes);
    if (pointBytes)
        std::memcpy(static_cast<char*>(data) + rectBytes, m_points.data(), pointBytes);
    m_rectBuffer->Unlock();
    drawCorners(device, effect, static_cast<UINT>(m_rectCorners.size()), static_cast<UINT>(m_points.size()));
    return true;
}

void PointLightBatch::drawCorners(IDirect3DDevice9* device, ID3DXEffect* effect, UINT rectCorners, UINT points)
{
    device->SetVertexDeclaration(m_rectDeclaration);
    device->SetStreamSource(0, m_rectBuffer, 0, sizeof(RectCorner));
    device->SetIndices(m_rectIndices);
    if (rectCorners)
        runEffectPasses(
            effect, [&] { device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, rectCorners, 0, rectCorners / 2); });
    if (points) {
        const D3DXHANDLE technique = effect->GetCurrentTechnique();
        effect->SetTechnique(kPointTechnique);
        runEffectPasses(effect, [&] { device->DrawPrimitive(D3DPT_POINTLIST, rectCorners, points); });
        effect->SetTechnique(technique);
    }
    device->SetStreamSource(0, nullptr, 0, 0);
    device->SetIndices(nullptr);
    RenderObjekt::setDrawStateMarker(nullptr);
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
    runEffectPasses(effect,
                    [&] { device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, m_cornerCount, 0, m_triangleCount); });
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
