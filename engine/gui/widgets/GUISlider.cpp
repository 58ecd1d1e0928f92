#include "gui/widgets/GUISlider.h"

#include "foundation/xml/XMLNode.h"
#include "gui/widgets/GUIButton.h"
#include "gui/widgets/GUILabel.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUIWidgetParts.h"
#include "gui/windows/GUIScopes.h"
#include "gui/windows/GUIXmlRead.h"

#include <algorithm>
#include <cmath>

namespace Ulvo {

GUISlider::GUISlider(const XMLNode* node) : GUIWindow(node)
{
    readParams(node ? node->getNode(L"SLIDER_PARAMS") : nullptr);
    if (!m_knob) {
        m_knob = new GUIWindow(getName() + L"_INNEN");
        connectKnob();
    }
    if (!m_track) {
        m_track = new GUIWindow(getName() + L"_AUSSEN");
        connectTrack();
    }
    applyVorlage(getVorlagePre());
    m_knobBase = m_knob->getGUIRect().position;
    assemble();
}

GUISlider::GUISlider(const GUISlider& other)
    : GUIWindow(other)
    , m_decrease(other.m_decrease ? new GUIButton(*other.m_decrease) : nullptr)
    , m_increase(other.m_increase ? new GUIButton(*other.m_increase) : nullptr)
    , m_track(other.m_track->clone())
    , m_knob(other.m_knob->clone())
    , m_label(other.m_label ? new GUILabel(*other.m_label) : nullptr)
    , m_showButtons(other.m_showButtons)
    , m_showLabel(other.m_showLabel)
    , m_labelOnKnob(other.m_labelOnKnob)
    , m_horizontal(other.m_horizontal)
    , m_min(other.m_min)
    , m_max(other.m_max)
    , m_value(other.m_value)
    , m_step(other.m_step)
    , m_granularity(other.m_granularity)
    , m_knobBase(other.m_knobBase)
{
    connectButton(m_decrease);
    connectButton(m_increase);
    // A copy that is not wired would show nothing and follow no drag: it is wired
    // like the original.
    connectKnob();
    connectTrack();
    assemble();
}

GUISlider::~GUISlider()
{
    for (GUIWindow* part : {static_cast<GUIWindow*>(m_decrease), static_cast<GUIWindow*>(m_increase),
                            static_cast<GUIWindow*>(m_label), m_track, m_knob}) {
        if (part && !part->getParent())
            part->Release();
    }
}

GUIWindow* GUISlider::clone() const
{
    return new GUISlider(*this);
}

void GUISlider::readParams(const XMLNode* params)
{
    if (!params)
        return;
    GUIXml::reportUnknownKeys(params,
                              {L"SHOW_BUTTONS", L"HORIZONTAL", L"SHOW_LABEL", L"SHOW_LABEL_ON_SLIDER_INNEN",
                               L"GRANULARITAET", L"VALUE_RANGE", L"VALUE", L"VALUE_CHANGE", L"BUTTON_LEFT",
                               L"BUTTON_RIGHT", L"LABEL", L"SLIDER_INNEN", L"SLIDER_AUSSEN"},
                              L"SLIDER_PARAMS");
    GUIXml::read(params, L"SHOW_BUTTONS", m_showButtons);
    GUIXml::read(params, L"HORIZONTAL", m_horizontal);
    GUIXml::read(params, L"SHOW_LABEL", m_showLabel);
    GUIXml::read(params, L"SHOW_LABEL_ON_SLIDER_INNEN", m_labelOnKnob);
    GUIXml::read(params, L"GRANULARITAET", m_granularity);
    std::wstring range;
    if (GUIXml::read(params, L"VALUE_RANGE", range)) {
        const std::vector<std::wstring> words = GUIXml::words(range);
        if (!words.empty()) {
            m_min = m_value = static_cast<float>(GUIXml::number(words[0]));
            m_max = words.size() > 1 ? static_cast<float>(GUIXml::number(words[1])) : m_min;
        }
    }
    GUIXml::read(params, L"VALUE", m_value);
    GUIXml::read(params, L"VALUE_CHANGE", m_step);
    if (const XMLNode* button = params->getNode(L"BUTTON_LEFT")) {
        m_decrease = new GUIButton(button);
        m_decrease->getOptions().usableForLayoutManager = true;
        connectButton(m_decrease);
    }
    if (const XMLNode* button = params->getNode(L"BUTTON_RIGHT")) {
        m_increase = new GUIButton(button);
        m_increase->getOptions().usableForLayoutManager = true;
        connectButton(m_increase);
    }
    if (const XMLNode* label = params->getNode(L"LABEL"))
        m_label = new GUILabel(label);
    if (const XMLNode* knob = params->getNode(L"SLIDER_INNEN")) {
        m_knob = new GUIWindow(knob);
        connectKnob();
    }
    if (const XMLNode* track = params->getNode(L"SLIDER_AUSSEN")) {
        m_track = new GUIWindow(track);
        m_track->getOptions().usableForLayoutManager = true;
        connectTrack();
    }
}

void GUISlider::connectButton(GUIButton* button)
{
    if (button)
        button->clicked.connect(this, &GUISlider::onButtonClicked);
}

void GUISlider::connectKnob()
{
    m_knob->moved.connect(this, &GUISlider::onKnobMoved);
}

void GUISlider::connectTrack()
{
    m_track->rectChanged.connect(this, &GUISlider::onTrackChanged);
    m_track->leftButton.connect(this, &GUISlider::onTrackPressed);
}

void GUISlider::assemble()
{
    m_track->GUIWindow::addChild(m_knob, true, true);
    if (m_showLabel && !m_label) {
        m_label = new GUILabel(getName() + L"_LABEL");
        GUIWidgetParts::place(*m_label, GUIRectPoint(0, 0, 0, 0), GUIRectPoint(1, 1, 0, 0));
    }
    if (m_label) {
        GUIOptions& options = m_label->getOptions();
        options.bringParentToFront = true;
        options.activateParent = true;
        options.enabled = false;
        options.inputIgnore = GUIOptions::IGNORE_SELF;
    }
    GUIOptions& knob = m_knob->getOptions();
    knob.mouseMove = true;
    knob.canBringToFront = false;
    GUIOptions& track = m_track->getOptions();
    track.layoutManager = L"DEFAULT";
    track.layoutParam = L"FILL";
    track.canBringToFront = false;
    track.activateParent = true;
    addParts();
    for (GUIWindow* part : {m_knob, m_track, static_cast<GUIWindow*>(m_decrease), static_cast<GUIWindow*>(m_increase),
                            static_cast<GUIWindow*>(m_label)}) {
        if (part)
            part->copyTooltips(*this);
    }
    setValue(m_value);
}

void GUISlider::addParts()
{
    if (m_showLabel && m_label) {
        GUIWindow* target = m_labelOnKnob ? m_knob : m_track;
        // Moving from another parent takes a reference of its own; that parent drops its one.
        if (m_label->getParent() != target)
            target->GUIWindow::addChild(m_label, m_label->getParent() == nullptr, true);
    }
    if (m_showButtons) {
        const wchar_t* sides[2][2] = {{L"LEFT", L"RIGHT"}, {L"TOP", L"BOTTOM"}};
        GUIButton* buttons[2] = {m_decrease, m_increase};
        for (int i = 0; i < 2; ++i) {
            if (!buttons[i])
                continue;
            GUIOptions& options = buttons[i]->getOptions();
            options.layoutManager = L"DEFAULT";
            options.layoutParam = sides[m_horizontal ? 0 : 1][i];
            GUIWindow::addChild(buttons[i], true, true);
        }
    }
    GUIWindow::addChild(m_track, true, true);
}

// ---------------------------------------------------------------- value and knob

void GUISlider::setValue(const float& value)
{
    float v = std::max(std::min(value, m_max), m_min);
    if (m_granularity > 0.0f) {
        // The quotient in double precision: 1 / 0.4f lies just below 2.5 and rounds down.
        v = m_granularity * static_cast<float>(std::trunc(double(v) / double(m_granularity) + 0.5));
        v = std::max(std::min(v, m_max), m_min);
    }
    if (v != v)
        v = m_min;
    const float old = m_value;
    m_value = v;
    if (m_value != old) {
        GUIKeepAlive keep(this);
        valueChanged.emit(*this, m_value);
    }
    placeKnob();
}

void GUISlider::setRange(const float& minimum, const float& maximum)
{
    m_min = minimum;
    m_max = maximum;
    setValue(m_value);
}

float GUISlider::freeLength() const
{
    const FloatRect& track = m_track->getScreenRect();
    const FloatRect& knob = m_knob->getScreenRect();
    return m_horizontal ? (track.right - track.left) - (knob.right - knob.left)
                        : (track.bottom - track.top) - (knob.bottom - knob.top);
}

void GUISlider::placeKnob()
{
    if (!m_knob || !m_track)
        return;
    m_knob->updateClientRect();
    const float span = m_max - m_min;
    const float free = freeLength();
    // A range without span or a knob as long as its track leaves the knob at the start.
    const float offset = span > 0.0f && free > 0.0f ? (m_value - m_min) / span * free : 0.0f;
    GUIRectPoint& position = m_knob->getGUIRect().position;
    position = m_knobBase;
    if (m_horizontal) {
        position.xRel = 0.0f;
        position.xOff = offset;
    } else {
        position.yRel = 0.0f;
        position.yOff = offset;
    }
    m_knob->updateClientRect();
}

void GUISlider::onButtonClicked(GUIWindow& button)
{
    if (&button == m_decrease)
        setValue(m_value - m_step);
    else if (&button == m_increase)
        setValue(m_value + m_step);
}

void GUISlider::onKnobMoved(GUIWindow&)
{
    const FloatRect& track = m_track->getScreenRect();
    const FloatRect& knob = m_knob->getScreenRect();
    const float position = m_horizontal ? knob.left - track.left : knob.top - track.top;
    const float free = freeLength();
    const float value = free > 0.0f ? position / free * (m_max - m_min) + m_min : m_min;
    setValue(value);
}

void GUISlider::onTrackChanged(GUIWindow&)
{
    placeKnob();
}

void GUISlider::onTrackPressed(GUIWindow&, const bool& down)
{
    GUISystem* system = gui();
    if (!down || !system || !m_knob)
        return;
    float x = 0.0f, y = 0.0f;
    system->getLastMouse(x, y);
    const FloatRect& track = m_track->getScreenRect();
    const FloatRect& knob = m_knob->getScreenRect();
    const float position = m_horizontal ? x - track.left - (knob.right - knob.left) / 2.0f
                                        : y - track.top - (knob.bottom - knob.top) / 2.0f;
    const float free = freeLength();
    if (free > 0.0f)
        setValue(std::clamp(position / free, 0.0f, 1.0f) * (m_max - m_min) + m_min);
}

// ---------------------------------------------------------------- window operations

void GUISlider::setUserId(const std::wstring& id)
{
    for (GUIWindow* part : {static_cast<GUIWindow*>(m_decrease), static_cast<GUIWindow*>(m_increase),
                            static_cast<GUIWindow*>(m_label), m_track, m_knob}) {
        if (part)
            part->setUserId(id);
    }
}

void GUISlider::update(double dt)
{
    GUIKeepAlive keep(this);
    GUIWindow::update(dt);
    std::vector<GUIWindow*>& children = childList();
    if (!m_showButtons || children.size() < 3)
        return;
    GUIWindow* wanted[3] = {m_decrease, m_increase, m_track};
    std::size_t count = 0;
    for (GUIWindow* part : wanted) {
        if (part && std::find(children.begin(), children.end(), part) != children.end())
            wanted[count++] = part;
    }
    if (std::equal(wanted, wanted + count, children.begin()))
        return;
    for (std::size_t i = 0; i < count; ++i)
        GUIWindow::eraseAll(children, wanted[i]);
    children.insert(children.begin(), wanted, wanted + count);
    updateClientRect();
}

bool GUISlider::addChild(GUIWindow*, bool, bool)
{
    return false;
}

void GUISlider::copyFromVorlage(const GUIWindow* vorlage, uint32_t mask)
{
    GUIWindow::copyFromVorlage(vorlage, mask);
    const auto* slider = dynamic_cast<const GUISlider*>(vorlage);
    if (!slider || slider == this || !m_knob || !m_track)
        return;
    const uint32_t parts = slider->getVorlageMask() & mask;
    if (slider->m_label && !m_label) {
        m_label = new GUILabel(*slider->m_label);
        m_label->copyTooltips(*this);
    }
    GUIButton** own[2] = {&m_decrease, &m_increase};
    const GUIButton* theirs[2] = {slider->m_decrease, slider->m_increase};
    for (int i = 0; i < 2; ++i) {
        if (theirs[i] && !*own[i]) {
            *own[i] = new GUIButton(*theirs[i]);
            (*own[i])->copyTooltips(*this);
            (*own[i])->getOptions().usableForLayoutManager = true;
            connectButton(*own[i]);
        }
    }
    const uint32_t placed = parts | GUIVorlageMask::POSITION | GUIVorlageMask::SIZE;
    const std::pair<GUIWindow*, const GUIWindow*> pairs[] = {
        {m_label, slider->m_label}, {m_decrease, slider->m_decrease}, {m_increase, slider->m_increase},
        {m_track, slider->m_track}, {m_knob, slider->m_knob},
    };
    for (const auto& pair : pairs) {
        if (pair.first && pair.second)
            pair.first->copyFromVorlage(pair.second, placed);
    }
    m_knobBase = slider->m_knobBase;
    if (parts & GUIVorlageMask::TEXTIDS) {
        m_min = slider->m_min;
        m_max = slider->m_max;
        m_value = slider->m_value;
        m_step = slider->m_step;
        m_granularity = slider->m_granularity;
    }
    if (parts & GUIVorlageMask::OPTIONS) {
        m_horizontal = slider->m_horizontal;
        m_showLabel = slider->m_showLabel;
        m_labelOnKnob = slider->m_labelOnKnob;
        m_showButtons = slider->m_showButtons;
        m_track->GUIWindow::addChild(m_knob, true, true);
        // The parts hold their references while out of the list; other children are dropped.
        for (GUIWindow* child : takeChildren()) {
            if (child != m_decrease && child != m_increase && child != m_track)
                child->Release();
        }
        addParts();
    }
}

} // namespace Ulvo
