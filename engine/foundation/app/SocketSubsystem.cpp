#include "foundation/app/SocketSubsystem.h"

#include <winsock2.h>

namespace Ulvo {

SocketSubsystem* SocketSubsystem::getInstance()
{
    static SocketSubsystem instance;
    return &instance;
}

SocketSubsystem::~SocketSubsystem()
{
    if (m_started)
        WSACleanup();
}

} // namespace Ulvo
