// Programs the device builds per state: alpha test, sRGB write and user clip planes compiled in
// only while on, samplers holding the same texture read once, programs reused once built, and the GL error
// state left clean when an effect's program is deleted while current.
#include "D3D9TestSupport.h"

#include <d3dx9.h>

#include "d3d9/D3D9Internal.h"

#include <string>
#include <tuple>

using namespace D3D9Testing;
using namespace GLFn;

namespace {

// Two samplers of one texture parameter each; the left half of the target reads the first, the
// right half the second, with no branch (both are always read).
const char* kTwoSamplers = "texture g_A;\n"
                           "texture g_B;\n"
                           "sampler g_SA = sampler_state { Texture = <g_A>; MinFilter = POINT; MagFilter = POINT;\n"
                           "    AddressU = CLAMP; AddressV = CLAMP; };\n"
                           "sampler g_SB = sampler_state { Texture = <g_B>; MinFilter = POINT; MagFilter = POINT;\n"
                           "    AddressU = WRAP; AddressV = WRAP; };\n"
                           "float4 PS(float2 uv : TEXCOORD0) : COLOR0\n"
                           "{\n"
                           "    float2 at = float2(1.25, 0.5);\n"
                           "    float4 a = tex2D(g_SA, at);\n"
                           "    float4 b = tex2D(g_SB, at);\n"
                           "    return uv.x < 0.5 ? a : b;\n"
                           "}\n"
                           "technique T { pass { CullMode = None; PixelShader = compile ps_2_0 PS(); } }\n";

} // namespace

class D3D9ProgramVariantTest : public DeviceFixture {
protected:
    void drawScreenQuad(D3DCOLOR colour)
    {
        ScreenVertex quad[4];
        screenQuad(quad, -0.5f, -0.5f, 15.5f, 7.5f, colour);
        m_device->SetFVF(kScreenVertexFvf);
        EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex)), D3D_OK);
    }

    D3DCOLOR drawAndRead(D3DCOLOR colour)
    {
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
        drawScreenQuad(colour);
        return readBackBuffer().at(4, 4);
    }

    ID3DXEffect* createEffect(const std::string& text)
    {
        ID3DXEffect* effect = nullptr;
        EXPECT_EQ(D3DXCreateEffect(m_device, text.data(), static_cast<UINT>(text.size()), nullptr, nullptr, 0, nullptr,
                                   &effect, nullptr),
                  D3D_OK);
        return effect;
    }

    size_t programCount() { return D3D9Internal::programCount(m_device); }
};

// Each state switch must reach the very next draw, in both directions, for the fixed-function
// pixel stage and for an effect's pixel shader; going back and forth builds nothing new.
TEST_F(D3D9ProgramVariantTest, AlphaTestAndSrgbWriteFollowTheirStatesWithoutNewProgramsWhenRepeated)
{
    ASSERT_TRUE(createDevice(16, 8));
    m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_device->SetRenderState(D3DRS_ALPHAREF, 0x80);
    m_device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    const D3DCOLOR faint = 0x40808080; // alpha below the reference

    ID3DXEffect* effect = createEffect("float4 PS(float4 c : COLOR0) : COLOR0 { return c; }\n"
                                       "technique T { pass { PixelShader = compile ps_2_0 PS(); } }\n");
    ASSERT_NE(effect, nullptr);
    size_t warm = 0;
    for (int round = 0; round < 3; ++round) {
        for (bool shader : {false, true}) {
            UINT passes = 0;
            if (shader) {
                effect->Begin(&passes, 0);
                effect->BeginPass(0);
            }
            SCOPED_TRACE(std::string(shader ? "effect" : "fixed function") + " round " + std::to_string(round));
            m_device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
            EXPECT_EQ(drawAndRead(faint), 0xFF0000FFu) << "alpha test drops the pixel";
            m_device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_ALWAYS);
            EXPECT_EQ(drawAndRead(faint), 0x40808080u) << "ALWAYS passes";
            m_device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_LESS);
            EXPECT_EQ(drawAndRead(faint), 0x40808080u) << "LESS passes the faint pixel";
            m_device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
            m_device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
            EXPECT_EQ(drawAndRead(faint), 0x40808080u) << "no alpha test";
            // sRGB write: 0x80 linear is 0xBC encoded.
            m_device->SetRenderState(D3DRS_SRGBWRITEENABLE, TRUE);
            EXPECT_TRUE(near(drawAndRead(0xFF808080), 0xFFBCBCBC, 1)) << hex(drawAndRead(0xFF808080));
            m_device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
            EXPECT_EQ(drawAndRead(faint), 0xFF0000FFu) << "both steps at once";
            EXPECT_TRUE(near(drawAndRead(0xFF808080), 0xFFBCBCBC, 1)) << hex(drawAndRead(0xFF808080));
            m_device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
            m_device->SetRenderState(D3DRS_SRGBWRITEENABLE, FALSE);
            EXPECT_EQ(drawAndRead(0xFF808080), 0xFF808080u);
            if (shader) {
                effect->EndPass();
                effect->End();
            }
        }
        if (round == 0)
            warm = programCount();
    }
    EXPECT_EQ(programCount(), warm) << "every variant is built once";
    effect->Release();
}

