#include "threematch/controller/ThreeMatchGame.h"

#include "threematch/controller/ScreenRules.h"

#include "devices/d3d/D3DInitParams.h"
#include "devices/d3d/D3DInterface.h"
#include "devices/input/DInputInitParams.h"
#include "devices/input/DirectInputInterface.h"
#include "devices/input/TastaturLayoutManager.h"
#include "devices/sound/PlayingSoundCue.h"
#include "devices/sound/SoundInterface.h"
#include "devices/sound/Soundbank.h"
#include "engine/UlvoEngine.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/text/TextManager.h"
#include "foundation/time/Measures.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/EffectManager.h"
#include "graphics/fonts/D3DXFontInterface.h"
#include "graphics/sprites/SpritePair.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "graphics/textures/Texture2DAnimationManager.h"
#include "graphics/textures/TextureLoadOptions.h"
#include "graphics/meshes/MeshManager.h"
#include "graphics/textures/TextureManager.h"
#include "gui/menus/GUIMenu.h"
#include "gui/menus/GUIMenuManager.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUICheckboxButton.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/MinigameKinds.h"
#include "minigames/frame/MinispielManager.h"
#include "render/cameras/CameraManager.h"
#include "render/forward/ForwardRenderer.h"
#include "render/manager/RenderManager.h"
#include "threematch/animations/WegpunktManager.h"
#include "threematch/board/Spielfeld.h"
#include "threematch/board/SpielfeldProfileWorld.h"
#include "threematch/bonuses/BonusManager.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/lightshow/LichterspielManager.h"
#include "threematch/particles/PartikelManager.h"
#include "threematch/profiles/Profil.h"
#include "threematch/profiles/ProfileManager.h"
#include "threematch/screens/MenuEbene.h"
#include "threematch/screens/MenuEbenenManager.h"
#include "threematch/stones/RohstoffManager.h"
#include "threematch/stones/Rohstoffklasse.h"
#include "threematch/town/GebaeudeManager.h"

#include <crt.h>

#include <cwchar>

