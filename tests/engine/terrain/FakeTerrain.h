#pragma once
// Terrains for tests of what reads terrains by name (fields, trees, roads). FakeTerrain is a
// square of the given size with its corner at the object's position, whose height and normal are
// functions of UV; edits are counted and otherwise ignored. GridTerrain keeps its heights in a
// grid and takes the edits, for the road tests.
#include "foundation/xml/XMLNode.h"
#include "scene/objects/BaseObjekt.h"
#include "terrain/TerrainHeightMap.h"

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace TerrainTesting {

class FakeTerrain : public Ulvo::BaseObjekt, public Ulvo::TerrainHeightMap {
public:
    using HeightFunction = std::function<float(float u, float v)>;
    using NormalFunction = std::function<D3DXVECTOR3(float u, float v)>;

    FakeTerrain(
        const std::wstring& name, float size, HeightFunction height,
        NormalFunction normal = [](float, float) { return D3DXVECTOR3(0.0f, 1.0f, 0.0f); })
        : BaseObjekt(node(name), nullptr), m_size(size), m_height(std::move(height)), m_normal(std::move(normal))
    {
    }
    FakeTerrain(const FakeTerrain&) = default;

    Ulvo::BaseObjekt* clone() const override { return new FakeTerrain(*this); }
    void computeWorldBox() override
    {
        m_worldBox = Ulvo::AABB(m_position, m_position + D3DXVECTOR3(m_size, 1.0f, m_size));
    }
    void computeBoundingSphere() override { m_boundingSphere = Ulvo::BoundingSphere(m_position, m_size); }

    void setHeight(const D3DXVECTOR3& point) override
    {
        D3DXVECTOR2 uv;
        double y = point.y;
        setHeightUV(*worldToUV(&uv, point), y);
    }
    void setHeightUV(const D3DXVECTOR2&, double&) override { ++edits; }
    void modifyHeightRadius(const D3DXVECTOR3&, double, float) override { ++edits; }
    void addHeightModifier(const D3DXVECTOR2&, const D3DXVECTOR2&, double) override { ++edits; }
    void addHeightUV(const D3DXVECTOR2&, double&) override { ++edits; }

    static bool on(const D3DXVECTOR2& uv) { return uv.x >= 0.0f && uv.x <= 1.0f && uv.y >= 0.0f && uv.y <= 1.0f; }
    float getHeightUV(const D3DXVECTOR2& uv) override
    {
        ++reads;
        return on(uv) ? m_position.y + m_height(uv.x, uv.y) : 0.0f;
    }
    D3DXVECTOR3* getPositionUV(D3DXVECTOR3* out, const D3DXVECTOR2& uv) override
    {
        *out = on(uv) ? D3DXVECTOR3(m_position.x + uv.x * m_size, getHeightUV(uv), m_position.z + uv.y * m_size)
                      : m_position;
        return out;
    }
    D3DXVECTOR2* worldToUV(D3DXVECTOR2* out, const D3DXVECTOR3& point) override
    {
        *out = D3DXVECTOR2((point.x - m_position.x) / m_size, (point.z - m_position.z) / m_size);
        return out;
    }
    D3DXVECTOR3* getNormalUV(D3DXVECTOR3* out, const D3DXVECTOR2& uv, bool) override
    {
        *out = on(uv) ? m_normal(uv.x, uv.y) : D3DXVECTOR3(0.0f, 1.0f, 0.0f);
        return out;
    }
    void beginModify() override {}
    void endModify() override {}

    int reads = 0;
    int edits = 0;

private:
    static Ulvo::XMLNode* node(const std::wstring& name)
    {
        static Ulvo::XMLNode description(L"OBJEKT");
        description.clear();
        description.setName(L"OBJEKT");
        description.addAttribute(new Ulvo::XMLAttribute(L"NAME", name));
        return &description;
    }

    float m_size;
    HeightFunction m_height;
    NormalFunction m_normal;
};

// The plane y = base + slope·z over a 65×65 grid of unit cells centred on the origin, with every
// edit recorded. modifyHeightRadius pulls the grid points within the radius fully onto the
// centre's height (the factor is only recorded), so a carved trench shows in the heights.
class GridTerrain : public FakeTerrain {
public:
    static constexpr int kSize = 65;
    static constexpr float kHalf = 32.0f;

    struct Carve {
        D3DXVECTOR3 centre;
        double radius;
        float factor;
    };

    GridTerrain(const std::wstring& name, float base, float slope)
        : FakeTerrain(name, 2.0f * kHalf, [this](float u, float v) { return heightAtUV(u, v); })
    {
        m_position = D3DXVECTOR3(-kHalf, 0.0f, -kHalf);
        m_heights.resize(kSize * kSize);
        for (int iz = 0; iz < kSize; ++iz)
            for (int ix = 0; ix < kSize; ++ix)
                m_heights[iz * kSize + ix] = base + slope * (static_cast<float>(iz) - kHalf);
    }

    // The grid's lambda holds this object; a copy would read the original's grid.
    Ulvo::BaseObjekt* clone() const override { return nullptr; }
    void computeWorldBox() override {}
    void computeBoundingSphere() override {}

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
    float heightAtUV(float u, float v)
    {
        const float* h = at(u * 64.0f - kHalf, v * 64.0f - kHalf);
        return h ? *h : 0.0f;
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

} // namespace TerrainTesting
