#include "foundation/objects/NamedObject.h"
#include "foundation/objects/NamedObjectList.h"
#include "foundation/xml/XMLNode.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Ulvo::NamedObject;

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Follows objects the way a registry does.
class Watcher : public sigslot::has_slots<> {
public:
    void onDeleted(NamedObject* object)
    {
        deleted.push_back(object);
        if (releaseOnDelete)
            object->Release();
    }
    void onRenamed(NamedObject* object, const std::wstring& newName, const std::wstring& oldName)
    {
        renamed.push_back({object, newName, oldName});
    }

    struct Rename {
        NamedObject* object;
        std::wstring newName;
        std::wstring oldName;
    };
    std::vector<NamedObject*> deleted;
    std::vector<Rename> renamed;
    bool releaseOnDelete = false;
};

void watch(NamedObject& object, Watcher& watcher)
{
    object.onDeleted.connect(&watcher, &Watcher::onDeleted);
    object.onRenamed.connect(&watcher, &Watcher::onRenamed);
}

TEST(NamedObject, DefaultNamesAreConsecutiveNumbers)
{
    LogCapture capture;
    NamedObject a;
    NamedObject b;
    NamedObject named(L"Named");
    NamedObject c;
    EXPECT_EQ(b.getNumber(), a.getNumber() + 1);
    EXPECT_EQ(c.getNumber(), a.getNumber() + 3);
    EXPECT_EQ(a.getName(), std::to_wstring(a.getNumber()));
    EXPECT_EQ(b.getName(), std::to_wstring(b.getNumber()));
    EXPECT_EQ(named.getName(), L"Named");
    EXPECT_EQ(a.getRefCount(), 1);
    EXPECT_TRUE(contains(capture.text(), "NamedObject: Named created\n"));
}

TEST(NamedObject, NodeConstructorTakesNameAttributeOrNumber)
{
    Ulvo::XMLNode withName(L"OBJ");
    withName.addAttribute(new Ulvo::XMLAttribute(L"NAME", L"Lamp"));
    Ulvo::XMLNode without(L"OBJ");
    without.addAttribute(new Ulvo::XMLAttribute(L"TYPE", L"Lamp"));

    NamedObject lamp(&withName);
    NamedObject numbered(&without);
    NamedObject fromNull(static_cast<Ulvo::XMLNode*>(nullptr));
    EXPECT_EQ(lamp.getName(), L"Lamp");
    EXPECT_EQ(numbered.getNumber(), lamp.getNumber() + 1);
    EXPECT_EQ(numbered.getName(), std::to_wstring(numbered.getNumber()));
    EXPECT_EQ(fromNull.getName(), std::to_wstring(fromNull.getNumber()));
}

TEST(NamedObject, RenameEmitsAndLogsEvenForTheSameName)
{
    LogCapture capture;
    Watcher watcher;
    NamedObject object(L"Old");
    watch(object, watcher);

    object.rename(L"New");
    object.rename(L"New");
    ASSERT_EQ(watcher.renamed.size(), 2u);
    EXPECT_EQ(watcher.renamed[0].object, &object);
    EXPECT_EQ(watcher.renamed[0].newName, L"New");
    EXPECT_EQ(watcher.renamed[0].oldName, L"Old");
    EXPECT_EQ(watcher.renamed[1].oldName, L"New");
    EXPECT_EQ(object.getName(), L"New");
    const std::string log = capture.text();
    EXPECT_TRUE(contains(log, "NamedObject: Old renamed in New\n"));
    EXPECT_TRUE(contains(log, "NamedObject: New renamed in New\n"));
}

TEST(NamedObject, CopyLogsCopiedTakesANewNumberAndStartsUnwatched)
{
    LogCapture capture;
    Watcher watcher;
    auto* original = new NamedObject(L"Stone");
    original->AddRef();
    NamedObject helper(L"helper");
    original->getAttached().push_back(&helper);
    watch(*original, watcher);
    {
        NamedObject copy(*original);
        EXPECT_EQ(copy.getName(), L"Stone");
        EXPECT_GT(copy.getNumber(), original->getNumber());
        EXPECT_EQ(copy.getRefCount(), 1);
        EXPECT_EQ(copy.getAttached(), original->getAttached());
        copy.rename(L"Pebble");
    }
    // Neither the copy's rename nor its end reached the original's watcher.
    EXPECT_TRUE(watcher.renamed.empty());
    EXPECT_TRUE(watcher.deleted.empty());

    const std::string log = capture.text();
    EXPECT_TRUE(contains(log, "NamedObject: Stone copied\n"));
    EXPECT_EQ(log.find("NamedObject: Stone created\n"), log.rfind("NamedObject: Stone created\n"));
    EXPECT_TRUE(contains(log, "NamedObject: Pebble deleted\n"));

    original->Release();
    original->Release();
    EXPECT_EQ(watcher.deleted, std::vector<NamedObject*>{original});
}

