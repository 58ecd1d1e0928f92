#pragma once
// One building of the town, read from a node of "data\Gebaeude\Gebaeude.geb". It costs points
// of one or more stone classes; building it unlocks stone classes and stone types for the
// board, builds its BUILD_TOO partners with it, starts its particle emitter and fades its
// animated picture in. While built it cycles through its animation frames and rests between
// passes.
//
// A building only refers to its stone classes, its textures (the texture manager keeps them)
// and its running emitter (the particle manager owns it; the building looks it up before it
// touches it, since an emitter may also end on its own). The manager owns the buildings.
#include <windef.h>
#include <d3d9types.h>

#include "threematch/globals/FrameGrid.h"

#include <string>
#include <vector>

namespace Ulvo {
class Texture2D;
class XMLNode;
} // namespace Ulvo

namespace ThreeMatch {

class GebaeudeManager;
class MyGlobals;
class PartikelEmitter;
class Rohstoff;
class Rohstoffklasse;

class Gebaeude {
public:
    // One RESOURCEN entry: a class that is not found has no points to spend and costs nothing.
    struct Kosten {
        Rohstoffklasse* klasse;
        int anzahl;
    };
    // One UNLOCKS entry; either part may be missing.
    struct Freischaltung {
        Rohstoffklasse* klasse;
        Rohstoff* rohstoff;
        double probability;
    };

    Gebaeude(const Ulvo::XMLNode& node, MyGlobals& globals, GebaeudeManager& manager);
    Gebaeude(const Gebaeude&) = delete;
    Gebaeude& operator=(const Gebaeude&) = delete;

    // What the score of the building's minigame leaves of its cost on a difficulty: 1 - s,
    // where s is the score (0..1) times 0.5 on easy, divided by 2.5 on medium and by 3 on hard.
    static double costFactor(float score, int schwierigkeit);

    const std::wstring& getID() const { return m_id; }
    const std::wstring& getNameId() const { return m_nameId; }
    const std::wstring& getBeschreibungId() const { return m_beschreibungId; }
    // The texts of the two ids in the current language; empty when there is none.
    std::wstring getName() const;
    std::wstring getBeschreibung() const;
    const std::vector<Kosten>& getKosten() const { return m_kosten; }
    const std::vector<Freischaltung>& getUnlocks() const { return m_unlocks; }
    const std::vector<std::wstring>& getBuildToo() const { return m_buildToo; }
    Ulvo::Texture2D* getAnimation() const { return m_animation; }
    Ulvo::Texture2D* getVorschau() const { return m_vorschau; }
    Ulvo::Texture2D* getVorschauBig() const { return m_vorschauBig; }
    bool isBuilt() const { return m_built; }
    bool isBuildOnStart() const { return m_buildOnStart; }
    bool isEndGebaeude() const { return m_endGebaeude; }
    bool isTemporary() const { return m_temporary; }
    double getDrawEbene() const { return m_drawEbene; }
    float getX() const { return m_position[0]; }
    float getY() const { return m_position[1]; }
    double getFadeTime() const { return m_fadeTime; }
    double getPauseLeft() const { return m_pauseLeft; }
    double getAnimationTime() const { return m_animationTime; }
    int getFrameCount() const { return m_frameCount; }
    const FrameGrid& getGrid() const { return m_grid; }
    // The frame shown now: the animation's, or the pause frame while it rests.
    int currentFrame() const;
    // The emitter started for the building, while the particle manager still runs it.
    PartikelEmitter* runningEmitter() const;

    // Every cost class has at least its count of points.
    bool canBuild() const;
    // Builds with cost: each class spends count x factor (truncated); the unlocks and the
    // partners follow. The full count of every cost entry, or zeros when it was built already.
    std::vector<int> build(double factor);
    // Builds or unbuilds without cost, with the partners.
    void setBuilt(bool built);

    // The particle layer of the buildings' emitters, which the town draws (the board draws
    // layers -1 and 0).
    static constexpr int kParticleLayer = 2;

    // Per frame while built, on real time: the fade-in, the animation and its rests.
    void update(double realDt);
    // Draws the building at its position moved by (offsetX, offsetY) and scaled, inside a begun
    // sprite batch; only when built (or built on start) and with a picture.
    void render(float offsetX, float offsetY, double scale) const;

private:
    void readTexture(const Ulvo::XMLNode& node);
    void startEmitter();
    void stopEmitter();

    MyGlobals& m_globals;
    GebaeudeManager& m_manager;
    std::vector<Kosten> m_kosten;
    std::vector<Freischaltung> m_unlocks;
    std::vector<std::wstring> m_buildToo;
    std::wstring m_beschreibungId;
    std::wstring m_nameId;
    std::wstring m_id;
    double m_drawEbene = 0.0;
    bool m_usesVorschau = false;
    float m_position[2] = {0.0f, 0.0f};
    float m_vorschauOffset[2] = {0.0f, 0.0f};
    double m_animationTime = 0.0;
    Ulvo::Texture2D* m_animation = nullptr;   // the texture manager keeps the three
    Ulvo::Texture2D* m_vorschau = nullptr;    //
    Ulvo::Texture2D* m_vorschauBig = nullptr; //
    FrameGrid m_grid;                         // frame size from SIZE and ANZAHL_FRAMES
    int m_frameCount = 1;
    double m_speed = 0.0;
    bool m_built = false;
    double m_fadeTime = 0.0;
    double m_pause[2] = {0.0, 0.0};
    int m_pauseFrame = -1;
    double m_pauseLeft = 0.0;
    std::wstring m_emitterName;
    float m_emitterOffset[2] = {0.0f, 0.0f};
    PartikelEmitter* m_emitter = nullptr; // the particle manager's
    bool m_buildOnStart = false;
    bool m_endGebaeude = false;
    bool m_temporary = false;
};

} // namespace ThreeMatch
