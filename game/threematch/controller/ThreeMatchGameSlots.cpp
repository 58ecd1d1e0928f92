// The controller's single-event slots: the profile list and the typed name, the option
// controls, the loading screen, the pictures the in-game and town screens draw, the town's
// building buttons and preview, the result tallies, the minigame result, catastrophes,
// stone introductions, help texts and the window focus.
#include "threematch/controller/ScreenRules.h"
#include "foundation/helpers/Release.h"
#include "threematch/controller/ThreeMatchGame.h"

#include "devices/d3d/D3DInterface.h"
#include "devices/input/TastaturLayout.h"
#include "devices/input/TastaturLayoutManager.h"
#include "engine/UlvoEngine.h"
#include "foundation/logging/Logger.h"
#include "foundation/text/TextManager.h"
#include "foundation/time/PerfTimer.h"
#include "graphics/sprites/D3DXSprite.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/TextureManager.h"
#include "gui/menus/GUIMenu.h"
#include "gui/menus/GUIMenuManager.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUIButton.h"
#include "gui/widgets/GUICheckboxButton.h"
#include "gui/widgets/GUILabel.h"
#include "gui/widgets/GUIProgressBar.h"
#include "gui/widgets/GUISlider.h"
#include "minigames/frame/MinispielManager.h"
#include "render/ScopedPerfEvent.h"
#include "render/forward/ForwardRenderer.h"
#include "render/manager/RenderManager.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/ObjektManager.h"
#include "threematch/board/Spielfeld.h"
#include "threematch/bonuses/Bonus.h"
#include "threematch/globals/GameGraphics.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/lightshow/LichterspielManager.h"
#include "threematch/particles/PartikelManager.h"
#include "threematch/profiles/Profil.h"
#include "threematch/profiles/ProfileManager.h"
#include "threematch/screens/MenuEbenenManager.h"
#include "threematch/stones/Rohstoff.h"
#include "threematch/stones/RohstoffManager.h"
#include "threematch/town/Gebaeude.h"
#include "threematch/town/GebaeudeManager.h"

#include <crt.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace ThreeMatch {

using namespace ScreenRules;

namespace {

// The help situations: bit and the id of its text and picture.
struct HelpEntry {
    uint32_t bit;
    const wchar_t* id;
};
constexpr HelpEntry kHelp[] = {
    {0x1, L"THREEMATCH_HAUPTMENU_HELP"},       {0x2, L"THREEMATCH_BAUEN_HELP"},
    {0x4, L"THREEMATCH_INGAME_HELP"},          {0x8, L"THREEMATCH_OPTIONEN_HELP"},
    {0x10, L"THREEMATCH_PROFILE_HELP"},        {0x20, L"THREEMATCH_NEUES_PROFIL_HELP"},
    {0x40, L"THREEMATCH_ZORN_ADDED_HELP"},     {0x80, L"THREEMATCH_ZORN_REMOVED_HELP"},
    {0x100, L"THREEMATCH_BONUS_HAMMER_HELP"},  {0x200, L"THREEMATCH_BONUS_BLITZE_HELP"},
    {0x400, L"THREEMATCH_BONUS_BOMBE_HELP"},   {0x800, L"THREEMATCH_BONUS_ZEIT_HELP"},
    {0x1000, L"THREEMATCH_BONUS_PUNKTE_HELP"}, {0x2000, L"THREEMATCH_BONUS_ZUFALL_HELP"},
    {0x4000, L"THREEMATCH_BONUS_ZEILE_HELP"},  {0x8000, L"THREEMATCH_BONUS_ROHSTOFF_HELP"},
    {0x10000, L"THREEMATCH_MINIGAME_HELP"},    {0x20000, L"THREEMATCH_ZORN_FULL_HELP"},
};

// The help of each bonus kind.
template <class Kind> bool isKind(const Bonus* bonus)
{
    return dynamic_cast<const Kind*>(bonus) != nullptr;
}
struct BonusHelp {
    bool (*is)(const Bonus*);
    uint32_t bit;
};
constexpr BonusHelp kBonusHelp[] = {
    {&isKind<Hammer_Bonus>, 0x100},
    {&isKind<Blitz_Bonus>, 0x200},
    {&isKind<Bombe_Bonus>, 0x400},
    {&isKind<Time_Bonus>, 0x800},
    {&isKind<Punkte_Bonus>, 0x1000},
    {&isKind<Zufall_Bonus>, 0x2000},
    {&isKind<Zeile_entfernen_Bonus>, 0x4000},
    {&isKind<Rohstoff_entfernen_Bonus>, 0x8000},
};

// The pause slot the window focus holds.
constexpr uint8_t kFocusPause = 21;
const RECT kTargetRect{0, 0, 1024, 768};

// The integer rectangle of a float one, each edge truncated or rounded.
RECT truncated(const Ulvo::FloatRect& r, float shift = 0.0f)
{
    return RECT{static_cast<LONG>(r.left + shift), static_cast<LONG>(r.top + shift), static_cast<LONG>(r.right + shift),
                static_cast<LONG>(r.bottom + shift)};
}

RECT rounded(const Ulvo::FloatRect& r)
{
    const auto edge = [](float v) { return static_cast<LONG>(std::lround(v)); };
    return RECT{edge(r.left), edge(r.top), edge(r.right), edge(r.bottom)};
}

// The device's scissor test as found, given back when the scope ends.
class ScopedScissor {
public:
    explicit ScopedScissor(IDirect3DDevice9* device) : m_device(device)
    {
        m_device->GetRenderState(D3DRS_SCISSORTESTENABLE, &m_on);
        m_device->GetScissorRect(&m_rect);
    }
    ~ScopedScissor()
    {
        m_device->SetScissorRect(&m_rect);
        m_device->SetRenderState(D3DRS_SCISSORTESTENABLE, m_on);
    }
    ScopedScissor(const ScopedScissor&) = delete;
    ScopedScissor& operator=(const ScopedScissor&) = delete;
    // The scissor test on, within rect.
    void clip(const RECT& rect)
    {
        m_device->SetScissorRect(&rect);
        m_device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    }
    bool wasOn() const { return m_on != FALSE; }
    const RECT& found() const { return m_rect; }

private:
    IDirect3DDevice9* m_device;
    DWORD m_on = FALSE;
    RECT m_rect{};
};

void setPicture(Ulvo::GUIWindow* window, Ulvo::Texture2D* texture)
{
    if (!window)
        return;
    window->getDrawOptions().setNormalTexture(texture);
    window->takeCurrentState();
}

void setLabelText(Ulvo::GUILabel* label, const std::wstring& text)
{
    if (label)
        label->setText(text);
}

void setLabelTextId(Ulvo::GUILabel* label, const std::wstring& id)
{
    if (label)
        label->setTextId(id);
}

// One tally line: lit or dim, its time or number.
void showTallyLine(Ulvo::GUIWindow* window, const Ulvo::Interpolation<double, double>& entry, bool lit, bool isTime)
{
    if (!window)
        return;
    window->getDrawOptions().alpha = lit ? 1.0 : 0.1;
    Ulvo::GUILabel* label = labelOf(window);
    if (!isTime) {
        showNumber(label, static_cast<int>(entry.value));
        return;
    }
    const double value = std::max(entry.value, 0.0);
    const int whole = static_cast<int>(value);
    const int hundredths = static_cast<int>((value - whole) * 100.0);
    showFormatted(label, whole / 60, whole % 60, hundredths, whole / 60);
}

// The three lines every tally begins with (played time, time left, lives) under prefix; the
// number of lines lit.
int showTallyHead(const Ulvo::GUISystem& gui, const std::wstring& prefix,
                  const std::vector<Ulvo::Interpolation<double, double>>& tally, double master)
{
    const int lit = litTallyLines(tally.size(), master);
    static const wchar_t* const kLines[3] = {L"PLAYTIME", L"RESTTIME", L"LEBEN"};
    for (int i = 0; i < 3 && i < static_cast<int>(tally.size()); ++i)
        showTallyLine(gui.getWindow(prefix + kLines[i]), tally[i], i < lit, i < 2);
    return lit;
}

} // namespace

