#include "dshow/FFmpeg.h"
#include "dshow/VideoPresenter.h"
#include "common/Diagnostics.h"

#include <platform_app.h>

#include <dlfcn.h>
#include <sys/mman.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <thread>
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

// Calls `visit(start, end, path)` for each mapping of a shared library that holds only pages as
// the file has them (read-only, private, nothing written: not the relocated tables).
template <class Visit> void forEachCleanLibraryMapping(Visit visit)
{
    FILE* maps = std::fopen("/proc/self/smaps", "r");
    if (!maps)
        return;
    struct Mapping {
        unsigned long start = 0, end = 0;
        std::string path;
        bool candidate = false, written = false;
    } mapping;
    auto finish = [&] {
        if (mapping.candidate && !mapping.written)
            visit(mapping.start, mapping.end, mapping.path);
        mapping = Mapping();
    };
    char line[4096];
    while (std::fgets(line, sizeof line, maps)) {
        unsigned long start = 0, end = 0, kilobytes = 0;
        char perms[8] = {};
        char field[64] = {};
        int pathAt = 0;
        if (std::sscanf(line, "%lx-%lx %7s %*s %*s %*s %n", &start, &end, perms, &pathAt) >= 3 && pathAt > 0) {
            finish();
            mapping.start = start;
            mapping.end = end;
            mapping.path = line + pathAt;
            while (!mapping.path.empty() && (mapping.path.back() == '\n' || mapping.path.back() == ' '))
                mapping.path.pop_back();
            mapping.candidate = perms[1] != 'w' && perms[3] == 'p' && !mapping.path.empty() && mapping.path[0] == '/' &&
                                mapping.path.find(".so") != std::string::npos;
        } else if (std::sscanf(line, "%63[^:]: %lu", field, &kilobytes) == 2 && kilobytes > 0 &&
                   (std::strcmp(field, "Private_Dirty") == 0 || std::strcmp(field, "Shared_Dirty") == 0 ||
                    std::strcmp(field, "Anonymous") == 0)) {
            mapping.written = true;
        }
    }
    finish();
    std::fclose(maps);
}

// The shared libraries mapped now. The short map is enough for names: the full one costs
// several milliseconds once a driver with its compiler is loaded.
std::set<std::string> mappedLibraries()
{
    std::set<std::string> paths;
    FILE* maps = std::fopen("/proc/self/maps", "r");
    if (!maps)
        return paths;
    char line[4096];
    while (std::fgets(line, sizeof line, maps)) {
        int pathAt = 0;
        unsigned long start = 0, end = 0;
        if (std::sscanf(line, "%lx-%lx %*s %*s %*s %*s %n", &start, &end, &pathAt) < 2 || pathAt <= 0)
            continue;
        std::string path = line + pathAt;
        while (!path.empty() && (path.back() == '\n' || path.back() == ' '))
            path.pop_back();
        if (!path.empty() && path[0] == '/' && path.find(".so") != std::string::npos)
            paths.insert(std::move(path));
    }
    std::fclose(maps);
    return paths;
}

// Gives back the clean pages of the libraries in `brought` beside the program, which has
// its start to go on with: reading the full map alone takes 10-20 ms with a driver loaded.
// Pages given back early or late are alike: anything that runs them reads them back.
class PageRelease {
public:
    ~PageRelease() { wait(); }
    void start(std::set<std::string> brought)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_thread.joinable())
            m_thread.join();
        m_thread = std::thread([brought = std::move(brought)] {
            forEachCleanLibraryMapping([&](unsigned long start, unsigned long end, const std::string& path) {
                if (brought.count(path))
                    madvise(reinterpret_cast<void*>(start), end - start, MADV_DONTNEED);
            });
        });
    }
    // Libraries loaded after this are not taken for those of the clip.
    void wait()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    std::mutex m_lock;
    std::thread m_thread;
};

PageRelease s_pageRelease;

struct Loaded : FFmpeg {
    std::vector<void*> handles;
    // The libraries these brought in (not mapped before they were opened, and mapped after).
    std::set<std::string> brought;
    ~Loaded()
    {
        for (auto it = handles.rbegin(); it != handles.rend(); ++it)
            dlclose(*it);
        // Some of their dependencies cannot be unloaded (C++ libraries with unique symbols and
        // what they need) and stay mapped with the pages the clip touched, several megabytes for
        // the rest of the session. Their read-only pages are let go of; should anything run them
        // again, they are read back from the file.
        s_pageRelease.start(std::move(brought));
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
    s_pageRelease.wait();
    const std::set<std::string> before = mappedLibraries();
    for (const char* name : kLibraries) {
        // Functions are bound at their first call: binding all of them at once takes 10-15 ms.
        void* handle = dlopen(name, RTLD_LAZY | RTLD_LOCAL);
        if (!handle) {
            Diagnostics::error("DirectShow", "cannot load %s: %s", name, dlerror());
            return nullptr;
        }
        loaded->handles.push_back(handle);
    }
    for (const std::string& path : mappedLibraries()) {
        if (!before.count(path))
            loaded->brought.insert(path);
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

// Opened ahead on a thread of its own, held until the clip took them or the program let go.
class Ahead {
public:
    void start()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_thread.joinable() || m_held)
            return;
        try {
            m_thread = std::thread([this] { m_opened = openFFmpeg(); });
        } catch (const std::system_error&) {
            // The clip opens them itself, as without this.
        }
    }
    void wait()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_thread.joinable()) {
            m_thread.join();
            m_held = std::move(m_opened);
        }
    }
    // Closing the libraries takes the caller several milliseconds: the last hold goes on a thread
    // of its own, which the next call waits for.
    void end()
    {
        wait();
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_closing.joinable())
            m_closing.join();
        if (!m_held)
            return;
        try {
            m_closing = std::thread([held = std::move(m_held)]() mutable { held.reset(); });
        } catch (const std::system_error&) {
            m_held.reset();
        }
    }
    ~Ahead()
    {
        end();
        end();
    }

private:
    std::mutex m_lock;
    std::thread m_thread;
    std::shared_ptr<const FFmpeg> m_opened; // written by the thread alone until it is joined
    std::shared_ptr<const FFmpeg> m_held;
    std::thread m_closing;
};

Ahead& ahead()
{
    static Ahead a;
    return a;
}

} // namespace DShowInternal

void PlatformOpenVideoLibrariesAhead()
{
    DShowInternal::ahead().start();
}

void PlatformWaitForVideoLibraries()
{
    DShowInternal::ahead().wait();
}

void PlatformLetGoOfVideoLibraries()
{
    DShowInternal::VideoPresenter::forgetPrepared();
    DShowInternal::ahead().end();
}
