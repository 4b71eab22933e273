#pragma once
// Edit control.

#include "framework/CWnd.h"

class CEdit : public CWnd {
public:
    const CRuntimeClass* GetRuntimeClass() const override;

    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParent, UINT nID)
    {
        return CreateChild("EDIT", "", dwStyle, rect, pParent, nID);
    }
    void SetSel(int nStart, int nEnd) const { SendMessage(EM_SETSEL, static_cast<WPARAM>(nStart), nEnd); }
    void SetLimitText(UINT nMax) const { SendMessage(EM_LIMITTEXT, nMax); }
    BOOL SetReadOnly(BOOL bReadOnly = TRUE) const { return static_cast<BOOL>(SendMessage(EM_SETREADONLY, bReadOnly)); }
    void ScrollCaret() const { SendMessage(EM_SCROLLCARET); }
    // The character index nearest a client point.
    int CharFromPos(POINT pt) const
    {
        return LOWORD(SendMessage(EM_CHARFROMPOS, 0, MAKELPARAM(pt.x, pt.y)));
    }
};
