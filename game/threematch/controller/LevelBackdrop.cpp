#include "threematch/controller/LevelBackdrop.h"
#include "threematch/controller/ScreenRules.h"

#include "foundation/helpers/Release.h"
#include "graphics/sprites/D3DXSprite.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUIFrame.h"
#include "gui/windows/GUIWindow.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <typeinfo>

namespace ThreeMatch {

namespace {

// Text and pictures may reach a little past their window: overlaps are judged with this margin.
constexpr float kMargin = 8.0f;

bool overlaps(const Ulvo::FloatRect& a, const Ulvo::FloatRect& b)
{
    return a.left - kMargin < b.right && b.left - kMargin < a.right && a.top - kMargin < b.bottom &&
           b.top - kMargin < a.bottom;
}

// A plain window without a picture draws nothing of its own.
bool drawsNothing(const Ulvo::GUIWindow& window)
{
    const Ulvo::GUIDrawOptions& draw = window.getDrawOptions();
    return typeid(window) == typeid(Ulvo::GUIWindow) && !draw.getTexture(Ulvo::GUIDrawOptions::TEX_NORMAL) &&
           !draw.getTexture(Ulvo::GUIDrawOptions::TEX_DISABLE) &&
           !draw.getTexture(Ulvo::GUIDrawOptions::TEX_BACKGROUND) && !draw.getTexture(Ulvo::GUIDrawOptions::TEX_MARK);
}

// Drawn through the GUI's clipping (a stencil mask), which drawing it on its own would not do.
bool clipped(const Ulvo::GUIWindow& window)
{
    for (const Ulvo::GUIWindow* w = &window; w; w = w->getParent()) {
        if (w->getOptions().drawInClientOnly)
            return true;
    }
    return false;
}

bool inside(const Ulvo::GUIWindow& window, const Ulvo::GUIWindow* level)
{
    for (const Ulvo::GUIWindow* w = &window; w; w = w->getParent()) {
        if (w == level)
            return true;
    }
    return false;
}

// The GUI's drawing order, as GUIWindow::onDraw walks it: the frames inside the level that no
// earlier drawing overlaps, in that order.
// Its lists are the caller's, kept from frame to frame for their storage.
struct Walk {
    const Ulvo::GUIWindow* level = nullptr;
    const Ulvo::GUIWindow* painter = nullptr;
    Ulvo::FloatRect screen{};
    std::vector<Ulvo::FloatRect>& drawn;
    std::vector<Ulvo::GUIWindow*>& frames;

    void visit(Ulvo::GUIWindow* window)
    {
        if (!window || !window->getOptions().visible)
            return;
        const Ulvo::FloatRect& r = window->getScreenRect();
        const bool inView = r.left < screen.right && screen.left < r.right && r.top < screen.bottom &&
                            screen.top < r.bottom && r.right != r.left && r.bottom != r.top;
        if (inView) {
            auto* frame = dynamic_cast<Ulvo::GUIFrame*>(window);
            const bool free =
                std::none_of(drawn.begin(), drawn.end(), [&](const Ulvo::FloatRect& d) { return overlaps(d, r); });
            if (frame && typeid(*frame) == typeid(Ulvo::GUIFrame) && free && !clipped(*frame) &&
                inside(*frame, level) && partsWithin(*frame))
                frames.push_back(frame);
            else if (window == painter || !drawsNothing(*window))
                drawn.push_back(r);
        }
        if (!window->getOptions().drawSubWindows)
            return;
        const std::vector<Ulvo::GUIWindow*>& children = window->children();
        for (std::size_t i = 0; i < children.size(); ++i) {
            if (window->shouldDrawSubWindow(i, children[i]))
                visit(children[i]);
        }
    }

