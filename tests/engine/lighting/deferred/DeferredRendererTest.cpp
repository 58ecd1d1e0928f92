// The deferred renderer on the running engine's render manager with the render configuration of
// data/FX, at 320x240: RP_DEF making and giving back its buffers, a small scene (ground, a table
// top, a ball) lit by the sun with split shadows and by two point lights, its G-buffer dumps and
// composed frame against golden images with the pixels whose light can be computed, the light
// commands, a STATIC light's shadow reuse, a spot light's cone, light post effects from the
// configuration, a target that cannot be made, and the same frame after a device reset.
#include "../posteffects/FrameTestSupport.h"

#include "devices/d3d/D3DInterface.h"
#include "engine/render/ConsoleLine.h"
#include "engine/UlvoEngine.h"
#include "engine/scene/SceneObjectsSupport.h"
#include "lighting/deferred/DeferredLight.h"
#include "lighting/deferred/DeferredRenderer.h"
#include "lighting/hdr/HDRRenderer.h"
#include "lighting/posteffects/PostEffectRenderer.h"
#include "render/cameras/AttachPoint.h"
#include "scene/objects/mesh/MeshObjekt.h"

#include <platform_test.h>

#include <d3dx9tex.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

using namespace Ulvo;
using GraphicsTesting::Image;
using RenderTesting::run;

