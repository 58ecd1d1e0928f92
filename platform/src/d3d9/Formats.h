#pragma once
// Direct3D surface formats: their memory layout as LockRect shows it, and the OpenGL storage
// and upload format that keeps exactly that layout (so uploads and read-backs need no conversion).
#include <d3d9.h>

#include <cstddef>
#include <cstdint>

#include "d3d9/GLFunctions.h"

namespace D3D9Internal {

struct FormatInfo {
    D3DFORMAT format;
    UINT bytesPerPixel; // 0 for block-compressed formats
    UINT blockBytes;    // bytes per 4x4 block (DXT), else 0
    GLenum internalFormat;
    GLenum glFormat; // upload/read-back format (0 for compressed)
    GLenum glType;
    GLint swizzle[4];  // what sampling returns per channel (D3D9 fills missing channels with 1)
    bool renderTarget; // usable as a colour render target
    bool depth;
    bool stencil;
    bool lockable; // depth formats: only the _LOCKABLE ones may be locked
    bool floatingPoint;
};

// Null for formats this layer cannot store.
const FormatInfo* formatInfo(D3DFORMAT format);

inline bool isCompressed(const FormatInfo& f)
{
    return f.blockBytes != 0;
}
// Stored with an alpha channel the format lacks (X8R8G8B8): sampling's swizzle, blending (which
// takes the target's alpha as 1) and read-backs (fillUnusedAlpha) show it as 1.
inline bool storesUnusedAlpha(const FormatInfo& f)
{
    return f.internalFormat == GL_RGBA && f.swizzle[3] == GL_ONE;
}
// Sets the alpha byte of every read-back pixel of such a format to 0xFF; other formats stay as read.
void fillUnusedAlpha(const FormatInfo& f, uint8_t* pixels, size_t bytes);
// Bytes of one row of texels (of 4-texel block rows for DXT), as LockRect's Pitch reports it.
UINT rowPitch(const FormatInfo& f, UINT width);
// Rows of the level in memory: height, or block rows for DXT.
UINT rowCount(const FormatInfo& f, UINT height);
UINT levelBytes(const FormatInfo& f, UINT width, UINT height);
// Byte offset of texel (x, y) in a level with the given pitch (block-aligned for DXT).
size_t texelOffset(const FormatInfo& f, UINT pitch, UINT x, UINT y);

// Display and back-buffer formats.
bool isDisplayFormat(D3DFORMAT format);
bool isBackBufferFormat(D3DFORMAT format);
bool isIndexFormat(D3DFORMAT format);

UINT mipLevelCount(UINT width, UINT height, UINT depth = 1);
inline UINT mipSize(UINT size, UINT level)
{
    UINT s = size >> level;
    return s ? s : 1;
}

} // namespace D3D9Internal
