#include "minigames/zuordnen/MinispielZuordnen.h"

#include "engine/UlvoEngine.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUILabel.h"
#include "gui/windows/GUIScopes.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/frame/AreaLayout.h"
#include "minigames/frame/MinispielManager.h"
#include "minigames/frame/Playfield.h"
#include "threematch/globals/MyGlobals.h"

#include <crt.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace ThreeMatch {

namespace {

Ulvo::GUIWindow* cloneNamed(const std::wstring& name)
{
    const Ulvo::GUIWindow* vorlage = name.empty() ? nullptr : Ulvo::GUISystem::getInstance()->getVorlage(name);
    if (!vorlage && !name.empty())
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::MinispielZuordnen: Vorlage '", name,
                               L"' nicht gefunden\n");
    return vorlage ? vorlage->clone() : nullptr;
}

// The window (a clone of the template GUI names) and the picture (ANIMATION) of an area or item.
void readLook(const Ulvo::XMLNode* node, Ulvo::GUIWindow*& window, Ulvo::Texture2DAnimation*& image)
{
    std::wstring name;
    if (node->readString(L"ANIMATION", name))
        image = Playfield::cloneAnimation(name, L"MinispielZuordnen");
    if (node->readString(L"GUI", name))
        window = cloneNamed(name);
}

} // namespace

MinispielZuordnen::Gebiet::Gebiet(Ulvo::XMLNode* node) : Ulvo::NamedObject(node)
{
    if (!node)
        return;
    readLook(node, window, image);
    AreaLayout::setRect(window, AreaLayout::readRect(node));
    const bool hasFont = node->readString(L"FONT", fontStyle);
    const bool hasStyle = node->readString(L"FONT_STYLE", fontStyle);
    node->readString(L"TEXT_ID", textId);
    node->readInt(L"MIN_GEGENSTAND_ANZ", minItems);
    if (auto* label = dynamic_cast<Ulvo::GUILabel*>(window)) {
        if (!textId.empty())
            label->setTextId(textId);
        if (hasFont || hasStyle) {
            label->setFontStyle(fontStyle, Ulvo::GUILabel::STYLE_NORMAL);
            label->setFontStyle(fontStyle, Ulvo::GUILabel::STYLE_MARKED);
        }
    }
}

MinispielZuordnen::Gebiet::~Gebiet()
{
    Ulvo::releaseAndNull(window);
    Ulvo::releaseAndNull(image);
}

MinispielZuordnen::Gegenstand::Gegenstand(Ulvo::XMLNode* node, MinispielZuordnen* owner)
    : Ulvo::NamedObject(node), game(owner)
{
    if (!node)
        return;
    readLook(node, window, image);
    // ZIEL_GEBIET and every other attribute that names an area make it a target.
    for (const Ulvo::XMLAttribute* attribute : node->getAttributes()) {
        Gebiet* target = attribute ? game->findArea(attribute->getValue()) : nullptr;
        if (target && !isTarget(target))
            targets.push_back(target);
    }
    std::wstring style;
    const bool hasFont = node->readString(L"FONT", font);
    const bool hasStyle = node->readString(L"FONT_STYLE", style);
    node->readString(L"TEXT_ID", textId);
    node->readInt(L"WERT", value);
    if (auto* label = dynamic_cast<Ulvo::GUILabel*>(window)) {
        if (!textId.empty())
            label->setTextId(textId);
        if (hasStyle) {
            label->setFontStyle(style, Ulvo::GUILabel::STYLE_NORMAL);
            label->setFontStyle(style, Ulvo::GUILabel::STYLE_MARKED);
        }
        if (hasFont)
            label->setFontName(font);
    }
}

MinispielZuordnen::Gegenstand::~Gegenstand()
{
    Ulvo::releaseAndNull(window);
    Ulvo::releaseAndNull(image);
}

bool MinispielZuordnen::Gegenstand::isTarget(const Gebiet* gebiet) const
{
    return gebiet && std::find(targets.begin(), targets.end(), gebiet) != targets.end();
}

