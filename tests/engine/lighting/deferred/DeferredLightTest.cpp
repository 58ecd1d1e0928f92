// Deferred lights: the description, shadow settings per quality level, distance steps and
// intensity fading, timed and static shadow bookkeeping, copies, attachment, the shadow-quality
// signal, and the light lists of the deferred renderer.
#include "devices/d3d/D3DInterface.h"
#include "engine/graphics/GraphicsTestSupport.h"
#include "foundation/xml/XMLNode.h"
#include "lighting/deferred/DeferredLight.h"
#include "lighting/deferred/DeferredRenderer.h"
#include "render/cameras/AttachPoint.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <cfloat>

using namespace Ulvo;

namespace {

DeferredLight* lightFrom(const std::wstring& text)
{
    XMLNode node;
    XMLNode::load(&node, text, 1);
    return new DeferredLight(&node);
}

} // namespace

TEST(DeferredLightTest, DescriptionSetsTypeShadowLevelsAndColours)
{
    LogCapture logs;
    DeferredLight* light =
        lightFrom(L"<LIGHT NAME=\"Spot\" TYPE=\"SPOT\" POSITION=\"1 2\" SHADOW_TYPE=\"DYNAMIC STATIC TIMED NONE\""
                  L" SHADOWMAPSIZE=\"1024\" COLOR=\"80FF8000\" AMIBENT_COLOR=\"FF000010\" THETA=\"30\""
                  L" SPECULAR_MULTIPLIER=\"2\" CAN_USE_SOFTSHADOWS=\"0\"/>");
    EXPECT_EQ(light->getName(), L"Spot");
    EXPECT_EQ(light->getType(), LIGHT_SPOT);
    EXPECT_EQ(light->getWorldPosition(), D3DXVECTOR3(1, 2, 0));
    EXPECT_EQ(light->getShadowType(0), SHADOW_DYNAMIC);
    EXPECT_EQ(light->getShadowType(1), SHADOW_STATIC);
    EXPECT_EQ(light->getShadowType(2), SHADOW_TIMED);
    EXPECT_EQ(light->getShadowType(3), SHADOW_NONE);
    for (unsigned level = 0; level < 4; ++level)
        EXPECT_EQ(light->getShadowMapSize(level), 1024u);
    EXPECT_FLOAT_EQ(light->getColor().g, 128.0f / 255.0f);
    EXPECT_FLOAT_EQ(light->getColor().a, 128.0f / 255.0f);
    EXPECT_FLOAT_EQ(light->getAmbientColor().b, 16.0f / 255.0f);
    EXPECT_FALSE(light->canUseSoftShadows());
    light->Release();

    // One word sets every level; two words leave the defaults; an unknown type is directional.
    light = lightFrom(L"<LIGHT NAME=\"A\" TYPE=\"point\" SHADOW_TYPE=\"STATIC\" SHADOWMAPSIZE=\"64 64\"/>");
    EXPECT_EQ(light->getType(), LIGHT_DIR);
    EXPECT_EQ(light->getShadowType(3), SHADOW_STATIC);
    EXPECT_EQ(light->getShadowMapSize(0), 0u);
    EXPECT_EQ(light->getShadowMapSize(3), 512u);
    light->Release();
}

TEST(DeferredLightTest, CameraDistanceDegradesShadowsAndFadesIntensity)
{
    LogCapture logs;
    DeferredLight* light = lightFrom(L"<LIGHT NAME=\"Far\" TYPE=\"POINT\" SHADOW_DEGRADE=\"1 10 20 30\""
                                     L" INTENSITY_FADING=\"1 10 20\" INTENSITY=\"2\"/>");
    ASSERT_TRUE(light->usesCameraDistance());
    const struct {
        float distance;
        unsigned level;
        float intensity;
    } cases[] = {{5, 3, 2.0f}, {15, 2, 1.0f}, {25, 1, 0.0f}, {35, 0, 0.0f}};
    for (const auto& c : cases) {
        light->updateCameraDistance(D3DXVECTOR3(c.distance, 0, 0));
        EXPECT_EQ(light->getQualityLevel(), c.level) << c.distance;
        EXPECT_FLOAT_EQ(light->getCurrentIntensity(), c.intensity) << c.distance;
    }
    light->Release();
}

