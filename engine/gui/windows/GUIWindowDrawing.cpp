// The window's drawing with nested stencil clipping, its per-frame update and
// the animation between goals.
//
// Clipping: every window has a clipping path, the DRAW_IN_CLIENT_ONLY switches
// from its top-level window down to itself. The stencil in place belongs to one
// path (a process-wide cache); a window whose path differs rebuilds it: the
// stencil is cleared, and each clipping window of the path draws its shape with
// colour writes off, raising the stencil by one wherever all outer shapes already
// passed. Drawing then passes only where the stencil reached the number of shapes.
#include "gui/windows/GUIWindow.h"

#include "foundation/time/MeasureManager.h"
#include "graphics/sprites/D3DXSprite.h"
#include "graphics/textures/Texture2D.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIScopes.h"
#include "devices/d3d/PerfEvents.h"

#include <algorithm>
#include <cmath>

namespace Ulvo {

namespace {

constexpr D3DCOLOR kEventColour = 0xFF00FF00;

struct ClipPath {
    int length = 0; // 0: empty
    bool entries[GUIWindow::MAX_CLIP_DEPTH] = {};

    bool operator==(const ClipPath& other) const
    {
        return length == other.length && std::equal(entries, entries + length, other.entries);
    }
};

// The process-wide stencil state all windows share while drawing.
struct ClipState {
    ClipPath cache;
    bool inUse = false;
    DWORD counter = 0;
    // The stencil is cleared where the outermost clipping window lies, when it draws its shape;
    // the scissor rectangle keeps clipped drawing within the clipping windows (their shapes lie
    // inside them), so nothing outside reads the stencil.
    bool clearPending = false;
    bool scissorOn = false;
    RECT scissor{};
    // Nesting of onDraw calls: the outermost one may be a child drawn on its own (a loading
    // screen's part), not only a top-level window.
    int drawDepth = 0;
};

ClipState& clipState()
{
    static ClipState state;
    return state;
}

// The measure sections, looked up once; timed only while measuring is on.
struct Sections {
    Measures* onDraw;
    Measures* drawSelf;
    Measures* createStencil;
    Measures* fillStencilHelper;
};

const Sections& sections()
{
    static const Sections s = [] {
        MeasureManager* measures = MeasureManager::getInstance();
        return Sections{measures->child(L"GUIWindow.onDraw", true), measures->child(L"GUIWindow.drawSelf", true),
                        measures->child(L"GUIWindow.createStencil", true),
                        measures->child(L"GUIWindow.fillStencilHelper", true)};
    }();
    return s;
}

class PerfEvent {
public:
    explicit PerfEvent(const wchar_t* name) { perfEventBegin(kEventColour, name); }
    ~PerfEvent() { perfEventEnd(); }
    PerfEvent(const PerfEvent&) = delete;
    PerfEvent& operator=(const PerfEvent&) = delete;
};

RECT toRECT(const FloatRect& r)
{
    return RECT{truncToLong(r.left), truncToLong(r.top), truncToLong(r.right), truncToLong(r.bottom)};
}

RECT toRECT(const float* ltrb)
{
    return RECT{truncToLong(ltrb[0]), truncToLong(ltrb[1]), truncToLong(ltrb[2]), truncToLong(ltrb[3])};
}

// Draws what the sprite has queued, so render states set next apply only to
// what follows.
void flush()
{
    D3DXSprite* sprite = GUISystem::getInstance()->getSprite();
    if (sprite && sprite->isInBatch() && *sprite->getD3DXSprite())
        (*sprite->getD3DXSprite())->Flush();
}

void setStates(IDirect3DDevice9* device, std::initializer_list<std::pair<D3DRENDERSTATETYPE, DWORD>> states)
{
    if (!device)
        return;
    for (const auto& state : states)
        device->SetRenderState(state.first, state.second);
}

} // namespace

void GUIWindow::endScissor(IDirect3DDevice9* device)
{
    ClipState& state = clipState();
    if (state.scissorOn && device)
        device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    state.scissorOn = false;
}

void GUIWindow::resetStencilState()
{
    ClipState& clip = clipState();
    clip.inUse = false;
    clip.cache.length = 0;
    clip.counter = 0;
}

bool GUIWindow::shouldDrawSubWindow(std::size_t, const GUIWindow*) const
{
    return true;
}

int GUIWindow::buildClipPath(bool* path) const
{
    int depth = 0;
    for (const GUIWindow* window = this; window; window = window->m_parent)
        ++depth;
    int index = depth;
    for (const GUIWindow* window = this; window; window = window->m_parent) {
        --index;
        if (index < MAX_CLIP_DEPTH)
            path[index] = window->m_options.drawInClientOnly;
    }
    return std::min(depth, MAX_CLIP_DEPTH);
}

// ---------------------------------------------------------------- drawing

void GUIWindow::onDraw(const FloatRect& clip)
{
    PerfEvent event(getName().c_str());
    GUITimed timed(sections().onDraw);
    if (!m_options.visible)
        return;
    GUIKeepAlive keep(this);
    ClipState& state = clipState();
    struct Nesting {
        int& depth;
        explicit Nesting(int& d) : depth(d) { ++depth; }
        ~Nesting() { --depth; }
    } nesting(state.drawDepth);
    const FloatRect& r = m_screenRect;
    const bool inView = r.left < clip.right && clip.left < r.right && r.top < clip.bottom && clip.top < r.bottom &&
                        r.right != r.left && r.bottom != r.top;
    ClipPath path;
    if (inView) {
        path.length = buildClipPath(path.entries);
        if (!(path == state.cache)) {
            createStencil(0);
            state.cache = path;
        }
        bool draw = true;
        beforeDraw.emit(*this, draw);
        if (draw) {
            PerfEvent selfEvent(L"drawSelf()");
            GUITimed selfTimed(sections().drawSelf);
            drawSelf();
        }
    }
    drawn.emit(*this, inView);

    if (m_options.drawSubWindows) {
        PerfEvent childEvent(L"drawSubWindows");
        const FloatRect inner = childClip(clip);
        path.length = buildClipPath(path.entries);
        for (std::size_t i = 0; i < m_children.size(); ++i) {
            GUIWindow* child = m_children[i];
            if (!shouldDrawSubWindow(i, child))
                continue;
            if (!(state.cache == path))
                state.cache.length = 0;
            GUIKeepAlive keepChild(child);
            child->onDraw(inner);
        }
    }
    // Whatever comes after the GUI is drawn unclipped.
    if (state.drawDepth == 1 && state.scissorOn) {
        flush();
        endScissor(gui()->getDevice());
    }
}

void GUIWindow::createStencil(int depth)
{
    GUITimed timed(sections().createStencil);
    ClipState& state = clipState();
    const bool clips = m_options.drawInClientOnly;
    if (m_parent) {
        m_parent->createStencil(clips ? depth + 1 : depth);
    } else {
        IDirect3DDevice9* device = gui()->getDevice();
        if (depth + (clips ? 1 : 0) >= 1) {
            flush();
            setStates(device, {{D3DRS_STENCILENABLE, TRUE}});
            state.inUse = true;
            state.counter = 0;
            state.clearPending = true;
        } else if (state.inUse) {
            flush();
            state.inUse = false;
            // The outermost clip ends: later drawing must not stay clipped.
            setStates(device, {{D3DRS_STENCILENABLE, FALSE}, {D3DRS_COLORWRITEENABLE, 0xF}});
            endScissor(device);
        }
    }
    if (clips)
        fillStencilHelper();
}

void GUIWindow::fillStencilHelper()
{
    PerfEvent event(L"fillStencilHelper()");
    GUITimed timed(sections().fillStencilHelper);
    ClipState& state = clipState();
    IDirect3DDevice9* device = gui()->getDevice();
    ++state.counter;
    flush();
    const FloatRect& r = m_screenRect;
    RECT box{static_cast<LONG>(std::floor(r.left)), static_cast<LONG>(std::floor(r.top)),
             static_cast<LONG>(std::ceil(r.right)), static_cast<LONG>(std::ceil(r.bottom))};
    if (!state.clearPending) {
        box.left = std::max(box.left, state.scissor.left);
        box.top = std::max(box.top, state.scissor.top);
        box.right = std::max(box.left, std::min(box.right, state.scissor.right));
        box.bottom = std::max(box.top, std::min(box.bottom, state.scissor.bottom));
    }
    state.scissor = box;
    state.scissorOn = true;
    if (device) {
        device->SetScissorRect(&box);
        device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
        if (state.clearPending)
            device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0);
    }
    state.clearPending = false;
    setStates(device, {{D3DRS_STENCILENABLE, TRUE},
                       {D3DRS_STENCILFUNC, D3DCMP_EQUAL},
                       {D3DRS_STENCILREF, state.counter - 1},
                       {D3DRS_STENCILMASK, 0xFFFFFFFF},
                       {D3DRS_STENCILWRITEMASK, 0xFFFFFFFF},
                       {D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP},
                       {D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP},
                       {D3DRS_STENCILPASS, D3DSTENCILOP_INCR},
                       {D3DRS_COLORWRITEENABLE, 0}});
    drawShape();
    flush();
    setStates(device, {{D3DRS_STENCILFUNC, D3DCMP_LESSEQUAL},
                       {D3DRS_STENCILREF, state.counter},
                       {D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP},
                       {D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP},
                       {D3DRS_STENCILPASS, D3DSTENCILOP_KEEP},
                       {D3DRS_COLORWRITEENABLE, 0xF}});
}

