// Class and interface identifiers of the DirectShow layer. They only need to be distinct
// within this program: CoCreateInstance and QueryInterface compare them, nothing stores them.
#include <dshow.h>

#include "dshow/FilterGraphFactory.h"
#include "win32/ComClasses.h"

#define ULVO_DEFINE_DSHOW_GUID(name, d1)                                                                               \
    const GUID name = {d1, 0x5a11, 0x4d53, {0x9f, 0x31, 0x0c, 0x4e, 0x55, 0x1a, 0xd5, 0x0e}}

ULVO_DEFINE_DSHOW_GUID(CLSID_FilterGraph, 0xd5000001);
ULVO_DEFINE_DSHOW_GUID(IID_IGraphBuilder, 0xd5000002);
ULVO_DEFINE_DSHOW_GUID(IID_IMediaControl, 0xd5000003);
ULVO_DEFINE_DSHOW_GUID(IID_IMediaEvent, 0xd5000004);
ULVO_DEFINE_DSHOW_GUID(IID_IMediaEventEx, 0xd5000005);
ULVO_DEFINE_DSHOW_GUID(IID_IMediaSeeking, 0xd5000006);
ULVO_DEFINE_DSHOW_GUID(IID_IVideoWindow, 0xd5000007);
ULVO_DEFINE_DSHOW_GUID(IID_IBasicVideo, 0xd5000008);
ULVO_DEFINE_DSHOW_GUID(IID_IBasicAudio, 0xd5000009);

namespace {

// Beside the class identifier: whatever names CLSID_FilterGraph links this file, and with it the
// registration.
[[maybe_unused]] const bool s_filterGraphRegistered =
    Win32Internal::registerComClass(CLSID_FilterGraph, DShowInternal::createFilterGraph);

} // namespace
