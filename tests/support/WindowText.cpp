#include "tests/support/WindowText.h"

std::string WindowText(HWND hWnd)
{
    char text[1024] = {};
    GetWindowTextA(hWnd, text, sizeof text);
    return text;
}

std::string DlgItemText(HWND dialog, int id)
{
    return WindowText(GetDlgItem(dialog, id));
}

std::string ClassName(HWND hWnd)
{
    char name[256] = {};
    GetClassNameA(hWnd, name, sizeof name);
    return name;
}
