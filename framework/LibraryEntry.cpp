// The library entry of a framework DLL. The runtime has already constructed
// the module's globals, the application object among them, when this runs;
// it destroys them after the detach below.

#include "framework/CWinApp.h"

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
