#include "minigames/memory/Memory.h"

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

// Pair ids are unique across every pairs game.
uint32_t g_nextId = 0;

// More columns than a screen can show only cost memory.
constexpr int kMaxColumns = 64;

int rowsFor(size_t cards, int columns)
{
    return static_cast<int>(std::ceil(static_cast<float>(cards) / static_cast<float>(columns)));
}

} // namespace

Memory::Teil::Teil(const Teil& other)
    : id(other.id)
    , front(other.front ? other.front->clone() : nullptr)
    , back(other.back ? other.back->clone() : nullptr)
    , rect(other.rect)
    , faceUp(other.faceUp)
{
}

Memory::Teil::~Teil()
{
    Ulvo::releaseAndNull(front);
    Ulvo::releaseAndNull(back);
}

Memory::Memory(Ulvo::XMLNode* node) : Minispiel(node)
{
    if (!node)
        return;
    for (Ulvo::XMLNode* child : node->getNodes()) {
        if (!child || child->getName() != L"MEMORY_TEIL")
            continue;
        auto* teil = new Teil();
        teil->id = ++g_nextId;
        std::wstring name;
        if (child->readString(L"ANIMATION", name))
            teil->front = Playfield::cloneAnimation(name, L"Memory");
        if (child->readString(L"ANIMATION_BACK", name))
            teil->back = Playfield::cloneAnimation(name, L"Memory");
        m_templates.push_back(teil);
    }
    node->readInt(L"SPALTEN", m_columns);
    // No columns would divide the grid by zero.
    if (m_columns < 1 || m_columns > kMaxColumns) {
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::Memory: ", getName(), L" SPALTEN ", m_columns,
                               L" liegt nicht in 1..64\n");
        m_columns = std::clamp(m_columns, 1, kMaxColumns);
    }
    m_rows = rowsFor(2 * m_templates.size(), m_columns);
    if (m_templates.empty())
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::Memory: ", getName(),
                               L" hat kein MEMORY_TEIL; nicht zu loesen\n");
}

Memory::~Memory()
{
    if (m_spielfeld) {
        m_spielfeld->drawn.disconnect(this);
        m_spielfeld->clicked.disconnect(this);
    }
    Ulvo::releaseAndNull(m_spielfeld);
    for (Teil* card : m_cards)
        delete card;
    for (Teil* teil : m_templates)
        delete teil;
}

void Memory::createGUI()
{
    if (Ulvo::GUIWindow* field =
            cloneGameWindow(L"MEMORY", static_cast<float>(m_columns), static_cast<float>(std::max(m_rows, 1)))) {
        Ulvo::releaseAndNull(m_spielfeld);
        m_spielfeld = field;
        m_spielfeld->clicked.connect(this, &Memory::onClick);
        m_spielfeld->drawn.connect(this, &Memory::onDrawSpielfeld);
    }
    start();
    Minispiel::createGUI();
}

bool Memory::start()
{
    Minispiel::start();
    m_first = nullptr;
    m_second = nullptr;
    m_turnBackLeft = 0.0f;
    for (Teil* card : m_cards)
        delete card;
    m_cards.clear();
    m_closed.clear();
    for (const Teil* teil : m_templates) {
        m_cards.push_back(new Teil(*teil));
        m_cards.push_back(new Teil(*teil));
    }
    const size_t n = m_cards.size();
    for (size_t k = 0; n > 0 && k < 10 * n; ++k) {
        const size_t r = static_cast<size_t>(crt_rand()) % n;
        Teil* card = m_cards[r];
        m_cards.erase(m_cards.begin() + static_cast<std::ptrdiff_t>(r));
        m_cards.push_back(card);
    }
    m_rows = rowsFor(n, m_columns);
    const float columns = static_cast<float>(m_columns), rows = static_cast<float>(std::max(m_rows, 1));
    for (size_t i = 0; i < n; ++i) {
        const float column = static_cast<float>(i % static_cast<size_t>(m_columns));
        const float row = static_cast<float>(i / static_cast<size_t>(m_columns));
        m_cards[i]->rect = Ulvo::FloatRect(column / columns, row / rows, (column + 1) / columns, (row + 1) / rows);
    }
    m_closed = m_cards;
    return false;
}

