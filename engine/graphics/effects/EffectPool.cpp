#include "graphics/effects/EffectPool.h"

#include "foundation/helpers/Release.h"

namespace Ulvo {

EffectPool::EffectPool(XMLNode* node) : NamedObject(node)
{
    if (FAILED(D3DXCreateEffectPool(&m_pool)))
        m_pool = nullptr;
}

EffectPool::~EffectPool()
{
    releaseAndNull(m_pool);
}

} // namespace Ulvo
