// The OBJ_ save commands typed into the console: their answers line by line, the files they write
// (also when nothing was found), and their output loaded again through OBJ_LoadFile giving the same
// scene: the objects, their transforms and their instance groups.
#include "engine/scene/ObjektCommandsSupport.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

using namespace Ulvo;
using SceneTesting::ObjektCommandsTest;
using SceneTesting::ProbeObjekt;

namespace {

using Names = std::vector<std::wstring>;

std::wstring names(const XMLNode& root)
{
    std::wstring text;
    for (const XMLNode* node : root.getNodes())
        text += node->getName() + L"(" + node->getAttributeValue(L"NAME") + node->getAttributeValue(L"BASENAME") +
                L":" + std::to_wstring(node->getNodeCount()) + L") ";
    return text;
}

// A transform rounded so that written and read floats compare alike.
std::wstring transformText(const BaseObjekt& object)
{
    const D3DXVECTOR3& p = object.getBasePosition();
    const D3DXVECTOR3& s = object.getScale();
    const D3DXQUATERNION& q = object.getRotation();
    std::wostringstream out;
    out.precision(4);
    out << std::fixed << p.x << ' ' << p.y << ' ' << p.z << " | " << s.x << ' ' << s.y << ' ' << s.z << " | " << q.x
        << ' ' << q.y << ' ' << q.z << ' ' << q.w;
    return out.str();
}

// The scene as the saves must keep it: every object that stands for itself or heads a group by
// name with its transform and graph membership, every group's members by their transforms (their
// names carry unique numbers and change on reloading).
std::map<std::wstring, std::vector<std::wstring>> sceneOf(ObjektManager& manager)
{
    std::vector<BaseObjekt*> objects;
    manager.getObjects(std::wstring(), objects);
    std::map<std::wstring, std::vector<std::wstring>> scene;
    for (BaseObjekt* object : objects) {
        BaseObjekt* root = object->getInstanceGroup();
        if (root == object) {
            scene[object->getName()].push_back(L"self " + transformText(*object) +
                                               (object->getSceneGraphNode() ? L" shown" : L" hidden"));
        } else {
            scene[root ? root->getName() : L"?"].push_back(transformText(*object));
        }
    }
    for (auto& entry : scene)
        std::sort(entry.second.begin(), entry.second.end());
    return scene;
}

XMLNode loaded(const std::wstring& file)
{
    XMLNode root;
    EXPECT_TRUE(XMLNode::load(&root, file, 0)) << std::string(file.begin(), file.end());
    return root;
}

} // namespace

class ObjektSaveCommandsTest : public ObjektCommandsTest {
protected:
    // Haus heads a group of three copies at their own places; Baum stands alone.
    void loadGroup()
    {
        load(L"<SZENE>" + probe(L"Haus", at(1, 0, 2) + L"<SCALE X=\"2\" Y=\"2\" Z=\"2\"/>") +
             probe(L"Baum", at(-3, 0, 0)) +
             L"<OBJEKT_ANORDNUNG><SRC_OBJECT NAME=\"Haus\"/><INSTANZEN>"
             L"<INSTANZ><POSITION X=\"5\" Y=\"0\" Z=\"0\"/><ROTATION_QUAT X=\"0\" Y=\"1\" Z=\"0\" W=\"0\"/></INSTANZ>"
             L"<INSTANZ><POSITION X=\"6\" Y=\"0.5\" Z=\"-2.25\"/><SCALE X=\"1\" Y=\"3\" Z=\"1\"/></INSTANZ>"
             L"<INSTANZ><POSITION X=\"7\" Y=\"0\" Z=\"0\"/></INSTANZ>"
             L"</INSTANZEN></OBJEKT_ANORDNUNG></SZENE>");
        ASSERT_EQ(find(L"Haus")->getInstances().size(), 3u);
    }
    std::vector<BaseObjekt*> instances(const std::wstring& root)
    {
        std::vector<BaseObjekt*> list;
        for (const auto& entry : find(root)->getInstances())
            list.push_back(entry.second);
        std::sort(list.begin(), list.end(),
                  [](BaseObjekt* a, BaseObjekt* b) { return a->getPosition().x < b->getPosition().x; });
        return list;
    }
};

