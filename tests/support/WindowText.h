#pragma once
// What a window shows, read for checks.

#include <windows.h>

#include <string>

std::string WindowText(HWND hWnd);
std::string DlgItemText(HWND dialog, int id);
std::string ClassName(HWND hWnd);
