#include "devices/input/TastaturLayoutManager.h"

#include <windows.h>

#include "devices/input/TastaturLayout.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

#include <cstdint>

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

bool TastaturLayoutManager::activateSystemLayout()
{
    const LANGID language = static_cast<LANGID>(reinterpret_cast<uintptr_t>(GetKeyboardLayout(0)) & 0xFFFF);
    const wchar_t* name = nullptr;
    if (language == MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US))
        name = L"English (US)";
    else if (PRIMARYLANGID(language) == LANG_GERMAN)
        name = L"Deutsch";
    TastaturLayout* layout = name ? findLayout(name) : nullptr;
    if (!layout) {
        mainLogger().log(50, LOG_TYPE_INFO,
                         L"Ulvo::TastaturLayoutManager: no layout for the system's keyboard, " +
                             (m_activeLayout ? m_activeLayout->getName() : std::wstring(L"none")) + L" stays\n");
        return false;
    }
    TastaturLayout* previous = m_activeLayout;
    m_activeLayout = layout;
    if (previous != layout)
        layoutChanged.emit(previous, layout);
    mainLogger().log(50, LOG_TYPE_INFO,
                     L"Ulvo::TastaturLayoutManager: " + layout->getName() + L" for the system's keyboard\n");
    return true;
}

int TastaturLayoutManager::typeOfCharacter(wchar_t character) const
{
    if (character == 0)
        return KT_REST;
    // A German keyboard on a keymap without its letters still types them into names.
    std::vector<const TastaturLayout*> order;
    if (m_activeLayout)
        order.push_back(m_activeLayout);
    for (const TastaturLayout* layout : m_layouts) {
        if (layout != m_activeLayout)
            order.push_back(layout);
    }
    for (const TastaturLayout* layout : order) {
        for (int key = 0; key < TastaturLayout::kKeyCount; ++key) {
            const auto code = static_cast<unsigned char>(key);
            const int type = layout->getKeyType(code);
            if (type != KT_LETTER && type != KT_NUMBER && type != KT_SONDER)
                continue;
            for (bool shift : {false, true}) {
                for (bool altGr : {false, true}) {
                    wchar_t typed = 0;
                    if (layout->getCharacter(code, typed, shift, altGr) && typed == character)
                        return type;
                }
            }
        }
    }
    return KT_REST;
}

} // namespace Ulvo
