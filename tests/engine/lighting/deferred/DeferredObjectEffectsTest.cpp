// The G-buffer permutation "Render_Deferred_3Rts" of every scene object's effect bundle: it
// compiles from the source effects, validates, and is a permutation of its own (the deferred
// frame draws with it what the forward frame draws with "Render").
#include "devices/d3d/D3DInterface.h"
#include "engine/graphics/GraphicsTestSupport.h"
#include "graphics/effects/Effect.h"
#include "graphics/effects/EffectBundle.h"
#include "graphics/effects/EffectManager.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace Ulvo;

TEST(DeferredObjectEffectsTest, EverySceneObjectBundleHasAGBufferPermutation)
{
    ASSERT_NE(GraphicsTesting::startDevice(), nullptr);
    LogCapture logs;
    const struct {
        const wchar_t* bundle;
        const wchar_t* fxf;
        std::initializer_list<const char*> files;
    } cases[] = {
        {L"Terrain", L"data\\FX\\terrain.fxf", {"terrain.fxf", "terrain.fx", "scenecommon.fxh"}},
        {L"Strasse", L"data\\FX\\street.fxf", {"street.fxf", "street.fx", "scenecommon.fxh"}},
        {L"Baum", L"data\\FX\\trees.fxf", {"trees.fxf", "tree.fx", "scenecommon.fxh"}},
        {L"Clipmap", L"data\\FX\\clipmap.fxf", {"clipmap.fxf", "clipmap.fx", "scenecommon.fxh"}},
        {L"Wasser",
         L"data\\FX\\sceneobjects.fxf",
         {"sceneobjects.fxf", "mesh.fx", "water.fx", "sky.fx", "scenecommon.fxh"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.bundle, c.bundle + wcslen(c.bundle)));
        ASSERT_TRUE(GraphicsTesting::loadSourceBundle(logs.folder(), c.bundle, c.fxf, c.files))
            << logs.text("UlvoEffect.log");
    }
    for (const wchar_t* name :
         {L"Material", L"Terrain", L"Strasse", L"Baum", L"Clipmap", L"Wasser", L"Spiegel", L"Eis"}) {
        SCOPED_TRACE(std::string(name, name + wcslen(name)));
        EffectBundle* bundle = EffectManager::getInstance()->getEffectBundle(name);
        ASSERT_NE(bundle, nullptr);
        Effect* gbuffer = bundle->getEffect(L"Render_Deferred_3Rts");
        ASSERT_NE(gbuffer, nullptr);
        EXPECT_NE(gbuffer, bundle->getEffect(L"Render"));
        ID3DXEffect* fx = gbuffer->getEffect();
        ASSERT_NE(fx, nullptr) << logs.text("UlvoEffect.log");
        D3DXHANDLE technique = fx->GetTechniqueByName("Render");
        ASSERT_NE(technique, nullptr);
        EXPECT_EQ(fx->ValidateTechnique(technique), D3D_OK);
    }
}
