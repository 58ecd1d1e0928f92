#include "threematch/ThreeMatchGame.h"

#include "foundation/UlvoEngine.h"

namespace ThreeMatch {

ThreeMatchGame::ThreeMatchGame(bool, bool)
{
    Ulvo::UlvoEngine* engine = Ulvo::UlvoEngine::getInstance();
    engine->onUpdate.connect(this, &ThreeMatchGame::update);
    engine->onRender.connect(this, &ThreeMatchGame::render);
    engine->onExit.connect(this, &ThreeMatchGame::onEngineExit);
}

void ThreeMatchGame::update() {}

void ThreeMatchGame::render() {}

void ThreeMatchGame::onEngineExit(const uint32_t&) {}

} // namespace ThreeMatch
