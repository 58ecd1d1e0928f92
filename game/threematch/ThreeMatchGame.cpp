#include "threematch/ThreeMatchGame.h"

#include <d3d9.h>

#include "devices/D3DInterface.h"
#include "devices/DirectInputInterface.h"
#include "devices/TastaturLayoutManager.h"
#include "foundation/UlvoEngine.h"
#include "foundation/XMLNode.h"

namespace ThreeMatch {

ThreeMatchGame::ThreeMatchGame(bool, bool)
{
    // The keyboard layouts the console and text entry type through.
    Ulvo::XMLNode layouts;
    if (Ulvo::XMLNode::load(&layouts, L"tastaturlayout.lay", 0))
        Ulvo::TastaturLayoutManager::getInstance()->load(layouts);

    Ulvo::UlvoEngine* engine = Ulvo::UlvoEngine::getInstance();
    engine->onUpdate.connect(this, &ThreeMatchGame::update);
    engine->onRender.connect(this, &ThreeMatchGame::render);
    engine->onExit.connect(this, &ThreeMatchGame::onEngineExit);
}

void ThreeMatchGame::update()
{
    // Menus and the GUI update before this once they exist; input signals
    // emitted by the poll reach them in the same update.
    Ulvo::DirectInputInterface::getInstance()->update();
}

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