namespace {

constexpr UINT kW = 320, kH = 240;
const std::filesystem::path kGolden = TestSupport::sourceDir() / "tests" / "engine" / "lighting" / "golden";

// The ground's material colour as the G-buffer holds it, and the configured sun.
const float kGround[3] = {107.0f / 255.0f, 158.0f / 255.0f, 71.0f / 255.0f};
const float kSun[3] = {0xC0 / 255.0f, 0xB8 / 255.0f, 0xA8 / 255.0f};
const float kAmbient[3] = {0x20 / 255.0f, 0x20 / 255.0f, 0x28 / 255.0f};
const float kBlue[3] = {0x40 / 255.0f, 0x60 / 255.0f, 0xFF / 255.0f};

// Red, green and blue within 2 each; alpha is not compared.
#define EXPECT_RGB(actual, expected)                                                                                   \
    EXPECT_TRUE(TestSupport::near((actual) | 0xFF000000u, (expected) | 0xFF000000u, 2))                                \
        << TestSupport::hex(actual) << ", expected " << TestSupport::hex(expected)

float q8(float value)
{
    return std::round(std::clamp(value, 0.0f, 1.0f) * 255.0f) / 255.0f;
}

// The composed pixel of the ground under the light gathered there (each step stored in 8 bits).
DWORD groundLitBy(const float light[3])
{
    DWORD c = 0xFF000000;
    for (int i = 0; i < 3; ++i)
        c |= static_cast<DWORD>(std::lround(kGround[i] * q8(light[i]) * 255.0f)) << (16 - 8 * i);
    return c;
}

class DeferredRendererTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SceneTesting::loadSceneData(m_logs.folder()));
        ASSERT_TRUE(FrameTesting::loadDataEffects(m_logs.folder()));
        m_device = D3DInterface::getInstance()->getDevice();
        m_manager = UlvoEngine::getInstance()->getRenderManager();
        ASSERT_NE(m_manager, nullptr);
        XMLNode root = FrameTesting::renderConfig();
        if (m_manager->getPostEffects().empty())
            m_manager->load(&root);
        m_deferred = static_cast<DeferredRenderer*>(m_manager->getDeferredRenderer());
        // Another test may have read the configuration before the meshes were there.
        if (!m_deferred->getSphereMesh())
            m_deferred->loadConfig(*root.getNode(L"DEFERRED_RENDERING"));
        ASSERT_NE(m_deferred->getSphereMesh(), nullptr);
        m_previousGraph = m_manager->getSceneGraph();
        m_manager->setRenderTargetSize(kW, kH);
        m_manager->setSceneGraph(&m_graph);
        RenderTesting::sunAllDay(m_graph, L"X=\"0.4\" Y=\"1\" Z=\"-0.5\"", L"FFC0B8A8", L"FF202028");
        add(L"<OBJEKT NAME=\"Boden\" TYPE=\"MESH\"><BASE_DATA EFFECT=\"Material\"><RENDERPASSES DEFAULT=\"1\"/>"
            L"</BASE_DATA><MESH_DATA NAME=\"BODEN\" SPECULAR_AMOUNT=\"0\"/></OBJEKT>");
        add(L"<OBJEKT NAME=\"Tisch\" TYPE=\"MESH\"><BASE_DATA EFFECT=\"Material\"><RENDERPASSES DEFAULT=\"1\"/>"
            L"<POSITION Y=\"2.5\"/><SCALE X=\"4\" Y=\"0.2\" Z=\"4\"/></BASE_DATA><MESH_DATA NAME=\"KISTE\""
            L" SPECULAR_AMOUNT=\"0\"/></OBJEKT>");
        add(L"<OBJEKT NAME=\"Ball\" TYPE=\"MESH\"><BASE_DATA EFFECT=\"Material\"><RENDERPASSES DEFAULT=\"1\"/>"
            L"<POSITION X=\"3\" Y=\"1\" Z=\"1.5\"/></BASE_DATA><MESH_DATA NAME=\"KUGEL\"/></OBJEKT>");
        m_camera.setAspect(static_cast<float>(kW) / static_cast<float>(kH));
        m_camera.setFovAspect(45.0, 0.0);
        m_camera.setNearFar(0.5, 60.0);
        m_camera.setEyePosition(D3DXVECTOR3(-8, 2, -7));
        m_camera.setLookAt(D3DXVECTOR3(0, 0.5f, 0));
    }

    void TearDown() override
    {
        if (!m_manager)
            return;
        run(L"RP_DEF 0");
        run(L"RP_DEF_removeLight Blau");
        m_manager->setSceneGraph(m_previousGraph);
        m_manager->setRenderTargetSize(0xFFFFFFFFu, 0xFFFFFFFFu);
        for (BaseObjekt* object : m_objects)
            m_graph.removeObject(object, true);
        for (BaseObjekt* object : m_objects)
            object->Release();
    }

    void add(const std::wstring& text)
    {
        auto* object = SceneTesting::build<MeshObjekt>(m_objektManager, text);
        ASSERT_NE(object, nullptr);
        m_objects.push_back(object);
        m_graph.addObject(object, true);
    }

    // Deferred on, with the second point light over the shadowed ground under the table.
    void switchOn()
    {
        ASSERT_EQ(run(L"RP_DEF 1"), L"gesetzt");
        ASSERT_TRUE(m_deferred->isEnabled()) << m_logs.text();
        ASSERT_EQ(run(L"RP_DEF_addPointLight Blau FF4060FF -2.2 0.8 2.4 1.5 1"), L"erstellt");
    }

    // The deferred renderer's light target after one frame.
    Image lightPicture()
    {
        frame();
        IDirect3DSurface9* surface = nullptr;
        m_deferred->getLightTexture()->GetSurfaceLevel(0, &surface);
        Image light = GraphicsTesting::readSurface(surface);
        surface->Release();
        return light;
    }

    Image frame()
    {
        GraphicsTesting::ScopedTarget target(m_device, kW, kH);
        IDirect3DSurface9* depth = nullptr;
        IDirect3DSurface9* previousDepth = nullptr;
        m_device->CreateDepthStencilSurface(kW, kH, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE, &depth, nullptr);
        m_device->GetDepthStencilSurface(&previousDepth);
        m_device->SetDepthStencilSurface(depth);
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF203040, 1.0f, 0);
        m_manager->render(&m_camera);
        Image image = target.read();
        m_device->SetDepthStencilSurface(previousDepth);
        if (previousDepth)
            previousDepth->Release();
        if (depth)
            depth->Release();
        return image;
    }

    POINT pixelOf(const D3DXVECTOR3& point) const { return RenderTesting::pixelOf(m_camera, point, kW, kH); }

    DWORD at(const Image& image, const D3DXVECTOR3& point) const
    {
        const POINT p = pixelOf(point);
        EXPECT_TRUE(p.x >= 0 && p.y >= 0 && p.x < static_cast<LONG>(kW) && p.y < static_cast<LONG>(kH));
        return image.at(static_cast<UINT>(p.x), static_cast<UINT>(p.y));
    }

    LogCapture m_logs;
    IDirect3DDevice9* m_device = nullptr;
    RenderManager* m_manager = nullptr;
    DeferredRenderer* m_deferred = nullptr;
    SceneGraph* m_previousGraph = nullptr;
    ObjektManager m_objektManager;
    SceneGraph m_graph;
    std::vector<BaseObjekt*> m_objects;
    LookAtCamera m_camera{L"Deferred"};
};