MinispielZuordnen::MinispielZuordnen(Ulvo::XMLNode* node) : Minispiel(node)
{
    if (!node)
        return;
    for (Ulvo::XMLNode* child : node->getNodes()) {
        if (child && child->getName() == L"GEBIET")
            m_areas.push_back(new Gebiet(child));
    }
    for (Ulvo::XMLNode* child : node->getNodes()) {
        if (child && child->getName() == L"GEGENSTAND")
            m_items.push_back(new Gegenstand(child, this));
    }
    if (node->getAttribute(L"ANORDNUNG")) {
        m_gridOn = true;
        std::array<int, 1> columns{-1};
        node->readInts(L"ANORDNUNG", columns);
        m_gridColumns = columns[0];
    }
    node->readFlag(L"CHECK_PLACES", m_checkPlaces);
    for (Ulvo::XMLNode* child : node->getNodes()) {
        if (!child || child->getName() != L"SUMME_VON")
            continue;
        std::vector<Gebiet*> areas;
        for (const Ulvo::XMLAttribute* attribute : child->getAttributes()) {
            Gebiet* area = attribute && attribute->getName() != L"SUMME" ? findArea(attribute->getValue()) : nullptr;
            if (area)
                areas.push_back(area);
        }
        int sum = 0;
        child->readInt(L"SUMME", sum);
        m_sumAreas.push_back(std::move(areas));
        m_sumTargets.push_back(sum);
    }
}

MinispielZuordnen::~MinispielZuordnen()
{
    if (m_ok)
        m_ok->clicked.disconnect(this);
    if (m_workArea)
        m_workArea->rectChanged.disconnect(this);
    if (m_window)
        m_window->goalReached.disconnect(this);
    for (Gegenstand* item : m_items) {
        if (Ulvo::GUIWindow* window = item->window) {
            window->moved.disconnect(this);
            window->leftButton.disconnect(this);
            window->leftReleased.disconnect(this);
            window->drawn.disconnect(this);
        }
    }
    for (Gebiet* area : m_areas) {
        if (area->window)
            area->window->drawn.disconnect(this);
    }
    Ulvo::releaseAndNull(m_ok);
    Ulvo::releaseAndClear(m_items);
    Ulvo::releaseAndClear(m_areas);
    Ulvo::releaseAndClear(m_shelves);
    Ulvo::releaseAndNull(m_areaPanel);
    Ulvo::releaseAndNull(m_workArea);
}

MinispielZuordnen::Gebiet* MinispielZuordnen::findArea(const std::wstring& name) const
{
    for (Gebiet* area : m_areas) {
        if (area->getName() == name)
            return area;
    }
    return nullptr;
}

MinispielZuordnen::Gegenstand* MinispielZuordnen::itemOf(const Ulvo::GUIWindow& window) const
{
    for (Gegenstand* item : m_items) {
        if (item->window == &window)
            return item;
    }
    return nullptr;
}

