// The post effect kinds: the parameters each fills before drawing (depth of field from the
// camera's range, motion blur's scaled floats and matrices, weather by heading and pitch, god rays
// by factors, phases and the sun), a combination's children, and the mask's settings.
#include "FrameTestSupport.h"

#include "lighting/posteffects/PE_Combiniation.h"
#include "lighting/posteffects/PE_DOFCombine.h"
#include "lighting/posteffects/PE_Godrays.h"
#include "lighting/posteffects/PE_Mask.h"
#include "lighting/posteffects/PE_MotionBlur.h"
#include "lighting/posteffects/PE_Weather.h"
#include "lighting/posteffects/PostEffectFactory.h"
#include "lighting/posteffects/PostEffectRenderer.h"

#include <cmath>
#include <memory>

using namespace Ulvo;

namespace {

class PostEffectKindsTest : public ::testing::Test {
protected:
    void SetUp() override { attachLightingRenderers(m_manager); }

    template <class Kind> Kind* make(const std::wstring& text)
    {
        XMLNode node;
        XMLNode::load(&node, text, 1);
        PostEffect* effect =
            createPostEffectFromXml(node, static_cast<PostEffectRenderer*>(m_manager.getPostEffectRenderer()), nullptr);
        m_effects.push_back(effect);
        return dynamic_cast<Kind*>(effect);
    }
    void TearDown() override
    {
        for (PostEffect* effect : m_effects)
            effect->Release();
    }

    LogCapture m_logs;
    RenderManager m_manager;
    std::vector<PostEffect*> m_effects;
    LookAtCamera m_camera{L"Art"};
};

} // namespace

TEST_F(PostEffectKindsTest, DepthOfFieldTakesTheCameraRangeAndItsFocalSettings)
{
    auto* dof = make<PE_DOFCombine>(L"<POSTEFFECT TYPE=\"DOF_COMBINE\"><STRING_MAPPING STRING=\"k\" "
                                    L"MAPPING=\"FLOAT\" PARAM_NR=\"3\"/></POSTEFFECT>");
    ASSERT_NE(dof, nullptr);
    m_camera.setNearFar(1.0, 101.0);
    dof->preRender(m_camera); // the camera carries no focus values of its own
    EXPECT_FLOAT_EQ(dof->getFloat(0), 0.5f);
    EXPECT_FLOAT_EQ(dof->getVec4(0).x, 1.0f);
    EXPECT_FLOAT_EQ(dof->getVec4(0).y, 10.0f);
    // FLOAT 3 is the camera switch for this kind, a parameter for a plain effect.
    EXPECT_TRUE(dof->setParamFloat(L"k", 0.0f));
    EXPECT_FALSE(dof->getUseCameraParams());
    auto* plain = make<PostEffect>(L"<POSTEFFECT><STRING_MAPPING STRING=\"k\" MAPPING=\"FLOAT\" PARAM_NR=\"3\"/>"
                                   L"</POSTEFFECT>");
    EXPECT_TRUE(plain->setParamFloat(L"k", 0.25f));
    EXPECT_FLOAT_EQ(plain->getFloat(3), 0.25f);
    auto* focal = make<PE_DOFCombine>(L"<POSTEFFECT TYPE=\"DOF_COMBINE\"><FOCAL FOCAL_DIST=\"25\" "
                                      L"FOCAL_LENGTH=\"20\" MAX_BLUR=\"0.5\"/></POSTEFFECT>");
    focal->preRender(m_camera);
    EXPECT_FLOAT_EQ(focal->getFloat(0), 0.25f);
    EXPECT_FLOAT_EQ(focal->getVec4(0).x, 0.5f);
    EXPECT_FLOAT_EQ(focal->getVec4(0).y, 5.0f);
}

TEST_F(PostEffectKindsTest, MotionBlurKeepsScaledFloatsAndTheCamerasMatrices)
{
    ASSERT_NE(GraphicsTesting::startDevice(), nullptr); // 640 wide
    auto* blur = make<PE_MotionBlur>(L"<POSTEFFECT TYPE=\"MOTION_BLUR\"><FLOAT_PARAM_1 VALUE=\"10\"/>"
                                     L"<FLOAT_PARAM_2 VALUE=\"64\"/><STRING_MAPPING STRING=\"s\" MAPPING=\"FLOAT\" "
                                     L"PARAM_NR=\"0\"/></POSTEFFECT>");
    ASSERT_NE(blur, nullptr);
    EXPECT_FLOAT_EQ(blur->PostEffect::getFloat(0), 0.5f);
    EXPECT_FLOAT_EQ(blur->getFloat(0), 10.0f);
    EXPECT_FLOAT_EQ(blur->PostEffect::getFloat(1), 64.0f / (640.0f * 20.0f));
    EXPECT_FLOAT_EQ(blur->getFloat(1), 64.0f);
    EXPECT_TRUE(blur->setParamFloat(L"s", 20.0f));
    EXPECT_FLOAT_EQ(blur->PostEffect::getFloat(0), 1.0f);
    EXPECT_FLOAT_EQ(blur->getParamFloat(L"s"), 20.0f);
    EXPECT_TRUE(blur->getSetMatrices());
    m_camera.setEyePosition(D3DXVECTOR3(1, 2, 3));
    blur->preRender(m_camera);
    blur->postRender(m_camera);
    EXPECT_EQ(blur->getMatrix(0), m_camera.getViewProjectionInverseMatrix());
    EXPECT_EQ(blur->getMatrix(1), m_camera.getViewProjectionMatrix());
}

