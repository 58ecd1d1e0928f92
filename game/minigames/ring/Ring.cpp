#include "minigames/ring/Ring.h"

#include "devices/input/DirectInputInterface.h"
#include "engine/UlvoEngine.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/frame/MinispielManager.h"
#include "minigames/frame/Playfield.h"
#include "threematch/globals/MyGlobals.h"

#include <crt.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace ThreeMatch {

namespace {

Ulvo::MouseState& mouseState()
{
    return Ulvo::DirectInputInterface::getInstance()->getInputStates().mouseState;
}

bool hardDifficulty()
{
    const auto* globals = dynamic_cast<const MyGlobals*>(Ulvo::UlvoEngine::getInstance()->getUserGlobals());
    return globals && globals->getSchwierigkeit() >= 2;
}

} // namespace

Ring::Teil::Teil(Ulvo::XMLNode* node)
{
    std::array<float, 2> radius{0.0f, 0.0f};
    if (node->readFloats(L"RADIUS", radius) == 1)
        radius[1] = radius[0];
    inner = radius[0];
    outer = radius[1];
    node->readFlag(L"ROTIERBAR", turnable);
    node->readFlag(L"START_ANI", startAnimation);
    std::wstring name;
    if (node->readString(L"ANIMATION", name))
        animation = Playfield::cloneAnimation(name, L"Ring");
}

Ring::Teil::~Teil()
{
    Ulvo::releaseAndNull(animation);
}

Ring::Ring(Ulvo::XMLNode* node) : Minispiel(node)
{
    if (!node)
        return;
    for (Ulvo::XMLNode* child : node->getNodes()) {
        if (!child || child->getName() != L"OBJEKT")
            continue;
        m_ringe.push_back(new Teil(child));
        m_radiusMax = std::max(m_radiusMax, static_cast<double>(m_ringe.back()->outer));
    }
    std::stable_sort(m_ringe.begin(), m_ringe.end(), [](const Teil* a, const Teil* b) { return a->outer < b->outer; });
    std::wstring name;
    if (node->readString(L"BACKGROUND", name))
        m_background = Playfield::cloneAnimation(name, L"Ring");
    node->readDouble(L"RADIUS_MAX", m_radiusMax);
    node->readFloat(L"DELTA_WINKEL", m_deltaWinkel);
    if (!(m_radiusMax > 0.0) || !std::isfinite(m_radiusMax))
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::Ring: ", getName(), L": RADIUS_MAX ",
                               m_radiusMax, L" ist kein Radius; das Spiel ist nicht zu loesen\n");
}

Ring::~Ring()
{
    if (m_spielfeld)
        m_spielfeld->drawn.disconnect(this);
    Ulvo::releaseAndNull(m_spielfeld);
    for (Teil* ring : m_ringe)
        delete ring;
    Ulvo::releaseAndNull(m_background);
}

void Ring::createGUI()
{
    Ulvo::MouseState& mouse = mouseState();
    mouse.buttonPressed.disconnect(this);
    mouse.buttonReleased.disconnect(this);
    mouse.axisMoved.disconnect(this);
    mouse.buttonPressed.connect(this, &Ring::onMouseDown);
    mouse.buttonReleased.connect(this, &Ring::onMouseUp);
    mouse.axisMoved.connect(this, &Ring::onMouseMove);
    float width = 1.0f, height = 1.0f;
    if (Ulvo::Texture2DAnimationFrame* frame = m_background ? m_background->getCurrentTexture() : nullptr) {
        width = static_cast<float>(frame->rect.right - frame->rect.left);
        height = static_cast<float>(frame->rect.bottom - frame->rect.top);
    }
    if (Ulvo::GUIWindow* field = cloneGameWindow(L"RING", width, height)) {
        Ulvo::releaseAndNull(m_spielfeld);
        m_spielfeld = field;
        m_spielfeld->drawn.connect(this, &Ring::onDrawSpielfeld);
    }
    Minispiel::createGUI();
}

