// Reads arbitrary bytes as an object arrangement over two registered source objects, a sloped
// terrain, a tree object with places, a spline and a density field, and places it: whatever the
// node says (counts, ranges, divisors, densities, spacings), placing ends, every copy is
// registered under its own name in its source's instance group, and no kind makes more copies
// than the bound.
#include "FuzzText.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "scene/HeightMap.h"
#include "scene/ObjektManager.h"
#include "scene/SplineManager.h"
#include "scene/arrangements/ObjektAnordnung.h"
#include "scene/arrangements/PlacementSources.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

class Stone : public Ulvo::BaseObjekt {
public:
    explicit Stone(const wchar_t* name) : BaseObjekt(nullptr, nullptr) { rename(name); }
    Stone(const Stone& other) = default;
    Ulvo::BaseObjekt* clone() const override { return new Stone(*this); }
    void computeWorldBox() override {}
    void computeBoundingSphere() override {}
};

// A slope over 100 x 100 units with tree places.
class Ground : public Stone, public Ulvo::HeightMap, public Ulvo::TreePlaceSource {
public:
    Ground() : Stone(L"Boden") {}
    Ulvo::BaseObjekt* clone() const override { return nullptr; }
    float at(float x, float z) const { return 0.3f * x - 0.1f * z; }
    void setHeight(const D3DXVECTOR3&) override {}
    void setHeightUV(const D3DXVECTOR2&, double&) override {}
    void modifyHeightRadius(const D3DXVECTOR3&, double, float) override {}
    void addHeightModifier(const D3DXVECTOR2&, const D3DXVECTOR2&, double) override {}
    void addHeightUV(const D3DXVECTOR2&, double&) override {}
    float getHeightUV(const D3DXVECTOR2& uv) override { return at(uv.x * 100, uv.y * 100); }
    float getHeight(const D3DXVECTOR3& p) override { return at(p.x, p.z); }
    float getHeight(const D3DXVECTOR2& xz) override { return at(xz.x, xz.y); }
    D3DXVECTOR3* getPositionUV(D3DXVECTOR3* out, const D3DXVECTOR2& uv) override
    {
        *out = D3DXVECTOR3(uv.x * 100, at(uv.x * 100, uv.y * 100), uv.y * 100);
        return out;
    }
    D3DXVECTOR2* worldToUV(D3DXVECTOR2* out, const D3DXVECTOR3& p) override
    {
        *out = D3DXVECTOR2(p.x / 100, p.z / 100);
        return out;
    }
    D3DXVECTOR3* getNormalUV(D3DXVECTOR3* out, const D3DXVECTOR2&, bool) override { return normal(out); }
    D3DXVECTOR3* getNormal(D3DXVECTOR3* out, const D3DXVECTOR3&, bool) override { return normal(out); }
    D3DXVECTOR3* getNormal(D3DXVECTOR3* out, const D3DXVECTOR2&, bool) override { return normal(out); }
    void beginModify() override {}
    void endModify() override {}
    void collectTreePlaces(std::vector<Ulvo::TreePlace>& places) const override
    {
        for (int i = 0; i < 7; ++i)
            places.push_back({D3DXVECTOR3(float(i), 0, float(i)), D3DXVECTOR3(1, 1, 1), 10.0f * i, i - 2});
    }

private:
    static D3DXVECTOR3* normal(D3DXVECTOR3* out)
    {
        *out = D3DXVECTOR3(-0.3f, 1.0f, 0.1f);
        D3DXVec3Normalize(out, out);
        return out;
    }
};

class Stripes : public Ulvo::PlacementDensity {
public:
    float value(const D3DXVECTOR2& uv) override { return uv.x * 10.0f - static_cast<int>(uv.x * 10.0f); }
};

std::unique_ptr<Ulvo::PlacementDensity> makeStripes(Ulvo::XMLNode*)
{
    return std::make_unique<Stripes>();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    Ulvo::XMLNode root;
    Ulvo::XMLNode::load(&root, fuzzText(data, size), 1);

    Ulvo::PlacementDensities::setMaker(&makeStripes);
    Ulvo::SplineManager splines;
    Ulvo::XMLNode path;
    Ulvo::XMLNode::load(&path,
                        L"<SPLINE NAME=\"Weg\"><CONTROLPOINT/><CONTROLPOINT><POSITION X=\"0.5\" Z=\"0.2\"/>"
                        L"</CONTROLPOINT><CONTROLPOINT><POSITION X=\"0.9\" Z=\"0.8\"/></CONTROLPOINT></SPLINE>",
                        1);
    splines.addSpline(&path);
    Ulvo::ObjektManager manager;
    manager.add(new Stone(L"A"), true);
    manager.add(new Stone(L"B"), true);
    manager.add(new Ground(), true);

    const std::vector<Ulvo::BaseObjekt*> made = Ulvo::loadArrangement(manager, &root, &splines);
    check(made.size() <= 5u * static_cast<size_t>(root.getNodes().size()) * Ulvo::kMaxArrangementCopies);
    for (Ulvo::BaseObjekt* copy : made) {
        check(manager.find(copy->getName()) == copy);
        Ulvo::BaseObjekt* group = copy->getInstanceGroup();
        check(group == manager.find(L"A") || group == manager.find(L"B"));
    }
    Ulvo::PlacementDensities::setMaker(nullptr);
    return 0;
}
