#pragma once
// One player's profile: progress (level, points, lives, stage), options (difficulty, wrath,
// help already shown) and the buildings built. Its node in the profile document also keeps
// the stone classes' state and a running level; the profile writes that node when it stops
// being the active one and when the file is saved, and pushes it into the game's globals
// when it becomes active.
#include "foundation/objects/NamedObject.h"

#include "foundation/xml/XMLNode.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ThreeMatch {

class MyGlobals;

class Profil : public Ulvo::NamedObject {
public:
    explicit Profil(const std::wstring& name);
    // A "PROFIL" node: the name from its NAME attribute (the values are read by readFromNode).
    explicit Profil(Ulvo::XMLNode* node);

    // The difficulty (kept within 0..2) and the lives that go with it: 9, 6 or 3. The player
    // changing the difficulty calls this; applying the profile does not.
    void setSchwierigkeit(int schwierigkeit);
    // The lives the profile would have after setSchwierigkeit (schwierigkeit), and the most
    // that difficulty allows.
    int livesAfter(int schwierigkeit) const;
    static int mostLives(int schwierigkeit);
    // Nothing played yet and the lives of its difficulty: a change of difficulty gives the new
    // one's lives.
    bool isUnplayed() const;
    int getSchwierigkeit() const { return m_schwierigkeit; }
    void setUseZorn(bool useZorn) { m_useZorn = useZorn; }
    bool getUseZorn() const { return m_useZorn; }
    void setLeben(int leben) { m_leben = leben; }
    int getLeben() const { return m_leben; }
    uint32_t getShownHelp() const { return m_shownHelp; }
    void setShownHelp(uint32_t shownHelp) { m_shownHelp = shownHelp; }
    int getActualLevel() const { return m_actualLevel; }
    int getPunkte() const { return m_punkte; }
    int getStufe() const { return m_stufe; }
    const std::vector<std::wstring>& getGebaeude() const { return m_gebaeude; }

    // Game over: level, points and stage to 0, 3 lives, the node emptied.
    void reset();
    void loseLife();
    void nextLevel();
    // One cleared stone; enough of them (1.5 ^ (stage + 20) + 500) give a life and a stage.
    void addPoint();
    void addGebaeude(const std::wstring& name) { m_gebaeude.push_back(name); }
    // Drops the buildings the predicate names as lost (torn down by a catastrophe); true when
    // any was listed.
    template <typename Lost> bool forgetGebaeude(Lost lost)
    {
        const auto end = std::remove_if(m_gebaeude.begin(), m_gebaeude.end(), lost);
        const bool any = end != m_gebaeude.end();
        m_gebaeude.erase(end, m_gebaeude.end());
        return any;
    }

    // Takes the values of a "PROFIL" node and keeps the node as the profile's own.
    void readFromNode(Ulvo::XMLNode* node);
    // Rewrites the profile's node (nothing without one) from the profile and, through the
    // globals, from the stone classes and the running level.
    void writeToNode(MyGlobals* globals);
    // Hands a saved "ACTIVE_LEVEL" to the board; false when there is none to restore or the
    // board cannot take it (then it is kept and written back unchanged).
    bool restoreLevel(MyGlobals* globals);
    // Makes the profile's state the game's: difficulty, wrath, stone classes, hidden modes
    // and buildings.
    void applyToClasses(MyGlobals* globals);

    Ulvo::XMLNode* getNode() const { return m_node; }
    void setNode(Ulvo::XMLNode* node) { m_node = node; }

private:
    Ulvo::XMLNode* m_node = nullptr; // in the manager's document
    // A running level the board could not take, written back as read.
    std::unique_ptr<Ulvo::XMLNode> m_keptLevel;
    int m_actualLevel = 0;
    int m_punkte = 0;
    int m_leben = 6;
    int m_stufe = 0;
    int m_schwierigkeit = 1;
    bool m_useZorn = true;
    uint32_t m_shownHelp = 0;
    std::vector<std::wstring> m_gebaeude;
};

// Difficulty from anything a file or the player may give: 0 easy, 1 medium, 2 hard.
int clampSchwierigkeit(int schwierigkeit);
// A difficulty as read from a file: out of range (a damaged or hand-edited file) it is logged
// with the file's name and clamped.
int readSchwierigkeit(int schwierigkeit, const wchar_t* file);

} // namespace ThreeMatch
