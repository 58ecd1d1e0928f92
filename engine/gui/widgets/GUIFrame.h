#pragma once
// A window drawn as a nine-part frame: four corners, four edges and a fill, each
// a part window with its own textures, laid out from one border width (a share of
// the frame's size plus pixels) so the frame scales to any size while its corners
// keep theirs. The parts never take the mouse: mouse-over, presses and dragging
// reach the frame. Windows added to the frame are drawn over the parts.
#include "gui/windows/GUIWindow.h"

#include <array>

namespace Ulvo {

class GUIFrame : public GUIWindow {
public:
    // The parts in drawing order.
    enum Part {
        TOP,
        BOTTOM,
        RIGHT,
        LEFT,
        TOP_LEFT,
        TOP_RIGHT,
        BOTTOM_RIGHT,
        BOTTOM_LEFT,
        FILL,
        PART_COUNT,
    };

    // The window part, the nine parts, the frame's template again, then FRAME_PARAMS
    // (RAND_SIZE REL and OFF, and a TEXTURES_2D_ node per part).
    explicit GUIFrame(const XMLNode* node);
    GUIFrame(const GUIFrame& other);
    GUIFrame& operator=(const GUIFrame&) = delete;
    ~GUIFrame() override = default;

    GUIWindow* clone() const override;
    // The frame's and all nine parts'.
    void setUserId(const std::wstring& id) override;
    void drawShape() override;
    // The parts in order; the frame itself draws nothing.
    void drawSelf() override;
    // Keeps the nine parts.
    void removeAllChildren() override;
    void copyFromVorlage(const GUIWindow* vorlage, uint32_t mask) override;
    // The parts are drawn by drawSelf, not as children.
    bool shouldDrawSubWindow(std::size_t index, const GUIWindow* child) const override;

    GUIWindow* getPart(Part part) const { return m_parts[part]; }
    float getRelativeBorder() const { return m_relative; }
    float getPixelBorder() const { return m_pixels; }

private:
    // Places the parts from the border widths.
    void placeParts();
    bool isPart(const GUIWindow* window) const;

    std::array<GUIWindow*, PART_COUNT> m_parts{}; // in the child list
    float m_relative = 0.0f;
    float m_pixels = 20.0f;
};

} // namespace Ulvo
