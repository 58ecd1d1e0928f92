#pragma once
// What applying and saving a profile touches beyond the stone classes: the town's buildings
// and the board's running story level. The game's globals hold one (none until the buildings
// and the board are there); a profile skips these steps without it.
#include <string>

namespace Ulvo {
class XMLNode;
}

namespace ThreeMatch {

class ProfileWorld {
public:
    virtual ~ProfileWorld() = default;

    // Every building back to not built.
    virtual void unbuildAll() = 0;
    // Marks the building of that name as built; an unknown name is the buildings' to log.
    virtual void build(const std::wstring& name) = 0;
    // A story level (not free play) is loaded or running, so the profile keeps it.
    virtual bool hasStoryLevel() const = 0;
    // Writes the running level into the profile's "ACTIVE_LEVEL" node.
    virtual void saveLevel(Ulvo::XMLNode& activeLevel) = 0;
    // Restores a level from such a node; false when it could not.
    virtual bool restoreLevel(const Ulvo::XMLNode& activeLevel) = 0;
};

} // namespace ThreeMatch
