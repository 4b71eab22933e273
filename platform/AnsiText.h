#pragma once
// Text between UTF-16 and the system's ANSI code page, which the settings
// file and the "A" functions use.

#include <windows.h>

// True when all length units of text (up to the first zero when length is
// -1) convert to the ANSI code page and back unchanged: no default character
// and no best-fit stand-in such as 'a' for a-macron.
bool FitsAnsiCodePage(const wchar_t* text, int length = -1);
