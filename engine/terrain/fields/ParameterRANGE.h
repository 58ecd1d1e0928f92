#pragma once
// Maps its child's value into [MIN, MAX] (linearly), or with CLAMP limits it to that interval.
#include "terrain/fields/Parameter.h"

#include <memory>

namespace Ulvo {

class ParameterRANGE : public Parameter {
public:
    // "MIN", "MAX": lists filled from the front (one number sets all four channels; "0 1" gives
    // (0, 1, 1, 1)); "CLAMP" (bool); the first child node "PARAMETER" is the child.
    explicit ParameterRANGE(XMLNode* node);
    ParameterRANGE(const ParameterRANGE& other);

    float getValue(const D3DXVECTOR2& position) const override;
    D3DXVECTOR4* getVector(D3DXVECTOR4* out, const D3DXVECTOR2& position) const override;
    Parameter* clone() const override { return new ParameterRANGE(*this); }

private:
    std::unique_ptr<Parameter> m_child;
    D3DXVECTOR4 m_min{0.0f, 0.0f, 0.0f, 0.0f};
    D3DXVECTOR4 m_max{1.0f, 1.0f, 1.0f, 1.0f};
    bool m_clamp = false;
};

} // namespace Ulvo
