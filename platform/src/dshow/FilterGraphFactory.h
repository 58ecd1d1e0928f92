#pragma once
// What CoCreateInstance needs from the DirectShow layer: its class and its factory.
#include <dshow.h>
#include <unknwn.h>

namespace DShowInternal {

// A new filter graph, handed out as the asked interface (its only reference).
HRESULT createFilterGraph(REFIID riid, void** object);

} // namespace DShowInternal
