#pragma once
// What the forest's tests share: the tree pictures ("data\textures\trees.tex" of the runtime
// folder) in the device's texture manager, the bundle "Baum" (its sources copied into folder and
// compiled there), and forests built from TREE_DATA text over a manager that holds a terrain.
#include "FakeTerrain.h"
#include "TerrainTestSupport.h"
#include "foundation/xml/XMLNode.h"
#include "scene/ObjektManager.h"
#include "terrain/TerrainKinds.h"
#include "terrain/trees/BaumObjekt.h"

#include <string>

namespace TreeTesting {

inline bool loadTreeData(const std::filesystem::path& folder)
{
    return TerrainTesting::loadDeviceData(folder, L"data\\textures\\trees.tex", {L"BAUM_TANNE", L"BAUM_LAUB"}, L"Baum",
                                          L"data\\FX\\trees.fxf", {"trees.fxf", "tree.fx", "scenecommon.fxh"});
}

// Two types: firs (PROP 1) and broadleaf trees (PROP 3).
inline const std::wstring kTwoTypes =
    L"<BAUM_TYP TEXTUR=\"BAUM_TANNE\" PROP=\"1\"><MIN_SIZE X=\"1\" Y=\"2\" Z=\"1\"/><MAX_SIZE X=\"3\" Y=\"6\" Z=\"1\"/>"
    L"<ROTATION MIN=\"10\" MAX=\"20\"/><WIND_MIN X=\"1\" Y=\"2\" PHASE=\"0\" AMPLITUDE=\"0.1\"/>"
    L"<WIND_MAX X=\"2\" Y=\"4\" PHASE=\"1\" AMPLITUDE=\"0.2\"/></BAUM_TYP>"
    L"<BAUM_TYP TEXTUR=\"BAUM_LAUB\" PROP=\"3\"><MIN_SIZE X=\"2\" Y=\"4\" Z=\"2\"/><MAX_SIZE X=\"2\" Y=\"4\" Z=\"2\"/>"
    L"</BAUM_TYP>";

// A forest of the manager's kinds from the object's attributes and the TREE_DATA's attributes and
// children, built (pass 0); the caller owns it.
inline Ulvo::BaumObjekt* buildForest(Ulvo::ObjektManager& manager, const std::wstring& treeData,
                                     const std::wstring& children = kTwoTypes,
                                     const std::wstring& baseData = L"EFFECT=\"Baum\"")
{
    Ulvo::XMLNode node;
    Ulvo::XMLNode::load(&node,
                        L"<OBJEKT NAME=\"Wald\" TYPE=\"TREE\"><BASE_DATA " + baseData +
                            L"><RENDERPASSES DEFAULT=\"1\"/></BASE_DATA><TREE_DATA " + treeData + L">" + children +
                            L"</TREE_DATA></OBJEKT>",
                        1);
    auto* forest = dynamic_cast<Ulvo::BaumObjekt*>(Ulvo::createObjektByType(&node, &manager));
    if (forest)
        forest->build(0);
    return forest;
}

// A manager with the terrain kinds and a terrain "Boden" of 100 x 100 units at the origin, whose
// height is 10·u.
class TreeScene {
public:
    TreeScene()
    {
        Ulvo::registerTerrainKinds(manager.getKinds());
        terrain = new TerrainTesting::FakeTerrain(L"Boden", 100.0f, [](float u, float) { return 10.0f * u; });
        manager.add(terrain, true);
    }
    Ulvo::ObjektManager manager;
    TerrainTesting::FakeTerrain* terrain;
};

} // namespace TreeTesting
