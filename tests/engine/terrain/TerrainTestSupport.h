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
#include <string>

namespace TerrainTesting {

// The device, the terrain bundle and "data\textures\terrain.tex"; false when any is missing.
inline bool loadTerrainData(const std::filesystem::path& folder)
{
    using namespace Ulvo;
    if (!GraphicsTesting::startDevice())
        return false;
    TextureManager* textures = D3DInterface::getInstance()->getTextureManager();
    if (!textures)
        return false;
    const int logs = logSwitch();
    logSwitch() = 0;
    if (!textures->getTexture2D(L"TERRAIN_GRAS")) {
        TestSupport::ScopedCwd cwd(TestSupport::runtimeDir());
        XMLNode list;
        if (XMLNode::load(&list, L"data\\textures\\terrain.tex", 0))
            textures->load(&list);
    }
    EffectManager* effects = EffectManager::getInstance();
    if (!effects->getEffectBundle(L"Terrain")) {
        namespace fs = std::filesystem;
        const fs::path target = folder / "data" / "FX";
        fs::create_directories(target);
        for (const char* file : {"terrain.fxf", "terrain.fx", "scenecommon.fxh"})
            fs::copy_file(TestSupport::sourceDir() / "data" / "FX" / file, target / file,
                          fs::copy_options::overwrite_existing);
        TestSupport::ScopedCwd cwd(folder);
        XMLNode root;
        if (XMLNode::load(&root, L"data\\FX\\terrain.fxf", 0))
            effects->load(&root);
    }
    logSwitch() = logs;
    return textures->getTexture2D(L"TERRAIN_GRAS") && textures->getTexture2D(L"TERRAIN_FARBE") &&
           effects->getEffectBundle(L"Terrain");
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
