#include "platform/SaveCopy.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace {

std::string FolderOf(const std::string& path)
{
    return path.substr(0, path.find_last_of('\\') + 1);
}

} // namespace

void RemoveFile(const std::string& path, const FileCalls& calls)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);   // a read-only copy too
    for (int attempt = 0; attempt < 3 && !calls.deleteFile(path.c_str()); ++attempt) {
        const DWORD error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED)
            break;
        Sleep(10);
    }
}

void RemoveStaleCopies(const std::string& file, const FileCalls& calls)
{
    RemoveFile(file + kReplaceCopySuffix, calls);
    const std::string folder = FolderOf(file);
    const std::string start = file.substr(folder.size()) + ".";
    const size_t shortest = start.size() + std::strlen(kReplaceCopySuffix);
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((file + ".*" + kReplaceCopySuffix).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        // The pattern also meets short (8.3) names: the long one decides.
        const std::string name = found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name.size() > shortest
            && _strnicmp(name.c_str(), start.c_str(), start.size()) == 0
            && _stricmp(name.c_str() + name.size() - std::strlen(kReplaceCopySuffix), kReplaceCopySuffix) == 0)
            RemoveFile(folder + name, calls);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

DWORD MakeCopy(const std::string& file, bool fileExists, const FileCalls& calls, std::string& copy)
{
    static std::atomic<unsigned> count{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char unique[32];
        std::snprintf(unique, sizeof unique, ".%lX-%X", GetCurrentProcessId(), count++);
        copy = file + unique + kReplaceCopySuffix;
        bool made = fileExists && calls.copyFile(file.c_str(), copy.c_str(), TRUE);
        if (!fileExists) {
            const HANDLE handle = calls.createFile(copy.c_str(), GENERIC_WRITE, 0, CREATE_NEW);
            made = handle != INVALID_HANDLE_VALUE;
            if (made)
                CloseHandle(handle);
        }
        if (made)
            return ERROR_SUCCESS;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            calls.deleteFile(copy.c_str());   // one cut short by a full disk
            return error;
        }
    }
    return ERROR_FILE_EXISTS;
}

