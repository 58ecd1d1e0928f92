#pragma once
// One tooltip entry of a window: a literal text or a text id of the language
// table, the id of the tooltip windows that show it and an optional delay.
// Listeners of textRequested may change the text just before it is shown.
#include "foundation/objects/NamedObject.h"

#include <cstdint>
#include <string>

namespace Ulvo {

class GUIWindow;
class TextManager;
class XMLNode;

class GUITooltipParam : public NamedObject {
public:
    // A TOOLTIP node: NAME, TEXT_ID, TEXT (wins over TEXT_ID), TOOLTIP_ID, TIMER.
    explicit GUITooltipParam(const XMLNode* node);
    GUITooltipParam(const GUITooltipParam& other);
    GUITooltipParam& operator=(const GUITooltipParam&) = delete;
    ~GUITooltipParam() override = default;

    // The language text of the text id (through texts; none: the id itself) when
    // the id is in use, else the text; with an owner, textRequested may change it.
    std::wstring getText(TextManager* texts);

    int32_t getTooltipId() const { return m_tooltipId; }
    const std::wstring& getTextId() const { return m_textId; }
    const std::wstring& getLiteralText() const { return m_text; }
    double getTimer() const { return m_timer; }
    bool usesTextId() const { return m_useTextId; }
    GUIWindow* getOwner() const { return m_owner; }
    void setOwner(GUIWindow* owner) { m_owner = owner; }

    sigslot::signal3<GUIWindow&, GUITooltipParam&, std::wstring&> textRequested;

private:
    int32_t m_tooltipId = 0;
    std::wstring m_textId;
    std::wstring m_text;
    double m_timer = -1.0;
    GUIWindow* m_owner = nullptr;
    bool m_useTextId = true;
};

} // namespace Ulvo
