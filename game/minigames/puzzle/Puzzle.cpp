#include "minigames/puzzle/Puzzle.h"

#include "devices/input/DirectInputInterface.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/frame/MinispielManager.h"
#include "minigames/frame/Playfield.h"

#include <crt.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace ThreeMatch {

namespace {

// Shared by every puzzle, so that no two pieces of the data share an id by chance.
uint32_t g_nextTeilId = 0;

// One or two values; one sets both.
void readPair(const Ulvo::XMLNode* node, const wchar_t* key, D3DXVECTOR2& value)
{
    std::array<float, 2> read{value.x, value.y};
    const unsigned count = node->readFloats(key, read);
    if (count == 1)
        read[1] = read[0];
    if (count > 0)
        value = D3DXVECTOR2(read[0], read[1]);
}

Ulvo::MouseState& mouseState()
{
    return Ulvo::DirectInputInterface::getInstance()->getInputStates().mouseState;
}

} // namespace

// ---------------------------------------------------------------- Teil

Puzzle::Teil::Teil(Ulvo::XMLNode* node, Puzzle* puzzle) : id(++g_nextTeilId), owner(puzzle)
{
    if (!node)
        return;
    std::wstring name;
    if (node->readString(L"ANIMATION", name)) {
        animation = Playfield::cloneAnimation(name, L"Puzzle");
        if (Ulvo::Texture2DAnimationFrame* frame = animation ? animation->getCurrentTexture() : nullptr)
            size = D3DXVECTOR2(static_cast<float>(frame->rect.right - frame->rect.left),
                               static_cast<float>(frame->rect.bottom - frame->rect.top));
    }
    D3DXVECTOR2 at(0.0f, 0.0f);
    readPair(node, L"POSITION", at);
    readPair(node, L"SIZE", size);
    setAt(at);
    node->readFlag(L"SHADOW", shadow);
}

Puzzle::Teil::Teil(const Teil& other)
    : id(other.id)
    , position(other.position.value)
    , size(other.size)
    , animation(other.animation ? other.animation->clone() : nullptr)
    , owner(other.owner)
    , open(other.open)
    , shadow(other.shadow)
{
    position.start = other.position.start;
    position.end = other.position.end;
    position.t = other.position.t;
    position.running = other.position.running;
}

Puzzle::Teil::~Teil()
{
    Ulvo::releaseAndNull(animation);
}

void Puzzle::Teil::moveTo(Position& at, const D3DXVECTOR2& goal)
{
    at.speed = 1.0f;
    at.running = true;
    at.set(at.value, goal, 0.0f);
}

void Puzzle::Teil::moveTo(const D3DXVECTOR2& goal)
{
    moveTo(position, goal);
}

void Puzzle::Teil::setAt(const D3DXVECTOR2& at)
{
    position.running = true;
    position.set(at, at, 1.0f);
}

void Puzzle::Teil::update(double dt)
{
    if (animation)
        animation->update(dt);
    position.update(static_cast<float>(dt));
}

Ulvo::FloatRect Puzzle::Teil::screenRect() const
{
    const Ulvo::GUIWindow* field = owner ? owner->m_spielfeld : nullptr;
    const D3DXVECTOR2 topLeft = Playfield::toScreen(field, position.value);
    const D3DXVECTOR2 bottomRight = Playfield::toScreen(field, position.value + size);
    return Ulvo::FloatRect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
}

bool Puzzle::Teil::hits(const D3DXVECTOR2& screen, bool alphaTest) const
{
    const Ulvo::FloatRect rect = screenRect();
    if (!alphaTest || !animation)
        return Playfield::contains(rect, screen);
    return Playfield::hitsOpaque(animation, rect, screen);
}

void Puzzle::Teil::draw(D3DCOLOR colour) const
{
    if (!animation)
        return;
    Ulvo::FloatRect rect = screenRect();
    if (open && shadow) {
        Ulvo::FloatRect moved = rect;
        moved.left += 4.0f;
        moved.right += 4.0f;
        moved.top += 4.0f;
        moved.bottom += 4.0f;
        const unsigned alpha = ((colour >> 24) * 128u) / 255u;
        Playfield::draw(animation, moved, alpha << 24);
    }
    Playfield::draw(animation, rect, colour);
}

// ---------------------------------------------------------------- Puzzle

