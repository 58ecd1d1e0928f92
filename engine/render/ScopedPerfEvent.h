#pragma once
// Brackets the enclosing block with a Direct3D performance event, so that graphics debuggers show
// the render core's steps by name.
#include <d3d9.h>

namespace Ulvo {

constexpr D3DCOLOR kPerfEventColour = 0xFF00FF00;

class ScopedPerfEvent {
public:
    explicit ScopedPerfEvent(const wchar_t* name, D3DCOLOR colour = kPerfEventColour)
    {
        D3DPERF_BeginEvent(colour, name);
    }
    ~ScopedPerfEvent() { D3DPERF_EndEvent(); }
    ScopedPerfEvent(const ScopedPerfEvent&) = delete;
    ScopedPerfEvent& operator=(const ScopedPerfEvent&) = delete;
};

} // namespace Ulvo
