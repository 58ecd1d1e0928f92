#pragma once
// The OpenGL 3.3 core functions the plain reference programs of the benchmarks call, loaded through
// SDL2 for a context of their own, and the compile-and-link step they share.
#include <SDL.h>
#include <GL/glcorearb.h>

#define ULVO_PLAIN_GL(X)                                                                                               \
    X(PFNGLGENFRAMEBUFFERSPROC, glGenFramebuffers)                                                                     \
    X(PFNGLBINDFRAMEBUFFERPROC, glBindFramebuffer)                                                                     \
    X(PFNGLFRAMEBUFFERTEXTURE2DPROC, glFramebufferTexture2D)                                                           \
    X(PFNGLFRAMEBUFFERRENDERBUFFERPROC, glFramebufferRenderbuffer)                                                     \
    X(PFNGLGENRENDERBUFFERSPROC, glGenRenderbuffers)                                                                   \
    X(PFNGLBINDRENDERBUFFERPROC, glBindRenderbuffer)                                                                   \
    X(PFNGLRENDERBUFFERSTORAGEPROC, glRenderbufferStorage)                                                             \
    X(PFNGLGENTEXTURESPROC, glGenTextures)                                                                             \
    X(PFNGLBINDTEXTUREPROC, glBindTexture)                                                                             \
    X(PFNGLTEXIMAGE2DPROC, glTexImage2D)                                                                               \
    X(PFNGLTEXPARAMETERIPROC, glTexParameteri)                                                                         \
    X(PFNGLGENSAMPLERSPROC, glGenSamplers)                                                                             \
    X(PFNGLSAMPLERPARAMETERIPROC, glSamplerParameteri)                                                                 \
    X(PFNGLBINDSAMPLERPROC, glBindSampler)                                                                             \
    X(PFNGLCREATESHADERPROC, glCreateShader)                                                                           \
    X(PFNGLSHADERSOURCEPROC, glShaderSource)                                                                           \
    X(PFNGLCOMPILESHADERPROC, glCompileShader)                                                                         \
    X(PFNGLCREATEPROGRAMPROC, glCreateProgram)                                                                         \
    X(PFNGLATTACHSHADERPROC, glAttachShader)                                                                           \
    X(PFNGLLINKPROGRAMPROC, glLinkProgram)                                                                             \
    X(PFNGLGETPROGRAMIVPROC, glGetProgramiv)                                                                           \
    X(PFNGLUSEPROGRAMPROC, glUseProgram)                                                                               \
    X(PFNGLGETUNIFORMLOCATIONPROC, glGetUniformLocation)                                                               \
    X(PFNGLUNIFORMMATRIX4FVPROC, glUniformMatrix4fv)                                                                   \
    X(PFNGLUNIFORM4FPROC, glUniform4f)                                                                                 \
    X(PFNGLUNIFORM1FPROC, glUniform1f)                                                                                 \
    X(PFNGLUNIFORM2FPROC, glUniform2f)                                                                                 \
    X(PFNGLUNIFORM3FPROC, glUniform3f)                                                                                 \
    X(PFNGLUNIFORM1IPROC, glUniform1i)                                                                                 \
    X(PFNGLGENVERTEXARRAYSPROC, glGenVertexArrays)                                                                     \
    X(PFNGLBINDVERTEXARRAYPROC, glBindVertexArray)                                                                     \
    X(PFNGLGENBUFFERSPROC, glGenBuffers)                                                                               \
    X(PFNGLBINDBUFFERPROC, glBindBuffer)                                                                               \
    X(PFNGLBUFFERDATAPROC, glBufferData)                                                                               \
    X(PFNGLENABLEVERTEXATTRIBARRAYPROC, glEnableVertexAttribArray)                                                     \
    X(PFNGLVERTEXATTRIBPOINTERPROC, glVertexAttribPointer)                                                             \
    X(PFNGLVIEWPORTPROC, glViewport)                                                                                   \
    X(PFNGLCLEARCOLORPROC, glClearColor)                                                                               \
    X(PFNGLCLEARPROC, glClear)                                                                                         \
    X(PFNGLENABLEPROC, glEnable)                                                                                       \
    X(PFNGLDISABLEPROC, glDisable)                                                                                     \
    X(PFNGLCULLFACEPROC, glCullFace)                                                                                   \
    X(PFNGLFRONTFACEPROC, glFrontFace)                                                                                 \
    X(PFNGLDRAWBUFFERPROC, glDrawBuffer)                                                                               \
    X(PFNGLREADBUFFERPROC, glReadBuffer)                                                                               \
    X(PFNGLDRAWARRAYSPROC, glDrawArrays)                                                                               \
    X(PFNGLREADPIXELSPROC, glReadPixels)                                                                               \
    X(PFNGLBLITFRAMEBUFFERPROC, glBlitFramebuffer)                                                                     \
    X(PFNGLACTIVETEXTUREPROC, glActiveTexture)

namespace BenchSupport {

struct PlainGL {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;

#define ULVO_PLAIN_DECLARE(type, name) type name = nullptr;
    ULVO_PLAIN_GL(ULVO_PLAIN_DECLARE)
#undef ULVO_PLAIN_DECLARE

    // Every function, for the context current now; false when one is missing.
    bool load()
    {
        bool complete = true;
#define ULVO_PLAIN_LOAD(type, name)                                                                                    \
    name = reinterpret_cast<type>(SDL_GL_GetProcAddress(#name));                                                       \
    complete = complete && name;
        ULVO_PLAIN_GL(ULVO_PLAIN_LOAD)
#undef ULVO_PLAIN_LOAD
        return complete;
    }

    // A hidden window of its own with a GL 3.3 core context, made current, and every function
    // loaded; close() puts back the context that was current before (an engine's device).
    bool open(const char* title, int w, int h)
    {
        m_previousWindow = SDL_GL_GetCurrentWindow();
        m_previousContext = SDL_GL_GetCurrentContext();
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        window = SDL_CreateWindow(title, 0, 0, w, h, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        context = window ? SDL_GL_CreateContext(window) : nullptr;
        return context && load();
    }

    void close()
    {
        if (context)
            SDL_GL_DeleteContext(context);
        if (window)
            SDL_DestroyWindow(window);
        context = nullptr;
        window = nullptr;
        if (m_previousContext)
            SDL_GL_MakeCurrent(m_previousWindow, m_previousContext);
    }

    // A function outside the list; null when the driver lacks it.
    template <class Function> Function extra(const char* name)
    {
        return reinterpret_cast<Function>(SDL_GL_GetProcAddress(name));
    }

    GLuint shader(GLenum kind, const char* text)
    {
        const GLuint id = glCreateShader(kind);
        glShaderSource(id, 1, &text, nullptr);
        glCompileShader(id);
        return id;
    }

    // 0 when the program does not link.
    GLuint program(const char* vertex, const char* fragment)
    {
        const GLuint id = glCreateProgram();
        glAttachShader(id, shader(GL_VERTEX_SHADER, vertex));
        glAttachShader(id, shader(GL_FRAGMENT_SHADER, fragment));
        glLinkProgram(id);
        GLint linked = 0;
        glGetProgramiv(id, GL_LINK_STATUS, &linked);
        return linked ? id : 0;
    }

private:
    SDL_Window* m_previousWindow = nullptr;
    SDL_GLContext m_previousContext = nullptr;
};

} // namespace BenchSupport
