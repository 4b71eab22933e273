#include "tests/support/AppletLibrary.h"

#include <algorithm>
#include <cstdlib>

std::string AppletPath(const char* variable)
{
    if (const char* configured = std::getenv(variable); configured && *configured) {
        std::string path = configured;
        if (path[0] == '/')
            path = "Z:" + path;
        for (char& c : path)
            if (c == '/')
                c = '\\';
        return path;
    }
    if (std::string(variable) != "KESTRUNE_CPL")
        return "";
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    path.resize(path.find_last_of('\\'));            // the tests' folder
    path.resize(path.find_last_of('\\') + 1);        // the build folder
    return path + "Kestrune.cpl";
}

ImageHeaders ReadImageHeaders(const void* image)
{
    const auto* base = static_cast<const BYTE*>(image);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    ImageHeaders headers;
    headers.machine = nt->FileHeader.Machine;
    headers.magic = nt->OptionalHeader.Magic;
    headers.characteristics = nt->FileHeader.Characteristics;
    // The directories follow the optional header's fields, whose size differs.
    const IMAGE_DATA_DIRECTORY* dirs = headers.magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC
        ? reinterpret_cast<const IMAGE_NT_HEADERS64*>(nt)->OptionalHeader.DataDirectory
        : nt->OptionalHeader.DataDirectory;

    if (const DWORD rva = dirs[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress) {
        const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + rva);
        const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
        for (DWORD i = 0; i < exports->NumberOfNames; ++i)
            headers.exports.emplace_back(reinterpret_cast<const char*>(base + names[i]));
    }
    if (const DWORD rva = dirs[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress) {
        for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + rva); entry->Name; ++entry) {
            std::string name = reinterpret_cast<const char*>(base + entry->Name);
            CharLowerBuffA(name.data(), static_cast<DWORD>(name.size()));
            headers.imports.push_back(name);
        }
    }
    return headers;
}

bool IsWindowsOwnLibrary(const std::string& name)
{
    static const char* const kOwn[] = {"advapi32.dll", "comctl32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
                                       "shell32.dll", "user32.dll", "ole32.dll", "oleaut32.dll"};
    return std::find(std::begin(kOwn), std::end(kOwn), name) != std::end(kOwn);
}

LoadedApplet::LoadedApplet()
{
    m_module = LoadLibraryA(AppletPath().c_str());
    if (m_module)
        m_entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(m_module, "CPlApplet")));
}

void LoadedApplet::Unload()
{
    if (m_module)
        FreeLibrary(m_module);
    m_module = nullptr;
    m_entry = nullptr;
}

LONG LoadedApplet::Call(UINT message, LPARAM lParam1, LPARAM lParam2, HWND host) const
{
    return m_entry(host, message, lParam1, lParam2);
}
