#pragma once
// What the scene-object kinds' tests share: the shipped meshes, sky maps and the scene objects'
// effect bundles loaded once per process into the engine's managers, objects built through the
// factory from description text, and the game clock's step the objects run on.
#include "devices/d3d/D3DInterface.h"
#include "engine/graphics/GraphicsTestSupport.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/EffectManager.h"
#include "graphics/meshes/MeshManager.h"
#include "graphics/textures/TextureManager.h"
#include "scene/ObjektKinds.h"
#include "scene/ObjektManager.h"
#include "scene/objects/SceneClock.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <string>

namespace SceneTesting {

// The mesh list, "data\textures\sky.tex" and "data\FX\sceneobjects.fxf" (its sources copied
// from the source tree into folder, where they are compiled from). False when any is missing.
// The device with the mesh list and the sky maps of the built runtime folder.
inline bool loadSceneMeshes()
{
    using namespace Ulvo;
    if (!GraphicsTesting::startDevice())
        return false;
    D3DInterface* d3d = D3DInterface::getInstance();
    MeshManager* meshes = d3d->getMeshManager();
    TextureManager* textures = d3d->getTextureManager();
    if (!meshes || !textures)
        return false;
    const int logs = logSwitch();
    logSwitch() = 0;
    if (meshes->getMeshes().empty()) {
        TestSupport::ScopedCwd cwd(TestSupport::runtimeDir());
        meshes->loadFile(L"data\\Meshes\\meshes.msh", textures);
        XMLNode sky;
        if (XMLNode::load(&sky, L"data\\textures\\sky.tex", 0))
            textures->load(&sky);
    }
    logSwitch() = logs;
    return meshes->getMesh(L"HAUS") && textures->getTextureCube(L"SKY");
}

inline bool loadSceneData(const std::filesystem::path& folder)
{
    using namespace Ulvo;
    if (!loadSceneMeshes())
        return false;
    const int logs = logSwitch();
    logSwitch() = 0;
    EffectManager* effects = EffectManager::getInstance();
    GraphicsTesting::loadSourceBundle(folder, L"Material", L"data\\FX\\sceneobjects.fxf",
                                      {"sceneobjects.fxf", "scenecommon.fxh", "mesh.fx", "water.fx", "sky.fx"});
    logSwitch() = logs;
    return effects->getEffectBundle(L"Material") && effects->getEffectBundle(L"Wasser") &&
           effects->getEffectBundle(L"Himmel") && effects->getEffectBundle(L"Gizmo");
}

// An object of the description text built through the manager's kinds; the caller owns it.
template <class Kind = Ulvo::BaseObjekt> Kind* build(Ulvo::ObjektManager& manager, const std::wstring& text)
{
    Ulvo::XMLNode node;
    Ulvo::XMLNode::load(&node, text, 1);
    return dynamic_cast<Kind*>(Ulvo::createObjektByType(&node, &manager));
}

// The object's description as the writer lays it out.
inline std::wstring savedText(Ulvo::BaseObjekt& object)
{
    Ulvo::XMLNode node(L"OBJEKT");
    object.save(&node);
    return node.toText();
}

// The game clock's frame time while the object lives.
class ScopedFrameTime {
public:
    explicit ScopedFrameTime(double seconds = 0.0) : m_seconds(seconds) { Ulvo::SceneClock::setFrameTime(&m_seconds); }
    ~ScopedFrameTime() { Ulvo::SceneClock::setFrameTime(nullptr); }
    ScopedFrameTime(const ScopedFrameTime&) = delete;
    ScopedFrameTime& operator=(const ScopedFrameTime&) = delete;
    void set(double seconds) { m_seconds = seconds; }

private:
    double m_seconds;
};

} // namespace SceneTesting
