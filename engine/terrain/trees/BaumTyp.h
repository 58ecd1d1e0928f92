#pragma once
// The records of a forest: a tree type (texture, frequency, ranges of size, rotation and wind), a
// placed tree (exactly the twelve floats the effect reads per instance) and a cell of the 16 x 16
// grid over the forest's box, which culling and the distance test work on.
#include <d3dx9math.h>

#include "foundation/helpers/BoundingVolumes.h"

#include <vector>

namespace Ulvo {

class Texture2D;
class TextureManager;
class XMLNode;

class BaumTyp {
public:
    // A "BAUM_TYP" node: "TEXTUR" (looked up in textures, which may be null), "PROP", child nodes
    // "MIN_SIZE" and "MAX_SIZE" (X, Y, Z), "ROTATION" (MIN, MAX in degrees), "WIND_MIN" and
    // "WIND_MAX" (X, Y, PHASE, AMPLITUDE).
    BaumTyp(XMLNode* node, TextureManager* textures);

    D3DXVECTOR3 minSize{1.0f, 1.0f, 1.0f};
    D3DXVECTOR3 maxSize{1.0f, 1.0f, 1.0f};
    float minRotation = 0.0f;
    float maxRotation = 360.0f;
    // Owned by the texture manager.
    Texture2D* texture = nullptr;
    D3DXVECTOR4 windMin{1.0f, 1.0f, 0.0f, 0.1f};
    D3DXVECTOR4 windMax{1.0f, 1.0f, 0.0f, 0.1f};
    // "PROP"; once the forest has its types, the upper end of the type's share of [0, 1].
    float frequency = 1.0f;
    int index = 0;
};

struct BaumInstanz {
    // The foot of the tree on the terrain; w: rotation about y in degrees.
    D3DXVECTOR4 position{0.0f, 0.0f, 0.0f, 0.0f};
    // Width, height, depth; w: the type's index.
    D3DXVECTOR4 size{0.0f, 0.0f, 0.0f, 0.0f};
    // X, Y, PHASE, AMPLITUDE.
    D3DXVECTOR4 wind{0.0f, 0.0f, 0.0f, 0.0f};
};

struct BaumZelle {
    AABB box;
    std::vector<BaumInstanz> instances;
    // Within the far distance of the last camera; per-camera step.
    bool withinDistance = true;
};

} // namespace Ulvo
