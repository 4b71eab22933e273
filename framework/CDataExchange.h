#pragma once
// Dialog data exchange: moves values between a dialog's members and its
// controls, in one direction per run. A failed exchange abandons the rest of
// the run; a failed save also focuses the control that failed.

#include <windows.h>

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    // The control with the given id; fails the exchange when the dialog has none.
    HWND PrepareCtrl(int nIDC);
    // Abandons the exchange, after focusing the last prepared control when it
    // saves; UpdateData then answers FALSE.
    [[noreturn]] void Fail();

    BOOL m_bSaveAndValidate;   // TRUE: controls to members
    CWnd* m_pDlgWnd;
    HWND m_hWndLastControl = nullptr;

    struct Failure {};
};

// Binds a control member to the dialog's child with the given id, once.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
