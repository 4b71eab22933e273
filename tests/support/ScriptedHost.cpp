#include "tests/support/ScriptedHost.h"

#include <exception>

namespace {

constexpr char kClassName[] = "KestruneScriptedHost";
constexpr UINT_PTR kWatchdogTimer = 1;
// Runs a step on the dialog in lParam, for modal windows without idle messages.
constexpr UINT kRunStep = WM_APP + 1;

// One host at a time per test program, on the test's thread.
ScriptedHost* g_host = nullptr;

ATOM RegisterHostClass()
{
    static const ATOM atom = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;   // replaced per window below
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClassName;
        return RegisterClassA(&wc);
    }();
    return atom;
}

bool IsDialogWithoutIdle(HWND hWnd)
{
    return ClassName(hWnd) == "#32770" && (GetWindowLongPtrA(hWnd, GWL_STYLE) & DS_NOIDLEMSG);
}

BOOL CALLBACK NoteDialog(HWND hWnd, LPARAM open)
{
    if (ClassName(hWnd) == "#32770")
        *reinterpret_cast<bool*>(open) = true;
    return TRUE;
}

BOOL CALLBACK CancelDialog(HWND hWnd, LPARAM)
{
    if (ClassName(hWnd) == "#32770")
        PostCommand(hWnd, IDCANCEL);
    return TRUE;
}

} // namespace

ScriptedHost::ScriptedHost()
{
    RegisterHostClass();
    // Hidden, as the Control Panel's own window often is when it opens an applet.
    m_hWnd = CreateWindowExA(0, kClassName, "Kestrune test host", WS_OVERLAPPEDWINDOW, 100, 100, 400, 300,
                             nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ScriptedHost::WindowProc));
    SetTimer(m_hWnd, kWatchdogTimer, kWatchdogMs, nullptr);
    g_host = this;
}

void ScriptedHost::WatchModalsWithoutIdle()
{
    if (!m_hook)
        m_hook = SetWindowsHookExA(WH_CALLWNDPROCRET, &ScriptedHost::AfterWindowProc, nullptr, GetCurrentThreadId());
}

ScriptedHost::~ScriptedHost()
{
    if (m_hook)
        UnhookWindowsHookEx(m_hook);
    g_host = nullptr;
    KillTimer(m_hWnd, kWatchdogTimer);
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
    DestroyWindow(m_hWnd);
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
            host->m_problem = std::string("a step threw: ") + e.what();
            EnumThreadWindows(GetCurrentThreadId(), CancelDialog, 0);
            return 0;
        }
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

void ScriptedHost::OnIdle(HWND modal)
{
    if (m_steps.empty()) {
        if (m_problem.empty()) {
            m_problem = WindowText(modal);
            m_problem.append(" went idle with no step left");
        }
        PostCommand(modal, IDCANCEL);
        return;
    }
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
    bool modalOpen = false;
    EnumThreadWindows(GetCurrentThreadId(), NoteDialog, reinterpret_cast<LPARAM>(&modalOpen));
    if (!modalOpen)
        return;
    m_problem = "the script did not finish within the watchdog's time";
    m_steps.clear();
    EnumThreadWindows(GetCurrentThreadId(), CancelDialog, 0);
}

void PostCommand(HWND modal, int id)
{
    PostMessageA(modal, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(modal, id)));
}
