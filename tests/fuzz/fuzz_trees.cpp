// Reads arbitrary bytes as a forest's description and places it on a terrain "T" with two tree
// pictures "A" and "B" (textures without pixels: no device is needed to place trees). Whatever
// the description says (counts, slices, frequencies, density fields), placement ends, every tree
// lands in a cell and carries the index of a type that exists.
#include "FuzzText.h"
#include "devices/d3d/D3DInterface.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/SharedGraphics.h"
#include "graphics/effects/EffectManager.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/TextureManager.h"
#include "scene/HeightMap.h"
#include "scene/ObjektManager.h"
#include "terrain/fields/ParameterHeight.h"
#include "terrain/trees/BaumObjekt.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

class Ground : public Ulvo::BaseObjekt, public Ulvo::HeightMap {
public:
    explicit Ground(Ulvo::XMLNode* node) : BaseObjekt(node, nullptr) {}
    Ulvo::BaseObjekt* clone() const override { return nullptr; }
    void computeWorldBox() override {}
    void computeBoundingSphere() override {}
    void setHeight(const D3DXVECTOR3&) override {}
    void setHeightUV(const D3DXVECTOR2&, double&) override {}
    void modifyHeightRadius(const D3DXVECTOR3&, double, float) override {}
    void addHeightModifier(const D3DXVECTOR2&, const D3DXVECTOR2&, double) override {}
    void addHeightUV(const D3DXVECTOR2&, double&) override {}
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
    D3DXVECTOR3* getNormalUV(D3DXVECTOR3* out, const D3DXVECTOR2&, bool) override
    {
        *out = D3DXVECTOR3(0, 1, 0);
        return out;
    }
    D3DXVECTOR3* getNormal(D3DXVECTOR3* out, const D3DXVECTOR3&, bool) override
    {
        *out = D3DXVECTOR3(0, 1, 0);
        return out;
    }
    D3DXVECTOR3* getNormal(D3DXVECTOR3* out, const D3DXVECTOR2&, bool) override
    {
        *out = D3DXVECTOR3(0, 1, 0);
        return out;
    }
    void beginModify() override {}
    void endModify() override {}
};

Ulvo::ObjektManager& scene()
{
    static Ulvo::ObjektManager* manager = [] {
        Ulvo::D3DInterface::getInstance()->setGraphics(new Ulvo::SharedGraphics(Ulvo::EffectManager::getInstance()));
        Ulvo::TextureManager* textures = Ulvo::D3DInterface::getInstance()->getTextureManager();
        for (const wchar_t* name : {L"A", L"B"}) {
            auto* texture = new Ulvo::Texture2D();
            texture->rename(name);
            textures->add(texture, true);
        }
        auto* made = new Ulvo::ObjektManager();
        Ulvo::XMLNode node;
        Ulvo::XMLNode::load(&node, L"<OBJEKT NAME=\"T\"/>", 1);
        made->add(new Ground(&node), true);
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
