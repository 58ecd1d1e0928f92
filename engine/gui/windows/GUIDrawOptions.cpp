#include "gui/windows/GUIDrawOptions.h"

#include "foundation/helpers/Release.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/sprites/BaseSprite.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/TextureLoadOptions.h"
#include "graphics/textures/TextureManager.h"
#include "gui/windows/GUIXmlRead.h"

namespace Ulvo {

namespace {

// The side a texture mode takes at p.
const GUIDrawOptions& pick(uint32_t mode, const GUIDrawOptions& start, const GUIDrawOptions& goal,
                           const GUIDrawOptions& fixed, double p)
{
    const bool first = p <= 0.5;
    switch (mode) {
    case GUIDrawOptions::START_GOAL:
        return first ? start : goal;
    case GUIDrawOptions::STATIC_GOAL:
        return first ? fixed : goal;
    case GUIDrawOptions::START_STATIC:
        return first ? start : fixed;
    default:
        return fixed;
    }
}

double lerp(double a, double b, double p)
{
    return a + (b - a) * p;
}

void readDrawTypes(const XMLNode* node, const wchar_t* name, DWORD& x, DWORD& y)
{
    const XMLNode* child = node->getNode(name);
    if (!child)
        return;
    std::wstring words;
    if (GUIXml::read(child, L"X", words))
        x = GUIDrawOptions::parseDrawType(words);
    if (GUIXml::read(child, L"Y", words))
        y = GUIDrawOptions::parseDrawType(words);
}

} // namespace

GUIDrawOptions::GUIDrawOptions(const GUIDrawOptions& other)
{
    *this = other;
}

GUIDrawOptions& GUIDrawOptions::operator=(const GUIDrawOptions& other)
{
    if (this == &other)
        return *this;
    alpha = other.alpha;
    modulate = other.modulate;
    activeBlend = other.activeBlend;
    inactiveBlend = other.inactiveBlend;
    ebene = other.ebene;
    takeStatePart(other);
    takeBackgroundPart(other);
    return *this;
}

GUIDrawOptions::~GUIDrawOptions()
{
    releaseTextures();
}

void GUIDrawOptions::setTexture(Slot slot, Texture2D* texture)
{
    if (m_textures[slot] == texture)
        return;
    holdReference(m_textures[slot], texture);
}

void GUIDrawOptions::releaseTextures()
{
    for (Texture2D*& texture : m_textures)
        releaseAndNull(texture);
}

void GUIDrawOptions::takeStatePart(const GUIDrawOptions& from)
{
    for (int slot = 0; slot < STATE_SLOTS; ++slot)
        setTexture(static_cast<Slot>(slot), from.m_textures[slot]);
    for (int i = 0; i < 4; ++i)
        stateSource[i] = from.stateSource[i];
    useStateSource = from.useStateSource;
    drawTypeX = from.drawTypeX;
    drawTypeY = from.drawTypeY;
    shapeDrawTypeX = from.shapeDrawTypeX;
    shapeDrawTypeY = from.shapeDrawTypeY;
}

void GUIDrawOptions::takeBackgroundPart(const GUIDrawOptions& from)
{
    setTexture(TEX_BACKGROUND, from.m_textures[TEX_BACKGROUND]);
    for (int i = 0; i < 4; ++i)
        backSource[i] = from.backSource[i];
    useBackSource = from.useBackSource;
    backDrawTypeX = from.backDrawTypeX;
    backDrawTypeY = from.backDrawTypeY;
}

DWORD GUIDrawOptions::parseDrawType(const std::wstring& words)
{
    DWORD flags = 0;
    for (const std::wstring& word : GUIXml::words(words))
        flags |= BaseSprite::getDrawMode(word);
    return flags;
}

void GUIDrawOptions::load(const XMLNode* node, TextureManager* textures)
{
    if (!node)
        return;
    GUIXml::read(node, L"ALPHA", alpha);
    GUIXml::read(node, L"ACTIVE_BLEND", activeBlend);
    GUIXml::read(node, L"INACTIVE_BLEND", inactiveBlend);
    GUIXml::readColour(node, L"MODULATE_COLOR", modulate);
    GUIXml::read(node, L"EBENE", ebene);
    readDrawTypes(node, L"DRAW_TYPE", drawTypeX, drawTypeY);
    readDrawTypes(node, L"SHAPE_DRAW_TYPE", shapeDrawTypeX, shapeDrawTypeY);
    readDrawTypes(node, L"BACK_DRAW_TYPE", backDrawTypeX, backDrawTypeY);
    loadTextures(node, textures);
    GUIXml::reportUnknownKeys(node,
                              {L"ALPHA", L"ACTIVE_BLEND", L"INACTIVE_BLEND", L"MODULATE_COLOR", L"EBENE", L"DRAW_TYPE",
                               L"SHAPE_DRAW_TYPE", L"BACK_DRAW_TYPE", L"TEXTURE_2D_NODE", L"TEX_NORMAL", L"TEX_MARK",
                               L"TEX_PRESS", L"TEX_PRESS_MARK", L"TEX_DISABLE", L"TEX_SHAPE", L"TEX_BACKGROUND"},
                              L"DRAWOPTIONS");
}

void GUIDrawOptions::loadTextures(const XMLNode* node, TextureManager* textures)
{
    if (!node || !textures)
        return;
    if (XMLNode* list = node->getNode(L"TEXTURE_2D_NODE"))
        textures->load(list, TextureLoadOptions());
    static const struct {
        const wchar_t* key;
        Slot slot;
    } keys[] = {{L"TEX_NORMAL", TEX_NORMAL},         {L"TEX_MARK", TEX_MARK},       {L"TEX_PRESS", TEX_PRESS},
                {L"TEX_PRESS_MARK", TEX_PRESS_MARK}, {L"TEX_DISABLE", TEX_DISABLE}, {L"TEX_SHAPE", TEX_SHAPE},
                {L"TEX_BACKGROUND", TEX_BACKGROUND}};
    std::wstring name;
    for (const auto& key : keys) {
        if (GUIXml::read(node, key.key, name))
            setTexture(key.slot, textures->getTexture2D(name));
    }
}

void GUIDrawOptions::interpolate(GUIDrawOptions& out, const GUIDrawOptions& start, const GUIDrawOptions& goal,
                                 const GUIDrawOptions& fixed, double p, uint32_t stateMode, uint32_t backgroundMode)
{
    out = fixed;
    out.alpha = lerp(start.alpha, goal.alpha, p);
    const auto f = static_cast<float>(p);
    out.modulate = D3DXCOLOR(start.modulate.r + (goal.modulate.r - start.modulate.r) * f,
                             start.modulate.g + (goal.modulate.g - start.modulate.g) * f,
                             start.modulate.b + (goal.modulate.b - start.modulate.b) * f,
                             start.modulate.a + (goal.modulate.a - start.modulate.a) * f);
    out.activeBlend = lerp(start.activeBlend, goal.activeBlend, p);
    out.inactiveBlend = lerp(start.inactiveBlend, goal.inactiveBlend, p);
    out.takeStatePart(pick(stateMode, start, goal, fixed, p));
    out.takeBackgroundPart(pick(backgroundMode, start, goal, fixed, p));
}

} // namespace Ulvo
