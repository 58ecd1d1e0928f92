// Post effects from their POSTEFFECT nodes: priorities, parameters, string mappings and their
// conversions, the checks on parameter numbers and indices, visibility by the skip level, the
// extra passes counted in the renderer while activated, and the pixel-to-texel conversion of the
// shader's offsets, done once from the effect's own values.
#include "FrameTestSupport.h"

#include "graphics/effects/Effect.h"
#include "lighting/posteffects/PostEffect.h"
#include "lighting/posteffects/PostEffectFactory.h"
#include "lighting/posteffects/PostEffectRenderer.h"

#include <memory>

using namespace Ulvo;

namespace {

struct Release {
    void operator()(PostEffect* effect) const { effect->Release(); }
};
using EffectPtr = std::unique_ptr<PostEffect, Release>;

class PostEffectTest : public ::testing::Test {
protected:
    void SetUp() override { attachLightingRenderers(m_manager); }

    PostEffectRenderer& renderer() { return static_cast<PostEffectRenderer&>(*m_manager.getPostEffectRenderer()); }

    EffectPtr make(const std::wstring& text)
    {
        XMLNode node;
        XMLNode::load(&node, text, 1);
        return EffectPtr(createPostEffectFromXml(node, &renderer(), nullptr));
    }

    LogCapture m_logs;
    RenderManager m_manager;
};

} // namespace

TEST_F(PostEffectTest, PriorityWordsAndTheirOffsets)
{
    EXPECT_EQ(make(L"<POSTEFFECT PRIORITY=\"LOW\"/>")->getPriority(), 500);
    EXPECT_EQ(make(L"<POSTEFFECT PRIORITY=\"MED 5\"/>")->getPriority(), 1505);
    EXPECT_EQ(make(L"<POSTEFFECT PRIORITY=\"HIGH 10\"/>")->getPriority(), 2510);
    EXPECT_EQ(make(L"<POSTEFFECT PRIORITY=\"300\"/>")->getPriority(), 1800);
    EXPECT_EQ(make(L"<POSTEFFECT PRIORITY=\"-200\"/>")->getPriority(), 1300);
    EXPECT_EQ(make(L"<POSTEFFECT/>")->getPriority(), 1500);
}

