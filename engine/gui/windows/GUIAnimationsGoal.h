#pragma once
// A named complete state of a window (rect, draw options, options) that the
// window can move to, with the switches that say which parts an animation moves
// and how its textures change on the way.
#include "gui/windows/GUIDrawOptions.h"
#include "gui/windows/GUIOptions.h"
#include "gui/windows/GUIRect.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Ulvo {

class TextureManager;
class XMLNode;

class GUIAnimationsGoal {
public:
    GUIAnimationsGoal() = default;
    // Starts from the given records (defaults where none is given), then reads the
    // node: NAME, the INTERPOLATE_ switches, SPEED, then GUIRECT, OPTIONS and
    // DRAWOPTIONS.
    GUIAnimationsGoal(const XMLNode* node, TextureManager* textures, const GUIRect* startRect = nullptr,
                      const GUIDrawOptions* startDrawOptions = nullptr, const GUIOptions* startOptions = nullptr);

    // The state between start s and goal g at p into out (which must be none of the
    // inputs): the parts each side lets move are interpolated, the rest comes from
    // the fixed records (the window's live state); draw options blend over base's
    // draw options and options over base's options.
    static void interpolate(GUIAnimationsGoal& out, const GUIAnimationsGoal& s, const GUIAnimationsGoal& g,
                            const GUIAnimationsGoal& base, const GUIRect& fixedRect,
                            const GUIDrawOptions& fixedDrawOptions, const GUIOptions& fixedOptions, double p);

    // The keys of a goal node.
    static const std::vector<const wchar_t*>& keyNames();

    // INTERPOLATE_GUIRECT_MODE words: POS 1, SIZE 2, PARAM 4 are set, ALL clears all
    // (no part moves), NONE sets all three.
    static uint32_t parseRectMode(const std::wstring& words);

    GUIRect rect;
    GUIDrawOptions drawOptions;
    GUIOptions options;
    double speed = 1.0;
    bool interpolateRects = true;
    uint32_t rectMode = GUIRect::PART_ALL;
    bool interpolateDrawOptions = true;
    bool interpolateOptions = true;
    uint32_t textureMode = GUIDrawOptions::STATIC;
    uint32_t backgroundMode = GUIDrawOptions::STATIC;
    std::wstring name;
};

} // namespace Ulvo
