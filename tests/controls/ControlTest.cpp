// The control's window, messages, layout, colours and lifetime, on real windows.

#include "controls/HexFieldRules.h"
#include "controls/IPAddrCtl.h"
#include "platform/HexNumber.h"
#include "tests/support/DialogTemplate.h"
#include "tests/support/WindowText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kId = 1015;

// An object whose freeing a test watches: this program's operator delete counts it.
const void* g_watched = nullptr;
int g_watchedFrees = 0;
int g_freesWhenOKReturned = -1;

INT_PTR CALLBACK ClosesOnOK(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK)
        DestroyWindow(hDlg);
    return message == WM_INITDIALOG;
}

LRESULT CALLBACK AfterWindowProc(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_COMMAND && LOWORD(call->wParam) == IDOK)
        g_freesWhenOKReturned = g_watchedFrees;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// A top-level window holding one control, destroyed with the fixture.
class ControlWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(parent, nullptr);
    }
    void TearDown() override { DestroyWindow(parent); }

    HWND Make(DWORD style = 0, int width = 120, int height = 20)
    {
        return CreateWindowExA(0, "MACAddr", "", WS_CHILD | WS_VISIBLE | WS_BORDER | style, 0, 0, width, height,
                               parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kId)), nullptr, nullptr);
    }
    static HWND Field(HWND hCtl, int n) { return GetDlgItem(hCtl, n); }

    static COLORREF ErasedColor(HWND hCtl)
    {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 8, 8);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(dc, bitmap);
        EXPECT_NE(SendMessageA(hCtl, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 0);
        const COLORREF color = GetPixel(dc, 3, 3);
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        return color;
    }

    HWND parent = nullptr;
};

} // namespace

void operator delete(void* p) noexcept
{
    if (p && p == g_watched)
        ++g_watchedFrees;
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { ::operator delete(p); }

TEST_F(ControlWindow, IsMadeWithItsObjectAndSixBorderlessFields)
{
    HWND hCtl = Make();
    ASSERT_NE(hCtl, nullptr);
    auto* ctl = dynamic_cast<CIPAddrCtl*>(CWnd::FromHandlePermanent(hCtl));
    ASSERT_NE(ctl, nullptr);
    EXPECT_STREQ(ctl->GetRuntimeClass()->m_lpszClassName, "CIPAddrCtl");
    EXPECT_EQ(GetWindowLongA(hCtl, GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_NOPARENTNOTIFY),
              WS_EX_CLIENTEDGE | WS_EX_NOPARENTNOTIFY);
    for (int n = 1; n <= kHexFieldCount; ++n) {
        ASSERT_EQ(ctl->GetField(n)->m_hWnd, Field(hCtl, n));
        EXPECT_EQ(ctl->GetField(n)->m_pAddrCtl, ctl);
        const LONG style = GetWindowLongA(Field(hCtl, n), GWL_STYLE);
        EXPECT_EQ(style & (ES_MULTILINE | ES_CENTER | WS_BORDER | WS_TABSTOP), ES_MULTILINE | ES_CENTER);
        EXPECT_EQ(SendMessageA(Field(hCtl, n), EM_GETLIMITTEXT, 0, 0), 2);
    }
    EXPECT_EQ(ctl->GetField(0), nullptr);
    EXPECT_EQ(ctl->GetField(7), nullptr);
    EXPECT_FALSE(ctl->m_bNoCheck);
    HWND hNoCheck = CreateWindowExA(0, "MACAddr", "", WS_CHILD | HFS_NOCHECK, 0, 30, 120, 20, parent, nullptr,
                                    nullptr, nullptr);
    EXPECT_TRUE(dynamic_cast<CIPAddrCtl*>(CWnd::FromHandlePermanent(hNoCheck))->m_bNoCheck);
}

TEST_F(ControlWindow, SetAndReadSixBytes)
{
    HWND hCtl = Make();
    ASSERT_NE(hCtl, nullptr);

    HexAddressValue value{{0, 1, 10, 16, 171, 255}, 0};
    EXPECT_EQ(SendMessageA(hCtl, HFM_SETADDRESS, 0, reinterpret_cast<LPARAM>(&value)), 1);
    const char* shown[] = {"00", "01", "0A", "10", "AB", "FF"};
    for (int n = 1; n <= kHexFieldCount; ++n)
        EXPECT_EQ(WindowText(Field(hCtl, n)), shown[n - 1]) << "field " << n;
    EXPECT_EQ(GetFocus(), nullptr) << "setting moves no focus";

    HexAddressValue read;
    std::memset(&read, 0xAB, sizeof read);
    EXPECT_EQ(SendMessageA(hCtl, HFM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&read)), 1);
    EXPECT_EQ(std::memcmp(read.bytes, value.bytes, sizeof read.bytes), 0);
    EXPECT_EQ(read.nErrorField, 0);
}

