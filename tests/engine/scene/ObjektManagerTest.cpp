// The object manager's scene files: the objects of a file in order with their transforms, names
// taken twice, the build passes pass by pass, the scene-graph insertion lists, the terrain
// switches the factory reads, the edited object leaving with its entry, and OBJ_LoadFile with
// its "toSG" and "del" options and the list of the last loaded objects.
#include "engine/scene/TestObjekt.h"
#include "foundation/console/ConsoleCommand.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/ObjektKinds.h"
#include "scene/ObjektManager.h"
#include "scene/SplineManager.h"
#include "scene/splines/Spline.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace Ulvo;
using SceneTesting::TestObjekt;

namespace {

using Names = std::vector<std::wstring>;

// A test object whose build passes (PASSES, default 1) write "name:pass" into a shared list.
class StufenObjekt : public TestObjekt {
public:
    explicit StufenObjekt(XMLNode* node) : TestObjekt(node)
    {
        node->readInt(L"PASSES", m_passes);
        ++s_alive;
    }
    StufenObjekt(const StufenObjekt& other) : TestObjekt(other), m_passes(other.m_passes) { ++s_alive; }
    ~StufenObjekt() override { --s_alive; }
    BaseObjekt* clone() const override { return new StufenObjekt(*this); }
    int getBuildPassCount() const override { return m_passes; }
    void build(int pass) override { s_builds.push_back(getName() + L":" + std::to_wstring(pass)); }

    static BaseObjekt* create(XMLNode* node, ObjektManager*) { return new StufenObjekt(node); }
    static Names s_builds;
    static int s_alive;

private:
    int m_passes = 1;
};
Names StufenObjekt::s_builds;
int StufenObjekt::s_alive = 0;

// Which kind the factory chose for a terrain word, and what it told the grid terrain.
std::wstring s_terrainKind;
bool s_sawFromClipmap = false;
BaseObjekt* makeHeightMap(XMLNode* node, ObjektManager*)
{
    s_terrainKind = L"HEIGHTMAP";
    s_sawFromClipmap = isHeightMapFromClipmap();
    return new TestObjekt(node);
}
BaseObjekt* makeClipmap(XMLNode* node, ObjektManager*)
{
    s_terrainKind = L"CLIPMAP";
    return new TestObjekt(node);
}

Names namesOf(const std::vector<BaseObjekt*>& objects)
{
    Names names;
    for (const BaseObjekt* object : objects)
        names.push_back(object->getName());
    return names;
}

class ObjektManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        StufenObjekt::s_builds.clear();
        m_manager.getKinds().add(L"STUFE", &StufenObjekt::create);
        m_manager.setSceneGraph(&m_graph);
    }
    void TearDown() override
    {
        m_manager.clear();
        EXPECT_EQ(StufenObjekt::s_alive, 0);
        ObjektManager::setMakeClipmapToHeightMap(false);
        ObjektManager::setHeightMapEffectName(L"");
    }

    std::vector<BaseObjekt*> load(const std::wstring& text)
    {
        XMLNode root = SceneTesting::parseNode(text);
        return m_manager.loadSceneFile(&root);
    }

    // OBJ_LoadFile run on this manager alone (the dispatcher would reach every manager alive).
    std::wstring command(const std::wstring& text)
    {
        TypedConsoleCommand line(text);
        auto found = m_manager.getCommands().find(line.getLowerName());
        if (found == m_manager.getCommands().end())
            return L"<none>";
        m_manager.execute(*found->second, line);
        return line.getAnswer();
    }

    static bool inGraph(BaseObjekt* object) { return object && object->getSceneGraphNode() != nullptr; }

    LogCapture m_logs;
    SceneGraph m_graph;
    ObjektManager m_manager;
};

} // namespace

