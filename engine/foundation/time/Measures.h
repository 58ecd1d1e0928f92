#pragma once
// Named, nested timing sections addressed by dotted paths ("UpdateLoop.Input").
// Each section sums the time spent inside it per period and warns when a
// period's time doubles or halves against the one before.
#include "foundation/time/MeasureTime.h"
#include "foundation/objects/NamedObject.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace Ulvo {

class Measures : public NamedObject {
public:
    Measures(const std::wstring& name, const std::wstring& parentPath, Measures* parent);
    ~Measures() override;
    Measures(const Measures&) = delete;
    Measures& operator=(const Measures&) = delete;

    // End of a period. Mode 0 rolls sections rolled by their owner, mode 2
    // those that are not, any other mode every section; children get mode 2.
    virtual void update(int mode);
    // Clears the periods and warning state of the section at path; false when
    // there is none.
    virtual bool resetChild(const std::wstring& path);
    // The section at the dotted path below this one; missing sections are
    // made when create is set, otherwise null.
    virtual Measures* child(const std::wstring& path, bool create);
    // Appends the sections up to depth levels below this one (0: none).
    virtual void collect(std::vector<Measures*>& list, int depth, bool sort);

    // Timing of the section itself; nested starts count once.
    void start();
    void stop();
    // Timing of a section below this one while measuring is on (made when
    // missing); returns it, or null while measuring is off.
    Measures* start(const std::wstring& path);
    Measures* stop(const std::wstring& path);

    std::wstring getFullName() const;
    const std::wstring& getParentPath() const { return m_parentPath; }
    Measures* getParent() const { return m_parent; }

    void setRolledByOwner(bool rolledByOwner) { m_rolledByOwner = rolledByOwner; }
    bool isRolledByOwner() const { return m_rolledByOwner; }

    // Period buffers: the current one collects, the other holds the period
    // that ended last.
    unsigned getCurrentBuffer() const { return m_current; }
    double getSum(unsigned buffer) const { return m_sums[buffer & 1]; }
    uint32_t getCount(unsigned buffer) const { return m_counts[buffer & 1]; }
    const std::vector<double>& getSamples(unsigned buffer) const { return m_samples[buffer & 1]; }
    double getCurrentSum() const { return m_sums[m_current]; }
    double getLastPeriodSum() const { return m_sums[m_current ^ 1]; }
    int getDepth() const { return m_depth; }
    bool isRising() const { return m_rising; }
    bool isFalling() const { return m_falling; }
    std::size_t getChildCount() const { return m_children.size(); }

    // Process-wide settings.
    static void setMeasuring(bool on);
    static bool isMeasuring();
    static void setKeepSamples(bool keep);
    static bool isKeepingSamples();
    // Minimum time in milliseconds between two warnings of one section.
    static void setMinWarningInterval(uint32_t milliseconds);
    static uint32_t getMinWarningInterval();

protected:
    void roll();
    void clearPeriods();
    void updateChildren();
    static bool lessByFullName(const Measures* a, const Measures* b);

private:
    std::vector<double> m_samples[2];
    double m_sums[2] = {0.0, 0.0};
    uint32_t m_counts[2] = {0, 0};
    uint16_t m_current = 0;
    int m_depth = 0;
    std::wstring m_parentPath;
    Measures* m_parent;
    bool m_rolledByOwner = false;
    MeasureTime m_time;
    std::unordered_map<std::wstring, Measures*> m_children;
    bool m_rising = false;
    double m_risingReference = 0.0;
    uint32_t m_risingStart = 0;
    bool m_falling = false;
    double m_fallingReference = 0.0;
    uint32_t m_fallingStart = 0;
};

} // namespace Ulvo
