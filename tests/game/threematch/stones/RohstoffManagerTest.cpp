// Stone classes and stone types from the stones file: ids, weights, charges and points, the
// hidden modes, and the game's own stones file.
#include "GameTestSupport.h"

#include "support/GoldenImage.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"
#include "threematch/stones/RohstoffManager.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace ThreeMatch;

namespace {

const wchar_t* const kStones = LR"(<ROHSTOFFE>
  <ROHSTOFFKLASSE NAME="A" UNLOCKED="1" COLOR="FF102030" TULVR="1" MOXEN="1">
    <ROHSTOFF NAME="A1" MULTIPLIER="2" UNLOCKED="1"/>
    <ROHSTOFF NAME="A2" LADUNGEN="2" PROBABILITY="0.25" TULVR="1"/>
  </ROHSTOFFKLASSE>
  <ROHSTOFFKLASSE NAME="B">
    <ROHSTOFF NAME="B1" LADUNGEN="0" MULTIPLIER="3" ROHSTOFFKLASSE_ZUSATZ="A"/>
    <ROHSTOFF NAME="B2" LADUNGEN="-4"/>
    <ROHSTOFF NAME="B3" ROHSTOFFKLASSE_ZUSATZ="C"/>
  </ROHSTOFFKLASSE>
  <ROHSTOFFKLASSE NAME="C"/>
  <ZORNKLASSE>"|C|"</ZORNKLASSE>
  <BOESEKLASSE>"|NONE|"</BOESEKLASSE>
</ROHSTOFFE>)";

struct Full : sigslot::has_slots<> {
    int count = 0;
    void onFull(Rohstoff&) { ++count; }
};

} // namespace

TEST(RohstoffManager, IdsWeightsAndSpecialClassesFollowTheFile)
{
    RohstoffManager manager;
    manager.load(GameTesting::parse(kStones));
    ASSERT_EQ(manager.getKlassenCount(), 3);
    Rohstoffklasse* a = manager.getKlasse(0);
    Rohstoffklasse* b = manager.findKlasse(L"B");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->getRohstoff(0)->getId(), 1);
    EXPECT_EQ(a->getRohstoff(1)->getId(), 2);
    EXPECT_EQ(b->getRohstoff(2)->getId(), 1003) << "the third stone of the second class";
    EXPECT_EQ(manager.indexOf(b), 1);
    EXPECT_EQ(manager.getKlasse(3), nullptr);
    EXPECT_EQ(b->getRohstoff(3), nullptr);
    EXPECT_EQ(a->getColor(), 0xFF102030u);
    EXPECT_EQ(b->getColor(), 0xFF000000u) << "no COLOR: opaque black";
    EXPECT_EQ(manager.getZornKlasse(), manager.findKlasse(L"C"));
    EXPECT_EQ(manager.getBoeseKlasse(), nullptr) << "a name that finds no class";
    // The second class is looked up among the classes read before the stone only.
    EXPECT_EQ(b->getRohstoff(0)->getZusatzKlasse(), a);
    EXPECT_EQ(b->getRohstoff(2)->getZusatzKlasse(), nullptr);

    Rohstoff* a2 = a->getRohstoff(1);
    EXPECT_DOUBLE_EQ(a2->getWeight(), 0.25);
    a2->addProfileWeight(0.5);
    a2->setLevelWeight(2.0);
    EXPECT_DOUBLE_EQ(a2->getWeight(), 2.75);
    EXPECT_TRUE(a->getRohstoff(0)->isUnlocked());
    EXPECT_FALSE(a2->isUnlocked());
}

