// Texture sampling and texture operations: address modes, texture stage arguments, cube and
// volume textures, automatic mipmaps, updates from memory textures, and user clip planes.
#include "D3D9TestSupport.h"
#include "d3d9/D3D9Internal.h"
#include "d3d9/MipChain.h"
#include "d3d9/Resources.h"

#include <cstring>
#include <random>

using namespace D3D9Testing;
using namespace GLFn;

class D3D9TextureTest : public DeviceFixture {
protected:
    void SetUp() override
    {
        DeviceFixture::SetUp();
        ASSERT_TRUE(createDevice(32, 8));
        m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
        m_device->SetRenderState(D3DRS_ZENABLE, FALSE);
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    }

    void quad(float x0, float x1, float u0, float u1, D3DCOLOR color = 0xFFFFFFFF)
    {
        ScreenVertex v[4];
        screenQuad(v, x0 - 0.5f, -0.5f, x1 - 0.5f, 7.5f, color);
        v[0].u = v[2].u = u0;
        v[1].u = v[3].u = u1;
        m_device->SetFVF(kScreenVertexFvf);
        EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ScreenVertex)), D3D_OK);
    }
};

TEST_F(D3D9TextureTest, AddressModesRepeatClampMirrorAndBorder)
{
    IDirect3DTexture9* texture = createTexture(m_device, 2, 1, {0xFFFF0000, 0xFF0000FF});
    ASSERT_NE(texture, nullptr);
    m_device->SetTexture(0, texture);
    // Eight pixels over u = -1..3: texel centres of four repetitions of the two texels.
    auto strip = [&](DWORD mode) {
        m_device->SetSamplerState(0, D3DSAMP_ADDRESSU, mode);
        quad(0, 8, -1.0f, 3.0f);
        Image image = readBackBuffer();
        std::vector<D3DCOLOR> row;
        for (UINT x = 0; x < 8; ++x)
            row.push_back(image.at(x, 4));
        return row;
    };
    const D3DCOLOR r = 0xFFFF0000, b = 0xFF0000FF, g = 0xFF00FF00;
    EXPECT_EQ(strip(D3DTADDRESS_WRAP), (std::vector<D3DCOLOR>{r, b, r, b, r, b, r, b}));
    EXPECT_EQ(strip(D3DTADDRESS_CLAMP), (std::vector<D3DCOLOR>{r, r, r, b, b, b, b, b}));
    EXPECT_EQ(strip(D3DTADDRESS_MIRROR), (std::vector<D3DCOLOR>{b, r, r, b, b, r, r, b}));
    m_device->SetSamplerState(0, D3DSAMP_BORDERCOLOR, g);
    EXPECT_EQ(strip(D3DTADDRESS_BORDER), (std::vector<D3DCOLOR>{g, g, r, b, g, g, g, g}));
    m_device->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(D3D9TextureTest, TextureStageArgumentsAndTextureFactor)
{
    IDirect3DTexture9* texture = createTexture(m_device, 1, 1, {0x80FF8000});
    ASSERT_NE(texture, nullptr);
    m_device->SetTexture(0, texture);
    m_device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF00FF00);
    m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    quad(0, 4, 0, 1);
    m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    quad(4, 8, 0, 1);
    m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    m_device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    m_device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    m_device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    quad(8, 12, 0, 1, 0x800000FF);
    // A second stage adds the texture factor to the result of the first.
    m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD);
    m_device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
    m_device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    m_device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    m_device->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
    quad(12, 16, 0, 1);
    m_device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    m_device->SetTexture(0, nullptr);
    texture->Release();

    Image image = readBackBuffer();
    EXPECT_EQ(image.at(1, 1), 0x8000FF00u);                                  // factor colour, texture alpha
    EXPECT_TRUE(near(image.at(5, 1), 0x80008000u)) << hex(image.at(5, 1));   // texture x factor
    EXPECT_TRUE(near(image.at(9, 1), 0x400000FFu)) << hex(image.at(9, 1));   // diffuse; alpha 0.5 x 0.5
    EXPECT_TRUE(near(image.at(13, 1), 0x80FFFF00u)) << hex(image.at(13, 1)); // saturated sum
}

