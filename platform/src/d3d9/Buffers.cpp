// Vertex and index buffers.
#include "d3d9/Buffers.h"

#include "d3d9/Device.h"

#include <algorithm>
#include <cstring>

using namespace GLFn;

namespace D3D9Internal {

BufferObject::BufferObject(Device* device, UINT size, DWORD usage, D3DPOOL pool)
    : ObjectBase(device, pool), m_size(size), m_usage(usage), m_memory(static_cast<uint8_t*>(std::calloc(size, 1)))
{
}

BufferObject::~BufferObject()
{
    releaseGL();
}

bool BufferObject::createGL()
{
    m_device->makeCurrent();
    // Only errors of this creation count: clear what earlier calls left pending.
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {}
    glGenBuffers(1, &m_buffer);
    m_hasStorage = false;
    // One made again after a reset gets its content back at once.
    if (m_written)
        makeStorage(m_memory.get());
    return m_memory && m_buffer != 0 && glGetError() == GL_NO_ERROR;
}

void BufferObject::makeStorage(const void* content) const
{
    m_device->makeCurrent();
    glBindBuffer(GL_COPY_WRITE_BUFFER, m_buffer);
    glBufferData(GL_COPY_WRITE_BUFFER, m_size, content, (m_usage & D3DUSAGE_DYNAMIC) ? GL_STREAM_DRAW : GL_STATIC_DRAW);
    m_hasStorage = true;
}

void BufferObject::ensureStorage() const
{
    // Never written: undefined until its first lock, as on the device.
    if (!m_hasStorage && m_buffer && m_device)
        makeStorage(nullptr);
}

void BufferObject::releaseGL()
{
    if (m_buffer && m_device) {
        m_device->makeCurrent();
        glDeleteBuffers(1, &m_buffer);
        m_device->glState().bufferDeleted(m_buffer);
    }
    m_buffer = 0;
}

HRESULT BufferObject::lock(UINT offset, UINT size, void** data, DWORD flags)
{
    if (!data)
        return D3DERR_INVALIDCALL;
    *data = nullptr;
    if (offset > m_size)
        return D3DERR_INVALIDCALL;
    // A size of 0 locks the rest of the buffer.
    if (size == 0)
        size = m_size - offset;
    if (size > m_size - offset)
        return D3DERR_INVALIDCALL;
    if (m_locks == 0) {
        m_dirtyBegin = offset;
        m_dirtyEnd = offset;
        m_discard = false;
        m_noOverwrite = true;
    }
    ++m_locks;
    if (!(flags & D3DLOCK_READONLY)) {
        m_written = true;
        if (m_dirtyBegin == m_dirtyEnd) {
            m_dirtyBegin = offset;
            m_dirtyEnd = offset + size;
        } else {
            m_dirtyBegin = std::min(m_dirtyBegin, offset);
            m_dirtyEnd = std::max(m_dirtyEnd, offset + size);
        }
    }
    // Dynamic buffers honour DISCARD and NOOVERWRITE; others treat them as plain locks.
    if ((flags & D3DLOCK_DISCARD) && (m_usage & D3DUSAGE_DYNAMIC))
        m_discard = true;
    if (!(flags & D3DLOCK_NOOVERWRITE) || !(m_usage & D3DUSAGE_DYNAMIC))
        m_noOverwrite = false;
    *data = m_memory.get() + offset;
    return D3D_OK;
}

HRESULT BufferObject::unlock()
{
    if (m_locks == 0)
        return D3DERR_INVALIDCALL;
    if (--m_locks > 0)
        return D3D_OK;
    if (m_dirtyEnd <= m_dirtyBegin || !m_buffer || !m_device)
        return D3D_OK;
    if (!m_hasStorage && m_dirtyBegin == 0 && m_dirtyEnd == m_size) {
        // A first write of the whole buffer makes the storage with its content in one go.
        makeStorage(m_memory.get());
        m_dirtyBegin = m_dirtyEnd = 0;
        return D3D_OK;
    }
    ensureStorage();
    m_device->makeCurrent();
    glBindBuffer(GL_COPY_WRITE_BUFFER, m_buffer);
    GLintptr begin = static_cast<GLintptr>(m_dirtyBegin);
    GLsizeiptr length = static_cast<GLsizeiptr>(m_dirtyEnd - m_dirtyBegin);
    if (m_discard || m_noOverwrite) {
        // Discard: the whole storage is invalidated, so draws still queued keep their data
        // without a wait (a driver renames the storage or knows it is free; reallocating it with
        // glBufferData instead costs a software rasteriser fresh, zeroed pages every time).
        // No-overwrite: the program promised not to touch what queued draws read.
        const GLbitfield access = m_discard
                                      ? GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_BUFFER_BIT
                                      : GL_MAP_WRITE_BIT | GL_MAP_UNSYNCHRONIZED_BIT | GL_MAP_INVALIDATE_RANGE_BIT;
        void* target = glMapBufferRange(GL_COPY_WRITE_BUFFER, begin, length, access);
        if (target) {
            std::memcpy(target, m_memory.get() + m_dirtyBegin, static_cast<size_t>(length));
            glUnmapBuffer(GL_COPY_WRITE_BUFFER);
        } else {
            glBufferSubData(GL_COPY_WRITE_BUFFER, begin, length, m_memory.get() + m_dirtyBegin);
        }
    } else {
        glBufferSubData(GL_COPY_WRITE_BUFFER, begin, length, m_memory.get() + m_dirtyBegin);
    }
    m_dirtyBegin = m_dirtyEnd = 0;
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------

VertexBuffer::VertexBuffer(Device* device, UINT size, DWORD usage, DWORD fvf, D3DPOOL pool)
    : BufferObject(device, size, usage, pool), m_fvf(fvf)
{
}

HRESULT VertexBuffer::create(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, VertexBuffer** out)
{
    *out = nullptr;
    if (length == 0 || pool > D3DPOOL_SYSTEMMEM)
        return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED)
        return D3DERR_INVALIDCALL;
    VertexBuffer* buffer = new VertexBuffer(device, length, usage, fvf, pool);
    if (!buffer->createGL()) {
        buffer->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    *out = buffer;
    return D3D_OK;
}

bool VertexBuffer::hasInterface(REFIID riid) const
{
    return riid == IID_IUnknown || riid == IID_IDirect3DResource9 || riid == IID_IDirect3DVertexBuffer9;
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* pDesc)
{
    if (!pDesc)
        return D3DERR_INVALIDCALL;
    *pDesc = D3DVERTEXBUFFER_DESC{D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, m_usage, pool(), m_size, m_fvf};
    return D3D_OK;
}

IndexBuffer::IndexBuffer(Device* device, UINT size, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : BufferObject(device, size, usage, pool), m_format(format)
{
}

HRESULT IndexBuffer::create(Device* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool, IndexBuffer** out)
{
    *out = nullptr;
    if (length == 0 || pool > D3DPOOL_SYSTEMMEM || !isIndexFormat(format))
        return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED)
        return D3DERR_INVALIDCALL;
    IndexBuffer* buffer = new IndexBuffer(device, length, usage, format, pool);
    if (!buffer->createGL()) {
        buffer->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    *out = buffer;
    return D3D_OK;
}

bool IndexBuffer::hasInterface(REFIID riid) const
{
    return riid == IID_IUnknown || riid == IID_IDirect3DResource9 || riid == IID_IDirect3DIndexBuffer9;
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* pDesc)
{
    if (!pDesc)
        return D3DERR_INVALIDCALL;
    *pDesc = D3DINDEXBUFFER_DESC{m_format, D3DRTYPE_INDEXBUFFER, m_usage, pool(), m_size};
    return D3D_OK;
}

} // namespace D3D9Internal
