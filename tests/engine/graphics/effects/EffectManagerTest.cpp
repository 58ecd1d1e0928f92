// Effects from definition nodes: pools, bundles and permutations, duplicates, compile failures,
// the compiled-effect cache switches, handle renaming, reloading and the FX_ commands.
#include "GraphicsTestSupport.h"

#include "foundation/console/ConsoleCommand.h"
#include "foundation/console/ConsoleDispatcher.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
#include "graphics/effects/EffectBundle.h"
#include "graphics/effects/EffectManager.h"
#include "graphics/effects/EffectPool.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace Ulvo;

namespace {

const char* kSource = R"(
#ifndef TINT
#define TINT 1
#endif
shared float4x4 g_View;
float4 g_Color = {1, 0, 0, 1};
float4 VS(float4 p : POSITION) : POSITION { return mul(p, g_View); }
float4 PS() : COLOR { return g_Color * TINT; }
technique Plain { pass P0 { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); } }
technique Blend { pass P0 { AlphaBlendEnable = true; VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); } }
)";

XMLNode parse(const std::wstring& text)
{
    XMLNode root;
    EXPECT_TRUE(XMLNode::load(&root, text, 1));
    return root;
}

std::wstring run(const std::wstring& text)
{
    TypedConsoleCommand line(text);
    ConsoleDispatcher::getInstance()->execute(line);
    return line.getAnswer();
}

class EffectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(GraphicsTesting::startDevice(), nullptr);
        std::filesystem::create_directories(m_logs.folder() / "fx");
        TestSupport::writeText(m_logs.folder() / "fx" / "plain.fx", kSource);
        TestSupport::writeText(m_logs.folder() / "fx" / "broken.fx",
                               "float4 PS() : COLOR {\n  return oops;\n}\n"
                               "technique T { pass P { PixelShader = compile ps_2_0 PS(); } }\n");
        m_savedUse = useCompiledEffects;
        useCompiledEffects = false; // as the entry function sets it
    }
    void TearDown() override { useCompiledEffects = m_savedUse; }

    LogCapture m_logs; // also the working folder
    bool m_savedUse = false;
};

} // namespace

TEST_F(EffectTest, EffectIndexesParametersAndTechniquesAndRenamesHandles)
{
    XMLNode node = parse(L"<EFFECT NAME=\"Indexed\"><FILE FILENAME=\"fx\\plain.fx\"></FILE>"
                         L"<HANDLE_USERNAME NAME=\"g_Color\" USER_NAME=\"Tint\"></HANDLE_USERNAME></EFFECT>");
    auto* effect = new Effect(false);
    ASSERT_TRUE(effect->createFromNode(&node)) << m_logs.text("UlvoEffect.log");
    EXPECT_EQ(effect->getName(), L"Indexed");
    ASSERT_NE(effect->getEffect(), nullptr);
    EXPECT_NE(effect->getHandle(L"g_View"), nullptr);
    EXPECT_NE(effect->getHandle(L"Tint"), nullptr);
    EXPECT_EQ(effect->getHandle(L"g_Color"), nullptr);
    EXPECT_NE(effect->getTechnique(1), nullptr);
    EXPECT_EQ(effect->getTechnique(2), nullptr);
    EXPECT_NE(m_logs.text("UlvoEffect.log").find("Ulvo::Effect::createFromNode Indexed is OK"), std::string::npos);

    // Reload rebuilds from the stored definition and tells the holders.
    int reloads = 0;
    struct Probe : sigslot::has_slots<> {
        int* count;
        void reloaded(Effect&) { ++*count; }
    } probe;
    probe.count = &reloads;
    effect->reloaded.connect(&probe, &Probe::reloaded);
    EXPECT_TRUE(effect->reload());
    EXPECT_EQ(reloads, 1);
    EXPECT_NE(effect->getHandle(L"Tint"), nullptr);
    effect->Release();

    // No FILE: false without a message; a wrong file name is logged.
    Effect* lonely = new Effect(false);
    XMLNode noFile = parse(L"<EFFECT NAME=\"NoFile\"></EFFECT>");
    EXPECT_FALSE(lonely->createFromNode(&noFile));
    EXPECT_FALSE(lonely->reload());
    XMLNode missing = parse(L"<EFFECT NAME=\"Missing\"><FILE FILENAME=\"fx\\nothing.fx\"></FILE></EFFECT>");
    EXPECT_FALSE(lonely->createFromNode(&missing));
    EXPECT_NE(m_logs.text("UlvoEffect.log").find("Ulvo::Effect::createFromNode File not loaded"), std::string::npos);
    lonely->Release();
}

