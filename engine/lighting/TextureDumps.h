#pragma once
// The renderers' console dumps: their targets written as picture files into a folder.
#include <d3dx9tex.h>

#include <string>

namespace Ulvo {

struct TextureDump {
    const wchar_t* name; // file name with its extension
    D3DXIMAGE_FILEFORMAT format;
    IDirect3DTexture9* texture; // null: passed over
};

// Writes every dump that has a texture into folder (made when missing; an existing one is used;
// empty: the working folder). True only when at least one was written and none failed; each
// failure is logged under who.
bool saveTextureDumps(const wchar_t* who, const std::wstring& folder, const TextureDump* dumps, std::size_t count);

} // namespace Ulvo
