#include "gui/widgets/GUIWidgetParts.h"

#include "gui/windows/GUIWindow.h"
#include "gui/windows/GUIXmlRead.h"

namespace Ulvo {

namespace GUIWidgetParts {

void takeLookWithoutTextures(GUIWindow& part, const GUIWindow& owner)
{
    part.getDrawOptions() = owner.getDrawOptions();
    part.getDrawOptions().releaseTextures();
}

void place(GUIWindow& part, const GUIRectPoint& position, const GUIRectPoint& size)
{
    GUIRect& rect = part.getGUIRect();
    rect.position = position;
    rect.size = size;
}

void inset(GUIWindow& caption, const XMLNode* randSize)
{
    if (!randSize)
        return;
    GUIRect& rect = caption.getGUIRect();
    float x = 0.0f, y = 0.0f;
    if (GUIXml::readPair(randSize, L"REL", x, y)) {
        rect.position.xRel = x;
        rect.position.yRel = y;
        rect.size.xRel = 1.0f - 2.0f * x;
        rect.size.yRel = 1.0f - 2.0f * y;
    }
    if (GUIXml::readPair(randSize, L"OFF", x, y)) {
        rect.position.xOff = x;
        rect.position.yOff = y;
        rect.size.xOff = -2.0f * x;
        rect.size.yOff = -2.0f * y;
    }
}

void removeAllExcept(GUIWindow& owner, std::initializer_list<const GUIWindow*> kept)
{
    const std::vector<GUIWindow*>& children = owner.children();
    for (std::size_t i = children.size(); i-- > 0;) {
        if (i >= children.size())
            continue; // a removal's slots may have taken more than one child
        GUIWindow* child = children[i];
        bool keep = false;
        for (const GUIWindow* part : kept)
            keep = keep || part == child;
        if (!keep)
            owner.GUIWindow::removeChild(child);
    }
}

} // namespace GUIWidgetParts

} // namespace Ulvo
