#pragma once
// A field that raises the termination signal at one of its samples and counts the samples taken
// after it: a loop that looks at the signal takes at most a row more, one that does not takes the
// rest of its work. No clock is involved.
#include "terrain/fields/Parameter.h"

#include <platform_test.h>

#include <atomic>

namespace TerrainTesting {

class SignallingField : public Ulvo::Parameter {
public:
    explicit SignallingField(long raiseAt, float value = 0.5f) : m_raiseAt(raiseAt), m_value(value) {}
    float getValue(const D3DXVECTOR2&) const override
    {
        if (++m_samples == m_raiseAt)
            PlatformRaiseTerminationSignal();
        return m_value;
    }
    Ulvo::Parameter* clone() const override { return new SignallingField(m_raiseAt, m_value); }
    // Samples taken after the one that raised the signal.
    long samplesAfter() const { return m_samples > m_raiseAt ? m_samples - m_raiseAt : 0; }
    long samples() const { return m_samples; }

private:
    long m_raiseAt;
    float m_value;
    mutable std::atomic<long> m_samples{0};
};

} // namespace TerrainTesting
