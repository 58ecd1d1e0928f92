// Reads arbitrary bytes as a road's object description and runs its build passes over a small
// terrain whose edits cost nothing (no device, so no buffers are made). Whatever the description
// says, the road ends: its mesh holds two vertices per sample and profile edge, every index
// names one of them, and its samples never pass the mesh's limit.
#include "FuzzText.h"
#include "QuietTerrain.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "scene/ObjektManager.h"
#include "terrain/TerrainKinds.h"
#include "terrain/street/StreetObjekt.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// The plane y = x / 10 over [-50, 50]²; edits are counted only.
class PlaneTerrain : public FuzzTesting::QuietTerrain {
public:
    PlaneTerrain() : QuietTerrain(L"Boden") {}
    void modifyHeightRadius(const D3DXVECTOR3&, double, float) override { ++edits; }
    float getHeightUV(const D3DXVECTOR2& uv) override { return uv.x * 10.0f - 5.0f; }
    float getHeight(const D3DXVECTOR3& point) override { return point.x / 10.0f; }
    float getHeight(const D3DXVECTOR2& xz) override { return xz.x / 10.0f; }
    D3DXVECTOR3* getPositionUV(D3DXVECTOR3* out, const D3DXVECTOR2& uv) override
    {
        *out = D3DXVECTOR3(uv.x * 100.0f - 50.0f, getHeightUV(uv), uv.y * 100.0f - 50.0f);
        return out;
    }
    D3DXVECTOR2* worldToUV(D3DXVECTOR2* out, const D3DXVECTOR3& point) override
    {
        *out = D3DXVECTOR2((point.x + 50.0f) / 100.0f, (point.z + 50.0f) / 100.0f);
        return out;
    }
    unsigned long edits = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    Ulvo::XMLNode root;
    Ulvo::XMLNode::load(&root, fuzzText(data, size), 1);

    Ulvo::ObjektManager manager;
    Ulvo::registerTerrainKinds(manager.getKinds());
    manager.add(new PlaneTerrain(), true);

    auto* road = new Ulvo::StreetObjekt(&root, &manager);
    for (int pass = 0; pass < 4; ++pass)
        road->build(pass);
    const std::size_t profile = road->getProfile().size();
    const std::size_t samples = road->getPath().samples.size();
    const auto& vertices = road->getVertices();
    if (profile > Ulvo::StreetObjekt::kMaxProfilePoints || vertices.size() > Ulvo::StreetObjekt::kMaxVertices)
        std::abort();
    if (profile && samples && vertices.size() != 2 * profile * samples)
        std::abort();
    for (uint32_t index : road->getIndices())
        if (index >= vertices.size())
            std::abort();
    road->Release();
    return 0;
}