void MinispielZuordnen::createGUI()
{
    Ulvo::GUIWindow* window = cloneVorlage(L"ZUORDNEN_FENSTER");
    Ulvo::GUIWindow* work = cloneVorlage(L"ZUORDNEN_FENSTER_ARBEITS_FLAECHE");
    Ulvo::GUIWindow* panel = cloneVorlage(L"ZUORDNEN_FENSTER_ARBEIT");
    std::vector<Ulvo::GUIWindow*> shelves;
    if (Ulvo::GUIWindow* shelf = cloneVorlage(L"ZUORDNEN_FENSTER_ABLAGE"))
        shelves.push_back(shelf);
    for (int k = 2;; ++k) {
        Ulvo::GUIWindow* shelf = cloneVorlage(L"ZUORDNEN_FENSTER_ABLAGE_" + std::to_wstring(k));
        if (!shelf)
            break;
        shelves.push_back(shelf);
    }
    if (!window || !work || !panel || shelves.empty()) {
        Ulvo::releaseAndNull(window);
        Ulvo::releaseAndNull(work);
        Ulvo::releaseAndNull(panel);
        Ulvo::releaseAndClear(shelves);
        start();
        Minispiel::createGUI();
        return;
    }
    // A second build (the game screen set up again) lets go of the first one's copies.
    if (m_ok)
        m_ok->clicked.disconnect(this);
    Ulvo::releaseAndNull(m_ok);
    if (m_workArea)
        m_workArea->rectChanged.disconnect(this);
    Ulvo::releaseAndClear(m_shelves);
    Ulvo::releaseAndNull(m_areaPanel);
    Ulvo::releaseAndNull(m_workArea);
    if (m_window)
        m_window->goalReached.disconnect(this);
    Ulvo::releaseAndNull(m_window);
    m_window = window;
    m_workArea = work;
    m_areaPanel = panel;
    m_shelves = std::move(shelves);
    m_workArea->rectChanged.connect(this, &MinispielZuordnen::onLayoutChanged);
    m_window->goalReached.connect(this, &MinispielZuordnen::onGoalReached);
    m_window->addChild(m_workArea);
    m_workArea->addChild(m_areaPanel);
    for (Ulvo::GUIWindow* shelf : m_shelves)
        m_workArea->addChild(shelf);

    // An ANORDNUNG of 0 would divide the grid by zero: the grid clamps it to 1.
    const AreaLayout::Grid grid = AreaLayout::grid(m_gridColumns, m_areas.size());
    m_gridColumns = grid.columns;
    m_gridRows = grid.rows;
    std::vector<Ulvo::GUIWindow*> windows;
    for (Gebiet* area : m_areas)
        windows.push_back(area->window);
    if (m_gridOn)
        AreaLayout::place(windows, grid);
    for (Gebiet* area : m_areas) {
        if (!area->window)
            continue;
        area->marginX = area->window->getGUIRect().position.xOff;
        area->marginY = area->window->getGUIRect().position.yOff;
        area->window->drawn.disconnect(this);
        area->window->drawn.connect(this, &MinispielZuordnen::onFlashDraw);
        m_areaPanel->addChild(area->window);
    }
    fitAreas();
    for (Gegenstand* item : m_items) {
        Ulvo::GUIWindow* itemWindow = item->window;
        if (!itemWindow)
            continue;
        Ulvo::GUIRect rect = itemWindow->getGUIRect();
        rect.position = Ulvo::GUIRectPoint();
        AreaLayout::setRect(itemWindow, rect);
        // Connected once, however often the windows are built.
        itemWindow->moved.disconnect(this);
        itemWindow->leftButton.disconnect(this);
        itemWindow->leftReleased.disconnect(this);
        itemWindow->drawn.disconnect(this);
        itemWindow->moved.connect(this, &MinispielZuordnen::onItemMoved);
        itemWindow->leftButton.connect(this, &MinispielZuordnen::onItemPressed);
        itemWindow->leftReleased.connect(this, &MinispielZuordnen::onItemReleased);
        itemWindow->drawn.connect(this, &MinispielZuordnen::onFlashDraw);
        // A press on the clear corners of a good's square goes to what is drawn beneath.
        itemWindow->setHitShape([item](float x, float y) {
            return !item->image || !item->window ||
                   Playfield::hitsOpaque(item->image, item->window->getScreenRect(), D3DXVECTOR2(x, y));
        });
        // The drawn shelf unless it holds more goods than another: a shelf that got them all would
        // heap them on each other.
        const size_t drawn = static_cast<size_t>(crt_rand()) % m_shelves.size();
        size_t shelf = drawn;
        for (size_t k = 1; k < m_shelves.size(); ++k) {
            const size_t other = (drawn + k) % m_shelves.size();
            if (m_shelves[other]->children().size() < m_shelves[shelf]->children().size())
                shelf = other;
        }
        m_shelves[shelf]->addChild(itemWindow);
    }
    if ((m_ok = cloneVorlage(L"ZUORDNEN_OK"))) {
        m_ok->clicked.connect(this, &MinispielZuordnen::onOK);
        m_window->addChild(m_ok);
    }
    addButtons(L"ZUORDNEN");
    start();
    Minispiel::createGUI();
}