DWORD GUIWindow::toColourByte(double channel)
{
    if (!(channel > 0.0)) // NaN too
        return 0;
    if (channel >= 1.0)
        return 255;
    return static_cast<DWORD>(channel * 255.0 + 0.5);
}

D3DCOLOR GUIWindow::modulateColour(double alpha) const
{
    const D3DXCOLOR& c = m_drawOptions.modulate;
    return (toColourByte(c.a * alpha) << 24) | (toColourByte(c.r) << 16) | (toColourByte(c.g) << 8) | toColourByte(c.b);
}

void GUIWindow::drawTexture(GUIDrawOptions::Slot slot, DWORD modeX, DWORD modeY, D3DCOLOR colour)
{
    Texture2D* texture = m_drawOptions.getTexture(slot);
    D3DXSprite* sprite = gui()->getSprite();
    if (!texture || !sprite)
        return;
    RECT source{};
    const RECT* from = nullptr;
    if (slot == GUIDrawOptions::TEX_BACKGROUND) {
        if (m_drawOptions.useBackSource) {
            source = toRECT(m_drawOptions.backSource);
            from = &source;
        }
    } else if (slot != GUIDrawOptions::TEX_SHAPE && m_drawOptions.useStateSource) {
        source = toRECT(m_drawOptions.stateSource);
        from = &source;
    }
    sprite->drawRegion(texture, from, toRECT(m_screenRect), modeX, modeY, colour);
}

