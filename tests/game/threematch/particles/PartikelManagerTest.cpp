// Particles and emitters on the game clock: rates, lifetimes, end emitters, fades, bounds
// against hostile files, and the game's particle file.
#include "GameTestSupport.h"

#include "threematch/globals/GameRandom.h"
#include "threematch/particles/PartikelManager.h"

#include <gtest/gtest.h>

using namespace ThreeMatch;

namespace {

const wchar_t* const kParticles = LR"(<PARTIKEL>
  <PARTIKEL_INFO NAME="KURZ" SIZE="8 8" FRAMES="1 1" LEBENSDAUER="0.6" FADE_IN_OUT_TIME="0 1"/>
  <PARTIKEL_INFO NAME="EWIG" SIZE="8 8" LEBENSDAUER="0" ANIMS="0"/>
  <PARTIKEL_INFO NAME="RUNDEN" SIZE="8 8" FRAMES="2 2" ANIMSPEED="4" ANIMS="2"/>
  <EMITTER_INFO NAME="QUELLE" LEBENSDAUER="1" PARTIKEL_P_SEK="10 0" PARTIKEL_INFOS="KURZ"
                PARTIKEL_EMITTER_END_INFOS="NACH"/>
  <EMITTER_INFO NAME="NACH" LEBENSDAUER="0.1" PARTIKEL_EMITTER_END_ANZAHL="0 0"/>
  <EMITTER_INFO NAME="FLUT" PARTIKEL_P_SEK="1e12 0" PARTIKEL_INFOS="EWIG" EMITTER_P_SEK="1e12 0"
                PARTIKEL_EMITTER_INFOS="FLUT"/>
</PARTIKEL>)";

std::size_t countEmitters(const PartikelManager& manager, const wchar_t* name)
{
    std::size_t count = 0;
    for (const PartikelEmitter* emitter : manager.getEmitters())
        count += emitter->getInfo().name == name ? 1 : 0;
    return count;
}

} // namespace

TEST(PartikelManager, CountsRiseAndFallOnTheGameClock)
{
    crt_srand(0);
    PartikelManager manager;
    manager.load(GameTesting::parse(kParticles));
    ASSERT_NE(manager.findEmitterInfo(L"QUELLE"), nullptr);
    GameTesting::VirtualGameClock clock;
    auto* emitter = new PartikelEmitter(*manager.findEmitterInfo(L"QUELLE"), 10.0f, 20.0f);
    manager.addEmitter(emitter, true);
    EXPECT_EQ(manager.getRegisteredEmitters().size(), 1u);

    // 10 a second for a quarter second: two particles, half of one left over.
    clock.step(0.25);
    manager.update();
    EXPECT_EQ(manager.getPartikel().size(), 2u);
    EXPECT_NEAR(emitter->getPartikelAccumulator(), 0.5, 1e-6);
    manager.advance(0.3, 0.3);
    EXPECT_EQ(manager.getPartikel().size(), 5u);
    // The first two have lived their 0.6 s; three new ones come.
    manager.advance(0.32, 0.32);
    EXPECT_EQ(manager.getPartikel().size(), 6u);
    // The emitter's second runs out after its last two particles; its one end emitter takes
    // over, registered like it.
    manager.advance(0.2, 0.2);
    EXPECT_EQ(manager.getPartikel().size(), 8u);
    EXPECT_EQ(countEmitters(manager, L"QUELLE"), 0u);
    EXPECT_EQ(countEmitters(manager, L"NACH"), 1u) << "END_ANZAHL 1, 0 starts exactly one";
    EXPECT_EQ(manager.getRegisteredEmitters().size(), 1u);
    for (int i = 0; i < 10; ++i) {
        clock.step(0.25);
        manager.update();
    }
    EXPECT_TRUE(manager.getEmitters().empty());
    EXPECT_TRUE(manager.getRegisteredEmitters().empty());
    EXPECT_TRUE(manager.getPartikel().empty());
}