bool Ring::start()
{
    Minispiel::start();
    m_grabbed = nullptr;
    for (Teil* ring : m_ringe) {
        const float r = static_cast<float>(crt_rand()) / 32767.0f;
        ring->angle = ring->turnable ? 360.0f - r * 360.0f : 0.0f;
        if (ring->animation) {
            ring->animation->stop();
            ring->animation->setTime(0.0f);
            ring->animation->rewind();
        }
    }
    return false;
}

void Ring::show()
{
    m_input = true;
    Minispiel::show();
}

void Ring::hide()
{
    m_input = false;
    m_grabbed = nullptr;
    Minispiel::hide();
}

D3DXVECTOR2 Ring::centre() const
{
    return Playfield::toScreen(m_spielfeld, D3DXVECTOR2(0.5f, 0.5f));
}

float Ring::pixelsPerUnit() const
{
    if (!m_spielfeld || !(m_radiusMax > 0.0) || !std::isfinite(m_radiusMax))
        return 0.0f;
    const Ulvo::FloatRect& r = m_spielfeld->getScreenRect();
    const float side = std::min(r.right - r.left, r.bottom - r.top);
    return side > 0.0f ? static_cast<float>(side / m_radiusMax) : 0.0f;
}

float Ring::mouseAngle(const D3DXVECTOR2& point) const
{
    const D3DXVECTOR2 d = point - centre();
    double radians = 0.0;
    if (d.x == 0.0f)
        radians = d.y >= 0.0f ? M_PI / 2.0 : 3.0 * M_PI / 2.0;
    else
        radians = std::atan(d.y / d.x) + (d.x < 0.0f ? M_PI : 0.0);
    return static_cast<float>(radians * 57.295776);
}

void Ring::onMouseDown(Ulvo::MouseState& state, const UlvoMouseButton& button)
{
    if (!m_input || button != ULVO_MOUSE_LEFT || m_solved)
        return;
    m_grabbed = nullptr;
    // A press on the help menu over the game is meant for the help menu.
    if (manager().isHelpShown() && manager().getActiveMinispiel() == this)
        return;
    const float scale = pixelsPerUnit();
    if (scale <= 0.0f)
        return;
    const D3DXVECTOR2 mouse(state.position[0], state.position[1]);
    const D3DXVECTOR2 d = mouse - centre();
    const float distance = std::sqrt(d.x * d.x + d.y * d.y);
    for (Teil* ring : m_ringe) {
        if (ring->turnable && ring->inner * scale < distance && distance < ring->outer * scale) {
            m_grabbed = ring;
            m_grabAngle = ring->angle;
            m_lastAngle = mouseAngle(mouse);
            return;
        }
    }
}

void Ring::onMouseMove(Ulvo::MouseState& state, const UlvoAchse&)
{
    if (!m_input || m_solved || !m_grabbed)
        return;
    const float now = mouseAngle(D3DXVECTOR2(state.position[0], state.position[1]));
    m_grabbed->angle += now - m_lastAngle;
    m_lastAngle = now;
    if (uprightTest(true)) {
        m_solved = true;
        m_endDelayLeft = m_endDelay;
        m_grabbed = nullptr;
    }
}

void Ring::onMouseUp(Ulvo::MouseState&, const UlvoMouseButton& button)
{
    if (!m_input || button != ULVO_MOUSE_LEFT || !m_grabbed || m_solved)
        return;
    // A ring let go where it counts as upright settles exactly upright, so that what looks right
    // and what is right agree.
    if (standsRight(*m_grabbed))
        m_grabbed->angle = 0.0f;
    m_grabbed = nullptr;
    if (uprightTest(false)) {
        m_solved = true;
        m_endDelayLeft = m_endDelay;
    }
}

