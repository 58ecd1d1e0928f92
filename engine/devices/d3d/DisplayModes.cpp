#include "devices/d3d/DisplayModes.h"

#include "devices/d3d/D3DInitParams.h"

#include <algorithm>

namespace Ulvo {

namespace {

// The shorter way between two values on the 32-bit circle, at most 2^31.
uint64_t circularDistance(uint32_t a, uint32_t b)
{
    const uint32_t up = a - b;
    const uint32_t down = b - a;
    return std::min(up, down);
}

bool allowed(const D3DDISPLAYMODE& mode, const D3DInitParams* params)
{
    return !params || params->isAllowed(mode);
}

} // namespace

bool sameDisplayMode(const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b)
{
    return a.Width == b.Width && a.Height == b.Height && a.Format == b.Format && a.RefreshRate == b.RefreshRate;
}

void sortDisplayModes(DisplayModeList& modes, unsigned key1, unsigned key2, unsigned key3)
{
    const unsigned keys[] = {key1, key2, key3};
    std::sort(modes.begin(), modes.end(), [&keys](const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b) {
        for (unsigned key : keys) {
            switch (key) {
            case 0:
                if (a.Width != b.Width)
                    return a.Width < b.Width;
                if (a.Height != b.Height)
                    return a.Height < b.Height;
                break;
            case 1:
                if (a.Format != b.Format)
                    return static_cast<uint32_t>(a.Format) > static_cast<uint32_t>(b.Format);
                break;
            case 2:
                return a.RefreshRate < b.RefreshRate;
            default:
                break;
            }
        }
        return false;
    });
}

uint64_t displayModeDistance(const D3DDISPLAYMODE& listed, const D3DDISPLAYMODE& wanted)
{
    return circularDistance(listed.Width, wanted.Width) + circularDistance(listed.Height, wanted.Height) +
           10 * circularDistance(listed.RefreshRate, wanted.RefreshRate) +
           20 * circularDistance(static_cast<uint32_t>(listed.Format), static_cast<uint32_t>(wanted.Format));
}

D3DDISPLAYMODE* bestDisplayMode(DisplayModeList& modes, const D3DDISPLAYMODE* wanted, const D3DInitParams* params)
{
    if (modes.empty())
        return nullptr;
    if (!wanted) {
        for (auto it = modes.rbegin(); it != modes.rend(); ++it) {
            if (allowed(*it, params))
                return &*it;
        }
        return &modes.front();
    }
    D3DDISPLAYMODE* best = nullptr;
    uint64_t bestDistance = 0;
    for (D3DDISPLAYMODE& mode : modes) {
        if (!allowed(mode, params))
            continue;
        const uint64_t distance = displayModeDistance(mode, *wanted);
        if (!best || distance < bestDistance) {
            best = &mode;
            bestDistance = distance;
        }
    }
    return best ? best : &modes.front();
}

int findDisplayMode(const DisplayModeList& modes, const D3DDISPLAYMODE& mode)
{
    for (std::size_t i = 0; i < modes.size(); ++i) {
        if (sameDisplayMode(modes[i], mode))
            return static_cast<int>(i);
    }
    return -1;
}

std::wstring displayModeToString(const D3DDISPLAYMODE* mode, const std::wstring& separator)
{
    if (!mode)
        return std::wstring();
    std::wstring text = std::to_wstring(mode->Width) + L"x" + std::to_wstring(mode->Height);
    switch (mode->Format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        text += L" 32 bit";
        break;
    case D3DFMT_A2R10G10B10:
        text += L" A2R10G10B10";
        break;
    case D3DFMT_R5G6B5:
        text += L" 16 bit";
        break;
    default:
        break;
    }
    return text + separator + std::to_wstring(mode->RefreshRate) + L" Hz";
}

} // namespace Ulvo
