#include "minigames/unterschiede/UnterschiedeAnklicken.h"

#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/text/TextManager.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUILabel.h"
#include "gui/windows/GUIRect.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/frame/Playfield.h"

#include <algorithm>

namespace ThreeMatch {

UnterschiedeAnklicken::UTeil::UTeil(Ulvo::XMLNode* node)
{
    if (node) {
        std::wstring name;
        if (node->readString(L"GUI", name)) {
            if (const Ulvo::GUIWindow* vorlage = Ulvo::GUISystem::getInstance()->getVorlage(name))
                window = vorlage->clone();
            else
                Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::UnterschiedeAnklicken: Vorlage '",
                                       name, L"' nicht gefunden\n");
        }
        if (node->readString(L"ANIMATION", name))
            animation = Playfield::cloneAnimation(name, L"UnterschiedeAnklicken");
    }
    if (window) {
        // Placed inside the field by its own GUIRECT (a zero rect without one), which its
        // animation states keep too.
        window->getGUIRect() = Ulvo::GUIRect(node ? node->getNode(L"GUIRECT") : nullptr);
        window->takeCurrentState();
        window->takeDefaultState();
        window->clicked.connect(this, &UTeil::onClicked);
    }
    reset();
}

UnterschiedeAnklicken::UTeil::~UTeil()
{
    if (window)
        window->clicked.disconnect(this);
    Ulvo::releaseAndNull(window);
    Ulvo::releaseAndNull(animation);
}

void UnterschiedeAnklicken::UTeil::reset()
{
    if (window)
        window->setAnimationGoal(L"AN");
    found = false;
}

void UnterschiedeAnklicken::UTeil::onClicked(Ulvo::GUIWindow& clicked)
{
    if (&clicked != window)
        return;
    // With a picture only its opaque part counts.
    if (animation && !Playfield::hitsOpaque(animation, window->getScreenRect(), Playfield::mouse()))
        return;
    found = true;
    window->setAnimationGoal(L"AUS");
}

UnterschiedeAnklicken::UnterschiedeAnklicken(Ulvo::XMLNode* node) : Minispiel(node)
{
    if (!node)
        return;
    for (Ulvo::XMLNode* child : node->getNodes()) {
        if (child && child->getName() == L"UNTERSCHIED")
            m_teile.push_back(new UTeil(child));
    }
}

UnterschiedeAnklicken::~UnterschiedeAnklicken()
{
    for (UTeil* teil : m_teile)
        delete teil;
    Ulvo::releaseAndNull(m_spielfeld);
    Ulvo::releaseAndNull(m_label);
}

void UnterschiedeAnklicken::createGUI()
{
    Ulvo::GUIWindow* window = cloneVorlage(L"UNTERSCHIEDE_FENSTER");
    Ulvo::GUIWindow* field = cloneVorlage(L"UNTERSCHIEDE_SPIELFELD");
    Ulvo::GUIWindow* label = cloneVorlage(L"UNTERSCHIEDE_LABEL");
    if (window && field && label) {
        Ulvo::releaseAndNull(m_window);
        Ulvo::releaseAndNull(m_spielfeld);
        Ulvo::releaseAndNull(m_label);
        m_window = window;
        m_spielfeld = field;
        m_label = dynamic_cast<Ulvo::GUILabel*>(label);
        if (m_label)
            m_labelTextId = m_label->getTextId();
        else
            Ulvo::releaseAndNull(label);
        m_window->addChild(m_spielfeld, false, true);
        if (m_label)
            m_window->addChild(m_label, false, true);
        for (UTeil* teil : m_teile) {
            if (teil->window)
                m_spielfeld->addChild(teil->window, false, true);
        }
        addButtons(L"UNTERSCHIEDE");
    } else {
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::UnterschiedeAnklicken: ", getName(),
                               L": Fenster, Spielfeld oder Label unter '", getPraefix(), L"' fehlt\n");
        Ulvo::releaseAndNull(window);
        Ulvo::releaseAndNull(field);
        Ulvo::releaseAndNull(label);
    }
    start();
    Minispiel::createGUI();
}

bool UnterschiedeAnklicken::start()
{
    Minispiel::start();
    for (UTeil* teil : m_teile)
        teil->reset();
    updateLabel(static_cast<int>(m_teile.size()));
    return false;
}

int UnterschiedeAnklicken::countLeft() const
{
    return static_cast<int>(std::count_if(m_teile.begin(), m_teile.end(), [](const UTeil* t) { return !t->found; }));
}

void UnterschiedeAnklicken::updateLabel(int left)
{
    if (!m_label)
        return;
    Ulvo::TextManager* texts = Ulvo::GUISystem::getInstance()->getTextManager();
    if (!texts)
        return;
    // One left reads in the singular, where the texts have it (the label's text id + "_EINS").
    const Ulvo::Text* text = left == 1 ? texts->getText(m_labelTextId + L"_EINS") : nullptr;
    if (!text)
        text = texts->getText(m_labelTextId);
    m_label->setText(texts->formatText(text, left, 0.0, 0.0, left));
}

void UnterschiedeAnklicken::update(const double& dt)
{
    for (UTeil* teil : m_teile) {
        if (!teil->animation)
            continue;
        double elapsed = dt;
        teil->animation->update(elapsed);
        Ulvo::Texture2DAnimationFrame* frame = teil->animation->getCurrentTexture();
        if (!teil->window || !frame)
            continue;
        Ulvo::GUIDrawOptions& options = teil->window->getDrawOptions();
        options.setBackgroundTexture(frame->texture);
        options.backSource[0] = static_cast<float>(frame->rect.left);
        options.backSource[1] = static_cast<float>(frame->rect.top);
        options.backSource[2] = static_cast<float>(frame->rect.right);
        options.backSource[3] = static_cast<float>(frame->rect.bottom);
        options.useBackSource = true;
    }
    const int left = countLeft();
    updateLabel(left);
    Minispiel::update(dt);
    if (!m_solved && left == 0) {
        m_solved = true;
        m_endDelayLeft = m_endDelay;
    }
}

} // namespace ThreeMatch