bool Ring::standsRight(const Teil& ring) const
{
    if (!ring.turnable)
        return true;
    float angle = std::fmod(ring.angle, 360.0f);
    if (angle < 0.0f)
        angle += 360.0f;
    return angle < m_deltaWinkel || angle > 360.0f - m_deltaWinkel;
}

bool Ring::uprightTest(bool dragging)
{
    const bool hard = hardDifficulty();
    bool all = true;
    for (auto it = m_ringe.rbegin(); it != m_ringe.rend(); ++it) {
        Teil& ring = **it;
        if (!ring.turnable)
            continue;
        ring.angle = std::fmod(ring.angle, 360.0f);
        if (ring.angle < 0.0f)
            ring.angle += 360.0f;
        all = all && (ring.angle < m_deltaWinkel || ring.angle > 360.0f - m_deltaWinkel);
        if (!ring.startAnimation || !ring.animation)
            continue;
        if (!all || (hard && dragging)) {
            ring.animation->stop();
            ring.animation->rewind();
        } else {
            ring.animation->play();
        }
    }
    return all;
}

void Ring::update(const double& dt)
{
    if (m_background) {
        double elapsed = dt;
        m_background->update(elapsed);
    }
    for (Teil* ring : m_ringe) {
        if (ring->animation) {
            double elapsed = dt;
            ring->animation->update(elapsed);
        }
    }
    Minispiel::update(dt);
}

void Ring::onDrawSpielfeld(Ulvo::GUIWindow& window, const bool& visible)
{
    if (!visible || !m_spielfeld)
        return;
    const D3DCOLOR colour = Playfield::colour(1.0f, 1.0f, 1.0f, static_cast<float>(window.getAlpha()));
    if (m_background)
        Playfield::draw(m_background, m_spielfeld->getScreenRect(), colour);
    const float scale = pixelsPerUnit();
    if (scale <= 0.0f)
        return;
    const D3DXVECTOR2 c = centre();
    const Ulvo::FloatRect whole(0.0f, 0.0f, 1.0f, 1.0f);
    // A ring not yet upright is drawn a little darker: the player sees which rings still need a turn.
    const D3DCOLOR dim = Playfield::colour(0.72f, 0.72f, 0.72f, static_cast<float>(window.getAlpha()));
    for (const Teil* ring : m_ringe) {
        const float r = ring->outer * scale;
        if (ring->animation && r > 0.0f)
            Playfield::drawPart(ring->animation, whole, Ulvo::FloatRect(c.x - r, c.y - r, c.x + r, c.y + r),
                                ring->angle, standsRight(*ring) ? colour : dim);
    }
}

void Ring::naechsteZuege(MinispielZuege& zuege) const
{
    const D3DXVECTOR2 c = centre();
    const float scale = pixelsPerUnit();
    if (scale <= 0.0f)
        return;
    // Each ring not upright dragged back along its middle the shorter way round, a sixth of a
    // turn at a time; let go near upright, it settles.
    for (const Teil* ring : m_ringe) {
        if (!ring->turnable || standsRight(*ring))
            continue;
        const float radius = (ring->inner + ring->outer) / 2 * scale;
        const Ulvo::FloatRect drawn(c.x - ring->outer * scale, c.y - ring->outer * scale, c.x + ring->outer * scale,
                                    c.y + ring->outer * scale);
        const auto point = [&](float degrees) {
            const float radians = degrees / 57.295776f;
            return c + D3DXVECTOR2(std::cos(radians), std::sin(radians)) * radius;
        };
        float left = std::fmod(ring->angle, 360.0f);
        left = left < 0.0f ? left + 360.0f : left;
        float turn = left <= 180.0f ? -left : 360.0f - left;
        for (float at = -90.0f; std::fabs(turn) > 0.5f;) {
            const float step = std::clamp(turn, -60.0f, 60.0f);
            zuege.push_back(MinispielZug::ziehen(point(at), point(at + step), drawn));
            at += step;
            turn -= step;
        }
    }
}

} // namespace ThreeMatch
