// The road's mesh: the profile swept along the samples. buildMesh makes the CPU vertices and
// indices (two vertices per sample and profile edge, one triangle strip per edge), the texture
// coordinates, the object's box and the culling chunks, and carves under every profile point;
// createGeometry finishes the vertices (terrain placing, normals, tangent frames), repaints a grid
// terrain's layers, ends the terrain edit and uploads. The CPU arrays stay for device resets.
#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/FailedCall.h"
#include "foundation/logging/Logger.h"
#include "scene/HeightMap.h"
#include "scene/ObjektManager.h"
#include "scene/SceneBudget.h"
#include "terrain/heightmap/HeightMapObjekt.h"
#include "terrain/street/StreetObjekt.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Ulvo {

namespace {

D3DXVECTOR3 unit(const D3DXVECTOR3& v)
{
    D3DXVECTOR3 out;
    D3DXVec3Normalize(&out, &v);
    return out;
}

D3DXVECTOR3 cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    D3DXVECTOR3 out;
    D3DXVec3Cross(&out, &a, &b);
    return out;
}

const D3DVERTEXELEMENT9 kDeclaration[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    {0, 32, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    {0, 44, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BINORMAL, 0},
    D3DDECL_END(),
};

} // namespace

void StreetObjekt::releaseDeviceObjects()
{
    releaseAndNull(m_indexBuffer);
    releaseAndNull(m_vertexBuffer);
    releaseAndNull(m_vertexDeclaration);
}

void StreetObjekt::buildMesh()
{
    releaseDeviceObjects();
    m_vertices.clear();
    m_indices.clear();
    m_chunks.clear();
    m_vertexCount = m_indexCount = 0;

    HeightMap* terrain = findTerrain();
    const std::size_t P = m_profile.size();
    m_path.samplePath(terrain, P ? kMaxVertices / (2 * P) : SIZE_MAX);
    // The scene being loaded may have no room left for this road: it stays without a mesh.
    // Each vertex and index is kept on the processor and in its device buffer.
    const uint64_t corners = 2 * P * m_path.samples.size();
    const uint64_t bytes = corners * (sizeof(StreetVertex) + sizeof(uint32_t));
    if (m_owner && !m_owner->getSceneBudget().charge({0, bytes + SceneBudget::deviceBytes(bytes)}, getName(), this))
        m_path.samples.clear();
    const std::size_t S = m_path.samples.size();
    m_worldBox = AABB();
    m_worldBoxDirty = false;
    if (S == 0 || P == 0)
        return;
    m_vertices.assign(2 * P * S, StreetVertex());
    m_indices.assign(2 * P * S, 0);
    m_vertexCount = m_indexCount = static_cast<uint32_t>(2 * P * S);

    const std::size_t L = std::max<std::size_t>(S / static_cast<std::size_t>(std::max(m_segmentCount, 1)), 1);
    bool shortEdge = false;
    AABB chunkBox;
    const float lastDistance = m_path.samples.back().distance;
    for (std::size_t j = 0; j < S; ++j) {
        const PathSample& sample = m_path.samples[j];
        D3DXMATRIX M;
        D3DXMatrixRotationY(&M, sample.heading);
        const bool carve = terrain && sample.controlPoint && (sample.controlPoint->flags & FLAG_CHANGE);
        // A long road carves at every profile point of every sample: a termination signal leaves
        // the road without a mesh.
        if (carve && SceneBudget::terminationPending()) {
            m_vertices.clear();
            m_indices.clear();
            m_chunks.clear();
            m_vertexCount = m_indexCount = 0;
            m_worldBox = AABB();
            break;
        }
        float runningU = 0.0f;
        for (std::size_t p = 0; p < P; ++p) {
            const std::size_t q = (p + 1) % P;
            const Segment& seg = m_profile[p];
            const D3DXVECTOR3 localA(seg.x, seg.y, 0.0f), localB(m_profile[q].x, m_profile[q].y, 0.0f);
            D3DXVECTOR3 a, b;
            D3DXVec3TransformCoord(&a, &localA, &M);
            D3DXVec3TransformCoord(&b, &localB, &M);
            StreetVertex& A = m_vertices[2 * (j * P + p)];
            StreetVertex& B = m_vertices[2 * (j * P + p) + 1];
            A.position = sample.position + a * sample.widthScale;
            B.position = sample.position + b * sample.widthScale;
            A.normal = B.normal = D3DXVECTOR3(0.0f, 1.0f, 0.0f);

            A.u = seg.useLastTexU ? runningU : 0.0f;
            B.u = A.u + seg.uTiling;
            runningU = B.u;

            if (carve) {
                const D3DXVECTOR3 centre(A.position.x, A.position.y - sample.widthScale * a.y, A.position.z);
                terrain->modifyHeightRadius(centre, m_path.changeRadius, m_path.changeFalloff);
            }

            if (!seg.symmetric) {
                A.v = seg.vTiling * sample.distance;
            } else if (seg.scaleTexULength) {
                A.v = lastDistance > 0.0f ? sample.distance / lastDistance * seg.uTiling : 0.0f;
            } else {
                const D3DXVECTOR3 edge = a - b;
                const float length = D3DXVec3Length(&edge);
                // A point twice in the profile has no width to scale by: one repeat per unit.
                if (length > 0.0f) {
                    A.v = sample.distance / length * seg.uTiling;
                } else {
                    shortEdge = true;
                    A.v = sample.distance * seg.uTiling;
                }
            }
            B.v = A.v;

            if (j == 0 && p == 0)
                m_worldBox = AABB(A.position, A.position);
            m_worldBox.addPoint(A.position);
            m_worldBox.addPoint(B.position);
            if (p == 0 && j % L == 0)
                chunkBox = AABB(A.position, A.position);
            chunkBox.addPoint(A.position);
            chunkBox.addPoint(B.position);

            m_indices[2 * (p * S + j)] = static_cast<uint32_t>(2 * (j * P + p) + 1);
            m_indices[2 * (p * S + j) + 1] = static_cast<uint32_t>(2 * (j * P + p));
        }
        if ((j + 1) % L == 0 || j + 1 == S) {
            MeshChunk chunk;
            chunk.firstSample = static_cast<int32_t>(j - j % L);
            chunk.lastSample = static_cast<int32_t>(j);
            chunk.box = chunkBox;
            m_chunks.push_back(chunk);
        }
    }
    if (shortEdge)
        mainLogger().log(100, LOG_TYPE_WARNING, L"StreetObjekt ", getName(),
                         L": a profile edge of length 0 repeats its texture once per unit along the road\n");
}

