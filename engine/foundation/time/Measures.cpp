#include "foundation/time/Measures.h"

#include "foundation/logging/Logger.h"
#include "foundation/helpers/Rounding.h"

#include <windows.h>

#include <algorithm>
#include <sstream>

namespace Ulvo {

namespace {

bool g_measuring = false;
bool g_keepSamples = false;
uint32_t g_minWarningInterval = 0;

} // namespace

void Measures::setMeasuring(bool on)
{
    g_measuring = on;
}
bool Measures::isMeasuring()
{
    return g_measuring;
}
void Measures::setKeepSamples(bool keep)
{
    g_keepSamples = keep;
}
bool Measures::isKeepingSamples()
{
    return g_keepSamples;
}
void Measures::setMinWarningInterval(uint32_t milliseconds)
{
    g_minWarningInterval = milliseconds;
}
uint32_t Measures::getMinWarningInterval()
{
    return g_minWarningInterval;
}

Measures::Measures(const std::wstring& name, const std::wstring& parentPath, Measures* parent)
    : NamedObject(name), m_parentPath(parentPath), m_parent(parent), m_time(name)
{
}

Measures::~Measures()
{
    for (auto& entry : m_children)
        delete entry.second;
    m_children.clear();
}

std::wstring Measures::getFullName() const
{
    // The root has no parent path; its name alone keeps paths free of a leading dot.
    if (m_parentPath.empty())
        return getName();
    return m_parentPath + L"." + getName();
}

void Measures::start()
{
    if (m_depth == 0)
        m_time.reset();
    ++m_depth;
}

void Measures::stop()
{
    if (m_depth <= 0)
        return; // a stop without a start has nothing to count
    if (m_depth == 1) {
        double seconds = m_time.elapsed();
        m_sums[m_current] += seconds;
        if (g_keepSamples)
            m_samples[m_current].push_back(seconds);
        ++m_counts[m_current];
    }
    --m_depth;
}

Measures* Measures::start(const std::wstring& path)
{
    if (!g_measuring)
        return nullptr;
    Measures* section = child(path, true);
    if (section)
        section->start();
    return section;
}

Measures* Measures::stop(const std::wstring& path)
{
    if (!g_measuring)
        return nullptr;
    Measures* section = child(path, true);
    if (section)
        section->stop();
    return section;
}

Measures* Measures::child(const std::wstring& path, bool create)
{
    std::size_t dot = path.find(L'.');
    std::wstring first = path.substr(0, dot);
    Measures* section = nullptr;
    auto found = m_children.find(first);
    if (found != m_children.end()) {
        section = found->second;
    } else if (create) {
        section = new Measures(first, getFullName(), this);
        m_children.emplace(first, section);
    }
    if (!section || dot == std::wstring::npos)
        return section;
    return section->child(path.substr(dot + 1), create);
}

bool Measures::resetChild(const std::wstring& path)
{
    Measures* section = child(path, false);
    if (!section)
        return false;
    section->clearPeriods();
    return true;
}

void Measures::clearPeriods()
{
    for (int i = 0; i < 2; ++i) {
        m_samples[i].clear();
        m_sums[i] = 0.0;
        m_counts[i] = 0;
    }
    m_current = 0;
    m_rising = false;
    m_falling = false;
}

void Measures::update(int mode)
{
    bool rolls = true;
    if (mode == 0)
        rolls = m_rolledByOwner;
    else if (mode == 2)
        rolls = !m_rolledByOwner;
    if (rolls)
        roll();
    updateChildren();
}

void Measures::updateChildren()
{
    for (auto& entry : m_children)
        entry.second->update(2);
}

void Measures::roll()
{
    m_current ^= 1;
    m_samples[m_current].clear();

    if (m_counts[0] > 0 && m_counts[1] > 0) {
        const double ended = m_sums[m_current ^ 1];
        const double before = m_sums[m_current];
        const uint32_t now = GetTickCount();

        auto report = [&](int type, double reference, const wchar_t* verb) {
            if (!mainLogger().wants(100, type))
                return;
            std::wostringstream message;
            message << getFullName() << L" auf das " << roundToDecimals(ended / reference, 1) << verb
                    << roundToDecimals(ended * 1000.0, 3) << L"ms" << L"\n";
            mainLogger().log(100, type, message, true);
        };

        if (!m_rising && ended > 2.0 * before) {
            m_rising = true;
            m_risingReference = before;
            m_risingStart = now;
            m_falling = false;
        } else if (m_rising) {
            if (ended > 2.0 * m_risingReference) {
                if (now - m_risingStart >= g_minWarningInterval) {
                    report(LOG_TYPE_WARNING, m_risingReference, L" fache angestiegen! Jetzt ");
                    m_rising = false;
                }
            } else {
                m_rising = false;
            }
        }

        if (!m_falling && ended < 0.5 * before) {
            m_falling = true;
            m_fallingReference = before;
            m_fallingStart = now;
            m_rising = false;
        } else if (m_falling) {
            if (ended < 0.5 * m_fallingReference) {
                if (now - m_fallingStart >= g_minWarningInterval) {
                    report(LOG_TYPE_INFO, m_fallingReference, L" fache gefallen! Jetzt ");
                    m_falling = false;
                }
            } else {
                m_falling = false;
            }
        }
    }

    m_sums[m_current] = 0.0;
}

bool Measures::lessByFullName(const Measures* a, const Measures* b)
{
    return a->getFullName() < b->getFullName();
}

void Measures::collect(std::vector<Measures*>& list, int depth, bool sort)
{
    if (depth == 0)
        return;
    for (auto& entry : m_children)
        list.push_back(entry.second);
    for (auto& entry : m_children)
        entry.second->collect(list, depth - 1, false);
    if (sort)
        std::sort(list.begin(), list.end(), lessByFullName);
}

} // namespace Ulvo
