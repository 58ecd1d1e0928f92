#include "terrain/TerrainKinds.h"

#include "scene/ObjektManager.h"
#include "terrain/clipmap/ClipmapObjekt.h"
#include "terrain/heightmap/HeightMapObjekt.h"
#include "terrain/street/StreetObjekt.h"
#include "terrain/trees/BaumObjekt.h"

namespace Ulvo {

void registerTerrainKinds(ObjektKinds& kinds)
{
    // One line per kind; each object type's own header provides its create function.
    kinds.add(L"CLIPMAP", &ClipmapObjekt::create);
    kinds.add(L"HEIGHTMAP", &HeightMapObjekt::create);
    kinds.add(L"STREET", &StreetObjekt::create);
    kinds.add(L"TREE", &BaumObjekt::create);
}

void registerTerrainKindData(ObjektManager& manager)
{
    manager.addKindData(L"CLIPMAP", L"Clipmap", L"data\\FX\\clipmap.fxf", L"");
    manager.addKindData(L"HEIGHTMAP", L"Terrain", L"data\\FX\\terrain.fxf", L"data\\textures\\terrain.tex");
    manager.addKindData(L"STREET", L"Strasse", L"data\\FX\\street.fxf", L"data\\textures\\street.tex");
    manager.addKindData(L"TREE", L"Baum", L"data\\FX\\trees.fxf", L"data\\textures\\trees.tex");
}

} // namespace Ulvo
