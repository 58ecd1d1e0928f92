// Shaders handed over the way the effect framework does (GL stages with the layer's fix-up
// code), constant registers, geometry instancing through stream frequencies, and a pixel shader
// drawn with the fixed-function vertex stage.
#include "D3D9TestSupport.h"

#include "d3d9/D3D9Internal.h"

#include <cstring>
#include <string>

using namespace D3D9Testing;
using namespace GLFn;

namespace {

GLuint compile(GLenum stage, const std::string& source)
{
    GLuint shader = glCreateShader(stage);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048];
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        ADD_FAILURE() << log;
    }
    return shader;
}

const std::string kInstanceVertex = std::string("#version 330\n"
                                                "layout(location = 0) in vec4 a_POSITION0;\n"
                                                "layout(location = 7) in vec4 a_TEXCOORD1;\n"
                                                "layout(location = 4) in vec4 a_COLOR0;\n"
                                                "uniform vec4 ulvo_VSConst[256];\n"
                                                "out vec4 v_COLOR0;\n") +
                                    D3D9Internal::vertexFixupGlsl() +
                                    "void main()\n"
                                    "{\n"
                                    "    vec2 pixel = a_POSITION0.xy * 8.0 + a_TEXCOORD1.xy - 0.5;\n"
                                    "    vec4 c = ulvo_VSConst[0];\n"
                                    "    v_COLOR0 = a_COLOR0;\n"
                                    "    gl_Position = ulvoFixupPosition(vec4(pixel * c.xy + c.zw, 0.5, 1.0));\n"
                                    "}\n";

const std::string kColourPixel = std::string("#version 330\n"
                                             "in vec4 v_COLOR0;\n"
                                             "layout(location = 0) out vec4 o_COLOR0;\n") +
                                 D3D9Internal::pixelFixupGlsl() +
                                 "void main() { o_COLOR0 = ulvoFixupColor(v_COLOR0); }\n";

const std::string kCoordinatePixel = std::string("#version 330\n"
                                                 "in vec2 v_TEXCOORD0;\n"
                                                 "layout(location = 0) out vec4 o_COLOR0;\n") +
                                     D3D9Internal::pixelFixupGlsl() +
                                     "void main() { o_COLOR0 = ulvoFixupColor(vec4(v_TEXCOORD0, 0.0, 1.0)); }\n";

struct Instance {
    float x, y;
    D3DCOLOR color;
};

} // namespace

class D3D9ShaderInstancingTest : public DeviceFixture {};

