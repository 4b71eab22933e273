/* Loads the Control Panel applet named on the command line as a host does,
 * sends CPL_INIT and CPL_GETCOUNT, and prints what it answers:
 *     cpl_probe.exe "C:\Program Files\Kestrune\Kestrune.cpl"
 *     CPL_GETCOUNT 1
 * Exit status 0 when the applet loaded and CPL_INIT succeeded; 2 when it did
 * not load, 3 without CPlApplet, 4 when CPL_INIT failed. Build it for the
 * Windows it runs on: a 64-bit process cannot load a 32-bit applet. */

#include <windows.h>
#include <cpl.h>
#include <stdio.h>

typedef LONG(APIENTRY* CplEntry)(HWND, UINT, LPARAM, LPARAM);

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: cpl_probe <path of a .cpl>\n");
        return 1;
    }
    HMODULE module = LoadLibraryW(argv[1]);
    if (!module) {
        printf("LoadLibrary failed: error %lu\n", GetLastError());
        return 2;
    }
    CplEntry entry = (CplEntry)(void*)GetProcAddress(module, "CPlApplet");
    if (!entry) {
        printf("no CPlApplet export\n");
        return 3;
    }
    if (!entry(NULL, CPL_INIT, 0, 0)) {
        printf("CPL_INIT failed\n");
        return 4;
    }
    LONG count = entry(NULL, CPL_GETCOUNT, 0, 0);
    printf("CPL_GETCOUNT %ld\n", count);
    entry(NULL, CPL_EXIT, 0, 0);
    FreeLibrary(module);
    return 0;
}
