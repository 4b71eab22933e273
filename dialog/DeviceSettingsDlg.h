#pragma once
// The applet's dialog: edits a working copy of the 256 device slots, one
// slot at a time. The shown slot is written back into the copy (committed)
// when another slot is picked and at OK; Cancel drops nothing in here, the
// caller simply does not copy the working copy back.

#include "controls/HexAddress.h"
#include "controls/NameFieldEdit.h"
#include "dialog/ProtectCodec.h"
#include "framework/CDialog.h"
#include "framework/CEdit.h"
#include "framework/Controls.h"
#include "settings/DeviceTable.h"

// The open dialog carries this window property, so that a second open of the
// applet finds it and no other program's window of the same title.
inline constexpr char kOpenDialogProperty[] = "Kestrune.DeviceSettings.Open";

class CDeviceSettingsDlg : public CDialog {
public:
    explicit CDeviceSettingsDlg(CWnd* pParent = nullptr);
    ~CDeviceSettingsDlg() override;

    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }
    static const MessageMap* GetThisMessageMap();

    int m_nCurDevice = 0;                                   // the shown slot, 0 to 255
    // The working copy, filled by the caller before DoModal and read back after IDOK.
    CString m_strDeviceName[kDeviceCount];
    DWORD m_dwIPAddress[kDeviceCount] = {};
    BYTE m_byDeviceID[kDeviceCount] = {};
    BYTE m_byTcp[kDeviceCount] = {};
    CString m_strProtectNo[kDeviceCount];
    HexAddressValue m_protectValue[kDeviceCount] = {};     // each slot's protect number as bytes
    CComboBox m_cmbDeviceID;
    CIPAddressCtrl m_ipAddress;
    CButton m_btnTcp;
    CNameFieldEdit m_edtDeviceName;
    CComboBox m_cmbDeviceNo;
    ProtectBytes m_protectBytes = {};                       // what the data exchange trades with 1015
    CWnd* m_pProtectCtl = nullptr;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    void OnSelchangeDeviceNo();
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);
    // Stores the controls' values into slot m_nCurDevice of the working copy;
    // false, with the name field showing why, for a name the settings file
    // would not give back as typed.
    bool CommitShownDevice();
    // Puts slot m_nCurDevice into the controls; the shown slot's transport becomes 1.
    void ShowCurrentDevice();
    void SendProtectCtl(UINT message, HexAddressValue& value) const;
    void SetTransportCheck(int nCheck) const;
};
