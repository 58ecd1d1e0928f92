// The OBJ_ console commands typed into the console dispatcher against the engine's object manager:
// the transform, clone, remove, load and light commands, the editor-state commands with the
// fields they set, the copies in rows and arrays, the help lines and the completion; hostile
// arguments (missing, not numbers, naming nothing, huge counts, object names with path parts).
#include "engine/scene/ObjektCommandsSupport.h"
#include "scene/ObjektCommands.h"
#include "scene/SceneBudget.h"
#include "scene/arrangements/ObjektAnordnung.h"
#include "support/TestSupport.h"

#include <platform_test.h>

#include <cmath>
#include <filesystem>
#include <malloc.h>
#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer's own count (its header does not come with g++).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

using namespace Ulvo;
using SceneTesting::ObjektCommandsTest;
using SceneTesting::ProbeObjekt;

namespace {

using Lines = std::vector<std::wstring>;

void expectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-5f);
    EXPECT_NEAR(actual.y, expected.y, 1e-5f);
    EXPECT_NEAR(actual.z, expected.z, 1e-5f);
}

// Bytes in use on the heap now, as the allocator counts them (AddressSanitizer's own allocator in
// the sanitizer build).
uint64_t heapInUse()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

// The copies of the root, by position along x then z.
std::vector<BaseObjekt*> copiesOf(BaseObjekt* root)
{
    std::vector<BaseObjekt*> copies;
    for (const auto& entry : root->getInstances())
        copies.push_back(entry.second);
    std::sort(copies.begin(), copies.end(), [](BaseObjekt* a, BaseObjekt* b) {
        return a->getPosition().x + a->getPosition().z < b->getPosition().x + b->getPosition().z;
    });
    return copies;
}

} // namespace

