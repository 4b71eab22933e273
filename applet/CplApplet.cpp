// The library's one export: the Control Panel host's entry point.

#include "applet/AppletApp.h"
#include "dialog/DeviceSettingsDlg.h"
#include "platform/ManifestActivation.h"
#include "resources/resource.h"

#include <cpl.h>

#include <memory>

CAppletApp theApp;

namespace {

// The driver keeps reading the old file, so the user must learn that OK did
// not take effect; the live table keeps the edits for another try.
void ReportSaveFailure(HWND hwndCPl)
{
    CString format, caption, text;
    format.LoadString(IDS_SAVE_FAILED);
    caption.LoadString(IDS_APPLET_NAME);
    text.Format(format, theApp.m_pszProfileName ? theApp.m_pszProfileName : "");
    ::MessageBoxA(hwndCPl, text, caption, MB_ICONEXCLAMATION | MB_OK);
}

void RunDeviceSettings(HWND hwndCPl)
{
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
    if (!theApp.SaveDeviceTable())
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
