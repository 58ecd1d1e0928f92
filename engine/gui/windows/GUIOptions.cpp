#include "gui/windows/GUIOptions.h"

#include "gui/windows/GUIXmlRead.h"

namespace Ulvo {

void GUIOptions::load(const XMLNode* node)
{
    GUIXml::read(node, L"ENABLED", enabled);
    GUIXml::read(node, L"DRAW_SUBWINDOWS", drawSubWindows);
    GUIXml::read(node, L"VISIBLE", visible);
    GUIXml::read(node, L"ACTIVATE_PARENT", activateParent);
    GUIXml::read(node, L"INPUT_IGNORE", inputIgnore);
    GUIXml::read(node, L"INPUT_TO_PARENT", inputToParent);
    GUIXml::read(node, L"MOUSE_MOVE", mouseMove);
    GUIXml::read(node, L"MOVE_PARENT", moveParent);
    GUIXml::read(node, L"CAN_BRING_TO_FRONT", canBringToFront);
    GUIXml::read(node, L"CAN_BRING_PARENT_TO_FRONT", bringParentToFront);
    GUIXml::read(node, L"DRAW_IN_CLIENT_ONLY", drawInClientOnly);
    GUIXml::read(node, L"USABLE_FOR_LAYOUTMANAGER", usableForLayoutManager);
    GUIXml::read(node, L"LAYOUTMANAGER", layoutManager);
    GUIXml::read(node, L"LAYOUT_PARAM", layoutParam);
    GUIXml::reportUnknownKeys(node,
                              {L"ENABLED", L"DRAW_SUBWINDOWS", L"VISIBLE", L"ACTIVATE_PARENT", L"INPUT_IGNORE",
                               L"INPUT_TO_PARENT", L"MOUSE_MOVE", L"MOVE_PARENT", L"CAN_BRING_TO_FRONT",
                               L"CAN_BRING_PARENT_TO_FRONT", L"DRAW_IN_CLIENT_ONLY", L"USABLE_FOR_LAYOUTMANAGER",
                               L"LAYOUTMANAGER", L"LAYOUT_PARAM"},
                              L"OPTIONS");
}

void GUIOptions::interpolate(GUIOptions& out, const GUIOptions& a, const GUIOptions& b, const GUIOptions& base,
                             double p)
{
    if (p > 0.0 && p < 1.0) {
        out = base;
        out.visible = a.visible || b.visible;
        const GUIOptions& step = p < 0.5 ? a : b;
        out.enabled = step.enabled;
        out.inputIgnore = step.inputIgnore;
        out.drawSubWindows = a.drawSubWindows && b.drawSubWindows;
        out.canBringToFront = a.canBringToFront && b.canBringToFront;
        out.bringParentToFront = a.bringParentToFront && b.bringParentToFront;
        out.activateParent = a.activateParent && b.activateParent;
        out.mouseMove = a.mouseMove && b.mouseMove;
        out.moveParent = a.moveParent && b.moveParent;
        out.drawInClientOnly = a.drawInClientOnly && b.drawInClientOnly;
        out.usableForLayoutManager = a.usableForLayoutManager && b.usableForLayoutManager;
        out.inputToParent = a.inputToParent && b.inputToParent;
        return;
    }
    // Every switch from one side; the layout strings stay base's.
    out = p == 0.0 ? a : b;
    out.layoutManager = base.layoutManager;
    out.layoutParam = base.layoutParam;
}

} // namespace Ulvo