TEST(NamedObject, AssignmentCopiesOnlyTheName)
{
    NamedObject a(L"A");
    NamedObject b(L"B");
    b.AddRef();
    const uint32_t number = b.getNumber();
    b = a;
    EXPECT_EQ(b.getName(), L"A");
    EXPECT_EQ(b.getNumber(), number);
    EXPECT_EQ(b.getRefCount(), 2);
}

TEST(NamedObject, ReleaseDeletesAtZeroAndOnlyWarnsAfterwards)
{
    LogCapture capture;
    Watcher watcher;
    auto* object = new NamedObject(L"Gem");
    watch(*object, watcher);
    object->AddRef();
    object->Release();
    EXPECT_TRUE(watcher.deleted.empty());
    EXPECT_EQ(object->getRefCount(), 1);

    // A registry that releases what it is told about during the deletion meets
    // a count of 0: it must only warn, not delete a second time.
    watcher.releaseOnDelete = true;
    object->Release();
    EXPECT_EQ(watcher.deleted, std::vector<NamedObject*>{object});
    const std::string log = capture.text();
    EXPECT_TRUE(contains(log, "\"Gem\" Release() on Objekt with Zero RefCount !\n"));
    EXPECT_TRUE(contains(log, "NamedObject: Gem deleted\n"));
}

TEST(NamedObject, LoadAndSaveUseTheNameAttribute)
{
    LogCapture capture;
    Watcher watcher;
    NamedObject object(L"Before");
    watch(object, watcher);

    Ulvo::XMLNode empty(L"OBJ");
    EXPECT_TRUE(object.load(&empty));
    EXPECT_EQ(object.getName(), L"Before");

    Ulvo::XMLNode node(L"OBJ");
    node.addAttribute(new Ulvo::XMLAttribute(L"NAME", L"After"));
    object.load(&node);
    EXPECT_EQ(object.getName(), L"After");
    EXPECT_TRUE(watcher.renamed.empty());
    EXPECT_FALSE(contains(capture.text(), "renamed"));

    Ulvo::XMLNode saved(L"OBJ");
    EXPECT_TRUE(object.save(&saved));
    Ulvo::XMLAttribute* name = saved.getAttribute(L"NAME");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->getValue(), L"After");
}

TEST(NamedObject, FindNamedObjectIsExactAndCaseSensitive)
{
    NamedObject first(L"Ruby");
    NamedObject second(L"Ruby");
    NamedObject other(L"Rubyx");
    std::vector<NamedObject*> objects{nullptr, &other, &first, &second};
    EXPECT_EQ(Ulvo::findNamedObject(objects, L"Ruby"), &first);
    EXPECT_EQ(Ulvo::findNamedObject(objects, L"ruby"), nullptr);
    EXPECT_EQ(Ulvo::findNamedObject(objects, L"Rub"), nullptr);
    EXPECT_EQ(Ulvo::findNamedObject(objects, L"Rubyx"), &other);
    EXPECT_EQ(Ulvo::findNamedObject(std::vector<NamedObject*>{}, L"Ruby"), nullptr);
}

TEST(NamedObjectList, ReleaseAllReleasesEveryEntryOfBothLists)
{
    Watcher watcher;
    auto* a = new NamedObject(L"A");
    auto* b = new NamedObject(L"B");
    auto* kept = new NamedObject(L"Kept");
    kept->AddRef();
    for (NamedObject* object : {a, b, kept})
        watch(*object, watcher);

    {
        Ulvo::NamedObjectList list;
        list.first = {a, nullptr};
        list.second = {b, kept};
        list.releaseAll();
        EXPECT_TRUE(list.first.empty());
        EXPECT_TRUE(list.second.empty());
        EXPECT_EQ(watcher.deleted, (std::vector<NamedObject*>{a, b}));
        EXPECT_EQ(kept->getRefCount(), 1);

        // The destructor releases what is left.
        kept->AddRef();
        list.first.push_back(kept);
    }
    EXPECT_EQ(kept->getRefCount(), 1);
    kept->Release();
    EXPECT_EQ(watcher.deleted.size(), 3u);
}

TEST(NamedObjectList, FindByNameSearchesTheSecondList)
{
    NamedObject inFirst(L"Target");
    NamedObject inSecond(L"Target");
    NamedObject other(L"Other");
    Ulvo::NamedObjectList list;
    list.first = {&inFirst};
    list.second = {nullptr, &other, &inSecond};
    EXPECT_EQ(Ulvo::findByName(list, L"Target"), &inSecond);
    EXPECT_EQ(Ulvo::findByName(list, L"target"), nullptr);
    // Stack objects: clear the lists so nothing is released.
    list.first.clear();
    list.second.clear();
}

} // namespace
