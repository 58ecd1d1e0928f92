#include "gui/widgets/GUICheckbox.h"

#include "foundation/xml/XMLNode.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUICheckboxButton.h"
#include "gui/widgets/GUILabel.h"
#include "gui/widgets/GUIWidgetParts.h"
#include "gui/windows/GUIXmlRead.h"

namespace Ulvo {

GUICheckbox::GUICheckbox(const XMLNode* node)
    : GUIWindow(node)
    , m_label(new GUILabel(getName() + L"_LABEL"))
    , m_button(new GUICheckboxButton(getName() + L"_BUTTON"))
{
    m_label->copyTooltips(*this);
    m_button->copyTooltips(*this);
    applyVorlage(getVorlagePre());
    GUIWidgetParts::takeLookWithoutTextures(*m_button, *this);
    GUIWidgetParts::takeLookWithoutTextures(*m_label, *this);
    m_label->getOptions().inputIgnore = GUIOptions::IGNORE_SELF;
    m_button->getOptions().moveParent = true;
    readParams(node ? node->getNode(L"CHECKBOX_PARAMS") : nullptr);
    adoptParts();
}

GUICheckbox::GUICheckbox(const GUICheckbox& other)
    : GUIWindow(other)
    , m_label(dynamic_cast<GUILabel*>(other.m_label->clone()))
    , m_button(dynamic_cast<GUICheckboxButton*>(other.m_button->clone()))
    , m_sendToBox(other.m_sendToBox)
{
    adoptParts();
}

void GUICheckbox::adoptParts()
{
    m_label->takeDefaultState();
    m_button->takeDefaultState();
    GUIWindow::addChild(m_label, true, true);
    GUIWindow::addChild(m_button, true, true);
    setUserId(getUserId());
}

void GUICheckbox::readParams(const XMLNode* params)
{
    if (!params)
        return;
    GUIXml::reportUnknownKeys(
        params, {L"CHECKBOX_LOC", L"CHECKBOX_SIZE", L"SEND_TO_BOX", L"CHECKBOX_BUTTON_PARAMS", L"LABEL_PARAMS"},
        L"CHECKBOX_PARAMS");
    int location = LOC_LEFT;
    float rel = 0.25f, off = 0.0f;
    std::wstring word;
    if (GUIXml::read(params, L"CHECKBOX_LOC", word)) {
        const wchar_t* const kWords[] = {L"LEFT", L"RIGHT", L"TOP", L"BOTTOM"};
        for (int i = 0; i < 4; ++i) {
            if (word == kWords[i])
                location = i;
        }
    }
    GUIXml::read(params, L"CHECKBOX_SIZE", rel);
    GUIXml::read(params, L"SEND_TO_BOX", m_sendToBox);
    if (const XMLNode* box = params->getNode(L"CHECKBOX_BUTTON_PARAMS")) {
        m_button->readParams(box, true, false);
        if (const XMLNode* size = box->getNode(L"CHECKBOX_SIZE")) {
            GUIXml::readRatio(size, L"OFF", off);
            GUIXml::readRatio(size, L"REL", rel);
        }
        if (const XMLNode* size = box->getNode(L"MIN_SIZE"))
            m_button->getMinSize().load(size);
        if (const XMLNode* size = box->getNode(L"MAX_SIZE"))
            m_button->getMaxSize().load(size);
    }
    using P = GUIRectPoint;
    // By location: the button's position and size, then the caption's.
    const P places[4][4] = {
        {P(0, 0, 0, 0), P(rel, 1, off, 0), P(rel, 0, off, 0), P(1 - rel, 1, -off, 0)},
        {P(1 - rel, 0, -off, 0), P(rel, 1, off, 0), P(0, 0, 0, 0), P(1 - rel, 1, -off, 0)},
        {P(0, 0, 0, 0), P(1, rel, 0, off), P(0, rel, 0, off), P(1, 1 - rel, 0, -off)},
        {P(0, 1 - rel, 0, -off), P(1, rel, 0, off), P(0, 0, 0, 0), P(1, 1 - rel, 0, -off)},
    };
    if (const XMLNode* box = params->getNode(L"CHECKBOX_BUTTON_PARAMS")) {
        GUIWidgetParts::place(*m_button, places[location][0], places[location][1]);
        if (const XMLNode* textures = box->getNode(L"TEXTURES_2D"))
            m_button->getDrawOptions().loadTextures(textures, gui()->getTextureManager());
    }
    if (const XMLNode* label = params->getNode(L"LABEL_PARAMS")) {
        m_label->load(label);
        GUIWidgetParts::place(*m_label, places[location][2], places[location][3]);
        if (const XMLNode* textures = label->getNode(L"TEXTURES_2D"))
            m_label->getDrawOptions().loadTextures(textures, gui()->getTextureManager());
    }
}

GUIWindow* GUICheckbox::clone() const
{
    return new GUICheckbox(*this);
}

void GUICheckbox::setUserId(const std::wstring& id)
{
    GUIWindow::setUserId(id);
    if (m_label)
        m_label->setUserId(id);
    if (m_button)
        m_button->setUserId(id);
}

void GUICheckbox::onLeftButtonDown(const MouseState& state)
{
    if (m_button && m_sendToBox) {
        m_button->onLeftButtonDown(state);
        return;
    }
    GUIWindow::onLeftButtonDown(state);
}

bool GUICheckbox::addChild(GUIWindow*, bool, bool)
{
    return false;
}

bool GUICheckbox::removeChild(GUIWindow*)
{
    return false;
}

void GUICheckbox::removeAllChildren()
{
    GUIWidgetParts::removeAllExcept(*this, {m_label, m_button});
}

void GUICheckbox::copyFromVorlage(const GUIWindow* vorlage, uint32_t mask)
{
    GUIWindow::copyFromVorlage(vorlage, mask);
    const auto* box = dynamic_cast<const GUICheckbox*>(vorlage);
    if (!box || box == this || !m_label || !m_button)
        return;
    const uint32_t parts = box->getVorlageMask() & mask;
    const uint32_t placed = parts | GUIVorlageMask::POSITION | GUIVorlageMask::SIZE;
    m_label->copyFromVorlage(box->m_label, placed);
    m_button->copyFromVorlage(box->m_button, placed);
    if (parts & GUIVorlageMask::OPTIONS)
        m_sendToBox = box->m_sendToBox;
}

} // namespace Ulvo
