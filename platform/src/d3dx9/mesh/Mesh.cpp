// ID3DXMesh: a vertex and an index buffer on the device, an attribute per face kept in memory,
// and the attribute table. Adjacency, the attribute sort and the ray test read the buffers'
// memory copies through Lock, so they work whatever pool the buffers are in.
#include <d3dx9.h>

#include "common/ComObject.h"
#include "common/Diagnostics.h"
#include "d3d9/VertexDeclaration.h"
#include "d3dx9/mesh/MeshInternal.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

const IID IID_ID3DXBaseMesh = {0x7d3a0010, 0x5a11, 0x4d39, {0x9f, 0x31, 0x0c, 0x4e, 0x55, 0x1a, 0xd3, 0x10}};
const IID IID_ID3DXMesh = {0x7d3a0011, 0x5a11, 0x4d39, {0x9f, 0x31, 0x0c, 0x4e, 0x55, 0x1a, 0xd3, 0x11}};

namespace D3DXMeshes {

namespace {

constexpr DWORD kNoFace = 0xFFFFFFFF;

D3DPOOL poolFor(DWORD options, DWORD systemBit, DWORD managedBit)
{
    if (options & systemBit)
        return D3DPOOL_SYSTEMMEM;
    if (options & managedBit)
        return D3DPOOL_MANAGED;
    return D3DPOOL_DEFAULT;
}

UINT declTypeBytes(BYTE type)
{
    switch (type) {
    case D3DDECLTYPE_FLOAT1:
    case D3DDECLTYPE_D3DCOLOR:
    case D3DDECLTYPE_UBYTE4:
    case D3DDECLTYPE_SHORT2:
    case D3DDECLTYPE_UBYTE4N:
    case D3DDECLTYPE_SHORT2N:
    case D3DDECLTYPE_USHORT2N:
    case D3DDECLTYPE_UDEC3:
    case D3DDECLTYPE_DEC3N:
    case D3DDECLTYPE_FLOAT16_2:
        return 4;
    case D3DDECLTYPE_FLOAT2:
    case D3DDECLTYPE_SHORT4:
    case D3DDECLTYPE_SHORT4N:
    case D3DDECLTYPE_USHORT4N:
    case D3DDECLTYPE_FLOAT16_4:
        return 8;
    case D3DDECLTYPE_FLOAT3:
        return 12;
    case D3DDECLTYPE_FLOAT4:
        return 16;
    default:
        return 0;
    }
}

class Mesh final : public PlatformInternal::ComObject<ID3DXMesh> {
public:
    static HRESULT create(DWORD faces, DWORD vertices, DWORD options, DWORD fvf, IDirect3DDevice9* device, Mesh** out)
    {
        *out = nullptr;
        std::vector<D3DVERTEXELEMENT9> elements;
        const UINT stride = D3D9Internal::VertexDeclaration::fvfStride(fvf);
        if (faces == 0 || vertices == 0 || !device || stride == 0 ||
            !D3D9Internal::VertexDeclaration::elementsForFvf(fvf, elements))
            return D3DERR_INVALIDCALL;
        const bool wide = (options & D3DXMESH_32BIT) != 0;
        if (!wide && vertices > 0xFFFF)
            return D3DERR_INVALIDCALL;
        if (static_cast<uint64_t>(vertices) * stride > 0x7FFFFFFF ||
            static_cast<uint64_t>(faces) * 3 * (wide ? 4 : 2) > 0x7FFFFFFF)
            return D3DERR_INVALIDCALL;
        Mesh* mesh = new Mesh(device, options, fvf, stride, faces, vertices, std::move(elements));
        DWORD vbUsage = 0, ibUsage = 0;
        if (options & D3DXMESH_VB_WRITEONLY)
            vbUsage |= D3DUSAGE_WRITEONLY;
        if (options & D3DXMESH_VB_DYNAMIC)
            vbUsage |= D3DUSAGE_DYNAMIC;
        if (options & D3DXMESH_IB_WRITEONLY)
            ibUsage |= D3DUSAGE_WRITEONLY;
        if (options & D3DXMESH_IB_DYNAMIC)
            ibUsage |= D3DUSAGE_DYNAMIC;
        HRESULT hr = device->CreateVertexBuffer(vertices * stride, vbUsage, fvf,
                                                poolFor(options, D3DXMESH_VB_SYSTEMMEM, D3DXMESH_VB_MANAGED),
                                                &mesh->m_vertexBuffer, nullptr);
        if (SUCCEEDED(hr))
            hr = device->CreateIndexBuffer(faces * 3 * (wide ? 4 : 2), ibUsage, wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                           poolFor(options, D3DXMESH_IB_SYSTEMMEM, D3DXMESH_IB_MANAGED),
                                           &mesh->m_indexBuffer, nullptr);
        if (FAILED(hr)) {
            mesh->Release();
            return hr;
        }
        *out = mesh;
        return D3D_OK;
    }

