// The name-keyed registry: references held and handed over, duplicates, renames (taken and
// free), deletion by other means, filtered listing, and entries found by pointer.
#include "engine/scene/TestObjekt.h"
#include "scene/registry/MySingleObjektManager.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace Ulvo;
using SceneTesting::makeObjekt;

namespace {

class MySingleObjektManagerTest : public ::testing::Test {
protected:
    // A new object named so, handed over to the registry.
    BaseObjekt* registered(const std::wstring& name)
    {
        BaseObjekt* object = makeObjekt(name);
        registry.add(object, true);
        return object;
    }

    LogCapture logs;
    MySingleObjektManager<BaseObjekt*> registry;
};

} // namespace

TEST_F(MySingleObjektManagerTest, ReferencesAreTakenOrHandedOverAndDuplicatesAreRefused)
{
    BaseObjekt* kept = makeObjekt(L"Haus");
    ASSERT_TRUE(registry.add(kept, false));
    EXPECT_EQ(kept->getRefCount(), 2);
    EXPECT_EQ(registry.find(L"Haus"), kept);
    EXPECT_EQ(registry.find(L"haus"), nullptr);

    // A second object of the taken name, handed over: refused and destroyed.
    bool destroyed = false;
    struct Watch : sigslot::has_slots<> {
        bool* flag;
        void onDeleted(NamedObject*) { *flag = true; }
    } watch;
    watch.flag = &destroyed;
    BaseObjekt* twin = makeObjekt(L"Haus");
    twin->onDeleted.connect(&watch, &Watch::onDeleted);
    EXPECT_FALSE(registry.add(twin, true));
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(registry.find(L"Haus"), kept);
    EXPECT_NE(logs.text().find("Objekt mit Namen \"Haus\" bereits in Liste"), std::string::npos);
    EXPECT_FALSE(registry.add(nullptr, false));

    // Removed by name, the object keeps the caller's reference.
    EXPECT_TRUE(registry.removeByName(L"Haus"));
    EXPECT_EQ(kept->getRefCount(), 1);
    EXPECT_FALSE(registry.removeByName(L"Haus"));
    kept->Release();
}

TEST_F(MySingleObjektManagerTest, RenamesAndDeletionsAreFollowed)
{
    BaseObjekt* a = registered(L"A");
    BaseObjekt* b = registered(L"B");

    a->rename(L"C");
    EXPECT_EQ(registry.find(L"C"), a);
    EXPECT_EQ(registry.find(L"A"), nullptr);

    // A taken name is refused: both names still find what they found.
    a->rename(L"B");
    EXPECT_EQ(registry.find(L"C"), a);
    EXPECT_EQ(registry.find(L"B"), b);

    std::vector<BaseObjekt*> all;
    EXPECT_EQ(registry.getObjects(L"", all), 2u);
    std::vector<BaseObjekt*> filtered;
    EXPECT_EQ(registry.getObjects(L"b", filtered), 0u); // case counts
    EXPECT_EQ(registry.getObjects(L"B", filtered), 2u); // a is named "B" now, too

    // Destroyed by other means: its entry goes without a release.
    delete b;
    EXPECT_EQ(registry.find(L"B"), nullptr);
    EXPECT_EQ(registry.getCount(), 1u);
    registry.clear();
    EXPECT_EQ(registry.getCount(), 0u);
}

TEST_F(MySingleObjektManagerTest, EntriesAreFoundByPointerNotByName)
{
    BaseObjekt* first = registered(L"X");
    BaseObjekt* second = registered(L"Y");

    // An object of a registered name that is not itself registered: nothing released, nothing
    // erased.
    BaseObjekt* stranger = makeObjekt(L"X");
    EXPECT_FALSE(registry.remove(stranger));
    EXPECT_EQ(stranger->getRefCount(), 1);
    EXPECT_EQ(registry.find(L"X"), first);
    stranger->Release();
    EXPECT_EQ(registry.find(L"X"), first);

    // After a refused rename the entry's key is the old name: removing or destroying the object
    // still takes exactly its own entry.
    first->rename(L"Y");
    EXPECT_EQ(registry.find(L"X"), first);
    first->AddRef();
    EXPECT_TRUE(registry.remove(first));
    EXPECT_EQ(registry.find(L"X"), nullptr);
    EXPECT_EQ(registry.find(L"Y"), second);
    EXPECT_EQ(first->getRefCount(), 1);

    registry.add(first, true); // "Y" is taken: refused and released
    BaseObjekt* third = makeObjekt(L"Z");
    registry.add(third, false);
    third->rename(L"Y");
    third->Release(); // the registry's reference is the last one
    EXPECT_EQ(registry.find(L"Z"), third);
    registry.removeByName(L"Z");
    EXPECT_EQ(registry.find(L"Y"), second);
    EXPECT_EQ(registry.getCount(), 1u);
}
