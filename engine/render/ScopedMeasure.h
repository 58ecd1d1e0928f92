#pragma once
// Times the enclosing block under a dotted measure name while measuring is on; costs a flag test
// otherwise.
#include "foundation/time/MeasureManager.h"

namespace Ulvo {

class ScopedMeasure {
public:
    explicit ScopedMeasure(const wchar_t* path)
    {
        if (Measures::isMeasuring())
            m_section = MeasureManager::getInstance()->start(path);
    }
    ~ScopedMeasure()
    {
        if (m_section)
            m_section->stop();
    }
    ScopedMeasure(const ScopedMeasure&) = delete;
    ScopedMeasure& operator=(const ScopedMeasure&) = delete;

private:
    Measures* m_section = nullptr;
};

} // namespace Ulvo
