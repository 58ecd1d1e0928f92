#pragma once
// The registry of the engine's effects: reads the effect definition file, creates the effect
// pools, bundles and effects, answers lookups by name and offers the FX_ console commands.
//
// The graphics layer in brief. Everything the engine draws goes through an effect: the batching
// sprite, fonts, the GUI, the renderers and post effects look their effect up here by name and
// hold it through a handle that follows reloads ("FX_reloadEffect" swaps the compiled code under
// every holder). Textures come from texture lists into the texture manager the device interface
// owns, or into private managers (fonts, the GUI); sprites batch quads by texture and draw them
// through the "Sprite" effect; fonts rasterise through the platform's D3DX fonts or draw bitmap
// glyph sheets through the sprite. Nothing here owns the device: every holder of default-pool
// resources is a DeviceResource and rebuilds itself around a reset. Loading never stops at a bad
// entry: a broken effect is logged with its compiler message and left unloaded, and whoever draws
// with it draws nothing.
#include "foundation/console/ConsoleCommandReceiver.h"

#include <string>
#include <vector>

namespace Ulvo {

class Effect;
class EffectBundle;
class EffectPool;
class XMLNode;

class EffectManager : public ConsoleCommandReceiver {
public:
    static EffectManager* getInstance();
    ~EffectManager() override;

    void load(XMLNode* root);

    // The first object of that name (exact), or null; borrowed.
    Effect* getEffect(const std::wstring& name) const;
    EffectBundle* getEffectBundle(const std::wstring& name) const;
    EffectPool* getEffectPool(const std::wstring& name) const;

    void reloadAllEffects();
    void deleteAllCompiledFiles();

    // Appends an effect to the list and holds one reference to it (bundles enter their
    // permutation effects here).
    void addEffect(Effect* effect);

    const std::vector<Effect*>& getEffects() const { return m_effects; }
    // Whether a loaded effect may blend with the render target's alpha.
    bool anyMayBlendWithTargetAlpha() const;
    const std::vector<EffectBundle*>& getBundles() const { return m_bundles; }
    const std::vector<EffectPool*>& getPools() const { return m_pools; }

private:
    EffectManager();

    // The FX_ commands; the effect name of the last two completes from the loaded effects.
    void consoleReloadAllEffects(TypedConsoleCommand& line);
    void consoleReloadEffect(TypedConsoleCommand& line);
    void consoleEnableShaderDebugging(TypedConsoleCommand& line);
    void completeEffectName(TypedConsoleCommand& line, std::vector<std::wstring>& candidates);
    // The effect the command's first argument names; without one the answer says so.
    Effect* commandEffect(TypedConsoleCommand& line) const;

    std::vector<Effect*> m_effects;
    std::vector<EffectBundle*> m_bundles;
    std::vector<EffectPool*> m_pools;
};

} // namespace Ulvo
