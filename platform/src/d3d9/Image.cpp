// Locking, uploading and reading back one level of a texture or surface.
#include "d3d9/Image.h"

#include "d3d9/Device.h"

#include <algorithm>
#include <cstring>

using namespace GLFn;

namespace D3D9Internal {

Image::Image(Device* device, const FormatInfo* info, UINT width, UINT height, UINT depth, bool keepInMemory,
             bool awaitingFill)
    : m_device(device)
    , m_info(info)
    , m_width(std::max(1u, width))
    , m_height(std::max(1u, height))
    , m_depth(std::max(1u, depth))
    , m_keep(keepInMemory)
    , m_keptWhenMade(keepInMemory)
{
    m_pitch = rowPitch(*m_info, m_width);
    m_slicePitch = m_pitch * rowCount(*m_info, m_height);
    if (m_keep && awaitingFill)
        m_awaitingFill = true;
    else if (m_keep)
        m_memory.assign(byteSize(), 0);
}

void Image::setGL(const GLuint* texture, GLenum bindTarget, GLenum imageTarget, GLint level)
{
    m_texture = texture;
    m_bindTarget = bindTarget;
    m_imageTarget = imageTarget;
    m_level = level;
}

bool Image::validBox(const D3DBOX& box) const
{
    if (box.Left >= box.Right || box.Top >= box.Bottom || box.Front >= box.Back)
        return false;
    if (box.Right > m_width || box.Bottom > m_height || box.Back > m_depth)
        return false;
    if (isCompressed(*m_info)) {
        // Block formats lock whole blocks (a level smaller than a block is one block).
        if (box.Left % 4 || box.Top % 4)
            return false;
        if (box.Right % 4 && box.Right != m_width)
            return false;
        if (box.Bottom % 4 && box.Bottom != m_height)
            return false;
    }
    return true;
}

HRESULT Image::lock(const D3DBOX* box, DWORD flags, D3DLOCKED_BOX* out)
{
    if (!out || m_locked)
        return D3DERR_INVALIDCALL;
    D3DBOX whole{0, 0, m_width, m_height, 0, m_depth};
    D3DBOX region = box ? *box : whole;
    if (!validBox(region))
        return D3DERR_INVALIDCALL;
    if (!m_keep) {
        if (!glTexture() || !m_device)
            return D3DERR_INVALIDCALL;
        if (m_memory.size() != byteSize())
            m_memory.assign(byteSize(), 0);
        const bool whole = region.Left == 0 && region.Top == 0 && region.Front == 0 && region.Right == m_width &&
                           region.Bottom == m_height && region.Back == m_depth;
        // A managed level locked again whole for writing is edited: it keeps its copy from now
        // on. Read-only locks and locks of a part (whose unlock sends just that part) borrow a
        // copy for the lock alone, which a discarding lock of a part need not read.
        const bool released = m_releasedAfterFill;
        m_lockCopyOnly = released && !(flags & D3DLOCK_NO_DIRTY_UPDATE) && ((flags & D3DLOCK_READONLY) || !whole);
        if (!(flags & D3DLOCK_DISCARD) || (released && !m_lockCopyOnly))
            read(m_memory);
        m_keep = released && !m_lockCopyOnly;
        m_releasedAfterFill = m_lockCopyOnly;
    }
    m_locked = true;
    m_lockFlags = flags;
    m_lockBox = region;
    size_t offset =
        static_cast<size_t>(region.Front) * m_slicePitch + texelOffset(*m_info, m_pitch, region.Left, region.Top);
    out->RowPitch = static_cast<INT>(m_pitch);
    out->SlicePitch = static_cast<INT>(m_slicePitch);
    out->pBits = m_memory.data() + offset;
    return D3D_OK;
}

HRESULT Image::unlock()
{
    if (!m_locked)
        return D3DERR_INVALIDCALL;
    m_locked = false;
    bool skipUpload = (m_lockFlags & D3DLOCK_READONLY) || (m_keep && (m_lockFlags & D3DLOCK_NO_DIRTY_UPDATE));
    if (!skipUpload && glTexture() && m_device) {
        uploadFrom(m_memory.data(), m_pitch, m_slicePitch, m_lockBox);
        const bool whole = m_lockBox.Left == 0 && m_lockBox.Top == 0 && m_lockBox.Front == 0 &&
                           m_lockBox.Right == m_width && m_lockBox.Bottom == m_height && m_lockBox.Back == m_depth;
        // Only a fill of the whole level puts every texel in GL; a texture filled piece by
        // piece keeps its copy as before.
        if (m_releaseAfterFill && whole && readsBackAsStored()) {
            // The fill is in GL; the memory copy would only hold the same texels twice.
            m_releasedAfterFill = true;
            m_keep = false;
            std::vector<uint8_t>().swap(m_memory);
        }
        m_releaseAfterFill = false;
    }
    if (m_lockCopyOnly) {
        // GL holds every texel again (a read-only lock changed none).
        m_lockCopyOnly = false;
        std::vector<uint8_t>().swap(m_memory);
    }
    return D3D_OK;
}

bool Image::readsBackAsStored() const
{
    if (m_info->format != D3DFMT_X8R8G8B8)
        return true;
    // GL keeps no padding byte: it reads back as 0xFF (the fourth byte of each texel).
    for (size_t i = 3; i < m_memory.size(); i += 4) {
        if (m_memory[i] != 0xFF)
            return false;
    }
    return true;
}

void Image::upload(const D3DBOX* region)
{
    if (!m_keep || !glTexture() || !m_device)
        return;
    D3DBOX whole{0, 0, m_width, m_height, 0, m_depth};
    uploadFrom(m_memory.data(), m_pitch, m_slicePitch, region ? *region : whole);
}

void Image::write(const uint8_t* source, UINT sourcePitch, UINT sourceSlicePitch, const D3DBOX& region)
{
    if (!validBox(region))
        return;
    bool compressed = isCompressed(*m_info);
    UINT rowBytes = compressed ? ((region.Right - region.Left + 3) / 4) * m_info->blockBytes
                               : (region.Right - region.Left) * m_info->bytesPerPixel;
    UINT rows = compressed ? (region.Bottom - region.Top + 3) / 4 : region.Bottom - region.Top;
    if (m_keep) {
        for (UINT z = region.Front; z < region.Back; ++z) {
            const uint8_t* srcSlice = source + static_cast<size_t>(z - region.Front) * sourceSlicePitch;
            for (UINT row = 0; row < rows; ++row) {
                UINT y = compressed ? region.Top + row * 4 : region.Top + row;
                std::memcpy(m_memory.data() + static_cast<size_t>(z) * m_slicePitch +
                                texelOffset(*m_info, m_pitch, region.Left, y),
                            srcSlice + static_cast<size_t>(row) * sourcePitch, rowBytes);
            }
        }
        upload(&region);
        return;
    }
    if (!glTexture() || !m_device)
        return;
    // Default pool: send the rows straight from the source, shifted so the region's first
    // texel sits where uploadFrom expects it.
    if (compressed) {
        // Whole block rows of the full width are needed; gather them through a lock copy.
        if (m_memory.size() != byteSize())
            m_memory.assign(byteSize(), 0);
        read(m_memory);
        for (UINT row = 0; row < rows; ++row)
            std::memcpy(m_memory.data() + texelOffset(*m_info, m_pitch, region.Left, region.Top + row * 4),
                        source + static_cast<size_t>(row) * sourcePitch, rowBytes);
        uploadFrom(m_memory.data(), m_pitch, m_slicePitch, region);
        return;
    }
    const uint8_t* base = source - static_cast<ptrdiff_t>(region.Front) * sourceSlicePitch -
                          static_cast<ptrdiff_t>(texelOffset(*m_info, sourcePitch, region.Left, region.Top));
    uploadFrom(base, sourcePitch, sourceSlicePitch, region);
}

void Image::uploadFrom(const uint8_t* base, UINT pitch, UINT slicePitch, const D3DBOX& box)
{
    m_device->makeCurrent();
    m_device->bindUploadTexture(m_bindTarget, *m_texture);
    const FormatInfo& f = *m_info;
    if (isCompressed(f)) {
        // Whole block rows over the full width, which are contiguous in memory.
        UINT top = box.Top & ~3u;
        UINT bottom = std::min(m_height, (box.Bottom + 3) & ~3u);
        for (UINT z = box.Front; z < box.Back; ++z) {
            const uint8_t* rows = base + static_cast<size_t>(z) * slicePitch + static_cast<size_t>(top / 4) * pitch;
            GLsizei bytes = static_cast<GLsizei>(pitch * ((bottom - top + 3) / 4));
            if (m_bindTarget == GL_TEXTURE_3D)
                glCompressedTexSubImage3D(GL_TEXTURE_3D, m_level, 0, static_cast<GLint>(top), static_cast<GLint>(z),
                                          static_cast<GLsizei>(m_width), static_cast<GLsizei>(bottom - top), 1,
                                          f.internalFormat, bytes, rows);
            else
                glCompressedTexSubImage2D(m_imageTarget, m_level, 0, static_cast<GLint>(top),
                                          static_cast<GLsizei>(m_width), static_cast<GLsizei>(bottom - top),
                                          f.internalFormat, bytes, rows);
        }
        return;
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(pitch / f.bytesPerPixel));
    const uint8_t* first =
        base + static_cast<size_t>(box.Front) * slicePitch + texelOffset(f, pitch, box.Left, box.Top);
    if (m_bindTarget == GL_TEXTURE_3D) {
        glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, static_cast<GLint>(slicePitch / pitch));
        glTexSubImage3D(GL_TEXTURE_3D, m_level, static_cast<GLint>(box.Left), static_cast<GLint>(box.Top),
                        static_cast<GLint>(box.Front), static_cast<GLsizei>(box.Right - box.Left),
                        static_cast<GLsizei>(box.Bottom - box.Top), static_cast<GLsizei>(box.Back - box.Front),
                        f.glFormat, f.glType, first);
        glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, 0);
    } else {
        glTexSubImage2D(m_imageTarget, m_level, static_cast<GLint>(box.Left), static_cast<GLint>(box.Top),
                        static_cast<GLsizei>(box.Right - box.Left), static_cast<GLsizei>(box.Bottom - box.Top),
                        f.glFormat, f.glType, first);
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

bool Image::read(std::vector<uint8_t>& out) const
{
    if (out.size() < byteSize())
        out.resize(byteSize());
    if (m_keep && out.data() != m_memory.data()) {
        std::memcpy(out.data(), m_memory.data(), byteSize());
        return true;
    }
    if (m_keep)
        return true;
    if (!glTexture() || !m_device)
        return false;
    m_device->makeCurrent();
    m_device->bindUploadTexture(m_bindTarget, *m_texture);
    if (isCompressed(*m_info))
        glGetCompressedTexImage(m_imageTarget, m_level, out.data());
    else
        glGetTexImage(m_imageTarget, m_level, m_info->glFormat, m_info->glType, out.data());
    fillUnusedAlpha(*m_info, out.data(), byteSize());
    return true;
}

} // namespace D3D9Internal