namespace ThreeMatch {

namespace {

// The in-game render target's default: the reference screen size.
const RECT kRenderTargetRect{0, 0, 1024, 768};
const double kFrequency = 40.0;
const DWORD kSplashMilliseconds = 3000;

// Reads a data file into a fresh node; the loaders report what is missing or broken themselves.
void readFile(Ulvo::XMLNode& node, const wchar_t* fileName)
{
    node.clear();
    Ulvo::XMLNode::load(&node, fileName, 0);
}

} // namespace

void ThreeMatchGame::prepareInput(Ulvo::DInputInitParams& input)
{
    input.setBufferedKeyboard(true);
    input.setBufferedMouse(true);
    input.setMousePollRate(10);
    input.setKeyboardPollRate(10);
    input.setKeyRepeat(500, 100);
    input.setUseWindowMessages(true);
}

ThreeMatchGame::ThreeMatchGame(const bool& showSplashScreen, const bool& confirmDisplayChanges)
    : m_confirmDisplayChanges(confirmDisplayChanges)
    , m_renderTarget(std::make_unique<Ulvo::RenderToTexture>(kRenderTargetRect, D3DFMT_A8R8G8B8, D3DFMT_D24S8))
{
    m_engine = Ulvo::UlvoEngine::getInstance();
    m_d3d = Ulvo::D3DInterface::getInstance();
    m_renderManager = m_engine->getRenderManager();
    m_profiles = ProfileManager::getInstance();
    m_gui = Ulvo::GUISystem::getInstance();
    m_layouts = Ulvo::TastaturLayoutManager::getInstance();
    m_menus = Ulvo::GUIMenuManager::getInstance();
    m_menuLevels = MenuEbenenManager::getInstance();
    m_globals = dynamic_cast<MyGlobals*>(m_engine->getUserGlobals());

    m_exchangeFade.running = true;
    m_exchangeFade.speed = 2.0f;
    m_magnifierFade.end = 1.0f;
    m_magnifierFade.running = true;
    m_magnifierFade.speed = -4.0f;
    resetModeIndices();

    m_engine->setRenderFrequency(kFrequency);
    m_engine->setUpdateFrequency(kFrequency);
    m_engine->setFrameFrequency(kFrequency);
    if (m_renderManager)
        m_renderManager->setRenderTargetSize(1024, 768);
    // A landscape loaded around the board reaches far beyond the board's own scene: the level's
    // camera sees it to the horizon (the shadows keep their own, shorter reach).
    m_camera.setNearFar(0.1, kSceneReach);
    Ulvo::CameraManager* cameras = Ulvo::CameraManager::getInstance();
    cameras->addCamera(&m_camera);
    // The object editor picks through the active camera: the level's, unless the console names
    // another.
    if (!cameras->getActiveCamera())
        cameras->setActiveCamera(&m_camera);
    // A fixed seed: a game replays the same random sequences every run.
    crt_srand(0);
    Ulvo::Measures::setMeasuring(false);

    Ulvo::Logger& log = Ulvo::mainLogger();
    if (!m_globals) {
        log.log(100, Ulvo::LOG_TYPE_ERROR, L"ThreeMatch::ThreeMatchGame: no game globals, nothing is loaded\n");
        return;
    }
    log.log(100, Ulvo::LOG_TYPE_INFO, L"ThreeMatch::ThreeMatchGame::ThreeMatchGame\n");
    log.incIndent();

    connectSignals();
    const bool complete = (!showSplashScreen || showSplash()) && loadDataFiles();
    log.decIndent();
    if (!complete) {
        m_closedWhileLoading = true;
        log.log(100, Ulvo::LOG_TYPE_INFO, L"ThreeMatch::ThreeMatchGame: window closed while loading\n");
        return;
    }
    finishLoading();
}

ThreeMatchGame::~ThreeMatchGame()
{
    // The profiles are written while the board can still give its running level; the globals'
    // own save at exit then finds them written.
    if (m_profiles && m_profileWorld) {
        m_profiles->saveAtExit();
        // The profiles stay usable for a controller built after this one (a restart in-process).
        m_profiles->setGlobals(m_globals);
    }
    if (m_globals && m_profileWorld && m_globals->getProfileWorld() == m_profileWorld.get())
        m_globals->setProfileWorld(nullptr);

    releaseWindowLists();
    Ulvo::releaseAndNull(m_loadingScreen);
    Ulvo::releaseAndClear(m_profileButtons);
    Ulvo::releaseAndNull(m_newProfile);
    m_ingameLevel = nullptr;
    m_helpCheckbox1 = m_helpCheckbox2 = nullptr;
    m_selectedBonus = nullptr;
    m_cursors.clear();
    m_systemPointer.release();
    m_backgrounds.clear();
    m_katastrophen.clear();
    m_winTally.clear();
    m_loseTally.clear();
    delete m_board;
    m_board = nullptr;
    m_renderTarget.reset();
    // The manager's reference goes; the camera is the controller's own.
    Ulvo::CameraManager::getInstance()->removeCamera(&m_camera);
}

void ThreeMatchGame::resetModeIndices()
{
    if (!m_d3d || !m_d3d->getInitParams())
        return;
    const int mode = m_d3d->findDisplayMode(m_d3d->getInitParams()->getDisplayMode());
    m_currentMode = m_chosenMode = mode < 0 ? 0 : mode;
    // A change taken back (or refused) leaves the window as it was: the options show that, and
    // the next OK compares against it.
    m_fullscreen = m_chosenFullscreen = !m_d3d->getInitParams()->isWindowed();
    if (Ulvo::GUICheckboxButton* box = m_gui ? ScreenRules::findCheckbox(*m_gui, L"O_VollbildCB") : nullptr) {
        m_suppressOptionSlots = true;
        box->setChecked(m_fullscreen);
        m_suppressOptionSlots = false;
    }
}

void ThreeMatchGame::connectSignals()
{
    m_engine->onUpdate.connect(this, &ThreeMatchGame::update);
    m_engine->onRender.connect(this, &ThreeMatchGame::render);
    m_engine->onActivate.connect(this, &ThreeMatchGame::onActivate);
    m_d3d->displayModeDegraded.connect(this, &ThreeMatchGame::showAutoDegradeMenu);
    m_d3d->confirmRequested.connect(this, &ThreeMatchGame::showUseSettingsMenu);
    m_d3d->confirmResult.connect(this, &ThreeMatchGame::onSettingsConfirmed);
    m_d3d->confirmSecondsLeft.connect(this, &ThreeMatchGame::onConfirmTimeLeft);
    Ulvo::InputStates& input = Ulvo::DirectInputInterface::getInstance()->getInputStates();
    input.keyState.keyPressed.connect(this, &ThreeMatchGame::takeScreenshot);
    input.keyState.textTyped.connect(this, &ThreeMatchGame::onProfileNameText);
    input.mouseState.buttonPressed.connect(this, &ThreeMatchGame::onMouseButton);
    input.mouseState.buttonReleased.connect(this, &ThreeMatchGame::onMouseButtonUp);
    input.mouseState.axisMoved.connect(this, &ThreeMatchGame::onMouseMove);
    m_profiles->profilesChanged.connect(this, &ThreeMatchGame::rebuildProfileList);
    m_profiles->activeProfileChanged.connect(this, &ThreeMatchGame::onProfileSwitched);
    if (m_renderManager) {
        m_renderManager->getForwardRenderer()->preRender.connect(this, &ThreeMatchGame::onPreRender);
        m_renderManager->getForwardRenderer()->postRender.connect(this, &ThreeMatchGame::onPostRender);
    }
}

bool ThreeMatchGame::showSplash()
{
    loadTextureList(L"data\\textures\\vindara.tex");
    Ulvo::Texture2D* splash = m_d3d->getTextureManager()->getTexture2D(L"VINDARA_SPLASH");
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kSplashMilliseconds) {
        MSG message;
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            // A window closed during the splash ends the start like one closed while loading.
            if (message.message == WM_QUIT) {
                m_engine->exit(0);
                return false;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
            continue;
        }
        IDirect3DDevice9* device = m_d3d->getDevice();
        if (!device || !m_d3d->TestCooperative())
            continue;
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFFFFFFFF, 1.0f, 0);
        device->BeginScene();
        Ulvo::D3DXSprite& sprite = m_d3d->getSprite()->first;
        if (sprite.Begin(0)) {
            RECT screen;
            m_d3d->getScreenRect(&screen);
            if (splash)
                sprite.drawRegion(splash, nullptr, screen, Ulvo::SDP_SCALE, Ulvo::SDP_SCALE, 0xFFFFFFFF);
            sprite.End();
        }
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }
    return true;
}

