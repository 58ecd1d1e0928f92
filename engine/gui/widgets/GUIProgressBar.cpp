#include "gui/widgets/GUIProgressBar.h"

#include "foundation/xml/XMLNode.h"
#include "graphics/sprites/D3DXSprite.h"
#include "graphics/textures/Texture2D.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUILabel.h"
#include "gui/widgets/GUIWidgetParts.h"
#include "gui/windows/GUIScopes.h"
#include "gui/windows/GUIXmlRead.h"

#include <algorithm>
#include <cmath>

namespace Ulvo {

GUIProgressBar::GUIProgressBar(const XMLNode* node)
    : GUIWindow(node), m_progress(new GUIWindow(getName() + L"_PROGRESS")), m_label(new GUILabel(getName() + L"_LABEL"))
{
    m_label->copyTooltips(*this);
    m_progress->copyTooltips(*this);
    applyVorlage(getVorlagePre());
    GUIWidgetParts::takeLookWithoutTextures(*m_label, *this);
    m_label->getOptions().usableForLayoutManager = false;
    GUIWidgetParts::place(*m_label, GUIRectPoint(0, 0, 0, 0), GUIRectPoint(1, 1, 0, 0));
    m_label->setText(L"TEST");
    GUIWidgetParts::takeLookWithoutTextures(*m_progress, *this);
    m_progress->getOptions().usableForLayoutManager = false;
    getOptions().drawInClientOnly = true;
    getOptions().drawSubWindows = false;
    readParams(node ? node->getNode(L"PROGRESSBAR_PARAMS") : nullptr);
    adoptParts();
}

GUIProgressBar::GUIProgressBar(const GUIProgressBar& other)
    : GUIWindow(other)
    , m_max(other.m_max)
    , m_value(other.m_value)
    , m_cutTexture(other.m_cutTexture)
    , m_direction(other.m_direction)
    , m_progress(other.m_progress->clone())
    , m_label(dynamic_cast<GUILabel*>(other.m_label->clone()))
    , m_granularity(other.m_granularity)
{
    adoptParts();
}

void GUIProgressBar::adoptParts()
{
    for (GUIWindow* part : {static_cast<GUIWindow*>(m_label), m_progress}) {
        GUIOptions& options = part->getOptions();
        options.activateParent = true;
        options.inputIgnore = GUIOptions::IGNORE_SELF;
        options.moveParent = true;
        part->takeDefaultState();
    }
    GUIWindow::addChild(m_label, true, true);
    GUIWindow::addChild(m_progress, true, false);
    setUserId(getUserId());
    updateProgressRect();
}

void GUIProgressBar::readParams(const XMLNode* params)
{
    if (!params)
        return;
    GUIXml::reportUnknownKeys(params,
                              {L"MAX_WERT", L"AKT_WERT", L"CUT_TEXTURE", L"DRAW_IN_CLIENT_ONLY", L"GRANULARITAET",
                               L"TYP", L"TEXTURES_2D_PROGRESS", L"LABEL_PARAMS"},
                              L"PROGRESSBAR_PARAMS");
    GUIXml::read(params, L"MAX_WERT", m_max);
    GUIXml::read(params, L"AKT_WERT", m_value);
    GUIXml::read(params, L"CUT_TEXTURE", m_cutTexture);
    GUIXml::read(params, L"DRAW_IN_CLIENT_ONLY", getOptions().drawInClientOnly);
    GUIXml::read(params, L"GRANULARITAET", m_granularity);
    std::wstring word;
    if (GUIXml::read(params, L"TYP", word)) {
        const wchar_t* const kWords[] = {L"LEFT_RIGHT", L"RIGHT_LEFT", L"TOP_BOTTOM", L"BOTTOM_TOP"};
        for (uint32_t i = 0; i < 4; ++i) {
            if (word == kWords[i])
                m_direction = static_cast<Direction>(i);
        }
    }
    if (const XMLNode* textures = params->getNode(L"TEXTURES_2D_PROGRESS"))
        m_progress->getDrawOptions().loadTextures(textures, gui()->getTextureManager());
    m_label->load(params->getNode(L"LABEL_PARAMS"));
}

GUIWindow* GUIProgressBar::clone() const
{
    return new GUIProgressBar(*this);
}

void GUIProgressBar::setUserId(const std::wstring& id)
{
    GUIWindow::setUserId(id);
    if (m_progress)
        m_progress->setUserId(id);
    if (m_label)
        m_label->setUserId(id);
}

// ---------------------------------------------------------------- value

float GUIProgressBar::rounded(float fraction) const
{
    if (!(m_granularity > 0.0f))
        return fraction;
    return static_cast<float>(m_granularity * std::trunc(fraction / m_granularity + 0.5f));
}

float GUIProgressBar::getFraction() const
{
    if (!(m_max > 0.0f))
        return 0.0f;
    return rounded(m_value / m_max);
}

void GUIProgressBar::setValue(float value)
{
    GUIKeepAlive keep(this);
    m_value = value;
    valueChanged.emit(*this, getFraction());
    if (m_value >= m_max)
        filled.emit(*this);
    m_value = std::max(std::min(m_value, m_max), 0.0f);
    updateProgressRect();
}

void GUIProgressBar::setProgress(float fraction)
{
    setValue(m_max * fraction);
}

void GUIProgressBar::setMaxValue(float maximum)
{
    m_max = maximum;
    updateProgressRect();
}

void GUIProgressBar::updateProgressRect()
{
    if (!m_progress)
        return;
    float c = std::clamp(getFraction(), 0.0f, 1.0f);
    if (c != c)
        c = 0.0f;
    using P = GUIRectPoint;
    switch (m_direction) {
    case RIGHT_LEFT:
        GUIWidgetParts::place(*m_progress, P(1 - c, 0, 0, 0), P(c, 1, 0, 0));
        break;
    case TOP_BOTTOM:
        GUIWidgetParts::place(*m_progress, P(0, 0, 0, 0), P(1, c, 0, 0));
        break;
    case BOTTOM_TOP:
        GUIWidgetParts::place(*m_progress, P(0, 1 - c, 0, 0), P(1, c, 0, 0));
        break;
    default:
        GUIWidgetParts::place(*m_progress, P(0, 0, 0, 0), P(c, 1, 0, 0));
        break;
    }
    m_progress->updateClientRect();
}

// ---------------------------------------------------------------- drawing

void GUIProgressBar::drawShape()
{
    m_drawingShape = true;
    drawSelf();
    m_drawingShape = false;
}

void GUIProgressBar::drawSelf()
{
    GUIWindow::drawSelf();
    if (m_drawingShape)
        return;
    const FloatRect& bar = getScreenRect();
    if (!m_cutTexture) {
        m_progress->onDraw(bar);
        m_label->onDraw(bar);
        return;
    }
    Texture2D* texture = m_progress->getDrawOptions().getTexture(GUIDrawOptions::TEX_NORMAL);
    D3DXSprite* sprite = gui()->getSprite();
    if (texture && sprite) {
        const RECT destination{truncToLong(bar.left), truncToLong(bar.top), truncToLong(bar.right),
                               truncToLong(bar.bottom)};
        // The bar's colour with the fill's alpha (which includes the bar's).
        const D3DCOLOR colour = modulateColour(m_progress->getAlpha());
        RECT source = texture->getRect();
        const float f = getFraction();
        const auto w = static_cast<float>(texture->getWidth()), h = static_cast<float>(texture->getHeight());
        switch (m_direction) {
        case RIGHT_LEFT:
            source.left = source.right - truncToLong(w * f);
            break;
        case TOP_BOTTOM:
            source.bottom = source.top + truncToLong(h * f);
            break;
        case BOTTOM_TOP:
            source.top = source.bottom - truncToLong(h * f);
            break;
        default:
            source.right = source.left + truncToLong(w * f);
            break;
        }
        sprite->drawRegion(texture, &source, destination, 1, 1, colour);
    }
    m_label->onDraw(bar);
}

// ---------------------------------------------------------------- children and templates

bool GUIProgressBar::addChild(GUIWindow*, bool, bool)
{
    return false;
}

bool GUIProgressBar::removeChild(GUIWindow*)
{
    return false;
}

void GUIProgressBar::removeAllChildren()
{
    GUIWidgetParts::removeAllExcept(*this, {m_label, m_progress});
}

void GUIProgressBar::copyFromVorlage(const GUIWindow* vorlage, uint32_t mask)
{
    GUIWindow::copyFromVorlage(vorlage, mask);
    const auto* bar = dynamic_cast<const GUIProgressBar*>(vorlage);
    if (!bar || bar == this || !m_progress || !m_label)
        return;
    const uint32_t parts = bar->getVorlageMask() & mask;
    if (parts & GUIVorlageMask::OPTIONS) {
        m_max = bar->m_max;
        m_value = bar->m_value;
        m_cutTexture = bar->m_cutTexture;
        m_granularity = bar->m_granularity;
        m_direction = bar->m_direction;
    }
    m_progress->copyFromVorlage(bar->m_progress, parts);
    m_label->copyFromVorlage(bar->m_label, parts);
}

bool GUIProgressBar::shouldDrawSubWindow(std::size_t, const GUIWindow* child) const
{
    return !(child == m_progress && m_cutTexture);
}

} // namespace Ulvo
