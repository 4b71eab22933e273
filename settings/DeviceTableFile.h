#pragma once
// The settings file: one section per field, one entry per slot. The driver
// reads the same file, so its layout and value texts are fixed.

#include "framework/CString.h"
#include "platform/ProfileReplace.h"
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
// Writes all 256 slots to pszFile, each slot's five values in the order of
// the sections, and replaces the file with them as a whole (see
// ReplaceProfileFile): a reader, or a save cut short, sees the whole old
// table or the whole new one. The result says which step failed and why.
ReplaceResult WriteDeviceTable(LPCSTR pszFile, const DeviceTableArrays& table);
// The table as the file's values, slot by slot, each slot's five in the
// order of the sections: what one private-profile write each would write.
std::vector<ProfileValue> DeviceTableValues(const DeviceTableArrays& table);

// A name as written to the file, such that the profile reader returns it as
// given: a name that the reader would trim (0x09-0x0D, ^Z or a blank at
// either end) or unquote (the same quote, ' or ", at both ends) is enclosed
// in double quotes, which the reader strips, where they fit in the reader's
// 4,095 characters; any other name is written as it is. A value is one line,
// so whatever follows a line break is left out.
CString NameForFile(const CString& name);
// True when the file gives name back as it is.
bool NameFitsFile(const CString& name);
