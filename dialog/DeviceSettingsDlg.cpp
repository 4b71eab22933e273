#include "dialog/DeviceSettingsDlg.h"

#include "controls/IPAddrCtl.h"
#include "framework/CDataExchange.h"
#include "resources/resource.h"
#include "settings/DeviceTableFile.h"

CDeviceSettingsDlg::CDeviceSettingsDlg(CWnd* pParent)
    : CDialog(IDD_DEVICE_SETTINGS, pParent)
{
}

CDeviceSettingsDlg::~CDeviceSettingsDlg() = default;

const MessageMap* CDeviceSettingsDlg::GetThisMessageMap()
{
    static constexpr MessageEntry entries[] = {
        OnCommand<&CDeviceSettingsDlg::OnSelchangeDeviceNo>(CBN_SELCHANGE, IDC_DEVICE_NO),
        OnMessage<&CDeviceSettingsDlg::OnDestroy>(WM_DESTROY),
    };
    static constexpr MessageMap map{&CDialog::GetThisMessageMap, entries};
    return &map;
}

void CDeviceSettingsDlg::DoDataExchange(CDataExchange* pDX)
{
    if (!m_pProtectCtl)
        m_pProtectCtl = GetDlgItem(IDC_PROTECT_NO);
    DDX_Control(pDX, IDC_DEVICE_ID, m_cmbDeviceID);
    DDX_Control(pDX, IDC_IP_ADDRESS, m_ipAddress);
    DDX_Control(pDX, IDC_TCP, m_btnTcp);
    DDX_Control(pDX, IDC_DEVICE_NAME, m_edtDeviceName);
    DDX_Control(pDX, IDC_DEVICE_NO, m_cmbDeviceNo);
    DDX_HexAddress(pDX, IDC_PROTECT_NO, m_protectBytes);
}

BOOL CDeviceSettingsDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    SetPropA(m_hWnd, kOpenDialogProperty, reinterpret_cast<HANDLE>(1));
    m_edtDeviceName.SetLimitText(kDeviceNameLimit);

    m_nCurDevice = 0;
    for (int n = 1; n <= kDeviceCount; ++n) {
        CString text;
        text.Format("%d", n);
        m_cmbDeviceNo.AddString(text);
        m_cmbDeviceID.AddString(text);
    }
    m_cmbDeviceNo.SetCurSel(m_nCurDevice);

    // Every slot's text is read once here; a slot keeps its text exactly as
    // loaded until it is shown and committed.
    for (int k = 0; k < kDeviceCount; ++k)
        ProtectTextToBytes(m_protectValue[k].bytes, m_strProtectNo[k]);

    ShowCurrentDevice();
    return TRUE;   // the focus goes to the first tab stop, OK
}

void CDeviceSettingsDlg::ShowCurrentDevice()
{
    const int k = m_nCurDevice;
    m_edtDeviceName.SetWindowText(m_strDeviceName[k]);
    m_ipAddress.SetAddress(m_dwIPAddress[k]);
    SendProtectCtl(HFM_SETADDRESS, m_protectValue[k]);
    m_cmbDeviceID.SetCurSel(m_byDeviceID[k]);
    // Only TCP-KEEPALIVE can be chosen, so a shown slot always takes it.
    m_byTcp[k] = kTransportTcpKeepAlive;
    SetTransportCheck(BST_CHECKED);
}

bool CDeviceSettingsDlg::CommitShownDevice()
{
    const int k = m_nCurDevice;

    CString name;
    m_edtDeviceName.GetWindowText(name);
    if (!name.IsEmpty() && !NameFitsFile(name)) {
        // Focus and selection go to the name, as the dialog manager gives them.
        ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_edtDeviceName.m_hWnd), TRUE);
        m_edtDeviceName.ShowRefusal(IDS_NAME_LONG_TITLE, IDS_NAME_LONG_TEXT);
        return false;
    }
    if (!name.IsEmpty())
        m_strDeviceName[k] = name;

    m_ipAddress.GetAddress(m_dwIPAddress[k]);

    HexAddressValue value{};
    SendProtectCtl(HFM_GETADDRESS, value);
    m_protectValue[k] = value;
    ProtectBytesToText(m_protectValue[k].bytes, m_strProtectNo[k]);

    m_byDeviceID[k] = static_cast<BYTE>(m_cmbDeviceID.GetCurSel() & 0xFF);

    for (int id = IDC_TCP; id <= IDC_UDP; ++id) {
        if (::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED) {
            m_byTcp[k] = static_cast<BYTE>(id - IDC_TCP);
            break;
        }
    }
    return true;
}

void CDeviceSettingsDlg::OnSelchangeDeviceNo()
{
    if (!CommitShownDevice()) {
        m_cmbDeviceNo.SetCurSel(m_nCurDevice);
        return;
    }

    // Without a selection the controls still show the committed slot, so it
    // stays the current one, radio button included, and the next commit goes
    // back into it.
    const int selected = m_cmbDeviceNo.GetCurSel();
    if (selected < 0 || selected >= kDeviceCount)
        return;
    SetTransportCheck(BST_UNCHECKED);
    m_nCurDevice = selected;
    ShowCurrentDevice();
}

LRESULT CDeviceSettingsDlg::OnDestroy(WPARAM wParam, LPARAM lParam)
{
    RemovePropA(m_hWnd, kOpenDialogProperty);
    return DefWindowProc(WM_DESTROY, wParam, lParam);
}

void CDeviceSettingsDlg::OnOK()
{
    if (CommitShownDevice())
        CDialog::OnOK();
}

void CDeviceSettingsDlg::SendProtectCtl(UINT message, HexAddressValue& value) const
{
    if (m_pProtectCtl)
        m_pProtectCtl->SendMessage(message, 0, reinterpret_cast<LPARAM>(&value));
}

void CDeviceSettingsDlg::SetTransportCheck(int nCheck) const
{
    // A transport outside 0 to 2 is never shown: showing a slot makes it 1.
    const BYTE transport = m_byTcp[m_nCurDevice];
    if (transport <= kTransportUdp)
        ::CheckDlgButton(m_hWnd, IDC_TCP + transport, static_cast<UINT>(nCheck));
}
