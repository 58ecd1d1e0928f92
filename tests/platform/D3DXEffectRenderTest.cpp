// Effects on the device: a textured, blended pass drawn and read back, matrix upload as D3DX
// does it, parameters changed inside a pass, pools, state saving, device loss, effects made
// from compiled effects, and stages made for the values of bool, int and float switches.
#include "D3D9TestSupport.h"

#include <d3dx9.h>
#include <platform_test.h>

#include "d3d9/D3D9Internal.h"
#include "d3dx9/effects/ShaderSpecialisation.h"
#include "d3dx9/effects/ShaderTranslator.h"
#include "support/TestSupport.h"

#include <cstring>
#include <string>

using namespace D3D9Testing;

namespace {

std::string effectText(const std::string& name)
{
    return TestSupport::readText(TestSupport::sourceDir() / "tests" / "platform" / "effects" / name);
}

struct ClipVertex {
    float x, y, z, w;
    float u, v;
};

const D3DVERTEXELEMENT9 kClipElements[] = {{0, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
                                           {0, 16, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
                                           D3DDECL_END()};

} // namespace

class D3DXEffectRenderTest : public DeviceFixture {
protected:
    void TearDown() override
    {
        if (m_declaration)
            m_declaration->Release();
        m_declaration = nullptr;
        DeviceFixture::TearDown();
    }

    ID3DXEffect* createEffect(const std::string& text, ID3DXEffectPool* pool = nullptr)
    {
        ID3DXEffect* effect = nullptr;
        ID3DXBuffer* errors = nullptr;
        HRESULT hr = D3DXCreateEffect(m_device, text.data(), static_cast<UINT>(text.size()), nullptr, nullptr, 0, pool,
                                      &effect, &errors);
        std::string messages = errors ? static_cast<const char*>(errors->GetBufferPointer()) : "";
        if (errors)
            errors->Release();
        EXPECT_EQ(hr, D3D_OK) << messages;
        return effect;
    }

    // A quad in clip space from (x0, y0) to (x1, y1), texture coordinates 0..1 from its top left.
    void drawQuad(ID3DXEffect* effect, float x0, float y0, float x1, float y1)
    {
        if (!m_declaration) {
            ASSERT_EQ(m_device->CreateVertexDeclaration(kClipElements, &m_declaration), D3D_OK);
        }
        const ClipVertex quad[4] = {
            {x0, y1, 0.5f, 1, 0, 0}, {x1, y1, 0.5f, 1, 1, 0}, {x0, y0, 0.5f, 1, 0, 1}, {x1, y0, 0.5f, 1, 1, 1}};
        m_device->SetVertexDeclaration(m_declaration);
        UINT passes = 0;
        ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
        for (UINT p = 0; p < passes; ++p) {
            ASSERT_EQ(effect->BeginPass(p), D3D_OK);
            EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ClipVertex)), D3D_OK);
            EXPECT_EQ(effect->EndPass(), D3D_OK);
        }
        EXPECT_EQ(effect->End(), D3D_OK);
    }

    IDirect3DVertexDeclaration9* m_declaration = nullptr;
};

TEST_F(D3DXEffectRenderTest, TexturedPassBlendsWithTheSamplerStatesOfTheEffect)
{
    ASSERT_TRUE(createDevice(32, 32));
    ID3DXEffect* effect = createEffect(effectText("quad.fx"));
    ASSERT_NE(effect, nullptr);
    // Texels: opaque red, half-transparent green / opaque blue, transparent white.
    IDirect3DTexture9* texture = createTexture(m_device, 2, 2, {0xFFFF0000, 0x8000FF00, 0xFF0000FF, 0x00FFFFFF});
    ASSERT_NE(texture, nullptr);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    ASSERT_EQ(effect->SetMatrix("g_Transform", &identity), D3D_OK);
    ASSERT_EQ(effect->SetTexture("g_Texture", texture), D3D_OK);
    ASSERT_EQ(effect->SetTechnique("Textured"), D3D_OK);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000080, 1.0f, 0);
    // Edges off the target and the texel boundary between pixel centres: no ties to round.
    drawQuad(effect, -1.0625f, -1.125f, 1.125f, 1.0625f);
    Image image = readBackBuffer();
    EXPECT_TRUE(near(image.at(0, 0), 0xFFFF0000)) << hex(image.at(0, 0));
    // Half green over dark blue: 0.5 * 255 green, 0.5 * 128 blue (point filtering, clamped).
    EXPECT_TRUE(near(image.at(31, 0), D3DCOLOR_ARGB(0xBF, 0, 128, 64))) << hex(image.at(31, 0));
    EXPECT_TRUE(near(image.at(0, 31), 0xFF0000FF)) << hex(image.at(0, 31));
    EXPECT_TRUE(near(image.at(31, 31), 0xFF000080)) << hex(image.at(31, 31));

    // The tint multiplies; the blend state follows the bool parameter it names.
    const D3DXVECTOR4 half(0.5f, 0.5f, 0.5f, 1.0f);
    effect->SetVector("g_Tint", &half);
    effect->SetBool("g_Blend", FALSE);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000080, 1.0f, 0);
    // Edges off the target and the texel boundary between pixel centres: no ties to round.
    drawQuad(effect, -1.0625f, -1.125f, 1.125f, 1.0625f);
    image = readBackBuffer();
    EXPECT_TRUE(near(image.at(0, 0), D3DCOLOR_ARGB(0xFF, 128, 0, 0))) << hex(image.at(0, 0));
    EXPECT_TRUE(near(image.at(31, 31), D3DCOLOR_ARGB(0, 128, 128, 128))) << hex(image.at(31, 31));
    EXPECT_TRUE(matchesGolden(image, "d3dx_effect_textured_quad"));

    effect->SetTexture("g_Texture", nullptr);
    texture->Release();
    effect->Release();
}

