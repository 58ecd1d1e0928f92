#include "scene/SceneBudget.h"

#include "foundation/logging/Logger.h"

#include <platform_app.h>

namespace Ulvo {

void SceneBudget::begin()
{
    m_active = true;
    m_used = Cost{};
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

bool SceneBudget::charge(const Cost& cost, const std::wstring& what)
{
    if (!m_active)
        return true;
    m_ended = m_ended || terminationPending();
    // Each count is compared as what is left, so a huge cost cannot wrap round.
    const bool fits = !m_ended && cost.objects <= m_limit.objects - m_used.objects &&
                      cost.instances <= m_limit.instances - m_used.instances &&
                      cost.vertices <= m_limit.vertices - m_used.vertices &&
                      cost.texels <= m_limit.texels - m_used.texels;
    if (!fits) {
        if (m_refused++ == 0)
            m_firstRefused = what;
        return false;
    }
    m_used.objects += cost.objects;
    m_used.instances += cost.instances;
    m_used.vertices += cost.vertices;
    m_used.texels += cost.texels;
    return true;
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
