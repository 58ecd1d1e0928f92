#pragma once
// What the clipmap tests share: fields whose values can be worked out by hand, the clipmap's
// effect bundle compiled from the source tree, and objects built from description text.
#include "devices/d3d/D3DInterface.h"
#include "engine/graphics/GraphicsTestSupport.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/EffectManager.h"
#include "scene/ObjektKinds.h"
#include "scene/ObjektManager.h"
#include "support/TestSupport.h"
#include "terrain/TerrainKinds.h"
#include "terrain/clipmap/ClipmapObjekt.h"
#include "terrain/fields/Parameter.h"

#include <cmath>
#include <filesystem>
#include <string>

namespace ClipmapTesting {

// h(u, v) = base + du u + dv v: a tilted plane.
class PlaneField : public Ulvo::Parameter {
public:
    PlaneField(float base, float du, float dv) : m_base(base), m_du(du), m_dv(dv) {}
    float getValue(const D3DXVECTOR2& p) const override { return m_base + m_du * p.x + m_dv * p.y; }
    Ulvo::Parameter* clone() const override { return new PlaneField(*this); }

private:
    float m_base, m_du, m_dv;
};

// Rolling hills: a field whose every texel differs, so a texel in the wrong place shows.
class HillField : public Ulvo::Parameter {
public:
    float getValue(const D3DXVECTOR2& p) const override
    {
        return 0.5f + 0.25f * std::sin(p.x * 12.0f) * std::cos(p.y * 9.0f) + 0.1f * p.x;
    }
    Ulvo::Parameter* clone() const override { return new HillField(*this); }
};

// "data\FX\clipmap.fxf" with its sources copied from the source tree into folder and compiled
// there. False when the bundle cannot be made.
inline bool loadClipmapEffect(const std::filesystem::path& folder)
{
    using namespace Ulvo;
    if (!GraphicsTesting::startDevice())
        return false;
    return GraphicsTesting::loadSourceBundle(folder, L"Clipmap", L"data\\FX\\clipmap.fxf",
                                             {"clipmap.fxf", "clipmap.fx", "scenecommon.fxh"});
}

// A clipmap of the description text through the object kinds; the caller owns it.
inline Ulvo::ClipmapObjekt* build(Ulvo::ObjektManager& manager, const std::wstring& text)
{
    Ulvo::registerTerrainKinds(manager.getKinds());
    Ulvo::XMLNode node;
    Ulvo::XMLNode::load(&node, text, 1);
    return dynamic_cast<Ulvo::ClipmapObjekt*>(Ulvo::createObjektByType(&node, &manager));
}

} // namespace ClipmapTesting
