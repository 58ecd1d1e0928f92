#pragma once
// The base of every GUI element: a named, reference-counted node in a tree of
// windows. A window is read from a WINDOW node of a GUI description; its anchored
// GUIRect is evaluated against its parent's screen rectangle, its draw options
// say how it draws, its options how it takes input, and named animation goals
// let it move between complete states. Templates pass parts of one window on to
// others. Children are kept in drawing order (later is in front), stably sorted
// by the layer EBENE; a parent holds one reference on each child.
//
// Drawing runs inside one sprite batch per top-level window; a window with
// DRAW_IN_CLIENT_ONLY clips its subtree to its shape (TEX_SHAPE, or its own look)
// through the stencil buffer, nested clips to the intersection of their shapes.
// Widgets override the virtual operations.
#include <d3d9.h>

#include "foundation/objects/NamedObject.h"
#include "graphics/sprites/FloatRect.h"
#include "gui/windows/GUIAnimationsGoal.h"
#include "gui/windows/GUIDrawOptions.h"
#include "gui/windows/GUIOptions.h"
#include "gui/windows/GUIRect.h"
#include "gui/windows/GUIVorlage.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace Ulvo {

class GUISystem;
class GUITooltipParam;
class MouseState;
class XMLNode;

// The state flags of a window with the time spent in each state.
struct GUIStateTimes {
    bool active = false;
    double timeActive = 0.0;
    double timeInactive = 0.0;
    bool marked = false;
    double timeMarked = 0.0;
    double timeUnmarked = 0.0;
    bool button = false;
    double timeSinceButton = 0.0;
    double secondTimer = 0.0;
};

class GUIWindow : public NamedObject {
public:
    // Hit-test filters of the GUI system: button presses and marking.
    enum HitFilter : int { HIT_PRESS = 2, HIT_MARK = 6 };
    // A press and its release at most this far apart make a click.
    static constexpr double CLICK_TIME = 0.5;
    // Deeper clipping paths are not recorded.
    static constexpr int MAX_CLIP_DEPTH = 64;

    // A window with the defaults.
    explicit GUIWindow(const std::wstring& name);
    // A WINDOW node: NAME, IS_VORLAGE_FOR, VORLAGE_PRE (copied at once),
    // VORLAGE_POST (kept for applyVorlagen), USER_ID, WINDOW_PARAMS with its sizes,
    // goals and tooltips, then the WINDOW children through the GUI system's factory.
    explicit GUIWindow(const XMLNode* node);
    // Copies the description and states; no children, parent, flags or timers.
    GUIWindow(const GUIWindow& other);
    GUIWindow& operator=(const GUIWindow&) = delete;
    ~GUIWindow() override;

    // ---- virtual operations, in the order widgets override them
    virtual GUIWindow* clone() const;
    virtual void setUserId(const std::wstring& id);
    virtual void onLeftButtonDown(const MouseState& state);
    virtual void onLeftButtonUp(const MouseState& state);
    virtual void onRightButtonDown(const MouseState& state);
    virtual void onRightButtonUp(const MouseState& state);
    // Draws the window and its subtree inside clip (the parent's clip rectangle).
    virtual void onDraw(const FloatRect& clip);
    // Animation, state timers and mark blend, then the children; dt in seconds.
    virtual void update(double dt);
    // Draws the clipping shape into the stencil (colour writes are off then).
    virtual void drawShape();
    virtual void drawSelf();
    virtual void bringChildToFront(GUIWindow* child);
    virtual void bringToFront();
    virtual void sendChildToBack(GUIWindow* child);
    virtual void sendToBack();
    // ENABLED in the whole hierarchy and VISIBLE on the window itself.
    virtual bool isEnabled() const;
    virtual void setActive(bool active);
    virtual bool canLoseActive() const { return true; }
    // successor: the window taking over the mark, or null.
    virtual void setMarked(bool marked, GUIWindow* successor = nullptr);
    virtual bool canBeMarked() const { return true; }
    virtual bool canLoseMark() const { return true; }
    // handedOver: the caller's reference passes to the list. False when refused.
    virtual bool addChild(GUIWindow* child, bool handedOver = false, bool append = true);
    virtual bool removeChild(GUIWindow* child);
    // Releases every child without signals.
    virtual void removeAllChildren();
    // The post-template, then the children's.
    virtual void applyVorlagen();
    virtual void applyVorlage(const GUIVorlageRef& ref);
    // Copies the parts in both mask and the template's IS_VORLAGE_FOR mask.
    virtual void copyFromVorlage(const GUIWindow* vorlage, uint32_t mask);
    virtual bool shouldDrawSubWindow(std::size_t index, const GUIWindow* child) const;