TEST_F(D3D9ShaderInstancingTest, StreamFrequenciesDrawOneQuadPerInstance)
{
    ASSERT_TRUE(createDevice(32, 16));
    ASSERT_TRUE(D3D9Internal::makeCurrent(m_device));
    GLuint vs = compile(GL_VERTEX_SHADER, kInstanceVertex);
    GLuint ps = compile(GL_FRAGMENT_SHADER, kColourPixel);
    GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, ps);
    glLinkProgram(program);
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    ASSERT_TRUE(linked);
    D3D9Internal::ShaderStageDesc vsDesc;
    vsDesc.program = program;
    vsDesc.shader = vs;
    vsDesc.varyings = {{"v_COLOR0", "vec4"}};
    D3D9Internal::ShaderStageDesc psDesc;
    psDesc.program = program;
    psDesc.shader = ps;
    psDesc.varyings = {{"v_COLOR0", "vec4"}};
    psDesc.ownsGLObjects = false; // the vertex shader object deletes the shared program
    IDirect3DVertexShader9* vertexShader = D3D9Internal::createVertexShader(m_device, vsDesc);
    IDirect3DPixelShader9* pixelShader = D3D9Internal::createPixelShader(m_device, psDesc);
    ASSERT_NE(vertexShader, nullptr);
    ASSERT_NE(pixelShader, nullptr);
    glDeleteShader(ps);

    const float corners[] = {0, 0, 1, 0, 0, 1, 1, 1};
    const WORD indices[] = {0, 1, 2, 2, 1, 3};
    const Instance instances[] = {{0, 0, 0xFFFF0000}, {8, 8, 0xFF00FF00}, {16, 0, 0xFF0000FF}};
    IDirect3DVertexBuffer9* geometry = nullptr;
    IDirect3DVertexBuffer9* perInstance = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(m_device->CreateVertexBuffer(sizeof corners, 0, 0, D3DPOOL_MANAGED, &geometry, nullptr), D3D_OK);
    ASSERT_EQ(m_device->CreateVertexBuffer(sizeof instances, 0, 0, D3DPOOL_MANAGED, &perInstance, nullptr), D3D_OK);
    ASSERT_EQ(m_device->CreateIndexBuffer(sizeof indices, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
    void* data = nullptr;
    geometry->Lock(0, 0, &data, 0);
    std::memcpy(data, corners, sizeof corners);
    geometry->Unlock();
    perInstance->Lock(0, 0, &data, 0);
    std::memcpy(data, instances, sizeof instances);
    perInstance->Unlock();
    ib->Lock(0, 0, &data, 0);
    std::memcpy(data, indices, sizeof indices);
    ib->Unlock();
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
                                          {1, 0, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 1},
                                          {1, 8, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
                                          D3DDECL_END()};
    IDirect3DVertexDeclaration9* declaration = nullptr;
    ASSERT_EQ(m_device->CreateVertexDeclaration(elements, &declaration), D3D_OK);
    UINT count = 0;
    declaration->GetDeclaration(nullptr, &count);
    EXPECT_EQ(count, 4u);

    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    m_device->SetVertexShader(vertexShader);
    m_device->SetPixelShader(pixelShader);
    const float mapping[4] = {2.0f / 32.0f, -2.0f / 16.0f, -1.0f, 1.0f};
    ASSERT_EQ(m_device->SetVertexShaderConstantF(0, mapping, 1), D3D_OK);
    EXPECT_EQ(m_device->SetVertexShaderConstantF(255, mapping, 2), D3DERR_INVALIDCALL);
    m_device->SetVertexDeclaration(declaration);
    m_device->SetStreamSource(0, geometry, 0, 8);
    m_device->SetStreamSource(1, perInstance, 0, sizeof(Instance));
    m_device->SetIndices(ib);
    ASSERT_EQ(m_device->SetStreamSourceFreq(0, D3DSTREAMSOURCE_INDEXEDDATA | 3), D3D_OK);
    ASSERT_EQ(m_device->SetStreamSourceFreq(1, D3DSTREAMSOURCE_INSTANCEDATA | 1), D3D_OK);
    EXPECT_EQ(m_device->SetStreamSourceFreq(0, D3DSTREAMSOURCE_INSTANCEDATA | 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
    Image image = readBackBuffer();
    EXPECT_EQ(image.at(0, 0), 0xFFFF0000u);
    EXPECT_EQ(image.at(7, 7), 0xFFFF0000u);
    EXPECT_EQ(image.at(8, 8), 0xFF00FF00u);
    EXPECT_EQ(image.at(15, 15), 0xFF00FF00u);
    EXPECT_EQ(image.at(16, 0), 0xFF0000FFu);
    EXPECT_EQ(image.at(23, 7), 0xFF0000FFu);
    EXPECT_EQ(image.at(8, 0), 0xFF000000u);
    EXPECT_EQ(image.at(24, 0), 0xFF000000u);

    // Back to plain drawing: the instance stream now advances per vertex.
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    m_device->SetStreamSourceFreq(0, 1);
    m_device->SetStreamSourceFreq(1, 1);
    m_device->SetStreamSource(1, perInstance, 0, 0); // stride 0: every vertex reads the first
    EXPECT_EQ(m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
    image = readBackBuffer();
    EXPECT_EQ(image.at(0, 0), 0xFFFF0000u);
    EXPECT_EQ(image.at(8, 8), 0xFF000000u);

    m_device->SetVertexShader(nullptr);
    m_device->SetPixelShader(nullptr);
    m_device->SetVertexDeclaration(nullptr);
    m_device->SetStreamSource(0, nullptr, 0, 0);
    m_device->SetStreamSource(1, nullptr, 0, 0);
    m_device->SetIndices(nullptr);
    declaration->Release();
    geometry->Release();
    perInstance->Release();
    ib->Release();
    pixelShader->Release();
    vertexShader->Release();
}

TEST_F(D3D9ShaderInstancingTest, PixelShaderRunsWithTheFixedFunctionVertexStage)
{
    ASSERT_TRUE(createDevice(32, 8));
    ASSERT_TRUE(D3D9Internal::makeCurrent(m_device));
    D3D9Internal::ShaderStageDesc desc;
    desc.shader = compile(GL_FRAGMENT_SHADER, kCoordinatePixel);
    desc.varyings = {{"v_TEXCOORD0", "vec2"}};
    IDirect3DPixelShader9* shader = D3D9Internal::createPixelShader(m_device, desc);
    ASSERT_NE(shader, nullptr);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    m_device->SetPixelShader(shader);
    ScreenVertex quad[4];
    screenQuad(quad, -0.5f, -0.5f, 31.5f, 7.5f, 0xFFFFFFFF);
    m_device->SetFVF(kScreenVertexFvf);
    ASSERT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex)), D3D_OK);
    EXPECT_NE(D3D9Internal::currentProgram(m_device), 0u);
    // Texture coordinates reach the pixel centres: u = (x + 0.5) / 32.
    Image image = readBackBuffer();
    EXPECT_TRUE(near(image.at(0, 0), D3DCOLOR_ARGB(255, 4, 16, 0))) << hex(image.at(0, 0));
    EXPECT_TRUE(near(image.at(15, 3), D3DCOLOR_ARGB(255, 124, 112, 0))) << hex(image.at(15, 3));
    EXPECT_TRUE(near(image.at(31, 7), D3DCOLOR_ARGB(255, 251, 239, 0))) << hex(image.at(31, 7));
    m_device->SetPixelShader(nullptr);
    shader->Release();
}