TEST_F(D3DXEffectRenderTest, SetMatrixUploadsRowVectorMatricesAsD3DXDoes)
{
    ASSERT_TRUE(createDevice(32, 16));
    ID3DXEffect* effect = createEffect(effectText("quad.fx"));
    ASSERT_NE(effect, nullptr);
    ASSERT_EQ(effect->SetTechnique("Solid"), D3D_OK);
    const D3DXVECTOR4 white(1, 1, 1, 1);
    effect->SetVector("g_Tint", &white);
    // mul(position, M) with a translation in the bottom row moves the left half to the right.
    D3DXMATRIX move;
    D3DXMatrixTranslation(&move, 1.0f, 0.0f, 0.0f);
    ASSERT_EQ(effect->SetMatrix("g_Transform", &move), D3D_OK);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    drawQuad(effect, -1, -1, 0, 1);
    Image image = readBackBuffer();
    // ColorWriteEnable = Red | Alpha leaves green and blue as cleared.
    EXPECT_EQ(image.at(4, 8), 0xFF000000u) << hex(image.at(4, 8));
    EXPECT_EQ(image.at(20, 8), 0xFFFF0000u) << hex(image.at(20, 8));

    // The transposed form of the transposed matrix is the same transform.
    D3DXMATRIX transposed;
    D3DXMatrixTranspose(&transposed, &move);
    ASSERT_EQ(effect->SetMatrixTranspose("g_Transform", &transposed), D3D_OK);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    drawQuad(effect, -1, -1, 0, 1);
    image = readBackBuffer();
    EXPECT_EQ(image.at(4, 8), 0xFF000000u) << hex(image.at(4, 8));
    EXPECT_EQ(image.at(20, 8), 0xFFFF0000u) << hex(image.at(20, 8));
    effect->Release();
}

TEST_F(D3DXEffectRenderTest, CommitChangesSendsValuesSetInsideAPass)
{
    ASSERT_TRUE(createDevice(16, 16));
    ID3DXEffect* effect = createEffect(effectText("quad.fx"));
    ASSERT_NE(effect, nullptr);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    effect->SetMatrix("g_Transform", &identity);
    effect->SetTechnique("Solid");
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(m_device->CreateVertexDeclaration(kClipElements, &m_declaration), D3D_OK);
    m_device->SetVertexDeclaration(m_declaration);
    const ClipVertex left[4] = {
        {-1, 1, 0.5f, 1, 0, 0}, {0, 1, 0.5f, 1, 1, 0}, {-1, -1, 0.5f, 1, 0, 1}, {0, -1, 0.5f, 1, 1, 1}};
    const ClipVertex right[4] = {
        {0, 1, 0.5f, 1, 0, 0}, {1, 1, 0.5f, 1, 1, 0}, {0, -1, 0.5f, 1, 0, 1}, {1, -1, 0.5f, 1, 1, 1}};
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
    const D3DXVECTOR4 dark(0.25f, 0, 0, 1), bright(1, 0, 0, 1);
    effect->SetVector("g_Tint", &dark);
    effect->CommitChanges();
    m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, left, sizeof(ClipVertex));
    effect->SetVector("g_Tint", &bright);
    effect->CommitChanges();
    m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, right, sizeof(ClipVertex));
    effect->EndPass();
    effect->End();
    Image image = readBackBuffer();
    EXPECT_TRUE(near(image.at(2, 8), D3DCOLOR_ARGB(255, 64, 0, 0))) << hex(image.at(2, 8));
    EXPECT_TRUE(near(image.at(12, 8), D3DCOLOR_ARGB(255, 255, 0, 0))) << hex(image.at(12, 8));
    effect->Release();
}

TEST_F(D3DXEffectRenderTest, BeginSavesWhatThePassesSetAndEndRestoresIt)
{
    ASSERT_TRUE(createDevice(16, 16));
    ID3DXEffect* effect = createEffect(effectText("quad.fx"));
    ASSERT_NE(effect, nullptr);
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    m_device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR);
    auto state = [&](D3DRENDERSTATETYPE s) {
        DWORD v = 0;
        m_device->GetRenderState(s, &v);
        return v;
    };
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 1u);
    EXPECT_EQ(effect->Begin(&passes, 0), D3DERR_INVALIDCALL); // no nesting
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
    EXPECT_EQ(state(D3DRS_ALPHABLENDENABLE), TRUE);
    EXPECT_EQ(state(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_SRCALPHA));
    EXPECT_EQ(state(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_NONE));
    DWORD address = 0;
    m_device->GetSamplerState(0, D3DSAMP_ADDRESSU, &address);
    EXPECT_EQ(address, static_cast<DWORD>(D3DTADDRESS_CLAMP));
    IDirect3DVertexShader9* shader = nullptr;
    m_device->GetVertexShader(&shader);
    EXPECT_NE(shader, nullptr);
    if (shader)
        shader->Release();
    EXPECT_EQ(effect->BeginPass(0), D3DERR_INVALIDCALL);
    effect->EndPass();
    effect->End();
    EXPECT_EQ(state(D3DRS_ALPHABLENDENABLE), FALSE);
    EXPECT_EQ(state(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(state(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CW));
    m_device->GetSamplerState(0, D3DSAMP_ADDRESSU, &address);
    EXPECT_EQ(address, static_cast<DWORD>(D3DTADDRESS_MIRROR));
    shader = reinterpret_cast<IDirect3DVertexShader9*>(1);
    m_device->GetVertexShader(&shader);
    EXPECT_EQ(shader, nullptr);

    // Without saving, the pass's states stay; without sampler saving, only those stay.
    effect->Begin(&passes, D3DXFX_DONOTSAVESTATE);
    effect->BeginPass(0);
    effect->EndPass();
    effect->End();
    EXPECT_EQ(state(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_NONE));
    m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    m_device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR);
    m_device->SetVertexShader(nullptr);
    m_device->SetPixelShader(nullptr);
    effect->Begin(&passes, D3DXFX_DONOTSAVESAMPLERSTATE);
    effect->BeginPass(0);
    effect->EndPass();
    effect->End();
    EXPECT_EQ(state(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CW));
    m_device->GetSamplerState(0, D3DSAMP_ADDRESSU, &address);
    EXPECT_EQ(address, static_cast<DWORD>(D3DTADDRESS_CLAMP));

    // Another technique, with the same flags, saves what its own passes set.
    m_device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    ASSERT_EQ(effect->SetTechnique("Solid"), D3D_OK);
    effect->Begin(&passes, D3DXFX_DONOTSAVESAMPLERSTATE);
    effect->BeginPass(0);
    EXPECT_EQ(state(D3DRS_COLORWRITEENABLE), static_cast<DWORD>(D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_ALPHA));
    effect->EndPass();
    effect->End();
    EXPECT_EQ(state(D3DRS_COLORWRITEENABLE), 0xFu);
    effect->Release();
}

