#include "dialog/NameFieldFilter.h"

#include "framework/CWinApp.h"
#include "platform/AnsiText.h"
#include "resources/resource.h"

#include <commctrl.h>

#include <iterator>
#include <string>

namespace {

// The field is an ANSI window, which would turn any character outside the
// code page into '?'; its text arrives as UTF-16 only before that conversion,
// so a Unicode subclass looks at typed characters and at the clipboard's
// Unicode text. A paste with any character it can't hold is refused whole.
constexpr char kSuperProperty[] = "Kestrune.NameEdit.Super";
constexpr char kTipProperty[] = "Kestrune.NameEdit.Tip";
constexpr UINT_PTR kTipTimer = 0x4B54;
constexpr UINT kTipMs = 6000;

// An edit without its own balloon (Wine's, or common controls before
// version 6) gets a balloon tooltip below it instead.
bool ShowTooltipBalloon(HWND hWnd, const wchar_t* title, const wchar_t* text)
{
    auto tip = static_cast<HWND>(GetPropA(hWnd, kTipProperty));
    if (!tip) {
        tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_BALLOON | TTS_NOPREFIX | TTS_ALWAYSTIP,
                              0, 0, 0, 0, hWnd, nullptr, nullptr, nullptr);
        if (tip && !SetPropA(hWnd, kTipProperty, tip)) {
            DestroyWindow(tip);
            tip = nullptr;
        }
        if (!tip)
            return false;
    }
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_IDISHWND;
    tool.hwnd = hWnd;
    tool.uId = reinterpret_cast<UINT_PTR>(hWnd);
    tool.lpszText = const_cast<wchar_t*>(text);
    SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    if (!SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)))
        return false;
    SendMessageW(tip, TTM_SETTITLEW, TTI_WARNING, reinterpret_cast<LPARAM>(title));
    RECT field;
    GetWindowRect(hWnd, &field);
    SendMessageW(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(field.left + (field.bottom - field.top) / 2, field.bottom));
    SendMessageW(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    SetTimer(hWnd, kTipTimer, kTipMs, nullptr);
    return true;
}

void HideTooltipBalloon(HWND hWnd)
{
    if (auto tip = static_cast<HWND>(GetPropA(hWnd, kTipProperty))) {
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.hwnd = hWnd;
        tool.uId = reinterpret_cast<UINT_PTR>(hWnd);
        SendMessageW(tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
        KillTimer(hWnd, kTipTimer);
    }
}

void ShowRefusal(HWND hWnd)
{
    wchar_t title[128] = {};
    wchar_t text[512] = {};
    const HINSTANCE resources = AfxGetResourceHandle();
    LoadStringW(resources, IDS_NAME_CHAR_TITLE, title, static_cast<int>(std::size(title)));
    LoadStringW(resources, IDS_NAME_CHAR_TEXT, text, static_cast<int>(std::size(text)));
    EDITBALLOONTIP balloon{sizeof balloon, title, text, TTI_WARNING};
    if (!SendMessageW(hWnd, EM_SHOWBALLOONTIP, 0, reinterpret_cast<LPARAM>(&balloon))
        && !ShowTooltipBalloon(hWnd, title, text))
        MessageBeep(MB_ICONWARNING);
}

bool CanHold(const wchar_t* text, int length)
{
    for (int i = 0; i < length; ++i)
        if (text[i] == L'\r' || text[i] == L'\n')
            return false;
    return FitsAnsiCodePage(text, length);
}

// The clipboard's text up to its first line break, put in as one edit.
void Paste(HWND hWnd)
{
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(hWnd))
        return;
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
        ShowRefusal(hWnd);
        return;
    }
    HideTooltipBalloon(hWnd);
    if (!text.empty())
        SendMessageW(hWnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

LRESULT CALLBACK NameEditProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto super = reinterpret_cast<WNDPROC>(GetPropA(hWnd, kSuperProperty));
    if (!super)
        return DefWindowProcW(hWnd, message, wParam, lParam);

    switch (message) {
    case WM_CHAR:
    case WM_IME_CHAR: {
        // Each half of a surrogate pair is refused: no ANSI code page holds one alone.
        const wchar_t ch = static_cast<wchar_t>(wParam);
        if (!CanHold(&ch, 1)) {
            ShowRefusal(hWnd);
            return 0;
        }
        HideTooltipBalloon(hWnd);
        break;
    }
    case WM_KILLFOCUS:
        HideTooltipBalloon(hWnd);
        break;
    case WM_TIMER:
        if (wParam != kTipTimer)
            break;
        HideTooltipBalloon(hWnd);
        return 0;
    case WM_UNICHAR:
        if (wParam == UNICODE_NOCHAR)
            return TRUE;
        if (const wchar_t ch = static_cast<wchar_t>(wParam); wParam > 0xFFFF || !CanHold(&ch, 1)) {
            ShowRefusal(hWnd);
            return FALSE;
        }
        break;
    case WM_PASTE:
        if (!(GetWindowLongPtrW(hWnd, GWL_STYLE) & ES_READONLY))
            Paste(hWnd);
        return 0;
    case WM_KEYDOWN:
        // Shift+Insert pastes inside the edit without a WM_PASTE.
        if (wParam == VK_INSERT && GetKeyState(VK_SHIFT) < 0 && GetKeyState(VK_CONTROL) >= 0) {
            SendMessageW(hWnd, WM_PASTE, 0, 0);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        if (auto tip = static_cast<HWND>(RemovePropA(hWnd, kTipProperty)))
            DestroyWindow(tip);
        SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
        RemovePropA(hWnd, kSuperProperty);
        break;
    default:
        break;
    }
    return CallWindowProcW(super, hWnd, message, wParam, lParam);
}

} // namespace

void FilterNameInput(HWND hWnd)
{
    const LONG_PTR super = GetWindowLongPtrW(hWnd, GWLP_WNDPROC);
    if (super && SetPropA(hWnd, kSuperProperty, reinterpret_cast<HANDLE>(super)))
        SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NameEditProc));
}
