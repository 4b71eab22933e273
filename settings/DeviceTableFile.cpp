// The table laid out as the file's values, and read back from the file's
// five sections.

#include "settings/DeviceTableFile.h"

#include "platform/ProfileView.h"

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

// The reader's text of an entry, or fallback where it gives that or an
// empty text: the file gives what it holds, and no more.
CString TextOf(const ProfileEntryIndex& section, LPCSTR entry, LPCSTR fallback)
{
    const auto stored = section.Find(entry);
    const std::string text = stored ? ProfileReaderText(*stored) : std::string();
    return text.empty() ? CString(fallback) : CString(text.c_str());
}

UINT NumberOf(const ProfileEntryIndex& section, LPCSTR entry, UINT fallback)
{
    const auto stored = section.Find(entry);
    return stored ? ProfileReaderNumber(*stored, fallback) : fallback;
}

} // namespace

CString NameForFile(const CString& name)
{
    const int length = static_cast<int>(std::strcspn(name, "\r\n"));
    const CString line = name.Left(length);
    if (length == 0)
        return line;

    const char first = line.GetAt(0);
    const char last = line.GetAt(length - 1);
    const bool trimmed = IsProfileBlank(first) || IsProfileBlank(last);
    const bool unquoted = length >= 2 && first == last && (first == '"' || first == '\'');
    // The quotes must fit in what the reader returns, or they would stay.
    return (trimmed || unquoted) && length + 2 <= kDeviceNameLimit ? "\"" + line + "\"" : line;
}

bool NameFitsFile(const CString& name)
{
    const std::string stored(TrimProfileBlanks(static_cast<LPCSTR>(NameForFile(name))));
    return ProfileReaderText(stored) == static_cast<LPCSTR>(name);
}

void ReadDeviceTable(LPCSTR pszFile, const DeviceTableArrays& table)
{
    // One read per section: the profile functions still parse the file, and
    // each entry is taken from its lines as a read of its own would give it.
    const ProfileSectionLines lines[] = {
        ReadProfileSection(pszFile, kSectionName),     ReadProfileSection(pszFile, kSectionIP),
        ReadProfileSection(pszFile, kSectionProtect),  ReadProfileSection(pszFile, kSectionDeviceID),
        ReadProfileSection(pszFile, kSectionTcp),
    };
    const ProfileEntryIndex names(lines[0]), ips(lines[1]), protects(lines[2]), ids(lines[3]), transports(lines[4]);
    for (int i = 0; i < kDeviceCount; ++i) {
        char entry[8], defaultName[16];
        wsprintfA(entry, "%d", i);
        wsprintfA(defaultName, "ZONE%d", i + 1);
        table.names[i] = TextOf(names, entry, defaultName);
        table.ipAddresses[i] = NumberOf(ips, entry, 0);
        table.protectNos[i] = TextOf(protects, entry, kDefaultProtectNo);
        table.deviceIds[i] = static_cast<BYTE>(NumberOf(ids, entry, 0));
        table.transports[i] = static_cast<BYTE>(NumberOf(transports, entry, kTransportTcpKeepAlive));
    }
}

std::vector<ProfileValue> DeviceTableValues(const DeviceTableArrays& table)
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
    return values;
}

ReplaceResult WriteDeviceTable(LPCSTR pszFile, const DeviceTableArrays& table)
{
    return ReplaceProfileFile(pszFile, DeviceTableValues(table));
}