TEST_F(D3DXEffectRenderTest, PoolSharesSharedParametersBetweenEffects)
{
    ASSERT_TRUE(createDevice(16, 16));
    ID3DXEffectPool* pool = nullptr;
    ASSERT_EQ(D3DXCreateEffectPool(&pool), D3D_OK);
    ID3DXEffect* first = createEffect(effectText("pooled.fx"), pool);
    ID3DXEffect* second = createEffect(effectText("pooled.fx"), pool);
    ID3DXEffect* alone = createEffect(effectText("pooled.fx"));
    ASSERT_TRUE(first && second && alone);
    const D3DXVECTOR4 green(0, 1, 0, 1), blue(0, 0, 1, 0);
    first->SetVector("g_SharedTint", &green);
    first->SetVector("g_Own", &blue);
    D3DXVECTOR4 v;
    second->GetVector("g_SharedTint", &v);
    EXPECT_EQ(v, green);
    second->GetVector("g_Own", &v);
    EXPECT_EQ(v, D3DXVECTOR4(0, 0, 0, 0));
    alone->GetVector("g_SharedTint", &v);
    EXPECT_EQ(v, D3DXVECTOR4(0, 0, 0, 1));
    ID3DXEffectPool* got = nullptr;
    second->GetPool(&got);
    EXPECT_EQ(got, pool);
    if (got)
        got->Release();

    // The value set through the first effect reaches the second one's draw.
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    drawQuad(second, -1, -1, 1, 1);
    EXPECT_EQ(readBackBuffer().at(8, 8), 0xFF00FF00u);
    first->Release();
    second->Release();
    alone->Release();
    pool->Release();
}

TEST_F(D3DXEffectRenderTest, EffectKeepsWorkingAcrossALostAndResetDevice)
{
    ASSERT_TRUE(createDevice(16, 16));
    ID3DXEffect* effect = createEffect(effectText("pooled.fx"));
    ASSERT_NE(effect, nullptr);
    const D3DXVECTOR4 red(1, 0, 0, 1);
    effect->SetVector("g_SharedTint", &red);
    ASSERT_TRUE(PlatformLoseDevice(m_device));
    EXPECT_EQ(effect->OnLostDevice(), D3D_OK);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    if (m_declaration) {
        m_declaration->Release();
        m_declaration = nullptr;
    }
    ASSERT_EQ(m_device->Reset(&m_params), D3D_OK);
    EXPECT_EQ(effect->OnResetDevice(), D3D_OK);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    drawQuad(effect, -1, -1, 1, 1);
    EXPECT_EQ(readBackBuffer().at(8, 8), 0xFFFF0000u);
    effect->Release();
}

TEST_F(D3DXEffectRenderTest, CompiledEffectCreatesTheSameEffect)
{
    ASSERT_TRUE(createDevice(16, 16));
    std::string text = effectText("pooled.fx");
    ID3DXEffectCompiler* compiler = nullptr;
    ASSERT_EQ(
        D3DXCreateEffectCompiler(text.data(), static_cast<UINT>(text.size()), nullptr, nullptr, 0, &compiler, nullptr),
        D3D_OK);
    ID3DXBuffer* compiled = nullptr;
    ASSERT_EQ(compiler->CompileEffect(0, &compiled, nullptr), D3D_OK);
    compiler->Release();
    ID3DXEffect* effect = nullptr;
    ASSERT_EQ(D3DXCreateEffect(m_device, compiled->GetBufferPointer(), compiled->GetBufferSize(), nullptr, nullptr, 0,
                               nullptr, &effect, nullptr),
              D3D_OK);
    compiled->Release();
    const D3DXVECTOR4 blue(0, 0, 1, 1);
    effect->SetVector("g_SharedTint", &blue);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    drawQuad(effect, -1, -1, 1, 1);
    EXPECT_EQ(readBackBuffer().at(8, 8), 0xFF0000FFu);
    D3DXHANDLE next = nullptr;
    EXPECT_EQ(effect->FindNextValidTechnique(nullptr, &next), D3D_OK);
    EXPECT_EQ(next, effect->GetTechnique(0));
    EXPECT_EQ(effect->ValidateTechnique(next), D3D_OK);
    EXPECT_EQ(effect->GetCurrentTechnique(), next);
    effect->Release();

    // Shader errors fail creation with the effect's line.
    ID3DXBuffer* errors = nullptr;
    std::string bad = effectText("shader_error.fx");
    EXPECT_NE(D3DXCreateEffect(m_device, bad.data(), static_cast<UINT>(bad.size()), nullptr, nullptr, 0, nullptr,
                               &effect, &errors),
              D3D_OK);
    EXPECT_EQ(effect, nullptr);
    ASSERT_NE(errors, nullptr);
    EXPECT_NE(std::string(static_cast<const char*>(errors->GetBufferPointer())).find("memory(7,1)"), std::string::npos);
    errors->Release();
}

