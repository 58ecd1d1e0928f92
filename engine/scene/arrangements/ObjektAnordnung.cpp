#include "scene/arrangements/ObjektAnordnung.h"

#include "foundation/logging/Logger.h"

namespace Ulvo {

// Arrangements are not built yet: the node is passed over with a line, so a scene file that
// holds one loads everything else.
std::vector<BaseObjekt*> loadArrangement(ObjektManager&, XMLNode*)
{
    mainLogger().log(50, LOG_TYPE_WARNING,
                     L"Ulvo::loadArrangement: OBJEKT_ANORDNUNG is not built in this version; no objects placed\n");
    return {};
}

} // namespace Ulvo
