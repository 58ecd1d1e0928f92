#pragma once
// What the profiles reach through the game's globals: the board's running story level, and
// the town's buildings once they exist. Until the buildings are handed in, their two steps
// only log that nothing was there to do.
#include "threematch/profiles/ProfileWorld.h"

namespace ThreeMatch {

class Spielfeld;

class SpielfeldProfileWorld : public ProfileWorld {
public:
    explicit SpielfeldProfileWorld(Spielfeld& board) : m_board(board) {}

    // The buildings' part of the profile world; null until the town is there.
    void setBuildings(ProfileWorld* buildings) { m_buildings = buildings; }

    void unbuildAll() override;
    void build(const std::wstring& name) override;
    // A story level is loaded or running.
    bool hasStoryLevel() const override;
    void saveLevel(Ulvo::XMLNode& activeLevel) override;
    bool restoreLevel(const Ulvo::XMLNode& activeLevel) override;

private:
    Spielfeld& m_board;
    ProfileWorld* m_buildings = nullptr;
};

} // namespace ThreeMatch