void GUIWindow::drawShape()
{
    if (!m_drawOptions.getTexture(GUIDrawOptions::TEX_SHAPE)) {
        drawSelf();
        return;
    }
    drawTexture(GUIDrawOptions::TEX_SHAPE, m_drawOptions.shapeDrawTypeX, m_drawOptions.shapeDrawTypeY,
                modulateColour(getAlpha()));
}

void GUIWindow::drawSelf()
{
    const GUIDrawOptions& d = m_drawOptions;
    const double alpha = getAlpha();
    const D3DCOLOR colour = modulateColour(alpha);
    if (!isEnabledInHierarchy()) {
        drawTexture(d.getTexture(GUIDrawOptions::TEX_DISABLE) ? GUIDrawOptions::TEX_DISABLE
                                                              : GUIDrawOptions::TEX_NORMAL,
                    d.drawTypeX, d.drawTypeY, colour);
    } else {
        drawTexture(GUIDrawOptions::TEX_NORMAL, d.drawTypeX, d.drawTypeY, colour);
        if (d.getTexture(GUIDrawOptions::TEX_MARK)) {
            const double blend = m_options.activateParent && m_parent ? m_parent->m_markBlend : m_markBlend;
            drawTexture(GUIDrawOptions::TEX_MARK, d.drawTypeX, d.drawTypeY, modulateColour(alpha * blend));
        }
    }
    drawTexture(GUIDrawOptions::TEX_BACKGROUND, d.backDrawTypeX, d.backDrawTypeY, colour);
}

