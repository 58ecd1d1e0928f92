#pragma once
// The DirectShow layer's class factory, which its class identifiers' file registers.
#include <dshow.h>
#include <unknwn.h>

namespace DShowInternal {

// A new filter graph, handed out as the asked interface (its only reference).
HRESULT createFilterGraph(REFIID riid, void** object);

} // namespace DShowInternal
