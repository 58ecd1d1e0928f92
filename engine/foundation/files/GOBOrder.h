#pragma once
// A search order: the places a file is looked for, in turn. A null slot
// stands for the disk; the order does not own its archives.
#include "foundation/objects/NamedObject.h"

#include <vector>

namespace Ulvo {

class GOBFile;

class GOBOrder : public NamedObject {
public:
    // Named "DEFAULT", holding the disk alone.
    GOBOrder();
    GOBOrder(const GOBOrder& other);
    GOBOrder& operator=(const GOBOrder& other);
    ~GOBOrder() override;

    std::vector<GOBFile*>& getSlots() { return m_slots; }
    const std::vector<GOBFile*>& getSlots() const { return m_slots; }

private:
    std::vector<GOBFile*> m_slots;
};

} // namespace Ulvo
