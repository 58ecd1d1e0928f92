#include "gui/widgets/GUIScrollPanel.h"

#include "foundation/xml/XMLNode.h"
#include "gui/layout/GUILayoutManager.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUIButton.h"
#include "gui/widgets/GUILabel.h"
#include "gui/widgets/GUIWidgetParts.h"
#include "gui/windows/GUIScopes.h"
#include "gui/windows/GUIXmlRead.h"

#include <algorithm>
#include <cmath>

namespace Ulvo {

namespace {

const wchar_t* const kSuffixes[GUIScrollPanel::PART_COUNT] = {
    L"_Panel", L"_Hoch", L"_Runter", L"_Scroll_TB", L"_Grenze_TB", L"_Links", L"_Rechts", L"_Scroll_RL", L"_Grenze_RL",
};

// The six bar parts the scroll panel holds an extra reference on (the knobs live in
// their tracks, the panel in the child list).
constexpr GUIScrollPanel::Part kBarParts[] = {GUIScrollPanel::UP,   GUIScrollPanel::DOWN,  GUIScrollPanel::V_TRACK,
                                              GUIScrollPanel::LEFT, GUIScrollPanel::RIGHT, GUIScrollPanel::H_TRACK};

// How far the content moves (negated) on one axis so that the focus child [low, high]
// comes into the panel's [start, end]; with the border, one child extent further.
float focusShift(float start, float end, float low, float high, bool border)
{
    float d = 0.0f;
    if (high > end)
        d += high - end + (border ? high - low : 0.0f);
    if (start > low)
        d += low - start + (border ? high - low : 0.0f);
    return d;
}

FloatRect whole(const FloatRect& r)
{
    return FloatRect(std::trunc(r.left), std::trunc(r.top), std::trunc(r.right), std::trunc(r.bottom));
}

} // namespace

GUIScrollPanel::GUIScrollPanel(const XMLNode* node) : GUIWindow(node)
{
    applyVorlage(getVorlagePre());
    readParams(node ? node->getNode(L"SCROLL_PANEL_PARAMS") : nullptr);
    makeMissingParts();
    for (int i = 0; i < PART_COUNT; ++i)
        m_parts[i]->copyTooltips(*this);
    for (int i = 0; i < PART_COUNT; ++i)
        m_parts[i]->rename(getName() + kSuffixes[i]);
    GUIOptions& panel = m_parts[PANEL]->getOptions();
    panel.layoutParam = L"NULL";
    panel.activateParent = true;
    panel.moveParent = true;
    panel.drawInClientOnly = true;
    if (m_useLayoutManager)
        panel.layoutManager = m_layoutManager;
    m_parts[PANEL]->takeDefaultState();
    // The description's children are the content.
    m_busy = true;
    for (GUIWindow* child : takeChildren())
        addChild(child, true, true);
    m_busy = false;
    wire();
}

GUIScrollPanel::GUIScrollPanel(const GUIScrollPanel& other)
    : GUIWindow(other)
    , m_overhang(other.m_overhang)
    , m_offsetX(other.m_offsetX)
    , m_offsetY(other.m_offsetY)
    , m_absolute(other.m_absolute)
    , m_relative(other.m_relative)
    , m_verticalScroll(other.m_verticalScroll)
    , m_horizontalScroll(other.m_horizontalScroll)
    , m_autoScroll(other.m_autoScroll)
    , m_focusBorder(other.m_focusBorder)
{
    for (int i = 0; i < PART_COUNT; ++i)
        m_parts[i] = other.m_parts[i]->clone();
    wire();
}

GUIScrollPanel::~GUIScrollPanel()
{
    m_busy = true;
    m_focus = nullptr;
    // The parts outlive this part of the object while the window part releases them.
    disconnect_all();
    for (Part part : kBarParts)
        releaseAndNull(m_parts[part]);
}

GUIWindow* GUIScrollPanel::clone() const
{
    return new GUIScrollPanel(*this);
}

void GUIScrollPanel::readParams(const XMLNode* params)
{
    if (!params)
        return;
    GUIXml::reportUnknownKeys(params,
                              {L"PANEL", L"VERTICAL_PARAMS", L"HORIZONTAL_PARAMS", L"USE_LAYOUTMANAGER",
                               L"LAYOUTMANAGER", L"LAYOUTMANAGER_PARAMS", L"SIZE_ABSOLUT", L"SIZE_RELATIV",
                               L"VERTICAL_SCROLL", L"HORIZONTAL_SCROLL", L"AUTO_SCROLL", L"AUTO_FOCUS",
                               L"FOCUS_BORDER"},
                              L"SCROLL_PANEL_PARAMS");
    GUISystem* system = gui();
    if (const XMLNode* panel = params->getNode(L"PANEL"))
        m_parts[PANEL] = new GUIWindow(panel);
    struct BarNodes {
        const wchar_t* node;
        const wchar_t* first;
        const wchar_t* second;
        Part firstPart, secondPart, knob, track;
    };
    const BarNodes bars[] = {
        {L"VERTICAL_PARAMS", L"BUTTON_UP", L"BUTTON_DOWN", UP, DOWN, V_KNOB, V_TRACK},
        {L"HORIZONTAL_PARAMS", L"BUTTON_LEFT", L"BUTTON_RIGHT", LEFT, RIGHT, H_KNOB, H_TRACK},
    };
    for (const BarNodes& bar : bars) {
        const XMLNode* node = params->getNode(bar.node);
        if (!node)
            continue;
        GUIXml::reportUnknownKeys(node, {bar.first, bar.second, L"SCROLL_BUTTON", L"SCROLL_UNDERGROUND"}, bar.node);
        if (const XMLNode* button = node->getNode(bar.first))
            m_parts[bar.firstPart] = new GUIButton(button);
        if (const XMLNode* button = node->getNode(bar.second))
            m_parts[bar.secondPart] = new GUIButton(button);
        m_parts[bar.knob] = system->createWindowFromXml(node->getNode(L"SCROLL_BUTTON"));
        m_parts[bar.track] = system->createWindowFromXml(node->getNode(L"SCROLL_UNDERGROUND"));
    }
    GUIXml::read(params, L"USE_LAYOUTMANAGER", m_useLayoutManager);
    GUIXml::read(params, L"LAYOUTMANAGER", m_layoutManager);
    GUIXml::read(params, L"LAYOUTMANAGER_PARAMS", m_layoutParam);
    GUIXml::read(params, L"SIZE_ABSOLUT", m_absolute);
    GUIXml::read(params, L"SIZE_RELATIV", m_relative);
    GUIXml::read(params, L"VERTICAL_SCROLL", m_verticalScroll);
    GUIXml::read(params, L"HORIZONTAL_SCROLL", m_horizontalScroll);
    GUIXml::read(params, L"AUTO_SCROLL", m_autoScroll);
    GUIXml::read(params, L"AUTO_FOCUS", m_autoFocus);
    std::wstring words;
    if (GUIXml::read(params, L"FOCUS_BORDER", words)) {
        m_focusBorder = 0;
        for (const std::wstring& word : GUIXml::words(words)) {
            if (word == L"LEFT")
                m_focusBorder &= ~FOCUS_RIGHT;
            else if (word == L"RIGHT")
                m_focusBorder |= FOCUS_RIGHT;
            else if (word == L"TOP")
                m_focusBorder &= ~FOCUS_BOTTOM;
            else if (word == L"BOTTOM")
                m_focusBorder |= FOCUS_BOTTOM;
        }
    }
}

void GUIScrollPanel::makeMissingParts()
{
    for (int i = 0; i < PART_COUNT; ++i) {
        if (m_parts[i])
            continue;
        const std::wstring name = getName() + kSuffixes[i];
        const bool button = i == UP || i == DOWN || i == LEFT || i == RIGHT || i == V_KNOB || i == H_KNOB;
        m_parts[i] = button ? static_cast<GUIWindow*>(new GUIButton(name)) : new GUIWindow(name);
    }
}

void GUIScrollPanel::wire()
{
    for (Part knob : {V_KNOB, H_KNOB}) {
        m_parts[knob]->getOptions().mouseMove = true;
        // A press on a knob's caption drags the knob as well.
        if (auto* button = dynamic_cast<GUIButton*>(m_parts[knob])) {
            button->getLabel()->getOptions().mouseMove = true;
            button->getLabel()->getOptions().moveParent = true;
        }
        m_parts[knob]->moved.connect(this, &GUIScrollPanel::onScrollKnobMoved);
    }
    for (Part button : {UP, DOWN, LEFT, RIGHT})
        m_parts[button]->clicked.connect(this, &GUIScrollPanel::onScrollButtonClicked);
    m_parts[V_TRACK]->GUIWindow::addChild(m_parts[V_KNOB], true, true);
    m_parts[H_TRACK]->GUIWindow::addChild(m_parts[H_KNOB], true, true);
    m_busy = false;
    // No bar part is a child yet, whatever a template said.
    m_verticalShown = m_horizontalShown = false;
    GUIWindow::addChild(m_parts[PANEL], true, true);
    const bool horizontal = m_horizontalScroll, vertical = m_verticalScroll;
    setScrollBars(horizontal, vertical);
    m_parts[PANEL]->rectChanged.connect(this, &GUIScrollPanel::onRectChanged);
    m_parts[PANEL]->childRemoved.connect(this, &GUIScrollPanel::onPanelChildRemoved);
    m_parts[PANEL]->childAdded.connect(this, &GUIScrollPanel::onPanelChildAdded);
    rectChanged.connect(this, &GUIScrollPanel::onRectChanged);
}

// ---------------------------------------------------------------- content

bool GUIScrollPanel::addChild(GUIWindow* child, bool handedOver, bool append)
{
    if (!child)
        return false;
    GUIKeepAlive keep(child);
    if (m_useLayoutManager) {
        child->getOptions().usableForLayoutManager = true;
        child->getOptions().layoutParam = m_layoutParam;
    }
    GUIRectPoint& position = child->getGUIRect().position;
    position.xOff -= m_offsetX;
    position.yOff -= m_offsetY;
    child->rectChanged.connect(this, &GUIScrollPanel::onRectChanged);
    const bool added = m_parts[PANEL] && m_parts[PANEL]->addChild(child, handedOver, append);
    if (!added) {
        position.xOff += m_offsetX;
        position.yOff += m_offsetY;
        child->rectChanged.disconnect(this);
    }
    return added;
}

bool GUIScrollPanel::removeChild(GUIWindow* child)
{
    return m_parts[PANEL] && m_parts[PANEL]->removeChild(child);
}

void GUIScrollPanel::removeAllChildren()
{
    if (!m_parts[PANEL])
        return;
    for (GUIWindow* child : m_parts[PANEL]->children()) {
        child->rectChanged.disconnect(this);
        if (child == m_focus)
            m_focus = nullptr;
    }
    m_parts[PANEL]->removeAllChildren();
    updateScrollBars();
}

void GUIScrollPanel::onPanelChildAdded(GUIWindow& child, const bool& added)
{
    if (!added)
        return;
    if (m_autoFocus)
        m_focus = &child;
    updateScrollBars();
}

void GUIScrollPanel::onPanelChildRemoved(GUIWindow& child, const bool& removed)
{
    if (!removed)
        return;
    child.rectChanged.disconnect(this);
    // The focus child is held without a reference: it must not outlive its place here.
    if (&child == m_focus)
        m_focus = nullptr;
    updateScrollBars();
}

void GUIScrollPanel::onRectChanged(GUIWindow&)
{
    if (!m_useLayoutManager)
        updateScrollBars();
}

// ---------------------------------------------------------------- geometry

bool GUIScrollPanel::measure(FloatRect& panel, FloatRect& content, bool integral) const
{
    const GUIWindow* inner = m_parts[PANEL];
    panel = integral ? whole(inner->getScreenRect()) : inner->getScreenRect();
    const std::vector<GUIWindow*>& children = inner->children();
    if (children.empty())
        return false;
    content = children.front()->getScreenRect();
    for (const GUIWindow* child : children) {
        const FloatRect& r = child->getScreenRect();
        content.left = std::min(content.left, r.left);
        content.top = std::min(content.top, r.top);
        content.right = std::max(content.right, r.right);
        content.bottom = std::max(content.bottom, r.bottom);
    }
    if (integral)
        content = whole(content);
    return true;
}

void GUIScrollPanel::storeOverhangs(const FloatRect& p, const FloatRect& b)
{
    m_overhang = {p.left - b.left, p.top - b.top, b.right - p.right, b.bottom - p.bottom};
}

void GUIScrollPanel::shift(float dx, float dy)
{
    // A child's slots may change the list: walk a copy.
    const std::vector<GUIWindow*> children = m_parts[PANEL]->children();
    for (GUIWindow* child : children) {
        GUIKeepAlive keep(child);
        GUIRectPoint& position = child->getGUIRect().position;
        position.xOff += dx;
        position.yOff += dy;
        child->updateClientRect();
    }
    m_offsetX += dx;
    m_offsetY += dy;
}

void GUIScrollPanel::scroll(uint32_t direction, float amount)
{
    GUIKeepAlive keep(this);
    const auto [left, top, right, bottom] = m_overhang;
    if (direction & SCROLL_UP) {
        if (top > 0.0f)
            shift(0.0f, std::min(top, amount));
        scrolledUp.emit(*this);
        scrolledVertically.emit(*this);
    } else if (direction & SCROLL_DOWN) {
        if (bottom > 0.0f)
            shift(0.0f, -std::min(bottom, amount));
        scrolledDown.emit(*this);
        scrolledVertically.emit(*this);
    } else if (direction & SCROLL_LEFT) {
        if (left > 0.0f)
            shift(std::min(left, amount), 0.0f);
        scrolledLeft.emit(*this);
        scrolledHorizontally.emit(*this);
    } else if (direction & SCROLL_RIGHT) {
        if (right > 0.0f)
            shift(-std::min(right, amount), 0.0f);
        scrolledRight.emit(*this);
        scrolledHorizontally.emit(*this);
    } else {
        updateScrollBars();
        return;
    }
    scrolled.emit(*this);
    updateScrollBars();
}

void GUIScrollPanel::onScrollButtonClicked(GUIWindow& button)
{
    const std::pair<Part, Direction> buttons[] = {
        {UP, SCROLL_UP}, {DOWN, SCROLL_DOWN}, {LEFT, SCROLL_LEFT}, {RIGHT, SCROLL_RIGHT}};
    for (const auto& [part, direction] : buttons) {
        if (&button == m_parts[part])
            scroll(direction, BUTTON_STEP);
    }
    updateScrollBars();
}

void GUIScrollPanel::updateScrollBars()
{
    if (m_busy || !m_parts[PANEL])
        return;
    m_busy = true;
    GUIKeepAlive keep(this);
    const GUIRectPoint origin(0.0f, 0.0f, 0.0f, 0.0f), full(1.0f, 1.0f, 0.0f, 0.0f);
    if (m_parts[PANEL]->children().empty()) {
        for (Part knob : {V_KNOB, H_KNOB}) {
            GUIWidgetParts::place(*m_parts[knob], origin, full);
            m_parts[knob]->updateClientRect();
        }
        m_busy = false;
        return;
    }
    GUILayoutManager::setScrollOffset(m_offsetX, m_offsetY);
    m_parts[PANEL]->updateClientRect();
    FloatRect p, b;
    measure(p, b, false);
    storeOverhangs(p, b);
    float cw = b.right - b.left, ch = b.bottom - b.top;
    const float pw = p.right - p.left, ph = p.bottom - p.top;
    if (cw == 0.0f)
        cw = 1.0f;
    if (ch == 0.0f)
        ch = 1.0f;
    if (m_autoScroll) {
        const bool wantH = cw > pw ? true : pw > cw ? false : m_horizontalShown;
        const bool wantV = ch > ph ? true : ph > ch ? false : m_verticalShown;
        // A bar that is not allowed stays hidden; comparing what can be shown keeps
        // the knobs following the content.
        const bool h = wantH && m_horizontalScroll, v = wantV && m_verticalScroll;
        if (h != m_horizontalShown || v != m_verticalShown) {
            setScrollBars(h, v);
            m_busy = false;
            return;
        }
    }
    const float height = std::min(ph / ch, 1.0f);
    float top = 1.0f - (m_overhang[3] + ph) / ch;
    top = std::max(std::min(top, 1.0f - height), 0.0f);
    GUIWidgetParts::place(*m_parts[V_KNOB], GUIRectPoint(0.0f, top, 0.0f, 0.0f), GUIRectPoint(1.0f, height, 0, 0));
    m_parts[V_KNOB]->updateClientRect();
    const float width = std::min(pw / cw, 1.0f);
    float left = 1.0f - (m_overhang[2] + pw) / cw;
    left = std::max(std::min(left, 1.0f - width), 0.0f);
    GUIWidgetParts::place(*m_parts[H_KNOB], GUIRectPoint(left, 0.0f, 0.0f, 0.0f), GUIRectPoint(width, 1.0f, 0, 0));
    m_parts[H_KNOB]->updateClientRect();
    m_busy = false;
}

void GUIScrollPanel::onScrollKnobMoved(GUIWindow& knob)
{
    GUIKeepAlive keep(this);
    FloatRect p, b;
    const bool content = measure(p, b, true);
    if (content)
        storeOverhangs(p, b);
    const bool vertical = &knob == m_parts[V_KNOB];
    if (!vertical && &knob != m_parts[H_KNOB]) {
        updateScrollBars();
        return;
    }
    const FloatRect& k = knob.getScreenRect();
    const FloatRect& t = m_parts[vertical ? V_TRACK : H_TRACK]->getScreenRect();
    float track = vertical ? t.bottom - t.top : t.right - t.left;
    if (track == 0.0f)
        track = 1.0f;
    const float a = (vertical ? k.top - t.top : k.left - t.left) / track;
    const float s = (vertical ? k.bottom - k.top : k.right - k.left) / track;
    const float f = std::max(std::min(a, 1.0f - s), 0.0f);
    if (content) {
        const float contentLength = vertical ? b.bottom - b.top : b.right - b.left;
        const float view = vertical ? p.bottom - p.top : p.right - p.left;
        const float d = m_overhang[vertical ? 3 : 2] - ((1.0f - f) * contentLength - view);
        if (d != 0.0f && contentLength > view) {
            if (vertical)
                shift(0.0f, -d);
            else
                shift(-d, 0.0f);
        }
    }
    (vertical ? scrolledVertically : scrolledHorizontally).emit(*this);
    scrolled.emit(*this);
    updateScrollBars();
}

// ---------------------------------------------------------------- bars

bool GUIScrollPanel::isBarPart(const GUIWindow* window) const
{
    for (Part part : kBarParts) {
        if (m_parts[part] == window)
            return true;
    }
    return false;
}

void GUIScrollPanel::setScrollBars(bool horizontal, bool vertical)
{
    if (horizontal == m_horizontalShown && vertical == m_verticalShown)
        return;
    GUIKeepAlive keep(this);
    for (Part part : kBarParts) {
        if (std::find(children().begin(), children().end(), m_parts[part]) != children().end())
            GUIWindow::removeChild(m_parts[part]);
    }
    const float a = m_absolute, r = m_relative;
    const float n = 1.0f, two = 2.0f;
    const float nh = horizontal ? two : n, nv = vertical ? two : n;
    const float rv = vertical ? r : 0.0f, av = vertical ? a : 0.0f;
    const float rh = horizontal ? r : 0.0f, ah = horizontal ? a : 0.0f;
    using P = GUIRectPoint;
    const P square(r, r, a, a);
    GUIWidgetParts::place(*m_parts[PANEL], P(0, 0, 0, 0), P(1 - rv, 1 - rh, -av, -ah));
    GUIWidgetParts::place(*m_parts[UP], P(1 - r, 0, -a, 0), square);
    GUIWidgetParts::place(*m_parts[DOWN], P(1 - r, 1 - nh * r, -a, -nh * a), square);
    GUIWidgetParts::place(*m_parts[V_TRACK], P(1 - r, r, -a, a), P(r, 1 - (nh + 1) * r, a, -(nh + 1) * a));
    GUIWidgetParts::place(*m_parts[V_KNOB], P(0, 0, 0, 0), P(1, 1, 0, 0));
    GUIWidgetParts::place(*m_parts[LEFT], P(0, 1 - r, 0, -a), square);
    GUIWidgetParts::place(*m_parts[RIGHT], P(1 - nv * r, 1 - r, -nv * a, -a), square);
    GUIWidgetParts::place(*m_parts[H_TRACK], P(r, 1 - r, a, -a), P(1 - (nv + 1) * r, r, -(nv + 1) * a, a));
    GUIWidgetParts::place(*m_parts[H_KNOB], P(0, 0, 0, 0), P(1, 1, 0, 0));
    m_verticalShown = vertical;
    m_horizontalShown = horizontal;
    if (vertical) {
        for (Part part : {UP, DOWN, V_TRACK})
            GUIWindow::addChild(m_parts[part], false, false);
    }
    if (horizontal) {
        for (Part part : {LEFT, RIGHT, H_TRACK})
            GUIWindow::addChild(m_parts[part], false, false);
    }
    m_parts[PANEL]->takeDefaultState();
    m_parts[PANEL]->updateClientRect();
    updateScrollBars();
}

// ---------------------------------------------------------------- frame

void GUIScrollPanel::update(double dt)
{
    GUIKeepAlive keep(this);
    GUIWindow::update(dt);
    float dx = 0.0f, dy = 0.0f;
    FloatRect p, b;
    if (measure(p, b, false)) {
        storeOverhangs(p, b);
        const auto [left, top, right, bottom] = m_overhang;
        if (left < 0.0f && right > 0.0f)
            dx = std::min(-left, right);
        if (right < 0.0f && left > 0.0f)
            dx = -std::min(-right, left);
        if (top < 0.0f && bottom > 0.0f)
            dy = std::min(-top, bottom);
        if (bottom < 0.0f && top > 0.0f)
            dy = -std::min(-bottom, top);
    }
    if (dx == 0.0f && dy == 0.0f && m_focus) {
        const FloatRect& f = m_focus->getScreenRect();
        dy += focusShift(p.top, p.bottom, f.top, f.bottom, (m_focusBorder & FOCUS_BOTTOM) != 0);
        dx += focusShift(p.left, p.right, f.left, f.right, (m_focusBorder & FOCUS_RIGHT) != 0);
        m_focus = nullptr;
    }
    if (dx != 0.0f || dy != 0.0f) {
        shift(-dx, -dy);
        updateScrollBars();
    }
}

// ---------------------------------------------------------------- ids and templates

void GUIScrollPanel::setUserId(const std::wstring& id)
{
    for (Part part : {PANEL, UP, DOWN, V_KNOB}) {
        if (m_parts[part])
            m_parts[part]->setUserId(id);
    }
}

void GUIScrollPanel::copyFromVorlage(const GUIWindow* vorlage, uint32_t mask)
{
    GUIWindow::copyFromVorlage(vorlage, mask);
    const auto* panel = dynamic_cast<const GUIScrollPanel*>(vorlage);
    if (!panel || panel == this)
        return;
    const uint32_t parts = panel->getVorlageMask() & mask;
    for (int i = 0; i < PART_COUNT; ++i) {
        if (m_parts[i] && panel->m_parts[i])
            m_parts[i]->copyFromVorlage(panel->m_parts[i], parts);
    }
    if (parts & GUIVorlageMask::OPTIONS) {
        m_layoutManager = panel->m_layoutManager;
        m_useLayoutManager = panel->m_useLayoutManager;
        m_layoutParam = panel->m_layoutParam;
        m_absolute = panel->m_absolute;
        m_relative = panel->m_relative;
        m_verticalScroll = panel->m_verticalScroll;
        m_horizontalScroll = panel->m_horizontalScroll;
        m_verticalShown = panel->m_verticalShown;
        m_horizontalShown = panel->m_horizontalShown;
        m_busy = panel->m_busy;
        m_autoScroll = panel->m_autoScroll;
        m_autoFocus = panel->m_autoFocus;
        m_offsetX = panel->m_offsetX;
        m_offsetY = panel->m_offsetY;
        m_overhang = panel->m_overhang;
    }
}

} // namespace Ulvo
