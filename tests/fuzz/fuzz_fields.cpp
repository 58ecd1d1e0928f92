// Reads arbitrary bytes as a field description and evaluates the field and its deep copy at points
// inside, on the edge of and far outside the unit square, with a terrain to read heights and
// slopes from. Whatever the description says (octave counts, nested kinds, layer ids), building
// and evaluation end, and the copy answers as the original does.
#include "FuzzText.h"
#include "QuietTerrain.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "scene/ObjektManager.h"
#include "terrain/fields/LayerParameter.h"
#include "terrain/fields/Parameter.h"
#include "terrain/fields/ParameterHeight.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// A terrain "T" whose height and normal follow the position, whatever it is.
class Slope : public FuzzTesting::QuietTerrain {
public:
    Slope() : QuietTerrain(L"T") {}
    float getHeightUV(const D3DXVECTOR2& uv) override { return 50.0f * uv.x + 10.0f * uv.y; }
    float getHeight(const D3DXVECTOR3& p) override { return p.x; }
    float getHeight(const D3DXVECTOR2& p) override { return p.x; }
    D3DXVECTOR3* getPositionUV(D3DXVECTOR3* out, const D3DXVECTOR2& uv) override
    {
        *out = D3DXVECTOR3(uv.x, getHeightUV(uv), uv.y);
        return out;
    }
    D3DXVECTOR2* worldToUV(D3DXVECTOR2* out, const D3DXVECTOR3& p) override
    {
        *out = D3DXVECTOR2(p.x, p.z);
        return out;
    }
    D3DXVECTOR3* getNormalUV(D3DXVECTOR3* out, const D3DXVECTOR2& uv, bool) override
    {
        D3DXVECTOR3 n(uv.x, 1.0f, uv.y);
        D3DXVec3Normalize(out, &n);
        return out;
    }
};

Ulvo::ObjektManager& terrains()
{
    static Ulvo::ObjektManager* manager = [] {
        auto* made = new Ulvo::ObjektManager();
        made->add(new Slope(), true);
        return made;
    }();
    return *manager;
}

bool same(float a, float b)
{
    return std::memcmp(&a, &b, sizeof(float)) == 0 || (std::isnan(a) && std::isnan(b));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    Ulvo::ParameterHeight::setObjektManager(&terrains());
    Ulvo::XMLNode root;
    Ulvo::XMLNode::load(&root, fuzzText(data, size), 1);

    std::unique_ptr<Ulvo::Parameter> field(Ulvo::createParameter(&root));
    if (!field)
        std::abort();
    std::unique_ptr<Ulvo::Parameter> copy(field->clone());
    const D3DXVECTOR2 points[] = {{0.0f, 0.0f}, {0.5f, 0.25f}, {1.0f, 1.0f}, {-0.25f, 3.5f}, {1e9f, -1e9f}};
    for (const D3DXVECTOR2& point : points) {
        D3DXVECTOR4 a;
        D3DXVECTOR4 b;
        field->getVector(&a, point);
        copy->getVector(&b, point);
        if (!same(field->getValue(point), copy->getValue(point)) || !same(a.x, b.x) || !same(a.w, b.w))
            std::abort();
    }

    // The same node as a terrain's layer list: four slots at most.
    Ulvo::LayerParameter layers(&root);
    if (layers.getSlotCount() > Ulvo::LayerParameter::MAX_LAYERS)
        std::abort();
    for (uint32_t slot = 0; slot < layers.getSlotCount(); ++slot) {
        if (Ulvo::Parameter* parameter = layers.getParameter(slot))
            parameter->getValue(points[1]);
    }
    return 0;
}
