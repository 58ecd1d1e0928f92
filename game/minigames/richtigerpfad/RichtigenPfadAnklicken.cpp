#include "minigames/richtigerpfad/RichtigenPfadAnklicken.h"

#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUICheckboxButton.h"
#include "gui/windows/GUIScopes.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/frame/AreaLayout.h"
#include "minigames/frame/MinispielManager.h"
#include "minigames/frame/Playfield.h"

namespace ThreeMatch {

RichtigenPfadAnklicken::Gebiet::Gebiet(Ulvo::XMLNode* node)
{
    if (!node)
        return;
    node->readFlag(L"RICHTIG", richtig);
    std::wstring name;
    if (!node->readString(L"GUI_CHECK_BOX", name))
        return;
    const Ulvo::GUIWindow* vorlage = Ulvo::GUISystem::getInstance()->getVorlage(name);
    if (!dynamic_cast<const Ulvo::GUICheckboxButton*>(vorlage)) {
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::RichtigenPfadAnklicken: '", name,
                               L"' ist keine Checkbox\n");
        return;
    }
    checkbox = static_cast<Ulvo::GUICheckboxButton*>(vorlage->clone());
    checkbox->setChecked(false);
    const Ulvo::GUIRect box = AreaLayout::readRect(node);
    AreaLayout::setRect(checkbox, box);
    checkbox->stateChanged.connect(this, &Gebiet::onCheckboxChanged);
    // The place keeps its template's size, centred on the box.
    if (const Ulvo::GUIWindow* feld = Ulvo::GUISystem::getInstance()->getVorlage(L"RICHTIGER_WEG_FELD")) {
        place = feld->clone();
        Ulvo::GUIRect rect = place->getGUIRect();
        const Ulvo::GUIRectPoint& size = rect.size;
        rect.position = Ulvo::GUIRectPoint(
            box.position.xRel + (box.size.xRel - size.xRel) / 2, box.position.yRel + (box.size.yRel - size.yRel) / 2,
            box.position.xOff + (box.size.xOff - size.xOff) / 2, box.position.yOff + (box.size.yOff - size.yOff) / 2);
        AreaLayout::setRect(place, rect);
        place->leftButton.connect(this, &Gebiet::onPlacePressed);
    }
}

RichtigenPfadAnklicken::Gebiet::~Gebiet()
{
    if (checkbox)
        checkbox->stateChanged.disconnect(this);
    if (place)
        place->leftButton.disconnect(this);
    Ulvo::releaseAndNull(checkbox);
    Ulvo::releaseAndNull(place);
}

void RichtigenPfadAnklicken::Gebiet::onPlacePressed(Ulvo::GUIWindow&, const bool&)
{
    if (checkbox && checkbox->isEnabled())
        checkbox->setChecked(!checkbox->isChecked());
}

void RichtigenPfadAnklicken::Gebiet::onCheckboxChanged(Ulvo::GUICheckboxButton& box)
{
    checked = box.isChecked();
    if (checked) {
        Ulvo::GUIKeepAlive alive(this);
        selected.emit(*this);
    }
}

RichtigenPfadAnklicken::RichtigenPfadAnklicken(Ulvo::XMLNode* node) : Minispiel(node)
{
    if (!node)
        return;
    for (Ulvo::XMLNode* child : node->getNodes()) {
        if (!child || child->getName() != L"GEBIET")
            continue;
        auto* gebiet = new Gebiet(child);
        gebiet->selected.connect(this, &RichtigenPfadAnklicken::onGebietSelected);
        m_gebiete.push_back(gebiet);
    }
    std::wstring name;
    if (node->readString(L"ANIMATION", name))
        m_animation = Playfield::cloneAnimation(name, L"RichtigenPfadAnklicken");
    if (node->readString(L"GOAL_ANIMATION", name))
        m_goalAnimation = Playfield::cloneAnimation(name, L"RichtigenPfadAnklicken");
}

RichtigenPfadAnklicken::~RichtigenPfadAnklicken()
{
    if (m_ok)
        m_ok->clicked.disconnect(this);
    Ulvo::releaseAndNull(m_ok);
    for (Gebiet* gebiet : m_gebiete)
        gebiet->selected.disconnect(this);
    Ulvo::releaseAndClear(m_gebiete);
    Ulvo::releaseAndNull(m_arbeit);
    Ulvo::releaseAndNull(m_arbeitsFlaeche);
    Ulvo::releaseAndNull(m_goalAnimation);
    Ulvo::releaseAndNull(m_animation);
}

