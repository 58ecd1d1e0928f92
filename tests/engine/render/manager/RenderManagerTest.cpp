// The render manager without the lighting layer's renderers: passes and lists from the render
// configuration, pass kinds added by a layer above, quality keywords and their signal, the render-target size, and a frame with
// only overlays, drawn by their own frame and tick intervals.
#include "engine/graphics/GraphicsTestSupport.h"
#include "foundation/xml/XMLNode.h"
#include "render/cameras/LookAtCamera.h"
#include "render/manager/RenderManager.h"
#include "render/passes/RenderPass.h"
#include "render/passes/RenderPassShadow.h"
#include "render/passes/RenderPassWater.h"
#include "render/scenegraph/SceneGraph.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>
#include <platform_test.h>

using namespace Ulvo;

namespace {

void load(RenderManager& manager, const std::wstring& text)
{
    XMLNode root;
    XMLNode::load(&root, L"<RENDERCONFIG " + text + L"</RENDERCONFIG>", 1);
    manager.load(&root);
}

std::vector<std::wstring> namesOf(const std::vector<RenderPass*>& passes)
{
    std::vector<std::wstring> names;
    for (const RenderPass* pass : passes)
        names.push_back(pass->getName());
    return names;
}

struct Signals : public sigslot::has_slots<> {
    void setting(RenderSetting kind, uint32_t, uint32_t now)
    {
        (kind == RenderSetting::ShadowQuality ? shadows : waters).push_back(static_cast<MyQuality>(now));
    }
    void size(RenderManager&) { ++sizes; }
    void listed(RenderPass&, std::vector<RenderObjekt*>&) { ++draws; }
    std::vector<MyQuality> shadows, waters;
    int sizes = 0;
    int draws = 0;
};

using Names = std::vector<std::wstring>;

} // namespace

TEST(RenderManagerTest, LaterPassOfANameWinsAndTheListsTakeTheirNames)
{
    LogCapture logs;
    RenderManager manager;
    load(manager, L"><RENDERPASS NAME=\"A\" EVERY_FRAME=\"2\"/><RENDERPASS NAME=\"B\"/>"
                  L"<RENDERPASS NAME=\"A\" EVERY_FRAME=\"5\"/><RENDERPASS NAME=\"W\" TYPE=\"WATER\"/>"
                  L"<ACTIVE_RENDERPASSES>\"|A|\" \"|Fehlt|\"</ACTIVE_RENDERPASSES>"
                  L"<ACTIVE_RENDERPASSES_FORWARD>\"|A|\" \"|B|\"</ACTIVE_RENDERPASSES_FORWARD>"
                  L"<ACTIVE_RENDERPASSES_DEFERRED>\"|B|\"</ACTIVE_RENDERPASSES_DEFERRED>"
                  L"<ACTIVE_OVERLAYPASSES>\"|B|\" \"|B|\" \"|Fehlt|\"</ACTIVE_OVERLAYPASSES>");
    EXPECT_EQ(namesOf(manager.getRenderPasses()), (Names{L"B", L"A", L"W"}));
    ASSERT_NE(manager.getRenderPass(L"A"), nullptr);
    EXPECT_EQ(manager.getRenderPass(L"A")->getFrameInterval(), 5u);
    EXPECT_EQ(manager.getRenderPass(L"a"), nullptr);
    ForwardRenderer* forward = manager.getForwardRenderer();
    EXPECT_EQ(namesOf(forward->getPasses(0)), (Names{L"A", L"B"}));
    EXPECT_EQ(namesOf(forward->getPasses(1)), (Names{L"A", L"B"}));
    EXPECT_EQ(namesOf(manager.getOverlayPasses()), Names{L"B"});
    // Forward list 0 is active; the overlay holds one more.
    EXPECT_EQ(manager.getRenderPass(L"A")->getRefCount(), 1u);
    EXPECT_EQ(manager.getRenderPass(L"B")->getRefCount(), 2u);
    EXPECT_NE(dynamic_cast<RenderPassWater*>(manager.getRenderPass(L"W")), nullptr);
}

// The engine sets the graph when the device starts; the game reads its configuration later.
TEST(RenderManagerTest, PassesOfAConfigurationReadAfterTheGraphWasSetDrawThatGraph)
{
    LogCapture logs;
    SceneGraph graph;
    RenderManager manager;
    manager.setSceneGraph(&graph);
    load(manager, L"><RENDERPASS NAME=\"SZENE\"/><RENDERPASS NAME=\"W\" TYPE=\"WATER\"/>");
    for (RenderPass* pass : manager.getRenderPasses())
        EXPECT_EQ(pass->getSceneGraph(), &graph) << std::string(pass->getName().begin(), pass->getName().end());
}