    HRESULT DrawSubset(DWORD AttribId) override
    {
        m_device->SetFVF(m_fvf);
        m_device->SetStreamSource(0, m_vertexBuffer, 0, m_stride);
        m_device->SetIndices(m_indexBuffer);
        if (!m_table.empty()) {
            for (const D3DXATTRIBUTERANGE& range : m_table) {
                if (range.AttribId == AttribId && range.FaceCount > 0)
                    return m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, range.VertexStart, range.VertexCount,
                                                          range.FaceStart * 3, range.FaceCount);
            }
            return D3D_OK;
        }
        // Without a table: every run of faces with this id.
        HRESULT hr = D3D_OK;
        for (DWORD f = 0; f < m_faces;) {
            if (m_attributes[f] != AttribId) {
                ++f;
                continue;
            }
            DWORD end = f;
            while (end < m_faces && m_attributes[end] == AttribId)
                ++end;
            const HRESULT drawn = m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, m_vertices, f * 3, end - f);
            if (FAILED(drawn))
                hr = drawn;
            f = end;
        }
        return hr;
    }

    DWORD GetNumFaces() override { return m_faces; }
    DWORD GetNumVertices() override { return m_vertices; }
    DWORD GetFVF() override { return m_fvf; }
    HRESULT GetDeclaration(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE]) override
    {
        if (!Declaration)
            return D3DERR_INVALIDCALL;
        std::copy(m_elements.begin(), m_elements.end(), Declaration);
        return D3D_OK;
    }
    DWORD GetNumBytesPerVertex() override { return m_stride; }
    DWORD GetOptions() override { return m_options; }
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override
    {
        return PlatformInternal::handOutReference(m_device, ppDevice, D3DERR_INVALIDCALL);
    }

    HRESULT CloneMeshFVF(DWORD Options, DWORD FVF, IDirect3DDevice9* pD3DDevice, LPD3DXMESH* ppCloneMesh) override
    {
        if (!ppCloneMesh)
            return D3DERR_INVALIDCALL;
        *ppCloneMesh = nullptr;
        // The clone's index width follows its own options, so 32-bit indices must fit 16 bits.
        if (!(Options & D3DXMESH_32BIT) && m_vertices > 0xFFFF)
            return D3DERR_INVALIDCALL;
        Mesh* clone = nullptr;
        HRESULT hr = create(m_faces, m_vertices, Options, FVF, pD3DDevice ? pD3DDevice : m_device, &clone);
        if (FAILED(hr))
            return hr;
        const uint8_t* source = nullptr;
        uint8_t* target = nullptr;
        if (FAILED(LockVertexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(const_cast<uint8_t**>(&source)))) ||
            FAILED(clone->LockVertexBuffer(0, reinterpret_cast<void**>(&target)))) {
            clone->Release();
            return D3DERR_INVALIDCALL;
        }
        std::memset(target, 0, static_cast<size_t>(m_vertices) * clone->m_stride);
        for (const D3DVERTEXELEMENT9& to : clone->m_elements) {
            if (to.Stream == 0xFF)
                break;
            for (const D3DVERTEXELEMENT9& from : m_elements) {
                if (from.Stream == 0xFF)
                    break;
                if (from.Usage != to.Usage || from.UsageIndex != to.UsageIndex || from.Type != to.Type)
                    continue;
                const UINT bytes = declTypeBytes(to.Type);
                for (DWORD v = 0; v < m_vertices; ++v)
                    std::memcpy(target + static_cast<size_t>(v) * clone->m_stride + to.Offset,
                                source + static_cast<size_t>(v) * m_stride + from.Offset, bytes);
                break;
            }
        }
        clone->UnlockVertexBuffer();
        UnlockVertexBuffer();
        std::vector<DWORD> indices = readIndices();
        clone->writeIndices(indices);
        clone->m_attributes = m_attributes;
        clone->m_table = m_table;
        *ppCloneMesh = clone;
        return D3D_OK;
    }

    HRESULT GetVertexBuffer(IDirect3DVertexBuffer9** ppVB) override
    {
        return PlatformInternal::handOutReference(m_vertexBuffer, ppVB, D3DERR_INVALIDCALL);
    }
    HRESULT GetIndexBuffer(IDirect3DIndexBuffer9** ppIB) override
    {
        return PlatformInternal::handOutReference(m_indexBuffer, ppIB, D3DERR_INVALIDCALL);
    }
    HRESULT LockVertexBuffer(DWORD Flags, LPVOID* ppData) override { return m_vertexBuffer->Lock(0, 0, ppData, Flags); }
    HRESULT UnlockVertexBuffer() override { return m_vertexBuffer->Unlock(); }
    HRESULT LockIndexBuffer(DWORD Flags, LPVOID* ppData) override { return m_indexBuffer->Lock(0, 0, ppData, Flags); }
    HRESULT UnlockIndexBuffer() override { return m_indexBuffer->Unlock(); }

    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) override
    {
        if (pAttribTable)
            std::copy(m_table.begin(), m_table.end(), pAttribTable);
        if (pAttribTableSize)
            *pAttribTableSize = static_cast<DWORD>(m_table.size());
        return D3D_OK;
    }

    HRESULT GenerateAdjacency(FLOAT Epsilon, DWORD* pAdjacency) override
    {
        if (!pAdjacency || Epsilon < 0.0f)
            return D3DERR_INVALIDCALL;
        const std::vector<D3DXVECTOR3> positions = readPositions();
        const std::vector<DWORD> indices = readIndices();
        // Vertices within Epsilon of each other form one group, named by its lowest vertex.
        std::vector<DWORD> represent(m_vertices);
        std::iota(represent.begin(), represent.end(), 0u);
        auto root = [&](DWORD v) {
            while (represent[v] != v)
                v = represent[v] = represent[represent[v]];
            return v;
        };
        auto join = [&](DWORD x, DWORD y) {
            const DWORD a = root(x), b = root(y);
            represent[std::max(a, b)] = std::min(a, b);
        };
        // Equal positions first, in one sort (x major, so the epsilon window below can use the
        // same order); the window then compares distinct positions only, so a file of many
        // copies of one point costs no more than a sort.
        std::vector<DWORD> order(m_vertices);
        std::iota(order.begin(), order.end(), 0u);
        auto less = [&](DWORD a, DWORD b) {
            const D3DXVECTOR3 &p = positions[a], &q = positions[b];
            return p.x != q.x ? p.x < q.x : p.y != q.y ? p.y < q.y : p.z < q.z;
        };
        std::stable_sort(order.begin(), order.end(), less);
        std::vector<DWORD> distinct;
        for (size_t i = 0; i < order.size(); ++i) {
            if (i > 0 && positions[order[i]] == positions[order[i - 1]])
                join(order[i], order[i - 1]);
            else
                distinct.push_back(order[i]);
        }
        if (Epsilon > 0.0f) {
            const float epsilonSq = Epsilon * Epsilon;
            for (size_t i = 0; i < distinct.size(); ++i) {
                for (size_t j = i + 1;
                     j < distinct.size() && positions[distinct[j]].x - positions[distinct[i]].x <= Epsilon; ++j) {
                    const D3DXVECTOR3 d = positions[distinct[j]] - positions[distinct[i]];
                    if (D3DXVec3LengthSq(&d) <= epsilonSq)
                        join(distinct[i], distinct[j]);
                }
            }
        }
        for (DWORD v = 0; v < m_vertices; ++v)
            represent[v] = root(v);
        // Edges by their two ends in either order; equal edges are paired in face order.
        struct Edge {
            uint64_t key;
            DWORD slot;
        };
        std::vector<Edge> edges;
        edges.reserve(static_cast<size_t>(m_faces) * 3);
        for (DWORD f = 0; f < m_faces; ++f) {
            for (DWORD e = 0; e < 3; ++e) {
                pAdjacency[f * 3 + e] = kNoFace;
                const DWORD a = represent[indices[f * 3 + e]], b = represent[indices[f * 3 + (e + 1) % 3]];
                if (a == b)
                    continue;
                edges.push_back({(static_cast<uint64_t>(std::min(a, b)) << 32) | std::max(a, b), f * 3 + e});
            }
        }
        std::stable_sort(edges.begin(), edges.end(), [](const Edge& x, const Edge& y) { return x.key < y.key; });
        for (size_t i = 0; i + 1 < edges.size();) {
            if (edges[i].key == edges[i + 1].key && edges[i].slot / 3 != edges[i + 1].slot / 3) {
                pAdjacency[edges[i].slot] = edges[i + 1].slot / 3;
                pAdjacency[edges[i + 1].slot] = edges[i].slot / 3;
                i += 2;
            } else {
                ++i;
            }
        }
        return D3D_OK;
    }

    HRESULT LockAttributeBuffer(DWORD, DWORD** ppData) override
    {
        if (!ppData)
            return D3DERR_INVALIDCALL;
        *ppData = m_attributes.data();
        return D3D_OK;
    }
    HRESULT UnlockAttributeBuffer() override { return D3D_OK; }

    HRESULT OptimizeInplace(DWORD Flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                            LPD3DXBUFFER* ppVertexRemap) override
    {
        std::vector<DWORD> order(m_faces);
        std::iota(order.begin(), order.end(), 0u);
        const bool sort = (Flags & (D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER)) != 0;
        if (sort) {
            std::stable_sort(order.begin(), order.end(),
                             [&](DWORD a, DWORD b) { return m_attributes[a] < m_attributes[b]; });
            const std::vector<DWORD> indices = readIndices();
            std::vector<DWORD> sortedIndices(indices.size());
            std::vector<DWORD> sortedAttributes(m_faces);
            for (DWORD f = 0; f < m_faces; ++f) {
                std::copy_n(indices.begin() + order[f] * 3, 3, sortedIndices.begin() + f * 3);
                sortedAttributes[f] = m_attributes[order[f]];
            }
            writeIndices(sortedIndices);
            m_attributes = std::move(sortedAttributes);
            buildTable(sortedIndices);
        }
        std::vector<DWORD> newOf(m_faces);
        for (DWORD f = 0; f < m_faces; ++f)
            newOf[order[f]] = f;
        if (pAdjacencyOut) {
            std::vector<DWORD> adjacency(static_cast<size_t>(m_faces) * 3, kNoFace);
            if (pAdjacencyIn) {
                for (DWORD f = 0; f < m_faces; ++f) {
                    for (DWORD e = 0; e < 3; ++e) {
                        const DWORD other = pAdjacencyIn[order[f] * 3 + e];
                        adjacency[f * 3 + e] = other < m_faces ? newOf[other] : kNoFace;
                    }
                }
            }
            std::copy(adjacency.begin(), adjacency.end(), pAdjacencyOut);
        }
        if (pFaceRemap)
            std::copy(order.begin(), order.end(), pFaceRemap);
        if (ppVertexRemap) {
            *ppVertexRemap = nullptr;
            if (FAILED(D3DXCreateBuffer(m_vertices * sizeof(DWORD), ppVertexRemap)))
                return E_OUTOFMEMORY;
            auto* remap = static_cast<DWORD*>((*ppVertexRemap)->GetBufferPointer());
            std::iota(remap, remap + m_vertices, 0u);
        }
        return D3D_OK;
    }

    HRESULT SetAttributeTable(const D3DXATTRIBUTERANGE* pAttribTable, DWORD cAttribTableSize) override
    {
        if (!pAttribTable && cAttribTableSize > 0)
            return D3DERR_INVALIDCALL;
        for (DWORD i = 0; i < cAttribTableSize; ++i) {
            const D3DXATTRIBUTERANGE& r = pAttribTable[i];
            if (static_cast<uint64_t>(r.FaceStart) + r.FaceCount > m_faces ||
                static_cast<uint64_t>(r.VertexStart) + r.VertexCount > m_vertices)
                return D3DERR_INVALIDCALL;
        }
        m_table.assign(pAttribTable, pAttribTable + cAttribTableSize);
        return D3D_OK;
    }

    // Every face's corners straight from the locked buffers; an index past the vertices
    // reads as the last vertex.
    void visitTriangles(TriangleVisitor visit, void* context)
    {
        const uint8_t* vertices = nullptr;
        const uint8_t* indices = nullptr;
        if (FAILED(LockVertexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(const_cast<uint8_t**>(&vertices)))))
            return;
        if (SUCCEEDED(LockIndexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(const_cast<uint8_t**>(&indices))))) {
            const bool wide = (m_options & D3DXMESH_32BIT) != 0;
            D3DXVECTOR3 corner[3];
            for (DWORD f = 0; f < m_faces; ++f) {
                for (DWORD k = 0; k < 3; ++k) {
                    DWORD index;
                    if (wide) {
                        std::memcpy(&index, indices + (static_cast<size_t>(f) * 3 + k) * 4, 4);
                    } else {
                        WORD narrow;
                        std::memcpy(&narrow, indices + (static_cast<size_t>(f) * 3 + k) * 2, 2);
                        index = narrow;
                    }
                    index = std::min(index, m_vertices - 1);
                    std::memcpy(&corner[k], vertices + static_cast<size_t>(index) * m_stride, sizeof(D3DXVECTOR3));
                }
                visit(context, f, corner);
            }
            UnlockIndexBuffer();
        }
        UnlockVertexBuffer();
    }

    std::vector<D3DXVECTOR3> readPositions()
    {
        std::vector<D3DXVECTOR3> positions(m_vertices);
        const uint8_t* bytes = nullptr;
        if (FAILED(LockVertexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(const_cast<uint8_t**>(&bytes)))))
            return positions;
        for (DWORD v = 0; v < m_vertices; ++v)
            std::memcpy(&positions[v], bytes + static_cast<size_t>(v) * m_stride, sizeof(D3DXVECTOR3));
        UnlockVertexBuffer();
        return positions;
    }

    // Every index, widened; an index past the vertices reads as the last vertex, so a caller's
    // bad index never reads outside the positions.
    std::vector<DWORD> readIndices()
    {
        std::vector<DWORD> indices(static_cast<size_t>(m_faces) * 3, 0);
        const uint8_t* bytes = nullptr;
        if (FAILED(LockIndexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(const_cast<uint8_t**>(&bytes)))))
            return indices;
        const bool wide = (m_options & D3DXMESH_32BIT) != 0;
        for (size_t i = 0; i < indices.size(); ++i) {
            DWORD value;
            if (wide) {
                std::memcpy(&value, bytes + i * 4, 4);
            } else {
                WORD narrow;
                std::memcpy(&narrow, bytes + i * 2, 2);
                value = narrow;
            }
            indices[i] = std::min(value, m_vertices - 1);
        }
        UnlockIndexBuffer();
        return indices;
    }

    void writeIndices(const std::vector<DWORD>& indices)
    {
        uint8_t* bytes = nullptr;
        if (FAILED(LockIndexBuffer(0, reinterpret_cast<void**>(&bytes))))
            return;
        const bool wide = (m_options & D3DXMESH_32BIT) != 0;
        for (size_t i = 0; i < indices.size(); ++i) {
            if (wide) {
                std::memcpy(bytes + i * 4, &indices[i], 4);
            } else {
                const WORD narrow = static_cast<WORD>(indices[i]);
                std::memcpy(bytes + i * 2, &narrow, 2);
            }
        }
        UnlockIndexBuffer();
    }

