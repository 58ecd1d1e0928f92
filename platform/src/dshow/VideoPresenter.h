#pragma once
// Draws decoded pictures into a window of this layer with an OpenGL context of its own. It
// lives on the graph's streaming thread: the context is current only while a picture is
// drawn, so the window may go away between two pictures (the caller serialises that).
#include <windows.h>

#include <SDL.h>

#include <cstdint>
#include <vector>

namespace DShowInternal {

class VideoPresenter {
public:
    VideoPresenter() = default;
    ~VideoPresenter(); // call release() on the streaming thread before
    VideoPresenter(const VideoPresenter&) = delete;
    VideoPresenter& operator=(const VideoPresenter&) = delete;

    // Draws the picture (width x height BGRA pixels) stretched over `target` (client
    // coordinates) of the window, black around it. False when nothing could be drawn.
    bool present(HWND window, const RECT& target, const uint32_t* pixels, int width, int height);
    // Frees the context and its objects; needs no window.
    void release();
    // A window's surface can be current on one thread only: the calling thread lets go of
    // the window's surface if it holds it (a Direct3D device binds it again when it draws).
    static void freeWindowSurface(HWND window);
    // Makes a context for the window on a thread of its own and draws a picture there where
    // nothing shows it, so that the first presenter drawing into that window takes over (waiting
    // for it if need be) a context whose drawing is compiled. forgetPrepared() waits for that
    // thread and lets go of a context no presenter took (PlatformLetGoOfVideoLibraries calls it).
    static void prepare(HWND window);
    static void forgetPrepared();

private:
    static void prepareOn(SDL_Window* window);
    // The context for the window: the one held, the one prepared for it, or a new one.
    bool ensureContext(SDL_Window* window);
    // A new context for the window, current on this thread.
    bool ensureContextFor(SDL_Window* window);
    bool adoptPrepared(SDL_Window* window);
    // What present() draws, without showing it; the test capture only when mayCapture.
    void draw(SDL_Window* sdl, const RECT& target, const uint32_t* pixels, int width, int height, bool mayCapture);
    // While tests capture, the picture is drawn into a target of the window's size first, so
    // what the window shows can be read whatever the window's surface keeps.
    unsigned captureTarget(int width, int height);
    void capture(int drawableWidth, int drawableHeight);

    SDL_Window* m_window = nullptr; // the window the context was made for
    SDL_GLContext m_context = nullptr;
    unsigned m_texture = 0;
    unsigned m_framebuffer = 0;
    int m_textureWidth = 0;
    int m_textureHeight = 0;
    unsigned m_captureTexture = 0;
    unsigned m_captureFramebuffer = 0;
    int m_captureWidth = 0;
    int m_captureHeight = 0;
    std::vector<uint32_t> m_captureRows;
    bool m_failureLogged = false;
};

} // namespace DShowInternal