// ---------------------------------------------------------------- profiles

void ThreeMatchGame::rebuildProfileList()
{
    Ulvo::releaseAndClear(m_profileButtons);
    Ulvo::GUIWindow* panel = m_gui->getWindow(L"P_ProfilePanel");
    if (!panel)
        return;
    panel->removeAllChildren();
    panel->getOptions().layoutManager = L"DEFAULT";
    auto* vorlage = dynamic_cast<Ulvo::GUIButton*>(m_gui->getVorlage(L"P_ProfilNameVorlage"));
    for (int i = 0; i < m_profiles->getProfileCount(); ++i) {
        Profil* profil = m_profiles->getProfile(i);
        auto* button = vorlage ? new Ulvo::GUIButton(*vorlage) : new Ulvo::GUIButton(L"P_Profil");
        button->rename(L"P_Profil" + std::to_wstring(i));
        setLabelText(button->getLabel(), profil->getName());
        // The list is rebuilt whenever the profiles change, so the place names the profile.
        button->setUserData(static_cast<uint32_t>(i));
        Ulvo::GUIOptions& options = button->getOptions();
        options.visible = true;
        options.layoutParam = L"TOP";
        options.usableForLayoutManager = true;
        button->takeCurrentState();
        button->clicked.connect(this, &ThreeMatchGame::onProfileButtonClicked);
        m_profileButtons.push_back(button); // the new button's reference
        panel->addChild(button, false, true);
    }
    showProfileFonts(m_profiles->getActiveProfile());
    panel->updateClientRect();
}

void ThreeMatchGame::onProfileButtonClicked(Ulvo::GUIWindow& button)
{
    if (std::find(m_profileButtons.begin(), m_profileButtons.end(), &button) == m_profileButtons.end())
        return;
    if (Profil* profil = m_profiles->getProfile(static_cast<int>(button.getUserData())))
        m_profiles->selectProfile(profil);
}

Profil* ThreeMatchGame::getProfileOrActive(Profil* profil) const
{
    return profil ? profil : m_profiles->getActiveProfile();
}

void ThreeMatchGame::onProfileNameKey(Ulvo::KeyState& keys, const unsigned char& key)
{
    const bool shift = keys.isKeyDown(DIK_LSHIFT, true) || keys.isKeyDown(DIK_RSHIFT, true);
    onProfileNameText(keys, Ulvo::TypedKey{key, shift, false, keys.isKeyDown(DIK_RMENU, true)});
}

void ThreeMatchGame::onProfileNameText(Ulvo::KeyState&, const Ulvo::TypedKey& typed)
{
    if (!m_nameEntry)
        return;
    // A help text over the name screen takes the keys: the name field behind it is not edited.
    const Ulvo::GUIMenu* current = m_menus ? m_menus->getActiveMenu() : nullptr;
    if (current && current->getName() == L"THREEMATCH_HELP_MENU")
        return;
    Ulvo::GUILabel* label = findLabel(*m_gui, L"NP_ProfilNameLabel");
    const Ulvo::TastaturLayout* layout = m_layouts->getActiveLayout();
    if (!label || !layout)
        return;
    // A letter typed without a key of its own (key 0) counts as the key that types it.
    const bool keyless = typed.key == 0;
    if (keyless && !typed.character)
        return;
    const int type = keyless ? m_layouts->typeOfCharacter(typed.character) : layout->getKeyType(typed.key);
    if (type != Ulvo::KT_LETTER && type != Ulvo::KT_NUMBER && type != Ulvo::KT_SONDER && type != Ulvo::KT_BACKSPACE)
        return;
    std::wstring text = m_replaceName ? std::wstring() : label->getText();
    wchar_t character = keyless ? typed.character : 0;
    if (!keyless && type != Ulvo::KT_BACKSPACE)
        layout->getCharacter(typed.key, character, typed.shift, typed.altGr);
    // Another character a name does not take leaves the proposed name as it was.
    if (!editName(text, type, character) && type == Ulvo::KT_SONDER)
        return;
    m_replaceName = false;
    label->setText(text);
    if (m_newProfile)
        m_newProfile->rename(text);
}

// ---------------------------------------------------------------- option controls

void ThreeMatchGame::onUseZornChecked(Ulvo::GUICheckboxButton& box)
{
    if (box.getName() == L"NP_UseZorn" && m_newProfile)
        m_newProfile->setUseZorn(box.isChecked());
}

void ThreeMatchGame::setDifficultyFrom(Ulvo::GUICheckboxButton& box, int schwierigkeit)
{
    static const wchar_t* const kBoxes[3] = {L"O_LeichtCB", L"O_MittelCB", L"O_SchwerCB"};
    if (m_suppressOptionSlots || box.getName() != kBoxes[schwierigkeit] || !box.isChecked())
        return;
    Profil* active = m_profiles->getActiveProfile();
    const int livesBefore = active ? active->getLeben() : 0;
    if (active && active == m_optionsProfile) {
        // Back to the profile as the options found it, then the new choice from there.
        active->setSchwierigkeit(m_optionsSchwierigkeit);
        active->setLeben(m_optionsLeben);
    }
    m_globals->setSchwierigkeit(schwierigkeit);
    if (active)
        // Written whatever the info threshold: the lives a player sees change are worth a line.
        Ulvo::mainLogger().log(200, Ulvo::LOG_TYPE_INFO, L"ThreeMatch: Schwierigkeit ", std::to_wstring(schwierigkeit),
                               L", Leben ", std::to_wstring(livesBefore), L" -> ", std::to_wstring(active->getLeben()),
                               L"\n");
    showDifficultyLives();
    for (int i = 0; i < 3; ++i) {
        Ulvo::GUICheckboxButton* other = i != schwierigkeit ? findCheckbox(*m_gui, kBoxes[i]) : nullptr;
        if (other)
            other->setChecked(false);
    }
}

