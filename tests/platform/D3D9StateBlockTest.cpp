// State blocks: capturing and applying the whole state, recording the states set between
// BeginStateBlock and EndStateBlock, and the pixel/vertex subsets.
#include "D3D9TestSupport.h"

using namespace D3D9Testing;

class D3D9StateBlockTest : public DeviceFixture {
protected:
    DWORD renderState(D3DRENDERSTATETYPE state)
    {
        DWORD value = 0xDEADBEEF;
        m_device->GetRenderState(state, &value);
        return value;
    }
};

TEST_F(D3D9StateBlockTest, WholeStateIsCapturedAndApplied)
{
    ASSERT_TRUE(createDevice(32, 32));
    IDirect3DTexture9* texture = createTexture(m_device, 1, 1, {0xFFFFFFFF});
    ASSERT_NE(texture, nullptr);
    m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    m_device->SetTexture(0, texture);
    m_device->SetFVF(kScreenVertexFvf);
    D3DMATRIX view{};
    view._11 = view._22 = view._33 = view._44 = 2.0f;
    m_device->SetTransform(D3DTS_VIEW, &view);
    D3DVIEWPORT9 viewport{4, 4, 16, 16, 0.0f, 1.0f};
    m_device->SetViewport(&viewport);

    IDirect3DStateBlock9* block = nullptr;
    ASSERT_EQ(m_device->CreateStateBlock(D3DSBT_ALL, &block), D3D_OK);
    // The block keeps the texture it captured after the program lets it go.
    texture->Release();

    m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    m_device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    m_device->SetTexture(0, nullptr);
    m_device->SetFVF(D3DFVF_XYZ);
    D3DMATRIX identity{};
    identity._11 = identity._22 = identity._33 = identity._44 = 1.0f;
    m_device->SetTransform(D3DTS_VIEW, &identity);
    D3DVIEWPORT9 whole{0, 0, 32, 32, 0.0f, 1.0f};
    m_device->SetViewport(&whole);

    ASSERT_EQ(block->Apply(), D3D_OK);
    EXPECT_EQ(renderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_SRCALPHA));
    DWORD address = 0;
    m_device->GetSamplerState(0, D3DSAMP_ADDRESSU, &address);
    EXPECT_EQ(address, static_cast<DWORD>(D3DTADDRESS_CLAMP));
    IDirect3DBaseTexture9* bound = nullptr;
    m_device->GetTexture(0, &bound);
    EXPECT_EQ(bound, texture);
    if (bound)
        bound->Release();
    DWORD fvf = 0;
    m_device->GetFVF(&fvf);
    EXPECT_EQ(fvf, kScreenVertexFvf);
    D3DMATRIX got{};
    m_device->GetTransform(D3DTS_VIEW, &got);
    EXPECT_EQ(got._11, 2.0f);
    D3DVIEWPORT9 gotViewport{};
    m_device->GetViewport(&gotViewport);
    EXPECT_EQ(gotViewport.X, 4u);
    EXPECT_EQ(gotViewport.Width, 16u);

    m_device->SetTexture(0, nullptr);
    block->Release(); // releases the last hold on the texture
}

TEST_F(D3D9StateBlockTest, RecordingKeepsOnlyTheStatesSetAndLeavesTheDeviceAlone)
{
    ASSERT_TRUE(createDevice(32, 32));
    ASSERT_EQ(m_device->BeginStateBlock(), D3D_OK);
    EXPECT_EQ(m_device->BeginStateBlock(), D3DERR_INVALIDCALL);
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    EXPECT_EQ(renderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(FALSE)); // only recorded
    IDirect3DStateBlock9* block = nullptr;
    ASSERT_EQ(m_device->EndStateBlock(&block), D3D_OK);
    EXPECT_EQ(m_device->EndStateBlock(&block), D3DERR_INVALIDCALL);

    m_device->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
    ASSERT_EQ(block->Apply(), D3D_OK);
    EXPECT_EQ(renderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(TRUE));
    EXPECT_EQ(renderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_INVSRCALPHA));
    EXPECT_EQ(renderState(D3DRS_ZFUNC), static_cast<DWORD>(D3DCMP_ALWAYS)); // not in the block

    // Capture refreshes what the block holds, nothing more.
    m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    ASSERT_EQ(block->Capture(), D3D_OK);
    m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    block->Apply();
    EXPECT_EQ(renderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_ONE));
    block->Release();
}

TEST_F(D3D9StateBlockTest, PixelAndVertexBlocksHoldTheirOwnStates)
{
    ASSERT_TRUE(createDevice(32, 32));
    IDirect3DStateBlock9* pixel = nullptr;
    IDirect3DStateBlock9* vertex = nullptr;
    ASSERT_EQ(m_device->CreateStateBlock(D3DSBT_PIXELSTATE, &pixel), D3D_OK);
    ASSERT_EQ(m_device->CreateStateBlock(D3DSBT_VERTEXSTATE, &vertex), D3D_OK);
    m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
    m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    pixel->Apply();
    EXPECT_EQ(renderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(renderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_NONE));
    vertex->Apply();
    EXPECT_EQ(renderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CCW));
    pixel->Release();
    vertex->Release();
}
