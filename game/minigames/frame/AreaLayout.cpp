#include "minigames/frame/AreaLayout.h"

#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "gui/windows/GUIWindow.h"

#include <algorithm>
#include <cmath>

namespace ThreeMatch {

Ulvo::GUIRect AreaLayout::readRect(const Ulvo::XMLNode* node)
{
    Ulvo::GUIRect rect;
    const Ulvo::XMLNode* child = node ? node->getNode(L"GUIRECT") : nullptr;
    if (child)
        rect = Ulvo::GUIRect(child);
    return rect;
}

void AreaLayout::setRect(Ulvo::GUIWindow* window, const Ulvo::GUIRect& rect)
{
    if (!window)
        return;
    window->getGUIRect() = rect;
    for (Ulvo::GUIAnimationsGoal* goal : window->getAnimationGoals())
        goal->rect = rect;
    window->getAnimationStart().rect = rect;
    window->getAnimationTarget().rect = rect;
    window->getBaseState().rect = rect;
    window->getCurrentState().rect = rect;
    window->updateClientRect();
}

void AreaLayout::showFrame(Ulvo::GUIWindow* window, Ulvo::Texture2DAnimation* animation, bool background)
{
    if (!window)
        return;
    Ulvo::Texture2DAnimationFrame* frame = animation ? animation->getCurrentTexture() : nullptr;
    Ulvo::GUIDrawOptions& options = window->getDrawOptions();
    Ulvo::Texture2D* texture = frame ? frame->texture : nullptr;
    float* source = background ? options.backSource : options.stateSource;
    if (frame) {
        source[0] = static_cast<float>(frame->rect.left);
        source[1] = static_cast<float>(frame->rect.top);
        source[2] = static_cast<float>(frame->rect.right);
        source[3] = static_cast<float>(frame->rect.bottom);
    }
    if (background) {
        options.setBackgroundTexture(texture);
        options.useBackSource = texture != nullptr;
    } else {
        options.setNormalTexture(texture);
        options.useStateSource = texture != nullptr;
    }
}

AreaLayout::Grid AreaLayout::grid(int columns, size_t count)
{
    Grid grid;
    grid.columns = columns < 0 ? static_cast<int>(std::trunc(std::sqrt(static_cast<double>(count)) + 0.5)) : columns;
    grid.columns = std::max(grid.columns, 1);
    grid.rows =
        std::max(static_cast<int>(std::trunc(static_cast<double>(count) / static_cast<double>(grid.columns) + 0.5)), 1);
    return grid;
}

void AreaLayout::place(const std::vector<Ulvo::GUIWindow*>& windows, const Grid& grid)
{
    int c = 0, r = 0;
    for (Ulvo::GUIWindow* window : windows) {
        if (window) {
            Ulvo::GUIRect rect = window->getGUIRect();
            rect.size.xOff = -2.0f * rect.position.xOff;
            rect.size.yOff = -2.0f * rect.position.yOff;
            rect.size.xRel = 1.0f / static_cast<float>(grid.columns);
            rect.size.yRel = 1.0f / static_cast<float>(grid.rows);
            rect.position.xRel = static_cast<float>(c) / static_cast<float>(grid.columns);
            rect.position.yRel = static_cast<float>(r) / static_cast<float>(grid.rows);
            setRect(window, rect);
        }
        if (++c >= grid.columns) {
            c = 0;
            ++r;
        }
    }
}

} // namespace ThreeMatch
