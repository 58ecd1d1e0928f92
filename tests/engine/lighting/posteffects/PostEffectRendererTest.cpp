// The post-effect renderer: its targets by the HDR post-effect bit and ENABLE, the quad's scale
// carried from pass to pass within a frame, MAKE_ORIGINAL, the extra-pass targets by mode, and a
// partial creation failure that leaves nothing behind to block the next device reset, every
// target of a frame made again by the target pool after a device loss, and the forward renderer
// drawing straight onto the caller's target while the chain has nothing to draw, and the chain's
// targets let go while frames do not run it.
#include "FrameTestSupport.h"

#include "devices/d3d/D3DInterface.h"
#include "graphics/effects/Effect.h"
#include "graphics/effects/EffectManager.h"
#include "lighting/deferred/DeferredLight.h"
#include "lighting/posteffects/PostEffect.h"
#include "lighting/posteffects/PostEffectFactory.h"
#include "lighting/posteffects/PostEffectRenderer.h"
#include "render/passes/RenderPass.h"

#include <platform_test.h>

#include "support/TestSupport.h"

using namespace Ulvo;
using GraphicsTesting::Image;

namespace {

class PostEffectRendererTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_device = GraphicsTesting::startDevice();
        ASSERT_NE(m_device, nullptr);
        ASSERT_TRUE(FrameTesting::loadDataEffects(m_logs.folder()));
        attachLightingRenderers(m_manager);
        m_manager.setRenderTargetSize(32, 16);
        XMLNode root;
        XMLNode::load(&root, L"<RENDERCONFIG><RENDERPASS NAME=\"T\"/></RENDERCONFIG>", 1);
        m_manager.load(&root);
    }
    void TearDown() override
    {
        for (PostEffect* effect : m_effects)
            m_manager.deactivatePostEffect(effect);
        for (PostEffect* effect : m_effects)
            effect->Release();
        if (m_input)
            m_input->Release();
    }

    // The pixels one frame of the manager adds to the count read by `count`.
    uint64_t countedFrame(uint64_t (*count)())
    {
        PlatformCountPixels(true);
        const uint64_t before = count();
        m_manager.render(&m_camera);
        const uint64_t pixels = count() - before;
        PlatformCountPixels(false);
        return pixels;
    }

    PostEffectRenderer& renderer() { return static_cast<PostEffectRenderer&>(*m_manager.getPostEffectRenderer()); }

    PostEffect* make(const std::wstring& text)
    {
        XMLNode node;
        XMLNode::load(&node, text, 1);
        m_effects.push_back(createPostEffectFromXml(node, &renderer(), nullptr));
        return m_effects.back();
    }

    // The chain run once over a picture of one colour.
    void run(D3DCOLOR colour)
    {
        if (!m_input)
            m_device->CreateRenderTarget(32, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &m_input, nullptr);
        m_device->ColorFill(m_input, nullptr, colour);
        renderer().setLastResult(m_input);
        renderer().renderExtraPasses(m_camera);
        renderer().renderPasses(m_camera);
    }

    // The format of the chain's targets, as a frame takes them (the test's picture, no texture,
    // is copied into one).
    D3DFORMAT targetFormat()
    {
        run(0xFF000000);
        D3DSURFACE_DESC desc{};
        if (!renderer().getOriginalSurface())
            return D3DFMT_UNKNOWN;
        renderer().getOriginalSurface()->GetDesc(&desc);
        return desc.Format;
    }

    LogCapture m_logs;
    IDirect3DDevice9* m_device = nullptr;
    RenderManager m_manager;
    std::vector<PostEffect*> m_effects;
    IDirect3DSurface9* m_input = nullptr;
    LookAtCamera m_camera{L"Post"};
};

} // namespace

