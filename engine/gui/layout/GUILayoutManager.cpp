#include "gui/layout/GUILayoutManager.h"

#include "gui/layout/GUILayoutFILL.h"

namespace Ulvo {

namespace {

float g_scrollOffset[2] = {0.0f, 0.0f};

} // namespace

void GUILayoutManager::arrange(GUIWindow&) {}

void GUILayoutManager::applyLayout(const std::wstring& name, GUIWindow& window)
{
    if (name == L"DEFAULT") {
        GUILayoutFILL manager;
        manager.arrange(window);
    } else if (name == L"DEFAULT_USEOFFEST") {
        GUILayoutFILL_WOffset manager;
        manager.arrange(window);
    }
}

void GUILayoutManager::setScrollOffset(float x, float y)
{
    g_scrollOffset[0] = x;
    g_scrollOffset[1] = y;
}

float GUILayoutManager::getScrollOffsetX()
{
    return g_scrollOffset[0];
}

float GUILayoutManager::getScrollOffsetY()
{
    return g_scrollOffset[1];
}

} // namespace Ulvo
