#pragma once
// Vertex and index buffers: a GL buffer with a memory copy that Lock hands out. Unlock sends the
// locked range: D3DLOCK_DISCARD orphans the GL storage first, D3DLOCK_NOOVERWRITE writes without
// waiting for draws that use the buffer, READONLY sends nothing.
#include "d3d9/Formats.h"
#include "d3d9/ObjectBase.h"

#include <cstdlib>
#include <memory>

namespace D3D9Internal {

class BufferObject : public ObjectBase {
public:
    BufferObject(Device* device, UINT size, DWORD usage, D3DPOOL pool);
    ~BufferObject() override;

    bool createGL();
    HRESULT lock(UINT offset, UINT size, void** data, DWORD flags);
    HRESULT unlock();
    // The GL buffer, its storage made on first use.
    GLuint glBuffer() const
    {
        ensureStorage();
        return m_buffer;
    }
    UINT size() const { return m_size; }
    DWORD usage() const { return m_usage; }
    const uint8_t* memory() const { return m_memory.get(); }

protected:
    void releaseGL() override;
    // A buffer's GL storage is made when it is first written or drawn from: until then the driver
    // neither fills it with zeros nor keeps it, and a scene loading that stops first never pays.
    void ensureStorage() const;
    // The GL storage made now, with the content given (null: left undefined).
    void makeStorage(const void* content) const;

    UINT m_size;
    DWORD m_usage;
    GLuint m_buffer = 0;
    // Zeros from calloc: a large block comes as fresh pages of the system's, neither written nor
    // resident until a lock writes them.
    struct Free {
        void operator()(uint8_t* memory) const { std::free(memory); }
    };
    std::unique_ptr<uint8_t[], Free> m_memory;
    // Whether a lock ever wrote the copy: until then the GL storage needs no content from it.
    bool m_written = false;
    mutable bool m_hasStorage = false;
    int m_locks = 0;
    UINT m_dirtyBegin = 0;
    UINT m_dirtyEnd = 0;
    bool m_discard = false;
    bool m_noOverwrite = true;
};

class VertexBuffer final : public IDirect3DVertexBuffer9, public BufferObject {
public:
    static HRESULT create(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, VertexBuffer** out);

    ULVO_D3D_RESOURCE_METHODS
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override
    {
        return lock(OffsetToLock, SizeToLock, ppbData, Flags);
    }
    HRESULT Unlock() override { return unlock(); }
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;

private:
    VertexBuffer(Device* device, UINT size, DWORD usage, DWORD fvf, D3DPOOL pool);
    bool hasInterface(REFIID riid) const;

    DWORD m_fvf;
};

class IndexBuffer final : public IDirect3DIndexBuffer9, public BufferObject {
public:
    static HRESULT create(Device* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool, IndexBuffer** out);

    ULVO_D3D_RESOURCE_METHODS
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override
    {
        return lock(OffsetToLock, SizeToLock, ppbData, Flags);
    }
    HRESULT Unlock() override { return unlock(); }
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;

    D3DFORMAT format() const { return m_format; }
    GLenum glIndexType() const { return m_format == D3DFMT_INDEX32 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT; }
    UINT indexSize() const { return m_format == D3DFMT_INDEX32 ? 4 : 2; }

private:
    IndexBuffer(Device* device, UINT size, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    bool hasInterface(REFIID riid) const;

    D3DFORMAT m_format;
};

} // namespace D3D9Internal