void StreetObjekt::computeNormals(std::size_t S, std::size_t P)
{
    auto A = [&](std::size_t j, std::size_t p) -> StreetVertex& { return m_vertices[2 * (j * P + p)]; };
    auto B = [&](std::size_t j, std::size_t p) -> StreetVertex& { return m_vertices[2 * (j * P + p) + 1]; };
    for (std::size_t j = 0; j < S; ++j) {
        const std::size_t prev = j > 0 ? j - 1 : 0, next = std::min(j + 1, S - 1);
        for (std::size_t p = 0; p < P; ++p) {
            const std::size_t q = (p + 1) % P;
            StreetVertex& a = A(j, p);
            StreetVertex& b = B(j, p);
            const bool smoothA = m_profile[p].smoothSeg, smoothB = m_profile[q].smoothSeg;
            if (smoothA) {
                const D3DXVECTOR3 v1 = unit(b.position - a.position);
                const D3DXVECTOR3 v2 = unit(A(next, p).position - a.position);
                const D3DXVECTOR3 v3 = unit(A(j, p > 0 ? p - 1 : P - 1).position - a.position);
                const D3DXVECTOR3 v4 = unit(A(prev, p).position - a.position);
                a.normal = unit(-(cross(v1, v2) + cross(v2, v3) + cross(v3, v4) + cross(v4, v1)));
            }
            if (smoothB) {
                const D3DXVECTOR3 w1 = unit(B(j, p + 1 < P ? p + 1 : 0).position - b.position);
                const D3DXVECTOR3 w2 = unit(B(next, p).position - b.position);
                const D3DXVECTOR3 w3 = unit(a.position - b.position);
                const D3DXVECTOR3 w4 = unit(B(prev, p).position - b.position);
                b.normal = unit(-(cross(w1, w2) + cross(w2, w3) + cross(w3, w4) + cross(w4, w1)));
            }
            if (!smoothA || !smoothB) {
                const D3DXVECTOR3 u1 = unit(b.position - a.position);
                const D3DXVECTOR3 u2 = unit(A(next, p).position - a.position);
                const D3DXVECTOR3 u3 = unit(a.position - A(prev, p).position);
                const D3DXVECTOR3 flat = unit(-cross(u1, u2) - cross(u1, u3));
                if (!smoothA)
                    a.normal = flat;
                if (!smoothB)
                    b.normal = flat;
            }
        }
    }
}

void StreetObjekt::computeTangents(std::size_t S, std::size_t P)
{
    for (StreetVertex& v : m_vertices)
        v.tangent = v.binormal = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    for (std::size_t j = 0; j < S; ++j) {
        const std::size_t next = std::min(j + 1, S - 1);
        for (std::size_t p = 0; p < P; ++p) {
            StreetVertex& a = m_vertices[2 * (j * P + p)];
            StreetVertex& b = m_vertices[2 * (j * P + p) + 1];
            StreetVertex& d = m_vertices[2 * (next * P + p)];
            const D3DXVECTOR3 e1 = b.position - a.position, e2 = d.position - a.position;
            const float du1 = b.u - a.u, dv1 = b.v - a.v, du2 = d.u - a.u, dv2 = d.v - a.v;
            const float det = dv2 * du1 - dv1 * du2;
            // A triangle without extent in uv (the last ring's, where d is a) has no frame.
            if (det == 0.0f || !std::isfinite(det))
                continue;
            const float r = 1.0f / det;
            const D3DXVECTOR3 tangent = (e1 * dv2 - e2 * dv1) * r;
            const D3DXVECTOR3 binormal = (e2 * du1 - e1 * du2) * r;
            if (!std::isfinite(tangent.x + tangent.y + tangent.z + binormal.x + binormal.y + binormal.z))
                continue;
            for (StreetVertex* v : {&a, &b, &d}) {
                v->tangent += tangent;
                v->binormal += binormal;
            }
        }
    }
    for (std::size_t i = 0; i < m_vertices.size(); ++i) {
        StreetVertex& v = m_vertices[i];
        v.tangent = unit(v.tangent);
        v.binormal = unit(v.binormal);
        // A vertex no triangle reached takes the frame of the ring before it.
        const std::size_t ring = 2 * P;
        if (v.tangent == D3DXVECTOR3(0.0f, 0.0f, 0.0f) && i >= ring) {
            v.tangent = m_vertices[i - ring].tangent;
            v.binormal = m_vertices[i - ring].binormal;
        }
    }
}