private:
    Mesh(IDirect3DDevice9* device, DWORD options, DWORD fvf, UINT stride, DWORD faces, DWORD vertices,
         std::vector<D3DVERTEXELEMENT9> elements)
        : m_device(device)
        , m_options(options)
        , m_fvf(fvf)
        , m_stride(stride)
        , m_faces(faces)
        , m_vertices(vertices)
        , m_elements(std::move(elements))
        , m_attributes(faces, 0)
    {
        m_device->AddRef();
    }

    ~Mesh() override
    {
        if (m_vertexBuffer)
            m_vertexBuffer->Release();
        if (m_indexBuffer)
            m_indexBuffer->Release();
        m_device->Release();
    }

    void* findInterface(REFIID riid) override
    {
        if (riid == IID_ID3DXBaseMesh)
            return static_cast<ID3DXBaseMesh*>(this);
        return ownInterface(riid, IID_ID3DXMesh);
    }

    // One range per run of equal attributes in the (sorted) faces.
    void buildTable(const std::vector<DWORD>& indices)
    {
        m_table.clear();
        for (DWORD f = 0; f < m_faces;) {
            D3DXATTRIBUTERANGE range{m_attributes[f], f, 0, 0xFFFFFFFF, 0};
            DWORD last = 0;
            for (; f < m_faces && m_attributes[f] == range.AttribId; ++f) {
                ++range.FaceCount;
                for (DWORD k = 0; k < 3; ++k) {
                    range.VertexStart = std::min(range.VertexStart, indices[f * 3 + k]);
                    last = std::max(last, indices[f * 3 + k]);
                }
            }
            range.VertexCount = last - range.VertexStart + 1;
            m_table.push_back(range);
        }
    }

    IDirect3DDevice9* m_device;
    DWORD m_options;
    DWORD m_fvf;
    UINT m_stride;
    DWORD m_faces;
    DWORD m_vertices;
    std::vector<D3DVERTEXELEMENT9> m_elements; // D3DDECL_END included
    IDirect3DVertexBuffer9* m_vertexBuffer = nullptr;
    IDirect3DIndexBuffer9* m_indexBuffer = nullptr;
    std::vector<DWORD> m_attributes;
    std::vector<D3DXATTRIBUTERANGE> m_table;
};

} // namespace

