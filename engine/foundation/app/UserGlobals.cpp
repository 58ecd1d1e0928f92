#include "foundation/app/UserGlobals.h"

namespace Ulvo {

bool UserGlobals::load(XMLNode*)
{
    return true;
}

bool UserGlobals::save(XMLNode*)
{
    return true;
}

bool UserGlobals::initSound(EngineParams*)
{
    return true;
}

bool UserGlobals::postInit(EngineParams*)
{
    return true;
}

} // namespace Ulvo
