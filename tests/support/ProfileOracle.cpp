#include "tests/support/ProfileOracle.h"

bool OwnedTable::operator==(const OwnedTable& other) const
{
    for (int i = 0; i < kDeviceCount; ++i)
        if (!(names[i] == other.names[i]) || ips[i] != other.ips[i] || !(protects[i] == other.protects[i])
            || ids[i] != other.ids[i] || transports[i] != other.transports[i])
            return false;
    return true;
}

void ReadTablePerEntry(LPCSTR file, OwnedTable& table)
{
    for (int i = 0; i < kDeviceCount; ++i) {
        char entry[8], fallback[16], text[4096];
        wsprintfA(entry, "%d", i);
        wsprintfA(fallback, "ZONE%d", i + 1);
        GetPrivateProfileStringA("Device Name", entry, fallback, text, sizeof text, file);
        table.names[i] = *text ? text : fallback;
        table.ips[i] = GetPrivateProfileIntA("IP Address", entry, 0, file);
        GetPrivateProfileStringA("Protect No", entry, "00", text, sizeof text, file);
        table.protects[i] = *text ? text : "00";
        table.ids[i] = static_cast<BYTE>(GetPrivateProfileIntA("Device ID", entry, 0, file));
        table.transports[i] = static_cast<BYTE>(GetPrivateProfileIntA("Tcp", entry, 1, file));
    }
}

void WriteValuesPerEntry(LPCSTR file, const std::vector<ProfileValue>& values)
{
    for (const ProfileValue& value : values)
        WritePrivateProfileStringA(value.section, value.entry.c_str(), value.value.c_str(), file);
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, file);
}

void DateBack(const std::string& file)
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
    FILETIME minutesAgo;
    GetSystemTimeAsFileTime(&minutesAgo);
    minutesAgo.dwHighDateTime -= 1;   // 2^32 units of 100 ns: about seven minutes
    const HANDLE handle = CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(handle, nullptr, nullptr, &minutesAgo);
    CloseHandle(handle);
}