    // ---- accessors
    const FloatRect& getScreenRect() const { return m_screenRect; }
    GUIRect& getGUIRect() { return m_rect; }
    const GUIRect& getGUIRect() const { return m_rect; }
    GUIDrawOptions& getDrawOptions() { return m_drawOptions; }
    const GUIDrawOptions& getDrawOptions() const { return m_drawOptions; }
    GUIOptions& getOptions() { return m_options; }
    const GUIOptions& getOptions() const { return m_options; }
    GUIRectPoint& getMinSize() { return m_minSize; }
    GUIRectPoint& getMaxSize() { return m_maxSize; }
    GUIWindow* getParent() const { return m_parent; }
    const std::wstring& getUserId() const { return m_userId; }
    uint32_t getUserData() const { return m_userData; }
    void setUserData(uint32_t data) { m_userData = data; }
    uint32_t getVorlageMask() const { return m_vorlageMask; }
    const GUIVorlageRef& getVorlagePre() const { return m_vorlagePre; }
    const GUIVorlageRef& getVorlagePost() const { return m_vorlagePost; }
    const std::vector<GUIWindow*>& children() const { return m_children; }
    // Appends the children; getAllDescendants appends every descendant, each
    // child before its own children.
    void getChildren(std::vector<GUIWindow*>& list) const;
    void getAllDescendants(std::vector<GUIWindow*>& list) const;
    const GUIStateTimes& getStateTimes() const { return m_times; }
    bool isMarked() const { return m_times.marked; }
    bool isActive() const { return m_times.active; }
    double getMarkBlend() const { return m_markBlend; }
    GUIAnimationsGoal& getBaseState() { return m_baseState; }
    GUIAnimationsGoal& getCurrentState() { return m_currentState; }
    GUIAnimationsGoal& getAnimationStart() { return m_animationStart; }
    GUIAnimationsGoal& getAnimationTarget() { return m_animationTarget; }
    double getAnimationProgress() const { return m_animationProgress; }
    double getAnimationSpeed() const { return m_animationSpeed; }
    const std::vector<GUIAnimationsGoal*>& getAnimationGoals() const { return m_goals; }
    const std::vector<GUITooltipParam*>& getTooltips() const { return m_tooltips; }

    // ---- queries
    // ALPHA of the window times the parent's.
    double getAlpha() const;
    bool isEnabledInHierarchy() const;
    // The parent of the window that dragging this one moves; null at the top.
    GUIWindow* getMoveFrame() const;
    // The window that dragging this one moves (up through MOVE_PARENT).
    GUIWindow* getMoveTarget();
    GUIWindow* findWindow(const std::wstring& name);
    void findWindowsByUserId(const std::wstring& id, std::vector<GUIWindow*>& list);
    // The first goal of that name, else the base state.
    GUIAnimationsGoal* findAnimationGoal(const std::wstring& name);
    GUITooltipParam* getTooltip(int32_t tooltipId) const;
    GUITooltipParam* getFirstTooltip() const;
    // Appends the other window's entries, taking a reference on each.
    void copyTooltips(const GUIWindow& other);
    // The window under point (inclusive bounds) inside clip; null when none.
    GUIWindow* findWindowAt(float x, float y, const FloatRect& clip, int filter);
    // A window whose picture does not fill its rectangle takes presses and marks only where the
    // shape says so (screen coordinates); none (the default) takes its whole rectangle. A clone
    // does not inherit it: the shape usually knows its owner's picture.
    void setHitShape(std::function<bool(float x, float y)> shape) { m_hitShape = std::move(shape); }
    // True when a window drawn in front of this one overlaps it.
    bool canActivate() const;

    // ---- state changes
    void setParent(GUIWindow* parent);
    // The goal's rect, options and draw options become the live ones.
    void applyState(const GUIAnimationsGoal& goal);
    // Recomputes the screen rect (with MIN_SIZE and MAX_SIZE), lets the layout
    // manager place the children and recomputes theirs.
    void updateClientRect();
    void takeCurrentState();
    void takeDefaultState();
    // Jumps to the goal (unknown names: the base state).
    void setAnimationGoal(const std::wstring& name);
    // Moves towards the goal at speedFactor times its SPEED; 0 jumps.
    void startAnimationGoal(const std::wstring& name, double speedFactor);
    // Places the window dragging moves at (x, y) pixels from its parent's corner.
    void moveTo(float x, float y);

    // Stable by EBENE, ascending; allocates nothing.
    static void sortByEbene(std::vector<GUIWindow*>& windows);
    // Takes every occurrence of window out of the list; how many there were.
    static std::size_t eraseAll(std::vector<GUIWindow*>& windows, const GUIWindow* window);
    // The drawing's process-wide stencil state, cleared before each top-level window.
    static void resetStencilState();

