#pragma once
// Brackets the enclosing block with a Direct3D performance event, so that graphics debuggers show
// the render core's steps by name (not in optimised builds: devices/d3d/PerfEvents.h).
#include "devices/d3d/PerfEvents.h"

namespace Ulvo {

constexpr D3DCOLOR kPerfEventColour = 0xFF00FF00;

class ScopedPerfEvent {
public:
    explicit ScopedPerfEvent(const wchar_t* name, D3DCOLOR colour = kPerfEventColour) { perfEventBegin(colour, name); }
    ~ScopedPerfEvent() { perfEventEnd(); }
    ScopedPerfEvent(const ScopedPerfEvent&) = delete;
    ScopedPerfEvent& operator=(const ScopedPerfEvent&) = delete;
};

} // namespace Ulvo