// Samplers that hold one texture may share a fetch only when their sampler states agree too, and
// a texture changed on one of them must reach the next draw.
TEST_F(D3D9ProgramVariantTest, SamplersShareAFetchOnlyForTheSameTextureAndStates)
{
    ASSERT_TRUE(createDevice(16, 8));
    IDirect3DTexture9* redBlue = createTexture(m_device, 2, 1, {0xFFFF0000, 0xFF0000FF});
    IDirect3DTexture9* green = createTexture(m_device, 2, 1, {0xFF00FF00, 0xFF00FF00});
    ID3DXEffect* effect = createEffect(kTwoSamplers);
    ASSERT_NE(effect, nullptr);
    ASSERT_NE(redBlue, nullptr);
    ASSERT_NE(green, nullptr);

    auto draw = [&] {
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        UINT passes = 0;
        effect->Begin(&passes, 0);
        effect->BeginPass(0);
        drawScreenQuad(0xFFFFFFFF);
        effect->EndPass();
        effect->End();
        Image image = readBackBuffer();
        return std::make_pair(image.at(2, 4), image.at(13, 4));
    };
    // u = 1.25: clamped it reads the right texel, wrapped the left one.
    effect->SetTexture("g_A", redBlue);
    effect->SetTexture("g_B", green);
    EXPECT_EQ(draw(), std::make_pair(0xFF0000FFu, 0xFF00FF00u));
    effect->SetTexture("g_B", redBlue);
    EXPECT_EQ(draw(), std::make_pair(0xFF0000FFu, 0xFFFF0000u)) << "same texture, other addressing";

    // Same texture and the same states: both halves read one texel.
    effect->Begin(nullptr, 0);
    effect->BeginPass(0);
    m_device->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    m_device->SetSamplerState(1, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    drawScreenQuad(0xFFFFFFFF);
    Image same = readBackBuffer();
    EXPECT_EQ(same.at(2, 4), 0xFF0000FFu);
    EXPECT_EQ(same.at(13, 4), 0xFF0000FFu);
    // Another texture on the second sampler only: the next draw reads it again.
    m_device->SetTexture(1, green);
    drawScreenQuad(0xFFFFFFFF);
    Image split = readBackBuffer();
    EXPECT_EQ(split.at(2, 4), 0xFF0000FFu);
    EXPECT_EQ(split.at(13, 4), 0xFF00FF00u);
    effect->EndPass();
    effect->End();

    effect->Release();
    redBlue->Release();
    green->Release();
}

// Releasing an effect whose program is current and making another must not leave a GL error
// behind, and buffers must not fail for errors that earlier calls left pending.
TEST_F(D3D9ProgramVariantTest, DeletedProgramsAndStaleGLErrorsDoNotFailLaterCalls)
{
    ASSERT_TRUE(createDevice(16, 8));
    const std::string text =
        "float4 VS(float4 p : POSITION) : POSITION { return p; }\n"
        "float4 PS() : COLOR0 { return float4(0, 1, 0, 1); }\n"
        "technique T { pass { CullMode = None; ZEnable = False; VertexShader = compile vs_2_0 VS();\n"
        "                     PixelShader = compile ps_2_0 PS(); } }\n";
    ID3DXEffect* first = createEffect(text);
    ASSERT_NE(first, nullptr);
    UINT passes = 0;
    first->Begin(&passes, 0);
    first->BeginPass(0);
    drawScreenQuad(0xFFFFFFFF); // its program is now current in GL
    first->EndPass();
    first->End();
    first->Release();

    ASSERT_TRUE(D3D9Internal::makeCurrent(m_device));
    while (glGetError() != GL_NO_ERROR) {}
    // Different text, so that a new program is linked.
    ID3DXEffect* second = createEffect(text + "float4 g_Unused;\n");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    second->Begin(&passes, 0);
    second->BeginPass(0);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    const ScreenVertex quad[4] = {
        {-1, 1, 0.5f, 1, 0, 0, 0}, {1, 1, 0.5f, 1, 0, 0, 0}, {-1, -1, 0.5f, 1, 0, 0, 0}, {1, -1, 0.5f, 1, 0, 0, 0}};
    m_device->SetFVF(D3DFVF_XYZW);
    // XYZW positions pass through the vertex shader as clip-space corners covering the target.
    m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex));
    second->EndPass();
    second->End();
    EXPECT_EQ(readBackBuffer().at(4, 4), 0xFF00FF00u);
    second->Release();

    // A stale error from someone else's call.
    ASSERT_TRUE(D3D9Internal::makeCurrent(m_device));
    glUseProgram(0x7FFFFFF0u);
    IDirect3DVertexBuffer9* vertices = nullptr;
    EXPECT_EQ(m_device->CreateVertexBuffer(256, D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &vertices, nullptr), D3D_OK);
    glUseProgram(0x7FFFFFF0u);
    IDirect3DIndexBuffer9* indices = nullptr;
    EXPECT_EQ(m_device->CreateIndexBuffer(256, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &indices, nullptr),
              D3D_OK);
    if (vertices)
        vertices->Release();
    if (indices)
        indices->Release();
}