TEST_F(ObjektCommandsTest, TransformCommandsSetWhatIsTypedAndAnswerWithTheTransformAfterwards)
{
    load(L"<SZENE>" + probe(L"Kiste", at(1, 2, 3)) + L"</SZENE>");
    BaseObjekt* kiste = find(L"Kiste");
    ASSERT_NE(kiste, nullptr);

    EXPECT_EQ(run(L"OBJ_SetPosition Kiste"), L"Objekt auf Position 1 2 3") << "only a name: left in place";
    EXPECT_EQ(run(L"OBJ_SetPosition Kiste 9"), L"Objekt auf Position 1 2 3") << "one number is too few";
    EXPECT_EQ(run(L"OBJ_SetPosition Kiste 4 -5.5"), L"Objekt auf Position 4 -5.5 0");
    EXPECT_EQ(run(L"obj_setposition Kiste 0.25 abc 1e400"), L"Objekt auf Position 0.25 0 0")
        << "words and overflowing numbers count 0";
    EXPECT_EQ(kiste->getPosition(), D3DXVECTOR3(0.25f, 0, 0));
    EXPECT_EQ(run(L"OBJ_SetPosition kiste 1 1 1"), L"Objekt nicht gefunden!") << "names are case-sensitive";
    EXPECT_EQ(run(L"OBJ_SetPosition"),
              L"OBJ_setPosition Objektname x y z; setzt das Objekt auf die angegebene Position");

    EXPECT_EQ(run(L"OBJ_SetScale Kiste 2 0.5 3"), L"Objekt skaliert auf 2 0.5 3");
    EXPECT_EQ(kiste->getScale(), D3DXVECTOR3(2, 0.5f, 3));
    EXPECT_EQ(run(L"OBJ_SetScale Nichts 1 1 1"), L"Objekt nicht gefunden!");

    // A quarter turn about y, read back as the engine reads its angles.
    const std::wstring yaw = run(L"OBJ_SetRotationYawPitchRoll Kiste 90 0 0");
    EXPECT_EQ(yaw.rfind(L"Objekt rotiert auf Yaw: ", 0), 0u) << yaw;
    EXPECT_NE(yaw.find(L" Pitch: "), std::wstring::npos);
    EXPECT_NE(yaw.find(L" Roll: "), std::wstring::npos);
    EXPECT_NEAR(kiste->getRotation().y, std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(kiste->getRotation().w, std::sqrt(0.5f), 1e-6f);
    // A half turn reads a zero angle back with a sign; it is written as 0.
    const std::wstring half = run(L"OBJ_SetRotationYawPitchRoll Kiste 180 0 0") + L" ";
    EXPECT_EQ(half.find(L": -0 "), std::wstring::npos) << half;

    const std::wstring euler = run(L"OBJ_SetRotationEuler Kiste 0 0 0");
    EXPECT_EQ(euler, L"Objekt rotiert auf Heading: 0 Attitude: 0 Bank: 0");
    EXPECT_EQ(kiste->getRotation(), D3DXQUATERNION(0, 0, 0, 1));
    run(L"OBJ_SetRotationEuler Kiste 90 0 0");
    EXPECT_NEAR(kiste->getRotation().y, std::sqrt(0.5f), 1e-6f) << "heading turns about y";

    // Any letter case; the quaternion is normalised; fewer than four values leave it.
    EXPECT_EQ(run(L"OBJ_SETROTATIONQUATERNION Kiste 0 0 0 1"), L"Objekt rotiert auf x: 0 y: 0 z: 0 w: 1");
    EXPECT_EQ(run(L"obj_SetRotationQuaternion Kiste 0 0 2 0"), L"Objekt rotiert auf x: 0 y: 0 z: 1 w: 0");
    EXPECT_EQ(run(L"obj_SetRotationQuaternion Kiste 1 1"), L"Objekt rotiert auf x: 0 y: 0 z: 1 w: 0");
    EXPECT_EQ(run(L"obj_SetRotationQuaternion Kiste 0 0 0 0"), L"Objekt rotiert auf x: 0 y: 0 z: 0 w: 0")
        << "a zero quaternion stays finite";
    expectNear(kiste->getPosition(), D3DXVECTOR3(0.25f, 0, 0));
}

TEST_F(ObjektCommandsTest, CloneRemoveAndTheLightSwitchAnswerPerObject)
{
    load(L"<SZENE>" + probe(L"Kiste", at(1, 0, 0)) + probe(L"Tonne") + L"</SZENE>");
    BaseObjekt* kiste = find(L"Kiste");

    EXPECT_EQ(run(L"OBJ_Clone Kiste Kopie"), L"Objekt kopiert!");
    BaseObjekt* kopie = find(L"Kopie");
    ASSERT_NE(kopie, nullptr);
    EXPECT_EQ(kopie->getInstanceGroup(), kiste) << "the clone joins the source's group";
    EXPECT_EQ(kopie->getPosition(), D3DXVECTOR3(1, 0, 0));
    EXPECT_FALSE(inGraph(kopie)) << "a clone stays out of the scene graph";
    EXPECT_EQ(run(L"OBJ_Clone Kiste Tonne"), L"Objekt existiert bereits!");
    EXPECT_EQ(ProbeObjekt::s_alive, 3) << "the refused clone is destroyed";
    EXPECT_EQ(kiste->getInstances().size(), 1u) << "and leaves the group";
    EXPECT_EQ(run(L"OBJ_Clone Kiste"), L"OBJ_clone Objektname KlonObjektname; erstellt eine Kopie des Objekts");
    EXPECT_EQ(run(L"OBJ_Clone Nichts Neu"), L"Objekt nicht gefunden!");

    EXPECT_EQ(run(L"OBJ_Remove Kopie Nichts"), L"Kopie Objekt entfernt!\nNichts nicht gefunden!");
    EXPECT_EQ(run(L"OBJ_Remove Nichts Tonne"), L"Nichts nicht gefunden!\nTonne Objekt entfernt!");
    EXPECT_EQ(find(L"Tonne"), nullptr);
    EXPECT_EQ(ProbeObjekt::s_alive, 1);
    EXPECT_EQ(run(L"OBJ_Remove"), L"OBJ_Remove Objektname; l\u00F6scht das Objekts");

    auto* probeKiste = dynamic_cast<ProbeObjekt*>(kiste);
    EXPECT_EQ(run(L"OBJ_ToggleLicht Kiste 1"), L"Licht an");
    EXPECT_EQ(probeKiste->lit(), 1);
    EXPECT_EQ(run(L"OBJ_ToggleLicht Kiste 0"), L"Licht aus");
    EXPECT_EQ(probeKiste->lit(), 0);
    EXPECT_EQ(run(L"OBJ_ToggleLicht Kiste an"), L"Licht aus");
    EXPECT_EQ(probeKiste->lit(), 0) << "a word is not true";
    EXPECT_EQ(run(L"OBJ_ToggleLicht Nichts 1"), L"Objekt nicht gefunden!");
    EXPECT_EQ(run(L"OBJ_ToggleLicht Kiste"), L"OBJ_ToggleLicht O1 [0|1]; schaltet das Licht des Objektes an/aus");
}

TEST_F(ObjektCommandsTest, LoadFileAndRemoveLastLoadedCountWhatIsLeftOfTheFile)
{
    TestSupport::writeText("szene.xml", "<SZENE><OBJEKT NAME=\"A\" TYPE=\"PROBE\"/><OBJEKT NAME=\"B\" TYPE=\"PROBE\"/>"
                                        "<OBJEKT NAME=\"C\" TYPE=\"PROBE\"/>"
                                        "<OBJEKT_ANORDNUNG><SRC_OBJECT NAME=\"A\"/><INSTANZEN><INSTANZ/><INSTANZ/>"
                                        "</INSTANZEN></OBJEKT_ANORDNUNG></SZENE>");
    EXPECT_EQ(run(L"OBJ_LoadFile fehlt.xml"), L"Datei nicht geladen: fehlt.xml");
    EXPECT_EQ(run(L"OBJ_LoadFile szene.xml 1"), L"5 Objekte geladen");
    EXPECT_TRUE(inGraph(find(L"A")));
    EXPECT_EQ(run(L"OBJ_Remove B"), L"B Objekt entfernt!");
    // Removing the arrangement's source hands its group to a copy; the walk must not trip on it.
    EXPECT_EQ(run(L"OBJ_Remove_Last_Loaded"), L"4 Objekte entfernt");
    EXPECT_EQ(m_manager->getCount(), 0u);
    EXPECT_EQ(ProbeObjekt::s_alive, 0);
    EXPECT_EQ(run(L"OBJ_Remove_Last_Loaded"), L"0 Objekte entfernt");

    // "del" with "toSG": loaded, counted, removed, and nothing of it reaches the graph.
    EXPECT_EQ(run(L"OBJ_LoadFile szene.xml 1 0 1"), L"5 Objekte geladen");
    EXPECT_EQ(m_manager->getCount(), 0u);
    EXPECT_EQ(m_graph->getRoot().getOwnCount(), 0);
    EXPECT_EQ(ProbeObjekt::s_alive, 0);

    // Files outside the working folder are neither read nor written, whatever the command.
    TestSupport::TempDir away;
    std::filesystem::copy_file("szene.xml", away / "szene.xml");
    const std::wstring climbing = L"..\\" + away.path().filename().wstring() + L"\\szene.xml";
    const std::wstring absolute = (away / "neu.xml").wstring();
    for (const std::wstring& line :
         {L"OBJ_LoadFile " + climbing + L" 1", L"OBJ_LoadFile " + (away / "szene.xml").wstring(),
          L"OBJ_SaveObject " + absolute + L" A", L"OBJ_SaveAllVisibleObjects " + absolute,
          std::wstring(L"OBJ_SaveObjectTransform ..\\neu.xml A")})
        EXPECT_NE(run(line).find(L"liegt au\u00DFerhalb des Spielordners"), std::wstring::npos);
    EXPECT_EQ(m_manager->getCount(), 0u);
    EXPECT_FALSE(std::filesystem::exists(away / "neu.xml"));
    EXPECT_FALSE(std::filesystem::exists(m_logs.folder().parent_path() / "neu.xml"));
}

TEST_F(ObjektCommandsTest, EditorCommandsSetTheEditorsFields)
{
    load(L"<SZENE>" + probe(L"Kiste", at(1, 2, 3)) + probe(L"Vorbild", at(7, 8, 9)) +
         L"<OBJEKT NAME=\"COORDS\" TYPE=\"COORDS\"><BASE_DATA INSERT_IN_SCENEGRAPH=\"0\"/></OBJEKT></SZENE>");

    const struct {
        const wchar_t* word;
        int mode;
        int kind;
        const wchar_t* answer;
    } modes[] = {
        {L"Move", 1, 1, L"Editormode: Move"},
        {L"move_cam_space", 2, 1, L"Editormode: Move in Cam Space"},
        {L"MOUSE_LOCAL_SPACE", 3, 1, L"Editormode Move in Local Space"},
        {L"scale", 4, 2, L"Editormode: Scale"},
        {L"rotate", 5, 3, L"Editormode: Rotate"},
        {L"velo", 6, 4, L"Editormode: Velocity"},
        {L"none", 0, 0, L"Editormode aus"},
    };
    for (const auto& mode : modes) {
        EXPECT_EQ(run(std::wstring(L"OBJ_SetEditMode ") + mode.word), mode.answer);
        EXPECT_EQ(m_manager->getEditMode(), mode.mode) << mode.word;
        EXPECT_EQ(m_manager->getEditKind(), mode.kind) << mode.word;
    }
    run(L"OBJ_SetEditMode rotate");
    EXPECT_EQ(run(L"OBJ_SetEditMode fliegen"), L"OBJ_SetEditMode None/Move/Scale/Rotate/Velo; aktiviert den Editormode")
        << "no keyword: the words it knows";
    EXPECT_NE(run(L"OBJ_SetEditMode mov"), L"Editormode: Move") << "compared whole";
    EXPECT_EQ(m_manager->getEditMode(), 5);
    EXPECT_EQ(m_manager->getEditKind(), 3);

    EXPECT_EQ(run(L"OBJ_SetAxisMode x Z"), L"gesetzt!");
    EXPECT_EQ(m_manager->getAxisMask(), 5);
    run(L"OBJ_SetAxisMode xz");
    EXPECT_EQ(m_manager->getAxisMask(), 0);
    run(L"OBJ_SetAxisMode y y w");
    EXPECT_EQ(m_manager->getAxisMask(), 2);

    // The axes gizmo follows the mouse mode into and out of the graph.
    BaseObjekt* coords = find(L"COORDS");
    ASSERT_NE(coords, nullptr);
    EXPECT_FALSE(inGraph(coords));
    EXPECT_EQ(run(L"OBJ_SetEditMouseMode 1"), L"gesetzt!");
    EXPECT_TRUE(m_manager->getMouseMode());
    EXPECT_TRUE(inGraph(coords));
    EXPECT_EQ(run(L"OBJ_SetEditMouseMode 0"), L"gesetzt!");
    EXPECT_FALSE(m_manager->getMouseMode());
    EXPECT_FALSE(inGraph(coords));

    EXPECT_EQ(run(L"OBJ_EditCopyTransforms Vorbild"), L"kein zu bearbeitendes Objekt!");
    EXPECT_EQ(run(L"OBJ_SetEditObject Kiste"), L"Objekt wird bearbeitet!");
    BaseObjekt* kiste = find(L"Kiste");
    EXPECT_EQ(m_manager->getEditObject(), kiste);
    EXPECT_EQ(run(L"OBJ_EditCopyTransforms Nichts"), L"Objekt nicht gefunden!");
    BaseObjekt* vorbild = find(L"Vorbild");
    vorbild->setScale(D3DXVECTOR3(2, 3, 4));
    vorbild->setRotation(D3DXQUATERNION(0, 1, 0, 0));
    EXPECT_EQ(run(L"OBJ_EditCopyTransforms Vorbild"), L"gesetzt!");
    EXPECT_EQ(kiste->getPosition(), D3DXVECTOR3(7, 8, 9));
    EXPECT_EQ(kiste->getScale(), D3DXVECTOR3(2, 3, 4));
    EXPECT_EQ(kiste->getRotation(), D3DXQUATERNION(0, 1, 0, 0));

    EXPECT_EQ(run(L"OBJ_SetEditObject Nichts"), L"Objekt nicht gefunden!");
    EXPECT_EQ(m_manager->getEditObject(), nullptr) << "the old one is let go first";
}

TEST_F(ObjektCommandsTest, EditClonesBecomeTheEditedObjectAndTheOldPlaceIsSavedInsideItsFolder)
{
    // A name from a scene file with path parts and a name of dots only.
    load(L"<SZENE>" + probe(L"..\\..\\boese:Kiste", at(1, 2, 3)) + probe(L"..") + L"</SZENE>");
    EXPECT_EQ(run(L"OBJ_EditCloneOld Neu"), L"kein zu bearbeitendes Objekt!");
    EXPECT_EQ(run(L"OBJ_EditCloneSaveOld Neu"), L"kein zu bearbeitendes Objekt!");

    BaseObjekt* boese = find(L"..\\..\\boese:Kiste");
    ASSERT_NE(boese, nullptr);
    m_manager->setEditObject(boese);
    EXPECT_EQ(run(L"OBJ_EditCloneSaveOld Neu"), L"gespeichert, kopiert, hinzugef\u00FCgt Bearbeitungmodus: Move");
    BaseObjekt* neu = find(L"Neu");
    ASSERT_NE(neu, nullptr);
    EXPECT_EQ(m_manager->getEditObject(), neu);
    EXPECT_TRUE(inGraph(neu));
    EXPECT_EQ(neu->getPosition(), D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(m_manager->getEditMode(), 1);
    EXPECT_EQ(m_manager->getEditKind(), 1);

    namespace fs = std::filesystem;
    const fs::path saved = m_logs.folder() / "Transforms" / ".._.._boese_Kiste";
    ASSERT_TRUE(fs::exists(saved)) << "written into the transforms folder under a safe name";
    EXPECT_FALSE(fs::exists(m_logs.folder().parent_path().parent_path() / "boese:Kiste"));
    XMLNode entry;
    ASSERT_TRUE(XMLNode::load(&entry, L"Transforms\\.._.._boese_Kiste", 0));
    EXPECT_EQ(entry.getName(), L"TRANSFORM");
    EXPECT_EQ(entry.getAttributeValue(L"NAME"), L"..\\..\\boese:Kiste");
    D3DXVECTOR3 position(0, 0, 0);
    EXPECT_TRUE(entry.readPoint(L"POSITION", position));
    EXPECT_EQ(position, D3DXVECTOR3(1, 2, 3));
    EXPECT_NE(entry.getNode(L"ROTATION_QUAT"), nullptr);
    EXPECT_NE(entry.getNode(L"SCALE"), nullptr);

    // A taken name: nothing copied, the selection stays.
    EXPECT_EQ(run(L"OBJ_EditCloneOld .."), L"kopieren fehlgeschlagen");
    EXPECT_EQ(m_manager->getEditObject(), neu);
    m_manager->setEditObject(find(L".."));
    EXPECT_EQ(run(L"OBJ_EditCloneSaveOld Neu"), L"gespeichert, kopieren fehlgeschlagen");
    EXPECT_TRUE(fs::exists(m_logs.folder() / "Transforms" / "_"));
    EXPECT_EQ(run(L"OBJ_EditCloneOld Zweite"), L"kopiert, hinzugef\u00FCgt Bearbeitungmodus: Move");
    EXPECT_EQ(m_manager->getEditObject(), find(L"Zweite"));

    EXPECT_EQ(ObjektCommands::transformFileName(L""), L"Transforms\\_");
    EXPECT_EQ(ObjektCommands::transformFileName(L"a/b|c*"), L"Transforms\\a_b_c_");
}

TEST_F(ObjektCommandsTest, CopiesInARowFollowTheStepOrTheSecondObject)
{
    load(L"<SZENE>" + probe(L"Kiste", at(1, 0, 0)) + probe(L"Zweite", at(3, 0, 1)) + L"</SZENE>");
    BaseObjekt* kiste = find(L"Kiste");

    EXPECT_EQ(run(L"OBJ_EditCloneNTimes Kiste 3 0 0 2"), L"erstellt!");
    std::vector<BaseObjekt*> copies = copiesOf(kiste);
    ASSERT_EQ(copies.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(copies[i]->getPosition(), D3DXVECTOR3(1, 0, 2.0f * static_cast<float>(i + 1)));
        EXPECT_EQ(copies[i]->getName(), L"Kiste_INSTANZ_" + std::to_wstring(copies[i]->getNumber()));
        EXPECT_EQ(find(copies[i]->getName()), copies[i]);
        EXPECT_TRUE(inGraph(copies[i]));
    }
    m_manager->clear();

    load(L"<SZENE>" + probe(L"Kiste", at(1, 0, 0)) + probe(L"Zweite", at(3, 0, 1)) + L"</SZENE>");
    kiste = find(L"Kiste");
    // The row Kiste, Zweite goes on: the first copy at Kiste + 2 (Zweite - Kiste).
    EXPECT_EQ(run(L"OBJ_EditCloneNTimes Kiste 2 Zweite"), L"erstellt!");
    copies = copiesOf(kiste);
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[0]->getPosition(), D3DXVECTOR3(5, 0, 2));
    EXPECT_EQ(copies[1]->getPosition(), D3DXVECTOR3(7, 0, 3));
    EXPECT_EQ(run(L"OBJ_EditCloneNTimes Kiste 1 Nichts"), L"erstellt!") << "no second object: no step";
    EXPECT_EQ(copiesOf(kiste).front()->getPosition(), D3DXVECTOR3(1, 0, 0));
    EXPECT_EQ(run(L"OBJ_EditCloneNTimes Kiste -4"), L"erstellt!");
    EXPECT_EQ(run(L"OBJ_EditCloneNTimes Kiste viele"), L"erstellt!");
    EXPECT_EQ(copiesOf(kiste).size(), 3u);
    EXPECT_EQ(run(L"OBJ_EditCloneNTimes Nichts 2"), L"Objekt nicht gefunden!");

    // A mistyped count is cut, with a log line, instead of filling memory.
    EXPECT_EQ(run(L"OBJ_EditCloneNTimes Zweite 2000000000 0 1 0"), L"erstellt!");
    EXPECT_EQ(find(L"Zweite")->getInstances().size(), static_cast<std::size_t>(kMaxArrangementCopies));
    EXPECT_NE(m_logs.text().find("OBJ_EditCloneNTimes asks for 2000000000 copies"), std::string::npos);
}

TEST_F(ObjektCommandsTest, CopiesInAnArrayStepByTheObjectsExtentInWorldOrLocalAxes)
{
    // A box of 1 scaled to 2 x 1 x 4, turned a quarter about y in the second scene.
    load(L"<SZENE>" + probe(L"Kiste", at(10, 0, 0) + L"<SCALE X=\"2\" Y=\"1\" Z=\"4\"/>") + L"</SZENE>");
    BaseObjekt* kiste = find(L"Kiste");
    EXPECT_EQ(run(L"OBJ_EditCloneArray Kiste 3 1 0.5 x world"), L"erstellt!");
    std::vector<BaseObjekt*> copies = copiesOf(kiste);
    ASSERT_EQ(copies.size(), 3u) << "the probe for the extent left the group again";
    for (int i = 0; i < 3; ++i)
        expectNear(copies[i]->getPosition(), D3DXVECTOR3(10 + 2 * (i + 0.5f), 0, 0));
    EXPECT_EQ(ProbeObjekt::s_alive, 4);
    m_manager->clear();

    load(L"<SZENE>" + probe(L"Kiste", at(10, 0, 0) + L"<SCALE X=\"2\" Y=\"1\" Z=\"4\"/><ROTATION YAW=\"90\"/>") +
         L"</SZENE>");
    kiste = find(L"Kiste");
    // Turned, the world box is 4 wide in x and 2 deep in z; local axes turn that x extent again.
    EXPECT_EQ(run(L"OBJ_EditCloneArray Kiste 1 0 1 x"), L"erstellt!");
    copies = copiesOf(kiste);
    ASSERT_EQ(copies.size(), 1u);
    expectNear(copies[0]->getPosition(), D3DXVECTOR3(10, 0, -4));
    EXPECT_EQ(run(L"OBJ_EditCloneArray Kiste 1 0 1 z WORLD"), L"erstellt!");
    copies = copiesOf(kiste);
    ASSERT_EQ(copies.size(), 2u);
    expectNear(copies[1]->getPosition(), D3DXVECTOR3(10, 0, 2));
    EXPECT_EQ(run(L"OBJ_EditCloneArray Kiste 1 0"),
              L"OBJ_EditCloneArray O1 N FAK OFFSETFAK [X/Y/Z] world/cam/lokal; "
              L"kopiert das Objekt und f\u00FCgt es Nmal in lokaler X/Y/Z Richtung ein");
    EXPECT_EQ(run(L"OBJ_EditCloneArray Nichts 1 0 1"), L"Objekt nicht gefunden!");
}

TEST_F(ObjektCommandsTest, TheTwentyFourCommandsCompleteNamesKeywordsAndFileLines)
{
    int commands = 0;
    for (const auto& [key, command] : m_manager->getCommands()) {
        EXPECT_EQ(key.rfind(L"obj_", 0), 0u);
        EXPECT_NE(command->getHelp().find(L"; "), std::wstring::npos) << command->getName();
        ++commands;
    }
    EXPECT_EQ(commands, 24);
    EXPECT_EQ(
        run(L"OBJ_SaveObject_Instances f.xml"),
        L"OBJ_SaveObject_Instances filename Objektnamen as_instances(0/1) ; speichert alte Instancen des Objekts ");
    EXPECT_EQ(run(L"OBJ_SetEditMouseMode"), L"OBJ_SetMouseMode 0/1; aktiviert den MouseModus");

    load(L"<SZENE>" + probe(L"Kiste") + probe(L"Kiste2") + probe(L"Tonne") + L"</SZENE>");
    EXPECT_EQ(complete(L"OBJ_SetPosition Ki"), (Lines{L"OBJ_SetPosition Kiste", L"OBJ_SetPosition Kiste2"}));
    EXPECT_EQ(complete(L"obj_setrotationquaternion T"), (Lines{L"obj_SetRotationQuaternion Tonne"}));
    EXPECT_EQ(complete(L"OBJ_Remove t"), Lines{}) << "case counts";
    EXPECT_EQ(complete(L"OBJ_Remove Tonne K"), (Lines{L"OBJ_Remove Tonne"})) << "always the first argument";
    EXPECT_EQ(complete(L"OBJ_SetEditObject").size(), 3u) << "nothing typed: every name";
    EXPECT_EQ(complete(L"OBJ_ToggleLicht T"), (Lines{L"OBJ_ToggleLicht Tonne"}));
    EXPECT_EQ(complete(L"OBJ_ToggleLicht Tonne 1"), Lines{});
    EXPECT_EQ(complete(L"OBJ_EditCloneArray Kiste2 3"), Lines{});
    EXPECT_EQ(complete(L"OBJ_SaveObject out.xml Kiste2"), (Lines{L"OBJ_SaveObject out.xml Kiste2"}));
    EXPECT_EQ(complete(L"OBJ_SaveObject out.xml"), Lines{}) << "the file name comes first";
    EXPECT_EQ(complete(L"OBJ_SaveObjectTransform_Instances a.xml T"),
              (Lines{L"OBJ_SaveObjectTransform_Instances a.xml Tonne"}));
    EXPECT_EQ(complete(L"OBJ_EditCloneNTimes Kiste 4 To"), (Lines{L"OBJ_EditCloneNTimes Kiste 4 Tonne"}));
    EXPECT_EQ(complete(L"OBJ_EditCloneNTimes Kiste 4").size(), 3u);
    EXPECT_EQ(complete(L"OBJ_SetEditMode MO"), (Lines{L"OBJ_SetEditMode mouse_local_space", L"OBJ_SetEditMode move",
                                                      L"OBJ_SetEditMode move_cam_space"}));
    EXPECT_EQ(complete(L"OBJ_SetEditMode v"), Lines{}) << "velo is not offered";
    EXPECT_EQ(complete(L"OBJ_LoadFile sz"), Lines{});
    EXPECT_EQ(complete(L"OBJ_EditClone"),
              (Lines{L"OBJ_EditCloneArray", L"OBJ_EditCloneNTimes", L"OBJ_EditCloneOld", L"OBJ_EditCloneSaveOld"}));
}

TEST_F(ObjektCommandsTest, TheSunsTextureListIsNotReadOutsideTheGamesFolder)
{
    // A list outside, named absolutely, by climbing and through a link: none is read.
    TestSupport::TempDir away;
    TestSupport::writeText(away / "sky.xml", "<TEXTUREN/>");
    std::filesystem::create_symlink(away / "sky.xml", m_logs.folder() / "sky.xml");
    for (const std::wstring& list :
         {(away / "sky.xml").wstring(), std::wstring(L"..\\sky.xml"), std::wstring(L"sky.xml")}) {
        load(L"<SZENE><SONNE TEXTURLISTE=\"" + list + L"\"/></SZENE>");
        const std::string name(list.begin(), list.end());
        EXPECT_NE(m_logs.text("UlvoFile.log").find(name + " leads out of the data folders"), std::string::npos) << name;
        EXPECT_NE(m_logs.text().find("\"" + name + "\" could not be read; the sky draws without its maps"),
                  std::string::npos)
            << name;
    }
}

TEST_F(ObjektCommandsTest, AScenePastItsBudgetIsCutWithOneLineAndASignalEndsItsLoading)
{
    // Room for eight objects, plain ones and copies: the rest of the file is left out, said once.
    m_manager->getSceneBudget().setLimit({8, SceneBudget::kSceneLimit.bytes});
    std::wstring scene = L"<SZENE>";
    for (const wchar_t* name : {L"A", L"B", L"C", L"D", L"E"})
        scene += probe(name);
    for (int i = 0; i < 1000; ++i)
        scene += L"<OBJEKT_ANORDNUNG><SRC_OBJECT NAME=\"A\"/><INSTANZEN><INSTANZ/><INSTANZ/><INSTANZ/>"
                 L"</INSTANZEN></OBJEKT_ANORDNUNG>";
    EXPECT_EQ(load(scene + L"</SZENE>").size(), 5u + 3u);
    EXPECT_NE(find(L"E"), nullptr);
    EXPECT_EQ(ProbeObjekt::s_alive, 8);
    const std::string log = m_logs.text();
    // The first copy of the second arrangement and of each later one.
    const std::size_t line = log.find("asks for more than a scene may hold; 999 objects or copies from \"A\" on");
    EXPECT_NE(line, std::string::npos) << log;
    EXPECT_EQ(log.find("SceneBudget", line + 1), std::string::npos) << "one line";
    // The budget holds for everything loaded: the next file finds it spent, until what the first
    // made goes and gives its share back.
    const std::wstring next = L"<SZENE>" + probe(L"X") + probe(L"Y") + probe(L"Z") + L"</SZENE>";
    EXPECT_TRUE(load(next).empty());
    EXPECT_NE(m_logs.text().find("3 objects or copies from \"X\" on"), std::string::npos);
    m_manager->clear();
    EXPECT_EQ(m_manager->getSceneBudget().used().objects, 0u);
    EXPECT_EQ(m_manager->getSceneBudget().used().bytes, 0u);
    EXPECT_EQ(load(next).size(), 3u);
    const uint64_t three = m_manager->getSceneBudget().used().bytes;
    EXPECT_TRUE(run(L"OBJ_Remove X").find(L"nicht") == std::wstring::npos);
    EXPECT_EQ(m_manager->getSceneBudget().used().objects, 2u) << "a removed object gives its share back";
    EXPECT_LT(m_manager->getSceneBudget().used().bytes, three);

    // Parts inside a COORDS object are objects too, however deep: they pay and give back.
    m_manager->clear();
    m_manager->getSceneBudget().setLimit({3, SceneBudget::kSceneLimit.bytes});
    const int alive = ProbeObjekt::s_alive;
    const std::wstring parts = L"<WORLD_X TYPE=\"PROBE\"/><WORLD_Y TYPE=\"PROBE\"/><WORLD_Z TYPE=\"PROBE\"/>";
    load(L"<SZENE><OBJEKT NAME=\"Achsen\" TYPE=\"COORDS\"><COORDS_DATA>" + parts +
         L"<LOKAL_X TYPE=\"COORDS\"><COORDS_DATA>" + parts +
         L"</COORDS_DATA></LOKAL_X></COORDS_DATA></OBJEKT></SZENE>");
    EXPECT_EQ(m_manager->getSceneBudget().used().objects, 3u);
    EXPECT_EQ(ProbeObjekt::s_alive - alive, 2) << "the object and two parts fill the room for three";
    m_manager->clear();
    EXPECT_EQ(m_manager->getSceneBudget().used().objects, 0u);
    EXPECT_EQ(m_manager->getSceneBudget().used().bytes, 0u);

    // A termination signal ends the loading at once: nothing more is made.
    PlatformRaiseTerminationSignal();
    EXPECT_TRUE(load(L"<SZENE>" + probe(L"F") + L"</SZENE>").empty());
    EXPECT_NE(m_logs.text().find("the game is ending; 1 objects or copies from \"F\" on"), std::string::npos);
    // The engine's manager outlives the test: its limit and the signal go back as they were.
    m_manager->getSceneBudget().setLimit(SceneBudget::kSceneLimit);
    PlatformClearTerminationSignal();
}

TEST_F(ObjektCommandsTest, CopiesArePaidInTheBytesTheyAllocateAndCutWhereTheBytesEnd)
{
    // A light and an attach point make each copy hold more than the object's own block.
    const std::wstring scene =
        L"<SZENE>" + probe(L"Quelle", L"<LIGHT_PARAMS><LIGHT_ATTACH/></LIGHT_PARAMS><CAMERA_ATTACH/>") + L"</SZENE>";
    load(scene);
    std::wstring copies = L"<SZENE><OBJEKT_ANORDNUNG><SRC_OBJECT NAME=\"Quelle\"/><INSTANZEN>";
    for (int i = 0; i < 2000; ++i)
        copies += L"<INSTANZ/>";
    copies += L"</INSTANZEN></OBJEKT_ANORDNUNG></SZENE>";
    const XMLNode arrangement = SceneTesting::parseNode(copies);
    SceneBudget& budget = m_manager->getSceneBudget();
    const uint64_t paidBefore = budget.used().bytes;
    const uint64_t heapBefore = heapInUse();
    XMLNode root = arrangement;
    ASSERT_EQ(m_manager->loadSceneFile(&root).size(), 2000u);
    const uint64_t allocated = heapInUse() - heapBefore;
    const uint64_t paid = budget.used().bytes - paidBefore;
    // What the copies hold (their blocks, lights, attach points, names and entries) is paid,
    // neither much less nor grossly more.
    EXPECT_GE(paid, allocated * 9 / 10) << "allocated " << allocated;
    EXPECT_LE(paid, allocated * 2) << "allocated " << allocated;
    EXPECT_EQ(budget.used().objects, 2001u);

    // With room for ten more copies' bytes (and objects to spare) ten are made, the rest said once.
    const uint64_t perCopy = find(L"Quelle")->copyCost().bytes;
    budget.setLimit({SceneBudget::kSceneLimit.objects, budget.used().bytes + 10 * perCopy + perCopy / 2});
    root = arrangement;
    EXPECT_EQ(m_manager->loadSceneFile(&root).size(), 10u);
    EXPECT_NE(m_logs.text().find("asks for more than a scene may hold; 1 objects or copies from \"Quelle\" on"),
              std::string::npos)
        << m_logs.text();
    m_manager->clear();
    EXPECT_EQ(budget.used().bytes, 0u);
    budget.setLimit(SceneBudget::kSceneLimit);
}
