// Player profiles and "profile.prf": managing profiles, the file's round trip, a bad file kept
// aside, an interrupted save, the hidden modes, and the last save before the globals go.
#include "GameTestSupport.h"

#include "support/LogCapture.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/profiles/ProfileManager.h"
#include "threematch/profiles/ProfileWorld.h"
#include "threematch/levels/LevelDatei.h"
#include "threematch/stones/RohstoffManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <memory>

using namespace ThreeMatch;
using TestSupport::readBytes;

namespace {

const wchar_t* const kStones = LR"(<ROHSTOFFE>
  <ROHSTOFFKLASSE NAME="HOLZ" UNLOCKED="1" TULVR="1">
    <ROHSTOFF NAME="EICHE" UNLOCKED="1"/>
    <ROHSTOFF NAME="BIRKE" LADUNGEN="4" TULVR="1"/>
  </ROHSTOFFKLASSE>
  <ROHSTOFFKLASSE NAME="ERZ" MOXEN="1"/>
</ROHSTOFFE>)";

// The town and the board as the profiles see them.
struct FakeWorld : ProfileWorld {
    std::vector<std::wstring> built;
    bool storyLevel = false;
    int restored = 0;
    void unbuildAll() override { built.clear(); }
    void build(const std::wstring& name) override { built.push_back(name); }
    bool hasStoryLevel() const override { return storyLevel; }
    void saveLevel(Ulvo::XMLNode& node) override { node.addAttribute(new Ulvo::XMLAttribute(L"LEVEL", 7)); }
    bool restoreLevel(const Ulvo::XMLNode&) override { return ++restored > 0 && levelsReadable; }
    bool levelsReadable = true;
};

// The file's bytes with the first occurrence of one text replaced by another.
std::vector<uint8_t> replaced(std::vector<uint8_t> bytes, const std::wstring& from, const std::wstring& to)
{
    const std::vector<uint8_t> a = TestSupport::utf16le(from, false), b = TestSupport::utf16le(to, false);
    const auto at = std::search(bytes.begin(), bytes.end(), a.begin(), a.end());
    EXPECT_NE(at, bytes.end()) << "no text to replace";
    if (at != bytes.end()) {
        const auto offset = at - bytes.begin();
        bytes.erase(at, at + static_cast<std::ptrdiff_t>(a.size()));
        bytes.insert(bytes.begin() + offset, b.begin(), b.end());
    }
    return bytes;
}

struct Switches : sigslot::has_slots<> {
    std::vector<std::pair<Profil*, Profil*>> active;
    int lists = 0;
    void onActive(Profil* from, Profil* to) { active.emplace_back(from, to); }
    void onList() { ++lists; }
};

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_globals.getRohstoffManager().load(GameTesting::parse(kStones));
        m_globals.setProfileWorld(&m_world);
        m_manager = makeManager();
    }
    void TearDown() override
    {
        m_manager.reset();
        m_globals.setProfileWorld(nullptr);
    }

    std::unique_ptr<ProfileManager> makeManager()
    {
        auto manager = std::make_unique<ProfileManager>();
        manager->setGlobals(&m_globals);
        manager->activeProfileChanged.connect(&m_switches, &Switches::onActive);
        manager->profilesChanged.connect(&m_switches, &Switches::onList);
        return manager;
    }
    Rohstoffklasse& holz() { return *m_globals.getRohstoffManager().findKlasse(L"HOLZ"); }
    // Anna with stock, a stone opened, a building and a level running, and Bert; saved.
    std::vector<uint8_t> saveTwoProfiles()
    {
        m_manager->loadProfiles();
        auto* anna = new Profil(L"Anna");
        m_manager->createProfile(anna);
        m_manager->createProfile(new Profil(L"Bert"));
        anna->addGebaeude(L"MUEHLE");
        for (int i = 0; i < 100; ++i)
            anna->addPoint();
        holz().getRohstoff(1)->unlock();
        holz().addLevelPunkte(42);
        holz().commitLevelPunkte();
        m_world.storyLevel = true;
        EXPECT_TRUE(m_manager->saveProfiles());
        m_manager.reset();
        m_world.storyLevel = false;
        return readBytes(m_folder.profile());
    }

    GameTesting::SaveFolder m_folder;
    MyGlobals m_globals;
    FakeWorld m_world;
    Switches m_switches;
    std::unique_ptr<ProfileManager> m_manager;
};

} // namespace