TEST_F(D3DXEffectRenderTest, PixelShaderOnlyPassRunsWithTheFixedFunctionVertexStage)
{
    ASSERT_TRUE(createDevice(16, 8));
    const std::string text = "float4 g_Color = {0, 1, 0, 1};\n"
                             "float4 PS(float4 diffuse : COLOR0) : COLOR0 { return g_Color * diffuse; }\n"
                             "technique T { pass { CullMode = None; PixelShader = compile ps_2_0 PS(); } }\n";
    ID3DXEffect* effect = createEffect(text);
    ASSERT_NE(effect, nullptr);
    ScreenVertex quad[4];
    screenQuad(quad, -0.5f, -0.5f, 15.5f, 7.5f, 0xFF808080);
    m_device->SetFVF(kScreenVertexFvf);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    UINT passes = 0;
    effect->Begin(&passes, 0);
    effect->BeginPass(0);
    EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex)), D3D_OK);
    effect->EndPass();
    effect->End();
    EXPECT_TRUE(near(readBackBuffer().at(3, 3), D3DCOLOR_ARGB(255, 0, 128, 0))) << hex(readBackBuffer().at(3, 3));
    effect->Release();
}

TEST_F(D3DXEffectRenderTest, ConstantsReachShadersInEveryShape)
{
    ASSERT_TRUE(createDevice(8, 8));
    ID3DXEffect* effect = createEffect(effectText("layout.fx"));
    ASSERT_NE(effect, nullptr);
    const float weights[3] = {0.25f, 0.5f, 0.75f};
    effect->SetFloatArray("g_Weights", weights, 3);
    const D3DXVECTOR4 position(0.1f, 0.2f, 0.6f, 0.0f), color(0.4f, 0.5f, 0.6f, 0.7f);
    effect->SetVector("g_Light.position", &position);
    effect->SetVector("g_Light.color", &color);
    D3DXMATRIX rows, columns;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            rows.m[r][c] = static_cast<float>(r * 3 + c) / 16.0f;
            columns.m[r][c] = static_cast<float>(r * 3 + c + 1) / 16.0f;
        }
    }
    effect->SetMatrix("g_Rows", &rows);
    effect->SetMatrix("g_Columns", &columns);
    effect->SetInt("g_Index", 4);
    effect->SetBool("g_Flag", TRUE);
    auto draw = [&](const char* technique) {
        EXPECT_EQ(effect->SetTechnique(technique), D3D_OK);
        ScreenVertex quad[4];
        screenQuad(quad, -0.5f, -0.5f, 7.5f, 7.5f, 0xFFFFFFFF);
        m_device->SetFVF(kScreenVertexFvf);
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        UINT passes = 0;
        effect->Begin(&passes, 0);
        effect->BeginPass(0);
        m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex));
        effect->EndPass();
        effect->End();
        return readBackBuffer().at(4, 4);
    };
    D3DCOLOR c = draw("Arrays");
    EXPECT_TRUE(near(c, D3DCOLOR_ARGB(255, 64, 191, 128))) << hex(c);
    c = draw("Matrices"); // rows[3][1] = 10/16, rows[0][2] = 2/16, columns[1][2] = 6/16, columns[2][0] = 7/16
    EXPECT_TRUE(near(c, D3DCOLOR_ARGB(112, 159, 32, 96))) << hex(c);
    c = draw("Mixed"); // the literal argument 0.5 scales everything
    EXPECT_TRUE(near(c, D3DCOLOR_ARGB(128, 77, 64, 64))) << hex(c);
    c = draw("Hinted"); // [unroll], [branch], [flatten] and [loop] hints
    EXPECT_TRUE(near(c, D3DCOLOR_ARGB(255, 128, 255, 128))) << hex(c);
    effect->Release();
}

TEST_F(D3DXEffectRenderTest, VertexShaderOnlyPassFeedsTheFixedFunctionPixelStage)
{
    ASSERT_TRUE(createDevice(16, 16));
    const std::string text =
        "float4 g_Color;\n"
        "struct Out { float4 position : POSITION; float4 color : COLOR0; };\n"
        "Out VS(float4 p : POSITION) { Out o; o.position = p; o.color = g_Color * 2; return o; }\n"
        "technique T { pass { ZEnable = false; CullMode = None; VertexShader = compile vs_2_0 VS(); } }\n";
    ID3DXEffect* effect = createEffect(text);
    ASSERT_NE(effect, nullptr);
    // Colour interpolators saturate: 2 * 0.75 red arrives as 1.
    const D3DXVECTOR4 color(0.75f, 0.25f, 0.0f, 0.5f);
    effect->SetVector("g_Color", &color);
    m_device->SetTexture(0, nullptr);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    drawQuad(effect, -1, -1, 1, 1);
    D3DCOLOR c = readBackBuffer().at(8, 8);
    EXPECT_TRUE(near(c, D3DCOLOR_ARGB(255, 255, 128, 0))) << hex(c);
    effect->Release();
}

