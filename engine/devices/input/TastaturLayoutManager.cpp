#include "devices/input/TastaturLayoutManager.h"

#include "devices/input/TastaturLayout.h"
#include "foundation/xml/XMLNode.h"

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

void TastaturLayoutManager::load(XMLNode& root)
{
    bool first = true;
    for (XMLNode* node : root.getNodes()) {
        if (node->getName() != L"TASTATUR_LAYOUT")
            continue;
        TastaturLayout* layout = new TastaturLayout(*node);
        m_layouts.push_back(layout);
        if (first) {
            first = false;
            TastaturLayout* previous = m_activeLayout;
            m_activeLayout = layout;
            layoutChanged.emit(previous, layout);
        }
    }
    std::wstring active;
    if (root.readString(L"ACTIVE_LAYOUT", active)) {
        if (TastaturLayout* found = findLayout(active)) {
            TastaturLayout* previous = m_activeLayout;
            m_activeLayout = found;
            layoutChanged.emit(previous, found);
        }
    }
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
