#pragma once
// A device's protect number: hexadecimal text in the table and the settings
// file, six bytes in the dialog's hex field control.

#include "framework/CString.h"

#include <windows.h>

// Byte 0 is the leftmost field and the first two characters of the text.
using ProtectBytes = BYTE[6];

// Lenient: short text is filled up with "0" on the right, characters after the
// twelfth are ignored, and each pair of characters is read by HexPairToByte.
// Writes only the six bytes, so a caller may pass the head of a larger record.
void ProtectTextToBytes(ProtectBytes& bytes, CString text);

// Reads the first two characters as a base-16 number (ParseHexNumber) and
// keeps the low eight bits, so "-3" gives 0xFD.
void HexPairToByte(BYTE& byte, CString text);

// Always twelve lowercase hexadecimal digits, two per byte.
void ProtectBytesToText(const ProtectBytes& bytes, CString& text);