void ThreeMatchGame::loadTextureList(const wchar_t* fileName)
{
    Ulvo::XMLNode list;
    if (Ulvo::XMLNode::load(&list, fileName, 0))
        m_d3d->getTextureManager()->load(&list, Ulvo::TextureLoadOptions());
}

bool ThreeMatchGame::loadDataFiles()
{
    Ulvo::XMLNode node;
    readFile(node, L"tastaturlayout.lay");
    m_layouts->load(node);
    m_layouts->activateSystemLayout();
    readFile(node, L"data\\GUI\\Loadscreen.gui");
    m_gui->load(&node);
    m_loadingScreen = m_gui->getWindow(L"LoadingScreens");
    if (m_loadingScreen)
        m_loadingScreen->AddRef();
    if (!updateLoadingProgress(0.1f, true))
        return false;

    readFile(node, L"data\\font.fnt");
    m_engine->getFontInterface()->loadFonts(&node);
    readFile(node, L"data\\texte.lng");
    m_engine->getTextManager()->load(&node);
    readFile(node, L"data\\FX\\effecte.fxf");
    m_d3d->getEffectManager()->load(&node);
    loadTextureList(L"data\\menu\\blend.tex");
    // The render configuration looks meshes up by name (the light volume), so they come first.
    m_d3d->getMeshManager()->loadFile(L"data\\Meshes\\meshes.msh", m_d3d->getTextureManager());
    readFile(node, L"data\\FX\\renderpass.rp");
    if (m_renderManager) {
        m_renderManager->load(&node);
        m_renderManager->setForwardRenderingEnabled(m_globals->getHires());
        m_renderManager->setPostEffectsEnabled(m_globals->getHires());
    }
    if (!updateLoadingProgress(0.2f, true))
        return false;

    loadTextureList(L"data\\menu\\menu.tex");
    if (!updateLoadingProgress(0.3f, true))
        return false;
    loadTextureList(L"data\\stones\\stones.tex");
    loadTextureList(L"data\\Level\\freeplay.tex");
    if (!updateLoadingProgress(0.4f, true))
        return false;
    loadTextureList(L"data\\textures\\textures.tex");
    if (!updateLoadingProgress(0.6f, true))
        return false;

    readFile(node, L"data\\Animationen\\Animation.ani");
    Ulvo::Texture2DAnimationManager::getInstance()->load(&node);
    m_globals->getWegpunktManager().load(L"data\\Animationen\\Animation_alt.ani");
    m_globals->getRohstoffManager().load(L"data\\stones\\stones.roh");
    m_globals->getBonusManager().load(L"data\\stones\\bonus.bon");
    m_globals->getBonusManager().bonusReady.connect(this, &ThreeMatchGame::onBonusUsed);
    m_globals->getPartikelManager().load(L"data\\Partikel\\Partikel.par");
    m_globals->getGebaeudeManager().load(L"data\\Gebaeude\\Gebaeude.geb");
    if (!updateLoadingProgress(0.8f, true))
        return false;

    readFile(node, L"data\\menues.menu");
    m_menuLevels->loadMenuEbenen(node);
    m_menus->menuChanged.connect(this, &ThreeMatchGame::onMenuOpened);
    MinispielManager* minigames = MinispielManager::getInstance();
    registerMinigameKinds(minigames->getKinds());
    readFile(node, L"data\\Games\\minigames.min");
    minigames->load(node);
    minigames->closedSignal.connect(this, &ThreeMatchGame::onMinispielClosed);
    minigames->resultSignal.connect(this, &ThreeMatchGame::onMinispielResult);
    minigames->failedSignal.connect(this, &ThreeMatchGame::onMinispielFailed);
    m_townConsole = std::make_unique<TownConsole>([this](int count) {
        for (Rohstoffklasse* klasse : m_globals->getRohstoffManager().getKlassen())
            klasse->spend(-count);
        refreshBuildingButtons();
    });
    minigames->initScreen();
    minigames->shuffle();
    readFile(node, L"data\\Katastrophen\\katastrophen.kat");
    m_katastrophen = Katastrophe::loadAll(node);
    m_globals->getLichterspiele().load(L"data\\lichter.lch");
    std::vector<Ulvo::GUIWindow*> windows;
    m_gui->getAllWindows(windows);
    for (Ulvo::GUIWindow* window : windows)
        window->clicked.connect(this, &ThreeMatchGame::onButtonClicked);
    if (Ulvo::GUIWindow* tooltip = m_gui->getWindow(L"TOOLTIP"))
        tooltip->beforeDraw.connect(this, &ThreeMatchGame::drawTooltipFrame);
    readFile(node, L"data\\Sounds\\sounds.snd");
    Ulvo::SoundInterface::getInstance()->load(&node);

    Ulvo::Texture2DAnimationManager* animations = Ulvo::Texture2DAnimationManager::getInstance();
    m_cursors.assign(4, nullptr);
    for (int i = 0; i < 4; ++i)
        m_cursors[i] = animations->getAnimation(L"CURSOR_" + std::to_wstring(i));
    m_backgrounds.assign(1, m_d3d->getTextureManager()->getTexture2D(L"THREEMATCH_HG"));
    return updateLoadingProgress(1.0f, true);
}

