#include "framework/CDialog.h"

#include "framework/Accessible.h"
#include "framework/ModuleState.h"

#include <commctrl.h>

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd)
{
    // Its caption is read through the subclass too (WM_GETTEXT).
    m_bUnicode = true;
}

const MessageMap* CDialog::GetThisMessageMap()
{
    static constexpr MessageEntry entries[] = {
        OnCommand<&CDialog::OnOK>(BN_CLICKED, IDOK),
        OnCommand<&CDialog::OnCancel>(BN_CLICKED, IDCANCEL),
    };
    static constexpr MessageMap map{&CWnd::GetThisMessageMap, entries};
    return &map;
}

INT_PTR CDialog::DoModal()
{
    HINSTANCE hInstance = AfxGetInstanceHandle();
    LPCSTR pszTemplate = MAKEINTRESOURCEA(m_nIDTemplate);
    if (!FindResourceA(hInstance, pszTemplate, RT_DIALOG))
        return -1;

    // The common controls' classes must exist before a template names them.
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES | ICC_INTERNET_CLASSES};
    InitCommonControlsEx(&classes);

    // The accessible objects of the dialog's windows live in the thread's apartment.
    const CComApartmentScope apartment;
    HWND hWndParent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    // An ANSI dialog would make its controls' texts pass through the code page.
    return DialogBoxParamW(hInstance, MAKEINTRESOURCEW(m_nIDTemplate), hWndParent, &CDialog::DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* pDialog = reinterpret_cast<CDialog*>(lParam);
    try {
        if (!pDialog->SubclassWindow(hWnd)) {
            ::EndDialog(hWnd, -1);
            return FALSE;
        }
        const BOOL bFocusDefault = pDialog->OnInitDialog();
        pDialog->CenterWindow();
        return bFocusDefault;
    } catch (...) {
        ::EndDialog(hWnd, -1);
        return FALSE;
    }
}

void CDialog::EndDialog(int nResult) const
{
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

RECT CenteredRect(SIZE size, const RECT& reference, const RECT& workArea)
{
    LONG left = reference.left + ((reference.right - reference.left) - size.cx) / 2;
    LONG top = reference.top + ((reference.bottom - reference.top) - size.cy) / 2;
    // Keep it on screen; where it is too large, its top left corner stays visible.
    if (left + size.cx > workArea.right)
        left = workArea.right - size.cx;
    if (top + size.cy > workArea.bottom)
        top = workArea.bottom - size.cy;
    if (left < workArea.left)
        left = workArea.left;
    if (top < workArea.top)
        top = workArea.top;
    return {left, top, left + size.cx, top + size.cy};
}

void CDialog::CenterWindow() const
{
    HWND hWndOwner = ::GetWindow(m_hWnd, GW_OWNER);
    const bool overOwner = hWndOwner && ::IsWindowVisible(hWndOwner) && !::IsIconic(hWndOwner);

    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(overOwner ? hWndOwner : m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor);

    RECT reference = monitor.rcWork;
    if (overOwner)
        ::GetWindowRect(hWndOwner, &reference);
    RECT window;
    GetWindowRect(&window);
    const RECT placed = CenteredRect({window.right - window.left, window.bottom - window.top},
                                     reference, monitor.rcWork);
    ::SetWindowPos(m_hWnd, nullptr, placed.left, placed.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