TEST_F(D3D9TextureTest, CubeTextureFacesAndVolumeSlices)
{
    IDirect3DCubeTexture9* cube = nullptr;
    ASSERT_EQ(m_device->CreateCubeTexture(4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr), D3D_OK);
    const D3DCOLOR faceColours[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFFFF00FF, 0xFF00FFFF};
    for (int face = 0; face < 6; ++face) {
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(cube->LockRect(static_cast<D3DCUBEMAP_FACES>(face), 0, &locked, nullptr, 0), D3D_OK);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                reinterpret_cast<D3DCOLOR*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch)[x] =
                    faceColours[face];
        cube->UnlockRect(static_cast<D3DCUBEMAP_FACES>(face), 0);
    }
    m_device->SetTexture(0, cube);
    m_device->SetFVF(kCubeVertexFvf);
    const float directions[3][3] = {{1, 0, 0}, {0, -1, 0}, {0, 0, -1}}; // +X, -Y, -Z
    for (int i = 0; i < 3; ++i) {
        float x0 = i * 4 - 0.5f, x1 = x0 + 4;
        const float* d = directions[i];
        CubeVertex v[4] = {{x0, -0.5f, 0.5f, 1, d[0], d[1], d[2]},
                           {x1, -0.5f, 0.5f, 1, d[0], d[1], d[2]},
                           {x0, 7.5f, 0.5f, 1, d[0], d[1], d[2]},
                           {x1, 7.5f, 0.5f, 1, d[0], d[1], d[2]}};
        EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(CubeVertex)), D3D_OK);
    }

    IDirect3DVolumeTexture9* volume = nullptr;
    ASSERT_EQ(m_device->CreateVolumeTexture(1, 1, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &volume, nullptr), D3D_OK);
    D3DLOCKED_BOX box{};
    ASSERT_EQ(volume->LockBox(0, &box, nullptr, 0), D3D_OK);
    EXPECT_EQ(box.RowPitch, 4);
    EXPECT_EQ(box.SlicePitch, 4);
    static_cast<D3DCOLOR*>(box.pBits)[0] = 0xFF808080;
    static_cast<D3DCOLOR*>(box.pBits)[1] = 0xFF204060;
    volume->UnlockBox(0);
    m_device->SetTexture(0, volume);
    CubeVertex v[4] = {{11.5f, -0.5f, 0.5f, 1, 0.5f, 0.5f, 0.75f},
                       {15.5f, -0.5f, 0.5f, 1, 0.5f, 0.5f, 0.75f},
                       {11.5f, 7.5f, 0.5f, 1, 0.5f, 0.5f, 0.75f},
                       {15.5f, 7.5f, 0.5f, 1, 0.5f, 0.5f, 0.75f}};
    EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(CubeVertex)), D3D_OK);
    m_device->SetTexture(0, nullptr);

    Image image = readBackBuffer();
    EXPECT_EQ(image.at(1, 3), faceColours[D3DCUBEMAP_FACE_POSITIVE_X]);
    EXPECT_EQ(image.at(5, 3), faceColours[D3DCUBEMAP_FACE_NEGATIVE_Y]);
    EXPECT_EQ(image.at(9, 3), faceColours[D3DCUBEMAP_FACE_NEGATIVE_Z]);
    EXPECT_EQ(image.at(13, 3), 0xFF204060u); // second slice
    volume->Release();
    cube->Release();
}

