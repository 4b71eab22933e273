#pragma once
// Runs a modal dialog from an in-memory template and drives it from inside
// its own message loop, as a user would: each step runs when the dialog's
// queue has drained (the loop's WM_ENTERIDLE to the owner), so everything the
// previous step's keys caused has happened. When the steps run out the dialog
// is ended with kScriptEnded by a posted message.

#include "tests/support/DialogTemplate.h"
#include "tests/support/WindowText.h"

#include <functional>
#include <string>
#include <vector>

class ScriptedDialog {
public:
    static constexpr INT_PTR kScriptEnded = 0x5E5E;

    using Step = std::function<void(HWND hDlg)>;

    explicit ScriptedDialog(const DialogTemplate& dialogTemplate) : m_template(dialogTemplate) {}

    // Runs in WM_INITDIALOG; the dialog then gives the focus to its first tab stop.
    ScriptedDialog& OnInit(Step init) { m_init = std::move(init); return *this; }
    ScriptedDialog& Then(Step step) { m_steps.push_back(std::move(step)); return *this; }
    // One key as a keyboard delivers it to the focused window (see PostKey),
    // with Shift or Ctrl held for it.
    ScriptedDialog& Key(UINT vk, char ch = 0, bool shift = false, bool ctrl = false);
    // Each character as a key of its own, with Shift where the layout needs it.
    ScriptedDialog& Type(const char* text);
    // Holds Shift down for the keys between the two calls.
    ScriptedDialog& HoldShift(bool down);

    // Runs the dialog owned by a hidden window of its own, or by the given
    // owner, which must pass WM_ENTERIDLE to ForwardIdle. Answers the code the
    // dialog ended with.
    INT_PTR Run(HWND hOwner = nullptr);

    // Makes the dialog modeless instead, as an owner for another one: its
    // WM_ENTERIDLE is passed on and its commands recorded; no steps run.
    HWND CreateModeless(HWND hOwner);

    // WM_COMMAND messages the dialog received, in order.
    struct Command {
        WPARAM wParam;
        LPARAM lParam;
    };
    const std::vector<Command>& Commands() const { return m_commands; }

    // For an owner's window or dialog procedure: runs the next step of the
    // modal dialog that went idle.
    static void ForwardIdle(WPARAM wParam, LPARAM lParam);

private:
    static INT_PTR CALLBACK DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
    void Idle();

    const DialogTemplate& m_template;
    Step m_init;
    std::vector<Step> m_steps;
    size_t m_next = 0;
    bool m_shiftHeld = false;
    HWND m_hDlg = nullptr;
    std::vector<Command> m_commands;
};

// Posts one key to the focused window: WM_KEYDOWN, WM_KEYUP and, where the
// platform's TranslateMessage makes no characters (a driver without a
// keyboard layout), the WM_CHAR ch that a keyboard would give (none for 0).
// Modifier keys are taken from the thread's keyboard state.
void PostKey(UINT vk, char ch);
// Sets the thread's keyboard state of Shift and Ctrl.
void SetModifiers(bool shift, bool ctrl);
