#include "scene/SceneBudget.h"

#include "foundation/logging/Logger.h"

#include <platform_app.h>

#include <algorithm>

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
    if (m_active)
        mainLogger().log(25, LOG_TYPE_INFO, L"Ulvo::SceneBudget: the loaded scenes hold ",
                         std::to_wstring(m_used.objects), L" objects and ", std::to_wstring(m_used.bytes >> 20),
                         L" MB\n");
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
    const bool fits =
        !m_ended && cost.objects <= m_limit.objects - m_used.objects && cost.bytes <= m_limit.bytes - m_used.bytes;
    if (!fits) {
        if (m_refused++ == 0)
            m_firstRefused = what;
        return false;
    }
    m_used.objects += cost.objects;
    m_used.bytes += cost.bytes;
    Cost& held = m_held[holder];
    held.objects += cost.objects;
    held.bytes += cost.bytes;
    return true;
}

bool SceneBudget::settle(uint64_t reserved, uint64_t actual, const std::wstring& what, const void* holder)
{
    if (!m_active)
        return true;
    if (actual > reserved)
        return charge({0, actual - reserved}, what, holder);
    const auto found = m_held.find(holder);
    if (found == m_held.end())
        return true;
    const uint64_t back = std::min(reserved - actual, found->second.bytes);
    found->second.bytes -= back;
    m_used.bytes -= back;
    return true;
}

void SceneBudget::release(const void* holder)
{
    const auto found = m_held.find(holder);
    if (found == m_held.end())
        return;
    const Cost& held = found->second;
    m_used.objects -= held.objects;
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
