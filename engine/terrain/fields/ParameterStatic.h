#pragma once
// A constant field: getValue answers VALUE, getVector answers VECTOR; the two are independent.
#include "terrain/fields/Parameter.h"

namespace Ulvo {

class ParameterStatic : public Parameter {
public:
    explicit ParameterStatic(float value = 1.0f) : m_value(value) {}
    // "VALUE" (float); "VECTOR" (up to four floats: x, y, z, w).
    explicit ParameterStatic(XMLNode* node);
    ParameterStatic(const ParameterStatic&) = default;

    float getValue(const D3DXVECTOR2& position) const override;
    D3DXVECTOR4* getVector(D3DXVECTOR4* out, const D3DXVECTOR2& position) const override;
    Parameter* clone() const override { return new ParameterStatic(*this); }

private:
    float m_value = 1.0f;
    D3DXVECTOR4 m_vector{0.0f, 0.0f, 0.0f, 0.0f};
};

} // namespace Ulvo