TEST_F(PostEffectRendererTest, TargetsAreFloatingPointWithTheHdrPostEffectBitAndGoneWhenDisabled)
{
    EXPECT_TRUE(renderer().isCreated());
    // Checked, not made: until a frame draws into them the pool holds none of them.
    EXPECT_FALSE(renderer().holdsTargets());
    EXPECT_EQ(m_manager.getTargetPool().getSpareCount(), 0u);
    EXPECT_EQ(targetFormat(), D3DFMT_A8R8G8B8);
    renderer().setHDRMode(4);
    EXPECT_EQ(targetFormat(), D3DFMT_A16B16G16R16F);
    IDirect3DSurface9* before = renderer().getOriginalSurface();
    renderer().setHDRMode(4 | 1 | 2); // other bits leave the targets
    EXPECT_EQ(renderer().getOriginalSurface(), before);
    renderer().setHDRMode(0);
    EXPECT_EQ(targetFormat(), D3DFMT_A8R8G8B8);

    XMLNode off;
    XMLNode::load(&off, L"<POSTEFFECT_RENDERING ENABLE=\"0\"/>", 1);
    renderer().loadConfig(off);
    EXPECT_FALSE(renderer().isCreated());
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* surface = nullptr;
    EXPECT_FALSE(renderer().getResult(texture, surface));
    run(0xFFFF0000); // does nothing without targets
    EXPECT_FALSE(renderer().hasActiveEffects());
    renderer().setEnabled(true);
    run(0xFFFF0000);
    EXPECT_TRUE(renderer().getResult(texture, surface));
    EXPECT_NE(m_logs.text().find("PostEffect Buffer gelöscht!"), std::string::npos);
}

TEST_F(PostEffectRendererTest, QuadScaleCarriesFromPassToPassWithinAFrame)
{
    std::filesystem::copy_file(TestSupport::sourceDir() / "tests" / "engine" / "lighting" / "data" / "scaled.fx",
                               m_logs.folder() / "scaled.fx", std::filesystem::copy_options::overwrite_existing);
    if (!EffectManager::getInstance()->getEffect(L"TestScaled")) {
        XMLNode effects;
        XMLNode::load(&effects,
                      L"<EFFECTS><EFFECT NAME=\"TestScaled\"><FILE FILENAME=\"scaled.fx\"/></EFFECT></EFFECTS>", 1);
        EffectManager::getInstance()->load(&effects);
    }
    PostEffect* scaled = make(L"<POSTEFFECT NAME=\"Halb\" EFFECT=\"TestScaled\" PRIORITY=\"LOW\"/>");
    m_manager.activatePostEffect(scaled);
    ASSERT_TRUE(scaled->isActive());
    IDirect3DSurface9* depthBefore = nullptr;
    m_device->GetDepthStencilSurface(&depthBefore);
    run(0xFF808080);
    // The chain draws with no depth buffer (its clears still reach the target) and puts it back.
    IDirect3DSurface9* depthAfter = nullptr;
    m_device->GetDepthStencilSurface(&depthAfter);
    EXPECT_EQ(depthAfter, depthBefore);
    for (IDirect3DSurface9* depth : {depthBefore, depthAfter})
        if (depth)
            depth->Release();
    // Pass 0 drew the whole picture into the top-left quarter, pass 1 the picture's top-left
    // quarter into the top-left sixteenth, over the destination cleared to opaque black.
    EXPECT_FLOAT_EQ(renderer().getCurrentScaleX(), 0.25f);
    EXPECT_FLOAT_EQ(renderer().getQuad()[3].x, 7.5f);
    EXPECT_FLOAT_EQ(renderer().getQuad()[3].tex0V, 0.5f);
    const Image image = GraphicsTesting::readSurface(renderer().getSourceSurface());
    EXPECT_PIXEL(image, 2, 1, 0xBF808080);
    EXPECT_PIXEL(image, 12, 6, 0x40808080);
    EXPECT_PIXEL(image, 20, 12, 0xFF000000);
    // Later frames too clear what the shrunk quads leave, though the passes do not blend.
    run(0xFF808080);
    EXPECT_PIXEL(GraphicsTesting::readSurface(renderer().getSourceSurface()), 20, 12, 0xFF000000);

    // A later effect in the same frame starts at that scale; the next frame at the full quad.
    PostEffect* grey = make(L"<POSTEFFECT NAME=\"Grau\" EFFECT=\"PostGrey\"/>");
    m_manager.activatePostEffect(grey);
    run(0xFF808080);
    EXPECT_FLOAT_EQ(renderer().getQuad()[1].tex0U, 0.25f);
    m_manager.deactivatePostEffect(scaled);
    run(0xFF808080);
    EXPECT_FLOAT_EQ(renderer().getCurrentScaleX(), 1.0f);
    EXPECT_FLOAT_EQ(renderer().getQuad()[1].x, 31.5f);
}

