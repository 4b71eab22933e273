/* The MSI packages' custom actions: seed the settings folder with an
 * administrator's orvexd.ini, named by the public property SETTINGSFILE.
 *
 *   CheckSettingsFile  immediate, before anything is installed: the file must
 *                      be readable, or the install fails (1603) naming it.
 *   SeedSettingsFile   deferred, not impersonated: CustomActionData is
 *                      "<file>|<CommonAppDataFolder>"; copies the file to
 *                      <CommonAppDataFolder>VORMEL\ORVEXDRIVER\orvexd.ini
 *                      unless a file is there already, which is kept.
 *
 * Wide-character calls throughout: Windows Installer's paths are Unicode. No
 * rollback: a seeded file stays even when a later step of the install fails. */

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

static const wchar_t kSettingsSubPath[] = L"VORMEL\\ORVEXDRIVER";
static const wchar_t kSettingsFileName[] = L"orvexd.ini";

static wchar_t* Allocate(DWORD chars)
{
    return (wchar_t*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, chars * sizeof(wchar_t));
}

static void Free(void* memory)
{
    if (memory)
        HeapFree(GetProcessHeap(), 0, memory);
}

/* The property's value, or NULL when out of memory; free with Free(). */
static wchar_t* GetProperty(MSIHANDLE install, const wchar_t* name)
{
    DWORD chars = 0;
    wchar_t empty[1] = L"";
    UINT result = MsiGetPropertyW(install, name, empty, &chars);
    if (result != ERROR_MORE_DATA && result != ERROR_SUCCESS)
        return NULL;
    wchar_t* value = Allocate(++chars);
    if (value && MsiGetPropertyW(install, name, value, &chars) != ERROR_SUCCESS) {
        Free(value);
        value = NULL;
    }
    return value;
}

/* Sends a message to the install: an error shows a message box in a full UI
 * and goes to the log in every UI level. The template's [1], [2] and [3] are
 * the arguments, [3] usually Windows' text for an error code. */
static void Report(MSIHANDLE install, INSTALLMESSAGE kind, const wchar_t* text,
                   const wchar_t* one, const wchar_t* two, DWORD error)
{
    MSIHANDLE record = MsiCreateRecord(3);
    if (!record)
        return;
    MsiRecordSetStringW(record, 0, text);
    MsiRecordSetStringW(record, 1, one ? one : L"");
    MsiRecordSetStringW(record, 2, two ? two : L"");
    wchar_t* reason = NULL;
    if (error && FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                    FORMAT_MESSAGE_IGNORE_INSERTS,
                                NULL, error, 0, (wchar_t*)&reason, 0, NULL)) {
        MsiRecordSetStringW(record, 3, reason);
        LocalFree(reason);
    }
    if (kind == INSTALLMESSAGE_ERROR)
        kind = (INSTALLMESSAGE)(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR);
    MsiProcessMessage(install, kind, record);
    MsiCloseHandle(record);
}

/* The custom actions run in the service's process, not in the caller's
 * folder, so a relative path would name some other file. */
static BOOL IsFullPath(const wchar_t* path)
{
    return (path[0] == L'\\' && path[1] == L'\\') ||
           (path[0] && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/'));
}

/* Opens the file and reads from it, as the copy will. */
static DWORD CheckReadable(const wchar_t* path)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    char byte;
    DWORD read = 0;
    DWORD error = ReadFile(file, &byte, 1, &read, NULL) ? ERROR_SUCCESS : GetLastError();
    CloseHandle(file);
    return error;
}

UINT __stdcall CheckSettingsFile(MSIHANDLE install)
{
    wchar_t* path = GetProperty(install, L"SETTINGSFILE");
    if (!path)
        return ERROR_INSTALL_FAILURE;
    UINT result = ERROR_SUCCESS;
    if (path[0]) {
        DWORD error = IsFullPath(path) ? CheckReadable(path) : ERROR_BAD_PATHNAME;
        if (error != ERROR_SUCCESS) {
            Report(install, INSTALLMESSAGE_ERROR,
                   L"The settings file given in SETTINGSFILE cannot be read: [1]. [3]"
                   L"Give the full path of a readable orvexd.ini. Nothing was installed.",
                   path, NULL, error);
            result = ERROR_INSTALL_FAILURE;
        } else {
            Report(install, INSTALLMESSAGE_INFO, L"SETTINGSFILE [1] can be read.", path, NULL, 0);
        }
    }
    Free(path);
    return result;
}

/* Makes each folder of subPath below base (which ends in a backslash) when
 * missing; returns the whole path, or NULL. */
static wchar_t* MakeFolders(const wchar_t* base, const wchar_t* subPath, const wchar_t* fileName,
                            DWORD* error)
{
    wchar_t* path = Allocate(lstrlenW(base) + lstrlenW(subPath) + lstrlenW(fileName) + 2);
    if (!path) {
        *error = ERROR_OUTOFMEMORY;
        return NULL;
    }
    lstrcpyW(path, base);
    wchar_t* end = path + lstrlenW(path);
    for (const wchar_t* part = subPath;;) {
        while (*part && *part != L'\\')
            *end++ = *part++;
        *end = L'\0';
        if (!CreateDirectoryW(path, NULL) && GetLastError() != ERROR_ALREADY_EXISTS) {
            *error = GetLastError();
            Free(path);
            return NULL;
        }
        *end++ = L'\\';
        if (!*part++)
            break;
    }
    lstrcpyW(end, fileName);
    return path;
}

UINT __stdcall SeedSettingsFile(MSIHANDLE install)
{
    wchar_t* data = GetProperty(install, L"CustomActionData");
    if (!data)
        return ERROR_INSTALL_FAILURE;
    /* A bar cannot stand in a Windows path: it separates the two. */
    wchar_t* base = data;
    while (*base && *base != L'|')
        ++base;
    if (!*base || !data[0] || !base[1]) {
        Report(install, INSTALLMESSAGE_ERROR, L"SeedSettingsFile: bad CustomActionData '[1]'.",
               data, NULL, 0);
        Free(data);
        return ERROR_INSTALL_FAILURE;
    }
    *base++ = L'\0';
    const wchar_t* source = data;

    UINT result = ERROR_SUCCESS;
    DWORD error = ERROR_SUCCESS;
    wchar_t* target = MakeFolders(base, kSettingsSubPath, kSettingsFileName, &error);
    if (!target) {
        Report(install, INSTALLMESSAGE_ERROR, L"Cannot make the settings folder [1][2]. [3]", base,
               kSettingsSubPath, error);
        result = ERROR_INSTALL_FAILURE;
    } else if (CopyFileW(source, target, TRUE)) {
        /* The copy takes the source's attributes; a read-only seed would
         * keep the applet from saving. Rights come from the folder. */
        SetFileAttributesW(target, FILE_ATTRIBUTE_NORMAL);
        Report(install, INSTALLMESSAGE_INFO, L"Seeded the settings file [2] from [1].", source,
               target, 0);
    } else if ((error = GetLastError()) == ERROR_FILE_EXISTS) {
        Report(install, INSTALLMESSAGE_INFO,
               L"The settings file [2] exists: kept as it is, [1] not copied.", source, target, 0);
    } else {
        Report(install, INSTALLMESSAGE_ERROR,
               L"Cannot copy the settings file [1] to [2]. [3]", source, target, error);
        result = ERROR_INSTALL_FAILURE;
    }
    Free(target);
    Free(data);
    return result;
}
