#pragma once
// The game controller: the one object that turns the engine into the game. Its constructor loads
// every data file behind the loading screen and connects it to the engine, the devices, the GUI
// and the game managers; from then on it acts only through its slots. Every member may be
// missing (a window closed while loading stops the constructor early), and the destructor copes.
#include "devices/input/KeyState.h"
#include "foundation/helpers/Interpolation.h"
#include "foundation/sigslot.h"
#include "graphics/textures/RenderToTexture.h"
#include "render/cameras/LookAtCamera.h"
#include "threematch/ConsoleLineView.h"
#include "threematch/controller/BoardRedraw.h"
#include "threematch/controller/LevelBackdrop.h"
#include "threematch/controller/MenuBackdrop.h"
#include "threematch/controller/SystemPointer.h"
#include "threematch/controller/TownConsole.h"
#include "threematch/town/Katastrophe.h"
#include "threematch/town/TownRules.h"

#include <windows.h>
#include <d3d9.h>
#include <d3dx9math.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace Ulvo {
class D3DInterface;
class DInputInitParams;
class ForwardRenderer;
class GUICheckboxButton;
class GUIMenu;
class GUIMenuManager;
class GUISlider;
class GUISystem;
class GUIWindow;
class RenderManager;
class TastaturLayoutManager;
class Texture2D;
class Texture2DAnimation;
class UlvoEngine;
} // namespace Ulvo

namespace ThreeMatch {

class Bonus;
class Feld;
class Gebaeude;
class MenuEbene;
class MenuEbenenManager;
class Minispiel;
class MyGlobals;
class Profil;
class ProfileManager;
class Rohstoff;
class Spielfeld;
class SpielfeldProfileWorld;

// The controller is the running level the town's rules act on (TownRules::Level).
class ThreeMatchGame : public sigslot::has_slots<>, private TownRules::Level {
public:
    // Pending screen switches (requestIngame).
    enum IngameRequest { REQUEST_RESUME = 0, REQUEST_NEXT_LEVEL = 1, REQUEST_FREE_PLAY = 2, REQUEST_NONE = 3 };

    using WrathStage = TownRules::WrathStage;

    ThreeMatchGame(const bool& showSplash, const bool& confirmDisplayChanges);
    ~ThreeMatchGame() override;
    ThreeMatchGame(const ThreeMatchGame&) = delete;
    ThreeMatchGame& operator=(const ThreeMatchGame&) = delete;

    // --- Per-frame update ---------------------------------------------------------------
    void update();
    // Starts a screen switch (kind REQUEST_*) behind the exchange fade, or carries out a
    // pending one once its countdown ran out (kind REQUEST_NONE).
    void requestIngame(int kind);

    // --- Render step, in-game window, screenshots ----------------------------------------
    void render();
    void buildIngameWindow();
    // F7 saves the back buffer as the next free "Screenshot_N.png"; L toggles the magnifier.
    void takeScreenshot(Ulvo::KeyState& keys, const unsigned char& key);

    // --- Screen preparation, clicks and options ------------------------------------------
    void onMenuOpened(Ulvo::GUIMenu* previous, Ulvo::GUIMenu* opened);
    void onButtonClicked(Ulvo::GUIWindow& window);
    void applyOptions();
    void onCursorChecked(Ulvo::GUICheckboxButton& box);
    void toggleExchangeView();
    void onProfileSwitched(Profil* oldProfile, Profil* newProfile);

