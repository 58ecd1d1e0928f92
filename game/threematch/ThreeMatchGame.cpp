#include "threematch/ThreeMatchGame.h"

#include <d3d9.h>

#include "devices/d3d/D3DInterface.h"
#include "devices/input/DirectInputInterface.h"
#include "devices/input/KeyState.h"
#include "devices/sound/PlayingSoundCue.h"
#include "devices/sound/SoundInterface.h"
#include "devices/sound/Soundbank.h"
#include "devices/input/TastaturLayoutManager.h"
#include "foundation/time/Measures.h"
#include "foundation/UlvoEngine.h"
#include "foundation/text/TextManager.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/fonts/D3DXFontInterface.h"
#include "graphics/effects/EffectManager.h"
#include "graphics/sprites/SpritePair.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "graphics/textures/Texture2DAnimationManager.h"
#include "graphics/textures/TextureLoadOptions.h"
#include "graphics/textures/TextureManager.h"

namespace ThreeMatch {

namespace {

// The in-game window's render target: the reference screen size.
const RECT kRenderTargetRect{0, 0, 1024, 768};

void loadTextureList(Ulvo::TextureManager* textures, const wchar_t* fileName)
{
    Ulvo::XMLNode list;
    if (Ulvo::XMLNode::load(&list, fileName, 0))
        textures->load(&list, Ulvo::TextureLoadOptions());
}

} // namespace

ThreeMatchGame::ThreeMatchGame(bool, bool)
{
    loadData();

    Ulvo::UlvoEngine* engine = Ulvo::UlvoEngine::getInstance();
    engine->onUpdate.connect(this, &ThreeMatchGame::update);
    engine->onRender.connect(this, &ThreeMatchGame::render);
    engine->onExit.connect(this, &ThreeMatchGame::onEngineExit);
    Ulvo::DirectInputInterface::getInstance()->getInputStates().mouseState.buttonPressed.connect(
        this, &ThreeMatchGame::onMouseButtonPressed);

    Ulvo::Measures::setMeasuring(false);

    m_renderTarget = Ulvo::RenderToTexture(kRenderTargetRect, D3DFMT_A8R8G8B8, D3DFMT_D24S8);
    m_renderTarget.create();
    m_renderTarget.onRender.connect(this, &ThreeMatchGame::drawIntoTarget);
}

void ThreeMatchGame::loadData()
{
    Ulvo::D3DInterface* d3d = Ulvo::D3DInterface::getInstance();
    // Effects first: everything that draws looks its effect up by name.
    Ulvo::XMLNode effects;
    Ulvo::XMLNode::load(&effects, L"data\\FX\\effecte.fxf", 0);
    d3d->getEffectManager()->load(&effects);

    Ulvo::TextureManager* textures = d3d->getTextureManager();
    for (const wchar_t* list :
         {L"data\\textures\\vindara.tex", L"data\\menu\\blend.tex", L"data\\menu\\menu.tex",
          L"data\\stones\\stones.tex", L"data\\Level\\freeplay.tex", L"data\\textures\\textures.tex"})
        loadTextureList(textures, list);
    Ulvo::XMLNode animations;
    if (Ulvo::XMLNode::load(&animations, L"data\\Animationen\\Animation.ani", 0))
        Ulvo::Texture2DAnimationManager::getInstance()->load(&animations);
    m_mousePointer = Ulvo::Texture2DAnimationManager::getInstance()->getAnimation(L"CURSOR_0");

    // The font file goes to the font manager whatever became of its loading.
    Ulvo::XMLNode fonts;
    Ulvo::XMLNode::load(&fonts, L"data\\font.fnt", 0);
    Ulvo::UlvoEngine::getInstance()->getFontInterface()->loadFonts(&fonts);
    Ulvo::XMLNode texts;
    if (Ulvo::XMLNode::load(&texts, L"data\\texte.lng", 0))
        Ulvo::UlvoEngine::getInstance()->getTextManager()->load(&texts);

    Ulvo::XMLNode sounds;
    if (!Ulvo::XMLNode::load(&sounds, L"data\\Sounds\\sounds.snd", 0))
        Ulvo::mainLogger().log(100, Ulvo::LOG_TYPE_ERROR,
                               L"Sound configuration missing, empty or damaged: data\\Sounds\\sounds.snd\n");
    Ulvo::SoundInterface::getInstance()->load(&sounds);

    // The keyboard layouts the console and text entry type through: the one of the system's
    // keyboard, else the file's active one.
    Ulvo::XMLNode layouts;
    if (Ulvo::XMLNode::load(&layouts, L"tastaturlayout.lay", 0)) {
        Ulvo::TastaturLayoutManager::getInstance()->load(layouts);
        Ulvo::TastaturLayoutManager::getInstance()->activateSystemLayout();
    }
}

void ThreeMatchGame::update()
{
    // Menus and the GUI update before this once they exist; input signals
    // emitted by the poll reach them in the same update.
    Ulvo::DirectInputInterface::getInstance()->update();
}

void ThreeMatchGame::drawIntoTarget(Ulvo::RenderToTexture&)
{
    IDirect3DDevice9* device = Ulvo::D3DInterface::getInstance()->getDevice();
    if (device)
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
}

void ThreeMatchGame::render()
{
    Ulvo::D3DInterface* d3d = Ulvo::D3DInterface::getInstance();
    IDirect3DDevice9* device = d3d->getDevice();
    if (!device)
        return;
    m_renderTarget.render();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFFFFFFFF, 1.0f, 0);
    device->BeginScene();
    Ulvo::D3DXSprite& sprite = d3d->getSprite()->first;
    if (sprite.Begin(D3DXSPRITE_ALPHABLEND)) {
        m_consoleLine.draw();
        drawMousePointer(sprite);
        sprite.End();
    }
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

void ThreeMatchGame::drawMousePointer(Ulvo::D3DXSprite& sprite)
{
    Ulvo::DirectInputInterface* input = Ulvo::DirectInputInterface::getInstance();
    if (!input->isCursorHidden())
        return;
    Ulvo::Texture2DAnimationFrame* frame = m_mousePointer ? m_mousePointer->getCurrentTexture() : nullptr;
    if (!frame || !frame->texture)
        return;
    const Ulvo::MouseState& mouse = input->getInputStates().mouseState;
    const D3DXVECTOR2 position(mouse.position[0], mouse.position[1]);
    sprite.drawTexture2D(frame->texture, &frame->rect, nullptr, nullptr, 0.0f, &position, 0xFFFFFFFF);
}

void ThreeMatchGame::onMouseButtonPressed(Ulvo::MouseState&, const UlvoMouseButton&)
{
    if (Ulvo::Soundbank* bank = Ulvo::SoundInterface::getInstance()->getDefaultSoundbank()) {
        if (Ulvo::PlayingSoundCue* cue = bank->play2DByName(L"klick_menu", true))
            cue->Release(); // plays on; the bank ends it
    }
}

void ThreeMatchGame::onEngineExit(const uint32_t&) {}

} // namespace ThreeMatch
