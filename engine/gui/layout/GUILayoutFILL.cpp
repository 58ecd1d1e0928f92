#include "gui/layout/GUILayoutFILL.h"

#include "gui/windows/GUIWindow.h"

namespace Ulvo {

namespace {

enum class Dock { None, Left, Right, Top, Bottom, Fill };

Dock dockOf(const std::wstring& param)
{
    if (param == L"LEFT")
        return Dock::Left;
    if (param == L"RIGHT")
        return Dock::Right;
    if (param == L"TOP")
        return Dock::Top;
    if (param == L"BOTTOM")
        return Dock::Bottom;
    if (param == L"FILL")
        return Dock::Fill;
    return Dock::None;
}

// The x or y part (fraction and pixels) of a point.
void setX(GUIRectPoint& to, const GUIRectPoint& from)
{
    to.xRel = from.xRel;
    to.xOff = from.xOff;
}

void setY(GUIRectPoint& to, const GUIRectPoint& from)
{
    to.yRel = from.yRel;
    to.yOff = from.yOff;
}

// withOffset: the scrolling variant.
void dock(GUIWindow& window, bool withOffset)
{
    // The free area: from p to q, as fractions of the window and pixels.
    GUIRectPoint p(0.0f, 0.0f, 0.0f, 0.0f);
    GUIRectPoint q(1.0f, 1.0f, 0.0f, 0.0f);
    for (GUIWindow* child : window.children()) {
        if (!child->getOptions().usableForLayoutManager)
            continue;
        const Dock where = dockOf(child->getOptions().layoutParam);
        if (where == Dock::None)
            continue;
        GUIRect& rect = child->getGUIRect();
        const GUIRectPoint e = rect.getEffectiveSize(window);
        const GUIRectPoint span = q - p;
        switch (where) {
        case Dock::Top:
            rect.position = p;
            setX(rect.size, span);
            p.yRel += e.yRel;
            p.yOff += e.yOff;
            break;
        case Dock::Bottom:
            setX(rect.position, p);
            setX(rect.size, span);
            rect.position.yRel = q.yRel - e.yRel;
            rect.position.yOff = q.yOff - e.yOff;
            q.yRel -= e.yRel;
            q.yOff -= e.yOff;
            break;
        case Dock::Left:
            rect.position = p;
            setY(rect.size, span);
            p.xRel += e.xRel;
            p.xOff += e.xOff;
            break;
        case Dock::Right:
            rect.position.xRel = q.xRel - (withOffset ? rect.size.xRel : e.xRel);
            rect.position.xOff = q.xOff - (withOffset ? rect.size.xOff : e.xOff);
            setY(rect.position, p);
            setY(rect.size, span);
            q.xRel -= e.xRel;
            q.xOff -= e.xOff;
            break;
        case Dock::Fill: {
            rect.position = p;
            rect.size = span;
            // Taken after the new size: the free width closes, the free height stays.
            const GUIRectPoint filled = rect.getEffectiveSize(window);
            q.xRel -= filled.xRel;
            q.xOff -= filled.xOff;
            break;
        }
        case Dock::None:
            break;
        }
        if (withOffset) {
            rect.position.xOff += GUILayoutManager::getScrollOffsetX();
            rect.position.yOff += GUILayoutManager::getScrollOffsetY();
        }
    }
}

} // namespace

void GUILayoutFILL::arrange(GUIWindow& window)
{
    dock(window, false);
}

void GUILayoutFILL_WOffset::arrange(GUIWindow& window)
{
    dock(window, true);
}

} // namespace Ulvo
