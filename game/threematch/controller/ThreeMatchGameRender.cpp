#include "threematch/controller/ThreeMatchGame.h"

#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "threematch/controller/ScreenRules.h"

#include <d3dx9tex.h>

#include "devices/d3d/D3DInterface.h"
#include "devices/input/DirectInputInterface.h"
#include "graphics/sprites/SpriteDrawInfo.h"
#include "graphics/sprites/SpritePair.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUIButton.h"
#include "gui/widgets/GUILabel.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/frame/MinispielManager.h"
#include "render/manager/PostEffectStage.h"
#include "render/manager/RenderManager.h"
#include "threematch/bonuses/Bonus.h"
#include "threematch/bonuses/BonusManager.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/screens/MenuEbene.h"
#include "threematch/screens/MenuEbenenManager.h"
#include "threematch/stones/RohstoffManager.h"
#include "threematch/stones/Rohstoffklasse.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>

namespace ThreeMatch {

namespace {

const wchar_t* const kIngameMenu = L"THREEMATCH_INGAME_MENU";
const RECT kRenderTargetRect{0, 0, 1024, 768};
const unsigned char kKeyF7 = 0x41;
const unsigned char kKeyL = 0x26;
const unsigned char kKeyEscape = 0x01;
// How long the word over the level's picture stays.
const double kNoticeSeconds = 3.0;

// The bonus buttons, by the bonus manager's index.
const wchar_t* const kBonusButtons[] = {
    L"THREEMATCH_BONUS_HAMMER", L"THREEMATCH_BONUS_BLITZ",  L"THREEMATCH_BONUS_TIME",  L"THREEMATCH_BONUS_BOMBE",
    L"THREEMATCH_BONUS_PUNKTE", L"THREEMATCH_BONUS_ZUFALL", L"THREEMATCH_BONUS_ZEILE", L"THREEMATCH_BONUS_ROHSTOFF"};

// Textures whose texels are all opaque by their format.
bool opaqueFormat(Ulvo::Texture2D* texture)
{
    IDirect3DTexture9* d3d = texture ? texture->getTexture() : nullptr;
    D3DSURFACE_DESC desc{};
    if (!d3d || FAILED(d3d->GetLevelDesc(0, &desc)))
        return false;
    return desc.Format == D3DFMT_X8R8G8B8 || desc.Format == D3DFMT_R8G8B8 || desc.Format == D3DFMT_R5G6B5 ||
           desc.Format == D3DFMT_X1R5G5B5;
}

// Whether the GUI will draw this window's picture opaque over the whole screen this frame: then
// nothing drawn before the GUI can be seen. Only plain windows qualify (a kind of its own may draw
// or pick its children otherwise), shown all the way up to a window the GUI draws, unclipped,
// scaled over the screen at full alpha with a texture that has no alpha.
bool coversScreen(const Ulvo::GUISystem& gui, const Ulvo::GUIWindow* window, const RECT& screen)
{
    if (!window)
        return false;
    const Ulvo::GUIWindow* root = window;
    for (const Ulvo::GUIWindow* w = window; w; w = w->getParent()) {
        const Ulvo::GUIOptions& options = w->getOptions();
        const Ulvo::FloatRect& r = w->getScreenRect();
        if (typeid(*w) != typeid(Ulvo::GUIWindow) || !options.visible || options.drawInClientOnly ||
            (w != window && !options.drawSubWindows) || r.left > static_cast<float>(screen.left) ||
            r.top > static_cast<float>(screen.top) || r.right < static_cast<float>(screen.right) ||
            r.bottom < static_cast<float>(screen.bottom))
            return false;
        root = w;
    }
    if (std::find(gui.windows().begin(), gui.windows().end(), root) == gui.windows().end())
        return false;
    const Ulvo::GUIDrawOptions& draw = window->getDrawOptions();
    if (draw.drawTypeX != Ulvo::SDP_SCALE || draw.drawTypeY != Ulvo::SDP_SCALE ||
        !(draw.modulate.a * window->getAlpha() >= 1.0))
        return false;
    const bool disabled = !window->isEnabledInHierarchy() && draw.getTexture(Ulvo::GUIDrawOptions::TEX_DISABLE);
    return opaqueFormat(
        draw.getTexture(disabled ? Ulvo::GUIDrawOptions::TEX_DISABLE : Ulvo::GUIDrawOptions::TEX_NORMAL));
}

// Numbers of this run's screenshots go on from here, past the files already there.
int s_screenshotCounter = 0;
// Empty: the working folder.
std::wstring s_screenshotFolder;

// Holds the window with a reference (null stays null).
Ulvo::GUIWindow* hold(Ulvo::GUIWindow* window)
{
    if (window)
        window->AddRef();
    return window;
}

Ulvo::GUIWindow* targetOf(Ulvo::GUIWindow* window)
{
    if (auto* button = dynamic_cast<Ulvo::GUIButton*>(window))
        return button->getLabel() ? static_cast<Ulvo::GUIWindow*>(button->getLabel()) : window;
    return window;
}

void setBackground(Ulvo::GUIWindow* window, Ulvo::Texture2D* texture)
{
    if (!window)
        return;
    Ulvo::GUIWindow* target = targetOf(window);
    target->getDrawOptions().setBackgroundTexture(texture);
    target->takeCurrentState();
}

// Every window's clicks already reach the controller, and a copy of a template takes the
// template's connections along: a second connection would run the slot twice.
template <class Signal, class Slot> void connectOnce(Signal& signal, ThreeMatchGame* game, Slot slot)
{
    signal.disconnect(game);
    signal.connect(game, slot);
}

} // namespace

std::wstring ThreeMatchGame::nextScreenshotName(int& counter)
{
    if (counter < 0)
        counter = 0;
    for (;;) {
        std::wstring name = (s_screenshotFolder.empty() ? std::wstring() : s_screenshotFolder + L"\\") +
                            L"Screenshot_" + std::to_wstring(counter) + L".png";
        if (GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES)
            return name;
        ++counter;
    }
}

void ThreeMatchGame::setScreenshotFolder(const std::wstring& folder)
{
    s_screenshotFolder = folder;
}

void ThreeMatchGame::render()
{
    IDirect3DDevice9* device = m_d3d ? m_d3d->getDevice() : nullptr;
    if (!device)
        return;
    RECT screen;
    m_d3d->getScreenRect(&screen);
    // Outside a level the picture fills the screen; in a level its panel lays it in as it draws.
    if (!isLevelActive(kIngameMenu))
        showPictureAt(screen);
    // Behind the menus the landscape covers the screen: the town's picture and the colour under it
    // would be drawn over entirely, so they are left out (only the in-game picture reads the target
    // besides this frame).
    Ulvo::GUIWindow* landscape = m_gui ? m_gui->getWindow(L"THREEMATCH_HINTERGRUND") : nullptr;
    const bool covered = m_gui && !isLevelActive(kIngameMenu) && coversScreen(*m_gui, landscape, screen);
    if (m_renderTarget && !covered)
        m_renderTarget->render();
    else if (Ulvo::PostEffectStage* post = m_renderManager ? m_renderManager->getPostEffectRenderer() : nullptr)
        post->frameWithoutChain(); // a frame without the 3D picture lets the chain's targets go in time
    Ulvo::D3DXSprite& sprite = m_d3d->getSprite()->first;
    Ulvo::Texture2D* background = m_backgrounds.empty() ? nullptr : m_backgrounds[0];
    // A background faded out entirely leaves every pixel as it was: not drawn at all.
    const unsigned char backgroundAlpha = ScreenRules::alphaByte(m_exchangeFade.value);
    // In a level the in-game background, drawn opaque over the screen, hides the colour as well.
    const bool backgroundCovers = !covered && isLevelActive(kIngameMenu) && background && backgroundAlpha == 255 &&
                                  opaqueFormat(background) && *sprite.getD3DXSprite();
    // Depth and stencil are not cleared: the frame draws without the depth test (below), and the
    // GUI clears the stencil where it clips before it clips.
    if (!covered && !backgroundCovers)
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
    // The landscape and the vignette over it come as one picture while they stay as they are; in a
    // level the background and the frames do. Only one of the two pictures is held at a time.
    if (covered)
        m_backdrop.begin(device, landscape, screen);
    else
        m_backdrop.releasePicture();
    LevelBackdrop::Step levelStep = LevelBackdrop::Step::Draw;
    m_layInInPart = false;
    m_layInDrawn = false;
    if (backgroundCovers && m_gui) {
        const bool inPart = planBoardLayIn(m_layInCopied);
        levelStep = m_levelBackdrop.begin(device, *m_gui, m_ingameLevelWindow, background, m_ingameWindow, screen,
                                          &m_layInCopied);
        m_layInInPart = inPart && levelStep == LevelBackdrop::Step::Kept && m_levelBackdrop.copiedInPart();
    } else {
        m_levelBackdrop.release();
        m_levelBackdrop.releasePicture();
    }
    // A frame drawing or copying back the whole screen leaves nothing of the last lay-in.
    if (levelStep != LevelBackdrop::Step::Kept || !m_levelBackdrop.copiedInPart())
        m_layIn.pixels = RECT{};
    device->BeginScene();
    // Everything drawn here is flat at depth 0, which passes the depth test whatever the buffer
    // holds.
    DWORD depthTest = D3DZB_TRUE;
    device->GetRenderState(D3DRS_ZENABLE, &depthTest);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    if (!covered && sprite.Begin(D3DXSPRITE_ALPHABLEND)) {
        if (isLevelActive(kIngameMenu) && background) {
            if (backgroundAlpha > 0 && levelStep != LevelBackdrop::Step::Kept)
                sprite.drawRegion(background, nullptr, screen, Ulvo::SDP_SCALE, Ulvo::SDP_SCALE,
                                  D3DCOLOR_ARGB(backgroundAlpha, 255, 255, 255));
        } else if (m_renderTarget && m_renderTarget->isCreated())
            sprite.drawRegion(m_renderTarget->getTexture(), nullptr, screen, Ulvo::SDP_SCALE, Ulvo::SDP_SCALE,
                              0xFFFFFFFF);
        sprite.End();
    }
    if (levelStep == LevelBackdrop::Step::Capture)
        m_levelBackdrop.capture(device, *m_gui);
    if (m_gui)
        m_gui->draw();
    if (!m_layInDrawn)
        m_layInHolds = false;
    m_backdrop.end();
    if (sprite.Begin(D3DXSPRITE_ALPHABLEND)) {
        m_consoleLine.draw();
        if (m_consoleLine.isShown())
            m_levelBackdrop.drawnOverWhole();
        drawCursor();
        sprite.End();
    }
    m_levelBackdrop.end();
    device->SetRenderState(D3DRS_ZENABLE, depthTest);
    device->EndScene();
    if (m_screenshotDue) {
        m_screenshotDue = false;
        saveScreenshot();
    }
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

void ThreeMatchGame::drawCursor()
{
    Ulvo::DirectInputInterface* input = Ulvo::DirectInputInterface::getInstance();
    if (!input->isCursorHidden()) {
        // Outside the picture the system's arrow shows.
        m_systemPointer.hide();
        return;
    }
    Ulvo::Texture2D* texture = nullptr;
    const RECT* source = nullptr;
    RECT frameRect{};
    if (m_selectedBonus && isLevelActive(kIngameMenu)) {
        texture = m_selectedBonus->getTexture();
    } else if (m_globals) {
        const int mouse = m_globals->getMouse();
        Ulvo::Texture2DAnimation* cursor =
            mouse >= 0 && mouse < static_cast<int>(m_cursors.size()) ? m_cursors[mouse] : nullptr;
        if (Ulvo::Texture2DAnimationFrame* frame = cursor ? cursor->getCurrentTexture() : nullptr) {
            texture = frame->texture;
            frameRect = frame->rect;
            source = &frameRect;
        }
    }
    if (!texture) {
        m_systemPointer.hide();
        return;
    }
    RECT screen;
    m_d3d->getScreenRect(&screen);
    const D3DXVECTOR2 size(static_cast<float>(screen.right - screen.left) * 0.048828125f,
                           static_cast<float>(screen.bottom - screen.top) * 0.0651041641831398f);
    // The magnifier shows the pointer in its picture, and a screenshot keeps it.
    const bool inPicture = m_screenshotDue || m_magnifierFade.value > 0.0f;
    if (!inPicture &&
        m_systemPointer.show(m_d3d->getDevice(), texture->getTexture(), source, static_cast<int>(std::lround(size.x)),
                             static_cast<int>(std::lround(size.y))))
        return;
    m_systemPointer.hide();
    const Ulvo::MouseState& mouse = input->getInputStates().mouseState;
    const Ulvo::SpriteDrawInfo info(
        D3DXVECTOR2(mouse.position[0], mouse.position[1]), size, 0.0f, D3DXVECTOR2(0.5f, 0.5f),
        Ulvo::SpriteDrawInfo::SDI_CENTER_RELATIVE | Ulvo::SpriteDrawInfo::SDI_POSITION_IS_CENTER);
    m_d3d->getSprite()->first.drawTexture(texture, source, info, Ulvo::SDP_SCALE, Ulvo::SDP_SCALE, 0xFFFFFFFF);
    // Centred on the pointer; a whole size around it leaves room for any centring.
    m_levelBackdrop.drawnOver(RECT{static_cast<LONG>(std::floor(mouse.position[0] - size.x)),
                                   static_cast<LONG>(std::floor(mouse.position[1] - size.y)),
                                   static_cast<LONG>(std::ceil(mouse.position[0] + size.x)),
                                   static_cast<LONG>(std::ceil(mouse.position[1] + size.y))});
}

void ThreeMatchGame::releaseWindowLists()
{
    // The building pictures hang in the buy bar; they leave it with the list.
    if (m_buyBar) {
        for (Ulvo::GUIWindow* picture : m_buildingPictures) {
            if (picture)
                m_buyBar->removeChild(picture);
        }
    }
    for (auto* list : {&m_bonusButtons, &m_levelCountButtons, &m_stockButtons, &m_neededPictures, &m_upgradeLabels,
                       &m_buildingPictures, &m_buildingPreviews, &m_buildingButtons})
        Ulvo::releaseAndClear(*list);
    m_backdrop.release();
    m_levelBackdrop.release();
    for (Ulvo::GUIWindow** held : {&m_ingameLevelWindow, &m_ingameWindow, &m_buyBar, &m_previewWindow})
        Ulvo::releaseAndNull(*held);
    m_ingameLevel = nullptr;
}

void ThreeMatchGame::buildIngameWindow()
{
    releaseWindowLists();
    m_winTally.clear();
    m_loseTally.clear();
    m_rollInTimer = 0.0;
    m_endDelay = 1.0;
    m_rollInLength = 4.0;
    m_levelEnd = false;
    m_rollIn = true;
    m_buildingUnderPointer = -1;

    m_ingameLevel = m_menuLevels->getLevel(kIngameMenu);
    m_renderTarget = std::make_unique<Ulvo::RenderToTexture>(kRenderTargetRect, D3DFMT_A8R8G8B8, D3DFMT_D24S8);
    m_renderTarget->create();
    m_boardRedraw.forget();
    connectOnce(m_renderTarget->onRender, this, &ThreeMatchGame::renderIngameTarget);
    if (m_ingameLevel && m_ingameLevel->getWindow()) {
        m_ingameLevelWindow = hold(m_ingameLevel->getWindow());
        m_ingameLevelWindow->takeCurrentState();
    }
    m_ingameWindow = hold(m_gui->getWindow(L"THREEMATCHGAME_WINDOW"));
    if (m_ingameWindow)
        connectOnce(m_ingameWindow->drawn, this, &ThreeMatchGame::drawIngamePicture);

    BonusManager& bonuses = m_globals->getBonusManager();
    for (int i = 0; i < 8; ++i) {
        Ulvo::GUIWindow* button = hold(m_gui->getWindow(kBonusButtons[i]));
        m_bonusButtons.push_back(button);
        if (!button)
            continue;
        connectOnce(button->clicked, this, &ThreeMatchGame::onButtonClicked);
        if (Bonus* bonus = bonuses.getBonus(i)) {
            setBackground(button, bonus->getTexture());
            continue;
        }
        // A slot the bonus list leaves without a bonus stays blank and shut: its label would
        // otherwise show its raw format text.
        if (Ulvo::GUILabel* label = ScreenRules::labelOf(button))
            label->setText(L"");
        button->getOptions().enabled = false;
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING,
                               L"ThreeMatch: no bonus for the slot " + std::wstring(kBonusButtons[i]) +
                                   L"; it stays empty\n");
    }

    RohstoffManager& stones = m_globals->getRohstoffManager();
    for (Rohstoffklasse* klasse : stones.getKlassen()) {
        Ulvo::Texture2D* ingame = klasse->getVorschauIngame();
        Ulvo::Texture2D* town = klasse->getVorschauBauen();
        Ulvo::GUIWindow* count = hold(m_gui->getWindow(L"THREEMATCH_LEVEL_" + klasse->getName()));
        Ulvo::GUIWindow* stock = hold(m_gui->getWindow(L"THREEMATCH_BAUEN_" + klasse->getName()));
        Ulvo::GUIWindow* needed = hold(m_gui->getWindow(L"THREEMATCH_BAUEN_NEEDED_" + klasse->getName()));
        setBackground(count, ingame);
        setBackground(stock, town);
        if (needed) {
            needed->getDrawOptions().setBackgroundTexture(town ? town : ingame);
            needed->takeCurrentState();
        }
        m_levelCountButtons.push_back(count);
        m_stockButtons.push_back(stock);
        m_neededPictures.push_back(needed);
    }

    // The tally counts quickly: a line in half a second, the last one lit after a second and a
    // half, every figure true within two seconds (a slower count reads as wrong numbers).
    auto tallyEntry = [] {
        Ulvo::Interpolation<double, double> entry(0.0);
        entry.speed = 2.0;
        entry.running = true;
        return entry;
    };
    m_winTally.assign(static_cast<std::size_t>(stones.getKlassenCount()) + 3, tallyEntry());
    for (int i = 0; i < 10; ++i) {
        if (Ulvo::GUIWindow* label = m_gui->getWindow(L"THREEMATCH_BAUEN_UPGRADE_" + std::to_wstring(i)))
            m_upgradeLabels.push_back(hold(label));
    }
    m_loseTally.assign(3, tallyEntry());
    m_tallyMaster.speed = 1.0 / 1.5;
    m_tallyMaster.running = true;

    pickMenuBackground();
    buildTownScreen();
}

void ThreeMatchGame::buildTownScreen()
{
    const std::size_t places = static_cast<std::size_t>(std::max(m_globals->getBuildingPlaces(), 0));
    m_buildingPictures.assign(places, nullptr);
    m_buildingPreviews.assign(places, nullptr);
    m_buildingButtons.assign(places, nullptr);
    m_buyBar = hold(m_gui->getWindow(L"THREEMATCH_BAUEN_KAUFEN_LEISTE"));
    m_previewWindow = hold(m_gui->getWindow(L"THREEMATCH_BAUEN_VORSCHAU"));
    if (m_previewWindow) {
        connectOnce(m_previewWindow->marked, this, &ThreeMatchGame::onBuildingMarked);
        connectOnce(m_previewWindow->unmarked, this, &ThreeMatchGame::onBuildingUnmarked);
        connectOnce(m_previewWindow->drawn, this, &ThreeMatchGame::showBuildingPreview);
    }
    if (Ulvo::GUIWindow* win = m_gui->getWindow(L"THREEMATCHAUSWERTUNG_WIN_LABEL"))
        connectOnce(win->drawn, this, &ThreeMatchGame::showWinTally);
    if (Ulvo::GUIWindow* lose = m_gui->getWindow(L"THREEMATCHAUSWERTUNG_LOSE_LABEL"))
        connectOnce(lose->drawn, this, &ThreeMatchGame::showLoseTally);

    auto copyOf = [this](const wchar_t* name) -> Ulvo::GUIWindow* {
        const Ulvo::GUIWindow* vorlage = m_gui->getVorlage(name);
        return vorlage ? vorlage->clone() : nullptr;
    };
    for (std::size_t i = 0; i < places; ++i) {
        Ulvo::GUIWindow* picture = copyOf(L"THREEMATCH_BAUEN_WINDOW");
        Ulvo::GUIWindow* preview = copyOf(L"THREEMATCH_BAUEN_VORSCHAU_WINDOW");
        Ulvo::GUIWindow* button = copyOf(L"THREEMATCH_BAUEN_KAUFEN_BUTTON");
        m_buildingPictures[i] = picture;
        m_buildingPreviews[i] = preview;
        m_buildingButtons[i] = button;
        if (picture)
            connectOnce(picture->leftButton, this, &ThreeMatchGame::onBuildingClicked);
        if (preview) {
            connectOnce(preview->marked, this, &ThreeMatchGame::onBuildingMarked);
            connectOnce(preview->unmarked, this, &ThreeMatchGame::onBuildingUnmarked);
            connectOnce(preview->leftButton, this, &ThreeMatchGame::onBuildingClicked);
        }
        if (button) {
            connectOnce(button->marked, this, &ThreeMatchGame::onBuildingMarked);
            connectOnce(button->unmarked, this, &ThreeMatchGame::onBuildingUnmarked);
            connectOnce(button->clicked, this, &ThreeMatchGame::onButtonClicked);
            connectOnce(button->leftButton, this, &ThreeMatchGame::onBuildingClicked);
        }
        if (!picture)
            continue;
        if (preview)
            picture->addChild(preview, false, true);
        if (button)
            picture->addChild(button, false, true);
        if (m_buyBar)
            m_buyBar->addChild(picture, false, true);
    }
    refreshBuildingButtons();
}

void ThreeMatchGame::takeScreenshot(Ulvo::KeyState&, const unsigned char& key)
{
    // Escape in a minigame is its "Zurück".
    if (key == kKeyEscape) {
        MinispielManager::getInstance()->backOut();
        return;
    }
    if (key == kKeyL) {
        if (!isLevelActive(kIngameMenu))
            return;
        m_magnifierFade.speed = -m_magnifierFade.speed;
        // Without the fine graphics there is no magnifier: the player is told why nothing opens.
        if (!m_globals->getHires() || !m_renderManager)
            showNotice(kNoticeSeconds);
        return;
    }
    if (key == kKeyF7 && m_d3d)
        m_screenshotDue = true;
}

// The frame just drawn (with its pointer), before it is shown.
void ThreeMatchGame::saveScreenshot()
{
    IDirect3DDevice9* device = m_d3d ? m_d3d->getDevice() : nullptr;
    const D3DPRESENT_PARAMETERS* present = m_d3d ? m_d3d->getPresentParams() : nullptr;
    if (!device || !present)
        return;
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* target = nullptr;
    IDirect3DSurface9* copy = nullptr;
    if (SUCCEEDED(D3DXCreateTexture(device, present->BackBufferWidth, present->BackBufferHeight, 1, 0,
                                    present->BackBufferFormat, D3DPOOL_SYSTEMMEM, &texture)) &&
        SUCCEEDED(device->GetRenderTarget(0, &target)) && SUCCEEDED(texture->GetSurfaceLevel(0, &copy)) &&
        SUCCEEDED(device->GetRenderTargetData(target, copy))) {
        const std::wstring name = nextScreenshotName(s_screenshotCounter);
        if (SUCCEEDED(D3DXSaveTextureToFileW(name.c_str(), D3DXIFF_PNG, texture, nullptr))) {
            ++s_screenshotCounter;
            showScreenshotNote();
        }
    }
    if (copy)
        copy->Release();
    if (target)
        target->Release();
    if (texture)
        texture->Release();
}

void ThreeMatchGame::showScreenshotNote()
{
    // A short note at the top over every screen; the grab was taken before it shows.
    constexpr double kNoteSeconds = 2.0;
    if (Ulvo::GUIWindow* note = m_gui ? m_gui->getWindow(L"BILDSCHIRMFOTO_HINWEIS") : nullptr) {
        note->startAnimationGoal(L"AN", 1.0);
        m_screenshotNoteLeft = kNoteSeconds;
    }
}

void ThreeMatchGame::updateScreenshotNote(double realDt)
{
    if (m_screenshotNoteLeft <= 0.0)
        return;
    // The frame that wrote the file took long (a first save can take seconds): it must not use
    // up the note's time before the note was ever drawn.
    constexpr double kLongestFrame = 0.1;
    m_screenshotNoteLeft -= std::min(realDt, kLongestFrame);
    if (m_screenshotNoteLeft > 0.0)
        return;
    if (Ulvo::GUIWindow* note = m_gui->getWindow(L"BILDSCHIRMFOTO_HINWEIS"))
        note->startAnimationGoal(L"AUS", 1.0);
}

} // namespace ThreeMatch
