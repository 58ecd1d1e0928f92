#include "dshow/VideoPresenter.h"

#include "dshow/MediaSource.h"
#include "window/WindowInternal.h"
#include "common/Diagnostics.h"

#include <platform_app.h>
#include <platform_test.h>

#include <GL/glcorearb.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace DShowInternal {

namespace {

// The few entry points the presenter needs, fetched on the streaming thread (its own table,
// so it never races with the Direct3D layer's loader).
struct GLTable {
    PFNGLGETERRORPROC getError;
    PFNGLGENTEXTURESPROC genTextures;
    PFNGLDELETETEXTURESPROC deleteTextures;
    PFNGLBINDTEXTUREPROC bindTexture;
    PFNGLTEXIMAGE2DPROC texImage2D;
    PFNGLTEXSUBIMAGE2DPROC texSubImage2D;
    PFNGLTEXPARAMETERIPROC texParameteri;
    PFNGLPIXELSTOREIPROC pixelStorei;
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
    PFNGLFRAMEBUFFERTEXTURE2DPROC framebufferTexture2D;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer;
    PFNGLDRAWBUFFERPROC drawBuffer;
    PFNGLREADBUFFERPROC readBuffer;
    PFNGLVIEWPORTPROC viewport;
    PFNGLDISABLEPROC disable;
    PFNGLCLEARCOLORPROC clearColor;
    PFNGLCLEARPROC clear;
    PFNGLREADPIXELSPROC readPixels;
};

bool loadTable(GLTable& gl)
{
    bool complete = true;
    auto load = [&complete](auto& slot, const char* name) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(SDL_GL_GetProcAddress(name));
        complete = complete && slot;
    };
    load(gl.getError, "glGetError");
    load(gl.genTextures, "glGenTextures");
    load(gl.deleteTextures, "glDeleteTextures");
    load(gl.bindTexture, "glBindTexture");
    load(gl.texImage2D, "glTexImage2D");
    load(gl.texSubImage2D, "glTexSubImage2D");
    load(gl.texParameteri, "glTexParameteri");
    load(gl.pixelStorei, "glPixelStorei");
    load(gl.genFramebuffers, "glGenFramebuffers");
    load(gl.deleteFramebuffers, "glDeleteFramebuffers");
    load(gl.bindFramebuffer, "glBindFramebuffer");
    load(gl.framebufferTexture2D, "glFramebufferTexture2D");
    load(gl.blitFramebuffer, "glBlitFramebuffer");
    load(gl.drawBuffer, "glDrawBuffer");
    load(gl.readBuffer, "glReadBuffer");
    load(gl.viewport, "glViewport");
    load(gl.disable, "glDisable");
    load(gl.clearColor, "glClearColor");
    load(gl.clear, "glClear");
    load(gl.readPixels, "glReadPixels");
    return complete;
}

GLTable g_gl{};

// What the test hooks see: the window contents of the latest presented picture.
struct Capture {
    std::mutex lock;
    std::atomic<bool> on{false};
    std::vector<uint32_t> pixels;
    int width = 0;
    int height = 0;
    unsigned count = 0;
};

Capture& captureState()
{
    static Capture c;
    return c;
}

// A context made for a window on a thread of its own while the clip opens, with the drawing of a
// picture compiled (the driver compiles it at the first draw: tens of milliseconds of the first
// picture's wait). The first presenter to draw into that window waits for it if need be and
// takes it over.
struct Prepared {
    std::mutex lock;
    std::condition_variable finished;
    std::thread worker;
    bool working = false;
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    unsigned texture = 0;
    unsigned framebuffer = 0;
    int textureWidth = 0;
    int textureHeight = 0;
};

// Lives to the end of the process: a thread still readying when it ends must not meet a
// destroyed (or, joinable, terminating) holder.
Prepared& prepared()
{
    static Prepared* p = new Prepared;
    return *p;
}

} // namespace

VideoPresenter::~VideoPresenter()
{
    // release() runs on the streaming thread; a context left here belongs to no thread.
    if (m_context)
        SDL_GL_DeleteContext(m_context);
}

bool VideoPresenter::ensureContext(SDL_Window* window)
{
    if (m_context && m_window == window)
        return SDL_GL_MakeCurrent(window, m_context) == 0;
    release();
    // A readied context exists only for a window ensureContextFor accepted.
    return adoptPrepared(window) || ensureContextFor(window);
}

bool VideoPresenter::ensureContextFor(SDL_Window* window)
{
    if (!(SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL))
        return false;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
    PlatformStartupMark("video context");
    m_context = SDL_GL_CreateContext(window);
    PlatformStartupMark("video context made");
    if (!m_context) {
        if (!m_failureLogged)
            Diagnostics::error("DirectShow", "no OpenGL context for the video: %s", SDL_GetError());
        m_failureLogged = true;
        return false;
    }
    m_window = window;
    static std::once_flag loaded;
    static bool complete = false;
    std::call_once(loaded, [] { complete = loadTable(g_gl); });
    if (!complete) {
        Diagnostics::error("DirectShow", "the OpenGL driver lacks a function the video needs");
        release();
        return false;
    }
    // Pictures are paced by the clip's clock, not by the display.
    SDL_GL_SetSwapInterval(0);
    g_gl.genTextures(1, &m_texture);
    g_gl.genFramebuffers(1, &m_framebuffer);
    return true;
}

