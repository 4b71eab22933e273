#pragma once
// The built Kestrune.cpl, loaded with LoadLibrary for the length of a scope,
// and what its PE headers say.

#include <windows.h>

#include <string>
#include <vector>

// Where the build put Kestrune.cpl: the file the environment variable names
// (a Unix path under Wine is reached through drive Z:); without it, for
// KESTRUNE_CPL, beside the test program's folder, else "".
std::string AppletPath(const char* variable = "KESTRUNE_CPL");

// An image mapped with its sections at their virtual addresses (loaded, or
// mapped with LOAD_LIBRARY_AS_IMAGE_RESOURCE), of either word size.
struct ImageHeaders {
    WORD machine = 0;
    WORD magic = 0;                      // IMAGE_NT_OPTIONAL_HDR32_MAGIC / 64
    WORD characteristics = 0;
    std::vector<std::string> exports;    // names, as stored
    std::vector<std::string> imports;    // libraries, in lower case
};
ImageHeaders ReadImageHeaders(const void* base);

// The DLLs an applet may import: Windows' own, none that a program may
// plant beside it (oleacc.dll is loaded from the system folder at run time).
bool IsWindowsOwnLibrary(const std::string& lowerCaseName);

class LoadedApplet {
public:
    LoadedApplet();
    ~LoadedApplet() { Unload(); }
    LoadedApplet(const LoadedApplet&) = delete;
    LoadedApplet& operator=(const LoadedApplet&) = delete;

    bool Loaded() const { return m_entry != nullptr; }
    HMODULE Module() const { return m_module; }
    LONG Call(UINT message, LPARAM lParam1 = 0, LPARAM lParam2 = 0, HWND host = nullptr) const;
    // Frees the library as a host does when it is done with the applet.
    void Unload();

private:
    HMODULE m_module = nullptr;
    using Entry = LONG(APIENTRY*)(HWND, UINT, LPARAM, LPARAM);
    Entry m_entry = nullptr;
};
