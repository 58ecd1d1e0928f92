#include "minigames/drehbild/Drehbild.h"

#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "gui/windows/GUIScopes.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/frame/MinispielManager.h"
#include "minigames/frame/Playfield.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace ThreeMatch {

Drehbild::Drehbild(Ulvo::XMLNode* node) : Minispiel(node)
{
    if (!node)
        return;
    std::wstring name;
    if (node->readString(L"ANIMATION", name))
        m_picture = Playfield::cloneAnimation(name, L"Drehbild");
    node->readFlag(L"USE_ANIM_VERH", m_usePictureAspect);
    std::array<int, 2> size{4, 4};
    if (node->readInts(L"SIZE", size) == 1)
        size[1] = size[0];
    m_columns = std::clamp(size[0], 0, 64);
    m_rows = std::clamp(size[1], 0, 64);
    if (m_columns != size[0] || m_rows != size[1] || m_columns == 0 || m_rows == 0)
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::Drehbild: ", getName(), L": SIZE ", size[0],
                               L" ", size[1], L" gibt ", m_columns, L" x ", m_rows, L" Teile\n");
}

Drehbild::~Drehbild()
{
    if (m_spielfeld) {
        m_spielfeld->drawn.disconnect(this);
        m_spielfeld->clicked.disconnect(this);
        m_spielfeld->rightClicked.disconnect(this);
    }
    Ulvo::releaseAndNull(m_spielfeld);
    clearTiles();
    Ulvo::releaseAndNull(m_picture);
}

void Drehbild::clearTiles()
{
    for (Teil* teil : m_teile)
        delete teil;
    m_teile.clear();
}

void Drehbild::createGUI()
{
    clearTiles();
    const float columns = static_cast<float>(m_columns), rows = static_cast<float>(m_rows);
    for (int c = 0; c < m_columns; ++c) {
        for (int r = 0; r < m_rows; ++r) {
            Teil* teil = new Teil;
            teil->rect = Ulvo::FloatRect(static_cast<float>(c) / columns, static_cast<float>(r) / rows,
                                         static_cast<float>(c + 1) / columns, static_cast<float>(r + 1) / rows);
            teil->index = static_cast<int>(m_teile.size());
            teil->angle.speed = 4.0f;
            m_teile.push_back(teil);
        }
    }
    float width = columns, height = rows;
    if (m_usePictureAspect) {
        if (Ulvo::Texture2DAnimationFrame* frame = m_picture ? m_picture->getCurrentTexture() : nullptr) {
            width = static_cast<float>(frame->rect.right - frame->rect.left);
            height = static_cast<float>(frame->rect.bottom - frame->rect.top);
        }
    }
    if (Ulvo::GUIWindow* field = cloneGameWindow(L"DREHBILD", width, height)) {
        Ulvo::releaseAndNull(m_spielfeld);
        m_spielfeld = field;
        m_spielfeld->clicked.connect(this, &Drehbild::onLeftClick);
        m_spielfeld->rightClicked.connect(this, &Drehbild::onRightClick);
        m_spielfeld->drawn.connect(this, &Drehbild::onDrawSpielfeld);
    }
    Minispiel::createGUI();
}

int Drehbild::nextRandom()
{
    m_random = m_random * 214013u + 2531011u;
    return static_cast<int>((m_random >> 16) & 0x7FFFu);
}

bool Drehbild::start()
{
    Minispiel::start();
    m_random = GetTickCount();
    for (Teil* teil : m_teile) {
        const int turns = nextRandom() & 3;
        for (int k = 0; k < turns; ++k)
            teil->angle.set(teil->angle.end + 90.0f, teil->angle.end + 90.0f, 1.0f);
    }
    return false;
}

void Drehbild::update(const double& dt)
{
    for (Teil* teil : m_teile)
        teil->angle.update(static_cast<float>(dt));
    if (m_picture) {
        double elapsed = dt;
        m_picture->update(elapsed);
    }
    Minispiel::update(dt);
}

bool Drehbild::upright(float endAngle)
{
    const float m = std::fmod(endAngle, 360.0f);
    return std::fabs(m) < 20.0f || std::fabs(360.0f - m) < 20.0f;
}

Ulvo::FloatRect Drehbild::screenRect(const Teil& teil) const
{
    const D3DXVECTOR2 a = Playfield::toScreen(m_spielfeld, D3DXVECTOR2(teil.rect.left, teil.rect.top));
    const D3DXVECTOR2 b = Playfield::toScreen(m_spielfeld, D3DXVECTOR2(teil.rect.right, teil.rect.bottom));
    return Ulvo::FloatRect(a.x, a.y, b.x, b.y);
}

void Drehbild::onLeftClick(Ulvo::GUIWindow& window)
{
    if (&window == m_spielfeld)
        clickAt(Playfield::mouse(), false);
}

void Drehbild::onRightClick(Ulvo::GUIWindow& window)
{
    if (&window == m_spielfeld)
        clickAt(Playfield::mouse(), true);
}

void Drehbild::clickAt(const D3DXVECTOR2& screen, bool right)
{
    if (m_solved)
        return;
    Ulvo::GUIKeepAlive alive(this);
    for (Teil* teil : m_teile) {
        if (!Playfield::contains(screenRect(*teil), screen))
            continue;
        Ulvo::Interpolation<float, float>& angle = teil->angle;
        angle.running = true;
        angle.set(angle.value, angle.end + (right ? -90.0f : 90.0f), 0.0f);
        m_solved = std::all_of(m_teile.begin(), m_teile.end(), [](const Teil* t) { return upright(t->angle.end); });
        if (m_solved)
            m_endDelayLeft = m_endDelay;
        manager().rightSignal.emit(*this);
        return;
    }
    manager().wrongSignal.emit(*this);
}

void Drehbild::onDrawSpielfeld(Ulvo::GUIWindow& window, const bool& visible)
{
    if (!visible || !m_picture)
        return;
    const D3DCOLOR colour = Playfield::colour(1.0f, 1.0f, 1.0f, static_cast<float>(window.getAlpha()));
    for (const Teil* teil : m_teile)
        Playfield::drawPart(m_picture, teil->rect, screenRect(*teil), teil->angle.value, colour);
}

void Drehbild::naechsteZuege(MinispielZuege& zuege) const
{
    // Each tile turned upright the short way: left clicks turn it forward, a right click back.
    for (const Teil* teil : m_teile) {
        const int quarters = ((-static_cast<int>(std::lround(teil->angle.end / 90.0f))) % 4 + 4) % 4;
        const Ulvo::FloatRect r = screenRect(*teil);
        if (quarters == 3)
            zuege.push_back(MinispielZug::klickMitte(r, MinispielZug::Art::Rechtsklick));
        for (int k = 0; k < quarters && quarters < 3; ++k)
            zuege.push_back(MinispielZug::klickMitte(r));
    }
}

} // namespace ThreeMatch
