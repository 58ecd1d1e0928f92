// The least a program needs to hold what the game's frame holds on this machine's driver: an
// SDL2 window with an OpenGL 3.3 core context and the same render targets, each drawn into
// once and shown. Its peak resident size is the floor the game's own share is measured
// against (bench/memory_peak.py prints the game's). Run inside a virtual X server:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/memory_reference [W H [TARGETS]]
// W H is the window (1280 1024); TARGETS lists further targets as WxH (8-bit RGBA) or WxHd
// (depth and stencil), by default those of the game on that screen: the back buffer and its
// depth-stencil surface at the window's size, and five colour targets and one depth-stencil
// surface at 1024x768 (post effects, forward renderer, the board's picture).
#include <SDL.h>
#include <GL/glcorearb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Gl {
    PFNGLGENTEXTURESPROC genTextures;
    PFNGLBINDTEXTUREPROC bindTexture;
    PFNGLTEXIMAGE2DPROC texImage2D;
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
    PFNGLFRAMEBUFFERTEXTURE2DPROC framebufferTexture2D;
    PFNGLCLEARCOLORPROC clearColor;
    PFNGLCLEARPROC clear;
    PFNGLVIEWPORTPROC viewport;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer;
    PFNGLFINISHPROC finish;
};

template <class F> bool load(F& f, const char* name)
{
    f = reinterpret_cast<F>(SDL_GL_GetProcAddress(name));
    return f != nullptr;
}

int peakMegabytes()
{
    FILE* status = std::fopen("/proc/self/status", "r");
    char line[256];
    int kb = 0;
    while (status && std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0)
            kb = std::atoi(line + 6);
    }
    if (status)
        std::fclose(status);
    return kb / 1024;
}

struct Target {
    int width, height;
    bool depth;
};

} // namespace

int main(int argc, char** argv)
{
    int width = argc > 2 ? std::atoi(argv[1]) : 1280;
    int height = argc > 2 ? std::atoi(argv[2]) : 1024;
    std::vector<Target> targets;
    for (int i = 3; i < argc; ++i) {
        Target t{};
        char kind = 0;
        if (std::sscanf(argv[i], "%dx%d%c", &t.width, &t.height, &kind) >= 2) {
            t.depth = kind == 'd';
            targets.push_back(t);
        }
    }
    if (argc <= 3)
        targets = {{width, height, false}, {width, height, true}, {1024, 768, false}, {1024, 768, false},
                   {1024, 768, false},     {1024, 768, false},    {1024, 768, false}, {1024, 768, true}};
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_Window* window = SDL_CreateWindow("reference", 0, 0, width, height, SDL_WINDOW_OPENGL);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    Gl gl{};
    if (!context || !load(gl.genTextures, "glGenTextures") || !load(gl.bindTexture, "glBindTexture") ||
        !load(gl.texImage2D, "glTexImage2D") || !load(gl.genFramebuffers, "glGenFramebuffers") ||
        !load(gl.bindFramebuffer, "glBindFramebuffer") || !load(gl.framebufferTexture2D, "glFramebufferTexture2D") ||
        !load(gl.clearColor, "glClearColor") || !load(gl.clear, "glClear") || !load(gl.viewport, "glViewport") ||
        !load(gl.blitFramebuffer, "glBlitFramebuffer") || !load(gl.finish, "glFinish")) {
        std::fprintf(stderr, "no OpenGL 3.3 core context: %s\n", SDL_GetError());
        return 1;
    }
    // Each colour target gets a framebuffer (with the depth-stencil surface of its size, if one
    // is listed) and is cleared, so the driver holds its storage as the game's do.
    std::vector<GLuint> framebuffers;
    for (const Target& t : targets) {
        GLuint texture = 0;
        gl.genTextures(1, &texture);
        gl.bindTexture(GL_TEXTURE_2D, texture);
        if (t.depth)
            gl.texImage2D(GL_TEXTURE_2D, 0, GL_DEPTH24_STENCIL8, t.width, t.height, 0, GL_DEPTH_STENCIL,
                          GL_UNSIGNED_INT_24_8, nullptr);
        else
            gl.texImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, t.width, t.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        GLuint framebuffer = 0;
        gl.genFramebuffers(1, &framebuffer);
        gl.bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        gl.framebufferTexture2D(GL_FRAMEBUFFER, t.depth ? GL_DEPTH_STENCIL_ATTACHMENT : GL_COLOR_ATTACHMENT0,
                                GL_TEXTURE_2D, texture, 0);
        gl.viewport(0, 0, t.width, t.height);
        gl.clearColor(0.2f, 0.3f, 0.4f, 1.0f);
        gl.clear(t.depth ? GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT : GL_COLOR_BUFFER_BIT);
        framebuffers.push_back(framebuffer);
    }
    // A few frames: the first target shown on the window, as the game presents its back buffer.
    for (int frame = 0; frame < 40; ++frame) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {}
        gl.bindFramebuffer(GL_READ_FRAMEBUFFER, framebuffers.empty() ? 0 : framebuffers[0]);
        gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        gl.blitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        SDL_GL_SwapWindow(window);
        SDL_Delay(25);
    }
    gl.finish();
    std::printf("reference peak %d MB (%zu targets, window %dx%d)\n", peakMegabytes(), targets.size(), width, height);
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
