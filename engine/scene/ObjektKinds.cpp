#include "scene/ObjektKinds.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "scene/ObjektManager.h"

namespace Ulvo {

void registerObjektKinds(ObjektKinds&) {}

BaseObjekt* createObjektByType(XMLNode* node, ObjektManager* owner)
{
    if (!node || !owner)
        return nullptr;
    const std::wstring type = node->getAttributeValue(L"TYPE");
    if (ObjektCreator creator = owner->getKinds().find(type))
        return creator(node, owner);
    mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::createObjektByType: OBJEKT \"", node->getAttributeValue(L"NAME"),
                     L"\" of TYPE \"", type, L"\" is not built by this build and is left out\n");
    return nullptr;
}

} // namespace Ulvo
