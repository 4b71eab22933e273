// The built Kestrune.cpl in a host that, like rundll32 and Windows' Control
// Panel loader, carries no common-controls-6 manifest (this program has none):
// the applet's windows get common controls 6 all the same, the host's own
// context is left as it was, and the hex fields keep and show every digit
// whatever font they are given.

#include "tests/support/AppletLibrary.h"
#include "tests/support/ScriptedHost.h"
#include "tests/support/SettingsFolderGuard.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <cpl.h>

#include <string>
#include <utility>

namespace {

constexpr int kDeviceName = 1007;
constexpr int kProtectNo = 1015;
constexpr int kFieldCount = 6;
constexpr WORD kManifestId = 123;

HWND Field(HWND control, int n)
{
    return GetDlgItem(control, n);
}

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

std::string StoredProtect()
{
    char value[64] = {};
    GetPrivateProfileStringA("Protect No", "0", "<absent>", value, sizeof value,
                             SettingsFolderGuard::SettingsFile().c_str());
    return value;
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
        HWND field = Field(control, n);
        char text[8] = {};
        GetWindowTextA(field, text, sizeof text);
        EXPECT_STREQ(text, "DD") << "field " << n;
        EXPECT_EQ(SendMessageA(field, EM_GETLINECOUNT, 0, 0), 1) << "field " << n;
        HDC dc = GetDC(field);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(field, WM_GETFONT, 0, 0)));
        SIZE pair{};
        GetTextExtentPoint32A(dc, "DD", 2, &pair);
        SelectObject(dc, old);
        ReleaseDC(field, dc);
        RECT client{};
        GetClientRect(field, &client);
        EXPECT_LE(pair.cx, client.right) << "field " << n;
    }
}

class NativeLook : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(guard.Ready()) << "the settings folder is in use";
        ASSERT_TRUE(applet.Loaded());
        ASSERT_EQ(applet.Call(CPL_INIT), 1);
    }

    void DoubleClick()
    {
        EXPECT_EQ(applet.Call(CPL_DBLCLK, 0, 0, host.Window()), 0);
        EXPECT_EQ(host.PendingSteps(), 0u);
        EXPECT_EQ(host.Problem(), "");
    }

    SettingsFolderGuard guard;
    LoadedApplet applet;
    ScriptedHost host;
};

TEST_F(NativeLook, DialogUsesCommonControls6AndTheHostKeepsItsContext)
{
    const ATOM classic = EditAtom(host.Window());
    const HANDLE before = CurrentContext();
    host.Then([&](HWND dlg) {
        EXPECT_NE(CurrentContext(), before) << "the applet's own context is active in the dialog";
        EXPECT_TRUE(ButtonIsThemed(GetDlgItem(dlg, IDOK)));
        EXPECT_TRUE(ButtonIsThemed(GetDlgItem(dlg, IDCANCEL)));
        const ATOM themedEdit = ClassAtom(GetDlgItem(dlg, kDeviceName));
        EXPECT_NE(themedEdit, classic);
        for (int n = 1; n <= kFieldCount; ++n)
            EXPECT_EQ(ClassAtom(Field(GetDlgItem(dlg, kProtectNo), n)), themedEdit) << "field " << n;
        PostCommand(dlg, IDCANCEL);
    });
    DoubleClick();
    EXPECT_EQ(CurrentContext(), before);
}

TEST_F(NativeLook, FailedSaveShowsOneThemedBoxNamingTheFile)
{
    const std::string file = SettingsFolderGuard::SettingsFile();
    ASSERT_TRUE(CreateDirectoryA(file.c_str(), nullptr)) << "a folder where the file belongs";
    const HANDLE before = CurrentContext();
    host.WatchModalsWithoutIdle();
    host.Then([](HWND dlg) { PostCommand(dlg, IDOK); });
    host.Then([&](HWND box) {
        EXPECT_TRUE(ButtonIsThemed(GetDlgItem(box, IDOK)));
        std::string text;
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            text += WindowText(child);
        EXPECT_NE(text.find(file), std::string::npos) << text;
        PostCommand(box, IDOK);
    });
    DoubleClick();   // a second box would find no step left
    EXPECT_EQ(CurrentContext(), before);
    EXPECT_TRUE(RemoveDirectoryA(file.c_str()));
}