bool MinispielZuordnen::start()
{
    Minispiel::start();
    // Each shelf's goods side by side in the order of their first draw, each shifted by its draws
    // within what its place leaves free: dropped at random, goods would lie on each other.
    struct Draw {
        float u1, u2;
        Gegenstand* item;
    };
    std::vector<Draw> draws;
    draws.reserve(m_items.size());
    for (Gegenstand* item : m_items) {
        item->area = nullptr;
        item->flashLeft = 0.0f;
        if (!item->window)
            continue;
        const float u1 = static_cast<float>(crt_rand()) / 32767.0f;
        const float u2 = static_cast<float>(crt_rand()) / 32767.0f;
        draws.push_back({u1, u2, item});
    }
    std::stable_sort(draws.begin(), draws.end(), [](const Draw& a, const Draw& b) { return a.u1 < b.u1; });
    for (const Draw& d : draws) {
        Ulvo::GUIWindow* window = d.item->window;
        const Ulvo::GUIWindow* shelf = window->getParent();
        std::size_t count = 0, place = 0;
        for (const Draw& other : draws) {
            if (other.item->window->getParent() != shelf)
                continue;
            place = other.item == d.item ? count : place;
            ++count;
        }
        Ulvo::GUIRect rect = window->getGUIRect();
        // The good's width on its shelf as drawn (its rectangle keeps its proportions), else as given.
        float width = rect.size.xRel;
        if (shelf) {
            const Ulvo::FloatRect& s = shelf->getScreenRect();
            const Ulvo::FloatRect& own = window->getScreenRect();
            if (s.right - s.left > 0.0f && own.right - own.left > 0.0f)
                width = std::min(1.0f, (own.right - own.left) / (s.right - s.left));
        }
        const float room = 1.0f - width;
        float x = room * (1.0f - d.u1);
        if (count > 1) {
            const float step = room / static_cast<float>(count - 1);
            const float free = std::max(0.0f, step - width);
            x = std::clamp(step * static_cast<float>(place) + (d.u2 - 0.5f) * free, 0.0f, room);
        }
        rect.position = Ulvo::GUIRectPoint(x, (1.0f - rect.size.yRel) * (1.0f - d.u2), 0.0f, 0.0f);
        AreaLayout::setRect(window, rect);
    }
    for (Gebiet* area : m_areas)
        area->flashLeft = 0.0f;
    return false;
}

void MinispielZuordnen::update(const double& dt)
{
    auto advance = [dt](Ulvo::GUIWindow* window, Ulvo::Texture2DAnimation* image, float& flashLeft, bool item) {
        if (image) {
            double elapsed = dt;
            image->update(elapsed);
            if (dynamic_cast<Ulvo::GUILabel*>(window)) {
                AreaLayout::showFrame(window, image, true);
                if (item)
                    window->getDrawOptions().setBackDrawType(4, 4);
            }
        }
        if (flashLeft > 0.0f)
            flashLeft -= static_cast<float>(dt);
    };
    for (Gebiet* area : m_areas)
        advance(area->window, area->image, area->flashLeft, false);
    for (Gegenstand* item : m_items)
        advance(item->window, item->image, item->flashLeft, true);
}

void MinispielZuordnen::onItemPressed(Ulvo::GUIWindow& window, const bool&)
{
    if (Gegenstand* item = itemOf(window))
        item->area = nullptr;
}

void MinispielZuordnen::onItemReleased(Ulvo::GUIWindow& window, const bool&)
{
    if (Gegenstand* item = itemOf(window))
        dropItem(*item);
}

void MinispielZuordnen::dropItem(Gegenstand& item)
{
    item.area = nullptr;
    if (!item.window)
        return;
    const Ulvo::FloatRect& own = item.window->getScreenRect();
    Gebiet* best = nullptr;
    float bestOverlap = -1.0f;
    for (auto it = m_areas.rbegin(); it != m_areas.rend(); ++it) {
        if (!(*it)->window)
            continue;
        const Ulvo::FloatRect& r = (*it)->window->getScreenRect();
        const float w = std::min(own.right, r.right) - std::max(own.left, r.left);
        const float h = std::min(own.bottom, r.bottom) - std::max(own.top, r.top);
        if (w < 0.0f || h < 0.0f)
            continue;
        if (w * h > bestOverlap) {
            bestOverlap = w * h;
            best = *it;
        }
    }
    if (!best)
        return;
    item.area = best;
    Ulvo::GUIKeepAlive alive(this);
    manager().rightSignal.emit(*this);
    if (item.isTarget(best))
        manager().wrongSignal.emit(*this);
}

