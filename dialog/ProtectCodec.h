#pragma once
// Placeholder until the codec lands on main: same interface, minimal body.

#include "framework/CString.h"

#include <windows.h>

using ProtectBytes = BYTE[6];

void ProtectTextToBytes(ProtectBytes& bytes, CString text);
void HexPairToByte(BYTE& byte, CString text);
void ProtectBytesToText(const ProtectBytes& bytes, CString& text);