TEST_F(D3D9TextureTest, AutomaticMipmapsAndUpdatesFromMemoryTextures)
{
    IDirect3DTexture9* target = nullptr;
    ASSERT_EQ(m_device->CreateTexture(16, 16, 0, D3DUSAGE_RENDERTARGET | D3DUSAGE_AUTOGENMIPMAP, D3DFMT_A8R8G8B8,
                                      D3DPOOL_DEFAULT, &target, nullptr),
              D3D_OK);
    EXPECT_EQ(target->GetLevelCount(), 1u);
    IDirect3DSurface9* top = nullptr;
    target->GetSurfaceLevel(0, &top);
    ASSERT_EQ(m_device->ColorFill(top, nullptr, 0xFF00FF00), D3D_OK);
    top->Release();
    // A 16x16 texture on one pixel samples its smallest level, which must hold the fill.
    m_device->SetTexture(0, target);
    m_device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    quad(0, 1, 0, 1);
    m_device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);

    IDirect3DTexture9* memory = nullptr;
    IDirect3DTexture9* device = nullptr;
    ASSERT_EQ(m_device->CreateTexture(2, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &memory, nullptr), D3D_OK);
    ASSERT_EQ(m_device->CreateTexture(2, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &device, nullptr), D3D_OK);
    EXPECT_EQ(m_device->SetTexture(0, memory), D3DERR_INVALIDCALL); // memory textures cannot be sampled
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(memory->LockRect(0, &locked, nullptr, 0), D3D_OK);
    static_cast<D3DCOLOR*>(locked.pBits)[0] = 0xFFFF0000;
    static_cast<D3DCOLOR*>(locked.pBits)[1] = 0xFF0000FF;
    memory->UnlockRect(0);
    ASSERT_EQ(m_device->UpdateTexture(memory, device), D3D_OK);
    m_device->SetTexture(0, device);
    quad(4, 6, 0, 1);
    // UpdateSurface copies a rectangle to a point.
    IDirect3DSurface9* from = nullptr;
    IDirect3DSurface9* to = nullptr;
    memory->GetSurfaceLevel(0, &from);
    device->GetSurfaceLevel(0, &to);
    RECT second{1, 0, 2, 1};
    POINT origin{0, 0};
    ASSERT_EQ(m_device->UpdateSurface(from, &second, to, &origin), D3D_OK);
    quad(8, 10, 0, 1);
    from->Release();
    to->Release();
    m_device->SetTexture(0, nullptr);

    Image image = readBackBuffer();
    EXPECT_EQ(image.at(0, 0), 0xFF00FF00u);
    EXPECT_EQ(image.at(4, 0), 0xFFFF0000u);
    EXPECT_EQ(image.at(5, 0), 0xFF0000FFu);
    EXPECT_EQ(image.at(8, 0), 0xFF0000FFu);
    EXPECT_EQ(image.at(9, 0), 0xFF0000FFu);
    device->Release();
    memory->Release();
    target->Release();
}

TEST_F(D3D9TextureTest, UserClipPlanesCutFixedFunctionGeometryInWorldSpace)
{
    struct V {
        float x, y, z;
        D3DCOLOR c;
    };
    D3DMATRIX projection{};
    projection._11 = 2.0f / 32.0f;
    projection._22 = -2.0f / 8.0f;
    projection._33 = 1.0f;
    projection._41 = -1.0f;
    projection._42 = 1.0f;
    projection._44 = 1.0f;
    D3DMATRIX view{};
    view._11 = view._22 = view._33 = view._44 = 1.0f;
    view._41 = 2.0f; // the camera moves the world two pixels right
    m_device->SetTransform(D3DTS_PROJECTION, &projection);
    m_device->SetTransform(D3DTS_VIEW, &view);
    // Keep world x <= 10.5: dot((x, y, z, 1), (-1, 0, 0, 10.5)) >= 0.
    const float plane[4] = {-1.0f, 0.0f, 0.0f, 10.5f};
    ASSERT_EQ(m_device->SetClipPlane(0, plane), D3D_OK);
    m_device->SetRenderState(D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE0);
    const V strip[4] = {{-0.5f, -0.5f, 0.5f, 0xFFFFFFFF},
                        {29.5f, -0.5f, 0.5f, 0xFFFFFFFF},
                        {-0.5f, 7.5f, 0.5f, 0xFFFFFFFF},
                        {29.5f, 7.5f, 0.5f, 0xFFFFFFFF}};
    m_device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, strip, sizeof(V)), D3D_OK);
    Image clipped = readBackBuffer();
    EXPECT_EQ(clipped.at(1, 4), 0xFF000000u); // left of the moved quad
    EXPECT_EQ(clipped.at(2, 4), 0xFFFFFFFFu);
    EXPECT_EQ(clipped.at(12, 4), 0xFFFFFFFFu); // world x 10
    EXPECT_EQ(clipped.at(13, 4), 0xFF000000u); // world x 11, clipped
    // D3DRS_CLIPPING off switches user planes off too.
    m_device->SetRenderState(D3DRS_CLIPPING, FALSE);
    EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, strip, sizeof(V)), D3D_OK);
    EXPECT_EQ(readBackBuffer().at(20, 4), 0xFFFFFFFFu);
}

