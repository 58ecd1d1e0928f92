#pragma once
// The board of the running level. It owns the cells (a grid stored row by row, row 0 at the
// top), the stones lying on them, the score pop-ups and the match groups, and it keeps the
// level's stone types, times and state.
//
// Data flow: a level is built from the level file and its layout picture (or from free-play
// stamps) into cells, the cells to fill and the spawn cells; the game controller starts it
// and calls update once a frame. An update counts the time, bursts the cells whose explosion
// ended (charging their stone types and the player's counters), moves stones, lets them fall
// and spawns new ones, finds the runs and sets them off, and decides the level's end. The
// player acts through trySwap; bonuses through explodeCell, replaceStone and setBonusTime.
//
// The logic needs no device: pictures are read through a replaceable source, textures that
// cannot be found stay null and drawing does nothing without a device. Random numbers are the
// game's rand(), so a seed replays a level exactly. Nothing here allocates per frame while no
// stone moves or bursts.
#include "foundation/sigslot.h"
#include "threematch/board/Bildchen.h"
#include "threematch/board/Feld.h"
#include "threematch/board/Gruppe.h"
#include "threematch/board/PunkteAnzeige.h"

#include <d3dx9math.h>

#include <string>
#include <utility>
#include <vector>

namespace Ulvo {
class Texture2D;
class XMLNode;
} // namespace Ulvo

namespace ThreeMatch {

struct LayoutPicture;
class LayoutPictureSource;
class MyGlobals;
class Profil;
class Rohstoff;
class RohstoffManager;
struct LayoutCell;

class Spielfeld {
public:
    enum State { Keiner = 0, Geladen = 1, Laeuft = 2, Endet = 4, Gewonnen = 8, Verloren = 16 };
    // The board's sounds, by their place in the sound list.
    enum Sound { Win, Lose, Richtig, Falsch, SprengBlob };
    // The profile name that has every saved stone drawn anew on resume.
    static constexpr const wchar_t* kRandomStonesCode = L"GARBUK";
    // Bounds on searches that would otherwise never end on unlucky data.
    static constexpr int kMaxFillAttempts = 100;
    static constexpr int kMaxLockedRedraws = 100;
    static constexpr int kMaxExtraStamps = 50;

    Spielfeld(RohstoffManager& rohstoffe, MyGlobals& globals);
    ~Spielfeld();
    Spielfeld(const Spielfeld&) = delete;
    Spielfeld& operator=(const Spielfeld&) = delete;

    // The first burst of a stone type that was never introduced.
    sigslot::signal1<Rohstoff&> stoneIntroduced;

    // ---- levels, built by LevelBuilder (levels/LevelBuilder.cpp)
    // Builds story level n; with saved (an "ACTIVE_LEVEL" node) it resumes that level's cells,
    // stones and time. State 1 afterwards; false when the level has no cells.
    bool loadLevel(int number, const Ulvo::XMLNode* saved = nullptr);
    // A random board from the free-play stamps; state 1.
    void startFreePlay();
    // Resumes a saved level: its board, its classes' points and the time played.
    bool restoreLevel(const Ulvo::XMLNode& saved);
    // The level's stone types and their cumulative weights from a stone set, or from the saved
    // ROHSTOFF list.
    void setupStones(const Ulvo::XMLNode& set, bool useBoese, const Ulvo::XMLNode* savedStones);
    // Where level pictures come from; null: the game's textures.
    void setPictureSource(LayoutPictureSource* source) { m_pictures = source; }
    // A level document to build from instead of reading the level file; null: the file.
    void setLevelDocument(const Ulvo::XMLNode* root) { m_levelDocument = root; }
    // Writes the running level into an "ACTIVE_LEVEL" node.
    void saveState(Ulvo::XMLNode& node) const;

    // ---- the level's life (Spielfeld.cpp)
    // Deletes cells, stones and pop-ups; state 0.
    void clear();
    // A loaded level with cells and stone types starts running.
    void start();
    // The frame's update on the engine's game clock.
    void update();
    // The same with the frame times given: real time drives fades, game time everything that
    // stops while the game is paused.
    void advance(double realDt, double gameDt);
    // Gives every cell waiting for a stone one that makes no run if possible (100 tries per
    // cell), and deals a fixed pattern when the board then has no move.
    void fill();
    void checkLevelEnd(double realDt);
    // The random bonus: a new random stone on a playable cell that holds a settled one.
    // Returns the cell's flags.
    uint32_t replaceStone(Feld* cell);
    // The extra-time bonus: seconds join the time left after delay.
    void setBonusTime(double seconds, double delay);

    // ---- matching (SpielfeldMatching.cpp)
    // Rebuilds the match groups from the runs on the board.
    void findMatches();
    // Sets every group off and empties the list.
    void explodeGroups();
    // A bonus bursts one cell (and every group still pending).
    void explodeCell(Feld* cell);
    // Rebuilds the list of moves that make a run.
    void possibleMoves();