TEST_F(D3DXEffectRenderTest, SamplerTexturesFollowParametersChangedInsideAPassAndExplicitRegisters)
{
    ASSERT_TRUE(createDevice(16, 8));
    // Two samplers: one bound to a texture parameter, one on register s3 fed by the device.
    const std::string text =
        "texture g_Texture;\n"
        "sampler2D g_Bound = sampler_state { Texture = (g_Texture); MinFilter = Point; };\n"
        "sampler2D g_Device : register(s3);\n"
        "float4 PS(float2 uv : TEXCOORD0) : COLOR0 { return tex2D(g_Bound, uv) + tex2D(g_Device, uv); }\n"
        "technique T { pass { ZEnable = false; PixelShader = compile ps_2_0 PS(); } }\n";
    ID3DXEffect* effect = createEffect(text);
    ASSERT_NE(effect, nullptr);
    IDirect3DTexture9* red = createTexture(m_device, 1, 1, {0xFFFF0000});
    IDirect3DTexture9* green = createTexture(m_device, 1, 1, {0xFF00FF00});
    IDirect3DTexture9* blue = createTexture(m_device, 1, 1, {0xFF0000FF});
    m_device->SetTexture(3, blue);
    m_device->SetFVF(kScreenVertexFvf);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ScreenVertex left[4], right[4];
    screenQuad(left, -0.5f, -0.5f, 7.5f, 7.5f, 0xFFFFFFFF);
    screenQuad(right, 7.5f, -0.5f, 15.5f, 7.5f, 0xFFFFFFFF);
    effect->SetTexture("g_Texture", red);
    UINT passes = 0;
    effect->Begin(&passes, 0);
    effect->BeginPass(0);
    m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, left, sizeof(ScreenVertex));
    effect->SetTexture("g_Texture", green);
    effect->CommitChanges();
    m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, right, sizeof(ScreenVertex));
    effect->EndPass();
    effect->End();
    Image image = readBackBuffer();
    EXPECT_EQ(image.at(3, 4), 0xFFFF00FFu) << hex(image.at(3, 4));
    EXPECT_EQ(image.at(12, 4), 0xFF00FFFFu) << hex(image.at(12, 4));
    // End puts back the texture the pass replaced on the effect's own sampler unit.
    IDirect3DBaseTexture9* unit3 = nullptr;
    m_device->GetTexture(3, &unit3);
    EXPECT_EQ(unit3, blue);
    if (unit3)
        unit3->Release();
    effect->Release();
    red->Release();
    green->Release();
    blue->Release();
}

TEST_F(D3DXEffectRenderTest, StateValuesAreWordsNumbersExpressionsAndParameters)
{
    ASSERT_TRUE(createDevice(8, 8));
    const std::string text = "int g_Ref = 3;\n"
                             "float g_Bias = 0.25;\n"
                             "technique T { pass {\n"
                             "    AlphaRef = 0x40 + 0x10 - 0x8;\n"
                             "    ColorWriteEnable = RED | GREEN;\n"
                             "    DepthBias = -0.5;\n"
                             "    SlopeScaleDepthBias = <g_Bias>;\n"
                             "    StencilRef = <g_Ref>;\n"
                             "    ZFunc = LessEqual;\n"
                             "    MinFilter[2] = Anisotropic;\n"
                             "    ColorOp[1] = Modulate2x;\n"
                             "} }\n";
    ID3DXEffect* effect = createEffect(text);
    ASSERT_NE(effect, nullptr);
    auto state = [&](D3DRENDERSTATETYPE s) {
        DWORD v = 0;
        m_device->GetRenderState(s, &v);
        return v;
    };
    auto asFloat = [](DWORD v) {
        float f;
        std::memcpy(&f, &v, 4);
        return f;
    };
    effect->SetInt("g_Ref", 5);
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
    EXPECT_EQ(state(D3DRS_ALPHAREF), 0x48u);
    EXPECT_EQ(state(D3DRS_COLORWRITEENABLE), 3u);
    EXPECT_FLOAT_EQ(asFloat(state(D3DRS_DEPTHBIAS)), -0.5f);
    EXPECT_FLOAT_EQ(asFloat(state(D3DRS_SLOPESCALEDEPTHBIAS)), 0.25f);
    EXPECT_EQ(state(D3DRS_STENCILREF), 5u); // the value at BeginPass, not the initial one
    EXPECT_EQ(state(D3DRS_ZFUNC), static_cast<DWORD>(D3DCMP_LESSEQUAL));
    DWORD value = 0;
    m_device->GetSamplerState(2, D3DSAMP_MINFILTER, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTEXF_ANISOTROPIC));
    m_device->GetTextureStageState(1, D3DTSS_COLOROP, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_MODULATE2X));
    effect->EndPass();
    effect->End();
    EXPECT_EQ(state(D3DRS_ALPHAREF), 0u);
    EXPECT_EQ(state(D3DRS_COLORWRITEENABLE), 0xFu);
    m_device->GetTextureStageState(1, D3DTSS_COLOROP, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_DISABLE));
    effect->Release();
}

TEST_F(D3DXEffectRenderTest, VposGivesTheIntegerPixelCoordinatesFromTheTopLeft)
{
    ASSERT_TRUE(createDevice(16, 8));
    const std::string text =
        "float4 PS(float2 pixel : VPOS) : COLOR0 { return float4(pixel.x / 255.0, pixel.y / 255.0, 0, 1); }\n"
        "technique T { pass { ZEnable = false; PixelShader = compile ps_3_0 PS(); } }\n";
    ID3DXEffect* effect = createEffect(text);
    ASSERT_NE(effect, nullptr);
    ScreenVertex quad[4];
    screenQuad(quad, -0.5f, -0.5f, 15.5f, 7.5f, 0xFFFFFFFF);
    m_device->SetFVF(kScreenVertexFvf);
    UINT passes = 0;
    effect->Begin(&passes, 0);
    effect->BeginPass(0);
    m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex));
    effect->EndPass();
    effect->End();
    Image image = readBackBuffer();
    EXPECT_EQ(image.at(0, 0), D3DCOLOR_ARGB(255, 0, 0, 0)) << hex(image.at(0, 0));
    EXPECT_EQ(image.at(3, 5), D3DCOLOR_ARGB(255, 3, 5, 0)) << hex(image.at(3, 5));
    EXPECT_EQ(image.at(15, 7), D3DCOLOR_ARGB(255, 15, 7, 0)) << hex(image.at(15, 7));
    effect->Release();
}

