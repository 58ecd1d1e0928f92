// The town's buildings: their roles and grid, building with cost and partners, unbuilding by
// a catastrophe, the animation with its rests, emitters and ambient animations, the game's
// building and catastrophe files, and the town drawn with built and unbuilt buildings.
#include "BoardTestSupport.h"
#include "GraphicsTestSupport.h"

#include "devices/d3d/D3DInterface.h"
#include "engine/UlvoEngine.h"
#include "foundation/text/TextManager.h"
#include "graphics/sprites/D3DXSprite.h"
#include "graphics/textures/Texture2D.h"
#include "threematch/animations/WegpunktManager.h"
#include "threematch/globals/GameGraphics.h"
#include "threematch/particles/PartikelManager.h"
#include "threematch/stones/RohstoffManager.h"
#include "threematch/town/GebaeudeManager.h"
#include "threematch/town/Katastrophe.h"
#include "threematch/town/TownRules.h"
#include "threematch/stones/Rohstoffklasse.h"

#include <crt.h>

using namespace ThreeMatch;

namespace {

// A costs ERDE and WASSER, unlocks EIS and builds the temporary T (and, in vain, the
// build-on-start S); B and C build each other; D to G fill the second row.
const wchar_t* const kTown = LR"(<GEBAEUDE>
  <ANIMATIONEN NAMEN="Vogel" PAUSE_TIMER="5"/>
  <S BUILD_ON_START="1"><TEXTUR DRAW_EBENE="1"/></S>
  <A BUILD_TOO="T S" PARTIKEL_EMITTER="Rauch" PARTIKEL_EMITTER_OFFSET="10 20">
    <RESOURCEN><KLASSE NAME="ERDE" ANZAHL="5"/><KLASSE NAME="WASSER" ANZAHL="3"/></RESOURCEN>
    <UNLOCKS><KLASSE NAME="WASSER" ROHSTOFFE="EIS" PROBABILITY="0.5"/></UNLOCKS>
    <TEXTUR DRAW_EBENE="2" POSITION="100 200" SIZE="64 16" ANZAHL_FRAMES="4 1" SPEED="4"
            ANIMATION_PAUSE="1 1"/>
  </A>
  <T TMPGEBAEUDE="1"><TEXTUR DRAW_EBENE="1"/></T>
  <B BUILD_TOO="C"><TEXTUR DRAW_EBENE="2"/></B>
  <C BUILD_TOO="B"/>
  <D/><E NAME="E_NAME" ID="EE"/><F/><G/>
  <ENDE ENDGEBAEUDE="1"/>
</GEBAEUDE>)";

class GebaeudeTest : public BoardTesting::BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        town().load(GameTesting::parse(kTown));
        klasse(L"ERDE")->spend(-100);
        klasse(L"WASSER")->spend(-100);
    }
    GebaeudeManager& town() const { return globals->getGebaeudeManager(); }
    Gebaeude& building(const std::wstring& id) const { return *town().findGebaeude(id); }
    Rohstoffklasse* klasse(const wchar_t* name) const { return globals->getRohstoffManager().findKlasse(name); }
    std::vector<std::wstring> ids(const std::vector<Gebaeude*>& list) const
    {
        std::vector<std::wstring> result;
        for (const Gebaeude* gebaeude : list)
            result.push_back(gebaeude->getID());
        return result;
    }
};

using Ids = std::vector<std::wstring>;

} // namespace

