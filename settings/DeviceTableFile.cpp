// The settings file: one section per field, one entry per slot. The driver
// reads the same file, so its layout and value texts are fixed. Every value
// goes through the private-profile functions one at a time, with no cache.

#include "applet/AppletApp.h"

namespace {

constexpr char kSectionName[] = "Device Name";
constexpr char kSectionIP[] = "IP Address";
constexpr char kSectionProtect[] = "Protect No";
constexpr char kSectionDeviceID[] = "Device ID";
constexpr char kSectionTcp[] = "Tcp";

constexpr char kDefaultProtectNo[] = "00";

} // namespace

void CAppletApp::LoadDeviceTable()
{
    for (int i = 0; i < kDeviceCount; ++i) {
        CString entry;
        entry.Format("%d", i);
        CString defaultName;
        defaultName.Format("ZONE%d", i + 1);

        m_strDeviceName[i] = GetProfileString(kSectionName, entry, defaultName);
        if (m_strDeviceName[i].IsEmpty())
            m_strDeviceName[i] = defaultName;

        m_dwIPAddress[i] = GetProfileInt(kSectionIP, entry, 0);

        m_strProtectNo[i] = GetProfileString(kSectionProtect, entry, kDefaultProtectNo);
        if (m_strProtectNo[i].IsEmpty())
            m_strProtectNo[i] = kDefaultProtectNo;

        m_byDeviceID[i] = static_cast<BYTE>(GetProfileInt(kSectionDeviceID, entry, 0));
        m_byTcp[i] = static_cast<BYTE>(GetProfileInt(kSectionTcp, entry, kTransportTcpKeepAlive));
    }
}

bool CAppletApp::SaveDeviceTable()
{
    bool allWritten = true;
    for (int i = 0; i < kDeviceCount; ++i) {
        CString entry;
        entry.Format("%d", i);
        allWritten &= WriteProfileString(kSectionName, entry, m_strDeviceName[i]) != FALSE;
        allWritten &= WriteProfileInt(kSectionIP, entry, static_cast<int>(m_dwIPAddress[i])) != FALSE;
        allWritten &= WriteProfileString(kSectionProtect, entry, m_strProtectNo[i]) != FALSE;
        allWritten &= WriteProfileInt(kSectionDeviceID, entry, m_byDeviceID[i]) != FALSE;
        allWritten &= WriteProfileInt(kSectionTcp, entry, m_byTcp[i]) != FALSE;
    }
    return allWritten;
}
