#pragma once
// The level file "Data\Level\Levels.lvl": the default stone sets (with and without wrath),
// the default level time and the story levels "THREEMATCHLEVEL_<n>", each with its size, time,
// stone set, field texture sets and layout picture. Read whenever a level is built; what a
// level node says is checked here, so the board only ever builds sizes and times it can hold.
#include "foundation/xml/XMLNode.h"

#include <string>
#include <vector>

namespace ThreeMatch {

// The keys of one level node, checked.
struct LevelBeschreibung {
    bool useBoese = false;
    int width = 0; // 0 x 0 when SIZE is missing or unusable: the level has no cells
    int height = 0;
    const Ulvo::XMLNode* stoneSet = nullptr; // ROHSTOFFE, or null
    std::vector<int> hgTyp;                  // field texture sets to choose from; never empty
    bool hasTime = false;
    double time = 0.0;
    std::wstring file;   // the layout picture, empty without FILE
    int sampleWidth = 0; // the texels spanning the grid; 0 when FILE does not say
    int sampleHeight = 0;
};

class LevelDatei {
public:
    static constexpr const wchar_t* kFileName = L"Data\\Level\\Levels.lvl";
    // The largest grid a level may ask for, each way.
    static constexpr int kMaxSize = 64;
    // The highest level number a profile or the game may name; past the story the game
    // counts on, and anything beyond is a damaged number (shown as number + 1).
    static constexpr int kMaxLevelNumber = 999999;

    // False (and no levels) when the file does not read.
    bool load(const std::wstring& fileName = kFileName);
    void load(const Ulvo::XMLNode& root) { m_root = root; }

    // "THREEMATCHLEVEL_<number>", or null.
    const Ulvo::XMLNode* findLevel(int number) const;
    // The default set for the wrath switch, or DEFAULT_ROHSTOFFE when that one is missing.
    const Ulvo::XMLNode* findDefaultStoneSet(bool useZorn) const;
    // DEFAULT_TIME in seconds; false (seconds unchanged) when missing or unusable.
    bool readDefaultTime(double& seconds) const;
    // The story levels numbered from 0 without a gap.
    int countLevels() const;
    const Ulvo::XMLNode& getRoot() const { return m_root; }

    // The level's keys; what cannot be used is logged under the level's name and left out.
    static LevelBeschreibung describe(const Ulvo::XMLNode& level);
    static std::wstring levelName(int number);

private:
    Ulvo::XMLNode m_root;
};

} // namespace ThreeMatch
