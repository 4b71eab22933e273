#include "tests/support/WindowText.h"

std::string WindowText(HWND hWnd)
{
    char text[1024] = {};
    GetWindowTextA(hWnd, text, sizeof text);
    return text;
}

std::wstring WindowTextW(HWND hWnd)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hWnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hWnd, text.data(), static_cast<int>(text.size()))));
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
