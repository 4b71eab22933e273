// The library's one export: the Control Panel host's entry point.

#include "applet/AppletApp.h"
#include "dialog/DeviceSettingsDlg.h"
#include "platform/ManifestActivation.h"
#include "resources/resource.h"

#include <cpl.h>

#include <cstring>
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
    auto resourceText = [](UINT id) {
        const wchar_t* text = nullptr;
        const int length = LoadStringW(AfxGetResourceHandle(), id, reinterpret_cast<LPWSTR>(&text), 0);
        return std::wstring(text, length > 0 ? length : 0);
    };
    const char* file = theApp.m_pszProfileName ? theApp.m_pszProfileName : "";
    const int length = static_cast<int>(std::strlen(file));
    std::wstring path(MultiByteToWideChar(CP_ACP, 0, file, length, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, file, length, path.data(), static_cast<int>(path.size()));

    std::wstring text = resourceText(IDS_SAVE_FAILED);
    if (const size_t at = text.find(L"%s"); at != std::wstring::npos)
        text.replace(at, 2, path);
    // The system's own words, in the language it shows.
    wchar_t* reason = nullptr;
    if (FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<LPWSTR>(&reason), 0, nullptr)) {
        std::wstring line = reason;
        line.erase(line.find_last_not_of(L" \r\n") + 1);
        text += L"\n\n" + line;
        LocalFree(reason);
    }
    ::MessageBoxW(hwndCPl, text.c_str(), resourceText(IDS_APPLET_NAME).c_str(), MB_ICONEXCLAMATION | MB_OK);
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
