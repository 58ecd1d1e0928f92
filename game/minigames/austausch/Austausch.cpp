#include "minigames/austausch/Austausch.h"

#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/frame/Playfield.h"

#include <crt.h>

#include <algorithm>

namespace ThreeMatch {

Austausch::Teil::Teil(Ulvo::XMLNode* node)
{
    std::wstring name;
    if (node && node->readString(L"ANIMATION", name))
        animation = Playfield::cloneAnimation(name, L"Austausch");
    rect.speed = 4.0f;
}

Austausch::Teil::~Teil()
{
    Ulvo::releaseAndNull(animation);
}

Austausch::Austausch(Ulvo::XMLNode* node) : Minispiel(node)
{
    if (!node)
        return;
    for (Ulvo::XMLNode* child : node->getNodes()) {
        if (child && child->getName() == L"AUSTAUSCH_TEIL")
            m_teile.push_back(new Teil(child));
    }
    node->readInt(L"SPALTEN", m_spalten);
    if (m_spalten < 1) {
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::Austausch: ", getName(), L": SPALTEN ",
                               m_spalten, L" ist keine Spaltenzahl; es gilt 1\n");
        m_spalten = 1;
    }
    const int count = static_cast<int>(m_teile.size());
    m_zeilen = count / m_spalten + (count % m_spalten ? 1 : 0);
    for (int i = 0; i < count; ++i) {
        Teil& teil = *m_teile[static_cast<size_t>(i)];
        teil.homeRect = cellRect(i);
        teil.rect.set(teil.homeRect, teil.homeRect, 1.0f);
        teil.place = i;
        teil.home = i;
    }
    if (count < 2)
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::Austausch: ", getName(), L" hat ", count,
                               L" AUSTAUSCH_TEIL; zu mischen ist nichts\n");
}

Austausch::~Austausch()
{
    if (m_spielfeld) {
        m_spielfeld->drawn.disconnect(this);
        m_spielfeld->clicked.disconnect(this);
    }
    Ulvo::releaseAndNull(m_spielfeld);
    for (Teil* teil : m_teile)
        delete teil;
}

D3DXVECTOR4 Austausch::cellRect(int cell) const
{
    const float columns = static_cast<float>(m_spalten), rows = static_cast<float>(std::max(m_zeilen, 1));
    const float c = static_cast<float>(cell % m_spalten), r = static_cast<float>(cell / m_spalten);
    return D3DXVECTOR4(c / columns, r / rows, (c + 1.0f) / columns, (r + 1.0f) / rows);
}

Ulvo::FloatRect Austausch::screenRect(const Teil& teil) const
{
    const D3DXVECTOR2 topLeft = Playfield::toScreen(m_spielfeld, D3DXVECTOR2(teil.rect.value.x, teil.rect.value.y));
    const D3DXVECTOR2 origin = Playfield::toScreen(m_spielfeld, D3DXVECTOR2(0.0f, 0.0f));
    const D3DXVECTOR2 far = Playfield::toScreen(m_spielfeld, D3DXVECTOR2(1.0f, 1.0f));
    const float w = (far.x - origin.x) / static_cast<float>(m_spalten);
    const float h = (far.y - origin.y) / static_cast<float>(std::max(m_zeilen, 1));
    return Ulvo::FloatRect(topLeft.x, topLeft.y, topLeft.x + w, topLeft.y + h);
}

D3DXVECTOR2 Austausch::cellCentre(int cell) const
{
    const D3DXVECTOR4 r = cellRect(cell);
    return Playfield::toScreen(m_spielfeld, D3DXVECTOR2((r.x + r.z) / 2.0f, (r.y + r.w) / 2.0f));
}

void Austausch::createGUI()
{
    if (Ulvo::GUIWindow* field =
            cloneGameWindow(L"AUSTAUSCH", static_cast<float>(m_spalten), static_cast<float>(m_zeilen))) {
        Ulvo::releaseAndNull(m_spielfeld);
        m_spielfeld = field;
        m_spielfeld->clicked.connect(this, &Austausch::onSpielfeldClicked);
        m_spielfeld->drawn.connect(this, &Austausch::drawSpielfeld);
    }
    start();
    Minispiel::createGUI();
}