TEST_F(GebaeudeTest, RolesDrawOrderAndTheGrid)
{
    EXPECT_EQ(ids(town().getGebaeudeList()), (Ids{L"A", L"B", L"C", L"D", L"EE", L"F", L"G"}));
    EXPECT_EQ(ids(town().getBuildOnStart()), (Ids{L"S"}));
    EXPECT_EQ(ids(town().getTemporary()), (Ids{L"T"}));
    ASSERT_NE(town().getEndGebaeude(), nullptr);
    // By layer, file order among equals.
    EXPECT_EQ(ids(town().getDrawList()), (Ids{L"C", L"D", L"EE", L"F", L"G", L"ENDE", L"S", L"T", L"A", L"B"}));
    // ID names the building and its name text unless NAME says otherwise.
    EXPECT_EQ(building(L"EE").getNameId(), L"E_NAME");
    EXPECT_EQ(building(L"EE").getBeschreibungId(), L"E_DESC");
    EXPECT_EQ(building(L"D").getNameId(), L"D");
    EXPECT_EQ(town().findGebaeude(L"S"), nullptr) << "build-on-start buildings are not searched";
    EXPECT_EQ(town().findGebaeude(L"ENDE"), nullptr);

    EXPECT_EQ(town().getGebaeude(0, 0)->getID(), L"A");
    EXPECT_EQ(town().getGebaeude(3, 0)->getID(), L"D");
    EXPECT_EQ(town().getGebaeude(2, 1)->getID(), L"G");
    EXPECT_EQ(town().getGebaeude(3, 1), nullptr);
    EXPECT_EQ(town().getGebaeude(0, -1), nullptr);
    // The grid scrolls to the row of the first building not built; a full town shows its last
    // full row.
    for (const wchar_t* id : {L"A", L"B", L"C", L"D"})
        building(id).setBuilt(true);
    EXPECT_EQ(town().getFirstRow(), 1);
    EXPECT_EQ(town().getGebaeude(0, 0)->getID(), L"EE");
    for (Gebaeude* gebaeude : town().getGebaeudeList())
        gebaeude->setBuilt(true);
    EXPECT_EQ(town().getFirstRow(), 0) << "(7 - 4) / 4";
    town().load(GameTesting::parse(L"<G><A/><B/><C/><D/><E/><F/><G/><H/><I/><J/></G>"));
    for (Gebaeude* gebaeude : town().getGebaeudeList())
        gebaeude->setBuilt(true);
    EXPECT_EQ(town().getFirstRow(), 1) << "(10 - 4) / 4";
}

TEST_F(GebaeudeTest, BuildingSpendsTheCostTheMinigameLeavesAndBringsItsPartners)
{
    Gebaeude& a = building(L"A");
    EXPECT_TRUE(a.canBuild());
    // A perfect minigame on the easy difficulty halves the cost: 5 x 0.5 spends 2, 3 x 0.5 spends 1.
    EXPECT_EQ(Gebaeude::costFactor(1.0f, 0), 0.5);
    EXPECT_DOUBLE_EQ(Gebaeude::costFactor(1.0f, 1), 0.6);
    EXPECT_DOUBLE_EQ(Gebaeude::costFactor(0.75f, 2), 0.75);
    EXPECT_EQ(Gebaeude::costFactor(-1.0f, 0), 1.0) << "a score is 0..1";
    Rohstoff* eis = klasse(L"WASSER")->findRohstoff(L"EIS");
    ASSERT_FALSE(eis->isUnlocked());
    EXPECT_EQ(a.build(Gebaeude::costFactor(1.0f, 0)), (std::vector<int>{5, 3}));
    EXPECT_EQ(klasse(L"ERDE")->getPunkte(), 98);
    EXPECT_EQ(klasse(L"WASSER")->getPunkte(), 99);
    EXPECT_TRUE(a.isBuilt());
    EXPECT_EQ(a.getFadeTime(), 1.0);
    EXPECT_TRUE(eis->isUnlocked());
    EXPECT_TRUE(eis->isNew());
    EXPECT_EQ(eis->getProfileWeight(), 0.5);
    EXPECT_TRUE(building(L"T").isBuilt()) << "the temporary partner comes along";
    EXPECT_FALSE(town().getBuildOnStart()[0]->isBuilt()) << "a build-on-start partner is not found";
    // Built already: nothing is spent.
    EXPECT_EQ(a.build(1.0), (std::vector<int>{0, 0}));
    EXPECT_EQ(klasse(L"ERDE")->getPunkte(), 98);
    klasse(L"ERDE")->spend(98);
    building(L"A").setBuilt(false);
    EXPECT_FALSE(a.canBuild());
    EXPECT_FALSE(building(L"T").isBuilt());

    // Partners naming each other end where they are already.
    building(L"B").build(1.0);
    EXPECT_TRUE(building(L"C").isBuilt());
    building(L"C").setBuilt(false);
    EXPECT_FALSE(building(L"B").isBuilt());
    building(L"B").setBuilt(true);
    EXPECT_TRUE(building(L"C").isBuilt());
}

