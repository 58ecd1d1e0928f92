#pragma once
// What the road tests share: an object manager with the terrain kinds, roads built from
// description text through the factory, and a fake terrain registered under a name.
#include "engine/terrain/FakeTerrain.h"
#include "foundation/xml/XMLNode.h"
#include "scene/ObjektKinds.h"
#include "scene/ObjektManager.h"
#include "terrain/TerrainKinds.h"
#include "terrain/street/StreetObjekt.h"

#include <memory>
#include <string>

namespace StreetTesting {

using FakeTerrain = TerrainTesting::GridTerrain;

struct Releaser {
    void operator()(Ulvo::BaseObjekt* object) const
    {
        if (object)
            object->Release();
    }
};
using StreetPtr = std::unique_ptr<Ulvo::StreetObjekt, Releaser>;

class StreetScene {
public:
    StreetScene() { Ulvo::registerTerrainKinds(manager.getKinds()); }

    // A fake terrain of that name, held by the manager.
    FakeTerrain* terrain(const std::wstring& name, float base = 0.0f, float slope = 0.0f)
    {
        auto* made = new FakeTerrain(name, base, slope);
        manager.add(made, true);
        return made;
    }

    // A road of the description text (an OBJEKT node), through the factory.
    StreetPtr street(const std::wstring& text)
    {
        Ulvo::XMLNode node;
        Ulvo::XMLNode::load(&node, text, 1);
        return StreetPtr(dynamic_cast<Ulvo::StreetObjekt*>(Ulvo::createObjektByType(&node, &manager)));
    }

    // A road with a profile and a STREET_SPLINE body (attributes and control points).
    StreetPtr road(const std::wstring& profile, const std::wstring& splineAttributes, const std::wstring& points,
                   const std::wstring& dataAttributes = L"")
    {
        return street(L"<OBJEKT NAME=\"Strasse\" TYPE=\"STREET\"><STREET_DATA " + dataAttributes + L"><STREET_PROFIL>" +
                      profile + L"</STREET_PROFIL><STREET_SPLINE " + splineAttributes + L">" + points +
                      L"</STREET_SPLINE></STREET_DATA></OBJEKT>");
    }

    Ulvo::ObjektManager manager;
};

// A control point node at (x, y, z) with free flag words.
inline std::wstring point(float x, float y, float z, const std::wstring& words = L"",
                          const std::wstring& attributes = L"")
{
    std::wstring text = L"<CONTROLLPOINT X=\"" + std::to_wstring(x) + L"\" Y=\"" + std::to_wstring(y) + L"\" Z=\"" +
                        std::to_wstring(z) + L"\" " + attributes + L">";
    std::size_t start = 0;
    while (start < words.size()) {
        std::size_t end = words.find(L' ', start);
        if (end == std::wstring::npos)
            end = words.size();
        if (end > start)
            text += L"\"|" + words.substr(start, end - start) + L"|\"";
        start = end + 1;
    }
    return text + L"</CONTROLLPOINT>";
}

// A flat two-point profile from x = -1 to x = 1, neither point smooth.
inline const std::wstring kFlatProfile = L"<SEGMENT X=\"-1\"/><SEGMENT X=\"1\"/>";

} // namespace StreetTesting
