// Vertex declarations: D3DVERTEXELEMENT9 lists and FVF codes as GL attribute formats.
#include "d3d9/VertexDeclaration.h"

#include "d3d9/D3D9Internal.h"
#include "d3d9/Device.h"
#include "common/Diagnostics.h"

namespace D3D9Internal {

namespace {

// Components, GL type and normalisation of a declaration type; false for unknown types.
bool attributeFormat(BYTE type, GLint& size, GLenum& glType, GLboolean& normalized)
{
    normalized = GL_FALSE;
    switch (type) {
    case D3DDECLTYPE_FLOAT1:
        size = 1;
        glType = GL_FLOAT;
        return true;
    case D3DDECLTYPE_FLOAT2:
        size = 2;
        glType = GL_FLOAT;
        return true;
    case D3DDECLTYPE_FLOAT3:
        size = 3;
        glType = GL_FLOAT;
        return true;
    case D3DDECLTYPE_FLOAT4:
        size = 4;
        glType = GL_FLOAT;
        return true;
    // Bytes B, G, R, A in memory, read as r, g, b, a.
    case D3DDECLTYPE_D3DCOLOR:
        size = GL_BGRA;
        glType = GL_UNSIGNED_BYTE;
        normalized = GL_TRUE;
        return true;
    case D3DDECLTYPE_UBYTE4:
        size = 4;
        glType = GL_UNSIGNED_BYTE;
        return true;
    case D3DDECLTYPE_UBYTE4N:
        size = 4;
        glType = GL_UNSIGNED_BYTE;
        normalized = GL_TRUE;
        return true;
    case D3DDECLTYPE_SHORT2:
        size = 2;
        glType = GL_SHORT;
        return true;
    case D3DDECLTYPE_SHORT4:
        size = 4;
        glType = GL_SHORT;
        return true;
    case D3DDECLTYPE_SHORT2N:
        size = 2;
        glType = GL_SHORT;
        normalized = GL_TRUE;
        return true;
    case D3DDECLTYPE_SHORT4N:
        size = 4;
        glType = GL_SHORT;
        normalized = GL_TRUE;
        return true;
    case D3DDECLTYPE_USHORT2N:
        size = 2;
        glType = GL_UNSIGNED_SHORT;
        normalized = GL_TRUE;
        return true;
    case D3DDECLTYPE_USHORT4N:
        size = 4;
        glType = GL_UNSIGNED_SHORT;
        normalized = GL_TRUE;
        return true;
    case D3DDECLTYPE_UDEC3:
        size = 4;
        glType = GL_UNSIGNED_INT_2_10_10_10_REV;
        return true;
    case D3DDECLTYPE_DEC3N:
        size = 4;
        glType = GL_INT_2_10_10_10_REV;
        normalized = GL_TRUE;
        return true;
    case D3DDECLTYPE_FLOAT16_2:
        size = 2;
        glType = GL_HALF_FLOAT;
        return true;
    case D3DDECLTYPE_FLOAT16_4:
        size = 4;
        glType = GL_HALF_FLOAT;
        return true;
    default:
        return false;
    }
}

UINT typeBytes(BYTE type)
{
    switch (type) {
    case D3DDECLTYPE_FLOAT1:
        return 4;
    case D3DDECLTYPE_FLOAT2:
        return 8;
    case D3DDECLTYPE_FLOAT3:
        return 12;
    case D3DDECLTYPE_FLOAT4:
        return 16;
    case D3DDECLTYPE_SHORT4:
    case D3DDECLTYPE_SHORT4N:
    case D3DDECLTYPE_USHORT4N:
    case D3DDECLTYPE_FLOAT16_4:
        return 8;
    default:
        return 4;
    }
}

} // namespace

int attributeLocation(BYTE usage, BYTE usageIndex)
{
    switch (usage) {
    case D3DDECLUSAGE_POSITION:
    case D3DDECLUSAGE_POSITIONT:
        return usageIndex == 0 ? 0 : -1;
    case D3DDECLUSAGE_BLENDWEIGHT:
        return usageIndex == 0 ? 1 : -1;
    case D3DDECLUSAGE_BLENDINDICES:
        return usageIndex == 0 ? 2 : -1;
    case D3DDECLUSAGE_NORMAL:
        return usageIndex == 0 ? 3 : -1;
    case D3DDECLUSAGE_COLOR:
        return usageIndex < 2 ? 4 + usageIndex : -1;
    case D3DDECLUSAGE_TEXCOORD:
        return usageIndex < 8 ? 6 + usageIndex : -1;
    case D3DDECLUSAGE_TANGENT:
        return usageIndex == 0 ? 14 : -1;
    case D3DDECLUSAGE_BINORMAL:
        return usageIndex == 0 ? 15 : -1;
    default:
        return -1;
    }
}

std::string semanticName(BYTE usage, BYTE usageIndex)
{
    static const char* const names[] = {"POSITION", "BLENDWEIGHT", "BLENDINDICES", "NORMAL",     "PSIZE",
                                        "TEXCOORD", "TANGENT",     "BINORMAL",     "TESSFACTOR", "POSITIONT",
                                        "COLOR",    "FOG",         "DEPTH",        "SAMPLE"};
    std::string name = usage < sizeof names / sizeof names[0] ? names[usage] : "UNKNOWN";
    return name + std::to_string(usageIndex);
}

VertexDeclaration::VertexDeclaration(Device* device) : ObjectBase(device, D3DPOOL_MANAGED), m_id(device->nextObjectId())
{
}

VertexDeclaration* VertexDeclaration::create(Device* device, const D3DVERTEXELEMENT9* elements, bool)
{
    if (!elements)
        return nullptr;
    VertexDeclaration* declaration = new VertexDeclaration(device);
    for (UINT i = 0;; ++i) {
        const D3DVERTEXELEMENT9& e = elements[i];
        declaration->m_elements.push_back(e);
        if (e.Stream == 0xFF)
            break;
        if (i >= MAXD3DDECLLENGTH || e.Stream >= kStreamCount) {
            Diagnostics::error("Direct3D", "invalid vertex declaration (element %u)", i);
            declaration->Release();
            return nullptr;
        }
        VertexAttribute a{};
        a.stream = e.Stream;
        a.offset = e.Offset;
        a.type = e.Type;
        a.usage = e.Usage;
        a.usageIndex = e.UsageIndex;
        if (!attributeFormat(e.Type, a.size, a.glType, a.normalized)) {
            Diagnostics::error("Direct3D", "vertex declaration type %u is not supported", e.Type);
            declaration->Release();
            return nullptr;
        }
        a.location = attributeLocation(e.Usage, e.UsageIndex);
        // The first element of a usage wins a location, as D3D binds one element per semantic.
        if (a.location >= 0 && (declaration->m_locationMask & (1u << a.location)))
            a.location = -1;
        if (a.location >= 0)
            declaration->m_locationMask |= 1u << a.location;
        declaration->m_attributes.push_back(a);
    }
    return declaration;
}

bool VertexDeclaration::elementsForFvf(DWORD fvf, std::vector<D3DVERTEXELEMENT9>& out)
{
    out.clear();
    WORD offset = 0;
    auto add = [&](BYTE type, BYTE usage, BYTE index) {
        out.push_back(D3DVERTEXELEMENT9{0, offset, type, D3DDECLMETHOD_DEFAULT, usage, index});
        offset = static_cast<WORD>(offset + typeBytes(type));
    };
    DWORD position = fvf & D3DFVF_POSITION_MASK;
    int weights = 0;
    switch (position) {
    case 0:
        break;
    case D3DFVF_XYZ:
        add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0);
        break;
    case D3DFVF_XYZRHW:
        add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITIONT, 0);
        break;
    case D3DFVF_XYZW:
        add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITION, 0);
        break;
    case D3DFVF_XYZB1:
        weights = 1;
        break;
    case D3DFVF_XYZB2:
        weights = 2;
        break;
    case D3DFVF_XYZB3:
        weights = 3;
        break;
    case D3DFVF_XYZB4:
        weights = 4;
        break;
    case D3DFVF_XYZB5:
        weights = 5;
        break;
    default:
        return false;
    }
    if (weights) {
        add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0);
        bool lastIsIndices = (fvf & (D3DFVF_LASTBETA_UBYTE4 | D3DFVF_LASTBETA_D3DCOLOR)) != 0;
        int blendWeights = lastIsIndices ? weights - 1 : weights;
        if (blendWeights > 4)
            return false;
        if (blendWeights > 0)
            add(static_cast<BYTE>(D3DDECLTYPE_FLOAT1 + blendWeights - 1), D3DDECLUSAGE_BLENDWEIGHT, 0);
        if (lastIsIndices)
            add((fvf & D3DFVF_LASTBETA_D3DCOLOR) ? D3DDECLTYPE_D3DCOLOR : D3DDECLTYPE_UBYTE4, D3DDECLUSAGE_BLENDINDICES,
                0);
    }
    if (fvf & D3DFVF_NORMAL)
        add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0);
    if (fvf & D3DFVF_PSIZE)
        add(D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_PSIZE, 0);
    if (fvf & D3DFVF_DIFFUSE)
        add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0);
    if (fvf & D3DFVF_SPECULAR)
        add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1);
    UINT texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (texCount > 8)
        return false;
    for (UINT i = 0; i < texCount; ++i) {
        DWORD format = (fvf >> (i * 2 + 16)) & 3;
        BYTE type = format == D3DFVF_TEXTUREFORMAT1   ? D3DDECLTYPE_FLOAT1
                    : format == D3DFVF_TEXTUREFORMAT3 ? D3DDECLTYPE_FLOAT3
                    : format == D3DFVF_TEXTUREFORMAT4 ? D3DDECLTYPE_FLOAT4
                                                      : D3DDECLTYPE_FLOAT2;
        add(type, D3DDECLUSAGE_TEXCOORD, static_cast<BYTE>(i));
    }
    out.push_back(D3DVERTEXELEMENT9 D3DDECL_END());
    return true;
}

