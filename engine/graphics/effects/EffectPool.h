#pragma once
// A named D3DX effect pool: effects naming it share their `shared` parameters.
#include <d3dx9.h>

#include "foundation/objects/NamedObject.h"

namespace Ulvo {

class EffectPool : public NamedObject {
public:
    // NAME names the pool; the D3DX pool is created at once (null when that fails).
    explicit EffectPool(XMLNode* node);
    ~EffectPool() override;
    EffectPool(const EffectPool&) = delete;
    EffectPool& operator=(const EffectPool&) = delete;

    ID3DXEffectPool* getPool() const { return m_pool; }

private:
    ID3DXEffectPool* m_pool = nullptr;
};

} // namespace Ulvo
