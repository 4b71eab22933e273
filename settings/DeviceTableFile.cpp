// Every value goes through the private-profile functions one at a time, with
// no cache of our own, into a copy that replaces the file when complete.

#include "settings/DeviceTableFile.h"

namespace {

constexpr char kSectionName[] = "Device Name";
constexpr char kSectionIP[] = "IP Address";
constexpr char kSectionProtect[] = "Protect No";
constexpr char kSectionDeviceID[] = "Device ID";
constexpr char kSectionTcp[] = "Tcp";

constexpr char kDefaultProtectNo[] = "00";

// A value of at most 4095 characters.
CString ReadText(LPCSTR pszFile, LPCSTR pszSection, LPCSTR pszEntry, LPCSTR pszDefault)
{
    constexpr int kBufferSize = 4096;
    CString value;
    GetPrivateProfileStringA(pszSection, pszEntry, pszDefault, value.GetBuffer(kBufferSize - 1),
                             kBufferSize, pszFile);
    value.ReleaseBuffer();
    return value;
}

// Signed decimal, so an address whose first octet is 128 or more is negative.
bool WriteNumber(LPCSTR pszFile, LPCSTR pszSection, LPCSTR pszEntry, int nValue)
{
    char text[16];
    wsprintfA(text, "%d", nValue);
    return WritePrivateProfileStringA(pszSection, pszEntry, text, pszFile) != FALSE;
}

bool WriteEntries(LPCSTR pszFile, const DeviceTableArrays& table)
{
    bool allWritten = true;
    for (int i = 0; i < kDeviceCount; ++i) {
        CString entry;
        entry.Format("%d", i);
        allWritten &= WritePrivateProfileStringA(kSectionName, entry, NameForFile(table.names[i]), pszFile) != FALSE;
        allWritten &= WriteNumber(pszFile, kSectionIP, entry, static_cast<int>(table.ipAddresses[i]));
        allWritten &= WritePrivateProfileStringA(kSectionProtect, entry, table.protectNos[i], pszFile) != FALSE;
        allWritten &= WriteNumber(pszFile, kSectionDeviceID, entry, table.deviceIds[i]);
        allWritten &= WriteNumber(pszFile, kSectionTcp, entry, table.transports[i]);
    }
    return allWritten;
}

// Drops the profile functions' cached view of pszFile, writing out what it
// holds: the next call reads the file from disk.
void FlushProfileCache(LPCSTR pszFile)
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, pszFile);
}

bool FlushToDisk(LPCSTR pszFile)
{
    const HANDLE file = CreateFileA(pszFile, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool flushed = FlushFileBuffers(file) != FALSE;
    CloseHandle(file);
    return flushed;
}

// A reader that holds the file open a moment (the driver, a virus scanner)
// makes a replace fail with a sharing violation: a few short tries. A replace
// that fails after removing the file leaves the copy to be moved in.
bool PutInPlace(LPCSTR pszCopy, LPCSTR pszFile)
{
    constexpr int kTries = 20;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if (attempt > 0)
            Sleep(attempt < 5 ? 1 : 10);
        // Replacing keeps the file's security descriptor and attributes.
        const bool done = GetFileAttributesA(pszFile) != INVALID_FILE_ATTRIBUTES
            ? ReplaceFileA(pszFile, pszCopy, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != FALSE
            : MoveFileExA(pszCopy, pszFile, MOVEFILE_WRITE_THROUGH) != FALSE;
        if (done)
            return true;
        switch (GetLastError()) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_ACCESS_DENIED:   // also a file whose deletion is pending
        case ERROR_UNABLE_TO_REMOVE_REPLACED:
        case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
            break;
        default:
            return false;
        }
    }
    return false;
}

// The whole table into a copy beside pszFile, then the copy in its place;
// false, with no copy left, when any step failed and the file is unchanged.
bool WriteByReplacing(LPCSTR pszFile, const DeviceTableArrays& table)
{
    const CString copy = CString(pszFile) + kSaveCopySuffix;
    if (!DeleteFileA(copy) && GetLastError() != ERROR_FILE_NOT_FOUND)
        return false;

    const DWORD attributes = GetFileAttributesA(pszFile);
    const bool fileExisted = attributes != INVALID_FILE_ATTRIBUTES;
    if (fileExisted && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    if (fileExisted && !CopyFileA(pszFile, copy, TRUE))
        return false;

    FlushProfileCache(copy);
    bool done = WriteEntries(copy, table);
    FlushProfileCache(copy);
    done = done && FlushToDisk(copy) && PutInPlace(copy, pszFile);
    if (!done)
        DeleteFileA(copy);
    return done;
}

} // namespace

CString NameForFile(const CString& name)
{
    int length = name.GetLength();
    for (int i = 0; i < length; ++i) {
        if (name.GetAt(i) == '\r' || name.GetAt(i) == '\n') {
            length = i;
            break;
        }
    }
    const CString line = name.Left(length);
    if (length == 0)
        return line;

    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    const char first = line.GetAt(0);
    const char last = line.GetAt(length - 1);
    const bool trimmed = blank(first) || blank(last);
    const bool unquoted = length >= 2 && first == last && (first == '"' || first == '\'');
    return trimmed || unquoted ? "\"" + line + "\"" : line;
}

void ReadDeviceTable(LPCSTR pszFile, const DeviceTableArrays& table)
{
    for (int i = 0; i < kDeviceCount; ++i) {
        CString entry;
        entry.Format("%d", i);
        CString defaultName;
        defaultName.Format("ZONE%d", i + 1);

        table.names[i] = ReadText(pszFile, kSectionName, entry, defaultName);
        if (table.names[i].IsEmpty())
            table.names[i] = defaultName;

        table.ipAddresses[i] = GetPrivateProfileIntA(kSectionIP, entry, 0, pszFile);

        table.protectNos[i] = ReadText(pszFile, kSectionProtect, entry, kDefaultProtectNo);
        if (table.protectNos[i].IsEmpty())
            table.protectNos[i] = kDefaultProtectNo;

        table.deviceIds[i] = static_cast<BYTE>(GetPrivateProfileIntA(kSectionDeviceID, entry, 0, pszFile));
        table.transports[i] = static_cast<BYTE>(
            GetPrivateProfileIntA(kSectionTcp, entry, kTransportTcpKeepAlive, pszFile));
    }
}

bool WriteDeviceTable(LPCSTR pszFile, const DeviceTableArrays& table)
{
    return WriteByReplacing(pszFile, table) || WriteEntries(pszFile, table);
}
