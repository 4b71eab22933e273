#include "controls/NameFieldEdit.h"

#include "framework/CStringW.h"
#include "platform/AnsiText.h"
#include "resources/resource.h"

#include <commctrl.h>

#include <string>
#include <utility>

namespace {

constexpr UINT_PTR kTipTimer = 0x4B54;
constexpr UINT kTipMs = 6000;

bool CanHold(const wchar_t* text, int length)
{
    for (int i = 0; i < length; ++i)
        if (text[i] == L'\r' || text[i] == L'\n')
            return false;
    return FitsAnsiCodePage(text, length);
}

} // namespace

const MessageMap* CNameFieldEdit::GetThisMessageMap()
{
    static constexpr MessageEntry entries[] = {
        OnMessage<&CNameFieldEdit::OnChar>(WM_CHAR),
        OnMessage<&CNameFieldEdit::OnChar>(WM_IME_CHAR),
        OnMessage<&CNameFieldEdit::OnUniChar>(WM_UNICHAR),
        OnMessage<&CNameFieldEdit::OnPaste>(WM_PASTE),
        OnMessage<&CNameFieldEdit::OnKeyDown>(WM_KEYDOWN),
        OnMessage<&CNameFieldEdit::OnKillFocus>(WM_KILLFOCUS),
        OnMessage<&CNameFieldEdit::OnTimer>(WM_TIMER),
        OnMessage<&CNameFieldEdit::OnDestroy>(WM_DESTROY),
    };
    static constexpr MessageMap map{&CEdit::GetThisMessageMap, entries};
    return &map;
}

LRESULT CNameFieldEdit::OnChar(WPARAM wParam, LPARAM)
{
    // Each half of a surrogate pair is refused: no ANSI code page holds one alone.
    const wchar_t ch = static_cast<wchar_t>(wParam);
    if (!CanHold(&ch, 1)) {
        ShowRefusal();
        return 0;
    }
    HideTooltipBalloon();
    return Default();
}

LRESULT CNameFieldEdit::OnUniChar(WPARAM wParam, LPARAM)
{
    if (wParam == UNICODE_NOCHAR)
        return TRUE;
    if (const wchar_t ch = static_cast<wchar_t>(wParam); wParam > 0xFFFF || !CanHold(&ch, 1)) {
        ShowRefusal();
        return FALSE;
    }
    return Default();
}

// The clipboard's text up to its first line break, put in as one edit.
LRESULT CNameFieldEdit::OnPaste(WPARAM, LPARAM)
{
    if ((GetWindowLongPtrW(m_hWnd, GWL_STYLE) & ES_READONLY) || !IsClipboardFormatAvailable(CF_UNICODETEXT)
        || !OpenClipboard(m_hWnd))
        return 0;
    std::wstring text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* locked = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = locked;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();

    text = text.substr(0, text.find_first_of(L"\r\n"));
    if (!CanHold(text.data(), static_cast<int>(text.size()))) {
        ShowRefusal();
        return 0;
    }
    HideTooltipBalloon();
    if (!text.empty())
        ::SendMessageW(m_hWnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    return 0;
}

LRESULT CNameFieldEdit::OnKeyDown(WPARAM wParam, LPARAM)
{
    // Shift+Insert pastes inside the edit without a WM_PASTE.
    if (wParam == VK_INSERT && GetKeyState(VK_SHIFT) < 0 && GetKeyState(VK_CONTROL) >= 0) {
        SendMessage(WM_PASTE);
        return 0;
    }
    return Default();
}

LRESULT CNameFieldEdit::OnKillFocus(WPARAM, LPARAM)
{
    HideTooltipBalloon();
    return Default();
}

LRESULT CNameFieldEdit::OnTimer(WPARAM wParam, LPARAM)
{
    if (wParam != kTipTimer)
        return Default();
    HideTooltipBalloon();
    return 0;
}

LRESULT CNameFieldEdit::OnDestroy(WPARAM, LPARAM)
{
    if (m_hTip)
        ::DestroyWindow(std::exchange(m_hTip, nullptr));
    return Default();
}

void CNameFieldEdit::ShowRefusal(UINT idTitle, UINT idText)
{
    CStringW title, text;
    title.LoadString(idTitle);
    text.LoadString(idText);
    EDITBALLOONTIP balloon{sizeof balloon, title, text, TTI_WARNING};
    if (!::SendMessageW(m_hWnd, EM_SHOWBALLOONTIP, 0, reinterpret_cast<LPARAM>(&balloon))
        && !ShowTooltipBalloon(title, text))
        MessageBeep(MB_ICONWARNING);
}

// An edit without its own balloon (Wine's, or common controls before
// version 6) gets a balloon tooltip below it instead.
bool CNameFieldEdit::ShowTooltipBalloon(LPCWSTR pszTitle, LPCWSTR pszText)
{
    if (!m_hTip) {
        m_hTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                 WS_POPUP | TTS_BALLOON | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0, 0, m_hWnd,
                                 nullptr, nullptr, nullptr);
        if (!m_hTip)
            return false;
    }
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_IDISHWND;
    tool.hwnd = m_hWnd;
    tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    tool.lpszText = const_cast<LPWSTR>(pszText);
    ::SendMessageW(m_hTip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    if (!::SendMessageW(m_hTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)))
        return false;
    ::SendMessageW(m_hTip, TTM_SETTITLEW, TTI_WARNING, reinterpret_cast<LPARAM>(pszTitle));
    RECT field;
    GetWindowRect(&field);
    ::SendMessageW(m_hTip, TTM_TRACKPOSITION, 0,
                   MAKELPARAM(field.left + (field.bottom - field.top) / 2, field.bottom));
    ::SendMessageW(m_hTip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    SetTimer(m_hWnd, kTipTimer, kTipMs, nullptr);
    return true;
}

void CNameFieldEdit::HideTooltipBalloon()
{
    if (!m_hTip)
        return;
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = m_hWnd;
    tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    ::SendMessageW(m_hTip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
    KillTimer(m_hWnd, kTipTimer);
}
