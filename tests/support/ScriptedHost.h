#pragma once
// A stand-in for the Control Panel's window that drives the applet's modal
// windows from inside their own message loops, on the test's thread.
//
// A modal loop whose queue runs dry sends its owner WM_ENTERIDLE naming the
// modal window. The host answers each such idle with the next step of its
// script, run on that window, and then posts itself a message so that the
// loop wakes up and goes idle again after the step's effects. A step ends a
// modal window by posting to it, as the keyboard and mouse do.
//
// Message boxes send no idle message (their template has DS_NOIDLEMSG): once
// asked to watch for them, a hook on the thread sees their initialisation
// end, and the host posts itself a step for them, and after each step the
// next one. The hook sees every message sent on the thread, which Wine makes
// costly, so only scripts that meet such windows ask for it.

#include "tests/support/WindowText.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <string>

class ScriptedHost {
public:
    using Step = std::function<void(HWND modal)>;

    ScriptedHost();
    ~ScriptedHost();
    ScriptedHost(const ScriptedHost&) = delete;
    ScriptedHost& operator=(const ScriptedHost&) = delete;

    HWND Window() const { return m_hWnd; }

    // Lets steps run on modal windows that send no idle message (message boxes).
    void WatchModalsWithoutIdle();

    // Appends a step; steps run one per idle, in order.
    void Then(Step step) { m_steps.push_back(std::move(step)); }
    size_t PendingSteps() const { return m_steps.size(); }

    // A modal window that went idle with no step left, or a script that ran
    // past the watchdog, is ended with IDCANCEL and noted here.
    const std::string& Problem() const { return m_problem; }

    static constexpr UINT kWatchdogMs = 30000;

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK AfterWindowProc(int code, WPARAM wParam, LPARAM lParam);
    void OnIdle(HWND modal);
    void OnWatchdog();

    HWND m_hWnd = nullptr;
    HHOOK m_hook = nullptr;
    std::deque<Step> m_steps;
    std::string m_problem;
};

// Ends a dialog or message box from inside its loop, as a click would.
void PostCommand(HWND modal, int id);
