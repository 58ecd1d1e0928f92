#include "gui/system/GUISystem.h"

#include "foundation/files/File.h"
#include "devices/d3d/D3DInterface.h"
#include "foundation/logging/Logger.h"
#include "foundation/time/MeasureManager.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/sprites/SpritePair.h"
#include "graphics/textures/TextureLoadOptions.h"
#include "graphics/textures/TextureManager.h"
#include "gui/system/GUITooltipListener.h"
#include "gui/widgets/GUIScrollPanel.h"
#include "gui/windows/GUIScopes.h"
#include "gui/windows/GUIWindow.h"
#include "gui/windows/GUIXmlRead.h"
#include "devices/d3d/PerfEvents.h"

#include <cstdlib>

namespace Ulvo {

namespace {

GUIWindow* findIn(const std::vector<GUIWindow*>& windows, const std::wstring& name)
{
    for (GUIWindow* window : windows) {
        if (GUIWindow* found = window->findWindow(name))
            return found;
    }
    return nullptr;
}

} // namespace

GUISystem* GUISystem::getInstance()
{
    static GUISystem instance;
    return &instance;
}

GUISystem::~GUISystem()
{
    clear();
}

void GUISystem::clear()
{
    for (Tooltip& tooltip : m_tooltips)
        tooltip.window->Release();
    m_tooltips.clear();
    holdReference(m_marked, nullptr);
    holdReference(m_active, nullptr);
    holdReference(m_captured, nullptr);
    releaseAndClear(m_windows);
    releaseAndClear(m_vorlagen);
}

void GUISystem::init(D3DInterface* d3d, TextManager* texts)
{
    m_texts = texts;
    connectDevice(d3d);
    MeasureManager* measures = MeasureManager::getInstance();
    m_measureUpdate = measures->child(L"GUISystem.update", true);
    m_measureDraw = measures->child(L"GUISystem.draw", true);
}

void GUISystem::connectDevice(D3DInterface* d3d)
{
    m_d3d = d3d;
    if (m_d3d)
        followDevice(*m_d3d);
    else
        stopFollowingDevice();
}

void GUISystem::onResetDevice()
{
    recalcAllRects();
}

FloatRect GUISystem::getScreenRect() const
{
    if (!m_d3d)
        return FloatRect();
    RECT screen{};
    m_d3d->getScreenRect(&screen);
    return FloatRect::fromRECT(screen);
}

IDirect3DDevice9* GUISystem::getDevice() const
{
    return m_d3d ? m_d3d->getDevice() : nullptr;
}

D3DXSprite* GUISystem::getSprite() const
{
    SpritePair* sprites = m_d3d ? m_d3d->getSprite() : nullptr;
    return sprites ? &sprites->first : nullptr;
}

TextureManager* GUISystem::getTextureManager() const
{
    return m_d3d ? m_d3d->getTextureManager() : nullptr;
}

// ---------------------------------------------------------------- loading

GUIWindow* GUISystem::createWindowFromXml(const XMLNode* node)
{
    return m_factory.create(node);
}

void GUISystem::loadTextureList(const std::wstring& fileName)
{
    TextureManager* textures = getTextureManager();
    XMLNode list;
    // The name comes from a GUI file: it must not lead out of the data.
    if (!File::checkDataReference(fileName))
        return;
    if (!XMLNode::load(&list, fileName, 0)) {
        guiLog().log(25, LOG_TYPE_ERROR, L"Ulvo::GUISystem::load: Texturliste ", fileName, L" nicht lesbar\n");
        return;
    }
    if (textures)
        textures->load(&list, TextureLoadOptions());
}

bool GUISystem::load(XMLNode* root)
{
    if (!root) {
        guiLog().log(25, LOG_TYPE_ERROR, L"Ulvo::GUISystem::load: keine GUI-Beschreibung\n");
        return false;
    }
    GUIXml::reportUnknownKeys(root, {L"TEXTURE_2DFILES", L"TEXTURES", L"VORLAGEN", L"WINDOW"}, L"GUI");
    std::wstring fileName;
    if (const XMLNode* files = root->getNode(L"TEXTURE_2DFILES")) {
        for (const XMLNode* file : files->getNodes()) {
            if (file->getName() == L"TEXTURE_2D_FILE" && GUIXml::read(file, L"FILENAME", fileName))
                loadTextureList(fileName);
        }
    }
    for (const XMLNode* node : root->getNodes()) {
        if (node->getName() == L"TEXTURES" && GUIXml::read(node, L"FILE", fileName))
            loadTextureList(fileName);
    }
    if (const XMLNode* vorlagen = root->getNode(L"VORLAGEN")) {
        for (const XMLNode* node : vorlagen->getNodes()) {
            if (node->getName() != L"WINDOW")
                continue;
            if (GUIWindow* window = createWindowFromXml(node)) {
                window->applyVorlagen();
                m_vorlagen.push_back(window);
            }
        }
    }
    for (const XMLNode* node : root->getNodes()) {
        if (node->getName() != L"WINDOW")
            continue;
        if (GUIWindow* window = createWindowFromXml(node)) {
            m_windows.push_back(window);
            window->applyVorlagen();
            window->updateClientRect();
        }
    }
    collectTooltips();
    GUIWindow::sortByEbene(m_windows);
    return true;
}

void GUISystem::collectTooltips()
{
    for (Tooltip& tooltip : m_tooltips)
        tooltip.window->Release();
    m_tooltips.clear();
    std::vector<GUIWindow*> all;
    getAllWindows(all);
    for (GUIWindow* window : all) {
        if (auto* listener = dynamic_cast<GUITooltipListener*>(window)) {
            window->AddRef();
            m_tooltips.push_back(Tooltip{window, listener});
        }
    }
}

// ---------------------------------------------------------------- lookups

GUIWindow* GUISystem::getWindow(const std::wstring& name) const
{
    return findIn(m_windows, name);
}

GUIWindow* GUISystem::getVorlage(const std::wstring& name) const
{
    return findIn(m_vorlagen, name);
}

void GUISystem::getWindowsByUserId(const std::wstring& id, std::vector<GUIWindow*>& list) const
{
    for (GUIWindow* window : m_windows)
        window->findWindowsByUserId(id, list);
}

void GUISystem::getAllWindows(std::vector<GUIWindow*>& list) const
{
    for (GUIWindow* window : m_windows) {
        list.push_back(window);
        window->getAllDescendants(list);
    }
}

void GUISystem::getWindows(std::vector<GUIWindow*>& list) const
{
    list.insert(list.end(), m_windows.begin(), m_windows.end());
}

GUIWindow* GUISystem::getWindowAt(float x, float y, int filter) const
{
    const FloatRect screen = getScreenRect();
    for (std::size_t i = m_windows.size(); i-- > 0;) {
        if (GUIWindow* found = m_windows[i]->findWindowAt(x, y, screen, filter))
            return found;
    }
    return nullptr;
}

// ---------------------------------------------------------------- marked, active, captured

void GUISystem::setMarkedWindow(GUIWindow* window)
{
    if (window == m_marked)
        return;
    holdReference(m_marked, window);
    markedChanged.emit(window);
    for (std::size_t i = 0; i < m_tooltips.size(); ++i)
        m_tooltips[i].listener->onMarkedWindowChanged(window);
}

void GUISystem::setActiveWindow(GUIWindow* window)
{
    if (window == m_active)
        return;
    holdReference(m_active, window);
    activeChanged.emit(window);
}

void GUISystem::setCapturedWindow(GUIWindow* window, const MouseState* state)
{
    holdReference(m_captured, window);
    if (!window)
        return;
    const float x = state ? state->position[0] : m_lastMouse[0];
    const float y = state ? state->position[1] : m_lastMouse[1];
    // From the corner of the window the drag moves, so a drag by a child with
    // MOVE_PARENT starts without a jump.
    const FloatRect& corner = window->getMoveTarget()->getScreenRect();
    m_captureOffset[0] = corner.left - x;
    m_captureOffset[1] = corner.top - y;
    m_lastDrag[0] = x;
    m_lastDrag[1] = y;
}

// ---------------------------------------------------------------- order

void GUISystem::bringToFront(GUIWindow* window)
{
    if (GUIWindow::eraseAll(m_windows, window) > 0)
        m_windows.push_back(window);
    GUIWindow::sortByEbene(m_windows);
}

void GUISystem::sendToBack(GUIWindow* window)
{
    if (GUIWindow::eraseAll(m_windows, window) > 0)
        m_windows.insert(m_windows.begin(), window);
    GUIWindow::sortByEbene(m_windows);
}

void GUISystem::removeWindow(GUIWindow* window)
{
    if (GUIWindow::eraseAll(m_windows, window) > 0)
        window->Release();
}

void GUISystem::recalcAllRects()
{
    for (std::size_t i = 0; i < m_windows.size(); ++i)
        m_windows[i]->updateClientRect();
}

// ---------------------------------------------------------------- frame

void GUISystem::update(double dt)
{
    {
        GUITimed timed(m_measureUpdate);
        for (std::size_t i = 0; i < m_windows.size(); ++i)
            m_windows[i]->update(dt);
    }
    remark();
}

void GUISystem::remark()
{
    GUIWindow* found = getWindowAt(m_lastMouse[0], m_lastMouse[1], GUIWindow::HIT_MARK);
    if (!found) {
        if (m_marked && m_marked->canLoseMark())
            m_marked->setMarked(false, nullptr);
    } else if (!m_marked || m_marked->canLoseMark()) {
        found->setMarked(true, nullptr);
    }
}

void GUISystem::draw()
{
    GUITimed timed(m_measureDraw);
    perfEventBegin(0xFF00FF00, L"GUISystem::draw()");
    D3DXSprite* sprite = getSprite();
    const FloatRect screen = getScreenRect();
    for (std::size_t i = 0; i < m_windows.size(); ++i) {
        GUIWindow* window = m_windows[i];
        GUIKeepAlive keep(window);
        const bool begun = sprite && sprite->Begin(D3DXSPRITE_ALPHABLEND);
        GUIWindow::resetStencilState();
        window->onDraw(screen);
        if (begun)
            sprite->End();
    }
    perfEventEnd();
}

// ---------------------------------------------------------------- mouse

void GUISystem::onMouseMove(const MouseState& state)
{
    m_lastMouse[0] = state.position[0];
    m_lastMouse[1] = state.position[1];
    const D3DXVECTOR2 fraction(state.relativePosition[0], state.relativePosition[1]);
    const D3DXVECTOR2 pixels(state.position[0], state.position[1]);
    for (std::size_t i = 0; i < m_tooltips.size(); ++i)
        m_tooltips[i].listener->onMouseMove(fraction, pixels);

    if (m_captured && state.isButtonDown(ULVO_MOUSE_LEFT)) {
        if (!m_captured->getOptions().mouseMove)
            return;
        if (state.position[0] == m_lastDrag[0] && state.position[1] == m_lastDrag[1])
            return;
        const GUIWindow* frame = m_captured->getMoveFrame();
        const float frameLeft = frame ? frame->getScreenRect().left : 0.0f;
        const float frameTop = frame ? frame->getScreenRect().top : 0.0f;
        GUIWindow* captured = m_captured;
        GUIKeepAlive keep(captured);
        captured->moveTo(m_captureOffset[0] + (state.position[0] - frameLeft),
                         m_captureOffset[1] + (state.position[1] - frameTop));
        m_lastDrag[0] = state.position[0];
        m_lastDrag[1] = state.position[1];
        return;
    }
    remark();
}

bool GUISystem::onMouseWheel(const MouseState& state, int notches)
{
    if (notches == 0)
        return false;
    GUIWindow* window = getWindowAt(state.position[0], state.position[1], GUIWindow::HIT_MARK);
    for (; window; window = window->getParent()) {
        if (auto* panel = dynamic_cast<GUIScrollPanel*>(window)) {
            GUIKeepAlive keep(panel);
            const auto direction = notches > 0 ? GUIScrollPanel::SCROLL_UP : GUIScrollPanel::SCROLL_DOWN;
            for (int i = 0; i < std::abs(notches); ++i)
                panel->scroll(direction, GUIScrollPanel::BUTTON_STEP);
            return true;
        }
    }
    return false;
}

void GUISystem::onMouseButtonDown(const MouseState& state, UlvoMouseButton button)
{
    GUIWindow* found = getWindowAt(state.position[0], state.position[1], GUIWindow::HIT_PRESS);
    setCapturedWindow(nullptr, &state);
    if (!found)
        return;
    if ((m_marked && !m_marked->canLoseMark()) || (m_active && !m_active->canLoseActive()))
        return;
    if (!found->canBeMarked())
        return;
    GUIKeepAlive keep(found);
    found->setMarked(true, nullptr);
    if (found->isEnabled()) {
        found->bringToFront();
        if (button == ULVO_MOUSE_LEFT)
            found->onLeftButtonDown(state);
        else if (button == ULVO_MOUSE_RIGHT)
            found->onRightButtonDown(state);
        setCapturedWindow(found, &state);
    }
}

void GUISystem::onMouseButtonUp(const MouseState& state, UlvoMouseButton button)
{
    if (!m_captured)
        return;
    GUIWindow* captured = m_captured;
    GUIKeepAlive keep(captured);
    if (button == ULVO_MOUSE_LEFT)
        captured->onLeftButtonUp(state);
    else if (button == ULVO_MOUSE_RIGHT)
        captured->onRightButtonUp(state);
}

} // namespace Ulvo