// The control leaves the look to whoever creates it: a program without
// common controls 6 gets classic fields, one that activates them themed ones.
TEST_F(NativeLook, FieldsFollowTheContextTheControlIsCreatedIn)
{
    const auto fieldAndEditAtoms = [&] {
        HWND control = CreateWindowExA(0, "MACAddr", "", WS_CHILD, 0, 0, 200, 24, host.Window(), nullptr, nullptr, nullptr);
        EXPECT_NE(control, nullptr);
        const ATOM field = ClassAtom(Field(control, 1));
        DestroyWindow(control);
        return std::make_pair(field, EditAtom(host.Window()));
    };
    const auto [plainField, plainEdit] = fieldAndEditAtoms();
    EXPECT_EQ(plainField, plainEdit);

    ACTCTXA manifest{};
    manifest.cbSize = sizeof manifest;
    manifest.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    manifest.hModule = applet.Module();
    manifest.lpResourceName = MAKEINTRESOURCEA(kManifestId);
    const std::string path = AppletPath();
    manifest.lpSource = path.c_str();
    HANDLE context = CreateActCtxA(&manifest);
    ASSERT_NE(context, INVALID_HANDLE_VALUE) << "the applet carries a manifest as resource 123";
    ULONG_PTR cookie = 0;
    ASSERT_TRUE(ActivateActCtx(context, &cookie));
    const auto [themedField, themedEdit] = fieldAndEditAtoms();
    DeactivateActCtx(0, cookie);
    ReleaseActCtx(context);
    EXPECT_EQ(themedField, themedEdit);
    EXPECT_NE(themedField, plainField);
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
    EXPECT_EQ(StoredProtect(), "dddddddddddd");
}

// The dialog's font fits here and is kept; one too wide for a pair gets a
// smaller size of the same face, which the control makes and deletes.
TEST_F(NativeLook, AFontTooWideForAPairIsShownSmaller)
{
    HFONT given = nullptr;
    HFONT made = nullptr;
    HFONT madeAgain = nullptr;
    host.Then([&](HWND dlg) {
        HWND control = GetDlgItem(dlg, kProtectNo);
        const auto dialogFont = reinterpret_cast<HFONT>(SendMessageA(dlg, WM_GETFONT, 0, 0));
        for (int n = 1; n <= kFieldCount; ++n)
            EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(Field(control, n), WM_GETFONT, 0, 0)), dialogFont);

        LOGFONTA wide{};
        ASSERT_TRUE(GetObjectA(dialogFont, sizeof wide, &wide));
        wide.lfHeight = wide.lfHeight * 3 / 2;   // one digit fits a field, a pair does not
        given = CreateFontIndirectA(&wide);
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(given), TRUE);
        TypeTwelveDs(dlg);
        ExpectEachFieldShowsDD(control);

        made = reinterpret_cast<HFONT>(SendMessageA(Field(control, 1), WM_GETFONT, 0, 0));
        LOGFONTA shown{};
        ASSERT_TRUE(GetObjectA(made, sizeof shown, &shown));
        EXPECT_STREQ(shown.lfFaceName, wide.lfFaceName);
        EXPECT_LT(shown.lfHeight * shown.lfHeight, wide.lfHeight * wide.lfHeight);
        for (int n = 2; n <= kFieldCount; ++n)
            EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(Field(control, n), WM_GETFONT, 0, 0)), made);

        // Another font replaces the made one, which goes.
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont), TRUE);
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(Field(control, 1), WM_GETFONT, 0, 0)), dialogFont);
        EXPECT_EQ(GetObjectType(made), 0u) << "the smaller font was deleted";
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(given), TRUE);
        madeAgain = reinterpret_cast<HFONT>(SendMessageA(Field(control, 1), WM_GETFONT, 0, 0));
        EXPECT_NE(madeAgain, given);
        PostCommand(dlg, IDOK);
    });
    DoubleClick();
    EXPECT_EQ(StoredProtect(), "dddddddddddd");
    EXPECT_EQ(GetObjectType(madeAgain), 0u) << "the control deleted its font when it went";
    DeleteObject(given);
}

} // namespace
