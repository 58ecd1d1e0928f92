#include "devices/d3d/FormatNames.h"

#include <cwchar>

namespace Ulvo {

namespace {

struct FormatName {
    const wchar_t* name;
    DWORD value;
};

// Looked up in this order.
constexpr FormatName kFormatNames[] = {
    {L"UNKNOWN", 0},
    {L"R5G6B5", 23},
    {L"A4R4G4B4", 26},
    {L"A8R8G8B8", 21},
    {L"X8R8G8B8", 22},
    {L"A8", 28},
    {L"L8", 50},
    {L"A16B16G16R16", 36},
    {L"A8L8", 51},
    {L"DXT1", 0x31545844},
    {L"DXT2", 0x32545844},
    {L"DXT3", 0x33545844},
    {L"DXT4", 0x34545844},
    {L"DXT5", 0x35545844},
    {L"D16_LOCKABLE", 70},
    {L"D32", 71},
    {L"D24S8", 75},
    {L"D24X8", 77},
    {L"D16", 80},
    {L"D32F_LOCKABLE", 82},
    {L"L16", 81},
    {L"R16F", 111},
    {L"A16B16G16R16F", 113},
    {L"R32F", 114},
    {L"A32B32G32R32F", 116},
    {L"INDEX16", 101},
    {L"INDEX32", 102},
};

const wchar_t* const kPrefix = L"D3DFMT_";

} // namespace

D3DFORMAT formatFromName(const std::wstring& name)
{
    for (const FormatName& entry : kFormatNames) {
        if (name == entry.name || name == std::wstring(kPrefix) + entry.name)
            return static_cast<D3DFORMAT>(entry.value);
    }
    // Leading decimal digits, as _wtoi reads them.
    const long long value = std::wcstoll(name.c_str(), nullptr, 10);
    if (value < 0 || value > 0x7FFFFFFF)
        return D3DFMT_UNKNOWN;
    return static_cast<D3DFORMAT>(value);
}

std::wstring formatToName(D3DFORMAT format)
{
    for (const FormatName& entry : kFormatNames) {
        if (static_cast<DWORD>(format) == entry.value)
            return std::wstring(kPrefix) + entry.name;
    }
    return std::wstring(kPrefix) + L"UNKNOWN";
}

} // namespace Ulvo
