// The grid terrain at 513 x 513 vertices: the construction with Perlin heights, the build pass
// painting two layer fields into its 512 x 512 blend texture, and per frame the level-of-detail
// update for a camera with one draw through the terrain effect; and a road's carves beside a walk
// over the whole grid.
#include "BenchDevice.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
#include "graphics/effects/EffectBundle.h"
#include "graphics/effects/EffectManager.h"
#include "render/cameras/LookAtCamera.h"
#include "terrain/heightmap/HeightMapObjekt.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <vector>

namespace {

const wchar_t* const kTerrain =
    L"<OBJEKT NAME=\"Bench\" TYPE=\"HEIGHTMAP\"><BASE_DATA EFFECT=\"Terrain\"><SCALE X=\"512\" Y=\"60\" Z=\"512\"/>"
    L"</BASE_DATA><HEIGHTMAP_DATA SIZE=\"513\"><PERLIN_NOISE ENABLE=\"1\" SEED=\"4711\" ANZAHL=\"5\" SCALE=\"6\"/>"
    L"<TEX_PARAMETER><PARAMETER LAYER_ID=\"0\" TYPE=\"STATIC\"/>"
    L"<PARAMETER LAYER_ID=\"1\" TYPE=\"DIST\" CENTER=\"0.5 0.5\" FALLOFF=\"0 0.4\" VALUE=\"1 0\"/></TEX_PARAMETER>"
    L"</HEIGHTMAP_DATA></OBJEKT>";

Ulvo::HeightMapObjekt* makeTerrain()
{
    Ulvo::XMLNode node;
    Ulvo::XMLNode::load(&node, kTerrain, 1);
    auto* terrain = new Ulvo::HeightMapObjekt(&node, nullptr);
    terrain->build(0);
    return terrain;
}

bool loadEffect()
{
    Ulvo::EffectManager* effects = Ulvo::EffectManager::getInstance();
    if (effects->getEffectBundle(L"Terrain"))
        return true;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(ULVO_SOURCE_DIR);
    Ulvo::XMLNode root;
    if (Ulvo::XMLNode::load(&root, L"data\\FX\\terrain.fxf", 0))
        effects->load(&root);
    std::filesystem::current_path(previous);
    return effects->getEffectBundle(L"Terrain") != nullptr;
}

// The device the terrain needs, with the logs off; false (the run skipped) without one.
bool startQuietDevice(benchmark::State& state)
{
    Ulvo::logSwitch() = 0;
    if (BenchSupport::startDevice(640, 480))
        return true;
    state.SkipWithError("no device");
    return false;
}

void BM_Build513(benchmark::State& state)
{
    if (!startQuietDevice(state))
        return;
    for (auto _ : state) {
        Ulvo::HeightMapObjekt* terrain = makeTerrain();
        benchmark::DoNotOptimize(terrain->getIndexCount());
        terrain->Release();
    }
}
BENCHMARK(BM_Build513)->Unit(benchmark::kMillisecond)->Iterations(3);

// A road's carves: 64 circles of radius 5 along a line across the terrain, as a carving road makes
// them at its samples. Beside it the plain reference: the same carves as a walk over every vertex
// of a copy of the grid.
void carveLine(int step, D3DXVECTOR3& centre)
{
    centre = D3DXVECTOR3(-200.0f + 6.25f * static_cast<float>(step), 10.0f, -150.0f + 4.0f * static_cast<float>(step));
}

void BM_Carve513(benchmark::State& state)
{
    if (!startQuietDevice(state))
        return;
    Ulvo::HeightMapObjekt* terrain = makeTerrain();
    D3DXVECTOR3 centre;
    for (auto _ : state) {
        for (int step = 0; step < 64; ++step) {
            carveLine(step, centre);
            terrain->modifyHeightRadius(centre, 5.0, 0.5f);
        }
        benchmark::DoNotOptimize(terrain->getVertices().data());
    }
    terrain->Release();
}
BENCHMARK(BM_Carve513)->Unit(benchmark::kMillisecond);

void BM_Carve513WholeGridReference(benchmark::State& state)
{
    if (!startQuietDevice(state))
        return;
    Ulvo::HeightMapObjekt* terrain = makeTerrain();
    std::vector<D3DXVECTOR3> grid;
    for (const Ulvo::HeightMapVertex& v : terrain->getVertices())
        grid.push_back(v.position);
    terrain->Release();
    D3DXVECTOR3 centre;
    const double radius = 5.0;
    const float factor = 0.5f, limit = static_cast<float>(radius * radius);
    for (auto _ : state) {
        for (int step = 0; step < 64; ++step) {
            carveLine(step, centre);
            for (D3DXVECTOR3& p : grid) {
                const float dx = p.x - centre.x, dz = p.z - centre.z;
                const float squared = dx * dx + dz * dz;
                if (!(squared < limit))
                    continue;
                const double d = std::sqrt(squared), dh = centre.y - p.y, k = factor * dh;
                p.y = static_cast<float>(p.y + (d * (dh - k) / radius + k));
            }
        }
        benchmark::DoNotOptimize(grid.data());
    }
}
BENCHMARK(BM_Carve513WholeGridReference)->Unit(benchmark::kMillisecond);

void BM_LodUpdateAndDraw513(benchmark::State& state)
{
    Ulvo::logSwitch() = 0;
    IDirect3DDevice9* device = BenchSupport::startDevice(640, 480);
    if (!device || !loadEffect()) {
        state.SkipWithError("no device or terrain effect");
        return;
    }
    Ulvo::HeightMapObjekt* terrain = makeTerrain();
    terrain->selectRenderEffect(0, 0);
    Ulvo::LookAtCamera camera(L"Bench");
    camera.setAspect(4.0f / 3.0f);
    camera.setFovAspect(60.0, 0.0);
    camera.setNearFar(1.0, 2000.0);
    camera.setEyePosition(D3DXVECTOR3(0, 80, -300));
    camera.setLookAt(D3DXVECTOR3(0, 20, 0));
    ID3DXEffect* effect = terrain->getEffect() ? terrain->getEffect()->getEffect() : nullptr;
    if (!effect) {
        state.SkipWithError("terrain effect not compiled");
        terrain->Release();
        return;
    }
    for (auto _ : state) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        UINT passes = 0;
        effect->Begin(&passes, 0);
        effect->BeginPass(0);
        terrain->updateForCamera(&camera);
        terrain->render(&camera);
        effect->EndPass();
        effect->End();
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }
    state.counters["indices"] = terrain->getIndexCount();
    terrain->Release();
}
BENCHMARK(BM_LodUpdateAndDraw513)->Unit(benchmark::kMillisecond);

} // namespace
