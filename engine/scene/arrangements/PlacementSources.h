#pragma once
// What object arrangements read of the terrain layer above the scene layer: a density field
// (PARAMETER arrangements) and a tree object's places (TREE arrangements). The terrain layer
// implements both: the tree object derives from TreePlaceSource, and the engine hands down the
// maker of density fields from field descriptions at start-up. Without a maker, PARAMETER
// arrangements place nothing (with a log line).
#include <d3dx9math.h>

#include <memory>
#include <vector>

namespace Ulvo {

class XMLNode;

// A field over terrain coordinates (u, v) in 0..1; copies go where it is at least 0.5.
class PlacementDensity {
public:
    virtual ~PlacementDensity() = default;
    virtual float value(const D3DXVECTOR2& uv) = 0;
};

// Builds the density of a field description node; null when the node describes none.
using PlacementDensityMaker = std::unique_ptr<PlacementDensity> (*)(XMLNode* description);

class PlacementDensities {
public:
    static void setMaker(PlacementDensityMaker maker) { s_maker = maker; }
    static PlacementDensityMaker getMaker() { return s_maker; }

private:
    static inline PlacementDensityMaker s_maker = nullptr;
};

// One place of a tree object: where, how large, turned by how much (yaw, degrees) and of which
// tree kind.
struct TreePlace {
    D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 scale{1.0f, 1.0f, 1.0f};
    float rotation = 0.0f;
    int type = 0;
};

// A scene object with tree places (the tree object).
class TreePlaceSource {
public:
    virtual ~TreePlaceSource() = default;
    // Every place, the first tree kind's in their stored order, then the second kind's, and so on.
    virtual void collectTreePlaces(std::vector<TreePlace>& places) const = 0;
};

} // namespace Ulvo