TEST(RohstoffManager, ChargesFillOnceAndEarnPointsForBothClasses)
{
    RohstoffManager manager;
    manager.load(GameTesting::parse(kStones));
    Rohstoffklasse* a = manager.getKlasse(0);
    Rohstoffklasse* b = manager.getKlasse(1);
    Rohstoff* b1 = b->getRohstoff(0);
    // LADUNGEN below 1 counts as 1, so the ratio never divides by zero.
    EXPECT_EQ(b1->getLadungen(), 1);
    EXPECT_EQ(b->getRohstoff(1)->getLadungen(), 1);
    Full full;
    b1->full.connect(&full, &Full::onFull);
    b1->addCharges(3);
    EXPECT_EQ(full.count, 1);
    EXPECT_EQ(b1->getCharges(), 1);
    b1->addCharges(1);
    EXPECT_EQ(full.count, 1) << "already full";
    EXPECT_DOUBLE_EQ(b1->getChargeRatio(), 1.0);
    EXPECT_EQ(b->getLevelPunkte(), 12);
    EXPECT_EQ(a->getLevelPunkte(), 12) << "ROHSTOFFKLASSE_ZUSATZ earns the same";

    Rohstoff* a2 = a->getRohstoff(1);
    a2->addCharges(1);
    EXPECT_DOUBLE_EQ(a2->getChargeRatio(), 0.5);
    EXPECT_EQ(a->getLevelPunkte(), 12) << "MULTIPLIER 0 earns nothing";

    b->commitLevelPunkte();
    EXPECT_EQ(b->getPunkte(), 12);
    EXPECT_EQ(b->getLevelPunkte(), 0);
    manager.advance(0.25, 0.25);
    EXPECT_EQ(b->getShownPunkte(), 6) << "half of the way in a quarter second";
    b->spend(5);
    EXPECT_EQ(b->getPunkte(), 7);
}

TEST(RohstoffManager, HiddenModesOpenAndFillTheMarkedClasses)
{
    RohstoffManager manager;
    manager.load(GameTesting::parse(kStones));
    Rohstoffklasse* a = manager.getKlasse(0);
    Rohstoffklasse* b = manager.getKlasse(1);
    manager.resetAll();
    EXPECT_FALSE(b->isUnlocked());

    for (Rohstoffklasse* klasse : manager.getKlassen())
        klasse->setUnlockMode(true);
    Rohstoff* a2 = a->getRohstoff(1);
    EXPECT_TRUE(a2->isUnlocked());
    EXPECT_EQ(a2->getCharges(), 2) << "full charges for a marked stone";
    EXPECT_FALSE(a2->isNew());
    EXPECT_FALSE(b->isUnlocked()) << "an unmarked class stays as it was";
    a2->resetCharges();
    manager.advance(0.0, 0.03);
    EXPECT_EQ(a2->getCharges(), 1) << "50 charges a second of game time";
    manager.advance(0.0, 1.0);
    EXPECT_EQ(a2->getCharges(), 2);

    for (Rohstoffklasse* klasse : manager.getKlassen())
        klasse->setUnlimitedMode(true);
    EXPECT_EQ(a->getPunkte(), Rohstoffklasse::kUnlimitedPunkte);
    a->spend(100);
    manager.advance(0.1, 0.1);
    EXPECT_EQ(a->getPunkte(), Rohstoffklasse::kUnlimitedPunkte);
    EXPECT_NE(b->getPunkte(), Rohstoffklasse::kUnlimitedPunkte);
}

TEST(RohstoffManager, AListNamedByEveryStoneIsReadOncePerLoadAndAMissingOneEachTime)
{
    LogCapture logs;
    TestSupport::writeText(logs.folder() / "l.tex", "<TEXTURES/>");
    const wchar_t* const stones = LR"(<ROHSTOFFE><ROHSTOFFKLASSE NAME="A">
      <ROHSTOFF NAME="A1" TEX_FILE="l.tex"/><ROHSTOFF NAME="A2" TEX_FILE="l.tex"/>
      <ROHSTOFF NAME="A3" TEX_FILE="gone.tex"/><ROHSTOFF NAME="A4" TEX_FILE="gone.tex"/>
      <ROHSTOFF NAME="A5" TEX_FILE="l.tex"/></ROHSTOFFKLASSE></ROHSTOFFE>)";
    const auto count = [](const std::string& text, const std::string& part) {
        int n = 0;
        for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        return n;
    };
    RohstoffManager manager;
    manager.load(GameTesting::parse(stones));
    EXPECT_EQ(manager.getKlasse(0)->getRohstoffCount(), 5);
    EXPECT_EQ(count(logs.text("MyXML.log"), "l.tex geladen"), 1);
    const int missing = count(logs.text("UlvoFile.log"), "gone.tex");
    EXPECT_GE(missing, 2);
    // A later load reads it again: the textures may have gone meanwhile.
    manager.load(GameTesting::parse(stones));
    EXPECT_EQ(count(logs.text("MyXML.log"), "l.tex geladen"), 2);
    EXPECT_EQ(count(logs.text("UlvoFile.log"), "gone.tex"), 2 * missing);
}

