#include "threematch/particles/PartikelManager.h"

#include "engine/UlvoEngine.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/sprites/D3DXSprite.h"
#include "threematch/globals/GameGraphics.h"

#include <algorithm>

namespace ThreeMatch {

PartikelManager::~PartikelManager()
{
    clear();
    deleteDefinitions();
}

bool PartikelManager::load(const std::wstring& fileName)
{
    Ulvo::XMLNode root;
    if (!Ulvo::XMLNode::load(&root, fileName, 0)) {
        Ulvo::mainLogger().log(100, Ulvo::LOG_TYPE_ERROR,
                               L"ThreeMatch::PartikelManager::load: " + fileName + L" nicht gelesen!\n");
        return false;
    }
    load(root);
    return true;
}

void PartikelManager::load(const Ulvo::XMLNode& root)
{
    for (const Ulvo::XMLNode* node : root.getNodes()) {
        if (node && node->getName() == L"PARTIKEL_INFO")
            m_partikelInfos.push_back(new PartikelInfo(*node));
    }
    for (const Ulvo::XMLNode* node : root.getNodes()) {
        if (node && node->getName() == L"EMITTER_INFO")
            m_emitterInfos.push_back(new EmitterInfo(*node));
    }
}

const EmitterInfo* PartikelManager::findEmitterInfo(const std::wstring& name) const
{
    for (const EmitterInfo* info : m_emitterInfos) {
        if (info->name == name)
            return info;
    }
    return nullptr;
}

const PartikelInfo* PartikelManager::findPartikelInfo(const std::wstring& name) const
{
    for (const PartikelInfo* info : m_partikelInfos) {
        if (info->name == name)
            return info;
    }
    return nullptr;
}

void PartikelManager::addEmitter(PartikelEmitter* emitter, bool alsoRegister)
{
    if (!emitter)
        return;
    emitter->setAlsoRegistered(alsoRegister);
    m_emitters.push_back(emitter);
    if (alsoRegister)
        m_registered.push_back(emitter);
}

bool PartikelManager::isFull() const
{
    return m_partikel.size() >= kMaxPartikel;
}

void PartikelManager::emitPartikel(const std::wstring& name, float x, float y, double scale, int layer)
{
    if (isFull())
        return;
    if (const PartikelInfo* info = findPartikelInfo(name))
        m_partikel.push_back(new Partikel(*info, x, y, scale, layer));
}

void PartikelManager::update()
{
    const Ulvo::PerfTimer* clock = Ulvo::UlvoEngine::getInstance()->getPerfTimer();
    advance(clock->getRealFrameTime(), clock->getFrameTime());
}

void PartikelManager::advance(double realDt, double gameDt)
{
    // Both lists are walked from the end so that entries can leave during the walk; what
    // the walk adds lands behind it and waits for the next frame.
    for (std::size_t i = m_partikel.size(); i-- > 0;) {
        Partikel* partikel = m_partikel[i];
        partikel->update(realDt);
        if (partikel->isDead()) {
            delete partikel;
            m_partikel.erase(m_partikel.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    for (std::size_t i = m_emitters.size(); i-- > 0;) {
        PartikelEmitter* emitter = m_emitters[i];
        emitter->update(*this, realDt, gameDt);
        if (!emitter->isFinished())
            continue;
        std::erase(m_registered, emitter);
        m_emitters.erase(m_emitters.begin() + static_cast<std::ptrdiff_t>(i));
        emitter->end(*this);
        delete emitter;
    }
}

void PartikelManager::render(int layer, D3DCOLOR tint) const
{
    Ulvo::D3DXSprite* sprite = gameSprite();
    if (!sprite)
        return;
    for (auto it = m_partikel.rbegin(); it != m_partikel.rend(); ++it) {
        if ((*it)->getLayer() == layer)
            (*it)->render(*sprite, tint);
    }
}

void PartikelManager::clear()
{
    for (PartikelEmitter* emitter : m_emitters)
        delete emitter;
    m_emitters.clear();
    m_registered.clear();
    for (Partikel* partikel : m_partikel)
        delete partikel;
    m_partikel.clear();
}

void PartikelManager::setView(float offsetX, float offsetY, double scale)
{
    m_offsetX = offsetX;
    m_offsetY = offsetY;
    m_scale = scale;
}

void PartikelManager::deleteDefinitions()
{
    for (EmitterInfo* info : m_emitterInfos)
        delete info;
    m_emitterInfos.clear();
    for (PartikelInfo* info : m_partikelInfos)
        delete info;
    m_partikelInfos.clear();
}

} // namespace ThreeMatch
