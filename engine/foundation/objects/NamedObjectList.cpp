#include "foundation/objects/NamedObjectList.h"

#include "foundation/helpers/Release.h"
#include "foundation/objects/NamedObject.h"

namespace Ulvo {

NamedObjectList::~NamedObjectList()
{
    releaseAll();
}

void NamedObjectList::releaseAll()
{
    releaseAndClear(first);
    releaseAndClear(second);
}

NamedObject* findByName(const NamedObjectList& list, const std::wstring& name)
{
    return findNamedObject(list.second, name);
}

} // namespace Ulvo
