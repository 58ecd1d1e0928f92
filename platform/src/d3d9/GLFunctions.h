#pragma once
// The OpenGL 3.3 core entry points the Direct3D and D3DX layers use, loaded through SDL once a
// context exists. Names keep the GL spelling inside namespace GLFn, so they never collide with a
// driver's exported symbols; sources say `using namespace GLFn;`.
#include <GL/glcorearb.h>

#define ULVO_GL_FUNCTIONS(X)                                                                                           \
    X(PFNGLGETERRORPROC, glGetError)                                                                                   \
    X(PFNGLGETINTEGERVPROC, glGetIntegerv)                                                                             \
    X(PFNGLGETFLOATVPROC, glGetFloatv)                                                                                 \
    X(PFNGLGETSTRINGPROC, glGetString)                                                                                 \
    X(PFNGLGETSTRINGIPROC, glGetStringi)                                                                               \
    X(PFNGLENABLEPROC, glEnable)                                                                                       \
    X(PFNGLDISABLEPROC, glDisable)                                                                                     \
    X(PFNGLENABLEIPROC, glEnablei)                                                                                     \
    X(PFNGLDISABLEIPROC, glDisablei)                                                                                   \
    X(PFNGLFLUSHPROC, glFlush)                                                                                         \
    X(PFNGLFINISHPROC, glFinish)                                                                                       \
    X(PFNGLFENCESYNCPROC, glFenceSync)                                                                                 \
    X(PFNGLCLIENTWAITSYNCPROC, glClientWaitSync)                                                                       \
    X(PFNGLDELETESYNCPROC, glDeleteSync)                                                                               \
    X(PFNGLPIXELSTOREIPROC, glPixelStorei)                                                                             \
    X(PFNGLVIEWPORTPROC, glViewport)                                                                                   \
    X(PFNGLDEPTHRANGEPROC, glDepthRange)                                                                               \
    X(PFNGLSCISSORPROC, glScissor)                                                                                     \
    X(PFNGLCLEARCOLORPROC, glClearColor)                                                                               \
    X(PFNGLCLEARDEPTHPROC, glClearDepth)                                                                               \
    X(PFNGLCLEARSTENCILPROC, glClearStencil)                                                                           \
    X(PFNGLCLEARPROC, glClear)                                                                                         \
    X(PFNGLCLEARBUFFERFVPROC, glClearBufferfv)                                                                         \
    X(PFNGLCOLORMASKPROC, glColorMask)                                                                                 \
    X(PFNGLCOLORMASKIPROC, glColorMaski)                                                                               \
    X(PFNGLDEPTHMASKPROC, glDepthMask)                                                                                 \
    X(PFNGLDEPTHFUNCPROC, glDepthFunc)                                                                                 \
    X(PFNGLSTENCILMASKPROC, glStencilMask)                                                                             \
    X(PFNGLSTENCILFUNCSEPARATEPROC, glStencilFuncSeparate)                                                             \
    X(PFNGLSTENCILOPSEPARATEPROC, glStencilOpSeparate)                                                                 \
    X(PFNGLSTENCILMASKSEPARATEPROC, glStencilMaskSeparate)                                                             \
    X(PFNGLBLENDFUNCSEPARATEPROC, glBlendFuncSeparate)                                                                 \
    X(PFNGLBLENDEQUATIONSEPARATEPROC, glBlendEquationSeparate)                                                         \
    X(PFNGLBLENDCOLORPROC, glBlendColor)                                                                               \
    X(PFNGLCULLFACEPROC, glCullFace)                                                                                   \
    X(PFNGLFRONTFACEPROC, glFrontFace)                                                                                 \
    X(PFNGLPOLYGONMODEPROC, glPolygonMode)                                                                             \
    X(PFNGLPOLYGONOFFSETPROC, glPolygonOffset)                                                                         \
    X(PFNGLPROVOKINGVERTEXPROC, glProvokingVertex)                                                                     \
    X(PFNGLPOINTSIZEPROC, glPointSize)                                                                                 \
    X(PFNGLGENTEXTURESPROC, glGenTextures)                                                                             \
    X(PFNGLDELETETEXTURESPROC, glDeleteTextures)                                                                       \
    X(PFNGLBINDTEXTUREPROC, glBindTexture)                                                                             \
    X(PFNGLACTIVETEXTUREPROC, glActiveTexture)                                                                         \
    X(PFNGLTEXIMAGE2DPROC, glTexImage2D)                                                                               \
    X(PFNGLTEXIMAGE3DPROC, glTexImage3D)                                                                               \
    X(PFNGLTEXSUBIMAGE2DPROC, glTexSubImage2D)                                                                         \
    X(PFNGLTEXSUBIMAGE3DPROC, glTexSubImage3D)                                                                         \
    X(PFNGLCOMPRESSEDTEXIMAGE2DPROC, glCompressedTexImage2D)                                                           \
    X(PFNGLCOMPRESSEDTEXIMAGE3DPROC, glCompressedTexImage3D)                                                           \
    X(PFNGLCOMPRESSEDTEXSUBIMAGE2DPROC, glCompressedTexSubImage2D)                                                     \
    X(PFNGLCOMPRESSEDTEXSUBIMAGE3DPROC, glCompressedTexSubImage3D)                                                     \
    X(PFNGLGETTEXIMAGEPROC, glGetTexImage)                                                                             \
    X(PFNGLGETCOMPRESSEDTEXIMAGEPROC, glGetCompressedTexImage)                                                         \
    X(PFNGLTEXPARAMETERIPROC, glTexParameteri)                                                                         \
    X(PFNGLTEXPARAMETERIVPROC, glTexParameteriv)                                                                       \
    X(PFNGLGENERATEMIPMAPPROC, glGenerateMipmap)                                                                       \
    X(PFNGLGENSAMPLERSPROC, glGenSamplers)                                                                             \
    X(PFNGLDELETESAMPLERSPROC, glDeleteSamplers)                                                                       \
    X(PFNGLBINDSAMPLERPROC, glBindSampler)                                                                             \
    X(PFNGLSAMPLERPARAMETERIPROC, glSamplerParameteri)                                                                 \
    X(PFNGLSAMPLERPARAMETERFPROC, glSamplerParameterf)                                                                 \
    X(PFNGLSAMPLERPARAMETERFVPROC, glSamplerParameterfv)                                                               \
    X(PFNGLGENBUFFERSPROC, glGenBuffers)                                                                               \
    X(PFNGLDELETEBUFFERSPROC, glDeleteBuffers)                                                                         \
    X(PFNGLBINDBUFFERPROC, glBindBuffer)                                                                               \
    X(PFNGLBINDBUFFERBASEPROC, glBindBufferBase)                                                                       \
    X(PFNGLBUFFERDATAPROC, glBufferData)                                                                               \
    X(PFNGLBUFFERSUBDATAPROC, glBufferSubData)                                                                         \
    X(PFNGLMAPBUFFERRANGEPROC, glMapBufferRange)                                                                       \
    X(PFNGLUNMAPBUFFERPROC, glUnmapBuffer)                                                                             \
    X(PFNGLGENVERTEXARRAYSPROC, glGenVertexArrays)                                                                     \
    X(PFNGLDELETEVERTEXARRAYSPROC, glDeleteVertexArrays)                                                               \
    X(PFNGLBINDVERTEXARRAYPROC, glBindVertexArray)                                                                     \
    X(PFNGLENABLEVERTEXATTRIBARRAYPROC, glEnableVertexAttribArray)                                                     \
    X(PFNGLDISABLEVERTEXATTRIBARRAYPROC, glDisableVertexAttribArray)                                                   \
    X(PFNGLVERTEXATTRIBPOINTERPROC, glVertexAttribPointer)                                                             \
    X(PFNGLVERTEXATTRIBIPOINTERPROC, glVertexAttribIPointer)                                                           \
    X(PFNGLVERTEXATTRIBDIVISORPROC, glVertexAttribDivisor)                                                             \
    X(PFNGLVERTEXATTRIB4FPROC, glVertexAttrib4f)                                                                       \
    X(PFNGLDRAWARRAYSPROC, glDrawArrays)                                                                               \
    X(PFNGLDRAWARRAYSINSTANCEDPROC, glDrawArraysInstanced)                                                             \
    X(PFNGLDRAWELEMENTSBASEVERTEXPROC, glDrawElementsBaseVertex)                                                       \
    X(PFNGLDRAWELEMENTSINSTANCEDBASEVERTEXPROC, glDrawElementsInstancedBaseVertex)                                     \
    X(PFNGLGENFRAMEBUFFERSPROC, glGenFramebuffers)                                                                     \
    X(PFNGLDELETEFRAMEBUFFERSPROC, glDeleteFramebuffers)                                                               \
    X(PFNGLBINDFRAMEBUFFERPROC, glBindFramebuffer)                                                                     \
    X(PFNGLFRAMEBUFFERTEXTURE2DPROC, glFramebufferTexture2D)                                                           \
    X(PFNGLFRAMEBUFFERTEXTURELAYERPROC, glFramebufferTextureLayer)                                                     \
    X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, glCheckFramebufferStatus)                                                       \
    X(PFNGLDRAWBUFFERSPROC, glDrawBuffers)                                                                             \
    X(PFNGLDRAWBUFFERPROC, glDrawBuffer)                                                                               \
    X(PFNGLREADBUFFERPROC, glReadBuffer)                                                                               \
    X(PFNGLREADPIXELSPROC, glReadPixels)                                                                               \
    X(PFNGLBLITFRAMEBUFFERPROC, glBlitFramebuffer)                                                                     \
    X(PFNGLCREATESHADERPROC, glCreateShader)                                                                           \
    X(PFNGLDELETESHADERPROC, glDeleteShader)                                                                           \
    X(PFNGLSHADERSOURCEPROC, glShaderSource)                                                                           \
    X(PFNGLCOMPILESHADERPROC, glCompileShader)                                                                         \
    X(PFNGLGETSHADERIVPROC, glGetShaderiv)                                                                             \
    X(PFNGLGETSHADERINFOLOGPROC, glGetShaderInfoLog)                                                                   \
    X(PFNGLCREATEPROGRAMPROC, glCreateProgram)                                                                         \
    X(PFNGLDELETEPROGRAMPROC, glDeleteProgram)                                                                         \
    X(PFNGLATTACHSHADERPROC, glAttachShader)                                                                           \
    X(PFNGLDETACHSHADERPROC, glDetachShader)                                                                           \
    X(PFNGLLINKPROGRAMPROC, glLinkProgram)                                                                             \
    X(PFNGLGETPROGRAMIVPROC, glGetProgramiv)                                                                           \
    X(PFNGLGETPROGRAMINFOLOGPROC, glGetProgramInfoLog)                                                                 \
    X(PFNGLUSEPROGRAMPROC, glUseProgram)                                                                               \
    X(PFNGLISPROGRAMPROC, glIsProgram)                                                                                 \
    X(PFNGLBINDATTRIBLOCATIONPROC, glBindAttribLocation)                                                               \
    X(PFNGLBINDFRAGDATALOCATIONPROC, glBindFragDataLocation)                                                           \
    X(PFNGLGETUNIFORMLOCATIONPROC, glGetUniformLocation)                                                               \
    X(PFNGLGETUNIFORMBLOCKINDEXPROC, glGetUniformBlockIndex)                                                           \
    X(PFNGLUNIFORMBLOCKBINDINGPROC, glUniformBlockBinding)                                                             \
    X(PFNGLUNIFORM1IPROC, glUniform1i)                                                                                 \
    X(PFNGLUNIFORM1IVPROC, glUniform1iv)                                                                               \
    X(PFNGLUNIFORM1FPROC, glUniform1f)                                                                                 \
    X(PFNGLUNIFORM4FPROC, glUniform4f)                                                                                 \
    X(PFNGLUNIFORM4FVPROC, glUniform4fv)                                                                               \
    X(PFNGLUNIFORM4IVPROC, glUniform4iv)                                                                               \
    X(PFNGLUNIFORMMATRIX4FVPROC, glUniformMatrix4fv)

