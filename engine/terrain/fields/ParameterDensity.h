#pragma once
// A field as the density of PARAMETER arrangements: the scene layer places copies through
// PlacementDensity and cannot see the terrain layer's fields, so the engine hands it this maker.
#include "scene/arrangements/PlacementSources.h"
#include "terrain/fields/Parameter.h"

#include <memory>

namespace Ulvo {

class ParameterDensity : public PlacementDensity {
public:
    explicit ParameterDensity(std::unique_ptr<Parameter> field) : m_field(std::move(field)) {}
    float value(const D3DXVECTOR2& uv) override { return m_field->getValue(uv); }

private:
    std::unique_ptr<Parameter> m_field;
};

// The field the node describes (createParameter's rules); null without a node.
std::unique_ptr<PlacementDensity> makeParameterDensity(XMLNode* description);

} // namespace Ulvo