HRESULT createMesh(DWORD faces, DWORD vertices, DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** out)
{
    Mesh* mesh = nullptr;
    const HRESULT hr = Mesh::create(faces, vertices, options, fvf, device, &mesh);
    *out = mesh;
    return hr;
}

void visitTriangles(ID3DXMesh* mesh, TriangleVisitor visit, void* context)
{
    auto* own = static_cast<Mesh*>(mesh);
    own->visitTriangles(visit, context);
}

} // namespace D3DXMeshes

HRESULT D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options, DWORD FVF, IDirect3DDevice9* pD3DDevice,
                          LPD3DXMESH* ppMesh)
{
    if (!ppMesh)
        return D3DERR_INVALIDCALL;
    return D3DXMeshes::createMesh(NumFaces, NumVertices, Options, FVF, pD3DDevice, ppMesh);
}

HRESULT D3DXIntersect(LPD3DXMESH pMesh, const D3DXVECTOR3* pRayPos, const D3DXVECTOR3* pRayDir, BOOL* pHit,
                      DWORD* pFaceIndex, FLOAT* pU, FLOAT* pV, FLOAT* pDist, LPD3DXBUFFER* ppAllHits,
                      DWORD* pCountOfHits)
{
    if (!pMesh || !pRayPos || !pRayDir || !pHit)
        return D3DERR_INVALIDCALL;
    // Every hit is kept only for a caller who asks for them all.
    struct Search {
        const D3DXVECTOR3* origin;
        const D3DXVECTOR3* direction;
        bool keepAll;
        DWORD count = 0;
        bool found = false;
        D3DXINTERSECTINFO nearest{};
        std::vector<D3DXINTERSECTINFO> hits;
    } search{pRayPos, pRayDir, ppAllHits != nullptr, 0, false, {}, {}};
    D3DXMeshes::visitTriangles(
        pMesh,
        [](void* context, DWORD face, const D3DXVECTOR3* corner) {
            auto& s = *static_cast<Search*>(context);
            D3DXINTERSECTINFO info{face, 0.0f, 0.0f, 0.0f};
            if (!D3DXIntersectTri(&corner[0], &corner[1], &corner[2], s.origin, s.direction, &info.U, &info.V,
                                  &info.Dist))
                return;
            ++s.count;
            if (!s.found || info.Dist < s.nearest.Dist)
                s.nearest = info;
            s.found = true;
            if (s.keepAll)
                s.hits.push_back(info);
        },
        &search);
    const D3DXINTERSECTINFO* nearest = search.found ? &search.nearest : nullptr;
    const std::vector<D3DXINTERSECTINFO>& hits = search.hits;
    *pHit = nearest != nullptr;
    if (pFaceIndex)
        *pFaceIndex = nearest ? nearest->FaceIndex : 0;
    if (pU)
        *pU = nearest ? nearest->U : 0.0f;
    if (pV)
        *pV = nearest ? nearest->V : 0.0f;
    if (pDist)
        *pDist = nearest ? nearest->Dist : 0.0f;
    if (pCountOfHits)
        *pCountOfHits = search.count;
    if (ppAllHits) {
        *ppAllHits = nullptr;
        if (!hits.empty()) {
            if (FAILED(D3DXCreateBuffer(static_cast<DWORD>(hits.size() * sizeof(D3DXINTERSECTINFO)), ppAllHits)))
                return E_OUTOFMEMORY;
            std::memcpy((*ppAllHits)->GetBufferPointer(), hits.data(), hits.size() * sizeof(D3DXINTERSECTINFO));
        }
    }
    return D3D_OK;
}
