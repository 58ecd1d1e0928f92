#pragma once
// What one device's context has set, so a draw sends only what differs. D3D code sets whole
// groups of states again for each draw (an effect pass, a sprite batch, a clear that forces
// masks), and a software rasteriser pays for every call it receives.
//
// Every GL state write of the device goes through here; a value that may have been changed
// behind its back is forgotten (`forget`), which makes the next write go through.
//
// Writes that reach the pixel stage (blending, depth and stencil, masks, textures, programs, and
// what the device notes of its own: uniforms, samplers) are counted: a software rasteriser keeps
// a copy of the whole pixel state with every draw that follows such a change.
#include "d3d9/GLFunctions.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace D3D9Internal {

constexpr int kTextureUnits = 32;
constexpr int kAttributeSlots = 16;

class GLState {
public:
    void forget()
    {
        const uint32_t changes = m_pixelChanges;
        *this = GLState();
        m_pixelChanges = changes + 1;
    }
    // Grows with every write that reaches the pixel stage.
    uint32_t pixelChanges() const { return m_pixelChanges; }
    void notePixelChange() { ++m_pixelChanges; }

    // The capabilities D3D states switch; any other goes through unremembered.
    void enable(GLenum cap, bool on)
    {
        const int i = capIndex(cap);
        if (i >= 0) {
            const int8_t value = on ? 1 : 0;
            if (m_caps[i] == value)
                return;
            m_caps[i] = value;
        }
        ++m_pixelChanges;
        if (on)
            GLFn::glEnable(cap);
        else
            GLFn::glDisable(cap);
    }
    void blendFunc(GLenum src, GLenum dst, GLenum srcAlpha, GLenum dstAlpha)
    {
        if (change4(m_blendFunc, src, dst, srcAlpha, dstAlpha)) {
            GLFn::glBlendFuncSeparate(src, dst, srcAlpha, dstAlpha);
            ++m_pixelChanges;
        }
    }
    void blendEquation(GLenum rgb, GLenum alpha)
    {
        if (change4(m_blendEquation, rgb, alpha, 0, 0)) {
            GLFn::glBlendEquationSeparate(rgb, alpha);
            ++m_pixelChanges;
        }
    }
    void blendColor(const float (&c)[4])
    {
        if (change(m_blendColor, c)) {
            GLFn::glBlendColor(c[0], c[1], c[2], c[3]);
            ++m_pixelChanges;
        }
    }
    void depthFunc(GLenum func)
    {
        if (change(m_depthFunc, func)) {
            GLFn::glDepthFunc(func);
            ++m_pixelChanges;
        }
    }
    void depthMask(bool on)
    {
        if (change(m_depthMask, on ? 1u : 0u)) {
            GLFn::glDepthMask(on ? GL_TRUE : GL_FALSE);
            ++m_pixelChanges;
        }
    }
    // `back` picks GL_BACK, else GL_FRONT.
    void stencilFunc(bool back, GLenum func, GLint ref, GLuint mask)
    {
        if (change4(m_stencilFunc[back], func, static_cast<GLuint>(ref), mask, 0)) {
            GLFn::glStencilFuncSeparate(back ? GL_BACK : GL_FRONT, func, ref, mask);
            ++m_pixelChanges;
        }
    }
    void stencilOp(bool back, GLenum fail, GLenum depthFail, GLenum pass)
    {
        if (change4(m_stencilOp[back], fail, depthFail, pass, 0)) {
            GLFn::glStencilOpSeparate(back ? GL_BACK : GL_FRONT, fail, depthFail, pass);
            ++m_pixelChanges;
        }
    }
    void stencilMask(GLuint mask)
    {
        if (change(m_stencilMask, mask)) {
            GLFn::glStencilMask(mask);
            ++m_pixelChanges;
        }
    }
    void cullFace(GLenum face)
    {
        if (change(m_cullFace, face)) {
            GLFn::glCullFace(face);
            ++m_pixelChanges;
        }
    }
    void polygonMode(GLenum mode)
    {
        if (change(m_polygonMode, mode)) {
            GLFn::glPolygonMode(GL_FRONT_AND_BACK, mode);
            ++m_pixelChanges;
        }
    }
    void polygonOffset(float factor, float units)
    {
        if (change4(m_polygonOffset, factor, units, 0.0f, 0.0f)) {
            GLFn::glPolygonOffset(factor, units);
            ++m_pixelChanges;
        }
    }
    void colorMask(GLuint target, bool r, bool g, bool b, bool a)
    {
        const uint8_t mask = static_cast<uint8_t>((r ? 1 : 0) | (g ? 2 : 0) | (b ? 4 : 0) | (a ? 8 : 0));
        if (target < 4 && m_colorMask[target] == mask)
            return;
        if (target < 4)
            m_colorMask[target] = mask;
        ++m_pixelChanges;
        GLFn::glColorMaski(target, r, g, b, a);
    }
    void viewport(GLint x, GLint y, GLsizei width, GLsizei height)
    {
        if (change4(m_viewport, x, y, width, height))
            GLFn::glViewport(x, y, width, height);
    }
    void depthRange(float nearZ, float farZ)
    {
        if (change4(m_depthRange, nearZ, farZ, 0.0f, 0.0f)) {
            GLFn::glDepthRange(nearZ, farZ);
            ++m_pixelChanges;
        }
    }
    void scissor(GLint x, GLint y, GLsizei width, GLsizei height)
    {
        if (change4(m_scissor, x, y, width, height))
            GLFn::glScissor(x, y, width, height);
    }
    void clearColor(const float (&c)[4])
    {
        if (change(m_clearColor, c))
            GLFn::glClearColor(c[0], c[1], c[2], c[3]);
    }
    void clearDepth(float depth)
    {
        if (change4(m_clearDepth, depth, 0.0f, 0.0f, 0.0f))
            GLFn::glClearDepth(depth);
    }
    void clearStencil(GLint value)
    {
        if (change(m_clearStencil, static_cast<GLuint>(value)))
            GLFn::glClearStencil(value);
    }
    void activeTexture(int unit)
    {
        if (change(m_activeUnit, static_cast<GLuint>(unit)))
            GLFn::glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    }
    // Binds `name` to `target` on the unit; a unit holds one texture of one target at a time
    // here, so one bound to another target before is unbound first. The active unit changes
    // only when something is bound: calls that act on the active unit's texture select it first.
    void bindTexture(int unit, GLenum target, GLuint name)
    {
        Unit& u = m_units[unit];
        if (u.known && u.target == target && u.name == name)
            return;
        activeTexture(unit);
        if (u.known && u.target && u.target != target && u.name)
            GLFn::glBindTexture(u.target, 0);
        if (target)
            GLFn::glBindTexture(target, name);
        u = Unit{true, target, target ? name : 0};
        ++m_pixelChanges;
    }
    // A texture deleted while bound leaves its units holding nothing; a framebuffer not bound
    // at the time keeps it attached, so its attachment is no longer known.
    void textureDeleted(GLuint name)
    {
        for (Unit& u : m_units)
            if (u.name == name)
                u.name = 0;
        for (Image& image : m_attached)
            if (image.name == name)
                image = Image{};
        for (CopyImage& image : m_copyImages)
            if (image.image.name == name)
                image = CopyImage{};
    }
    // An image attached to a framebuffer: a texture name and level, known or not.
    struct Image {
        bool known = false;
        GLenum target = 0;
        GLuint name = 0;
        GLint level = 0;
        bool operator==(const Image& other) const
        {
            return known && other.known && target == other.target && name == other.name && level == other.level;
        }
    };
    // The image a copy framebuffer of the device (0 read, 1 draw) holds complete, and at which
    // point: a copy between the same surfaces as last time attaches nothing again.
    struct CopyImage {
        Image image;
        GLenum attachment = 0;
        bool operator==(const CopyImage& other) const { return image == other.image && attachment == other.attachment; }
    };
    CopyImage& copyImage(int framebuffer) { return m_copyImages[framebuffer]; }
    // Attaches an image (or nothing: name 0) to a point of the bound GL_FRAMEBUFFER, which must
    // be the one framebuffer whose attachments are kept here (the device's draw framebuffer):
    // colour 0..3, then depth and stencil. True when something was sent.
    bool attachColour(int index, GLenum imageTarget, GLuint name, GLint level)
    {
        const Image wanted{true, name ? imageTarget : GL_TEXTURE_2D, name, name ? level : 0};
        if (m_attached[index] == wanted)
            return false;
        GLFn::glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(index), wanted.target,
                                     name, wanted.level);
        m_attached[index] = wanted;
        return true;
    }
    // Depth (and stencil when `stencil`) from one image, or neither for name 0.
    bool attachDepthStencil(GLenum imageTarget, GLuint name, GLint level, bool stencil)
    {
        const Image image{true, name ? imageTarget : GL_TEXTURE_2D, name, name ? level : 0};
        const Image none{true, GL_TEXTURE_2D, 0, 0};
        Image& depth = m_attached[kDepthImage];
        Image& stencilImage = m_attached[kStencilImage];
        const Image& wantedStencil = stencil ? image : none;
        if (depth == image && stencilImage == wantedStencil)
            return false;
        if (name && stencil) {
            GLFn::glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, image.target, name, image.level);
        } else {
            if (!(stencilImage == none))
                GLFn::glFramebufferTexture2D(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_TEXTURE_2D, 0, 0);
            if (!(depth == image))
                GLFn::glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, image.target, name, image.level);
        }
        depth = image;
        stencilImage = wantedStencil;
        return true;
    }
    bool drawBuffers(const GLenum (&buffers)[4])
    {
        if (!change(m_drawBuffers, buffers))
            return false;
        GLFn::glDrawBuffers(4, buffers);
        return true;
    }
    void bindFramebuffer(GLenum target, GLuint framebuffer)
    {
        const bool read = target == GL_FRAMEBUFFER || target == GL_READ_FRAMEBUFFER;
        const bool draw = target == GL_FRAMEBUFFER || target == GL_DRAW_FRAMEBUFFER;
        if ((!read || m_readFramebuffer == framebuffer) && (!draw || m_drawFramebuffer == framebuffer))
            return;
        GLFn::glBindFramebuffer(target, framebuffer);
        if (read)
            m_readFramebuffer = framebuffer;
        if (draw)
            m_drawFramebuffer = framebuffer;
    }
    void useProgram(GLuint program)
    {
        if (change(m_program, program)) {
            GLFn::glUseProgram(program);
            ++m_pixelChanges;
        }
    }
    void bindArrayBuffer(GLuint buffer)
    {
        if (change(m_arrayBuffer, buffer))
            GLFn::glBindBuffer(GL_ARRAY_BUFFER, buffer);
    }
    void bindElementBuffer(GLuint buffer)
    {
        if (change(m_elementBuffer, buffer))
            GLFn::glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer);
    }
    void bindUniformBuffer(GLuint buffer)
    {
        if (change(m_uniformBuffer, buffer))
            GLFn::glBindBuffer(GL_UNIFORM_BUFFER, buffer);
    }
    // Binds the buffer to a uniform block binding point (and, as GL does, to the generic one).
    void bindUniformBlock(GLuint binding, GLuint buffer)
    {
        if (binding < kUniformBlocks && m_uniformBlocks[binding] == buffer)
            return;
        GLFn::glBindBufferBase(GL_UNIFORM_BUFFER, binding, buffer);
        ++m_pixelChanges;
        if (binding < kUniformBlocks)
            m_uniformBlocks[binding] = buffer;
        m_uniformBuffer = buffer;
    }
    // A buffer deleted while bound leaves its bindings empty.
    void bufferDeleted(GLuint buffer)
    {
        if (m_uniformBuffer == buffer)
            m_uniformBuffer = kUnknown;
        for (GLuint& block : m_uniformBlocks)
            if (block == buffer)
                block = kUnknown;
        if (m_arrayBuffer == buffer)
            m_arrayBuffer = kUnknown;
        if (m_elementBuffer == buffer)
            m_elementBuffer = kUnknown;
        for (Attribute& a : m_attributes)
            if (a.buffer == buffer)
                a = Attribute{};
    }
    void attribute(GLuint location, GLuint buffer, GLint size, GLenum type, GLboolean normalized, GLsizei stride,
                   uintptr_t offset, GLuint divisor)
    {
        Attribute& a = m_attributes[location];
        if (!a.known || a.buffer != buffer || a.size != size || a.type != type || a.normalized != normalized ||
            a.stride != stride || a.offset != offset) {
            bindArrayBuffer(buffer);
            GLFn::glVertexAttribPointer(location, size, type, normalized, stride,
                                        reinterpret_cast<const void*>(offset));
            a = Attribute{true, buffer, size, type, normalized, stride, offset, a.divisor};
        }
        if (a.divisor != divisor) {
            GLFn::glVertexAttribDivisor(location, divisor);
            a.divisor = divisor;
        }
    }
    void enableAttributes(unsigned enabled)
    {
        // Only the slots that change: most draws keep the set the last one enabled.
        for (unsigned changed = enabled ^ m_enabledAttributes; changed; changed &= changed - 1) {
            const int i = __builtin_ctz(changed);
            if (i >= kAttributeSlots)
                break;
            if (enabled & (1u << i))
                GLFn::glEnableVertexAttribArray(static_cast<GLuint>(i));
            else
                GLFn::glDisableVertexAttribArray(static_cast<GLuint>(i));
        }
        m_enabledAttributes = enabled;
    }

