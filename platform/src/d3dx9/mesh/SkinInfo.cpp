// ID3DXSkinInfo: bones with names, offset matrices and weighted vertices, and software skinning
// of a vertex array. Skinning reuses scratch arrays made with the skin, so a frame's skinning
// allocates nothing.
#include <d3dx9.h>

#include "common/ComObject.h"
#include "d3d9/VertexDeclaration.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

const IID IID_ID3DXSkinInfo = {0x7d3a0012, 0x5a11, 0x4d39, {0x9f, 0x31, 0x0c, 0x4e, 0x55, 0x1a, 0xd3, 0x12}};

namespace {

// A point moved by the matrix's affine part (row vector on the left, as Direct3D multiplies).
D3DXVECTOR3 movePoint(const D3DXVECTOR3& p, const D3DXMATRIX& m)
{
    return D3DXVECTOR3(p.x * m._11 + p.y * m._21 + p.z * m._31 + m._41, p.x * m._12 + p.y * m._22 + p.z * m._32 + m._42,
                       p.x * m._13 + p.y * m._23 + p.z * m._33 + m._43);
}

D3DXVECTOR3 turnVector(const D3DXVECTOR3& v, const D3DXMATRIX& m)
{
    return D3DXVECTOR3(v.x * m._11 + v.y * m._21 + v.z * m._31, v.x * m._12 + v.y * m._22 + v.z * m._32,
                       v.x * m._13 + v.y * m._23 + v.z * m._33);
}

class SkinInfo final : public PlatformInternal::ComObject<ID3DXSkinInfo> {
public:
    SkinInfo(DWORD vertices, DWORD fvf, UINT stride, DWORD bones)
        : m_vertices(vertices)
        , m_fvf(fvf)
        , m_stride(stride)
        , m_bones(bones)
        , m_positions(vertices)
        , m_normals(vertices)
        , m_moved(vertices)
    {
        for (Bone& bone : m_bones)
            D3DXMatrixIdentity(&bone.offset);
    }

    HRESULT SetBoneInfluence(DWORD Bone, DWORD NumInfluences, const DWORD* pVertices, const FLOAT* pWeights) override
    {
        if (Bone >= m_bones.size() || (NumInfluences > 0 && (!pVertices || !pWeights)))
            return D3DERR_INVALIDCALL;
        for (DWORD i = 0; i < NumInfluences; ++i) {
            if (pVertices[i] >= m_vertices || !std::isfinite(pWeights[i]))
                return D3DERR_INVALIDCALL;
        }
        m_bones[Bone].vertices.assign(pVertices, pVertices + NumInfluences);
        m_bones[Bone].weights.assign(pWeights, pWeights + NumInfluences);
        return D3D_OK;
    }

    DWORD GetNumBoneInfluences(DWORD Bone) override
    {
        return Bone < m_bones.size() ? static_cast<DWORD>(m_bones[Bone].vertices.size()) : 0;
    }

    HRESULT GetBoneInfluence(DWORD Bone, DWORD* pVertices, FLOAT* pWeights) override
    {
        if (Bone >= m_bones.size() || !pVertices || !pWeights)
            return D3DERR_INVALIDCALL;
        std::copy(m_bones[Bone].vertices.begin(), m_bones[Bone].vertices.end(), pVertices);
        std::copy(m_bones[Bone].weights.begin(), m_bones[Bone].weights.end(), pWeights);
        return D3D_OK;
    }

    HRESULT GetMaxVertexInfluences(DWORD* pMaxVertexInfluences) override
    {
        if (!pMaxVertexInfluences)
            return D3DERR_INVALIDCALL;
        std::vector<DWORD> counts(m_vertices, 0);
        for (const Bone& bone : m_bones) {
            for (DWORD v : bone.vertices)
                ++counts[v];
        }
        *pMaxVertexInfluences = counts.empty() ? 0 : *std::max_element(counts.begin(), counts.end());
        return D3D_OK;
    }

    DWORD GetNumBones() override { return static_cast<DWORD>(m_bones.size()); }

    HRESULT SetBoneName(DWORD Bone, LPCSTR pName) override
    {
        if (Bone >= m_bones.size() || !pName)
            return D3DERR_INVALIDCALL;
        m_bones[Bone].name = pName;
        return D3D_OK;
    }

    LPCSTR GetBoneName(DWORD Bone) override { return Bone < m_bones.size() ? m_bones[Bone].name.c_str() : nullptr; }

