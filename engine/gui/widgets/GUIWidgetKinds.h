#pragma once
// The widget kinds the GUI system's factory builds by TYPE: LABEL, BUTTON,
// TOOLTIP, FRAME, SLIDER, CHECKBOX_BUTTON, CHECKBOX, PROGRESSBAR, SCROLL_PANEL.
namespace Ulvo {

class GUIWindowFactory;

void registerWidgetKinds(GUIWindowFactory& factory);

} // namespace Ulvo