// The depth buffer as grey, near white to far black, stretched over the scene's depths.
Image depthPicture(IDirect3DTexture9* texture, float scale = 20.0f, float base = 1.0f)
{
    Image image;
    IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice();
    IDirect3DSurface9* surface = nullptr;
    IDirect3DSurface9* copy = nullptr;
    D3DSURFACE_DESC desc{};
    if (!texture || FAILED(texture->GetSurfaceLevel(0, &surface)) || FAILED(surface->GetDesc(&desc)) ||
        FAILED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, D3DFMT_R32F, D3DPOOL_SYSTEMMEM, &copy,
                                                   nullptr)) ||
        FAILED(device->GetRenderTargetData(surface, copy))) {
        if (surface)
            surface->Release();
        if (copy)
            copy->Release();
        return image;
    }
    D3DLOCKED_RECT locked{};
    copy->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    image.width = desc.Width;
    image.height = desc.Height;
    for (UINT y = 0; y < desc.Height; ++y) {
        const auto* row = reinterpret_cast<const float*>(static_cast<const char*>(locked.pBits) + y * locked.Pitch);
        for (UINT x = 0; x < desc.Width; ++x) {
            const float d = row[x];
            const DWORD grey = d >= 1.0f ? 0 : static_cast<DWORD>(std::clamp((base - d) * scale, 0.0f, 1.0f) * 255.0f);
            image.pixels.push_back(0xFF000000 | grey << 16 | grey << 8 | grey);
        }
    }
    copy->UnlockRect();
    copy->Release();
    surface->Release();
    return image;
}

} // namespace