void ThreeMatchGame::showDifficultyLives()
{
    Ulvo::GUILabel* label = findLabel(*m_gui, L"O_LebenText");
    const Profil* active = m_profiles->getActiveProfile();
    if (!label)
        return;
    if (!active || active != m_optionsProfile) {
        label->setText(L"");
        return;
    }
    Ulvo::TextManager* texts = m_engine->getTextManager();
    const int chosen = active->getSchwierigkeit();
    const int now = active->getLeben();
    const int most = Profil::mostLives(chosen);
    std::wstring text;
    if (chosen == m_optionsSchwierigkeit)
        text = texts->formatText(texts->getText(L"O_LEBEN_STUFE"), now, most);
    else if (m_optionsUnplayed)
        text = texts->formatText(texts->getText(L"O_LEBEN_NEU"), now);
    else if (now < m_optionsLeben)
        text = texts->formatText(texts->getText(L"O_LEBEN_WENIGER"), most, m_optionsLeben, now);
    else
        text = texts->formatText(texts->getText(L"O_LEBEN_BLEIBEN"), now, most);
    label->setText(text);
}

void ThreeMatchGame::onEasyChecked(Ulvo::GUICheckboxButton& box)
{
    setDifficultyFrom(box, 0);
}

void ThreeMatchGame::onMediumChecked(Ulvo::GUICheckboxButton& box)
{
    setDifficultyFrom(box, 1);
}

void ThreeMatchGame::onHardChecked(Ulvo::GUICheckboxButton& box)
{
    setDifficultyFrom(box, 2);
}

void ThreeMatchGame::onFullscreenChecked(Ulvo::GUICheckboxButton& box)
{
    if (box.getName() == L"O_VollbildCB")
        m_chosenFullscreen = box.isChecked();
}

void ThreeMatchGame::onHelpChecked(Ulvo::GUICheckboxButton& box)
{
    if (m_inHelpChecked || m_suppressOptionSlots)
        return;
    m_inHelpChecked = true;
    const bool on = box.isChecked();
    if (Profil* profil = m_newProfile ? m_newProfile : m_profiles->getActiveProfile())
        profil->setShownHelp(on ? 0u : profil->getShownHelp() | kHelpOff);
    else // with no profile yet the game's own help follows the box, or it would go on showing
        m_helpMask = on ? 0u : m_helpMask | kHelpOff;
    for (Ulvo::GUICheckboxButton* other : {m_helpCheckbox1, m_helpCheckbox2}) {
        if (other)
            other->setChecked(on);
    }
    m_inHelpChecked = false;
}

void ThreeMatchGame::onHiresChecked(Ulvo::GUICheckboxButton& box)
{
    m_globals->setHires(box.isChecked());
    if (m_renderManager) {
        m_renderManager->setForwardRenderingEnabled(box.isChecked());
        m_renderManager->setPostEffectsEnabled(box.isChecked());
    }
}

void ThreeMatchGame::onSoundVolume(Ulvo::GUISlider& slider, const float& value)
{
    m_globals->setSoundVolume(value);
    if (Ulvo::GUILabel* label = slider.getLabel()) {
        label->setTextId(L"SOUND_VOLUME");
        showNumber(label, static_cast<int>(value));
    }
}

void ThreeMatchGame::onMusicVolume(Ulvo::GUISlider& slider, const float& value)
{
    m_globals->setMusicVolume(value);
    if (Ulvo::GUILabel* label = slider.getLabel()) {
        label->setTextId(L"MUSIC_VOLUME");
        showNumber(label, static_cast<int>(value));
    }
}

void ThreeMatchGame::onResolutionSlider(Ulvo::GUISlider& slider, const float& value)
{
    // The slider runs over the modes offered, not over the device's whole list.
    Ulvo::DisplayModeList& modes = m_d3d->getDisplayModeList();
    const std::vector<int> offered = offeredDisplayModes(modes);
    const int place = static_cast<int>(value);
    if (place >= 0 && place < static_cast<int>(offered.size()))
        m_chosenMode = offered[static_cast<std::size_t>(place)];
    if (m_chosenMode >= 0 && m_chosenMode < static_cast<int>(modes.size()))
        setLabelText(slider.getLabel(), Ulvo::D3DInterface::displayModeToString(&modes[m_chosenMode], L"\n"));
}

void ThreeMatchGame::showResolutionLabel()
{
    Ulvo::DisplayModeList& modes = m_d3d->getDisplayModeList();
    if (m_chosenMode < 0 || m_chosenMode >= static_cast<int>(modes.size()))
        return;
    const std::wstring text = Ulvo::D3DInterface::displayModeToString(&modes[m_chosenMode], L"\n");
    std::vector<Ulvo::GUIWindow*> windows;
    m_gui->getWindowsByUserId(L"O_AufloesungAnzeigeLabel", windows);
    for (Ulvo::GUIWindow* window : windows)
        setLabelText(dynamic_cast<Ulvo::GUILabel*>(window), text);
}

void ThreeMatchGame::showUseSettingsMenu()
{
    showMenu(L"USE_SETTINGS_MENU");
}

void ThreeMatchGame::showAutoDegradeMenu()
{
    showMenu(L"AUTO_DEGRADE_MENU");
}

void ThreeMatchGame::onSettingsConfirmed(const bool& kept)
{
    if (kept) {
        showMenu(L"HAUPTMENU");
        return;
    }
    resetModeIndices();
    showMenu(L"OPTIONEN_MENU");
}

void ThreeMatchGame::onConfirmTimeLeft(const float& seconds)
{
    showFormatted(findLabel(*m_gui, L"US_LABEL"), seconds, 0.0, 0.0, static_cast<int>(seconds));
}

// ---------------------------------------------------------------- loading screen

bool ThreeMatchGame::updateLoadingProgress(float progress, bool redraw)
{
    if (!m_loadingScreen)
        return true;
    if (auto* bar = dynamic_cast<Ulvo::GUIProgressBar*>(m_loadingScreen->findWindow(L"LS_SplashProgress")))
        bar->setProgress(progress);
    bool result = true;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            m_engine->exit(0);
            result = false;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // The bar is set every step, but drawn only as often as the eye can follow.
    if (redraw && ScreenRules::loadingPictureDue(progress, m_loadingDrawnProgress, GetTickCount() - m_loadingDrawnAt) &&
        m_d3d->TestCooperative()) {
        drawLoadingScreen();
        m_loadingDrawnProgress = progress;
        m_loadingDrawnAt = GetTickCount();
    }
    return result;
}

