#include "platform/FileCalls.h"

const FileCalls& SystemFileCalls()
{
    static const FileCalls calls{
        [](LPCSTR path, DWORD access, DWORD sharing, DWORD disposition) {
            return CreateFileA(path, access, sharing, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        },
        [](HANDLE file, LPVOID buffer, DWORD size, LPDWORD read) { return ReadFile(file, buffer, size, read, nullptr); },
        [](HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written) {
            return WriteFile(file, buffer, size, written, nullptr);
        },
        [](HANDLE file) { return SetEndOfFile(file); },
        [](HANDLE file) { return FlushFileBuffers(file); },
        [](LPCSTR from, LPCSTR to, BOOL failIfExists) { return CopyFileA(from, to, failIfExists); },
        [](LPCSTR from, LPCSTR to, DWORD flags) { return MoveFileExA(from, to, flags); },
        [](LPCSTR path) { return DeleteFileA(path); },
        [](LPCSTR path, SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR descriptor, DWORD size, LPDWORD needed) {
            return GetFileSecurityA(path, what, descriptor, size, needed);
        },
        [](LPCSTR path, SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR descriptor) {
            return SetFileSecurityA(path, what, descriptor);
        },
        [](HANDLE mutex, DWORD milliseconds) { return WaitForSingleObject(mutex, milliseconds); },
        [](LPSTR buffer, DWORD size, LPCSTR path) { return GetPrivateProfileSectionNamesA(buffer, size, path); },
        [](LPCSTR section, LPSTR buffer, DWORD size, LPCSTR path) {
            return GetPrivateProfileSectionA(section, buffer, size, path);
        },
        [](LPCSTR section, LPCSTR entry, LPCSTR value, LPCSTR path) {
            return WritePrivateProfileStringA(section, entry, value, path);
        },
    };
    return calls;
}
