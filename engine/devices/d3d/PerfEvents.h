#pragma once
// Direct3D performance events and markers, which graphics debuggers show by name. Optimised
// builds make none: the calls cost time in every frame and no tool looks at them there.
#include <d3d9.h>

namespace Ulvo {

#ifdef NDEBUG
inline constexpr bool kPerfEvents = false;
#else
inline constexpr bool kPerfEvents = true;
#endif

inline void perfEventBegin(D3DCOLOR colour, const wchar_t* name)
{
    if constexpr (kPerfEvents)
        D3DPERF_BeginEvent(colour, name);
}

inline void perfEventEnd()
{
    if constexpr (kPerfEvents)
        D3DPERF_EndEvent();
}

inline void perfMarker(D3DCOLOR colour, const wchar_t* name)
{
    if constexpr (kPerfEvents)
        D3DPERF_SetMarker(colour, name);
}

// Whether a tool shows the events now: callers may then spend time naming them.
inline bool perfEventsShown()
{
    if constexpr (kPerfEvents)
        return D3DPERF_GetStatus() != 0;
    return false;
}

} // namespace Ulvo