    // ---- grid, swap and the rest the game calls (SpielfeldGrid.cpp)
    Feld* getFeld(int column, int row) const;
    bool findFeld(const Feld* cell, int& column, int& row) const;
    void getSize(int& width, int& height) const;
    Feld* getNeighbour(const Feld* cell, int direction) const;
    // The first cell whose screen rectangle holds the point.
    Feld* getCellAt(const D3DXVECTOR2& offset, double scale, const D3DXVECTOR2& point) const;
    // Centres the board with a margin of one cell in the rectangle, at most at maxScale.
    void fitView(D3DXVECTOR2& offset, double& scale, int left, int top, int right, int bottom, double maxScale) const;
    // A new stone of a type drawn by the cumulative weights; null without stone types.
    Bildchen* randomStone();
    // A new stone of level type index modulo the number of types; null without types.
    Bildchen* getStoneByIndex(int index);
    // The player's swap of two neighbouring settled stones: kept when a run forms, else the
    // stones bounce back. Unmarks both cells and clears the selection in every case.
    void trySwap(Feld* a, Feld* b);
    // Can a spawn cell feed the cell (through cells with flags, up and diagonally up)?
    bool isFed(int column, int row) const;
    // The topmost cell reachable upwards from the cell; false when the cell has no flags.
    bool findTopFeeder(int column, int row, int& topColumn, int& topRow) const;
    // Removes the target layers of every target cell that no run of three could cover (strict:
    // also those no spawn feeds); the number of target cells kept.
    int checkTargets(bool strict);
    // Marks the cells within radius of the cell under the point (a bonus's area).
    void markRadius(const D3DXVECTOR2& offset, double scale, const D3DXVECTOR2& point, int radius);
    // Lets the stones of a random possible move blink.
    void showHint();
    // Moves the light streak over the board.
    void updateFalloff(double dt);
    // The won level's fade, row by row from the bottom; sets the end delay.
    void startWonSweep();
    // The lost level's fade, cell by cell at random; sets the end delay.
    void startLostSweep();
    // Turns the stones of one type into another over seconds; null removes the type from the
    // level's types.
    void replaceStoneType(Rohstoff* oldType, Rohstoff* newType, double seconds);

    // ---- drawing (SpielfeldDrawing.cpp); only with a device
    // Cells into the stencil, the light streak over them, stones, overlays and the animations
    // and particles below the overlay.
    void draw(const D3DXVECTOR2& offset, double scale, int layer);
    // Animations, particles, score pop-ups and flying stones over the board.
    void drawOverlay(const D3DXVECTOR2& offset, double scale, int layer);
    // The rectangle that holds everything draw() and drawOverlay() put on the picture this frame:
    // the cells' union (all else draw() puts there is masked to the cells) with the path
    // animations' rectangles. False while particles over the board or flying stones are drawn, or
    // there are no cells.
    bool drawnBound(const D3DXVECTOR2& offset, double scale, RECT& bound) const;
    // The size the light streak crosses (the in-game picture; 1024 x 768 unless set).
    void setScreenSize(int width, int height);

    // ---- state
    int getState() const { return m_state; }
    bool isFreePlay() const { return m_freePlay; }
    int getLevelNumber() const { return m_levelNumber; }
    double getTimeLeft() const { return m_timeLeft; }
    double getTimeLimit() const { return m_timeLimit; }
    // Not below 0.
    double getRestTime() const { return m_timeLeft > 0.0 ? m_timeLeft : 0.0; }
    double getTimeFraction() const { return m_timeLimit > 0.0 ? m_timeLeft / m_timeLimit : 0.0; }
    double getPlayedTime() const { return m_playedTime; }
    double getBonusTime() const { return m_bonusTime; }
    double getBonusCountdown() const { return m_bonusCountdown; }
    bool isBusy() const { return m_busy; }
    bool isWon() const { return m_won; }
    double getIdleTime() const { return m_idleTime; }
    void resetHintTimer() { m_idleTime = 0.0; }
    double getEndDelay() const { return m_endDelay; }
    Feld* getSelected() const { return m_selected; }
    void setSelected(Feld* cell) { m_selected = cell; }
    int getFieldSet() const { return m_fieldSet; }
    // The pieces of a field texture set, looked up once for the cells of the level.
    const Feld::Texturen& getFieldTextures(int setNumber);
    // Smallest and largest board units covered by playable cells: left, top, right, bottom.
    const double* getBounds() const { return m_bounds; }

    const std::vector<Feld>& getFelder() const { return m_cells; }
    const std::vector<Bildchen*>& getStones() const { return m_stones; }
    const std::vector<PunkteAnzeige*>& getPopups() const { return m_popups; }
    // A score pop-up the board updates, draws and deletes from now on.
    void addPopup(PunkteAnzeige* popup) { m_popups.push_back(popup); }
    const std::vector<Gruppe>& getGroups() const { return m_groups; }
    const std::vector<std::pair<Feld*, Feld*>>& getPossibleMoves() const { return m_possibleMoves; }
    const std::vector<Feld*>& getSpawnCells() const { return m_spawnCells; }
    const std::vector<Rohstoff*>& getLevelStones() const { return m_levelStones; }
    const std::vector<double>& getProbabilities() const { return m_probabilities; }
    const std::wstring& getSoundName(Sound sound) const { return m_sounds[sound]; }
    // Stones the overlay draws over the board (bonus flights).
    std::vector<Bildchen*>& getFlyingStones() { return m_flying; }
    MyGlobals& getGlobals() const { return m_globals; }
    RohstoffManager& getRohstoffe() const { return m_rohstoffe; }

private:
    // The builder fills the cells, the stone types and the times of a new level.
    friend class LevelBuilder;