TEST_F(DeferredRendererTest, TheSceneIsLitByTheSunWithSplitShadowsAndByTwoPointLights)
{
    const std::size_t targetsBefore = m_manager->getTargetPool().getTargetCount();
    EXPECT_FALSE(m_deferred->isEnabled()); // the configuration starts it off
    switchOn();
    EXPECT_NE(m_logs.text().find("Deferred Rendering Buffer erstellt!"), std::string::npos);
    ASSERT_EQ(m_deferred->getLights().size(), 3u); // the sun, the lantern, the blue light

    const Image image = frame();
    ASSERT_EQ(m_deferred->getSplitShadowCount(), 2u);
    // Sun-lit ground, ground in the table's shadow (the ambient only), and shadowed ground under
    // the blue light straight above (0.8 over it, radius 1.5: 1 - 0.8 / 1.5 of its colour).
    const float ndl = 1.0f / std::sqrt(0.16f + 1.0f + 0.25f);
    float sunLit[3], shaded[3], blue[3];
    for (int i = 0; i < 3; ++i) {
        sunLit[i] = kSun[i] * ndl + kAmbient[i];
        shaded[i] = kAmbient[i];
        blue[i] = kAmbient[i] + kBlue[i] * (1.0f - 0.8f / 1.5f);
    }
    EXPECT_RGB(at(image, {3, 0, -3}), groundLitBy(sunLit));
    EXPECT_RGB(at(image, {0, 0, 0}), groundLitBy(shaded));
    EXPECT_RGB(at(image, {-2.2f, 0, 2.4f}), groundLitBy(blue));
    // Above the horizon nothing was drawn: the forward image, cleared transparent.
    EXPECT_PIXEL(image, 160, 2, 0x00000000);
    EXPECT_TRUE(TestSupport::matchesGolden(image, kGolden, "deferred_frame"));

    // The dumps into a folder that is there already.
    std::filesystem::create_directories(m_logs.folder() / "dumps");
    {
        TestSupport::ScopedCwd cwd(m_logs.folder());
        EXPECT_EQ(run(L"RP_DEF_SaveAll dumps"), L"gespeichert!");
    }
    Image colour, normal;
    ASSERT_TRUE(TestSupport::readPng((m_logs.folder() / "dumps" / "m_color_tex.png").string(), colour));
    ASSERT_TRUE(TestSupport::readPng((m_logs.folder() / "dumps" / "m_normal_tex.png").string(), normal));
    EXPECT_EQ(colour.width, kW);
    // Alpha holds the specular amount and power (none here): the pictures show the colours.
    EXPECT_EQ(colour.at(3, 200) >> 24, 0u);
    for (Image* picture : {&colour, &normal})
        for (DWORD& pixel : picture->pixels)
            pixel |= 0xFF000000u;
    EXPECT_TRUE(TestSupport::matchesGolden(colour, kGolden, "deferred_gbuffer_color"));
    EXPECT_TRUE(TestSupport::matchesGolden(normal, kGolden, "deferred_gbuffer_normal"));
    // The ground's colour and its upward normal, as stored.
    EXPECT_RGB(at(colour, {3, 0, -3}), 0x006B9E47u);
    EXPECT_RGB(at(normal, {3, 0, -3}), 0x0080FF80u);
    for (const char* name :
         {"m_light_tex.dds", "m_depth_tex.dds", "m_misc_tex.dds", "m_forward_tex.dds", "m_backbuffer_tex.dds"}) {
        std::ifstream in(m_logs.folder() / "dumps" / name, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        D3DXIMAGE_INFO info{};
        ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(bytes.data(), static_cast<UINT>(bytes.size()), &info), D3D_OK)
            << name;
        EXPECT_EQ(info.Width, kW) << name;
        if (std::string(name) == "m_depth_tex.dds") {
            EXPECT_EQ(info.Format, D3DFMT_R32F);
        }
    }
    IDirect3DTexture9* buffers[4] = {};
    ASSERT_TRUE(m_deferred->getBufferTextures(buffers));
    EXPECT_TRUE(
        TestSupport::matchesGolden(depthPicture(buffers[DeferredRenderer::DEPTH]), kGolden, "deferred_gbuffer_depth"));
    IDirect3DSurface9* lightSurface = nullptr;
    m_deferred->getLightTexture()->GetSurfaceLevel(0, &lightSurface);
    Image light = GraphicsTesting::readSurface(lightSurface);
    lightSurface->Release();
    // Its alpha holds the highlights; the picture shows the light itself.
    for (DWORD& pixel : light.pixels)
        pixel |= 0xFF000000u;
    EXPECT_TRUE(TestSupport::matchesGolden(light, kGolden, "deferred_light"));

    // RP_DEF 0 gives every target back.
    EXPECT_EQ(run(L"RP_DEF_removeLight Blau"), L"gelöscht!");
    EXPECT_EQ(run(L"RP_DEF_removeLight Blau"), L"es gibt kein Licht mit diesen Namen!");
    EXPECT_EQ(run(L"RP_DEF 0"), L"gesetzt");
    EXPECT_FALSE(m_deferred->areBuffersCreated());
    // The frames' post chain lets its targets go after frames without it, as the game's do.
    auto& post = static_cast<PostEffectRenderer&>(*m_manager->getPostEffectRenderer());
    for (int frame = 0; frame < PostEffectRenderer::kIdleFrames; ++frame)
        post.frameWithoutChain();
    m_manager->getTargetPool().trim();
    EXPECT_EQ(m_manager->getTargetPool().getTargetCount(), targetsBefore);
    // Nothing to save now: the answer says so.
    EXPECT_EQ(run(L"RP_DEF_SaveAll leer"), L"Buffer konnten nicht gespeichert werden: leer");
}

