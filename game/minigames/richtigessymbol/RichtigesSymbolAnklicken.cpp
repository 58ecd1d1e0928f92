#include "minigames/richtigessymbol/RichtigesSymbolAnklicken.h"

#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUICheckboxButton.h"
#include "gui/widgets/GUILabel.h"
#include "gui/windows/GUIScopes.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/frame/AreaLayout.h"
#include "minigames/frame/MinispielManager.h"
#include "minigames/frame/Playfield.h"

#include <crt.h>

#include <array>

namespace ThreeMatch {

namespace {

// A clone of the template of that name when it is of the kind asked for; null (logged when the
// template is there but of another kind) otherwise.
template <class Kind> Kind* cloneAs(const std::wstring& name)
{
    const Ulvo::GUIWindow* vorlage = Ulvo::GUISystem::getInstance()->getVorlage(name);
    if (!vorlage)
        return nullptr;
    if (!dynamic_cast<const Kind*>(vorlage)) {
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::RichtigesSymbolAnklicken: Vorlage '", name,
                               L"' hat die falsche Art\n");
        return nullptr;
    }
    return static_cast<Kind*>(vorlage->clone());
}

} // namespace

RichtigesSymbolAnklicken::Gebiet::Gebiet(Ulvo::XMLNode* node) : Ulvo::NamedObject(node)
{
    if (!node)
        return;
    std::wstring name;
    if (node->readString(L"ANIMATION", name))
        animation = Playfield::cloneAnimation(name, L"RichtigesSymbolAnklicken");
    if (node->readString(L"GUI", name))
        window = cloneAs<Ulvo::GUIWindow>(name);
    if (window)
        AreaLayout::setRect(window, AreaLayout::readRect(node));
    if (node->readString(L"GUI_LABEL", name) && (label = cloneAs<Ulvo::GUILabel>(name)) && window)
        window->addChild(label);
    if (node->readString(L"GUI_CHECK_BOX", name) && (checkbox = cloneAs<Ulvo::GUICheckboxButton>(name))) {
        checkbox->setChecked(false);
        checkbox->stateChanged.connect(this, &Gebiet::onCheckboxChanged);
        if (window) {
            window->addChild(checkbox);
            window->leftButton.connect(this, &Gebiet::onCardPressed);
        }
    }
    const bool hasFont = node->readString(L"FONT", font);
    node->readInt(L"GROUP", group);
    const bool hasStyle = node->readString(L"FONT_STYLE", fontStyle);
    node->readString(L"TEXT_ID", textId);
    node->readFlag(L"RICHTIG", richtig);
    // The text goes to the area's own label; its font and style from FONT and FONT_STYLE.
    Ulvo::GUILabel* text = dynamic_cast<Ulvo::GUILabel*>(window);
    if (!text)
        text = label;
    if (text) {
        if (!textId.empty())
            text->setTextId(textId);
        if (hasFont)
            text->setFontName(font);
        if (hasStyle) {
            text->setFontStyle(fontStyle, Ulvo::GUILabel::STYLE_NORMAL);
            text->setFontStyle(fontStyle, Ulvo::GUILabel::STYLE_MARKED);
        }
    }
}

RichtigesSymbolAnklicken::Gebiet::~Gebiet()
{
    if (checkbox)
        checkbox->stateChanged.disconnect(this);
    if (window)
        window->leftButton.disconnect(this);
    Ulvo::releaseAndNull(window);
    Ulvo::releaseAndNull(label);
    Ulvo::releaseAndNull(checkbox);
    Ulvo::releaseAndNull(animation);
}

void RichtigesSymbolAnklicken::Gebiet::onCardPressed(Ulvo::GUIWindow&, const bool&)
{
    if (checkbox && checkbox->isEnabled())
        checkbox->setChecked(!checkbox->isChecked());
}

void RichtigesSymbolAnklicken::Gebiet::onCheckboxChanged(Ulvo::GUICheckboxButton& box)
{
    Ulvo::GUIKeepAlive alive(this);
    toggled.emit(*this, box.isChecked());
}

RichtigesSymbolAnklicken::RichtigesSymbolAnklicken(Ulvo::XMLNode* node) : Minispiel(node)
{
    if (!node)
        return;
    for (Ulvo::XMLNode* child : node->getNodes()) {
        if (!child || child->getName() != L"GEBIET")
            continue;
        auto* gebiet = new Gebiet(child);
        gebiet->toggled.connect(this, &RichtigesSymbolAnklicken::onGebietToggled);
        m_gebiete.push_back(gebiet);
    }
    std::array<int, 1> columns{-1};
    if (node->getAttribute(L"ANORDNUNG")) {
        m_hasAnordnung = true;
        node->readInts(L"ANORDNUNG", columns);
        m_anordnung = columns[0];
    }
}

RichtigesSymbolAnklicken::~RichtigesSymbolAnklicken()
{
    if (m_ok)
        m_ok->clicked.disconnect(this);
    Ulvo::releaseAndNull(m_ok);
    for (Gebiet* gebiet : m_gebiete)
        gebiet->toggled.disconnect(this);
    Ulvo::releaseAndClear(m_gebiete);
    Ulvo::releaseAndNull(m_arbeit);
    Ulvo::releaseAndNull(m_ablage);
    Ulvo::releaseAndNull(m_arbeitsFlaeche);
}