// The driver keeps about a megabyte for every linked program: an effect links nothing until a
// pass is drawn, and passes (of one effect or of several) whose stages compile from the same
// texts and bind their samplers alike draw with one program, which lives while any of them does.
TEST_F(D3D9ProgramVariantTest, PassesOfTheSameTextsLinkOnFirstDrawAndShareOneProgram)
{
    ASSERT_TRUE(createDevice(16, 8));
    const std::string text =
        "texture g_T;\n"
        "sampler g_S = sampler_state { Texture = <g_T>; MinFilter = POINT; MagFilter = POINT; };\n"
        "float4 g_Tint = float4(1, 1, 1, 1);\n"
        "float4 Plain(float2 uv : TEXCOORD0) : COLOR0 { return tex2D(g_S, uv); }\n"
        "float4 Tinted(float2 uv : TEXCOORD0) : COLOR0 { return tex2D(g_S, uv) * g_Tint; }\n"
        "technique A { pass { CullMode = None; PixelShader = compile ps_2_0 Plain(); } }\n"
        "technique B { pass { CullMode = None; ZWriteEnable = False; PixelShader = compile ps_2_0 Plain(); } }\n"
        "technique C { pass { CullMode = None; PixelShader = compile ps_2_0 Tinted(); } }\n";
    IDirect3DTexture9* red = createTexture(m_device, 1, 1, {0xFFFF0000});
    IDirect3DTexture9* green = createTexture(m_device, 1, 1, {0xFF00FF00});
    ASSERT_NE(red, nullptr);
    ASSERT_NE(green, nullptr);
    m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
    drawAndRead(0xFFFFFFFF); // the fixed-function program, linked once
    const size_t before = D3D9Internal::linkedProgramCount(m_device);

    ID3DXEffect* first = createEffect(text);
    ID3DXEffect* second = createEffect(text);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(D3D9Internal::linkedProgramCount(m_device), before) << "nothing linked before a draw";
    auto draw = [&](ID3DXEffect* effect, const char* technique, IDirect3DTexture9* texture) {
        effect->SetTechnique(technique);
        effect->SetTexture("g_T", texture);
        const D3DXVECTOR4 tint(0.0f, 1.0f, 1.0f, 1.0f);
        effect->SetVector("g_Tint", &tint);
        UINT passes = 0;
        effect->Begin(&passes, 0);
        effect->BeginPass(0);
        const D3DCOLOR colour = drawAndRead(0xFFFFFFFF);
        effect->EndPass();
        effect->End();
        return colour;
    };
    EXPECT_EQ(draw(first, "A", red), 0xFFFF0000u);
    EXPECT_EQ(D3D9Internal::linkedProgramCount(m_device), before + 1);
    EXPECT_EQ(draw(first, "B", green), 0xFF00FF00u) << "same text, other states";
    EXPECT_EQ(draw(second, "A", red), 0xFFFF0000u) << "same text, other effect";
    EXPECT_EQ(D3D9Internal::linkedProgramCount(m_device), before + 1);
    EXPECT_EQ(draw(first, "C", red), 0xFF000000u) << "tinted: red times (0, 1, 1)";
    EXPECT_EQ(D3D9Internal::linkedProgramCount(m_device), before + 2);

    first->Release();
    EXPECT_EQ(draw(second, "B", green), 0xFF00FF00u) << "the shared program outlives the first effect";
    EXPECT_EQ(D3D9Internal::linkedProgramCount(m_device), before + 1);
    second->Release();
    EXPECT_EQ(D3D9Internal::linkedProgramCount(m_device), before);
    red->Release();
    green->Release();
}