    // --- Slots and screen handlers ---------------------------------------------------------
    void rebuildProfileList();
    void onProfileButtonClicked(Ulvo::GUIWindow& button);
    Profil* getProfileOrActive(Profil* profil) const;
    void onProfileNameKey(Ulvo::KeyState& keys, const unsigned char& key);
    // The same from the keyboard's typed text: every key in order, with the Shift of its moment.
    void onProfileNameText(Ulvo::KeyState& keys, const Ulvo::TypedKey& typed);
    void onUseZornChecked(Ulvo::GUICheckboxButton& box);
    void onEasyChecked(Ulvo::GUICheckboxButton& box);
    void onMediumChecked(Ulvo::GUICheckboxButton& box);
    void onHardChecked(Ulvo::GUICheckboxButton& box);
    void onFullscreenChecked(Ulvo::GUICheckboxButton& box);
    void onHelpChecked(Ulvo::GUICheckboxButton& box);
    void onHiresChecked(Ulvo::GUICheckboxButton& box);
    void onSoundVolume(Ulvo::GUISlider& slider, const float& value);
    void onMusicVolume(Ulvo::GUISlider& slider, const float& value);
    void onResolutionSlider(Ulvo::GUISlider& slider, const float& value);
    void showResolutionLabel();
    void showUseSettingsMenu();
    void showAutoDegradeMenu();
    void onSettingsConfirmed(const bool& kept);
    void onConfirmTimeLeft(const float& seconds);
    // False when the window was closed meanwhile (the engine is then told to exit).
    bool updateLoadingProgress(float progress, bool redraw);
    void drawLoadingScreen();
    void pickMenuBackground();
    void onPreRender(Ulvo::ForwardRenderer& renderer);
    void onPostRender(Ulvo::ForwardRenderer& renderer);
    void renderIngameTarget(Ulvo::RenderToTexture& target);
    void drawIngamePicture(Ulvo::GUIWindow& window, const bool& inView);
    void drawTooltipFrame(Ulvo::GUIWindow& window, bool& skipOwnDrawing);
    void fitHelpPage(Ulvo::GUIWindow& window);
    void refreshBuildingButtons();
    void onBuildingMarked(Ulvo::GUIWindow& window);
    void onBuildingUnmarked(Ulvo::GUIWindow& window);
    void onBuildingClicked(Ulvo::GUIWindow& window, const bool& down);
    void showBuildingPreview(Ulvo::GUIWindow& window, const bool& inView);
    void showWinTally(Ulvo::GUIWindow& window, const bool& inView);
    void showLoseTally(Ulvo::GUIWindow& window, const bool& inView);
    void onMinispielClosed(Minispiel& game);
    void onMinispielResult(Minispiel& game, const float& score);
    // A refused answer is heard as well as seen (the manager shows it).
    void onMinispielFailed(Minispiel& game);
    void showKatastrophe();
    void onRohstoffVorstellung(Rohstoff& stone);
    bool showHelp(uint32_t bit);
    void onBonusUsed(Bonus* bonus);
    void onActivate(const bool& active);
    void onMouseButton(Ulvo::MouseState& mouse, const UlvoMouseButton& button);
    void onMouseButtonUp(Ulvo::MouseState& mouse, const UlvoMouseButton& button);
    void onMouseMove(Ulvo::MouseState& mouse, const UlvoAchse& axis);
    void toViewCoords(D3DXVECTOR2& out, const D3DXVECTOR2& screen, bool relative) const;
    void startLevel(bool resume);

    // --- Access for the program and its tests ----------------------------------------------
    Ulvo::RenderToTexture& getRenderTarget() { return *m_renderTarget; }
    Spielfeld* getBoard() const { return m_board; }
    // The board's picture drawn whole by the next frame; whether the last one drew only what
    // changed (for tests).
    void redrawBoardWhole() { m_boardRedraw.forget(); }
    bool boardRedrawnInPart() const { return m_boardRedraw.partial(); }
    bool boardLaidInPart() const { return m_layInInPart; }
    const std::vector<Katastrophe>& getKatastrophen() const { return m_katastrophen; }
    const std::vector<WrathStage>& getWrathStages() const { return m_townRules.getWrathStages(); }
    std::vector<WrathStage>& wrathStages() { return m_townRules.wrathStages(); }
    const TownRules& getTownRules() const { return m_townRules; }
    // The buy buttons of the town's building places, in place order.
    const std::vector<Ulvo::GUIWindow*>& getBuildingButtons() const { return m_buildingButtons; }
    int getPendingRequest() const { return m_ingameRequest; }
    bool isTallyRunning() const { return m_tallyRunning; }
    bool isCatastrophePending() const { return m_townRules.isCatastrophePending(); }
    bool isLoaded() const { return m_loaded; }
    // The window was closed while loading: the constructor stopped early and the program ends
    // in order.
    bool wasClosedWhileLoading() const { return m_closedWhileLoading; }
    const Ulvo::Interpolation<float, float>& getExchangeFade() const { return m_exchangeFade; }
    const Ulvo::Interpolation<float, float>& getMagnifierFade() const { return m_magnifierFade; }