TEST_F(ObjektSaveCommandsTest, SaveObjectWritesTheFoundObjectsAndAnswersTheMissingOnes)
{
    loadGroup();
    EXPECT_EQ(run(L"OBJ_SaveObject a.xml Fehlt Haus"), L"Fehlt nicht gefunden!\nObjekt gespeichert!");
    EXPECT_EQ(names(loaded(L"a.xml")), L"OBJEKT(Haus:4) ");
    EXPECT_EQ(run(L"OBJ_SaveObject b.xml Haus Fehlt Baum"), L"\nFehlt nicht gefunden!\nObjekt gespeichert!");
    EXPECT_EQ(names(loaded(L"b.xml")), L"OBJEKT(Haus:4) OBJEKT(Baum:4) ");
    EXPECT_EQ(run(L"OBJ_SaveObject c.xml Fehlt"), L"Fehlt nicht gefunden!");
    EXPECT_EQ(names(loaded(L"c.xml")), L"") << "written though nothing was found";
    EXPECT_EQ(loaded(L"c.xml").getName(), L"OBJEKTE");
    EXPECT_EQ(run(L"OBJ_SaveObject c.xml"), L"OBJ_SaveObject filename Objektnamen ; speichert das Objekt");
}

TEST_F(ObjektSaveCommandsTest, TransformSavesWriteEntriesTheArrangementsRead)
{
    loadGroup();
    EXPECT_EQ(run(L"OBJ_SaveObjectTransform t.xml Baum Fehlt"),
              L"Baum  wird gespeichert!\nFehlt nicht gefunden!\nDaten gespeichert!");
    XMLNode file = loaded(L"t.xml");
    EXPECT_EQ(file.getName(), L"TRANSFORMS");
    ASSERT_EQ(names(file), L"INSTANZ(Baum:3) ");
    const XMLNode* entry = file.getNode(L"INSTANZ");
    D3DXVECTOR3 position(9, 9, 9);
    D3DXVECTOR4 rotation(9, 9, 9, 9);
    EXPECT_TRUE(entry->readPoint(L"POSITION", position));
    EXPECT_TRUE(entry->readPoint(L"ROTATION_QUAT", rotation));
    EXPECT_EQ(position, D3DXVECTOR3(-3, 0, 0));
    EXPECT_EQ(rotation, D3DXVECTOR4(0, 0, 0, 1));
    EXPECT_EQ(run(L"OBJ_SaveObjectTransform leer.xml Fehlt"), L"Fehlt nicht gefunden!\nDaten gespeichert!");
    EXPECT_EQ(loaded(L"leer.xml").getName(), L"TRANSFORMS");

    // An instance's name gives its whole group, under the root's name.
    const std::wstring copy = instances(L"Haus")[1]->getName();
    EXPECT_EQ(run(L"OBJ_SaveObjectTransform_Instances i.xml Fehlt " + copy + L" Baum"),
              L"Fehlt nicht gefunden!\nHaus 3 werden gespeichert!\nBaum 0 werden gespeichert!\nDaten gespeichert!");
    EXPECT_EQ(names(loaded(L"i.xml")), L"INSTANZEN(Haus:3) INSTANZEN(Baum:0) ");
}

