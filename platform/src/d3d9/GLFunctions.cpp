// Entry points of OpenGL, fetched from the driver SDL loaded.
#include "d3d9/GLFunctions.h"
#include "common/Diagnostics.h"

#include <SDL.h>

#include <cstring>

namespace GLFn {
#define ULVO_GL_DEFINE(type, name) type name = nullptr;
ULVO_GL_FUNCTIONS(ULVO_GL_DEFINE)
ULVO_GL_OPTIONAL_FUNCTIONS(ULVO_GL_DEFINE)
#undef ULVO_GL_DEFINE
} // namespace GLFn

namespace D3D9Internal {

namespace {

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
    features.debugGroups = GLFn::glPushDebugGroup && GLFn::glPopDebugGroup && hasExtension("GL_KHR_debug");
    features.s3tc = hasExtension("GL_EXT_texture_compression_s3tc");
    features.anisotropic =
        hasExtension("GL_EXT_texture_filter_anisotropic") || hasExtension("GL_ARB_texture_filter_anisotropic");
    if (features.anisotropic) {
        GLfloat maxAniso = 1.0f;
        GLFn::glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY, &maxAniso);
        features.maxAnisotropy = maxAniso < 1.0f ? 1.0f : maxAniso;
    }
    features.mirrorClampToEdge = hasExtension("GL_ARB_texture_mirror_clamp_to_edge") ||
                                 hasExtension("GL_EXT_texture_mirror_clamp") ||
                                 hasExtension("GL_ATI_texture_mirror_once");
    return true;
}

} // namespace D3D9Internal
