#include "gui/windows/GUITooltipParam.h"

#include "foundation/text/TextManager.h"
#include "foundation/xml/XMLNode.h"
#include "gui/windows/GUIScopes.h"
#include "gui/windows/GUIWindow.h"
#include "gui/windows/GUIXmlRead.h"

namespace Ulvo {

GUITooltipParam::GUITooltipParam(const XMLNode* node) : NamedObject(const_cast<XMLNode*>(node))
{
    if (GUIXml::read(node, L"TEXT_ID", m_textId))
        m_useTextId = true;
    if (GUIXml::read(node, L"TEXT", m_text))
        m_useTextId = false;
    GUIXml::read(node, L"TOOLTIP_ID", m_tooltipId);
    GUIXml::read(node, L"TIMER", m_timer);
    GUIXml::reportUnknownKeys(node, {L"NAME", L"TEXT_ID", L"TEXT", L"TOOLTIP_ID", L"TIMER"}, L"TOOLTIP");
}

GUITooltipParam::GUITooltipParam(const GUITooltipParam& other)
    : NamedObject(other)
    , m_tooltipId(other.m_tooltipId)
    , m_textId(other.m_textId)
    , m_text(other.m_text)
    , m_timer(other.m_timer)
    , m_owner(other.m_owner)
    , m_useTextId(other.m_useTextId)
{
}

std::wstring GUITooltipParam::getText(TextManager* texts)
{
    std::wstring text = m_text;
    if (m_useTextId)
        text = texts ? texts->getTextString(m_textId) : m_textId;
    if (m_owner) {
        GUIWindow* owner = m_owner;
        GUIKeepAlive keep(owner);
        textRequested.emit(*owner, *this, text);
    }
    return text;
}

} // namespace Ulvo
