#include "devices/DirectInputInterface.h"

namespace Ulvo {

DirectInputInterface* DirectInputInterface::getInstance()
{
    static DirectInputInterface instance;
    return &instance;
}

bool DirectInputInterface::init(DInputInitParams* params)
{
    if (!params)
        return false;
    m_initParams = params;
    return true;
}

void DirectInputInterface::centerMouse()
{
    // The mouse state arrives with the input subsystem; nothing to centre yet.
}

} // namespace Ulvo