TEST_F(ProfileTest, CreateSelectRenameAndDeleteProfiles)
{
    m_manager->loadProfiles();
    EXPECT_EQ(m_manager->getProfileCount(), 0) << "a fresh install";
    auto* anna = new Profil(L"Anna");
    ASSERT_TRUE(m_manager->createProfile(anna));
    EXPECT_EQ(m_manager->getActiveProfile(), anna) << "the first profile becomes active";
    EXPECT_EQ(anna->getLeben(), 6);
    ASSERT_FALSE(m_switches.active.empty());
    EXPECT_EQ(m_switches.active.back(), std::make_pair(static_cast<Profil*>(nullptr), anna));

    // A second "Anna" would make ACTIVE_PROFIL ambiguous.
    Profil twin(L"Anna");
    EXPECT_FALSE(m_manager->createProfile(&twin));
    auto* bert = new Profil(L"Bert");
    ASSERT_TRUE(m_manager->createProfile(bert));
    EXPECT_EQ(m_manager->getActiveProfile(), anna);
    EXPECT_FALSE(m_manager->renameProfile(bert, L"Anna"));
    EXPECT_FALSE(m_manager->renameProfile(bert, L"Be\"rt")) << "a name the file cannot hold";
    EXPECT_TRUE(m_manager->renameProfile(bert, L"Carl"));
    EXPECT_EQ(m_manager->findProfile(L"Carl"), bert);
    EXPECT_EQ(m_manager->findProfile(L"Bert"), nullptr);

    m_manager->selectProfile(bert);
    EXPECT_EQ(m_switches.active.back(), std::make_pair(anna, bert));
    ASSERT_TRUE(m_manager->deleteProfile(bert));
    EXPECT_EQ(m_manager->getActiveProfile(), nullptr) << "no other profile is made active";
    EXPECT_EQ(m_switches.active.back(), std::make_pair(bert, static_cast<Profil*>(nullptr)));
    EXPECT_EQ(m_manager->getProfileCount(), 1);
    EXPECT_FALSE(m_manager->deleteProfile(bert)) << "not listed any more";

    ASSERT_TRUE(m_manager->saveProfiles());
    Ulvo::XMLNode saved;
    ASSERT_TRUE(Ulvo::XMLNode::load(&saved, ProfileManager::profilePath(), 0));
    EXPECT_EQ(saved.getAttribute(L"ACTIVE_PROFIL"), nullptr) << "no active profile";
    EXPECT_EQ(saved.getNodeCount(L"PROFIL"), 1u);
}