    // The input the controller is written for, whatever the configuration held: buffered and
    // through window messages, with key repeat for typing names. Set before the engine starts.
    static void prepareInput(Ulvo::DInputInitParams& input);
    // The wrath meter's fill: 1 - stock / maximum, full (1) without a usable maximum.
    static double wrathFill(double stock, double maximum) { return TownRules::wrathFill(stock, maximum); }
    // The first "Screenshot_N.png" at or after counter whose file does not exist yet; counter
    // is left at N. The name lies in the screenshot folder when one is set.
    static std::wstring nextScreenshotName(int& counter);
    // Whether the note that a screenshot was saved stands on the screen.
    bool isScreenshotNoteShown() const { return m_screenshotNoteLeft > 0.0; }
    // Where F7 saves: the working folder unless set (an installed game cannot write there).
    static void setScreenshotFolder(const std::wstring& folder);
    // Minutes, seconds (0..59) and hundredths of a time in seconds (negative counts as 0).
    static void splitTime(double seconds, int& minutes, int& wholeSeconds, int& hundredths);

private:
    // Construction steps; each returns false when the window was closed while loading.
    void connectSignals();
    bool showSplash();
    bool loadDataFiles();
    void finishLoading();
    void loadTextureList(const wchar_t* fileName);

    // Per-frame steps.
    void updateMagnifier(float realDt);
    // Shows the word over the level's picture for the seconds given (0 hides it).
    void showNotice(double seconds);
    void showScreenshotNote();
    void updateScreenshotNote(double realDt);
    void updateTally(double realDt);
    void updateTownLabels();
    void updateIngame(double gameDt);
    void updateHud();
    void updateWrath();
    void forgetLostBuildings();
    // What the town's wrath rule does to the running level, the town and the screens.
    void replaceStoneType(Rohstoff* from, Rohstoff* to, double seconds) override;
    void wrathStageTurned(bool reached) override;
    void wrathStagesChanged(bool added, bool removed) override;
    int storyLevel() const override;
    int strikeTown() override;
    void catastropheCame() override;
    void updateRollIn(double gameDt);
    void updateLevelEnd(double gameDt);
    void startTally();

    // Render steps.
    // The pointer: the system's own showing its picture, or drawn where it must be in the
    // picture (the magnifier open, a screenshot due) or the system cannot show it.
    void drawCursor();
    void saveScreenshot();
    // The roll-in's shown fraction of the level's picture (1 all of it).
    void setRollIn(float shown);
    void releaseWindowLists();
    void buildTownScreen();

    // Menu helpers.
    bool isLevelActive(const wchar_t* name) const;
    void showMenu(const wchar_t* name, bool hideOthers = true);
    void playSound(const wchar_t* cue);
    void resetModeIndices();
    // A window name made of a prefix and a stone class's name or a number, in a buffer kept
    // between frames: the HUD and the drawn screens look their windows up by name every frame.
    const std::wstring& windowName(const wchar_t* prefix, const std::wstring& suffix);
    const std::wstring& windowName(const wchar_t* prefix, int number);

    // Singletons, fetched first.
    Ulvo::UlvoEngine* m_engine = nullptr;
    Ulvo::D3DInterface* m_d3d = nullptr;
    Ulvo::RenderManager* m_renderManager = nullptr;
    ProfileManager* m_profiles = nullptr;
    Ulvo::GUISystem* m_gui = nullptr;
    Ulvo::TastaturLayoutManager* m_layouts = nullptr;
    Ulvo::GUIMenuManager* m_menus = nullptr;
    MenuEbenenManager* m_menuLevels = nullptr;
    MyGlobals* m_globals = nullptr;

    // The board; the profiles reach its running level through the profile world.
    Spielfeld* m_board = nullptr;
    std::unique_ptr<SpielfeldProfileWorld> m_profileWorld;
    // The camera of the in-game 3D frame; listed with the camera manager while the controller
    // lives, so the CAM_ commands reach it by this name.
    // The far plane of the level's camera.
    static constexpr double kSceneReach = 1000.0;
    Ulvo::LookAtCamera m_camera{L"SPIEL"};

    // Display modes: the current one and the one chosen on the options screen.
    int m_currentMode = 0;
    int m_chosenMode = 0;
    bool m_fullscreen = false;
    bool m_chosenFullscreen = false;
    bool m_confirmDisplayChanges = true;

    Ulvo::GUIWindow* m_loadingScreen = nullptr;
    float m_loadingDrawnProgress = -1.0f; // the bar last drawn, -1 before the first picture
    DWORD m_loadingDrawnAt = 0;           // tick count of that drawing
    std::vector<Ulvo::Texture2D*> m_backgrounds;
    std::vector<Ulvo::Texture2DAnimation*> m_cursors;
    SystemPointer m_systemPointer;
    bool m_screenshotDue = false; // F7 pressed: the next frame is saved, its pointer drawn
    std::vector<Katastrophe> m_katastrophen;
    std::unique_ptr<Ulvo::RenderToTexture> m_renderTarget;
    MenuBackdrop m_backdrop;
    LevelBackdrop m_levelBackdrop;
    ConsoleLineView m_consoleLine;
    std::unique_ptr<TownConsole> m_townConsole;
    bool m_loaded = false;
    bool m_closedWhileLoading = false;