void ThreeMatchGame::drawLoadingScreen()
{
    Ulvo::GUIWindow* splash = m_loadingScreen ? m_loadingScreen->findWindow(L"L_SplashScreen") : nullptr;
    IDirect3DDevice9* device = m_d3d->getDevice();
    Ulvo::D3DXSprite* sprite = m_gui->getSprite();
    if (!splash || !device || !sprite)
        return;
    splash->getOptions().visible = true;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_ARGB(255, 128, 128, 128), 1.0f, 0);
    device->BeginScene();
    if (sprite->Begin(D3DXSPRITE_ALPHABLEND)) {
        RECT screen;
        m_d3d->getScreenRect(&screen);
        Ulvo::GUIWindow::resetStencilState();
        splash->onDraw(Ulvo::FloatRect(static_cast<float>(screen.left), static_cast<float>(screen.top),
                                       static_cast<float>(screen.right), static_cast<float>(screen.bottom)));
        sprite->End();
    }
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    splash->getOptions().visible = false;
}

// ---------------------------------------------------------------- pictures

void ThreeMatchGame::pickMenuBackground()
{
    // The texture manager keeps every background it loaded; the window holds its own reference.
    const int number = crt_rand() % 20 + 1;
    m_menuBackground =
        m_d3d->getTextureManager()->getTexture2DFromFile(L"Data\\Backgrounds\\bg" + std::to_wstring(number) + L".png");
    if (m_menuBackground)
        setPicture(m_gui->getWindow(L"THREEMATCH_HINTERGRUND"), m_menuBackground);
}

void ThreeMatchGame::onPreRender(Ulvo::ForwardRenderer&)
{
    // Set after the renderer bound its target (which resets the scissor), before it clears.
    IDirect3DDevice9* device = m_d3d->getDevice();
    IDirect3DSurface9* target = nullptr;
    if (!m_boardClipTarget || !device || FAILED(device->GetRenderTarget(0, &target)) || !target)
        return;
    // Only on the in-game target itself: drawn elsewhere, the picture passes through effects.
    if (target == m_boardClipTarget) {
        device->SetScissorRect(&m_boardScissor);
        device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
        m_boardClipped = true;
    }
    target->Release();
}

void ThreeMatchGame::onPostRender(Ulvo::ForwardRenderer&)
{
    Ulvo::ScopedPerfEvent event(L"onPostRender", 0xFFFF0000);
    if (!m_board || m_boardAfterFrame)
        return;
    Ulvo::D3DXSprite* sprite = m_boardRecording ? gameSprite() : nullptr;
    if (sprite)
        m_boardRedraw.startDrawing(*sprite);
    drawBoard();
    if (sprite)
        m_boardRedraw.stopDrawing(*sprite);
    m_boardBoundKnown =
        m_board->drawnBound(m_globals->getBoardViewOffset(), m_globals->getBoardViewScale(), m_boardBound);
}

void ThreeMatchGame::drawBoard()
{
    m_board->draw(m_globals->getBoardViewOffset(), m_globals->getBoardViewScale(), -1);
    m_board->drawOverlay(m_globals->getBoardViewOffset(), m_globals->getBoardViewScale(), -1);
}

RECT ThreeMatchGame::planBoardRedraw(IDirect3DDevice9* device, D3DCOLOR clear)
{
    Ulvo::D3DXSprite* sprite = gameSprite();
    // The points' text goes past the sprite's recording.
    if (!sprite || !m_board->getPopups().empty()) {
        m_boardRedraw.forget();
        return m_boardClip;
    }
    m_boardRecording = true;
    const BoardRedraw::Frame frame{m_renderTarget->getTexture(), m_boardClip, clear};
    return m_boardRedraw.plan(*sprite, frame, [this, device] {
        // The dry run's own clear of the stencil reaches no pixel.
        ScopedScissor scissor(device);
        scissor.clip(RECT{0, 0, 0, 0});
        drawBoard();
    });
}

bool ThreeMatchGame::boardPartHolds(bool tracked, bool held)
{
    if (tracked ? m_boardRedraw.finish(held) : held)
        return true;
    m_boardRedraw.forget();
    return false;
}

bool ThreeMatchGame::sceneLoaded() const
{
    const Ulvo::SceneGraph* graph = m_renderManager ? m_renderManager->getSceneGraph() : nullptr;
    return graph && graph->getRoot().getOwnCount() + graph->getRoot().getSubtreeCount() > 0;
}