// ---------------------------------------------------------------- update and animation

void GUIWindow::update(double dt)
{
    GUIKeepAlive keep(this);
    if (m_animationProgress >= 0.0 && m_animationProgress < 1.0) {
        double p = m_animationSpeed <= 0.0 ? 1.0 : m_animationProgress + dt * m_animationSpeed;
        p = std::clamp(p, 0.0, 1.0);
        if (p != p)
            p = 1.0; // a NaN frame time or speed ends the animation
        m_animationProgress = p;
        GUIAnimationsGoal::interpolate(m_scratchState, m_animationStart, m_animationTarget, m_currentState, m_rect,
                                       m_drawOptions, m_options, p);
        m_currentState = m_scratchState;
        applyState(m_currentState);
        if (p >= 1.0)
            goalReached.emit(*this, m_currentState);
    }

    GUIStateTimes& t = m_times;
    if (t.active)
        t.timeActive += dt;
    else
        t.timeInactive += dt;
    if (t.button)
        t.timeSinceButton += dt;
    else
        t.secondTimer += dt;
    if (t.marked) {
        t.timeMarked += dt;
        m_markBlend = m_drawOptions.activeBlend > 0.0 ? m_markBlend + dt / m_drawOptions.activeBlend : 1.0;
    } else {
        t.timeUnmarked += dt;
        m_markBlend = m_drawOptions.inactiveBlend > 0.0 ? m_markBlend - dt / m_drawOptions.inactiveBlend : 0.0;
    }
    m_markBlend = m_markBlend != m_markBlend ? 0.0 : std::clamp(m_markBlend, 0.0, 1.0);

    for (std::size_t i = 0; i < m_children.size(); ++i)
        m_children[i]->update(dt);
}

void GUIWindow::setAnimationGoal(const std::wstring& name)
{
    const GUIAnimationsGoal* goal = findAnimationGoal(name);
    GUIKeepAlive keep(this);
    GUIAnimationsGoal::interpolate(m_scratchState, m_currentState, *goal, m_currentState, m_rect, m_drawOptions,
                                   m_options, 1.0);
    m_currentState = m_scratchState;
    applyState(m_currentState);
    m_animationTarget = m_currentState;
    m_animationProgress = 1.0;
    animationStarted.emit(*this, m_currentState);
    goalReached.emit(*this, m_currentState);
}

void GUIWindow::startAnimationGoal(const std::wstring& name, double speedFactor)
{
    const GUIAnimationsGoal* goal = findAnimationGoal(name);
    if (!goal->name.empty() && goal->name == m_animationTarget.name)
        return;
    const double speed = speedFactor * goal->speed;
    if (speed == 0.0) {
        setAnimationGoal(name);
        return;
    }
    GUIKeepAlive keep(this);
    m_animationStart = m_currentState;
    m_animationTarget = *goal;
    m_animationProgress = 0.0;
    animationStarted.emit(*this, m_animationTarget);
    m_animationSpeed = speed;
}

} // namespace Ulvo
