#pragma once
// Base of nearly every engine and game object: a name, a process-unique
// number, a reference count and signals that registries follow.
#include "foundation/sigslot.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Ulvo {

class XMLNode;

class NamedObject : public sigslot::has_slots<sigslot::single_threaded> {
public:
    explicit NamedObject(const std::wstring& name);
    NamedObject();
    NamedObject(const NamedObject& other);
    explicit NamedObject(XMLNode* node);
    NamedObject& operator=(const NamedObject& other);
    ~NamedObject() override;

    virtual bool load(XMLNode* node);
    virtual bool save(XMLNode* node);

    void rename(const std::wstring& newName);
    // Drops one reference; the object deletes itself when none is left.
    void Release();
    void AddRef() { ++m_refCount; }

    const std::wstring& getName() const { return m_name; }
    uint32_t getNumber() const { return m_number; }
    int getRefCount() const { return m_refCount; }

    std::vector<NamedObject*>& getAttached() { return m_attached; }

    sigslot::signal1<NamedObject*> onDeleted;
    sigslot::signal3<NamedObject*, const std::wstring&, const std::wstring&> onRenamed;

private:
    static uint32_t nextNumber();

    std::vector<NamedObject*> m_attached;
    std::wstring m_name;
    uint32_t m_number;
    int m_refCount = 1;
};

// The first element named exactly so (case-sensitive), or null.
NamedObject* findNamedObject(const std::vector<NamedObject*>& objects, const std::wstring& name);

template <class T> T* findNamedObject(const std::vector<T*>& objects, const std::wstring& name)
{
    for (T* object : objects) {
        if (object && object->getName() == name)
            return object;
    }
    return nullptr;
}

} // namespace Ulvo
