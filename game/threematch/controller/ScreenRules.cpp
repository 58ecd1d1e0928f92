#include "threematch/controller/ScreenRules.h"

#include "devices/input/TastaturLayout.h"
#include "engine/UlvoEngine.h"
#include "foundation/text/TextManager.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUIButton.h"
#include "gui/widgets/GUICheckboxButton.h"
#include "gui/widgets/GUILabel.h"
#include "gui/widgets/GUISlider.h"
#include "threematch/globals/DataReads.h"

#include <algorithm>
#include <cmath>

namespace ThreeMatch::ScreenRules {

Ulvo::GUILabel* labelOf(Ulvo::GUIWindow* window)
{
    if (auto* label = dynamic_cast<Ulvo::GUILabel*>(window))
        return label;
    if (auto* button = dynamic_cast<Ulvo::GUIButton*>(window))
        return button->getLabel();
    return nullptr;
}

Ulvo::GUILabel* findLabel(const Ulvo::GUISystem& gui, const std::wstring& name)
{
    return labelOf(gui.getWindow(name));
}

Ulvo::GUIButton* findButton(const Ulvo::GUISystem& gui, const std::wstring& name)
{
    return dynamic_cast<Ulvo::GUIButton*>(gui.getWindow(name));
}

Ulvo::GUICheckboxButton* findCheckbox(const Ulvo::GUISystem& gui, const std::wstring& name)
{
    return dynamic_cast<Ulvo::GUICheckboxButton*>(gui.getWindow(name));
}

Ulvo::GUISlider* findSlider(const Ulvo::GUISystem& gui, const std::wstring& name)
{
    return dynamic_cast<Ulvo::GUISlider*>(gui.getWindow(name));
}

void showFormatted(Ulvo::GUILabel* label, double d1, double d2, double d3, int i)
{
    if (!label || label->getTextId().empty())
        return;
    Ulvo::TextManager* texts = Ulvo::UlvoEngine::getInstance()->getTextManager();
    if (const Ulvo::Text* text = texts->getText(label->getTextId()))
        label->setText(texts->formatText(text, d1, d2, d3, i));
}

void showNumber(Ulvo::GUILabel* label, int value)
{
    showFormatted(label, value, 0.0, 0.0, value);
}

bool editName(std::wstring& text, int keyType, wchar_t character)
{
    if (keyType == Ulvo::KT_BACKSPACE) {
        if (text.empty())
            return false;
        text.pop_back();
        return true;
    }
    // Of the other characters a name takes spaces and hyphens, as in "Anna-Lena" or "Tom B";
    // a space never starts a name, so that a name of spaces cannot stand for an empty one.
    const bool joiner = keyType == Ulvo::KT_SONDER && (character == L'-' || (character == L' ' && !text.empty()));
    if (keyType != Ulvo::KT_LETTER && keyType != Ulvo::KT_NUMBER && !joiner)
        return false;
    // "%" would reach the texts' formatting as a conversion.
    if (character == 0 || character == L'%' || text.size() >= kMaxNameLength)
        return false;
    text.push_back(character);
    return true;
}

int litTallyLines(std::size_t count, double progress)
{
    return toInt(static_cast<double>(count) * progress);
}

bool loadingPictureDue(float progress, float drawnProgress, unsigned msSinceDrawn)
{
    if (drawnProgress < 0.0f)
        return true;
    if (progress == drawnProgress)
        return false;
    return progress >= 1.0f || msSinceDrawn >= kLoadingRedrawMs;
}

std::vector<int> offeredDisplayModes(const std::vector<D3DDISPLAYMODE>& modes)
{
    std::vector<int> offered;
    for (std::size_t i = 0; i < modes.size(); ++i) {
        if (modes[i].Format == D3DFMT_X8R8G8B8 || modes[i].Format == D3DFMT_A8R8G8B8)
            offered.push_back(static_cast<int>(i));
    }
    if (offered.empty()) {
        for (std::size_t i = 0; i < modes.size(); ++i)
            offered.push_back(static_cast<int>(i));
    }
    return offered;
}

int offeredPlace(const std::vector<int>& offered, const std::vector<D3DDISPLAYMODE>& modes, int index)
{
    const auto own = std::find(offered.begin(), offered.end(), index);
    if (own != offered.end())
        return static_cast<int>(own - offered.begin());
    if (index < 0 || index >= static_cast<int>(modes.size()))
        return 0;
    const D3DDISPLAYMODE& mode = modes[static_cast<std::size_t>(index)];
    for (std::size_t place = 0; place < offered.size(); ++place) {
        const D3DDISPLAYMODE& other = modes[static_cast<std::size_t>(offered[place])];
        if (other.Width == mode.Width && other.Height == mode.Height)
            return static_cast<int>(place);
    }
    return 0;
}

unsigned char alphaByte(double alpha)
{
    if (!(alpha > 0.0))
        return 0;
    if (alpha >= 1.0)
        return 255;
    return static_cast<unsigned char>(alpha * 255.0 + 0.5);
}

D3DXVECTOR2 toView(const Ulvo::FloatRect& area, const RECT& target, const D3DXVECTOR2& point, bool relative)
{
    const float width = area.right - area.left;
    const float height = area.bottom - area.top;
    const float u = width != 0.0f ? (point.x - area.left) / width : 0.0f;
    const float v = height != 0.0f ? (point.y - area.top) / height : 0.0f;
    if (relative)
        return D3DXVECTOR2(u, v);
    return D3DXVECTOR2(static_cast<float>(target.left) + u * static_cast<float>(target.right - target.left),
                       static_cast<float>(target.top) + v * static_cast<float>(target.bottom - target.top));
}

bool pictureSection(const RECT& content, int width, int height, const RECT& destination, RECT& source,
                    D3DXVECTOR2& scaling, D3DXVECTOR2& at)
{
    // Bilinear filtering reads one pixel beyond the part's edge; two keep it clear of the content.
    constexpr LONG kMargin = 2;
    if (width <= 0 || height <= 0 || destination.right <= destination.left || destination.bottom <= destination.top)
        return false;
    source = RECT{std::max<LONG>(0, content.left - kMargin), std::max<LONG>(0, content.top - kMargin),
                  std::min<LONG>(width, content.right + kMargin), std::min<LONG>(height, content.bottom + kMargin)};
    if (source.left >= source.right || source.top >= source.bottom ||
        static_cast<long long>(source.right - source.left) * (source.bottom - source.top) >=
            static_cast<long long>(width) * height)
        return false;
    // The scale the whole picture is drawn with (the sprite's own rule), and the part's corner on it.
    scaling = D3DXVECTOR2(static_cast<float>(destination.right - destination.left) / static_cast<float>(width),
                          static_cast<float>(destination.bottom - destination.top) / static_cast<float>(height));
    at = D3DXVECTOR2(static_cast<float>(destination.left) + static_cast<float>(source.left) * scaling.x,
                     static_cast<float>(destination.top) + static_cast<float>(source.top) * scaling.y);
    return true;
}

RECT sectionReach(const RECT& content, int width, int height)
{
    // The part's margin of two, and the one pixel beyond it bilinear filtering reads at its edge.
    constexpr LONG kReach = 3;
    if (width <= 0 || height <= 0)
        return RECT{};
    const RECT r{std::max<LONG>(0, content.left - kReach), std::max<LONG>(0, content.top - kReach),
                 std::min<LONG>(width, content.right + kReach), std::min<LONG>(height, content.bottom + kReach)};
    return r.left < r.right && r.top < r.bottom ? r : RECT{};
}

RECT common(const RECT& a, const RECT& b)
{
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

bool sectionWithin(const RECT& content, int width, int height, const RECT& clip)
{
    const RECT r = sectionReach(content, width, height);
    return r.left < r.right && clip.left <= r.left && clip.top <= r.top && r.right <= clip.right &&
           r.bottom <= clip.bottom;
}

} // namespace ThreeMatch::ScreenRules