// A stage gets the globals block only when it reads from it: the box's pixel stage, reading none,
// must not see the vertex stage's matrices change with every draw. What each stage reads still
// arrives.
TEST_F(D3DXEffectRenderTest, GlobalsGoOnlyIntoTheStagesThatReadThem)
{
    const std::string shaders =
        "float4 g_Offset;\n"
        "float4 g_Tint = {1, 1, 1, 1};\n"
        "float4 g_Scale = {1, 1, 1, 1};\n"
        "struct Out { float4 position : POSITION; float4 color : COLOR0; };\n"
        "Out VS(float4 p : POSITION) { Out o; o.position = p + g_Offset; o.color = g_Tint; return o; }\n"
        "float4 PS(float4 c : COLOR0) : COLOR0 { return c; }\n"
        "float4 PSScaled(float4 c : COLOR0) : COLOR0 { return c * g_Scale; }\n";
    auto translate = [&](bool vertex, const char* name) {
        const D3DXEffects::ShaderEntry entry{
            .vertex = vertex, .profile = {}, .entry = name, .args = {}, .glslangEntry = name, .line = 0};
        std::string log;
        auto stage = D3DXEffects::translateStage(shaders, entry, log);
        EXPECT_NE(stage, nullptr) << log;
        return stage;
    };
    const auto vertex = translate(true, "VS"), plain = translate(false, "PS"), scaled = translate(false, "PSScaled");
    ASSERT_TRUE(vertex && plain && scaled);
    EXPECT_EQ(vertex->globals.size(), 3u);
    EXPECT_TRUE(plain->globals.empty());
    EXPECT_EQ(plain->globalsSize, 0u);
    EXPECT_EQ(plain->body.find("ulvo_Globals"), std::string::npos) << plain->body;
    EXPECT_EQ(scaled->globals.size(), 3u);
    EXPECT_NE(scaled->body.find("ulvo_Globals"), std::string::npos);

    ASSERT_TRUE(createDevice(8, 8));
    const std::string text = shaders +
                             "technique Plain { pass { ZEnable = false; CullMode = None;\n"
                             "  VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); } }\n"
                             "technique Scaled { pass { ZEnable = false; CullMode = None;\n"
                             "  VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PSScaled(); } }\n";
    ID3DXEffect* effect = createEffect(text);
    ASSERT_NE(effect, nullptr);
    const D3DXVECTOR4 scale(0.5f, 0.5f, 0.5f, 1.0f), away(4.0f, 0.0f, 0.0f, 0.0f), none(0, 0, 0, 0);
    effect->SetVector("g_Scale", &scale);
    // Each draw changes what only the vertex stage reads: the tint, then the quad's place.
    auto draw = [&](const char* technique, const D3DXVECTOR4& tint, const D3DXVECTOR4& offset) {
        effect->SetTechnique(technique);
        effect->SetVector("g_Tint", &tint);
        effect->SetVector("g_Offset", &offset);
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        drawQuad(effect, -1, -1, 1, 1);
        return readBackBuffer().at(4, 4);
    };
    D3DCOLOR c = draw("Plain", D3DXVECTOR4(1.0f, 0.0f, 0.0f, 1.0f), none);
    EXPECT_TRUE(near(c, D3DCOLOR_ARGB(255, 255, 0, 0))) << hex(c);
    c = draw("Plain", D3DXVECTOR4(0.0f, 1.0f, 0.0f, 1.0f), none);
    EXPECT_TRUE(near(c, D3DCOLOR_ARGB(255, 0, 255, 0))) << hex(c);
    c = draw("Plain", D3DXVECTOR4(0.0f, 1.0f, 0.0f, 1.0f), away); // moved off the target
    EXPECT_TRUE(near(c, D3DCOLOR_ARGB(255, 0, 0, 0))) << hex(c);
    c = draw("Scaled", D3DXVECTOR4(0.0f, 0.0f, 1.0f, 1.0f), none);
    EXPECT_TRUE(near(c, D3DCOLOR_ARGB(255, 0, 0, 128))) << hex(c);
    effect->Release();
}

