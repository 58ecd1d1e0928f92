#pragma once
// A window with one caption label ("_LABEL") over its own textures. Its looks
// (normal, marked, pressed, disabled) are the window's draw options and its
// click is the window's clicked signal; the caption passes every mouse event to
// the button, so a click on the caption is a click on the button. The caption
// keeps the button's alpha, colour and EBENE but never draws the button's textures.
#include "gui/windows/GUIWindow.h"

namespace Ulvo {

class GUILabel;

class GUIButton : public GUIWindow {
public:
    explicit GUIButton(const std::wstring& name);
    // The window part, the caption, the button's template again, then BUTTON_PARAMS
    // (RAND_SIZE insets the caption, LABEL_PARAMS is the caption's).
    explicit GUIButton(const XMLNode* node);
    GUIButton(const GUIButton& other);
    GUIButton& operator=(const GUIButton&) = delete;
    ~GUIButton() override = default;

    GUIWindow* clone() const override;
    // The button's and then the caption's.
    void setUserId(const std::wstring& id) override;
    // Single children are refused; WINDOW nodes of the description still land here.
    bool addChild(GUIWindow* child, bool handedOver = false, bool append = true) override;
    bool removeChild(GUIWindow* child) override;
    // Keeps the caption.
    void removeAllChildren() override;
    // A button template also passes its caption, always with its placement.
    void copyFromVorlage(const GUIWindow* vorlage, uint32_t mask) override;

    GUILabel* getLabel() const { return m_label; }

private:
    // Steps shared by the constructors: the caption covers the button without its textures.
    void placeLabel();
    // The caption joins the children and takes its state as its default.
    void adoptLabel();

    GUILabel* m_label = nullptr; // in the child list
};

} // namespace Ulvo
