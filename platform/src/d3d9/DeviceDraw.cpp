// Drawing: GL state from the D3D state, vertex input, programs and their uniforms, draws and
// clears.
#include "d3d9/Device.h"
#include "common/Diagnostics.h"

#include <d3dx9math.h>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace GLFn;

namespace D3D9Internal {

namespace {

GLenum blendFactor(DWORD blend)
{
    switch (blend) {
    case D3DBLEND_ZERO:
        return GL_ZERO;
    case D3DBLEND_ONE:
        return GL_ONE;
    case D3DBLEND_SRCCOLOR:
        return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
        return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
        return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
        return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
        return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
        return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
        return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
        return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT:
        return GL_SRC_ALPHA_SATURATE;
    case D3DBLEND_BLENDFACTOR:
        return GL_CONSTANT_COLOR;
    case D3DBLEND_INVBLENDFACTOR:
        return GL_ONE_MINUS_CONSTANT_COLOR;
    default:
        return GL_ONE;
    }
}

// A blend factor with the destination's alpha taken as 1.
GLenum opaqueDestination(GLenum factor)
{
    switch (factor) {
    case GL_DST_ALPHA:
        return GL_ONE;
    case GL_ONE_MINUS_DST_ALPHA:
    case GL_SRC_ALPHA_SATURATE:
        return GL_ZERO;
    default:
        return factor;
    }
}

// D3DBLEND_BOTHSRCALPHA and BOTHINVSRCALPHA set both factors from the source one.
void blendPair(DWORD src, DWORD dst, GLenum& glSrc, GLenum& glDst)
{
    if (src == D3DBLEND_BOTHSRCALPHA) {
        glSrc = GL_SRC_ALPHA;
        glDst = GL_ONE_MINUS_SRC_ALPHA;
    } else if (src == D3DBLEND_BOTHINVSRCALPHA) {
        glSrc = GL_ONE_MINUS_SRC_ALPHA;
        glDst = GL_SRC_ALPHA;
    } else {
        glSrc = blendFactor(src);
        glDst = blendFactor(dst);
    }
}

GLenum blendEquation(DWORD op)
{
    switch (op) {
    case D3DBLENDOP_SUBTRACT:
        return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT:
        return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN:
        return GL_MIN;
    case D3DBLENDOP_MAX:
        return GL_MAX;
    default:
        return GL_FUNC_ADD;
    }
}

GLenum compareFunc(DWORD func)
{
    switch (func) {
    case D3DCMP_NEVER:
        return GL_NEVER;
    case D3DCMP_LESS:
        return GL_LESS;
    case D3DCMP_EQUAL:
        return GL_EQUAL;
    case D3DCMP_LESSEQUAL:
        return GL_LEQUAL;
    case D3DCMP_GREATER:
        return GL_GREATER;
    case D3DCMP_NOTEQUAL:
        return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL:
        return GL_GEQUAL;
    default:
        return GL_ALWAYS;
    }
}

GLenum stencilOp(DWORD op)
{
    switch (op) {
    case D3DSTENCILOP_ZERO:
        return GL_ZERO;
    case D3DSTENCILOP_REPLACE:
        return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT:
        return GL_INCR;
    case D3DSTENCILOP_DECRSAT:
        return GL_DECR;
    case D3DSTENCILOP_INVERT:
        return GL_INVERT;
    case D3DSTENCILOP_INCR:
        return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR:
        return GL_DECR_WRAP;
    default:
        return GL_KEEP;
    }
}

GLenum addressMode(DWORD mode, bool mirrorClamp)
{
    switch (mode) {
    case D3DTADDRESS_MIRROR:
        return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
        return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
        return GL_CLAMP_TO_BORDER;
    case D3DTADDRESS_MIRRORONCE:
        return mirrorClamp ? GL_MIRROR_CLAMP_TO_EDGE : GL_MIRRORED_REPEAT;
    default:
        return GL_REPEAT;
    }
}

// GL_POINTS is 0, the same as GL_NONE: an unknown type needs a value of its own.
constexpr GLenum kNoPrimitiveMode = ~GLenum(0);

GLenum primitiveMode(D3DPRIMITIVETYPE type)
{
    switch (type) {
    case D3DPT_POINTLIST:
        return GL_POINTS;
    case D3DPT_LINELIST:
        return GL_LINES;
    case D3DPT_LINESTRIP:
        return GL_LINE_STRIP;
    case D3DPT_TRIANGLELIST:
        return GL_TRIANGLES;
    case D3DPT_TRIANGLESTRIP:
        return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN:
        return GL_TRIANGLE_FAN;
    default:
        return kNoPrimitiveMode;
    }
}

// Vertices a primitive count takes; 0 for an unknown type.
UINT vertexCount(D3DPRIMITIVETYPE type, UINT primitives)
{
    switch (type) {
    case D3DPT_POINTLIST:
        return primitives;
    case D3DPT_LINELIST:
        return primitives * 2;
    case D3DPT_LINESTRIP:
        return primitives + 1;
    case D3DPT_TRIANGLELIST:
        return primitives * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
        return primitives + 2;
    default:
        return 0;
    }
}

void colorToFloats(D3DCOLOR c, float out[4])
{
    out[0] = static_cast<float>((c >> 16) & 0xFF) / 255.0f;
    out[1] = static_cast<float>((c >> 8) & 0xFF) / 255.0f;
    out[2] = static_cast<float>(c & 0xFF) / 255.0f;
    out[3] = static_cast<float>((c >> 24) & 0xFF) / 255.0f;
}

// What a software rasteriser (Mesa's llvmpipe, measured) keeps for each draw it has been given
// and not yet drawn: after any change reaching the pixel stage, a copy of the whole pixel state
// (over 32 KB of texture, sampler and constant descriptions, so a 64 KB block of its own); each
// triangle's set-up (200-600 bytes by its varyings); a command in each 64-pixel tile the draw
// may touch. A frame of a few large draws with one state stays one batch; a GUI whose every
// quad changes the texture is cut every sixty draws or so. Each hand-over wakes every rasteriser
// thread from the drawing thread: at a megabyte a batch, a scene of 50,000 triangles was handed
// over fifteen times a frame and the waking cost that thread 2-3 ms; at four it is a few times.
constexpr uint64_t kPixelStateBytes = 64 * 1024;
constexpr uint64_t kPrimitiveBytes = 320;
constexpr uint64_t kDrawBytes = 256;
constexpr uint64_t kTileBytes = 24;
constexpr LONG kTileSize = 64;
constexpr uint64_t kBatchBytes = 64 * kPixelStateBytes;
// A whole clear is handed over on its own from this many tiles (512 x 512 pixels): below that,
// waking the rasteriser's threads once more costs about what the overlap gains.
constexpr uint64_t kClearHandOverTiles = 64;

// Tiles of the rasteriser's grid a rectangle touches.
uint64_t tilesIn(LONG left, LONG top, LONG right, LONG bottom)
{
    if (right <= left || bottom <= top)
        return 0;
    const auto span = [](LONG from, LONG to) {
        return static_cast<uint64_t>((to - 1) / kTileSize - from / kTileSize + 1);
    };
    return span(std::max<LONG>(left, 0), right) * span(std::max<LONG>(top, 0), bottom);
}

bool readsTexture(DWORD op, DWORD arg1, DWORD arg2, DWORD arg0)
{
    auto texture = [](DWORD arg) { return (arg & D3DTA_SELECTMASK) == D3DTA_TEXTURE; };
    switch (op) {
    case D3DTOP_SELECTARG1:
        return texture(arg1);
    case D3DTOP_SELECTARG2:
        return texture(arg2);
    case D3DTOP_BLENDTEXTUREALPHA:
    case D3DTOP_BLENDTEXTUREALPHAPM:
        return true;
    case D3DTOP_MULTIPLYADD:
    case D3DTOP_LERP:
        return texture(arg1) || texture(arg2) || texture(arg0);
    default:
        return texture(arg1) || texture(arg2);
    }
}

UINT componentCount(BYTE type)
{
    switch (type) {
    case D3DDECLTYPE_FLOAT1:
        return 1;
    case D3DDECLTYPE_FLOAT2:
    case D3DDECLTYPE_SHORT2:
    case D3DDECLTYPE_SHORT2N:
    case D3DDECLTYPE_USHORT2N:
    case D3DDECLTYPE_FLOAT16_2:
        return 2;
    case D3DDECLTYPE_FLOAT3:
    case D3DDECLTYPE_UDEC3:
    case D3DDECLTYPE_DEC3N:
        return 3;
    default:
        return 4;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Scenes

HRESULT Device::BeginScene()
{
    // D3D refuses a nested BeginScene; the engine's surface renderers nest, so depth is counted.
    // A frame hands its work to the driver at the same draws every time: where the rasteriser's
    // work is split can move a blended or interpolated value by a step.
    if (m_sceneDepth++ == 0)
        m_queuedBytes = 0;
    if (m_sceneDepth == 1 && ++m_scenesSinceSweep >= BaseTextureObject::kSweepScenes) {
        m_scenesSinceSweep = 0;
        evictManagedTextures(true);
    }
    return D3D_OK;
}

HRESULT Device::EndScene()
{
    if (m_sceneDepth == 0)
        return D3DERR_INVALIDCALL;
    --m_sceneDepth;
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// GL state

void Device::applyFramebuffer()
{
    m_gl.bindFramebuffer(GL_FRAMEBUFFER, m_drawFramebuffer);
    m_dirty &= ~kDirtyFramebuffer;
    if (!m_attachmentsDirty)
        return;
    m_attachmentsDirty = false;
    // Only attachments that differ are sent: passes switch between a few targets.
    bool changed = false;
    GLenum buffers[kMaxRenderTargets];
    for (int i = 0; i < kMaxRenderTargets; ++i) {
        Surface* target = m_renderTargets[i];
        const bool image = target && target->glTexture();
        changed |= m_gl.attachColour(i, image ? target->imageTarget() : GL_TEXTURE_2D, image ? target->glTexture() : 0,
                                     image ? target->glLevel() : 0);
        buffers[i] = image ? GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(i) : GL_NONE;
    }
    changed |= m_gl.drawBuffers(buffers);
    const bool depth = m_depthStencil && m_depthStencil->glTexture();
    changed |= m_gl.attachDepthStencil(depth ? m_depthStencil->imageTarget() : GL_TEXTURE_2D,
                                       depth ? m_depthStencil->glTexture() : 0, depth ? m_depthStencil->glLevel() : 0,
                                       depth && m_depthStencil->info().stencil);
    if (changed) {
        GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
        if (status != GL_FRAMEBUFFER_COMPLETE)
            Diagnostics::error("Direct3D", "the render targets do not form a complete framebuffer (0x%x)", status);
    }
    // Depth and stencil tests depend on what is attached.
    m_dirty |= kDirtyDepthStencil | kDirtyRaster;
}

void Device::applyViewportAndScissor()
{
    const D3DVIEWPORT9& v = m_state.viewport;
    m_gl.viewport(static_cast<GLint>(v.X), static_cast<GLint>(v.Y), static_cast<GLsizei>(v.Width),
                  static_cast<GLsizei>(v.Height));
    m_gl.depthRange(v.MinZ, v.MaxZ);
    // A rectangle reaching past the top left keeps its right and bottom edges.
    const RECT& s = m_state.scissor;
    const LONG left = std::max<LONG>(0, s.left), top = std::max<LONG>(0, s.top);
    m_gl.scissor(left, top, std::max<LONG>(0, s.right - left), std::max<LONG>(0, s.bottom - top));
    m_dirty &= ~kDirtyViewport;
}

void Device::applyRenderStates()
{
    const DWORD* rs = m_state.renderStates;
    if (m_dirty & kDirtyBlend) {
        if (rs[D3DRS_ALPHABLENDENABLE]) {
            m_gl.enable(GL_BLEND, true);
            GLenum src, dst, srcAlpha, dstAlpha;
            blendPair(rs[D3DRS_SRCBLEND], rs[D3DRS_DESTBLEND], src, dst);
            GLenum op = blendEquation(rs[D3DRS_BLENDOP]), opAlpha = op;
            if (rs[D3DRS_SEPARATEALPHABLENDENABLE]) {
                blendPair(rs[D3DRS_SRCBLENDALPHA], rs[D3DRS_DESTBLENDALPHA], srcAlpha, dstAlpha);
                opAlpha = blendEquation(rs[D3DRS_BLENDOPALPHA]);
            } else {
                srcAlpha = src;
                dstAlpha = dst;
            }
            if (m_renderTargets[0] && storesUnusedAlpha(m_renderTargets[0]->info())) {
                // The target's format has no alpha: D3D blends as if it were 1.
                for (GLenum* factor : {&src, &dst, &srcAlpha, &dstAlpha})
                    *factor = opaqueDestination(*factor);
            }
            m_gl.blendFunc(src, dst, srcAlpha, dstAlpha);
            m_gl.blendEquation(op, opAlpha);
            float factor[4];
            colorToFloats(rs[D3DRS_BLENDFACTOR], factor);
            m_gl.blendColor(factor);
        } else {
            m_gl.enable(GL_BLEND, false);
        }
    }
    if (m_dirty & kDirtyDepthStencil) {
        bool hasDepth = m_depthStencil != nullptr;
        if (hasDepth && rs[D3DRS_ZENABLE] != D3DZB_FALSE) {
            m_gl.enable(GL_DEPTH_TEST, true);
            m_gl.depthFunc(compareFunc(rs[D3DRS_ZFUNC]));
            m_gl.depthMask(rs[D3DRS_ZWRITEENABLE] != 0);
        } else {
            m_gl.enable(GL_DEPTH_TEST, false);
            m_gl.depthMask(false);
        }
        if (hasDepth && m_depthStencil->info().stencil && rs[D3DRS_STENCILENABLE]) {
            m_gl.enable(GL_STENCIL_TEST, true);
            GLint ref = static_cast<GLint>(rs[D3DRS_STENCILREF] & 0xFF);
            GLuint mask = rs[D3DRS_STENCILMASK];
            // D3D's clockwise faces are GL's front faces (see the y-flip).
            m_gl.stencilFunc(false, compareFunc(rs[D3DRS_STENCILFUNC]), ref, mask);
            m_gl.stencilOp(false, stencilOp(rs[D3DRS_STENCILFAIL]), stencilOp(rs[D3DRS_STENCILZFAIL]),
                           stencilOp(rs[D3DRS_STENCILPASS]));
            if (rs[D3DRS_TWOSIDEDSTENCILMODE]) {
                m_gl.stencilFunc(true, compareFunc(rs[D3DRS_CCW_STENCILFUNC]), ref, mask);
                m_gl.stencilOp(true, stencilOp(rs[D3DRS_CCW_STENCILFAIL]), stencilOp(rs[D3DRS_CCW_STENCILZFAIL]),
                               stencilOp(rs[D3DRS_CCW_STENCILPASS]));
            } else {
                m_gl.stencilFunc(true, compareFunc(rs[D3DRS_STENCILFUNC]), ref, mask);
                m_gl.stencilOp(true, stencilOp(rs[D3DRS_STENCILFAIL]), stencilOp(rs[D3DRS_STENCILZFAIL]),
                               stencilOp(rs[D3DRS_STENCILPASS]));
            }
            m_gl.stencilMask(rs[D3DRS_STENCILWRITEMASK]);
        } else {
            m_gl.enable(GL_STENCIL_TEST, false);
        }
    }
    if (m_dirty & kDirtyRaster) {
        switch (rs[D3DRS_CULLMODE]) {
        case D3DCULL_CW:
            m_gl.enable(GL_CULL_FACE, true);
            m_gl.cullFace(GL_FRONT);
            break;
        case D3DCULL_CCW:
            m_gl.enable(GL_CULL_FACE, true);
            m_gl.cullFace(GL_BACK);
            break;
        default:
            m_gl.enable(GL_CULL_FACE, false);
            break;
        }
        DWORD fill = rs[D3DRS_FILLMODE];
        m_gl.polygonMode(fill == D3DFILL_POINT ? GL_POINT : fill == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL);
        float bias = asFloat(rs[D3DRS_DEPTHBIAS]);
        float slope = asFloat(rs[D3DRS_SLOPESCALEDEPTHBIAS]);
        if (bias != 0.0f || slope != 0.0f) {
            // D3D's bias is in depth-range units; GL's in steps of the depth buffer.
            float steps = 16777216.0f;
            if (m_depthStencil && m_depthStencil->info().internalFormat == GL_DEPTH_COMPONENT16)
                steps = 65536.0f;
            m_gl.enable(GL_POLYGON_OFFSET_FILL, true);
            m_gl.enable(GL_POLYGON_OFFSET_LINE, true);
            m_gl.enable(GL_POLYGON_OFFSET_POINT, true);
            m_gl.polygonOffset(slope, bias * steps);
        } else {
            m_gl.enable(GL_POLYGON_OFFSET_FILL, false);
            m_gl.enable(GL_POLYGON_OFFSET_LINE, false);
            m_gl.enable(GL_POLYGON_OFFSET_POINT, false);
        }
        m_gl.enable(GL_SCISSOR_TEST, rs[D3DRS_SCISSORTESTENABLE] != 0);
    }
    if (m_dirty & kDirtyColorMask) {
        static const D3DRENDERSTATETYPE masks[kMaxRenderTargets] = {D3DRS_COLORWRITEENABLE, D3DRS_COLORWRITEENABLE1,
                                                                    D3DRS_COLORWRITEENABLE2, D3DRS_COLORWRITEENABLE3};
        for (int i = 0; i < kMaxRenderTargets; ++i) {
            DWORD m = rs[masks[i]];
            m_gl.colorMask(static_cast<GLuint>(i), (m & D3DCOLORWRITEENABLE_RED) != 0,
                           (m & D3DCOLORWRITEENABLE_GREEN) != 0, (m & D3DCOLORWRITEENABLE_BLUE) != 0,
                           (m & D3DCOLORWRITEENABLE_ALPHA) != 0);
        }
    }
    if (m_dirty & kDirtyClip) {
        DWORD planes = rs[D3DRS_CLIPPING] ? rs[D3DRS_CLIPPLANEENABLE] : 0;
        for (int i = 0; i < kClipPlaneCount; ++i) {
            m_gl.enable(GL_CLIP_DISTANCE0 + static_cast<GLenum>(i), (planes & (1u << i)) != 0);
        }
    }
    m_dirty &= ~(kDirtyBlend | kDirtyDepthStencil | kDirtyRaster | kDirtyColorMask | kDirtyClip);
}

void Device::applySampler(int slot)
{
    const DWORD* ss = m_state.samplerStates[slot];
    DWORD minFilter = ss[D3DSAMP_MINFILTER], magFilter = ss[D3DSAMP_MAGFILTER], mipFilter = ss[D3DSAMP_MIPFILTER];
    bool minLinear = minFilter != D3DTEXF_POINT && minFilter != D3DTEXF_NONE;
    GLenum glMin;
    if (mipFilter == D3DTEXF_NONE)
        glMin = minLinear ? GL_LINEAR : GL_NEAREST;
    else if (mipFilter == D3DTEXF_POINT)
        glMin = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    else
        glMin = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    bool magLinear = magFilter != D3DTEXF_POINT && magFilter != D3DTEXF_NONE;
    SamplerValues wanted{};
    wanted.minFilter = static_cast<GLint>(glMin);
    wanted.magFilter = magLinear ? GL_LINEAR : GL_NEAREST;
    wanted.anisotropy = 1.0f;
    if (m_features.anisotropic && (minFilter == D3DTEXF_ANISOTROPIC || magFilter == D3DTEXF_ANISOTROPIC))
        wanted.anisotropy = std::clamp(static_cast<float>(ss[D3DSAMP_MAXANISOTROPY]), 1.0f, m_features.maxAnisotropy);
    bool mirrorClamp = m_features.mirrorClampToEdge;
    wanted.wrap[0] = static_cast<GLint>(addressMode(ss[D3DSAMP_ADDRESSU], mirrorClamp));
    wanted.wrap[1] = static_cast<GLint>(addressMode(ss[D3DSAMP_ADDRESSV], mirrorClamp));
    wanted.wrap[2] = static_cast<GLint>(addressMode(ss[D3DSAMP_ADDRESSW], mirrorClamp));
    colorToFloats(ss[D3DSAMP_BORDERCOLOR], wanted.border);
    wanted.lodBias = asFloat(ss[D3DSAMP_MIPMAPLODBIAS]);
    // D3DSAMP_MAXMIPLEVEL names the largest level sampled, counted from the top.
    wanted.minLod = static_cast<float>(ss[D3DSAMP_MAXMIPLEVEL]);

    // Only what differs from what the sampler object holds is sent.
    const GLuint sampler = m_samplers[slot];
    const bool known = (m_samplerValuesKnown >> slot) & 1u;
    SamplerValues& held = m_samplerValues[slot];
    if (!known || held.minFilter != wanted.minFilter)
        glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, wanted.minFilter);
    if (!known || held.magFilter != wanted.magFilter)
        glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, wanted.magFilter);
    if (m_features.anisotropic && (!known || held.anisotropy != wanted.anisotropy))
        glSamplerParameterf(sampler, GL_TEXTURE_MAX_ANISOTROPY, wanted.anisotropy);
    static const GLenum wrapNames[3] = {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R};
    for (int i = 0; i < 3; ++i) {
        if (!known || held.wrap[i] != wanted.wrap[i])
            glSamplerParameteri(sampler, wrapNames[i], wanted.wrap[i]);
    }
    if (!known || std::memcmp(held.border, wanted.border, sizeof held.border) != 0)
        glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, wanted.border);
    if (!known || held.lodBias != wanted.lodBias)
        glSamplerParameterf(sampler, GL_TEXTURE_LOD_BIAS, wanted.lodBias);
    if (!known || held.minLod != wanted.minLod)
        glSamplerParameterf(sampler, GL_TEXTURE_MIN_LOD, wanted.minLod);
    if (!known || std::memcmp(&held, &wanted, sizeof held) != 0)
        m_gl.notePixelChange();
    held = wanted;
    m_samplerValuesKnown |= 1u << slot;
}

void Device::applyTextures()
{
    uint32_t dirty = m_dirtyTextures;
    m_dirtyTextures = 0;
    for (int slot = 0; dirty; ++slot, dirty >>= 1) {
        if (!(dirty & 1))
            continue;
        BaseTextureObject* texture = m_state.textures[slot];
        if (texture) {
            texture->ensureContent(); // set through a state block
            texture->markUsed();
        }
        // An empty unit keeps its target bound to nothing.
        m_gl.bindTexture(slot, texture ? texture->bindTarget() : GL_TEXTURE_2D, texture ? texture->glTexture() : 0);
    }
    resolveSampledMips();
    uint32_t samplers = m_dirtySamplers;
    m_dirtySamplers = 0;
    for (int slot = 0; samplers; ++slot, samplers >>= 1) {
        if (samplers & 1)
            applySampler(slot);
    }
}

// ---------------------------------------------------------------------------------------------
// Programs

VertexDeclaration* Device::activeDeclaration()
{
    return m_state.declaration;
}

void Device::buildVertexKey(FFVertexKey& key, VertexDeclaration* declaration, bool forPixelShader)
{
    std::memset(&key, 0, sizeof key);
    const DWORD* rs = m_state.renderStates;
    if (declaration) {
        key.positionT = declaration->hasUsage(D3DDECLUSAGE_POSITIONT);
        key.hasNormal = declaration->hasUsage(D3DDECLUSAGE_NORMAL);
        key.hasDiffuse = declaration->hasUsage(D3DDECLUSAGE_COLOR, 0);
        key.hasSpecular = declaration->hasUsage(D3DDECLUSAGE_COLOR, 1);
        for (BYTE i = 0; i < 8; ++i) {
            const VertexAttribute* a = declaration->find(D3DDECLUSAGE_TEXCOORD, i);
            key.texCoordSize[i] = a ? static_cast<uint8_t>(componentCount(a->type)) : 0;
        }
    }
    key.lighting = rs[D3DRS_LIGHTING] && !key.positionT;
    key.flat = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
    if (key.lighting) {
        key.colorVertex = rs[D3DRS_COLORVERTEX] != 0;
        key.diffuseSource = static_cast<uint8_t>(rs[D3DRS_DIFFUSEMATERIALSOURCE]);
        key.ambientSource = static_cast<uint8_t>(rs[D3DRS_AMBIENTMATERIALSOURCE]);
        key.specularSource = static_cast<uint8_t>(rs[D3DRS_SPECULARMATERIALSOURCE]);
        key.emissiveSource = static_cast<uint8_t>(rs[D3DRS_EMISSIVEMATERIALSOURCE]);
    }
    int stages = 8;
    if (!forPixelShader) {
        stages = 0;
        while (stages < kStageCount && m_state.stageStates[stages][D3DTSS_COLOROP] != D3DTOP_DISABLE)
            ++stages;
    }
    key.outputCount = static_cast<uint8_t>(stages);
    for (int i = 0; i < stages; ++i) {
        const DWORD* ts = m_state.stageStates[i];
        key.stageCoordIndex[i] = static_cast<uint8_t>(std::min<DWORD>(ts[D3DTSS_TEXCOORDINDEX] & 0xFFFF, 7));
        DWORD flags = ts[D3DTSS_TEXTURETRANSFORMFLAGS];
        key.stageTransform[i] = static_cast<uint8_t>((flags & 0x7) | ((flags & D3DTTFF_PROJECTED) ? 0x80 : 0));
    }
}

void Device::buildPixelKey(FFPixelKey& key)
{
    std::memset(&key, 0, sizeof key);
    const DWORD* rs = m_state.renderStates;
    int stages = 0;
    while (stages < kStageCount && m_state.stageStates[stages][D3DTSS_COLOROP] != D3DTOP_DISABLE)
        ++stages;
    key.stageCount = static_cast<uint8_t>(stages);
    key.specularEnable = rs[D3DRS_SPECULARENABLE] != 0;
    key.flat = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
    for (int i = 0; i < stages; ++i) {
        const DWORD* ts = m_state.stageStates[i];
        FFStageKey& st = key.stages[i];
        st.colorOp = static_cast<uint8_t>(ts[D3DTSS_COLOROP]);
        st.colorArg1 = static_cast<uint8_t>(ts[D3DTSS_COLORARG1]);
        st.colorArg2 = static_cast<uint8_t>(ts[D3DTSS_COLORARG2]);
        st.colorArg0 = static_cast<uint8_t>(ts[D3DTSS_COLORARG0]);
        st.alphaOp = static_cast<uint8_t>(ts[D3DTSS_ALPHAOP]);
        st.alphaArg1 = static_cast<uint8_t>(ts[D3DTSS_ALPHAARG1]);
        st.alphaArg2 = static_cast<uint8_t>(ts[D3DTSS_ALPHAARG2]);
        st.alphaArg0 = static_cast<uint8_t>(ts[D3DTSS_ALPHAARG0]);
        BaseTextureObject* texture = m_state.textures[i];
        if (texture) {
            switch (texture->resourceType()) {
            case D3DRTYPE_TEXTURE:
                st.textureType = 1;
                break;
            case D3DRTYPE_CUBETEXTURE:
                st.textureType = 2;
                break;
            case D3DRTYPE_VOLUMETEXTURE:
                st.textureType = 3;
                break;
            default:
                break;
            }
        }
        if (!st.textureType) {
            // A stage that reads a texture none is set for passes the previous result on, so
            // untextured drawing shows the diffuse colour and alpha.
            if (readsTexture(st.colorOp, st.colorArg1, st.colorArg2, st.colorArg0)) {
                st.colorOp = D3DTOP_SELECTARG1;
                st.colorArg1 = D3DTA_CURRENT;
            }
            if (st.alphaOp != D3DTOP_DISABLE && readsTexture(st.alphaOp, st.alphaArg1, st.alphaArg2, st.alphaArg0)) {
                st.alphaOp = D3DTOP_SELECTARG1;
                st.alphaArg1 = D3DTA_CURRENT;
            }
        }
        st.projected = (ts[D3DTSS_TEXTURETRANSFORMFLAGS] & D3DTTFF_PROJECTED) ? 1 : 0;
        st.resultTemp = ts[D3DTSS_RESULTARG] == D3DTA_TEMP;
    }
}

void Device::buildSamplerAliases(const std::vector<std::pair<std::string, DWORD>>& samplers, uint8_t (&alias)[16])
{
    // Only fetches that give the same texel can share: same texture, same sampler states.
    for (size_t i = 0; i < samplers.size(); ++i) {
        DWORD unit = samplers[i].second;
        BaseTextureObject* texture = unit < 16 ? m_state.textures[unit] : nullptr;
        if (!texture)
            continue;
        for (size_t j = 0; j < i; ++j) {
            DWORD other = samplers[j].second;
            if (other < 16 && other != unit && !alias[other] && m_state.textures[other] == texture &&
                std::memcmp(m_state.samplerStates[unit], m_state.samplerStates[other],
                            sizeof m_state.samplerStates[unit]) == 0) {
                alias[unit] = static_cast<uint8_t>(other + 1);
                break;
            }
        }
    }
}

bool Device::applyProgram()
{
    if ((m_dirty & kDirtyProgram) || !m_currentProgram) {
        VertexShader* vs = m_state.vertexShader;
        PixelShader* ps = m_state.pixelShader;
        std::memset(&m_programKey, 0, sizeof m_programKey);
        m_programKey.vertexShader = vs ? vs->id() : 0;
        m_programKey.pixelShader = ps ? ps->id() : 0;
        bool sameProgram = vs && ps && vs->desc().program && vs->desc().program == ps->desc().program;
        if (!vs && !sameProgram)
            buildVertexKey(m_programKey.vertex, activeDeclaration(), ps != nullptr);
        if (!ps && !sameProgram)
            buildPixelKey(m_programKey.pixel);
        const DWORD* rs = m_state.renderStates;
        if (rs[D3DRS_ALPHATESTENABLE] && rs[D3DRS_ALPHAFUNC] != D3DCMP_ALWAYS)
            m_programKey.pixelVariant |= kPixelAlphaTest;
        if (rs[D3DRS_SRGBWRITEENABLE])
            m_programKey.pixelVariant |= kPixelSrgbWrite;
        // The distances GL clips by (applyRenderStates enables them) come from this variant only.
        if (rs[D3DRS_CLIPPING] && (rs[D3DRS_CLIPPLANEENABLE] & 0x3F))
            m_programKey.vertexVariant |= kVertexClipPlanes;
        if (ps)
            buildSamplerAliases(ps->desc().samplers, m_programKey.samplerAlias);
        m_currentProgram = m_programs->get(m_programKey, vs, ps);
        m_dirty &= ~kDirtyProgram;
    }
    if (!m_currentProgram)
        return false;
    if (m_currentProgram->program != m_boundProgram) {
        glUseProgram(m_currentProgram->program);
        m_boundProgram = m_currentProgram->program;
        m_gl.notePixelChange();
    }
    return true;
}

GLuint Device::programForCurrentState()
{
    makeCurrent();
    if (!applyProgram())
        return 0;
    return m_currentProgram->program;
}

void Device::forgetShader(uint32_t id)
{
    if (m_programs)
        m_programs->forgetShader(id);
    m_currentProgram = nullptr;
    // The program GL has bound may be among those deleted; its name can come back for another.
    m_boundProgram = ~0u;
    m_dirty |= kDirtyProgram;
}

void Device::uploadUniforms(Program& p)
{
    const DWORD* rs = m_state.renderStates;
    if (p.fixupVersion != m_fixupVersion) {
        p.fixupVersion = m_fixupVersion;
        const D3DVIEWPORT9& v = m_state.viewport;
        if (p.fixup >= 0)
            glUniform4f(p.fixup, 1.0f / static_cast<float>(v.Width), 1.0f / static_cast<float>(v.Height),
                        m_features.clipControl ? 0.0f : 1.0f, 0.0f);
        if (p.viewport >= 0) {
            m_gl.notePixelChange();
            glUniform4f(p.viewport, static_cast<float>(v.X), static_cast<float>(v.Y), static_cast<float>(v.Width),
                        static_cast<float>(v.Height));
        }
    }
    if (p.clipVersion != m_clipVersion) {
        p.clipVersion = m_clipVersion;
        bool fixedVertex = m_state.vertexShader == nullptr;
        bool pretransformed = fixedVertex && m_programKey.vertex.positionT;
        DWORD mask = rs[D3DRS_CLIPPING] && !pretransformed ? rs[D3DRS_CLIPPLANEENABLE] & 0x3F : 0;
        if (p.clipMask >= 0)
            glUniform1i(p.clipMask, static_cast<GLint>(mask));
        if (p.clipPlanes >= 0 && mask) {
            float planes[kClipPlaneCount][4];
            std::memcpy(planes, m_state.clipPlanes, sizeof planes);
            D3DXMATRIX inverse;
            const D3DXMATRIX viewProjection =
                D3DXMATRIX(m_state.transforms[kViewSlot]) * D3DXMATRIX(m_state.transforms[kProjectionSlot]);
            // Fixed-function planes are in world space; the fix-up tests clip-space positions.
            if (fixedVertex && D3DXMatrixInverse(&inverse, nullptr, &viewProjection)) {
                for (int i = 0; i < kClipPlaneCount; ++i) {
                    const float* w = m_state.clipPlanes[i];
                    for (int r = 0; r < 4; ++r)
                        planes[i][r] = inverse.m[r][0] * w[0] + inverse.m[r][1] * w[1] + inverse.m[r][2] * w[2] +
                                       inverse.m[r][3] * w[3];
                }
            }
            glUniform4fv(p.clipPlanes, kClipPlaneCount, &planes[0][0]);
        }
    }
    if (p.pixelVersion != m_pixelVersion) {
        p.pixelVersion = m_pixelVersion;
        m_gl.notePixelChange();
        if (p.pixelFixup >= 0) {
            float func = rs[D3DRS_ALPHATESTENABLE] ? static_cast<float>(rs[D3DRS_ALPHAFUNC]) : 8.0f;
            glUniform4f(p.pixelFixup, func, static_cast<float>(rs[D3DRS_ALPHAREF] & 0xFF),
                        rs[D3DRS_SRGBWRITEENABLE] ? 1.0f : 0.0f, 0.0f);
        }
        if (p.textureFactor >= 0) {
            float factor[4];
            colorToFloats(rs[D3DRS_TEXTUREFACTOR], factor);
            glUniform4fv(p.textureFactor, 1, factor);
        }
    }
    if (p.transformVersion != m_transformVersion) {
        p.transformVersion = m_transformVersion;
        if (p.worldViewProj >= 0 || p.worldView >= 0) {
            const D3DXMATRIX worldView =
                D3DXMATRIX(m_state.transforms[kWorldSlot]) * D3DXMATRIX(m_state.transforms[kViewSlot]);
            const D3DXMATRIX all = worldView * D3DXMATRIX(m_state.transforms[kProjectionSlot]);
            // Row vectors times a row-major matrix read column-major in GLSL: M * v.
            if (p.worldViewProj >= 0)
                glUniformMatrix4fv(p.worldViewProj, 1, GL_FALSE, &all.m[0][0]);
            if (p.worldView >= 0)
                glUniformMatrix4fv(p.worldView, 1, GL_FALSE, &worldView.m[0][0]);
        }
        if (p.texMatrix >= 0)
            glUniformMatrix4fv(p.texMatrix, 8, GL_FALSE, &m_state.transforms[kTextureSlot0].m[0][0]);
        if (p.pointSize >= 0)
            glUniform1f(p.pointSize, asFloat(rs[D3DRS_POINTSIZE]));
    }
    if (p.materialVersion != m_materialVersion) {
        p.materialVersion = m_materialVersion;
        const D3DMATERIAL9& mat = m_state.material;
        if (p.materialDiffuse >= 0)
            glUniform4fv(p.materialDiffuse, 1, &mat.Diffuse.r);
        if (p.materialAmbient >= 0)
            glUniform4fv(p.materialAmbient, 1, &mat.Ambient.r);
        if (p.materialSpecular >= 0)
            glUniform4fv(p.materialSpecular, 1, &mat.Specular.r);
        if (p.materialEmissive >= 0)
            glUniform4fv(p.materialEmissive, 1, &mat.Emissive.r);
        if (p.ambient >= 0) {
            float ambient[4];
            colorToFloats(rs[D3DRS_AMBIENT], ambient);
            glUniform4fv(p.ambient, 1, ambient);
        }
        if (p.lights >= 0 && p.lightCount >= 0) {
            float data[kMaxLights * 6][4] = {};
            int count = 0;
            const D3DMATRIX& view = m_state.transforms[kViewSlot];
            for (const LightSlot& slot : m_state.lights) {
                if (!slot.set || !slot.enabled)
                    continue;
                const D3DLIGHT9& l = slot.light;
                float* d = data[count * 6];
                d[0] = static_cast<float>(l.Type);
                d[1] = l.Range > 0.0f ? l.Range : 1e30f;
                d[2] = l.Attenuation0;
                d[3] = l.Attenuation1;
                data[count * 6 + 1][0] = l.Attenuation2;
                std::memcpy(data[count * 6 + 2], &l.Diffuse.r, sizeof(float) * 4);
                std::memcpy(data[count * 6 + 3], &l.Ambient.r, sizeof(float) * 4);
                const D3DVECTOR& p3 = l.Position;
                const D3DVECTOR& d3 = l.Direction;
                for (int c = 0; c < 3; ++c) {
                    data[count * 6 + 4][c] =
                        p3.x * view.m[0][c] + p3.y * view.m[1][c] + p3.z * view.m[2][c] + view.m[3][c];
                    data[count * 6 + 5][c] = d3.x * view.m[0][c] + d3.y * view.m[1][c] + d3.z * view.m[2][c];
                }
                ++count;
            }
            glUniform1i(p.lightCount, count);
            glUniform4fv(p.lights, kMaxLights * 6, &data[0][0]);
        }
    }
    if (p.constVersion != m_constVersion) {
        p.constVersion = m_constVersion;
        if (p.vsConst >= 0)
            glUniform4fv(p.vsConst, kVSConstF, &m_state.vsConstF[0][0]);
        if (p.psConst >= 0 || p.psConstI >= 0 || p.psConstB >= 0)
            m_gl.notePixelChange();
        if (p.psConst >= 0)
            glUniform4fv(p.psConst, kPSConstF, &m_state.psConstF[0][0]);
        if (p.vsConstI >= 0)
            glUniform4iv(p.vsConstI, kConstI, &m_state.vsConstI[0][0]);
        if (p.psConstI >= 0)
            glUniform4iv(p.psConstI, kConstI, &m_state.psConstI[0][0]);
        if (p.vsConstB >= 0)
            glUniform1iv(p.vsConstB, kConstB, m_state.vsConstB);
        if (p.psConstB >= 0)
            glUniform1iv(p.psConstB, kConstB, m_state.psConstB);
    }
}

// ---------------------------------------------------------------------------------------------
// Vertex input

bool Device::applyVertexInput(bool instanced)
{
    VertexDeclaration* declaration = activeDeclaration();
    if (!declaration)
        return false;
    if (!(m_dirty & kDirtyVertexInput) && m_inputDeclaration == declaration && m_inputInstanced == instanced)
        return true;
    m_upInputDeclaration = 0;
    unsigned enabled = 0;
    for (const VertexAttribute& a : declaration->attributes()) {
        if (a.location < 0)
            continue;
        const StreamBinding& stream = m_state.streams[a.stream];
        if (!stream.buffer || !stream.buffer->glBuffer())
            continue;
        uintptr_t offset = static_cast<uintptr_t>(stream.offset) + a.offset;
        GLuint divisor = 0;
        if (stream.stride == 0)
            divisor = 0x7FFFFFFF; // a stride of 0 repeats the first element
        else if (instanced && (stream.frequency & D3DSTREAMSOURCE_INSTANCEDATA))
            divisor = std::max<GLuint>(1, stream.frequency & 0x3FFFFFFF);
        m_gl.attribute(static_cast<GLuint>(a.location), stream.buffer->glBuffer(), a.size, a.glType, a.normalized,
                       static_cast<GLsizei>(stream.stride), offset, divisor);
        enabled |= 1u << a.location;
    }
    m_gl.enableAttributes(enabled);
    m_inputDeclaration = declaration;
    m_inputInstanced = instanced;
    m_dirty &= ~kDirtyVertexInput;
    return true;
}

void Device::handOverBatch()
{
    // Each batch handed over and not yet drawn holds a bin list of its own in the rasteriser, which
    // keeps as many lists as it ever had at once; while the rasteriser lags (a busy machine), the
    // draws wait for the oldest batch rather than hand over ever more.
    if (m_batchFenceCount == kBatchesInFlight) {
        glClientWaitSync(m_batchFences[0], 0, 1000000000ull);
        glDeleteSync(m_batchFences[0]);
        for (unsigned i = 1; i < kBatchesInFlight; ++i)
            m_batchFences[i - 1] = m_batchFences[i];
        --m_batchFenceCount;
    }
    // The fence hands the batch over as glFlush does.
    m_batchFences[m_batchFenceCount++] = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    ++m_batchesHandedOver;
}

void Device::handOverTarget()
{
    // The driver hands a target's draws to its rasteriser only when the next target's first draw
    // arrives, after everything the engine and the driver prepare for it, and then waits for them;
    // handed over as the target is left, they are drawn while the next pass is prepared. The work
    // is split where the target changes anyway, so no pixel moves.
    if (!m_workUnflushed)
        return;
    makeCurrent();
    glFlush();
    m_workUnflushed = false;
    m_queuedBytes = 0;
}

void Device::queueWork(uint64_t bytes)
{
    // A software rasteriser bins every draw of a frame in memory until it is flushed; a frame of
    // many draws that each change the pixel state (the GUI's windows and their stencil clips)
    // then holds tens of megabytes. Handing the work over once it holds about a megabyte bounds
    // that memory; each hand-over wakes and waits for all the rasteriser's threads, so a frame
    // of few large draws is not cut up.
    if (m_queuedBytes > 0 && m_queuedBytes + bytes > kBatchBytes) {
        handOverBatch();
        m_queuedBytes = 0;
    }
    m_queuedBytes += bytes;
    m_workUnflushed = true;
}

uint64_t Device::drawWork(uint64_t primitives)
{
    // The viewport within the target, and within the scissor rectangle while its test is on.
    const Surface* target = m_renderTargets[0];
    const D3DVIEWPORT9& v = m_state.viewport;
    LONG left = static_cast<LONG>(v.X), top = static_cast<LONG>(v.Y);
    LONG right = static_cast<LONG>(v.X + v.Width), bottom = static_cast<LONG>(v.Y + v.Height);
    if (target) {
        right = std::min(right, static_cast<LONG>(target->desc().Width));
        bottom = std::min(bottom, static_cast<LONG>(target->desc().Height));
    }
    if (m_state.renderStates[D3DRS_SCISSORTESTENABLE]) {
        left = std::max(left, m_state.scissor.left);
        top = std::max(top, m_state.scissor.top);
        right = std::min(right, m_state.scissor.right);
        bottom = std::min(bottom, m_state.scissor.bottom);
    }
    uint64_t bytes = kDrawBytes + primitives * kPrimitiveBytes + tilesIn(left, top, right, bottom) * kTileBytes;
    if (m_gl.pixelChanges() != m_pixelChangesQueued) {
        m_pixelChangesQueued = m_gl.pixelChanges();
        bytes += kPixelStateBytes;
    }
    return bytes;
}

bool Device::prepareDraw(uint64_t primitives)
{
    makeCurrent();
    if (Surface::DepthClear* known = m_depthStencil ? m_depthStencil->depthClear() : nullptr) {
        const DWORD* rs = m_state.renderStates;
        const bool depthTest = rs[D3DRS_ZENABLE] != D3DZB_FALSE;
        const bool stencilTest = m_depthStencil->info().stencil && rs[D3DRS_STENCILENABLE];
        if (depthTest || stencilTest)
            flushDepthClear(m_depthStencil);
        known->depthKnown = known->depthKnown && !(depthTest && rs[D3DRS_ZWRITEENABLE]);
        known->stencilKnown = known->stencilKnown && !stencilTest;
        known->partDepthKnown = known->partDepthKnown && !(depthTest && rs[D3DRS_ZWRITEENABLE]);
        known->partStencilKnown = known->partStencilKnown && !stencilTest;
    }
    if (m_dirty & kDirtyFramebuffer)
        applyFramebuffer();
    if (m_dirty & kDirtyViewport)
        applyViewportAndScissor();
    applyRenderStates();
    if (m_dirtyTextures || m_dirtySamplers)
        applyTextures();
    else
        resolveSampledMips();
    if (!applyProgram())
        return false;
    uploadUniforms(*m_currentProgram);
    queueWork(drawWork(primitives));
    markTargetsRendered();
    return true;
}

void Device::resolveSampledMips()
{
    for (uint32_t slots = m_textureSlots; slots; slots &= slots - 1) {
        BaseTextureObject* texture = m_state.textures[__builtin_ctz(slots)];
        if (!texture)
            continue;
        // A texture being rendered into gets its levels when it is sampled afterwards, not on
        // every draw into it.
        bool target = false;
        for (Surface* surface : m_renderTargets)
            target = target || (surface && surface->texture() == texture);
        if (!target)
            texture->resolveMips();
    }
}

void Device::flushDepthClear(Surface* surface, bool forgetKnown)
{
    Surface::DepthClear* known = surface ? surface->depthClear() : nullptr;
    if (!known)
        return;
    GLbitfield bits =
        (known->depthPending ? GL_DEPTH_BUFFER_BIT : 0u) | (known->stencilPending ? GL_STENCIL_BUFFER_BIT : 0u);
    // The known stencil goes along with depth, as in Clear.
    if (known->depthPending && known->stencilKnown && surface->info().stencil)
        bits |= GL_STENCIL_BUFFER_BIT;
    known->depthPending = known->stencilPending = false;
    if (forgetKnown)
        known->depthKnown = known->stencilKnown = known->partDepthKnown = known->partStencilKnown = false;
    if (!bits)
        return;
    makeCurrent();
    // The whole surface, whatever colour target is bound now.
    if (!attachCopySurface(GL_DRAW_FRAMEBUFFER, surface)) {
        known->depthKnown = known->stencilKnown = known->partDepthKnown = known->partStencilKnown = false;
        return;
    }
    const D3DSURFACE_DESC& size = surface->desc();
    if (bits & GL_DEPTH_BUFFER_BIT) {
        m_gl.depthMask(true);
        m_gl.clearDepth(known->depth);
    }
    if (bits & GL_STENCIL_BUFFER_BIT) {
        m_gl.stencilMask(0xFF);
        m_gl.clearStencil(static_cast<GLint>(known->stencil));
    }
    m_gl.enable(GL_SCISSOR_TEST, true);
    m_gl.scissor(0, 0, static_cast<GLsizei>(size.Width), static_cast<GLsizei>(size.Height));
    glClear(bits);
    m_dirty |= kDirtyFramebuffer | kDirtyDepthStencil | kDirtyRaster | kDirtyViewport;
}

void Device::markTargetsRendered()
{
    for (Surface* target : m_renderTargets) {
        if (target && target->texture())
            target->texture()->markMipsDirty();
    }
}

// ---------------------------------------------------------------------------------------------
// Draws

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount)
{
    GLenum mode = primitiveMode(PrimitiveType);
    if (mode == kNoPrimitiveMode)
        return D3DERR_INVALIDCALL;
    if (PrimitiveCount == 0)
        return D3D_OK;
    if (!prepareDraw(PrimitiveCount) || !applyVertexInput(false))
        return D3D_OK;
    glDrawArrays(mode, static_cast<GLint>(StartVertex),
                 static_cast<GLsizei>(vertexCount(PrimitiveType, PrimitiveCount)));
    return D3D_OK;
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT, UINT, UINT startIndex,
                                     UINT primCount)
{
    GLenum mode = primitiveMode(PrimitiveType);
    if (mode == kNoPrimitiveMode || !m_state.indices)
        return D3DERR_INVALIDCALL;
    if (primCount == 0)
        return D3D_OK;
    IndexBuffer* indices = m_state.indices;
    UINT count = vertexCount(PrimitiveType, primCount);
    uint64_t end = (static_cast<uint64_t>(startIndex) + count) * indices->indexSize();
    if (end > indices->size())
        return D3DERR_INVALIDCALL;
    // Geometry instancing: stream 0 carries INDEXEDDATA | instance count.
    UINT frequency = m_state.streams[0].frequency;
    UINT instances = (frequency & D3DSTREAMSOURCE_INDEXEDDATA) ? std::max<UINT>(1, frequency & 0x3FFFFFFF) : 1;
    bool instanced = (frequency & D3DSTREAMSOURCE_INDEXEDDATA) != 0;
    if (!prepareDraw(static_cast<uint64_t>(primCount) * instances) || !applyVertexInput(instanced))
        return D3D_OK;
    m_gl.bindElementBuffer(indices->glBuffer());
    const void* offset = reinterpret_cast<const void*>(static_cast<uintptr_t>(startIndex) * indices->indexSize());
    if (instanced)
        glDrawElementsInstancedBaseVertex(mode, static_cast<GLsizei>(count), indices->glIndexType(), offset,
                                          static_cast<GLsizei>(instances), BaseVertexIndex);
    else
        glDrawElementsBaseVertex(mode, static_cast<GLsizei>(count), indices->glIndexType(), offset, BaseVertexIndex);
    return D3D_OK;
}

namespace {

// Draws from memory append to a ring the GPU may still read behind them, so they map without
// waiting.
// The largest draw from memory whose vertices are kept to be found again.
constexpr size_t kReusedVertexBytes = 4096;

constexpr GLbitfield kAppendAccess = GL_MAP_WRITE_BIT | GL_MAP_UNSYNCHRONIZED_BIT | GL_MAP_INVALIDATE_RANGE_BIT;

// The ring bound to `target` starts over: the first draw's map lets the driver orphan the old
// contents (a driver whose rasteriser copies vertices at the draw reuses the storage as it is;
// new storage each time would be allocated and cleared). Storage is made only to grow.
GLbitfield restartStorage(GLenum target, size_t& capacity, size_t needed, size_t least)
{
    if (needed <= capacity)
        return GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_BUFFER_BIT;
    capacity = std::max<size_t>({capacity * 2, needed, least});
    glBufferData(target, static_cast<GLsizeiptr>(capacity), nullptr, GL_STREAM_DRAW);
    return kAppendAccess;
}

} // namespace

void Device::setUpAttributes(const VertexDeclaration& declaration, UINT stride)
{
    bool streamZeroOnly = true;
    unsigned enabled = 0;
    for (const VertexAttribute& a : declaration.attributes()) {
        if (a.location < 0)
            continue;
        GLuint buffer = m_upVertexBuffer;
        uintptr_t offset;
        GLsizei attributeStride;
        if (a.stream == 0) {
            offset = a.offset;
            attributeStride = static_cast<GLsizei>(stride);
        } else {
            streamZeroOnly = false;
            const StreamBinding& stream = m_state.streams[a.stream];
            if (!stream.buffer || !stream.buffer->glBuffer())
                continue;
            buffer = stream.buffer->glBuffer();
            offset = static_cast<uintptr_t>(stream.offset) + a.offset;
            attributeStride = static_cast<GLsizei>(stream.stride);
        }
        m_gl.attribute(static_cast<GLuint>(a.location), buffer, a.size, a.glType, a.normalized, attributeStride, offset,
                       0);
        enabled |= 1u << a.location;
    }
    m_gl.enableAttributes(enabled);
    // Only attributes all fed from the ring stay valid for the next draw from memory.
    m_upInputDeclaration = streamZeroOnly ? declaration.id() : 0;
    m_upInputStride = stride;
}

HRESULT Device::drawUp(D3DPRIMITIVETYPE type, UINT primitives, const void* vertices, UINT stride, const void* indices,
                       D3DFORMAT indexFormat, UINT vertexTotal)
{
    GLenum mode = primitiveMode(type);
    if (mode == kNoPrimitiveMode || !vertices || stride == 0)
        return D3DERR_INVALIDCALL;
    if (indices && !isIndexFormat(indexFormat))
        return D3DERR_INVALIDCALL;
    // D3D leaves stream 0 (and the indices) unset after a draw from memory.
    if (!m_recording) {
        if (m_state.streams[0].buffer) {
            VertexBuffer* old = m_state.streams[0].buffer;
            m_state.streams[0].buffer = nullptr;
            old->unbindRef();
        }
        m_state.streams[0].offset = 0;
        m_state.streams[0].stride = 0;
        if (indices && m_state.indices) {
            IndexBuffer* old = m_state.indices;
            m_state.indices = nullptr;
            old->unbindRef();
        }
    }
    if (primitives == 0)
        return D3D_OK;
    UINT count = vertexCount(type, primitives);
    if (!prepareDraw(primitives))
        return D3D_OK;
    VertexDeclaration* declaration = activeDeclaration();
    if (!declaration)
        return D3D_OK;

    size_t vertexBytes = static_cast<size_t>(vertexTotal) * stride;
    m_gl.bindArrayBuffer(m_upVertexBuffer);
    // Vertices start on a whole vertex of their stride, so the attributes can point at the
    // buffer's start and the draw names its first vertex: consecutive draws from memory of the
    // same layout then leave the attribute pointers alone.
    size_t vertexOffset = (m_upVertexUsed + stride - 1) / stride * stride;
    // The ring is only appended to until it starts over with new storage, so the last vertices
    // written are still where they went: the same vertices again need no write.
    if (!m_upLastVertices.empty() && vertexBytes == m_upLastVertices.size() && m_upLastOffset % stride == 0 &&
        std::memcmp(vertices, m_upLastVertices.data(), vertexBytes) == 0) {
        vertexOffset = m_upLastOffset;
    } else {
        GLbitfield vertexAccess = kAppendAccess;
        if (vertexOffset + vertexBytes > m_upVertexCapacity || m_upVertexCapacity == 0) {
            vertexAccess = restartStorage(GL_ARRAY_BUFFER, m_upVertexCapacity, vertexBytes, 1u << 16);
            vertexOffset = 0;
        }
        void* target = glMapBufferRange(GL_ARRAY_BUFFER, static_cast<GLintptr>(vertexOffset),
                                        static_cast<GLsizeiptr>(vertexBytes), vertexAccess);
        if (!target) {
            m_upLastVertices.clear();
            return D3DERR_INVALIDCALL;
        }
        std::memcpy(target, vertices, vertexBytes);
        glUnmapBuffer(GL_ARRAY_BUFFER);
        m_upVertexUsed = vertexOffset + vertexBytes;
        // Small shapes only: a large draw is rarely repeated and its copy would cost more.
        if (m_upLastVertices.capacity() == 0)
            m_upLastVertices.reserve(kReusedVertexBytes);
        if (vertexBytes <= kReusedVertexBytes) {
            m_upLastVertices.resize(vertexBytes);
            std::memcpy(m_upLastVertices.data(), vertices, vertexBytes);
            m_upLastOffset = vertexOffset;
        } else {
            m_upLastVertices.clear();
        }
    }
    const GLint firstVertex = static_cast<GLint>(vertexOffset / stride);

    // Draws from memory of one layout (a shape drawn at many places) leave the attributes where
    // the last one set them: they point at the ring's start, only the first vertex moves.
    if (m_upInputDeclaration != declaration->id() || m_upInputStride != stride)
        setUpAttributes(*declaration, stride);
    m_dirty |= kDirtyVertexInput;

    if (!indices) {
        glDrawArrays(mode, firstVertex, static_cast<GLsizei>(count));
        return D3D_OK;
    }
    size_t indexSize = indexFormat == D3DFMT_INDEX32 ? 4 : 2;
    size_t indexBytes = count * indexSize;
    m_gl.bindElementBuffer(m_upIndexBuffer);
    GLbitfield indexAccess = kAppendAccess;
    if (m_upIndexUsed + indexBytes > m_upIndexCapacity || m_upIndexCapacity == 0) {
        indexAccess = restartStorage(GL_ELEMENT_ARRAY_BUFFER, m_upIndexCapacity, indexBytes, 1u << 14);
        m_upIndexUsed = 0;
    }
    size_t indexOffset = m_upIndexUsed;
    void* target = glMapBufferRange(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLintptr>(indexOffset),
                                    static_cast<GLsizeiptr>(indexBytes), indexAccess);
    if (!target)
        return D3DERR_INVALIDCALL;
    std::memcpy(target, indices, indexBytes);
    glUnmapBuffer(GL_ELEMENT_ARRAY_BUFFER);
    m_upIndexUsed += (indexBytes + 15) & ~size_t(15);
    glDrawElementsBaseVertex(mode, static_cast<GLsizei>(count),
                             indexFormat == D3DFMT_INDEX32 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                             reinterpret_cast<const void*>(indexOffset), firstVertex);
    return D3D_OK;
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount, const void* pVertexStreamZeroData,
                                UINT VertexStreamZeroStride)
{
    return drawUp(PrimitiveType, PrimitiveCount, pVertexStreamZeroData, VertexStreamZeroStride, nullptr, D3DFMT_UNKNOWN,
                  vertexCount(PrimitiveType, PrimitiveCount));
}

HRESULT Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex, UINT NumVertices,
                                       UINT PrimitiveCount, const void* pIndexData, D3DFORMAT IndexDataFormat,
                                       const void* pVertexStreamZeroData, UINT VertexStreamZeroStride)
{
    if (!pIndexData)
        return D3DERR_INVALIDCALL;
    return drawUp(PrimitiveType, PrimitiveCount, pVertexStreamZeroData, VertexStreamZeroStride, pIndexData,
                  IndexDataFormat, MinVertexIndex + NumVertices);
}

