// Pre-transformed quads on exact pixel edges: D3D9's rule that pixel centres lie on integer
// coordinates, so a quad from -0.5 to W-0.5 maps every texel onto exactly one pixel.
#include "D3D9TestSupport.h"

using namespace D3D9Testing;

namespace {

// A checker of 4x4-texel cells in distinct colours, so a one-texel shift shows.
std::vector<D3DCOLOR> checker(UINT width, UINT height)
{
    std::vector<D3DCOLOR> pixels(static_cast<size_t>(width) * height);
    for (UINT y = 0; y < height; ++y) {
        for (UINT x = 0; x < width; ++x) {
            bool dark = ((x / 4) + (y / 4)) % 2 == 0;
            BYTE r = static_cast<BYTE>(x * 255 / (width - 1));
            BYTE g = static_cast<BYTE>(y * 255 / (height - 1));
            pixels[static_cast<size_t>(y) * width + x] = D3DCOLOR_ARGB(255, r, g, dark ? 40 : 220);
        }
    }
    return pixels;
}

} // namespace

class D3D9TexelMappingTest : public DeviceFixture {
protected:
    Image drawChecker(D3DTEXTUREFILTERTYPE filter)
    {
        const UINT w = 64, h = 48;
        std::vector<D3DCOLOR> texels = checker(w, h);
        IDirect3DTexture9* texture = createTexture(m_device, w, h, texels);
        EXPECT_NE(texture, nullptr);
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        m_device->BeginScene();
        m_device->SetTexture(0, texture);
        m_device->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
        m_device->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
        m_device->SetRenderState(D3DRS_ZENABLE, FALSE);
        m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
        m_device->SetFVF(kScreenVertexFvf);
        ScreenVertex quad[4];
        screenQuad(quad, -0.5f, -0.5f, w - 0.5f, h - 0.5f, 0xFFFFFFFF);
        EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex)), D3D_OK);
        m_device->EndScene();
        m_device->SetTexture(0, nullptr);
        texture->Release();
        Image image = readBackBuffer();
        EXPECT_EQ(image.pixels.size(), texels.size());
        if (image.pixels.size() == texels.size()) {
            int wrong = 0;
            for (size_t i = 0; i < texels.size(); ++i) {
                if (!near(image.pixels[i], texels[i], 1) && wrong++ < 5)
                    ADD_FAILURE() << "pixel (" << i % w << ", " << i / w << ") is " << hex(image.pixels[i])
                                  << ", texel " << hex(texels[i]);
            }
        }
        return image;
    }
};

TEST_F(D3D9TexelMappingTest, PointFilteredQuadMapsEveryTexelToItsPixel)
{
    ASSERT_TRUE(createDevice(64, 48));
    Image image = drawChecker(D3DTEXF_POINT);
    EXPECT_TRUE(matchesGolden(image, "texel_mapping_checker", 1));
}

TEST_F(D3D9TexelMappingTest, BilinearFilteredQuadSamplesTexelCentresExactly)
{
    ASSERT_TRUE(createDevice(64, 48));
    Image image = drawChecker(D3DTEXF_LINEAR);
    EXPECT_TRUE(matchesGolden(image, "texel_mapping_checker", 1));
}
