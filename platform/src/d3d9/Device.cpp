// The device: its GL context, lifetime, presentation, loss and reset.
#include "d3d9/Device.h"

#include "d3d9/Direct3D9.h"
#include "window/WindowInternal.h"
#include "common/Diagnostics.h"

#include <platform_app.h>
#include <platform_test.h>

#include <algorithm>
#include <malloc.h>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

using namespace GLFn;

namespace D3D9Internal {

namespace {
// Pictures' files and decoded texels, mid-size textures and targets are this size or more: as
// mappings of their own, those let go between loading and the first frames no longer pile up in
// the heap until a trim. The rasteriser's 64 KB blocks, taken and freed every frame, stay below
// (mapped, they would cost thousands of maps and page faults a second).
constexpr int kOwnMappingBytes = 256 << 10;
// Fixing the mapping threshold also fixes the heap's trim threshold at its 128 KB default: the
// rasteriser's blocks of a frame, freed at the heap's top, then went back to the system after
// every batch and were faulted in again for the next one (a millisecond or more of the drawing
// thread's time per frame). Freed space up to this size stays at the top of each heap; the
// explicit trim after textures are evicted still returns it.
constexpr int kKeptHeapTopBytes = 16 << 20;
} // namespace

namespace {

thread_local Device* t_currentDevice = nullptr;

// With pixels counted: the programs whose draws cost the most CPU time (all threads, until each draw
// had finished) over the last `frames` frames, by GL program name, so ULVO_DUMP_SHADERS' files of
// the heaviest passes can be read.
void reportProgramCosts(long frames, unsigned screenPixels)
{
    static std::unordered_map<unsigned, PlatformProgramCost> previous;
    std::vector<PlatformProgramCost> costs = PlatformProgramCosts();
    for (PlatformProgramCost& cost : costs) {
        const PlatformProgramCost before = previous[cost.program];
        previous[cost.program] = cost;
        cost.draws -= before.draws;
        cost.pixels -= before.pixels;
        cost.nanoseconds -= before.nanoseconds;
    }
    std::sort(costs.begin(), costs.end(), [](const auto& a, const auto& b) { return a.nanoseconds > b.nanoseconds; });
    const double n = static_cast<double>(frames), screen = n * std::max(1u, screenPixels);
    for (size_t i = 0; i < costs.size() && i < 16 && costs[i].draws; ++i)
        Diagnostics::info("Direct3D", "  program %u: %.2f ms CPU, %.1f draws, %.3f screens of pixels per frame",
                          costs[i].program, static_cast<double>(costs[i].nanoseconds) * 1e-6 / n,
                          static_cast<double>(costs[i].draws) / n, static_cast<double>(costs[i].pixels) / screen);
}

// ULVO_FRAME_STATS=N: every N presented frames, one line with the GL calls and draws per frame and
// the frames presented per second, for measuring the real program's frame; with ULVO_FRAME_PIXELS=1
// also the pixels written per frame (in screens of the back buffer) and, of them, those copied.
// Counting pixels waits for each draw, so the frame rate is only worth reading without it.
// ULVO_LEAVE_OUT_PROGRAM=<GL program> leaves that program's draws out while counting, so the CPU
// time a benchmark saves without them is their own cost.
void reportFrameStats(unsigned screenPixels)
{
    static const long every = [] {
        const char* value = std::getenv("ULVO_FRAME_STATS");
        return value ? std::max(0L, std::strtol(value, nullptr, 10)) : 0L;
    }();
    if (every <= 0)
        return;
    static const bool pixels = [] {
        const char* value = std::getenv("ULVO_FRAME_PIXELS");
        return value && std::strcmp(value, "1") == 0;
    }();
    static long frames = -1;
    static uint64_t calls0 = 0, draws0 = 0, pixels0 = 0, copied0 = 0;
    static LARGE_INTEGER time0{};
    if (frames < 0) {
        if (const char* program = std::getenv("ULVO_LEAVE_OUT_PROGRAM"))
            PlatformLeaveOutProgram(static_cast<unsigned>(std::max(0L, std::strtol(program, nullptr, 10))));
        if (pixels)
            PlatformCountPixels(true);
        else
            PlatformCountGLCalls(true);
        frames = 0;
    }
    if (frames++ == 0) {
        PlatformGLCallCounts(calls0, draws0);
        pixels0 = PlatformPixelCount();
        copied0 = PlatformCopiedPixelCount();
        QueryPerformanceCounter(&time0);
        return;
    }
    if (frames <= every)
        return;
    uint64_t calls = 0, draws = 0;
    PlatformGLCallCounts(calls, draws);
    LARGE_INTEGER time{}, frequency{};
    QueryPerformanceCounter(&time);
    QueryPerformanceFrequency(&frequency);
    const double n = static_cast<double>(every);
    const double seconds =
        static_cast<double>(time.QuadPart - time0.QuadPart) / static_cast<double>(frequency.QuadPart);
    const double screen = n * std::max(1u, screenPixels);
    Diagnostics::info("Direct3D",
                      "frame stats: %.1f GL calls, %.1f draws, %.2f screens of pixels per frame, %.1f frames per "
                      "second, %.2f screens of them copied",
                      static_cast<double>(calls - calls0) / n, static_cast<double>(draws - draws0) / n,
                      static_cast<double>(PlatformPixelCount() - pixels0) / screen, seconds > 0.0 ? n / seconds : 0.0,
                      static_cast<double>(PlatformCopiedPixelCount() - copied0) / screen);
    if (pixels)
        reportProgramCosts(every, screenPixels);
    frames = 0;
}
constexpr GLenum kUploadUnit = GL_TEXTURE0 + 31;

// Fills what D3D fills in present parameters (size from the window, format from the desktop)
// and checks the rest.
HRESULT completeParameters(D3DPRESENT_PARAMETERS& params, HWND window)
{
    if (params.SwapEffect < D3DSWAPEFFECT_DISCARD || params.SwapEffect > D3DSWAPEFFECT_COPY)
        return D3DERR_INVALIDCALL;
    if (params.MultiSampleType != D3DMULTISAMPLE_NONE || params.MultiSampleQuality != 0)
        return D3DERR_INVALIDCALL;
    if (params.BackBufferCount > 3)
        return D3DERR_INVALIDCALL;
    if (params.BackBufferCount == 0)
        params.BackBufferCount = 1;
    if (params.Windowed) {
        RECT client{};
        if ((params.BackBufferWidth == 0 || params.BackBufferHeight == 0) && GetClientRect(window, &client)) {
            if (params.BackBufferWidth == 0)
                params.BackBufferWidth = static_cast<UINT>(std::max<LONG>(1, client.right - client.left));
            if (params.BackBufferHeight == 0)
                params.BackBufferHeight = static_cast<UINT>(std::max<LONG>(1, client.bottom - client.top));
        }
        if (params.BackBufferWidth == 0)
            params.BackBufferWidth = 1;
        if (params.BackBufferHeight == 0)
            params.BackBufferHeight = 1;
        if (params.BackBufferFormat == D3DFMT_UNKNOWN)
            params.BackBufferFormat = desktopMode().Format;
    } else if (params.BackBufferWidth == 0 || params.BackBufferHeight == 0) {
        return D3DERR_INVALIDCALL;
    }
    if (!isBackBufferFormat(params.BackBufferFormat))
        return D3DERR_INVALIDCALL;
    if (params.BackBufferWidth > 8192 || params.BackBufferHeight > 8192)
        return D3DERR_INVALIDCALL;
    if (params.EnableAutoDepthStencil) {
        const FormatInfo* depth = formatInfo(params.AutoDepthStencilFormat);
        if (!depth || !depth->depth)
            return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

} // namespace

Device::Device(Direct3D9* d3d) : m_d3d(d3d)
{
    m_d3d->AddRef();
}

HRESULT Device::create(Direct3D9* d3d, UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD flags,
                       D3DPRESENT_PARAMETERS* params, Device** out)
{
    *out = nullptr;
    if (!params || adapter != 0)
        return D3DERR_INVALIDCALL;
    if (type != D3DDEVTYPE_HAL)
        return D3DERR_NOTAVAILABLE;
    Device* device = new Device(d3d);
    HRESULT hr = device->initialize(adapter, type, focusWindow, flags, params);
    if (FAILED(hr)) {
        device->Release();
        return hr;
    }
    *out = device;
    return D3D_OK;
}

HRESULT Device::initialize(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD flags, D3DPRESENT_PARAMETERS* params)
{
    // The driver keeps textures, targets and buffers in the C heap. Blocks of this size or more
    // get mappings of their own, which go back to the system when freed; left to the heap's own
    // rule they would sit in the heap as holes once a picture or target is let go.
    static const bool ownMappings =
        mallopt(M_MMAP_THRESHOLD, kOwnMappingBytes) != 0 && mallopt(M_TRIM_THRESHOLD, kKeptHeapTopBytes) != 0;
    (void)ownMappings;
    m_window = params->hDeviceWindow ? params->hDeviceWindow : focusWindow;
    m_sdlWindow = Win32Internal::sdlWindowFor(m_window);
    if (!m_sdlWindow) {
        Diagnostics::error("Direct3D", "CreateDevice needs a window of this program");
        return D3DERR_INVALIDCALL;
    }
    if (!(SDL_GetWindowFlags(m_sdlWindow) & SDL_WINDOW_OPENGL)) {
        Diagnostics::error("Direct3D", "the window has no OpenGL surface");
        return D3DERR_NOTAVAILABLE;
    }
    D3DPRESENT_PARAMETERS complete = *params;
    HRESULT hr = completeParameters(complete, m_window);
    if (FAILED(hr))
        return hr;

    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
    m_context = SDL_GL_CreateContext(m_sdlWindow);
    if (!m_context) {
        Diagnostics::error("Direct3D", "no OpenGL 3.3 core context: %s", SDL_GetError());
        return D3DERR_NOTAVAILABLE;
    }
    t_currentDevice = this;
    if (!loadGLFunctions(m_features))
        return D3DERR_NOTAVAILABLE;

    m_creation = D3DDEVICE_CREATION_PARAMETERS{adapter, type, focusWindow ? focusWindow : m_window, flags};
    m_programs = std::make_unique<ProgramCache>(this);

    glGenVertexArrays(1, &m_vao);
    glBindVertexArray(m_vao);
    glGenFramebuffers(1, &m_drawFramebuffer);
    glGenFramebuffers(1, &m_copyReadFramebuffer);
    glGenFramebuffers(1, &m_copyDrawFramebuffer);
    glGenSamplers(kSamplerCount, m_samplers);
    for (int i = 0; i < kSamplerCount; ++i)
        glBindSampler(static_cast<GLuint>(i), m_samplers[i]);
    glGenBuffers(1, &m_upVertexBuffer);
    glGenBuffers(1, &m_upIndexBuffer);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (m_features.clipControl)
        glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    glEnable(GL_PROGRAM_POINT_SIZE);
    glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
    // Targets are stored top row first, which mirrors y: D3D's clockwise front faces turn
    // counter-clockwise in GL's window space.
    glFrontFace(GL_CCW);

    if (!createImplicitSurfaces(complete))
        return D3DERR_OUTOFVIDEOMEMORY;
    m_params = complete;
    *params = complete;
    resetState();
    applyWindowMode(m_params);
    SDL_GL_SetSwapInterval(m_params.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);

    D3DDISPLAYMODE desktop = desktopMode();
    m_desktopWidth = static_cast<int>(desktop.Width);
    m_desktopHeight = static_cast<int>(desktop.Height);
    m_desktopFormat = desktop.Format;
    HWND foreground = GetForegroundWindow();
    m_wasForeground = foreground == m_window || foreground == m_creation.hFocusWindow;
    return D3D_OK;
}

Device::~Device()
{
    if (m_pointer) {
        Win32Internal::showDevicePointer(false);
        Win32Internal::setDevicePointer(nullptr);
        SDL_FreeCursor(m_pointer);
    }
    if (m_context) {
        makeCurrent();
        releaseBindings();
        if (m_recording) {
            m_recording->Release();
            m_recording = nullptr;
        }
        for (auto& [fvf, declaration] : m_fvfDeclarations)
            declaration->Release();
        m_fvfDeclarations.clear();
        m_lastFvfDeclaration = nullptr;
        for (Surface* implicit : {m_backBuffer, m_autoDepth}) {
            if (!implicit)
                continue;
            if (implicit->publicRefs() == 0)
                delete implicit;
        }
        m_backBuffer = m_autoDepth = nullptr;
        // Whatever the program still holds keeps working without GL.
        std::vector<ObjectBase*> remaining(m_objects.begin(), m_objects.end());
        m_objects.clear();
        for (ObjectBase* object : remaining)
            object->detach();
        m_programs.reset();
        for (unsigned i = 0; i < m_batchFenceCount; ++i)
            glDeleteSync(m_batchFences[i]);
        m_batchFenceCount = 0;
        glDeleteVertexArrays(1, &m_vao);
        glDeleteFramebuffers(1, &m_drawFramebuffer);
        glDeleteFramebuffers(1, &m_copyReadFramebuffer);
        glDeleteFramebuffers(1, &m_copyDrawFramebuffer);
        glDeleteSamplers(kSamplerCount, m_samplers);
        glDeleteBuffers(1, &m_upVertexBuffer);
        glDeleteBuffers(1, &m_upIndexBuffer);
        SDL_GL_MakeCurrent(nullptr, nullptr);
        SDL_GL_DeleteContext(m_context);
    }
    if (t_currentDevice == this)
        t_currentDevice = nullptr;
    m_d3d->Release();
}

bool Device::createImplicitSurfaces(const D3DPRESENT_PARAMETERS& params)
{
    m_backBuffer = Surface::create(
        this, Surface::Kind::RenderTarget, params.BackBufferWidth, params.BackBufferHeight, params.BackBufferFormat,
        D3DPOOL_DEFAULT, (params.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0, D3DMULTISAMPLE_NONE, 0, true);
    if (!m_backBuffer)
        return false;
    if (params.EnableAutoDepthStencil) {
        m_autoDepth =
            Surface::create(this, Surface::Kind::DepthStencil, params.BackBufferWidth, params.BackBufferHeight,
                            params.AutoDepthStencilFormat, D3DPOOL_DEFAULT, false, D3DMULTISAMPLE_NONE, 0, true);
        if (!m_autoDepth)
            return false;
    }
    return true;
}

void Device::applyWindowMode(const D3DPRESENT_PARAMETERS& params)
{
    if (m_creation.BehaviorFlags & D3DCREATE_NOWINDOWCHANGES)
        return;
    // Full screen keeps the desktop's mode: the back buffer is scaled to the screen at Present.
    Uint32 flags = SDL_GetWindowFlags(m_sdlWindow);
    bool fullscreen = (flags & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
    if (!params.Windowed && !fullscreen) {
        Win32Internal::coverDisplay(m_window);
        SDL_SetWindowFullscreen(m_sdlWindow, SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else if (params.Windowed && fullscreen)
        SDL_SetWindowFullscreen(m_sdlWindow, 0);
}

void Device::makeCurrent()
{
    // SDL releases the context when the window it is current on is destroyed.
    if (t_currentDevice == this && SDL_GL_GetCurrentContext() == m_context)
        return;
    SDL_Window* window = Win32Internal::sdlWindowFor(m_window) == m_sdlWindow ? m_sdlWindow : nullptr;
    if (!window) {
        // The program destroys its window before it releases the device. Drivers that take a
        // context without a surface keep serving it; the others cannot, which is no fault at
        // that point: nothing is drawn any more and the context's objects go with it. Then no
        // context is bound, so what is released meanwhile reaches no other device's context.
        if (SDL_GL_MakeCurrent(nullptr, m_context) != 0)
            SDL_GL_MakeCurrent(nullptr, nullptr);
        t_currentDevice = this;
        return;
    }
    if (SDL_GL_MakeCurrent(window, m_context) != 0) {
        static bool logged = false;
        if (!logged)
            Diagnostics::error("Direct3D", "the device's context cannot be made current: %s", SDL_GetError());
        logged = true;
    }
    t_currentDevice = this;
}

void Device::bindUploadTexture(GLenum target, GLuint texture)
{
    // Uploads and mipmap generation act on the active unit's texture.
    m_gl.activeTexture(kUploadUnit - GL_TEXTURE0);
    m_gl.bindTexture(kUploadUnit - GL_TEXTURE0, target, texture);
}

bool Device::attachCopySurface(GLenum framebufferTarget, Surface* surface)
{
    GLuint framebuffer = framebufferTarget == GL_READ_FRAMEBUFFER ? m_copyReadFramebuffer : m_copyDrawFramebuffer;
    m_gl.bindFramebuffer(framebufferTarget, framebuffer);
    m_dirty |= kDirtyFramebuffer;
    if (!surface || !surface->glTexture())
        return false;
    const FormatInfo& info = surface->info();
    GLenum colour = GL_COLOR_ATTACHMENT0;
    GLenum attachment = !info.depth ? colour : info.stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
    GLState::CopyImage& known = m_gl.copyImage(framebufferTarget == GL_READ_FRAMEBUFFER ? 0 : 1);
    const GLState::CopyImage wanted{{true, surface->imageTarget(), surface->glTexture(), surface->glLevel()},
                                    attachment};
    if (known == wanted)
        return true;
    known = GLState::CopyImage{};
    GLenum attachments[] = {GL_COLOR_ATTACHMENT0, GL_DEPTH_ATTACHMENT, GL_STENCIL_ATTACHMENT,
                            GL_DEPTH_STENCIL_ATTACHMENT};
    for (GLenum a : attachments)
        glFramebufferTexture2D(framebufferTarget, a, GL_TEXTURE_2D, 0, 0);
    glFramebufferTexture2D(framebufferTarget, attachment, surface->imageTarget(), surface->glTexture(),
                           surface->glLevel());
    if (framebufferTarget == GL_READ_FRAMEBUFFER)
        glReadBuffer(info.depth ? GL_NONE : GL_COLOR_ATTACHMENT0);
    else
        glDrawBuffer(info.depth ? GL_NONE : GL_COLOR_ATTACHMENT0);
    if (glCheckFramebufferStatus(framebufferTarget) != GL_FRAMEBUFFER_COMPLETE)
        return false;
    known = wanted;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Loss and reset

void Device::loseDevice()
{
    if (m_cooperation == Cooperation::Ok) {
        m_cooperation = Cooperation::Lost;
        m_lostReported = false;
    }
}

void Device::checkLoss()
{
    D3DDISPLAYMODE desktop = desktopMode();
    if (static_cast<int>(desktop.Width) != m_desktopWidth || static_cast<int>(desktop.Height) != m_desktopHeight ||
        static_cast<int>(desktop.Format) != m_desktopFormat) {
        m_desktopWidth = static_cast<int>(desktop.Width);
        m_desktopHeight = static_cast<int>(desktop.Height);
        m_desktopFormat = desktop.Format;
        loseDevice();
    }
    HWND foreground = GetForegroundWindow();
    bool isForeground = foreground && (foreground == m_window || foreground == m_creation.hFocusWindow);
    if (!m_params.Windowed) {
        // A full-screen device is lost when its window stops being the active one, and stays
        // lost until the window is active again.
        if (m_wasForeground && !isForeground) {
            loseDevice();
            m_focusLoss = true;
        }
    }
    if (isForeground)
        m_focusLoss = false;
    m_wasForeground = isForeground;
}

HRESULT Device::TestCooperativeLevel()
{
    checkLoss();
    switch (m_cooperation) {
    case Cooperation::Ok:
        return D3D_OK;
    case Cooperation::Lost:
        if (m_focusLoss || !m_lostReported) {
            m_lostReported = true;
            return D3DERR_DEVICELOST;
        }
        m_cooperation = Cooperation::NotReset;
        return D3DERR_DEVICENOTRESET;
    case Cooperation::NotReset:
        return D3DERR_DEVICENOTRESET;
    }
    return D3D_OK;
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* pPresentationParameters)
{
    if (!pPresentationParameters)
        return D3DERR_INVALIDCALL;
    checkLoss();
    if (m_cooperation == Cooperation::Lost && m_focusLoss)
        return D3DERR_DEVICELOST;
    int alive = 0;
    for (ObjectBase* object : m_objects) {
        if (object->blocksReset())
            ++alive;
    }
    if (alive > 0) {
        Diagnostics::error("Direct3D", "Reset refused: %d default-pool resource(s) still held", alive);
        m_cooperation = Cooperation::NotReset;
        return D3DERR_INVALIDCALL;
    }
    D3DPRESENT_PARAMETERS complete = *pPresentationParameters;
    HWND window = complete.hDeviceWindow ? complete.hDeviceWindow : m_window;
    if (FAILED(completeParameters(complete, window))) {
        m_cooperation = Cooperation::NotReset;
        return D3DERR_INVALIDCALL;
    }
    SDL_Window* sdlWindow = Win32Internal::sdlWindowFor(window);
    if (!sdlWindow) {
        m_cooperation = Cooperation::NotReset;
        return D3DERR_INVALIDCALL;
    }
    makeCurrent();
    if (sdlWindow != m_sdlWindow) {
        m_sdlWindow = sdlWindow;
        m_window = window;
        t_currentDevice = nullptr;
        makeCurrent();
    }
    releaseBindings();
    if (m_recording) {
        m_recording->Release();
        m_recording = nullptr;
    }
    delete m_backBuffer;
    delete m_autoDepth;
    m_backBuffer = m_autoDepth = nullptr;
    if (!createImplicitSurfaces(complete)) {
        m_cooperation = Cooperation::NotReset;
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    m_params = complete;
    *pPresentationParameters = complete;
    m_sceneDepth = 0;
    resetState();
    applyWindowMode(m_params);
    SDL_GL_SetSwapInterval(m_params.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
    D3DDISPLAYMODE desktop = desktopMode();
    m_desktopWidth = static_cast<int>(desktop.Width);
    m_desktopHeight = static_cast<int>(desktop.Height);
    m_desktopFormat = desktop.Format;
    HWND foreground = GetForegroundWindow();
    m_wasForeground = foreground == m_window || foreground == m_creation.hFocusWindow;
    m_focusLoss = false;
    m_cooperation = Cooperation::Ok;
    return D3D_OK;
}

HRESULT Device::Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride, const _RGNDATA*)
{
    checkLoss();
    if (m_cooperation != Cooperation::Ok)
        return D3DERR_DEVICELOST;
    makeCurrent();
    if (Win32Internal::sdlWindowFor(m_window) != m_sdlWindow) {
        // The window went away under the device; there is nothing to show the frame in.
        return D3D_OK;
    }
    SDL_Window* window = m_sdlWindow;
    if (hDestWindowOverride && hDestWindowOverride != m_window) {
        window = Win32Internal::sdlWindowFor(hDestWindowOverride);
        if (!window)
            return D3DERR_INVALIDCALL;
        SDL_GL_MakeCurrent(window, m_context);
    }
    RECT source = pSourceRect ? *pSourceRect
                              : RECT{0, 0, static_cast<LONG>(m_params.BackBufferWidth),
                                     static_cast<LONG>(m_params.BackBufferHeight)};
    int drawableWidth = 0, drawableHeight = 0;
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    RECT dest = pDestRect ? *pDestRect : RECT{0, 0, drawableWidth, drawableHeight};
    // The back buffer is copied, never flipped or discarded: it keeps its pixels into the next
    // frame, which the game's kept level picture relies on (it copies back only what changed).
    if (attachCopySurface(GL_READ_FRAMEBUFFER, m_backBuffer)) {
        m_gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glDrawBuffer(GL_BACK);
        m_gl.enable(GL_SCISSOR_TEST, false);
        for (GLuint i = 0; i < kMaxRenderTargets; ++i)
            m_gl.colorMask(i, true, true, true, true);
        bool sameSize = source.right - source.left == dest.right - dest.left &&
                        source.bottom - source.top == dest.bottom - dest.top;
        // The back buffer holds its top row first; the window wants it last.
        glBlitFramebuffer(source.left, source.top, source.right, source.bottom, dest.left, drawableHeight - dest.top,
                          dest.right, drawableHeight - dest.bottom, GL_COLOR_BUFFER_BIT,
                          sameSize ? GL_NEAREST : GL_LINEAR);
        // The scissor test went off with the colour masks: the next draw sets both again.
        m_dirty |= kDirtyFramebuffer | kDirtyViewport | kDirtyColorMask | kDirtyRaster;
    }
    SDL_GL_SwapWindow(window);
    PlatformStartupMark("present");
    reportFrameStats(m_params.BackBufferWidth * m_params.BackBufferHeight);
    if (window != m_sdlWindow)
        SDL_GL_MakeCurrent(m_sdlWindow, m_context);
    // Draws from memory start their rings over next frame, letting the driver orphan what the GPU
    // still reads.
    m_upVertexUsed = m_upVertexCapacity;
    m_upIndexUsed = m_upIndexCapacity;
    return D3D_OK;
}

HRESULT Device::GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE, IDirect3DSurface9** ppBackBuffer)
{
    if (!ppBackBuffer)
        return D3DERR_INVALIDCALL;
    *ppBackBuffer = nullptr;
    if (iSwapChain != 0 || iBackBuffer >= m_params.BackBufferCount || !m_backBuffer)
        return D3DERR_INVALIDCALL;
    m_backBuffer->AddRef();
    *ppBackBuffer = m_backBuffer;
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// Small queries

UINT Device::GetAvailableTextureMem()
{
    return 512u * 1024u * 1024u;
}

HRESULT Device::EvictManagedResources()
{
    evictManagedTextures(false);
    return D3D_OK;
}

void Device::evictManagedTextures(bool idleOnly)
{
    bool evicted = false;
    for (ObjectBase* object : m_objects) {
        if (object->pool() != D3DPOOL_MANAGED)
            continue;
        auto* texture = dynamic_cast<BaseTextureObject*>(object);
        if (!texture || !texture->canEvict())
            continue;
        if (idleOnly && texture->countIdleSweep() < BaseTextureObject::kIdleSweeps)
            continue;
        // A texture set on a stage may be drawn without being set again.
        if (std::find(std::begin(m_state.textures), std::end(m_state.textures), texture) != std::end(m_state.textures))
            continue;
        texture->evict();
        evicted = true;
    }
    // The driver's storage went back to the C heap, in holes between what stays: the pages go
    // back to the system, so that they are not held beside what the next pictures take.
    if (evicted)
        malloc_trim(0);
}

HRESULT Device::GetDirect3D(IDirect3D9** ppD3D9)
{
    if (!ppD3D9)
        return D3DERR_INVALIDCALL;
    m_d3d->AddRef();
    *ppD3D9 = m_d3d;
    return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS9* pCaps)
{
    if (!pCaps)
        return D3DERR_INVALIDCALL;
    fillCaps(*pCaps);
    if (!m_features.anisotropic)
        pCaps->MaxAnisotropy = 1;
    pCaps->MaxPointSize = m_features.maxPointSize;
    return D3D_OK;
}

HRESULT Device::GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode)
{
    if (iSwapChain != 0 || !pMode)
        return D3DERR_INVALIDCALL;
    if (!m_params.Windowed) {
        *pMode = D3DDISPLAYMODE{m_params.BackBufferWidth, m_params.BackBufferHeight,
                                m_params.FullScreen_RefreshRateInHz ? m_params.FullScreen_RefreshRateInHz : 60,
                                m_params.BackBufferFormat == D3DFMT_R5G6B5 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8};
        return D3D_OK;
    }
    *pMode = desktopMode();
    return D3D_OK;
}

HRESULT Device::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters)
{
    if (!pParameters)
        return D3DERR_INVALIDCALL;
    *pParameters = m_creation;
    return D3D_OK;
}

// The pointer picture becomes SDL's colour cursor: the system moves it, so it keeps up with the
// mouse however long a frame takes. Only A8R8G8B8 surfaces qualify, as for the hardware cursor.
HRESULT Device::SetCursorProperties(UINT XHotSpot, UINT YHotSpot, IDirect3DSurface9* pCursorBitmap)
{
    auto* surface = dynamic_cast<Surface*>(pCursorBitmap);
    if (!surface)
        return D3DERR_INVALIDCALL;
    const D3DSURFACE_DESC& desc = surface->desc();
    if (desc.Format != D3DFMT_A8R8G8B8 || desc.Width == 0 || desc.Height == 0 || XHotSpot >= desc.Width ||
        YHotSpot >= desc.Height) {
        Diagnostics::warning("Direct3D", "SetCursorProperties: the pointer must be A8R8G8B8 with its hot spot inside");
        return D3DERR_INVALIDCALL;
    }
    if (!Win32Internal::videoStarted())
        return D3DERR_INVALIDCALL;
    D3DLOCKED_RECT locked{};
    if (FAILED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
        return D3DERR_INVALIDCALL;
    // A8R8G8B8 is SDL's ARGB8888: both name a 32-bit value, alpha in the top byte.
    SDL_Surface* picture =
        SDL_CreateRGBSurfaceWithFormatFrom(locked.pBits, static_cast<int>(desc.Width), static_cast<int>(desc.Height),
                                           32, locked.Pitch, SDL_PIXELFORMAT_ARGB8888);
    SDL_Cursor* cursor =
        picture ? SDL_CreateColorCursor(picture, static_cast<int>(XHotSpot), static_cast<int>(YHotSpot)) : nullptr;
    if (picture)
        SDL_FreeSurface(picture);
    surface->UnlockRect();
    if (!cursor) {
        Diagnostics::warning("Direct3D", "SetCursorProperties: no colour pointer here: %s", SDL_GetError());
        return D3DERR_INVALIDCALL;
    }
    Win32Internal::setDevicePointer(cursor);
    if (m_pointer)
        SDL_FreeCursor(m_pointer);
    m_pointer = cursor;
    return D3D_OK;
}

// The system moves the colour pointer itself.
void Device::SetCursorPosition(int, int, DWORD) {}

BOOL Device::ShowCursor(BOOL bShow)
{
    return Win32Internal::showDevicePointer(bShow != FALSE) ? TRUE : FALSE;
}

UINT Device::GetNumberOfSwapChains()
{
    return 1;
}

HRESULT Device::GetRasterStatus(UINT, D3DRASTER_STATUS* pRasterStatus)
{
    if (pRasterStatus)
        *pRasterStatus = D3DRASTER_STATUS{FALSE, 0};
    return D3DERR_INVALIDCALL;
}

HRESULT Device::SetDialogBoxMode(BOOL)
{
    return D3D_OK;
}

void Device::SetGammaRamp(UINT, DWORD, const D3DGAMMARAMP* pRamp)
{
    if (pRamp)
        m_gamma = *pRamp;
}

void Device::GetGammaRamp(UINT, D3DGAMMARAMP* pRamp)
{
    if (pRamp)
        *pRamp = m_gamma;
}

HRESULT Device::ValidateDevice(DWORD* pNumPasses)
{
    if (pNumPasses)
        *pNumPasses = 1;
    return D3D_OK;
}

Device* deviceObject(IDirect3DDevice9* device)
{
    return device ? dynamic_cast<Device*>(device) : nullptr;
}

Device* currentDevice()
{
    return t_currentDevice;
}

// ---------------------------------------------------------------------------------------------
// What the D3DX code of this layer reaches through

IDirect3DVertexShader9* createVertexShader(IDirect3DDevice9* device, ShaderStageDesc desc)
{
    Device* d = deviceObject(device);
    if (!d || (!desc.program && !desc.shader && desc.source.empty()))
        return nullptr;
    return new VertexShader(d, std::move(desc));
}

IDirect3DPixelShader9* createPixelShader(IDirect3DDevice9* device, ShaderStageDesc desc)
{
    Device* d = deviceObject(device);
    if (!d || (!desc.program && !desc.shader && desc.source.empty()))
        return nullptr;
    return new PixelShader(d, std::move(desc));
}

namespace {

// The device the calling thread draws with, found without a cast: effects reach it every draw.
Device* sameAsCurrent(IDirect3DDevice9* device)
{
    Device* current = t_currentDevice;
    return current && static_cast<IDirect3DDevice9*>(current) == device ? current : nullptr;
}

} // namespace

bool makeCurrent(IDirect3DDevice9* device)
{
    Device* d = sameAsCurrent(device);
    if (!d)
        d = deviceObject(device);
    if (!d)
        return false;
    d->makeCurrent();
    return true;
}

GLState* glState(IDirect3DDevice9* device)
{
    Device* d = sameAsCurrent(device);
    if (!d)
        d = deviceObject(device);
    return d ? &d->glState() : nullptr;
}

void programBindingChanged(IDirect3DDevice9* device)
{
    if (Device* d = deviceObject(device))
        d->programBindingChanged();
}

size_t programCount(IDirect3DDevice9* device)
{
    Device* d = deviceObject(device);
    return d ? d->programs().size() : 0;
}

size_t linkedProgramCount(IDirect3DDevice9* device)
{
    Device* d = deviceObject(device);
    return d ? d->programs().linkedCount() : 0;
}

GLuint currentProgram(IDirect3DDevice9* device)
{
    Device* d = deviceObject(device);
    return d ? d->programForCurrentState() : 0;
}

GLuint glTextureOf(IDirect3DBaseTexture9* texture, GLenum* target)
{
    BaseTextureObject* object = textureObject(texture);
    if (object)
        object->ensureContent();
    if (target)
        *target = object ? object->bindTarget() : 0;
    return object ? object->glTexture() : 0;
}

const GLFeatures* glFeatures(IDirect3DDevice9* device)
{
    Device* d = deviceObject(device);
    return d ? &d->features() : nullptr;
}

} // namespace D3D9Internal

bool PlatformLoseDevice(IDirect3DDevice9* device)
{
    D3D9Internal::Device* d = D3D9Internal::deviceObject(device);
    if (!d)
        return false;
    d->loseDevice();
    return true;
}

unsigned PlatformBatchesHandedOver(IDirect3DDevice9* device)
{
    const D3D9Internal::Device* d = D3D9Internal::deviceObject(device);
    return d ? d->batchesHandedOver() : 0;
}
