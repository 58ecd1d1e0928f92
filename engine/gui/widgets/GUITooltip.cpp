#include "gui/widgets/GUITooltip.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUILabel.h"
#include "gui/widgets/GUIWidgetParts.h"
#include "gui/windows/GUIScopes.h"
#include "gui/windows/GUITooltipParam.h"
#include "gui/windows/GUIXmlRead.h"

#include <cmath>

namespace Ulvo {

namespace {

const wchar_t kShow[] = L"AN";
const wchar_t kHide[] = L"AUS";

} // namespace

GUITooltip::GUITooltip(const XMLNode* node) : GUIWindow(node)
{
    applyVorlage(getVorlagePre());
    readParams(node ? node->getNode(L"TOOLTIP_PARAMS") : nullptr);
    setUserId(getUserId());
}

GUITooltip::GUITooltip(const GUITooltip& other)
    : GUIWindow(other)
    , m_tooltipId(other.m_tooltipId)
    , m_delay(other.m_delay)
    , m_showTime(other.m_showTime)
    , m_positionOffset(other.m_positionOffset)
    , m_sizeOffset(other.m_sizeOffset)
    , m_defaultSize(other.m_defaultSize)
    , m_useDefaultTip(other.m_useDefaultTip)
    , m_onlyStatic(other.m_onlyStatic)
    , m_maxDistance(other.m_maxDistance)
{
    setUserId(getUserId());
}

GUITooltip::~GUITooltip()
{
    holdReference(m_marked, nullptr);
    holdReference(m_entry, nullptr);
    holdReference(m_label, nullptr);
}

GUIWindow* GUITooltip::clone() const
{
    return new GUITooltip(*this);
}

void GUITooltip::readParams(const XMLNode* params)
{
    if (!params)
        return;
    GUIXml::reportUnknownKeys(params,
                              {L"TIMER", L"USE_DEFAULT_TIP", L"TOOLTIP_ID", L"ONLY_STATIC", L"ONLY_STATIC_MAX_DIST",
                               L"LABEL", L"RAND_SIZE", L"LABEL_PARAMS", L"POS_OFFSET", L"SIZE_OFFSET", L"DEFAULT_SIZE"},
                              L"TOOLTIP_PARAMS");
    GUIXml::read(params, L"TIMER", m_delay);
    GUIXml::read(params, L"USE_DEFAULT_TIP", m_useDefaultTip);
    GUIXml::read(params, L"TOOLTIP_ID", m_tooltipId);
    GUIXml::read(params, L"ONLY_STATIC", m_onlyStatic);
    GUIXml::read(params, L"ONLY_STATIC_MAX_DIST", m_maxDistance);
    std::wstring name;
    if (GUIXml::read(params, L"LABEL", name)) {
        holdReference(m_label, dynamic_cast<GUILabel*>(findWindow(name)));
        if (!m_label)
            guiLog().log(25, LOG_TYPE_WARNING,
                         L"Ulvo::GUITooltip: " + getName() + L": kein Label " + name + L" darunter\n");
    }
    if (m_label) {
        GUIWidgetParts::inset(*m_label, params->getNode(L"RAND_SIZE"));
        m_label->load(params->getNode(L"LABEL_PARAMS"));
        m_label->takeDefaultState();
    }
    if (const XMLNode* point = params->getNode(L"POS_OFFSET"))
        m_positionOffset.load(point);
    if (const XMLNode* point = params->getNode(L"SIZE_OFFSET"))
        m_sizeOffset.load(point);
    if (const XMLNode* point = params->getNode(L"DEFAULT_SIZE"))
        m_defaultSize.load(point);
}

// ---------------------------------------------------------------- events

void GUITooltip::startWait()
{
    const double timer = m_entry ? m_entry->getTimer() : -1.0;
    m_showTime = (timer >= 0.0 ? timer : m_delay) + (m_marked ? m_marked->getStateTimes().timeMarked : 0.0);
}

void GUITooltip::hide(int fitFlags)
{
    m_shown = false;
    startAnimationGoal(kHide, 1.0);
    fit(fitFlags);
}

void GUITooltip::onMarkedWindowChanged(GUIWindow* window)
{
    GUIKeepAlive keep(this);
    // The entry lets go of its reference, but stays until this call is done.
    GUITooltipParam* previous = m_entry;
    GUIKeepAlive keepPrevious(previous);
    releaseAndNull(m_entry);
    holdReference(m_marked, window);
    if (!m_marked || !m_label)
        return;
    GUITooltipParam* entry = m_marked->getTooltip(m_tooltipId);
    if (!entry && m_useDefaultTip)
        entry = m_marked->getFirstTooltip();
    holdReference(m_entry, entry);
    if (m_entry && (m_entry == previous || (previous && previous->getTextId() == m_entry->getTextId() &&
                                            previous->getTooltipId() == m_entry->getTooltipId()))) {
        m_showTime = 0.0;
        return;
    }
    m_anchor = m_mousePixels;
    if (m_entry) {
        startWait();
        m_label->setText(m_entry->getText(gui()->getTextManager()));
        m_shown = false;
        setAnimationGoal(kHide);
    } else {
        startAnimationGoal(kHide, 1.0);
    }
    fit(FIT_TO_MOUSE | FIT_TO_TEXT);
}

void GUITooltip::onMouseMove(const D3DXVECTOR2& fraction, const D3DXVECTOR2& pixels)
{
    GUIKeepAlive keep(this);
    m_mouseFraction = fraction;
    m_mousePixels = pixels;
    if (m_onlyStatic) {
        const float dx = pixels.x - m_anchor.x, dy = pixels.y - m_anchor.y;
        if (std::sqrt(dx * dx + dy * dy) >= m_maxDistance) {
            m_shown = false;
            if (m_entry)
                startWait();
            startAnimationGoal(kHide, 1.0);
            fit(FIT_TO_MOUSE | FIT_TO_TEXT);
            m_anchor = pixels;
            return;
        }
    } else if (!m_shown && m_entry) {
        startWait();
    }
    fit(FIT_TO_MOUSE);
}

void GUITooltip::update(double dt)
{
    GUIKeepAlive keep(this);
    GUIWindow::update(dt);
    if (!m_marked) {
        if (m_shown)
            hide(0);
        return;
    }
    const bool due = m_marked->getStateTimes().timeMarked >= m_showTime;
    if (!due || !m_entry) {
        if (m_shown)
            hide(0);
    } else if (!m_shown) {
        m_anchor = m_mousePixels;
        m_shown = true;
        startAnimationGoal(kShow, 1.0);
        fit(0);
    }
    if (m_entry && m_label) {
        const GUIRectPoint& position = getGUIRect().position;
        getAnimationStart().rect.position = position;
        getAnimationTarget().rect.position = position;
        m_text = m_entry->getText(gui()->getTextManager());
        if (m_text != m_label->getText()) {
            m_label->setText(m_text);
            fit(FIT_TO_TEXT);
        }
    }
}

// ---------------------------------------------------------------- placement

void GUITooltip::fit(int flags)
{
    GUIRect& rect = getGUIRect();
    if (flags & FIT_TO_MOUSE)
        rect.position = GUIRectPoint(m_mouseFraction.x, m_mouseFraction.y, 0.0f, 0.0f) + m_positionOffset;
    if ((flags & FIT_TO_TEXT) && m_label) {
        GUIRect& labelRect = m_label->getGUIRect();
        const GUIRectPoint size = labelRect.size;
        labelRect.size = m_defaultSize;
        m_label->updateClientRect();
        RECT measured{};
        m_label->calcTextRect(measured);
        labelRect.size = size;
        rect.size = GUIRectPoint(0.0f, 0.0f, static_cast<float>(measured.right - measured.left),
                                 static_cast<float>(measured.bottom - measured.top)) +
                    m_sizeOffset;
    }
    if (flags != 0)
        keepInside();
    getAnimationStart().rect.position = rect.position;
    getAnimationStart().rect.size = rect.size;
    getAnimationTarget().rect.position = rect.position;
    getAnimationTarget().rect.size = rect.size;
    takeCurrentState();
    if (flags != 0)
        updateClientRect();
}

void GUITooltip::keepInside()
{
    updateClientRect();
    const FloatRect bounds = getParent() ? getParent()->getScreenRect() : gui()->getScreenRect();
    const FloatRect& r = getScreenRect();
    auto shift = [](float low, float high, float start, float end) {
        float move = 0.0f;
        if (low < start)
            move = start - low;
        if (high + move > end)
            move = end - high;
        return move;
    };
    GUIRectPoint& position = getGUIRect().position;
    position.xOff += shift(r.left, r.right, bounds.left, bounds.right);
    position.yOff += shift(r.top, r.bottom, bounds.top, bounds.bottom);
}

} // namespace Ulvo