// Present only when the driver has the extension (checked after loading).
#define ULVO_GL_OPTIONAL_FUNCTIONS(X)                                                                                  \
    X(PFNGLCLIPCONTROLPROC, glClipControl)                                                                             \
    X(PFNGLPUSHDEBUGGROUPPROC, glPushDebugGroup)                                                                       \
    X(PFNGLPOPDEBUGGROUPPROC, glPopDebugGroup)                                                                         \
    X(PFNGLDEBUGMESSAGEINSERTPROC, glDebugMessageInsert)                                                               \
    X(PFNGLGENQUERIESPROC, glGenQueries)                                                                               \
    X(PFNGLDELETEQUERIESPROC, glDeleteQueries)                                                                         \
    X(PFNGLBEGINQUERYPROC, glBeginQuery)                                                                               \
    X(PFNGLENDQUERYPROC, glEndQuery)                                                                                   \
    X(PFNGLGETQUERYOBJECTUI64VPROC, glGetQueryObjectui64v)                                                             \
    X(PFNGLCLEARTEXIMAGEPROC, glClearTexImage)

namespace GLFn {
#define ULVO_GL_DECLARE(type, name) extern type name;
ULVO_GL_FUNCTIONS(ULVO_GL_DECLARE)
ULVO_GL_OPTIONAL_FUNCTIONS(ULVO_GL_DECLARE)
#undef ULVO_GL_DECLARE
} // namespace GLFn

namespace D3D9Internal {

// What the current context offers beyond GL 3.3 core.
struct GLFeatures {
    bool clipControl = false;       // GL_ARB_clip_control: 0..1 depth without a shader fix-up
    bool debugGroups = false;       // GL_KHR_debug on a debug context
    bool s3tc = false;              // GL_EXT_texture_compression_s3tc
    bool anisotropic = false;       // GL_EXT/ARB_texture_filter_anisotropic
    bool mirrorClampToEdge = false; // GL_ARB/EXT_texture_mirror_clamp(_to_edge)
    bool clearTexture = false;      // GL_ARB_clear_texture: storage zeroed without data passed in
    float maxAnisotropy = 1.0f;
    float maxPointSize = 1.0f; // the largest side gl_PointSize is drawn at
};

// Loads every entry point with SDL_GL_GetProcAddress; needs a current context. False (logged)
// when a required function is missing. Later calls only re-read the features.
bool loadGLFunctions(GLFeatures& features);

} // namespace D3D9Internal
