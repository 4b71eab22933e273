// Every value goes through the private-profile functions one at a time, with
// no cache: the file changes value by value, as the driver may see it.

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

} // namespace

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
    bool allWritten = true;
    for (int i = 0; i < kDeviceCount; ++i) {
        CString entry;
        entry.Format("%d", i);
        allWritten &= WritePrivateProfileStringA(kSectionName, entry, table.names[i], pszFile) != FALSE;
        allWritten &= WriteNumber(pszFile, kSectionIP, entry, static_cast<int>(table.ipAddresses[i]));
        allWritten &= WritePrivateProfileStringA(kSectionProtect, entry, table.protectNos[i], pszFile) != FALSE;
        allWritten &= WriteNumber(pszFile, kSectionDeviceID, entry, table.deviceIds[i]);
        allWritten &= WriteNumber(pszFile, kSectionTcp, entry, table.transports[i]);
    }
    return allWritten;
}