TEST_F(PostEffectRendererTest, WithoutMakeOriginalTheResultStaysTheImageBefore)
{
    PostEffect* grey = make(L"<POSTEFFECT NAME=\"Grau\" EFFECT=\"PostGrey\" MAKE_ORIGINAL=\"0\">"
                            L"<FLOAT_PARAM_1 VALUE=\"1\"/></POSTEFFECT>");
    m_manager.activatePostEffect(grey);
    run(0xFFFF0000);
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* surface = nullptr;
    ASSERT_TRUE(renderer().getResult(texture, surface));
    EXPECT_PIXEL(GraphicsTesting::readSurface(surface), 3, 3, 0xFFFF0000);
    EXPECT_PIXEL(GraphicsTesting::readSurface(renderer().getSourceSurface()), 3, 3, 0xFF4C4C4C);
    // A disabled effect is passed over: the source stays the input.
    grey->setEnabled(false);
    run(0xFF00FF00);
    EXPECT_PIXEL(GraphicsTesting::readSurface(renderer().getSourceSurface()), 3, 3, 0xFF00FF00);
}

TEST_F(PostEffectRendererTest, EffectsReadTheFramesTextureAndTheLastDrawsIntoTheFinalTargetWithoutCopies)
{
    PostEffect* first =
        make(L"<POSTEFFECT NAME=\"Grau\" EFFECT=\"PostGrey\"><FLOAT_PARAM_1 VALUE=\"1\"/></POSTEFFECT>");
    PostEffect* second = make(L"<POSTEFFECT NAME=\"Blau\" EFFECT=\"PostGrey\" PRIORITY=\"LOW\">"
                              L"<FLOAT_PARAM_1 VALUE=\"1\"/></POSTEFFECT>");
    m_manager.activatePostEffect(first);
    m_manager.activatePostEffect(second);
    IDirect3DTexture9* input = nullptr;
    IDirect3DSurface9* inputSurface = nullptr;
    IDirect3DSurface9* final = nullptr;
    ASSERT_EQ(
        m_device->CreateTexture(32, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &input, nullptr),
        D3D_OK);
    input->GetSurfaceLevel(0, &inputSurface);
    m_device->CreateRenderTarget(32, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &final, nullptr);
    m_device->ColorFill(final, nullptr, 0xFF0000FF);
    auto frame = [&] {
        m_device->ColorFill(inputSurface, nullptr, 0xFFFF0000);
        PlatformCountPixels(true);
        const uint64_t before = PlatformPixelCount();
        renderer().setLastResult(inputSurface, input);
        renderer().setFinalTarget(final);
        renderer().renderPasses(m_camera);
        const uint64_t pixels = PlatformPixelCount() - before;
        PlatformCountPixels(false);
        return pixels;
    };
    frame();
    // From the second frame on the passes are known to overwrite every pixel: two quads, no copy,
    // no clear. The result is where the frame goes, and the frame's image was read, not changed.
    EXPECT_EQ(frame(), 2u * 32u * 16u);
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* surface = nullptr;
    ASSERT_TRUE(renderer().getResult(texture, surface));
    EXPECT_EQ(surface, final);
    EXPECT_EQ(texture, nullptr);
    EXPECT_PIXEL(GraphicsTesting::readSurface(final), 3, 3, 0xFF4C4C4C);
    EXPECT_PIXEL(GraphicsTesting::readSurface(inputSurface), 3, 3, 0xFFFF0000);

    // Without a final target, or with one of another size, the result stays in the chain.
    renderer().setLastResult(inputSurface, input);
    renderer().renderPasses(m_camera);
    ASSERT_TRUE(renderer().getResult(texture, surface));
    EXPECT_NE(texture, nullptr);
    EXPECT_PIXEL(GraphicsTesting::readSurface(surface), 3, 3, 0xFF4C4C4C);
    m_manager.setRenderTargetSize(16, 16);
    m_device->ColorFill(final, nullptr, 0xFF0000FF);
    frame();
    ASSERT_TRUE(renderer().getResult(texture, surface));
    EXPECT_NE(surface, final);
    EXPECT_PIXEL(GraphicsTesting::readSurface(final), 3, 3, 0xFF0000FF);
    for (IUnknown* object : std::initializer_list<IUnknown*>{final, inputSurface, input})
        object->Release();
}