void ThreeMatchGame::renderIngameTarget(Ulvo::RenderToTexture&)
{
    IDirect3DDevice9* device = m_d3d->getDevice();
    const bool partLaidIn = m_boardBoundKnown;
    m_boardBoundKnown = false;
    if (!device)
        return;
    const bool level = isLevelActive(L"THREEMATCH_INGAME_MENU");
    const bool throughManager = level && m_globals->getHires() && m_renderManager;
    // The high-resolution level's picture comes whole from the render manager, whose forward
    // renderer clears the depth and stencil it draws with: nothing reads a clear of its own then.
    const bool hiresLevel = throughManager && m_renderManager->getForwardRenderer()->isEnabled();
    auto clearAll = [device] {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1.0f, 0);
    };
    if (!level) {
        m_boardRedraw.forget();
        clearAll();
        // The town: buildings and light shows, the in-game background fading over them.
        Ulvo::D3DXSprite* sprite = gameSprite();
        if (!sprite || !sprite->Begin(D3DXSPRITE_ALPHABLEND))
            return;
        // The landscape of the menus lies behind the town, which has no ground of its own.
        if (m_menuBackground)
            sprite->drawRegion(m_menuBackground, nullptr, kTargetRect, Ulvo::SDP_SCALE, Ulvo::SDP_SCALE, 0xFFFFFFFF);
        m_globals->getGebaeudeManager().render(0.0f, 0.0f, 1.0);
        m_globals->getPartikelManager().render(Gebaeude::kParticleLayer, 0xFFFFFFFF);
        m_globals->getLichterspiele().render(0.0f, 0.0f, 1.0);
        // Faded out entirely, the in-game background would leave every pixel as it was.
        Ulvo::Texture2D* background = m_backgrounds.empty() ? nullptr : m_backgrounds[0];
        if (background && alphaByte(m_exchangeFade.value) > 0)
            sprite->drawRegion(background, nullptr, kTargetRect, Ulvo::SDP_SCALE, Ulvo::SDP_SCALE,
                               D3DCOLOR_ARGB(alphaByte(m_exchangeFade.value), 255, 255, 255));
        sprite->End();
        return;
    }
    // While the picture is laid in by the board's part, the pixels outside it are never shown:
    // the frame is cleared and drawn within what the part reads (checked after drawing, and drawn
    // again whole should the part not hold this frame's picture).
    const int width = static_cast<int>(m_renderTarget->getWidth());
    const int height = static_cast<int>(m_renderTarget->getHeight());
    RECT bound{};
    const bool clip = partLaidIn && m_board && (hiresLevel || !throughManager) &&
                      m_board->drawnBound(m_globals->getBoardViewOffset(), m_globals->getBoardViewScale(), bound);
    m_boardClip = clip ? ScreenRules::sectionReach(bound, width, height) : RECT{};
    const bool clipWanted = clip && m_boardClip.left < m_boardClip.right;
    m_boardClipped = false;
    // Within its part the board's picture is drawn again only where it changed.
    m_boardScissor = m_boardClip;
    m_boardRecording = false;
    if (clipWanted)
        m_boardScissor =
            planBoardRedraw(device, hiresLevel ? m_renderManager->getForwardRenderer()->getClearColorValue() : 0);
    else
        m_boardRedraw.forget();
    const bool tracked = m_boardRecording;
    if (throughManager) {
        // The board follows on the forward renderer's post-render signal, unless the frame lights
        // or tone-maps the forward image: the board then goes over the finished picture, as it is.
        m_boardAfterFrame = m_renderManager->lightsForwardImage();
        device->EndScene();
        if (!hiresLevel)
            clearAll();
        if (clipWanted)
            device->GetRenderTarget(0, &m_boardClipTarget);
        m_renderManager->render(&m_camera);
        auto boundHolds = [this] {
            // The board's bound holds the picture only when the forward renderer's transparent
            // clear and the board are all that reached it (no post effect, no scene, nothing drawn
            // over it).
            return m_boardBoundKnown && m_renderManager->lastFrameDrewForwardOnly() &&
                   m_renderManager->getForwardRenderer()->getClearColorValue() >> 24 == 0 && !sceneLoaded();
        };
        Ulvo::releaseAndNull(m_boardClipTarget);
        m_boardRecording = false;
        if (m_boardClipped) {
            device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
            const bool held = boundHolds() && ScreenRules::sectionWithin(m_boardBound, width, height, m_boardClip);
            if (!boardPartHolds(tracked, held)) {
                m_boardClipped = false;
                m_renderManager->render(&m_camera);
            }
        } else {
            m_boardRedraw.forget();
        }
        device->BeginScene();
        if (m_boardAfterFrame) {
            m_boardAfterFrame = false;
            DWORD depthTest = D3DZB_TRUE;
            device->GetRenderState(D3DRS_ZENABLE, &depthTest);
            device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
            onPostRender(*m_renderManager->getForwardRenderer());
            device->SetRenderState(D3DRS_ZENABLE, depthTest);
        }
        m_boardBoundKnown = boundHolds();
    } else if (m_renderManager) {
        if (clipWanted) {
            device->SetScissorRect(&m_boardScissor);
            device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
            m_boardClipped = true;
        }
        clearAll();
        onPostRender(*m_renderManager->getForwardRenderer());
        m_boardRecording = false;
        if (m_boardClipped) {
            device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
            const bool held = m_boardBoundKnown && ScreenRules::sectionWithin(m_boardBound, width, height, m_boardClip);
            if (!boardPartHolds(tracked, held)) {
                m_boardClipped = false;
                clearAll();
                onPostRender(*m_renderManager->getForwardRenderer());
            }
        }
    } else {
        clearAll();
    }
}

bool ThreeMatchGame::boardLayIn(const Ulvo::GUIWindow& window, BoardLayIn& layIn) const
{
    Ulvo::Texture2D* picture = m_renderTarget && m_renderTarget->isCreated() ? m_renderTarget->getTexture() : nullptr;
    // Outside the board's part the picture is transparent and would leave every pixel as it is.
    const RECT whole = picture ? picture->getRect() : RECT{};
    const RECT destination = rounded(window.getScreenRect());
    if (!m_boardBoundKnown || whole.left != 0 || whole.top != 0 ||
        !ScreenRules::pictureSection(m_boardBound, whole.right, whole.bottom, destination, layIn.source, layIn.scaling,
                                     layIn.at))
        return false;
    layIn.colour = D3DCOLOR_ARGB(alphaByte(window.getAlpha()), 255, 255, 255);
    const float w = static_cast<float>(layIn.source.right - layIn.source.left) * layIn.scaling.x;
    const float h = static_cast<float>(layIn.source.bottom - layIn.source.top) * layIn.scaling.y;
    layIn.pixels =
        RECT{static_cast<LONG>(std::floor(layIn.at.x)) - 1, static_cast<LONG>(std::floor(layIn.at.y)) - 1,
             static_cast<LONG>(std::ceil(layIn.at.x + w)) + 1, static_cast<LONG>(std::ceil(layIn.at.y + h)) + 1};
    return true;
}

RECT ThreeMatchGame::wholePictureOf(const BoardLayIn& layIn, const RECT& whole)
{
    // The section's texels start at layIn.at; the picture's own corners lie that far out.
    const float left = layIn.at.x - static_cast<float>(layIn.source.left - whole.left) * layIn.scaling.x;
    const float top = layIn.at.y - static_cast<float>(layIn.source.top - whole.top) * layIn.scaling.y;
    return RECT{static_cast<LONG>(std::lround(left)), static_cast<LONG>(std::lround(top)),
                static_cast<LONG>(std::lround(left + static_cast<float>(whole.right - whole.left) * layIn.scaling.x)),
                static_cast<LONG>(std::lround(top + static_cast<float>(whole.bottom - whole.top) * layIn.scaling.y))};
}

void ThreeMatchGame::showPictureAt(const RECT& rect)
{
    // The editor picks through the picture where it is shown.
    if (Ulvo::UlvoEngine* engine = Ulvo::UlvoEngine::getInstance())
        if (Ulvo::ObjektManager* objects = engine->getObjektManager())
            objects->setPictureRect(rect);
}

