#pragma once
// The game's globals, handed to the engine as its user globals before "config.cfg" is read.
// They own the game's long-lived managers (path animations, stone classes, particles, bonuses,
// buildings and light shows; the board joins them with the controller), hold the
// tuning constants of the board, the bonuses and the difficulty levels, the two volumes and
// the other settings of the "API_PARAMS" section, and the nine-part frame the game draws its
// boxes with. Every game part reaches them through the engine or the controller's pointer.
//
// Settings are kept within their ranges wherever they are read, because they index tables
// (difficulty, mouse cursor) or reach the sound engine (volumes). The destructor gives the
// profiles their last save before anything they write is destroyed.
#include "foundation/app/UserGlobals.h"
#include "foundation/xml/ConfigSection.h"
#include "threematch/animations/Wegpunkt.h"

#include <windef.h>
#include <d3d9types.h>
#include <d3dx9math.h>

#include <memory>

namespace Ulvo {
class Texture2D;
}

namespace ThreeMatch {

class BonusManager;
class GebaeudeManager;
class LichterspielManager;
class PartikelManager;
class ProfileManager;
class ProfileWorld;
class RohstoffManager;
class WegpunktManager;

class MyGlobals : public Ulvo::UserGlobals {
public:
    MyGlobals();
    ~MyGlobals() override;

    // The "API_PARAMS" section: volumes and mouse in its "VOLUME" child, difficulty and hires
    // as its own attributes; whatever else it holds is written back unchanged.
    bool load(Ulvo::XMLNode* node) override;
    bool save(Ulvo::XMLNode* node) override;
    // Hands the sound engine its global settings "data\Sounds\Vodezivudo.xgs".
    bool initSound(Ulvo::EngineParams* params) override;
    // Loads the frame atlas "RECTS" once textures can be made.
    bool postInit(Ulvo::EngineParams* params) override;

    // Managers.
    ProfileManager& getProfileManager() const { return *m_profileManager; }
    WegpunktManager& getWegpunktManager() const { return *m_wegpunkte; }
    RohstoffManager& getRohstoffManager() const { return *m_rohstoffe; }
    PartikelManager& getPartikelManager() const { return *m_partikel; }
    BonusManager& getBonusManager() const { return *m_bonuses; }
    GebaeudeManager& getGebaeudeManager() const { return *m_gebaeude; }
    LichterspielManager& getLichterspiele() const { return *m_lichterspiele; }
    // The buildings and running level the profiles apply and save; not owned, may be null.
    ProfileWorld* getProfileWorld() const { return m_profileWorld; }
    void setProfileWorld(ProfileWorld* world) { m_profileWorld = world; }

    // Difficulty 0 easy, 1 medium, 2 hard. It belongs to the active profile; the game's own
    // value (the config file's) plays only while no profile is active. The player's choice goes
    // to the active profile, with the lives of that difficulty.
    int getSchwierigkeit() const;
    void setSchwierigkeit(int schwierigkeit);
    // An applied profile's difficulty (valid, read from its file) kept as the game's own for the
    // config file and for play without a profile; the profile keeps its lives.
    void applyProfileSchwierigkeit(int schwierigkeit);
    bool getUseZorn() const { return m_useZorn; }
    void setUseZorn(bool useZorn) { m_useZorn = useZorn; }

    // Volumes 0..100, handed to the sound engine's variables at once.
    float getSoundVolume() const { return m_soundVolume; }
    float getMusicVolume() const { return m_musicVolume; }
    void setSoundVolume(float volume);
    void setMusicVolume(float volume);
    void applyVolumes();
    // The mouse cursor 0..3.
    int getMouse() const { return m_mouse; }
    void setMouse(int mouse);
    bool getHires() const { return m_hires; }
    void setHires(bool hires) { m_hires = hires; }

    // Tuning of the board, the bonuses and the town (seconds where times).
    int getMinRun() const { return m_minRun; }
    double getSwapTime() const { return m_swapTime; }
    double getSwapBackTime() const { return m_swapBackTime; }
    double getFallTime() const { return m_fallTime; }
    double getGroupDelay() const { return m_groupDelay; }
    double getGroupStagger() const { return m_groupStagger; }
    double getHintTime() const { return m_hintTime; }
    double getHintDelay() const { return m_hintDelay; }
    double getBuildingTuning() const { return m_buildingTuning; }
    int getBuildingPlaces() const { return m_buildingPlaces; }
    double getTimeBonusDuration() const { return m_timeBonusDuration; }
    void setTimeBonusDuration(double seconds) { m_timeBonusDuration = seconds; }
    int getWrathMax() const { return m_wrathMax; }
    // Both by the current difficulty.
    double getWrathInterval() const;
    double getLevelTimeFactor() const;
    // index 0..2; other indexes give the first.
    int getThreshold(int index) const { return m_thresholds[index >= 0 && index < 3 ? index : 0]; }

