#include "platform/WholeFile.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

} // namespace

DWORD ReadWholeFile(LPCSTR path, std::string& text, const FileCalls& calls)
{
    text.clear();
    const HANDLE file = calls.createFile(path, GENERIC_READ, kShareAll, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD error = ERROR_SUCCESS;
    char chunk[1 << 16];
    for (DWORD read = 1; read && !error;) {
        if (!calls.readFile(file, chunk, sizeof chunk, &read))
            error = GetLastError();
        else
            text.append(chunk, read);
    }
    CloseHandle(file);
    return error;
}

DWORD WriteWholeFile(LPCSTR path, const std::string& text, const FileCalls& calls)
{
    // Another program may hold the file to read it, as the driver does.
    const HANDLE file = calls.createFile(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD written = 0, error = ERROR_SUCCESS;
    if (!calls.writeFile(file, text.data(), static_cast<DWORD>(text.size()), &written))
        error = GetLastError();
    else if (written != text.size())
        error = ERROR_DISK_FULL;
    else if (!calls.setEndOfFile(file))
        error = GetLastError();
    CloseHandle(file);
    return error;
}

DWORD FlushToDisk(LPCSTR path, const FileCalls& calls)
{
    const HANDLE file = calls.createFile(path, GENERIC_WRITE, kShareAll, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    const DWORD error = calls.flushFileBuffers(file) ? ERROR_SUCCESS : GetLastError();
    CloseHandle(file);
    return error;
}

DWORD ShortOfSpaceError(LPCSTR path, ULONGLONG needed)
{
    WIN32_FILE_ATTRIBUTE_DATA file{};
    GetFileAttributesExA(path, GetFileExInfoStandard, &file);
    const ULONGLONG size = (ULONGLONG{file.nFileSizeHigh} << 32) | file.nFileSizeLow;
    const std::string folder = std::string(path).substr(0, std::string(path).find_last_of('\\') + 1);
    ULARGE_INTEGER available{};
    if (GetDiskFreeSpaceExA(folder.c_str(), &available, nullptr, nullptr) && available.QuadPart + size < needed)
        return ERROR_DISK_FULL;
    return ERROR_WRITE_FAULT;
}
