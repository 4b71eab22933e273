#pragma once
// The device name field: an edit that takes only what the settings file can
// hold, characters of the ANSI code page on one line. A character it
// refuses, typed or pasted, is not entered, and a balloon says why; a paste
// with any such character is refused whole, and a pasted text ends at its
// first line break. Its messages arrive as UTF-16, before a conversion to
// the code page could turn a character it cannot hold into one it can ('?').

#include "framework/CEdit.h"
#include "resources/resource.h"

class CNameFieldEdit : public CEdit {
public:
    CNameFieldEdit() { m_bUnicode = true; }

    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }
    static const MessageMap* GetThisMessageMap();

    // A balloon at the field with these string resources, or a beep.
    void ShowRefusal(UINT idTitle, UINT idText);

private:
    LRESULT OnChar(WPARAM wParam, LPARAM lParam);   // WM_CHAR and WM_IME_CHAR
    LRESULT OnUniChar(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaste(WPARAM wParam, LPARAM lParam);
    LRESULT OnKeyDown(WPARAM wParam, LPARAM lParam);
    LRESULT OnKillFocus(WPARAM wParam, LPARAM lParam);
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);
    void ShowRefusal() { ShowRefusal(IDS_NAME_CHAR_TITLE, IDS_NAME_CHAR_TEXT); }
    bool ShowTooltipBalloon(LPCWSTR pszTitle, LPCWSTR pszText);
    void HideTooltipBalloon();

    HWND m_hTip = nullptr;   // the balloon of an edit that has none of its own
};
