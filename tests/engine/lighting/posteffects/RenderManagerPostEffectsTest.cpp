// The render manager with the lighting renderers: parameter mappings over several post effects,
// the active list (one entry each, in priority order, told the skip level), and mode changes
// reaching the forward, deferred and post-effect renderers.
#include "FrameTestSupport.h"

#include "lighting/deferred/DeferredRenderer.h"
#include "lighting/hdr/HDRRenderer.h"
#include "lighting/posteffects/PostEffect.h"
#include "lighting/posteffects/PostEffectRenderer.h"
#include "render/manager/DeferredStage.h"
#include "render/manager/HDRStage.h"

#include <algorithm>

using namespace Ulvo;

namespace {

class RenderManagerPostEffectsTest : public ::testing::Test {
protected:
    void SetUp() override { attachLightingRenderers(m_manager); }
    void load(const std::wstring& text)
    {
        XMLNode root;
        XMLNode::load(&root, L"<RENDERCONFIG>" + text + L"</RENDERCONFIG>", 1);
        m_manager.load(&root);
    }
    PostEffect* effect(const std::wstring& name) { return static_cast<PostEffect*>(m_manager.getPostEffect(name)); }
    std::vector<std::wstring> activeNames()
    {
        std::vector<std::wstring> names;
        for (const RenderPostEffect* e : m_manager.getActivePostEffects())
            names.push_back(e->getName());
        return names;
    }

    LogCapture m_logs;
    RenderManager m_manager;
};

const std::wstring kTwoEffects =
    L"<POSTEFFECT NAME=\"A\" PRIORITY=\"HIGH\"><STRING_MAPPING STRING=\"w\" MAPPING=\"FLOAT\" PARAM_NR=\"0\"/>"
    L"<STRING_MAPPING STRING=\"v\" MAPPING=\"VECTOR\" PARAM_NR=\"1\"/></POSTEFFECT>"
    L"<POSTEFFECT NAME=\"B\" PRIORITY=\"LOW\" SKIP_PRIORITY=\"2\"><STRING_MAPPING STRING=\"x\" MAPPING=\"FLOAT\" "
    L"PARAM_NR=\"2\"/></POSTEFFECT>";

} // namespace

TEST_F(RenderManagerPostEffectsTest, MappingsWriteEveryTargetAndReadTheLast)
{
    load(kTwoEffects +
         L"<POSTEFFECTS_STRING_MAPPINGS>"
         L"<STRING_MAPPING POSTEFFECT_NAME=\"A\" STRING=\"M\" PARAM_TO_CHANGE=\"w\" INITIAL_VALUE=\"2\"/>"
         L"<STRING_MAPPING POSTEFFECT_NAME=\"B\" STRING=\"M\" PARAM_TO_CHANGE=\"x\" INITIAL_VALUE=\"3\"/>"
         L"<STRING_MAPPING POSTEFFECT_NAME=\"B\" STRING=\"M\" PARAM_TO_CHANGE=\"x\"/>"
         L"<STRING_MAPPING POSTEFFECT_NAME=\"C\" STRING=\"M\" PARAM_TO_CHANGE=\"x\"/>"
         L"<STRING_MAPPING POSTEFFECT_NAME=\"A\" STRING=\"V3\" PARAM_TO_CHANGE=\"v\" INITIAL_VECTOR=\"1 2 3\"/>"
         L"<STRING_MAPPING POSTEFFECT_NAME=\"A\" STRING=\"V5\" PARAM_TO_CHANGE=\"v\" INITIAL_VECTOR=\"1 2 3 4 5\"/>"
         L"<STRING_MAPPING STRING=\"ohne\" PARAM_TO_CHANGE=\"v\"/>"
         L"<INITIALIZE STRING=\"M\" INITIAL_VALUE=\"5\"/><INITIALIZE INITIAL_VALUE=\"6\"/>"
         L"</POSTEFFECTS_STRING_MAPPINGS>");
    EXPECT_EQ(m_manager.getParameterMappings().at(L"M").size(), 2u); // no duplicate target, no C
    EXPECT_NE(m_logs.text().find("names the post effect \"C\", which does not exist"), std::string::npos);
    EXPECT_EQ(m_manager.getParameterMappings().count(L"ohne"), 0u);
    EXPECT_FLOAT_EQ(effect(L"A")->getFloat(0), 5.0f);
    EXPECT_FLOAT_EQ(effect(L"B")->getFloat(2), 5.0f);
    ASSERT_TRUE(m_manager.setPostEffectParamFloat(L"M", 7.0f));
    effect(L"B")->setFloat(8.0f, 2);
    float value = 0.0f;
    ASSERT_TRUE(m_manager.getPostEffectParamFloat(L"M", value));
    EXPECT_FLOAT_EQ(value, 8.0f); // the second target's
    EXPECT_FALSE(m_manager.getPostEffectParamFloat(L"fehlt", value));
    EXPECT_FALSE(m_manager.setPostEffectParamFloat(L"fehlt", 1.0f));
    // A vector of three numbers sets nothing; of five, the first four.
    EXPECT_EQ(effect(L"A")->getVec4(1), D3DXVECTOR4(1, 2, 3, 4));
    // A target that refuses the type makes the write false.
    EXPECT_FALSE(m_manager.setPostEffectParamVector(L"M", D3DXVECTOR4(0, 0, 0, 0)));

    std::vector<MappedParameterInfo> mapped = m_manager.getMappedParameters();
    std::sort(mapped.begin(), mapped.end(), [](const auto& a, const auto& b) { return a.mapping < b.mapping; });
    ASSERT_EQ(mapped.size(), 4u);
    EXPECT_EQ(mapped[0].mapping, L"M");
    EXPECT_EQ(mapped[0].kind, MAPPING_FLOAT);
    EXPECT_EQ(mapped[3].mapping, L"V5");
    EXPECT_EQ(mapped[3].kind, MAPPING_VECTOR);
}

