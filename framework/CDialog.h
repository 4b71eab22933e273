#pragma once
// Modal dialog from a template in the module's own resources. The dialog and
// the controls its template makes are Unicode windows: their texts keep
// every character whatever the ANSI code page.

#include "framework/CWnd.h"

class CDialog : public CWnd {
public:
    CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }
    static const MessageMap* GetThisMessageMap();

    // Runs the dialog; answers the code it ended with, or -1 when it could not
    // be made.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult) const;

    // Loads the controls from the members; TRUE gives the focus to the first tab stop.
    virtual BOOL OnInitDialog();
    // Saves the controls into the members and ends with IDOK when that succeeds.
    virtual void OnOK();
    virtual void OnCancel();

    // Centres the dialog over its owner when the owner is visible and not
    // minimised, otherwise over its monitor's work area; kept on screen.
    void CenterWindow() const;

protected:
    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};

// Where a window of the given size goes: centred on the reference rectangle,
// then moved inside the work area as far as it fits.
RECT CenteredRect(SIZE size, const RECT& reference, const RECT& workArea);
