#include "scene/SceneBudget.h"

#include "foundation/logging/Logger.h"

#include <platform_app.h>

namespace Ulvo {

void SceneBudget::begin()
{
    m_active = true;
    m_refused = 0;
    m_ended = false;
    m_firstRefused.clear();
}

void SceneBudget::end()
{
    if (m_active && m_refused > 0)
        mainLogger().log(50, LOG_TYPE_ERROR, L"Ulvo::SceneBudget: ",
                         m_ended ? L"the game is ending" : L"the scene asks for more than a scene may hold", L"; ",
                         std::to_wstring(m_refused), L" objects or copies from \"", m_firstRefused,
                         L"\" on are left out\n");
    m_active = false;
}

bool SceneBudget::charge(const Cost& cost, const std::wstring& what, const void* holder)
{
    if (!m_active)
        return true;
    m_ended = m_ended || terminationPending();
    // Each count is compared as what is left, so a huge cost cannot wrap round.
    const bool fits = !m_ended && cost.objects <= m_limit.objects - m_used.objects &&
                      cost.instances <= m_limit.instances - m_used.instances &&
                      cost.bytes <= m_limit.bytes - m_used.bytes;
    if (!fits) {
        if (m_refused++ == 0)
            m_firstRefused = what;
        return false;
    }
    m_used.objects += cost.objects;
    m_used.instances += cost.instances;
    m_used.bytes += cost.bytes;
    Cost& held = m_held[holder];
    held.objects += cost.objects;
    held.instances += cost.instances;
    held.bytes += cost.bytes;
    return true;
}

void SceneBudget::release(const void* holder)
{
    const auto found = m_held.find(holder);
    if (found == m_held.end())
        return;
    const Cost& held = found->second;
    m_used.objects -= held.objects;
    m_used.instances -= held.instances;
    m_used.bytes -= held.bytes;
    m_held.erase(found);
}

void SceneBudget::transfer(const void* from, const void* to)
{
    const auto found = m_held.find(from);
    if (found == m_held.end() || from == to)
        return;
    const Cost moved = found->second;
    m_held.erase(found);
    Cost& held = m_held[to];
    held.objects += moved.objects;
    held.instances += moved.instances;
    held.bytes += moved.bytes;
}

bool SceneBudget::stopping(const std::wstring& what)
{
    if (!terminationPending())
        return false;
    if (m_active) {
        m_ended = true;
        if (m_refused++ == 0)
            m_firstRefused = what;
    }
    return true;
}

bool SceneBudget::terminationPending()
{
    return PlatformTerminationPending();
}

} // namespace Ulvo
