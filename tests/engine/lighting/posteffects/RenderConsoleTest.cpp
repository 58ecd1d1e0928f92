// The RP_ commands on the running engine's console, against the engine's render manager with the
// render configuration of data/FX: their answers, their help lines for missing arguments, and the
// completion of their first argument.
#include "FrameTestSupport.h"

#include "engine/render/ConsoleLine.h"
#include "engine/UlvoEngine.h"
#include "lighting/deferred/DeferredLight.h"
#include "lighting/deferred/DeferredRenderer.h"
#include "lighting/hdr/HDRRenderer.h"

#include <algorithm>

using namespace Ulvo;
using RenderTesting::complete;
using RenderTesting::run;

namespace {

using Lines = std::vector<std::wstring>;

class RenderConsoleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(GraphicsTesting::startDevice(), nullptr);
        m_manager = UlvoEngine::getInstance()->getRenderManager();
        ASSERT_NE(m_manager, nullptr);
        if (m_manager->getPostEffects().empty()) {
            ASSERT_TRUE(FrameTesting::loadDataEffects(m_logs.folder()));
            XMLNode root = FrameTesting::renderConfig();
            m_manager->load(&root);
        }
    }
    Lines sorted(Lines lines)
    {
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    LogCapture m_logs;
    RenderManager* m_manager = nullptr;
};

} // namespace

TEST_F(RenderConsoleTest, PostEffectCommandsAnswerAndMissingEffectsAreSaidSo)
{
    EXPECT_EQ(run(L"RP_POST_addActiveEffect GRAUSTUFEN"), L"gesetzt");
    EXPECT_EQ(m_manager->getActivePostEffects().size(), 3u);
    EXPECT_EQ(run(L"RP_POST_addActiveEffect Fehlt"), L"Posteffekt nicht gefunden!");
    EXPECT_EQ(run(L"RP_POST_removeActiveEffect GRAUSTUFEN"), L"entfernt");
    EXPECT_EQ(run(L"RP_POST_removeActiveEffect Fehlt"), L"Posteffekt nicht gefunden!");
    EXPECT_EQ(m_manager->getActivePostEffects().size(), 2u);

    EXPECT_EQ(run(L"RP_POST_getParamFloat THREEMATCH_ROLL_IN_VERH"), L"Wert: 1");
    EXPECT_EQ(run(L"RP_POST_setParamFloat THREEMATCH_ROLL_IN_VERH 0.5"), L"gesetzt");
    EXPECT_EQ(run(L"RP_POST_getParamFloat THREEMATCH_ROLL_IN_VERH"), L"Wert: 0.5");
    EXPECT_EQ(run(L"RP_POST_setParamFloat Fehlt 1"), L"Param wurde nicht gefunden");
    EXPECT_EQ(run(L"RP_POST_getParamFloat Fehlt"), L"Param wurde nicht gefunden");
    EXPECT_EQ(run(L"RP_POST_setParamVector LUPE_POSITION 0.25 0.5 0 1"), L"gesetzt");
    EXPECT_EQ(run(L"RP_POST_getParamVector LUPE_POSITION"), L"Wert: 0.25 0.5 0 1 ");
    EXPECT_EQ(run(L"RP_POST_getParamVector Fehlt"), L"Param wurde nicht gefunden");
    // Too few numbers: the help line, and nothing changes.
    EXPECT_EQ(run(L"RP_POST_setParamVector LUPE_POSITION 1 1 1"),
              L"RP_POST_setParamVector Name Wert; setzt einen Posteffect Parameter Vector");
    EXPECT_EQ(run(L"RP_POST_getParamVector LUPE_POSITION"), L"Wert: 0.25 0.5 0 1 ");
    run(L"RP_POST_setParamFloat THREEMATCH_ROLL_IN_VERH 1");

    const std::wstring list = run(L"RP_POST_getAllParamListe");
    EXPECT_NE(list.find(L"THREEMATCH_ROLL_IN_VERH Typ: FLOAT"), std::wstring::npos);
    EXPECT_NE(list.find(L"LUPE_POSITION Typ: VECTOR"), std::wstring::npos);
    EXPECT_NE(list.find(L"GRAU Typ: FLOAT\nGRAU Typ: FLOAT"), std::wstring::npos); // two targets
    EXPECT_NE(list.back(), L'\n');
}