    // Window lists; every window held with a reference, null places allowed.
    std::vector<Ulvo::GUIWindow*> m_profileButtons;
    std::vector<Ulvo::GUIWindow*> m_bonusButtons;
    std::vector<Ulvo::GUIWindow*> m_levelCountButtons;
    std::vector<Ulvo::GUIWindow*> m_stockButtons;
    std::vector<Ulvo::GUIWindow*> m_neededPictures;
    std::vector<Ulvo::GUIWindow*> m_upgradeLabels;
    std::vector<Ulvo::GUIWindow*> m_buildingPictures;
    std::vector<Ulvo::GUIWindow*> m_buildingPreviews;
    std::vector<Ulvo::GUIWindow*> m_buildingButtons;
    MenuEbene* m_ingameLevel = nullptr;
    Ulvo::GUIWindow* m_ingameLevelWindow = nullptr;
    Ulvo::GUIWindow* m_ingameWindow = nullptr;
    Ulvo::GUIWindow* m_buyBar = nullptr;
    Ulvo::GUIWindow* m_previewWindow = nullptr;

    // The profile under construction on the new-profile screen.
    Profil* m_newProfile = nullptr;
    bool m_nameEntry = false;
    bool m_replaceName = false;

    Bonus* m_selectedBonus = nullptr;
    Gebaeude* m_lastBuilding = nullptr;
    int m_buildingUnderPointer = -1;

    Ulvo::GUICheckboxButton* m_helpCheckbox1 = nullptr;
    Ulvo::GUICheckboxButton* m_helpCheckbox2 = nullptr;
    bool m_helpWaiting = false;
    // Help shown while no profile exists.
    uint32_t m_helpMask = 0;

    // The wrath meter, its stages and the catastrophe of the running level.
    TownRules m_townRules;

    // Result tally: the master runs the lines of the win and the lose panel one after another.
    Ulvo::Interpolation<double, double> m_tallyMaster{0.0};
    std::vector<Ulvo::Interpolation<double, double>> m_winTally;
    std::vector<Ulvo::Interpolation<double, double>> m_loseTally;
    bool m_tallyRunning = false;

    bool m_rollIn = false;
    double m_rollInTimer = 0.0;
    double m_rollInLength = 0.0;
    bool m_levelEnd = false;
    double m_endTimer = 0.0;
    double m_endDelay = 0.0;

    Ulvo::Interpolation<float, float> m_exchangeFade{1.0f};
    Ulvo::Interpolation<float, float> m_magnifierFade{0.0f};
    double m_noticeTimer = 0.0; // seconds the word over the level's picture stays

    int m_ingameRequest = REQUEST_NONE;
    float m_requestCountdown = 0.0f;

    // How long the note that a screenshot was saved still stands (real seconds).
    double m_screenshotNoteLeft = 0.0;

    double m_blinkCountdown = 0.0;
    double m_blinkPeriod = 0.2;
    bool m_blinkOn = false;
    wchar_t m_cursorOn = L'|';
    wchar_t m_cursorOff = 0;

    bool m_mainMenuHidden = false;
    bool m_suppressOptionSlots = false;
    // The active profile's difficulty and lives as the options opened: a choice made there is
    // taken from them, so trying another difficulty before OK costs no life.
    const Profil* m_optionsProfile = nullptr;
    int m_optionsSchwierigkeit = 0;
    int m_optionsLeben = 0;
    bool m_optionsUnplayed = false;