void MinispielZuordnen::onItemMoved(Ulvo::GUIWindow& window)
{
    keepInside(window);
}

void MinispielZuordnen::onLayoutChanged(Ulvo::GUIWindow&)
{
    fitAreas();
    keepAllInside();
}

void MinispielZuordnen::onGoalReached(Ulvo::GUIWindow&, Ulvo::GUIAnimationsGoal&)
{
    fitAreas();
    keepAllInside();
}

void MinispielZuordnen::fitAreas()
{
    if (!m_gridOn || !m_areaPanel || m_gridColumns <= 0 || m_gridRows <= 0)
        return;
    const Ulvo::FloatRect& panel = m_areaPanel->getScreenRect();
    const float cellW = (panel.right - panel.left) / static_cast<float>(m_gridColumns);
    const float cellH = (panel.bottom - panel.top) / static_cast<float>(m_gridRows);
    if (!(cellW > 0.0f) || !(cellH > 0.0f))
        return;
    for (Gebiet* area : m_areas) {
        Ulvo::Texture2DAnimationFrame* frame = area->image ? area->image->getCurrentTexture() : nullptr;
        if (!area->window || !frame || !frame->texture)
            continue;
        RECT source = frame->rect;
        if (source.right <= source.left || source.bottom <= source.top)
            source = frame->texture->getRect();
        const float pictureW = static_cast<float>(source.right - source.left);
        const float pictureH = static_cast<float>(source.bottom - source.top);
        const float roomW = cellW - 2.0f * area->marginX, roomH = cellH - 2.0f * area->marginY;
        if (!(pictureW > 0.0f) || !(pictureH > 0.0f) || !(roomW > 0.0f) || !(roomH > 0.0f))
            continue;
        const float width = std::min(roomW, roomH * pictureW / pictureH);
        const float height = width * pictureH / pictureW;
        // The cell's place stays relative; the shrinking is in pixels, worked out again whenever
        // the layout changes.
        Ulvo::GUIRect rect = area->window->getGUIRect();
        rect.position.xOff = area->marginX + 0.5f * (roomW - width);
        rect.position.yOff = area->marginY + 0.5f * (roomH - height);
        rect.size.xOff = -2.0f * rect.position.xOff;
        rect.size.yOff = -2.0f * rect.position.yOff;
        if (rect == area->window->getGUIRect())
            continue;
        AreaLayout::setRect(area->window, rect);
    }
}

void MinispielZuordnen::keepAllInside()
{
    if (!m_workArea)
        return;
    const Ulvo::FloatRect& work = m_workArea->getScreenRect();
    if (work.right - work.left <= 0.0f || work.bottom - work.top <= 0.0f)
        return;
    for (Gegenstand* item : m_items) {
        if (item->window)
            keepInside(*item->window);
    }
}

void MinispielZuordnen::keepInside(Ulvo::GUIWindow& window)
{
    if (!m_workArea)
        return;
    const Ulvo::FloatRect& work = m_workArea->getScreenRect();
    const Ulvo::FloatRect& own = window.getScreenRect();
    float dx = std::max(work.left - own.left, 0.0f);
    float dy = std::max(work.top - own.top, 0.0f);
    if (own.right > work.right)
        dx += work.right - own.right;
    if (own.bottom > work.bottom)
        dy += work.bottom - own.bottom;
    if (dx == 0.0f && dy == 0.0f)
        return;
    Ulvo::GUIRect& rect = window.getGUIRect();
    rect.position.xOff += dx;
    rect.position.yOff += dy;
    window.updateClientRect();
}

