#pragma once
// Two lists of named objects, each entry holding one reference; all of them
// are released together.
#include <string>
#include <vector>

namespace Ulvo {

class NamedObject;

class NamedObjectList {
public:
    NamedObjectList() = default;
    ~NamedObjectList();
    // Entries hold references, so a copy would release them twice.
    NamedObjectList(const NamedObjectList&) = delete;
    NamedObjectList& operator=(const NamedObjectList&) = delete;

    // Releases every entry of both lists and empties them.
    void releaseAll();

    std::vector<NamedObject*> first;
    // The list findByName searches.
    std::vector<NamedObject*> second;
};

// The first entry of the second list named exactly so, or null.
NamedObject* findByName(const NamedObjectList& list, const std::wstring& name);

} // namespace Ulvo