    // ---- signals (each passes the window first)
    sigslot::signal1<GUIWindow&> activated;
    sigslot::signal1<GUIWindow&> deactivated;
    sigslot::signal1<GUIWindow&> marked;
    sigslot::signal1<GUIWindow&> unmarked;
    sigslot::signal1<GUIWindow&> moved;
    // A listener may clear the flag to keep drawSelf from running.
    sigslot::signal2<GUIWindow&, bool&> beforeDraw;
    // With whether the window was in view.
    sigslot::signal2<GUIWindow&, const bool&> drawn;
    sigslot::signal1<GUIWindow&> clicked;
    sigslot::signal1<GUIWindow&> rightClicked;
    sigslot::signal1<GUIWindow&> rectChanged;
    sigslot::signal2<GUIWindow&, GUIAnimationsGoal&> animationStarted;
    sigslot::signal2<GUIWindow&, GUIAnimationsGoal&> goalReached;
    // With true, or false when INPUT_IGNORE swallowed the event.
    sigslot::signal2<GUIWindow&, const bool&> leftButton;
    sigslot::signal2<GUIWindow&, const bool&> rightButton;
    sigslot::signal2<GUIWindow&, const bool&> leftReleased;
    sigslot::signal2<GUIWindow&, const bool&> rightReleased;
    sigslot::signal1<GUIWindow&> removingChild;
    sigslot::signal1<GUIWindow&> addingChild;
    // With the child and whether it happened.
    sigslot::signal2<GUIWindow&, const bool&> childRemoved;
    sigslot::signal2<GUIWindow&, const bool&> childAdded;

protected:
    // The GUI system that owns the tree (templates, marking, the device).
    // Switches off the scissor rectangle clipping turned on.
    static void endScissor(IDirect3DDevice9* device);
    static GUISystem* gui();
    // Draws one texture slot into the window's integer rectangle.
    void drawTexture(GUIDrawOptions::Slot slot, DWORD modeX, DWORD modeY, D3DCOLOR colour);
    // MODULATE_COLOR with its alpha times alpha, packed as A R G B.
    D3DCOLOR modulateColour(double alpha) const;
    // A colour channel as a byte: 255 at 1 or above, 0 at 0 or below (NaN too), else
    // the nearest integer to channel x 255.
    static DWORD toColourByte(double channel);
    // A press or release happened: the button flag is set and both button timers
    // start again (so a release soon after makes a click).
    void noteButtonEvent();
    // Takes the child list over without releasing: the caller holds the references
    // now; the children's parent is cleared. No signals.
    std::vector<GUIWindow*> takeChildren();
    // The child list itself, for widgets that keep their parts in a fixed order.
    std::vector<GUIWindow*>& childList() { return m_children; }

private:
    void readWindowParams(const XMLNode* node);
    void clearGoals();
    // Press and release of either button; right selects the right-button signals.
    sigslot::signal2<GUIWindow&, const bool&>& buttonSignal(bool right, bool press);
    // The INPUT_IGNORE and INPUT_TO_PARENT rules; true when this window takes the event.
    bool handlesButton(const MouseState& state, bool right, bool press);
    void buttonDown(const MouseState& state, bool right);
    void buttonUp(const MouseState& state, bool right);
    // removeChild without a reference on this window (the destructor's form).
    bool detachChild(GUIWindow* child);
    void moveChild(GUIWindow* child, bool front);
    void moveSelf(bool front);
    // The children's clip: clip, cut to the screen rect under DRAW_IN_CLIENT_ONLY.
    FloatRect childClip(const FloatRect& clip) const;
    // The clipping switches from the top-level window down to this one.
    int buildClipPath(bool* path) const;
    void createStencil(int depth);
    void fillStencilHelper();
    bool isAncestorOrSelf(const GUIWindow* window) const;

    std::wstring m_userId;
    uint32_t m_vorlageMask = GUIVorlageMask::ALL;
    GUIVorlageRef m_vorlagePre;
    GUIVorlageRef m_vorlagePost;
    GUIRectPoint m_minSize;
    GUIRectPoint m_maxSize{1.0f, 1.0f, 0.0f, 0.0f};
    GUIRect m_rect;
    GUIDrawOptions m_drawOptions;
    GUIOptions m_options;
    std::function<bool(float, float)> m_hitShape;
    std::vector<GUIAnimationsGoal*> m_goals;  // owned, file order
    std::vector<GUITooltipParam*> m_tooltips; // one reference each

    GUIStateTimes m_times;
    double m_markBlend = 0.0;
    FloatRect m_screenRect;
    GUIAnimationsGoal m_baseState;
    GUIAnimationsGoal m_currentState;
    GUIAnimationsGoal m_animationStart;
    GUIAnimationsGoal m_animationTarget;
    // Where each animation step is worked out before it becomes the current state.
    GUIAnimationsGoal m_scratchState;
    double m_animationSpeed = 0.0;
    double m_animationProgress = 1.0;   // 1: no animation runs
    std::vector<GUIWindow*> m_children; // one reference each, drawing order
    GUIWindow* m_parent = nullptr;      // no reference
    uint32_t m_userData = 0;
};

} // namespace Ulvo