bool ThreeMatchGame::planBoardLayIn(std::vector<RECT>& alsoCopied)
{
    alsoCopied.clear();
    BoardLayIn now;
    bool shown = m_ingameWindow != nullptr;
    for (const Ulvo::GUIWindow* w = m_ingameWindow; w && shown; w = w->getParent())
        shown = w->getOptions().visible;
    const bool same = shown && m_layInHolds && boardLayIn(*m_ingameWindow, now) &&
                      std::memcmp(&now.pixels, &m_layIn.pixels, sizeof(RECT)) == 0 && now.colour == m_layIn.colour;
    if (!same || !m_boardRedraw.partial()) {
        // Laid in whole over the backdrop: what the last lay-in left goes first.
        if (ScreenRules::holdsPixels(m_layIn.pixels))
            alsoCopied.push_back(m_layIn.pixels);
        return false;
    }
    // The screen's pixels whose filtering reads what the board drew again (two texels around it).
    const RECT& redrawn = m_boardScissor;
    if (ScreenRules::holdsPixels(redrawn)) {
        const auto x = [&now](LONG texel) {
            return now.at.x + static_cast<float>(texel - now.source.left) * now.scaling.x;
        };
        const auto y = [&now](LONG texel) {
            return now.at.y + static_cast<float>(texel - now.source.top) * now.scaling.y;
        };
        const RECT r = ScreenRules::common(now.pixels, RECT{static_cast<LONG>(std::floor(x(redrawn.left - 2))) - 1,
                                                            static_cast<LONG>(std::floor(y(redrawn.top - 2))) - 1,
                                                            static_cast<LONG>(std::ceil(x(redrawn.right + 2))) + 1,
                                                            static_cast<LONG>(std::ceil(y(redrawn.bottom + 2))) + 1});
        if (ScreenRules::holdsPixels(r))
            alsoCopied.push_back(r);
    }
    return true;
}

void ThreeMatchGame::drawIngamePicture(Ulvo::GUIWindow& window, const bool& inView)
{
    m_ingamePictureInView = inView;
    Ulvo::D3DXSprite* sprite = m_gui->getSprite();
    if (!inView || !sprite || !m_renderTarget || !m_renderTarget->isCreated())
        return;
    Ulvo::Texture2D* picture = m_renderTarget->getTexture();
    BoardLayIn layIn;
    const bool section = boardLayIn(window, layIn);
    showPictureAt(section ? wholePictureOf(layIn, picture->getRect()) : rounded(window.getScreenRect()));
    if (section) {
        const D3DXVECTOR2 centre(0.0f, 0.0f);
        IDirect3DDevice9* device = m_d3d->getDevice();
        ID3DXSprite* batch = *sprite->getD3DXSprite();
        const bool inPart = m_layInInPart && device && batch && sprite->isInBatch() &&
                            std::memcmp(&layIn.pixels, &m_layIn.pixels, sizeof(RECT)) == 0 &&
                            layIn.colour == m_layIn.colour;
        if (inPart) {
            // Only where the backdrop was copied back: elsewhere the last frame's pixels stand.
            ScopedScissor scissor(device);
            batch->Flush();
            for (const RECT& copied : m_levelBackdrop.copiedRects()) {
                RECT r = ScreenRules::common(copied, layIn.pixels);
                if (scissor.wasOn())
                    r = ScreenRules::common(r, scissor.found());
                if (!ScreenRules::holdsPixels(r))
                    continue;
                scissor.clip(r);
                sprite->drawTexture2D(picture, &layIn.source, &layIn.scaling, &centre, 0.0f, &layIn.at, layIn.colour);
                batch->Flush();
            }
        } else {
            sprite->drawTexture2D(picture, &layIn.source, &layIn.scaling, &centre, 0.0f, &layIn.at, layIn.colour);
        }
        // Not reported as drawn over the level's backdrop: the next frame copies back and lays in
        // again only what changes (planBoardLayIn).
        m_layIn = layIn;
        m_layInHolds = !m_layInInPart || inPart;
        m_layInDrawn = true;
        return;
    }
    const RECT destination = rounded(window.getScreenRect());
    const D3DCOLOR colour = D3DCOLOR_ARGB(alphaByte(window.getAlpha()), 255, 255, 255);
    sprite->drawRegion(picture, nullptr, destination, Ulvo::SDP_SCALE, Ulvo::SDP_SCALE, colour);
    m_levelBackdrop.drawnOver(
        RECT{destination.left - 1, destination.top - 1, destination.right + 1, destination.bottom + 1});
}

void ThreeMatchGame::drawTooltipFrame(Ulvo::GUIWindow& window, bool&)
{
    const double alpha = window.getAlpha();
    const Ulvo::FloatRect& rect = window.getScreenRect();
    m_globals->drawFrame(truncated(rect, 5.0f), 4, D3DCOLOR_ARGB(alphaByte(alpha * 0.25), 0, 0, 0), 0, 0, 0, 0, 0, 0);
    m_globals->drawFrame(truncated(rect), 4, D3DCOLOR_ARGB(alphaByte(alpha), 227, 227, 240),
                         D3DCOLOR_ARGB(alphaByte(alpha), 0, 0, 0), 0, 0, 0, 0, 0);
}

void ThreeMatchGame::fitHelpPage(Ulvo::GUIWindow& window)
{
    auto* label = dynamic_cast<Ulvo::GUILabel*>(&window);
    if (m_inFitHelpPage || !label)
        return;
    Ulvo::GUIWindow* parent = label->getParent();
    if (parent && !(parent->getScreenRect().bottom - parent->getScreenRect().top > 0.0f))
        return;
    m_inFitHelpPage = true;
    RECT text;
    label->calcTextRect(text);
    // The pages stand one below the other: each keeps a paragraph's gap below its text.
    constexpr float kParagraphGap = 12.0f;
    label->getGUIRect().size = Ulvo::GUIRectPoint(0.0f, 0.0f, static_cast<float>(text.right - text.left),
                                                  static_cast<float>(text.bottom - text.top) + kParagraphGap);
    label->updateClientRect();
    if (parent)
        parent->updateClientRect();
    m_inFitHelpPage = false;
}

// ---------------------------------------------------------------- town screen

void ThreeMatchGame::refreshBuildingButtons()
{
    GebaeudeManager& buildings = m_globals->getGebaeudeManager();
    for (std::size_t i = 0; i < m_buildingButtons.size(); ++i) {
        Gebaeude* building = buildings.getGebaeude(static_cast<int>(i), 0);
        // A place past the last building (the last row not full) shows nothing and sells nothing.
        if (Ulvo::GUIWindow* picture = i < m_buildingPictures.size() ? m_buildingPictures[i] : nullptr) {
            picture->getOptions().visible = building != nullptr;
            picture->takeCurrentState();
        }
        if (!building) {
            if (Ulvo::GUIWindow* button = m_buildingButtons[i]) {
                button->getOptions().visible = false;
                button->getOptions().enabled = false;
                button->takeCurrentState();
            }
            continue;
        }
        const bool available = building->canBuild();
        if (Ulvo::GUIWindow* icon = i < m_buildingPreviews.size() ? m_buildingPreviews[i] : nullptr) {
            icon->getDrawOptions().setNormalTexture(building->getVorschau());
            icon->getDrawOptions().alpha = available && !building->isBuilt() ? 1.0 : 0.5;
            icon->takeCurrentState();
        }
        if (Ulvo::GUIWindow* button = m_buildingButtons[i]) {
            button->getOptions().visible = !building->isBuilt();
            button->getOptions().enabled = available;
            button->takeCurrentState();
        }
    }
}

