#pragma once
// What the layer's own D3DX code (effects, sprites, render-to-surface) needs from the Direct3D
// device beyond the public interface: GL shader objects become IDirect3DVertexShader9 and
// IDirect3DPixelShader9, the GL context is made current, and the conventions the device's
// programs follow are shared.
//
// Conventions for GLSL the effect framework hands to the device:
// - Vertex inputs are named a_<SEMANTIC> (a_POSITION0, a_TEXCOORD1, ...) at the locations of
//   attributeLocation(); the device feeds them from the vertex declaration by usage.
// - Varyings are v_<SEMANTIC> in both stages (v_COLOR0, v_TEXCOORD0); pixel outputs o_COLORn at
//   location n.
// - Every vertex stage ends with `gl_Position = ulvoFixupPosition(position);` using the code of
//   vertexFixupGlsl() (y-flip, half-pixel offset, depth range, user clip planes); every pixel
//   stage passes its colour 0 through ulvoFixupColor() from pixelFixupGlsl() (alpha test and sRGB
//   write), which discards failing pixels. Those steps are compiled in only when the macros
//   ULVO_ALPHA_TEST / ULVO_SRGB_WRITE are defined: the device builds such variants from the
//   stage's `source` while the states are on.
// - Constant registers set with Set{Vertex,Pixel}ShaderConstant{F,I,B} reach `uniform vec4
//   ulvo_VSConst[256]` / `ulvo_PSConst[224]`, `ivec4 ulvo_VSConstI[16]` / `ulvo_PSConstI[16]` and
//   `bool ulvo_VSConstB[16]` / `ulvo_PSConstB[16]` when a program declares them.
// - Texture stage n of the fixed-function pixel stage samples unit n; sampler s of a shader
//   samples unit s (D3DVERTEXTEXTURESAMPLER0..3 are units 16..19): onLink sets the units.
#include <d3d9.h>

#include "d3d9/GLFunctions.h"

#include <functional>
#include <string>
#include <vector>

namespace D3D9Internal {

constexpr int kMaxVertexAttributes = 16;
// Location of the attribute for a declaration usage, or -1 for usages without one.
// POSITION/POSITIONT 0, BLENDWEIGHT 1, BLENDINDICES 2, NORMAL 3, COLOR0 4, COLOR1 5,
// TEXCOORD0..7 6..13, TANGENT 14, BINORMAL 15.
int attributeLocation(BYTE usage, BYTE usageIndex);
// "POSITION0", "TEXCOORD3", ... for a usage; the name an attribute or varying carries.
std::string semanticName(BYTE usage, BYTE usageIndex);

const char* vertexFixupGlsl();
const char* pixelFixupGlsl();

struct ShaderVarying {
    std::string name; // v_TEXCOORD0
    std::string type; // vec2
};

struct ShaderStageDesc {
    // The linked program that holds this stage (normally with the partner stage of the same
    // pass). A draw whose vertex and pixel shaders name the same program uses it as it is.
    GLuint program = 0;
    // This stage alone, compiled: the device links it with another stage (its own fixed-function
    // vertex stage for a pixel shader drawn with pre-transformed vertices, or a partner of
    // another program) when the pair differs. 0: the stage only runs inside `program`.
    GLuint shader = 0;
    // Pixel stages: the varyings they read; vertex stages: the varyings they write.
    std::vector<ShaderVarying> varyings;
    // Called with every program the device links around this stage, so samplers and uniform
    // blocks get their bindings.
    std::function<void(GLuint program)> onLink;
    // The shader object deletes `program` and `shader` on its final release.
    bool ownsGLObjects = true;
    // The GLSL of this stage alone, as `shader` and `program` were built from it (the plain variant);
    // the device compiles it again for other pixel variants or pairings. Empty: none are possible.
    // With neither `program` nor `shader`, the device compiles and links the stage from it when a
    // draw first uses it.
    std::string source;
    // Pixel stages: the GLSL sampler uniforms of `source` and the sampler stage each reads. Units
    // that hold the same texture and sampler states are then read once (see ProgramKey).
    std::vector<std::pair<std::string, DWORD>> samplers;
    // What `onLink` sets, as text: stages of the same texts and link keys share one GL program.
    std::string linkKey;
};

IDirect3DVertexShader9* createVertexShader(IDirect3DDevice9* device, ShaderStageDesc desc);
IDirect3DPixelShader9* createPixelShader(IDirect3DDevice9* device, ShaderStageDesc desc);

// Makes the device's GL context current on the calling thread; false for a foreign device.
bool makeCurrent(IDirect3DDevice9* device);
// Something outside the device changed the current GL program (or deleted it): the device binds
// its own again at the next draw.
void programBindingChanged(IDirect3DDevice9* device);
// How many GL programs the device has built for draws so far (tests check they are reused).
size_t programCount(IDirect3DDevice9* device);
// How many GL programs are linked for them (keys of the same stage texts share one).
size_t linkedProgramCount(IDirect3DDevice9* device);
// The GL program the next draw would use with the current shaders and vertex format (0 when
// none can be made). Effects use it to set their uniforms.
GLuint currentProgram(IDirect3DDevice9* device);
// The GL texture behind a texture or surface (0 for memory-only pools), with its target.
GLuint glTextureOf(IDirect3DBaseTexture9* texture, GLenum* target);
// Leaves the texels of a managed 2D texture nothing has written yet to `fill`, which runs when the
// texture is first used (sampled, locked, a level taken or copied); until then the texture holds
// no storage in GL or in memory. Pictures that are loaded but never shown thus cost nothing. The
// fill runs at once for any other texture; false when there is no texture.
bool deferTextureContent(IDirect3DTexture9* texture, std::function<void()> fill);
// CreateTexture for a texture whose texels deferTextureContent hands over right after: a managed
// one is made without GL storage or memory copies, which it would give back at once.
HRESULT createTextureAwaitingContent(IDirect3DDevice9* device, UINT width, UINT height, UINT levels, DWORD usage,
                                     D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** out);
// Features of the device's context.
const GLFeatures* glFeatures(IDirect3DDevice9* device);
// What the device's context has set; GL state others change goes through it (null for a
// foreign device).
class GLState;
GLState* glState(IDirect3DDevice9* device);

} // namespace D3D9Internal
