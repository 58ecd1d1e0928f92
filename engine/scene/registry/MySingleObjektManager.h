#pragma once
// A name-keyed registry of reference-counted named objects (instantiated for scene objects as
// the base of the object manager). Each entry holds one reference, taken by add or handed over
// by the caller; the registry follows its objects' deletion and rename signals, so a destroyed
// object leaves it and a renamed one is re-keyed. Entries are found by pointer when they leave
// or are re-keyed, so an entry whose key is an earlier name (a refused rename) still goes with
// its own object and never takes another object's entry with it.
#include "foundation/console/ConsoleCommandReceiver.h"
#include "foundation/logging/Logger.h"
#include "foundation/objects/NamedObject.h"

#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace Ulvo {

template <class Pointer> class MySingleObjektManager : public ConsoleCommandReceiver {
    static_assert(std::is_pointer_v<Pointer>, "the registry keeps pointers");
    using Object = std::remove_pointer_t<Pointer>;
    using Map = std::unordered_map<std::wstring, Pointer>;

public:
    MySingleObjektManager() { m_objects.rehash(8); }
    ~MySingleObjektManager() override { MySingleObjektManager::clear(); }
    MySingleObjektManager(const MySingleObjektManager&) = delete;
    MySingleObjektManager& operator=(const MySingleObjektManager&) = delete;

    // Under the object's name. Without adopt the registry takes a reference of its own; with it
    // the caller's reference passes over, and an object refused for its name is released.
    virtual bool add(Pointer object, bool adopt)
    {
        if (!object) {
            log(25, LOG_TYPE_ERROR, L"Kann NULL nicht in Liste aufnehmen");
            return false;
        }
        const std::wstring& name = object->getName();
        auto found = m_objects.find(name);
        if (found != m_objects.end() && found->second) {
            log(50, LOG_TYPE_ERROR, L"Objekt mit Namen " + quoted(name) + L" bereits in Liste");
            if (adopt)
                object->Release();
            return false;
        }
        m_objects[name] = object;
        if (!adopt)
            object->AddRef();
        object->onDeleted.connect(this, &MySingleObjektManager::onObjectDeleted);
        object->onRenamed.connect(this, &MySingleObjektManager::onObjectRenamed);
        log(10, LOG_TYPE_INFO, L"Objekt mit Namen " + quoted(name) + L" in Liste aufgenommen");
        return true;
    }

    // Exactly that name (case counts); null when none.
    virtual Pointer find(const std::wstring& name) const
    {
        auto found = m_objects.find(name);
        return found != m_objects.end() ? found->second : nullptr;
    }

    virtual bool removeByName(const std::wstring& name)
    {
        auto found = m_objects.find(name);
        if (found == m_objects.end() || !found->second) {
            log(25, LOG_TYPE_ERROR, L"Kein Objekt namens " + quoted(name) + L" in Liste");
            return false;
        }
        Pointer object = found->second;
        m_objects.erase(found);
        release(object);
        return true;
    }

    // False for null and for an object that is not registered.
    virtual bool remove(Pointer object)
    {
        auto found = entryOf(object);
        if (found == m_objects.end())
            return false;
        m_objects.erase(found);
        release(object);
        return true;
    }

    virtual void clear()
    {
        Map objects;
        objects.swap(m_objects);
        for (auto& entry : objects) {
            if (entry.second)
                release(entry.second);
        }
        m_objects.clear();
        m_objects.rehash(8);
    }

    // With an empty filter every object; else those whose names contain it (case counts).
    virtual std::size_t getObjects(const std::wstring& filter, std::vector<Pointer>& out) const
    {
        std::size_t added = 0;
        for (const auto& entry : m_objects) {
            if (!entry.second || (!filter.empty() && entry.second->getName().find(filter) == std::wstring::npos))
                continue;
            out.push_back(entry.second);
            ++added;
        }
        return added;
    }

    // The map's value for the name; a missing name gets an empty entry, which add may fill.
    virtual Pointer& getEntry(const std::wstring& name) { return m_objects[name]; }

    std::size_t getCount() const
    {
        std::size_t count = 0;
        for (const auto& entry : m_objects)
            count += entry.second ? 1 : 0;
        return count;
    }

    // The object is being destroyed: its entry goes, without a release.
    virtual void onObjectDeleted(NamedObject* object)
    {
        auto found = entryOf(object);
        if (found == m_objects.end())
            return;
        m_objects.erase(found);
        disconnect(object);
        log(10, LOG_TYPE_INFO,
            L"Objekt " + quoted(object->getName()) + L" wurde gel\u00F6scht -> wird aus Liste gel\u00F6scht");
    }

    virtual void onObjectRenamed(NamedObject* object, const std::wstring& newName, const std::wstring& oldName)
    {
        auto found = entryOf(object);
        if (found == m_objects.end()) {
            log(50, LOG_TYPE_ERROR,
                L"Objekt " + quoted(oldName) + L" war nicht in Liste -> " + quoted(newName) +
                    L" ist wird nicht eingef\u00FCgt!");
            return;
        }
        auto taken = m_objects.find(newName);
        if (taken != m_objects.end() && taken->second && taken != found) {
            log(50, LOG_TYPE_ERROR,
                L"Objekt " + quoted(oldName) + L" wurde umbenannt in" + quoted(newName) +
                    L" ist bereits in Liste -> wird weiterhin unter seinen alten Namen nutzbar sein!");
            return;
        }
        Pointer entry = found->second;
        m_objects.erase(found);
        m_objects[newName] = entry;
        log(10, LOG_TYPE_INFO,
            L"Objekt " + quoted(oldName) + L" wurde erfolgreich in" + quoted(newName) + L"umbenannt und ist in Liste");
    }

private:
    static std::wstring quoted(const std::wstring& name) { return L"\"" + name + L"\""; }
    static void log(int priority, int type, const std::wstring& text)
    {
        mainLogger().log(priority, type, text + L"\n");
    }

    // The entry that holds this object: under its name when that still fits, else any key.
    typename Map::iterator entryOf(const NamedObject* object)
    {
        if (!object)
            return m_objects.end();
        auto holds = [object](const typename Map::value_type& entry) {
            return entry.second && static_cast<const NamedObject*>(entry.second) == object;
        };
        auto found = m_objects.find(object->getName());
        if (found != m_objects.end() && holds(*found))
            return found;
        for (auto it = m_objects.begin(); it != m_objects.end(); ++it) {
            if (holds(*it))
                return it;
        }
        return m_objects.end();
    }

    void disconnect(NamedObject* object)
    {
        object->onDeleted.disconnect(this);
        object->onRenamed.disconnect(this);
    }

    void release(Pointer object)
    {
        disconnect(static_cast<NamedObject*>(object));
        object->Release();
    }

    Map m_objects;
};

} // namespace Ulvo
