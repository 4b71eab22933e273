#include "tests/support/ScriptedHost.h"

#include <gtest/gtest.h>

#include <exception>

namespace {

constexpr char kClassName[] = "KestruneScriptedHost";
constexpr UINT_PTR kWatchdogTimer = 1;
// Runs a step on the dialog in lParam, for modal windows without idle messages.
constexpr UINT kRunStep = WM_APP + 1;
// Ends one of the host's modal dialogs whose script has run.
constexpr UINT kEndScript = WM_APP + 2;
// DWLP_USER of the host's own modal dialogs.
constexpr LONG_PTR kModal = 0x5C01;

// One host at a time per test program, on the test's thread.
ScriptedHost* g_host = nullptr;

bool IsDialogWithoutIdle(HWND hWnd)
{
    return ClassName(hWnd) == "#32770" && (GetWindowLongPtrA(hWnd, GWL_STYLE) & DS_NOIDLEMSG);
}

BOOL CALLBACK CancelDialog(HWND hWnd, LPARAM)
{
    if (ClassName(hWnd) == "#32770")
        PostCommand(hWnd, IDCANCEL);
    return TRUE;
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

ScriptedHost::ScriptedHost()
{
    [[maybe_unused]] static const ATOM atom = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &ScriptedHost::WindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClassName;
        return RegisterClassA(&wc);
    }();
    // Hidden, as the Control Panel's own window often is when it opens an applet.
    m_hWnd = CreateWindowExA(0, kClassName, "Kestrune test host", WS_OVERLAPPEDWINDOW, 100, 100, 400, 300,
                             nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_lastStep = GetTickCount();
    SetTimer(m_hWnd, kWatchdogTimer, kWatchdogMs / 10, nullptr);
    g_host = this;
}

void ScriptedHost::WatchModalsWithoutIdle()
{
    if (!m_hook)
        m_hook = SetWindowsHookExA(WH_CALLWNDPROCRET, &ScriptedHost::AfterWindowProc, nullptr, GetCurrentThreadId());
}

ScriptedHost::~ScriptedHost()
{
    Close();
}

void ScriptedHost::Close()
{
    if (!m_hWnd)
        return;
    if (m_hook)
        UnhookWindowsHookEx(m_hook);
    m_hook = nullptr;
    g_host = nullptr;
    KillTimer(m_hWnd, kWatchdogTimer);
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
    DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    SetModifiers(false, false);
}

ScriptedHost& ScriptedHost::Then(Step step)
{
    m_lastStep = GetTickCount();
    m_steps.push_back(std::move(step));
    return *this;
}

ScriptedHost& ScriptedHost::Key(UINT vk, char ch, bool shift, bool ctrl)
{
    shift = shift || m_shiftHeld;
    return Then([vk, ch, shift, ctrl](HWND) {
        SetModifiers(shift, ctrl);
        PostKey(vk, ch);
    });
}

ScriptedHost& ScriptedHost::Type(const char* text)
{
    for (; *text; ++text) {
        const SHORT key = VkKeyScanA(*text);
        Key(LOBYTE(key), *text, (HIBYTE(key) & 1) != 0);
    }
    return *this;
}

ScriptedHost& ScriptedHost::HoldShift(bool down)
{
    m_shiftHeld = down;
    return Then([down](HWND) { SetModifiers(down, false); });
}

ScriptedHost& ScriptedHost::OnInit(Step init)
{
    m_init = std::move(init);
    return *this;
}

INT_PTR ScriptedHost::Run(const DialogTemplate& dialog, HWND owner)
{
    m_lastStep = GetTickCount();
    const INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), dialog.Get(), owner ? owner : m_hWnd,
                                                   &ScriptedHost::DialogProc, kModal);
    SetModifiers(false, false);
    if (!m_problem.empty())
        ADD_FAILURE() << m_problem;
    if (!m_steps.empty())
        ADD_FAILURE() << m_steps.size() << " steps did not run: the dialog ended before them";
    m_problem.clear();
    m_steps.clear();
    return result;
}