TEST_F(ControlWindow, ReadingRewritesOnlyEmptyAndOutOfRangeFields)
{
    HWND hCtl = Make();
    ASSERT_NE(hCtl, nullptr);
    // What pasting can leave in a field: the filter only guards typing.
    const char* texts[] = {"a", "", "-1", "zz", "7z", "0x"};
    const BYTE values[] = {10, 0, 0, 0, 7, 0};
    const char* after[] = {"a", "00", "00", "zz", "7z", "0x"};
    for (int n = 1; n <= kHexFieldCount; ++n)
        SetWindowTextA(Field(hCtl, n), texts[n - 1]);

    HexAddressValue read{};
    EXPECT_EQ(SendMessageA(hCtl, HFM_GETADDRESS, 1, reinterpret_cast<LPARAM>(&read)), 1);
    for (int n = 1; n <= kHexFieldCount; ++n) {
        EXPECT_EQ(read.bytes[n - 1], values[n - 1]) << "field " << n;
        EXPECT_EQ(WindowText(Field(hCtl, n)), after[n - 1]) << "field " << n;
    }
    EXPECT_EQ(read.nErrorField, 0);
}

TEST_F(ControlWindow, NullRecordsAnswerZeroAndChangeNothing)
{
    HWND hCtl = Make();
    ASSERT_NE(hCtl, nullptr);
    HexAddressValue value{{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}, 0};
    SendMessageA(hCtl, HFM_SETADDRESS, 0, reinterpret_cast<LPARAM>(&value));
    SetWindowTextA(Field(hCtl, 2), "");

    EXPECT_EQ(SendMessageA(hCtl, HFM_SETADDRESS, 0, 0), 0);
    EXPECT_EQ(SendMessageA(hCtl, HFM_GETADDRESS, 1, 0), 0);
    EXPECT_EQ(WindowText(Field(hCtl, 1)), "12");
    EXPECT_EQ(WindowText(Field(hCtl, 2)), "") << "a null read rewrites no field";
    EXPECT_EQ(WindowText(Field(hCtl, 6)), "BC");
}

TEST_F(ControlWindow, DataExchangeLoadsAndSaves)
{
    HWND hCtl = Make();
    ASSERT_NE(hCtl, nullptr);
    CWnd dialog;
    ASSERT_TRUE(dialog.Attach(parent));

    BYTE bytes[kHexFieldCount] = {0xDE, 0xAD, 0x00, 0x01, 0xBE, 0xEF};
    CDataExchange load(&dialog, FALSE);
    DDX_HexAddress(&load, kId, bytes);
    EXPECT_EQ(WindowText(Field(hCtl, 1)), "DE");
    EXPECT_EQ(WindowText(Field(hCtl, 6)), "EF");

    SetWindowTextA(Field(hCtl, 3), "7f");
    BYTE saved[kHexFieldCount] = {};
    CDataExchange save(&dialog, TRUE);
    DDX_HexAddress(&save, kId, saved);
    const BYTE expected[kHexFieldCount] = {0xDE, 0xAD, 0x7F, 0x01, 0xBE, 0xEF};
    EXPECT_EQ(std::memcmp(saved, expected, sizeof saved), 0);

    CDataExchange missing(&dialog, TRUE);
    EXPECT_THROW(DDX_HexAddress(&missing, kId + 1, saved), CDataExchange::Failure);
    dialog.Detach();
}