    // --- Screens, clicks and slots: their steps ----------------------------------------------
    // What a click on a window of this user id does; onButtonClicked looks the id up in the
    // table (in table order) once the bonus and building buttons had their turn.
    struct ClickHandler {
        const wchar_t* id;
        void (*handle)(ThreeMatchGame& game, const std::wstring& id);
    };
    static std::span<const ClickHandler> clickHandlers();
    void useBonus(int index);
    // The town's buttons act only while the town is the screen in front: a minigame or its
    // result over it leaves them dead, whatever reaches them.
    bool townTakesClicks() const;
    void buyBuilding(int place);
    // How a building came to be settled: after its minigame, with the minigame skipped from its
    // help, or bought without a minigame to play.
    enum class Settling { Played, Skipped, Bought };
    // Builds the building bought last at what the minigame's score leaves of its cost (all of
    // it when no minigame was played) and shows what it cost.
    void settleBuilding(float score, Settling how);
    void applyDisplayChoice();
    // The OK of a result screen; only the first one counts.
    void takeLevelResult(bool won);
    void backToTown();
    void startNewProfile();
    // A new profile under construction and the name entry in front, with its help.
    void askForNewProfile();
    // "Löschen" asks first; the answer deletes the active profile and another one plays on.
    void askToDeleteProfile();
    void deleteActiveProfile();
    // Makes the first listed profile active when none is, or asks for a new one (false then).
    bool ensureActiveProfile();
    // The help mask of whoever plays: the active profile's, else the game's own.
    uint32_t playerHelpMask() const;
    // Both help boxes show the help of the profile being made, else of whoever plays.
    void showHelpBoxes();
    void dropNewProfile();
    void acceptNewProfile();
    void showProfileFonts(Profil* active);
    void setDifficultyFrom(Ulvo::GUICheckboxButton& box, int schwierigkeit);
    // "O_LebenText": what the chosen difficulty does to the lives the profile had as the
    // options opened.
    void showDifficultyLives();
    // A board cell under the mouse, under the conditions every board action needs.
    Feld* boardCellAt(const Ulvo::MouseState& mouse, bool resetHint) const;
    bool applyArmedBonus(Feld* cell);
    void showCatastropheScreen(int index);

    std::wstring m_windowName;

    // --- Screens, clicks and slots: state of their own -------------------------------------
    int m_shownKatastrophe = -1;
    bool m_dragging = false;
    bool m_ingamePictureInView = false;
    // This frame's in-game picture is clear (transparent) outside m_boardBound: only the board drew
    // on it. The picture is then laid in by that part alone.
    bool m_boardBoundKnown = false;
    RECT m_boardBound{};
    // While the last frame's picture was laid in by its part, the forward renderer clears and the
    // board draws within m_boardClip alone (set on the target m_boardClipTarget, not held); whether
    // it was set this frame.
    RECT m_boardClip{};
    IDirect3DSurface9* m_boardClipTarget = nullptr;
    bool m_boardClipped = false;
    // Within m_boardClip the part cleared and drawn this frame: what changed since the last one.
    // While m_boardRecording, the board's drawing is recorded for the comparison.
    RECT m_boardScissor{};
    BoardRedraw m_boardRedraw;
    bool m_boardRecording = false;
    // This frame lights or tone-maps the forward image: the board is drawn over the finished
    // picture instead of inside the forward renderer's scene.
    bool m_boardAfterFrame = false;
    // The board's part of the picture as laid into the screen: the texels, where and how.
    struct BoardLayIn {
        RECT source{};
        D3DXVECTOR2 scaling{0.0f, 0.0f};
        D3DXVECTOR2 at{0.0f, 0.0f};
        RECT pixels{}; // the screen's pixels it covers
        D3DCOLOR colour = 0;
    };
    // The last lay-in stays on the screen unreported to the level's backdrop: while it holds
    // (m_layInHolds) and the board drew again only in part, a frame copies back and lays in only
    // what the board changed and what the backdrop copied back anyway (m_layInInPart).
    BoardLayIn m_layIn;
    bool m_layInHolds = false;
    bool m_layInInPart = false;
    bool m_layInDrawn = false;
    std::vector<RECT> m_layInCopied;
    // The board and its overlay, as the in-game picture shows them.
    void drawBoard();
    // A dry run of drawBoard(): the part of m_boardClip to clear and draw this frame.
    RECT planBoardRedraw(IDirect3DDevice9* device, D3DCOLOR clear);
    // After the board drew: whether its part holds this frame's picture (held: the checks the
    // caller made); if not, the caller draws it whole and the next frame does as well.
    bool boardPartHolds(bool tracked, bool held);
    // Objects are in the scene graph: the 3D picture reaches past the board.
    bool sceneLoaded() const;
    // The board's part as the window lays it in; false when the whole picture is laid in.
    bool boardLayIn(const Ulvo::GUIWindow& window, BoardLayIn& layIn) const;
    // Before the level's backdrop copies back: what it copies back besides for the board's lay-in
    // (alsoCopied); true when the lay-in goes only where the backdrop was copied back.
    bool planBoardLayIn(std::vector<RECT>& alsoCopied);
    // The whole picture's place on the screen when its board part is laid in as layIn.
    static RECT wholePictureOf(const BoardLayIn& layIn, const RECT& whole);
    // Tells the object editor where the 3D picture is shown this frame.
    static void showPictureAt(const RECT& rect);

    bool m_inHelpChecked = false;
    bool m_inFitHelpPage = false;
    // The texture manager keeps it; no reference held.
    Ulvo::Texture2D* m_menuBackground = nullptr;
};

} // namespace ThreeMatch