void RichtigenPfadAnklicken::createGUI()
{
    Ulvo::GUIWindow* window = cloneVorlage(L"RICHTIGER_WEG_FENSTER");
    Ulvo::GUIWindow* flaeche = cloneVorlage(L"RICHTIGER_WEG_FENSTER_ARBEITS_FLAECHE");
    Ulvo::GUIWindow* arbeit = cloneVorlage(L"RICHTIGER_WEG_FENSTER_ARBEIT");
    if (window && flaeche && arbeit) {
        // A second build (the game screen set up again) lets go of the first one's copies.
        if (m_ok)
            m_ok->clicked.disconnect(this);
        Ulvo::releaseAndNull(m_ok);
        Ulvo::releaseAndNull(m_window);
        Ulvo::releaseAndNull(m_arbeitsFlaeche);
        Ulvo::releaseAndNull(m_arbeit);
        m_window = window;
        m_arbeitsFlaeche = flaeche;
        m_arbeit = arbeit;
        m_window->addChild(m_arbeitsFlaeche);
        m_arbeitsFlaeche->addChild(m_arbeit);
        // The places first: a box over its place takes its own presses.
        for (Gebiet* gebiet : m_gebiete) {
            if (gebiet->place && gebiet->checkbox)
                m_arbeit->addChild(gebiet->place);
        }
        for (Gebiet* gebiet : m_gebiete) {
            if (gebiet->checkbox)
                m_arbeit->addChild(gebiet->checkbox);
        }
        if ((m_ok = cloneVorlage(L"RICHTIGER_WEG_OK"))) {
            m_ok->clicked.connect(this, &RichtigenPfadAnklicken::onOK);
            m_window->addChild(m_ok);
        }
        addButtons(L"RICHTIGER_WEG");
    } else {
        Ulvo::releaseAndNull(window);
        Ulvo::releaseAndNull(flaeche);
        Ulvo::releaseAndNull(arbeit);
    }
    start();
    Minispiel::createGUI();
}

bool RichtigenPfadAnklicken::start()
{
    Minispiel::start();
    if (m_arbeit) {
        AreaLayout::showFrame(m_arbeit, m_animation, false);
        AreaLayout::showFrame(m_arbeit, nullptr, true);
    }
    return false;
}

void RichtigenPfadAnklicken::show()
{
    Minispiel::show();
    for (Gebiet* gebiet : m_gebiete) {
        gebiet->checked = false;
        if (gebiet->checkbox)
            gebiet->checkbox->setChecked(false);
    }
}

void RichtigenPfadAnklicken::onGebietSelected(Gebiet& gebiet)
{
    for (Gebiet* other : m_gebiete) {
        if (other == &gebiet)
            continue;
        other->checked = false;
        if (other->checkbox)
            other->checkbox->setChecked(false);
    }
}

void RichtigenPfadAnklicken::onOK(Ulvo::GUIWindow&)
{
    if (m_solved)
        return;
    bool ticked = false, wrong = false;
    for (const Gebiet* gebiet : m_gebiete) {
        ticked = ticked || gebiet->checked;
        wrong = wrong || (gebiet->checked && !gebiet->richtig);
    }
    // OK with nothing ticked is no answer: it fails like a wrong one instead of solving.
    if (wrong || !ticked) {
        Ulvo::GUIKeepAlive alive(this);
        manager().failedSignal.emit(*this);
        start();
        return;
    }
    m_solved = true;
    m_endDelayLeft = m_endDelay;
}

void RichtigenPfadAnklicken::update(const double& dt)
{
    if (m_animation && m_arbeit) {
        double elapsed = dt;
        m_animation->update(elapsed);
        AreaLayout::showFrame(m_arbeit, m_animation, false);
    }
    if (m_solved && m_goalAnimation && m_arbeit) {
        double elapsed = dt;
        m_goalAnimation->update(elapsed);
        AreaLayout::showFrame(m_arbeit, m_goalAnimation, true);
    }
    Minispiel::update(dt);
}

} // namespace ThreeMatch
