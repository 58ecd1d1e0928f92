// Reads arbitrary bytes as a forest's description and places it on a terrain "T" with two tree
// pictures "A" and "B" (textures without pixels: no device is needed to place trees). Whatever
// the description says (counts, slices, frequencies, density fields), placement ends, every tree
// lands in a cell and carries the index of a type that exists.
#include "FuzzText.h"
#include "QuietTerrain.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "scene/ObjektManager.h"
#include "terrain/fields/ParameterHeight.h"
#include "terrain/trees/BaumObjekt.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// 100 x 100 units at the origin; the height of a world point is its x.
class Ground : public FuzzTesting::QuietTerrain {
public:
    Ground() : QuietTerrain(L"T") {}
    float getHeightUV(const D3DXVECTOR2& uv) override { return 20.0f * uv.x * uv.y; }
    float getHeight(const D3DXVECTOR3& p) override { return p.x; }
    float getHeight(const D3DXVECTOR2& p) override { return p.x; }
    D3DXVECTOR3* getPositionUV(D3DXVECTOR3* out, const D3DXVECTOR2& uv) override
    {
        *out = D3DXVECTOR3(100.0f * uv.x, getHeightUV(uv), 100.0f * uv.y);
        return out;
    }
    D3DXVECTOR2* worldToUV(D3DXVECTOR2* out, const D3DXVECTOR3& p) override
    {
        *out = D3DXVECTOR2(p.x / 100.0f, p.z / 100.0f);
        return out;
    }
};

Ulvo::ObjektManager& scene()
{
    static Ulvo::ObjektManager* manager = [] {
        FuzzTesting::addEmptyTreeTextures();
        auto* made = new Ulvo::ObjektManager();
        made->add(new Ground(), true);
        Ulvo::ParameterHeight::setObjektManager(made);
        return made;
    }();
    return *manager;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    Ulvo::ObjektManager& manager = scene();
    Ulvo::XMLNode treeData;
    Ulvo::XMLNode::load(&treeData, fuzzText(data, size), 1);
    Ulvo::XMLNode node;
    Ulvo::XMLNode::load(&node, L"<OBJEKT NAME=\"Wald\" TYPE=\"TREE\"/>", 1);
    Ulvo::BaumObjekt forest(&node, &manager);
    forest.loadTrees(&treeData);

    std::size_t placed = 0;
    for (const Ulvo::BaumZelle& cell : forest.getCells()) {
        if (cell.instances.empty())
            std::abort();
        for (const Ulvo::BaumInstanz& tree : cell.instances) {
            const float type = tree.size.w;
            if (!(type >= 0.0f && type < static_cast<float>(forest.getTypes().size())))
                std::abort();
            ++placed;
        }
    }
    if (placed > forest.getTreeCount() || forest.getTreeCount() > Ulvo::BaumObjekt::MAX_TREES ||
        forest.getCells().size() > 256 || forest.getSlices() < 1 || forest.getSlices() > Ulvo::BaumObjekt::MAX_SLICES)
        std::abort();
    return 0;
}