TEST(RohstoffManager, GameStonesFileHoldsTheClassesTheGameNames)
{
    RohstoffManager manager;
    GameTesting::inRuntimeFolder([&] { ASSERT_TRUE(manager.load(L"data\\stones\\stones.roh")); });
    int unlockedResourceClasses = 0;
    for (const Rohstoffklasse* klasse : manager.getKlassen()) {
        if (klasse->isShownInStatus() && klasse->isUnlocked()) {
            ++unlockedResourceClasses;
            EXPECT_GE(klasse->getRohstoffCount(), 2);
            EXPECT_LE(klasse->getRohstoffCount(), 3);
        }
    }
    EXPECT_EQ(unlockedResourceClasses, 3);
    ASSERT_NE(manager.getZornKlasse(), nullptr);
    ASSERT_NE(manager.getBoeseKlasse(), nullptr);
    EXPECT_NE(manager.getZornKlasse(), manager.getBoeseKlasse());
    const Rohstoffklasse* filler = manager.findKlasse(L"F\u00dcLLSTOFF");
    ASSERT_NE(filler, nullptr);
    EXPECT_GE(filler->getRohstoffCount(), 3) << "one filler per wrath stage";
    const Rohstoffklasse* bonus = manager.findKlasse(L"BONUS");
    ASSERT_NE(bonus, nullptr);
    EXPECT_EQ(bonus->getRohstoffCount(), 8) << "one coin per bonus";
    // Ids stay unique over the whole file.
    std::vector<int> ids;
    for (const Rohstoffklasse* klasse : manager.getKlassen())
        for (const Rohstoff* stone : klasse->getRohstoffe())
            ids.push_back(stone->getId());
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
}

// Every stone stands out on every cell, light or grey or dark: its outermost pixels are a light
// rim (a grey stone on a grey cell vanished behind a dark outline alone), with a dark outline
// inside it.
TEST(RohstoffManager, EveryStonePictureHasALightRimAroundADarkOutline)
{
    const std::filesystem::path folder = TestSupport::runtimeDir() / "data" / "stones";
    int pictures = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.size() < 12 || name.substr(name.size() - 11) != "_objekt.png")
            continue;
        TestSupport::Image image;
        ASSERT_TRUE(TestSupport::readPng(entry.path().string(), image)) << name;
        ++pictures;
        const auto alpha = [&image](int x, int y) {
            if (x < 0 || y < 0 || x >= static_cast<int>(image.width) || y >= static_cast<int>(image.height))
                return 0;
            return TestSupport::channel(image.at(x, y), 24);
        };
        const auto light = [&image](int x, int y) {
            const DWORD c = image.at(x, y);
            return (TestSupport::channel(c, 16) * 3 + TestSupport::channel(c, 8) * 6 + TestSupport::channel(c, 0)) / 10;
        };
        int rim = 0, lightRim = 0, dark = 0;
        for (int y = 0; y < static_cast<int>(image.height); ++y) {
            for (int x = 0; x < static_cast<int>(image.width); ++x) {
                if (alpha(x, y) < 128)
                    continue;
                if (light(x, y) < 100)
                    ++dark;
                if (alpha(x - 1, y) < 128 || alpha(x + 1, y) < 128 || alpha(x, y - 1) < 128 || alpha(x, y + 1) < 128) {
                    ++rim;
                    lightRim += light(x, y) >= 170;
                }
            }
        }
        ASSERT_GT(rim, 0) << name;
        EXPECT_GE(lightRim * 10, rim * 8) << name << ": " << lightRim << " of " << rim << " edge pixels light";
        EXPECT_GT(dark, 20) << name << ": no dark outline";
    }
    EXPECT_GE(pictures, 20);
}
