#include "dialog/DeviceSettingsDlg.h"

#include "controls/IPAddrCtl.h"
#include "framework/CDataExchange.h"
#include "framework/CWinApp.h"
#include "platform/AnsiText.h"
#include "resources/resource.h"

#include <commctrl.h>

#include <iterator>
#include <string>

namespace {

// The name field takes only what the settings file can hold: characters of
// the ANSI code page, on one line. The field is an ANSI window, which would
// turn any other character into '?'; its text arrives as UTF-16 only before
// that conversion, so a Unicode subclass looks at typed characters and at the
// clipboard's Unicode text. A paste with any character it can't hold is
// refused whole, and the field's balloon says why.
constexpr char kSuperProperty[] = "Kestrune.NameEdit.Super";
constexpr char kTipProperty[] = "Kestrune.NameEdit.Tip";
constexpr UINT_PTR kTipTimer = 0x4B54;
constexpr UINT kTipMs = 6000;

// An edit without its own balloon (Wine's, or common controls before
// version 6) gets a balloon tooltip below it instead.
bool ShowTooltipBalloon(HWND hWnd, const wchar_t* title, const wchar_t* text)
{
    auto tip = static_cast<HWND>(GetPropA(hWnd, kTipProperty));
    if (!tip) {
        tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_BALLOON | TTS_NOPREFIX | TTS_ALWAYSTIP,
                              0, 0, 0, 0, hWnd, nullptr, nullptr, nullptr);
        if (tip && !SetPropA(hWnd, kTipProperty, tip)) {
            DestroyWindow(tip);
            tip = nullptr;
        }
        if (!tip)
            return false;
    }
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_IDISHWND;
    tool.hwnd = hWnd;
    tool.uId = reinterpret_cast<UINT_PTR>(hWnd);
    tool.lpszText = const_cast<wchar_t*>(text);
    SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    if (!SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)))
        return false;
    SendMessageW(tip, TTM_SETTITLEW, TTI_WARNING, reinterpret_cast<LPARAM>(title));
    RECT field;
    GetWindowRect(hWnd, &field);
    SendMessageW(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(field.left + (field.bottom - field.top) / 2, field.bottom));
    SendMessageW(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    SetTimer(hWnd, kTipTimer, kTipMs, nullptr);
    return true;
}

void HideTooltipBalloon(HWND hWnd)
{
    if (auto tip = static_cast<HWND>(GetPropA(hWnd, kTipProperty))) {
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.hwnd = hWnd;
        tool.uId = reinterpret_cast<UINT_PTR>(hWnd);
        SendMessageW(tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
        KillTimer(hWnd, kTipTimer);
    }
}

void ShowRefusal(HWND hWnd)
{
    wchar_t title[128] = {};
    wchar_t text[512] = {};
    const HINSTANCE resources = AfxGetResourceHandle();
    LoadStringW(resources, IDS_NAME_CHAR_TITLE, title, static_cast<int>(std::size(title)));
    LoadStringW(resources, IDS_NAME_CHAR_TEXT, text, static_cast<int>(std::size(text)));
    EDITBALLOONTIP balloon{sizeof balloon, title, text, TTI_WARNING};
    if (!SendMessageW(hWnd, EM_SHOWBALLOONTIP, 0, reinterpret_cast<LPARAM>(&balloon))
        && !ShowTooltipBalloon(hWnd, title, text))
        MessageBeep(MB_ICONWARNING);
}

bool CanHold(const wchar_t* text, int length)
{
    for (int i = 0; i < length; ++i)
        if (text[i] == L'\r' || text[i] == L'\n')
            return false;
    return FitsAnsiCodePage(text, length);
}

// The clipboard's text up to its first line break, put in as one edit.
void Paste(HWND hWnd)
{
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(hWnd))
        return;
    std::wstring text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* locked = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = locked;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();

    text = text.substr(0, text.find_first_of(L"\r\n"));
    if (!CanHold(text.data(), static_cast<int>(text.size()))) {
        ShowRefusal(hWnd);
        return;
    }
    HideTooltipBalloon(hWnd);
    if (!text.empty())
        SendMessageW(hWnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

LRESULT CALLBACK NameEditProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto super = reinterpret_cast<WNDPROC>(GetPropA(hWnd, kSuperProperty));
    if (!super)
        return DefWindowProcW(hWnd, message, wParam, lParam);

    switch (message) {
    case WM_CHAR:
    case WM_IME_CHAR: {
        // Each half of a surrogate pair is refused: no ANSI code page holds one alone.
        const wchar_t ch = static_cast<wchar_t>(wParam);
        if (!CanHold(&ch, 1)) {
            ShowRefusal(hWnd);
            return 0;
        }
        HideTooltipBalloon(hWnd);
        break;
    }
    case WM_KILLFOCUS:
        HideTooltipBalloon(hWnd);
        break;
    case WM_TIMER:
        if (wParam != kTipTimer)
            break;
        HideTooltipBalloon(hWnd);
        return 0;
    case WM_UNICHAR:
        if (wParam == UNICODE_NOCHAR)
            return TRUE;
        if (const wchar_t ch = static_cast<wchar_t>(wParam); wParam > 0xFFFF || !CanHold(&ch, 1)) {
            ShowRefusal(hWnd);
            return FALSE;
        }
        break;
    case WM_PASTE:
        if (!(GetWindowLongPtrW(hWnd, GWL_STYLE) & ES_READONLY))
            Paste(hWnd);
        return 0;
    case WM_KEYDOWN:
        // Shift+Insert pastes inside the edit without a WM_PASTE.
        if (wParam == VK_INSERT && GetKeyState(VK_SHIFT) < 0 && GetKeyState(VK_CONTROL) >= 0) {
            SendMessageW(hWnd, WM_PASTE, 0, 0);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        if (auto tip = static_cast<HWND>(RemovePropA(hWnd, kTipProperty)))
            DestroyWindow(tip);
        SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
        RemovePropA(hWnd, kSuperProperty);
        break;
    default:
        break;
    }
    return CallWindowProcW(super, hWnd, message, wParam, lParam);
}

void FilterNameInput(HWND hWnd)
{
    const LONG_PTR super = GetWindowLongPtrW(hWnd, GWLP_WNDPROC);
    if (super && SetPropA(hWnd, kSuperProperty, reinterpret_cast<HANDLE>(super)))
        SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NameEditProc));
}

} // namespace

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
    FilterNameInput(m_edtDeviceName.m_hWnd);

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

void CDeviceSettingsDlg::CommitShownDevice()
{
    const int k = m_nCurDevice;

    CString name;
    m_edtDeviceName.GetWindowText(name);
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
}

void CDeviceSettingsDlg::OnSelchangeDeviceNo()
{
    CommitShownDevice();

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
    CommitShownDevice();
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
