#pragma once
// The Windows API subset this program uses, implemented on Linux.
#include <windef.h>
#include <winbase.h>
#include <winnls.h>
#include <wincon.h>
#include <winuser.h>
#include <winver.h>
#include <wingdi.h>
#include <mmsystem.h>
#include <objbase.h>
#include <shellapi.h>
#include <crt.h>