TEST_F(ProfileTest, FileIsWrittenReadAndWrittenAgainByteIdentical)
{
    m_manager->loadProfiles();
    auto* anna = new Profil(L"Anna");
    m_manager->createProfile(anna);
    auto* bert = new Profil(L"Bert");
    m_manager->createProfile(bert);
    // Anna's game: easy, two lives left, a building, stock and a stone opened, a level running.
    anna->setSchwierigkeit(0);
    EXPECT_EQ(anna->getLeben(), 9) << "a change of difficulty sets the lives";
    anna->setLeben(2);
    anna->addGebaeude(L"MUEHLE");
    anna->setShownHelp(0x40000u);
    holz().getRohstoff(1)->unlock();
    holz().addLevelPunkte(42);
    holz().commitLevelPunkte();
    m_world.storyLevel = true;
    ASSERT_TRUE(m_manager->saveProfiles());
    const std::vector<uint8_t> first = readBytes(m_folder.profile());
    ASSERT_GE(first.size(), 2u);
    EXPECT_EQ(first[0], 0xFF);
    EXPECT_EQ(first[1], 0xFE) << "UTF-16LE with a byte-order mark";
    EXPECT_FALSE(std::filesystem::exists(m_folder.file("profile.prf.tmp")));

    // The next start: the stored lives survive applying the profile.
    m_manager = makeManager();
    holz().resetToFile();
    m_world.built.clear();
    m_manager->loadProfiles();
    ASSERT_EQ(m_manager->getProfileCount(), 2);
    Profil* active = m_manager->getActiveProfile();
    ASSERT_NE(active, nullptr);
    EXPECT_EQ(active->getName(), L"Anna");
    EXPECT_EQ(active->getLeben(), 2);
    EXPECT_EQ(m_globals.getSchwierigkeit(), 0);
    EXPECT_EQ(active->getShownHelp(), 0x40000u);
    EXPECT_EQ(holz().getPunkte(), 42);
    EXPECT_TRUE(holz().getRohstoff(1)->isUnlocked());
    EXPECT_EQ(m_world.built, std::vector<std::wstring>{L"MUEHLE"});
    EXPECT_TRUE(active->restoreLevel(&m_globals));
    EXPECT_EQ(m_world.restored, 1);
    EXPECT_EQ(m_manager->getProfile(1)->getName(), L"Bert") << "named although never active";
    EXPECT_FALSE(m_manager->getProfile(1)->restoreLevel(&m_globals)) << "Bert had no level running";

    ASSERT_TRUE(m_manager->saveProfiles());
    EXPECT_EQ(readBytes(m_folder.profile()), first);
}

TEST_F(ProfileTest, UnreadableFileIsKeptAsBackupAndTheGameStartsWithoutProfiles)
{
    m_manager->loadProfiles();
    m_manager->createProfile(new Profil(L"Anna"));
    ASSERT_TRUE(m_manager->saveProfiles());
    std::vector<uint8_t> whole = readBytes(m_folder.profile());
    int number = 0;
    for (std::size_t keep : {whole.size() / 2, whole.size() - 4, std::size_t(0), std::size_t(3)}) {
        // Each damaged file gets a backup of its own: an older one is never replaced.
        const std::string backup = "profile.prf.bak" + (++number > 1 ? std::to_string(number) : std::string());
        const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(keep));
        m_manager.reset(); // its last save comes before the damage
        TestSupport::writeBytes(m_folder.profile(), cut);
        std::string log;
        {
            LogCapture capture;
            m_manager = makeManager();
            m_manager->loadProfiles();
            log = capture.text();
        }
        EXPECT_EQ(m_manager->getProfileCount(), 0) << keep << " bytes";
        EXPECT_EQ(m_manager->getActiveProfile(), nullptr);
        EXPECT_EQ(readBytes(m_folder.file(backup)), cut) << keep << " bytes kept aside";
        EXPECT_NE(log.find(backup), std::string::npos) << log;
    }
    // Saving now writes a fresh file and leaves the backup alone.
    ASSERT_TRUE(m_manager->saveProfiles());
    EXPECT_TRUE(std::filesystem::exists(m_folder.file("profile.prf.bak")));
}

TEST_F(ProfileTest, SaveThatFailsBeforeTheRenameLeavesThePreviousFile)
{
    m_manager->loadProfiles();
    m_manager->createProfile(new Profil(L"Anna"));
    ASSERT_TRUE(m_manager->saveProfiles());
    const std::vector<uint8_t> before = readBytes(m_folder.profile());
    // The temporary file cannot be written: a folder stands in its place.
    std::filesystem::create_directory(m_folder.file("profile.prf.tmp"));
    m_manager->createProfile(new Profil(L"Bert"));
    EXPECT_FALSE(m_manager->saveProfiles());
    EXPECT_EQ(readBytes(m_folder.profile()), before);
    // Nothing is saved before the file has been read.
    ProfileManager unread;
    EXPECT_FALSE(unread.saveProfiles());
    EXPECT_EQ(readBytes(m_folder.profile()), before);
}