TEST_F(GebaeudeTest, ResetAndProfileBuildings)
{
    building(L"D").setBuilt(true);
    building(L"T").setBuilt(true);
    town().getEndGebaeude()->setBuilt(true);
    // A profile's applying: the town reset, then its buildings built without cost.
    ProfileWorld& world = town();
    world.unbuildAll();
    for (const Gebaeude* gebaeude : town().getDrawList())
        EXPECT_EQ(gebaeude->isBuilt(), gebaeude->isBuildOnStart()) << gebaeude->getID();
    world.build(L"A");
    world.build(L"ENDE");
    world.build(L"FEHLT");
    EXPECT_TRUE(building(L"A").isBuilt());
    EXPECT_TRUE(building(L"T").isBuilt());
    EXPECT_TRUE(town().getEndGebaeude()->isBuilt());
    EXPECT_EQ(klasse(L"ERDE")->getPunkte(), 100) << "without cost";
    EXPECT_FALSE(town().isBusy());
}

TEST_F(GebaeudeTest, ACatastropheUnbuildsTheLastBuiltFirstWithTheirPartners)
{
    for (const wchar_t* id : {L"A", L"C", L"F"})
        building(id).setBuilt(true);
    ASSERT_TRUE(building(L"B").isBuilt());
    // The lowest bit of rand says one or two.
    int seed = 1;
    while (true) {
        crt_srand(seed);
        if ((crt_rand() & 1) == 1)
            break;
        ++seed;
    }
    crt_srand(seed);
    EXPECT_EQ(town().destroyRandom(), 2);
    EXPECT_FALSE(building(L"F").isBuilt());
    EXPECT_FALSE(building(L"C").isBuilt());
    EXPECT_FALSE(building(L"B").isBuilt()) << "C's partner";
    EXPECT_TRUE(building(L"A").isBuilt());
    while (true) {
        crt_srand(++seed);
        if ((crt_rand() & 1) == 0)
            break;
    }
    crt_srand(seed);
    EXPECT_EQ(town().destroyRandom(), 1);
    EXPECT_FALSE(building(L"A").isBuilt());
    EXPECT_FALSE(building(L"T").isBuilt());
    EXPECT_EQ(town().destroyRandom(), 0);
    EXPECT_EQ(town().getFirstRow(), 0);
}

TEST_F(GebaeudeTest, AnimationRestsOnAValidFrameAndTheFadeRunsOut)
{
    Gebaeude& a = building(L"A");
    EXPECT_EQ(a.getGrid().frameWidth, 16);
    a.build(1.0);
    town().advance(0.25);
    EXPECT_EQ(a.currentFrame(), 1);
    EXPECT_DOUBLE_EQ(a.getFadeTime(), 0.75);
    town().advance(0.8);
    // Past the four frames: a rest of one second on the pause frame, which the file does not
    // give; the first frame stands in.
    EXPECT_GT(a.getPauseLeft(), 0.0);
    EXPECT_EQ(a.currentFrame(), 0);
    EXPECT_EQ(a.getFadeTime(), 0.0);
    const double resting = a.getAnimationTime();
    town().advance(0.5);
    EXPECT_EQ(a.getAnimationTime(), resting) << "the rest holds the clock";
    // Without a frame grid the whole picture is the frame.
    Gebaeude& d = building(L"D");
    d.setBuilt(true);
    town().advance(3.0);
    EXPECT_EQ(d.getFrameCount(), 1);
    EXPECT_EQ(d.currentFrame(), 0);
}

