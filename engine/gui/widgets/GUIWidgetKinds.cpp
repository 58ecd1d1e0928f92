#include "gui/widgets/GUIWidgetKinds.h"

#include "gui/system/GUIWindowFactory.h"
#include "gui/widgets/GUIButton.h"
#include "gui/widgets/GUICheckbox.h"
#include "gui/widgets/GUICheckboxButton.h"
#include "gui/widgets/GUIFrame.h"
#include "gui/widgets/GUILabel.h"
#include "gui/widgets/GUIProgressBar.h"
#include "gui/widgets/GUIScrollPanel.h"
#include "gui/widgets/GUISlider.h"
#include "gui/widgets/GUITooltip.h"

namespace Ulvo {

namespace {

template <class Widget> GUIWindow* create(const XMLNode* node)
{
    return new Widget(node);
}

} // namespace

void registerWidgetKinds(GUIWindowFactory& factory)
{
    factory.add(L"LABEL", &create<GUILabel>);
    factory.add(L"CHECKBOX_BUTTON", &create<GUICheckboxButton>);
    factory.add(L"CHECKBOX", &create<GUICheckbox>);
    factory.add(L"FRAME", &create<GUIFrame>);
    factory.add(L"PROGRESSBAR", &create<GUIProgressBar>);
    factory.add(L"BUTTON", &create<GUIButton>);
    factory.add(L"SCROLL_PANEL", &create<GUIScrollPanel>);
    factory.add(L"SLIDER", &create<GUISlider>);
    factory.add(L"TOOLTIP", &create<GUITooltip>);
}

} // namespace Ulvo
