#include "scene/ObjektKinds.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "scene/ObjektManager.h"
#include "scene/objects/animesh/AnimatedMeshObjekt.h"
#include "scene/objects/coords/CoordsObjekt.h"
#include "scene/objects/mesh/MeshObjekt.h"
#include "scene/objects/sun/SunObjekt.h"
#include "scene/objects/water/WaterObjekt.h"

namespace Ulvo {

namespace {
bool s_heightMapFromClipmap = false;
} // namespace

bool isHeightMapFromClipmap()
{
    return s_heightMapFromClipmap;
}

void registerObjektKinds(ObjektKinds& kinds)
{
    kinds.add(L"MESH", &MeshObjekt::create);
    kinds.add(L"IMESH", &MeshObjekt::create);
    kinds.add(L"ANI_MESH", &AnimatedMeshObjekt::create);
    kinds.add(L"WATER", &WaterObjekt::create);
    kinds.add(L"ICE", &IceObjekt::create);
    kinds.add(L"REFLECTION", &ReflektionObjekt::create);
    kinds.add(L"SUN", &SunObjekt::create);
    kinds.add(L"COORDS", &CoordsObjekt::create);
}

BaseObjekt* createObjektByType(XMLNode* node, ObjektManager* owner)
{
    if (!node || !owner)
        return nullptr;
    std::wstring type = node->getAttributeValue(L"TYPE");
    if (type == L"CLIPMAP" && ObjektManager::getMakeClipmapToHeightMap()) {
        type = L"HEIGHTMAP";
        s_heightMapFromClipmap = true;
    } else if (type == L"HEIGHTMAP") {
        s_heightMapFromClipmap = false;
    }
    if (ObjektCreator creator = owner->getKinds().find(type))
        return creator(node, owner);
    ObjektCreator fallback = owner->getKinds().find(kFallbackObjektType);
    // A node without a TYPE is a mesh by the file's own convention.
    if (!type.empty() || !fallback)
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::createObjektByType: OBJEKT \"", node->getAttributeValue(L"NAME"),
                         L"\" of TYPE \"", type,
                         fallback ? L"\" has no kind of its own and is built as a mesh object\n"
                                  : L"\" is not built by this build and is left out\n");
    return fallback ? fallback(node, owner) : nullptr;
}

} // namespace Ulvo
