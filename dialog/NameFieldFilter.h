#pragma once
// The device name field takes only what the settings file can hold:
// characters of the ANSI code page, on one line. A character it refuses,
// typed or pasted, is not entered, and the field's balloon says why.

#include <windows.h>

// Subclasses the edit hWnd for the rest of its life.
void FilterNameInput(HWND hWnd);
