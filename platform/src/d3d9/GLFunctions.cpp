// Entry points of OpenGL, fetched from the driver SDL loaded.
#include "d3d9/GLFunctions.h"
#include "common/Diagnostics.h"

#include <SDL.h>

#include <platform_test.h>

#include <cstdint>
#include <cstring>
#include <ctime>
#include <tuple>
#include <string_view>
#include <unordered_map>

namespace GLFn {
#define ULVO_GL_DEFINE(type, name) type name = nullptr;
ULVO_GL_FUNCTIONS(ULVO_GL_DEFINE)
ULVO_GL_OPTIONAL_FUNCTIONS(ULVO_GL_DEFINE)
#undef ULVO_GL_DEFINE
} // namespace GLFn

namespace D3D9Internal {

namespace {

// Counting stand-ins for every entry point, switched in and out by the test hook below.
uint64_t s_calls = 0;
uint64_t s_draws = 0;
bool s_counting = false;
// Pixels written by draws (samples that passed), clears (their scissor box) and copies (their
// destination rectangle), counted while asked for; the query functions are the driver's own.
uint64_t s_pixels = 0;
uint64_t s_copiedPixels = 0;
bool s_countingPixels = false;
GLuint s_pixelQuery = 0;
PFNGLBEGINQUERYPROC s_beginQuery = nullptr;
PFNGLENDQUERYPROC s_endQuery = nullptr;
PFNGLGETQUERYOBJECTUI64VPROC s_queryResult = nullptr;
PFNGLGETINTEGERVPROC s_getIntegers = nullptr;
// While calls are counted, the draws of this GL program (0: none) are not made: a benchmark's CPU
// time without them is their own cost, which waiting for every draw overstates for small ones.
GLuint s_leftOutProgram = 0;
// While pixels are counted: per GL program, its draws, their pixels and the time each took to
// finish (every draw is waited for) in CPU time of all the process's threads, the rasteriser's
// included, so the passes that keep it busy can be named.
std::unordered_map<GLuint, PlatformProgramCost> s_programCosts;

uint64_t processNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

enum class CallKind { Other, Draw, Clear, Blit };

template <typename F, int Id, CallKind Kind> struct Counted;
template <typename R, typename... A, int Id, CallKind Kind> struct Counted<R (*)(A...), Id, Kind> {
    static inline R (*real)(A...) = nullptr;
    static R call(A... args)
    {
        ++s_calls;
        if constexpr (Kind == CallKind::Draw) {
            ++s_draws;
            GLint program = 0;
            if (s_leftOutProgram || s_countingPixels)
                s_getIntegers(GL_CURRENT_PROGRAM, &program);
            if (s_leftOutProgram && static_cast<GLuint>(program) == s_leftOutProgram)
                return;
            if (s_countingPixels && s_pixelQuery) {
                const uint64_t start = processNanoseconds();
                s_beginQuery(GL_SAMPLES_PASSED, s_pixelQuery);
                real(args...);
                s_endQuery(GL_SAMPLES_PASSED);
                GLuint64 passed = 0;
                s_queryResult(s_pixelQuery, GL_QUERY_RESULT, &passed);
                s_pixels += passed;
                PlatformProgramCost& cost = s_programCosts[static_cast<GLuint>(program)];
                cost.program = static_cast<unsigned>(program);
                ++cost.draws;
                cost.pixels += passed;
                cost.nanoseconds += processNanoseconds() - start;
                return;
            }
        } else if constexpr (Kind == CallKind::Clear) {
            if (s_countingPixels) {
                GLint box[4] = {};
                s_getIntegers(GL_SCISSOR_BOX, box);
                s_pixels += static_cast<uint64_t>(box[2]) * static_cast<uint64_t>(box[3]);
            }
        } else if constexpr (Kind == CallKind::Blit) {
            if (s_countingPixels) {
                const auto all = std::make_tuple(args...);
                const int64_t w = std::get<6>(all) - std::get<4>(all), h = std::get<7>(all) - std::get<5>(all);
                const uint64_t copied = static_cast<uint64_t>(w < 0 ? -w : w) * static_cast<uint64_t>(h < 0 ? -h : h);
                s_pixels += copied;
                s_copiedPixels += copied;
            }
        }
        return real(args...);
    }
};

constexpr CallKind kindOf(std::string_view name)
{
    if (name.rfind("glDrawArrays", 0) == 0 || name.rfind("glDrawElements", 0) == 0)
        return CallKind::Draw;
    if (name == "glClear")
        return CallKind::Clear;
    if (name == "glBlitFramebuffer")
        return CallKind::Blit;
    return CallKind::Other;
}

bool hasExtension(const char* name)
{
    GLint count = 0;
    GLFn::glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
        const char* ext = reinterpret_cast<const char*>(GLFn::glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i)));
        if (ext && std::strcmp(ext, name) == 0)
            return true;
    }
    return false;
}

} // namespace

