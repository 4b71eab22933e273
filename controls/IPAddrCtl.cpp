#include "controls/IPAddrCtl.h"

#include "controls/HexFieldRules.h"
#include "framework/CPaintDC.h"
#include "platform/HexNumber.h"

#include <cstring>
#include <new>

namespace {

constexpr char kClassName[] = "MACAddr";
constexpr char kSeparator[] = " ";

} // namespace

const CRuntimeClass CIPAddrCtl::classCIPAddrCtl{"CIPAddrCtl", &CIPAddrCtl::CreateObject};

CWnd* CIPAddrCtl::CreateObject()
{
    return new (std::nothrow) CIPAddrCtl;
}

const MessageMap* CIPAddrCtl::GetThisMessageMap()
{
    static constexpr MessageEntry entries[] = {
        OnMessage<&CIPAddrCtl::OnCreate>(WM_CREATE),
        OnMessage<&CIPAddrCtl::OnSize>(WM_SIZE),
        OnMessage<&CIPAddrCtl::OnSetFocus>(WM_SETFOCUS),
        OnMessage<&CIPAddrCtl::OnPaint>(WM_PAINT),
        OnMessage<&CIPAddrCtl::OnNcPaint>(WM_NCPAINT),
        OnMessage<&CIPAddrCtl::OnThemeChanged>(WM_THEMECHANGED),
        OnMessage<&CIPAddrCtl::OnEraseBkgnd>(WM_ERASEBKGND),
        OnMessage<&CIPAddrCtl::OnEnable>(WM_ENABLE),
        OnMessage<&CIPAddrCtl::OnSetFont>(WM_SETFONT),
        OnMessage<&CIPAddrCtl::OnClose>(WM_CLOSE),
        OnMessage<&CIPAddrCtl::OnGetAddress>(HFM_GETADDRESS),
        OnMessage<&CIPAddrCtl::OnSetAddress>(HFM_SETADDRESS),
        OnMessage<&CIPAddrCtl::OnSetReadOnly>(HFM_SETREADONLY),
    };
    static constexpr MessageMap map{&CWnd::GetThisMessageMap, entries};
    return &map;
}

void CIPAddrCtl::PostNcDestroy()
{
    delete this;
}

CHexFieldEdit* CIPAddrCtl::GetField(int n)
{
    return n >= 1 && n <= kHexFieldCount ? &m_Field[n - 1] : nullptr;
}

LRESULT CIPAddrCtl::OnCreate(WPARAM, LPARAM lParam)
{
    if (Default() == -1)
        return -1;
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    m_bNoCheck = (create->style & HFS_NOCHECK) ? TRUE : FALSE;
    ModifyStyleEx(0, WS_EX_CLIENTEDGE | WS_EX_NOPARENTNOTIFY);

    // The control's own window is the tab stop; the fields have no border.
    // A centred multi-line edit wraps a pair wider than itself, and without
    // ES_AUTOVSCROLL it would refuse the wrapped digit, silently.
    for (int n = 1; n <= kHexFieldCount; ++n) {
        CHexFieldEdit& field = m_Field[n - 1];
        field.Create(WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_CENTER | ES_AUTOVSCROLL, RECT{0, 0, 0, 0}, this,
                     static_cast<UINT>(n));
        field.SetLimitText(2);
        field.SetAddrCtl(this);
    }
    // Among themed edits the frame looks like theirs; the edge keeps its size.
    m_Frame.Attach(m_hWnd);
    return 0;
}

