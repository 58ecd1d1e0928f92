#pragma once
// The classes CoCreateInstance can make. Each interface family registers its own; this layer
// knows none of them. A registration sits in the object file that defines the class identifier,
// so whatever names the identifier also links the registration (a static library leaves out
// files nothing refers to, and with them their initialisers).
#include <unknwn.h>

namespace Win32Internal {

// Makes a new object of the class and hands it out as `riid`, with the caller's reference.
using ClassFactory = HRESULT (*)(REFIID riid, void** object);

// Returns true, so a registration can initialise a constant at namespace scope. A class
// registered again keeps its first factory.
bool registerComClass(const CLSID& clsid, ClassFactory factory);

} // namespace Win32Internal
