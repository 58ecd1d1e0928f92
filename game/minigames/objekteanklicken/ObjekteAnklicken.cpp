#include "minigames/objekteanklicken/ObjekteAnklicken.h"

#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "gui/windows/GUIScopes.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/frame/MinispielManager.h"
#include "minigames/frame/Playfield.h"

#include <crt.h>

#include <algorithm>
#include <cmath>

namespace ThreeMatch {

namespace {

// More decoys than this only cover the window many times over and cost memory.
constexpr int kMaxDecoys = 500;

float fraction()
{
    return static_cast<float>(crt_rand()) / 32767.0f;
}

} // namespace

ObjekteAnklicken::ObjekteAnklicken(Ulvo::XMLNode* node) : Minispiel(node)
{
    if (!node)
        return;
    for (Ulvo::XMLNode* child : node->getNodes()) {
        if (!child || child->getName() != L"FORM")
            continue;
        Form* form = new Form;
        form->owner = this;
        std::wstring name;
        if (child->readString(L"ANIMATION", name))
            form->animation = Playfield::cloneAnimation(name, L"ObjekteAnklicken");
        m_formen.push_back(form);
    }
    node->readPair(L"SIZE", m_sizeA, m_sizeB);
    node->readPair(L"ANZAHL", m_anzahlA, m_anzahlB);
    node->readPair(L"ROT_SPEED", m_rotSpeedA, m_rotSpeedB);
    node->readInt(L"RUNDEN", m_runden);
    node->readColour(L"COLORKEY", m_colorKey);
    m_anzahlA = std::clamp(m_anzahlA, 0, kMaxDecoys);
    m_anzahlB = std::clamp(m_anzahlB, 0, kMaxDecoys);
    if (m_formen.empty())
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::ObjekteAnklicken: ", getName(),
                               L" hat keine FORM; nicht zu loesen\n");
    else if (m_formen.size() < 2)
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::ObjekteAnklicken: ", getName(),
                               L" hat nur eine FORM; die Runden haben keine Attrappen\n");
}

ObjekteAnklicken::~ObjekteAnklicken()
{
    for (Ulvo::GUIWindow* window : {m_vorschau, m_spiel}) {
        if (window) {
            window->drawn.disconnect(this);
            window->clicked.disconnect(this);
        }
    }
    Ulvo::releaseAndNull(m_vorschau);
    Ulvo::releaseAndNull(m_spiel);
    clearObjekte();
    for (Form* form : m_formen) {
        Ulvo::releaseAndNull(form->animation);
        delete form;
    }
}

void ObjekteAnklicken::clearObjekte()
{
    for (Objekt* objekt : m_objekte) {
        Ulvo::releaseAndNull(objekt->animation);
        delete objekt;
    }
    m_objekte.clear();
}

ObjekteAnklicken::Objekt* ObjekteAnklicken::place(const Form& form)
{
    Objekt* objekt = new Objekt;
    objekt->owner = this;
    objekt->animation = form.animation ? form.animation->clone() : nullptr;
    const float s = fraction() * (m_sizeA - m_sizeB) + m_sizeB;
    objekt->w = objekt->h = s;
    objekt->x = fraction() * (0.1f - (0.9f - s)) + (0.9f - s);
    objekt->y = fraction() * (0.1f - (0.9f - s)) + (0.9f - s);
    objekt->angle = 360.0f - fraction() * 360.0f;
    objekt->rotSpeed = fraction() * (m_rotSpeedA - m_rotSpeedB) + m_rotSpeedB;
    return objekt;
}

void ObjekteAnklicken::nextRound()
{
    ++m_runde;
    if (m_runde >= m_runden) {
        m_solved = true;
        m_endDelayLeft = m_endDelay;
        return;
    }
    clearObjekte();
    m_target = -1;
    if (m_formen.empty())
        return;
    const size_t count = m_formen.size();
    const size_t t = static_cast<size_t>(crt_rand()) % count;
    m_objekte.push_back(place(*m_formen[t]));
    const int n = static_cast<int>(
        std::trunc(fraction() * static_cast<float>(m_anzahlA - m_anzahlB) + static_cast<float>(m_anzahlB)));
    // One form alone cannot give a decoy that differs from the target: no decoys then.
    for (int i = 0; count >= 2 && i < n; ++i) {
        size_t k = 0;
        do
            k = static_cast<size_t>(crt_rand()) % count;
        while (k == t);
        m_objekte.push_back(place(*m_formen[k]));
    }
    m_target = 0;
}

bool ObjekteAnklicken::start()
{
    Minispiel::start();
    m_runde = -1;
    nextRound();
    return false;
}

