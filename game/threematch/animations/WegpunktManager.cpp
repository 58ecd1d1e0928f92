#include "threematch/animations/WegpunktManager.h"

#include "engine/UlvoEngine.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/sprites/D3DXSprite.h"
#include "threematch/globals/GameGraphics.h"

namespace ThreeMatch {

WegpunktManager::~WegpunktManager()
{
    clear();
}

bool WegpunktManager::load(const std::wstring& fileName)
{
    Ulvo::XMLNode root;
    if (!Ulvo::XMLNode::load(&root, fileName, 0)) {
        Ulvo::mainLogger().log(100, Ulvo::LOG_TYPE_ERROR,
                               L"ThreeMatch::WegpunktManager::load: " + fileName + L" nicht gelesen!\n");
        return false;
    }
    load(root);
    return true;
}

void WegpunktManager::load(const Ulvo::XMLNode& root)
{
    for (const Ulvo::XMLNode* node : root.getNodes()) {
        if (node && node->getName() == L"VORLAGE")
            m_vorlagen.push_back(new WegpunktVorlage(*node));
    }
}

WegpunktVorlage* WegpunktManager::findVorlage(const std::wstring& name) const
{
    for (auto it = m_vorlagen.rbegin(); it != m_vorlagen.rend(); ++it) {
        if ((*it)->getName() == name)
            return *it;
    }
    return nullptr;
}

void WegpunktManager::add(WegpunktAnimation* animation)
{
    if (animation)
        m_animations.push_back(animation);
}

void WegpunktManager::update(bool useRealTime)
{
    const Ulvo::PerfTimer* clock = Ulvo::UlvoEngine::getInstance()->getPerfTimer();
    const double realDt = clock->getRealFrameTime();
    advance(useRealTime ? realDt : clock->getFrameTime(), realDt);
}

void WegpunktManager::advance(double dt, double realDt)
{
    for (std::size_t i = m_animations.size(); i-- > 0;) {
        WegpunktAnimation* animation = m_animations[i];
        animation->update(dt, realDt);
        if (!animation->isFinished())
            continue;
        // Out of the list before the signal, so a slot that adds animations cannot disturb the walk.
        m_animations.erase(m_animations.begin() + static_cast<std::ptrdiff_t>(i));
        animation->finished.emit(*animation);
        delete animation;
    }
}

void WegpunktManager::render(float offsetX, float offsetY, double scale, D3DCOLOR colour) const
{
    Ulvo::D3DXSprite* sprite = gameSprite();
    if (!sprite)
        return;
    for (auto it = m_animations.rbegin(); it != m_animations.rend(); ++it)
        (*it)->render(*sprite, offsetX, offsetY, scale, colour);
}

void WegpunktManager::clear()
{
    for (WegpunktAnimation* animation : m_animations)
        delete animation;
    m_animations.clear();
    for (WegpunktVorlage* vorlage : m_vorlagen)
        delete vorlage;
    m_vorlagen.clear();
}

} // namespace ThreeMatch
