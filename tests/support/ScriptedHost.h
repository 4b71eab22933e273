#pragma once
// A stand-in for the Control Panel's window that drives modal windows from
// inside their own message loops, on the test's thread: the applet's dialog
// and message boxes, or dialogs of its own from in-memory templates.
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

#include "tests/support/DialogTemplate.h"
#include "tests/support/WindowText.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

class ScriptedHost {
public:
    using Step = std::function<void(HWND modal)>;

    ScriptedHost();
    ~ScriptedHost();
    ScriptedHost(const ScriptedHost&) = delete;
    ScriptedHost& operator=(const ScriptedHost&) = delete;

    HWND Window() const { return m_hWnd; }
    // Destroys the host's window, as the Control Panel does when it closes.
    void Close();

    // Lets steps run on modal windows that send no idle message (message boxes).
    void WatchModalsWithoutIdle();

    // Appends a step; steps run one per idle, in order.
    ScriptedHost& Then(Step step);
    // One key as a keyboard delivers it to the focused window (see PostKey),
    // with Shift or Ctrl held for it.
    ScriptedHost& Key(UINT vk, char ch = 0, bool shift = false, bool ctrl = false);
    // Each character as a key of its own, with Shift where the layout needs it.
    ScriptedHost& Type(const char* text);
    // Holds Shift down for the keys between the two calls.
    ScriptedHost& HoldShift(bool down);
    size_t PendingSteps() const { return m_steps.size(); }

    // A modal window that went idle with no step left (other than the host's
    // own), or a loop that ran for the watchdog's time without a step, ends
    // with IDCANCEL and is noted here.
    const std::string& Problem() const { return m_problem; }

    static constexpr UINT kWatchdogMs = 30000;

    // Runs a dialog from a template, owned by the host's window or by owner,
    // with init run in its WM_INITDIALOG. OK and Cancel end it; once the steps
    // have run it ends with kScriptEnded. A problem, or a step left over, fails
    // the test. Answers the code the dialog ended with.
    static constexpr INT_PTR kScriptEnded = 0x5E5E;
    ScriptedHost& OnInit(Step init);
    INT_PTR Run(const DialogTemplate& dialog, HWND owner = nullptr);
    // The same dialog modeless, as an owner for another: it only records its
    // commands and passes on its modal windows' idle.
    HWND CreateModeless(const DialogTemplate& dialog);

    // WM_COMMAND messages the host's own dialogs received, in order.
    struct Command {
        HWND dialog;
        WPARAM wParam;
        LPARAM lParam;
    };
    const std::vector<Command>& Commands() const { return m_commands; }

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK DialogProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK AfterWindowProc(int code, WPARAM wParam, LPARAM lParam);
    void OnIdle(HWND modal);
    void OnWatchdog();
    void Fail(const std::string& problem);

    HWND m_hWnd = nullptr;
    HHOOK m_hook = nullptr;
    std::deque<Step> m_steps;
    Step m_init;
    bool m_shiftHeld = false;
    DWORD m_lastStep = 0;
    std::string m_problem;
    std::vector<Command> m_commands;
};

// Ends a dialog or message box from inside its loop, as a click would.
void PostCommand(HWND modal, int id);
// Posts one key to the focused window: WM_KEYDOWN, WM_KEYUP and, where the
// platform's TranslateMessage makes no characters (a driver without a
// keyboard layout), the WM_CHAR ch that a keyboard would give (none for 0).
// Modifier keys are taken from the thread's keyboard state.
void PostKey(UINT vk, char ch);
// Sets the thread's keyboard state of Shift and Ctrl.
void SetModifiers(bool shift, bool ctrl);
