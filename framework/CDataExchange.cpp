#include "framework/CDataExchange.h"

#include "framework/CWnd.h"

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    HWND hWndCtrl = ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
    m_hWndLastControl = hWndCtrl;
    if (!hWndCtrl)
        Fail();
    return hWndCtrl;
}

void CDataExchange::Fail()
{
    // Only a save can be corrected by the user, so only a save points at the control.
    if (m_bSaveAndValidate && m_hWndLastControl)
        ::SetFocus(m_hWndLastControl);
    throw Failure{};
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd)
        return;
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (!rControl.SubclassWindow(hWndCtrl))
        pDX->Fail();
}
