// The built Kestrune.cpl in a host that, like rundll32 and Windows' Control
// Panel loader, carries no common-controls-6 manifest (this program has none):
// the applet's windows get common controls 6 all the same, the host's own
// context is left as it was, and the hex fields keep and show every digit
// whatever font they are given.

#include "tests/support/HostedApplet.h"

#include <windows.h>
#include <commctrl.h>
#include <uxtheme.h>

#include <string>

namespace {

constexpr int kDeviceName = 1007;
constexpr int kProtectNo = 1015;
constexpr int kFieldCount = 6;

// Common controls 6 give the system's control classes versioned names, so a
// window made inside their context has another class atom than a classic one.
ATOM ClassAtom(HWND hWnd)
{
    return static_cast<ATOM>(GetClassWord(hWnd, GCW_ATOM));
}

// The atom of an edit made here and now.
ATOM EditAtom(HWND parent)
{
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD, 0, 0, 10, 10, parent, nullptr, nullptr, nullptr);
    const ATOM atom = ClassAtom(edit);
    DestroyWindow(edit);
    return atom;
}

HANDLE CurrentContext()
{
    HANDLE context = nullptr;
    GetCurrentActCtx(&context);
    if (context)
        ReleaseActCtx(context);   // only compared, never used
    return context;
}

bool ButtonIsThemed(HWND button)
{
    SIZE ideal{};
    return button && SendMessageA(button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) != 0;
}

HFONT FontOf(HWND hWnd)
{
    return reinterpret_cast<HFONT>(SendMessageA(hWnd, WM_GETFONT, 0, 0));
}

// Twelve "D"s as the keyboard delivers them to the focused field.
void TypeTwelveDs(HWND dlg)
{
    HWND control = GetDlgItem(dlg, kProtectNo);
    SetFocus(control);
    ASSERT_TRUE(IsChild(control, GetFocus())) << "the dialog could not take the focus";
    for (int i = 0; i < 2 * kFieldCount; ++i)
        SendMessageA(GetFocus(), WM_CHAR, 'D', 1);
}

// A field shows its pair when the pair fits on the one line it shows.
void ExpectEachFieldShowsDD(HWND control)
{
    for (int n = 1; n <= kFieldCount; ++n) {
        HWND field = GetDlgItem(control, n);
        EXPECT_EQ(WindowText(field), "DD") << "field " << n;
        EXPECT_EQ(SendMessageA(field, EM_GETLINECOUNT, 0, 0), 1) << "field " << n;
        HDC dc = GetDC(field);
        HGDIOBJ old = SelectObject(dc, FontOf(field));
        SIZE pair{};
        GetTextExtentPoint32A(dc, "DD", 2, &pair);
        SelectObject(dc, old);
        ReleaseDC(field, dc);
        RECT client{};
        GetClientRect(field, &client);
        EXPECT_LE(pair.cx, client.right) << "field " << n;
    }
}

class NativeLook : public HostedAppletTest {
protected:
    void SetUp() override
    {
        HostedAppletTest::SetUp();
        if (!HasFatalFailure()) {
            ASSERT_EQ(applet.Call(CPL_INIT), 1);
        }
    }
};

