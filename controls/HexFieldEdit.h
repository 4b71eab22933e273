#pragma once
// One two-digit field of a CIPAddrCtl. Its control id is its field number, 1 to 6.
// It takes hexadecimal digits and control characters (ClassifyFieldChar); it
// hands every move between fields, and Tab and Enter out of the control, to
// its owner, and Escape to the dialog that holds the control.

#include "framework/CEdit.h"

class CIPAddrCtl;

class CHexFieldEdit : public CEdit {
public:
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }
    static const MessageMap* GetThisMessageMap();

    // The control the field belongs to: it lives inside it, and must not end
    // while one of the field's messages is handled.
    void SetAddrCtl(CIPAddrCtl* pAddrCtl);
    // The fields have no labels of their own: "<control's name> byte n of 6".
    CStringW GetAccessibleName() const override;

    CIPAddrCtl* m_pAddrCtl = nullptr;

private:
    LRESULT OnChar(WPARAM wParam, LPARAM lParam);
    LRESULT OnKeyDown(WPARAM wParam, LPARAM lParam);
    LRESULT OnFocusChange(WPARAM wParam, LPARAM lParam);
    // Escape inside a dialog cancels it; answers whether it did.
    bool CancelDialog() const;
};
