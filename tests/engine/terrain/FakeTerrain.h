#pragma once
// A terrain for tests of what reads terrains by name (fields, trees): a square of the given size
// with its corner at the object's position, whose height and normal are functions of UV. Edits
// are counted and otherwise ignored.
#include "foundation/xml/XMLNode.h"
#include "scene/HeightMap.h"
#include "scene/objects/BaseObjekt.h"

#include <functional>
#include <string>

namespace TerrainTesting {

class FakeTerrain : public Ulvo::BaseObjekt, public Ulvo::HeightMap {
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

    void setHeight(const D3DXVECTOR3&) override { ++edits; }
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
    float getHeight(const D3DXVECTOR3& point) override
    {
        D3DXVECTOR2 uv;
        return getHeightUV(*worldToUV(&uv, point));
    }
    float getHeight(const D3DXVECTOR2& xz) override { return getHeight(D3DXVECTOR3(xz.x, 0.0f, xz.y)); }
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
    D3DXVECTOR3* getNormal(D3DXVECTOR3* out, const D3DXVECTOR3& point, bool smooth) override
    {
        D3DXVECTOR2 uv;
        return getNormalUV(out, *worldToUV(&uv, point), smooth);
    }
    D3DXVECTOR3* getNormal(D3DXVECTOR3* out, const D3DXVECTOR2& xz, bool smooth) override
    {
        return getNormal(out, D3DXVECTOR3(xz.x, 0.0f, xz.y), smooth);
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

} // namespace TerrainTesting
