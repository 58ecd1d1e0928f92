// The least a program does to show its first frame on this machine: an SDL2 window with an
// OpenGL 3.3 core context, cleared to (51, 76, 102) and shown, left standing for a second so that
// the frame can be seen, then the end. bench/startup.py times it beside the game
// (STARTUP_REFERENCE) as the floor of the game's time to its first menu frame.
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/startup_reference [W H]
#include <SDL.h>
#include <GL/glcorearb.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    const int width = argc > 2 ? std::atoi(argv[1]) : 1280;
    const int height = argc > 2 ? std::atoi(argv[2]) : 1024;
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_Window* window = SDL_CreateWindow("reference", 0, 0, width, height, SDL_WINDOW_OPENGL);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    auto clearColor = reinterpret_cast<PFNGLCLEARCOLORPROC>(SDL_GL_GetProcAddress("glClearColor"));
    auto clear = reinterpret_cast<PFNGLCLEARPROC>(SDL_GL_GetProcAddress("glClear"));
    auto finish = reinterpret_cast<PFNGLFINISHPROC>(SDL_GL_GetProcAddress("glFinish"));
    if (!context || !clearColor || !clear || !finish) {
        std::fprintf(stderr, "no OpenGL 3.3 core context: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Event event;
    while (SDL_PollEvent(&event)) {}
    clearColor(0.2f, 0.3f, 0.4f, 1.0f);
    clear(GL_COLOR_BUFFER_BIT);
    SDL_GL_SwapWindow(window);
    finish();
    for (int i = 0; i < 100; ++i) {
        while (SDL_PollEvent(&event)) {}
        SDL_Delay(10);
    }
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
