#pragma once
// Where the settings file lies.

#include "framework/CString.h"

#include <windows.h>

// Makes each level of subPath (levels separated by backslashes) below the
// shell folder csidl, keeping levels that already exist. True when all exist;
// path then holds the full folder path with a trailing backslash. Levels made
// before a failure stay on disk.
bool ResolveSettingsFolder(CString& path, int csidl, CString subPath);

// The settings file's full path: in the machine-wide settings folder, made if
// missing, or else beside the module hModule.
CString SettingsFilePath(HMODULE hModule);

inline constexpr char kSettingsSubPath[] = "VORMEL\\ORVEXDRIVER";
inline constexpr char kSettingsFileName[] = "orvexd.ini";