// Small power-of-two textures get their automatic sub-levels from the processor: every level must
// be what the driver's own generation makes of the same top level, or pictures drawn smaller
// would change.
TEST_F(D3D9TextureTest, AutomaticMipmapsMadeOnTheProcessorMatchTheDriversAtEveryLevel)
{
    std::mt19937 random(61);
    const std::pair<UINT, UINT> sizes[] = {{32, 8}, {1, 16}, {16, 1}, {64, 64}};
    for (const auto& [width, height] : sizes) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        std::vector<uint8_t> top(size_t(width) * height * 4);
        for (uint8_t& byte : top)
            byte = uint8_t(random());
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(m_device->CreateTexture(width, height, 0, D3DUSAGE_AUTOGENMIPMAP, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                          &texture, nullptr),
                  D3D_OK);
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < height; ++y)
            std::memcpy(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch, top.data() + y * width * 4, width * 4);
        texture->UnlockRect(0);
        texture->GenerateMipSubLevels();

        ASSERT_TRUE(D3D9Internal::makeCurrent(m_device));
        const GLuint made = D3D9Internal::textureObject(texture)->glTexture();
        GLuint driver = 0;
        glGenTextures(1, &driver);
        glBindTexture(GL_TEXTURE_2D, driver);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, GLsizei(width), GLsizei(height), 0, GL_BGRA, GL_UNSIGNED_BYTE,
                     top.data());
        glGenerateMipmap(GL_TEXTURE_2D);
        UINT w = width, h = height;
        std::vector<uint8_t> halved = top;
        for (GLint level = 1; w > 1 || h > 1; ++level) {
            std::vector<uint8_t> next(size_t(std::max(1u, w / 2)) * std::max(1u, h / 2) * 4);
            D3D9Internal::halveLevel(halved.data(), w, h, next.data());
            halved.swap(next);
            w = std::max(1u, w / 2);
            h = std::max(1u, h / 2);
            std::vector<uint8_t> expected(size_t(w) * h * 4), actual(expected.size());
            glBindTexture(GL_TEXTURE_2D, driver);
            glGetTexImage(GL_TEXTURE_2D, level, GL_BGRA, GL_UNSIGNED_BYTE, expected.data());
            glBindTexture(GL_TEXTURE_2D, made);
            glGetTexImage(GL_TEXTURE_2D, level, GL_BGRA, GL_UNSIGNED_BYTE, actual.data());
            EXPECT_EQ(halved, expected) << "level " << level;
            EXPECT_EQ(actual, expected) << "level " << level;
        }
        glBindTexture(GL_TEXTURE_2D, 0);
        glDeleteTextures(1, &driver);
        texture->Release();
    }
}

// A texture made without content reads as zeros, as drivers give it, whatever the memory the
// driver hands its storage held before: here that of textures filled and released just before.
// Render targets take the driver's storage as it comes.
TEST_F(D3D9TextureTest, ATextureNothingWasWrittenIntoSamplesAsZero)
{
    m_device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    m_device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    const std::vector<D3DCOLOR> filled(64 * 64, 0xFFABCDEF);
    const std::pair<D3DPOOL, DWORD> kinds[] = {
        {D3DPOOL_MANAGED, 0}, {D3DPOOL_DEFAULT, 0}, {D3DPOOL_DEFAULT, D3DUSAGE_RENDERTARGET}};
    for (const auto& [pool, usage] : kinds) {
        for (int i = 0; i < 4; ++i) {
            IDirect3DTexture9* used = createTexture(m_device, 64, 64, filled);
            ASSERT_NE(used, nullptr);
            m_device->SetTexture(0, used);
            quad(0, 32, 0.0f, 1.0f);
            readBackBuffer();
            m_device->SetTexture(0, nullptr);
            used->Release();
        }
        IDirect3DTexture9* fresh = nullptr;
        ASSERT_EQ(m_device->CreateTexture(64, 64, 1, usage, D3DFMT_A8R8G8B8, pool, &fresh, nullptr), D3D_OK);
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF204060, 1.0f, 0);
        m_device->SetTexture(0, fresh);
        quad(0, 32, 0.0f, 1.0f);
        const Image image = readBackBuffer();
        for (UINT y = 0; y < 8; ++y)
            for (UINT x = 0; x < 32; ++x)
                ASSERT_EQ(image.at(x, y) & 0x00FFFFFF, 0u)
                    << "pool " << pool << ", usage " << usage << " at " << x << ", " << y;
        m_device->SetTexture(0, nullptr);
        fresh->Release();
    }
}