TEST_F(PostEffectRendererTest, ExtraPassTargetsFollowTheModeAndTheFirstEffectsFormat)
{
    RenderPass* pass = m_manager.getRenderPass(L"T");
    PostEffect* first = make(L"<POSTEFFECT NAME=\"Eins\"><EXTRA_PASS NAME=\"T\" USE_TYPE=\"FORWARD\" "
                             L"SPECIAL_FORMAT=\"D3DFMT_X8R8G8B8\" CLEAR_COLOR=\"FF112233\"/></POSTEFFECT>");
    PostEffect* second = make(L"<POSTEFFECT NAME=\"Zwei\"><EXTRA_PASS NAME=\"T\" USE_TYPE=\"FORWARD\" "
                              L"SPECIAL_FORMAT=\"A8R8G8B8\"/></POSTEFFECT>");
    m_manager.activatePostEffect(first);
    m_manager.activatePostEffect(second);
    const ExtraPassTarget* target = renderer().findExtraTarget(L"T");
    ASSERT_NE(target, nullptr);
    ASSERT_NE(target->surface(), nullptr);
    D3DSURFACE_DESC desc{};
    target->surface()->GetDesc(&desc);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(target->clearColor, 0xFF112233u);
    EXPECT_EQ(pass->getRefCount(), 1u); // the renderer holds one activation of the pass

    renderer().setDeferredMode(true); // a forward-only pass is not needed
    EXPECT_EQ(target->surface(), nullptr);
    EXPECT_EQ(pass->getRefCount(), 0u);
    renderer().setDeferredMode(false);
    EXPECT_NE(target->surface(), nullptr);
    EXPECT_EQ(pass->getRefCount(), 1u);

    m_manager.deactivatePostEffect(first);
    m_manager.deactivatePostEffect(second);
    EXPECT_EQ(renderer().findExtraTarget(L"T"), nullptr);
    EXPECT_EQ(pass->getRefCount(), 0u);
}

TEST_F(PostEffectRendererTest, PartialCreationFailureLeavesNothingToBlockTheNextReset)
{
    // Wider than any texture: the quad buffer is made, the first target is not.
    m_manager.setRenderTargetSize(65536, 4);
    EXPECT_FALSE(renderer().isCreated());
    EXPECT_EQ(renderer().getOriginalSurface(), nullptr);
    EXPECT_NE(m_logs.text().find(" Ulvo::PostEffectRenderer::onResetDevice Line: 86 d3d.getDevice()->CreateTexture("),
              std::string::npos);

    D3DInterface* d3d = D3DInterface::getInstance();
    ASSERT_TRUE(PlatformLoseDevice(m_device));
    EXPECT_FALSE(d3d->TestCooperative());
    EXPECT_FALSE(d3d->TestCooperative());
    EXPECT_TRUE(d3d->TestCooperative()) << "the reset was refused";

    m_manager.setRenderTargetSize(32, 16);
    EXPECT_TRUE(renderer().isCreated());
}