TEST_F(ObjektSaveCommandsTest, AGroupSavedAsAnArrangementLoadsBackAtItsPlaces)
{
    loadGroup();
    const auto before = sceneOf(*m_manager);
    ASSERT_EQ(before.at(L"Haus").size(), 4u);

    EXPECT_EQ(run(L"OBJ_SaveObject_Instances anordnung.xml Haus 2"),
              L"Haus 4 werden gespeichert!\nObjekte gespeichert!");
    EXPECT_EQ(names(loaded(L"anordnung.xml")), L"OBJEKT(Haus:4) OBJEKT_ANORDNUNG(:2) ");
    EXPECT_EQ(run(L"OBJ_SaveObject_Instances transforms.xml Haus 1"),
              L"Haus 4 werden gespeichert!\nObjekte gespeichert!");
    EXPECT_EQ(names(loaded(L"transforms.xml")), L"OBJEKT(Haus:4) INSTANZEN(Haus:3) ");
    const std::wstring copy = instances(L"Haus")[0]->getName();
    EXPECT_EQ(run(L"OBJ_SaveObject_Instances objekte.xml " + copy),
              L"Haus 4 werden gespeichert!\nObjekte gespeichert!");
    EXPECT_EQ(names(loaded(L"objekte.xml")).substr(0, 15), L"OBJEKT(Haus:4) ");
    EXPECT_EQ(loaded(L"objekte.xml").getNodeCount(L"OBJEKT"), 4u);
    EXPECT_EQ(run(L"OBJ_SaveObject_Instances fehlt.xml Fehlt 2"), L"Fehlt nicht gefunden!");
    EXPECT_EQ(names(loaded(L"fehlt.xml")), L"");

    m_manager->clear();
    EXPECT_EQ(run(L"OBJ_LoadFile anordnung.xml"), L"4 Objekte geladen");
    const auto after = sceneOf(*m_manager);
    EXPECT_EQ(after.size(), 1u) << "Baum was not saved";
    EXPECT_EQ(after.at(L"Haus"), before.at(L"Haus")) << "the root and its three copies at their transforms";
    EXPECT_EQ(find(L"Haus")->getInstances().size(), 3u);
}

TEST_F(ObjektSaveCommandsTest, AllVisibleObjectsKeepTheShownCopiesOfEachGroup)
{
    loadGroup();
    // One copy leaves the graph, one is left out by name; Baum's group has no copies at all.
    std::vector<BaseObjekt*> copies = instances(L"Haus");
    m_graph->removeObject(copies[0], true);
    EXPECT_EQ(run(L"OBJ_SaveAllVisibleObjects alle.xml 0 " + copies[2]->getName()), L"\nObjekte gespeichert!");
    XMLNode file = loaded(L"alle.xml");
    ASSERT_EQ(names(file), L"OBJEKT_ANORDNUNG(:2) ") << "no OBJEKT node in mode 0";
    const XMLNode* arrangement = file.getNode(L"OBJEKT_ANORDNUNG");
    EXPECT_EQ(arrangement->getNode(L"SRC_OBJECT")->getAttributeValue(L"NAME"), L"Haus");
    EXPECT_EQ(arrangement->getNode(L"SRC_OBJECT")->getAttributeValue(L"PROP"), L"1");
    ASSERT_EQ(names(*arrangement->getNode(L"INSTANZEN")), L"INSTANZ(" + copies[1]->getName() + L":3) ");

    EXPECT_EQ(run(L"OBJ_SaveAllVisibleObjects objekte.xml 2"), L"\nObjekte gespeichert!");
    const std::wstring shown = names(loaded(L"objekte.xml"));
    EXPECT_EQ(loaded(L"objekte.xml").getNodeCount(), 2u) << shown;
    EXPECT_NE(shown.find(L"OBJEKT(" + copies[1]->getName() + L":"), std::wstring::npos) << shown;
    EXPECT_NE(shown.find(L"OBJEKT(" + copies[2]->getName() + L":"), std::wstring::npos) << shown;

    // Mode 1 with everything shown: the whole scene again after loading.
    m_graph->addObject(copies[0], true);
    const auto before = sceneOf(*m_manager);
    EXPECT_EQ(run(L"OBJ_SaveAllVisibleObjects szene.xml 1"), L"\nObjekte gespeichert!");
    EXPECT_EQ(loaded(L"szene.xml").getNodeCount(L"OBJEKT"), 2u);
    EXPECT_EQ(loaded(L"szene.xml").getNodeCount(L"OBJEKT_ANORDNUNG"), 1u);
    m_manager->clear();
    EXPECT_EQ(run(L"OBJ_LoadFile szene.xml"), L"5 Objekte geladen");
    EXPECT_EQ(sceneOf(*m_manager), before);
    for (BaseObjekt* copy : instances(L"Haus"))
        EXPECT_TRUE(copy->getSceneGraphNode()) << "copies of a shown source are shown";
    EXPECT_EQ(run(L"OBJ_SaveAllVisibleObjects"),
              L"OBJ_SaveAllVisibleObjects filename [mode]; speichert alle im Levelsichtbaren Objekte");
}

