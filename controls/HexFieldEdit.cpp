#include "controls/HexFieldEdit.h"

#include "controls/HexFieldRules.h"
#include "controls/IPAddrCtl.h"
#include "framework/Accessible.h"
#include "resources/resource.h"

namespace {

bool IsDialogWindow(HWND hWnd)
{
    char name[12] = {};
    return hWnd && GetClassNameA(hWnd, name, sizeof name) && lstrcmpA(name, "#32770") == 0;
}

} // namespace

const MessageMap* CHexFieldEdit::GetThisMessageMap()
{
    static constexpr MessageEntry entries[] = {
        OnMessage<&CHexFieldEdit::OnChar>(WM_CHAR),
        OnMessage<&CHexFieldEdit::OnKeyDown>(WM_KEYDOWN),
        OnMessage<&CHexFieldEdit::OnFocusChange>(WM_SETFOCUS),
        OnMessage<&CHexFieldEdit::OnFocusChange>(WM_KILLFOCUS),
    };
    static constexpr MessageMap map{&CEdit::GetThisMessageMap, entries};
    return &map;
}

void CHexFieldEdit::SetAddrCtl(CIPAddrCtl* pAddrCtl)
{
    m_pAddrCtl = pAddrCtl;
    SetLifetimeOwner(pAddrCtl);
}

LRESULT CHexFieldEdit::OnChar(WPARAM wParam, LPARAM lParam)
{
    const UINT nChar = static_cast<UINT>(wParam);
    const UINT nRepCnt = LOWORD(lParam);
    const UINT nFlags = HIWORD(lParam);
    switch (ClassifyFieldChar(nChar)) {
    case FieldChar::Navigation:
        if (m_pAddrCtl)
            m_pAddrCtl->OnChildChar(nChar, nRepCnt, nFlags, this);
        return 0;
    case FieldChar::Edit: {
        const LRESULT result = Default();
        if (m_pAddrCtl && GetWindowTextLength() == 2)
            m_pAddrCtl->OnChildChar(kFieldFull, 0, nFlags, this);
        return result;
    }
    case FieldChar::Refused:
        break;
    }
    MessageBeep(0xFFFFFFFF);
    return 0;
}

LRESULT CHexFieldEdit::OnFocusChange(WPARAM, LPARAM)
{
    // The control's frame shows whether the focus is in one of its fields.
    const LRESULT result = Default();
    if (m_pAddrCtl)
        m_pAddrCtl->UpdateFrame();
    return result;
}

LRESULT CHexFieldEdit::OnKeyDown(WPARAM wParam, LPARAM lParam)
{
    const UINT nChar = static_cast<UINT>(wParam);
    if (nChar == VK_ESCAPE) {
        if (CancelDialog())
            return 0;
    } else if ((nChar == VK_LEFT || nChar == VK_RIGHT) && m_pAddrCtl) {
        POINT caret{};
        GetCaretPos(&caret);
        const int index = CharFromPos(caret);
        if ((nChar == VK_LEFT && index == 0) || (nChar == VK_RIGHT && index == GetWindowTextLength()))
            m_pAddrCtl->OnChildChar(nChar, LOWORD(lParam), HIWORD(lParam), this);
    }
    return Default();
}

CStringW CHexFieldEdit::GetAccessibleName() const
{
    if (!m_pAddrCtl)
        return CEdit::GetAccessibleName();
    const CStringW owner = AfxGetAccessibleName(m_pAddrCtl->m_hWnd);
    CStringW format, name;
    if (owner.IsEmpty()) {
        format.LoadString(IDS_FIELD_BYTE);
        name.Format(format, GetDlgCtrlID(), kHexFieldCount);
    } else {
        format.LoadString(IDS_FIELD_BYTE_NAMED);
        name.Format(format, owner.GetString(), GetDlgCtrlID(), kHexFieldCount);
    }
    return name;
}

bool CHexFieldEdit::CancelDialog() const
{
    // The edit's own Escape handling would post WM_CLOSE to the control, not
    // cancel the dialog; a dialog inside another dialog leaves it to the outer one.
    HWND hDialog = ::GetParent(::GetParent(m_hWnd));
    if (!IsDialogWindow(hDialog))
        return false;
    HWND hOuter = ::GetParent(hDialog);
    HWND hTarget = IsDialogWindow(hOuter) ? hOuter : hDialog;
    ::SendMessageA(hTarget, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(::GetDlgItem(hTarget, IDCANCEL)));
    return true;
}
