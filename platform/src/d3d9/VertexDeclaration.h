#pragma once
// Vertex declarations, and the declaration an FVF code stands for.
#include "d3d9/GLFunctions.h"
#include "d3d9/ObjectBase.h"

#include <vector>

namespace D3D9Internal {

// One attribute as GL reads it.
struct VertexAttribute {
    WORD stream;
    WORD offset;
    BYTE type;
    BYTE usage;
    BYTE usageIndex;
    int location; // -1: no location, not fed
    GLint size;
    GLenum glType;
    GLboolean normalized;
};

class VertexDeclaration final : public IDirect3DVertexDeclaration9, public ObjectBase {
public:
    // Null (logged) for an invalid element list.
    static VertexDeclaration* create(Device* device, const D3DVERTEXELEMENT9* elements, bool internal);
    // The elements of an FVF code; false for codes that cannot be expressed.
    static bool elementsForFvf(DWORD fvf, std::vector<D3DVERTEXELEMENT9>& out);
    static UINT fvfStride(DWORD fvf);

    ULVO_D3D_UNKNOWN_METHODS
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return getDevice(ppDevice); }
    HRESULT GetDeclaration(D3DVERTEXELEMENT9* pElement, UINT* pNumElements) override;

    const std::vector<VertexAttribute>& attributes() const { return m_attributes; }
    // Bit per location the declaration feeds.
    unsigned locationMask() const { return m_locationMask; }
    bool hasUsage(BYTE usage, BYTE index = 0) const;
    const VertexAttribute* find(BYTE usage, BYTE index) const;
    uint32_t id() const { return m_id; }

private:
    VertexDeclaration(Device* device);
    bool hasInterface(REFIID riid) const;

    std::vector<D3DVERTEXELEMENT9> m_elements; // D3DDECL_END included
    std::vector<VertexAttribute> m_attributes;
    unsigned m_locationMask = 0;
    uint32_t m_id;
};

} // namespace D3D9Internal