    // The time bonus's sparks fly a zig-zag between two points.
    D3DXVECTOR2& getZigZagStart() { return m_zigZagStart; }
    D3DXVECTOR2& getZigZagEnd() { return m_zigZagEnd; }
    const WegpunktListe& getZigZagPath() const { return m_zigZagPath; }
    WegpunktListe& getWegpunktPath() { return m_wegpunktPath; }
    // Five points from start to end: four at 20, 40, 60 and 80 % of the way, each moved off
    // the line by at most an eighth of the distance times a half, then end; each point takes
    // a fifth of the time-bonus duration.
    void makeZigZag(const D3DXVECTOR2& start, const D3DXVECTOR2& end);

    // The board's view, which the board's fit computes.
    D3DXVECTOR2& getBoardViewOffset() { return m_boardViewOffset; }
    double getBoardViewScale() const { return m_boardViewScale; }
    void setBoardViewScale(double scale) { m_boardViewScale = scale; }

    // The frame atlas: 90 x 90 styles on a 100-pixel grid, each cut into nine 30 x 30 pieces.
    Ulvo::Texture2D* getFrameTexture() const { return m_frameTexture; }
    void setFrameTexture(Ulvo::Texture2D* texture) { m_frameTexture = texture; }
    // Picks the style in row (down) and column (right) as the current pieces.
    void selectFrameStyle(int row, int column);
    const RECT* getCurrentFramePieces() const { return m_currentPieces; }
    // Draws the nine-part frame into target in three layers: base (row, baseColumn), middle
    // (row, middleColumn + 3) and top (row, topColumn + 6), each in its colour.
    void drawFrame(const RECT& target, int corner, D3DCOLOR baseColour, D3DCOLOR topColour, D3DCOLOR middleColour,
                   int styleRow, int baseColumn, int topColumn, int middleColumn);
    // The nine parts of target (corners of corner pixels, at most half the width and height,
    // edges between them, the centre), row by row.
    static void cutFrame(const RECT& target, int corner, RECT (&parts)[9]);

private:
    Ulvo::ConfigSection m_apiParams;

    ProfileManager* m_profileManager;
    std::unique_ptr<WegpunktManager> m_wegpunkte;
    std::unique_ptr<RohstoffManager> m_rohstoffe;
    std::unique_ptr<PartikelManager> m_partikel;
    // These refer to the stone classes, particles and path animations above and go first.
    std::unique_ptr<BonusManager> m_bonuses;
    std::unique_ptr<GebaeudeManager> m_gebaeude;
    std::unique_ptr<LichterspielManager> m_lichterspiele;
    ProfileWorld* m_profileWorld = nullptr;

    float m_soundVolume = 75.0f;
    float m_musicVolume = 50.0f;
    int m_mouse = 0;
    bool m_hires = true;
    // The game's own difficulty: the config file's, in step with the applied profile.
    int m_schwierigkeit = 1;
    bool m_useZorn = true;
    int m_minRun = 3;
    double m_swapTime = 0.2;
    double m_swapBackTime = 0.2;
    double m_fallTime = 0.2;
    double m_groupDelay = 0.5;
    double m_groupStagger = 0.1;
    double m_hintTime = 3.0;
    double m_hintDelay = 5.0;
    double m_buildingTuning = 1.0;
    int m_buildingPlaces = 4;
    double m_timeBonusDuration = 0.0;
    D3DXVECTOR2 m_zigZagStart{0.0f, 0.0f};
    D3DXVECTOR2 m_zigZagEnd{0.0f, 0.0f};
    WegpunktListe m_zigZagPath;
    WegpunktListe m_wegpunktPath;
    D3DXVECTOR2 m_boardViewOffset{0.0f, 0.0f};
    double m_boardViewScale = 0.3;
    int m_wrathMax = 100;
    double m_wrathInterval[3] = {8.0, 6.0, 4.0};
    double m_levelTimeFactor[3] = {1.5, 1.25, 1.0};
    int m_thresholds[3] = {5000, 10000, 15000};
    Ulvo::Texture2D* m_frameTexture = nullptr; // the texture manager keeps it
    RECT m_framePieces[9];
    RECT m_currentPieces[9];
};

} // namespace ThreeMatch
