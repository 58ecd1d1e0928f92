#include "minigames/wegblasen/Wegblasen.h"

#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/frame/MinispielManager.h"
#include "minigames/frame/Playfield.h"

#include <crt.h>

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace ThreeMatch {

namespace {

// More objects than this only cost memory: the field shows them as one heap.
constexpr int kMaxObjekte = 500;
// A mass of 0 or less would push with an infinite force.
constexpr float kMinMass = 0.01f;

void warn(const std::wstring& name, const wchar_t* what)
{
    Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::Wegblasen: ", name, L": ", what, L"\n");
}

} // namespace

Wegblasen::Objekt::Objekt(Ulvo::XMLNode* node, Wegblasen* wegblasen) : owner(wegblasen)
{
    if (!node)
        return;
    std::wstring name;
    if (node->readString(L"ANIMATION", name))
        animation = Playfield::cloneAnimation(name, L"Wegblasen");
    D3DXVECTOR2 pixels(0.0f, 0.0f);
    node->readPair(L"SIZE", pixels.x, pixels.y);
    size = D3DXVECTOR2(pixels.x / 1024.0f, pixels.y / 768.0f);
    node->readFloat(L"MASS", mass);
    node->readFloat(L"BREMS", brems);
    if (!(mass >= kMinMass)) {
        warn(owner ? owner->getName() : std::wstring(), L"MASS unter 0.01 wird 0.01");
        mass = kMinMass;
    }
    if (!std::isfinite(brems))
        brems = 1.0f;
}

Wegblasen::Objekt::Objekt(const Objekt& other)
    : accel(other.accel)
    , velocity(other.velocity)
    , pos(other.pos)
    , size(other.size)
    , angle(other.angle)
    , mass(other.mass)
    , brems(other.brems)
    , animation(other.animation ? other.animation->clone() : nullptr)
    , owner(other.owner)
{
}

Wegblasen::Objekt::~Objekt()
{
    Ulvo::releaseAndNull(animation);
}

bool Wegblasen::Objekt::atEdge() const
{
    // Compared with the very bounds update clamps to, so rounding cannot keep a clamped object
    // off its edge.
    return pos.x <= size.x / 2 || pos.x >= 1.0f - size.x / 2 || pos.y <= size.y / 2 || pos.y >= 1.0f - size.y / 2;
}

Wegblasen::Wegblasen(Ulvo::XMLNode* node) : Minispiel(node)
{
    if (!node)
        return;
    for (Ulvo::XMLNode* child : node->getNodes()) {
        if (child && child->getName() == L"OBJEKT" && m_objekte.size() < kMaxObjekte)
            m_objekte.push_back(new Objekt(child, this));
    }
    node->readFloat(L"POW", m_pow);
    if (!(m_pow >= 0.0f)) {
        // A negative exponent would turn the zero force outside the field into an infinite one.
        warn(getName(), L"POW unter 0 wird 0");
        m_pow = 0.0f;
    }
    int minAnzahl = 0;
    if (node->readInt(L"MIN_ANZ", minAnzahl) && !m_objekte.empty()) {
        minAnzahl = std::min(minAnzahl, kMaxObjekte);
        while (static_cast<int>(m_objekte.size()) < minAnzahl) {
            const Objekt* from = m_objekte[static_cast<size_t>(crt_rand()) % m_objekte.size()];
            m_objekte.push_back(new Objekt(*from));
        }
    }
    node->readPair(L"STRENGTH", m_strengthA, m_strengthB);
    node->readPair(L"STRENGTH_TIMER", m_strengthTimerA, m_strengthTimerB);
    std::wstring name;
    if (node->readString(L"BACKGROUND", name))
        m_background = Playfield::cloneAnimation(name, L"Wegblasen");
    if (node->readString(L"MOUSE_ANI", name))
        m_mouseAnimation = Playfield::cloneAnimation(name, L"Wegblasen");
}

Wegblasen::~Wegblasen()
{
    if (m_spielfeld)
        m_spielfeld->drawn.disconnect(this);
    Ulvo::releaseAndNull(m_spielfeld);
    Ulvo::releaseAndNull(m_background);
    Ulvo::releaseAndNull(m_mouseAnimation);
    for (Objekt* objekt : m_objekte)
        delete objekt;
}

void Wegblasen::show()
{
    m_visible = true;
    Minispiel::show();
}

void Wegblasen::hide()
{
    m_visible = false;
    m_pressed = false;
    Minispiel::hide();
}

void Wegblasen::createGUI()
{
    Playfield::listenToMouse(this, &Wegblasen::onMouseButtonDown, &Wegblasen::onMouseButtonUp, &Wegblasen::onMouseMove);
    // The field keeps the background picture's proportions (square without one).
    float aspectW = 1.0f, aspectH = 1.0f;
    Ulvo::Texture2DAnimationFrame* frame = Playfield::backgroundFrame(m_background, aspectW, aspectH);
    if (Ulvo::GUIWindow* field = cloneGameWindow(L"PUSTEN", aspectW, aspectH)) {
        Ulvo::releaseAndNull(m_spielfeld);
        m_spielfeld = field;
        if (frame) {
            m_spielfeld->getDrawOptions().setBackgroundTexture(frame->texture);
            m_spielfeld->getDrawOptions().setBackDrawType(1, 1);
        }
        m_spielfeld->drawn.connect(this, &Wegblasen::drawSpielfeld);
    }
    start();
    Minispiel::createGUI();
}

bool Wegblasen::start()
{
    Minispiel::start();
    for (Objekt* objekt : m_objekte) {
        const float x = 1.0f - static_cast<float>(crt_rand()) / 32767.0f;
        const float y = 1.0f - static_cast<float>(crt_rand()) / 32767.0f;
        objekt->pos = D3DXVECTOR2(x, y);
        objekt->accel = objekt->velocity = D3DXVECTOR2(0.0f, 0.0f);
        objekt->angle = 360.0f - static_cast<float>(crt_rand()) / 32767.0f * 360.0f;
    }
    m_holdTime = 0.0f;
    m_strength = 0.0f;
    return false;
}

void Wegblasen::onMouseButtonDown(Ulvo::MouseState&, const UlvoMouseButton&)
{
    // A press on the help menu over the game is meant for the help menu.
    if (manager().isHelpShown() && manager().getActiveMinispiel() == this)
        return;
    if (m_visible)
        m_pressed = true;
    m_holdTime = 0.0f;
    m_strength = 0.0f;
}

void Wegblasen::onMouseButtonUp(Ulvo::MouseState&, const UlvoMouseButton&)
{
    if (m_visible)
        m_pressed = false;
    m_holdTime = 0.0f;
    m_strength = 0.0f;
}

void Wegblasen::onMouseMove(Ulvo::MouseState&, const UlvoAchse&) {}

bool Wegblasen::pointerInField(D3DXVECTOR2& at) const
{
    if (!m_spielfeld)
        return false;
    const D3DXVECTOR2 mouse = Playfield::mouse();
    at = Playfield::toField(m_spielfeld, mouse);
    return Playfield::contains(m_spielfeld->getScreenRect(), mouse);
}

void Wegblasen::update(const double& dt)
{
    double elapsed = dt;
    if (m_background && m_spielfeld) {
        m_background->update(elapsed);
        if (Ulvo::Texture2DAnimationFrame* frame = m_background->getCurrentTexture())
            m_spielfeld->getDrawOptions().setBackgroundTexture(frame->texture);
    }
    if (m_mouseAnimation) {
        elapsed = dt;
        m_mouseAnimation->update(elapsed);
    }
    const float step = static_cast<float>(dt);
    D3DXVECTOR2 pointer(0.0f, 0.0f);
    const bool inField = m_pressed && pointerInField(pointer);
    bool allAtEdge = true;
    for (Objekt* objekt : m_objekte) {
        if (m_pressed) {
            D3DXVECTOR2 d(0.0f, 0.0f);
            float dist = FLT_MAX;
            if (inField) {
                d = objekt->pos - pointer;
                dist = D3DXVec2Length(&d);
            }
            const float f = std::pow(1.0f - std::clamp(dist, 0.0f, 1.0f), m_pow);
            objekt->accel = d * m_strength * (1.0f / objekt->mass) * f;
        } else {
            objekt->accel = D3DXVECTOR2(0.0f, 0.0f);
        }
        objekt->velocity += objekt->accel * step;
        objekt->velocity *= std::clamp(1.0f - objekt->mass * step * objekt->brems, 0.0f, 1.0f);
        objekt->pos += objekt->velocity * step;
        objekt->pos.x = std::max(std::min(objekt->pos.x, 1.0f - objekt->size.x / 2), objekt->size.x / 2);
        objekt->pos.y = std::max(std::min(objekt->pos.y, 1.0f - objekt->size.y / 2), objekt->size.y / 2);
        if (objekt->animation) {
            elapsed = dt;
            objekt->animation->update(elapsed);
        }
        allAtEdge = allAtEdge && objekt->atEdge();
    }
    Minispiel::update(dt);
    if (!m_solved && allAtEdge) {
        m_solved = true;
        m_endDelayLeft = m_endDelay;
    }
    if (m_visible && m_pressed && !m_solved) {
        m_holdTime += step;
        float t = 0.0f;
        // Equal hold times make the ramp a step at that time (and leave nothing to divide by).
        if (m_strengthTimerB == m_strengthTimerA)
            t = m_holdTime >= m_strengthTimerA ? 1.0f : 0.0f;
        else
            t = std::clamp((m_holdTime - m_strengthTimerA) / (m_strengthTimerB - m_strengthTimerA), 0.0f, 1.0f);
        m_strength = (m_strengthB - m_strengthA) * t + m_strengthA;
    }
}

Ulvo::FloatRect Wegblasen::screenRect(const Objekt& objekt) const
{
    const D3DXVECTOR2 a = Playfield::toScreen(m_spielfeld, objekt.pos - objekt.size / 2);
    const D3DXVECTOR2 b = Playfield::toScreen(m_spielfeld, objekt.pos + objekt.size / 2);
    return Ulvo::FloatRect(a.x, a.y, b.x, b.y);
}

void Wegblasen::drawSpielfeld(Ulvo::GUIWindow& window, const bool& visible)
{
    if (!visible)
        return;
    const D3DCOLOR white = Playfield::colour(1.0f, 1.0f, 1.0f, static_cast<float>(window.getAlpha()));
    if (m_background)
        Playfield::draw(m_background, window.getScreenRect(), white);
    for (const Objekt* objekt : m_objekte)
        Playfield::draw(objekt->animation, screenRect(*objekt), white, objekt->angle);
    D3DXVECTOR2 pointer(0.0f, 0.0f);
    if (m_mouseAnimation && m_pressed && !m_solved && pointerInField(pointer)) {
        const Ulvo::FloatRect& field = window.getScreenRect();
        const float half = (field.right - field.left) * 0.06f;
        const D3DXVECTOR2 at = Playfield::mouse();
        Playfield::draw(m_mouseAnimation, Ulvo::FloatRect(at.x - half, at.y - half, at.x + half, at.y + half), white);
    }
}

void Wegblasen::naechsteZuege(MinispielZuege& zuege) const
{
    if (!m_spielfeld)
        return;
    // Each object inside is blown towards its nearest edge: the button held on the field just
    // behind it (where the wind's push is strongest), a drag that ends where it starts.
    const D3DXVECTOR2 away[4] = {{-1.0f, 0.0f}, {1.0f, 0.0f}, {0.0f, -1.0f}, {0.0f, 1.0f}};
    const auto inField = [](D3DXVECTOR2 p) {
        return D3DXVECTOR2(std::clamp(p.x, 0.02f, 0.98f), std::clamp(p.y, 0.02f, 0.98f));
    };
    for (const Objekt* objekt : m_objekte) {
        if (objekt->atEdge())
            continue;
        const D3DXVECTOR2 p = objekt->pos;
        const float edges[4] = {p.x, 1.0f - p.x, p.y, 1.0f - p.y};
        const D3DXVECTOR2 way = away[std::min_element(edges, edges + 4) - edges];
        const D3DXVECTOR2 behind = Playfield::toScreen(m_spielfeld, inField(p - way * 0.09f));
        zuege.push_back(MinispielZug::ziehen(behind, behind, m_spielfeld->getScreenRect()));
    }
}

} // namespace ThreeMatch
