#pragma once
// The calls a save makes to the file system, the security functions, its
// turn's wait and the profile functions: every one that can fail, in one
// table, so that a test can pass the real ones through and fail any of them.
// Closing handles and releasing the turn are not here: they do not fail in
// a way a save could answer.

#include <windows.h>

struct FileCalls {
    HANDLE (*createFile)(LPCSTR path, DWORD access, DWORD sharing, DWORD disposition);
    BOOL (*readFile)(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read);
    BOOL (*writeFile)(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written);
    BOOL (*setEndOfFile)(HANDLE file);
    BOOL (*flushFileBuffers)(HANDLE file);
    BOOL (*copyFile)(LPCSTR from, LPCSTR to, BOOL failIfExists);
    BOOL (*moveFileEx)(LPCSTR from, LPCSTR to, DWORD flags);
    BOOL (*deleteFile)(LPCSTR path);
    BOOL (*getFileSecurity)(LPCSTR path, SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR descriptor, DWORD size,
                            LPDWORD needed);
    BOOL (*setFileSecurity)(LPCSTR path, SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR descriptor);
    DWORD (*waitForTurn)(HANDLE mutex, DWORD milliseconds);
    DWORD (*getProfileSectionNames)(LPSTR buffer, DWORD size, LPCSTR path);
    DWORD (*getProfileSection)(LPCSTR section, LPSTR buffer, DWORD size, LPCSTR path);
    BOOL (*writeProfileString)(LPCSTR section, LPCSTR entry, LPCSTR value, LPCSTR path);
};

// The system's own functions.
const FileCalls& SystemFileCalls();
