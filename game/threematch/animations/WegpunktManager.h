#pragma once
// Path animations: the templates read from "data\Animationen\Animation_alt.ani" and the
// animations running from them (bonus strikes on the board, ambient animations in the
// town). Owned by the game's globals; the game controller advances them every frame and
// the board drawing draws them. The manager owns templates and animations alike; nothing
// else may delete them.
#include "threematch/animations/WegpunktAnimation.h"
#include "threematch/animations/WegpunktVorlage.h"

#include <string>
#include <vector>

namespace ThreeMatch {

class WegpunktManager {
public:
    WegpunktManager() = default;
    ~WegpunktManager();
    WegpunktManager(const WegpunktManager&) = delete;
    WegpunktManager& operator=(const WegpunktManager&) = delete;

    // Appends a template for every VORLAGE node of the file; false when the file does not read.
    bool load(const std::wstring& fileName);
    // The same for a document already read.
    void load(const Ulvo::XMLNode& root);
    // The last template of that name, so that a later one hides an earlier one; null when none.
    WegpunktVorlage* findVorlage(const std::wstring& name) const;
    // Takes the animation over.
    void add(WegpunktAnimation* animation);
    // Advances every animation by the game clock's real or game frame time and deletes
    // the finished ones (each emits its finished signal first).
    void update(bool useRealTime);
    // The same with the times given.
    void advance(double dt, double realDt);
    // Draws every animation, the last first, inside a begun sprite batch.
    void render(float offsetX, float offsetY, double scale, D3DCOLOR colour) const;
    // Deletes every animation and template.
    void clear();

    const std::vector<WegpunktAnimation*>& getAnimations() const { return m_animations; }
    const std::vector<WegpunktVorlage*>& getVorlagen() const { return m_vorlagen; }

private:
    std::vector<WegpunktAnimation*> m_animations;
    std::vector<WegpunktVorlage*> m_vorlagen;
};

} // namespace ThreeMatch
