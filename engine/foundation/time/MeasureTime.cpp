#include "foundation/time/MeasureTime.h"

#include <windows.h>

namespace Ulvo {

MeasureTime::MeasureTime(const std::wstring& name) : NamedObject(name)
{
    LARGE_INTEGER frequency;
    if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0) {
        m_highResolution = true;
        m_tickLength = 1.0 / static_cast<double>(frequency.QuadPart);
    }
    m_lastReading = m_currentReading = read();
}

MeasureTime::MeasureTime() : MeasureTime(std::wstring()) {}

int64_t MeasureTime::read() const
{
    if (m_highResolution) {
        LARGE_INTEGER counter;
        if (QueryPerformanceCounter(&counter))
            return counter.QuadPart;
    }
    return static_cast<int64_t>(GetTickCount());
}

double MeasureTime::elapsed()
{
    m_currentReading = read();
    m_lastElapsed = static_cast<double>(m_currentReading - m_lastReading) * m_tickLength;
    m_lastReading = m_currentReading;
    return m_lastElapsed;
}

double MeasureTime::peek() const
{
    return static_cast<double>(read() - m_lastReading) * m_tickLength;
}

void MeasureTime::reset()
{
    m_lastReading = m_currentReading = read();
}

} // namespace Ulvo
