#pragma once
// Thin wrappers of the standard controls that dialogs bind to members.

#include "framework/CWnd.h"

#include <commctrl.h>

class CComboBox : public CWnd {
public:
    int AddString(LPCSTR pszText) const { return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(pszText))); }
    int SetCurSel(int nSelect) const { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(nSelect))); }
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
};

class CButton : public CWnd {
public:
    void SetCheck(int nCheck) const { SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck)); }
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
};

// The common IP address control ("SysIPAddress32"): the first field is the
// address's most significant byte.
class CIPAddressCtrl : public CWnd {
public:
    void SetAddress(DWORD dwAddress) const { SendMessage(IPM_SETADDRESS, 0, static_cast<LPARAM>(dwAddress)); }
    // Answers the number of fields that are not blank; blank fields read as 0.
    int GetAddress(DWORD& dwAddress) const
    {
        dwAddress = 0;
        return static_cast<int>(SendMessage(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&dwAddress)));
    }
};
