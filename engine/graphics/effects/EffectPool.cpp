#include "graphics/effects/EffectPool.h"

namespace Ulvo {

EffectPool::EffectPool(XMLNode* node) : NamedObject(node)
{
    if (FAILED(D3DXCreateEffectPool(&m_pool)))
        m_pool = nullptr;
}

EffectPool::~EffectPool()
{
    if (m_pool)
        m_pool->Release();
}

} // namespace Ulvo
