// The device sends GL only what changed: a run of draws that set the same states again costs
// few calls each, while every real change (a texture, a blend, a texture deleted and its GL
// name handed to a new one) still reaches the picture, also after Present copied the back buffer
// into the window with states of its own.
#include "D3D9TestSupport.h"

#include "d3d9/D3D9Internal.h"

#include <platform_test.h>

using namespace D3D9Testing;
using namespace GLFn;

class D3D9StateCacheTest : public DeviceFixture {
protected:
    void TearDown() override
    {
        PlatformLeaveOutProgram(0);
        PlatformCountGLCalls(false);
        DeviceFixture::TearDown();
    }

    // What a sprite batch or an effect pass does per draw: every state again, then the draw.
    void drawTexturedQuad(IDirect3DTexture9* texture, float x0, float y0, float x1, float y1, bool blend)
    {
        m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, blend);
        m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        m_device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        m_device->SetTexture(0, texture);
        m_device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
        m_device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
        m_device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
        m_device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
        m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        m_device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        D3DVIEWPORT9 viewport{0, 0, 32, 32, 0.0f, 1.0f};
        m_device->SetViewport(&viewport);
        m_device->SetFVF(kScreenVertexFvf);
        ScreenVertex quad[4];
        screenQuad(quad, x0, y0, x1, y1, 0xFFFFFFFF);
        m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex));
    }
};

TEST_F(D3D9StateCacheTest, RepeatedStatesCostFewCallsAndChangesStillShow)
{
    ASSERT_TRUE(createDevice(32, 32));
    IDirect3DTexture9* red = createTexture(m_device, 1, 1, {0xFFFF0000});
    IDirect3DTexture9* green = createTexture(m_device, 1, 1, {0x8000FF00});
    ASSERT_TRUE(red && green);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    drawTexturedQuad(red, 0, 0, 1, 1, false); // programs and buffers are made here

    uint64_t calls = 0, draws = 0, callsAfter = 0, drawsAfter = 0;
    PlatformCountGLCalls(true);
    PlatformGLCallCounts(calls, draws);
    // Sixteen strips of eight quads, the texture and blending changing between strips.
    for (int row = 0; row < 16; ++row) {
        for (int column = 0; column < 8; ++column)
            drawTexturedQuad(row % 2 ? green : red, column * 4.0f, row * 2.0f, column * 4.0f + 4, row * 2.0f + 2,
                             row % 2 != 0);
    }
    PlatformGLCallCounts(callsAfter, drawsAfter);
    ASSERT_EQ(drawsAfter - draws, 128u);
    // A draw from memory needs its vertices copied (map, copy, unmap) and the attribute
    // pointers moved; state changes come on top at the strips' ends.
    EXPECT_LE(static_cast<double>(callsAfter - calls) / 128.0, 8.0) << (callsAfter - calls) << " calls";

    const Image image = readBackBuffer();
    EXPECT_TRUE(near(image.at(5, 1), 0xFFFF0000)) << hex(image.at(5, 1));
    // Half green over black, blended.
    EXPECT_TRUE(near(image.at(5, 3), D3DCOLOR_ARGB(0xBF, 0, 128, 0))) << hex(image.at(5, 3));
    red->Release();
    green->Release();
}

TEST_F(D3D9StateCacheTest, TextureMadeWhereADeletedOneWasIsBound)
{
    ASSERT_TRUE(createDevice(8, 8));
    // Drawn, unset and released: GL gives its name to the next texture made.
    IDirect3DTexture9* first = createTexture(m_device, 1, 1, {0xFFFF0000});
    ASSERT_NE(first, nullptr);
    drawTexturedQuad(first, 0, 0, 8, 8, false);
    m_device->SetTexture(0, nullptr);
    first->Release();
    IDirect3DTexture9* second = createTexture(m_device, 1, 1, {0xFF0000FF});
    ASSERT_NE(second, nullptr);
    drawTexturedQuad(second, 0, 0, 8, 8, false);
    EXPECT_TRUE(near(readBackBuffer().at(4, 4), 0xFF0000FF)) << hex(readBackBuffer().at(4, 4));
    m_device->SetTexture(0, nullptr);
    second->Release();
}

TEST_F(D3D9StateCacheTest, StatesChangedByCopiesAndClearsAreSetAgainForTheNextDraw)
{
    ASSERT_TRUE(createDevice(16, 16));
    IDirect3DTexture9* white = createTexture(m_device, 1, 1, {0xFFFFFFFF});
    ASSERT_NE(white, nullptr);
    // A colour mask on blue only, then a clear (which writes every channel) and a colour fill
    // (which moves the scissor): the next draw still writes blue only inside its viewport.
    m_device->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_BLUE);
    m_device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    drawTexturedQuad(white, 0, 0, 16, 16, false);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF400000, 1.0f, 0);
    IDirect3DSurface9* back = nullptr;
    m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    ASSERT_NE(back, nullptr);
    const RECT corner{0, 0, 4, 4};
    m_device->ColorFill(back, &corner, 0xFF004000);
    back->Release();
    drawTexturedQuad(white, 0, 0, 16, 16, false);
    const Image image = readBackBuffer();
    EXPECT_TRUE(near(image.at(1, 1), 0xFF0040FF)) << hex(image.at(1, 1));
    EXPECT_TRUE(near(image.at(10, 10), 0xFF4000FF)) << hex(image.at(10, 10));
    m_device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    m_device->SetTexture(0, nullptr);
    white->Release();
}

