#pragma once
// What dialogs need to use a "MACAddr" control: its messages, its style bit
// and the record it reads and writes.

#include <windows.h>

constexpr int kHexFieldCount = 6;

// Fills a HexAddressValue from the six fields. A field reads as the base-16
// number its text starts with; an empty one, or one outside 0 to 255, reads
// as 0 and is rewritten "00". No field fails to read, so wParam (nonzero:
// report a failing field to the user) finds nothing to report. Answers 1, or
// 0 for a null record.
constexpr UINT HFM_GETADDRESS = WM_USER;
// Shows the six bytes of a HexAddressValue. Answers 1, or 0 for a null record.
constexpr UINT HFM_SETADDRESS = WM_USER + 1;
// wParam nonzero makes the fields read-only, 0 editable. Answers 1.
constexpr UINT HFM_SETREADONLY = WM_USER + 2;

// Window style bit: a field that fills up moves on without a range check.
constexpr DWORD HFS_NOCHECK = 0x0001;

struct HexAddressValue {
    BYTE bytes[kHexFieldCount];   // fields 1 to 6, left to right
    INT32 nErrorField;            // the field that failed to read, 1 to 6; always 0, none fails
};