TEST_F(RenderConsoleTest, QualitySkipLevelAndActivationCounts)
{
    EXPECT_EQ(run(L"rp_setshadowquality HIGH"), L"gesetzt");
    EXPECT_EQ(m_manager->getShadowQuality(), QUALITY_HIGH);
    // A word outside the four is answered with the help line and changes nothing.
    EXPECT_EQ(run(L"RP_setShadowQuality ultra"), L"RP_setShadowQuality OFF/LOW/MED/HIGH; setzt die Schattenqualität");
    EXPECT_EQ(m_manager->getShadowQuality(), QUALITY_HIGH);
    EXPECT_EQ(run(L"RP_setShadowQuality off"), L"gesetzt");
    EXPECT_EQ(m_manager->getShadowQuality(), QUALITY_NONE);
    EXPECT_EQ(run(L"RP_setWaterQuality Med"), L"gesetzt");
    EXPECT_EQ(m_manager->getWaterQuality(), QUALITY_MEDIUM);
    EXPECT_EQ(run(L"RP_skipPosteffects 4"), L"gesetzt");
    EXPECT_EQ(m_manager->getSkipPostEffects(), 4u);
    run(L"RP_skipPosteffects 0");
    EXPECT_EQ(run(L"RP_printActiveRefCnts"),
              L"SZENE 1\nTIEFE 0\nDEF_GBUFFER 0\nDEF_SCHATTEN_SPOT 0\nDEF_SCHATTEN_SONNE 0\nDEF_SCHATTEN_PUNKT 0\n");
    EXPECT_EQ(run(L"RP_skipPosteffects"),
              L"RP_skipPosteffects 0 - 10; setzt die Posteffektqualität (kleiner ist besser)");
}

TEST_F(RenderConsoleTest, HdrAndDeferredCommandsReachTheirRenderers)
{
    auto* hdr = static_cast<HDRRenderer*>(m_manager->getHDRRenderer());
    EXPECT_EQ(run(L"RP_HDR 1"), L"gesetzt");
    EXPECT_EQ(m_manager->getSettings().getHDRActivation(), 1u);
    EXPECT_EQ(m_manager->getForwardRenderer()->getHDRMode(), 1u);
    EXPECT_EQ(run(L"RP_HDR 0"), L"gesetzt");
    for (const wchar_t* unusable : {L"RP_HDR x", L"RP_HDR 8", L"RP_HDR -1"}) {
        EXPECT_EQ(run(unusable), L"RP_HDR 0-7; HDR aktivieren") << unusable;
        EXPECT_EQ(m_manager->getForwardRenderer()->getHDRMode(), 0u) << unusable;
    }
    EXPECT_EQ(run(L"RP_HDR_MiddleGray 0.3"), L"gesetzt");
    EXPECT_FLOAT_EQ(hdr->getMiddleGray(), 0.3f);
    EXPECT_EQ(run(L"RP_HDR_Tonemapping 2"), L"gesetzt");
    EXPECT_EQ(hdr->getToneMapping(), 2);
    EXPECT_EQ(run(L"RP_HDR_Blueshift 1"), L"gesetzt");
    EXPECT_TRUE(hdr->getBlueShift());
    EXPECT_EQ(run(L"RP_HDR_GlareType 3"), L"gesetzt");
    EXPECT_EQ(hdr->getGlareType(), 3u);
    for (const wchar_t* line : {L"RP_HDR_BloomStarScale 1 2", L"RP_HDR_MinMaxLuminace 0.1 2",
                                L"RP_HDR_BrightPassParams 0.5 1", L"RP_DEF_BlurLights 1"})
        EXPECT_EQ(run(line), L"gesetzt") << line;
    // HDR and deferred rendering are off: they have no buffers to save, and say so.
    EXPECT_EQ(run(L"RP_HDR_SaveAll"), L"Buffer konnten nicht gespeichert werden: ");
    EXPECT_EQ(run(L"RP_DEF_SaveAll ordner"), L"Buffer konnten nicht gespeichert werden: ordner");
    for (const wchar_t* line : {L"RP_HDR_SaveAll /tmp", L"RP_DEF_SaveAll ..\\oben"})
        EXPECT_NE(run(line).find(L"au\u00DFerhalb des Spielordners"), std::wstring::npos) << line;

    auto* deferred = static_cast<DeferredRenderer*>(m_manager->getDeferredRenderer());
    EXPECT_EQ(run(L"RP_DEF 1"), L"gesetzt");
    EXPECT_TRUE(deferred->isDeferredAllowed());
    EXPECT_TRUE(deferred->isEnabled());
    EXPECT_EQ(run(L"RP_DEF 0"), L"gesetzt");
    EXPECT_FALSE(deferred->isEnabled());
    EXPECT_EQ(run(L"RP_DEF 5"), L"RP_DEF 0/1; aktiviert Deferred Rendering");
    EXPECT_FALSE(deferred->isEnabled());
    EXPECT_TRUE(deferred->getBlurLights());

    EXPECT_EQ(run(L"RP_DEF_addPointLight Lampe 0x80FF8000 1 2 3 4 0.5"), L"erstellt");
    DeferredLight* lamp = deferred->getLight(L"Lampe");
    ASSERT_NE(lamp, nullptr);
    EXPECT_EQ(lamp->getRefCount(), 1); // the renderer's only
    // The configuration's sun is there already: a second light of its name joins it.
    DeferredLight* sun = deferred->getLight(L"Sonne");
    EXPECT_EQ(run(L"RP_DEF_addDirectionalLight Sonne FFFFFFFF 0 -1 0 1"), L"erstellt");
    EXPECT_EQ(deferred->getLight(L"Sonne"), sun);
    EXPECT_EQ(run(L"RP_DEF_addPointLight Lampe FFFFFFFF 0 0 0 1 1"), L"erstellt");
    EXPECT_EQ(run(L"RP_DEF_addDirectionalLight Mond FFFFFFFF 0 -1 0 1"), L"erstellt");
    EXPECT_EQ(run(L"RP_DEF_addSpotLight Spot FFFFFFFF 0 5 0 0 -1 0 10 30"),
              L"RP_DEF_addSpotLight Name color_hex x y z dx dy dz radius theta i; fügt ein Spotlicht hinzu");
    EXPECT_EQ(run(L"RP_DEF_addSpotLight Spot FFFFFFFF 0 5 0 0 -1 0 10 30 1"), L"erstellt");
    EXPECT_EQ(deferred->getLights().size(), 7u); // with the configuration's sun and lantern
    EXPECT_EQ(run(L"RP_DEF_removeLight Lampe"), L"gelöscht!");
    EXPECT_EQ(run(L"RP_DEF_removeLight Lampe"), L"gelöscht!");
    EXPECT_EQ(run(L"RP_DEF_removeLight Lampe"), L"es gibt kein Licht mit diesen Namen!");
    EXPECT_EQ(run(L"RP_DEF_removeLight Sonne"), L"gelöscht!");
    run(L"RP_DEF_removeLight Mond");
    run(L"RP_DEF_removeLight Spot");
    ASSERT_EQ(deferred->getLights().size(), 2u);
    EXPECT_NE(deferred->getLight(L"Sonne"), sun) << "the first of the name goes first";
}

