#include "dshow/FFmpeg.h"
#include "common/Diagnostics.h"

#include <dlfcn.h>

#include <mutex>
#include <string>
#include <vector>

namespace DShowInternal {

namespace {

// The libraries by the major versions the program was built against, each after those it needs.
const char* const kLibraries[] = {
    "libavutil.so." AV_STRINGIFY(LIBAVUTIL_VERSION_MAJOR),
    "libswresample.so." AV_STRINGIFY(LIBSWRESAMPLE_VERSION_MAJOR),
    "libswscale.so." AV_STRINGIFY(LIBSWSCALE_VERSION_MAJOR),
    "libavcodec.so." AV_STRINGIFY(LIBAVCODEC_VERSION_MAJOR),
    "libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR),
};

struct Loaded : FFmpeg {
    std::vector<void*> handles;
    ~Loaded()
    {
        for (auto it = handles.rbegin(); it != handles.rend(); ++it)
            dlclose(*it);
    }
};

std::mutex s_mutex;
std::weak_ptr<const FFmpeg> s_open;

template <class F> bool find(const std::vector<void*>& handles, const char* name, F& function)
{
    for (void* handle : handles) {
        if (void* symbol = dlsym(handle, name)) {
            function = reinterpret_cast<F>(symbol);
            return true;
        }
    }
    Diagnostics::error("DirectShow", "FFmpeg has no function %s", name);
    return false;
}

} // namespace

std::shared_ptr<const FFmpeg> openFFmpeg()
{
    std::lock_guard<std::mutex> lock(s_mutex);
    if (std::shared_ptr<const FFmpeg> open = s_open.lock())
        return open;
    auto loaded = std::make_shared<Loaded>();
    for (const char* name : kLibraries) {
        void* handle = dlopen(name, RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            Diagnostics::error("DirectShow", "cannot load %s: %s", name, dlerror());
            return nullptr;
        }
        loaded->handles.push_back(handle);
    }
    bool complete = true;
#define ULVO_FFMPEG_FIND(name) complete = find(loaded->handles, #name, loaded->name) && complete;
    ULVO_FFMPEG_FUNCTIONS(ULVO_FFMPEG_FIND)
#undef ULVO_FFMPEG_FIND
    if (!complete)
        return nullptr;
    s_open = loaded;
    return loaded;
}

} // namespace DShowInternal
