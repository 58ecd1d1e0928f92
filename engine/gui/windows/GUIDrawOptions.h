#pragma once
// How a window draws: alpha and modulation colour, the mark blend times, the
// per-axis draw types of its state, shape and background textures, its layer
// among its siblings, and the seven textures, each held with a reference.
#include <windows.h>
#include <d3dx9math.h>

#include <cstdint>
#include <string>

namespace Ulvo {

class Texture2D;
class TextureManager;
class XMLNode;

class GUIDrawOptions {
public:
    // Texture slots in the order the record keeps them.
    enum Slot { TEX_NORMAL, TEX_PRESS, TEX_MARK, TEX_PRESS_MARK, TEX_DISABLE, TEX_SHAPE, TEX_BACKGROUND, SLOT_COUNT };
    // The six state textures come first; the background is the last slot.
    static constexpr int STATE_SLOTS = TEX_BACKGROUND;

    // How an animation changes textures (INTERPOLATE_TEXTURES words).
    enum TextureMode : uint32_t { STATIC = 0, START_GOAL = 1, STATIC_GOAL = 2, START_STATIC = 3 };

    GUIDrawOptions() = default;
    GUIDrawOptions(const GUIDrawOptions& other);
    GUIDrawOptions& operator=(const GUIDrawOptions& other);
    ~GUIDrawOptions();

    // A DRAWOPTIONS node, its textures included; absent keys keep their values.
    // Textures are looked up in textures (none: the texture keys are skipped).
    void load(const XMLNode* node, TextureManager* textures);
    // TEXTURE_2D_NODE (loaded into the manager first), then TEX_NORMAL, TEX_MARK,
    // TEX_PRESS, TEX_PRESS_MARK, TEX_DISABLE, TEX_SHAPE, TEX_BACKGROUND.
    void loadTextures(const XMLNode* node, TextureManager* textures);

    Texture2D* getTexture(Slot slot) const { return m_textures[slot]; }
    // Releases the old texture and takes a reference on the new one.
    void setTexture(Slot slot, Texture2D* texture);
    void setNormalTexture(Texture2D* texture) { setTexture(TEX_NORMAL, texture); }
    void setBackgroundTexture(Texture2D* texture) { setTexture(TEX_BACKGROUND, texture); }
    void setDrawType(DWORD x, DWORD y)
    {
        drawTypeX = x;
        drawTypeY = y;
    }
    void setBackDrawType(DWORD x, DWORD y)
    {
        backDrawTypeX = x;
        backDrawTypeY = y;
    }
    void releaseTextures();

    // A copy of fixed with alpha, colour and blend times moved from start to goal at
    // p; the state textures (with their source rectangle and draw types) follow
    // stateMode, the background follows backgroundMode.
    static void interpolate(GUIDrawOptions& out, const GUIDrawOptions& start, const GUIDrawOptions& goal,
                            const GUIDrawOptions& fixed, double p, uint32_t stateMode, uint32_t backgroundMode);

    // One draw-type attribute: the OR of its words' flags.
    static DWORD parseDrawType(const std::wstring& words);

    double alpha = 1.0;
    D3DXCOLOR modulate{1.0f, 1.0f, 1.0f, 1.0f};
    double activeBlend = 0.0;                        // seconds for the mark blend to rise
    double inactiveBlend = 0.0;                      // seconds for it to fall
    float stateSource[4] = {0.0f, 0.0f, 0.0f, 0.0f}; // left, top, right, bottom; set by code only
    bool useStateSource = false;
    DWORD drawTypeX = 1; // SCALE
    DWORD drawTypeY = 1;
    DWORD shapeDrawTypeX = 1;
    DWORD shapeDrawTypeY = 1;
    float backSource[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    bool useBackSource = false;
    DWORD backDrawTypeX = 4; // STRETCH
    DWORD backDrawTypeY = 4;
    int32_t ebene = 0; // layer among the siblings

private:
    // Copies the state part (textures, source, draw types) or the background part.
    void takeStatePart(const GUIDrawOptions& from);
    void takeBackgroundPart(const GUIDrawOptions& from);

    Texture2D* m_textures[SLOT_COUNT] = {};
};

} // namespace Ulvo
