#include "gui/widgets/GUIFrame.h"

#include "foundation/xml/XMLNode.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUIWidgetParts.h"
#include "gui/windows/GUIXmlRead.h"

namespace Ulvo {

namespace {

struct PartInfo {
    const wchar_t* suffix;
    const wchar_t* texturesNode;
};

// In drawing order; three parts end in "_LEFT" and three in "_RIGHT".
const PartInfo kParts[GUIFrame::PART_COUNT] = {
    {L"_TOP", L"TEXTURES_2D_TOP"},
    {L"_BOTTOM", L"TEXTURES_2D_BOTTOM"},
    {L"_RIGHT", L"TEXTURES_2D_RIGHT"},
    {L"_LEFT", L"TEXTURES_2D_LEFT"},
    {L"_LEFT", L"TEXTURES_2D_TOP_LEFT"},
    {L"_RIGHT", L"TEXTURES_2D_TOP_RIGHT"},
    {L"_RIGHT", L"TEXTURES_2D_BOTTOM_RIGHT"},
    {L"_LEFT", L"TEXTURES_2D_BOTTOM_LEFT"},
    {L"_FILL", L"TEXTURES_2D_FILL"},
};

constexpr DWORD kScale = 1;
constexpr DWORD kRepeat = 2;

} // namespace

GUIFrame::GUIFrame(const XMLNode* node) : GUIWindow(node)
{
    for (int i = 0; i < PART_COUNT; ++i)
        m_parts[i] = new GUIWindow(getName() + kParts[i].suffix);
    applyVorlage(getVorlagePre());
    for (GUIWindow* part : m_parts) {
        GUIWidgetParts::takeLookWithoutTextures(*part, *this);
        GUIDrawOptions& look = part->getDrawOptions();
        look.setDrawType(kScale, kScale);
        look.shapeDrawTypeX = look.shapeDrawTypeY = kScale;
        look.setBackDrawType(kScale, kScale);
        part->getOptions().usableForLayoutManager = false;
    }
    const GUIDrawOptions& own = getDrawOptions();
    if (own.drawTypeX == kRepeat || own.drawTypeY == kRepeat) {
        m_parts[TOP]->getDrawOptions().setDrawType(own.drawTypeX, kScale);
        m_parts[BOTTOM]->getDrawOptions().setDrawType(own.drawTypeX, kScale);
        m_parts[LEFT]->getDrawOptions().setDrawType(kScale, own.drawTypeY);
        m_parts[RIGHT]->getDrawOptions().setDrawType(kScale, own.drawTypeY);
        m_parts[FILL]->getDrawOptions().setDrawType(own.drawTypeX, own.drawTypeY);
    }
    if (const XMLNode* params = node ? node->getNode(L"FRAME_PARAMS") : nullptr) {
        GUIXml::KeyList known{L"RAND_SIZE"};
        for (const PartInfo& info : kParts)
            known.push_back(info.texturesNode);
        GUIXml::reportUnknownKeys(params, known, L"FRAME_PARAMS");
        if (const XMLNode* border = params->getNode(L"RAND_SIZE")) {
            GUIXml::read(border, L"REL", m_relative);
            GUIXml::read(border, L"OFF", m_pixels);
        }
        placeParts();
        for (int i = 0; i < PART_COUNT; ++i) {
            if (const XMLNode* textures = params->getNode(kParts[i].texturesNode))
                m_parts[i]->getDrawOptions().loadTextures(textures, gui()->getTextureManager());
        }
    }
    for (GUIWindow* part : m_parts) {
        GUIOptions& options = part->getOptions();
        options.activateParent = true;
        options.inputIgnore = GUIOptions::IGNORE_SELF;
        options.moveParent = true;
        part->takeDefaultState();
        GUIWindow::addChild(part, true, false);
    }
    for (GUIWindow* part : m_parts)
        part->copyTooltips(*this);
    setUserId(getUserId());
}

GUIFrame::GUIFrame(const GUIFrame& other) : GUIWindow(other), m_relative(other.m_relative), m_pixels(other.m_pixels)
{
    for (int i = 0; i < PART_COUNT; ++i) {
        m_parts[i] = other.m_parts[i]->clone();
        GUIWindow::addChild(m_parts[i], true, false);
    }
    setUserId(getUserId());
}

void GUIFrame::placeParts()
{
    const float r = m_relative, o = m_pixels;
    using P = GUIRectPoint;
    // position, size per part, as in the part order.
    const P places[PART_COUNT][2] = {
        {P(r, 0, o, 0), P(1 - 2 * r, r, -2 * o, o)},              // top
        {P(r, 1 - r, o, -o), P(1 - 2 * r, r, -2 * o, o)},         // bottom
        {P(1 - r, r, -o, o), P(r, 1 - 2 * r, o, -2 * o)},         // right
        {P(0, r, 0, o), P(r, 1 - 2 * r, o, -2 * o)},              // left
        {P(0, 0, 0, 0), P(r, r, o, o)},                           // top left
        {P(1 - r, 0, -o, 0), P(r, r, o, o)},                      // top right
        {P(1 - r, 1 - r, -o, -o), P(r, r, o, o)},                 // bottom right
        {P(0, 1 - r, 0, -o), P(r, r, o, o)},                      // bottom left
        {P(r, r, o, o), P(1 - 2 * r, 1 - 2 * r, -2 * o, -2 * o)}, // fill
    };
    for (int i = 0; i < PART_COUNT; ++i)
        GUIWidgetParts::place(*m_parts[i], places[i][0], places[i][1]);
}

bool GUIFrame::isPart(const GUIWindow* window) const
{
    for (const GUIWindow* part : m_parts) {
        if (part == window)
            return true;
    }
    return false;
}

GUIWindow* GUIFrame::clone() const
{
    return new GUIFrame(*this);
}

void GUIFrame::setUserId(const std::wstring& id)
{
    GUIWindow::setUserId(id);
    for (GUIWindow* part : m_parts) {
        if (part)
            part->setUserId(id);
    }
}

void GUIFrame::drawShape()
{
    for (GUIWindow* part : m_parts)
        part->drawShape();
}

void GUIFrame::drawSelf()
{
    for (GUIWindow* part : m_parts)
        part->drawSelf();
}

void GUIFrame::removeAllChildren()
{
    GUIWidgetParts::removeAllExcept(*this, {m_parts[0], m_parts[1], m_parts[2], m_parts[3], m_parts[4], m_parts[5],
                                            m_parts[6], m_parts[7], m_parts[8]});
}

void GUIFrame::copyFromVorlage(const GUIWindow* vorlage, uint32_t mask)
{
    GUIWindow::copyFromVorlage(vorlage, mask);
    const auto* frame = dynamic_cast<const GUIFrame*>(vorlage);
    if (!frame || frame == this)
        return;
    const uint32_t parts = (frame->getVorlageMask() & mask) | GUIVorlageMask::POSITION | GUIVorlageMask::SIZE;
    for (int i = 0; i < PART_COUNT; ++i) {
        if (m_parts[i] && frame->m_parts[i])
            m_parts[i]->copyFromVorlage(frame->m_parts[i], parts);
    }
}

bool GUIFrame::shouldDrawSubWindow(std::size_t, const GUIWindow* child) const
{
    return !isPart(child);
}

} // namespace Ulvo
