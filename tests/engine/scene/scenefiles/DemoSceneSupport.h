#pragma once
// What the demo scene's tests share: console lines, the runtime data they load from, and one frame
// of the render manager read back.
#include "engine/render/PassTestSupport.h"
#include "foundation/console/ConsoleDispatcher.h"
#include "foundation/xml/XMLNode.h"
#include "lighting/LightingRenderers.h"
#include "render/cameras/CameraManager.h"
#include "render/cameras/Camera.h"
#include "render/manager/RenderManager.h"
#include "scene/ObjektManager.h"
#include "scene/SplineManager.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <memory>
#include <string>

namespace DemoSceneTesting {

constexpr UINT kW = 320;
constexpr UINT kH = 240;

inline std::wstring run(const std::wstring& text)
{
    Ulvo::TypedConsoleCommand line(text);
    Ulvo::ConsoleDispatcher::getInstance()->execute(line);
    return line.getAnswer();
}

// The data folders the scene file and its effects come from, and the pictures the build painted,
// as the runtime folder has them.
inline void copyData(const std::filesystem::path& folder)
{
    namespace fs = std::filesystem;
    for (const char* sub : {"FX", "Szenen"}) {
        const fs::path target = folder / "data" / sub;
        fs::create_directories(target);
        for (const auto& entry : fs::directory_iterator(TestSupport::sourceDir() / "data" / sub))
            fs::copy_file(entry.path(), target / entry.path().filename(), fs::copy_options::overwrite_existing);
    }
    fs::copy(TestSupport::runtimeDir() / "data" / "textures", folder / "data" / "textures",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

// The test's own spline manager in the engine's object manager; on leaving, also through a failed
// assertion, the objects are cleared and the engine's own spline manager is back.
class OwnSplines {
public:
    explicit OwnSplines(Ulvo::ObjektManager& objects) : m_objects(objects), m_engine(objects.getSplineManager())
    {
        objects.setSplineManager(&splines);
    }
    ~OwnSplines()
    {
        m_objects.clear();
        m_objects.setSplineManager(m_engine);
    }
    OwnSplines(const OwnSplines&) = delete;
    OwnSplines& operator=(const OwnSplines&) = delete;

    Ulvo::SplineManager splines;

private:
    Ulvo::ObjektManager& m_objects;
    Ulvo::SplineManager* m_engine;
};

// A render manager of the test's own over the scene graph, with the lighting renderers, loaded
// from a configuration file (or its text, when it begins with '<'), shadows and water at LOW when
// asked, drawing at the tests' size and handed to the cameras. Null when it cannot be made.
inline std::unique_ptr<Ulvo::RenderManager> sceneManager(Ulvo::SceneGraph* graph, const std::wstring& config,
                                                         bool lowQuality)
{
    auto manager = std::make_unique<Ulvo::RenderManager>();
    Ulvo::XMLNode node;
    if (!Ulvo::attachLightingRenderers(*manager) || !Ulvo::XMLNode::load(&node, config, config.starts_with(L'<')))
        return nullptr;
    manager->load(&node);
    manager->setSceneGraph(graph);
    if (lowQuality) {
        manager->setShadowQuality(Ulvo::QUALITY_LOW);
        manager->setWaterQuality(Ulvo::QUALITY_LOW);
    }
    manager->setRenderTargetSize(kW, kH);
    Ulvo::CameraManager::getInstance()->setRenderManager(manager.get());
    return manager;
}

// One frame of the manager into a target of its own with a depth buffer, read back.
inline GraphicsTesting::Image frame(IDirect3DDevice9* device, Ulvo::RenderManager& manager, Ulvo::Camera& camera)
{
    GraphicsTesting::ScopedTarget target(device, kW, kH);
    IDirect3DSurface9* depth = nullptr;
    IDirect3DSurface9* previousDepth = nullptr;
    device->CreateDepthStencilSurface(kW, kH, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE, &depth, nullptr);
    device->GetDepthStencilSurface(&previousDepth);
    device->SetDepthStencilSurface(depth);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
    manager.render(&camera);
    GraphicsTesting::Image image = target.read();
    device->SetDepthStencilSurface(previousDepth);
    if (previousDepth)
        previousDepth->Release();
    if (depth)
        depth->Release();
    return image;
}

} // namespace DemoSceneTesting
