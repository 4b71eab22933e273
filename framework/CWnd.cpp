#include "framework/CWnd.h"

#include "framework/Accessible.h"
#include "framework/CDataExchange.h"
#include "framework/ModuleState.h"

#include <iterator>
#include <memory>
#include <unordered_map>

namespace {

// Windows live on the host's user-interface thread, and so do these maps.
std::unordered_map<HWND, CWnd*>& PermanentMap()
{
    static std::unordered_map<HWND, CWnd*> map;
    return map;
}

// Plain wrappers for windows that no object of ours is bound to. They hold
// nothing but the handle; those whose windows are gone are dropped whenever a
// new one is made, so the map never outgrows the windows still wrapped.
std::unordered_map<HWND, std::unique_ptr<CWnd>>& WrapperMap()
{
    static std::unordered_map<HWND, std::unique_ptr<CWnd>> map;
    return map;
}

} // namespace

CWnd::~CWnd()
{
    if (m_hWnd) {
        if (m_pfnSuper)
            UnsubclassWindow();
        else
            Detach();
    }
}

const MessageMap* CWnd::GetThisMessageMap()
{
    static constexpr MessageMap map{&CCmdTarget::GetThisMessageMap, {}};
    return &map;
}

const CRuntimeClass* CWnd::GetRuntimeClass() const
{
    static constexpr CRuntimeClass runtimeClass{"CWnd", nullptr};
    return &runtimeClass;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    const auto found = PermanentMap().find(hWnd);
    return found == PermanentMap().end() ? nullptr : found->second;
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    if (!hWnd)
        return nullptr;
    if (CWnd* bound = FromHandlePermanent(hWnd))
        return bound;
    auto& wrappers = WrapperMap();
    if (const auto found = wrappers.find(hWnd); found != wrappers.end())
        return found->second.get();
    std::erase_if(wrappers, [](const auto& entry) { return !::IsWindow(entry.first); });
    auto wrapper = std::make_unique<CWnd>();
    wrapper->m_hWnd = hWnd;
    return wrappers.emplace(hWnd, std::move(wrapper)).first->second.get();
}

size_t CWnd::GetHandleMapSize()
{
    return PermanentMap().size() + WrapperMap().size();
}