void Memory::update(const double& dt)
{
    for (Teil* card : m_cards) {
        for (Ulvo::Texture2DAnimation* picture : {card->front, card->back}) {
            double elapsed = dt;
            if (picture)
                picture->update(elapsed);
        }
    }
    if (m_turnBackLeft > 0.0f) {
        m_turnBackLeft -= static_cast<float>(dt);
        if (m_turnBackLeft <= 0.0f)
            turnBack();
    }
    Minispiel::update(dt);
}

void Memory::turnBack()
{
    if (m_first)
        m_first->faceUp = false;
    if (m_second)
        m_second->faceUp = false;
    m_first = nullptr;
    m_second = nullptr;
    m_turnBackLeft = 0.0f;
}

Ulvo::FloatRect Memory::screenRect(const Teil& card) const
{
    const D3DXVECTOR2 a = Playfield::toScreen(m_spielfeld, D3DXVECTOR2(card.rect.left, card.rect.top));
    const D3DXVECTOR2 b = Playfield::toScreen(m_spielfeld, D3DXVECTOR2(card.rect.right, card.rect.bottom));
    return Ulvo::FloatRect(a.x, a.y, b.x, b.y);
}

D3DXVECTOR2 Memory::centre(const Teil& card) const
{
    const Ulvo::FloatRect r = screenRect(card);
    return D3DXVECTOR2((r.left + r.right) * 0.5f, (r.top + r.bottom) * 0.5f);
}

void Memory::onClick(Ulvo::GUIWindow&)
{
    clickAt(Playfield::mouse());
}

void Memory::clickAt(const D3DXVECTOR2& screen)
{
    if (m_solved)
        return;
    // A wrong pair still showing turns back at once; the click goes on.
    if (m_turnBackLeft > 0.0f && m_first && m_second)
        turnBack();
    if (m_closed.empty())
        return;
    Teil* hit = nullptr;
    for (Teil* card : m_closed) {
        if (card == m_first || !Playfield::contains(screenRect(*card), screen))
            continue;
        hit = card;
        break;
    }
    if (!hit || m_second)
        return;
    hit->faceUp = true;
    if (!m_first) {
        m_first = hit;
        return;
    }
    m_second = hit;
    Ulvo::GUIKeepAlive alive(this);
    if (m_first->id != m_second->id) {
        m_turnBackLeft = kTurnBackTime;
        manager().wrongSignal.emit(*this);
        return;
    }
    std::erase(m_closed, m_first);
    std::erase(m_closed, m_second);
    m_first = nullptr;
    m_second = nullptr;
    m_turnBackLeft = 0.0f;
    if (m_closed.empty()) {
        m_solved = true;
        m_endDelayLeft = m_endDelay;
    }
    manager().rightSignal.emit(*this);
}

void Memory::onDrawSpielfeld(Ulvo::GUIWindow& window, const bool& visible)
{
    if (!visible)
        return;
    const D3DCOLOR white = Playfield::colour(1.0f, 1.0f, 1.0f, static_cast<float>(window.getAlpha()));
    for (const Teil* card : m_cards)
        Playfield::draw(card->faceUp ? card->front : card->back, screenRect(*card), white);
}

void Memory::naechsteZuege(MinispielZuege& zuege) const
{
    // A player who remembers every card: an open one's partner first, then pair after pair.
    if (m_second)
        return;
    std::vector<const Teil*> left(m_closed.begin(), m_closed.end());
    const auto takePair = [&](const Teil* first) {
        left.erase(std::remove(left.begin(), left.end(), first), left.end());
        const auto partner =
            std::find_if(left.begin(), left.end(), [&](const Teil* card) { return card->id == first->id; });
        if (partner == left.end())
            return false;
        const Teil* second = *partner;
        left.erase(partner);
        if (first != m_first)
            zuege.push_back(MinispielZug::klickMitte(screenRect(*first)));
        zuege.push_back(MinispielZug::klickMitte(screenRect(*second)));
        return true;
    };
    if (m_first && !takePair(m_first))
        return;
    while (!left.empty() && takePair(left.front())) {}
}

} // namespace ThreeMatch
