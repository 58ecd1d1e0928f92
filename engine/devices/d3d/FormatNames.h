#pragma once
// Names of the Direct3D formats as configuration and data files write them.
#include <d3d9.h>

#include <string>

namespace Ulvo {

// The format of a name, with or without the prefix "D3DFMT_" (case-sensitive);
// any other text is read as a decimal number (leading digits, 0 without any).
// Numbers outside the format range give D3DFMT_UNKNOWN.
D3DFORMAT formatFromName(const std::wstring& name);

// "D3DFMT_" and the name; "D3DFMT_UNKNOWN" for formats without a name.
std::wstring formatToName(D3DFORMAT format);

} // namespace Ulvo