void RichtigesSymbolAnklicken::createGUI()
{
    Ulvo::GUIWindow* window = cloneVorlage(L"RICHTIGES_SYMBOL_FENSTER");
    Ulvo::GUIWindow* flaeche = cloneVorlage(L"RICHTIGES_SYMBOL_FENSTER_ARBEITS_FLAECHE");
    Ulvo::GUIWindow* ablage = cloneVorlage(L"RICHTIGES_SYMBOL_FENSTER_ABLAGE");
    Ulvo::GUIWindow* arbeit = cloneVorlage(L"RICHTIGES_SYMBOL_FENSTER_ARBEIT");
    if (window && flaeche && ablage && arbeit) {
        // A second build (the game screen set up again) lets go of the first one's copies.
        if (m_ok)
            m_ok->clicked.disconnect(this);
        Ulvo::releaseAndNull(m_ok);
        Ulvo::releaseAndNull(m_arbeit);
        Ulvo::releaseAndNull(m_ablage);
        Ulvo::releaseAndNull(m_arbeitsFlaeche);
        Ulvo::releaseAndNull(m_window);
        m_window = window;
        m_arbeitsFlaeche = flaeche;
        m_ablage = ablage;
        m_arbeit = arbeit;
        m_window->addChild(m_arbeitsFlaeche);
        m_arbeitsFlaeche->addChild(m_arbeit);
        m_arbeitsFlaeche->addChild(m_ablage);
        // A column count of 0 would divide the grid by zero: the grid clamps it to 1.
        const AreaLayout::Grid grid = AreaLayout::grid(m_anordnung, m_gebiete.size());
        m_anordnung = grid.columns;
        std::vector<Ulvo::GUIWindow*> windows;
        for (Gebiet* gebiet : m_gebiete)
            windows.push_back(gebiet->window);
        if (m_hasAnordnung)
            AreaLayout::place(windows, grid);
        for (Ulvo::GUIWindow* area : windows) {
            if (area)
                m_arbeit->addChild(area);
        }
        if ((m_ok = cloneVorlage(L"RICHTIGES_SYMBOL_OK"))) {
            m_ok->clicked.connect(this, &RichtigesSymbolAnklicken::onOK);
            m_window->addChild(m_ok);
        }
        addButtons(L"RICHTIGES_SYMBOL");
    } else {
        for (Ulvo::GUIWindow* made : {window, flaeche, ablage, arbeit}) {
            if (made)
                made->Release();
        }
    }
    start();
    Minispiel::createGUI();
}

bool RichtigesSymbolAnklicken::start()
{
    Minispiel::start();
    if (!m_hasAnordnung)
        return false;
    // Two different areas are needed for a swap: with fewer the draw below would never end.
    const size_t count = m_gebiete.size();
    if (count >= 2) {
        for (size_t k = 0; k < count * 20; ++k) {
            const size_t a = static_cast<size_t>(crt_rand()) % count;
            size_t b = static_cast<size_t>(crt_rand()) % count;
            while (b == a)
                b = static_cast<size_t>(crt_rand()) % count;
            Ulvo::GUIWindow* first = m_gebiete[a]->window;
            Ulvo::GUIWindow* second = m_gebiete[b]->window;
            if (!first || !second)
                continue;
            const Ulvo::GUIRect rect = first->getGUIRect();
            AreaLayout::setRect(first, second->getGUIRect());
            AreaLayout::setRect(second, rect);
        }
    }
    untick();
    if (m_arbeitsFlaeche)
        m_arbeitsFlaeche->updateClientRect();
    return false;
}

void RichtigesSymbolAnklicken::show()
{
    Minispiel::show();
    untick();
}

void RichtigesSymbolAnklicken::untick()
{
    for (Gebiet* gebiet : m_gebiete) {
        if (gebiet->checkbox)
            gebiet->checkbox->setChecked(false);
    }
}

void RichtigesSymbolAnklicken::onGebietToggled(Gebiet& gebiet, const bool& checked)
{
    if (!checked)
        return;
    for (Gebiet* other : m_gebiete) {
        if (other != &gebiet && (other->group & gebiet.group) != 0 && other->checkbox)
            other->checkbox->setChecked(false);
    }
}

void RichtigesSymbolAnklicken::onOK(Ulvo::GUIWindow&)
{
    if (m_ended)
        return;
    Ulvo::GUIKeepAlive alive(this);
    for (const Gebiet* gebiet : m_gebiete) {
        const bool answer = gebiet->checkbox ? gebiet->checkbox->isChecked() : gebiet->richtig;
        if (answer != gebiet->richtig) {
            manager().failedSignal.emit(*this);
            start();
            return;
        }
    }
    reportResult();
}

void RichtigesSymbolAnklicken::update(const double& dt)
{
    for (Gebiet* gebiet : m_gebiete) {
        if (!gebiet->animation)
            continue;
        double elapsed = dt;
        gebiet->animation->update(elapsed);
        if (gebiet->label)
            AreaLayout::showFrame(gebiet->label, gebiet->animation, true);
    }
}

void RichtigesSymbolAnklicken::naechsteZuege(MinispielZuege& zuege) const
{
    // Each card whose tick is wrong pressed on its picture (its box shows the change), then OK.
    for (const Gebiet* gebiet : m_gebiete) {
        if (gebiet->window && gebiet->checkbox && gebiet->checkbox->isChecked() != gebiet->richtig)
            zuege.push_back(
                MinispielZug::klickMitte(gebiet->window->getScreenRect()).aendert(gebiet->checkbox->getScreenRect()));
    }
    if (m_ok)
        zuege.push_back(MinispielZug::klickMitte(m_ok->getScreenRect()));
}

} // namespace ThreeMatch
