#include "foundation/time/MeasureManager.h"

namespace Ulvo {

MeasureManager::MeasureManager() : Measures(L"MeasureManager", std::wstring(), nullptr) {}

MeasureManager* MeasureManager::getInstance()
{
    static MeasureManager instance;
    return &instance;
}

void MeasureManager::update(int mode)
{
    if (isMeasuring())
        Measures::update(mode);
}

bool MeasureManager::resetChild(const std::wstring& path)
{
    if (!isMeasuring())
        return false;
    return Measures::resetChild(path);
}

Measures* MeasureManager::child(const std::wstring& path, bool create)
{
    if (!isMeasuring())
        return this;
    return Measures::child(path, create);
}

void MeasureManager::collect(std::vector<Measures*>& list, int depth, bool sort)
{
    if (isMeasuring())
        Measures::collect(list, depth, sort);
}

} // namespace Ulvo
