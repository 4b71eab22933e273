#pragma once
// The applet's application object: it owns the live device table, five
// parallel arrays indexed by slot, and the path of the settings file.

#include "framework/CWinApp.h"
#include "platform/ProfileReplace.h"
#include "settings/DeviceTable.h"

class CAppletApp : public CWinApp {
public:
    CAppletApp();
    ~CAppletApp() override;

    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }
    static const MessageMap* GetThisMessageMap();

    // Fixes the settings file path; makes the settings folder if it can.
    BOOL InitInstance() override;

    // Reads all 256 slots from the settings file, with the defaults for what
    // it lacks.
    void LoadDeviceTable();
    // Writes all 256 slots to the settings file as a whole; the result says
    // which step failed and why.
    ReplaceResult SaveDeviceTable();

    CString m_strDeviceName[kDeviceCount];
    DWORD m_dwIPAddress[kDeviceCount] = {};   // first dotted octet in the high byte
    CString m_strProtectNo[kDeviceCount];
    BYTE m_byDeviceID[kDeviceCount] = {};
    BYTE m_byTcp[kDeviceCount] = {};          // TransportMode, whatever the file held
};
