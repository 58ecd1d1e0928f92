#include "foundation/objects/NamedObjectList.h"

#include "foundation/objects/NamedObject.h"

namespace Ulvo {

namespace {

void releaseEntries(std::vector<NamedObject*>& entries)
{
    // Emptied first: releasing may delete an object whose deletion handlers
    // look at this list again.
    std::vector<NamedObject*> taken;
    taken.swap(entries);
    for (NamedObject* object : taken) {
        if (object)
            object->Release();
    }
}

} // namespace

NamedObjectList::~NamedObjectList()
{
    releaseAll();
}

void NamedObjectList::releaseAll()
{
    releaseEntries(first);
    releaseEntries(second);
}

NamedObject* findByName(const NamedObjectList& list, const std::wstring& name)
{
    return findNamedObject(list.second, name);
}

} // namespace Ulvo
