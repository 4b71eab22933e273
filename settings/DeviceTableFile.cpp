// Every value goes through the private-profile functions one at a time, with
// no cache of our own, into a copy that replaces the file when complete.

#include "settings/DeviceTableFile.h"

#include <cstring>
#include <vector>

namespace {

constexpr char kSectionName[] = "Device Name";
constexpr char kSectionIP[] = "IP Address";
constexpr char kSectionProtect[] = "Protect No";
constexpr char kSectionDeviceID[] = "Device ID";
constexpr char kSectionTcp[] = "Tcp";

constexpr char kDefaultProtectNo[] = "00";

// A value of at most kDeviceNameLimit characters, all the reader returns.
CString ReadText(LPCSTR pszFile, LPCSTR pszSection, LPCSTR pszEntry, LPCSTR pszDefault)
{
    constexpr int kBufferSize = kDeviceNameLimit + 1;
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

// Gives the copy the file's access rules, which an administrator may have
// set on the file alone. (Its attributes came with the copy.)
bool TakeAccessRules(LPCSTR pszCopy, LPCSTR pszFile)
{
    DWORD size = 0;
    GetFileSecurityA(pszFile, DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    if (size == 0)
        return false;
    std::vector<BYTE> descriptor(size);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!GetFileSecurityA(pszFile, DACL_SECURITY_INFORMATION, descriptor.data(), size, &size)
        || !GetSecurityDescriptorControl(descriptor.data(), &control, &revision))
        return false;
    const SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION
        | ((control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION);
    return SetFileSecurityA(pszCopy, what, descriptor.data()) != FALSE;
}

// One rename puts the copy in place, so that the file is never missing: the
// platform's ReplaceFile may move the old file aside first (Wine does). A
// reader that holds the file open a moment (the driver, a virus scanner)
// makes it fail with a sharing violation: a few short tries.
bool PutInPlace(LPCSTR pszCopy, LPCSTR pszFile, bool replace)
{
    constexpr int kTries = 20;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if (attempt > 0)
            Sleep(attempt < 5 ? 1 : 10);
        // A file that appeared meanwhile is not replaced by one made without it.
        if (MoveFileExA(pszCopy, pszFile, (replace ? MOVEFILE_REPLACE_EXISTING : 0) | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        // Access is also denied to a file whose deletion is pending.
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION && error != ERROR_ACCESS_DENIED)
            return false;
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
    if (!fileExisted && GetLastError() != ERROR_FILE_NOT_FOUND)
        return false;
    // A read-only file stays as it is, and a read-only copy could not be removed.
    if (fileExisted && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
        return false;
    if (fileExisted && !CopyFileA(pszFile, copy, TRUE))
        return false;

    FlushProfileCache(copy);
    bool done = WriteEntries(copy, table);
    FlushProfileCache(copy);
    done = done && FlushToDisk(copy) && (!fileExisted || TakeAccessRules(copy, pszFile)) && PutInPlace(copy, pszFile, fileExisted);
    if (!done)
        DeleteFileA(copy);
    return done;
}

} // namespace

CString NameForFile(const CString& name)
{
    const int length = static_cast<int>(std::strcspn(name, "\r\n"));
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
