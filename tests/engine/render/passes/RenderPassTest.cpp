// Render passes: when a pass runs (frame and tick intervals), its activation count, the factory's
// kinds and technique words, and the plain pass's drawing: effects begun once per change, blending
// only for colour techniques and transparent objects, a fixed list, the list signal.
#include "engine/graphics/GraphicsTestSupport.h"
#include "engine/render/BoxObjekt.h"
#include "support/TestSupport.h"
#include "render/cameras/LookAtCamera.h"
#include "render/passes/RenderPass.h"
#include "render/passes/RenderPassCubeMap.h"
#include "render/passes/RenderPassKinds.h"
#include "render/passes/RenderPassShadow.h"
#include "render/passes/RenderPassToTexture.h"
#include "render/passes/RenderPassWater.h"
#include "render/passes/RenderPassZBuffer.h"
#include "render/scenegraph/SceneGraph.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>
#include <platform_test.h>

#include <memory>

using namespace Ulvo;
using RenderTesting::BoxObjekt;

namespace {

XMLNode passNode(const std::wstring& attributes)
{
    XMLNode node;
    XMLNode::load(&node, L"<RENDERPASS NAME=\"P\" " + attributes + L"/>", 1);
    return node;
}

std::unique_ptr<RenderPass, void (*)(RenderPass*)> build(const std::wstring& attributes)
{
    XMLNode node = passNode(attributes);
    return {createRenderPassFromXml(&node, nullptr), [](RenderPass* p) {
                if (p)
                    p->Release();
            }};
}

class CountingPass : public RenderPass {
public:
    CountingPass() : RenderPass(L"Zaehler", T_DIFFUSE, 0, nullptr) {}
    void onActivate(const bool& active) override { calls.push_back(active); }
    std::vector<bool> calls;
};

// Records the blend state and the effect each draw saw.
class ProbeBox : public BoxObjekt {
public:
    using BoxObjekt::BoxObjekt;
    void render(Camera* camera) override
    {
        DWORD blend = 0;
        m_d3d->getDevice()->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
        blends.push_back(blend != 0);
        BoxObjekt::render(camera);
    }
    static inline std::vector<bool> blends;
};

struct EffectLog : public sigslot::has_slots<> {
    void changed(RenderPass&, Effect* now, Effect* before) { changes.emplace_back(now, before); }
    void listed(RenderPass&, std::vector<RenderObjekt*>& list)
    {
        ++lists;
        if (dropFirst && !list.empty())
            list.erase(list.begin());
    }
    std::vector<std::pair<Effect*, Effect*>> changes;
    int lists = 0;
    bool dropFirst = false;
};

class RenderPassDrawTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_device = GraphicsTesting::startDevice();
        ASSERT_NE(m_device, nullptr);
        ASSERT_TRUE(RenderTesting::loadTestBoxEffect(TestSupport::sourceDir(), m_logs.folder()));
        m_camera.setEyePosition(D3DXVECTOR3(0, 0, -10));
        m_camera.setLookAt(D3DXVECTOR3(0, 0, 0));
    }
    void TearDown() override
    {
        for (BoxObjekt* box : m_boxes) {
            m_graph.removeObject(box, true);
            box->Release();
        }
    }
    ProbeBox* add(const std::wstring& name, const std::wstring& baseData)
    {
        XMLNode node;
        XMLNode::load(&node,
                      L"<OBJEKT NAME=\"" + name + L"\"><BASE_DATA EFFECT=\"TestBox\" " + baseData +
                          L"<RENDERPASSES DEFAULT=\"1\"/></BASE_DATA></OBJEKT>",
                      1);
        auto* box = new ProbeBox(&node);
        m_boxes.push_back(box);
        m_graph.addObject(box, true);
        return box;
    }
    void draw(RenderPass& pass)
    {
        GraphicsTesting::ScopedTarget target(m_device, 64, 64);
        m_device->BeginScene();
        pass.render(&m_camera);
        m_device->EndScene();
    }

    LogCapture m_logs;
    IDirect3DDevice9* m_device = nullptr;
    SceneGraph m_graph;
    LookAtCamera m_camera{L"Pass"};
    std::vector<BoxObjekt*> m_boxes;
};

} // namespace