LRESULT CIPAddrCtl::OnSize(WPARAM, LPARAM)
{
    Default();

    // The gap is a blank of the window's default font, whatever font the fields use.
    SIZE separator{};
    HDC hDC = ::GetDC(m_hWnd);
    GetTextExtentPoint32A(hDC, kSeparator, 1, &separator);
    ::ReleaseDC(m_hWnd, hDC);

    RECT client;
    GetClientRect(&client);
    const int edge = GetSystemMetrics(SM_CYEDGE);
    const HexFieldLayout layout = LayOutHexFields(client.right, client.bottom, separator.cx, edge);

    std::memcpy(m_rcField, layout.fields, sizeof m_rcField);
    std::memcpy(m_rcSeparator, layout.separators, sizeof m_rcSeparator);
    for (int i = 0; i < kHexFieldCount; ++i) {
        const RECT& rc = m_rcField[i];
        m_Field[i].MoveWindow(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
    }
    m_FieldFont.Refit(m_Field);
    return 0;
}

LRESULT CIPAddrCtl::OnSetFocus(WPARAM, LPARAM)
{
    Default();
    m_Field[0].SetFocus();
    m_Field[0].SetSel(0, -1);
    m_Field[0].ScrollCaret();
    return 0;
}

LRESULT CIPAddrCtl::OnPaint(WPARAM, LPARAM)
{
    CPaintDC dc(this);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = SetTextColor(dc, GetSysColor(m_bEnabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    for (RECT rc : m_rcSeparator)
        DrawTextA(dc, kSeparator, 1, &rc, DT_SINGLELINE | DT_BOTTOM | DT_CENTER);
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
    return 0;
}

LRESULT CIPAddrCtl::OnNcPaint(WPARAM, LPARAM)
{
    if (!m_Frame.Paint(FrameState()))
        Default();
    return 0;
}

LRESULT CIPAddrCtl::OnThemeChanged(WPARAM, LPARAM)
{
    m_Frame.Reopen();
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    return 0;
}

ThemedEditFrame::State CIPAddrCtl::FrameState() const
{
    using State = ThemedEditFrame::State;
    const HWND hFocus = ::GetFocus();
    if (!::IsWindowEnabled(m_hWnd))
        return State::Disabled;
    if (m_bReadOnly)
        return State::ReadOnly;
    return hFocus == m_hWnd || ::IsChild(m_hWnd, hFocus) ? State::Focused : State::Normal;
}

void CIPAddrCtl::UpdateFrame()
{
    // A classic frame does not change with these states: nothing to paint then.
    m_Frame.Paint(FrameState());
}

LRESULT CIPAddrCtl::OnEraseBkgnd(WPARAM wParam, LPARAM)
{
    RECT client;
    GetClientRect(&client);
    const int color = m_bEnabled && !m_bReadOnly ? COLOR_WINDOW : COLOR_BTNFACE;
    FillRect(reinterpret_cast<HDC>(wParam), &client, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(color + 1)));
    return 1;
}

LRESULT CIPAddrCtl::OnEnable(WPARAM wParam, LPARAM)
{
    Default();
    const BOOL bEnable = static_cast<BOOL>(wParam);
    if (bEnable != m_bEnabled) {
        m_bEnabled = bEnable;
        for (CHexFieldEdit& field : m_Field)
            field.EnableWindow(bEnable);
    }
    Invalidate(TRUE);
    UpdateFrame();
    return 0;
}

LRESULT CIPAddrCtl::OnSetFont(WPARAM wParam, LPARAM lParam)
{
    // The fields show the given font, or a smaller size of it when a pair of
    // digits would not fit them.
    m_FieldFont.Apply(reinterpret_cast<HFONT>(wParam), m_Field, LOWORD(lParam));
    return 0;
}

LRESULT CIPAddrCtl::OnClose(WPARAM, LPARAM)
{
    // A field's own Escape handling posts WM_CLOSE here; the dialog that holds
    // the control decides when it goes, not a keystroke.
    return 0;
}

BOOL CIPAddrCtl::ParseField(CHexFieldEdit& field, int& value)
{
    CString text;
    field.GetWindowText(text);
    if (text.IsEmpty()) {
        value = 0;
        field.SetWindowText("00");
        return TRUE;
    }
    const long number = ParseHexNumber(text);
    if (number < 0 || number > 255) {
        value = 0;
        field.SetWindowText("00");
    } else {
        value = static_cast<int>(number);
    }
    return TRUE;
}

LRESULT CIPAddrCtl::OnGetAddress(WPARAM, LPARAM lParam)
{
    auto* pValue = reinterpret_cast<HexAddressValue*>(lParam);
    if (!pValue)
        return 0;
    std::memset(pValue, 0, sizeof *pValue);
    for (int i = 0; i < kHexFieldCount; ++i) {
        int value = 0;
        ParseField(m_Field[i], value);
        pValue->bytes[i] = static_cast<BYTE>(value);
    }
    pValue->nErrorField = 0;
    return 1;
}

LRESULT CIPAddrCtl::OnSetAddress(WPARAM, LPARAM lParam)
{
    const auto* pValue = reinterpret_cast<const HexAddressValue*>(lParam);
    if (!pValue)
        return 0;
    for (int i = 0; i < kHexFieldCount; ++i)
        m_Field[i].SetWindowText(FormatByte(pValue->bytes[i]));
    return 1;
}

LRESULT CIPAddrCtl::OnSetReadOnly(WPARAM wParam, LPARAM)
{
    m_bReadOnly = static_cast<BOOL>(wParam);
    for (CHexFieldEdit& field : m_Field)
        field.SetReadOnly(m_bReadOnly);
    Invalidate(TRUE);
    UpdateFrame();
    return 1;
}

void CIPAddrCtl::OnChildChar(UINT nChar, UINT, UINT, CHexFieldEdit* pField)
{
    const int n = pField->GetDlgCtrlID();
    CHexFieldEdit* pNext = n < kHexFieldCount ? GetField(n + 1) : nullptr;
    CHexFieldEdit* pPrevious = n > 1 ? GetField(n - 1) : nullptr;
    HWND hParent = ::GetParent(m_hWnd);

    switch (nChar) {
    case '\t':
        if (HWND hItem = GetNextDlgTabItem(hParent, m_hWnd, GetKeyState(VK_SHIFT) < 0))
            ::SetFocus(hItem);
        break;
    case '\r': {
        const DWORD defId = static_cast<DWORD>(::SendMessageA(hParent, DM_GETDEFID, 0, 0));
        if (HIWORD(defId) == DC_HASDEFID) {
            const WORD id = LOWORD(defId);
            ::SendMessageA(hParent, WM_COMMAND, MAKEWPARAM(id, 0), reinterpret_cast<LPARAM>(::GetDlgItem(hParent, id)));
        }
        break;
    }
    case kFieldFull:
        if (!m_bNoCheck && !CheckFullField(*pField))
            break;
        [[fallthrough]];
    case ' ':
    case '.':
        if (pNext) {
            pNext->SetFocus();
            pNext->SetSel(0, -1);
            pNext->ScrollCaret();
        }
        break;
    case VK_RIGHT:
        if (pNext)
            pNext->SetFocus();
        break;
    case VK_LEFT:
        if (pPrevious)
            pPrevious->SetFocus();
        break;
    default:
        break;
    }
}

BOOL CIPAddrCtl::CheckFullField(CHexFieldEdit& field)
{
    CString text;
    field.GetWindowText(text);
    const long number = ParseHexNumber(text);
    if (number >= 0 && number <= 255)
        return TRUE;
    field.SetWindowText("00");
    field.SetFocus();
    field.SetSel(0, -1);
    field.ScrollCaret();
    return FALSE;
}

LRESULT CALLBACK MACAddrWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        // The object is made with its window; from here on the framework routes
        // the window's messages and sends what it leaves back to this procedure.
        CWnd* pControl = CIPAddrCtl::classCIPAddrCtl.CreateObject();
        if (!pControl)
            return FALSE;
        BOOL bAttached = FALSE;
        try {
            bAttached = pControl->SubclassWindow(hWnd);
        } catch (...) {
            // The handle map could not grow; the window is not made.
        }
        if (!bAttached)
            delete pControl;
        return bAttached;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

BOOL RegisterMACAddrClass()
{
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS;
    wc.lpfnWndProc = &MACAddrWndProc;
    wc.hCursor = LoadCursorA(nullptr, IDC_IBEAM);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = kClassName;
    return RegisterClassA(&wc) != 0;
}

namespace {

// Dialogs anywhere in the process can name the class once the library is
// loaded. The class is global, so it would outlive the library and point into
// unloaded code: the library takes back what it registered when it goes. A
// class that another module registered first is not ours to remove.
class CMACAddrClassRegistration {
public:
    CMACAddrClassRegistration() : m_bRegistered(RegisterMACAddrClass()) {}
    ~CMACAddrClassRegistration()
    {
        if (m_bRegistered)
            UnregisterMACAddrClass();
    }
    CMACAddrClassRegistration(const CMACAddrClassRegistration&) = delete;
    CMACAddrClassRegistration& operator=(const CMACAddrClassRegistration&) = delete;

private:
    BOOL m_bRegistered;
};

const CMACAddrClassRegistration g_classRegistration;

} // namespace

BOOL UnregisterMACAddrClass()
{
    // A class registered without an instance is recorded under the instance
    // the system chose (the process's main module on Wine): unregister it with that.
    WNDCLASSA wc{};
    if (!GetClassInfoA(GetModuleHandleA(nullptr), kClassName, &wc) || wc.lpfnWndProc != &MACAddrWndProc)
        return FALSE;
    return UnregisterClassA(kClassName, wc.hInstance);
}

void DDX_HexAddress(CDataExchange* pDX, int nIDC, BYTE (&value)[kHexFieldCount])
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    HexAddressValue record{};
    if (pDX->m_bSaveAndValidate) {
        if (::SendMessageA(hWndCtrl, HFM_GETADDRESS, 1, reinterpret_cast<LPARAM>(&record)) == 1)
            std::memcpy(value, record.bytes, sizeof value);
    } else {
        std::memcpy(record.bytes, value, sizeof value);
        ::SendMessageA(hWndCtrl, HFM_SETADDRESS, 0, reinterpret_cast<LPARAM>(&record));
    }
}
