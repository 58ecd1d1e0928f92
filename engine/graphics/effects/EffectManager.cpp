#include "graphics/effects/EffectManager.h"

#include "foundation/console/ConsoleCommand.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/objects/NamedObject.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
#include "graphics/effects/EffectBundle.h"
#include "graphics/effects/EffectPool.h"

#include <mutex>

namespace Ulvo {

namespace {

// The one lock that every list append of effects and bundles shares.
std::recursive_mutex& listLock()
{
    static std::recursive_mutex lock;
    return lock;
}

template <class T> T* findByName(const std::vector<T*>& list, const std::wstring& name)
{
    for (T* object : list) {
        if (object && object->getName() == name)
            return object;
    }
    return nullptr;
}

} // namespace

EffectManager* EffectManager::getInstance()
{
    static EffectManager instance;
    return &instance;
}

EffectManager::EffectManager()
{
    static const ConsoleCommandEntry<EffectManager> kCommands[] = {
        {L"FX_reloadAllEffects", 0, L"FX_reloadAllEffects; l\u00E4dt alle Effekte neu",
         &EffectManager::consoleReloadAllEffects},
        {L"FX_reloadEffect", 1, L"FX_reloadEffect eff; l\u00E4dt Effekt neu", &EffectManager::consoleReloadEffect,
         &EffectManager::completeEffectName},
        {L"FX_enableShaderDebugging", 2,
         L"FX_enableShaderDebugging eff 0/1; kompiliert den Effekt neu mit Shaderdebugging an/aus",
         &EffectManager::consoleEnableShaderDebugging, &EffectManager::completeEffectName},
    };
    registerCommands(kCommands);
}

EffectManager::~EffectManager()
{
    for (Effect*& effect : m_effects)
        releaseAndNull(effect);
    for (EffectPool*& pool : m_pools)
        releaseAndNull(pool);
    for (EffectBundle*& bundle : m_bundles)
        releaseAndNull(bundle);
}

void EffectManager::load(XMLNode* root)
{
    FileLogger& log = moduleLogger(LogModule::EffectManager);
    log.log(10, LOG_TYPE_INFO, L"Ulvo::EffectManager::load Start!\n");
    {
        LogIndent<FileLogger> indent(log);
        // A node named like an object of its kind that is loaded already is skipped.
        const auto alreadyLoaded = [&log](const XMLNode* node, const wchar_t* kind, auto find) {
            std::wstring name;
            if (!node->readString(L"NAME", name) || !find(name))
                return false;
            log.log(75, LOG_TYPE_WARNING, kind + name + L" already exists! SKIP loading\n");
            return true;
        };
        if (root) {
            for (unsigned i = 0, n = root->getNodeCount(L"EFFECT_POOL"); i < n; ++i) {
                XMLNode* node = root->getNode(L"EFFECT_POOL", static_cast<int>(i));
                if (alreadyLoaded(node, L"Effectpool ",
                                  [this](const std::wstring& name) { return getEffectPool(name); }))
                    continue;
                m_pools.push_back(new EffectPool(node));
            }
            for (unsigned i = 0, n = root->getNodeCount(L"EFFECT_BUNDLE"); i < n; ++i) {
                XMLNode* node = root->getNode(L"EFFECT_BUNDLE", static_cast<int>(i));
                if (alreadyLoaded(node, L"Effectbundle ",
                                  [this](const std::wstring& name) { return getEffectBundle(name); }))
                    continue;
                auto* bundle = new EffectBundle();
                if (bundle->createFromNode(node)) {
                    std::lock_guard<std::recursive_mutex> guard(listLock());
                    m_bundles.push_back(bundle);
                    bundle->AddRef();
                }
                bundle->Release();
            }
            for (unsigned i = 0, n = root->getNodeCount(L"EFFECT"); i < n; ++i) {
                XMLNode* node = root->getNode(L"EFFECT", static_cast<int>(i));
                if (alreadyLoaded(node, L"Effect ", [this](const std::wstring& name) { return getEffect(name); }))
                    continue;
                auto* effect = new Effect(false);
                if (effect->createFromNode(node))
                    addEffect(effect);
                effect->Release();
            }
        }
    }
    log.log(10, LOG_TYPE_INFO, L"Ulvo::EffectManager::load End!\n");
}

void EffectManager::addEffect(Effect* effect)
{
    std::lock_guard<std::recursive_mutex> guard(listLock());
    m_effects.push_back(effect);
    effect->AddRef();
}

Effect* EffectManager::getEffect(const std::wstring& name) const
{
    return findByName(m_effects, name);
}

EffectBundle* EffectManager::getEffectBundle(const std::wstring& name) const
{
    return findByName(m_bundles, name);
}

EffectPool* EffectManager::getEffectPool(const std::wstring& name) const
{
    return findByName(m_pools, name);
}

bool EffectManager::anyMayBlendWithTargetAlpha() const
{
    for (const Effect* effect : m_effects)
        if (effect->isLoaded() && effect->mayBlendWithTargetAlpha())
            return true;
    return false;
}

void EffectManager::reloadAllEffects()
{
    for (size_t i = 0; i < m_effects.size(); ++i)
        m_effects[i]->reload();
}

void EffectManager::deleteAllCompiledFiles()
{
    for (Effect* effect : m_effects)
        effect->deleteCompiledFile();
}

void EffectManager::consoleReloadAllEffects(TypedConsoleCommand& line)
{
    if (line.getArgumentCount() >= 2 && line.getParamBool(1))
        deleteAllCompiledFiles();
    reloadAllEffects();
    line.setAnswer(L"alle Effekte neu geladen");
}

Effect* EffectManager::commandEffect(TypedConsoleCommand& line) const
{
    Effect* effect = getEffect(line.getToken(0));
    if (!effect)
        line.setAnswer(L"Effekt nicht gefunden!");
    return effect;
}

void EffectManager::consoleReloadEffect(TypedConsoleCommand& line)
{
    Effect* effect = commandEffect(line);
    if (!effect)
        return;
    if (line.getArgumentCount() >= 2 && line.getParamBool(1))
        effect->deleteCompiledFile();
    effect->reload();
    line.setAnswer(L"Effekt neu geladen!");
}

void EffectManager::consoleEnableShaderDebugging(TypedConsoleCommand& line)
{
    Effect* effect = commandEffect(line);
    if (!effect)
        return;
    const bool on = line.getParamBool(1);
    if (effect->getShaderDebugging() != on) {
        effect->setShaderDebugging(on);
        effect->reload();
    }
    line.setAnswer(L"Effekt neu kompiliert!");
}

void EffectManager::completeEffectName(TypedConsoleCommand& line, std::vector<std::wstring>& candidates)
{
    const std::wstring prefix = line.getToken(0);
    for (Effect* effect : m_effects) {
        if (effect->getName().compare(0, prefix.size(), prefix) == 0)
            candidates.push_back(effect->getName());
    }
}

} // namespace Ulvo
