#pragma once
// The process-wide archive manager: holds the opened archives and builds the
// search order "DEFAULT" that every loader uses.
#include "foundation/files/GOBOrder.h"

#include <string>
#include <vector>

namespace Ulvo {

class GOBFile;

class GOBManager {
public:
    static GOBManager* getInstance();

    // Takes over the caller's reference; null is ignored.
    void addGOBFile(GOBFile* archive);
    // The registered order of that name, else the default order.
    GOBOrder* getGOBOrder(const std::wstring& name);
    // Rebuilds the default order: archives by ascending priority, the disk
    // placed by diskPosition (negative: before the first archive whose priority
    // differs from its place in the sorted list).
    void createDefaultOrder(int diskPosition);

    const std::vector<GOBFile*>& getGOBFiles() const { return m_archives; }
    // Releases every archive and leaves the default order with the disk alone;
    // what happens at exit, also used by tests to start afresh.
    void clear();

    GOBManager(const GOBManager&) = delete;
    GOBManager& operator=(const GOBManager&) = delete;

private:
    GOBManager();
    ~GOBManager();

    std::vector<GOBFile*> m_archives;
    std::vector<GOBOrder*> m_orders;
    GOBOrder m_defaultOrder;
};

} // namespace Ulvo
