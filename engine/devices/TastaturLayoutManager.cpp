#include "devices/TastaturLayoutManager.h"

#include "devices/TastaturLayout.h"

namespace Ulvo {

TastaturLayoutManager* TastaturLayoutManager::getInstance()
{
    static TastaturLayoutManager instance;
    return &instance;
}

TastaturLayoutManager::~TastaturLayoutManager()
{
    m_activeLayout = nullptr;
    for (TastaturLayout* layout : m_layouts)
        layout->Release();
    m_layouts.clear();
}

TastaturLayout* TastaturLayoutManager::findLayout(const std::wstring& name) const
{
    for (auto it = m_layouts.rbegin(); it != m_layouts.rend(); ++it) {
        if ((*it)->getName() == name)
            return *it;
    }
    return nullptr;
}

void TastaturLayoutManager::installLayout(TastaturLayout* layout)
{
    if (!layout)
        return;
    m_layouts.push_back(layout);
    TastaturLayout* previous = m_activeLayout;
    m_activeLayout = layout;
    layoutChanged.emit(previous, layout);
}

} // namespace Ulvo