TEST(HexFieldLayout, SixEqualFieldsWithGapsBetween)
{
    const HexFieldLayout layout = LayOutHexFields(100, 20, 3, 2);
    for (int i = 0; i < kHexFieldCount; ++i) {
        EXPECT_EQ(layout.fields[i].left, 17 * i);
        EXPECT_EQ(layout.fields[i].right, 17 * i + 14);
        EXPECT_EQ(layout.fields[i].top, 2);
        EXPECT_EQ(layout.fields[i].bottom, 20);
    }
    for (int i = 0; i < kHexFieldCount - 1; ++i) {
        EXPECT_EQ(layout.separators[i].left, 17 * i + 14);
        EXPECT_EQ(layout.separators[i].right, 17 * (i + 1));
        EXPECT_EQ(layout.separators[i].top, 0);
        EXPECT_EQ(layout.separators[i].bottom, 20);
    }
    EXPECT_EQ(layout.fields[5].right, 99) << "the last column is left over";

    EXPECT_EQ(LayOutHexFields(10, 20, 3, 2).fields[0].right, 0);
    const HexFieldLayout none = LayOutHexFields(0, 20, 3, 2);
    EXPECT_EQ(none.fields[1].left, 1);
    EXPECT_EQ(none.fields[1].right - none.fields[1].left, -2);
}

TEST(HexFieldText, EveryByteFormatsAsTwoUpperCaseDigitsAndReadsBack)
{
    for (int b = 0; b < 256; ++b) {
        const CString text = FormatByte(static_cast<BYTE>(b));
        ASSERT_EQ(text.GetLength(), 2) << b;
        EXPECT_EQ(CString(text).MakeUpper(), text) << b;
        EXPECT_EQ(ParseHexNumber(text), b);
    }
    EXPECT_EQ(ParseHexNumber(" +0x1f"), 31);
    EXPECT_EQ(ParseHexNumber("-1"), -1);
    EXPECT_EQ(ParseHexNumber("g1"), 0);
}

TEST_F(ControlWindow, FieldsFollowTheLayoutOfABlankInTheDefaultFont)
{
    HWND hCtl = Make(0, 160, 24);
    ASSERT_NE(hCtl, nullptr);
    // A font for the fields must not change the gap.
    SendMessageA(hCtl, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT)), FALSE);
    MoveWindow(hCtl, 0, 0, 150, 22, TRUE);

    SIZE blank{};
    HDC dc = GetDC(hCtl);
    GetTextExtentPoint32A(dc, " ", 1, &blank);
    ReleaseDC(hCtl, dc);
    ASSERT_GT(blank.cx, 0);
    RECT client;
    GetClientRect(hCtl, &client);
    const HexFieldLayout expected = LayOutHexFields(client.right, client.bottom, blank.cx, GetSystemMetrics(SM_CYEDGE));

    auto* ctl = dynamic_cast<CIPAddrCtl*>(CWnd::FromHandlePermanent(hCtl));
    ASSERT_NE(ctl, nullptr);
    for (int n = 1; n <= kHexFieldCount; ++n) {
        RECT rc;
        GetWindowRect(Field(hCtl, n), &rc);
        MapWindowPoints(nullptr, hCtl, reinterpret_cast<POINT*>(&rc), 2);
        EXPECT_TRUE(EqualRect(&rc, &expected.fields[n - 1])) << "field " << n;
        EXPECT_TRUE(EqualRect(&ctl->m_rcField[n - 1], &expected.fields[n - 1])) << "field " << n;
    }
    EXPECT_TRUE(EqualRect(&ctl->m_rcSeparator[2], &expected.separators[2]));

    // Too narrow for any field: nothing breaks, the fields just vanish.
    MoveWindow(hCtl, 0, 0, 6, 22, TRUE);
    for (int n = 1; n <= kHexFieldCount; ++n) {
        RECT rc;
        GetClientRect(Field(hCtl, n), &rc);
        EXPECT_EQ(rc.right, 0) << "field " << n;
    }
    UpdateWindow(hCtl);
    HexAddressValue value{{1, 2, 3, 4, 5, 6}, 0};
    EXPECT_EQ(SendMessageA(hCtl, HFM_SETADDRESS, 0, reinterpret_cast<LPARAM>(&value)), 1);
    EXPECT_EQ(WindowText(Field(hCtl, 6)), "06");
}