    HRESULT SetBoneOffsetMatrix(DWORD Bone, const D3DXMATRIX* pBoneTransform) override
    {
        if (Bone >= m_bones.size() || !pBoneTransform)
            return D3DERR_INVALIDCALL;
        m_bones[Bone].offset = *pBoneTransform;
        return D3D_OK;
    }

    LPD3DXMATRIX GetBoneOffsetMatrix(DWORD Bone) override
    {
        return Bone < m_bones.size() ? &m_bones[Bone].offset : nullptr;
    }

    DWORD GetFVF() override { return m_fvf; }

    HRESULT UpdateSkinnedMesh(const D3DXMATRIX* pBoneTransforms, const D3DXMATRIX* pBoneInvTransposeTransforms,
                              LPCVOID pVerticesSrc, PVOID pVerticesDst) override
    {
        if ((!pBoneTransforms && !m_bones.empty()) || !pVerticesSrc || !pVerticesDst)
            return D3DERR_INVALIDCALL;
        const auto* source = static_cast<const uint8_t*>(pVerticesSrc);
        auto* target = static_cast<uint8_t*>(pVerticesDst);
        const bool normals = (m_fvf & D3DFVF_NORMAL) != 0;
        std::fill(m_positions.begin(), m_positions.end(), D3DXVECTOR3(0.0f, 0.0f, 0.0f));
        std::fill(m_normals.begin(), m_normals.end(), D3DXVECTOR3(0.0f, 0.0f, 0.0f));
        std::fill(m_moved.begin(), m_moved.end(), 0);
        for (size_t b = 0; b < m_bones.size(); ++b) {
            const Bone& bone = m_bones[b];
            const D3DXMATRIX& move = pBoneTransforms[b];
            const D3DXMATRIX& turn = pBoneInvTransposeTransforms ? pBoneInvTransposeTransforms[b] : move;
            for (size_t i = 0; i < bone.vertices.size(); ++i) {
                const DWORD v = bone.vertices[i];
                const float w = bone.weights[i];
                const uint8_t* at = source + static_cast<size_t>(v) * m_stride;
                D3DXVECTOR3 p;
                std::memcpy(&p, at, sizeof(p));
                m_positions[v] += w * movePoint(p, move);
                if (normals) {
                    D3DXVECTOR3 n;
                    std::memcpy(&n, at + sizeof(D3DXVECTOR3), sizeof(n));
                    m_normals[v] += w * turnVector(n, turn);
                }
                m_moved[v] = 1;
            }
        }
        if (source != target)
            std::memmove(target, source, static_cast<size_t>(m_vertices) * m_stride);
        for (DWORD v = 0; v < m_vertices; ++v) {
            if (!m_moved[v])
                continue;
            uint8_t* at = target + static_cast<size_t>(v) * m_stride;
            std::memcpy(at, &m_positions[v], sizeof(D3DXVECTOR3));
            if (normals) {
                D3DXVECTOR3 n = m_normals[v];
                if (D3DXVec3LengthSq(&n) > 0.0f)
                    D3DXVec3Normalize(&n, &n);
                std::memcpy(at + sizeof(D3DXVECTOR3), &n, sizeof(n));
            }
        }
        return D3D_OK;
    }

private:
    struct Bone {
        std::string name;
        D3DXMATRIX offset;
        std::vector<DWORD> vertices;
        std::vector<float> weights;
    };

    void* findInterface(REFIID riid) override { return ownInterface(riid, IID_ID3DXSkinInfo); }

    DWORD m_vertices;
    DWORD m_fvf;
    UINT m_stride;
    std::vector<Bone> m_bones;
    // Skinning scratch, one entry per vertex.
    std::vector<D3DXVECTOR3> m_positions;
    std::vector<D3DXVECTOR3> m_normals;
    std::vector<uint8_t> m_moved;
};

} // namespace

HRESULT D3DXCreateSkinInfoFVF(DWORD NumVertices, DWORD FVF, DWORD NumBones, LPD3DXSKININFO* ppSkinInfo)
{
    if (!ppSkinInfo)
        return D3DERR_INVALIDCALL;
    *ppSkinInfo = nullptr;
    // Positions and normals are read at the front of the vertex, as D3DFVF_XYZ lays them out.
    const UINT stride = D3D9Internal::VertexDeclaration::fvfStride(FVF);
    if ((FVF & D3DFVF_POSITION_MASK) != D3DFVF_XYZ || stride == 0 || NumVertices > (1u << 24) || NumBones > 65536)
        return D3DERR_INVALIDCALL;
    *ppSkinInfo = new SkinInfo(NumVertices, FVF, stride, NumBones);
    return D3D_OK;
}