TEST(DeferredLightTest, CopiesKeepSettingsAndFollowTheirAttachPoint)
{
    LogCapture logs;
    DeferredLight* group = lightFrom(L"<LIGHT NAME=\"Gruppe\" TYPE=\"COMBINATION\" CAN_USE_SOFTSHADOWS=\"0\">"
                                     L"<LIGHT NAME=\"Kind\" TYPE=\"SPOT\" DIRECTION=\"0 0 1\"/></LIGHT>");
    ASSERT_NE(group->getChildLight(0), nullptr);
    EXPECT_EQ(group->getChildLight(1), nullptr);
    DeferredLight* copy = group->clone();
    EXPECT_FALSE(copy->canUseSoftShadows());
    ASSERT_NE(copy->getChildLight(0), nullptr);
    EXPECT_NE(copy->getChildLight(0), group->getChildLight(0)); // children of its own

    // Attached, the light and its children take the attach point's frame.
    auto* point = new AttachPoint(L"Halter");
    D3DXMATRIX world;
    D3DXMatrixRotationY(&world, D3DX_PI * 0.5f); // +z turns to +x
    world._41 = 5.0f;
    point->setParentMatrix(world);
    copy->setAttachedObject(point);
    DeferredLight* child = copy->getChildLight(0);
    EXPECT_EQ(child->getWorldPosition(), D3DXVECTOR3(5, 0, 0));
    const D3DXVECTOR3 direction = child->getWorldDirection();
    EXPECT_NEAR(direction.x, 1.0f, 1e-5f);
    EXPECT_NEAR(direction.z, 0.0f, 1e-5f);
    point->Release(); // deleted: the lights drop it
    EXPECT_EQ(copy->getAttachedObject(), nullptr);
    EXPECT_EQ(child->getAttachedObject(), nullptr);
    copy->Release();
    group->Release();

    // Combinations nested without end are cut a few levels down, with a log line.
    std::wstring deep;
    for (int i = 0; i < 200; ++i)
        deep += L"<LIGHT TYPE=\"COMBINATION\">";
    for (int i = 0; i < 200; ++i)
        deep += L"</LIGHT>";
    DeferredLight* nested = lightFrom(deep);
    int levels = 0;
    for (DeferredLight* light = nested; light; light = light->getChildLight(0))
        ++levels;
    EXPECT_EQ(levels, 17);
    EXPECT_NE(logs.text().find("nested too deep"), std::string::npos);
    nested->Release();
}