bool VideoPresenter::adoptPrepared(SDL_Window* window)
{
    Prepared& ready = prepared();
    std::unique_lock<std::mutex> guard(ready.lock);
    if (ready.window != window)
        return false;
    ready.finished.wait(guard, [&ready] { return !ready.working; });
    if (!ready.context || ready.window != window)
        return false;
    if (SDL_GL_MakeCurrent(window, ready.context) != 0) {
        SDL_GL_DeleteContext(ready.context);
        ready.context = nullptr;
        ready.window = nullptr;
        return false;
    }
    m_context = ready.context;
    m_window = window;
    m_texture = ready.texture;
    m_framebuffer = ready.framebuffer;
    m_textureWidth = ready.textureWidth;
    m_textureHeight = ready.textureHeight;
    ready.context = nullptr;
    ready.window = nullptr;
    return true;
}

void VideoPresenter::prepare(HWND window)
{
    SDL_Window* sdl = Win32Internal::sdlWindowFor(window);
    if (!sdl)
        return;
    forgetPrepared();
    Prepared& ready = prepared();
    std::lock_guard<std::mutex> guard(ready.lock);
    ready.window = sdl;
    ready.working = true;
    try {
        ready.worker = std::thread([sdl] { prepareOn(sdl); });
    } catch (const std::system_error&) {
        // No thread: the first picture makes its context as without.
        ready.working = false;
        ready.window = nullptr;
    }
}

void VideoPresenter::prepareOn(SDL_Window* sdl)
{
    VideoPresenter presenter;
    if (presenter.ensureContextFor(sdl)) {
        // A picture stretched and turned as the clip's are, drawn into the back buffer that the
        // first real picture clears whole before anything is shown. Its sides are not powers
        // of two, as a clip's seldom are: the driver compiles the drawing anew for such sides.
        const uint32_t pixels[9] = {};
        presenter.draw(sdl, RECT{0, 0, 12, 12}, pixels, 3, 3, false);
        SDL_GL_MakeCurrent(nullptr, nullptr);
    }
    Prepared& ready = prepared();
    {
        std::lock_guard<std::mutex> guard(ready.lock);
        ready.context = presenter.m_context;
        ready.texture = presenter.m_texture;
        ready.framebuffer = presenter.m_framebuffer;
        ready.textureWidth = presenter.m_textureWidth;
        ready.textureHeight = presenter.m_textureHeight;
        ready.working = false;
    }
    PlatformStartupMark("video pictures prepared");
    ready.finished.notify_all();
    presenter.m_context = nullptr;
    presenter.m_window = nullptr;
}

void VideoPresenter::forgetPrepared()
{
    Prepared& ready = prepared();
    std::thread worker;
    {
        std::lock_guard<std::mutex> guard(ready.lock);
        worker = std::move(ready.worker);
    }
    if (worker.joinable())
        worker.join();
    std::lock_guard<std::mutex> guard(ready.lock);
    // Current nowhere: it was let go after the drawing, and no presenter took it.
    if (ready.context)
        SDL_GL_DeleteContext(ready.context);
    ready.context = nullptr;
    ready.window = nullptr;
}

void VideoPresenter::freeWindowSurface(HWND window)
{
    SDL_Window* sdl = Win32Internal::sdlWindowFor(window);
    if (sdl && SDL_GL_GetCurrentWindow() == sdl)
        SDL_GL_MakeCurrent(nullptr, nullptr);
}

void VideoPresenter::release()
{
    if (!m_context)
        return;
    if (SDL_GL_GetCurrentContext() == m_context) {
        g_gl.deleteTextures(1, &m_texture);
        g_gl.deleteFramebuffers(1, &m_framebuffer);
        if (m_captureTexture) {
            g_gl.deleteTextures(1, &m_captureTexture);
            g_gl.deleteFramebuffers(1, &m_captureFramebuffer);
        }
    }
    SDL_GL_MakeCurrent(nullptr, nullptr);
    SDL_GL_DeleteContext(m_context);
    m_context = nullptr;
    m_window = nullptr;
    m_texture = 0;
    m_framebuffer = 0;
    m_textureWidth = m_textureHeight = 0;
    m_captureTexture = m_captureFramebuffer = 0;
    m_captureWidth = m_captureHeight = 0;
}

bool VideoPresenter::present(HWND window, const RECT& target, const uint32_t* pixels, int width, int height)
{
    SDL_Window* sdl = Win32Internal::sdlWindowFor(window);
    if (!sdl || width <= 0 || height <= 0)
        return false;
    if (!ensureContext(sdl))
        return false;
    draw(sdl, target, pixels, width, height, true);
    SDL_GL_SwapWindow(sdl);
    PlatformStartupMark("video picture");
    // Current only while drawing: the window may be destroyed before the next picture.
    SDL_GL_MakeCurrent(nullptr, nullptr);
    return true;
}

