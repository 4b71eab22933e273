#pragma once
// What a window shows, read for checks.

#include <windows.h>

#include <string>

std::string WindowText(HWND hWnd);
// The whole text as UTF-16, also where the ANSI text would show a '?'.
std::wstring WindowTextW(HWND hWnd);
std::string DlgItemText(HWND dialog, int id);
std::string ClassName(HWND hWnd);