// ---------------------------------------------------------------------------------------------
// Clear

HRESULT Device::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil)
{
    if (Count != 0 && !pRects)
        return D3DERR_INVALIDCALL;
    if ((Flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !m_depthStencil)
        return D3DERR_INVALIDCALL;
    if ((Flags & D3DCLEAR_STENCIL) && !m_depthStencil->info().stencil)
        return D3DERR_INVALIDCALL;
    GLbitfield bits = 0;
    if (Flags & D3DCLEAR_TARGET)
        bits |= GL_COLOR_BUFFER_BIT;
    if (Flags & D3DCLEAR_ZBUFFER)
        bits |= GL_DEPTH_BUFFER_BIT;
    if (Flags & D3DCLEAR_STENCIL)
        bits |= GL_STENCIL_BUFFER_BIT;
    if (!bits)
        return D3D_OK;
    makeCurrent();
    // Within the viewport, and the scissor rectangle while its test is on.
    const D3DVIEWPORT9& v = m_state.viewport;
    LONG left = static_cast<LONG>(v.X), top = static_cast<LONG>(v.Y);
    LONG right = static_cast<LONG>(v.X + v.Width), bottom = static_cast<LONG>(v.Y + v.Height);
    if (m_state.renderStates[D3DRS_SCISSORTESTENABLE]) {
        left = std::max(left, m_state.scissor.left);
        top = std::max(top, m_state.scissor.top);
        right = std::min(right, m_state.scissor.right);
        bottom = std::min(bottom, m_state.scissor.bottom);
    }
    const float depthValue = std::clamp(Z, 0.0f, 1.0f);
    const DWORD stencilValue = Stencil & 0xFF;
    if (Surface::DepthClear* known = (bits & ~GL_COLOR_BUFFER_BIT) ? m_depthStencil->depthClear() : nullptr) {
        // A value already filling the surface stays as it is; a whole-surface clear is handed to
        // GL with the next clear of the same size or before the next draw that tests depth or
        // stencil (most frames clear buffers that no draw of theirs reads).
        const D3DSURFACE_DESC& size = m_depthStencil->desc();
        LONG l = left, t = top, r = right, b = bottom;
        if (Count == 1) {
            l = std::max(l, pRects[0].x1);
            t = std::max(t, pRects[0].y1);
            r = std::min(r, pRects[0].x2);
            b = std::min(b, pRects[0].y2);
        }
        const bool whole =
            Count <= 1 && l <= 0 && t <= 0 && r >= static_cast<LONG>(size.Width) && b >= static_cast<LONG>(size.Height);
        // So is a clear within the part a clear left at the same value.
        const bool inPart = !whole && Count <= 1 && l >= known->part.left && t >= known->part.top &&
                            r <= known->part.right && b <= known->part.bottom;
        const GLbitfield asked = bits;
        if ((bits & GL_DEPTH_BUFFER_BIT) && ((known->depthKnown && known->depth == depthValue) ||
                                             (inPart && known->partDepthKnown && known->partDepth == depthValue)))
            bits &= ~GL_DEPTH_BUFFER_BIT;
        if ((bits & GL_STENCIL_BUFFER_BIT) &&
            ((known->stencilKnown && known->stencil == stencilValue) ||
             (inPart && known->partStencilKnown && known->partStencil == stencilValue)))
            bits &= ~GL_STENCIL_BUFFER_BIT;
        if (whole)
            known->partDepthKnown = known->partStencilKnown = false;
        if (whole) {
            if (bits & GL_DEPTH_BUFFER_BIT) {
                known->depthKnown = known->depthPending = true;
                known->depth = depthValue;
            }
            if (bits & GL_STENCIL_BUFFER_BIT) {
                known->stencilKnown = known->stencilPending = true;
                known->stencil = stencilValue;
            }
            bits &= GL_COLOR_BUFFER_BIT;
            if (bits) {
                // The colour is cleared now over the same pixels: what waits goes along.
                if (known->depthPending)
                    bits |= GL_DEPTH_BUFFER_BIT;
                if (known->stencilPending)
                    bits |= GL_STENCIL_BUFFER_BIT;
                known->depthPending = known->stencilPending = false;
            }
        } else if (bits & ~GL_COLOR_BUFFER_BIT) {
            flushDepthClear(m_depthStencil);
            known->depthKnown = known->depthKnown && !(bits & GL_DEPTH_BUFFER_BIT);
            known->stencilKnown = known->stencilKnown && !(bits & GL_STENCIL_BUFFER_BIT);
            // Within one rectangle the values asked for hold now (done, or there already).
            known->part = RECT{l, t, r, b};
            known->partDepthKnown = Count <= 1 && (asked & GL_DEPTH_BUFFER_BIT);
            known->partStencilKnown = Count <= 1 && (asked & GL_STENCIL_BUFFER_BIT);
            known->partDepth = depthValue;
            known->partStencil = stencilValue;
        }
        if (!bits)
            return D3D_OK;
    }
    if (m_dirty & kDirtyFramebuffer)
        applyFramebuffer();
    // Clears write every channel, whatever the write masks say.
    if (bits & GL_COLOR_BUFFER_BIT) {
        for (int i = 0; i < kMaxRenderTargets; ++i)
            m_gl.colorMask(static_cast<GLuint>(i), true, true, true, true);
        float colour[4];
        colorToFloats(Color, colour);
        m_gl.clearColor(colour);
    }
    // A clear that takes waiting ones along writes their values (the surface's known ones).
    const Surface::DepthClear* known = m_depthStencil ? m_depthStencil->depthClear() : nullptr;
    // Depth alone in a depth-stencil buffer is merged into every pixel by a software rasteriser;
    // a stencil known to hold one value is written along with it (the same bytes, a plain fill).
    if ((bits & GL_DEPTH_BUFFER_BIT) && known && known->stencilKnown && m_depthStencil->info().stencil)
        bits |= GL_STENCIL_BUFFER_BIT;
    if (bits & GL_DEPTH_BUFFER_BIT) {
        m_gl.depthMask(true);
        m_gl.clearDepth(known && known->depthKnown ? known->depth : depthValue);
    }
    if (bits & GL_STENCIL_BUFFER_BIT) {
        m_gl.stencilMask(0xFF);
        m_gl.clearStencil(static_cast<GLint>(known && known->stencilKnown ? known->stencil : stencilValue));
    }
    m_gl.enable(GL_SCISSOR_TEST, true);
    const Surface* target = (bits & GL_COLOR_BUFFER_BIT) ? m_renderTargets[0] : m_depthStencil;
    const LONG targetWidth = target ? static_cast<LONG>(target->desc().Width) : 0;
    const LONG targetHeight = target ? static_cast<LONG>(target->desc().Height) : 0;
    DWORD rects = Count ? Count : 1;
    // Nothing of this target waits yet: the clear is where its work begins.
    const bool first = !m_workUnflushed;
    bool wholeTarget = false;
    for (DWORD i = 0; i < rects; ++i) {
        LONG l = left, t = top, r = right, b = bottom;
        if (Count) {
            l = std::max(l, pRects[i].x1);
            t = std::max(t, pRects[i].y1);
            r = std::min(r, pRects[i].x2);
            b = std::min(b, pRects[i].y2);
        }
        if (r <= l || b <= t)
            continue;
        // A clear of part of the target is drawn as a quad of its own state, and the next draw's
        // state is copied again after it.
        const bool whole = l <= 0 && t <= 0 && r >= targetWidth && b >= targetHeight;
        wholeTarget = wholeTarget || whole;
        queueWork(tilesIn(l, t, r, b) * kTileBytes + (whole ? 0 : 2 * kPixelStateBytes));
        m_gl.scissor(l, t, r - l, b - t);
        glClear(bits);
    }
    m_dirty |= kDirtyColorMask | kDirtyDepthStencil | kDirtyRaster | kDirtyViewport;
    markTargetsRendered();
    // A scene begins so: a large target and its depth cleared whole before anything is drawn
    // into them. Handed over alone, the clear is done by the rasteriser's threads while the
    // scene's objects are prepared, not after all of them. (A 2D pass clearing its colour alone
    // draws little after it: there the extra wake of the threads would cost more than it gains.)
    if (first && wholeTarget && (bits & GL_COLOR_BUFFER_BIT) && (bits & GL_DEPTH_BUFFER_BIT) &&
        tilesIn(0, 0, targetWidth, targetHeight) >= kClearHandOverTiles)
        handOverTarget();
    return D3D_OK;
}

} // namespace D3D9Internal
