#pragma once
// A radial field around CENTER: the first value within the first falloff distance, the second
// from the second falloff distance on, linear in between (distances in the caller's space).
#include "terrain/fields/Parameter.h"

namespace Ulvo {

class ParameterDist : public Parameter {
public:
    // "CENTER", "FALLOFF", "VALUE": pairs of floats; a missing item keeps its default.
    explicit ParameterDist(XMLNode* node);
    // Each argument points to two floats; INVERT off (the clipmap's height modifiers).
    ParameterDist(const float* center, const float* falloff, const float* value);
    ParameterDist(const ParameterDist&) = default;

    float getValue(const D3DXVECTOR2& position) const override;
    Parameter* clone() const override { return new ParameterDist(*this); }

private:
    float m_center[2] = {0.5f, 0.5f};
    float m_falloff[2] = {0.0f, 0.5f};
    float m_value[2] = {0.0f, 0.0f};
};

} // namespace Ulvo