void StreetObjekt::createGeometry()
{
    const std::size_t P = m_profile.size();
    const std::size_t S = P ? m_vertices.size() / (2 * P) : 0;
    HeightMap* terrain = findTerrain();
    if (terrain) {
        for (std::size_t j = 0; j < S; ++j) {
            const PathSample& sample = m_path.samples[j];
            if (!sample.controlPoint || !(sample.controlPoint->flags & FLAG_TERRAIN_PLACING))
                continue;
            for (std::size_t p = 0; p < P; ++p) {
                StreetVertex& a = m_vertices[2 * (j * P + p)];
                StreetVertex& b = m_vertices[2 * (j * P + p) + 1];
                a.position.y = terrain->getHeight(a.position) + sample.widthScale * m_profile[p].y;
                b.position.y = terrain->getHeight(b.position) + sample.widthScale * m_profile[(p + 1) % P].y;
            }
        }
    }
    if (S > 0) {
        computeNormals(S, P);
        computeTangents(S, P);
    }
    if (terrain) {
        // The carved bed has new heights and slopes: a grid terrain paints its layers again from
        // them, on fresh normals (its slope fields read them).
        if (auto* grid = dynamic_cast<HeightMapObjekt*>(terrain)) {
            grid->computeNormals();
            grid->paintLayers(nullptr, true);
        }
        terrain->endModify();
    }
    releaseDeviceObjects();
    createBuffers();
    IDirect3DDevice9* device = m_d3d ? m_d3d->getDevice() : nullptr;
    if (device && !m_vertexDeclaration && FAILED(device->CreateVertexDeclaration(kDeclaration, &m_vertexDeclaration))) {
        mainLogger().log(100, LOG_TYPE_ERROR, L"StreetObjekt ", getName(), L": no vertex declaration\n");
        m_vertexDeclaration = nullptr;
    }
}

void StreetObjekt::createBuffers()
{
    IDirect3DDevice9* device = m_d3d ? m_d3d->getDevice() : nullptr;
    if (!device || m_vertexCount == 0 || m_indexCount == 0)
        return;
    const UINT vertexBytes = m_vertexCount * sizeof(StreetVertex);
    if (!failedCall(
            device->CreateVertexBuffer(vertexBytes, D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &m_vertexBuffer, nullptr),
            L"Ulvo::StreetObjekt::createGeometry", __LINE__, L"CreateVertexBuffer") &&
        m_vertexBuffer) {
        void* data = nullptr;
        if (SUCCEEDED(m_vertexBuffer->Lock(0, 0, &data, 0)) && data) {
            std::memcpy(data, m_vertices.data(), vertexBytes);
            m_vertexBuffer->Unlock();
        } else {
            // An unfilled buffer would draw whatever it held.
            mainLogger().log(100, LOG_TYPE_ERROR, L"StreetObjekt ", getName(),
                             L": the vertex buffer cannot be locked\n");
            releaseAndNull(m_vertexBuffer);
        }
    } else {
        m_vertexBuffer = nullptr;
    }
    const UINT indexBytes = m_indexCount * sizeof(uint32_t);
    if (!failedCall(device->CreateIndexBuffer(indexBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX32, D3DPOOL_DEFAULT,
                                              &m_indexBuffer, nullptr),
                    L"Ulvo::StreetObjekt::createGeometry", __LINE__, L"CreateIndexBuffer") &&
        m_indexBuffer) {
        void* data = nullptr;
        if (SUCCEEDED(m_indexBuffer->Lock(0, 0, &data, 0)) && data) {
            std::memcpy(data, m_indices.data(), indexBytes);
            m_indexBuffer->Unlock();
        } else {
            mainLogger().log(100, LOG_TYPE_ERROR, L"StreetObjekt ", getName(),
                             L": the index buffer cannot be locked\n");
            releaseAndNull(m_indexBuffer);
        }
    } else {
        m_indexBuffer = nullptr;
    }
}

void StreetObjekt::onLostDevice()
{
    releaseAndNull(m_vertexBuffer);
    releaseAndNull(m_indexBuffer);
}

void StreetObjekt::onResetDevice()
{
    if (m_vertexCount > 0 && m_indexCount > 0) {
        releaseAndNull(m_vertexBuffer);
        releaseAndNull(m_indexBuffer);
        createBuffers();
    }
}

} // namespace Ulvo
