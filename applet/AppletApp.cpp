#include "applet/AppletApp.h"

#include "settings/DeviceTableFile.h"
#include "settings/SettingsFolder.h"

namespace {

DeviceTableArrays TableOf(CAppletApp& app)
{
    return {app.m_strDeviceName, app.m_dwIPAddress, app.m_strProtectNo, app.m_byDeviceID, app.m_byTcp};
}

} // namespace

CAppletApp::CAppletApp()
    : CWinApp(nullptr)
{
}

CAppletApp::~CAppletApp() = default;

const MessageMap* CAppletApp::GetThisMessageMap()
{
    static constexpr MessageMap map{&CWinApp::GetThisMessageMap, {}};
    return &map;
}

BOOL CAppletApp::InitInstance()
{
    // The framework's default profile (the module's name with ".INI") is not ours.
    SetProfileName(nullptr);
    SetProfileName(SettingsFilePath(m_hInstance));
    return CWinApp::InitInstance();
}

void CAppletApp::LoadDeviceTable()
{
    ReadDeviceTable(m_pszProfileName, TableOf(*this));
}

ReplaceResult CAppletApp::SaveDeviceTable()
{
    return WriteDeviceTable(m_pszProfileName, TableOf(*this));
}