TEST(DeferredLightTest, StoredMapsFollowTimeMovementLossAndQuality)
{
    LogCapture logs;
    IDirect3DDevice9* device = GraphicsTesting::startDevice();
    ASSERT_NE(device, nullptr);
    IDirect3DSurface9* shared = nullptr;
    RenderTargetPool pool;
    ASSERT_EQ(device->CreateRenderTarget(512, 512, D3DFMT_R32F, D3DMULTISAMPLE_NONE, 0, FALSE, &shared, nullptr),
              D3D_OK);

    DeferredLight* light = lightFrom(L"<LIGHT NAME=\"Timed\" TYPE=\"SPOT\" SHADOW_TYPE=\"TIMED\"/>");
    EXPECT_TRUE(light->needsShadowUpdate());
    EXPECT_EQ(light->getCurrentShadowType(), SHADOW_TIMED);
    ASSERT_EQ(light->storeSpotShadowMap(pool, shared), D3D_OK);
    EXPECT_FALSE(light->needsShadowUpdate());
    EXPECT_EQ(light->getCurrentShadowType(), SHADOW_TIMED);
    EXPECT_FALSE(light->isDirty());
    Sleep(250); // a timed map is older than 200 ms now
    light->getCurrentShadowType();
    EXPECT_TRUE(light->isDirty());

    // A static light moved with its attach point needs a new map; so does every light after a
    // device loss.
    DeferredLight* fixed = lightFrom(L"<LIGHT NAME=\"Fest\" TYPE=\"SPOT\" SHADOW_TYPE=\"STATIC\"/>");
    auto* point = new AttachPoint(L"Halter");
    fixed->setAttachedObject(point);
    ASSERT_EQ(fixed->storeSpotShadowMap(pool, shared), D3D_OK);
    fixed->getCurrentShadowType();
    EXPECT_FALSE(fixed->isDirty());
    D3DXMATRIX moved;
    D3DXMatrixTranslation(&moved, 0.2f, 0.2f, 0.0f); // 0.08 squared: not yet
    point->setParentMatrix(moved);
    fixed->getCurrentShadowType();
    EXPECT_FALSE(fixed->isDirty());
    D3DXMatrixTranslation(&moved, 0.5f, 0.0f, 0.0f);
    point->setParentMatrix(moved);
    fixed->getCurrentShadowType();
    EXPECT_TRUE(fixed->isDirty());
    ASSERT_EQ(fixed->storeSpotShadowMap(pool, shared), D3D_OK);
    ASSERT_NE(fixed->getStoredSpotMap(), nullptr);
    D3DInterface::getInstance()->lostDevice.emit();
    EXPECT_EQ(fixed->getStoredSpotMap(), nullptr);
    EXPECT_TRUE(fixed->needsShadowUpdate());
    fixed->Release();
    point->Release();

    // The render manager's settings reach the lights a renderer lists: the same quality again
    // announces nothing; another releases the maps of every listed light (a template too).
    struct Listener : sigslot::has_slots<> {
        int calls = 0;
        uint32_t last = 0, previous = 0;
        void onChange(RenderSetting, uint32_t old, uint32_t now) { ++calls, last = now, previous = old; }
    } listener;
    RenderSettings settings;
    settings.set(RenderSetting::ShadowQuality, QUALITY_HIGH);
    settings.changed.connect(&listener, &Listener::onChange);
    DeferredRenderer renderer(&settings);
    ASSERT_TRUE(renderer.addLight(light));
    DeferredLight* pattern = lightFrom(L"<LIGHT NAME=\"Vorlage\" TYPE=\"SPOT\"/>");
    ASSERT_TRUE(renderer.addLightTemplate(pattern, false));
    ASSERT_EQ(light->storeSpotShadowMap(pool, shared), D3D_OK);
    ASSERT_EQ(pattern->storeSpotShadowMap(pool, shared), D3D_OK);
    shared->Release();
    settings.set(RenderSetting::ShadowQuality, QUALITY_HIGH);
    EXPECT_EQ(listener.calls, 0);
    EXPECT_NE(light->getStoredSpotMap(), nullptr);
    settings.set(RenderSetting::ShadowQuality, QUALITY_MEDIUM);
    EXPECT_EQ(listener.calls, 1);
    EXPECT_EQ(listener.last, QUALITY_MEDIUM);
    EXPECT_EQ(listener.previous, QUALITY_HIGH);
    EXPECT_EQ(light->getCurrentShadowMapSize(), 256u);
    EXPECT_EQ(light->getStoredSpotMap(), nullptr);
    EXPECT_EQ(pattern->getStoredSpotMap(), nullptr);
    // A light listed later takes the quality in force.
    DeferredLight* late = lightFrom(L"<LIGHT NAME=\"Spaet\" TYPE=\"SPOT\"/>");
    ASSERT_TRUE(renderer.addLight(late));
    EXPECT_EQ(late->getShadowQuality(), QUALITY_MEDIUM);
    late->Release();
    pattern->Release();
    EXPECT_EQ(qualityToLevel(static_cast<MyQuality>(4)), 3u);
    light->Release();
}

TEST(DeferredLightTest, RendererListsLightsByObjectAndTemplatesByName)
{
    LogCapture logs;
    DeferredRenderer renderer;
    DeferredLight* a = DeferredLight::createPointLight(L"L", D3DXCOLOR(1, 0, 0, 1), D3DXVECTOR3(0, 0, 0), 1, 1);
    DeferredLight* b = DeferredLight::createDirectionalLight(L"L", D3DXCOLOR(0, 1, 0, 1), D3DXVECTOR3(0, -1, 0), 1);
    EXPECT_TRUE(renderer.addLight(a));
    EXPECT_FALSE(renderer.addLight(a)); // the same object
    EXPECT_TRUE(renderer.addLight(b));  // names may repeat
    EXPECT_EQ(renderer.getLight(L"L"), a);
    EXPECT_EQ(a->getRefCount(), 2);
    EXPECT_TRUE(renderer.removeLight(a));
    EXPECT_FALSE(renderer.removeLight(a));
    EXPECT_EQ(a->getRefCount(), 1);

    EXPECT_TRUE(renderer.addLightTemplate(a, false));
    EXPECT_FALSE(renderer.addLightTemplate(b, false)); // a template of that name exists
    EXPECT_TRUE(renderer.addLightTemplate(b, true));
    EXPECT_EQ(renderer.getLightTemplate(L"L"), b);
    EXPECT_EQ(a->getRefCount(), 1);
    a->Release();
    b->Release();
}