TEST_F(GebaeudeTest, TheEmitterRunsWhileBuiltAndMayEndOnItsOwn)
{
    PartikelManager& particles = globals->getPartikelManager();
    particles.load(GameTesting::parse(LR"(<P><EMITTER_INFO NAME="Rauch"/></P>)"));
    Gebaeude& a = building(L"A");
    a.setBuilt(true);
    PartikelEmitter* emitter = a.runningEmitter();
    ASSERT_NE(emitter, nullptr);
    EXPECT_EQ(emitter->getX(), 110.0f);
    EXPECT_EQ(emitter->getY(), 220.0f);
    EXPECT_EQ(emitter->getLayer(), 2) << "the town's layer: the board's layers are never drawn over the town";
    EXPECT_TRUE(particles.getRegisteredEmitters().empty()) << "a building's emitter is in the live list alone";
    a.build(1.0);
    EXPECT_EQ(particles.getEmitters().size(), 1u) << "one emitter per building";
    // The manager ends the emitter by itself (a clear, say): the building lets it go.
    particles.clear();
    EXPECT_EQ(a.runningEmitter(), nullptr);
    a.setBuilt(false);
    a.setBuilt(true);
    EXPECT_NE(a.runningEmitter(), nullptr);
    a.setBuilt(false);
    particles.advance(0.1, 0.1);
    EXPECT_TRUE(particles.getEmitters().empty());
}