TEST_F(ObjektManagerTest, ASceneFileGivesItsObjectsInFileOrderWithTheirTransformsAndDropsTakenNames)
{
    const std::vector<BaseObjekt*> loaded =
        load(L"<SZENE>"
             L"<OBJEKT NAME=\"Haus\" TYPE=\"STUFE\"><BASE_DATA><POSITION X=\"1\" Y=\"2\" Z=\"3\"/>"
             L"<SCALE X=\"2\" Y=\"2\" Z=\"2\"/><ROTATION YAW=\"90\"/></BASE_DATA></OBJEKT>"
             L"<KOMMENTAR/>"
             L"<OBJEKT NAME=\"Turm\" TYPE=\"STUFE\"><BASE_DATA><POSITION Y=\"-4.5\"/>"
             L"<ROTATION_QUAT X=\"0\" Y=\"0\" Z=\"2\" W=\"0\"/></BASE_DATA></OBJEKT>"
             L"<OBJEKT NAME=\"Haus\" TYPE=\"STUFE\"><BASE_DATA><POSITION X=\"9\"/></BASE_DATA></OBJEKT>"
             L"<OBJEKT NAME=\"Stein\"><BASE_DATA><POSITION Z=\"-1\"/></BASE_DATA></OBJEKT>"
             L"</SZENE>");
    ASSERT_EQ(namesOf(loaded), (Names{L"Haus", L"Turm", L"Stein"}));
    EXPECT_EQ(m_manager.getCount(), 3u);
    EXPECT_EQ(StufenObjekt::s_alive, 2) << "the second \"Haus\" is destroyed";
    EXPECT_NE(m_logs.text().find("Objekt mit Namen \"Haus\" bereits in Liste"), std::string::npos);

    BaseObjekt* haus = m_manager.find(L"Haus");
    ASSERT_EQ(haus, loaded[0]);
    EXPECT_EQ(haus->getPosition(), D3DXVECTOR3(1, 2, 3)) << "the first one stays";
    EXPECT_EQ(haus->getScale(), D3DXVECTOR3(2, 2, 2));
    // Yaw 90 degrees: a half turn's sine about y.
    const D3DXQUATERNION& yaw = haus->getRotation();
    EXPECT_NEAR(yaw.y, std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(yaw.w, std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(yaw.x, 0.0f, 1e-6f);
    // The world matrix carries scale, turn and place: local x (1, 0, 0) lands at (1, 2, 1).
    D3DXVECTOR3 corner;
    const D3DXVECTOR3 unitX(1, 0, 0);
    D3DXVec3TransformCoord(&corner, &unitX, &haus->getWorldMatrix());
    EXPECT_NEAR(corner.x, 1.0f, 1e-5f);
    EXPECT_NEAR(corner.y, 2.0f, 1e-5f);
    EXPECT_NEAR(corner.z, 1.0f, 1e-5f);

    BaseObjekt* turm = loaded[1];
    EXPECT_EQ(turm->getPosition(), D3DXVECTOR3(0, -4.5f, 0));
    EXPECT_EQ(turm->getScale(), D3DXVECTOR3(1, 1, 1));
    EXPECT_EQ(turm->getRotation(), D3DXQUATERNION(0, 0, 1, 0)) << "normalised";
    // No TYPE: a mesh object of the factory.
    EXPECT_EQ(dynamic_cast<TestObjekt*>(loaded[2]), nullptr);
    EXPECT_EQ(loaded[2]->getPosition(), D3DXVECTOR3(0, 0, -1));
    EXPECT_EQ(loaded[2]->getOwner(), &m_manager);
}

TEST_F(ObjektManagerTest, EveryObjectFinishesABuildPassBeforeAnyStartsTheNext)
{
    load(L"<SZENE><OBJEKT NAME=\"Boden\" TYPE=\"STUFE\"/><OBJEKT NAME=\"Strasse\" TYPE=\"STUFE\" PASSES=\"2\"/>"
         L"<OBJEKT NAME=\"Baum\" TYPE=\"STUFE\"/><OBJEKT NAME=\"Boden\" TYPE=\"STUFE\" PASSES=\"5\"/></SZENE>");
    EXPECT_EQ(StufenObjekt::s_builds, (Names{L"Boden:0", L"Strasse:0", L"Baum:0", L"Boden:1", L"Strasse:1", L"Baum:1"}))
        << "the refused duplicate adds no passes";

    StufenObjekt::s_builds.clear();
    EXPECT_TRUE(load(L"<SZENE><OBJEKT_ANORDNUNG/><CREATE_PHYSX>\"|Boden|\"</CREATE_PHYSX></SZENE>").empty());
    EXPECT_TRUE(StufenObjekt::s_builds.empty()) << "no objects, no passes";
    EXPECT_NE(m_logs.text().find("no SRC_OBJECT of the arrangement is registered"), std::string::npos);
    EXPECT_EQ(m_manager.getCount(), 3u);
}

TEST_F(ObjektManagerTest, TheFilesSplinesAreRegisteredBeforeItsArrangements)
{
    SplineManager splines;
    m_manager.setSplineManager(&splines);
    load(L"<SZENE><SPLINE NAME=\"Pfad\"><CONTROLPOINT><POSITION X=\"0\" Y=\"0\" Z=\"0\"/></CONTROLPOINT>"
         L"<CONTROLPOINT><POSITION X=\"3\" Y=\"0\" Z=\"4\"/></CONTROLPOINT></SPLINE>"
         L"<OBJEKT_ANORDNUNG><SPLINE SPLINE_NAME=\"Pfad\"/></OBJEKT_ANORDNUNG></SZENE>");
    ASSERT_EQ(splines.getSplines().size(), 1u) << "a SPLINE inside an arrangement is no path of the file";
    Spline* pfad = splines.getSpline(L"Pfad");
    ASSERT_NE(pfad, nullptr);
    EXPECT_FLOAT_EQ(pfad->getLength(), 5.0f);
    m_manager.setSplineManager(nullptr);
}

TEST_F(ObjektManagerTest, TheFilesInsertionListsDecideOverTheObjectsOwnSetting)
{
    const std::vector<BaseObjekt*> loaded =
        load(L"<SZENE>"
             L"<OBJEKT NAME=\"Frei\" TYPE=\"STUFE\"/>"
             L"<OBJEKT NAME=\"Aus\" TYPE=\"STUFE\"><BASE_DATA INSERT_IN_SCENEGRAPH=\"0\"/></OBJEKT>"
             L"<OBJEKT NAME=\"Geholt\" TYPE=\"STUFE\"><BASE_DATA INSERT_IN_SCENEGRAPH=\"0\"/></OBJEKT>"
             L"<OBJEKT NAME=\"Verbannt\" TYPE=\"STUFE\"/>"
             L"<OBJEKT NAME=\"Beides\" TYPE=\"STUFE\"/>"
             L"<OBJEKT NAME=\"Zweite\" TYPE=\"STUFE\"/>"
             L"<ADD_2_SCENEGRAPH>\"|Geholt|\" \"|Beides|\" \"|Niemand|\"</ADD_2_SCENEGRAPH>"
             L"<DONTADD_2_SCENEGRAPH>\"|Verbannt|\" \"|Beides|\"</DONTADD_2_SCENEGRAPH>"
             L"<DONTADD_2_SCENEGRAPH>\"|Zweite|\"</DONTADD_2_SCENEGRAPH>"
             L"</SZENE>");
    ASSERT_EQ(loaded.size(), 6u);
    std::vector<bool> inserted;
    for (BaseObjekt* object : loaded)
        inserted.push_back(inGraph(object));
    EXPECT_EQ(inserted, (std::vector<bool>{true, false, true, false, true, true}))
        << "only the first node of each list counts; ADD_2_SCENEGRAPH decides last";
    EXPECT_EQ(m_graph.getRoot().getOwnCount(), 4);
    // Inserted with the signals connected: a destroyed object leaves the graph.
    m_manager.removeByName(L"Frei");
    EXPECT_EQ(m_graph.getRoot().getOwnCount(), 3);
}

TEST_F(ObjektManagerTest, TheClipmapSwitchAndTheHeightMapEffectFollowEachFile)
{
    m_manager.getKinds().add(L"HEIGHTMAP", &makeHeightMap);
    m_manager.getKinds().add(L"CLIPMAP", &makeClipmap);
    ObjektManager::setHeightMapEffectName(L"Alt");

    load(L"<SZENE HEIGHTMAP_EFFECT=\"Ohne\"><OBJEKT NAME=\"A\" TYPE=\"CLIPMAP\"/></SZENE>");
    EXPECT_FALSE(ObjektManager::getMakeClipmapToHeightMap());
    EXPECT_EQ(ObjektManager::getHeightMapEffectName(), L"Alt") << "read only with the switch on";
    EXPECT_EQ(s_terrainKind, L"CLIPMAP");

    load(L"<SZENE MAKE_CLIPMAP_2_HEIGHTMAP=\"1\" HEIGHTMAP_EFFECT=\"Gitter\"><OBJEKT NAME=\"B\" TYPE=\"CLIPMAP\"/>"
         L"</SZENE>");
    EXPECT_TRUE(ObjektManager::getMakeClipmapToHeightMap());
    EXPECT_EQ(ObjektManager::getHeightMapEffectName(), L"Gitter");
    EXPECT_EQ(s_terrainKind, L"HEIGHTMAP");
    EXPECT_TRUE(s_sawFromClipmap);
    load(L"<SZENE MAKE_CLIPMAP_2_HEIGHTMAP=\"1\"><OBJEKT NAME=\"C\" TYPE=\"HEIGHTMAP\"/></SZENE>");
    EXPECT_FALSE(s_sawFromClipmap) << "a HEIGHTMAP description after it";
    EXPECT_EQ(ObjektManager::getHeightMapEffectName(), L"Gitter") << "kept when the file names none";

    load(L"<SZENE><OBJEKT NAME=\"D\" TYPE=\"CLIPMAP\"/></SZENE>");
    EXPECT_FALSE(ObjektManager::getMakeClipmapToHeightMap()) << "the next file without the switch turns it off";
    EXPECT_EQ(s_terrainKind, L"CLIPMAP");
}

TEST_F(ObjektManagerTest, TheEditedObjectLeavesTheEditorWithItsEntry)
{
    load(L"<SZENE><OBJEKT NAME=\"A\" TYPE=\"STUFE\"/><OBJEKT NAME=\"B\" TYPE=\"STUFE\"/>"
         L"<OBJEKT NAME=\"C\" TYPE=\"STUFE\"/></SZENE>");
    m_manager.setEditObject(m_manager.find(L"A"));
    EXPECT_TRUE(m_manager.removeByName(L"A"));
    EXPECT_EQ(m_manager.getEditObject(), nullptr);
    EXPECT_EQ(StufenObjekt::s_alive, 2) << "the editor's reference went with it";

    m_manager.setEditObject(m_manager.find(L"B"));
    EXPECT_FALSE(m_manager.removeByName(L"A"));
    EXPECT_NE(m_manager.getEditObject(), nullptr) << "another name leaves it";
    EXPECT_TRUE(m_manager.remove(m_manager.find(L"B")));
    EXPECT_EQ(m_manager.getEditObject(), nullptr);
    EXPECT_EQ(StufenObjekt::s_alive, 1);

    m_manager.setEditObject(m_manager.find(L"C"));
    m_manager.clear();
    EXPECT_EQ(m_manager.getEditObject(), nullptr);
    EXPECT_EQ(m_manager.getAxisMask(), 7);
    EXPECT_EQ(m_manager.getEditMode(), 0);
    EXPECT_EQ(StufenObjekt::s_alive, 0);
}

TEST_F(ObjektManagerTest, LoadFileAnswersTheCountAndPutsTheObjectsIntoTheGraphOnRequest)
{
    TestSupport::writeText("szene.xml",
                           "<SZENE><OBJEKT NAME=\"A\" TYPE=\"STUFE\"><BASE_DATA INSERT_IN_SCENEGRAPH=\"0\"/>"
                           "</OBJEKT><OBJEKT NAME=\"B\" TYPE=\"STUFE\"/></SZENE>");
    EXPECT_EQ(command(L"OBJ_LoadFile fehlt.xml 1"), L"Datei nicht geladen: fehlt.xml") << "a missing file is said";
    EXPECT_TRUE(m_manager.getLastLoaded().empty());

    EXPECT_EQ(command(L"OBJ_LoadFile szene.xml"), L"2 Objekte geladen");
    EXPECT_FALSE(inGraph(m_manager.find(L"A")));
    EXPECT_TRUE(inGraph(m_manager.find(L"B")));
    EXPECT_EQ(namesOf(m_manager.getLastLoaded()), (Names{L"A", L"B"}));
    EXPECT_EQ(command(L"OBJ_LoadFile fehlt.xml"), L"Datei nicht geladen: fehlt.xml");
    EXPECT_EQ(m_manager.getLastLoaded().size(), 2u) << "a failed load keeps the list";

    // Loaded again: both names are taken, nothing new; "toSG" hands over what the file gave.
    EXPECT_EQ(command(L"OBJ_LoadFile szene.xml 1"), L"0 Objekte geladen");
    EXPECT_FALSE(inGraph(m_manager.find(L"A")));
    m_manager.clear();
    EXPECT_EQ(command(L"OBJ_LoadFile szene.xml 1"), L"2 Objekte geladen");
    EXPECT_TRUE(inGraph(m_manager.find(L"A")));
}

// "del" removes the loaded objects (destroying them); "toSG" after it must not hand the graph
// what is gone, and the list forgets objects that leave or are destroyed.
TEST_F(ObjektManagerTest, DeletedObjectsNeverReachTheGraphOrTheLastLoadedList)
{
    TestSupport::writeText("szene.xml", "<SZENE><OBJEKT NAME=\"A\" TYPE=\"STUFE\"/><OBJEKT NAME=\"B\" TYPE=\"STUFE\"/>"
                                        "<OBJEKT NAME=\"C\" TYPE=\"STUFE\"/></SZENE>");
    EXPECT_EQ(command(L"OBJ_LoadFile szene.xml 1 0 1"), L"3 Objekte geladen");
    EXPECT_EQ(m_manager.getCount(), 0u);
    EXPECT_EQ(StufenObjekt::s_alive, 0);
    EXPECT_EQ(m_graph.getRoot().getOwnCount(), 0);
    EXPECT_TRUE(m_manager.getLastLoaded().empty());

    EXPECT_EQ(command(L"OBJ_LoadFile szene.xml"), L"3 Objekte geladen");
    m_manager.removeByName(L"B");
    // Destroyed by other means: the registry's deletion slot prunes the list too.
    BaseObjekt* c = m_manager.find(L"C");
    c->AddRef();
    m_manager.remove(c);
    EXPECT_EQ(namesOf(m_manager.getLastLoaded()), (Names{L"A"})) << "an object that left the registry is out";
    c->Release();
    BaseObjekt* a = m_manager.find(L"A");
    a->Release(); // the registry's reference, as a careless holder would drop it
    EXPECT_EQ(m_manager.find(L"A"), nullptr);
    EXPECT_TRUE(m_manager.getLastLoaded().empty());
}

// Kinds nobody registered, names with path separators, values that are no numbers, a list naming
// itself out and in, a spline without points and arrangements asking for a million copies or
// fewer than none: each is built, refused or bounded, and clearing leaves nothing behind.
TEST_F(ObjektManagerTest, AHostileSceneFileLoadsWhatItCanAndLeavesNothingBehind)
{
    SplineManager splines;
    m_manager.setSplineManager(&splines);
    const std::vector<BaseObjekt*> loaded = load(
        L"<SZENE><OBJEKT NAME=\"..\\..\\etc/passwd\" TYPE=\"WHATEVER\"/>"
        L"<OBJEKT NAME=\"A\" TYPE=\"STUFE\"><BASE_DATA><POSITION X=\"nan\" Y=\"1e40\"/></BASE_DATA></OBJEKT>"
        L"<OBJEKT NAME=\"A\" TYPE=\"SUN\"/><OBJEKT NAME=\"W\" TYPE=\"WATER\"/>"
        L"<OBJEKT NAME=\"M\" TYPE=\"ANI_MESH\"><ANIMESH_DATA NAME=\"FEHLT\"/></OBJEKT>"
        L"<ADD_2_SCENEGRAPH>\"|W|\"</ADD_2_SCENEGRAPH><DONTADD_2_SCENEGRAPH>\"|W|\" \"|A|\"</DONTADD_2_SCENEGRAPH>"
        L"<SPLINE NAME=\"S\"><CONTROLPOINT/></SPLINE><SPLINE/>"
        L"<OBJEKT_ANORDNUNG><SRC_OBJECT NAME=\"A\"/><SPLINE SPLINE_NAME=\"S\" ANZAHL=\"1000000\"/></OBJEKT_ANORDNUNG>"
        L"<OBJEKT_ANORDNUNG><SRC_OBJECT NAME=\"A\"/><RANDOM ANZAHL=\"-5\"/></OBJEKT_ANORDNUNG></SZENE>");
    ASSERT_GE(loaded.size(), 4u);
    EXPECT_EQ(namesOf(std::vector<BaseObjekt*>(loaded.begin(), loaded.begin() + 4)),
              (Names{L"..\\..\\etc/passwd", L"A", L"W", L"M"}));
    EXPECT_NE(m_logs.text().find("of TYPE \"WHATEVER\" has no kind of its own"), std::string::npos);
    EXPECT_EQ(loaded.size(), 4u) << "no copies along a path of no length, none for a negative count";
    EXPECT_TRUE(inGraph(m_manager.find(L"W")));
    EXPECT_FALSE(inGraph(m_manager.find(L"A")));
    EXPECT_NE(splines.getSpline(L"S"), nullptr);
    m_manager.clear();
    EXPECT_EQ(m_graph.getRoot().getOwnCount(), 0);
    m_manager.setSplineManager(nullptr);
}