    static bool partsWithin(const Ulvo::GUIFrame& frame)
    {
        const Ulvo::FloatRect& r = frame.getScreenRect();
        for (int i = 0; i < Ulvo::GUIFrame::PART_COUNT; ++i) {
            const Ulvo::GUIWindow* part = frame.getPart(static_cast<Ulvo::GUIFrame::Part>(i));
            if (!part)
                return false;
            const Ulvo::FloatRect& p = part->getScreenRect();
            if (p.left < r.left || p.top < r.top || p.right > r.right || p.bottom > r.bottom)
                return false;
        }
        return true;
    }
};

// At most this many rectangles are copied back one by one; more become their bounding box.
constexpr std::size_t kMaxRestoreRects = 16;
// Rectangles closer than this are copied back as one.
constexpr LONG kJoinGap = 16;

bool near(const RECT& a, const RECT& b)
{
    return a.left - kJoinGap < b.right && b.left - kJoinGap < a.right && a.top - kJoinGap < b.bottom &&
           b.top - kJoinGap < a.bottom;
}

RECT joined(const RECT& a, const RECT& b)
{
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

// The rectangles within the screen, those near each other joined, into `rects` (kept from frame
// to frame, so its storage is reused).
void restoreRects(const std::vector<RECT>& drawn, const RECT& screen, std::vector<RECT>& rects)
{
    rects.clear();
    for (RECT r : drawn) {
        r = ScreenRules::common(r, screen);
        if (!ScreenRules::holdsPixels(r))
            continue;
        for (std::size_t i = 0; i < rects.size();) {
            if (near(rects[i], r)) {
                r = joined(rects[i], r);
                rects.erase(rects.begin() + static_cast<std::ptrdiff_t>(i));
                i = 0;
            } else {
                ++i;
            }
        }
        rects.push_back(r);
    }
    if (rects.size() > kMaxRestoreRects) {
        RECT all = rects.front();
        for (const RECT& r : rects)
            all = joined(all, r);
        rects.assign(1, all);
    }
}

} // namespace

LevelBackdrop::LevelBackdrop() = default;

LevelBackdrop::~LevelBackdrop()
{
    release();
    releasePicture();
}

void LevelBackdrop::collect(Ulvo::GUISystem& gui, Ulvo::GUIWindow* level, Ulvo::GUIWindow* painter, const RECT& screen)
{
    m_frameScratch.clear();
    m_layerScratch.clear();
    m_drawnScratch.clear();
    Walk walk{level, painter,
              Ulvo::FloatRect{static_cast<float>(screen.left), static_cast<float>(screen.top),
                              static_cast<float>(screen.right), static_cast<float>(screen.bottom)},
              m_drawnScratch, m_frameScratch};
    for (Ulvo::GUIWindow* root : gui.windows())
        walk.visit(root);
    for (Ulvo::GUIWindow* frame : m_frameScratch) {
        // The frame's own state (its alpha reaches the parts) and each part's.
        m_layerScratch.push_back(WindowLayer::of(*frame));
        for (int i = 0; i < Ulvo::GUIFrame::PART_COUNT; ++i)
            m_layerScratch.push_back(
                WindowLayer::of(*static_cast<Ulvo::GUIFrame*>(frame)->getPart(static_cast<Ulvo::GUIFrame::Part>(i))));
    }
}

LevelBackdrop::Step LevelBackdrop::begin(IDirect3DDevice9* device, Ulvo::GUISystem& gui, Ulvo::GUIWindow* level,
                                         Ulvo::Texture2D* background, Ulvo::GUIWindow* painter, const RECT& screen,
                                         const std::vector<RECT>* alsoCopied)
{
    m_skipping = false;
    m_gathering = false;
    m_gatheredWhole = false;
    m_drawnOver.clear();
    m_copied = 0;
    m_copiedInPart = false;
    m_copiedRects.clear();
    if (!device || !level || !background) {
        release();
        return Step::Draw;
    }
    collect(gui, level, painter, screen);
    IDirect3DSurface9* target = nullptr;
    D3DSURFACE_DESC desc{};
    if (m_frameScratch.empty() || FAILED(device->GetRenderTarget(0, &target)) || !target ||
        FAILED(target->GetDesc(&desc)) || screen.left != 0 || screen.top != 0 ||
        desc.Width != static_cast<UINT>(screen.right) || desc.Height != static_cast<UINT>(screen.bottom)) {
        Ulvo::releaseAndNull(target);
        release();
        return Step::Draw;
    }
    if (m_picture) {
        D3DSURFACE_DESC held{};
        if (FAILED(m_picture->GetDesc(&held)) || held.Width != desc.Width || held.Height != desc.Height ||
            held.Format != desc.Format)
            releasePicture();
    }
    const bool same =
        m_layerScratch == m_layers && background == m_background && std::memcmp(&screen, &m_screen, sizeof screen) == 0;
    if (!same) {
        // Drawn as always this frame; kept once they stood still for a frame (a fading level
        // would otherwise take a picture every frame).
        hold(m_frameScratch);
        m_layers.swap(m_layerScratch);
        m_background = background;
        m_screen = screen;
        m_valid = false;
        target->Release();
        return Step::Draw;
    }
    Step step = Step::Draw;
    if (target != m_restoreTarget) {
        m_restoreValid = false;
        Ulvo::releaseAndNull(m_restoreTarget);
        m_restoreTarget = target;
        m_restoreTarget->AddRef();
    }
    if (m_valid) {
        if (copyBack(device, target, alsoCopied)) {
            m_skipping = true;
            step = Step::Kept;
        } else {
            m_valid = false;
        }
    } else {
        if (!m_picture) {
            followDevice();
            if (FAILED(device->CreateRenderTarget(desc.Width, desc.Height, desc.Format, D3DMULTISAMPLE_NONE, 0, FALSE,
                                                  &m_picture, nullptr)))
                m_picture = nullptr;
        }
        if (m_picture)
            step = Step::Capture;
    }
    target->Release();
    if (step != Step::Draw) {
        m_gathering = true;
        collectDrawnOver(gui);
    }
    return step;
}

bool LevelBackdrop::copyBack(IDirect3DDevice9* device, IDirect3DSurface9* target, const std::vector<RECT>* alsoCopied)
{
    if (m_restoreValid) {
        // Apart from each other, so that what is drawn again within each lands on each pixel once.
        m_copyScratch = m_restore;
        if (alsoCopied)
            m_copyScratch.insert(m_copyScratch.end(), alsoCopied->begin(), alsoCopied->end());
        restoreRects(m_copyScratch, m_screen, m_copiedRects);
        for (const RECT& r : m_copiedRects) {
            if (FAILED(device->StretchRect(m_picture, &r, target, &r, D3DTEXF_NONE)))
                return false;
            m_copied += static_cast<long long>(r.right - r.left) * (r.bottom - r.top);
        }
        m_copiedInPart = true;
        return true;
    }
    if (FAILED(device->StretchRect(m_picture, nullptr, target, nullptr, D3DTEXF_NONE)))
        return false;
    m_copied = static_cast<long long>(m_screen.right - m_screen.left) * (m_screen.bottom - m_screen.top);
    return true;
}

void LevelBackdrop::collectDrawnOver(Ulvo::GUISystem& gui)
{
    // Every window the GUI draws itself, as GUIWindow::onDraw walks them, but the frames in the
    // picture; what a plain window (the painter) draws through its signal the caller reports.
    const Ulvo::FloatRect screen{static_cast<float>(m_screen.left), static_cast<float>(m_screen.top),
                                 static_cast<float>(m_screen.right), static_cast<float>(m_screen.bottom)};
    std::vector<const Ulvo::GUIWindow*>& pending = m_pending;
    pending.assign(gui.windows().rbegin(), gui.windows().rend());
    while (!pending.empty()) {
        const Ulvo::GUIWindow* window = pending.back();
        pending.pop_back();
        if (!window || !window->getOptions().visible)
            continue;
        const Ulvo::FloatRect& r = window->getScreenRect();
        const bool inView = r.left < screen.right && screen.left < r.right && r.top < screen.bottom &&
                            screen.top < r.bottom && r.right != r.left && r.bottom != r.top;
        const bool held = std::find(m_windows.begin(), m_windows.end(), window) != m_windows.end();
        if (inView && !held && !drawsNothing(*window))
            drawnOver(RECT{
                static_cast<LONG>(std::floor(r.left - kMargin)), static_cast<LONG>(std::floor(r.top - kMargin)),
                static_cast<LONG>(std::ceil(r.right + kMargin)), static_cast<LONG>(std::ceil(r.bottom + kMargin))});
        if (!window->getOptions().drawSubWindows)
            continue;
        const std::vector<Ulvo::GUIWindow*>& children = window->children();
        for (std::size_t i = children.size(); i-- > 0;) {
            if (window->shouldDrawSubWindow(i, children[i]))
                pending.push_back(children[i]);
        }
    }
}

void LevelBackdrop::drawnOver(const RECT& rect)
{
    if (m_gathering)
        m_drawnOver.push_back(rect);
}

void LevelBackdrop::drawnOverWhole()
{
    if (m_gathering)
        m_gatheredWhole = true;
}

void LevelBackdrop::capture(IDirect3DDevice9* device, Ulvo::GUISystem& gui)
{
    Ulvo::D3DXSprite* sprite = gui.getSprite();
    if (!device || !m_picture || !sprite || !sprite->Begin(D3DXSPRITE_ALPHABLEND))
        return;
    for (Ulvo::GUIWindow* frame : m_windows)
        frame->drawSelf();
    sprite->End();
    // Drawn now: the GUI leaves them out this frame whether or not the copy is taken.
    m_skipping = true;
    IDirect3DSurface9* target = nullptr;
    if (FAILED(device->GetRenderTarget(0, &target)) || !target)
        return;
    m_valid = SUCCEEDED(device->StretchRect(target, nullptr, m_picture, nullptr, D3DTEXF_NONE));
    if (m_valid)
        ++m_captures;
    target->Release();
}

void LevelBackdrop::end()
{
    m_skipping = false;
    m_restoreValid = m_gathering && !m_gatheredWhole;
    if (m_restoreValid)
        restoreRects(m_drawnOver, m_screen, m_restore);
    m_gathering = false;
    m_drawnOver.clear();
}

void LevelBackdrop::onLostDevice()
{
    // Made again, and drawn again, after the reset.
    releasePicture();
}

void LevelBackdrop::releasePicture()
{
    Ulvo::releaseAndNull(m_picture);
    Ulvo::releaseAndNull(m_restoreTarget);
    m_valid = false;
    m_restoreValid = false;
}

void LevelBackdrop::hold(const std::vector<Ulvo::GUIWindow*>& windows)
{
    release();
    for (Ulvo::GUIWindow* window : windows) {
        window->AddRef();
        window->beforeDraw.connect(this, &LevelBackdrop::skipDrawing);
        m_windows.push_back(window);
    }
}

void LevelBackdrop::release()
{
    for (Ulvo::GUIWindow*& window : m_windows) {
        window->beforeDraw.disconnect(this);
        Ulvo::releaseAndNull(window);
    }
    m_windows.clear();
    m_layers.clear();
    m_background = nullptr;
    m_valid = false;
    m_skipping = false;
    m_restoreValid = false;
    m_gathering = false;
    Ulvo::releaseAndNull(m_restoreTarget);
}

void LevelBackdrop::skipDrawing(Ulvo::GUIWindow&, bool& draw)
{
    if (m_skipping)
        draw = false;
}

} // namespace ThreeMatch
