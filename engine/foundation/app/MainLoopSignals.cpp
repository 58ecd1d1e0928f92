#include "foundation/app/MainLoopSignals.h"

namespace Ulvo {

MainLoopSignals& MainLoopSignals::getInstance()
{
    static MainLoopSignals hub;
    return hub;
}

} // namespace Ulvo