TEST_F(EffectTest, CompileErrorsAreLoggedWithTheFilesLineAndLoadingGoesOn)
{
    XMLNode root = parse(L"<FX><EFFECT NAME=\"BrokenFx\"><FILE FILENAME=\"fx\\broken.fx\"></FILE></EFFECT>"
                         L"<EFFECT NAME=\"AfterBroken\"><FILE FILENAME=\"fx\\plain.fx\"></FILE></EFFECT></FX>");
    EffectManager::getInstance()->load(&root);
    EXPECT_EQ(EffectManager::getInstance()->getEffect(L"BrokenFx"), nullptr);
    EXPECT_NE(EffectManager::getInstance()->getEffect(L"AfterBroken"), nullptr);
    const std::string log = m_logs.text("UlvoEffect.log");
    EXPECT_NE(log.find("(2,"), std::string::npos) << log; // the line of the source file
    EXPECT_NE(log.find("Ulvo::Effect::createFromNode D3DXCreateEffect() failed NAME: BrokenFx"), std::string::npos);
}

TEST_F(EffectTest, IncludesLeadingOutOfTheDataFoldersAreNotRead)
{
    TestSupport::writeText(m_logs.folder() / "fx" / "escape.fx",
                           std::string("#include \"../../../../../../../../etc/hostname\"\n") + kSource);
    XMLNode root = parse(L"<FX><EFFECT NAME=\"Escape\"><FILE FILENAME=\"fx\\escape.fx\"></FILE></EFFECT></FX>");
    EffectManager::getInstance()->load(&root);
    EXPECT_EQ(EffectManager::getInstance()->getEffect(L"Escape"), nullptr);
    EXPECT_NE(m_logs.text("UlvoFile.log").find("/etc/hostname leads out of the data folders"), std::string::npos);
    EXPECT_NE(m_logs.text("UlvoEffect.log").find("(1,1): error X1507"), std::string::npos);
}

TEST_F(EffectTest, ManagerLoadsPoolsFirstAndSkipsDuplicates)
{
    XMLNode root = parse(
        L"<FX>"
        L"<EFFECT NAME=\"Pooled\" EFFECT_POOL=\"LatePool\"><FILE FILENAME=\"fx\\plain.fx\"></FILE></EFFECT>"
        L"<EFFECT NAME=\"Pooled\"><FILE FILENAME=\"fx\\plain.fx\"></FILE></EFFECT>"
        L"<EFFECT_POOL NAME=\"LatePool\"></EFFECT_POOL><EFFECT_POOL NAME=\"LatePool\"></EFFECT_POOL>"
        L"<EFFECT_BUNDLE NAME=\"Tinted\">"
        L"  <EFFECT NAME=\"Standard\"><FILE FILENAME=\"fx\\plain.fx\"></FILE>"
        L"    <MACROS><MACRO NAME=\"LIGHTS\" DEFINITION=\"1\"></MACRO><MACRO NAME=\"TINT\" "
        L"DEFINITION=\"0\"></MACRO></MACROS></EFFECT>"
        L"  <PERMUTATION NAME=\"bright\"><MACROS><MACRO NAME=\"TINT\" DEFINITION=\"2\"></MACRO></MACROS></PERMUTATION>"
        L"  <PERMUTATION NAME=\"dark\"></PERMUTATION>"
        L"  <PERMUTATION NAME=\"bright\"><MACROS><MACRO NAME=\"TINT\" DEFINITION=\"3\"></MACRO></MACROS></PERMUTATION>"
        L"  <PERMUTATION NAME=\"none\" USE_EFFECT=\"Nobody\"></PERMUTATION>"
        L"</EFFECT_BUNDLE>"
        L"<EFFECT_BUNDLE NAME=\"Borrower\"><EFFECT><FILE FILENAME=\"fx\\plain.fx\"></FILE></EFFECT>"
        L"  <PERMUTATION EXISTING_EFFECT=\"Tinted dark\"></PERMUTATION>"
        L"  <PERMUTATION EXISTING_EFFECT=\"Tinted\"></PERMUTATION></EFFECT_BUNDLE>"
        L"<EFFECT NAME=\"Standard\"><FILE FILENAME=\"fx\\plain.fx\"></FILE></EFFECT>"
        L"</FX>");
    EffectManager* manager = EffectManager::getInstance();
    const size_t before = manager->getEffects().size();
    manager->load(&root);

    EffectPool* pool = manager->getEffectPool(L"LatePool");
    ASSERT_NE(pool, nullptr);
    EXPECT_NE(pool->getPool(), nullptr);
    EXPECT_EQ(std::count_if(manager->getPools().begin(), manager->getPools().end(),
                            [](EffectPool* p) { return p->getName() == L"LatePool"; }),
              1);
    const std::string log = m_logs.text("UlvoEffectManager.log");
    EXPECT_NE(log.find("Effectpool LatePool already exists! SKIP loading"), std::string::npos);
    EXPECT_NE(log.find("Effect Pooled already exists! SKIP loading"), std::string::npos);
    EXPECT_NE(log.find("Effect Standard already exists! SKIP loading"), std::string::npos);

    EffectBundle* bundle = manager->getEffectBundle(L"Tinted");
    ASSERT_NE(bundle, nullptr);
    EXPECT_EQ(bundle->getPermutations().size(), 2u); // bright and dark; the repeat builds nothing
    Effect* bright = bundle->getEffect(L"bright");
    Effect* dark = bundle->getEffect(L"dark");
    ASSERT_TRUE(bright && dark);
    EXPECT_NE(bright, dark);
    EXPECT_EQ(bright->getName(), L"Standard");
    // Base macros first, the permutation's definition wins; the cache name shows them.
    EXPECT_EQ(bright->getMacros().getText(L' ', L'='), L"LIGHTS=1 TINT=2");
    EXPECT_EQ(bright->getCompiledFileName(), L"FXCache\\Standard_plain_(LIGHTS_1_TINT_2).fxo");
    EXPECT_TRUE(bright->reload());
    EXPECT_EQ(bright->getMacros().getText(L' ', L'='), L"LIGHTS=1 TINT=2"); // stable across reloads
    // Pooled, Pooled-dup skipped, bright, dark, Standard skipped.
    EXPECT_EQ(manager->getEffects().size(), before + 3);

    EXPECT_FALSE(bundle->selectEffect(L"nobody"));
    EXPECT_EQ(bundle->getCurrentEffect(), nullptr);
    EXPECT_TRUE(bundle->selectEffect(L"dark"));
    EXPECT_EQ(bundle->getCurrentEffect(), dark);

    EffectBundle* borrower = manager->getEffectBundle(L"Borrower");
    ASSERT_NE(borrower, nullptr);
    EXPECT_EQ(borrower->getPermutations().size(), 1u);
    EXPECT_EQ(borrower->getEffect(L"dark"), dark);
}