TEST_F(DeferredRendererTest, PointLightsDrawnTogetherLightAsEachDrawnAlone)
{
    switchOn();
    // A wide light round the eye besides the two seen from outside: a volume the eye stands in
    // must light its pixels once, like one it sees from outside.
    ASSERT_EQ(run(L"RP_DEF_addPointLight Weit FFFFC080 -7 1.5 -6 4 1"), L"erstellt");
    m_deferred->setBatchPointLights(false);
    const Image alone = lightPicture();
    EXPECT_EQ(m_deferred->getBatchedPointLightCount(), 0u);
    m_deferred->setBatchPointLights(true);
    // Both shapes of the batch: screen rectangles (the default) and instanced volumes. Drawn as
    // rectangles, the light round the eye covers the screen and stays a rectangle; the two small
    // ones go as points.
    for (bool rects : {true, false}) {
        m_deferred->setPointLightRects(rects);
        const Image together = lightPicture();
        EXPECT_EQ(m_deferred->getBatchedPointLightCount(), 3u);
        if (rects) {
            EXPECT_EQ(m_deferred->getPointLightBatch().rectangleCount(), 1u);
            EXPECT_EQ(m_deferred->getPointLightBatch().pointCount(), 2u);
        }
        ASSERT_EQ(alone.pixels.size(), together.pixels.size());
        int differing = 0, lit = 0;
        for (std::size_t i = 0; i < alone.pixels.size(); ++i) {
            differing += !TestSupport::near(alone.pixels[i], together.pixels[i], 2);
            lit += (together.pixels[i] & 0xFFFFFF) != 0;
        }
        EXPECT_EQ(differing, 0) << (rects ? "rectangles" : "volumes");
        EXPECT_GT(lit, 1000);
    }
    m_deferred->setPointLightRects(true);
    EXPECT_EQ(run(L"RP_DEF_removeLight Weit"), L"gelöscht!");
}

// Every point light a file can describe gives the picture of its own draw when batched: no fade
// (an exponent of 0 or below), no radius, no intensity, or a light behind the eye.
TEST_F(DeferredRendererTest, BatchedPointLightsOfEveryDescriptionLightAsEachDrawnAlone)
{
    switchOn();
    const wchar_t* const lights[] = {
        L"NAME=\"Ohne\" POSITION=\"-3 0.6 -2\" COLOR=\"FFFFA060\" RADIUS=\"1.2\" FALLOFF_RADIUS=\"0\"",
        L"NAME=\"Unter\" POSITION=\"1 0.6 -3\" COLOR=\"FF60FFA0\" RADIUS=\"1.5\" FALLOFF_RADIUS=\"-1\"",
        L"NAME=\"Punkt\" POSITION=\"-1 0.4 -1\" COLOR=\"FFFFFFFF\" RADIUS=\"0\" FALLOFF_RADIUS=\"1\"",
        L"NAME=\"Dunkel\" POSITION=\"0 0.6 -1\" COLOR=\"FFFFFFFF\" RADIUS=\"2\" INTENSITY=\"0\"",
        L"NAME=\"Hinten\" POSITION=\"-13 2 -12\" COLOR=\"FFFFFFFF\" RADIUS=\"3\""};
    for (const wchar_t* light : lights) {
        XMLNode node;
        XMLNode::load(&node, std::wstring(L"<LIGHT TYPE=\"POINT\" ") + light + L"/>", 1);
        auto* made = new DeferredLight(&node);
        ASSERT_TRUE(m_deferred->addLight(made)) << light;
        made->Release();
    }
    m_deferred->setBatchPointLights(false);
    const Image alone = lightPicture();
    m_deferred->setBatchPointLights(true);
    for (bool rects : {true, false}) {
        m_deferred->setPointLightRects(rects);
        const Image together = lightPicture();
        EXPECT_GT(m_deferred->getBatchedPointLightCount(), 0u);
        ASSERT_EQ(alone.pixels.size(), together.pixels.size());
        int differing = 0;
        for (std::size_t i = 0; i < alone.pixels.size(); ++i)
            differing += !TestSupport::near(alone.pixels[i], together.pixels[i], 2);
        EXPECT_EQ(differing, 0) << (rects ? "rectangles" : "volumes");
    }
    m_deferred->setPointLightRects(true);
    for (const wchar_t* name : {L"Ohne", L"Unter", L"Punkt", L"Dunkel", L"Hinten"})
        EXPECT_EQ(run(std::wstring(L"RP_DEF_removeLight ") + name), L"gelöscht!");
}

