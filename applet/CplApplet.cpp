// The library's one export: the Control Panel host's entry point.

#include "applet/AppletApp.h"
#include "dialog/DeviceSettingsDlg.h"
#include "platform/ManifestActivation.h"
#include "platform/NamedMutex.h"
#include "resources/resource.h"

#include <cpl.h>

#include <memory>
#include <optional>
#include <string>

CAppletApp theApp;

namespace {

// The driver keeps reading the old file, so the user must learn that OK did
// not take effect, and why (a full disk, another user's save that would not
// end, a file the user may not write); the live table keeps the edits for
// another try.
void ReportSaveFailure(HWND hwndCPl, DWORD error)
{
    CStringW format, caption, text;
    format.LoadString(IDS_SAVE_FAILED);
    caption.LoadString(IDS_APPLET_NAME);
    text.Format(format, CStringW(theApp.m_pszProfileName).GetString());
    // The system's own words, in the language it shows.
    wchar_t* reason = nullptr;
    if (FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<LPWSTR>(&reason), 0, nullptr)) {
        std::wstring line = reason;
        line.erase(line.find_last_not_of(L" \r\n") + 1);
        text += L"\n\n";
        text += line.c_str();
        LocalFree(reason);
    }
    ::MessageBoxW(hwndCPl, text, caption, MB_ICONEXCLAMATION | MB_OK);
}

// Named in the session's namespace: one dialog per Windows session, whichever
// process and build opened it. The object lives while its opener holds it.
constexpr char kDialogOpenObject[] = "Local\\Kestrune.DeviceSettings";

BOOL CALLBACK FindOpenDialog(HWND hWnd, LPARAM lParam)
{
    if (!GetPropA(hWnd, kOpenDialogProperty))
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = hWnd;
    return FALSE;
}

// The user, who just started this process, keeps the foreground right that
// it hands on here. The window belongs to another thread, so nothing waits on it.
bool BringOpenDialogToFront()
{
    HWND dialog = nullptr;
    EnumWindows(&FindOpenDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog)
        return false;   // still being made, saving, or closing
    if (HWND owner = GetAncestor(dialog, GA_ROOTOWNER); owner && IsIconic(owner))
        ShowWindowAsync(owner, SW_RESTORE);
    if (IsIconic(dialog))
        ShowWindowAsync(dialog, SW_RESTORE);
    // A message box of the dialog's comes first.
    SetForegroundWindow(GetLastActivePopup(dialog));
    return true;
}

// Held by the opener from before its dialog shows until its save has ended.
// A later open brings that dialog forward or, when there is none to find
// (still being made, saving, closing, or its window mark could not be set),
// waits for its turn and then opens one itself.
class DialogOpenMark {
public:
    DialogOpenMark() : m_mutex(NamedMutex::CreateOwned(kDialogOpenObject)) {}

    // True when this open may show the dialog: without the object (no
    // namespace, no memory) a dialog still opens.
    bool Held() const { return m_mutex.Owned() || !m_mutex.Handle(); }

    // Until the open dialog is found, or the mark is let go. A save waits up to
    // 20 s for its turn: past this bound the holder is taken to be a dialog that
    // cannot be found, and this open shows one too (the saves still take turns).
    // Messages sent to this thread are answered meanwhile. True when the turn
    // came after another opener's.
    bool WaitForTurnOrDialog()
    {
        const bool first = Held();
        const ULONGLONG deadline = GetTickCount64() + 30000;
        while (!Held() && !BringOpenDialogToFront()) {
            const HANDLE handle = m_mutex.Handle();
            switch (MsgWaitForMultipleObjects(1, &handle, FALSE, 50, QS_SENDMESSAGE)) {
            case WAIT_OBJECT_0:
            case WAIT_ABANDONED_0:   // its opener ended during a save
                m_mutex.TakeOwnership();
                break;
            case WAIT_OBJECT_0 + 1: {
                MSG msg;
                PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
                break;
            }
            default:
                if (GetTickCount64() >= deadline)
                    m_mutex.Close();
            }
        }
        return Held() && !first;
    }

private:
    NamedMutex m_mutex;
};

void RunDeviceSettings(HWND hwndCPl)
{
    std::optional<DialogOpenMark> open(std::in_place);
    // The other opener has just saved: the table read at CPL_INIT is old.
    if (open->WaitForTurnOrDialog())
        theApp.LoadDeviceTable();
    if (!open->Held())
        return;   // the open dialog was brought forward

    // Visual styles whatever the host: most hosts (rundll32 among them) do not
    // activate the applet's manifest. Everything shown below is created inside it.
    const ManifestActivation visualStyles(AfxGetInstanceHandle(), IDR_CPL_MANIFEST);

    // About 20 KB of working copy: kept off the host's stack.
    auto dlg = std::make_unique<CDeviceSettingsDlg>(CWnd::FromHandle(hwndCPl));
    for (int i = 0; i < kDeviceCount; ++i) {
        dlg->m_strDeviceName[i] = theApp.m_strDeviceName[i];
        dlg->m_dwIPAddress[i] = theApp.m_dwIPAddress[i];
        dlg->m_strProtectNo[i] = theApp.m_strProtectNo[i];
        dlg->m_byDeviceID[i] = theApp.m_byDeviceID[i];
        dlg->m_byTcp[i] = theApp.m_byTcp[i];
    }

    if (dlg->DoModal() != IDOK)
        return;

    for (int i = 0; i < kDeviceCount; ++i) {
        theApp.m_strDeviceName[i] = dlg->m_strDeviceName[i];
        theApp.m_dwIPAddress[i] = dlg->m_dwIPAddress[i];
        theApp.m_strProtectNo[i] = dlg->m_strProtectNo[i];
        theApp.m_byDeviceID[i] = dlg->m_byDeviceID[i];
        theApp.m_byTcp[i] = dlg->m_byTcp[i];
    }
    const ReplaceResult saved = theApp.SaveDeviceTable();
    // The message is not the dialog: another open may start while it shows.
    open.reset();
    if (!saved)
        ReportSaveFailure(hwndCPl, saved.error);
}

} // namespace

extern "C" LONG APIENTRY CPlApplet(HWND hwndCPl, UINT uMsg, LPARAM /*lParam1*/, LPARAM lParam2)
{
    try {
        switch (uMsg) {
        case CPL_INIT:
            theApp.LoadDeviceTable();
            return 1;
        case CPL_GETCOUNT:
            return 1;
        case CPL_INQUIRE:
            if (auto* info = reinterpret_cast<CPLINFO*>(lParam2)) {
                info->idIcon = IDI_APPLET;
                info->idName = IDS_APPLET_NAME;
                info->idInfo = IDS_APPLET_NAME;
                info->lData = 0;
            }
            return 0;
        case CPL_DBLCLK:
            RunDeviceSettings(hwndCPl);
            return 0;
        default:
            return 0;
        }
    } catch (...) {
        return 0;
    }
}
