#pragma once
// The GUI's owner and driver. It loads GUI description files (texture lists,
// templates "VORLAGEN" and top-level windows), builds windows by TYPE through
// its factory, keeps the top-level windows in drawing order (stably sorted by
// EBENE), updates and draws them once per frame, routes the mouse to the window
// under it, and keeps the one marked (mouse-over), active and captured (pressed,
// dragged) window. The game drives it: update with the frame time of its clock,
// draw between BeginScene and EndScene, and the three mouse handlers with the
// input states.
//
// The device interface and the text manager are handed in by init; without
// them (tools, fuzzing) windows lay out against an empty screen, load no
// textures and draw nothing.
#include <d3d9.h>

#include "devices/d3d/DeviceResource.h"
#include "devices/input/KeyState.h"
#include "foundation/sigslot.h"
#include "graphics/sprites/FloatRect.h"
#include "gui/system/GUIWindowFactory.h"

#include <string>
#include <vector>

namespace Ulvo {

class D3DInterface;
class D3DXSprite;
class GUITooltipListener;
class GUIWindow;
class Measures;
class TextManager;
class TextureManager;
class XMLNode;

class GUISystem : public sigslot::has_slots<>, public DeviceResource {
public:
    // Built on first use; touches no other object until init.
    static GUISystem* getInstance();
    ~GUISystem() override;
    GUISystem(const GUISystem&) = delete;
    GUISystem& operator=(const GUISystem&) = delete;

    // Takes the device interface (screen, sprite, texture manager; follows its
    // resets) and the text manager. Either may be null.
    void init(D3DInterface* d3d, TextManager* texts);

    // A GUI file's root node; windows of several files accumulate. False for null.
    bool load(XMLNode* root);
    // Releases every window, template and tooltip and forgets the marked, active and
    // captured windows (the game never unloads; tests and fuzzing start afresh).
    void clear();
    // The factory: a new window carrying one reference, or null.
    GUIWindow* createWindowFromXml(const XMLNode* node);
    GUIWindowFactory& getFactory() { return m_factory; }

    // Once per frame each; dt in seconds.
    void update(double dt);
    void draw();

    // Mouse routing: positions are the state's pixel position.
    void onMouseMove(const MouseState& state);
    // Where the mouse was last seen, in the state's pixels.
    void getLastMouse(float& x, float& y) const
    {
        x = m_lastMouse[0];
        y = m_lastMouse[1];
    }
    // The wheel turned by notches (positive away from the player): the scroll panel under the
    // pointer, when there is one, scrolls by its button step per notch. True when one did.
    bool onMouseWheel(const MouseState& state, int notches);
    void onMouseButtonDown(const MouseState& state, UlvoMouseButton button);
    void onMouseButtonUp(const MouseState& state, UlvoMouseButton button);

    // Lookups: top-level windows and their descendants, depth first.
    GUIWindow* getWindow(const std::wstring& name) const;
    GUIWindow* getVorlage(const std::wstring& name) const;
    void getWindowsByUserId(const std::wstring& id, std::vector<GUIWindow*>& list) const;
    void getAllWindows(std::vector<GUIWindow*>& list) const;
    void getWindows(std::vector<GUIWindow*>& list) const;
    const std::vector<GUIWindow*>& windows() const { return m_windows; }
    // The frontmost window under the point through the hit test with filter.
    GUIWindow* getWindowAt(float x, float y, int filter) const;

    GUIWindow* getMarkedWindow() const { return m_marked; }
    GUIWindow* getActiveWindow() const { return m_active; }
    GUIWindow* getCapturedWindow() const { return m_captured; }
    void setMarkedWindow(GUIWindow* window);
    void setActiveWindow(GUIWindow* window);
    // With a window: the capture offset is the dragged window's corner minus the
    // mouse position (state null: the last mouse position).
    void setCapturedWindow(GUIWindow* window, const MouseState* state);

    // Top-level order; windows not in the list are left alone.
    void bringToFront(GUIWindow* window);
    void sendToBack(GUIWindow* window);
    // Takes the window out of the top-level list and releases the list's reference.
    void removeWindow(GUIWindow* window);
    void recalcAllRects();

    // Device reset: every window is laid out anew (nothing to release before it).
    void onResetDevice() override;

    // 0, 0, width, height of the screen (empty without a device interface).
    FloatRect getScreenRect() const;
    D3DInterface* getD3DInterface() const { return m_d3d; }
    IDirect3DDevice9* getDevice() const;
    // The sprite drawer the GUI draws with (null without a device interface).
    D3DXSprite* getSprite() const;
    TextureManager* getTextureManager() const;
    TextManager* getTextManager() const { return m_texts; }

    // The new window or null.
    sigslot::signal1<GUIWindow*> markedChanged;
    sigslot::signal1<GUIWindow*> activeChanged;

private:
    GUISystem() = default;

    // Follows the device interface's resets (none while null).
    void connectDevice(D3DInterface* d3d);
    void loadTextureList(const std::wstring& fileName);
    // Marks the window under the last mouse position, or unmarks.
    void remark();
    void collectTooltips();

    struct Tooltip {
        GUIWindow* window;
        GUITooltipListener* listener;
    };

    GUIWindowFactory m_factory;
    std::vector<GUIWindow*> m_windows;  // one reference each, drawing order
    std::vector<GUIWindow*> m_vorlagen; // one reference each, never drawn
    std::vector<Tooltip> m_tooltips;    // one reference each
    GUIWindow* m_marked = nullptr;
    GUIWindow* m_active = nullptr;
    GUIWindow* m_captured = nullptr;
    float m_captureOffset[2] = {0.0f, 0.0f};
    float m_lastDrag[2] = {0.0f, 0.0f};
    float m_lastMouse[2] = {0.0f, 0.0f};
    D3DInterface* m_d3d = nullptr;
    TextManager* m_texts = nullptr;
    Measures* m_measureUpdate = nullptr;
    Measures* m_measureDraw = nullptr;
};

} // namespace Ulvo