TEST_F(DeferredRendererTest, AForcedDeviceResetKeepsTheFrameAndDeferredHDRChangesTheLightFormat)
{
    switchOn();
    const Image before = frame();
    D3DInterface* d3d = D3DInterface::getInstance();
    ASSERT_TRUE(PlatformLoseDevice(m_device));
    EXPECT_FALSE(d3d->TestCooperative());
    EXPECT_FALSE(d3d->TestCooperative());
    ASSERT_TRUE(d3d->TestCooperative()) << m_logs.text();
    EXPECT_TRUE(m_deferred->isEnabled());
    const Image after = frame();
    EXPECT_EQ(after.pixels, before.pixels);

    // Deferred HDR (mode bit 2) makes the light and result targets floating-point; other bits
    // remake nothing.
    IDirect3DTexture9* light = m_deferred->getLightTexture();
    m_deferred->setHDRMode(1);
    EXPECT_EQ(m_deferred->getLightTexture(), light);
    m_deferred->setHDRMode(2);
    D3DSURFACE_DESC desc{};
    m_deferred->getLightTexture()->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_A16B16G16R16F);
    IDirect3DTexture9* result = nullptr;
    IDirect3DSurface9* resultSurface = nullptr;
    ASSERT_TRUE(m_deferred->getResult(result, resultSurface));
    result->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_A16B16G16R16F);
    m_deferred->setHDRMode(0);
    m_deferred->getLightTexture()->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
}

// With the forward stage off the chain runs only after the deferred stage; the eye must adapt
// there too, or the picture stays over-exposed.
TEST_F(DeferredRendererTest, HdrAfterTheDeferredStageAloneAdaptsTheEye)
{
    switchOn();
    auto* hdr = static_cast<HDRRenderer*>(m_manager->getHDRRenderer());
    const double* gameTime = hdr->getFrameTimeSource();
    const double frameTime = 0.05;
    hdr->setFrameTimeSource(&frameTime);
    m_manager->getForwardRenderer()->setEnabled(false);
    ASSERT_EQ(run(L"RP_HDR 2"), L"gesetzt");
    for (int i = 0; i < 3; ++i)
        frame();
    const float measured = FrameTesting::redOfLuminance(m_device, hdr->getSurface(HDRRenderer::Luminance0));
    const float adapted = FrameTesting::redOfLuminance(m_device, hdr->getSurface(HDRRenderer::AdaptedLumCur));
    run(L"RP_HDR 0");
    m_manager->getForwardRenderer()->setEnabled(true);
    hdr->setFrameTimeSource(gameTime);
    ASSERT_GT(measured, 0.0f);
    // Three steps of 0.05 s: 1 - 0.98^4.5 of the way.
    EXPECT_NEAR(adapted, measured * (1.0f - std::pow(0.98f, 4.5f)), 0.02f * measured);
}

