// The library entry of a framework DLL. The runtime has already constructed
// the module's globals, the application object among them, when this runs;
// it destroys them after the detach below.

#include "framework/CWinApp.h"

#include <cstdlib>
#include <exception>

// Stands in for the runtime's default terminate handler in the DLL. That one
// prints the exception's demangled type name to a console the host does not
// have, and its demangler was a sixth of the image; both end in abort().
void __gnu_cxx::__verbose_terminate_handler()
{
    std::abort();
}

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID)
{
    try {
        CWinApp* app = AfxGetApp();
        if (reason == DLL_PROCESS_ATTACH) {
            DisableThreadLibraryCalls(hInstance);
            if (app) {
                app->SetDefaultNames(hInstance);
                if (!app->InitInstance()) {
                    app->ExitInstance();
                    return FALSE;
                }
            }
        } else if (reason == DLL_PROCESS_DETACH) {
            if (app)
                app->ExitInstance();
        }
        return TRUE;
    } catch (...) {
        return reason == DLL_PROCESS_ATTACH ? FALSE : TRUE;
    }
}
