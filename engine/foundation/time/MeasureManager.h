#pragma once
// Root of the timing sections. While measuring is off it hands out itself
// and records nothing.
#include "foundation/time/Measures.h"

namespace Ulvo {

class MeasureManager : public Measures {
public:
    static MeasureManager* getInstance();

    void update(int mode) override;
    bool resetChild(const std::wstring& path) override;
    Measures* child(const std::wstring& path, bool create) override;
    void collect(std::vector<Measures*>& list, int depth, bool sort) override;

private:
    MeasureManager();
    ~MeasureManager() override = default;
};

} // namespace Ulvo
