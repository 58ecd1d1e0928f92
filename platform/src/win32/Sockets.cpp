// Sockets need no library clean-up on Linux.
#include <winsock2.h>

int WSACleanup()
{
    return 0;
}
