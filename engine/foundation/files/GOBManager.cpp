#include "foundation/files/GOBManager.h"

#include "foundation/files/GOBFile.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"

namespace Ulvo {

GOBManager::GOBManager()
{
    // The loggers must be complete before the manager, so they outlive it at exit.
    moduleLogger(LogModule::GOBManager);
}

GOBManager::~GOBManager()
{
    clear();
}

GOBManager* GOBManager::getInstance()
{
    static GOBManager instance;
    return &instance;
}

void GOBManager::clear()
{
    m_defaultOrder.getSlots().assign(1, nullptr);
    releaseAndClear(m_archives);
    for (GOBOrder* order : m_orders)
        delete order;
    m_orders.clear();
}

void GOBManager::addGOBFile(GOBFile* archive)
{
    if (archive)
        m_archives.push_back(archive);
}

GOBOrder* GOBManager::getGOBOrder(const std::wstring& name)
{
    for (GOBOrder* order : m_orders) {
        if (order && order->getName() == name)
            return order;
    }
    return &m_defaultOrder;
}

void GOBManager::createDefaultOrder(int diskPosition)
{
    moduleLogger(LogModule::GOBManager)
        .log(10, LOG_TYPE_INFO, L"Ulvo::GOBManager::createDefaultOrder createDefaultOrder ",
             std::to_wstring(diskPosition), L"\n");

    // Stable insertion by priority: equal priorities keep registration order.
    std::vector<GOBFile*> sorted;
    sorted.reserve(m_archives.size() + 1);
    for (GOBFile* archive : m_archives) {
        auto place = sorted.begin();
        while (place != sorted.end() && (*place)->getPriority() <= archive->getPriority())
            ++place;
        sorted.insert(place, archive);
    }

    std::size_t disk = sorted.size();
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const int priority = sorted[i]->getPriority();
        const bool here = diskPosition < 0 ? priority != static_cast<int>(i) : priority >= diskPosition;
        if (here) {
            disk = i;
            break;
        }
    }
    sorted.insert(sorted.begin() + static_cast<std::ptrdiff_t>(disk), nullptr);
    m_defaultOrder.getSlots() = sorted;
}

} // namespace Ulvo
