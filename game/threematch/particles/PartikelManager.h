#pragma once
// The game's 2D particles: the particle and emitter definitions of
// "data\Partikel\Partikel.par", the live emitters and the live particles. Owned by the game's
// globals. Bursting board cells, buildings and bonuses start emitters by definition name; the
// game controller advances everything once a frame and the board and town drawing draws the
// particles of one layer at a time. The manager owns every definition, emitter and particle:
// callers keep an emitter pointer only until they finish it.
#include "threematch/particles/EmitterInfo.h"
#include "threematch/particles/Partikel.h"
#include "threematch/particles/PartikelEmitter.h"
#include "threematch/particles/PartikelInfo.h"

#include <string>
#include <vector>

namespace ThreeMatch {

class PartikelManager {
public:
    // Bounds that keep a hostile particle file from hanging or exhausting the game: emissions
    // of one emitter in one frame, live particles, and live emitters started by emitters.
    static constexpr int kMaxEmissionsPerFrame = 500;
    static constexpr std::size_t kMaxPartikel = 10000;
    static constexpr std::size_t kMaxEmitters = 1000;

    PartikelManager() = default;
    ~PartikelManager();
    PartikelManager(const PartikelManager&) = delete;
    PartikelManager& operator=(const PartikelManager&) = delete;

    // Reads every PARTIKEL_INFO node of the file, then every EMITTER_INFO node; false when the
    // file does not read.
    bool load(const std::wstring& fileName);
    void load(const Ulvo::XMLNode& root);

    // The first definition of that name, or null.
    const EmitterInfo* findEmitterInfo(const std::wstring& name) const;
    const PartikelInfo* findPartikelInfo(const std::wstring& name) const;

    // Takes the emitter over; with alsoRegister it is listed in the second list too.
    void addEmitter(PartikelEmitter* emitter, bool alsoRegister);
    // True while no further particle is taken.
    bool isFull() const;
    // A particle of the named definition; an unknown name (or a full list) emits nothing.
    void emitPartikel(const std::wstring& name, float x, float y, double scale, int layer);

    // Advances particles and emitters by the game clock's real and game frame times.
    void update();
    void advance(double realDt, double gameDt);
    // Draws the live particles of one layer, the last first, inside a begun sprite batch.
    void render(int layer, D3DCOLOR tint) const;
    // Deletes every live emitter and particle; the definitions stay.
    void clear();

    // The view the board draws with: emitters started on board cells are placed through it.
    void setView(float offsetX, float offsetY, double scale);
    float getOffsetX() const { return m_offsetX; }
    float getOffsetY() const { return m_offsetY; }
    double getScale() const { return m_scale; }

    const std::vector<EmitterInfo*>& getEmitterInfos() const { return m_emitterInfos; }
    const std::vector<PartikelInfo*>& getPartikelInfos() const { return m_partikelInfos; }
    const std::vector<Partikel*>& getPartikel() const { return m_partikel; }
    const std::vector<PartikelEmitter*>& getEmitters() const { return m_emitters; }
    const std::vector<PartikelEmitter*>& getRegisteredEmitters() const { return m_registered; }

private:
    void deleteDefinitions();

    std::vector<EmitterInfo*> m_emitterInfos;
    std::vector<PartikelInfo*> m_partikelInfos;
    std::vector<Partikel*> m_partikel;
    std::vector<PartikelEmitter*> m_emitters;
    // The live emitters that were added with the also-register flag, in step with the list above.
    std::vector<PartikelEmitter*> m_registered;
    float m_offsetX = 0.0f;
    float m_offsetY = 0.0f;
    double m_scale = 1.0;
};

} // namespace ThreeMatch