// OK fails to save (a folder holds the file's place), so the script meets
// both windows the applet shows; a second box would find no step left.
TEST_F(NativeLook, DialogAndFailedSaveBoxUseCommonControls6AndTheHostKeepsItsContext)
{
    const std::string file = SettingsFolderGuard::SettingsFile();
    ASSERT_TRUE(CreateDirectoryA(file.c_str(), nullptr));
    const ATOM classic = EditAtom(host.Window());
    const HANDLE before = CurrentContext();
    host.WatchModalsWithoutIdle();
    host.Then([&](HWND dlg) {
        EXPECT_NE(CurrentContext(), before);
        EXPECT_TRUE(ButtonIsThemed(GetDlgItem(dlg, IDOK)));
        EXPECT_TRUE(ButtonIsThemed(GetDlgItem(dlg, IDCANCEL)));
        const ATOM themedEdit = ClassAtom(GetDlgItem(dlg, kDeviceName));
        EXPECT_NE(themedEdit, classic);
        for (int n = 1; n <= kFieldCount; ++n)
            EXPECT_EQ(ClassAtom(GetDlgItem(GetDlgItem(dlg, kProtectNo), n)), themedEdit) << "field " << n;
        EXPECT_NE(GetWindowTheme(GetDlgItem(dlg, kProtectNo)), nullptr) << "its frame is not an edit's";
        PostCommand(dlg, IDOK);
    });
    host.Then([&](HWND box) {
        EXPECT_TRUE(ButtonIsThemed(GetDlgItem(box, IDOK)));
        std::string text;
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            text += WindowText(child);
        EXPECT_NE(text.find(file), std::string::npos) << text;
        PostCommand(box, IDOK);
    });
    DoubleClick();
    EXPECT_EQ(CurrentContext(), before);
    EXPECT_TRUE(RemoveDirectoryA(file.c_str()));
}

// The control leaves the look to whoever creates it: outside the applet's
// context, as in a program of its own without common controls 6, its fields
// and its frame are classic.
TEST_F(NativeLook, FieldsMadeOutsideTheAppletsContextAreClassic)
{
    HWND control = CreateWindowExA(0, "MACAddr", "", WS_CHILD, 0, 0, 200, 24, host.Window(), nullptr, nullptr, nullptr);
    EXPECT_EQ(ClassAtom(GetDlgItem(control, 1)), EditAtom(host.Window()));
    EXPECT_EQ(GetWindowTheme(control), nullptr);
    DestroyWindow(control);
}

// A field wraps a pair wider than itself; the digit must stay, and the pair
// must show. This also runs in a prefix at 200 % without Wine's fonts.
TEST_F(NativeLook, TwelveDsAreStoredAndShownInFull)
{
    host.Then([&](HWND dlg) {
        TypeTwelveDs(dlg);
        ExpectEachFieldShowsDD(GetDlgItem(dlg, kProtectNo));
        PostCommand(dlg, IDOK);
    });
    DoubleClick();
    EXPECT_EQ(Stored("Protect No", 0), "dddddddddddd");
}

// The dialog's font fits here and is kept; one too wide for a pair gets a
// smaller size of the same face, which the control makes and deletes.
TEST_F(NativeLook, AFontTooWideForAPairIsShownSmaller)
{
    HFONT given = nullptr;
    HFONT made = nullptr;
    host.Then([&](HWND dlg) {
        HWND control = GetDlgItem(dlg, kProtectNo);
        HWND field = GetDlgItem(control, 1);
        const HFONT dialogFont = FontOf(dlg);
        EXPECT_EQ(FontOf(field), dialogFont);

        LOGFONTA wide{};
        ASSERT_TRUE(GetObjectA(dialogFont, sizeof wide, &wide));
        wide.lfHeight = wide.lfHeight * 3 / 2;   // one digit fits a field, a pair does not
        given = CreateFontIndirectA(&wide);
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(given), TRUE);
        TypeTwelveDs(dlg);
        ExpectEachFieldShowsDD(control);
        made = FontOf(field);
        LOGFONTA shown{};
        ASSERT_TRUE(GetObjectA(made, sizeof shown, &shown));
        EXPECT_STREQ(shown.lfFaceName, wide.lfFaceName);

        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont), TRUE);
        EXPECT_EQ(FontOf(field), dialogFont);
        EXPECT_EQ(GetObjectType(made), 0u) << "replaced, the smaller font went";
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(given), TRUE);
        made = FontOf(field);
        EXPECT_NE(made, given);
        PostCommand(dlg, IDOK);
    });
    DoubleClick();
    EXPECT_EQ(Stored("Protect No", 0), "dddddddddddd");
    EXPECT_EQ(GetObjectType(made), 0u) << "the control deleted its font when it went";
    DeleteObject(given);
}

} // namespace