void ThreeMatchGame::onBuildingMarked(Ulvo::GUIWindow& window)
{
    // The preview itself keeps the building it shows, so that it stays open under the mouse.
    if (&window != m_previewWindow) {
        m_buildingUnderPointer = -1;
        if (isLevelActive(L"THREEMATCH_BAUEN_MENU")) {
            for (const std::vector<Ulvo::GUIWindow*>* list : {&m_buildingButtons, &m_buildingPreviews}) {
                const auto at = std::find(list->begin(), list->end(), &window);
                if (at != list->end()) {
                    m_buildingUnderPointer = static_cast<int>(at - list->begin());
                    break;
                }
            }
        }
    }
    Gebaeude* building =
        m_buildingUnderPointer >= 0 ? m_globals->getGebaeudeManager().getGebaeude(m_buildingUnderPointer, 0) : nullptr;
    if (m_previewWindow)
        m_previewWindow->startAnimationGoal(building && !building->isBuilt() ? L"AN" : L"AUS", 1.0);
}

void ThreeMatchGame::onBuildingUnmarked(Ulvo::GUIWindow&)
{
    if (m_previewWindow)
        m_previewWindow->startAnimationGoal(L"AUS", 1.0);
}

void ThreeMatchGame::onBuildingClicked(Ulvo::GUIWindow& window, const bool&)
{
    for (const std::vector<Ulvo::GUIWindow*>* list : {&m_buildingPictures, &m_buildingPreviews, &m_buildingButtons}) {
        const auto at = std::find(list->begin(), list->end(), &window);
        if (at == list->end())
            continue;
        const std::size_t place = static_cast<std::size_t>(at - list->begin());
        Ulvo::GUIWindow* button = place < m_buildingButtons.size() ? m_buildingButtons[place] : nullptr;
        if (button && !button->isEnabledInHierarchy())
            playSound(L"BAUEN_ERROR");
        return;
    }
}

void ThreeMatchGame::showBuildingPreview(Ulvo::GUIWindow&, const bool& inView)
{
    Gebaeude* building =
        m_buildingUnderPointer >= 0 ? m_globals->getGebaeudeManager().getGebaeude(m_buildingUnderPointer, 0) : nullptr;
    if (!inView || !building)
        return;
    setLabelText(findLabel(*m_gui, L"THREEMATCH_VORSCHAU_DESC"), building->getBeschreibung());
    setLabelText(findLabel(*m_gui, L"THREEMATCH_VORSCHAU_NAME"), building->getName());
    setPicture(m_gui->getWindow(L"THREEMATCH_VORSCHAU_IMAGE"), building->getVorschauBig());
    RohstoffManager& rohstoffe = m_globals->getRohstoffManager();
    for (Rohstoffklasse* klasse : rohstoffe.getKlassen())
        showNumber(findLabel(*m_gui, windowName(L"THREEMATCH_VORSCHAU_", klasse->getName())), 0);
    for (const Gebaeude::Kosten& kosten : building->getKosten()) {
        if (kosten.klasse)
            showNumber(findLabel(*m_gui, windowName(L"THREEMATCH_VORSCHAU_", kosten.klasse->getName())), kosten.anzahl);
    }
    // The items the building brings: the stone types it unlocks.
    const std::vector<Gebaeude::Freischaltung>& items = building->getUnlocks();
    Ulvo::TextManager* texts = m_engine->getTextManager();
    for (std::size_t i = 0;; ++i) {
        Ulvo::GUIWindow* item = m_gui->getWindow(windowName(L"THREEMATCH_VORSCHAU_ITEM_", static_cast<int>(i)));
        if (!item)
            break;
        const bool shown = i < items.size();
        item->getOptions().visible = shown;
        if (!shown)
            continue;
        const Rohstoff* stone = items[i].rohstoff;
        const std::wstring name = stone ? stone->getName() : items[i].klasse ? items[i].klasse->getName() : L"";
        const std::wstring text = texts->getTextString(name);
        setLabelText(labelOf(item), text.empty() ? name : text);
        item->getDrawOptions().setNormalTexture(stone ? stone->getIcon() : nullptr);
    }
}

// ---------------------------------------------------------------- result tallies

void ThreeMatchGame::showWinTally(Ulvo::GUIWindow&, const bool& inView)
{
    if (!inView)
        return;
    const int lit = showTallyHead(*m_gui, L"THREEMATCH_WIN_", m_winTally, m_tallyMaster.value);
    const std::vector<Rohstoffklasse*>& klassen = m_globals->getRohstoffManager().getKlassen();
    for (std::size_t i = 0; i < klassen.size() && i + 3 < m_winTally.size(); ++i) {
        Ulvo::GUIWindow* line = m_gui->getWindow(windowName(L"THREEMATCH_WIN_", klassen[i]->getName()));
        if (!line)
            continue;
        showTallyLine(line, m_winTally[i + 3], static_cast<int>(i + 3) < lit, false);
        Ulvo::Texture2D* icon = klassen[i]->getVorschauIngame();
        line->getDrawOptions().setNormalTexture(icon ? icon : klassen[i]->getVorschauBauen());
    }
}

void ThreeMatchGame::showLoseTally(Ulvo::GUIWindow&, const bool& inView)
{
    if (inView)
        showTallyHead(*m_gui, L"THREEMATCH_LOSE_", m_loseTally, m_tallyMaster.value);
}

// ---------------------------------------------------------------- minigames and catastrophes

void ThreeMatchGame::onMinispielClosed(Minispiel& game)
{
    MinispielManager* minigames = MinispielManager::getInstance();
    // A game whose result was taken is still on screen while it fades out: a late click on its
    // cancel button must not take the build's result away.
    if (minigames->getActiveMinispiel() != &game)
        return;
    minigames->setActiveMinispiel(nullptr);
    showMenu(L"THREEMATCH_BAUEN_MENU");
}

void ThreeMatchGame::onMinispielFailed(Minispiel&)
{
    playSound(L"BAUEN_ERROR");
}

void ThreeMatchGame::onMinispielResult(Minispiel&, const float& score)
{
    MinispielManager* minigames = MinispielManager::getInstance();
    const bool skipped = minigames->wasSkipped();
    minigames->setActiveMinispiel(nullptr);
    minigames->showScreen(false);
    minigames->nextMinispiel();
    settleBuilding(score, skipped ? Settling::Skipped : Settling::Played);
}