TEST_F(PostEffectRendererTest, EveryTargetOfTheFrameIsMadeAgainAfterADeviceLoss)
{
    // The frame's targets: the forward target, the chain's target holding the copy of the test's
    // picture, an extra-pass target and a light's stored spot and point maps, all from the
    // manager's pool.
    PostEffect* effect = make(L"<POSTEFFECT NAME=\"Eins\"><EXTRA_PASS NAME=\"T\" USE_TYPE=\"FORWARD\"/></POSTEFFECT>");
    m_manager.activatePostEffect(effect);
    RenderTargetPool& pool = m_manager.getTargetPool();
    DeferredLight* spot = DeferredLight::createSpotLight(L"Spot", D3DXCOLOR(1, 1, 1, 1), D3DXVECTOR3(0, 0, 0),
                                                         D3DXVECTOR3(0, -1, 0), 5.0f, 30.0f, 1.0f);
    DeferredLight* point =
        DeferredLight::createPointLight(L"Punkt", D3DXCOLOR(1, 1, 1, 1), D3DXVECTOR3(0, 0, 0), 5.0f, 1.0f);
    const UINT edge = spot->getCurrentShadowMapSize();
    RenderTargetHandle shared = pool.acquire(RenderTargetKey{L"ShadowMap", edge, edge, D3DFMT_R32F});
    RenderTargetHandle sharedCube =
        pool.acquire(RenderTargetKey{L"ShadowCube", edge, edge, D3DFMT_R32F, RenderTargetKind::Cube});
    ASSERT_EQ(spot->storeSpotShadowMap(pool, shared->getSurface()), D3D_OK);
    ASSERT_EQ(point->storePointShadowMap(pool, sharedCube->getCubeTexture()), D3D_OK);
    run(0xFF336699);

    // Forward, the chain's copy, extra, two shared shadow targets and two stored maps.
    const std::size_t before = pool.getTargetCount();
    ASSERT_EQ(before, 7u);
    EXPECT_EQ(pool.getCreatedCount(), before);
    m_input->Release(); // the test's own picture
    m_input = nullptr;
    ASSERT_TRUE(PlatformLoseDevice(m_device));
    D3DInterface* d3d = D3DInterface::getInstance();
    EXPECT_FALSE(d3d->TestCooperative());
    EXPECT_FALSE(d3d->TestCooperative());
    EXPECT_TRUE(d3d->TestCooperative()) << "a target left behind refused the reset";

    // The stored maps went with the loss (the lights draw them again); the rest is made again.
    EXPECT_TRUE(spot->needsShadowUpdate());
    EXPECT_EQ(spot->getStoredSpotMap(), nullptr);
    EXPECT_EQ(pool.getTargetCount(), before - 2);
    EXPECT_EQ(pool.getCreatedCount(), before - 2);
    for (const RenderTargetHandle& target : pool.getTargets())
        EXPECT_TRUE(target->isCreated()) << std::string(target->getKey().name.begin(), target->getKey().name.end());
    ASSERT_EQ(spot->storeSpotShadowMap(pool, shared->getSurface()), D3D_OK);
    ASSERT_EQ(point->storePointShadowMap(pool, sharedCube->getCubeTexture()), D3D_OK);
    EXPECT_EQ(pool.getCreatedCount(), before);

    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* surface = nullptr;
    ASSERT_TRUE(m_manager.getForwardRenderer()->getResult(texture, surface));
    ASSERT_NE(renderer().findExtraTarget(L"T")->surface(), nullptr);
    run(0xFF336699);
    ASSERT_TRUE(renderer().getResult(texture, surface));
    EXPECT_PIXEL(GraphicsTesting::readSurface(surface), 3, 3, 0xFF336699);
    spot->Release();
    point->Release();
}

TEST_F(PostEffectRendererTest, WithNoEffectToDrawTheForwardRendererDrawsOnTheCallersTargetWithoutACopy)
{
    GraphicsTesting::ScopedTarget target(m_device, 32, 16);
    ASSERT_TRUE(target.ok());
    m_manager.getForwardRenderer()->setClearColor(D3DXCOLOR(1.0f, 0.0f, 0.0f, 1.0f));
    auto frame = [&] { return countedFrame(PlatformPixelCount); };
    // An empty chain: the forward clear lands where the frame goes, and nothing is copied.
    EXPECT_EQ(frame(), 32u * 16u);
    EXPECT_PIXEL(target.read(), 3, 3, 0xFFFF0000);
    EXPECT_TRUE(m_manager.lastFrameDrewForwardOnly());
    // An effect that draws reads the forward renderer's own image and writes the caller's target.
    PostEffect* grey = make(L"<POSTEFFECT NAME=\"Grau\" EFFECT=\"PostGrey\"><FLOAT_PARAM_1 VALUE=\"1\"/></POSTEFFECT>");
    m_manager.activatePostEffect(grey);
    frame();
    EXPECT_PIXEL(target.read(), 3, 3, 0xFF4C4C4C);
    EXPECT_FALSE(m_manager.lastFrameDrewForwardOnly()) << "the caller's target holds the effect's picture";
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* surface = nullptr;
    ASSERT_TRUE(m_manager.getForwardRenderer()->getResult(texture, surface));
    EXPECT_PIXEL(GraphicsTesting::readSurface(surface), 3, 3, 0xFFFF0000);
}

