#pragma once
// A terrain for the road tests: a plane y = base + slope·z over a 65×65 grid of unit cells
// centred on the origin, with every edit recorded. modifyHeightRadius pulls the grid points
// within the radius fully onto the centre's height (the factor is only recorded), so a carved
// trench shows in the heights.
#include "foundation/xml/XMLNode.h"
#include "scene/HeightMap.h"
#include "scene/objects/BaseObjekt.h"

#include <cmath>
#include <string>
#include <vector>

namespace StreetTesting {

class FakeTerrain : public Ulvo::BaseObjekt, public Ulvo::HeightMap {
public:
    static constexpr int kSize = 65;
    static constexpr float kHalf = 32.0f;

    struct Carve {
        D3DXVECTOR3 centre;
        double radius;
        float factor;
    };

    FakeTerrain(const std::wstring& name, float base, float slope) : BaseObjekt(node(name), nullptr)
    {
        m_heights.resize(kSize * kSize);
        for (int iz = 0; iz < kSize; ++iz)
            for (int ix = 0; ix < kSize; ++ix)
                m_heights[iz * kSize + ix] = base + slope * (static_cast<float>(iz) - kHalf);
    }

    Ulvo::BaseObjekt* clone() const override { return nullptr; }
    void computeWorldBox() override {}
    void computeBoundingSphere() override {}

    void setHeight(const D3DXVECTOR3& point) override
    {
        D3DXVECTOR2 uv;
        double y = point.y;
        setHeightUV(*worldToUV(&uv, point), y);
    }
    void setHeightUV(const D3DXVECTOR2& uv, double& height) override
    {
        if (float* h = at(uv.x * 64.0f - kHalf, uv.y * 64.0f - kHalf))
            *h = static_cast<float>(height);
    }
    void modifyHeightRadius(const D3DXVECTOR3& centre, double radius, float factor) override
    {
        carves.push_back({centre, radius, factor});
        for (int iz = 0; iz < kSize; ++iz)
            for (int ix = 0; ix < kSize; ++ix) {
                const double dx = ix - kHalf - centre.x, dz = iz - kHalf - centre.z;
                if (dx * dx + dz * dz <= radius * radius)
                    m_heights[iz * kSize + ix] = centre.y;
            }
    }
    void addHeightModifier(const D3DXVECTOR2&, const D3DXVECTOR2&, double) override {}
    void addHeightUV(const D3DXVECTOR2& uv, double& delta) override
    {
        if (float* h = at(uv.x * 64.0f - kHalf, uv.y * 64.0f - kHalf))
            *h += static_cast<float>(delta);
    }
    float getHeightUV(const D3DXVECTOR2& uv) override
    {
        const float* h = at(uv.x * 64.0f - kHalf, uv.y * 64.0f - kHalf);
        return h ? *h : 0.0f;
    }
    float getHeight(const D3DXVECTOR3& point) override
    {
        D3DXVECTOR2 uv;
        return getHeightUV(*worldToUV(&uv, point));
    }
    float getHeight(const D3DXVECTOR2& xz) override { return getHeight(D3DXVECTOR3(xz.x, 0.0f, xz.y)); }
    D3DXVECTOR3* getPositionUV(D3DXVECTOR3* out, const D3DXVECTOR2& uv) override
    {
        *out = D3DXVECTOR3(uv.x * 64.0f - kHalf, getHeightUV(uv), uv.y * 64.0f - kHalf);
        return out;
    }
    D3DXVECTOR2* worldToUV(D3DXVECTOR2* out, const D3DXVECTOR3& point) override
    {
        *out = D3DXVECTOR2((point.x + kHalf) / 64.0f, (point.z + kHalf) / 64.0f);
        return out;
    }
    D3DXVECTOR3* getNormalUV(D3DXVECTOR3* out, const D3DXVECTOR2&, bool) override
    {
        *out = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
        return out;
    }
    D3DXVECTOR3* getNormal(D3DXVECTOR3* out, const D3DXVECTOR3&, bool) override { return getNormalUV(out, {}, true); }
    D3DXVECTOR3* getNormal(D3DXVECTOR3* out, const D3DXVECTOR2&, bool) override { return getNormalUV(out, {}, true); }
    void beginModify() override { ++begins; }
    void endModify() override { ++ends; }

    // The height of the grid point nearest to (x, z).
    float heightAt(float x, float z)
    {
        const float* h = at(x, z);
        return h ? *h : NAN;
    }

    std::vector<Carve> carves;
    int begins = 0;
    int ends = 0;

private:
    static Ulvo::XMLNode* node(const std::wstring& name)
    {
        static Ulvo::XMLNode description;
        description.clear();
        Ulvo::XMLNode::load(&description, L"<OBJEKT NAME=\"" + name + L"\"/>", 1);
        return &description;
    }

    float* at(float x, float z)
    {
        const long ix = std::lround(x + kHalf), iz = std::lround(z + kHalf);
        if (ix < 0 || iz < 0 || ix >= kSize || iz >= kSize)
            return nullptr;
        return &m_heights[static_cast<std::size_t>(iz * kSize + ix)];
    }

    std::vector<float> m_heights;
};

} // namespace StreetTesting