TEST_F(PostEffectKindsTest, WeatherTurnsWithTheHeadingAndStretchesWithThePitch)
{
    EXPECT_FLOAT_EQ(PE_Weather::headingOf(D3DXVECTOR3(0, 0, 1)), 1.5707964f);
    EXPECT_FLOAT_EQ(PE_Weather::headingOf(D3DXVECTOR3(0, 0, -1)), 4.712389f);
    EXPECT_FLOAT_EQ(PE_Weather::headingOf(D3DXVECTOR3(-1, 0, 0)), 3.1415927f);
    auto* rain = make<PE_Weather>(L"<POSTEFFECT TYPE=\"WEATHER\"><VEC4_PARAM_1 W=\"0.4\"/><VEC4_PARAM_3 Y=\"1\"/>"
                                  L"<WEATHER_PARAMS POSITION_CHANGE_MULTIPLIKATOR=\"2 3\"/></POSTEFFECT>");
    ASSERT_NE(rain, nullptr);
    EXPECT_EQ(rain->getPositionChange(), D3DXVECTOR3(2, 3, 0.001f));
    m_camera.setEyePosition(D3DXVECTOR3(1, 1, 1));
    m_camera.setLookAt(D3DXVECTOR3(1, 1, 5)); // level, along +z
    rain->preRender(m_camera);
    EXPECT_FLOAT_EQ(rain->getVec4(2).y, 1.0f);
    EXPECT_FLOAT_EQ(rain->getVec4(0).w, 0.4f);
    EXPECT_EQ(rain->getVec4(3), D3DXVECTOR4(2, 3, 0.001f, 0));
    D3DXMATRIX turn;
    D3DXMatrixRotationY(&turn, -1.5707964f);
    EXPECT_NEAR(rain->getMatrix(0)._13, turn._13, 1e-5f);
    // Looking down by 30 degrees: |y| = 0.5, halfway to the largest stretch and least alpha.
    m_camera.setLookAt(D3DXVECTOR3(1, 0.5f, 1 + std::sqrt(0.75f)));
    rain->preRender(m_camera);
    EXPECT_NEAR(rain->getVec4(2).y, 1.5f, 1e-4f);
    EXPECT_NEAR(rain->getVec4(0).w, 0.25f, 1e-4f);
}

TEST_F(PostEffectKindsTest, GodRaysTakeFactorsPhasesAndTheSun)
{
    SceneGraph graph;
    m_manager.setSceneGraph(&graph);
    graph.getSunLightSystem().setTime(9, 0, 0);
    auto* fixed = make<PE_Godrays>(L"<POSTEFFECT TYPE=\"GODRAYS\"><GODRAY_PARAMS STRENGTH=\"2\"/>"
                                   L"<STRING_MAPPING STRING=\"s\" MAPPING=\"FLOAT\" PARAM_NR=\"0\"/>"
                                   L"<STRING_MAPPING STRING=\"c\" MAPPING=\"VECTOR\" PARAM_NR=\"4\"/></POSTEFFECT>");
    ASSERT_NE(fixed, nullptr);
    EXPECT_FLOAT_EQ(fixed->getCurve(0).values[3], 2.0f); // one item fills every phase
    fixed->preRender(m_camera);
    EXPECT_FLOAT_EQ(fixed->getFloat(0), 0.0f); // the factor, 0 until written
    EXPECT_TRUE(fixed->setParamFloat(L"s", 3.0f));
    EXPECT_TRUE(fixed->setParamVector(L"c", D3DXVECTOR4(3, 4, 0, 0)));
    fixed->preRender(m_camera);
    EXPECT_FLOAT_EQ(fixed->getFloat(0), 3.0f);
    EXPECT_FLOAT_EQ(fixed->PostEffect::getVec4(4).x, 0.6f); // normalised without HDR post effects
    m_manager.getPostEffectRenderer()->setHDRMode(4);
    fixed->preRender(m_camera);
    EXPECT_FLOAT_EQ(fixed->PostEffect::getVec4(4).x, 3.0f);

    auto* phased = make<PE_Godrays>(L"<POSTEFFECT TYPE=\"GODRAYS\"><GODRAY_PARAMS USE_INTERPOLATION=\"1\" "
                                    L"STRENGTH=\"2 4\"/></POSTEFFECT>");
    EXPECT_EQ(phased->getVec4(0), D3DXVECTOR4(2, 4, 4, 4));
    phased->update(0.5);
    phased->preRender(m_camera);
    const float values[4] = {2, 4, 4, 4};
    EXPECT_FLOAT_EQ(phased->getFloat(0), graph.getSunLightSystem().interpolatePhaseFloat(values, true));
    EXPECT_FLOAT_EQ(phased->getTime(), 0.0f); // the time stays
    // The angle between the view and the sun.
    D3DXVECTOR3 view = PostEffect::pointAhead(m_camera) - m_camera.getEyePosition();
    D3DXVec3Normalize(&view, &view);
    const D3DXVECTOR3 sun = graph.getSunLightSystem().getLightDirection();
    EXPECT_NEAR(phased->getFloat(4), std::acos(D3DXVec3Dot(&sun, &view)) * 57.29578f, 1e-3f);
    m_manager.setSceneGraph(nullptr);
}

