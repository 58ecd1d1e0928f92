#pragma once
// What the fuzz targets and benchmarks of the terrain layer stand their objects on: a terrain
// found by name whose edits do nothing and whose normals point up; the deriving class answers
// the height reads. Also the two empty tree pictures that placing trees needs (no device).
#include "devices/d3d/D3DInterface.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/SharedGraphics.h"
#include "graphics/effects/EffectManager.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/TextureManager.h"
#include "scene/HeightMap.h"
#include "scene/objects/BaseObjekt.h"

#include <string>

namespace FuzzTesting {

class QuietTerrain : public Ulvo::BaseObjekt, public Ulvo::HeightMap {
public:
    Ulvo::BaseObjekt* clone() const override { return nullptr; }
    void computeWorldBox() override {}
    void computeBoundingSphere() override {}
    void setHeight(const D3DXVECTOR3&) override {}
    void setHeightUV(const D3DXVECTOR2&, double&) override {}
    void modifyHeightRadius(const D3DXVECTOR3&, double, float) override {}
    void addHeightModifier(const D3DXVECTOR2&, const D3DXVECTOR2&, double) override {}
    void addHeightUV(const D3DXVECTOR2&, double&) override {}
    D3DXVECTOR3* getNormalUV(D3DXVECTOR3* out, const D3DXVECTOR2&, bool) override { return up(out); }
    D3DXVECTOR3* getNormal(D3DXVECTOR3* out, const D3DXVECTOR3&, bool) override { return up(out); }
    D3DXVECTOR3* getNormal(D3DXVECTOR3* out, const D3DXVECTOR2&, bool) override { return up(out); }
    void beginModify() override {}
    void endModify() override {}

protected:
    explicit QuietTerrain(const std::wstring& name) : BaseObjekt(node(name), nullptr) {}

    static D3DXVECTOR3* up(D3DXVECTOR3* out)
    {
        *out = D3DXVECTOR3(0, 1, 0);
        return out;
    }

private:
    static Ulvo::XMLNode* node(const std::wstring& name)
    {
        static Ulvo::XMLNode description;
        description.clear();
        Ulvo::XMLNode::load(&description, L"<OBJEKT NAME=\"" + name + L"\"/>", 1);
        return &description;
    }
};

// The shared graphics and the tree pictures "A" and "B" without pixels in the texture manager.
inline void addEmptyTreeTextures()
{
    Ulvo::D3DInterface::getInstance()->setGraphics(new Ulvo::SharedGraphics(Ulvo::EffectManager::getInstance()));
    Ulvo::TextureManager* textures = Ulvo::D3DInterface::getInstance()->getTextureManager();
    for (const wchar_t* name : {L"A", L"B"}) {
        auto* texture = new Ulvo::Texture2D();
        texture->rename(name);
        textures->add(texture, true);
    }
}

} // namespace FuzzTesting
