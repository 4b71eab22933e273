#pragma once
// The module the framework's code is linked into: the one whose windows it
// registers and whose resources it shows. Below the strings and the
// application object, which both need it.

#include <windows.h>

HINSTANCE AfxGetInstanceHandle();
// The module whose resources the code shows: this module, which carries them.
HINSTANCE AfxGetResourceHandle();