bool MinispielZuordnen::check()
{
    bool ok = true;
    int targetAreas = 0;
    for (Gebiet* area : m_areas) {
        area->count = 0;
        area->placed.clear();
        area->expected = static_cast<int>(std::count_if(
            m_items.begin(), m_items.end(), [area](const Gegenstand* item) { return item->isTarget(area); }));
        targetAreas += area->expected > 0 ? 1 : 0;
    }
    for (Gegenstand* item : m_items) {
        const bool fit = item->isTarget(item->area);
        if (m_checkPlaces) {
            item->flashLeft = fit ? 0.0f : item->flashLength;
            ok = ok && fit;
        }
    }
    int occupied = 0;
    for (Gebiet* area : m_areas) {
        for (Gegenstand* item : m_items) {
            if (item->area == area)
                area->placed.push_back(item);
        }
        area->count = static_cast<int>(area->placed.size());
        occupied += area->count > 0 ? 1 : 0;
        const bool good = area->count >= area->minItems && area->count <= area->expected;
        if (m_checkPlaces) {
            ok = ok && good;
            area->flashLeft = good ? 0.0f : area->flashLength;
        }
    }
    bool sumsOk = true;
    for (size_t k = 0; k < m_sumAreas.size(); ++k) {
        int total = 0;
        for (const Gebiet* area : m_sumAreas[k]) {
            for (const Gegenstand* item : area->placed)
                total += item->value;
        }
        if (total == m_sumTargets[k])
            continue;
        sumsOk = false;
        for (Gebiet* area : m_sumAreas[k])
            area->flashLeft = area->flashLength;
    }
    if (m_checkPlaces)
        ok = ok && occupied == targetAreas;
    return ok && sumsOk;
}

void MinispielZuordnen::onOK(Ulvo::GUIWindow&)
{
    if (m_ended)
        return;
    Ulvo::GUIKeepAlive alive(this);
    if (check())
        reportResult();
    else
        manager().failedSignal.emit(*this);
}

float MinispielZuordnen::flashAlpha(float position)
{
    // Keyframes of the track: alpha 0 rising to half over 0.25 s, back to 0 at once, rising to
    // half again over 0.25 s, holding for 0.5 s, falling to 0 over 0.25 s.
    const float half = 128.0f / 255.0f;
    if (position <= 0.0f || position >= 1.25f)
        return 0.0f;
    if (position < 0.25f)
        return half * position / 0.25f;
    if (position < 0.5f)
        return half * (position - 0.25f) / 0.25f;
    if (position < 1.0f)
        return half;
    return half * (1.25f - position) / 0.25f;
}

void MinispielZuordnen::onFlashDraw(Ulvo::GUIWindow& window, const bool& visible)
{
    if (!visible)
        return;
    float left = 0.0f, length = 2.0f;
    for (const Gebiet* area : m_areas) {
        if (area->window == &window) {
            left = area->flashLeft;
            length = area->flashLength;
        }
    }
    if (const Gegenstand* item = itemOf(window)) {
        left = item->flashLeft;
        length = item->flashLength;
    }
    auto* globals = static_cast<MyGlobals*>(Ulvo::UlvoEngine::getInstance()->getUserGlobals());
    if (left <= 0.0f || length <= 0.0f || !globals)
        return;
    const float alpha = flashAlpha(left / length);
    const Ulvo::FloatRect& r = window.getScreenRect();
    const RECT frame{static_cast<LONG>(r.left), static_cast<LONG>(r.top), static_cast<LONG>(r.right),
                     static_cast<LONG>(r.bottom)};
    globals->drawFrame(frame, 10, Playfield::colour(1.0f, 0.0f, 0.0f, alpha * static_cast<float>(window.getAlpha())), 0,
                       0, 0, 0, 0, 0);
}