TEST_F(PostEffectRendererTest, OnAWindowsPictureWithoutAlphaTheForwardRendererDrawsDirectlyUnlessABlendReadsAlpha)
{
    // Effects an earlier test of this process left loaded (the scene bundles) may blend with the
    // target's alpha; they are let go of for this test and loaded again after it.
    struct SetAside {
        std::vector<Effect*> effects;
        ~SetAside()
        {
            for (Effect* effect : effects)
                effect->reload();
        }
    } setAside;
    for (Effect* effect : EffectManager::getInstance()->getEffects())
        if (effect->isLoaded() && effect->mayBlendWithTargetAlpha()) {
            effect->releaseEffect();
            setAside.effects.push_back(effect);
        }
    GraphicsTesting::ScopedTarget target(m_device, 32, 16, D3DFMT_X8R8G8B8);
    ASSERT_TRUE(target.ok());
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* surface = nullptr;
    ASSERT_TRUE(m_manager.getForwardRenderer()->getResult(texture, surface));
    D3DSURFACE_DESC own{};
    surface->GetDesc(&own);
    ASSERT_EQ(own.Format, D3DFMT_A8R8G8B8);
    m_manager.getForwardRenderer()->setClearColor(D3DXCOLOR(1.0f, 0.0f, 0.0f, 0.5f));
    auto copied = [&] { return countedFrame(PlatformCopiedPixelCount); };
    // The colours are all the window keeps: drawn there, nothing is copied.
    EXPECT_EQ(copied(), 0u);
    EXPECT_TRUE(m_manager.lastFrameDrewForwardOnly());
    EXPECT_PIXEL(target.read(), 3, 3, 0xFFFF0000);

    // An effect that may blend with the target's alpha would see 1 there: the image is drawn
    // with its alpha and copied, to the same colours.
    TestSupport::writeText(m_logs.folder() / "data" / "FX" / "destalpha.fx",
                           "float4 PS() : COLOR { return 1; }\n"
                           "technique T { pass P { AlphaBlendEnable = true; SrcBlend = DESTALPHA;"
                           " PixelShader = compile ps_2_0 PS(); } }\n");
    XMLNode node;
    ASSERT_TRUE(
        XMLNode::load(&node, L"<EFFECT NAME=\"ZielAlpha\"><FILE FILENAME=\"data\\FX\\destalpha.fx\"/></EFFECT>", 1));
    auto* effect = new Effect(false);
    ASSERT_TRUE(effect->createFromNode(&node));
    EffectManager::getInstance()->addEffect(effect);
    effect->Release();
    EXPECT_EQ(copied(), 32u * 16u);
    EXPECT_FALSE(m_manager.lastFrameDrewForwardOnly());
    EXPECT_PIXEL(target.read(), 3, 3, 0xFFFF0000);
    // Let go of, it no longer counts.
    effect->releaseEffect();
    EXPECT_EQ(copied(), 0u);
}