BOOL CWnd::Attach(HWND hWnd)
{
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd))
        return FALSE;
    PermanentMap()[hWnd] = this;
    m_hWnd = hWnd;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd) {
        const auto found = PermanentMap().find(hWnd);
        if (found != PermanentMap().end() && found->second == this)
            PermanentMap().erase(found);
    }
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!Attach(hWnd))
        return FALSE;
    const auto setProc = m_bUnicode ? &SetWindowLongPtrW : &SetWindowLongPtrA;
    m_pfnSuper = reinterpret_cast<WNDPROC>(setProc(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    if (!m_pfnSuper) {
        Detach();
        return FALSE;
    }
    return TRUE;
}

HWND CWnd::UnsubclassWindow()
{
    // Read and set as it was set: the other kind answers a handle that converts.
    const auto getProc = m_bUnicode ? &GetWindowLongPtrW : &GetWindowLongPtrA;
    const auto setProc = m_bUnicode ? &SetWindowLongPtrW : &SetWindowLongPtrA;
    if (m_pfnSuper && m_hWnd && getProc(m_hWnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&AfxWndProc))
        setProc(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    return Detach();
}

BOOL CWnd::CreateChild(LPCSTR pszClassName, LPCSTR pszText, DWORD dwStyle, const RECT& rect,
                       CWnd* pParent, UINT nID)
{
    HWND hWnd = CreateWindowExA(0, pszClassName, pszText, dwStyle | WS_CHILD,
                                rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                                pParent ? pParent->m_hWnd : nullptr,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)),
                                AfxGetInstanceHandle(), nullptr);
    if (!hWnd)
        return FALSE;
    if (!SubclassWindow(hWnd)) {
        ::DestroyWindow(hWnd);
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    return m_hWnd && ::DestroyWindow(m_hWnd);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    struct Restore {
        CurrentMessage& current;
        CurrentMessage saved;
        ~Restore() { current = saved; }
    } restore{m_current, m_current};
    m_current = {message, wParam, lParam};

    if (LRESULT answered = 0; AfxAccessibleMessage(*this, message, wParam, lParam, answered))
        return answered;
    if (const MessageEntry* entry = FindMessageEntry(GetMessageMap(), message, wParam))
        return entry->invoke(this, wParam, lParam);
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return (m_bUnicode ? CallWindowProcW : CallWindowProcA)(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return (m_bUnicode ? ::DefWindowProcW : ::DefWindowProcA)(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam);
}

void CWnd::DoDataExchange(CDataExchange*)
{
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    try {
        DoDataExchange(&dx);
        return TRUE;
    } catch (const CDataExchange::Failure&) {
        return FALSE;
    }
}

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (!pWnd)
        return (IsWindowUnicode(hWnd) ? ::DefWindowProcW : ::DefWindowProcA)(hWnd, message, wParam, lParam);

    // A handler may destroy its own window, or its owner's (Enter in a field
    // that makes a dialog close): the object and those holding it must not
    // end before this message is done with them.
    CWnd* keep[4];   // the object and up to three that hold it
    size_t nKeep = 0;
    for (CWnd* p = pWnd; p && nKeep < std::size(keep); p = p->m_pLifetimeOwner) {
        ++p->m_nMessagesInProgress;
        keep[nKeep++] = p;
    }

    LRESULT result = 0;
    try {
        result = pWnd->WindowProc(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind into the window manager; the message fails quietly.
        result = message == WM_NCCREATE ? FALSE : 0;
    }

    if (message == WM_NCDESTROY) {
        // The window is gone: unbind, and let the object end itself, if it owns
        // its life, when its last message is done.
        pWnd->UnsubclassWindow();
        WrapperMap().erase(hWnd);
        pWnd->m_bEndPending = true;
    }
    // Innermost first: an owner that ends takes the objects inside it along.
    for (size_t i = 0; i < nKeep; ++i) {
        CWnd* p = keep[i];
        if (--p->m_nMessagesInProgress == 0 && p->m_bEndPending) {
            p->m_bEndPending = false;
            p->PostNcDestroy();
        }
    }
    return result;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

CWnd* CWnd::SetFocus() const
{
    return FromHandle(::SetFocus(m_hWnd));
}

void CWnd::SetWindowText(LPCSTR pszText) const
{
    ::SetWindowTextA(m_hWnd, pszText);
}

void CWnd::GetWindowText(CString& text) const
{
    text = AfxGetWindowText(m_hWnd);
}

CString AfxGetWindowText(HWND hWnd)
{
    CString text;
    const int length = ::GetWindowTextLengthA(hWnd);
    ::GetWindowTextA(hWnd, text.GetBuffer(length), length + 1);
    text.ReleaseBuffer();
    return text;
}

int CWnd::GetWindowTextLength() const
{
    return ::GetWindowTextLengthA(m_hWnd);
}

BOOL CWnd::EnableWindow(BOOL bEnable) const
{
    return ::EnableWindow(m_hWnd, bEnable);
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) const
{
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags) const
{
    const DWORD old = static_cast<DWORD>(GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE));
    const DWORD updated = (old & ~dwRemove) | dwAdd;
    if (updated == old)
        return FALSE;
    SetWindowLongPtrA(m_hWnd, GWL_EXSTYLE, static_cast<LONG_PTR>(updated));
    if (nFlags)
        SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

void CWnd::GetClientRect(LPRECT pRect) const
{
    ::GetClientRect(m_hWnd, pRect);
}

void CWnd::GetWindowRect(LPRECT pRect) const
{
    ::GetWindowRect(m_hWnd, pRect);
}

void CWnd::Invalidate(BOOL bErase) const
{
    ::InvalidateRect(m_hWnd, nullptr, bErase);
}

CWnd* CWnd::GetDlgItem(int nID) const
{
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}

int CWnd::GetDlgCtrlID() const
{
    return ::GetDlgCtrlID(m_hWnd);
}
