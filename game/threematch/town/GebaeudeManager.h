#pragma once
// The town's buildings from "data\Gebaeude\Gebaeude.geb", owned by the game's globals. Every
// building is in the draw list (by draw layer, file order among equals) and in one of four
// roles: the ordinary buildings, laid out row by row in the town screen's grid of building
// places; those built whenever the town is reset; temporary ones, which only partners build;
// and the one end building. The manager animates and draws them, starts ambient path
// animations (birds, butterflies) over the town and draws those itself, and builds, unbuilds
// and resets buildings for the game controller, the profiles and the catastrophes.
//
// It is the buildings' part of the profile world: a profile's applying resets the town and
// builds the buildings it lists.
#include "foundation/sigslot.h"
#include "threematch/profiles/ProfileWorld.h"
#include "threematch/town/Gebaeude.h"

#include <string>
#include <vector>

namespace ThreeMatch {

class WegpunktAnimation;

class GebaeudeManager : public ProfileWorld, public sigslot::has_slots<> {
public:
    explicit GebaeudeManager(MyGlobals& globals);
    ~GebaeudeManager() override;
    GebaeudeManager(const GebaeudeManager&) = delete;
    GebaeudeManager& operator=(const GebaeudeManager&) = delete;

    // Replaces the buildings with those of the file; false (and no buildings) when it does not read.
    bool load(const std::wstring& fileName);
    void load(const Ulvo::XMLNode& root);

    // Per frame on the game clock's real frame time.
    void update();
    void advance(double realDt);
    // Every building of the draw list, then the ambient animations, moved by the offset and
    // scaled; inside a begun sprite batch.
    void render(float offsetX, float offsetY, double scale) const;

    // The ordinary building at a place of the town's grid (column 0..grid width - 1, row from
    // the first visible one); null when the place holds none.
    Gebaeude* getGebaeude(int column, int row) const;
    // The first ordinary building with that ID, else the first temporary one, else null.
    Gebaeude* findGebaeude(const std::wstring& id) const;
    // Temporary and ordinary buildings unbuilt, build-on-start ones built, the end building
    // unbuilt (a new or loaded profile).
    void resetAll();
    // Builds without cost every ordinary building with that ID and the end building when it
    // is the one (a profile's buildings).
    void buildByName(const std::wstring& id);
    // The catastrophe's damage: unbuilds one or two built ordinary buildings, the last of the
    // list first, with their partners; how many it unbuilt.
    int destroyRandom();
    // The row of the first ordinary building not built (when all are, the last full row).
    void recomputeRow();
    int getFirstRow() const { return m_firstRow; }
    bool isBusy() const { return m_busy; }

    const std::vector<Gebaeude*>& getDrawList() const { return m_drawList; }
    const std::vector<Gebaeude*>& getGebaeudeList() const { return m_ordinary; }
    const std::vector<Gebaeude*>& getBuildOnStart() const { return m_buildOnStart; }
    const std::vector<Gebaeude*>& getTemporary() const { return m_temporary; }
    Gebaeude* getEndGebaeude() const { return m_endGebaeude; }
    const std::vector<std::wstring>& getAmbientNames() const { return m_ambientNames; }
    double getAmbientPauseMin() const { return m_ambientPause[0]; }
    double getAmbientPauseMax() const { return m_ambientPause[1]; }
    double getAmbientCountdown() const { return m_ambientCountdown; }
    const std::vector<WegpunktAnimation*>& getAmbientAnimations() const { return m_ambient; }

    // ProfileWorld: the town's part.
    void unbuildAll() override { resetAll(); }
    void build(const std::wstring& name) override { buildByName(name); }
    // The running level is the board's part of the profile world.
    bool hasStoryLevel() const override { return false; }
    void saveLevel(Ulvo::XMLNode&) override {}
    bool restoreLevel(const Ulvo::XMLNode&) override { return false; }

private:
    void clear();
    void startAmbient();
    void onAmbientFinished(WegpunktAnimation& animation);
    int gridWidth() const;

    MyGlobals& m_globals;
    std::vector<Gebaeude*> m_drawList; // owns every building
    std::vector<Gebaeude*> m_ordinary;
    std::vector<Gebaeude*> m_buildOnStart;
    std::vector<Gebaeude*> m_temporary;
    Gebaeude* m_endGebaeude = nullptr;
    int m_firstRow = 0;
    bool m_busy = false;
    std::vector<std::wstring> m_ambientNames;
    double m_ambientPause[2] = {30.0, 30.0};
    double m_ambientCountdown;
    // The ambient animations running; the path-animation manager owns them.
    std::vector<WegpunktAnimation*> m_ambient;
};

} // namespace ThreeMatch