TEST_F(ProfileTest, HiddenModesFollowTheProfileName)
{
    m_manager->loadProfiles();
    auto* code = new Profil(RohstoffManager::kUnlockCode);
    m_manager->createProfile(code);
    Rohstoff* birke = holz().getRohstoff(1);
    EXPECT_TRUE(birke->isUnlocked());
    EXPECT_EQ(birke->getCharges(), 4);
    EXPECT_TRUE(birke->isRefillActive());
    auto* plain = new Profil(L"TULVRX");
    m_manager->createProfile(plain);
    m_manager->selectProfile(plain);
    EXPECT_FALSE(birke->isRefillActive()) << "a longer name is no code";
    EXPECT_FALSE(birke->isUnlocked());

    auto* unlimited = new Profil(RohstoffManager::kUnlimitedCode);
    m_manager->createProfile(unlimited);
    m_manager->selectProfile(unlimited);
    EXPECT_EQ(m_globals.getRohstoffManager().findKlasse(L"ERZ")->getPunkte(), Rohstoffklasse::kUnlimitedPunkte);
}

TEST_F(ProfileTest, ExtraLifeAfterEnoughPointsAndDifficultyClampedWhereRead)
{
    Profil profil(L"P");
    for (int i = 0; i < 3825; ++i)
        profil.addPoint();
    EXPECT_EQ(profil.getLeben(), 6);
    profil.addPoint();
    EXPECT_EQ(profil.getLeben(), 7) << "the 3826th point at stage 0";
    EXPECT_EQ(profil.getPunkte(), 0);
    EXPECT_EQ(profil.getStufe(), 1);

    Ulvo::XMLNode node =
        GameTesting::parse(L"<PROFIL NAME=\"P\"><SCHWIERIGKEIT>\"|7|\"</SCHWIERIGKEIT><LEBEN>\"|2|\"</LEBEN></PROFIL>");
    {
        LogCapture log;
        profil.readFromNode(&node);
        EXPECT_NE(log.text().find("profile.prf: SCHWIERIGKEIT 7 out of range, 2 taken"), std::string::npos);
    }
    EXPECT_EQ(profil.getSchwierigkeit(), 2);
    EXPECT_EQ(profil.getLeben(), 2);
    profil.setNode(nullptr);
    profil.setSchwierigkeit(-4);
    EXPECT_EQ(profil.getSchwierigkeit(), 0);
    EXPECT_EQ(profil.getLeben(), 2) << "a played profile's lives are not refilled";
}

// Only a profile not yet played takes the lives of a difficulty; a played one is never
// refilled by a change and loses only what the new difficulty does not allow.
TEST_F(ProfileTest, AChangeOfDifficultyNeverRefillsLives)
{
    Profil fresh(L"F");
    fresh.setSchwierigkeit(0);
    EXPECT_EQ(fresh.getLeben(), 9);
    fresh.setSchwierigkeit(2);
    EXPECT_EQ(fresh.getLeben(), 3);

    Profil played(L"P");
    played.setSchwierigkeit(0);
    played.addPoint();
    played.setSchwierigkeit(2);
    EXPECT_EQ(played.getLeben(), 3) << "no more than hard allows";
    played.loseLife();
    played.setSchwierigkeit(0);
    EXPECT_EQ(played.getLeben(), 2) << "back to easy refills nothing";
    played.setSchwierigkeit(1);
    played.setSchwierigkeit(0);
    EXPECT_EQ(played.getLeben(), 2);

    // Easy and back to medium in the middle of the first level takes no life.
    Profil running(L"R");
    running.setSchwierigkeit(1);
    running.addPoint();
    running.setSchwierigkeit(0);
    running.setSchwierigkeit(1);
    EXPECT_EQ(running.getLeben(), 6);
    EXPECT_EQ(running.livesAfter(2), 3);
    EXPECT_EQ(running.getLeben(), 6) << "asking what a change would do changes nothing";

    // After a game over (level 0, no points, one life) a change gives no fresh start either.
    Profil over(L"O");
    over.reset();
    over.setLeben(1);
    over.setSchwierigkeit(0);
    EXPECT_EQ(over.getLeben(), 1);
}

