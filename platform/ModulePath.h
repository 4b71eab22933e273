#pragma once
// Where a module's file lies.

#include "framework/CString.h"

// The full path of a loaded module's file (at most MAX_PATH characters).
CString GetModuleFilePath(HMODULE hModule);

// The drive and directory of a full path, ending in its last separator:
// "C:\Program Files\Kestrune.cpl" gives "C:\Program Files\". The drive is the
// first two characters when the second is a colon; the directory part is cut
// to 255 characters, as the C runtime's path splitting does.
CString DriveAndDirectory(LPCSTR pszPath);
