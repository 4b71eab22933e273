#include "tests/support/ScriptedDialog.h"

#include <string>

namespace {

constexpr UINT kNudge = WM_APP + 0x3E0;      // wakes the loop after a step
constexpr UINT kEndScript = WM_APP + 0x3E1;

LRESULT CALLBACK OwnerProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENTERIDLE) {
        ScriptedDialog::ForwardIdle(wParam, lParam);
        return 0;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

HWND MakeOwner()
{
    static const ATOM atom = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &OwnerProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KestruneTestOwner";
        return RegisterClassA(&wc);
    }();
    if (!atom)
        return nullptr;
    return CreateWindowExA(0, "KestruneTestOwner", "", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

LPARAM KeyData(UINT vk, bool up)
{
    const UINT scan = MapVirtualKeyA(vk, 0 /* MAPVK_VK_TO_VSC */);
    LPARAM data = 1 | static_cast<LPARAM>(scan << 16);
    if (up)
        data |= static_cast<LPARAM>(0xC0000000u);
    return data;
}

// Whether TranslateMessage turns a posted key into a character here, found
// once on a window of its own.
bool KeysMakeCharacters()
{
    static const bool translates = [] {
        HWND hWnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        BYTE saved[256] = {};
        GetKeyboardState(saved);
        BYTE state[256] = {};
        SetKeyboardState(state);
        PostMessageA(hWnd, WM_KEYDOWN, 'A', KeyData('A', false));
        MSG msg{};
        bool found = false;
        if (PeekMessageA(&msg, hWnd, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) {
            TranslateMessage(&msg);
            found = PeekMessageA(&msg, hWnd, WM_CHAR, WM_CHAR, PM_REMOVE) && msg.wParam == 'a';
        }
        while (PeekMessageA(&msg, hWnd, 0, 0, PM_REMOVE)) {
        }
        SetKeyboardState(saved);
        DestroyWindow(hWnd);
        return found;
    }();
    return translates;
}

} // namespace

void PostKey(UINT vk, char ch)
{
    HWND hFocus = GetFocus();
    PostMessageA(hFocus, WM_KEYDOWN, vk, KeyData(vk, false));
    if (ch && !KeysMakeCharacters())
        PostMessageA(hFocus, WM_CHAR, static_cast<BYTE>(ch), KeyData(vk, false));
    PostMessageA(hFocus, WM_KEYUP, vk, KeyData(vk, true));
}

void SetModifiers(bool shift, bool ctrl)
{
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_SHIFT] = state[VK_LSHIFT] = shift ? 0x80 : 0;
    state[VK_CONTROL] = state[VK_LCONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(state);
}

ScriptedDialog& ScriptedDialog::Key(UINT vk, char ch, bool shift, bool ctrl)
{
    shift = shift || m_shiftHeld;
    return Then([vk, ch, shift, ctrl](HWND) {
        SetModifiers(shift, ctrl);
        PostKey(vk, ch);
    });
}

ScriptedDialog& ScriptedDialog::Type(const char* text)
{
    for (; *text; ++text) {
        const SHORT key = VkKeyScanA(*text);
        Key(LOBYTE(key), *text, (HIBYTE(key) & 1) != 0);
    }
    return *this;
}

ScriptedDialog& ScriptedDialog::HoldShift(bool down)
{
    m_shiftHeld = down;
    return Then([down](HWND) { SetModifiers(down, false); });
}

INT_PTR ScriptedDialog::Run(HWND hOwner)
{
    HWND hOwnOwner = hOwner ? nullptr : MakeOwner();
    const INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), m_template.Get(),
                                                   hOwner ? hOwner : hOwnOwner, &DialogProc,
                                                   reinterpret_cast<LPARAM>(this));
    if (hOwnOwner)
        DestroyWindow(hOwnOwner);
    SetModifiers(false, false);
    return result;
}

HWND ScriptedDialog::CreateModeless(HWND hOwner)
{
    return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), m_template.Get(), hOwner, &DialogProc,
                                      reinterpret_cast<LPARAM>(this));
}

void ScriptedDialog::ForwardIdle(WPARAM wParam, LPARAM lParam)
{
    if (wParam != MSGF_DIALOGBOX)
        return;
    if (auto* self = reinterpret_cast<ScriptedDialog*>(GetWindowLongPtrA(reinterpret_cast<HWND>(lParam), DWLP_USER)))
        self->Idle();
}

void ScriptedDialog::Idle()
{
    if (m_next >= m_steps.size()) {
        PostMessageA(m_hDlg, kEndScript, 0, 0);
        return;
    }
    m_steps[m_next++](m_hDlg);
    PostMessageA(m_hDlg, kNudge, 0, 0);
}

INT_PTR CALLBACK ScriptedDialog::DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        auto* self = reinterpret_cast<ScriptedDialog*>(GetWindowLongPtrA(hDlg, DWLP_USER));
        switch (message) {
        case WM_INITDIALOG:
            self = reinterpret_cast<ScriptedDialog*>(lParam);
            SetWindowLongPtrA(hDlg, DWLP_USER, lParam);
            self->m_hDlg = hDlg;
            if (self->m_init)
                self->m_init(hDlg);
            return TRUE;
        case WM_COMMAND:
            if (self)
                self->m_commands.push_back({wParam, lParam});
            if ((LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) && HIWORD(wParam) == BN_CLICKED)
                EndDialog(hDlg, LOWORD(wParam));
            return TRUE;
        case WM_ENTERIDLE:
            ForwardIdle(wParam, lParam);
            return TRUE;
        case kEndScript:
            EndDialog(hDlg, kScriptEnded);
            return TRUE;
        default:
            return FALSE;
        }
    } catch (...) {
        EndDialog(hDlg, -1);
        return FALSE;
    }
}
