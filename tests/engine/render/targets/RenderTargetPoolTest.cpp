// The render-target pool: targets shared by key, scratch targets reused once given back, ping-pong
// pairs, cube and depth-stencil kinds, trimming by name, and a target asked for without a device
// made when the device comes.
#include "devices/d3d/D3DInterface.h"
#include "engine/graphics/GraphicsTestSupport.h"
#include "render/targets/RenderTargetPool.h"

#include <gtest/gtest.h>

using namespace Ulvo;

namespace {

class RenderTargetPoolTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(GraphicsTesting::startDevice(), nullptr); }

    RenderTargetPool m_pool;
};

D3DSURFACE_DESC describe(const RenderTargetHandle& target, unsigned face = 0)
{
    D3DSURFACE_DESC desc{};
    if (target->getSurface(face))
        target->getSurface(face)->GetDesc(&desc);
    return desc;
}

} // namespace

TEST_F(RenderTargetPoolTest, OneKeyOneSharedTargetFoundByNameAndGoneWithItsLastHolder)
{
    const RenderTargetKey key{L"Tiefe", 32, 16, D3DFMT_R32F};
    RenderTargetHandle first = m_pool.acquire(key);
    RenderTargetHandle second = m_pool.acquire(key);
    ASSERT_TRUE(first->isCreated());
    EXPECT_EQ(first, second);
    EXPECT_EQ(describe(first).Width, 32u);
    EXPECT_EQ(describe(first).Format, D3DFMT_R32F);
    EXPECT_EQ(m_pool.find(L"Tiefe"), first);
    // Another format is another target.
    RenderTargetHandle other = m_pool.acquire(RenderTargetKey{L"Tiefe", 32, 16, D3DFMT_A8R8G8B8});
    EXPECT_NE(other, first);
    EXPECT_EQ(m_pool.getTargetCount(), 2u);

    first.reset();
    second.reset();
    other.reset();
    EXPECT_EQ(m_pool.getTargetCount(), 0u);
    EXPECT_EQ(m_pool.find(L"Tiefe"), nullptr);
}

TEST_F(RenderTargetPoolTest, ScratchTargetsAreNeverSharedAndReusedOnceGivenBack)
{
    const RenderTargetKey key{L"Schatten", 64, 64, D3DFMT_R32F};
    auto [ping, pong] = m_pool.acquirePingPong(key);
    ASSERT_TRUE(ping->isCreated() && pong->isCreated());
    EXPECT_NE(ping, pong);
    IDirect3DSurface9* pingSurface = ping->getSurface();
    ping.reset();
    EXPECT_EQ(m_pool.getSpareCount(), 1u);
    RenderTargetHandle again = m_pool.acquireScratch(key);
    EXPECT_EQ(again->getSurface(), pingSurface); // the spare, not a new one
    EXPECT_EQ(m_pool.getSpareCount(), 0u);
    EXPECT_EQ(m_pool.getTargetCount(), 2u);

    again.reset();
    RenderTargetHandle kept = m_pool.acquireScratch(RenderTargetKey{L"Anderes", 8, 8, D3DFMT_A8R8G8B8});
    kept.reset();
    m_pool.trim(L"Schatten");
    EXPECT_EQ(m_pool.getSpareCount(), 1u); // only the other name's spare is left
    m_pool.trim();
    EXPECT_EQ(m_pool.getSpareCount(), 0u);
}

TEST_F(RenderTargetPoolTest, CubeAndDepthStencilTargetsHaveTheirSurfaces)
{
    RenderTargetHandle cube = m_pool.acquire(RenderTargetKey{L"Würfel", 16, 16, D3DFMT_R32F, RenderTargetKind::Cube});
    ASSERT_TRUE(cube->isCreated());
    EXPECT_NE(cube->getCubeTexture(), nullptr);
    EXPECT_EQ(cube->getTexture(), nullptr);
    EXPECT_EQ(cube->getBaseTexture(), cube->getCubeTexture());
    for (unsigned face = 0; face < 6; ++face)
        EXPECT_EQ(describe(cube, face).Width, 16u) << face;
    EXPECT_EQ(cube->getSurface(6), nullptr);

    RenderTargetHandle depth =
        m_pool.acquire(RenderTargetKey{L"Tiefenpuffer", 32, 16, D3DFMT_D24S8, RenderTargetKind::DepthStencil});
    ASSERT_TRUE(depth->isCreated());
    EXPECT_EQ(depth->getBaseTexture(), nullptr);
    EXPECT_EQ(describe(depth).Format, D3DFMT_D24S8);
    EXPECT_EQ(describe(depth).Height, 16u);
}

TEST_F(RenderTargetPoolTest, AFailedTargetIsHandedOutUnmadeAndLeftToItsHolder)
{
    RenderTargetHandle huge = m_pool.acquire(RenderTargetKey{L"Zu groß", 65536, 4, D3DFMT_A8R8G8B8});
    EXPECT_FALSE(huge->isCreated());
    EXPECT_EQ(huge->getSurface(), nullptr);
    EXPECT_EQ(m_pool.getCreatedCount(), 0u);
}
