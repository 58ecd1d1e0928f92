#pragma once
// Stopwatch over the performance counter (or the millisecond tick count when
// the counter cannot be read).
#include "foundation/objects/NamedObject.h"

#include <cstdint>
#include <string>

namespace Ulvo {

class MeasureTime : public NamedObject {
public:
    explicit MeasureTime(const std::wstring& name);
    MeasureTime();
    ~MeasureTime() override = default;

    // Seconds since the last call (or construction/reset), and restarts.
    double elapsed();
    // Seconds since the last restart, without restarting.
    double peek() const;
    // Restarts without reporting.
    void reset();

    double getLastElapsed() const { return m_lastElapsed; }
    bool isHighResolution() const { return m_highResolution; }
    double getTickLength() const { return m_tickLength; }

private:
    int64_t read() const;

    bool m_highResolution = false;
    double m_tickLength = 0.001;
    int64_t m_lastReading = 0;
    int64_t m_currentReading = 0;
    double m_lastElapsed = 0.0;
};

} // namespace Ulvo