TEST_F(EffectTest, CompiledEffectCacheFollowsTheSwitches)
{
    XMLNode root =
        parse(L"<FX><EFFECT NAME=\"Cached\"><FILE FILENAME=\"fx\\plain.fx\"></FILE></EFFECT>"
              L"<EFFECT NAME=\"Uncached\" PRE_COMPILE=\"0\"><FILE FILENAME=\"fx\\plain.fx\"></FILE></EFFECT></FX>");
    const auto cacheFile = m_logs.folder() / "FXCache" / "Cached_plain.fxo";
    // With the start-up setting nothing is written.
    {
        Effect effect(false);
        ASSERT_TRUE(effect.createFromNode(root.getNode(L"EFFECT", 0)));
        EXPECT_FALSE(std::filesystem::exists(cacheFile));
    }
    useCompiledEffects = true;
    {
        Effect uncached(false);
        ASSERT_TRUE(uncached.createFromNode(root.getNode(L"EFFECT", 1)));
        EXPECT_FALSE(std::filesystem::exists(m_logs.folder() / "FXCache" / "Uncached_plain.fxo"));
        Effect first(false);
        ASSERT_TRUE(first.createFromNode(root.getNode(L"EFFECT", 0)));
        ASSERT_TRUE(std::filesystem::exists(cacheFile));
        // The next creation reads the cache: a broken source no longer matters.
        TestSupport::writeText(m_logs.folder() / "fx" / "plain.fx", "garbage");
        Effect second(false);
        EXPECT_TRUE(second.createFromNode(root.getNode(L"EFFECT", 0)));
        second.deleteCompiledFile();
        EXPECT_FALSE(std::filesystem::exists(cacheFile));
        EXPECT_FALSE(second.reload());
    }
}