TEST_F(D3DXEffectRenderTest, SwitchesChangedBetweenDrawsDrawExactlyAsThePlainStagesWould)
{
    // A bool the vertex stage reads, a bool that skips a fetch, an int loop count and a float
    // amount, each changed between draws of one pass (CommitChanges) and between passes.
    const std::string text =
        "bool g_Lower = false;\n"
        "bool g_Textured = false;\n"
        "int g_Steps = 0;\n"
        "float g_Mix = 0.0;\n"
        "texture g_Texture;\n"
        "sampler Texels = sampler_state { Texture = <g_Texture>; MinFilter = POINT; MagFilter = POINT; };\n"
        "struct Out { float4 position : POSITION; float2 uv : TEXCOORD0; };\n"
        "Out VS(float4 p : POSITION, float2 uv : TEXCOORD0)\n"
        "{ Out o; o.position = p; if (g_Lower) o.position.y -= 1.0; o.uv = uv; return o; }\n"
        "float4 PS(float2 uv : TEXCOORD0) : COLOR0\n"
        "{\n"
        "    float4 c = float4(0.25, 0.0, 0.0, 1.0);\n"
        "    if (g_Textured) c = tex2D(Texels, uv);\n"
        "    for (int i = 0; i < g_Steps; ++i) c.g += 0.0625;\n"
        "    return lerp(c, float4(0.0, 0.0, 1.0, 1.0), g_Mix);\n"
        "}\n"
        "technique T { pass { ZEnable = false; CullMode = None;\n"
        "  VertexShader = compile vs_3_0 VS(); PixelShader = compile ps_3_0 PS(); } }\n";
    struct Switches {
        BOOL lower, textured;
        INT steps;
        FLOAT mix;
    };
    // Flips and flips back (a variant made earlier serves again), then more int values than a pass
    // keeps variants for.
    std::vector<Switches> draws = {{FALSE, FALSE, 0, 0.0f}, {FALSE, TRUE, 0, 0.0f}, {FALSE, FALSE, 0, 0.0f},
                                   {TRUE, FALSE, 3, 0.0f},  {FALSE, TRUE, 2, 1.0f}, {TRUE, TRUE, 2, 0.5f},
                                   {FALSE, FALSE, 0, 0.0f}, {TRUE, TRUE, 0, 0.0f}};
    for (INT steps = 4; steps < 16; ++steps)
        draws.push_back({steps & 1, steps & 2 ? TRUE : FALSE, steps, 0.0f});
    const UINT columns = static_cast<UINT>(draws.size());
    ASSERT_TRUE(createDevice(4 * columns, 8));
    IDirect3DTexture9* texture = createTexture(m_device, 1, 1, {0xFF20C040});
    ASSERT_NE(texture, nullptr);
    ASSERT_EQ(m_device->CreateVertexDeclaration(kClipElements, &m_declaration), D3D_OK);
    // Each draw fills the top half of its own column (the bottom half when lowered); the first half
    // of the draws shares one pass, the rest begin a pass each.
    auto render = [&](bool specialise, size_t& programs) {
        D3DXEffects::setSpecialisationEnabled(specialise);
        const size_t before = D3D9Internal::linkedProgramCount(m_device);
        ID3DXEffect* effect = createEffect(text);
        EXPECT_NE(effect, nullptr);
        Image image;
        if (!effect)
            return image;
        effect->SetTexture("g_Texture", texture);
        m_device->SetVertexDeclaration(m_declaration);
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        UINT passes = 0;
        for (UINT k = 0; k < columns; ++k) {
            const bool shared = k < columns / 2;
            effect->SetBool("g_Lower", draws[k].lower);
            effect->SetBool("g_Textured", draws[k].textured);
            effect->SetInt("g_Steps", draws[k].steps);
            effect->SetFloat("g_Mix", draws[k].mix);
            if (k == 0 || !shared) {
                effect->Begin(&passes, 0);
                effect->BeginPass(0);
            } else {
                effect->CommitChanges();
            }
            const float x0 = -1.0f + 2.0f * static_cast<float>(k) / static_cast<float>(columns);
            const float x1 = -1.0f + 2.0f * static_cast<float>(k + 1) / static_cast<float>(columns);
            const ClipVertex quad[4] = {
                {x0, 1, 0.5f, 1, 0, 0}, {x1, 1, 0.5f, 1, 1, 0}, {x0, 0, 0.5f, 1, 0, 1}, {x1, 0, 0.5f, 1, 1, 1}};
            m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ClipVertex));
            if (k + 1 == columns / 2 || !shared) {
                effect->EndPass();
                effect->End();
            }
        }
        image = readBackBuffer();
        programs = D3D9Internal::linkedProgramCount(m_device) - before;
        effect->SetTexture("g_Texture", nullptr);
        effect->Release();
        return image;
    };
    size_t plainPrograms = 0, variantPrograms = 0;
    const Image plain = render(false, plainPrograms);
    const Image specialised = render(true, variantPrograms);
    D3DXEffects::setSpecialisationEnabled(true);
    EXPECT_EQ(plainPrograms, 1u);
    EXPECT_GT(variantPrograms, 2u) << "variants were drawn with";
    ASSERT_EQ(specialised.pixels.size(), plain.pixels.size());
    for (UINT y = 0; y < plain.height; ++y)
        for (UINT x = 0; x < plain.width; ++x)
            ASSERT_EQ(hex(specialised.at(x, y)), hex(plain.at(x, y))) << "at " << x << ", " << y;
    // What the switches mean, so both cannot be wrong alike.
    auto at = [&](UINT column, bool lower) { return specialised.at(column * 4 + 1, lower ? 5 : 2); };
    EXPECT_TRUE(near(at(0, false), D3DCOLOR_ARGB(255, 64, 0, 0))) << hex(at(0, false));
    EXPECT_TRUE(near(at(1, false), 0xFF20C040)) << hex(at(1, false));
    EXPECT_TRUE(near(at(2, false), D3DCOLOR_ARGB(255, 64, 0, 0))) << hex(at(2, false));
    EXPECT_TRUE(near(at(3, true), D3DCOLOR_ARGB(255, 64, 48, 0))) << hex(at(3, true));
    EXPECT_EQ(at(3, false), 0xFF000000u) << hex(at(3, false));
    EXPECT_TRUE(near(at(4, false), 0xFF0000FF)) << hex(at(4, false));
    EXPECT_TRUE(near(at(15, true), 0xFF20FF40)) << hex(at(15, true));
    texture->Release();
}

