#include "tests/support/AppletLibrary.h"

#include <cstdlib>

std::string AppletPath()
{
    if (const char* configured = std::getenv("KESTRUNE_CPL"); configured && *configured) {
        std::string path = configured;
        if (path[0] == '/')
            path = "Z:" + path;
        for (char& c : path)
            if (c == '/')
                c = '\\';
        return path;
    }
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    path.resize(path.find_last_of('\\'));            // the tests' folder
    path.resize(path.find_last_of('\\') + 1);        // the build folder
    return path + "Kestrune.cpl";
}

size_t ExportCount(HMODULE module)
{
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (!dir.VirtualAddress)
        return 0;
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    return exports->NumberOfNames;
}

LoadedApplet::LoadedApplet()
{
    m_module = LoadLibraryA(AppletPath().c_str());
    if (m_module)
        m_entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(m_module, "CPlApplet")));
}

LoadedApplet::~LoadedApplet()
{
    if (m_module)
        FreeLibrary(m_module);
}

LONG LoadedApplet::Call(UINT message, LPARAM lParam1, LPARAM lParam2, HWND host) const
{
    return m_entry(host, message, lParam1, lParam2);
}
