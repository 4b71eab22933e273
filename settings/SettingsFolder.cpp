#include "settings/SettingsFolder.h"

#include "platform/ModulePath.h"

#include <shlobj.h>

bool ResolveSettingsFolder(CString& path, int csidl, CString subPath)
{
    if (subPath.IsEmpty())
        return false;

    char folder[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK)
        return false;
    path = folder;
    path += '\\';

    while (!subPath.IsEmpty()) {
        const int separator = subPath.Find('\\');
        if (separator < 0) {
            path += subPath;
            subPath.Empty();
        } else {
            path += subPath.Left(separator);
            subPath = subPath.Mid(separator + 1);
        }
        if (!CreateDirectoryA(path, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
        path += '\\';
    }
    return true;
}

CString SettingsFilePath(HMODULE hModule)
{
    CString path;
    if (!ResolveSettingsFolder(path, CSIDL_COMMON_APPDATA, kSettingsSubPath))
        path = DriveAndDirectory(GetModuleFilePath(hModule));
    path += kSettingsFileName;
    return path;
}