TEST(RenderManagerTest, APassKindAddedToTheManagerBuildsTheEntriesOfItsType)
{
    LogCapture logs;
    RenderManager manager;
    static int built = 0;
    built = 0;
    manager.getPassKinds().add(L"WATER", [](XMLNode* node, RenderManager* owner) -> RenderPass* {
        ++built;
        return new RenderPass(node, owner);
    });
    load(manager, L"><RENDERPASS NAME=\"W\" TYPE=\"WATER\"/><RENDERPASS NAME=\"S\" TYPE=\"SHADOW\"/>");
    EXPECT_EQ(built, 1);
    EXPECT_NE(manager.getRenderPass(L"W"), nullptr);
    // The other types keep the render layer's kinds.
    EXPECT_NE(dynamic_cast<RenderPassShadow*>(manager.getRenderPass(L"S")), nullptr);
}

TEST(RenderManagerTest, QualityKeywordsAreExactAndEveryChangeIsAnnounced)
{
    RenderManager manager;
    Signals signals;
    manager.getSettings().changed.connect(&signals, &Signals::setting);
    manager.setShadowQuality(QUALITY_NONE); // the start value is outside the levels
    manager.setShadowQuality(QUALITY_NONE);
    EXPECT_EQ(signals.shadows, std::vector<MyQuality>{QUALITY_NONE});
    for (const wchar_t* word : {L"LOW", L"high", L"2", L"HIGH", L"MEDIUM", L"NONE"})
        load(manager, std::wstring(L"WATER_QUALITY=\"") + word + L"\">");
    EXPECT_EQ(signals.waters, (std::vector<MyQuality>{QUALITY_LOW, QUALITY_HIGH, QUALITY_MEDIUM, QUALITY_NONE}));
    load(manager, L"SHADOW_QUALITY=\"MEDIUM\" SKIP_POSTEFFECTS=\"3\">");
    EXPECT_EQ(manager.getShadowQuality(), QUALITY_MEDIUM);
    EXPECT_EQ(manager.getSkipPostEffects(), 3u);
}

TEST(RenderManagerTest, TargetSizeChangesAreAnnouncedOnlyWhenTheEffectiveSizeChanges)
{
    ASSERT_NE(GraphicsTesting::startDevice(), nullptr);
    RenderManager manager;
    Signals signals;
    manager.renderTargetSizeChanged.connect(&signals, &Signals::size);
    unsigned width = 0, height = 0;
    manager.getRenderTargetSize(width, height);
    EXPECT_EQ(width, 640u);
    EXPECT_EQ(height, 480u);
    manager.setRenderTargetSize(640, 480);
    manager.setRenderTargetSize(0xFFFFFFFFu, 0xFFFFFFFFu);
    EXPECT_EQ(signals.sizes, 0);
    manager.onScreenSizeChanged(800, 600); // follows the screen while a size is -1
    EXPECT_EQ(signals.sizes, 1);
    manager.setRenderTargetSize(320, 0xFFFFFFFFu);
    EXPECT_EQ(signals.sizes, 2);
    manager.setRenderTargetSize(320, 240);
    EXPECT_EQ(signals.sizes, 3);
    manager.onScreenSizeChanged(800, 600);
    EXPECT_EQ(signals.sizes, 3);
}

TEST(RenderManagerTest, OverlaysRunOnTheFramesTheirIntervalsAllow)
{
    IDirect3DDevice9* device = GraphicsTesting::startDevice();
    ASSERT_NE(device, nullptr);
    PlatformUseVirtualClock(true);
    RenderManager manager;
    load(manager, L"><RENDERPASS NAME=\"Jeder\" EVERY_FRAME=\"2\"/>"
                  L"<RENDERPASS NAME=\"Gerade\" EVERY_FRAME=\"2\" EVERY_TICK=\"1000\"/>"
                  L"<ACTIVE_OVERLAYPASSES>\"|Jeder|\" \"|Gerade|\"</ACTIVE_OVERLAYPASSES>");
    SceneGraph graph;
    manager.setSceneGraph(&graph);
    manager.setForwardRenderingEnabled(false);
    Signals every, even;
    manager.getRenderPass(L"Jeder")->renderListCreated.connect(&every, &Signals::listed);
    manager.getRenderPass(L"Gerade")->renderListCreated.connect(&even, &Signals::listed);
    LookAtCamera camera(L"Overlay");
    GraphicsTesting::ScopedTarget target(device, 16, 16);
    manager.render(nullptr); // no camera, no frame
    EXPECT_EQ(manager.getFrameCounter(), 0u);
    for (int i = 0; i < 6; ++i) {
        PlatformAdvanceVirtualClock(20'000);
        manager.render(&camera);
    }
    EXPECT_EQ(manager.getFrameCounter(), 6u);
    // Without a tick interval every frame; with one, the even frames and the first, which comes
    // long after tick 0.
    EXPECT_EQ(every.draws, 6);
    EXPECT_EQ(even.draws, 4);
    PlatformUseVirtualClock(false);
}