Puzzle::Puzzle(Ulvo::XMLNode* node) : Minispiel(node)
{
    if (!node)
        return;
    readPair(node, L"SIZE", m_size);
    uint32_t argb = 0xFF000000u;
    if (node->readHex(L"COLOR_ZIEL_HELP", argb)) {
        m_helpColour[0] = ((argb >> 16) & 0xFF) / 255.0f;
        m_helpColour[1] = ((argb >> 8) & 0xFF) / 255.0f;
        m_helpColour[2] = (argb & 0xFF) / 255.0f;
        m_helpColour[3] = (argb >> 24) / 255.0f;
    }
    node->readFloat(L"MAX_DIST", m_maxDist);
    std::array<int, 2> alpha{1, 1};
    if (node->readInts(L"CHECK_ALPHA", alpha) == 1)
        alpha[1] = 1;
    m_alphaOnDrop = alpha[0] > 0;
    m_alphaOnPick = alpha[1] > 0;
    std::array<float, 4> scatter{0.0f, 0.0f, 1.0f, 1.0f};
    node->readFloats(L"INTI_POS", scatter);
    m_scatter = Ulvo::FloatRect(scatter[0], scatter[1], scatter[2], scatter[3]);
    readTeile(node, L"PUZZLE_TEIL", m_ziele);
    readTeile(node, L"PUZZLE_TEIL_FEST", m_fest);
    readTeile(node, L"PUZZLE_TEIL_SINNLOS", m_sinnlos);
    if (m_ziele.empty())
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::Puzzle: ", getName(),
                               L" hat kein PUZZLE_TEIL und ist nicht zu loesen\n");
}

Puzzle::~Puzzle()
{
    if (m_spielfeld)
        m_spielfeld->drawn.disconnect(this);
    Ulvo::releaseAndNull(m_spielfeld);
    clearList(m_teile);
    clearList(m_ziele);
    clearList(m_fest);
    clearList(m_sinnlos);
}

void Puzzle::readTeile(Ulvo::XMLNode* node, const wchar_t* name, std::vector<Teil*>& list)
{
    // A picture size of 0 would put every piece at infinity: such an axis is taken as 1 pixel.
    const float w = m_size.x > 0.0f ? m_size.x : 1.0f, h = m_size.y > 0.0f ? m_size.y : 1.0f;
    for (Ulvo::XMLNode* child : node->getNodes()) {
        if (!child || child->getName() != name)
            continue;
        Teil* teil = new Teil(child, this);
        teil->size = D3DXVECTOR2(teil->size.x / w, teil->size.y / h);
        const D3DXVECTOR2 at = teil->position.value;
        teil->setAt(D3DXVECTOR2(at.x / w, at.y / h));
        list.push_back(teil);
    }
}

void Puzzle::clearList(std::vector<Teil*>& list)
{
    for (Teil* teil : list)
        delete teil;
    list.clear();
}

bool Puzzle::start()
{
    Minispiel::start();
    m_carried = nullptr;
    clearList(m_teile);
    for (Teil* ziel : m_ziele) {
        ziel->open = true;
        m_teile.push_back(new Teil(*ziel));
    }
    for (Teil* decoy : m_sinnlos) {
        decoy->open = true;
        m_teile.push_back(new Teil(*decoy));
    }
    for (Teil* fest : m_fest)
        fest->open = true;
    deal();
    return false;
}

void Puzzle::deal()
{
    // Dropped where two random numbers fall, pieces pile up on each other: they are dealt onto a
    // grid over the scatter area instead, each piece's pair of draws giving its cell (the pieces
    // in the order of their first draw) and a small shift within what the cell leaves free.
    const std::size_t n = m_teile.size();
    if (n == 0)
        return;
    D3DXVECTOR2 piece(0.0f, 0.0f);
    for (const Teil* teil : m_teile)
        piece = D3DXVECTOR2(std::max(piece.x, teil->size.x), std::max(piece.y, teil->size.y));
    const float spanX = m_scatter.right - m_scatter.left, spanY = m_scatter.bottom - m_scatter.top;
    // The grid whose neighbours overlap least; along a single column or row the draw decides.
    const auto overlap = [](float span, std::size_t cells, float size) {
        if (cells < 2 || size <= 0.0f)
            return 0.0f;
        return std::max(0.0f, 1.0f - std::fabs(span) / static_cast<float>(cells - 1) / size);
    };
    std::size_t columns = 1;
    float best = 3.0f;
    for (std::size_t c = 1; c <= n; ++c) {
        const std::size_t rows = (n + c - 1) / c;
        const float cost = overlap(spanX, c, piece.x) + overlap(spanY, rows, piece.y);
        if (cost < best - 1e-6f) {
            best = cost;
            columns = c;
        }
    }
    const std::size_t rows = (n + columns - 1) / columns;
    struct Draw {
        float r1, r2;
        std::size_t index;
    };
    std::vector<Draw> draws;
    draws.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const float r1 = static_cast<float>(crt_rand()) / 32767.0f;
        const float r2 = static_cast<float>(crt_rand()) / 32767.0f;
        draws.push_back({r1, r2, i});
    }
    std::stable_sort(draws.begin(), draws.end(), [](const Draw& a, const Draw& b) { return a.r1 < b.r1; });
    const auto place = [](float from, float span, std::size_t cells, std::size_t cell, float size, float r) {
        if (cells < 2)
            return from + span * r;
        const float step = span / static_cast<float>(cells - 1);
        const float free = std::max(0.0f, std::fabs(step) - size);
        const float at = from + step * static_cast<float>(cell) + (r - 0.5f) * free;
        return std::clamp(at, std::min(from, from + span), std::max(from, from + span));
    };
    for (std::size_t k = 0; k < n; ++k) {
        const Draw& d = draws[k];
        m_teile[d.index]->setAt(D3DXVECTOR2(place(m_scatter.left, spanX, columns, k % columns, piece.x, d.r2),
                                            place(m_scatter.top, spanY, rows, k / columns, piece.y, 1.0f - d.r2)));
    }
}