namespace {

// Places items k.. (an area index each, -1: stays) after those before; true when every item
// with targets is on one and each SUMME_VON total is met.
bool placeFrom(const MinispielZuordnen& game, size_t k, std::vector<int>& places)
{
    const std::vector<MinispielZuordnen::Gegenstand*>& items = game.getGegenstaende();
    const std::vector<MinispielZuordnen::Gebiet*>& areas = game.getGebiete();
    if (k == items.size()) {
        for (size_t s = 0; s < game.getSumAreas().size(); ++s) {
            const auto& summed = game.getSumAreas()[s];
            int total = 0;
            for (size_t i = 0; i < items.size(); ++i) {
                if (places[i] >= 0 &&
                    std::find(summed.begin(), summed.end(), areas[static_cast<size_t>(places[i])]) != summed.end())
                    total += items[i]->value;
            }
            if (s >= game.getSumTargets().size() || total != game.getSumTargets()[s])
                return false;
        }
        return true;
    }
    for (int a = -1; a < static_cast<int>(areas.size()); ++a) {
        const bool target = a >= 0 && items[k]->isTarget(areas[static_cast<size_t>(a)]);
        if (!items[k]->targets.empty() && !target)
            continue;
        places[k] = a;
        if (placeFrom(game, k + 1, places))
            return true;
    }
    return false;
}

// The point of the window nearest its middle that takes a press there, and does so a few
// pixels around too (the pointer lands on whole pixels; no other window in front, the
// picture's opaque part); false when there is none.
bool uncoveredPoint(const Ulvo::GUIWindow& window, D3DXVECTOR2& at)
{
    const Ulvo::FloatRect& r = window.getScreenRect();
    const D3DXVECTOR2 middle((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    const auto takes = [&](const D3DXVECTOR2& p) {
        for (const D3DXVECTOR2 d :
             {D3DXVECTOR2(0, 0), D3DXVECTOR2(-3, 0), D3DXVECTOR2(3, 0), D3DXVECTOR2(0, -3), D3DXVECTOR2(0, 3)}) {
            if (Ulvo::GUISystem::getInstance()->getWindowAt(p.x + d.x, p.y + d.y, Ulvo::GUIWindow::HIT_PRESS) !=
                &window)
                return false;
        }
        return true;
    };
    float best = -1.0f;
    for (int j = 1; j < 16; ++j) {
        for (int i = 1; i < 16; ++i) {
            const D3DXVECTOR2 p(r.left + (r.right - r.left) * i / 16.0f, r.top + (r.bottom - r.top) * j / 16.0f);
            const D3DXVECTOR2 d = p - middle;
            const float distance = D3DXVec2LengthSq(&d);
            if ((best < 0.0f || distance < best) && takes(p)) {
                best = distance;
                at = p;
            }
        }
    }
    return best >= 0.0f;
}

} // namespace

std::vector<int> MinispielZuordnen::platzierung() const
{
    std::vector<int> places(m_items.size(), -1);
    if (!placeFrom(*this, 0, places))
        places.clear();
    return places;
}

void MinispielZuordnen::naechsteZuege(MinispielZuege& zuege) const
{
    const std::vector<int> places = platzierung();
    if (places.size() != m_items.size())
        return;
    // The items not on their areas yet whose pictures take a press now, each dragged by that
    // point so that the items of one area lie side by side across it; with all of them there, OK.
    std::vector<int> onArea(m_areas.size(), 0);
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (places[i] >= 0 && m_items[i]->area == m_areas[static_cast<size_t>(places[i])])
            ++onArea[static_cast<size_t>(places[i])];
    }
    bool allThere = true;
    for (size_t i = 0; i < m_items.size(); ++i) {
        const Gegenstand& item = *m_items[i];
        if (places[i] < 0 || !item.window || item.area == m_areas[static_cast<size_t>(places[i])])
            continue;
        allThere = false;
        const Ulvo::GUIWindow* area = m_areas[static_cast<size_t>(places[i])]->window;
        D3DXVECTOR2 grip;
        if (!area || !uncoveredPoint(*item.window, grip))
            continue;
        const Ulvo::FloatRect& r = area->getScreenRect();
        const Ulvo::FloatRect& drawn = item.window->getScreenRect();
        const int slot = onArea[static_cast<size_t>(places[i])]++;
        const float w = drawn.right - drawn.left;
        const D3DXVECTOR2 to(r.left + w * (0.6f + 0.5f * static_cast<float>(slot % 4)),
                             (r.top + r.bottom) / 2 + w * 0.3f * static_cast<float>(slot / 4));
        zuege.push_back(MinispielZug::ziehen(grip, to + grip - MinispielZug::mitte(drawn), drawn));
    }
    if (allThere && m_ok)
        zuege.push_back(MinispielZug::klickMitte(m_ok->getScreenRect()));
}

} // namespace ThreeMatch
