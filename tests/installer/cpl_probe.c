/* Loads the Control Panel applet named on the command line as a host does,
 * sends CPL_INIT and CPL_GETCOUNT, and prints what it answers:
 *     cpl_probe.exe "C:\Program Files\Kestrune\Kestrune.cpl"
 *     CPL_GETCOUNT 1
 * Exit status 0 when the applet loaded and CPL_INIT succeeded; 2 when it did
 * not load, 3 without CPlApplet, 4 when CPL_INIT failed. Build it for the
 * Windows it runs on: a 64-bit process cannot load a 32-bit applet.
 *
 * With --strings, it reads a string reference as a task links file gives
 * one, "@<path>,-<id>" (environment variables allowed), and prints the path
 * it names and that string in each of the applet's languages, in UTF-8, "-"
 * where a language has no string of its own:
 *     cpl_probe.exe --strings "@%ProgramFiles%\Kestrune\Kestrune.cpl,-22"
 *     path C:\Program Files\Kestrune\Kestrune.cpl
 *     0409 MIDI;network;device;driver
 *     0407 ...
 * Exit status 5 for a malformed reference. */

#include <windows.h>
#include <cpl.h>
#include <stdio.h>

typedef LONG(APIENTRY* CplEntry)(HWND, UINT, LPARAM, LPARAM);

struct Languages {
    LANGID ids[16];
    int count;
};

static BOOL CALLBACK AddLanguage(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR param)
{
    struct Languages* found = (struct Languages*)param;
    (void)module, (void)type, (void)name;
    if (found->count < 16)
        found->ids[found->count++] = language;
    return TRUE;
}

static void PrintUtf8(const wchar_t* text, int length)
{
    char utf8[4096];
    int size = WideCharToMultiByte(CP_UTF8, 0, text, length, utf8, sizeof utf8 - 1, NULL, NULL);
    utf8[size] = 0;
    printf("%s\n", utf8);
}

static int PrintStrings(const wchar_t* reference)
{
    const wchar_t* comma = wcsrchr(reference, L',');
    wchar_t path[MAX_PATH], expanded[MAX_PATH];
    if (reference[0] != L'@' || !comma || comma[1] != L'-' || comma - reference - 1 >= MAX_PATH) {
        printf("not @<path>,-<id>: %ls\n", reference);
        return 5;
    }
    lstrcpynW(path, reference + 1, (int)(comma - reference));
    ExpandEnvironmentStringsW(path, expanded, MAX_PATH);
    printf("path ");
    PrintUtf8(expanded, -1);
    int id = _wtoi(comma + 2);
    HMODULE module = LoadLibraryExW(expanded, NULL, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) {
        printf("LoadLibraryEx failed: error %lu\n", GetLastError());
        return 2;
    }
    // The block of 16 strings that holds the id, in each language it has.
    LPCWSTR block = MAKEINTRESOURCEW(id / 16 + 1);
    struct Languages found = {{0}, 0};
    EnumResourceLanguagesW(module, (LPCWSTR)RT_STRING, block, AddLanguage, (LONG_PTR)&found);
    static const LANGID wanted[] = {0x0409, 0x0407, 0x040C, 0x0411};
    for (int w = 0; w < 4; ++w) {
        const WCHAR* entry = NULL;
        for (int f = 0; f < found.count; ++f) {
            if (found.ids[f] != wanted[w])
                continue;
            HRSRC resource = FindResourceExW(module, (LPCWSTR)RT_STRING, block, wanted[w]);
            entry = resource ? (const WCHAR*)LockResource(LoadResource(module, resource)) : NULL;
        }
        // Each string of the block is its length, then its characters.
        for (int skip = id % 16; entry && skip > 0; --skip)
            entry += 1 + *entry;
        printf("%04X ", wanted[w]);
        if (entry && *entry)
            PrintUtf8(entry + 1, *entry);
        else
            printf("-\n");
    }
    FreeLibrary(module);
    return 0;
}

int wmain(int argc, wchar_t** argv)
{
    if (argc == 3 && wcscmp(argv[1], L"--strings") == 0)
        return PrintStrings(argv[2]);
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
