#include "platform/ModulePath.h"

#include <cstring>

CString GetModuleFilePath(HMODULE hModule)
{
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(hModule, path, MAX_PATH);
    return CString(path, static_cast<int>(n < MAX_PATH ? n : MAX_PATH - 1));
}

CString DriveAndDirectory(LPCSTR pszPath)
{
    constexpr int kMaxDirectory = 255;
    if (!pszPath)
        return CString();

    CString drive;
    if (pszPath[0] && pszPath[1] == ':') {
        drive = CString(pszPath, 2);
        pszPath += 2;
    }
    const char* lastSeparator = nullptr;
    for (const char* p = pszPath; *p; ++p)
        if (*p == '\\' || *p == '/')
            lastSeparator = p;
    if (!lastSeparator)
        return drive;

    int length = static_cast<int>(lastSeparator - pszPath) + 1;
    if (length > kMaxDirectory)
        length = kMaxDirectory;
    return drive + CString(pszPath, length);
}