TEST_F(PostEffectRendererTest, ChainTargetsGoBackToThePoolWhileFramesDoNotRunTheChainAndComeBackForOne)
{
    m_manager.getForwardRenderer()->setClearColor(D3DXCOLOR(1.0f, 0.0f, 0.0f, 1.0f));
    RenderTargetPool& pool = m_manager.getTargetPool();
    PostEffect* grey = make(L"<POSTEFFECT NAME=\"Grau\" EFFECT=\"PostGrey\"><FLOAT_PARAM_1 VALUE=\"1\"/></POSTEFFECT>");
    PostEffect* greyAgain =
        make(L"<POSTEFFECT NAME=\"Grau2\" EFFECT=\"PostGrey\"><FLOAT_PARAM_1 VALUE=\"1\"/></POSTEFFECT>");
    {
        GraphicsTesting::ScopedTarget target(m_device, 32, 16);
        ASSERT_TRUE(target.ok());
        // A frame of two effects takes the one target the first draws into (it reads the frame
        // where it lies; the second draws onto the caller's target).
        m_manager.activatePostEffect(grey);
        m_manager.activatePostEffect(greyAgain);
        m_manager.render(&m_camera);
        m_manager.deactivatePostEffect(grey);
        m_manager.deactivatePostEffect(greyAgain);
        ASSERT_TRUE(renderer().holdsTargets());
        const std::size_t held = pool.getTargetCount();
        // Held for a while of frames without the chain, then gone.
        for (int frame = 1; frame < PostEffectRenderer::kIdleFrames; ++frame)
            m_manager.render(&m_camera);
        EXPECT_TRUE(renderer().holdsTargets());
        m_manager.render(&m_camera);
        EXPECT_FALSE(renderer().holdsTargets());
        EXPECT_EQ(pool.getTargetCount(), held - 1);
        EXPECT_EQ(pool.getSpareCount(), 0u);

        // One effect reads the frame where it lies and draws onto the caller's target: no target.
        m_manager.activatePostEffect(grey);
        m_manager.render(&m_camera);
        EXPECT_FALSE(renderer().holdsTargets());
        EXPECT_PIXEL(target.read(), 3, 3, 0xFF4C4C4C);
        // Two take back the one the first draws into, before it draws; the picture is theirs.
        m_manager.activatePostEffect(greyAgain);
        m_manager.render(&m_camera);
        EXPECT_TRUE(renderer().holdsTargets());
        EXPECT_EQ(pool.getTargetCount(), held);
        EXPECT_PIXEL(target.read(), 3, 3, 0xFF4C4C4C);

        // The count starts again after a frame with the chain.
        m_manager.deactivatePostEffect(grey);
        m_manager.deactivatePostEffect(greyAgain);
        for (int frame = 1; frame < PostEffectRenderer::kIdleFrames; ++frame)
            m_manager.render(&m_camera);
        EXPECT_TRUE(renderer().holdsTargets());
        m_manager.render(&m_camera);
        EXPECT_FALSE(renderer().holdsTargets());
        EXPECT_PIXEL(target.read(), 3, 3, 0xFFFF0000);
    }
    // A device reset while they are let go, then a frame that needs them.
    ASSERT_TRUE(PlatformLoseDevice(m_device));
    D3DInterface* d3d = D3DInterface::getInstance();
    EXPECT_FALSE(d3d->TestCooperative());
    EXPECT_FALSE(d3d->TestCooperative());
    EXPECT_TRUE(d3d->TestCooperative()) << "a target left behind refused the reset";
    GraphicsTesting::ScopedTarget target(m_device, 32, 16);
    ASSERT_TRUE(target.ok());
    m_manager.activatePostEffect(grey);
    m_manager.render(&m_camera);
    EXPECT_PIXEL(target.read(), 3, 3, 0xFF4C4C4C);
}

TEST_F(PostEffectRendererTest, AnEffectAtValuesThatLeaveThePictureAsItIsIsPassedOverAndStillMakesTheOriginal)
{
    PostEffect* grey = make(L"<POSTEFFECT NAME=\"Grau\" EFFECT=\"PostGrey\" MAKE_ORIGINAL=\"0\">"
                            L"<FLOAT_PARAM_1 VALUE=\"1\"/></POSTEFFECT>");
    PostEffect* rollIn = make(L"<POSTEFFECT NAME=\"Rolle\" EFFECT=\"PostRollIn\" PRIORITY=\"HIGH\">"
                              L"<FLOAT_PARAM_1 VALUE=\"1\"/><VEC4_PARAM_1 X=\"0\" Y=\"0\" Z=\"1\" W=\"1\"/>"
                              L"<UNCHANGED_WHEN PARAM=\"FLOAT_1\" AT_LEAST=\"1\"/>"
                              L"<UNCHANGED_WHEN PARAM=\"VEC4_6_X\" EQUALS=\"0\"/></POSTEFFECT>");
    EXPECT_NE(m_logs.text().find("UNCHANGED_WHEN of \"Rolle\""), std::string::npos) << "a sixth vector is no parameter";
    ASSERT_EQ(rollIn->getUnchangedWhen().size(), 1u);
    m_manager.activatePostEffect(grey);
    m_manager.activatePostEffect(rollIn);
    // Rolled in all the way: only the grey draws, and the roll-in's result is the picture it read.
    EXPECT_EQ(renderer().countDraws(), 1);
    run(0xFFFF0000);
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* surface = nullptr;
    ASSERT_TRUE(renderer().getResult(texture, surface));
    EXPECT_EQ(surface, renderer().getSourceSurface()) << "read where it lies, not copied";
    EXPECT_PIXEL(GraphicsTesting::readSurface(surface), 3, 3, 0xFF4C4C4C);

    // Half rolled in, it draws: the lower half is its colour.
    rollIn->setFloat(0.5f, 0);
    EXPECT_EQ(renderer().countDraws(), 2);
    run(0xFFFF0000);
    ASSERT_TRUE(renderer().getResult(texture, surface));
    const Image image = GraphicsTesting::readSurface(surface);
    EXPECT_PIXEL(image, 3, 3, 0xFF4C4C4C);
    EXPECT_PIXEL(image, 3, 12, 0xFF0000FF);
}
