// The table laid out as the file's values; the platform writes them, one
// private-profile call each, and replaces the file with them.

#include "settings/DeviceTableFile.h"

#include <cstring>
#include <string>
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

ReplaceResult WriteDeviceTable(LPCSTR pszFile, const DeviceTableArrays& table)
{
    std::vector<ProfileValue> values;
    values.reserve(kDeviceCount * 5);
    for (int i = 0; i < kDeviceCount; ++i) {
        const std::string entry = std::to_string(i);
        values.push_back({kSectionName, entry, static_cast<LPCSTR>(NameForFile(table.names[i]))});
        // Signed decimal, so an address whose first octet is 128 or more is negative.
        values.push_back({kSectionIP, entry, std::to_string(static_cast<int>(table.ipAddresses[i]))});
        values.push_back({kSectionProtect, entry, static_cast<LPCSTR>(table.protectNos[i])});
        values.push_back({kSectionDeviceID, entry, std::to_string(table.deviceIds[i])});
        values.push_back({kSectionTcp, entry, std::to_string(table.transports[i])});
    }
    return ReplaceProfileFile(pszFile, values);
}
