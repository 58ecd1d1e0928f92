#pragma once
// Sockets need no start-up or clean-up on Linux.
#include <windef.h>

int WSACleanup(); // 0