void VideoPresenter::draw(SDL_Window* sdl, const RECT& target, const uint32_t* pixels, int width, int height,
                          bool mayCapture)
{
    g_gl.bindTexture(GL_TEXTURE_2D, m_texture);
    g_gl.pixelStorei(GL_UNPACK_ALIGNMENT, 4);
    if (width != m_textureWidth || height != m_textureHeight) {
        g_gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        g_gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        g_gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        g_gl.texImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
        m_textureWidth = width;
        m_textureHeight = height;
        g_gl.bindFramebuffer(GL_READ_FRAMEBUFFER, m_framebuffer);
        g_gl.framebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_texture, 0);
    } else {
        g_gl.texSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
    }

    int drawableWidth = 0, drawableHeight = 0;
    SDL_GL_GetDrawableSize(sdl, &drawableWidth, &drawableHeight);
    const bool capturing = mayCapture && captureState().on && drawableWidth > 0 && drawableHeight > 0;
    const GLuint drawTarget = capturing ? captureTarget(drawableWidth, drawableHeight) : 0;
    g_gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, drawTarget);
    if (!drawTarget)
        g_gl.drawBuffer(GL_BACK);
    g_gl.disable(GL_SCISSOR_TEST);
    g_gl.viewport(0, 0, drawableWidth, drawableHeight);
    g_gl.clearColor(0.0f, 0.0f, 0.0f, 1.0f);
    g_gl.clear(GL_COLOR_BUFFER_BIT);
    // The picture's top row is its first; the window's top row is its last.
    g_gl.bindFramebuffer(GL_READ_FRAMEBUFFER, m_framebuffer);
    g_gl.readBuffer(GL_COLOR_ATTACHMENT0);
    g_gl.blitFramebuffer(0, 0, width, height, target.left, drawableHeight - target.top, target.right,
                         drawableHeight - target.bottom, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    if (drawTarget) {
        capture(drawableWidth, drawableHeight);
        g_gl.bindFramebuffer(GL_READ_FRAMEBUFFER, drawTarget);
        g_gl.readBuffer(GL_COLOR_ATTACHMENT0);
        g_gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        g_gl.drawBuffer(GL_BACK);
        g_gl.blitFramebuffer(0, 0, drawableWidth, drawableHeight, 0, 0, drawableWidth, drawableHeight,
                             GL_COLOR_BUFFER_BIT, GL_NEAREST);
    }
}

unsigned VideoPresenter::captureTarget(int width, int height)
{
    if (!m_captureTexture) {
        g_gl.genTextures(1, &m_captureTexture);
        g_gl.genFramebuffers(1, &m_captureFramebuffer);
    }
    if (width != m_captureWidth || height != m_captureHeight) {
        g_gl.bindTexture(GL_TEXTURE_2D, m_captureTexture);
        g_gl.texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        g_gl.texImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
        g_gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, m_captureFramebuffer);
        g_gl.framebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_captureTexture, 0);
        m_captureWidth = width;
        m_captureHeight = height;
    }
    return m_captureFramebuffer;
}

void VideoPresenter::capture(int drawableWidth, int drawableHeight)
{
    const size_t count = static_cast<size_t>(drawableWidth) * static_cast<size_t>(drawableHeight);
    m_captureRows.resize(count);
    g_gl.bindFramebuffer(GL_READ_FRAMEBUFFER, m_captureFramebuffer);
    g_gl.readBuffer(GL_COLOR_ATTACHMENT0);
    g_gl.pixelStorei(GL_PACK_ALIGNMENT, 4);
    g_gl.readPixels(0, 0, drawableWidth, drawableHeight, GL_BGRA, GL_UNSIGNED_BYTE, m_captureRows.data());
    Capture& c = DShowInternal::captureState();
    std::lock_guard<std::mutex> guard(c.lock);
    c.pixels.resize(count);
    for (int y = 0; y < drawableHeight; ++y)
        std::copy_n(m_captureRows.data() + static_cast<size_t>(drawableHeight - 1 - y) * drawableWidth, drawableWidth,
                    c.pixels.data() + static_cast<size_t>(y) * drawableWidth);
    c.width = drawableWidth;
    c.height = drawableHeight;
    ++c.count;
}

} // namespace DShowInternal

void PlatformCaptureVideoFrames(bool on)
{
    DShowInternal::Capture& c = DShowInternal::captureState();
    std::lock_guard<std::mutex> guard(c.lock);
    c.on = on;
    c.pixels.clear();
    c.width = c.height = 0;
    c.count = 0;
}

void PlatformPrepareVideoPictures(HWND window)
{
    DShowInternal::VideoPresenter::prepare(window);
}

unsigned PlatformLastVideoFrame(std::vector<uint32_t>& pixels, int& width, int& height)
{
    DShowInternal::Capture& c = DShowInternal::captureState();
    std::lock_guard<std::mutex> guard(c.lock);
    pixels = c.pixels;
    width = c.width;
    height = c.height;
    return c.count;
}
