/* Loads the Control Panel applet named on the command line as a host does,
 * sends CPL_INIT and CPL_GETCOUNT, and prints what it answers:
 *     cpl_probe.exe "C:\Program Files\Kestrune\Kestrune.cpl"
 *     CPL_GETCOUNT 1
 * Exit status 0 when the applet loaded and CPL_INIT succeeded; 2 when it did
 * not load, 3 without CPlApplet, 4 when CPL_INIT failed. Build it for the
 * Windows it runs on: a 64-bit process cannot load a 32-bit applet.
 *
 * With --string, it loads a string as the shell loads one that a task links
 * file names, "@<path>,-<id>", in the display language, and prints the
 * reference with its environment variables expanded, then the string, in
 * UTF-8; exit status 2 when it cannot be loaded. */

#include <windows.h>
#include <cpl.h>
#include <shlwapi.h>
#include <stdio.h>

typedef LONG(APIENTRY* CplEntry)(HWND, UINT, LPARAM, LPARAM);

static void PrintUtf8(const wchar_t* text)
{
    char utf8[4096];
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL);
    printf("%s\n", utf8);
}

static int PrintString(const wchar_t* reference)
{
    wchar_t expanded[MAX_PATH], text[1024];
    ExpandEnvironmentStringsW(reference, expanded, MAX_PATH);
    PrintUtf8(expanded);
    if (FAILED(SHLoadIndirectString(expanded, text, 1024, NULL)))
        return 2;
    PrintUtf8(text);
    return 0;
}

int wmain(int argc, wchar_t** argv)
{
    if (argc == 3 && wcscmp(argv[1], L"--string") == 0)
        return PrintString(argv[2]);
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
