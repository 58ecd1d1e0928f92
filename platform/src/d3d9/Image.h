#pragma once
// One mip level of one face (or one volume level): the texels LockRect/LockBox expose, in
// D3D's row layout, and where they live in GL. Memory pools keep the texels in memory only;
// the managed pool keeps them in memory and in GL; the default pool keeps them in GL only and
// reads them back for a lock. Most managed textures are filled once and never locked again:
// such a level lets its memory copy go once the fill reached GL. Locked again whole for writing
// (or without a dirty update) it is being edited and takes a copy back (read from GL) for good;
// a read-only lock or a lock of a part (a glyph placed on a font page) reads a copy for the
// lock alone and lets it go again at the unlock.
#include "d3d9/Formats.h"

#include <cstdint>
#include <vector>

namespace D3D9Internal {

class Device;

class Image {
public:
    // awaitingFill: a level of a texture whose texels come from a fill at first use; it makes its
    // memory copy only then (restoreMemoryForFill).
    Image(Device* device, const FormatInfo* info, UINT width, UINT height, UINT depth, bool keepInMemory,
          bool awaitingFill = false);

    // Where the texels live in GL: the owner's texture name (which may change to 0 when the
    // device goes away), its bind target, the target for uploads (a cube face) and the level.
    void setGL(const GLuint* texture, GLenum bindTarget, GLenum imageTarget, GLint level);
    // A managed level: its memory copy goes after the first fill has been uploaded. With
    // padding bytes (X8R8G8B8), only a fill whose padding reads back from GL as it stands
    // (0xFF) lets it go, so that a later lock sees the very bytes written.
    void releaseMemoryAfterFill() { m_releaseAfterFill = m_releaseAfterFirstFill = m_keep; }
    // A level whose texture waits for its first fill holds no memory copy meanwhile; the copy
    // comes back (cleared) just before that fill. A texture that gave its GL storage back to be
    // filled again from its file puts its levels back as they were made, so that the new fill
    // lets the copy go just like the first one.
    void dropMemoryUntilFill()
    {
        m_keep = m_keptWhenMade;
        m_releaseAfterFill = m_releaseAfterFirstFill;
        m_releasedAfterFill = m_lockCopyOnly = false;
        std::vector<uint8_t>().swap(m_memory);
        m_awaitingFill = m_keep;
    }
    void restoreMemoryForFill()
    {
        if (m_awaitingFill) {
            m_memory.assign(byteSize(), 0);
            m_awaitingFill = false;
        }
    }

    HRESULT lock(const D3DBOX* box, DWORD flags, D3DLOCKED_BOX* out);
    HRESULT unlock();
    bool isLocked() const { return m_locked; }

    // Memory -> GL for a region (null: all); nothing without a GL texture or memory copy.
    void upload(const D3DBOX* region = nullptr);
    // Writes texels from outside (UpdateSurface, ColorFill of memory surfaces): into memory when
    // kept, into GL when there is a texture.
    void write(const uint8_t* source, UINT sourcePitch, UINT sourceSlicePitch, const D3DBOX& region);
    // The whole level in D3D layout, from memory or read back from GL.
    bool read(std::vector<uint8_t>& out) const;
    const uint8_t* memory() const { return m_keep ? m_memory.data() : nullptr; }
    uint8_t* memory() { return m_keep ? m_memory.data() : nullptr; }

    const FormatInfo& info() const { return *m_info; }
    UINT width() const { return m_width; }
    UINT height() const { return m_height; }
    UINT depth() const { return m_depth; }
    UINT pitch() const { return m_pitch; }
    UINT slicePitch() const { return m_slicePitch; }
    size_t byteSize() const { return static_cast<size_t>(m_slicePitch) * m_depth; }
    GLuint glTexture() const { return m_texture ? *m_texture : 0; }
    GLenum bindTarget() const { return m_bindTarget; }
    GLenum imageTarget() const { return m_imageTarget; }
    GLint glLevel() const { return m_level; }
    bool keepsMemory() const { return m_keep; }
    void detach() { m_device = nullptr; }

private:
    bool validBox(const D3DBOX& box) const;
    // Whether GL gives the memory copy back byte for byte (padding bytes read back as 0xFF).
    bool readsBackAsStored() const;
    void uploadFrom(const uint8_t* base, UINT pitch, UINT slicePitch, const D3DBOX& box);

    Device* m_device;
    const FormatInfo* m_info;
    UINT m_width, m_height, m_depth;
    UINT m_pitch, m_slicePitch;
    bool m_keep;
    bool m_keptWhenMade;
    bool m_releaseAfterFill = false;
    bool m_releaseAfterFirstFill = false;
    bool m_releasedAfterFill = false;
    bool m_awaitingFill = false;
    bool m_lockCopyOnly = false;   // the memory holds this lock's copy alone (released level)
    std::vector<uint8_t> m_memory; // the texels (kept), or the lock's copy (default pool)
    const GLuint* m_texture = nullptr;
    GLenum m_bindTarget = 0;
    GLenum m_imageTarget = 0;
    GLint m_level = 0;
    bool m_locked = false;
    DWORD m_lockFlags = 0;
    D3DBOX m_lockBox{};
};

} // namespace D3D9Internal