    // Update steps (Spielfeld.cpp).
    void burstCell(Feld& cell);
    void letStonesFall();
    Feld* fallTarget(Feld& cell) const;
    void redeal();
    void removeStone(Bildchen* stone);
    Bildchen* newStone(Rohstoff* rohstoff);
    StoneLooks looksOf(Rohstoff* rohstoff);
    // A type for a cell to fill: on a locked cell neither wrath nor evil, if it can be had.
    Rohstoff* drawFillType(const Feld& cell, bool& bounded);
    // A type drawn by the cumulative weights; null without types.
    Rohstoff* randomType();
    Profil* activeProfile() const;

    // Matching (SpielfeldMatching.cpp): the runs of a line of count cells from (x, y) on by
    // (dx, dy), and the run of length cells before (x, y) going back by (dx, dy).
    void scanLine(int x, int y, int dx, int dy, int count);
    void evaluateRun(int x, int y, int dx, int dy, int length);
    bool isAvailable(const Feld& cell) const;
    // The scan would find a run through this cell if a settled stone of type lay on it.
    bool makesRun(const Feld& cell, int type) const;
    // The move search's form of Feld::wouldMatch, on its padded grid of types.
    bool wouldMatchAt(std::size_t at, int type, int runLength, int excludedDirection) const;
    // The move search for the usual runs of three, on the same grid.
    void findMovesOfThree();
    // Marks the rows and columns of the scan's types that hold three like stones in a row.
    void markTriples();

    // The fed map of the rows above and including row (flags and spawn cells).
    void computeFed(int lastRow, std::vector<char>& fed) const;
    bool canHoldRun(int column, int row, bool checkSource) const;
    bool isEvil(const Bildchen* stone) const;

    RohstoffManager& m_rohstoffe;
    MyGlobals& m_globals;
    LayoutPictureSource* m_pictures = nullptr;
    const Ulvo::XMLNode* m_levelDocument = nullptr;

    Feld* m_selected = nullptr;
    std::vector<Gruppe> m_groups;
    std::vector<Rohstoff*> m_levelStones;
    std::vector<Rohstoff*> m_levelStonesCopy;
    std::vector<double> m_probabilities;
    std::vector<std::pair<Rohstoff*, StoneLooks>> m_looks;
    bool m_freePlay = false;
    int m_width = 0;
    int m_height = 0;
    std::vector<Feld> m_cells;
    std::vector<Feld*> m_spawnCells;
    int m_fieldSet = 0;
    int m_texturesSet = -1; // the set m_fieldTextures holds
    Feld::Texturen m_fieldTextures{};
    std::vector<Bildchen*> m_stones;
    std::vector<Bildchen*> m_flying;
    std::vector<PunkteAnzeige*> m_popups;
    double m_bounds[4] = {0.0, 0.0, 0.0, 0.0};
    int m_state = Keiner;
    double m_timeLeft = 0.0;
    double m_timeLimit = 0.0;
    double m_playedTime = 0.0;
    double m_bonusTime = 0.0;
    double m_bonusCountdown = -1.0;
    bool m_busy = false;
    double m_idleTime = 0.0;
    bool m_won = false;
    int m_levelNumber = -1;
    std::vector<std::pair<Feld*, Feld*>> m_possibleMoves;
    // The stone type of every cell as the match scan and the move search see it (the search's
    // grid with a border of empty cells), kept between frames so that neither allocates.
    std::vector<int> m_scanTypes;
    std::vector<int> m_walkTypes;
    std::vector<char> m_movable;
    std::vector<char> m_rowHasTriple;
    std::vector<unsigned char> m_moveBits; // a row's moves found, one bit per direction
    std::vector<char> m_columnHasTriple;
    int m_movePadding = 1;
    std::vector<std::wstring> m_sounds;
    std::vector<Feld*> m_toFill;
    double m_endDelay = 0.0;
    bool m_endRunning = false;

    // The light streak.
    Ulvo::Texture2D* m_falloff = nullptr; // the texture manager keeps it
    D3DXVECTOR2 m_falloffPosition{-1024.0f, -768.0f};
    D3DXVECTOR2 m_falloffDirection{0.0f, 0.0f};
    D3DXVECTOR2 m_falloffScale{1.0f, 3.0f};
    double m_falloffAngle = 0.0;
    double m_falloffCountdown = 0.0;
    D3DCOLOR m_falloffColour = 0xAFFFFFFF;
    int m_screenWidth = 1024;
    int m_screenHeight = 768;
};

} // namespace ThreeMatch