TEST_F(RenderConsoleTest, FirstArgumentsComplete)
{
    EXPECT_EQ(sorted(complete(L"RP_POST_addActiveEffect G")),
              (Lines{L"RP_POST_addActiveEffect GOTTESSTRAHLEN", L"RP_POST_addActiveEffect GRAUSTUFEN"}));
    EXPECT_EQ(complete(L"RP_POST_removeActiveEffect L"), Lines{L"RP_POST_removeActiveEffect LUPE"});
    EXPECT_EQ(sorted(complete(L"RP_POST_setParamVector LUPE_P")),
              (Lines{L"RP_POST_setParamVector LUPE_PARAMS", L"RP_POST_setParamVector LUPE_POSITION"}));
    EXPECT_EQ(complete(L"RP_POST_setParamFloat THREE"), Lines{L"RP_POST_setParamFloat THREEMATCH_ROLL_IN_VERH"});
    EXPECT_EQ(complete(L"RP_setShadowQuality M"), Lines{L"RP_setShadowQuality med"});
    EXPECT_EQ(complete(L"RP_setWaterQuality o"), Lines{L"RP_setWaterQuality off"});
    EXPECT_TRUE(complete(L"RP_DEF_removeLight L").empty());
}

TEST_F(RenderConsoleTest, RpHdrSaysWhenItsBuffersCannotBeMade)
{
    m_manager->setRenderTargetSize(20000, 20000);
    EXPECT_EQ(run(L"RP_HDR 1"), L"HDR Buffer konnten nicht erstellt werden; HDR ist aus");
    EXPECT_EQ(m_manager->getHDRRenderer()->getMode(), 0u);
    EXPECT_EQ(m_manager->getForwardRenderer()->getHDRMode(), 0u);
    m_manager->setRenderTargetSize(0xFFFFFFFFu, 0xFFFFFFFFu); // the back buffer's size again
    EXPECT_EQ(run(L"RP_HDR 1"), L"gesetzt");
    EXPECT_EQ(m_manager->getForwardRenderer()->getHDRMode(), 1u);
    EXPECT_EQ(run(L"RP_HDR 0"), L"gesetzt");
}
