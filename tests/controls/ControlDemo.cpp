// A dialog holding two hex byte-field controls, an editable one and a
// read-only one, in the settings dialog's font: what scripts/screenshot-control.sh
// shows and photographs. Prints "ready" once the dialog is up and painted;
// Enter, Escape or the close box end it.

#include "controls/IPAddrCtl.h"
#include "tests/support/DialogTemplate.h"

#include <cstdio>

namespace {

constexpr WORD kEditable = 1015;
constexpr WORD kReadOnly = 1016;

void Show(HWND hDlg, WORD id, const HexAddressValue& value)
{
    SendDlgItemMessageA(hDlg, id, HFM_SETADDRESS, 0, reinterpret_cast<LPARAM>(&value));
}

INT_PTR CALLBACK DemoProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        Show(hDlg, kEditable, {{0x00, 0x1B, 0xDD, 0x7F, 0xA0, 0xFF}, 0});
        Show(hDlg, kReadOnly, {{0xC0, 0xFF, 0xEE, 0x12, 0x34, 0x56}, 0});
        SendDlgItemMessageA(hDlg, kReadOnly, HFM_SETREADONLY, 1, 0);
        SetFocus(GetDlgItem(hDlg, IDOK));
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            DestroyWindow(hDlg);
            PostQuitMessage(0);
        }
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(hDlg);
        PostQuitMessage(0);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

int main()
{
    DialogTemplate t("Hex byte-field control",
                     WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME | DS_CENTER, 152, 64);
    t.Add("STATIC", "Protect No.", WS_VISIBLE | SS_LEFT, 8, 10, 50, 8, 0xFFFF);
    t.Add("MACAddr", "", WS_VISIBLE | WS_BORDER | WS_TABSTOP, 64, 8, 80, 12, kEditable);
    t.Add("STATIC", "Read-only:", WS_VISIBLE | SS_LEFT, 8, 28, 50, 8, 0xFFFF);
    t.Add("MACAddr", "", WS_VISIBLE | WS_BORDER | WS_TABSTOP, 64, 26, 80, 12, kReadOnly);
    t.Add("BUTTON", "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 94, 44, 50, 14, IDOK);

    HWND hDlg = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr, &DemoProc, 0);
    if (!hDlg)
        return 1;
    UpdateWindow(hDlg);

    bool announced = false;
    MSG msg;
    for (;;) {
        if (!announced && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            std::puts("ready");
            std::fflush(stdout);
            announced = true;
        }
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0)
            break;
        if (!IsDialogMessageA(hDlg, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return 0;
}