TEST(ProfileExit, GlobalsGiveTheProfilesTheirLastSaveBeforeTheirStonesGo)
{
    GameTesting::SaveFolder folder;
    ProfileManager* profiles = ProfileManager::getInstance();
    {
        MyGlobals globals;
        globals.getRohstoffManager().load(GameTesting::parse(kStones));
        profiles->loadProfiles();
        profiles->createProfile(new Profil(L"Anna"));
        globals.getRohstoffManager().findKlasse(L"HOLZ")->addLevelPunkte(5);
        globals.getRohstoffManager().findKlasse(L"HOLZ")->commitLevelPunkte();
    }
    EXPECT_EQ(profiles->getGlobals(), nullptr);
    EXPECT_FALSE(profiles->isLoaded()) << "nothing more is saved from stone classes that are gone";
    Ulvo::XMLNode saved;
    ASSERT_TRUE(Ulvo::XMLNode::load(&saved, ProfileManager::profilePath(), 0));
    const Ulvo::XMLNode* klasse = saved.getNode(L"PROFIL") ? saved.getNode(L"PROFIL")->getNode(L"KLASSE") : nullptr;
    ASSERT_NE(klasse, nullptr);
    ASSERT_NE(klasse->getFreeValue(L"PUNKTE"), nullptr);
    EXPECT_EQ(klasse->getFreeValue(L"PUNKTE")->getInt(), 5);
}

TEST_F(ProfileTest, RecordsTodaysDataCannotPlaceAreWrittenBackUnchanged)
{
    const std::vector<uint8_t> first = saveTwoProfiles();
    // An empty stone file and a level the level file cannot give: nothing can be applied.
    {
        MyGlobals bare;
        FakeWorld noLevels;
        noLevels.levelsReadable = false;
        bare.setProfileWorld(&noLevels);
        ProfileManager manager;
        manager.setGlobals(&bare);
        manager.loadProfiles();
        ASSERT_NE(manager.getActiveProfile(), nullptr);
        EXPECT_FALSE(manager.getActiveProfile()->restoreLevel(&bare));
        ASSERT_TRUE(manager.saveProfiles());
        EXPECT_EQ(readBytes(m_folder.profile()), first) << "every record, building and the level as read";
        manager.saveAtExit();
    }
    // With the data back, the stock and the level are there again.
    m_manager = makeManager();
    holz().resetToFile();
    m_manager->loadProfiles();
    EXPECT_EQ(holz().getPunkte(), 42);
    EXPECT_TRUE(holz().getRohstoff(1)->isUnlocked());
    Profil* anna = m_manager->getActiveProfile();
    ASSERT_NE(anna, nullptr);
    EXPECT_TRUE(anna->restoreLevel(&m_globals));

    // A kept level goes once the player has played a level to its end.
    m_world.levelsReadable = false;
    EXPECT_FALSE(anna->restoreLevel(&m_globals));
    anna->nextLevel();
    ASSERT_TRUE(m_manager->saveProfiles());
    Ulvo::XMLNode saved;
    ASSERT_TRUE(Ulvo::XMLNode::load(&saved, ProfileManager::profilePath(), 0));
    ASSERT_NE(saved.getNode(L"PROFIL"), nullptr);
    EXPECT_EQ(saved.getNode(L"PROFIL")->getNode(L"ACTIVE_LEVEL"), nullptr);
}

TEST_F(ProfileTest, DamageThatStillParsesIsMendedOrKeptAsideAndNoOlderBackupIsReplaced)
{
    const std::vector<uint8_t> first = saveTwoProfiles();
    struct Case {
        std::wstring from, to;
    };
    // A damaged tag name (either of the pair), a damaged number.
    const Case cases[] = {{L"<GEBAEUDE>", L"<GEBXAEUDE>"}, {L"</GEBAEUDE>", L"</GEBAEUDF>"}, {L"|100|", L"|1\u4e000|"}};
    int number = 0;
    for (const Case& damage : cases) {
        const std::vector<uint8_t> damaged = replaced(first, damage.from, damage.to);
        TestSupport::writeBytes(m_folder.profile(), damaged);
        const std::string backup = "profile.prf.bak" + (++number > 1 ? std::to_string(number) : std::string());
        m_manager = makeManager();
        m_manager->loadProfiles();
        EXPECT_EQ(readBytes(m_folder.file(backup)), damaged) << "kept before the first save";
        ASSERT_EQ(m_manager->getProfileCount(), 2);
        EXPECT_EQ(m_manager->getProfile(1)->getName(), L"Bert");
        if (number < 3) {
            EXPECT_EQ(m_world.built, std::vector<std::wstring>{L"MUEHLE"});
            EXPECT_TRUE(m_manager->getActiveProfile()->restoreLevel(&m_globals));
            m_world.storyLevel = true;
            ASSERT_TRUE(m_manager->saveProfiles());
            EXPECT_EQ(readBytes(m_folder.profile()), first) << "mended record by record";
            m_world.storyLevel = false;
        }
        m_manager.reset();
    }
    EXPECT_EQ(readBytes(m_folder.file("profile.prf.bak")), replaced(first, L"<GEBAEUDE>", L"<GEBXAEUDE>"))
        << "the oldest backup is still there";
}

