// The scene-object kinds: a kind a layer adds to the manager's registry builds the objects of its
// TYPE for that manager; a TYPE nobody registered gives a plain mesh object and a log line.
#include "engine/scene/TestObjekt.h"
#include "scene/ObjektKinds.h"
#include "scene/ObjektManager.h"
#include "scene/objects/mesh/MeshObjekt.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace Ulvo;

namespace {

ObjektManager* s_lastOwner = nullptr;

BaseObjekt* makeTestObjekt(XMLNode* node, ObjektManager* owner)
{
    s_lastOwner = owner;
    return new SceneTesting::TestObjekt(node);
}

} // namespace

TEST(ObjektKindsTest, ARegisteredKindBuildsItsTypeForTheOwnerAndAnUnknownTypeAPlainMesh)
{
    LogCapture logs;
    ObjektManager manager;
    manager.getKinds().add(L"BOX", &makeTestObjekt);
    XMLNode node;
    XMLNode::load(&node, L"<OBJEKT NAME=\"Kiste\" TYPE=\"BOX\"/>", 1);
    BaseObjekt* object = createObjektByType(&node, &manager);
    ASSERT_NE(object, nullptr);
    EXPECT_NE(dynamic_cast<SceneTesting::TestObjekt*>(object), nullptr);
    EXPECT_EQ(s_lastOwner, &manager);
    object->Release();

    XMLNode other;
    XMLNode::load(&other, L"<OBJEKT NAME=\"Fels\" TYPE=\"ROCK\"/>", 1);
    BaseObjekt* rock = createObjektByType(&other, &manager);
    EXPECT_NE(dynamic_cast<MeshObjekt*>(rock), nullptr) << "a word of no kind gives a plain mesh";
    EXPECT_NE(logs.text().find("OBJEKT \"Fels\" of TYPE \"ROCK\" has no kind of its own"), std::string::npos);
    if (rock)
        rock->Release();
    EXPECT_EQ(createObjektByType(nullptr, &manager), nullptr);
}
