// Reads arbitrary bytes as a particle file and as a path-animation file, starts an emitter of
// every definition (free and along a path) and an animation of every template, and runs them
// for a few frames of real and game time, paused frames and long ones among them. There is no
// device: textures are not found and nothing is drawn, but the drawing is walked.
#include "FuzzText.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "threematch/animations/WegpunktManager.h"
#include "threematch/globals/GameRandom.h"
#include "threematch/particles/PartikelManager.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace ThreeMatch;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    crt_srand(0);
    Ulvo::XMLNode root;
    Ulvo::XMLNode::load(&root, fuzzText(data, size), 1);

    PartikelManager particles;
    particles.load(root);
    const WegpunktListe path = {{0, 0, 0.1}, {50, 20, 0.0}, {-30, 10, 0.4}};
    bool alongPath = false;
    for (const EmitterInfo* info : particles.getEmitterInfos()) {
        particles.addEmitter(new PartikelEmitter(*info, 10, 10, 1.0, alongPath ? &path : nullptr, -1, alongPath),
                             alongPath);
        alongPath = !alongPath;
    }
    for (const PartikelInfo* info : particles.getPartikelInfos())
        particles.emitPartikel(info->name, 5, 5, 2.0, 0);

    WegpunktManager animations;
    animations.load(root);
    for (const WegpunktVorlage* vorlage : animations.getVorlagen())
        animations.add(new WegpunktAnimation(*vorlage, RECT{0, 0, 10, 10}, false, 0.05));

    const double steps[][2] = {{0.025, 0.025}, {0.025, 0.0}, {0.4, 0.4}, {3.0, 3.0}, {0.0, 0.0}};
    for (const auto& step : steps) {
        particles.advance(step[0], step[1]);
        animations.advance(step[1], step[0]);
        if (particles.getPartikel().size() > PartikelManager::kMaxPartikel ||
            particles.getEmitters().size() > PartikelManager::kMaxEmitters + particles.getEmitterInfos().size())
            std::abort();
        for (const Partikel* partikel : particles.getPartikel()) {
            const double size = partikel->sizeFactor();
            (void)partikel->drawColour(0xFFFFFFFF);
            if (size != size)
                std::abort();
        }
        particles.render(-1, 0xFFFFFFFF);
        animations.render(1.0f, 2.0f, 0.5, 0xFFFFFFFF);
    }
    particles.clear();
    animations.clear();
    return 0;
}
