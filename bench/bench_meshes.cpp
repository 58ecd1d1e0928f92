// The .x text reader over the shipped sphere (the largest mesh file), and the ray test against
// the loaded sphere as an object picker runs it: a hit through its middle and a miss beside it.
// The reader is measured alone and through D3DXLoadMeshFromXInMemory, which adds the device
// buffers, the adjacency and the attribute sort.
#include "BenchDevice.h"

#include "d3dx9/xfile/XFileReader.h"

#include <d3dx9.h>

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string sphereText()
{
    std::ifstream in(std::string(ULVO_SOURCE_DIR) + "/tests/fuzz/corpus/xfile/kugel.x", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void BM_ReadSphereText(benchmark::State& state)
{
    const std::string text = sphereText();
    XFile::Scene scene;
    std::string error;
    for (auto _ : state) {
        if (!XFile::read(text.data(), text.size(), scene, error))
            state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(scene.indices.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ReadSphereText)->Unit(benchmark::kMicrosecond);

void BM_LoadSphereMesh(benchmark::State& state)
{
    IDirect3DDevice9* device = BenchSupport::startDevice(640, 480);
    if (!device) {
        state.SkipWithError("no device");
        return;
    }
    const std::string text = sphereText();
    for (auto _ : state) {
        ID3DXMesh* mesh = nullptr;
        D3DXLoadMeshFromXInMemory(text.data(), static_cast<DWORD>(text.size()), D3DXMESH_MANAGED, device, nullptr,
                                  nullptr, nullptr, nullptr, &mesh);
        if (!mesh) {
            state.SkipWithError("not loaded");
            return;
        }
        mesh->Release();
    }
}
BENCHMARK(BM_LoadSphereMesh)->Unit(benchmark::kMicrosecond);

void BM_IntersectSphere(benchmark::State& state)
{
    IDirect3DDevice9* device = BenchSupport::startDevice(640, 480);
    if (!device) {
        state.SkipWithError("no device");
        return;
    }
    const std::string text = sphereText();
    ID3DXMesh* mesh = nullptr;
    D3DXLoadMeshFromXInMemory(text.data(), static_cast<DWORD>(text.size()), D3DXMESH_MANAGED, device, nullptr, nullptr,
                              nullptr, nullptr, &mesh);
    if (!mesh) {
        state.SkipWithError("not loaded");
        return;
    }
    const D3DXVECTOR3 origin(state.range(0) ? 0.1f : 3.0f, 0.2f, -5.0f), direction(0.0f, 0.0f, 1.0f);
    for (auto _ : state) {
        BOOL hit = FALSE;
        float dist = 0.0f;
        D3DXIntersect(mesh, &origin, &direction, &hit, nullptr, nullptr, nullptr, &dist, nullptr, nullptr);
        benchmark::DoNotOptimize(dist);
    }
    state.SetLabel(std::to_string(mesh->GetNumFaces()) + " faces, " + (state.range(0) ? "hit" : "miss"));
    mesh->Release();
}
BENCHMARK(BM_IntersectSphere)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

} // namespace