TEST_F(PostEffectTest, MappingsWriteAndReadTheirParametersByKind)
{
    EffectPtr effect = make(
        L"<POSTEFFECT NAME=\"E\">"
        L"<VEC4_PARAM_2 X=\"1\" W=\"4\"/><MATRIX_PARAM_2 VALUE=\"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15\"/>"
        L"<STRING_MAPPING STRING=\"f\" MAPPING=\"FLOAT\" PARAM_NR=\"2\" INITIAL_VALUE=\"0.5\"/>"
        L"<STRING_MAPPING STRING=\"f\" MAPPING=\"FLOAT\" PARAM_NR=\"3\" INITIAL_VALUE=\"9\"/>"
        L"<STRING_MAPPING STRING=\"v\" MAPPING=\"VECTOR\" PARAM_NR=\"1\" INITIAL_VALUE=\"7\" INITIAL_VECTOR=\"1 2 3\"/>"
        L"<STRING_MAPPING STRING=\"vz\" MAPPING=\"VECTOR_Z\" PARAM_NR=\"1\"/>"
        L"<STRING_MAPPING STRING=\"inv\" MAPPING=\"INV_SCALE_XY\" PARAM_NR=\"0\"/>"
        L"<STRING_MAPPING STRING=\"sy\" MAPPING=\"SCALE_Y\" PARAM_NR=\"0\"/>"
        L"<STRING_MAPPING STRING=\"m23\" MAPPING=\"M_23\" PARAM_NR=\"4\"/>"
        L"<STRING_MAPPING STRING=\"m\" MAPPING=\"MATRIX\" PARAM_NR=\"4\"/>"
        L"<STRING_MAPPING STRING=\"an\" MAPPING=\"ENABLE\" PARAM_NR=\"0\"/>"
        L"<STRING_MAPPING STRING=\"x\" MAPPING=\"SOMETHING\" PARAM_NR=\"0\"/>"
        L"</POSTEFFECT>");
    // The first entry of a string stays, with its initial value only.
    EXPECT_FLOAT_EQ(effect->getFloat(2), 0.5f);
    EXPECT_FLOAT_EQ(effect->getFloat(3), 0.0f);
    // A whole vector takes no float, and three numbers make no vector.
    EXPECT_FALSE(effect->setParamFloat(L"v", 1.0f));
    EXPECT_EQ(effect->getParamVector(L"v"), D3DXVECTOR4(1, 0, 0, 4));
    EXPECT_FLOAT_EQ(effect->getParamFloat(L"v"), -1.0f);
    EXPECT_TRUE(effect->setParamFloat(L"vz", 3.0f));
    EXPECT_EQ(effect->getVec4(1), D3DXVECTOR4(1, 0, 3, 4));
    EXPECT_EQ(effect->getParamVector(L"vz"), D3DXVECTOR4(-1, -1, -1, -1)); // only VECTOR answers
    EXPECT_TRUE(effect->setParamFloat(L"inv", 4.0f));
    EXPECT_FLOAT_EQ(effect->getScaleX(), 0.25f);
    EXPECT_FLOAT_EQ(effect->getScaleY(), 0.25f);
    EXPECT_FLOAT_EQ(effect->getParamFloat(L"inv"), 4.0f);
    EXPECT_TRUE(effect->setParamFloat(L"sy", 2.0f));
    EXPECT_FLOAT_EQ(effect->getScaleY(), 2.0f);
    EXPECT_TRUE(effect->setParamFloat(L"m23", 6.0f));
    EXPECT_FLOAT_EQ(effect->getMatrix(4)._23, 6.0f);
    EXPECT_FALSE(effect->setParamFloat(L"m", 1.0f));
    EXPECT_TRUE(effect->setParamMatrix(L"m23", D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1)));
    EXPECT_FLOAT_EQ(effect->getParamMatrix(L"m")._44, 1.0f);
    EXPECT_FLOAT_EQ(effect->getParamMatrix(L"m23")._11, -1.0f);
    EXPECT_TRUE(effect->setParamFloat(L"an", 0.0f));
    EXPECT_FALSE(effect->isEnabled());
    EXPECT_FLOAT_EQ(effect->getParamFloat(L"an"), 0.0f);
    EXPECT_FALSE(effect->setParamFloat(L"x", 1.0f)); // an unknown keyword made no mapping
    EXPECT_FLOAT_EQ(effect->getParamFloat(L"fehlt"), -1.0f);
    // MATRIX_PARAM_2 with 15 numbers is left out.
    EXPECT_FLOAT_EQ(effect->getMatrix(1)._11, 0.0f);
    EXPECT_FALSE(effect->getSetMatrices());

    std::vector<PostEffectStringMapping> records;
    effect->getStringMappings(records);
    ASSERT_EQ(records.size(), 8u);
    EXPECT_EQ(records[0].effectName, L"E");
    EXPECT_EQ(records[0].mapping, L"an");
    EXPECT_EQ(records[0].kind, MAPPING_ENABLE);
}

TEST_F(PostEffectTest, ParameterNumbersAndIndicesOutsideTheFiveAreRefused)
{
    EffectPtr effect =
        make(L"<POSTEFFECT NAME=\"Grenzen\"><STRING_MAPPING STRING=\"weit\" MAPPING=\"FLOAT\" PARAM_NR=\"7\" "
             L"INITIAL_VALUE=\"1\"/><STRING_MAPPING STRING=\"neg\" MAPPING=\"VECTOR\" PARAM_NR=\"-1\"/>"
             L"<STRING_MAPPING STRING=\"ok\" MAPPING=\"FLOAT\" PARAM_NR=\"4\"/></POSTEFFECT>");
    EXPECT_EQ(effect->getMappingTable().size(), 1u);
    EXPECT_FALSE(effect->setParamFloat(L"weit", 1.0f));
    EXPECT_NE(m_logs.text().find("STRING_MAPPING \"weit\" of \"Grenzen\" has PARAM_NR 7 outside 0..4"),
              std::string::npos);
    EXPECT_TRUE(effect->setParamFloat(L"ok", 2.0f));
    EXPECT_FALSE(effect->setFloat(1.0f, 5));
    EXPECT_FALSE(effect->setVec4(D3DXVECTOR4(1, 1, 1, 1), -1));
    EXPECT_FALSE(effect->setMatrix(D3DXMATRIX(), 5));
    EXPECT_FLOAT_EQ(effect->getFloat(5), -1.0f);
    EXPECT_EQ(effect->getVec4(9), D3DXVECTOR4(-1, -1, -1, -1));
    EXPECT_FLOAT_EQ(effect->getFloat(4), 2.0f);
}