void ThreeMatchGame::settleBuilding(float score, Settling how)
{
    // The building the minigame was played for is built once, at the cost the score leaves.
    Gebaeude* building = m_lastBuilding;
    m_lastBuilding = nullptr;
    const TownRules::Settlement settled = TownRules::settleBuilding(building, score, m_globals->getSchwierigkeit());
    if (building) {
        refreshBuildingButtons();
        Ulvo::mainLogger().log(100, Ulvo::LOG_TYPE_INFO, L"ThreeMatch: Gebaeude gebaut (",
                               how == Settling::Played    ? L"Minispiel gespielt"
                               : how == Settling::Skipped ? L"Minispiel uebersprungen"
                                                          : L"ohne Minispiel",
                               L"): ", std::to_wstring(settled.paid), L" von ", std::to_wstring(settled.amount),
                               L" Rohstoffen, ", std::to_wstring(settled.savedPercent), L" % gespart\n");
    }
    if (Ulvo::GUILabel* label = findLabel(*m_gui, L"THREEMATCHAUSWERTUNG_MINISPIEL_LABEL")) {
        // Bought without a minigame, or with it skipped, there is no score to speak of: only what
        // it cost.
        label->setTextId(how == Settling::Played    ? L"THREEMATCHAUSWERTUNG_MINISPIEL_LABEL"
                         : how == Settling::Skipped ? L"THREEMATCHAUSWERTUNG_UEBERSPRUNGEN_TEXT"
                                                    : L"THREEMATCHAUSWERTUNG_GEBAUT_TEXT");
        // The time left says how well the game went, the saving what it was worth, as the whole
        // resources paid make it.
        const int percent = settled.savedPercent;
        if (how == Settling::Played)
            showFormatted(label, settled.saving.reached, settled.paid, settled.amount, percent);
        else
            showFormatted(label, settled.paid, settled.paid, settled.amount, percent);
    }

    LichterspielManager& lights = m_globals->getLichterspiele();
    lights.stop();
    if (building) {
        Lichterspiel* show = lights.find(L"THREEMATCH_MINI_WIN");
        if (show && building->getVorschauBig())
            show->setBild(building->getVorschauBig());
        lights.start(L"THREEMATCH_MINI_WIN");
    }
    showMenu(L"THREEMATCHAUSWERTUNG_MINISPIEL_MENU");
}

void ThreeMatchGame::showKatastrophe()
{
    playSound(L"Zorn_Sound");
    // Without a catastrophe in the data there is no picture or text to show.
    if (m_katastrophen.empty()) {
        m_shownKatastrophe = -1;
        return;
    }
    m_shownKatastrophe = crt_rand() % static_cast<int>(m_katastrophen.size());
    showCatastropheScreen(m_shownKatastrophe);
}

void ThreeMatchGame::showCatastropheScreen(int index)
{
    const Katastrophe& katastrophe = m_katastrophen[static_cast<std::size_t>(index)];
    setPicture(m_gui->getWindow(L"THREEMATCH_KATASTROPHE_BILD"), katastrophe.getTexture());
    Ulvo::GUILabel* text = findLabel(*m_gui, L"THREEMATCH_KATASTROPHE_TEXT");
    setLabelTextId(text, katastrophe.getTextId());
    showNumber(text, m_townRules.getCatastropheLosses());
}

void ThreeMatchGame::onRohstoffVorstellung(Rohstoff& stone)
{
    Profil* active = m_profiles->getActiveProfile();
    if (active && (active->getShownHelp() & kHelpOff))
        return;
    setLabelTextId(findLabel(*m_gui, L"THREEMATCH_VORSTELLUNG_TEXT"), stone.getVorstellungTextId());
    setPicture(m_gui->getWindow(L"THREEMATCH_VORSTELLUNG_BILD"), stone.getIcon());
    showMenu(L"THREEMATCH_VORSTELLUNG_MENU");
}

// ---------------------------------------------------------------- help

bool ThreeMatchGame::showHelp(uint32_t bit)
{
    Profil* owner = m_newProfile ? m_newProfile : m_profiles->getActiveProfile();
    uint32_t mask = owner ? owner->getShownHelp() : m_helpMask;
    if ((mask & kHelpOff) || (mask & bit))
        return false;
    mask |= bit;
    if (owner)
        owner->setShownHelp(mask);
    else
        m_helpMask = mask;
    // A profile screen's hint counts as read for the game, also when the profile it was shown
    // to is dropped.
    m_helpMask |= bit & kProfileScreenHelp;

    const wchar_t* id = nullptr;
    for (const HelpEntry& entry : kHelp) {
        if (entry.bit == bit)
            id = entry.id;
    }
    Ulvo::GUILabel* text = findLabel(*m_gui, L"THREEMATCH_HELP_TEXT");
    if (id)
        setLabelTextId(text, id);
    else
        setLabelText(text, L"");
    setPicture(m_gui->getWindow(L"THREEMATCH_HELP_BILD"), id ? m_d3d->getTextureManager()->getTexture2D(id) : nullptr);

    const Ulvo::GUIMenu* current = m_menus->getActiveMenu();
    const bool introduction = isLevelActive(L"THREEMATCH_VORSTELLUNG_MENU") ||
                              (current && current->getName() == L"THREEMATCH_VORSTELLUNG_MENU");
    if (introduction) {
        // Shown when the introduction closes.
        m_helpWaiting = true;
        return true;
    }
    showMenu(L"THREEMATCH_HELP_MENU", false);
    if (Ulvo::GUIWindow* window = m_gui->getWindow(L"THREEMATCH_HELP_MENU"))
        window->bringToFront();
    m_helpWaiting = false;
    return true;
}

void ThreeMatchGame::onBonusUsed(Bonus* bonus)
{
    for (const BonusHelp& entry : kBonusHelp) {
        if (entry.is(bonus)) {
            showHelp(entry.bit);
            return;
        }
    }
}

// ---------------------------------------------------------------- window focus

void ThreeMatchGame::onActivate(const bool& active)
{
    Ulvo::PerfTimer* clock = m_engine->getPerfTimer();
    if (active) {
        clock->setPause(kFocusPause, false);
        return;
    }
    Ulvo::GUIMenu* ingame = m_menus ? m_menus->getMenu(L"THREEMATCH_INGAME_MENU") : nullptr;
    Ulvo::GUIMenu* pause = m_menus ? m_menus->getMenu(L"THREEMATCH_INGAME_PAUSE_MENU") : nullptr;
    if (ingame && ingame->isActive() && pause) {
        // A running level goes to its pause screen, which stops the game clock itself.
        ingame->hide(1.0, true);
        pause->show(1.0, true, false);
        return;
    }
    clock->setPause(kFocusPause, true);
}

} // namespace ThreeMatch