TEST_F(ProfileTest, AFileThatCannotBeKeptAsideIsNeverWrittenOver)
{
    m_manager->loadProfiles();
    m_manager->createProfile(new Profil(L"Anna"));
    ASSERT_TRUE(m_manager->saveProfiles());
    m_manager.reset();
    std::vector<uint8_t> cut = readBytes(m_folder.profile());
    cut.resize(cut.size() / 2);
    TestSupport::writeBytes(m_folder.profile(), cut);
    // Every backup name is taken by a folder.
    std::filesystem::create_directory(m_folder.file("profile.prf.bak"));
    for (int number = 2; number <= 9; ++number)
        std::filesystem::create_directory(m_folder.file("profile.prf.bak" + std::to_string(number)));
    std::string log;
    {
        LogCapture capture;
        m_manager = makeManager();
        m_manager->loadProfiles();
        m_manager->createProfile(new Profil(L"Bert"));
        EXPECT_FALSE(m_manager->saveProfiles());
        m_manager.reset();
        log = capture.text();
    }
    EXPECT_EQ(readBytes(m_folder.profile()), cut);
    EXPECT_NE(log.find("nicht gesichert werden"), std::string::npos) << log;

    // Nor is a file too large to be a save.
    std::filesystem::resize_file(m_folder.profile(), (64u << 20) + 1);
    m_manager = makeManager();
    m_manager->loadProfiles();
    EXPECT_EQ(m_manager->getProfileCount(), 0);
    EXPECT_FALSE(m_manager->saveProfiles());
    EXPECT_EQ(std::filesystem::file_size(m_folder.profile()), (64u << 20) + 1);

    // Or one with more profiles than the list can offer.
    std::wstring many = L"<PROFILE>";
    for (int i = 0; i <= ProfileManager::kMaxProfiles; ++i)
        many += L"<PROFIL NAME=\"P" + std::to_wstring(i) + L"\"/>";
    const std::vector<uint8_t> manyBytes = TestSupport::utf16le(many + L"</PROFILE>", true);
    TestSupport::writeBytes(m_folder.profile(), manyBytes);
    m_manager = makeManager();
    m_manager->loadProfiles();
    EXPECT_EQ(m_manager->getProfileCount(), 0);
    EXPECT_FALSE(m_manager->saveProfiles());
    EXPECT_EQ(readBytes(m_folder.profile()), manyBytes);
}

TEST_F(ProfileTest, LevelNumbersAreBoundedWhereRead)
{
    Ulvo::XMLNode node =
        GameTesting::parse(L"<PROFIL NAME=\"P\"><ACTUAL_LEVEL>\"|2147483647|\"</ACTUAL_LEVEL></PROFIL>");
    Profil profil(L"P");
    profil.readFromNode(&node);
    EXPECT_EQ(profil.getActualLevel(), LevelDatei::kMaxLevelNumber);
    profil.nextLevel();
    EXPECT_EQ(profil.getActualLevel(), LevelDatei::kMaxLevelNumber);
    node = GameTesting::parse(L"<PROFIL NAME=\"P\"><ACTUAL_LEVEL>\"|-3|\"</ACTUAL_LEVEL></PROFIL>");
    profil.readFromNode(&node);
    EXPECT_EQ(profil.getActualLevel(), 0);
    profil.setNode(nullptr);
}