void Puzzle::show()
{
    Minispiel::show();
    m_input = true;
}

void Puzzle::hide()
{
    Minispiel::hide();
    m_input = false;
    m_carried = nullptr;
}

void Puzzle::update(const double& dt)
{
    for (Teil* teil : m_teile)
        teil->update(dt);
    for (Teil* ziel : m_ziele)
        ziel->update(dt);
    Minispiel::update(dt);
}

void Puzzle::createGUI()
{
    Ulvo::MouseState& mouse = mouseState();
    mouse.buttonPressed.disconnect(this);
    mouse.buttonReleased.disconnect(this);
    mouse.axisMoved.disconnect(this);
    mouse.buttonPressed.connect(this, &Puzzle::onMouseDown);
    mouse.buttonReleased.connect(this, &Puzzle::onMouseUp);
    mouse.axisMoved.connect(this, &Puzzle::onMouseMove);
    if (Ulvo::GUIWindow* field = cloneGameWindow(L"PUZZLE", m_size.x, m_size.y)) {
        Ulvo::releaseAndNull(m_spielfeld);
        m_spielfeld = field;
        m_spielfeld->drawn.connect(this, &Puzzle::onDrawSpielfeld);
    }
    start();
    Minispiel::createGUI();
}

const Puzzle::Teil* Puzzle::zielOf(const Teil& teil) const
{
    for (const Teil* ziel : m_ziele) {
        if (ziel->open && ziel->id == teil.id)
            return ziel;
    }
    return nullptr;
}

bool Puzzle::gripPoint(const std::vector<const Teil*>& stack, size_t k, const std::vector<bool>& gone,
                       D3DXVECTOR2& at) const
{
    const Ulvo::FloatRect r = stack[k]->screenRect();
    const D3DXVECTOR2 middle((r.left + r.right) * 0.5f, (r.top + r.bottom) * 0.5f);
    constexpr int kSteps = 12;
    float best = -1.0f;
    for (int j = 1; j < kSteps; ++j) {
        for (int i = 1; i < kSteps; ++i) {
            const D3DXVECTOR2 p(r.left + (r.right - r.left) * i / kSteps, r.top + (r.bottom - r.top) * j / kSteps);
            if (!stack[k]->hits(p, m_alphaOnPick))
                continue;
            bool covered = false;
            for (size_t above = k + 1; above < stack.size() && !covered; ++above)
                covered = !gone[above] && stack[above]->open && stack[above]->hits(p, m_alphaOnPick);
            const D3DXVECTOR2 d = p - middle;
            const float distance = d.x * d.x + d.y * d.y;
            if (!covered && (best < 0.0f || distance < best)) {
                best = distance;
                at = p;
            }
        }
    }
    return best >= 0.0f;
}

void Puzzle::naechsteZuege(MinispielZuege& zuege) const
{
    if (!m_spielfeld || m_solved || m_carried)
        return;
    const std::vector<const Teil*> stack(m_teile.begin(), m_teile.end());
    // A piece placed goes beneath the loose ones: working from the top, each press only has
    // to miss what is left lying above.
    std::vector<bool> gone(stack.size(), false);
    for (size_t k = stack.size(); k-- > 0;) {
        const Teil* ziel = stack[k]->open ? zielOf(*stack[k]) : nullptr;
        D3DXVECTOR2 at;
        if (!ziel || !gripPoint(stack, k, gone, at))
            continue;
        const D3DXVECTOR2 shift = Playfield::toScreen(m_spielfeld, ziel->position.value) -
                                  Playfield::toScreen(m_spielfeld, stack[k]->position.value);
        zuege.push_back(MinispielZug::ziehen(at, at + shift, stack[k]->screenRect()));
        gone[k] = true;
    }
    if (!zuege.empty())
        return;
    // Every piece left lies under decoys: the topmost decoy over the first goes below the field.
    for (size_t k = 0; k < stack.size(); ++k) {
        if (!stack[k]->open || !zielOf(*stack[k]))
            continue;
        const Ulvo::FloatRect r = stack[k]->screenRect();
        const D3DXVECTOR2 middle((r.left + r.right) * 0.5f, (r.top + r.bottom) * 0.5f);
        for (size_t above = stack.size(); above-- > k + 1;) {
            D3DXVECTOR2 at;
            if (!stack[above]->open || !stack[above]->hits(middle, m_alphaOnPick) || !gripPoint(stack, above, gone, at))
                continue;
            const Ulvo::FloatRect& field = m_spielfeld->getScreenRect();
            const Ulvo::FloatRect d = stack[above]->screenRect();
            zuege.push_back(MinispielZug::ziehen(at, at + D3DXVECTOR2(field.left - d.left, field.bottom - d.top), d));
            return;
        }
    }
}