TEST_F(PostEffectKindsTest, CombinationHandsItsCallsToItsChildren)
{
    auto* empty = make<PE_Combiniation>(L"<POSTEFFECT NAME=\"Leer\" TYPE=\"COMBINATION\"/>");
    EXPECT_TRUE(empty->isActive());
    EXPECT_FALSE(empty->activate());
    empty->render(m_camera); // draws nothing

    auto* group = make<PE_Combiniation>(
        L"<POSTEFFECT NAME=\"Gruppe\" TYPE=\"COMBINATION\" SKIP_PRIORITY=\"4\"><POSTEFFECT NAME=\"Eins\"/>"
        L"<POSTEFFECT NAME=\"Innen\" TYPE=\"COMBINATION\"><POSTEFFECT NAME=\"Zwei\" TYPE=\"MASK\"/></POSTEFFECT>"
        L"</POSTEFFECT>");
    ASSERT_EQ(group->getChildren().size(), 2u);
    EXPECT_EQ(group->findByName(L"Gruppe"), group);
    RenderPostEffect* deep = group->findByName(L"Zwei");
    ASSERT_NE(deep, nullptr);
    EXPECT_NE(dynamic_cast<PE_Mask*>(deep), nullptr);
    EXPECT_EQ(group->findByName(L"Drei"), nullptr);
    EXPECT_EQ(group->getChildren()[0]->getSkipPriority(), 4u);
    group->setEnabled(false);
    EXPECT_FALSE(static_cast<PostEffect*>(deep)->isEnabled());
    EXPECT_FALSE(group->isActive()); // its children have no shader effect
    PostEffect* copy = group->clone();
    EXPECT_NE(copy->findByName(L"Zwei"), deep);
    EXPECT_NE(copy->findByName(L"Zwei"), nullptr);
    copy->Release();
}

TEST_F(PostEffectKindsTest, MaskReadsItsColoursSourcesAndModifiersInOrder)
{
    auto* mask = make<PE_Mask>(L"<POSTEFFECT TYPE=\"MASK\"><MASK_PARAMS SRC_COLOR=\"80FF0000\" SRC=\"EXTRA\" "
                               L"DST=\"ORIGINAL\" MASK=\"NICHTS\" DST_ALPHA_OVERWRITE=\"0.5\" "
                               L"USE_ONLY_MASK_ALPHA=\"1\" MODIFIERS=\"INV_SRC SWAP ALPHABLEND SRC INV_MASK\"/>"
                               L"</POSTEFFECT>");
    ASSERT_NE(mask, nullptr);
    EXPECT_EQ(mask->getVec4(0), D3DXVECTOR4(1, 0, 0, 128.0f / 255.0f));
    EXPECT_EQ(mask->getSource(0), PE_Mask::SOURCE_EXTRA);
    EXPECT_EQ(mask->getSource(1), PE_Mask::SOURCE_ORIGINAL);
    EXPECT_EQ(mask->getSource(2), PE_Mask::SOURCE_COLOR);
    EXPECT_EQ(D3DXVECTOR3(mask->getFloat(0), mask->getFloat(1), mask->getFloat(2)), D3DXVECTOR3(1, 2, 0));
    EXPECT_FALSE(mask->getInvSrc());
    EXPECT_EQ(mask->getVec4(3), D3DXVECTOR4(0, 0, 1, 1));
    EXPECT_FLOAT_EQ(mask->getFloat(3), 1.0f);
    EXPECT_EQ(mask->getVec4(4), D3DXVECTOR4(-1, 0.5f, -1, -1));
}
