#pragma once
// The settings file through one private-profile call per value: the way the
// table was read and written before, kept as the measure of the applet's own
// reading and writing.

#include "settings/DeviceTableFile.h"

#include <string>
#include <vector>

// The five arrays of one table, owned.
struct OwnedTable {
    CString names[kDeviceCount];
    DWORD ips[kDeviceCount] = {};
    CString protects[kDeviceCount];
    BYTE ids[kDeviceCount] = {};
    BYTE transports[kDeviceCount] = {};

    DeviceTableArrays Arrays() { return {names, ips, protects, ids, transports}; }
    bool operator==(const OwnedTable& other) const;
};

// 1,280 GetPrivateProfileStringA and GetPrivateProfileIntA calls.
void ReadTablePerEntry(LPCSTR file, OwnedTable& table);
// One WritePrivateProfileStringA call per value.
void WriteValuesPerEntry(LPCSTR file, const std::vector<ProfileValue>& values);

// Dates a file minutes back, out of the profile functions' cache: their reader
// rereads a file on every call while its last write is a moment old.
void DateBack(const std::string& file);
