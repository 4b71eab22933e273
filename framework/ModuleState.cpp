#include "framework/ModuleState.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

HINSTANCE AfxGetInstanceHandle()
{
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

HINSTANCE AfxGetResourceHandle()
{
    return AfxGetInstanceHandle();
}
