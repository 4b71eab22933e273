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
// is still attempted). The values go into a copy beside it (of the file, when
// there is one), which then takes the file's place in one step, with the
// file's access rules and attributes: a reader, or a save cut short, sees the
// whole old table or the whole new one. Where the folder or the file allows
// no such copy or rename, the values are written into the file itself.
bool WriteDeviceTable(LPCSTR pszFile, const DeviceTableArrays& table);

// The copy's name is the file's with this added; one left by a save cut short
// is removed by the next save.
inline constexpr char kSaveCopySuffix[] = ".saving";

// A name as written to the file, such that the profile reader returns it as
// given: a name that the reader would trim (blanks or tabs at either end) or
// unquote (the same quote, ' or ", at both ends) is enclosed in double quotes,
// which the reader strips; any other name is written as it is. A value is one
// line, so whatever follows a line break is left out.
CString NameForFile(const CString& name);
