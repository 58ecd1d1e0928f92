#include "threematch/ThreeMatchGame.h"

#include <d3d9.h>

#include "devices/D3DInterface.h"
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

void ThreeMatchGame::render()
{
    IDirect3DDevice9* device = Ulvo::D3DInterface::getInstance()->getDevice();
    if (!device)
        return;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFFFFFFFF, 1.0f, 0);
    device->BeginScene();
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

void ThreeMatchGame::onEngineExit(const uint32_t&) {}

} // namespace ThreeMatch
