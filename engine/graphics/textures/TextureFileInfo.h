#pragma once
// The arguments of the D3DX texture creation calls, kept with a texture so it
// can be built again the same way, and the image information D3DX reported.
#include <d3d9.h>
#include <d3dx9tex.h>

#include <cstdint>

namespace Ulvo {

class XMLNode;

class TextureFileInfo {
public:
    TextureFileInfo();

    // A FILE_INFO node: MipLevels, Usage (child node of flag names), Pool,
    // Filter, MipFilter, ColorKey (hex) and Format. Null gives the defaults.
    static TextureFileInfo load(XMLNode* node);

    UINT MipLevels;
    DWORD Usage;
    D3DFORMAT Format;
    D3DPOOL Pool;
    DWORD Filter;
    DWORD MipFilter;
    D3DCOLOR ColorKey;
    PALETTEENTRY* palette;
    D3DXIMAGE_INFO imageInfo;

protected:
    // Reads the keys shared by the three forms into this.
    void readCommon(XMLNode* node);
};

// 2D form: the requested size (D3DX_DEFAULT takes the file's).
class TextureFileInfo2D : public TextureFileInfo {
public:
    TextureFileInfo2D();
    // The common keys and the attributes "Width" and "Height".
    static TextureFileInfo2D load(XMLNode* node);

    UINT Width;
    UINT Height;
};

// Volume form.
class TextureFileInfo3D : public TextureFileInfo {
public:
    TextureFileInfo3D();
    // The common keys and the attributes "Width", "Height" and "DEpth".
    static TextureFileInfo3D load(XMLNode* node);

    UINT Width;
    UINT Height;
    UINT Depth;
};

// Cube form: one edge.
class TextureFileInfoCube : public TextureFileInfo {
public:
    TextureFileInfoCube();
    // The common keys and the attribute "Size".
    static TextureFileInfoCube load(XMLNode* node);

    UINT Size;
};

} // namespace Ulvo
