// Reads arbitrary bytes as a grid terrain's object description (HEIGHTMAP_DATA with its sources,
// smoothing, flattening and layer fields; TEXTURES) and builds the terrain without a device, then
// reads, edits and paints it. Whatever the description says, the grid stays within its cap and
// nothing crashes, hangs or allocates without bound.
#include "FuzzText.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "terrain/heightmap/HeightMapObjekt.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    Ulvo::XMLNode root;
    Ulvo::XMLNode::load(&root, fuzzText(data, size), 1);
    auto* terrain = new Ulvo::HeightMapObjekt(&root, nullptr);
    if (terrain->getGridSize() > Ulvo::HeightMapObjekt::kMaxGridSize)
        std::abort();
    terrain->build(0);
    D3DXVECTOR3 normal;
    for (float u : {0.0f, 0.37f, 1.0f, 1.5f})
        for (float v : {0.0f, 0.61f, 1.0f, -0.5f}) {
            terrain->getHeightUV(D3DXVECTOR2(u, v));
            terrain->getNormalUV(&normal, D3DXVECTOR2(u, v), u > 0.5f);
        }
    double height = 2.0;
    terrain->beginModify();
    terrain->setHeightUV(D3DXVECTOR2(0.5f, 0.5f), height);
    terrain->modifyHeightRadius(D3DXVECTOR3(0, 1, 0), 3.0, 0.5f);
    terrain->addHeightUV(D3DXVECTOR2(1.0f, 1.0f), height);
    terrain->paintLayers(nullptr, true);
    terrain->normalizeBlendWeights();
    terrain->endModify();
    terrain->Release();
    return 0;
}
