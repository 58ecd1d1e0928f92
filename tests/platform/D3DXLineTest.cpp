// ID3DXLine on the real device: widths 1, 3 and 10 with and without antialiasing, a closed
// blended strip, rows covered as computed from the width, the state kept around Begin/End, and
// drawing after a forced device reset.
#include "D3D9TestSupport.h"

#include <d3dx9.h>
#include <platform_test.h>

using namespace D3D9Testing;

namespace {

constexpr UINT kWidth = 128, kHeight = 96;

// Green of a pixel, the channel every line below draws.
int green(const Image& image, UINT x, UINT y)
{
    return int((image.at(x, y) >> 8) & 0xFF);
}

} // namespace

class D3DXLineTest : public DeviceFixture {
protected:
    void TearDown() override
    {
        if (m_line)
            m_line->Release();
        m_line = nullptr;
        DeviceFixture::TearDown();
    }

    void strip(std::initializer_list<D3DXVECTOR2> points, float width, bool antialias, D3DCOLOR colour)
    {
        m_line->SetWidth(width);
        m_line->SetAntialias(antialias);
        const std::vector<D3DXVECTOR2> list(points);
        EXPECT_EQ(m_line->Draw(list.data(), DWORD(list.size()), colour), D3D_OK);
    }

    // Left half: plain lines of widths 1, 3 and 10 on whole rows; right half: antialiased ones
    // set off by fractions of a pixel; below, a diagonal pair and a closed half-transparent square.
    Image drawScene()
    {
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        m_device->BeginScene();
        EXPECT_EQ(m_line->Begin(), D3D_OK);
        strip({{3.5f, 8}, {59.5f, 8}}, 1, false, 0xFFFFFFFF);
        strip({{4, 20}, {60, 20}}, 3, false, 0xFFFFFFFF);
        strip({{4, 36}, {60, 36}}, 10, false, 0xFFFFFFFF);
        strip({{68, 8.5f}, {124, 8.5f}}, 1, true, 0xFFFFFFFF);
        strip({{68, 20.5f}, {124, 20.5f}}, 3, true, 0xFFFFFFFF);
        strip({{68, 36.25f}, {124, 36.25f}}, 10, true, 0xFFFFFFFF);
        strip({{4, 52}, {60, 90}}, 3, false, 0xFFFF8000);
        strip({{14, 52}, {60, 84}}, 3, true, 0xFF00C0FF);
        strip({{70, 55}, {120, 55}, {120, 90}, {70, 90}, {70, 55}}, 3, false, 0x8000FF00);
        EXPECT_EQ(m_line->End(), D3D_OK);
        m_device->EndScene();
        return readBackBuffer();
    }

    void checkComputedPixels(const Image& image)
    {
        // Plain lines cover the rows whose centres lie within half the width of the line.
        EXPECT_EQ(image.at(30, 8), 0xFFFFFFFFu);
        EXPECT_EQ(image.at(30, 7), 0xFF000000u);
        EXPECT_EQ(image.at(30, 9), 0xFF000000u);
        EXPECT_EQ(image.at(4, 8), 0xFFFFFFFFu); // between the end points, no further
        EXPECT_EQ(image.at(3, 8), 0xFF000000u);
        EXPECT_EQ(image.at(59, 8), 0xFFFFFFFFu);
        EXPECT_EQ(image.at(60, 8), 0xFF000000u);
        for (UINT y = 17; y <= 23; ++y)
            EXPECT_EQ(green(image, 30, y), y >= 19 && y <= 21 ? 255 : 0) << "width 3, row " << y;
        for (UINT y = 29; y <= 42; ++y)
            EXPECT_EQ(green(image, 30, y), y >= 31 && y <= 40 ? 255 : 0) << "width 10, row " << y;

        // Antialiased: coverage falls off linearly over the pixel beyond half the width, so a row
        // at distance d from the centre line gets min(1, width / 2 + 0.5 - d).
        const struct {
            UINT y;
            int value;
        } expected[] = {
            {7, 0},  {8, 128},  {9, 128},  {10, 0},                                 // width 1 at 8.5
            {18, 0}, {19, 128}, {20, 255}, {21, 255}, {22, 128}, {23, 0},           // width 3 at 20.5
            {30, 0}, {31, 64},  {32, 255}, {36, 255}, {40, 255}, {41, 191}, {42, 0} // width 10 at 36.25
        };
        for (const auto& e : expected)
            EXPECT_NEAR(green(image, 96, e.y), e.value, 3) << "antialiased, row " << e.y;

        // The closed strip blends half of its green over black, also where it closes.
        EXPECT_NEAR(green(image, 95, 55), 128, 2);
        EXPECT_NEAR(green(image, 120, 72), 128, 2);
        EXPECT_NEAR(green(image, 95, 90), 128, 2);
        EXPECT_NEAR(green(image, 70, 72), 128, 2);
        EXPECT_EQ(image.at(95, 72), 0xFF000000u);
        EXPECT_EQ(image.at(95, 57), 0xFF000000u);
    }

