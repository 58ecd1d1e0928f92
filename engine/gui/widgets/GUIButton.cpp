#include "gui/widgets/GUIButton.h"

#include "foundation/xml/XMLNode.h"
#include "gui/widgets/GUILabel.h"
#include "gui/widgets/GUIWidgetParts.h"
#include "gui/windows/GUIXmlRead.h"

namespace Ulvo {

GUIButton::GUIButton(const std::wstring& name) : GUIWindow(name), m_label(new GUILabel(name + L"_LABEL"))
{
    m_label->getOptions().inputToParent = true;
    placeLabel();
    adoptLabel();
}

GUIButton::GUIButton(const XMLNode* node) : GUIWindow(node), m_label(new GUILabel(getName() + L"_LABEL"))
{
    m_label->getOptions().inputToParent = true;
    m_label->copyTooltips(*this);
    applyVorlage(getVorlagePre());
    GUIOptions& options = m_label->getOptions();
    options.mouseMove = getOptions().mouseMove;
    options.moveParent = true;
    options.inputToParent = true;
    placeLabel();
    GUIWindow::addChild(m_label, true, true);
    if (const XMLNode* params = node ? node->getNode(L"BUTTON_PARAMS") : nullptr) {
        GUIXml::reportUnknownKeys(params, {L"RAND_SIZE", L"LABEL_PARAMS"}, L"BUTTON_PARAMS");
        GUIWidgetParts::inset(*m_label, params->getNode(L"RAND_SIZE"));
        m_label->load(params->getNode(L"LABEL_PARAMS"));
        m_label->updateClientRect();
    }
    m_label->takeDefaultState();
    setUserId(getUserId());
}

GUIButton::GUIButton(const GUIButton& other)
    : GUIWindow(other), m_label(dynamic_cast<GUILabel*>(other.m_label->clone()))
{
    adoptLabel();
}

void GUIButton::placeLabel()
{
    GUIWidgetParts::takeLookWithoutTextures(*m_label, *this);
    GUIWidgetParts::place(*m_label, GUIRectPoint(0.0f, 0.0f, 0.0f, 0.0f), GUIRectPoint(1.0f, 1.0f, 0.0f, 0.0f));
}

void GUIButton::adoptLabel()
{
    GUIWindow::addChild(m_label, true, true);
    m_label->takeDefaultState();
    setUserId(getUserId());
}

GUIWindow* GUIButton::clone() const
{
    return new GUIButton(*this);
}

void GUIButton::setUserId(const std::wstring& id)
{
    GUIWindow::setUserId(id);
    if (m_label)
        m_label->setUserId(id);
}

bool GUIButton::addChild(GUIWindow*, bool, bool)
{
    return false;
}

bool GUIButton::removeChild(GUIWindow*)
{
    return false;
}

void GUIButton::removeAllChildren()
{
    GUIWidgetParts::removeAllExcept(*this, {m_label});
}

void GUIButton::copyFromVorlage(const GUIWindow* vorlage, uint32_t mask)
{
    GUIWindow::copyFromVorlage(vorlage, mask);
    const auto* button = dynamic_cast<const GUIButton*>(vorlage);
    if (!button || button == this || !m_label || !button->m_label)
        return;
    m_label->copyFromVorlage(button->m_label,
                             (button->getVorlageMask() & mask) | GUIVorlageMask::POSITION | GUIVorlageMask::SIZE);
}

} // namespace Ulvo
