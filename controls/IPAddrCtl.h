#pragma once
// The hex byte-field control: six bytes shown as six two-digit hexadecimal
// fields with a narrow gap between neighbours. Dialog templates place it by
// the window class "MACAddr"; the object is made when its window is, and
// deletes itself once its window is destroyed and the outermost message to it
// or to one of its fields has returned.

#include "controls/HexAddress.h"
#include "controls/HexFieldEdit.h"
#include "controls/HexFieldFont.h"
#include "framework/CDataExchange.h"
#include "platform/ThemedEditFrame.h"

class CIPAddrCtl : public CWnd {
public:
    CIPAddrCtl() = default;

    static const CRuntimeClass classCIPAddrCtl;
    static CWnd* CreateObject();
    const CRuntimeClass* GetRuntimeClass() const override { return &classCIPAddrCtl; }

    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }
    static const MessageMap* GetThisMessageMap();

    // Field n (1 to 6), or null.
    CHexFieldEdit* GetField(int n);
    // Reads one field as 0 to 255; an empty field or one out of range reads
    // as 0 and shows "00". Never fails.
    BOOL ParseField(CHexFieldEdit& field, int& value);
    // Navigation between fields and out of the control, as the fields ask for
    // it: Tab and Shift+Tab to the parent's next or previous tab item, Enter to
    // the parent's default button, blank and '.' to the next field with its
    // text selected, kFieldFull the same after the range check, VK_RIGHT and
    // VK_LEFT to the next and previous field as they are.
    void OnChildChar(UINT nChar, UINT nRepCnt, UINT nFlags, CHexFieldEdit* pField);

    // The range check of a field that has just become full: a value outside 0
    // to 255 resets it to "00" and keeps the focus in it; answers FALSE then.
    BOOL CheckFullField(CHexFieldEdit& field);
    // Shows at once a change of the frame's state (focus, enabled, read-only).
    void UpdateFrame();

    CHexFieldEdit m_Field[kHexFieldCount];
    RECT m_rcField[kHexFieldCount] = {};
    RECT m_rcSeparator[kHexFieldCount - 1] = {};
    BOOL m_bEnabled = TRUE;
    BOOL m_bReadOnly = FALSE;
    BOOL m_bNoCheck = FALSE;
    CHexFieldFont m_FieldFont;
    ThemedEditFrame m_Frame;

protected:
    void PostNcDestroy() override;

private:
    LRESULT OnCreate(WPARAM wParam, LPARAM lParam);
    LRESULT OnSize(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetFocus(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaint(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcPaint(WPARAM wParam, LPARAM lParam);
    LRESULT OnThemeChanged(WPARAM wParam, LPARAM lParam);
    ThemedEditFrame::State FrameState() const;
    LRESULT OnEraseBkgnd(WPARAM wParam, LPARAM lParam);
    LRESULT OnEnable(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetFont(WPARAM wParam, LPARAM lParam);
    LRESULT OnClose(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetAddress(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetAddress(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetReadOnly(WPARAM wParam, LPARAM lParam);
};

// Registers the process-wide window class "MACAddr"; done once while the
// library starts up. The library unregisters it when it is unloaded, if its
// own registration succeeded.
BOOL RegisterMACAddrClass();
// Removes the class when it is this module's and no window of it is left.
BOOL UnregisterMACAddrClass();
LRESULT CALLBACK MACAddrWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Exchanges six bytes with the "MACAddr" control of the given id.
void DDX_HexAddress(CDataExchange* pDX, int nIDC, BYTE (&value)[kHexFieldCount]);
