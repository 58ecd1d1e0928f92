#include "gui/windows/GUIAnimationsGoal.h"

#include "foundation/xml/XMLNode.h"
#include "gui/windows/GUIXmlRead.h"

namespace Ulvo {

namespace {

bool readTextureMode(const std::wstring& word, uint32_t& mode)
{
    static const struct {
        const wchar_t* word;
        uint32_t mode;
    } modes[] = {{L"STATIC", GUIDrawOptions::STATIC},
                 {L"START_GOAL", GUIDrawOptions::START_GOAL},
                 {L"STATIC_GOAL", GUIDrawOptions::STATIC_GOAL},
                 {L"START_STATIC", GUIDrawOptions::START_STATIC}};
    for (const auto& entry : modes) {
        if (word == entry.word) {
            mode = entry.mode;
            return true;
        }
    }
    return false;
}

// A switch blended as a number: (a - b) * p + b, true above one half.
bool blendSwitch(bool a, bool b, double p)
{
    return (double(a) - double(b)) * p + double(b) > 0.5;
}

// The record to take when at most one side interpolates (the goal's before the
// start's, the fixed one when neither); null when both do and the two are blended.
template <class T> const T* oneSided(bool start, bool goal, const T& s, const T& g, const T& fixed)
{
    if (start && goal)
        return nullptr;
    if (goal)
        return &g;
    return start ? &s : &fixed;
}

} // namespace

const std::vector<const wchar_t*>& GUIAnimationsGoal::keyNames()
{
    static const std::vector<const wchar_t*> keys = {L"NAME",
                                                     L"INTERPOLATE_DRAWOPTIONS",
                                                     L"INTERPOLATE_GUIRECTS",
                                                     L"INTERPOLATE_GUIRECT_MODE",
                                                     L"INTERPOLATE_OPTIONS",
                                                     L"SPEED",
                                                     L"INTERPOLATE_TEXTURES",
                                                     L"GUIRECT",
                                                     L"OPTIONS",
                                                     L"DRAWOPTIONS"};
    return keys;
}

uint32_t GUIAnimationsGoal::parseRectMode(const std::wstring& words)
{
    uint32_t mode = 0;
    for (const std::wstring& word : GUIXml::words(words)) {
        if (word == L"POS")
            mode |= GUIRect::PART_POSITION;
        else if (word == L"SIZE")
            mode |= GUIRect::PART_SIZE;
        else if (word == L"PARAM")
            mode |= GUIRect::PART_PARAMS;
        else if (word == L"ALL")
            mode = 0;
        else if (word == L"NONE")
            mode |= GUIRect::PART_ALL;
    }
    return mode;
}

GUIAnimationsGoal::GUIAnimationsGoal(const XMLNode* node, TextureManager* textures, const GUIRect* startRect,
                                     const GUIDrawOptions* startDrawOptions, const GUIOptions* startOptions)
{
    if (startRect)
        rect = *startRect;
    if (startDrawOptions)
        drawOptions = *startDrawOptions;
    if (startOptions)
        options = *startOptions;
    if (!node)
        return;
    GUIXml::read(node, L"NAME", name);
    GUIXml::read(node, L"INTERPOLATE_DRAWOPTIONS", interpolateDrawOptions);
    GUIXml::read(node, L"INTERPOLATE_GUIRECTS", interpolateRects);
    std::wstring words;
    if (GUIXml::read(node, L"INTERPOLATE_GUIRECT_MODE", words))
        rectMode = parseRectMode(words);
    GUIXml::read(node, L"INTERPOLATE_OPTIONS", interpolateOptions);
    GUIXml::read(node, L"SPEED", speed);
    if (GUIXml::read(node, L"INTERPOLATE_TEXTURES", words)) {
        const std::vector<std::wstring> list = GUIXml::words(words);
        if (!list.empty())
            readTextureMode(list[0], textureMode);
        if (list.size() > 1)
            readTextureMode(list[1], backgroundMode);
    }
    if (const XMLNode* child = node->getNode(L"GUIRECT"))
        rect.load(child);
    if (const XMLNode* child = node->getNode(L"OPTIONS"))
        options.load(child);
    if (const XMLNode* child = node->getNode(L"DRAWOPTIONS"))
        drawOptions.load(child, textures);
}

void GUIAnimationsGoal::interpolate(GUIAnimationsGoal& out, const GUIAnimationsGoal& s, const GUIAnimationsGoal& g,
                                    const GUIAnimationsGoal& base, const GUIRect& fixedRect,
                                    const GUIDrawOptions& fixedDrawOptions, const GUIOptions& fixedOptions, double p)
{
    const bool early = p <= 0.5;
    const uint32_t mode = early ? s.rectMode : g.rectMode;

    if (s.interpolateRects && g.interpolateRects)
        GUIRect::interpolate(out.rect, fixedRect, s.rect, g.rect, p, mode);
    else if (s.interpolateRects)
        GUIRect::interpolate(out.rect, fixedRect, s.rect, s.rect, p, mode);
    else if (g.interpolateRects)
        GUIRect::interpolate(out.rect, fixedRect, g.rect, g.rect, p, mode);
    else
        out.rect = fixedRect;
    const GUIRect& flags = p < 0.5 ? s.rect : g.rect;
    out.rect.xByRatio = flags.xByRatio;
    out.rect.yByRatio = flags.yByRatio;
    out.rect.anchor = flags.anchor;

    out.interpolateRects = blendSwitch(s.interpolateRects, g.interpolateRects, p);
    out.interpolateDrawOptions = blendSwitch(s.interpolateDrawOptions, g.interpolateDrawOptions, p);
    out.interpolateOptions = blendSwitch(s.interpolateOptions, g.interpolateOptions, p);
    out.speed = (s.speed - g.speed) * p + g.speed;
    out.rectMode = mode;

    if (const GUIDrawOptions* side = oneSided(s.interpolateDrawOptions, g.interpolateDrawOptions, s.drawOptions,
                                              g.drawOptions, fixedDrawOptions))
        out.drawOptions = *side;
    else
        GUIDrawOptions::interpolate(out.drawOptions, s.drawOptions, g.drawOptions, base.drawOptions, p, s.textureMode,
                                    s.backgroundMode);
    out.textureMode = early ? s.textureMode : g.textureMode;
    out.backgroundMode = early ? s.backgroundMode : g.backgroundMode;

    if (const GUIOptions* side =
            oneSided(s.interpolateOptions, g.interpolateOptions, s.options, g.options, fixedOptions))
        out.options = *side;
    else
        GUIOptions::interpolate(out.options, s.options, g.options, base.options, p);

    out.name = g.name;
}

} // namespace Ulvo