TEST(PartikelManager, LifetimesFadesAndFrameRounds)
{
    crt_srand(0);
    PartikelManager manager;
    manager.load(GameTesting::parse(kParticles));
    manager.emitPartikel(L"EWIG", 0, 0, 1.0, -1);
    manager.emitPartikel(L"KURZ", 0, 0, 1.0, 0);
    manager.emitPartikel(L"RUNDEN", 0, 0, 1.0, 0);
    manager.emitPartikel(L"UNBEKANNT", 0, 0, 1.0, 0);
    ASSERT_EQ(manager.getPartikel().size(), 3u) << "an unknown name emits nothing";
    // Without FRAMES a definition still has one frame to take the frame number modulo.
    EXPECT_EQ(manager.findPartikelInfo(L"EWIG")->grid.frameCount(), 1);
    const Partikel* kurz = manager.getPartikel()[1];
    manager.advance(0.1, 0.1);
    // In its last fade-out second at lifetime 0.5 with fade-out 1: half alpha under white.
    EXPECT_NEAR(kurz->getLebensdauer(), 0.5, 1e-9);
    EXPECT_EQ(kurz->drawColour(0xFFFFFFFF) >> 24, 127u);
    // Two rounds of four frames at four a second: 4 x 4 x 2 = 32 s by the file's rule.
    EXPECT_NEAR(manager.getPartikel()[2]->getLebensdauer(), 32.0 - 0.1, 1e-9);
    manager.advance(100.0, 100.0);
    ASSERT_EQ(manager.getPartikel().size(), 1u) << "LEBENSDAUER 0 and ANIMS 0 live until clear";
    EXPECT_EQ(manager.getPartikel()[0]->getLebensdauer(), Partikel::kUnlimited);
    manager.clear();
    EXPECT_TRUE(manager.getPartikel().empty());
}

TEST(PartikelManager, AbsurdRatesAreBoundedPerFrameAndInTotal)
{
    PartikelManager manager;
    manager.load(GameTesting::parse(kParticles));
    manager.addEmitter(new PartikelEmitter(*manager.findEmitterInfo(L"FLUT"), 0, 0), false);
    for (int i = 0; i < 3; ++i)
        manager.advance(1.0, 1.0);
    EXPECT_LE(manager.getPartikel().size(), PartikelManager::kMaxPartikel);
    EXPECT_LE(manager.getEmitters().size(), PartikelManager::kMaxEmitters + 1);
    EXPECT_GT(manager.getPartikel().size(), 0u);
}

TEST(PartikelManager, GameParticleFileHasTheEmittersTheGameStarts)
{
    PartikelManager manager;
    GameTesting::inRuntimeFolder([&] { ASSERT_TRUE(manager.load(L"data\\Partikel\\Partikel.par")); });
    for (const wchar_t* name :
         {L"Splitter_dunkel_emitter", L"Splitter_hell_emitter", L"Zeit_Emitter", L"Punkte_Emitter", L"Haus_Emitter",
          L"Muehle_Emitter", L"Schmiede_Emitter", L"Markt_Emitter", L"Kirche_Emitter", L"Burg_Emitter",
          L"Hafen_Emitter", L"Bauernhof_Emitter"}) {
        const EmitterInfo* info = manager.findEmitterInfo(name);
        ASSERT_NE(info, nullptr) << std::string(name, name + wcslen(name));
        EXPECT_FALSE(info->partikelInfos.empty());
        for (const std::wstring& particle : info->partikelInfos)
            EXPECT_NE(manager.findPartikelInfo(particle), nullptr);
        for (const std::wstring& end : info->endEmitterInfos)
            EXPECT_NE(manager.findEmitterInfo(end), nullptr);
    }
    // Short bursts end by themselves; building emitters run while the building stands.
    EXPECT_TRUE(manager.findEmitterInfo(L"Splitter_hell_emitter")->bewegung.timeLimited);
    EXPECT_FALSE(manager.findEmitterInfo(L"Haus_Emitter")->bewegung.timeLimited);
}
