#include "threematch/controller/ThreeMatchGame.h"

#include "threematch/board/SpielfeldProfileWorld.h"

namespace ThreeMatch {

namespace {
const RECT kRenderTargetRect{0, 0, 1024, 768};
}

ThreeMatchGame::ThreeMatchGame(const bool&, const bool& confirmDisplayChanges)
    : m_confirmDisplayChanges(confirmDisplayChanges)
    , m_renderTarget(std::make_unique<Ulvo::RenderToTexture>(kRenderTargetRect, D3DFMT_A8R8G8B8, D3DFMT_D24S8))
{
}

ThreeMatchGame::~ThreeMatchGame() = default;

} // namespace ThreeMatch