// The same shader text whose sampler sits on another unit must not borrow the other's program:
// the unit is set when the program is linked.
TEST_F(D3D9ProgramVariantTest, TheSameTextWithItsSamplerOnAnotherUnitLinksItsOwnProgram)
{
    ASSERT_TRUE(createDevice(16, 8));
    auto text = [](int unit) {
        return "texture g_T;\n"
               "sampler g_S : register(s" +
               std::to_string(unit) +
               ") = sampler_state { Texture = <g_T>; MinFilter = POINT; MagFilter = POINT; };\n"
               "float4 PS(float2 uv : TEXCOORD0) : COLOR0 { return tex2D(g_S, uv); }\n"
               "technique T { pass { CullMode = None; PixelShader = compile ps_2_0 PS(); } }\n";
    };
    IDirect3DTexture9* red = createTexture(m_device, 1, 1, {0xFFFF0000});
    IDirect3DTexture9* green = createTexture(m_device, 1, 1, {0xFF00FF00});
    ID3DXEffect* onZero = createEffect(text(0));
    ID3DXEffect* onTwo = createEffect(text(2));
    ASSERT_TRUE(red && green && onZero && onTwo);
    auto draw = [&](ID3DXEffect* effect, IDirect3DTexture9* texture) {
        effect->SetTexture("g_T", texture);
        effect->Begin(nullptr, 0);
        effect->BeginPass(0);
        const D3DCOLOR colour = drawAndRead(0xFFFFFFFF);
        effect->EndPass();
        effect->End();
        return colour;
    };
    EXPECT_EQ(draw(onZero, red), 0xFFFF0000u);
    EXPECT_EQ(draw(onTwo, green), 0xFF00FF00u) << "unit 0 still holds red";
    onZero->Release();
    onTwo->Release();
    red->Release();
    green->Release();
}

// User clip planes cut an effect's geometry in clip space while they are enabled, and only the
// program built for that state carries their distances; two effects of one text share it.
TEST_F(D3D9ProgramVariantTest, UserClipPlanesCutShaderGeometryOnlyInTheVariantBuiltForThem)
{
    ASSERT_TRUE(createDevice(16, 8));
    const std::string text = "float4 VS(float4 p : POSITION) : POSITION { return p; }\n"
                             "float4 PS() : COLOR0 { return float4(1, 1, 1, 1); }\n"
                             "technique T { pass { CullMode = None; ZEnable = False;\n"
                             "    VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); } }\n";
    ID3DXEffect* first = createEffect(text);
    ID3DXEffect* second = createEffect(text);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    // Keep clip-space x <= 0: the left half of the target.
    const float plane[4] = {-1.0f, 0.0f, 0.0f, 0.0f};
    ASSERT_EQ(m_device->SetClipPlane(0, plane), D3D_OK);
    struct V {
        float x, y, z;
    };
    const V quad[4] = {{-1, -1, 0.5f}, {1, -1, 0.5f}, {-1, 1, 0.5f}, {1, 1, 0.5f}};
    // The colours left and right, and whether the program in use has the clip step.
    auto draw = [&](ID3DXEffect* effect, DWORD planes) {
        m_device->SetRenderState(D3DRS_CLIPPLANEENABLE, planes);
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
        UINT passes = 0;
        effect->Begin(&passes, 0);
        effect->BeginPass(0);
        m_device->SetFVF(D3DFVF_XYZ);
        EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(V)), D3D_OK);
        const GLuint program = D3D9Internal::currentProgram(m_device);
        const bool clipStep = program && glGetUniformLocation(program, "ulvo_ClipMask") >= 0;
        effect->EndPass();
        effect->End();
        Image image = readBackBuffer();
        return std::make_tuple(image.at(3, 4), image.at(12, 4), clipStep);
    };
    size_t warm = 0;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        EXPECT_EQ(draw(first, 0), std::make_tuple(0xFFFFFFFFu, 0xFFFFFFFFu, false));
        EXPECT_EQ(draw(first, D3DCLIPPLANE0), std::make_tuple(0xFFFFFFFFu, 0xFF0000FFu, true));
        EXPECT_EQ(draw(second, D3DCLIPPLANE0), std::make_tuple(0xFFFFFFFFu, 0xFF0000FFu, true));
        m_device->SetRenderState(D3DRS_CLIPPING, FALSE);
        EXPECT_EQ(draw(second, D3DCLIPPLANE0), std::make_tuple(0xFFFFFFFFu, 0xFFFFFFFFu, false));
        m_device->SetRenderState(D3DRS_CLIPPING, TRUE);
        EXPECT_EQ(draw(second, 0), std::make_tuple(0xFFFFFFFFu, 0xFFFFFFFFu, false));
        if (round == 0)
            warm = D3D9Internal::linkedProgramCount(m_device);
    }
    EXPECT_EQ(D3D9Internal::linkedProgramCount(m_device), warm) << "each variant is linked once";
    first->Release();
    second->Release();
}