void Puzzle::onMouseDown(Ulvo::MouseState& state, const UlvoMouseButton& button)
{
    if (button != 0 || !m_input || m_carried || !m_spielfeld || m_solved)
        return;
    // A press on the help menu over the game is meant for the help menu.
    if (manager().isHelpShown() && manager().getActiveMinispiel() == this)
        return;
    const D3DXVECTOR2 mouse(state.position[0], state.position[1]);
    for (auto it = m_teile.rbegin(); it != m_teile.rend(); ++it) {
        Teil* teil = *it;
        if (!teil->open || !teil->hits(mouse, m_alphaOnPick))
            continue;
        m_carried = teil;
        m_grab = teil->position.value - Playfield::toField(m_spielfeld, mouse);
        m_teile.erase(std::next(it).base());
        m_teile.push_back(teil);
        return;
    }
}

void Puzzle::onMouseMove(Ulvo::MouseState& state, const UlvoAchse&)
{
    if (!m_input || !m_carried)
        return;
    D3DXVECTOR2 at = Playfield::toField(m_spielfeld, D3DXVECTOR2(state.position[0], state.position[1])) + m_grab;
    if (m_window) {
        const Ulvo::FloatRect& r = m_window->getScreenRect();
        const D3DXVECTOR2 low = Playfield::toField(m_spielfeld, D3DXVECTOR2(r.left, r.top));
        const D3DXVECTOR2 high = Playfield::toField(m_spielfeld, D3DXVECTOR2(r.right, r.bottom)) - m_carried->size;
        at.x = std::max(std::min(at.x, high.x), low.x);
        at.y = std::max(std::min(at.y, high.y), low.y);
    }
    m_carried->setAt(at);
}

void Puzzle::onMouseUp(Ulvo::MouseState& state, const UlvoMouseButton& button)
{
    if (button != 0 || !m_input || !m_carried || !m_spielfeld)
        return;
    dropOn(D3DXVECTOR2(state.position[0], state.position[1]));
    m_carried = nullptr;
}

void Puzzle::dropOn(const D3DXVECTOR2& mouse)
{
    Teil* piece = m_carried;
    Teil* accepted = nullptr;
    for (auto it = m_ziele.rbegin(); it != m_ziele.rend() && !accepted; ++it) {
        Teil* ziel = *it;
        if (!ziel->open || !ziel->hits(mouse, m_alphaOnDrop))
            continue;
        const D3DXVECTOR2 a = Playfield::toScreen(m_spielfeld, ziel->position.value);
        const D3DXVECTOR2 b = Playfield::toScreen(m_spielfeld, piece->position.value);
        const D3DXVECTOR2 d = a - b;
        if (ziel->id == piece->id && std::sqrt(d.x * d.x + d.y * d.y) < m_maxDist)
            accepted = ziel;
    }
    if (!accepted)
        return;
    piece->moveTo(accepted->position.value);
    piece->open = false;
    accepted->open = false;
    m_teile.erase(std::find(m_teile.begin(), m_teile.end(), piece));
    m_teile.insert(m_teile.begin(), piece);
    if (std::none_of(m_ziele.begin(), m_ziele.end(), [](const Teil* ziel) { return ziel->open; })) {
        m_solved = true;
        m_endDelayLeft = m_endDelay;
    }
}

void Puzzle::onDrawSpielfeld(Ulvo::GUIWindow& window, const bool& visible)
{
    if (!visible)
        return;
    const float a = static_cast<float>(window.getAlpha());
    const D3DCOLOR white = Playfield::colour(1.0f, 1.0f, 1.0f, a);
    for (const Teil* fest : m_fest)
        fest->draw(white);
    const D3DCOLOR help = Playfield::colour(m_helpColour[0], m_helpColour[1], m_helpColour[2], m_helpColour[3] * a);
    for (const Teil* ziel : m_ziele)
        ziel->draw(help);
    for (const Teil* teil : m_teile)
        teil->draw(white);
}

} // namespace ThreeMatch