HWND ScriptedHost::CreateModeless(const DialogTemplate& dialog)
{
    return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dialog.Get(), m_hWnd, &ScriptedHost::DialogProc, 0);
}

LRESULT CALLBACK ScriptedHost::AfterWindowProc(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && g_host && call->message == WM_INITDIALOG && IsDialogWithoutIdle(call->hwnd))
        PostMessageA(g_host->m_hWnd, kRunStep, 0, reinterpret_cast<LPARAM>(call->hwnd));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK ScriptedHost::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* host = reinterpret_cast<ScriptedHost*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (host) {
        try {
            if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX) {
                host->OnIdle(reinterpret_cast<HWND>(lParam));
                return 0;
            }
            if (message == kRunStep) {
                // Stale when the window ended after the step that posted this.
                if (IsWindow(reinterpret_cast<HWND>(lParam)))
                    host->OnIdle(reinterpret_cast<HWND>(lParam));
                return 0;
            }
            if (message == WM_TIMER && wParam == kWatchdogTimer) {
                host->OnWatchdog();
                return 0;
            }
        } catch (const std::exception& e) {
            host->Fail(std::string("a step threw: ") + e.what());
            return 0;
        }
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

INT_PTR CALLBACK ScriptedHost::DialogProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    ScriptedHost* host = g_host;
    if (!host)
        return FALSE;
    try {
        switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dlg, DWLP_USER, lParam);
            if (lParam == kModal && host->m_init) {
                const Step init = std::move(host->m_init);
                host->m_init = nullptr;
                init(dlg);
            }
            return TRUE;
        case WM_COMMAND:
            host->m_commands.push_back({dlg, wParam, lParam});
            if (GetWindowLongPtrA(dlg, DWLP_USER) == kModal && HIWORD(wParam) == BN_CLICKED
                && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
                EndDialog(dlg, LOWORD(wParam));
            return TRUE;
        case WM_ENTERIDLE:
            // A modeless owner of a modal dialog.
            if (wParam == MSGF_DIALOGBOX)
                host->OnIdle(reinterpret_cast<HWND>(lParam));
            return TRUE;
        case kEndScript:
            EndDialog(dlg, kScriptEnded);
            return TRUE;
        default:
            return FALSE;
        }
    } catch (const std::exception& e) {
        host->Fail(std::string("a step threw: ") + e.what());
        return FALSE;
    }
}

void ScriptedHost::OnIdle(HWND modal)
{
    if (m_steps.empty()) {
        if (ClassName(modal) == "#32770" && GetWindowLongPtrA(modal, DWLP_USER) == kModal) {
            PostMessageA(modal, kEndScript, 0, 0);
        } else {
            if (m_problem.empty())
                m_problem = WindowText(modal) + " went idle with no step left";
            PostCommand(modal, IDCANCEL);
        }
        return;
    }
    m_lastStep = GetTickCount();
    Step step = std::move(m_steps.front());
    m_steps.pop_front();
    step(modal);
    // Wake the loop so that the next idle comes after what the step caused.
    if (IsDialogWithoutIdle(modal))
        PostMessageA(m_hWnd, kRunStep, 0, reinterpret_cast<LPARAM>(modal));
    else
        PostMessageA(m_hWnd, WM_NULL, 0, 0);
}

void ScriptedHost::OnWatchdog()
{
    // Only a message loop dispatches the timer, and every script starts with a step.
    if (GetTickCount() - m_lastStep >= kWatchdogMs)
        Fail("the script did not finish within the watchdog's time");
}

void ScriptedHost::Fail(const std::string& problem)
{
    m_problem = problem;
    m_steps.clear();
    EnumThreadWindows(GetCurrentThreadId(), CancelDialog, 0);
}

void PostCommand(HWND modal, int id)
{
    PostMessageA(modal, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(modal, id)));
}

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