// A root destroyed with a single copy leaves that copy without any group root: the group saves
// stand it for itself instead of reaching through a null root, the visible save passes it over.
TEST_F(ObjektSaveCommandsTest, AnObjectWhoseGroupFellApartSavesAsItsOwnGroup)
{
    load(L"<SZENE>" + probe(L"Haus", at(1, 0, 2)) + L"</SZENE>");
    EXPECT_EQ(run(L"OBJ_Clone Haus Kopie"), L"Objekt kopiert!");
    EXPECT_EQ(run(L"OBJ_Remove Haus"), L"Haus Objekt entfernt!");
    BaseObjekt* kopie = find(L"Kopie");
    ASSERT_NE(kopie, nullptr);
    ASSERT_EQ(kopie->getInstanceGroup(), nullptr);
    m_graph->addObject(kopie, true);

    EXPECT_EQ(run(L"OBJ_SaveObjectTransform_Instances i.xml Kopie"),
              L"Kopie 0 werden gespeichert!\nDaten gespeichert!");
    EXPECT_EQ(names(loaded(L"i.xml")), L"INSTANZEN(Kopie:0) ");
    EXPECT_EQ(run(L"OBJ_SaveObject_Instances o.xml Kopie 2"), L"Kopie 1 werden gespeichert!\nObjekte gespeichert!");
    EXPECT_EQ(names(loaded(L"o.xml")), L"OBJEKT(Kopie:4) OBJEKT_ANORDNUNG(:2) ");
    EXPECT_EQ(run(L"OBJ_SaveAllVisibleObjects a.xml 3"), L"\nObjekte gespeichert!");
    EXPECT_EQ(names(loaded(L"a.xml")), L"");
    // A copy of it starts a group of its own again.
    EXPECT_EQ(run(L"OBJ_EditCloneNTimes Kopie 1"), L"erstellt!");
    ASSERT_EQ(kopie->getInstances().size(), 1u);
    EXPECT_EQ(kopie->getInstances().begin()->second->getName().rfind(L"Kopie_INSTANZ_", 0), 0u);
}

// A file that cannot be written is answered as such, never as saved.
TEST_F(ObjektSaveCommandsTest, ASaveThatCannotBeWrittenSaysSo)
{
    loadGroup();
    m_graph->addObject(find(L"Haus"), true);
    const std::wstring failed = L"\nfehlt\\x.xml konnte nicht gespeichert werden!";
    EXPECT_EQ(run(L"OBJ_SaveAllVisibleObjects fehlt\\x.xml 1"), failed);
    EXPECT_EQ(run(L"OBJ_SaveObject fehlt\\x.xml Haus"), failed);
    EXPECT_EQ(run(L"OBJ_SaveObject fehlt\\x.xml Fehlt"), L"Fehlt nicht gefunden!" + failed);
    EXPECT_EQ(run(L"OBJ_SaveObjectTransform fehlt\\x.xml Baum"), L"Baum  wird gespeichert!" + failed);
    EXPECT_EQ(run(L"OBJ_SaveObjectTransform_Instances fehlt\\x.xml Haus"), L"Haus 3 werden gespeichert!" + failed);
    EXPECT_EQ(run(L"OBJ_SaveObject_Instances fehlt\\x.xml Haus 1"), L"Haus 4 werden gespeichert!" + failed);
    EXPECT_FALSE(std::filesystem::exists("fehlt"));
}