TEST_F(D3DXEffectRenderTest, FixedFloatsDrawWithTheirExactValuesInEveryVariant)
{
    // A texel offset and a gain the effect marks as fixed, changed between draws of one pass: each
    // value gets stages of its own, which must sample the same texel and scale alike as the plain
    // stages (an offset of a third of a texel rounded differently would pick another texel).
    const std::string text =
        "float2 g_Offset < bool Specialise = true; > = {0.0, 0.0};\n"
        "float g_Gain < bool Specialise = true; > = 1.0;\n"
        "texture g_Texture;\n"
        "sampler Texels = sampler_state { Texture = <g_Texture>; MinFilter = POINT; MagFilter = POINT;\n"
        "  AddressU = CLAMP; AddressV = CLAMP; };\n"
        "float4 PS(float2 uv : TEXCOORD0) : COLOR0 { return tex2D(Texels, uv * 0.0 + g_Offset) * g_Gain; }\n"
        "technique T { pass { ZEnable = false; CullMode = None; PixelShader = compile ps_3_0 PS(); } }\n";
    const float third = 1.0f / 3.0f;
    const std::vector<D3DXVECTOR4> draws = {{0.5f * third, 0.5f, 1.0f, 0},
                                            {third, 0.5f, 0.5f, 0},
                                            {third - 1e-7f, 0.5f, 1.0f, 0},
                                            {2.5f * third, 0.5f, 0.75f, 0}};
    const UINT columns = static_cast<UINT>(draws.size());
    ASSERT_TRUE(createDevice(4 * columns, 4));
    IDirect3DTexture9* texture = createTexture(m_device, 3, 1, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF});
    ASSERT_NE(texture, nullptr);
    ASSERT_EQ(m_device->CreateVertexDeclaration(kClipElements, &m_declaration), D3D_OK);
    auto render = [&](bool specialise, size_t& programs) {
        D3DXEffects::setSpecialisationEnabled(specialise);
        const size_t before = D3D9Internal::linkedProgramCount(m_device);
        ID3DXEffect* effect = createEffect(text);
        EXPECT_NE(effect, nullptr);
        Image image;
        if (!effect)
            return image;
        effect->SetTexture("g_Texture", texture);
        m_device->SetVertexDeclaration(m_declaration);
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        UINT passes = 0;
        effect->Begin(&passes, 0);
        effect->BeginPass(0);
        for (UINT k = 0; k < columns; ++k) {
            const float offset[2] = {draws[k].x, draws[k].y};
            effect->SetFloatArray("g_Offset", offset, 2);
            effect->SetFloat("g_Gain", draws[k].z);
            effect->CommitChanges();
            const float x0 = -1.0f + 2.0f * static_cast<float>(k) / static_cast<float>(columns);
            const float x1 = -1.0f + 2.0f * static_cast<float>(k + 1) / static_cast<float>(columns);
            const ClipVertex quad[4] = {
                {x0, 1, 0.5f, 1, 0, 0}, {x1, 1, 0.5f, 1, 1, 0}, {x0, -1, 0.5f, 1, 0, 1}, {x1, -1, 0.5f, 1, 1, 1}};
            m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ClipVertex));
        }
        effect->EndPass();
        effect->End();
        image = readBackBuffer();
        programs = D3D9Internal::linkedProgramCount(m_device) - before;
        effect->SetTexture("g_Texture", nullptr);
        effect->Release();
        return image;
    };
    size_t plainPrograms = 0, variantPrograms = 0;
    const Image plain = render(false, plainPrograms);
    const Image specialised = render(true, variantPrograms);
    D3DXEffects::setSpecialisationEnabled(true);
    EXPECT_EQ(plainPrograms, 1u);
    EXPECT_EQ(variantPrograms, columns) << "one variant per value";
    ASSERT_EQ(specialised.pixels.size(), plain.pixels.size());
    for (UINT x = 0; x < plain.width; x += 4)
        ASSERT_EQ(hex(specialised.at(x + 1, 1)), hex(plain.at(x + 1, 1))) << "column " << x / 4;
    // What the values mean, so both cannot be wrong alike: texel 0 whole, texel 1 at half, texel 0
    // just short of the border, texel 2 at three quarters.
    EXPECT_TRUE(near(specialised.at(1, 1), 0xFFFF0000)) << hex(specialised.at(1, 1));
    EXPECT_TRUE(near(specialised.at(5, 1), D3DCOLOR_ARGB(128, 0, 128, 0))) << hex(specialised.at(5, 1));
    EXPECT_TRUE(near(specialised.at(9, 1), 0xFFFF0000)) << hex(specialised.at(9, 1));
    EXPECT_TRUE(near(specialised.at(13, 1), D3DCOLOR_ARGB(191, 0, 0, 191))) << hex(specialised.at(13, 1));
    texture->Release();
}

// A point list draws a square per point, its side in pixels the vertex shader's PSIZE, every pixel
// of it with the point's values and its own VPOS. (GL names points 0, which must not read as an
// unknown primitive type.)
TEST_F(D3DXEffectRenderTest, PointsDrawSquaresOfTheSizeTheVertexShaderGives)
{
    ASSERT_TRUE(createDevice(32, 16));
    // The caps give the side the driver draws points up to.
    D3DCAPS9 caps{};
    ASSERT_EQ(m_device->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_GE(caps.MaxPointSize, 4.0f);
    const std::string text =
        "struct Out { float4 position : POSITION; float size : PSIZE; float4 tint : TEXCOORD1; };\n"
        "Out VS(float4 p : POSITION, float4 tint : TEXCOORD1)\n"
        "{ Out o; o.position = float4(p.xyz, 1.0); o.size = p.w; o.tint = tint; return o; }\n"
        "float4 PS(float2 pixel : VPOS, float4 tint : TEXCOORD1) : COLOR0\n"
        "{ return float4(tint.rg, pixel.x / 255.0, 1.0); }\n"
        "technique T { pass { ZEnable = false; CullMode = NONE;\n"
        "  VertexShader = compile vs_3_0 VS(); PixelShader = compile ps_3_0 PS(); } }\n";
    ID3DXEffect* effect = createEffect(text);
    ASSERT_NE(effect, nullptr);
    struct PointVertex {
        float x, y, z, size;
        float r, g, b, a;
    };
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
                                          {0, 16, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 1},
                                          D3DDECL_END()};
    ASSERT_EQ(m_device->CreateVertexDeclaration(elements, &m_declaration), D3D_OK);
    // Centres halfway between pixel centres, (7.5, 7.5) and (23.5, 2.5): the edges fall between
    // pixels, with no ties to round.
    const PointVertex points[2] = {{-0.5f - 1.0f / 32, 1.0f / 16, 0.5f, 4.0f, 1, 0, 0, 1},
                                   {0.5f - 1.0f / 32, 0.6875f, 0.5f, 2.0f, 0, 1, 0, 1}};
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    m_device->SetVertexDeclaration(m_declaration);
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
    EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_POINTLIST, 2, points, sizeof(PointVertex)), D3D_OK);
    effect->EndPass();
    effect->End();
    Image image = readBackBuffer();
    int red = 0, green = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 32; ++x) {
            const DWORD pixel = image.at(x, y);
            red += (pixel & 0xFFFF00) == 0xFF0000;
            green += (pixel & 0xFFFF00) == 0x00FF00;
            if ((x >= 6 && x < 10 && y >= 6 && y < 10) || (x >= 23 && x < 25 && y >= 2 && y < 4)) {
                EXPECT_EQ(pixel & 0xFF, static_cast<DWORD>(x)) << x << "," << y << " " << hex(pixel);
            } else {
                EXPECT_EQ(pixel & 0xFFFFFF, 0u) << x << "," << y << " " << hex(pixel);
            }
        }
    }
    EXPECT_EQ(red, 16);
    EXPECT_EQ(green, 4);
    effect->Release();
}