void ObjekteAnklicken::createGUI()
{
    Ulvo::GUIWindow* window = cloneVorlage(L"OBJEKT_ANKLICKEN_FENSTER");
    Ulvo::GUIWindow* vorschau = cloneVorlage(L"OBJEKT_ANKLICKEN_VORSCHAU");
    Ulvo::GUIWindow* spiel = cloneVorlage(L"OBJEKT_ANKLICKEN_SPIEL");
    if (window && vorschau && spiel) {
        Ulvo::releaseAndNull(m_window);
        Ulvo::releaseAndNull(m_vorschau);
        Ulvo::releaseAndNull(m_spiel);
        m_window = window;
        m_vorschau = vorschau;
        m_spiel = spiel;
        m_spiel->clicked.connect(this, &ObjekteAnklicken::onSpielClicked);
        m_vorschau->drawn.connect(this, &ObjekteAnklicken::onDrawWindow);
        m_spiel->drawn.connect(this, &ObjekteAnklicken::onDrawWindow);
        m_window->addChild(m_vorschau, false, true);
        m_window->addChild(m_spiel, false, true);
        addButtons(L"OBJEKT_ANKLICKEN");
    } else {
        Ulvo::releaseAndNull(window);
        Ulvo::releaseAndNull(vorschau);
        Ulvo::releaseAndNull(spiel);
    }
    start();
    Minispiel::createGUI();
}

Ulvo::FloatRect ObjekteAnklicken::screenRect(const Objekt& objekt) const
{
    if (!m_spiel)
        return Ulvo::FloatRect(objekt.x, objekt.y, objekt.x + objekt.w, objekt.y + objekt.h);
    const Ulvo::FloatRect& r = m_spiel->getScreenRect();
    const float width = r.right - r.left, height = r.bottom - r.top;
    const float left = r.left + objekt.x * width, top = r.top + objekt.y * height;
    return Ulvo::FloatRect(left, top, left + objekt.w * width, top + objekt.h * width);
}

bool ObjekteAnklicken::hits(const Objekt& objekt, const D3DXVECTOR2& point) const
{
    return Playfield::containsTurned(screenRect(objekt), objekt.angle, point);
}

void ObjekteAnklicken::naechsteZuege(MinispielZuege& zuege) const
{
    if (m_solved || !m_spiel || m_target < 0 || m_target >= static_cast<int>(m_objekte.size()))
        return;
    const Ulvo::FloatRect r = screenRect(*m_objekte[static_cast<size_t>(m_target)]);
    zuege.push_back(MinispielZug::klick(D3DXVECTOR2((r.left + r.right) * 0.5f, (r.top + r.bottom) * 0.5f), r));
}

void ObjekteAnklicken::onSpielClicked(Ulvo::GUIWindow& window)
{
    if (m_solved || &window != m_spiel)
        return;
    const D3DXVECTOR2 mouse = Playfield::mouse();
    bool hit = false;
    Ulvo::GUIKeepAlive alive(this);
    for (int i = static_cast<int>(m_objekte.size()) - 1; i >= 0; --i) {
        if (!hits(*m_objekte[static_cast<size_t>(i)], mouse))
            continue;
        hit = true;
        if (i == m_target) {
            manager().rightSignal.emit(*this);
            nextRound();
            return;
        }
    }
    if (hit) {
        manager().wrongSignal.emit(*this);
        manager().failedSignal.emit(*this);
    }
}

void ObjekteAnklicken::update(const double& dt)
{
    for (Objekt* objekt : m_objekte) {
        if (objekt->animation) {
            double elapsed = dt;
            objekt->animation->update(elapsed);
        }
        objekt->angle += objekt->rotSpeed * static_cast<float>(dt);
    }
    Minispiel::update(dt);
}

void ObjekteAnklicken::onDrawWindow(Ulvo::GUIWindow& window, const bool& visible)
{
    if (!visible)
        return;
    float fade = 1.0f;
    if (m_solved)
        fade = m_endDelay > 0.0f ? std::clamp(m_endDelayLeft / m_endDelay, 0.0f, 1.0f) : 0.0f;
    const float alpha = static_cast<float>(window.getAlpha()) * fade;
    if (&window == m_vorschau) {
        if (m_target >= 0 && m_target < static_cast<int>(m_objekte.size()))
            Playfield::draw(m_objekte[static_cast<size_t>(m_target)]->animation, window.getScreenRect(),
                            Playfield::colour(1.0f, 1.0f, 1.0f, alpha));
        return;
    }
    if (&window != m_spiel)
        return;
    const D3DCOLOR colour = Playfield::colour(m_colorKey.r, m_colorKey.g, m_colorKey.b, alpha);
    for (const Objekt* objekt : m_objekte)
        Playfield::draw(objekt->animation, screenRect(*objekt), colour, objekt->angle);
}

} // namespace ThreeMatch