TEST_F(RenderManagerPostEffectsTest, ActiveListHoldsEachOnceInPriorityOrderAndKnowsTheSkipLevel)
{
    load(kTwoEffects + L"<ACTIVE_POSTEFFECTS>\"|A|\" \"|B|\" \"|A|\" \"|C|\"</ACTIVE_POSTEFFECTS>");
    EXPECT_EQ(activeNames(), (std::vector<std::wstring>{L"B", L"A"}));
    unsigned long announced = 0;
    struct Probe : sigslot::has_slots<> {
        unsigned long* last;
        int calls = 0;
        void skip(const unsigned long& level)
        {
            *last = level;
            ++calls;
        }
    } probe;
    probe.last = &announced;
    m_manager.skipPostEffectsChanged.connect(&probe, &Probe::skip);
    m_manager.setSkipPostEffects(3);
    m_manager.setSkipPostEffects(3);
    EXPECT_EQ(probe.calls, 1);
    EXPECT_EQ(announced, 3ul);
    EXPECT_EQ(effect(L"B")->getCurrentPriority(), 3u);

    m_manager.deactivatePostEffectByName(L"B");
    EXPECT_EQ(activeNames(), std::vector<std::wstring>{L"A"});
    // An effect outside the list is still deactivated.
    PostEffect* b = effect(L"B");
    b->activate();
    m_manager.deactivatePostEffect(b);
    EXPECT_FALSE(b->isActivated());
    // A new effect learns the level when it joins.
    m_manager.activatePostEffect(b);
    EXPECT_EQ(b->getCurrentPriority(), 3u);
}

TEST_F(RenderManagerPostEffectsTest, ModeChangesReachEveryRenderer)
{
    ASSERT_NE(GraphicsTesting::startDevice(), nullptr);
    m_manager.setRenderTargetSize(16, 16);
    load(kTwoEffects + L"<RENDERPASS NAME=\"P\"/><ACTIVE_RENDERPASSES_DEFERRED>\"|P|\"</ACTIVE_RENDERPASSES_DEFERRED>"
                       L"<ACTIVE_POSTEFFECTS>\"|A|\"</ACTIVE_POSTEFFECTS>");
    m_manager.setHDRMode(1 | 4);
    EXPECT_EQ(m_manager.getSettings().getHDRActivation(), 5u);
    EXPECT_EQ(m_manager.getForwardRenderer()->getHDRMode(), 5u);
    auto& post = static_cast<PostEffectRenderer&>(*m_manager.getPostEffectRenderer());
    EXPECT_EQ(post.getHDRMode(), 5u);
    EXPECT_EQ(static_cast<DeferredRenderer*>(m_manager.getDeferredRenderer())->getHDRMode(), 5u);
    // The chain's targets, taken when an effect draws, are floating-point now.
    IDirect3DSurface9* drawn = post.beginEffectDraw(false);
    ASSERT_NE(drawn, nullptr);
    D3DSURFACE_DESC desc{};
    drawn->GetDesc(&desc);
    EXPECT_EQ(desc.Format, D3DFMT_A16B16G16R16F);
    post.endEffectDraw(false);
    m_manager.setHDRMode(0);
    EXPECT_EQ(m_manager.getSettings().getHDRActivation(), 0u);

    // The deferred renderer makes its buffers only while the deferred switch allows it.
    DeferredStage* deferred = m_manager.getDeferredRenderer();
    EXPECT_FALSE(deferred->setEnabled(true));
    m_manager.getSettings().set(RenderSetting::DeferredAllowed, 1);
    EXPECT_TRUE(deferred->setEnabled(true));
    EXPECT_TRUE(deferred->isEnabled());
    EXPECT_FALSE(deferred->setEnabled(false));
    m_manager.getSettings().set(RenderSetting::DeferredAllowed, 0);
    // When it reports a switch, the lists and the effects follow.
    m_manager.onDeferredRenderingChanged(true);
    EXPECT_TRUE(m_manager.getForwardRenderer()->isDeferredListActive());
    EXPECT_EQ(m_manager.getRenderPass(L"P")->getRefCount(), 1u);
    EXPECT_TRUE(post.isDeferredMode());
    EXPECT_TRUE(effect(L"A")->getDeferredTechnique());
    EXPECT_TRUE(effect(L"B")->getDeferredTechnique());
    m_manager.onDeferredRenderingChanged(false);
    EXPECT_EQ(m_manager.getRenderPass(L"P")->getRefCount(), 0u);
    EXPECT_FALSE(effect(L"A")->getDeferredTechnique());
}