UINT VertexDeclaration::fvfStride(DWORD fvf)
{
    std::vector<D3DVERTEXELEMENT9> elements;
    if (!elementsForFvf(fvf, elements) || elements.size() < 2)
        return 0;
    const D3DVERTEXELEMENT9& last = elements[elements.size() - 2];
    return last.Offset + typeBytes(last.Type);
}

bool VertexDeclaration::hasInterface(REFIID riid) const
{
    return riid == IID_IUnknown || riid == IID_IDirect3DVertexDeclaration9;
}

HRESULT VertexDeclaration::GetDeclaration(D3DVERTEXELEMENT9* pElement, UINT* pNumElements)
{
    if (!pNumElements)
        return D3DERR_INVALIDCALL;
    UINT count = static_cast<UINT>(m_elements.size());
    if (pElement) {
        for (UINT i = 0; i < count; ++i)
            pElement[i] = m_elements[i];
    }
    *pNumElements = count;
    return D3D_OK;
}

bool VertexDeclaration::hasUsage(BYTE usage, BYTE index) const
{
    return find(usage, index) != nullptr;
}

const VertexAttribute* VertexDeclaration::find(BYTE usage, BYTE index) const
{
    for (const VertexAttribute& a : m_attributes) {
        if (a.usage == usage && a.usageIndex == index)
            return &a;
    }
    return nullptr;
}

} // namespace D3D9Internal
