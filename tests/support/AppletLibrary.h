#pragma once
// The built Kestrune.cpl, loaded with LoadLibrary for the length of a scope.

#include <windows.h>

#include <string>

// Where the build put Kestrune.cpl: $KESTRUNE_CPL (a Unix path under Wine is
// reached through drive Z:), else beside the test program's folder.
std::string AppletPath();

// The number of names the module exports.
size_t ExportCount(HMODULE module);

class LoadedApplet {
public:
    LoadedApplet();
    ~LoadedApplet();
    LoadedApplet(const LoadedApplet&) = delete;
    LoadedApplet& operator=(const LoadedApplet&) = delete;

    bool Loaded() const { return m_entry != nullptr; }
    HMODULE Module() const { return m_module; }
    LONG Call(UINT message, LPARAM lParam1 = 0, LPARAM lParam2 = 0, HWND host = nullptr) const;

private:
    HMODULE m_module = nullptr;
    using Entry = LONG(APIENTRY*)(HWND, UINT, LPARAM, LPARAM);
    Entry m_entry = nullptr;
};
