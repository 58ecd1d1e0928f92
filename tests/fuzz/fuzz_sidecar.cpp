// Reads arbitrary bytes as the ".data" file kept beside a grid terrain and a clipmap of the same
// name (placement and height, a height picture and a normal picture, the blend picture's size)
// and builds both from small descriptions, then reads heights off them. Whatever the file says,
// the grid keeps the size its description gave and the clipmap stays within its caps.
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "scene/ObjektManager.h"
#include "terrain/clipmap/ClipmapObjekt.h"
#include "terrain/heightmap/HeightMapObjekt.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    // The fuzzer runs in a folder of its own; the file sits where the objects look for it.
    std::ofstream("Insel.data", std::ios::binary).write(reinterpret_cast<const char*>(data), std::streamsize(size));

    Ulvo::XMLNode grid;
    Ulvo::XMLNode::load(&grid, L"<OBJEKT NAME=\"Insel\" TYPE=\"HEIGHTMAP\"><HEIGHTMAP_DATA SIZE=\"9\"/></OBJEKT>", 1);
    auto* terrain = new Ulvo::HeightMapObjekt(&grid, nullptr);
    if (terrain->getGridSize() != 9 || terrain->getBlendSize() > 4096)
        std::abort();
    terrain->build(0);
    for (float u : {0.0f, 0.5f, 1.0f})
        terrain->getHeightUV(D3DXVECTOR2(u, 1.0f - u));
    terrain->Release();

    Ulvo::XMLNode levels;
    Ulvo::XMLNode::load(
        &levels, L"<OBJEKT NAME=\"Insel\" TYPE=\"CLIPMAP\"><CLIPMAP_DATA SIZE_TEX=\"16\" ANZ_LAYERS=\"2\"/></OBJEKT>",
        1);
    Ulvo::ObjektManager manager;
    auto* clipmap = new Ulvo::ClipmapObjekt(&levels, &manager);
    if (clipmap->getTexSize() != 16 || clipmap->getLevelCount() != 2)
        std::abort();
    for (float u : {0.0f, 0.5f, 1.0f})
        clipmap->getHeightUV(D3DXVECTOR2(u, u));
    clipmap->Release();
    return 0;
}