bool loadGLFunctions(GLFeatures& features)
{
    // Function pointers do not depend on the context on Linux (EGL and GLX hand out the same
    // dispatch stubs), so one load serves every device.
    static bool loaded = false;
    if (!loaded) {
        bool complete = true;
#define ULVO_GL_LOAD(type, name)                                                                                       \
    GLFn::name = reinterpret_cast<type>(SDL_GL_GetProcAddress(#name));                                                 \
    if (!GLFn::name) {                                                                                                 \
        Diagnostics::error("Direct3D", "the OpenGL driver lacks %s", #name);                                           \
        complete = false;                                                                                              \
    }
        ULVO_GL_FUNCTIONS(ULVO_GL_LOAD)
#undef ULVO_GL_LOAD
#define ULVO_GL_LOAD_OPTIONAL(type, name) GLFn::name = reinterpret_cast<type>(SDL_GL_GetProcAddress(#name));
        ULVO_GL_OPTIONAL_FUNCTIONS(ULVO_GL_LOAD_OPTIONAL)
#undef ULVO_GL_LOAD_OPTIONAL
        if (!complete)
            return false;
        loaded = true;
    }
    features = GLFeatures{};
    features.clipControl = GLFn::glClipControl && hasExtension("GL_ARB_clip_control");
    // Debug groups only where someone asked for a debug context (as debuggers do): elsewhere
    // the markers of every pass are two calls per draw nobody reads.
    GLint contextFlags = 0;
    GLFn::glGetIntegerv(GL_CONTEXT_FLAGS, &contextFlags);
    features.debugGroups = GLFn::glPushDebugGroup && GLFn::glPopDebugGroup && hasExtension("GL_KHR_debug") &&
                           (contextFlags & GL_CONTEXT_FLAG_DEBUG_BIT) != 0;
    features.s3tc = hasExtension("GL_EXT_texture_compression_s3tc");
    features.anisotropic =
        hasExtension("GL_EXT_texture_filter_anisotropic") || hasExtension("GL_ARB_texture_filter_anisotropic");
    if (features.anisotropic) {
        GLfloat maxAniso = 1.0f;
        GLFn::glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY, &maxAniso);
        features.maxAnisotropy = maxAniso < 1.0f ? 1.0f : maxAniso;
    }
    GLfloat pointSizes[2] = {1.0f, 1.0f};
    GLFn::glGetFloatv(GL_POINT_SIZE_RANGE, pointSizes);
    features.maxPointSize = pointSizes[1] < 1.0f ? 1.0f : pointSizes[1];
    features.mirrorClampToEdge = hasExtension("GL_ARB_texture_mirror_clamp_to_edge") ||
                                 hasExtension("GL_EXT_texture_mirror_clamp") ||
                                 hasExtension("GL_ATI_texture_mirror_once");
    features.clearTexture = GLFn::glClearTexImage && hasExtension("GL_ARB_clear_texture");
    return true;
}

} // namespace D3D9Internal

void PlatformCountGLCalls(bool on)
{
    using namespace D3D9Internal;
    if (on == s_counting || !GLFn::glGetError)
        return;
    // The driver's own entry point, taken before the counting stand-ins replace it.
    if (on && !s_getIntegers)
        s_getIntegers = GLFn::glGetIntegerv;
    s_counting = on;
#define ULVO_GL_COUNT(type, name)                                                                                      \
    {                                                                                                                  \
        using C = Counted<type, __COUNTER__, kindOf(#name)>;                                                           \
        if (on) {                                                                                                      \
            C::real = GLFn::name;                                                                                      \
            GLFn::name = C::real ? &C::call : nullptr;                                                                 \
        } else {                                                                                                       \
            GLFn::name = C::real;                                                                                      \
        }                                                                                                              \
    }
    ULVO_GL_FUNCTIONS(ULVO_GL_COUNT)
    ULVO_GL_OPTIONAL_FUNCTIONS(ULVO_GL_COUNT)
#undef ULVO_GL_COUNT
}

void PlatformGLCallCounts(uint64_t& calls, uint64_t& draws)
{
    calls = D3D9Internal::s_calls;
    draws = D3D9Internal::s_draws;
}

void PlatformLeaveOutProgram(unsigned program)
{
    D3D9Internal::s_leftOutProgram = program;
}

void PlatformCountPixels(bool on)
{
    using namespace D3D9Internal;
    if (on == s_countingPixels || !GLFn::glGetError)
        return;
    if (on && !s_counting) {
        // The driver's own entry points, taken before the counting stand-ins replace them.
        s_beginQuery = GLFn::glBeginQuery;
        s_endQuery = GLFn::glEndQuery;
        s_queryResult = GLFn::glGetQueryObjectui64v;
        s_getIntegers = GLFn::glGetIntegerv;
        if (!s_pixelQuery && GLFn::glGenQueries)
            GLFn::glGenQueries(1, &s_pixelQuery);
    }
    if (on && (!s_beginQuery || !s_endQuery || !s_queryResult || !s_getIntegers || !s_pixelQuery))
        return;
    PlatformCountGLCalls(on);
    s_countingPixels = on;
}

uint64_t PlatformPixelCount()
{
    return D3D9Internal::s_pixels;
}

uint64_t PlatformCopiedPixelCount()
{
    return D3D9Internal::s_copiedPixels;
}

std::vector<PlatformProgramCost> PlatformProgramCosts()
{
    std::vector<PlatformProgramCost> out;
    for (const auto& [program, cost] : D3D9Internal::s_programCosts)
        out.push_back(cost);
    return out;
}
