#include "gui/widgets/GUICheckboxButton.h"

#include "foundation/xml/XMLNode.h"
#include "graphics/sprites/D3DXSprite.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIScopes.h"
#include "gui/windows/GUIXmlRead.h"

#include <algorithm>

namespace Ulvo {

GUICheckboxButton::GUICheckboxButton(const std::wstring& name) : GUIWindow(name) {}

GUICheckboxButton::GUICheckboxButton(const XMLNode* node) : GUIWindow(node)
{
    applyVorlage(getVorlagePre());
    readParams(node ? node->getNode(L"CHECKBOX_BUTTON_PARAMS") : nullptr, false, true);
    m_fadeTimer = m_checked ? 0.0 : m_fadeTime;
}

GUICheckboxButton::GUICheckboxButton(const GUICheckboxButton& other)
    : GUIWindow(other)
    , m_oneWayClick(other.m_oneWayClick)
    , m_drawCheckedFully(other.m_drawCheckedFully)
    , m_checked(other.m_checked)
    , m_fadeTimer(other.m_fadeTimer)
    , m_fadeTime(other.m_fadeTime)
{
}

GUICheckboxButton::~GUICheckboxButton()
{
    leaveGroups();
    for (GUICheckboxButton* member : m_members)
        member->onDeleted.disconnect(this);
    m_members.clear();
}

GUIWindow* GUICheckboxButton::clone() const
{
    return new GUICheckboxButton(*this);
}

void GUICheckboxButton::readParams(const XMLNode* params, bool announce, bool drawFull)
{
    if (!params)
        return;
    bool checked = m_checked;
    if (GUIXml::read(params, L"ENABLED", checked)) {
        if (announce)
            setChecked(checked);
        else
            m_checked = checked;
    }
    GUIXml::read(params, L"ENABLE_TIMER", m_fadeTime);
    GUIXml::read(params, L"ONE_WAY_CLICK", m_oneWayClick);
    if (drawFull)
        GUIXml::read(params, L"DRAW_ENABLED_FULL", m_drawCheckedFully);
    if (const XMLNode* names = params->getNode(L"GROUP_NAMES")) {
        for (const XMLProperty* property : names->getProperties())
            m_groupNames.push_back(property->getValue());
    }
}

void GUICheckboxButton::setCheckedQuietly(bool checked)
{
    m_checked = checked;
    m_fadeTimer = checked ? 0.0 : m_fadeTime;
}

// ---------------------------------------------------------------- state and groups

void GUICheckboxButton::setChecked(bool checked)
{
    const bool old = m_checked;
    m_checked = checked;
    if (old == checked)
        return;
    GUIKeepAlive keep(this);
    stateChanged.emit(*this);
    if (!m_checked)
        return;
    // A member's slots may change the list: walk a copy.
    const std::vector<GUICheckboxButton*> members = m_members;
    for (GUICheckboxButton* member : members) {
        if (std::find(m_members.begin(), m_members.end(), member) != m_members.end())
            member->setChecked(false);
    }
}

void GUICheckboxButton::addGroupMember(GUICheckboxButton* member)
{
    if (!member || std::find(m_members.begin(), m_members.end(), member) != m_members.end())
        return;
    member->onDeleted.connect(this, &GUICheckboxButton::onGroupMemberDeleted);
    m_members.push_back(member);
}

void GUICheckboxButton::removeGroupMember(GUICheckboxButton* member)
{
    for (std::size_t i = m_members.size(); i-- > 0;) {
        if (m_members[i] == member) {
            m_members.erase(m_members.begin() + static_cast<std::ptrdiff_t>(i));
            // Still listed once more (never: no duplicates) would keep the connection.
            member->onDeleted.disconnect(this);
            return;
        }
    }
}

void GUICheckboxButton::onGroupMemberDeleted(NamedObject* object)
{
    // The deletion signal comes from NamedObject's destructor: the object is no longer a
    // checkbox button there, so it is matched by address.
    for (std::size_t i = m_members.size(); i-- > 0;) {
        if (static_cast<NamedObject*>(m_members[i]) == object) {
            m_members.erase(m_members.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

void GUICheckboxButton::leaveGroups()
{
    const std::vector<GUICheckboxButton*> members = m_members;
    for (GUICheckboxButton* member : members)
        member->removeGroupMember(this);
}

void GUICheckboxButton::applyVorlagen()
{
    GUIWindow::applyVorlagen();
    for (const std::wstring& name : m_groupNames)
        addGroupMember(dynamic_cast<GUICheckboxButton*>(gui()->getWindow(name)));
}

void GUICheckboxButton::copyFromVorlage(const GUIWindow* vorlage, uint32_t mask)
{
    GUIWindow::copyFromVorlage(vorlage, mask);
    const auto* button = dynamic_cast<const GUICheckboxButton*>(vorlage);
    if (!button || button == this)
        return;
    const uint32_t parts = button->getVorlageMask() & mask;
    if (parts & GUIVorlageMask::TIMES) {
        m_fadeTimer = button->m_fadeTimer;
        m_fadeTime = button->m_fadeTime;
    }
    if (parts & GUIVorlageMask::OPTIONS) {
        m_checked = button->m_checked;
        m_oneWayClick = button->m_oneWayClick;
        m_drawCheckedFully = button->m_drawCheckedFully;
    }
}

// ---------------------------------------------------------------- input, fade, drawing

void GUICheckboxButton::onLeftButtonDown(const MouseState& state)
{
    if (getOptions().inputIgnore != 0)
        return;
    if (getOptions().inputToParent && getParent()) {
        getParent()->onLeftButtonDown(state);
        return;
    }
    GUIKeepAlive keep(this);
    setChecked(m_oneWayClick == 0 ? !m_checked : m_oneWayClick > 0);
    noteButtonEvent();
}

void GUICheckboxButton::update(double dt)
{
    GUIKeepAlive keep(this);
    GUIWindow::update(dt);
    m_fadeTimer += m_checked ? dt : -dt;
    m_fadeTimer = std::clamp(m_fadeTimer, 0.0, std::max(m_fadeTime, 0.0));
    if (m_fadeTimer != m_fadeTimer)
        m_fadeTimer = 0.0;
}

double GUICheckboxButton::getFade() const
{
    if (!(m_fadeTime > 0.0))
        return m_checked ? 1.0 : 0.0;
    return std::clamp(m_fadeTimer / m_fadeTime, 0.0, 1.0);
}

void GUICheckboxButton::drawShape()
{
    drawSelf();
}

void GUICheckboxButton::drawSelf()
{
    D3DXSprite* sprite = gui()->getSprite();
    if (!sprite)
        return;
    const FloatRect& r = getScreenRect();
    const RECT destination{truncToLong(r.left), truncToLong(r.top), truncToLong(r.right), truncToLong(r.bottom)};
    const double a = getAlpha();
    const float t = static_cast<float>(getFade());
    const float u = 1.0f - t;
    const double ticked = m_drawCheckedFully ? a : a * t;
    const double unticked = a * u;
    const double mark = getMarkBlend();
    const GUIDrawOptions& look = getDrawOptions();
    auto draw = [&](GUIDrawOptions::Slot slot, double alpha) {
        if (Texture2D* texture = look.getTexture(slot))
            sprite->drawRegion(texture, nullptr, destination, look.drawTypeX, look.drawTypeY,
                               (toColourByte(alpha) << 24) | 0x00FFFFFF);
    };
    draw(GUIDrawOptions::TEX_PRESS, ticked);
    draw(GUIDrawOptions::TEX_NORMAL, unticked);
    draw(GUIDrawOptions::TEX_PRESS_MARK, ticked * mark);
    draw(GUIDrawOptions::TEX_MARK, unticked * mark);
}

bool GUICheckboxButton::addChild(GUIWindow*, bool, bool)
{
    return false;
}

bool GUICheckboxButton::removeChild(GUIWindow*)
{
    return false;
}

} // namespace Ulvo
