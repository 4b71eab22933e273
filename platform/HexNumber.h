#pragma once
// Text read as a base-16 number by the C runtime's strtol rule.

#include <windows.h>

// Leading white space, one sign, an optional "0x" or "0X" before a digit,
// then digits of either case up to the first that is not one; no digits give
// 0, and a value beyond a long saturates as strtol's does. Written out rather
// than taken from the runtime, whose white space follows the host process's
// locale.
long ParseHexNumber(LPCSTR pszText);
