// The window's description, templates, children, z-order, marking, activation,
// mouse buttons, hit test and dragging. Drawing and animation are in
// GUIWindowDrawing.cpp.
#include "gui/windows/GUIWindow.h"

#include "devices/input/KeyState.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "gui/layout/GUILayoutManager.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIScopes.h"
#include "gui/windows/GUITooltipParam.h"
#include "gui/windows/GUIXmlRead.h"

#include <algorithm>
#include <cfloat>

namespace Ulvo {

namespace {

// Integer rectangles overlap with extent on both axes.
bool overlaps(const RECT& a, const RECT& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

RECT toRECT(const FloatRect& r)
{
    return RECT{truncToLong(r.left), truncToLong(r.top), truncToLong(r.right), truncToLong(r.bottom)};
}

// True when window or one of its descendants overlaps area.
bool subtreeOverlaps(const GUIWindow* window, const RECT& area)
{
    if (overlaps(toRECT(window->getScreenRect()), area))
        return true;
    for (const GUIWindow* child : window->children()) {
        if (subtreeOverlaps(child, area))
            return true;
    }
    return false;
}

// Widens or narrows one axis about its centre to the limits.
void limitExtent(float& low, float& high, double minimum, double maximum)
{
    const double extent = double(high) - low;
    double wanted = extent;
    if (extent < minimum)
        wanted = minimum;
    else if (extent > maximum)
        wanted = maximum;
    if (wanted == extent)
        return;
    const double half = (wanted - extent) / 2.0;
    low = static_cast<float>(low - half);
    high = static_cast<float>(high + half);
}

} // namespace

GUISystem* GUIWindow::gui()
{
    return GUISystem::getInstance();
}

// ---------------------------------------------------------------- construction

GUIWindow::GUIWindow(const std::wstring& name) : NamedObject(name), m_userId(name) {}

GUIWindow::GUIWindow(const XMLNode* node) : NamedObject(const_cast<XMLNode*>(node))
{
    m_userId = getName();
    if (!node)
        return;
    GUIXml::reportUnknownKeys(node,
                              {L"NAME", L"TYPE", L"IS_VORLAGE_FOR", L"VORLAGE_PRE", L"VORLAGE_POST", L"USER_ID",
                               L"WINDOW_PARAMS", L"WINDOW", L"LABEL_PARAMS", L"BUTTON_PARAMS", L"TOOLTIP_PARAMS",
                               L"FRAME_PARAMS", L"SLIDER_PARAMS", L"CHECKBOX_PARAMS", L"CHECKBOX_BUTTON_PARAMS",
                               L"PROGRESSBAR_PARAMS", L"SCROLL_PANEL_PARAMS"},
                              L"WINDOW");
    std::wstring text;
    if (GUIXml::read(node, L"IS_VORLAGE_FOR", text))
        m_vorlageMask = GUIVorlageMask::parse(GUIXml::words(text), 0);
    if (GUIXml::read(node, L"VORLAGE_PRE", text)) {
        m_vorlagePre = GUIVorlageRef::parse(text);
        if (const GUIWindow* vorlage = gui()->getVorlage(m_vorlagePre.name))
            copyFromVorlage(vorlage, m_vorlagePre.mask);
        else if (!m_vorlagePre.name.empty())
            guiLog().log(25, LOG_TYPE_WARNING, L"Ulvo::GUIWindow::GUIWindow: ", getName(), L": Vorlage ",
                         m_vorlagePre.name, L" (VORLAGE_PRE) nicht gefunden\n");
    }
    if (GUIXml::read(node, L"VORLAGE_POST", text))
        m_vorlagePost = GUIVorlageRef::parse(text);
    GUIXml::read(node, L"USER_ID", m_userId);
    if (const XMLNode* params = node->getNode(L"WINDOW_PARAMS"))
        readWindowParams(params);
    for (const XMLNode* child : node->getNodes()) {
        if (child->getName() != L"WINDOW")
            continue;
        GUIWindow* window = gui()->createWindowFromXml(child);
        if (window && !addChild(window, true, true))
            window->Release();
    }
}

void GUIWindow::readWindowParams(const XMLNode* node)
{
    GUIXml::reportUnknownKeys(node, GUIAnimationsGoal::keyNames(), L"WINDOW_PARAMS",
                              {L"MIN_SIZE", L"MAX_SIZE", L"ANIMATION_GOAL", L"TOOLTIP"});
    if (const XMLNode* size = node->getNode(L"MIN_SIZE"))
        m_minSize.load(size);
    if (const XMLNode* size = node->getNode(L"MAX_SIZE"))
        m_maxSize.load(size);
    TextureManager* textures = gui()->getTextureManager();
    m_baseState = GUIAnimationsGoal(node, textures);
    m_currentState = m_baseState;
    applyState(m_baseState);
    for (const XMLNode* child : node->getNodes()) {
        if (child->getName() == L"ANIMATION_GOAL") {
            GUIXml::reportUnknownKeys(child, GUIAnimationsGoal::keyNames(), L"ANIMATION_GOAL");
            auto* goal = new GUIAnimationsGoal(child, textures);
            m_goals.push_back(goal);
            if (goal->name == L"DEFAULT") {
                m_baseState = *goal;
                m_currentState = *goal;
                applyState(*goal);
            }
        } else if (child->getName() == L"TOOLTIP") {
            auto* tooltip = new GUITooltipParam(child);
            tooltip->setOwner(this);
            m_tooltips.push_back(tooltip);
        }
    }
}

GUIWindow::GUIWindow(const GUIWindow& other)
    : NamedObject(other)
    , m_userId(other.m_userId)
    , m_vorlageMask(other.m_vorlageMask)
    , m_vorlagePre(other.m_vorlagePre)
    , m_vorlagePost(other.m_vorlagePost)
    , m_minSize(other.m_minSize)
    , m_maxSize(other.m_maxSize)
    , m_rect(other.m_rect)
    , m_drawOptions(other.m_drawOptions)
    , m_options(other.m_options)
    , m_baseState(other.m_baseState)
    , m_currentState(other.m_currentState)
    , m_animationStart(other.m_animationStart)
    , m_animationTarget(other.m_animationTarget)
    , m_animationSpeed(other.m_animationSpeed)
    , m_animationProgress(other.m_animationProgress)
    , m_userData(other.m_userData)
{
    for (const GUIAnimationsGoal* goal : other.m_goals)
        m_goals.push_back(new GUIAnimationsGoal(*goal));
    for (const GUITooltipParam* tooltip : other.m_tooltips) {
        auto* copy = new GUITooltipParam(*tooltip);
        copy->setOwner(this);
        m_tooltips.push_back(copy);
    }
}

GUIWindow::~GUIWindow()
{
    // No reference on itself here: the count is already 0.
    while (!m_children.empty())
        detachChild(m_children.back());
    clearGoals();
    for (GUITooltipParam* tooltip : m_tooltips) {
        if (tooltip->getOwner() == this)
            tooltip->setOwner(nullptr);
        tooltip->Release();
    }
    m_tooltips.clear();
}

void GUIWindow::clearGoals()
{
    for (GUIAnimationsGoal* goal : m_goals)
        delete goal;
    m_goals.clear();
}

GUIWindow* GUIWindow::clone() const
{
    return new GUIWindow(*this);
}

void GUIWindow::setUserId(const std::wstring& id)
{
    m_userId = id;
}

// ---------------------------------------------------------------- queries

void GUIWindow::getChildren(std::vector<GUIWindow*>& list) const
{
    list.insert(list.end(), m_children.begin(), m_children.end());
}

void GUIWindow::getAllDescendants(std::vector<GUIWindow*>& list) const
{
    for (GUIWindow* child : m_children) {
        list.push_back(child);
        child->getAllDescendants(list);
    }
}

double GUIWindow::getAlpha() const
{
    return m_parent ? m_drawOptions.alpha * m_parent->getAlpha() : m_drawOptions.alpha;
}

bool GUIWindow::isEnabledInHierarchy() const
{
    for (const GUIWindow* window = this; window; window = window->m_parent) {
        if (!window->m_options.enabled)
            return false;
    }
    return true;
}

bool GUIWindow::isEnabled() const
{
    return m_options.visible && isEnabledInHierarchy();
}

GUIWindow* GUIWindow::getMoveTarget()
{
    GUIWindow* window = this;
    while (window->m_options.moveParent && window->m_parent)
        window = window->m_parent;
    return window;
}

GUIWindow* GUIWindow::getMoveFrame() const
{
    return const_cast<GUIWindow*>(this)->getMoveTarget()->m_parent;
}

GUIWindow* GUIWindow::findWindow(const std::wstring& name)
{
    if (getName() == name)
        return this;
    for (GUIWindow* child : m_children) {
        if (GUIWindow* found = child->findWindow(name))
            return found;
    }
    return nullptr;
}

void GUIWindow::findWindowsByUserId(const std::wstring& id, std::vector<GUIWindow*>& list)
{
    if (m_userId == id)
        list.push_back(this);
    for (GUIWindow* child : m_children)
        child->findWindowsByUserId(id, list);
}

GUIAnimationsGoal* GUIWindow::findAnimationGoal(const std::wstring& name)
{
    for (GUIAnimationsGoal* goal : m_goals) {
        if (goal->name == name)
            return goal;
    }
    return &m_baseState;
}

GUITooltipParam* GUIWindow::getTooltip(int32_t tooltipId) const
{
    for (GUITooltipParam* tooltip : m_tooltips) {
        if (tooltip->getTooltipId() == tooltipId)
            return tooltip;
    }
    return nullptr;
}

GUITooltipParam* GUIWindow::getFirstTooltip() const
{
    return m_tooltips.empty() ? nullptr : m_tooltips.front();
}

void GUIWindow::copyTooltips(const GUIWindow& other)
{
    if (&other == this)
        return;
    for (GUITooltipParam* tooltip : other.m_tooltips) {
        tooltip->AddRef();
        m_tooltips.push_back(tooltip);
    }
}

GUIWindow* GUIWindow::findWindowAt(float x, float y, const FloatRect& clip, int filter)
{
    const bool pressOrMark = (filter & HIT_PRESS) != 0;
    if (m_options.drawSubWindows && m_options.visible &&
        !(pressOrMark && (m_options.inputIgnore & GUIOptions::IGNORE_CHILDREN))) {
        const FloatRect inner = childClip(clip);
        for (std::size_t i = m_children.size(); i-- > 0;) {
            GUIWindow* found = m_children[i]->findWindowAt(x, y, inner, filter);
            if (found && found != this)
                return found;
        }
    }
    if (pressOrMark && (m_options.inputIgnore & GUIOptions::IGNORE_SELF))
        return nullptr;
    if (!m_options.visible)
        return nullptr;
    const float left = std::max(m_screenRect.left, clip.left), right = std::min(m_screenRect.right, clip.right);
    const float top = std::max(m_screenRect.top, clip.top), bottom = std::min(m_screenRect.bottom, clip.bottom);
    if (!(x >= left && x <= right && y >= top && y <= bottom))
        return nullptr;
    if (pressOrMark && m_hitShape && !m_hitShape(x, y))
        return nullptr;
    if (filter == HIT_MARK && m_options.activateParent && m_parent)
        return m_parent;
    return this;
}

FloatRect GUIWindow::childClip(const FloatRect& clip) const
{
    if (!m_options.drawInClientOnly)
        return clip;
    return FloatRect(std::max(clip.left, m_screenRect.left), std::max(clip.top, m_screenRect.top),
                     std::min(clip.right, m_screenRect.right), std::min(clip.bottom, m_screenRect.bottom));
}

bool GUIWindow::canActivate() const
{
    const RECT own = toRECT(m_screenRect);
    // Later siblings of the window and of each ancestor, with their subtrees.
    const GUIWindow* top = this;
    for (const GUIWindow* window = this; window->m_parent; window = window->m_parent) {
        const std::vector<GUIWindow*>& siblings = window->m_parent->m_children;
        bool later = false;
        for (const GUIWindow* sibling : siblings) {
            if (later && subtreeOverlaps(sibling, own))
                return true;
            if (sibling == window)
                later = true;
        }
        top = window->m_parent;
    }
    const std::vector<GUIWindow*>& windows = gui()->windows();
    bool later = false;
    for (const GUIWindow* window : windows) {
        if (later && subtreeOverlaps(window, own))
            return true;
        if (window == top)
            later = true;
    }
    return false;
}

bool GUIWindow::isAncestorOrSelf(const GUIWindow* window) const
{
    for (const GUIWindow* w = this; w; w = w->m_parent) {
        if (w == window)
            return true;
    }
    return false;
}

// ---------------------------------------------------------------- rectangles and states

void GUIWindow::setParent(GUIWindow* parent)
{
    if (m_parent && m_parent != parent) {
        GUIWindow* old = m_parent;
        m_parent = nullptr;
        old->removeChild(this);
    }
    m_parent = parent;
    if (parent)
        updateClientRect();
}

void GUIWindow::applyState(const GUIAnimationsGoal& goal)
{
    m_rect = goal.rect;
    m_options = goal.options;
    m_drawOptions = goal.drawOptions;
    updateClientRect();
}

void GUIWindow::updateClientRect()
{
    const FloatRect old = m_screenRect;
    const FloatRect parent = m_parent ? m_parent->m_screenRect : gui()->getScreenRect();
    m_screenRect = m_rect.calculate(parent);

    const double w = double(parent.right) - parent.left, h = double(parent.bottom) - parent.top;
    const double minWidth = m_minSize.xRel * w + m_minSize.xOff;
    const double minHeight = m_minSize.yRel * h + m_minSize.yOff;
    const double maxWidth = m_maxSize.xRel < 0.0f ? double(FLT_MAX) : m_maxSize.xRel * w + m_maxSize.xOff;
    const double maxHeight = m_maxSize.yRel < 0.0f ? double(FLT_MAX) : m_maxSize.yRel * h + m_maxSize.yOff;
    limitExtent(m_screenRect.left, m_screenRect.right, minWidth, maxWidth);
    limitExtent(m_screenRect.top, m_screenRect.bottom, minHeight, maxHeight);

    if (old.left != m_screenRect.left || old.right != m_screenRect.right || old.top != m_screenRect.top ||
        old.bottom != m_screenRect.bottom)
        rectChanged.emit(*this);
    GUILayoutManager::applyLayout(m_options.layoutManager, *this);
    for (std::size_t i = 0; i < m_children.size(); ++i)
        m_children[i]->updateClientRect();
}

void GUIWindow::takeCurrentState()
{
    m_currentState.rect = m_rect;
    m_currentState.drawOptions = m_drawOptions;
    m_currentState.options = m_options;
}

void GUIWindow::takeDefaultState()
{
    m_baseState.rect = m_rect;
    m_baseState.drawOptions = m_drawOptions;
    m_baseState.options = m_options;
    m_currentState = m_baseState;
}

void GUIWindow::moveTo(float x, float y)
{
    GUIWindow* target = getMoveTarget();
    target->m_rect.position = GUIRectPoint(0.0f, 0.0f, x, y);
    GUIKeepAlive keep(target);
    if (target->m_parent)
        target->m_parent->updateClientRect();
    else
        target->updateClientRect();
    target->moved.emit(*target);
}

// ---------------------------------------------------------------- templates

void GUIWindow::applyVorlagen()
{
    applyVorlage(m_vorlagePost);
    for (std::size_t i = 0; i < m_children.size(); ++i)
        m_children[i]->applyVorlagen();
}

void GUIWindow::applyVorlage(const GUIVorlageRef& ref)
{
    if (ref.name.empty())
        return;
    const GUIWindow* vorlage = gui()->getVorlage(ref.name);
    if (!vorlage) {
        guiLog().log(25, LOG_TYPE_WARNING, L"Ulvo::GUIWindow::applyVorlage: ", getName(), L": Vorlage ", ref.name,
                     L" nicht gefunden\n");
        return;
    }
    copyFromVorlage(vorlage, ref.mask);
}

void GUIWindow::copyFromVorlage(const GUIWindow* vorlage, uint32_t mask)
{
    if (!vorlage || vorlage == this)
        return;
    const uint32_t parts = vorlage->m_vorlageMask & mask;
    const GUIDrawOptions& from = vorlage->m_drawOptions;
    if (parts & GUIVorlageMask::POSITION)
        m_rect.position = vorlage->m_rect.position;
    if (parts & GUIVorlageMask::SIZE) {
        m_rect.size = vorlage->m_rect.size;
        m_minSize = vorlage->m_minSize;
        m_maxSize = vorlage->m_maxSize;
    }
    if (parts & GUIVorlageMask::TEXTURES) {
        for (int slot = 0; slot < GUIDrawOptions::STATE_SLOTS; ++slot)
            m_drawOptions.setTexture(static_cast<GUIDrawOptions::Slot>(slot),
                                     from.getTexture(static_cast<GUIDrawOptions::Slot>(slot)));
        for (int i = 0; i < 4; ++i)
            m_drawOptions.stateSource[i] = from.stateSource[i];
        m_drawOptions.useStateSource = from.useStateSource;
        m_drawOptions.setDrawType(from.drawTypeX, from.drawTypeY);
        m_drawOptions.shapeDrawTypeX = from.shapeDrawTypeX;
        m_drawOptions.shapeDrawTypeY = from.shapeDrawTypeY;
        if (Texture2D* background = from.getTexture(GUIDrawOptions::TEX_BACKGROUND)) {
            m_drawOptions.setBackgroundTexture(background);
            for (int i = 0; i < 4; ++i)
                m_drawOptions.backSource[i] = from.backSource[i];
            m_drawOptions.useBackSource = from.useBackSource;
            m_drawOptions.setBackDrawType(from.backDrawTypeX, from.backDrawTypeY);
        }
    }
    if (parts & GUIVorlageMask::TIMES) {
        m_drawOptions.activeBlend = from.activeBlend;
        m_drawOptions.inactiveBlend = from.inactiveBlend;
        m_baseState.drawOptions.activeBlend = vorlage->m_baseState.drawOptions.activeBlend;
        m_baseState.drawOptions.inactiveBlend = vorlage->m_baseState.drawOptions.inactiveBlend;
        for (GUIAnimationsGoal* goal : m_goals) {
            goal->drawOptions.activeBlend = from.activeBlend;
            goal->drawOptions.inactiveBlend = from.inactiveBlend;
        }
    }
    if (parts & GUIVorlageMask::DRAWTYPES) {
        m_drawOptions.setDrawType(from.drawTypeX, from.drawTypeY);
        m_drawOptions.shapeDrawTypeX = from.shapeDrawTypeX;
        m_drawOptions.shapeDrawTypeY = from.shapeDrawTypeY;
        m_drawOptions.setBackDrawType(from.backDrawTypeX, from.backDrawTypeY);
    }
    if (parts & GUIVorlageMask::COLORS) {
        m_drawOptions.modulate = from.modulate;
        m_drawOptions.alpha = from.alpha;
    }
    if (parts & GUIVorlageMask::OPTIONS)
        m_options = vorlage->m_options;
    if (parts & GUIVorlageMask::ANIMATION_GOALS) {
        clearGoals();
        for (const GUIAnimationsGoal* goal : vorlage->m_goals)
            m_goals.push_back(new GUIAnimationsGoal(*goal));
        m_baseState = vorlage->m_baseState;
        m_currentState = vorlage->m_currentState;
        m_animationStart = vorlage->m_animationStart;
        m_animationTarget = vorlage->m_animationTarget;
        m_animationSpeed = vorlage->m_animationSpeed;
        m_animationProgress = vorlage->m_animationProgress;
    }
}

// ---------------------------------------------------------------- children

bool GUIWindow::addChild(GUIWindow* child, bool handedOver, bool append)
{
    if (!child)
        return true;
    GUIKeepAlive keep(this);
    addingChild.emit(*child);
    bool refused = false;
    for (const GUIWindow* existing : m_children) {
        if (existing == child)
            refused = true;
    }
    if (!refused && isAncestorOrSelf(child)) {
        // A window cannot hold itself or its own ancestor: the tree would close a loop.
        guiLog().log(50, LOG_TYPE_ERROR, L"Ulvo::GUIWindow::addChild: ", child->getName(), L" ist ", getName(),
                     L" selbst oder ein Vorfahr, abgelehnt\n");
        refused = true;
    }
    if (refused) {
        childAdded.emit(*child, false);
        return false;
    }
    if (!handedOver)
        child->AddRef();
    if (append)
        m_children.push_back(child);
    else
        m_children.insert(m_children.begin(), child);
    sortByEbene(m_children);
    if (child->m_parent && child->m_parent != this) {
        GUIWindow* old = child->m_parent;
        child->m_parent = nullptr;
        old->removeChild(child);
    }
    child->m_parent = this;
    child->updateClientRect();
    updateClientRect();
    childAdded.emit(*child, true);
    return true;
}

std::size_t GUIWindow::eraseAll(std::vector<GUIWindow*>& windows, const GUIWindow* window)
{
    std::size_t count = 0;
    for (std::size_t i = windows.size(); i-- > 0;) {
        if (windows[i] == window) {
            windows.erase(windows.begin() + static_cast<std::ptrdiff_t>(i));
            ++count;
        }
    }
    return count;
}

bool GUIWindow::removeChild(GUIWindow* child)
{
    if (!child)
        return false;
    GUIKeepAlive keep(this);
    return detachChild(child);
}

bool GUIWindow::detachChild(GUIWindow* child)
{
    GUIKeepAlive keep(child);
    removingChild.emit(*child);
    const std::size_t count = eraseAll(m_children, child);
    for (std::size_t i = 0; i < count; ++i)
        child->Release();
    GUIWindow* recorded = child->m_parent;
    child->m_parent = nullptr;
    if (recorded && recorded != this)
        recorded->removeChild(child);
    const bool found = count > 0;
    childRemoved.emit(*child, found);
    return found;
}

std::vector<GUIWindow*> GUIWindow::takeChildren()
{
    std::vector<GUIWindow*> held;
    held.swap(m_children);
    for (GUIWindow* child : held) {
        if (child->m_parent == this)
            child->m_parent = nullptr;
    }
    return held;
}

void GUIWindow::removeAllChildren()
{
    std::vector<GUIWindow*> held;
    held.swap(m_children);
    for (GUIWindow* child : held) {
        if (child->m_parent == this)
            child->m_parent = nullptr;
        child->Release();
    }
}

// ---------------------------------------------------------------- z-order

void GUIWindow::sortByEbene(std::vector<GUIWindow*>& windows)
{
    // Insertion sort: stable, in place, and the lists are short.
    for (std::size_t i = 1; i < windows.size(); ++i) {
        GUIWindow* window = windows[i];
        const int32_t ebene = window->m_drawOptions.ebene;
        std::size_t j = i;
        while (j > 0 && windows[j - 1]->m_drawOptions.ebene > ebene) {
            windows[j] = windows[j - 1];
            --j;
        }
        windows[j] = window;
    }
}

void GUIWindow::moveChild(GUIWindow* child, bool front)
{
    if (eraseAll(m_children, child) > 0) {
        if (front)
            m_children.push_back(child);
        else
            m_children.insert(m_children.begin(), child);
    }
    sortByEbene(m_children);
    if (m_options.canBringToFront)
        moveSelf(front);
}

void GUIWindow::moveSelf(bool front)
{
    // A window that raises its parent keeps its place among its siblings (a card in a laid-out
    // bar), whether it or one of its children was pressed; the parent moves instead.
    if (m_parent && m_options.bringParentToFront) {
        if (m_parent->m_options.canBringToFront)
            m_parent->moveSelf(front);
        return;
    }
    if (m_parent) {
        if (front)
            m_parent->bringChildToFront(this);
        else
            m_parent->sendChildToBack(this);
    } else if (front) {
        gui()->bringToFront(this);
    } else {
        gui()->sendToBack(this);
    }
}

void GUIWindow::bringChildToFront(GUIWindow* child)
{
    moveChild(child, true);
}

void GUIWindow::sendChildToBack(GUIWindow* child)
{
    moveChild(child, false);
}

void GUIWindow::bringToFront()
{
    if (!m_options.canBringToFront)
        return;
    if (!m_parent)
        gui()->bringToFront(this);
    else if (m_options.bringParentToFront)
        m_parent->bringToFront();
    else
        m_parent->bringChildToFront(this);
}

void GUIWindow::sendToBack()
{
    if (!m_options.canBringToFront)
        return;
    if (!m_parent)
        gui()->sendToBack(this);
    else if (m_options.bringParentToFront)
        m_parent->sendToBack();
    else
        m_parent->sendChildToBack(this);
}

// ---------------------------------------------------------------- marking and activation

void GUIWindow::setMarked(bool mark, GUIWindow* successor)
{
    if (m_options.activateParent && m_parent) {
        m_parent->setMarked(mark, successor);
        return;
    }
    GUIKeepAlive keep(this);
    GUISystem* system = gui();
    if (mark) {
        if (m_times.marked && system->getMarkedWindow() == this)
            return;
        if (GUIWindow* previous = system->getMarkedWindow(); previous && previous != this)
            previous->setMarked(false, this);
        marked.emit(*this);
        m_times.marked = true;
        m_times.timeMarked = m_times.timeUnmarked = 0.0;
        system->setMarkedWindow(this);
        return;
    }
    if (!m_times.marked && system->getMarkedWindow() != this)
        return;
    unmarked.emit(*this);
    m_times.marked = false;
    m_times.timeMarked = m_times.timeUnmarked = 0.0;
    if (!successor)
        system->setMarkedWindow(nullptr);
}

void GUIWindow::setActive(bool active)
{
    if (m_options.activateParent && m_parent) {
        m_parent->setActive(active);
        return;
    }
    GUIKeepAlive keep(this);
    GUISystem* system = gui();
    if (active) {
        if (m_times.active && system->getActiveWindow() == this)
            return;
        if (GUIWindow* previous = system->getActiveWindow(); previous && previous != this)
            previous->setActive(false);
        activated.emit(*this);
        m_times.active = true;
        m_times.timeActive = m_times.timeInactive = 0.0;
        system->setActiveWindow(this);
        return;
    }
    if (!m_times.active && system->getActiveWindow() != this)
        return;
    deactivated.emit(*this);
    m_times.active = false;
    m_times.timeActive = m_times.timeInactive = 0.0;
    system->setActiveWindow(nullptr);
}

// ---------------------------------------------------------------- mouse buttons

sigslot::signal2<GUIWindow&, const bool&>& GUIWindow::buttonSignal(bool right, bool press)
{
    if (press)
        return right ? rightButton : leftButton;
    return right ? rightReleased : leftReleased;
}

bool GUIWindow::handlesButton(const MouseState& state, bool right, bool press)
{
    if (m_options.inputIgnore & GUIOptions::IGNORE_SELF) {
        buttonSignal(right, press).emit(*this, false);
        return false;
    }
    if (!m_options.inputToParent || !m_parent)
        return true;
    if (press && right)
        m_parent->onRightButtonDown(state);
    else if (press)
        m_parent->onLeftButtonDown(state);
    else if (right)
        m_parent->onRightButtonUp(state);
    else
        m_parent->onLeftButtonUp(state);
    return false;
}

void GUIWindow::buttonDown(const MouseState& state, bool right)
{
    GUIKeepAlive keep(this);
    if (!handlesButton(state, right, true))
        return;
    buttonSignal(right, true).emit(*this, true);
    if (canActivate())
        setActive(true);
    noteButtonEvent();
}

void GUIWindow::noteButtonEvent()
{
    m_times.button = true;
    m_times.timeSinceButton = m_times.secondTimer = 0.0;
}

void GUIWindow::buttonUp(const MouseState& state, bool right)
{
    GUIKeepAlive keep(this);
    if (!handlesButton(state, right, false))
        return;
    if (m_times.timeSinceButton >= 0.0 && m_times.timeSinceButton <= CLICK_TIME)
        (right ? rightClicked : clicked).emit(*this);
    buttonSignal(right, false).emit(*this, true);
    noteButtonEvent();
}

void GUIWindow::onLeftButtonDown(const MouseState& state)
{
    buttonDown(state, false);
}

void GUIWindow::onLeftButtonUp(const MouseState& state)
{
    buttonUp(state, false);
}

void GUIWindow::onRightButtonDown(const MouseState& state)
{
    buttonDown(state, true);
}

void GUIWindow::onRightButtonUp(const MouseState& state)
{
    buttonUp(state, true);
}

} // namespace Ulvo