TEST_F(ControlWindow, ReadOnlyAndDisabledShowTheButtonFace)
{
    HWND hCtl = Make();
    ASSERT_NE(hCtl, nullptr);
    ASSERT_NE(GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_BTNFACE));
    auto readOnlyFields = [&] {
        int count = 0;
        for (int n = 1; n <= kHexFieldCount; ++n)
            count += (GetWindowLongA(Field(hCtl, n), GWL_STYLE) & ES_READONLY) ? 1 : 0;
        return count;
    };
    EXPECT_EQ(ErasedColor(hCtl), GetSysColor(COLOR_WINDOW));

    EXPECT_EQ(SendMessageA(hCtl, HFM_SETREADONLY, 1, 0), 1);
    EXPECT_EQ(readOnlyFields(), kHexFieldCount);
    EXPECT_EQ(ErasedColor(hCtl), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(SendMessageA(hCtl, HFM_SETREADONLY, 1, 0), 1) << "acts again in the same state";
    EXPECT_EQ(readOnlyFields(), kHexFieldCount);

    EXPECT_EQ(SendMessageA(hCtl, HFM_SETREADONLY, 0, 0), 1);
    EXPECT_EQ(readOnlyFields(), 0);
    EXPECT_EQ(ErasedColor(hCtl), GetSysColor(COLOR_WINDOW));

    EnableWindow(hCtl, FALSE);
    EXPECT_EQ(ErasedColor(hCtl), GetSysColor(COLOR_BTNFACE));
    for (int n = 1; n <= kHexFieldCount; ++n)
        EXPECT_FALSE(IsWindowEnabled(Field(hCtl, n))) << "field " << n;
    SendMessageA(hCtl, HFM_SETREADONLY, 1, 0);
    EnableWindow(hCtl, TRUE);
    EXPECT_EQ(ErasedColor(hCtl), GetSysColor(COLOR_BTNFACE)) << "still read-only";
    EXPECT_TRUE(IsWindowEnabled(Field(hCtl, 6)));
}

TEST_F(ControlWindow, CloseDoesNotDestroyTheControl)
{
    HWND hCtl = Make();
    ASSERT_NE(hCtl, nullptr);
    SendMessageA(hCtl, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(hCtl));
    EXPECT_NE(CWnd::FromHandlePermanent(hCtl), nullptr);

    // Destroying it ends its object with it.
    DestroyWindow(hCtl);
    EXPECT_EQ(CWnd::FromHandlePermanent(hCtl), nullptr);
}

TEST(ControlLifetime, AParentClosedFromAFieldFreesTheControlOnlyAfterTheFieldsMessage)
{
    // Enter in a field sends IDOK from inside the field's handler, and this
    // modeless parent destroys itself there, the control and fields with it.
    DialogTemplate t("Modeless", WS_POPUP | WS_CAPTION, 120, 40);
    t.Add("MACAddr", "", WS_VISIBLE | WS_BORDER | WS_TABSTOP, 5, 5, 80, 12, kId);
    t.Add("BUTTON", "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 5, 20, 50, 14, IDOK);
    HWND hDlg = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr, &ClosesOnOK, 0);
    ASSERT_NE(hDlg, nullptr);
    HWND hCtl = GetDlgItem(hDlg, kId);
    g_watched = CWnd::FromHandlePermanent(hCtl);
    ASSERT_NE(g_watched, nullptr);
    g_watchedFrees = 0;

    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, &AfterWindowProc, nullptr, GetCurrentThreadId());
    SendMessageA(GetDlgItem(hCtl, 4), WM_CHAR, '\r', 1);
    UnhookWindowsHookEx(hook);
    g_watched = nullptr;

    EXPECT_FALSE(IsWindow(hDlg));
    EXPECT_EQ(g_freesWhenOKReturned, 0) << "freed while the field's handler still ran";
    EXPECT_EQ(g_watchedFrees, 1) << "freed once the field's message returned";
}
