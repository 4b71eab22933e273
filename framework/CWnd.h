#pragma once
// A window object: a window handle plus behaviour. Objects are bound to their
// windows through a handle map; a subclassed window's messages go through the
// object's message map, and what it leaves to default processing goes to the
// window's own procedure. An object that ends itself (PostNcDestroy) does so
// only once no handler of it, or of an object it owns, is running any more.

#include "framework/CString.h"
#include "framework/CStringW.h"
#include "framework/MessageMap.h"
#include "framework/RuntimeClass.h"

class CDataExchange;

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    ~CWnd() override;

    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }
    static const MessageMap* GetThisMessageMap();
    virtual const CRuntimeClass* GetRuntimeClass() const;

    HWND m_hWnd = nullptr;
    operator HWND() const { return m_hWnd; }

    // The object bound to a window. A window that has none gets a plain CWnd
    // wrapper, so the result is null only for null; the wrapper lasts as long
    // as its window, so do not keep it beyond that.
    static CWnd* FromHandle(HWND hWnd);
    // The bound object, or null when the window has none.
    static CWnd* FromHandlePermanent(HWND hWnd);
    // Bound objects and wrappers the framework holds now.
    static size_t GetHandleMapSize();

    BOOL Attach(HWND hWnd);
    HWND Detach();
    // Binds the object and routes the window's messages through it.
    BOOL SubclassWindow(HWND hWnd);
    HWND UnsubclassWindow();

    // Creates a child window of a registered class and subclasses it.
    BOOL CreateChild(LPCSTR pszClassName, LPCSTR pszText, DWORD dwStyle, const RECT& rect,
                     CWnd* pParent, UINT nID);
    BOOL DestroyWindow();

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Default processing of the message being handled.
    LRESULT Default();
    // Called after the window is gone and the object unbound, once the
    // outermost message to it, or to an object it owns, has returned.
    virtual void PostNcDestroy() {}
    // The name screen readers get for the window; empty leaves the platform's.
    // By default a child window's label on its row (framework/Accessible.h).
    virtual CStringW GetAccessibleName() const;

    virtual void DoDataExchange(CDataExchange* pDX);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    CWnd* SetFocus() const;
    void SetWindowText(LPCSTR pszText) const;
    void GetWindowText(CString& text) const;
    int GetWindowTextLength() const;
    BOOL EnableWindow(BOOL bEnable = TRUE) const;
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE) const;
    BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0) const;
    void GetClientRect(LPRECT pRect) const;
    void GetWindowRect(LPRECT pRect) const;
    void Invalidate(BOOL bErase = TRUE) const;
    CWnd* GetDlgItem(int nID) const;
    int GetDlgCtrlID() const;

protected:
    // Set before the window is subclassed: its messages then reach the object,
    // and its own procedure, as UTF-16 (WM_CHAR included), so that no text
    // passes through the ANSI code page on the way.
    bool m_bUnicode = false;

    // For an object that lives inside pOwner (a part of a composite control):
    // while a message to this window is handled, pOwner does not end either.
    void SetLifetimeOwner(CWnd* pOwner) { m_pLifetimeOwner = pOwner; }

private:
    struct CurrentMessage {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    CurrentMessage m_current{};
    WNDPROC m_pfnSuper = nullptr;
    CWnd* m_pLifetimeOwner = nullptr;
    int m_nMessagesInProgress = 0;   // to this object or to objects it owns
    bool m_bEndPending = false;      // WM_NCDESTROY seen while messages were in progress

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
};

// The text of any window, ours or not.
CString AfxGetWindowText(HWND hWnd);

// The framework's window procedure for subclassed windows.
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
