// The library's one export: the Control Panel host's entry point.

#include "applet/AppletApp.h"
#include "dialog/DeviceSettingsDlg.h"
#include "platform/ManifestActivation.h"
#include "resources/resource.h"

#include <cpl.h>

#include <memory>
#include <optional>

CAppletApp theApp;

namespace {

// The driver keeps reading the old file, so the user must learn that OK did
// not take effect; the live table keeps the edits for another try.
void ReportSaveFailure(HWND hwndCPl)
{
    CStringW format, caption, text;
    format.LoadString(IDS_SAVE_FAILED);
    caption.LoadString(IDS_APPLET_NAME);
    text.Format(format, CStringW(theApp.m_pszProfileName).GetString());
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
void BringOpenDialogToFront()
{
    HWND dialog = nullptr;
    EnumWindows(&FindOpenDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog)
        return;   // still being made, or already closing
    if (HWND owner = GetAncestor(dialog, GA_ROOTOWNER); owner && IsIconic(owner))
        ShowWindowAsync(owner, SW_RESTORE);
    if (IsIconic(dialog))
        ShowWindowAsync(dialog, SW_RESTORE);
    // A message box of the dialog's comes first.
    SetForegroundWindow(GetLastActivePopup(dialog));
}

class DialogOpenMark {
public:
    DialogOpenMark() : m_handle(CreateMutexA(nullptr, FALSE, kDialogOpenObject))
    {
        m_first = !m_handle || GetLastError() != ERROR_ALREADY_EXISTS;
    }
    ~DialogOpenMark()
    {
        if (m_handle)
            CloseHandle(m_handle);
    }
    DialogOpenMark(const DialogOpenMark&) = delete;
    DialogOpenMark& operator=(const DialogOpenMark&) = delete;

    // Without the object (no namespace, no memory) a dialog still opens.
    bool First() const { return m_first; }

private:
    HANDLE m_handle;
    bool m_first;
};

void RunDeviceSettings(HWND hwndCPl)
{
    std::optional<DialogOpenMark> open(std::in_place);
    if (!open->First()) {
        BringOpenDialogToFront();
        return;
    }

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
    const bool saved = theApp.SaveDeviceTable();
    // The message is not the dialog: another open may start while it shows.
    open.reset();
    if (!saved)
        ReportSaveFailure(hwndCPl);
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