TEST_F(PostEffectTest, SkipLevelDecidesVisibilityAndExtraPassesCountOnlyWhileActivated)
{
    const std::wstring passes = L"<EXTRA_PASS NAME=\"T\" USE_TYPE=\"FORWARD\"/><EXTRA_PASS NAME=\"U\"/>";
    EffectPtr a = make(L"<POSTEFFECT NAME=\"A\" SKIP_PRIORITY=\"2\">" + passes + L"</POSTEFFECT>");
    EffectPtr b = make(L"<POSTEFFECT NAME=\"B\">" + passes + L"</POSTEFFECT>");
    EXPECT_FALSE(a->deactivate()); // never activated: nothing
    // Switching while not activated leaves the counts alone.
    a->setCurrentPriority(0);
    a->setEnabled(false);
    a->setEnabled(true);
    EXPECT_TRUE(renderer().getExtraTargets().empty());

    EXPECT_TRUE(a->activate());
    EXPECT_FALSE(a->activate()); // counted once
    EXPECT_FALSE(b->activate()); // the records exist
    const ExtraPassTarget* t = renderer().findExtraTarget(L"T");
    const ExtraPassTarget* u = renderer().findExtraTarget(L"U");
    ASSERT_TRUE(t && u);
    EXPECT_EQ(t->needs[0], 2);
    EXPECT_EQ(t->needs[1], 0);
    EXPECT_EQ(u->needs[1], 2);
    EXPECT_EQ(t->active[0], 2);

    a->setCurrentPriority(3); // skipped
    a->setEnabled(false);     // already invisible: no second subtraction
    EXPECT_EQ(t->active[0], 1);
    a->setCurrentPriority(0);
    EXPECT_EQ(t->active[0], 1);
    a->setEnabled(true);
    EXPECT_EQ(t->active[0], 2);

    EXPECT_FALSE(a->deactivate());
    EXPECT_EQ(t->needs[0], 1);
    EXPECT_TRUE(b->deactivate()); // the last user removes the records
    EXPECT_TRUE(renderer().getExtraTargets().empty());
}

TEST_F(PostEffectTest, PixelOffsetsBecomeTexelsOnceFromTheEffectsOwnValues)
{
    ASSERT_NE(GraphicsTesting::startDevice(), nullptr);
    ASSERT_TRUE(FrameTesting::loadDataEffects(m_logs.folder()));
    m_manager.setRenderTargetSize(200, 100);
    EffectPtr first = make(L"<POSTEFFECT NAME=\"Weich\" EFFECT=\"PostBlur\"/>");
    EffectPtr second = make(L"<POSTEFFECT NAME=\"Weich2\" EFFECT=\"PostBlur\"/>");
    first->initHandles();
    first->initHandles();
    second->initHandles(); // the same shader effect
    ASSERT_TRUE(first->isCreated());
    ID3DXEffect* fx = first->getEffect()->getEffect();
    D3DXVECTOR4 texel;
    ASSERT_EQ(fx->GetVector("g_TexelSize", &texel), D3D_OK);
    EXPECT_FLOAT_EQ(texel.x, 1.0f / 200.0f);
    EXPECT_FLOAT_EQ(texel.y, 1.0f / 100.0f);

    // A new size converts the effect's values again, not the converted ones.
    m_manager.setRenderTargetSize(100, 50);
    second->initHandles();
    fx->GetVector("g_TexelSize", &texel);
    EXPECT_FLOAT_EQ(texel.x, 1.0f / 100.0f);
    EXPECT_FLOAT_EQ(texel.y, 1.0f / 50.0f);

    // Without its shader effect an effect stays not created and inactive.
    EffectPtr missing = make(L"<POSTEFFECT EFFECT=\"GibtEsNicht\"/>");
    missing->initHandles();
    EXPECT_FALSE(missing->isCreated());
    EXPECT_FALSE(missing->isActive());
}