    ID3DXLine* m_line = nullptr;
};

TEST_F(D3DXLineTest, WidthsAntialiasingAndAClosedStripMatchTheirComputedPixels)
{
    ASSERT_TRUE(createDevice(kWidth, kHeight));
    ASSERT_EQ(D3DXCreateLine(m_device, &m_line), D3D_OK);
    EXPECT_EQ(m_line->GetWidth(), 1.0f);
    EXPECT_FALSE(m_line->GetAntialias());
    const Image image = drawScene();
    checkComputedPixels(image);
    EXPECT_TRUE(matchesGolden(image, "D3DXLine_widths_strip"));
}

TEST_F(D3DXLineTest, EndRestoresTheDeviceStateAndDrawBeginsByItself)
{
    ASSERT_TRUE(createDevice(32, 16));
    ASSERT_EQ(D3DXCreateLine(m_device, &m_line), D3D_OK);
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    m_device->SetFVF(D3DFVF_XYZ);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    m_device->BeginScene();
    const D3DXVECTOR2 points[2] = {{2, 4}, {30, 4}};
    EXPECT_EQ(m_line->Draw(points, 2, 0xFF00FF00), D3D_OK); // no Begin: the line does it
    EXPECT_EQ(m_line->Draw(points, 1, 0xFF00FF00), D3D_OK); // one point draws nothing
    EXPECT_EQ(m_line->Draw(nullptr, 2, 0xFF00FF00), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_line->End(), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_line->Begin(), D3D_OK);
    EXPECT_EQ(m_line->Begin(), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_line->End(), D3D_OK);
    m_device->EndScene();
    DWORD value = 0;
    m_device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, DWORD(FALSE));
    m_device->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, DWORD(D3DZB_TRUE));
    m_device->GetFVF(&value);
    EXPECT_EQ(value, DWORD(D3DFVF_XYZ));
    EXPECT_EQ(m_line->SetWidth(-1.0f), D3DERR_INVALIDCALL);
    const Image image = readBackBuffer();
    EXPECT_EQ(image.at(16, 4), 0xFF00FF00u);
    EXPECT_EQ(image.at(16, 5), 0xFF000000u);
}

TEST_F(D3DXLineTest, LinesAreStillDrawnAfterAForcedDeviceReset)
{
    ASSERT_TRUE(createDevice(kWidth, kHeight));
    ASSERT_EQ(D3DXCreateLine(m_device, &m_line), D3D_OK);
    drawScene();
    ASSERT_TRUE(PlatformLoseDevice(m_device));
    ASSERT_EQ(m_line->OnLostDevice(), D3D_OK);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    D3DPRESENT_PARAMETERS params = m_params;
    ASSERT_EQ(m_device->Reset(&params), D3D_OK);
    ASSERT_EQ(m_line->OnResetDevice(), D3D_OK);
    const Image image = drawScene();
    checkComputedPixels(image);
    EXPECT_TRUE(matchesGolden(image, "D3DXLine_widths_strip"));
}