void ThreeMatchGame::finishLoading()
{
    m_menus->resolveLinks();
    m_board = new Spielfeld(m_globals->getRohstoffManager(), *m_globals);
    m_profileWorld = std::make_unique<SpielfeldProfileWorld>(*m_board);
    m_profileWorld->setBuildings(&m_globals->getGebaeudeManager());
    m_globals->setProfileWorld(m_profileWorld.get());
    m_board->stoneIntroduced.connect(this, &ThreeMatchGame::onRohstoffVorstellung);
    applyOptions();
    showResolutionLabel();
    m_profiles->loadProfiles();
    rebuildProfileList();
    if (!m_profiles->getActiveProfile() && m_profiles->getProfileCount() > 0)
        m_profiles->selectProfile(m_profiles->getProfile(0)); // announces the switch itself
    else if (Profil* active = m_profiles->getActiveProfile())
        onProfileSwitched(nullptr, active);

    if (!updateLoadingProgress(1.0f, true)) {
        m_closedWhileLoading = true;
        return;
    }
    buildIngameWindow();
    // The splash and the loading screen are not drawn again: their pictures give back their GL
    // storage now rather than under the menu's first frames, which fill the menu's own. Nothing
    // else has been drawn yet, so nothing else is let go.
    if (IDirect3DDevice9* device = m_d3d ? m_d3d->getDevice() : nullptr)
        device->EvictManagedResources();
    // The first frame must not count the loading time.
    m_engine->getPerfTimer()->update();
    m_engine->getPerfTimer()->update();
    if (Ulvo::Soundbank* music = Ulvo::SoundInterface::getInstance()->getSoundbank(L"Soundbank_Music")) {
        if (Ulvo::PlayingSoundCue* cue = music->play2DByName(L"MUSIK", true))
            cue->Release(); // the music plays on
    }
    m_loaded = true;
    // The menu file's start menu was shown before this controller listened: prepare it now, so
    // that a first start leads to the new-profile screen.
    if (Ulvo::GUIMenu* start = m_menus->getActiveMenu())
        onMenuOpened(nullptr, start);
}