TEST(EffectNames, CompiledFileNamesAndMacroMerging)
{
    Effect water(false);
    water.rename(L"Water");
    EXPECT_EQ(water.getCompiledFileName(L"water.fx"), L"FXCache\\Water_water.fx.fxo");
    EXPECT_EQ(water.getCompiledFileName(L"data\\FX\\water"), L"FXCache\\Water_.fxo");

    XMLNode base;
    ASSERT_TRUE(XMLNode::load(&base,
                              L"<MACROS><MACRO NAME=\"A\" DEFINITION=\"0\"></MACRO><MACRO NAME=\"B\" "
                              L"DEFINITION=\"2\"></MACRO><MACRO NAME=\"C\"></MACRO></MACROS>",
                              1));
    Effect effect(false);
    effect.addMacros(Effect::readMacros(&base));
    XMLNode extra;
    ASSERT_TRUE(XMLNode::load(&extra, L"<MACROS><MACRO NAME=\"A\" DEFINITION=\"1\"></MACRO></MACROS>", 1));
    effect.addMacros(Effect::readMacros(&extra));
    EXPECT_EQ(effect.getMacros().getText(L',', L'='), L"B=2,A=1");
    EffectMacroList list = effect.getMacros();
    D3DXMACRO* macros = list.getD3DXMacros();
    EXPECT_STREQ(macros[1].Name, "A");
    EXPECT_EQ(macros[2].Name, nullptr);
}

TEST_F(EffectTest, ConsoleCommandsReloadFindAndComplete)
{
    XMLNode root = parse(L"<FX><EFFECT NAME=\"ConsoleFx\"><FILE FILENAME=\"fx\\plain.fx\"></FILE></EFFECT></FX>");
    EffectManager::getInstance()->load(&root);
    Effect* effect = EffectManager::getInstance()->getEffect(L"ConsoleFx");
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(run(L"FX_reloadEffect nobody"), L"Effekt nicht gefunden!");
    EXPECT_EQ(run(L"FX_reloadEffect ConsoleFx"), L"Effekt neu geladen!");
    EXPECT_EQ(run(L"FX_enableShaderDebugging ConsoleFx 1"), L"Effekt neu kompiliert!");
    EXPECT_TRUE(effect->getShaderDebugging());
    EXPECT_TRUE(effect->isLoaded());
    EXPECT_EQ(run(L"FX_reloadAllEffects"), L"alle Effekte neu geladen");

    TypedConsoleCommand line(L"FX_reloadEffect Cons");
    std::vector<std::wstring> candidates;
    EffectManager::getInstance()->completeArguments(line, candidates);
    EXPECT_EQ(candidates, std::vector<std::wstring>{L"ConsoleFx"});
}

TEST_F(EffectTest, BlendsThatReadTheTargetsAlphaAreFoundInTheTextItsIncludesAndCompiledCopies)
{
    const auto reads = [](const std::string& text) { return blendsWithTargetAlpha(text.data(), text.size()); };
    EXPECT_FALSE(reads("pass P { AlphaBlendEnable = 1; SrcBlend = SRCALPHA; DestBlend = INVSRCALPHA; }"));
    EXPECT_TRUE(reads("pass P { SrcBlend = SrcAlpha; DestBlend = InvDestAlpha; }"));
    EXPECT_TRUE(reads("SRCBLEND=srcalphasat;"));
    // A factor given by number might be any of them.
    EXPECT_TRUE(reads("DestBlendAlpha [0] =\n 7;"));
    EXPECT_FALSE(reads("float DestBlendWeight = 7;"));
    const char16_t wide[] = u"\uFEFFSrcBlend = DESTALPHA;";
    EXPECT_TRUE(blendsWithTargetAlpha(reinterpret_cast<const char*>(wide), sizeof(wide)));

    TestSupport::writeText(m_logs.folder() / "fx" / "blend.fxh", "#define FACTOR DESTALPHA\n");
    TestSupport::writeText(m_logs.folder() / "fx" / "included.fx", std::string("#include \"blend.fxh\"\n") + kSource);
    Effect plain(false), included(false);
    XMLNode plainNode = parse(L"<EFFECT NAME=\"P\"><FILE FILENAME=\"fx\\plain.fx\"></FILE></EFFECT>");
    XMLNode includedNode = parse(L"<EFFECT NAME=\"I\"><FILE FILENAME=\"fx\\included.fx\"></FILE></EFFECT>");
    ASSERT_TRUE(plain.createFromNode(&plainNode));
    ASSERT_TRUE(included.createFromNode(&includedNode)) << m_logs.text("UlvoEffect.log");
    EXPECT_FALSE(plain.mayBlendWithTargetAlpha());
    EXPECT_TRUE(included.mayBlendWithTargetAlpha());
    // A compiled copy's includes are not read: it might.
    useCompiledEffects = true;
    Effect written(false), copied(false);
    ASSERT_TRUE(written.createFromNode(&plainNode));
    ASSERT_TRUE(copied.createFromNode(&plainNode));
    EXPECT_FALSE(written.mayBlendWithTargetAlpha());
    EXPECT_TRUE(copied.mayBlendWithTargetAlpha());
    copied.deleteCompiledFile();
}
