#pragma once
// The fields of a grid terrain's texture layers: slot i holds the field whose value is layer i's
// weight in the blend texture. Blends of several fields for one layer are built inside that
// field's tree; the slots hold one field each and own it.
#include "foundation/objects/NamedObject.h"
#include "terrain/fields/Parameter.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Ulvo {

class LayerParameter : public NamedObject {
public:
    // The terrain has four layers; other slots are refused.
    static constexpr uint32_t MAX_LAYERS = 4;

    LayerParameter() = default;
    // "TEX_PARAMETER": NAME, then load.
    explicit LayerParameter(XMLNode* node);
    LayerParameter(const LayerParameter&) = delete;
    LayerParameter& operator=(const LayerParameter&) = delete;
    ~LayerParameter() override = default;

    // Every "PARAMETER" child in document order into the slot of its "LAYER_ID" (0 when absent); a
    // later entry for a slot replaces an earlier one.
    bool load(XMLNode* node) override;

    // Takes the field over. A field already in the slot is deleted; a slot of MAX_LAYERS or more is
    // refused with a log line and the field deleted. Null empties the slot.
    void setParameter(Parameter* parameter, uint32_t layer);
    // Null for an empty or missing slot; the LayerParameter keeps it.
    Parameter* getParameter(uint32_t layer) const;
    std::size_t getSlotCount() const { return m_slots.size(); }

private:
    std::vector<std::unique_ptr<Parameter>> m_slots;
};

} // namespace Ulvo