bool ThreeMatchGame::isLevelActive(const wchar_t* name) const
{
    return m_menuLevels && m_menuLevels->isActive(name);
}

void ThreeMatchGame::showMenu(const wchar_t* name, bool hideOthers)
{
    if (Ulvo::GUIMenu* menu = m_menus ? m_menus->getMenu(name) : nullptr)
        menu->show(1.0, true, hideOthers);
}

const std::wstring& ThreeMatchGame::windowName(const wchar_t* prefix, const std::wstring& suffix)
{
    m_windowName.assign(prefix);
    m_windowName += suffix;
    return m_windowName;
}

const std::wstring& ThreeMatchGame::windowName(const wchar_t* prefix, int number)
{
    wchar_t digits[16];
    std::swprintf(digits, 16, L"%d", number);
    m_windowName.assign(prefix);
    m_windowName += digits;
    return m_windowName;
}

void ThreeMatchGame::playSound(const wchar_t* cue)
{
    Ulvo::Soundbank* bank = Ulvo::SoundInterface::getInstance()->getDefaultSoundbank();
    if (!bank)
        return;
    if (Ulvo::PlayingSoundCue* playing = bank->play2DByName(cue, true))
        playing->Release(); // plays on; the bank ends it
}

} // namespace ThreeMatch