private:
    static constexpr GLuint kUnknown = 0xFFFFFFFFu;

    struct Unit {
        bool known = false;
        GLenum target = 0;
        GLuint name = 0;
    };
    static constexpr int kDepthImage = 4;
    static constexpr int kStencilImage = 5;
    struct Attribute {
        bool known = false;
        GLuint buffer = 0;
        GLint size = 0;
        GLenum type = 0;
        GLboolean normalized = 0;
        GLsizei stride = 0;
        uintptr_t offset = 0;
        GLuint divisor = kUnknown;
    };

    static int capIndex(GLenum cap)
    {
        switch (cap) {
        case GL_BLEND:
            return 0;
        case GL_DEPTH_TEST:
            return 1;
        case GL_STENCIL_TEST:
            return 2;
        case GL_CULL_FACE:
            return 3;
        case GL_POLYGON_OFFSET_FILL:
            return 4;
        case GL_POLYGON_OFFSET_LINE:
            return 5;
        case GL_POLYGON_OFFSET_POINT:
            return 6;
        case GL_SCISSOR_TEST:
            return 7;
        default:
            if (cap >= GL_CLIP_DISTANCE0 && cap < GL_CLIP_DISTANCE0 + 6)
                return 8 + static_cast<int>(cap - GL_CLIP_DISTANCE0);
            return -1;
        }
    }

    template <typename T> static bool change(T& held, T wanted)
    {
        if (held == wanted)
            return false;
        held = wanted;
        return true;
    }
    template <typename T, size_t N> static bool change(T (&held)[N], const T (&wanted)[N])
    {
        if (std::memcmp(held, wanted, sizeof held) == 0)
            return false;
        std::memcpy(held, wanted, sizeof held);
        return true;
    }
    template <typename T, typename A, typename B, typename C, typename D>
    static bool change4(T (&held)[4], A a, B b, C c, D d)
    {
        const T values[4] = {static_cast<T>(a), static_cast<T>(b), static_cast<T>(c), static_cast<T>(d)};
        return change(held, values);
    }

    // Unknown values are ones no call sets: NaN floats, all-ones words, -1 flags.
    int8_t m_caps[14] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    GLuint m_blendFunc[4] = {kUnknown, kUnknown, kUnknown, kUnknown};
    GLuint m_blendEquation[4] = {kUnknown, kUnknown, kUnknown, kUnknown};
    float m_blendColor[4] = {-1.0f, -1.0f, -1.0f, -1.0f};
    GLuint m_depthFunc = kUnknown;
    GLuint m_depthMask = kUnknown;
    GLuint m_stencilFunc[2][4] = {{kUnknown, kUnknown, kUnknown, kUnknown}, {kUnknown, kUnknown, kUnknown, kUnknown}};
    GLuint m_stencilOp[2][4] = {{kUnknown, kUnknown, kUnknown, kUnknown}, {kUnknown, kUnknown, kUnknown, kUnknown}};
    GLuint m_stencilMask = kUnknown;
    GLuint m_cullFace = kUnknown;
    GLuint m_polygonMode = kUnknown;
    float m_polygonOffset[4] = {-1e30f, -1e30f, -1e30f, -1e30f};
    uint8_t m_colorMask[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    GLint m_viewport[4] = {-1, -1, -1, -1};
    float m_depthRange[4] = {-1.0f, -1.0f, -1.0f, -1.0f};
    GLint m_scissor[4] = {-1, -1, -1, -1};
    float m_clearColor[4] = {-1.0f, -1.0f, -1.0f, -1.0f};
    float m_clearDepth[4] = {-1.0f, -1.0f, -1.0f, -1.0f};
    GLuint m_clearStencil = kUnknown;
    GLuint m_activeUnit = kUnknown;
    Unit m_units[kTextureUnits];
    GLuint m_readFramebuffer = kUnknown;
    GLuint m_drawFramebuffer = kUnknown;
    GLuint m_program = kUnknown;
    GLuint m_arrayBuffer = kUnknown;
    GLuint m_elementBuffer = kUnknown;
    Attribute m_attributes[kAttributeSlots];
    Image m_attached[6];
    CopyImage m_copyImages[2];
    static constexpr int kUniformBlocks = 8;
    GLuint m_uniformBuffer = kUnknown;
    GLuint m_uniformBlocks[kUniformBlocks] = {kUnknown, kUnknown, kUnknown, kUnknown,
                                              kUnknown, kUnknown, kUnknown, kUnknown};
    GLenum m_drawBuffers[4] = {kUnknown, kUnknown, kUnknown, kUnknown};
    unsigned m_enabledAttributes = 0;
    uint32_t m_pixelChanges = 0;
};

} // namespace D3D9Internal
