// One deferred frame of the render manager on the offscreen driver with the render configuration
// of data/FX: the forward scene pass, then the deferred renderer's G-buffer of a ground, a table
// top and a ball, the sun with its two shadow splits and eight point lights round the ball,
// emissive and compose, at a render-target size of width x height. Each frame is waited for by
// reading one pixel back.
#include <windows.h>
#include <d3d9.h>

#include "BenchDevice.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/EffectManager.h"
#include "graphics/meshes/MeshManager.h"
#include "lighting/LightingRenderers.h"
#include "render/cameras/LookAtCamera.h"
#include "render/manager/DeferredStage.h"
#include "render/manager/RenderManager.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/ObjektKinds.h"
#include "scene/ObjektManager.h"
#include "scene/objects/BaseObjekt.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct DeferredScene {
    IDirect3DDevice9* device = nullptr;
    std::unique_ptr<Ulvo::RenderManager> manager;
    Ulvo::ObjektManager objects;
    Ulvo::SceneGraph graph;
    Ulvo::LookAtCamera camera{L"Bench"};
    std::vector<Ulvo::BaseObjekt*> placed;
    BenchSupport::OffscreenTarget screen;
    std::filesystem::path folder;

    bool create(UINT width, UINT height)
    {
        using namespace Ulvo;
        logSwitch() = 0;
        device = BenchSupport::startDevice(1024, 768);
        if (!device)
            return false;
        // The effect sources, the render configuration and the meshes as the program finds them.
        const std::filesystem::path source(ULVO_SOURCE_DIR);
        folder = std::filesystem::temp_directory_path() / ("bench_deferred_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder / "data" / "FX");
        std::filesystem::create_directories(folder / "data" / "Meshes");
        for (const auto& entry : std::filesystem::directory_iterator(source / "data" / "FX"))
            std::filesystem::copy_file(entry.path(), folder / "data" / "FX" / entry.path().filename(),
                                       std::filesystem::copy_options::overwrite_existing);
        std::ofstream list(folder / "data" / "Meshes" / "meshes.msh");
        list << "<MESHES>";
        for (const char* name : {"kugel", "kiste", "boden"}) {
            std::filesystem::copy_file(source / "tests" / "fuzz" / "corpus" / "xfile" / (std::string(name) + ".x"),
                                       folder / "data" / "Meshes" / (std::string(name) + ".x"),
                                       std::filesystem::copy_options::overwrite_existing);
            std::string upper(name);
            for (char& c : upper)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            list << "<MESH NAME=\"" << upper << "\"><FILE FILENAME=\"data\\Meshes\\" << name << ".x\"/></MESH>";
        }
        list << "</MESHES>";
        list.close();
        std::filesystem::current_path(folder);
        D3DInterface* d3d = D3DInterface::getInstance();
        d3d->getMeshManager()->loadFile(L"data\\Meshes\\meshes.msh", d3d->getTextureManager());
        for (const wchar_t* file : {L"data\\FX\\effecte.fxf", L"data\\FX\\sceneobjects.fxf"}) {
            XMLNode effects;
            if (!XMLNode::load(&effects, file, 0))
                return false;
            EffectManager::getInstance()->load(&effects);
        }
        manager = std::make_unique<RenderManager>();
        if (!attachLightingRenderers(*manager))
            return false;
        XMLNode config;
        if (!XMLNode::load(&config, L"data\\FX\\renderpass.rp", 0))
            return false;
        manager->load(&config);
        manager->setRenderTargetSize(width, height);
        manager->setSceneGraph(&graph);
        const wchar_t* const texts[] = {
            L"<OBJEKT NAME=\"Boden\" TYPE=\"MESH\"><BASE_DATA EFFECT=\"Material\"><RENDERPASSES DEFAULT=\"1\"/>"
            L"</BASE_DATA><MESH_DATA NAME=\"BODEN\"/></OBJEKT>",
            L"<OBJEKT NAME=\"Tisch\" TYPE=\"MESH\"><BASE_DATA EFFECT=\"Material\"><RENDERPASSES DEFAULT=\"1\"/>"
            L"<POSITION Y=\"2.5\"/><SCALE X=\"4\" Y=\"0.2\" Z=\"4\"/></BASE_DATA><MESH_DATA NAME=\"KISTE\"/></OBJEKT>",
            L"<OBJEKT NAME=\"Ball\" TYPE=\"MESH\"><BASE_DATA EFFECT=\"Material\"><RENDERPASSES DEFAULT=\"1\"/>"
            L"<POSITION X=\"3\" Y=\"1\" Z=\"1.5\"/></BASE_DATA><MESH_DATA NAME=\"KUGEL\"/></OBJEKT>"};
        for (const wchar_t* text : texts) {
            XMLNode node;
            XMLNode::load(&node, text, 1);
            BaseObjekt* object = createObjektByType(&node, &objects);
            if (!object)
                return false;
            placed.push_back(object);
            graph.addObject(object, true);
        }
        manager->getSettings().set(RenderSetting::DeferredAllowed, 1);
        if (!manager->getDeferredRenderer()->setEnabled(true))
            return false;
        // Eight point lights of radius 3 on a ring round the ball, the configured lantern among them.
        for (int i = 0; i < 7; ++i) {
            const float angle = static_cast<float>(i) * 0.8975979f;
            manager->getDeferredRenderer()->addPointLight(
                L"Ring" + std::to_wstring(i), D3DXCOLOR(0.6f, 0.5f, 0.4f, 1.0f),
                D3DXVECTOR3(3.0f + 2.5f * std::cos(angle), 1.0f, 1.5f + 2.5f * std::sin(angle)), 3.0f, 1.0f);
        }
        camera.setAspect(static_cast<float>(width) / static_cast<float>(height));
        camera.setFovAspect(45.0, 0.0);
        camera.setNearFar(0.5, 60.0);
        camera.setEyePosition(D3DXVECTOR3(-8, 2, -7));
        camera.setLookAt(D3DXVECTOR3(0, 0.5f, 0));
        return screen.create(device, width, height);
    }

    ~DeferredScene()
    {
        manager.reset();
        for (Ulvo::BaseObjekt* object : placed) {
            graph.removeObject(object, true);
            object->Release();
        }
        screen.release();
        std::error_code ignored;
        std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
        if (!folder.empty())
            std::filesystem::remove_all(folder, ignored);
    }

    void frame()
    {
        screen.frame(device, [this] { manager->render(&camera); });
    }
};

void BM_DeferredFrame(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    auto scene = std::make_unique<DeferredScene>();
    if (!scene->create(static_cast<UINT>(state.range(0)), static_cast<UINT>(state.range(1)))) {
        state.SkipWithError("no engine device, data or deferred buffers (offscreen GL unavailable?)");
        return;
    }
    scene->frame(); // first use compiles the shaders' programs
    for (auto _ : state)
        scene->frame();
}
BENCHMARK(BM_DeferredFrame)->Args({320, 240})->Args({1024, 768})->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
