#pragma once
// Names for screen readers. Windows names a control after the static label
// just before it in z-order, which a template that lists its labels last does
// not have; so a wrapped child window is named after the label on its row, to
// its left, within its parent. Active Accessibility clients get the name from
// an object that leaves everything else to the platform's own object for the
// window. The objects live in the window thread's single-threaded apartment;
// on any other thread the platform's object answers as before.

#include "framework/CStringW.h"

#include <objbase.h>

class CWnd;

// The name a client reads for the window's client area: the wrapped window's
// own, else the platform's.
CStringW AfxGetAccessibleName(HWND hWnd);

// The framework's part of WM_GETOBJECT and WM_NCDESTROY for a wrapped window:
// answers true, with the result, for a request it answers itself. At
// WM_NCDESTROY it disconnects the window's object from every client.
bool AfxAccessibleMessage(CWnd& wnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

// Accessible objects made and not yet deleted, in this module.
LONG AfxLiveAccessibleObjects();

// COM on the calling thread for a modal run: a single-threaded apartment
// while the run lasts, when the thread has none; a thread that already has an
// apartment keeps it as it is.
class CComApartmentScope {
public:
    CComApartmentScope() : m_hr(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~CComApartmentScope()
    {
        // RPC_E_CHANGED_MODE: the host's multi-threaded apartment, not ours to end.
        if (m_hr == S_OK || m_hr == S_FALSE)
            CoUninitialize();
    }
    CComApartmentScope(const CComApartmentScope&) = delete;
    CComApartmentScope& operator=(const CComApartmentScope&) = delete;

private:
    HRESULT m_hr;
};
