#pragma once
// A checkbox button ("_BUTTON") and its caption ("_LABEL") side by side or one
// above the other (CHECKBOX_LOC). A press anywhere on the checkbox, the caption
// included, goes to the button. Checkboxes are grouped by naming their buttons.
#include "gui/windows/GUIWindow.h"

namespace Ulvo {

class GUICheckboxButton;
class GUILabel;

class GUICheckbox : public GUIWindow {
public:
    // Where the box sits (CHECKBOX_LOC words).
    enum Location { LOC_LEFT, LOC_RIGHT, LOC_TOP, LOC_BOTTOM };

    // The window part, the caption and the button, the template again, then
    // CHECKBOX_PARAMS.
    explicit GUICheckbox(const XMLNode* node);
    GUICheckbox(const GUICheckbox& other);
    GUICheckbox& operator=(const GUICheckbox&) = delete;
    ~GUICheckbox() override = default;

    GUIWindow* clone() const override;
    // The checkbox's, the caption's and the button's.
    void setUserId(const std::wstring& id) override;
    // To the button while SEND_TO_BOX is on.
    void onLeftButtonDown(const MouseState& state) override;
    bool addChild(GUIWindow* child, bool handedOver = false, bool append = true) override;
    bool removeChild(GUIWindow* child) override;
    // Keeps the caption and the button.
    void removeAllChildren() override;
    void copyFromVorlage(const GUIWindow* vorlage, uint32_t mask) override;

    GUICheckboxButton* getButton() const { return m_button; }
    GUILabel* getLabel() const { return m_label; }
    bool sendsToBox() const { return m_sendToBox; }

private:
    void readParams(const XMLNode* params);
    void adoptParts();

    GUILabel* m_label = nullptr;           // in the child list
    GUICheckboxButton* m_button = nullptr; // in the child list
    bool m_sendToBox = true;
};

} // namespace Ulvo