TEST(RenderPassTest, FrameAndTickIntervalsDecideWhenAPassRuns)
{
    PlatformUseVirtualClock(true);
    auto every3 = build(L"EVERY_FRAME=\"3\"");
    auto ticked = build(L"EVERY_FRAME=\"3\" EVERY_TICK=\"100\"");
    auto always = build(L"EVERY_FRAME=\"0\" EVERY_TICK=\"100\"");
    ticked->shouldRender(0); // the first call starts its tick
    std::vector<unsigned> frames, tickedFrames;
    for (unsigned frame = 1; frame <= 7; ++frame) {
        PlatformAdvanceVirtualClock(10'000); // 10 ms
        if (every3->shouldRender(frame))
            frames.push_back(frame);
        if (ticked->shouldRender(frame))
            tickedFrames.push_back(frame);
        EXPECT_TRUE(always->shouldRender(frame));
    }
    // Without a tick interval every frame runs; with one, every third frame or once 100 ms passed.
    EXPECT_EQ(frames, (std::vector<unsigned>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(tickedFrames, (std::vector<unsigned>{3, 6}));
    PlatformAdvanceVirtualClock(100'000);
    EXPECT_TRUE(ticked->shouldRender(7));
    EXPECT_FALSE(ticked->shouldRender(8));
    PlatformUseVirtualClock(false);
}

TEST(RenderPassTest, ActivationCountCallsOnActivateAtTheFirstAndTheLast)
{
    CountingPass pass;
    pass.addRef();
    pass.addRef();
    EXPECT_EQ(pass.getRefCount(), 2u);
    pass.release();
    pass.release();
    pass.release(); // at 0 it stays 0 and reports inactive again
    EXPECT_EQ(pass.getRefCount(), 0u);
    EXPECT_EQ(pass.calls, (std::vector<bool>{true, false, false}));
    EXPECT_EQ(static_cast<NamedObject&>(pass).getRefCount(), 1); // the lifetime count is apart
}

TEST(RenderPassTest, FactoryBuildsPlainPassesForUnknownTypesAndTheKindsByTheirWord)
{
    LogCapture logs;
    auto zbuffer = build(L"TYPE=\"ZBUFFER\" TECHNIQUE=\"T_DEPTH_LINEAR\" EVERY_FRAME=\"4\" EVERY_TICK=\"20\"");
    ASSERT_NE(zbuffer, nullptr);
    EXPECT_EQ(zbuffer->getName(), L"P");
    EXPECT_EQ(zbuffer->getPassNames(), std::vector<std::wstring>{L"P"});
    EXPECT_EQ(zbuffer->getTechnique(), T_DEPTH_LINEAR);
    EXPECT_EQ(zbuffer->getFrameInterval(), 4u);
    EXPECT_EQ(zbuffer->getTickInterval(), 20u);
    EXPECT_NE(build(L"TYPE=\"shadow\""), nullptr); // words are exact
    EXPECT_EQ(build(L"TECHNIQUE=\"t_depth\"")->getTechnique(), T_DIFFUSE);
    EXPECT_EQ(build(L"TECHNIQUE=\"T_DISTANCE\"")->getTechnique(), T_DISTANCE);
    EXPECT_NE(dynamic_cast<RenderPassShadow*>(build(L"TYPE=\"SHADOW\"").get()), nullptr);
    EXPECT_NE(dynamic_cast<RenderPassPSSMShadowMap*>(build(L"TYPE=\"SHADOW_MAP\"").get()), nullptr);
    EXPECT_NE(dynamic_cast<RenderPassWater*>(build(L"TYPE=\"WATER\"").get()), nullptr);
    EXPECT_NE(dynamic_cast<RenderPassReflection*>(build(L"TYPE=\"REFLECTION\"").get()), nullptr);
    EXPECT_NE(dynamic_cast<RenderPassDepthLinear*>(build(L"TYPE=\"DEPTH_LINEAR\"").get()), nullptr);
    EXPECT_NE(dynamic_cast<RenderPassCubeMap*>(build(L"TYPE=\"CUBE_MAP\"").get()), nullptr);
    EXPECT_NE(dynamic_cast<RenderPassToTexture*>(build(L"TYPE=\"TO_TEXTURE\"").get()), nullptr);
}

TEST_F(RenderPassDrawTest, EffectsBeginOncePerChangeAndOnlyColourTechniquesBlend)
{
    add(L"Fest", L"MASK_COLOR=\"FFFF0000\">");
    add(L"Glas", L"ALPHA=\"0.5\" MASK_COLOR=\"FF0000FF\"><POSITION Z=\"2\"/>");
    EffectLog log;
    RenderPass pass(L"Farbe", T_DIFFUSE, 0, nullptr);
    pass.effectChanged.connect(&log, &EffectLog::changed);
    pass.renderListCreated.connect(&log, &EffectLog::listed);

    // Inactive, or without a scene graph: nothing.
    pass.setSceneGraph(&m_graph);
    draw(pass);
    pass.addRef();
    pass.setSceneGraph(nullptr);
    draw(pass);
    EXPECT_TRUE(log.changes.empty());
    EXPECT_EQ(log.lists, 0);

    pass.setSceneGraph(&m_graph);
    ProbeBox::blends.clear();
    BoxObjekt::drawn.clear();
    draw(pass);
    EXPECT_EQ(BoxObjekt::drawn, (std::vector<std::wstring>{L"Fest", L"Glas"}));
    EXPECT_EQ(ProbeBox::blends, (std::vector<bool>{false, true}));
    Effect* render = m_boxes[0]->getEffect();
    ASSERT_EQ(log.changes.size(), 2u); // one effect for both, then the end
    EXPECT_EQ(log.changes[0], std::make_pair(render, static_cast<Effect*>(nullptr)));
    EXPECT_EQ(log.changes[1], std::make_pair(static_cast<Effect*>(nullptr), render));
    EXPECT_EQ(log.lists, 1);
    // The state block gives the device back as it was.
    DWORD blend = 1;
    m_device->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
    EXPECT_EQ(blend, static_cast<DWORD>(FALSE));
    // As it was before this drawing, not the first: the kept block is captured each time.
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    draw(pass);
    m_device->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
    EXPECT_EQ(blend, static_cast<DWORD>(TRUE));
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

    // A depth technique never blends, transparent or not; the slot may take objects out.
    RenderPass depth(L"Tiefe", T_DEPTH, 0, nullptr);
    depth.setSceneGraph(&m_graph);
    depth.addRef();
    ProbeBox::blends.clear();
    draw(depth);
    EXPECT_EQ(ProbeBox::blends, (std::vector<bool>{false, false}));
    log.dropFirst = true;
    BoxObjekt::drawn.clear();
    draw(pass);
    EXPECT_EQ(BoxObjekt::drawn, std::vector<std::wstring>{L"Glas"});
}

TEST_F(RenderPassDrawTest, FixedListReplacesTheSceneGraphsAndAnEmptyListDrawsNothing)
{
    ProbeBox* shown = add(L"Gezeigt", L">");
    add(L"Andere", L"><POSITION X=\"2\"/>");
    RenderPass pass(L"Liste", T_DIFFUSE, 0, nullptr);
    pass.setSceneGraph(&m_graph);
    pass.addRef();
    const std::vector<RenderObjekt*> fixed{shown};
    pass.setParams(RenderPassParams(&fixed, nullptr, false, false));
    BoxObjekt::drawn.clear();
    draw(pass);
    EXPECT_EQ(BoxObjekt::drawn, std::vector<std::wstring>{L"Gezeigt"});

    EffectLog log;
    pass.effectChanged.connect(&log, &EffectLog::changed);
    const std::vector<RenderObjekt*> none;
    pass.setParams(RenderPassParams(&none));
    BoxObjekt::drawn.clear();
    draw(pass);
    EXPECT_TRUE(BoxObjekt::drawn.empty());
    EXPECT_TRUE(log.changes.empty());
}

// A pass told to cull leaves out, before drawing, the objects its camera cannot see and those
// wholly behind its plane; the rest draw in the same order as without culling.
TEST_F(RenderPassDrawTest, CullingLeavesOutWhatTheCameraAndThePlaneCannotReach)
{
    add(L"Vorne", L">");
    add(L"Hinten", L"><POSITION Z=\"-20\"/>");
    add(L"Unten", L"><POSITION Y=\"-3\"/>");
    RenderPass pass(L"Sicht", T_DIFFUSE, 0, nullptr);
    pass.setSceneGraph(&m_graph);
    pass.addRef();
    pass.setParams(RenderPassParams(nullptr, nullptr, false, false));
    auto drawn = [&] {
        BoxObjekt::drawn.clear();
        BoxObjekt::culled.clear();
        draw(pass);
        return BoxObjekt::drawn;
    };
    const std::vector<std::wstring> visible = drawn();
    EXPECT_EQ(BoxObjekt::culled, std::vector<std::wstring>{L"Hinten"}) << "the box culls itself without the pass";
    ASSERT_EQ(visible.size(), 2u);

    pass.setCulling(PassCulling{true, false, {}});
    EXPECT_EQ(drawn(), visible);
    EXPECT_TRUE(BoxObjekt::culled.empty()) << "the pass left the box behind the camera out";

    // Keep what reaches above y = -1: the box at y = -3 (its top at -2.5) lies wholly below.
    pass.setCulling(PassCulling{false, true, D3DXPLANE(0, 1, 0, 1)});
    EXPECT_EQ(drawn(), std::vector<std::wstring>{L"Vorne"});
    EXPECT_EQ(BoxObjekt::culled, std::vector<std::wstring>{L"Hinten"});
    // A plane through a box keeps it.
    pass.setCulling(PassCulling{true, true, D3DXPLANE(0, 1, 0, 3)});
    EXPECT_EQ(drawn(), visible);

    // A screen rectangle keeps what the camera sees in it: the middle column holds both boxes,
    // the left edge neither.
    PassCulling screen;
    screen.byScreen = true;
    screen.screen = D3DXVECTOR4(-0.2f, -1, 0.2f, 1);
    pass.setCulling(screen);
    EXPECT_EQ(drawn(), visible);
    screen.screen = D3DXVECTOR4(-1, -1, -0.8f, 1);
    pass.setCulling(screen);
    EXPECT_EQ(drawn(), std::vector<std::wstring>{});
    EXPECT_EQ(BoxObjekt::culled, std::vector<std::wstring>{L"Hinten"}) << "behind the eye: kept for the box to cull";
}
