#pragma once
// Loads a DLL of the system's own from the system folder, never from the
// application's or the current folder: an applet is often opened from a
// download folder, and a library that is not a Known DLL would otherwise be
// looked for there first.

#include <windows.h>

// The module, or null with the thread's last error set. The caller decides
// whether it ever frees it.
HMODULE LoadSystemLibrary(const char* name);

// Sets function to the module's export of that name, typed as declared; false
// (and null) when the module has none.
template <class F> bool FindExport(HMODULE module, const char* name, F& function)
{
    function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}
