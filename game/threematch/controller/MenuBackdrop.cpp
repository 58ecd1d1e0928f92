#include "threematch/controller/MenuBackdrop.h"

#include "foundation/helpers/Release.h"
#include "graphics/sprites/D3DXSprite.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIWindow.h"

#include <algorithm>
#include <cstring>
#include <typeinfo>

namespace ThreeMatch {

namespace {

// A window the GUI draws over the whole screen with its own picture only: a plain window, shown,
// without children, clipping or a mark picture (whose blend follows the pointer).
bool plainFullScreen(const Ulvo::GUIWindow& window, const RECT& screen)
{
    const Ulvo::FloatRect& r = window.getScreenRect();
    const Ulvo::GUIOptions& options = window.getOptions();
    return typeid(window) == typeid(Ulvo::GUIWindow) && options.visible && !options.drawInClientOnly &&
           window.children().empty() && !window.getDrawOptions().getTexture(Ulvo::GUIDrawOptions::TEX_MARK) &&
           r.left <= static_cast<float>(screen.left) && r.top <= static_cast<float>(screen.top) &&
           r.right >= static_cast<float>(screen.right) && r.bottom >= static_cast<float>(screen.bottom);
}

} // namespace

MenuBackdrop::MenuBackdrop() = default;

MenuBackdrop::~MenuBackdrop()
{
    release();
    Ulvo::releaseAndNull(m_picture);
}

void MenuBackdrop::collect(Ulvo::GUIWindow* cover, const RECT& screen, std::vector<Layer>& layers) const
{
    // The cover, then its siblings right after it: nothing else is drawn between them.
    std::vector<Ulvo::GUIWindow*> windows{cover};
    if (cover->children().empty() && cover->getParent()) {
        const std::vector<Ulvo::GUIWindow*>& siblings = cover->getParent()->children();
        auto at = std::find(siblings.begin(), siblings.end(), cover);
        for (++at; at != siblings.end() && *at && plainFullScreen(**at, screen); ++at)
            windows.push_back(*at);
    }
    for (Ulvo::GUIWindow* window : windows) {
        layers.push_back(WindowLayer::of(*window));
    }
}

bool MenuBackdrop::begin(IDirect3DDevice9* device, Ulvo::GUIWindow* cover, const RECT& screen)
{
    m_skipping = false;
    m_capturing = false;
    if (!device || !cover)
        return false;
    std::vector<Layer> layers;
    collect(cover, screen, layers);
    IDirect3DSurface9* target = nullptr;
    D3DSURFACE_DESC desc{};
    // One window alone costs as much drawn as copied.
    if (layers.size() < 2 || FAILED(device->GetRenderTarget(0, &target)) || !target || FAILED(target->GetDesc(&desc)) ||
        screen.left != 0 || screen.top != 0 || desc.Width != static_cast<UINT>(screen.right) ||
        desc.Height != static_cast<UINT>(screen.bottom)) {
        Ulvo::releaseAndNull(target);
        release();
        return false;
    }
    if (m_picture) {
        D3DSURFACE_DESC held{};
        if (FAILED(m_picture->GetDesc(&held)) || held.Width != desc.Width || held.Height != desc.Height ||
            held.Format != desc.Format)
            Ulvo::releaseAndNull(m_picture);
    }
    if (!m_picture) {
        m_valid = false;
        followDevice();
        if (FAILED(device->CreateRenderTarget(desc.Width, desc.Height, desc.Format, D3DMULTISAMPLE_NONE, 0, FALSE,
                                              &m_picture, nullptr)))
            m_picture = nullptr;
    }
    bool copied = false;
    if (m_picture && m_valid && layers == m_layers) {
        copied = SUCCEEDED(device->StretchRect(m_picture, nullptr, target, nullptr, D3DTEXF_NONE));
    } else if (m_picture) {
        // This frame the GUI draws them; the picture is taken once the last one is drawn.
        std::vector<Ulvo::GUIWindow*> windows;
        for (const Layer& layer : layers)
            windows.push_back(const_cast<Ulvo::GUIWindow*>(layer.window));
        hold(windows);
        m_layers = layers;
        m_capturing = true;
    }
    Ulvo::releaseAndNull(target);
    m_skipping = copied;
    return copied;
}

void MenuBackdrop::end()
{
    m_skipping = false;
    m_capturing = false;
}

void MenuBackdrop::onLostDevice()
{
    // Made again, and drawn again, after the reset.
    releasePicture();
}

void MenuBackdrop::releasePicture()
{
    Ulvo::releaseAndNull(m_picture);
    m_valid = false;
}

void MenuBackdrop::hold(const std::vector<Ulvo::GUIWindow*>& windows)
{
    release();
    for (Ulvo::GUIWindow* window : windows) {
        window->AddRef();
        window->beforeDraw.connect(this, &MenuBackdrop::skipDrawing);
        m_windows.push_back(window);
    }
    if (!m_windows.empty())
        m_windows.back()->drawn.connect(this, &MenuBackdrop::capture);
}

void MenuBackdrop::release()
{
    for (Ulvo::GUIWindow*& window : m_windows) {
        window->beforeDraw.disconnect(this);
        window->drawn.disconnect(this);
        Ulvo::releaseAndNull(window);
    }
    m_windows.clear();
    m_layers.clear();
    m_valid = false;
}

void MenuBackdrop::skipDrawing(Ulvo::GUIWindow&, bool& draw)
{
    if (m_skipping)
        draw = false;
}

void MenuBackdrop::capture(Ulvo::GUIWindow&, const bool& inView)
{
    if (!m_capturing)
        return;
    m_capturing = false;
    Ulvo::GUISystem* gui = Ulvo::GUISystem::getInstance();
    IDirect3DDevice9* device = gui ? gui->getDevice() : nullptr;
    IDirect3DSurface9* target = nullptr;
    if (!inView || !device || !m_picture || FAILED(device->GetRenderTarget(0, &target)) || !target)
        return;
    // What the sprite still holds goes to the target first.
    Ulvo::D3DXSprite* sprite = gui->getSprite();
    if (sprite && sprite->isInBatch() && *sprite->getD3DXSprite())
        (*sprite->getD3DXSprite())->Flush();
    m_valid = SUCCEEDED(device->StretchRect(target, nullptr, m_picture, nullptr, D3DTEXF_NONE));
    if (m_valid)
        ++m_redraws;
    target->Release();
}

} // namespace ThreeMatch