TEST_F(GebaeudeTest, AmbientAnimationsCrossTheTownNowAndThen)
{
    EXPECT_EQ(town().getAmbientPauseMin(), 5.0);
    EXPECT_EQ(town().getAmbientPauseMax(), 5.0) << "a missing maximum is the minimum";
    EXPECT_GE(town().getAmbientCountdown(), 10.0);
    EXPECT_LE(town().getAmbientCountdown(), 19.0);
    WegpunktManager& animations = globals->getWegpunktManager();
    animations.load(GameTesting::parse(LR"(<A><VORLAGE NAME="Vogel" SIZE="8 6" FRAMES="1 1" SPEED="10" ANIM_FRAMES="2">
        <WEGPUNKTE WEGPUNKT="0 0 0" WEGPUNKT="100 0 1"/></VORLAGE></A>)"));
    town().advance(19.5);
    ASSERT_EQ(town().getAmbientAnimations().size(), 1u);
    EXPECT_TRUE(town().getAmbientAnimations()[0]->isHidden()) << "the board does not draw it";
    EXPECT_EQ(town().getAmbientCountdown(), 5.0);
    for (int i = 0; i < 8; ++i)
        animations.advance(0.25, 0.25);
    EXPECT_TRUE(animations.getAnimations().empty());
    EXPECT_TRUE(town().getAmbientAnimations().empty());
}

namespace {

// The game's stones, particles, paths, town and texts, loaded as the game loads them.
void loadTownData(MyGlobals& globals, Ulvo::TextManager& texts, std::vector<Katastrophe>* katastrophen = nullptr)
{
    GameTesting::inRuntimeFolder([&] {
        ASSERT_TRUE(globals.getRohstoffManager().load(L"data\\stones\\stones.roh"));
        ASSERT_TRUE(globals.getPartikelManager().load(L"data\\Partikel\\Partikel.par"));
        ASSERT_TRUE(globals.getWegpunktManager().load(L"data\\Animationen\\Animation_alt.ani"));
        ASSERT_TRUE(globals.getGebaeudeManager().load(L"data\\Gebaeude\\Gebaeude.geb"));
        if (katastrophen)
            *katastrophen = Katastrophe::loadAll(L"data\\Katastrophen\\katastrophen.kat");
        Ulvo::XMLNode document;
        ASSERT_TRUE(Ulvo::XMLNode::load(&document, L"data\\texte.lng", 0));
        texts.load(&document);
    });
}

} // namespace

TEST(GebaeudeData, TheGameFilesHoldTheTownAndItsCatastrophes)
{
    ASSERT_NE(GraphicsTesting::startDevice(), nullptr);
    MyGlobals globals;
    std::vector<Katastrophe> katastrophen;
    Ulvo::TextManager& texts = *Ulvo::UlvoEngine::getInstance()->getTextManager();
    ASSERT_NO_FATAL_FAILURE(loadTownData(globals, texts, &katastrophen));
    const GebaeudeManager& town = globals.getGebaeudeManager();
    EXPECT_GE(town.getGebaeudeList().size(), 6u);
    EXPECT_LE(town.getGebaeudeList().size(), 8u);
    ASSERT_EQ(town.getBuildOnStart().size(), 1u);
    for (const std::wstring& name : town.getAmbientNames())
        EXPECT_NE(globals.getWegpunktManager().findVorlage(name), nullptr) << name;
    bool partners = false;
    for (const Gebaeude* gebaeude : town.getDrawList()) {
        const std::wstring& id = gebaeude->getID();
        EXPECT_NE(gebaeude->getAnimation(), nullptr) << id;
        EXPECT_NE(gebaeude->getVorschauBig(), nullptr) << id;
        EXPECT_FALSE(gebaeude->getName().empty()) << id;
        EXPECT_FALSE(gebaeude->getBeschreibung().empty()) << id;
        for (const Gebaeude::Kosten& kosten : gebaeude->getKosten())
            EXPECT_NE(kosten.klasse, nullptr) << id;
        for (const Gebaeude::Freischaltung& unlock : gebaeude->getUnlocks()) {
            ASSERT_NE(unlock.rohstoff, nullptr) << id;
            EXPECT_FALSE(unlock.rohstoff->isUnlocked()) << id << " unlocks a locked stone";
        }
        for (const std::wstring& partner : gebaeude->getBuildToo()) {
            EXPECT_NE(town.findGebaeude(partner), nullptr) << id;
            partners = true;
        }
        if (!gebaeude->isTemporary()) {
            EXPECT_FALSE(gebaeude->getKosten().empty() && !gebaeude->isBuildOnStart()) << id;
        }
    }
    EXPECT_TRUE(partners);
    // Every building's emitter comes from the particle file.
    globals.getGebaeudeManager().resetAll();
    for (Gebaeude* gebaeude : town.getGebaeudeList())
        gebaeude->setBuilt(true);
    EXPECT_EQ(globals.getPartikelManager().getEmitters().size(), town.getGebaeudeList().size() + 1);
    EXPECT_TRUE(globals.getPartikelManager().getRegisteredEmitters().empty());

    ASSERT_GE(katastrophen.size(), 1u);
    for (const Katastrophe& katastrophe : katastrophen) {
        EXPECT_NE(katastrophe.getTexture(), nullptr) << katastrophe.getTextId();
        EXPECT_FALSE(texts.getTextString(katastrophe.getTextId()).empty()) << katastrophe.getTextId();
    }
}

// The town at 320 x 240 over a sky: the house that stands from the start, the mill, the farm
// and the market with its well built (the market still fading in), and the previews of the
// buildings still to build, as the town screen shows them.
TEST(GebaeudeDrawing, TheTownWithBuiltAndUnbuiltBuildings)
{
    IDirect3DDevice9* device = GraphicsTesting::startDevice();
    ASSERT_NE(device, nullptr);
    MyGlobals globals;
    Ulvo::Texture2D* sky = nullptr;
    GameTesting::inRuntimeFolder([&] {
        ASSERT_TRUE(globals.getRohstoffManager().load(L"data\\stones\\stones.roh"));
        ASSERT_TRUE(globals.getGebaeudeManager().load(L"data\\Gebaeude\\Gebaeude.geb"));
        sky = gameTextureFromFile(L"data\\Backgrounds\\bg1.png");
    });
    ASSERT_NE(sky, nullptr);
    GebaeudeManager& town = globals.getGebaeudeManager();
    town.resetAll();
    for (const wchar_t* id : {L"MUEHLE", L"BAUERNHOF"})
        town.findGebaeude(id)->setBuilt(true);
    town.findGebaeude(L"MARKT")->build(0.0);
    town.advance(0.7);
    ASSERT_NEAR(town.findGebaeude(L"BRUNNEN")->getFadeTime(), 0.3, 1e-9) << "the market's well fades in with it";

    constexpr double kScale = 320.0 / 1024.0;
    GraphicsTesting::ScopedTarget target(device, 320, 240);
    ASSERT_TRUE(target.ok());
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    Ulvo::D3DXSprite* sprite = gameSprite();
    ASSERT_TRUE(sprite->Begin(D3DXSPRITE_ALPHABLEND));
    sprite->drawRegion(sky, nullptr, RECT{0, 0, 320, 240}, Ulvo::SDP_SCALE, Ulvo::SDP_SCALE, 0xFFFFFFFF);
    for (const Gebaeude* gebaeude : town.getDrawList()) {
        if (gebaeude->isBuilt() || gebaeude->isBuildOnStart() || !gebaeude->getVorschau())
            continue;
        const int x = static_cast<int>(gebaeude->getX() * kScale), y = static_cast<int>(gebaeude->getY() * kScale);
        const int w = static_cast<int>(gebaeude->getVorschau()->getWidth() * kScale);
        const int h = static_cast<int>(gebaeude->getVorschau()->getHeight() * kScale);
        sprite->drawRegion(gebaeude->getVorschau(), nullptr, RECT{x, y, x + w, y + h}, Ulvo::SDP_SCALE, Ulvo::SDP_SCALE,
                           0x90FFFFFF);
    }
    town.render(0.0f, 0.0f, kScale);
    sprite->End();
    device->EndScene();
    const TestSupport::Image image = target.read();
    EXPECT_TRUE(TestSupport::matchesGolden(image, TestSupport::sourceDir() / "tests" / "game" / "threematch" / "golden",
                                           "town_buildings", 2));
}

// The market's result after its minigame: most of the time left reads as a high share and a
// cost well below the full price, over both of its resources; with no time left it reads low
// and costs everything.
TEST(GebaeudeData, TheMarketsResultSaysHowMuchTimeWasLeftAndWhatItCostOfBothResources)
{
    ASSERT_NE(GraphicsTesting::startDevice(), nullptr);
    MyGlobals globals;
    Ulvo::TextManager& texts = *Ulvo::UlvoEngine::getInstance()->getTextManager();
    ASSERT_NO_FATAL_FAILURE(loadTownData(globals, texts));
    for (Rohstoffklasse* klasse : globals.getRohstoffManager().getKlassen())
        klasse->spend(-500);
    const Ulvo::Text* text = texts.getText(L"THREEMATCHAUSWERTUNG_MINISPIEL_LABEL");
    ASSERT_NE(text, nullptr);
    const auto shown = [&](const TownRules::Settlement& s) {
        return Ulvo::TextManager::formatString(text->getText(), s.saving.reached, s.paid, s.amount, s.saving.percent);
    };

    Gebaeude* market = globals.getGebaeudeManager().findGebaeude(L"MARKT");
    ASSERT_NE(market, nullptr);
    // About 70 % of the time left on easy: the saving is half of that.
    const TownRules::Settlement good = TownRules::settleBuilding(market, 0.7f, 0);
    EXPECT_EQ(good.saving.reached, 70);
    EXPECT_EQ(good.saving.percent, 34) << "the saving in single precision, cut to whole per cent";
    EXPECT_EQ(good.amount, 120) << "both resources count";
    EXPECT_EQ(good.paid, 65 + 13);
    EXPECT_EQ(shown(good),
              L"Du hattest noch 70% der Zeit übrig und sparst 34%: Das Gebäude kostet 78 von 120 Rohstoffen.");

    market->setBuilt(false);
    const TownRules::Settlement late = TownRules::settleBuilding(market, 0.0f, 0);
    EXPECT_EQ(shown(late),
              L"Du hattest noch 0% der Zeit übrig und sparst 0%: Das Gebäude kostet 120 von 120 Rohstoffen.");
}