TEST_F(DeferredRendererTest, AStaticLightDrawsItsShadowOnlyWhenDue)
{
    switchOn();
    // A torch as a scene object's light: a copy of the template on an attach point the object moves.
    auto* holder = new AttachPoint(L"Halter");
    D3DXMATRIX place;
    D3DXMatrixTranslation(&place, 0.0f, 1.0f, 0.0f);
    holder->setParentMatrix(place);
    auto* torch = static_cast<DeferredLight*>(m_deferred->createAttachedLight(L"Fackel", holder));
    ASSERT_NE(torch, nullptr);
    ASSERT_TRUE(m_deferred->addLight(torch));
    torch->Release();
    frame();
    const unsigned first = m_deferred->getShadowRenderCount();
    EXPECT_FALSE(torch->isDirty());
    EXPECT_NE(torch->getStoredPointMap(), nullptr);
    // Moved by less than the square root of 0.1: the stored map serves. The sun (DYNAMIC) draws
    // every frame, the torch not.
    D3DXMatrixTranslation(&place, 0.2f, 1.0f, 0.0f);
    holder->setParentMatrix(place);
    frame();
    frame();
    const unsigned perFrame = m_deferred->getShadowRenderCount() - first;
    EXPECT_EQ(perFrame, 2u);
    // Moved further: drawn again, once.
    D3DXMatrixTranslation(&place, 1.0f, 1.0f, 0.0f);
    holder->setParentMatrix(place);
    frame();
    frame();
    EXPECT_EQ(m_deferred->getShadowRenderCount() - first, perFrame + 3u);
    const unsigned moved = m_deferred->getShadowRenderCount();
    // Another shadow quality: drawn again.
    m_manager->setShadowQuality(QUALITY_LOW);
    frame();
    EXPECT_EQ(m_deferred->getShadowRenderCount() - moved, 2u);
    m_manager->setShadowQuality(QUALITY_MEDIUM);

    // Without its shadow pass a due light draws nothing and stores nothing: it stays due.
    XMLNode node;
    XMLNode::load(&node, L"<DEFERRED_RENDERING SHADOWPASS_POINT=\"FEHLT\"/>", 1);
    m_deferred->loadConfig(node);
    torch->releaseShadowMaps();
    frame();
    EXPECT_TRUE(torch->isDirty());
    EXPECT_EQ(torch->getStoredPointMap(), nullptr);
    XMLNode again;
    XMLNode::load(&again, L"<DEFERRED_RENDERING SHADOWPASS_POINT=\"DEF_SCHATTEN_PUNKT\"/>", 1);
    m_deferred->loadConfig(again);
    frame();
    EXPECT_FALSE(torch->isDirty());
    m_deferred->removeLight(torch);
    holder->Release();
}

TEST_F(DeferredRendererTest, ASpotLightKeepsItsConeAndACombinationDrawsItsChildren)
{
    switchOn();
    run(L"RP_DEF_removeLight Blau");
    const Image without = frame();
    // Straight down over sun-lit ground, a narrow cone: the ground 1.2 units aside lies inside
    // the radius but outside the cone.
    ASSERT_EQ(run(L"RP_DEF_addSpotLight Spot FFFFFFFF 3 2 -3 0 -1 0 3 15 1"), L"erstellt");
    const Image with = frame();
    EXPECT_EQ(at(with, {4.2f, 0, -3}), at(without, {4.2f, 0, -3}));
    EXPECT_NE(at(with, {3, 0, -3}), at(without, {3, 0, -3}));
    run(L"RP_DEF_removeLight Spot");

    // A COMBINATION draws each child as a light of its own.
    XMLNode node;
    XMLNode::load(&node,
                  L"<DEFERRED_RENDERING><ACTIVE_LIGHTS><LIGHT NAME=\"Paar\" TYPE=\"COMBINATION\">"
                  L"<LIGHT TYPE=\"SPOT\" POSITION=\"3 2 -3\" DIRECTION=\"0 -1 0\" RADIUS=\"3\" THETA=\"15\"/>"
                  L"<LIGHT TYPE=\"POINT\" POSITION=\"-2.2 0.8 2.4\" RADIUS=\"1.5\" COLOR=\"FF4060FF\"/>"
                  L"</LIGHT></ACTIVE_LIGHTS></DEFERRED_RENDERING>",
                  1);
    m_deferred->loadConfig(node);
    const Image pair = frame();
    run(L"RP_DEF_removeLight Paar");
    run(L"RP_DEF_addSpotLight Spot FFFFFFFF 3 2 -3 0 -1 0 3 15 1");
    run(L"RP_DEF_addPointLight Blau FF4060FF -2.2 0.8 2.4 1.5 1");
    EXPECT_EQ(frame().pixels, pair.pixels);
    run(L"RP_DEF_removeLight Spot");
}