bool Austausch::start()
{
    Minispiel::start();
    for (Teil* teil : m_teile)
        teil->marked = false;
    const size_t count = m_teile.size();
    // Two different tiles are needed for an exchange: with fewer, "draw again while equal"
    // would never end.
    if (count >= 2) {
        for (size_t k = 0; k < count * 10; ++k) {
            const size_t a = static_cast<size_t>(crt_rand()) % count;
            size_t b = static_cast<size_t>(crt_rand()) % count;
            while (b == a)
                b = static_cast<size_t>(crt_rand()) % count;
            std::swap(m_teile[a]->place, m_teile[b]->place);
        }
    }
    // Every tile stands in its cell at once, without gliding.
    for (Teil* teil : m_teile) {
        const D3DXVECTOR4 cell = cellRect(teil->place);
        teil->rect.running = false;
        teil->rect.set(cell, cell, 1.0f);
    }
    m_selected = nullptr;
    m_second = nullptr;
    return false;
}

void Austausch::update(const double& dt)
{
    for (Teil* teil : m_teile) {
        if (teil->animation) {
            double elapsed = dt;
            teil->animation->update(elapsed);
        }
        teil->rect.update(static_cast<float>(dt));
    }
    Minispiel::update(dt);
}

void Austausch::onSpielfeldClicked(Ulvo::GUIWindow&)
{
    clickAt(Playfield::mouse());
}

void Austausch::clickAt(const D3DXVECTOR2& screen)
{
    if (m_solved)
        return;
    for (size_t k = 0; k < m_teile.size(); ++k) {
        Teil* teil = m_teile[k];
        if (!Playfield::contains(screenRect(*teil), screen))
            continue;
        if (!m_selected) {
            m_selected = teil;
            teil->marked = true;
            m_teile.erase(m_teile.begin() + static_cast<std::ptrdiff_t>(k));
            m_teile.push_back(teil);
            return;
        }
        if (teil == m_selected) {
            teil->marked = false;
            m_selected = nullptr;
            continue;
        }
        m_second = teil;
        m_teile.erase(m_teile.begin() + static_cast<std::ptrdiff_t>(k));
        m_teile.push_back(teil);
        for (Teil* moving : {m_selected, m_second}) {
            Teil* other = moving == m_selected ? m_second : m_selected;
            moving->rect.running = true;
            moving->rect.set(moving->rect.value, cellRect(other->place), 0.0f);
        }
        std::swap(m_selected->place, m_second->place);
        m_selected->marked = false;
        m_selected = nullptr;
        m_second = nullptr;
        // The tile just moved to the end lies under the mouse still: the click is spent.
        break;
    }
    m_solved = std::all_of(m_teile.begin(), m_teile.end(), [](const Teil* t) { return t->place == t->home; });
    if (m_solved)
        m_endDelayLeft = m_endDelay;
}

void Austausch::drawSpielfeld(Ulvo::GUIWindow& window, const bool& visible)
{
    if (!visible)
        return;
    const float a = static_cast<float>(window.getAlpha());
    const D3DCOLOR white = Playfield::colour(1.0f, 1.0f, 1.0f, a);
    const D3DCOLOR red = Playfield::colour(1.0f, 0.0f, 0.0f, a);
    for (const Teil* teil : m_teile)
        Playfield::draw(teil->animation, screenRect(*teil), teil->marked ? red : white);
}

void Austausch::naechsteZuege(MinispielZuege& zuege) const
{
    if (m_solved || !m_spielfeld)
        return;
    // Which tile stands in which cell, played ahead: each tile away from home swapped with the
    // one in its home cell (a chosen tile first taken back).
    std::vector<const Teil*> inCell(m_teile.size(), nullptr);
    for (const Teil* teil : m_teile) {
        if (teil->place < 0 || teil->place >= static_cast<int>(inCell.size()))
            return;
        inCell[static_cast<size_t>(teil->place)] = teil;
    }
    const auto cell = [&](int index) {
        const D3DXVECTOR4 r = cellRect(index);
        const D3DXVECTOR2 a = Playfield::toScreen(m_spielfeld, D3DXVECTOR2(r.x, r.y));
        const D3DXVECTOR2 b = Playfield::toScreen(m_spielfeld, D3DXVECTOR2(r.z, r.w));
        return Ulvo::FloatRect(a.x, a.y, b.x, b.y);
    };
    if (m_selected)
        zuege.push_back(MinispielZug::klickMitte(cell(m_selected->place)));
    for (size_t c = 0; c < inCell.size(); ++c) {
        const Teil* teil = inCell[c];
        while (teil && teil->home != static_cast<int>(c) && teil->home >= 0 &&
               teil->home < static_cast<int>(inCell.size())) {
            const int home = teil->home;
            zuege.push_back(MinispielZug::klickMitte(cell(static_cast<int>(c))));
            zuege.push_back(MinispielZug::klickMitte(cell(home)));
            std::swap(inCell[c], inCell[static_cast<size_t>(home)]);
            teil = inCell[c];
        }
    }
}

} // namespace ThreeMatch
