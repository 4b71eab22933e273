#pragma once
// The settings file: one section per field, one entry per slot. The driver
// reads the same file, so its layout and value texts are fixed.

#include "framework/CString.h"
#include "settings/DeviceTable.h"

// The five parallel arrays of one device table, indexed by slot; their owner
// keeps them as members of its own.
struct DeviceTableArrays {
    CString (&names)[kDeviceCount];
    DWORD (&ipAddresses)[kDeviceCount];     // first dotted octet in the high byte
    CString (&protectNos)[kDeviceCount];
    BYTE (&deviceIds)[kDeviceCount];
    BYTE (&transports)[kDeviceCount];       // TransportMode, whatever the file held
};

// Reads all 256 slots from pszFile, with the defaults for what it lacks.
void ReadDeviceTable(LPCSTR pszFile, const DeviceTableArrays& table);
// Writes all 256 slots to pszFile; false when any write failed (every write
// is still attempted).
bool WriteDeviceTable(LPCSTR pszFile, const DeviceTableArrays& table);
