#pragma once
// What the grid terrain's tests share: the terrain effect bundle ("data\FX\terrain.fxf", its
// sources copied from the source tree into a folder it is compiled from), the terrain pictures
// the build painted, and terrains built through the object factory from description text and
// registered in a manager (the layer fields find their terrain there).
#include "devices/d3d/D3DInterface.h"
#include "engine/graphics/GraphicsTestSupport.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/EffectManager.h"
#include "graphics/textures/TextureManager.h"
#include "scene/ObjektManager.h"
#include "support/TestSupport.h"
#include "terrain/TerrainKinds.h"
#include "terrain/fields/ParameterHeight.h"
#include "terrain/heightmap/HeightMapObjekt.h"

#include <filesystem>
#include <initializer_list>
#include <string>

namespace TerrainTesting {

// The device, the texture list (unless its first texture is there already) and the bundle
// compiled in folder from the source tree's effect files; false when a texture or the bundle is
// missing. Quiet while loading.
inline bool loadDeviceData(const std::filesystem::path& folder, const std::wstring& textureList,
                           std::initializer_list<const wchar_t*> textureNames, const std::wstring& bundle,
                           const std::wstring& fxf, std::initializer_list<const char*> effectFiles)
{
    using namespace Ulvo;
    if (!GraphicsTesting::startDevice())
        return false;
    TextureManager* textures = D3DInterface::getInstance()->getTextureManager();
    if (!textures)
        return false;
    const int logs = logSwitch();
    logSwitch() = 0;
    GraphicsTesting::loadTextureList(textureList, *textureNames.begin());
    bool loaded = GraphicsTesting::loadSourceBundle(folder, bundle, fxf, effectFiles);
    logSwitch() = logs;
    for (const wchar_t* name : textureNames)
        loaded = loaded && textures->getTexture2D(name);
    return loaded;
}

// The device, the terrain bundle and "data\textures\terrain.tex"; false when any is missing.
inline bool loadTerrainData(const std::filesystem::path& folder)
{
    return loadDeviceData(folder, L"data\\textures\\terrain.tex", {L"TERRAIN_GRAS", L"TERRAIN_FARBE"}, L"Terrain",
                          L"data\\FX\\terrain.fxf", {"terrain.fxf", "terrain.fx", "scenecommon.fxh"});
}

// A manager with the terrain kinds, which the height and slope fields search.
class TerrainManager : public Ulvo::ObjektManager {
public:
    TerrainManager()
    {
        Ulvo::registerTerrainKinds(getKinds());
        Ulvo::ParameterHeight::setObjektManager(this);
    }
    ~TerrainManager() override { Ulvo::ParameterHeight::setObjektManager(nullptr); }
    TerrainManager(const TerrainManager&) = delete;
    TerrainManager& operator=(const TerrainManager&) = delete;

    // The terrain of the description text, built through the factory and registered; the manager
    // holds it.
    Ulvo::HeightMapObjekt* build(const std::wstring& text)
    {
        Ulvo::XMLNode node;
        Ulvo::XMLNode::load(&node, text, 1);
        auto* terrain = dynamic_cast<Ulvo::HeightMapObjekt*>(Ulvo::createObjektByType(&node, this));
        if (terrain)
            add(terrain, true);
        return terrain;
    }
};

} // namespace TerrainTesting