TEST_F(DeferredRendererTest, LightPostEffectsOfTheConfigurationDraw)
{
    switchOn();
    // Read after the scene graph was handed over: the effect still gets its handles.
    XMLNode node;
    XMLNode::load(&node,
                  L"<DEFERRED_RENDERING><LIGHT_POSTEFFECTS ENABLE=\"1\" ENABLE_ONLY_WITH_SOFT_SHADOWS=\"0\">"
                  L"<POSTEFFECT NAME=\"LichtGrau\" EFFECT=\"PostGrey\"><FLOAT_PARAM_1 VALUE=\"1.0\"/></POSTEFFECT>"
                  L"</LIGHT_POSTEFFECTS></DEFERRED_RENDERING>",
                  1);
    m_deferred->loadConfig(node);
    ASSERT_EQ(m_deferred->getLightPostEffects().size(), 1u);
    frame();
    IDirect3DSurface9* surface = nullptr;
    m_deferred->getLightTexture()->GetSurfaceLevel(0, &surface);
    const Image light = GraphicsTesting::readSurface(surface);
    surface->Release();
    // The blue light's light turned grey.
    const POINT p = pixelOf({-2.2f, 0, 2.4f});
    const DWORD c = light.at(static_cast<UINT>(p.x), static_cast<UINT>(p.y));
    EXPECT_NEAR(TestSupport::channel(c, 16), TestSupport::channel(c, 0), 1) << TestSupport::hex(c);
    EXPECT_NEAR(TestSupport::channel(c, 8), TestSupport::channel(c, 0), 1) << TestSupport::hex(c);
    XMLNode off;
    XMLNode::load(&off,
                  L"<DEFERRED_RENDERING><LIGHT_POSTEFFECTS ENABLE=\"0\" ENABLE_ONLY_WITH_SOFT_SHADOWS=\"1\"/>"
                  L"</DEFERRED_RENDERING>",
                  1);
    m_deferred->loadConfig(off);
    EXPECT_FALSE(m_deferred->getBlurLights());
}

TEST_F(DeferredRendererTest, BuffersThatCannotBeMadeLeaveNothingBehind)
{
    // ENABLE 1 in the configuration before RP_DEF 1 leaves it off.
    XMLNode enable;
    XMLNode::load(&enable, L"<DEFERRED_RENDERING ENABLE=\"1\"/>", 1);
    m_deferred->loadConfig(enable);
    EXPECT_FALSE(m_deferred->isEnabled());
    EXPECT_FALSE(m_deferred->areBuffersCreated());

    m_manager->setRenderTargetSize(100000, 4); // wider than any texture the device makes
    EXPECT_EQ(run(L"RP_DEF 1"), L"gesetzt");
    EXPECT_FALSE(m_deferred->isEnabled());
    EXPECT_FALSE(m_deferred->areBuffersCreated());
    EXPECT_FALSE(m_deferred->hasQuadBuffer()); // made before the targets, released with them
    for (const RenderTargetHandle& target : m_manager->getTargetPool().getTargets())
        EXPECT_NE(target->getKey().name.rfind(L"Deferred.", 0), 0u);
    // A reset still succeeds (nothing default-pool was left over), and a size that fits works.
    D3DInterface* d3d = D3DInterface::getInstance();
    ASSERT_TRUE(PlatformLoseDevice(m_device));
    EXPECT_FALSE(d3d->TestCooperative());
    EXPECT_FALSE(d3d->TestCooperative());
    ASSERT_TRUE(d3d->TestCooperative()) << m_logs.text();
    m_manager->setRenderTargetSize(kW, kH);
    EXPECT_EQ(run(L"RP_DEF 1"), L"gesetzt");
    EXPECT_TRUE(m_deferred->isEnabled());
}