TEST_F(D3D9StateCacheTest, DrawsOfALeftOutProgramAreCountedButNotMadeWhileCallsAreCounted)
{
    ASSERT_TRUE(createDevice(32, 32));
    IDirect3DTexture9* green = createTexture(m_device, 1, 1, {0xFF00FF00});
    ASSERT_NE(green, nullptr);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    drawTexturedQuad(green, 0, 0, 8, 8, false);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    ASSERT_NE(program, 0);

    // Switched on without counting, it leaves nothing out.
    PlatformLeaveOutProgram(static_cast<unsigned>(program));
    drawTexturedQuad(green, 8, 0, 16, 8, false);
    PlatformCountGLCalls(true);
    uint64_t calls = 0, draws = 0;
    PlatformGLCallCounts(calls, draws);
    drawTexturedQuad(green, 16, 0, 24, 8, false);
    uint64_t callsAfter = 0, drawsAfter = 0;
    PlatformGLCallCounts(callsAfter, drawsAfter);
    EXPECT_EQ(drawsAfter - draws, 1u);
    // Another program's draws are made; with none left out, this one's are again.
    PlatformLeaveOutProgram(static_cast<unsigned>(program) + 1000);
    drawTexturedQuad(green, 24, 0, 32, 8, false);
    PlatformLeaveOutProgram(0);
    drawTexturedQuad(green, 0, 8, 8, 16, false);
    PlatformCountGLCalls(false);

    const Image image = readBackBuffer();
    EXPECT_EQ(image.at(4, 4), 0xFF00FF00u) << hex(image.at(4, 4));
    EXPECT_EQ(image.at(12, 4), 0xFF00FF00u) << hex(image.at(12, 4));
    EXPECT_EQ(image.at(20, 4), 0xFFFF0000u) << hex(image.at(20, 4));
    EXPECT_EQ(image.at(28, 4), 0xFF00FF00u) << hex(image.at(28, 4));
    EXPECT_EQ(image.at(4, 12), 0xFF00FF00u) << hex(image.at(4, 12));
    m_device->SetTexture(0, nullptr);
    green->Release();
}

TEST_F(D3D9StateCacheTest, PresentShowsTheBackBufferUprightAndTheNextDrawKeepsItsStates)
{
    // The window's size, so Present copies texel for texel.
    ASSERT_TRUE(createDevice(320, 240));
    IDirect3DTexture9* green = createTexture(m_device, 1, 1, {0x8000FF00});
    ASSERT_NE(green, nullptr);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF00FF, 1.0f, 0);
    const D3DRECT top{0, 0, 320, 4};
    m_device->Clear(1, &top, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    // Blending, a scissor and a colour mask on, drawn once before Present and once after with
    // the same states: the second draw must still blend, cut and mask.
    const RECT scissor{8, 0, 16, 16};
    m_device->SetScissorRect(&scissor);
    m_device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    m_device->SetRenderState(D3DRS_COLORWRITEENABLE,
                             D3DCOLORWRITEENABLE_GREEN | D3DCOLORWRITEENABLE_BLUE | D3DCOLORWRITEENABLE_ALPHA);
    drawTexturedQuad(green, 0, 8, 16, 16, true);
    // Counted as the copy of a screen it is.
    PlatformCountPixels(true);
    const uint64_t copied = PlatformCopiedPixelCount();
    ASSERT_EQ(m_device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(PlatformCopiedPixelCount() - copied, 320u * 240u);
    PlatformCountPixels(false);

    // The window holds the back buffer with its top row at the top (GL counts rows bottom up).
    GLint readFramebuffer = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    uint8_t topLeft[4] = {}, outside[4] = {}, blended[4] = {};
    glReadPixels(0, 239, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, topLeft);
    glReadPixels(2, 239 - 12, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, outside);
    glReadPixels(12, 239 - 12, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, blended);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer));
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    auto rgb = [](const uint8_t* p) { return D3DCOLOR_ARGB(255, p[0], p[1], p[2]); };
    EXPECT_EQ(rgb(topLeft), 0xFFFF0000u) << hex(rgb(topLeft));
    EXPECT_EQ(rgb(outside), 0xFFFF00FFu) << hex(rgb(outside));
    EXPECT_TRUE(near(rgb(blended), 0xFFFF807F)) << hex(rgb(blended));

    drawTexturedQuad(green, 0, 8, 16, 16, true);
    const Image image = readBackBuffer();
    EXPECT_TRUE(near(image.at(2, 12), 0xFFFF00FF)) << hex(image.at(2, 12));
    // Half green over magenta twice, red masked out.
    EXPECT_TRUE(near(image.at(12, 12), D3DCOLOR_ARGB(0x9F, 255, 192, 63))) << hex(image.at(12, 12));
    EXPECT_TRUE(near(image.at(12, 1), 0xFFFF0000)) << hex(image.at(12, 1));
    m_device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    m_device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    m_device->SetTexture(0, nullptr);
    green->Release();
}
