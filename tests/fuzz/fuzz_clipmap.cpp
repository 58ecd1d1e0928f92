// Reads arbitrary bytes as a clipmap terrain's object description and builds the terrain from
// it. There is no device here: the level set is never made and textures are not found. What is
// exercised is the reading of CLIPMAP_DATA (the field tree, the sizes, the level count, the
// border), HEIGHTMAP_DATA (the physics settings, the texture scales and their layer numbers) and
// TEXTURES, then the queries against the field, the height modifier and the copy.
#include "FuzzText.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "scene/ObjektManager.h"
#include "terrain/clipmap/ClipmapObjekt.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    Ulvo::XMLNode root;
    Ulvo::XMLNode::load(&root, fuzzText(data, size), 1);
    Ulvo::ObjektManager manager;
    auto* terrain = new Ulvo::ClipmapObjekt(&root, &manager);
    if (terrain->getTexSize() < 2 || terrain->getTexSize() > Ulvo::ClipmapObjekt::kMaxTexSize ||
        terrain->getGridSize() > terrain->getTexSize() / 2 ||
        terrain->getLevelCount() > Ulvo::ClipmapObjekt::kMaxLevels)
        std::abort();
    const float points[][2] = {{0.5f, 0.5f}, {0.0f, 1.0f}, {-3.25f, 7.5f}, {1e9f, -1e9f}, {1e30f, 0.0f}};
    for (const auto& point : points) {
        const D3DXVECTOR2 uv(point[0], point[1]);
        terrain->getHeightUV(uv);
        D3DXVECTOR3 out;
        terrain->getPositionUV(&out, uv);
        terrain->getNormalUV(&out, uv, true);
        terrain->getHeight(D3DXVECTOR3(point[0], 0.0f, point[1]));
    }
    float distance = 0.0f;
    terrain->getIntersectionDist(D3DXVECTOR3(0.0f, 1e3f, 0.0f), D3DXVECTOR3(0.3f, -1.0f, 0.2f), 50.0f, distance);
    terrain->beginModify();
    terrain->addHeightModifier(D3DXVECTOR2(0.5f, 0.5f), D3DXVECTOR2(0.0f, 0.25f), 10.0);
    terrain->endModify();
    Ulvo::BaseObjekt* copy = terrain->clone();
    copy->getBoundingBox();
    copy->Release();
    terrain->Release();
    return 0;
}
